// What each operation must answer when one platform call fails (error 5,
// access denied): the same rules serve the simulated machine and the POSIX
// backend, whose call sequences are the same.
#ifndef BRENVIK_TESTS_FILEOPS_FAULT_RULES_H
#define BRENVIK_TESTS_FILEOPS_FAULT_RULES_H

#include <string>

namespace brenvik {
namespace test {

struct FailedCall {
    std::string service;
    std::string path;  // as passed (or, for handle calls, as opened)
    // FindNextFileA only: the listing had no entry left, so nothing was lost.
    bool listingWasOver = false;
};

// Closing calls release their resource even when they report failure, so
// their failure changes nothing the operations look at.
inline bool IsClosingCall(const FailedCall &call)
{
    return call.service == "CloseHandle" || call.service == "FindClose";
}

enum class TreeOutcome { untouched, gone, failed };

// DelTree on `top`, a tree without empty directories. The status query of
// `top` failing reads as "no such directory": result 1, nothing touched.
// A lost listing tail, a failed deletion or removal, a failed attribute read
// of a sub-directory: something stays, result 0.
inline TreeOutcome ExpectedDelTree(const FailedCall &call, const std::string &top)
{
    if (call.service == "GetFileAttributesExA" && call.path == top)
        return TreeOutcome::untouched;
    if (IsClosingCall(call) || (call.service == "FindNextFileA" && call.listingWasOver))
        return TreeOutcome::gone;
    return TreeOutcome::failed;
}

// CreateDir_Recursively on `leaf`: a failed attribute read makes it try the
// creation, which only matters for the final level when it already exists
// (the creation then fails with 183 and that is the result); every failed
// creation shows in the final one.
inline int ExpectedCreateDir(const FailedCall &call, const std::string &leaf, bool leafExisted)
{
    if (call.service == "CreateDirectoryA")
        return 0;
    if (call.service == "GetFileAttributesA" && call.path == leaf && leafExisted)
        return 0;
    return 1;
}

// MyRename of a file onto another existing file: only a failed close leaves
// the rename intact. A failed identity probe reads as "maybe the same file",
// and the plain rename that follows refuses the existing target.
inline int ExpectedRename(const FailedCall &call)
{
    return IsClosingCall(call) ? 1 : 0;
}

// IsDirWriteable: the probe's own close and delete are not checked, and
// delete-on-close removes the probe anyway.
inline int ExpectedWriteable(const FailedCall &call, const std::string &dir, bool dirExisted)
{
    if (call.service == "CreateFileA")
        return 0;
    return ExpectedCreateDir(call, dir, dirExisted);
}

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_FILEOPS_FAULT_RULES_H
