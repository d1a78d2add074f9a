// Host paths back to the Windows paths that name them, for programs (the
// command-line tool) whose users type host paths.
//
// A host path is made absolute against the current directory and normalised
// lexically ("." and ".." and doubled slashes go; links are not followed).
// The drive or share whose host directory is the longest leading part of it,
// component by component, names it: with the default configuration C: is "/"
// and /home/u/x is C:\home\u\x. Between roots of equal length a configured
// drive wins over a share, and a share over a letter that only a remembered
// connection gives; letters go in alphabetical order.
//
// A path has no Windows name when no drive or share covers it, or when one of
// its components could not survive the trip: a backslash in a name would
// split it, and a name ending in a dot or a blank would lose that ending
// (Windows drops it, so the name would lead to another file). Characters that
// Windows forbids otherwise (":", "*", ...) pass through: the library refuses
// them where it must, and a validation command wants to see them.
#ifndef BRENVIK_PLATFORM_POSIX_HOST_PATH_H
#define BRENVIK_PLATFORM_POSIX_HOST_PATH_H

#include <string>

#include "platform/posix/registry_store.h"

namespace brenvik {
namespace platform {
namespace posix {

// With the registry file in force. On failure *windows is untouched and, when
// why is given, *why says what stood in the way.
bool HostToWindowsPath(const std::string &host, std::string *windows, std::string *why = nullptr);
bool HostToWindowsPath(const RegistryConfig &config, const std::string &host,
                       std::string *windows, std::string *why = nullptr);

// Whether one host name (a file or directory name, no slash) keeps its
// meaning as a component of a Windows path; why not in *why. Only a final
// component can be a device to Windows.
bool IsWindowsNameable(const std::string &name, std::string *why = nullptr, bool final = true);

// The host path a Windows path stands for, looked up as the library looks it
// up (names matched exactly first, then without regard to case). False when
// the path cannot be mapped at all (no such drive or share, a bad name).
bool WindowsToHostPath(const std::string &windows, std::string *host);

}  // namespace posix
}  // namespace platform
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_POSIX_HOST_PATH_H
