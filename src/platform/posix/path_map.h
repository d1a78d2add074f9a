// Windows paths onto host paths.
//
// Forms, and the choices made where Windows has state the host lacks:
//   X:\a\b        the drive's root (Drives\X "Path", or the share behind a
//                 remembered connection) followed by a/b
//   X:a\b, X:     relative to the drive's root: the host keeps no current
//                 directory per drive
//   \a\b          rooted at the host root "/": the host's current directory
//                 lies on no drive letter
//   \\srv\shr\a   the share's "Path" (Shares\srv\shr) followed by a
//   a\b           relative to the current directory of the process
//   \\?\X:\a      as X:\a, and \\?\UNC\srv\shr as \\srv\shr (the prefix
//                 only turns normalisation off on Windows; here it is dropped)
// Names follow Win32's normalisation before any lookup: both separators
// separate and runs of them count as one; "." drops out and ".." goes up,
// never above the root; a component followed by a separator loses one
// trailing period ("dir.\x" is dir\x, "a..\x" is a.\x, "...\x" stays);
// only the final component of a path that does not end in a separator loses
// all its trailing periods and blanks ("C:\dir. " is C:\dir, "C:\dir \"
// is "dir " with its blank; a final name of dots and blanks only names the
// directory it stands in). "\\?\" paths skip all of that. A double-byte
// character of the ANSI code page is never split, so a trail byte of 0x5C
// is no separator.
// The final component may name a DOS device or a stream; see Device and
// MappedPath::stream.
//
// Mapping is pure text work on fixed buffers; Resolve then looks the name up
// on the host: exactly first and, where a component is missing, by reading
// its directory and comparing names without regard to ASCII case, one
// component at a time. Several names that differ only in case: the exact
// one, else the first the directory lists.
#ifndef BRENVIK_PLATFORM_POSIX_PATH_MAP_H
#define BRENVIK_PLATFORM_POSIX_PATH_MAP_H

#include <sys/stat.h>

#include <cstddef>

#include "platform/posix/registry_store.h"
#include "platform/win32_types.h"

namespace brenvik {
namespace platform {
namespace posix {

constexpr std::size_t kHostPathMax = 4096;
constexpr std::size_t kMaxComponents = MAX_PATH;

enum class RootKind {
    kRelative,  // relative to the current directory
    kHostRoot,  // a rooted path without a drive
    kDrive,
    kShare,
};

enum class Lookup {
    kNotDone,
    kExists,         // st holds the lstat of the whole path
    kMissingFinal,   // every directory is there, the final name is not
    kMissingParent,  // a directory on the way is missing or is not a directory
    kRootMissing,    // the drive's or share's host directory is not there
    kError,          // another failure; err holds errno
};

// DOS devices as the NT line of Windows reads them (the Windows this
// library's callers were built for; Windows 11 frees names with an
// extension): the final component of a path that is neither UNC nor
// "\\?\", from its start to its first '.' or ':', trailing blanks ignored,
// is CON, PRN, AUX, NUL, COM1-COM9 or LPT1-LPT9 in any letter case, in any
// directory. A device is never created, renamed or deleted, whatever the
// host holds under that name.
enum class Device {
    kNone,
    kNul,    // opens as an empty sink
    kOther,  // a device this host has no counterpart for
};

struct MappedPath {
    char host[kHostPathMax];
    std::size_t len = 0;
    std::size_t rootLen = 0;    // the bytes of host that are the root
    std::size_t lastStart = 0;  // where the final component starts (len when none)
    RootKind kind = RootKind::kRelative;
    int drive = -1;             // 0..25 for drive paths
    bool isRoot = false;        // names the root itself ("C:\", "\\srv\shr")
    bool trailingSep = false;   // the Windows path ended in a separator
    bool wildcardLast = false;  // the final component holds '*' or '?'
    bool rootEmpty = false;     // the drive's Path is empty: no medium
    Device device = Device::kNone;
    // The final name held a stream colon ("file:s"): host holds the file's
    // own name. Host file systems keep no streams, so every stream but a
    // file's unnamed one is missing, and none can be made.
    bool stream = false;
    UINT codePage = 1252;  // the ANSI code page the path was read in

    Lookup lookup = Lookup::kNotDone;
    int err = 0;
    struct stat st;

    const char *c_str() const { return host; }
    // The final component (empty for a root).
    const char *FinalName() const { return host + lastStart; }
};

enum MapFlags : unsigned {
    kMapDefault = 0,
    // '*' and '?' are allowed in the final component (a search pattern).
    kMapWildcards = 1u << 0,
};

// The host directory that is the root of drive letter index (0..25), into
// out; false when the letter has no root. A remembered connection's letter
// maps to its share's directory when the share is configured.
bool DriveRootPath(const RegistryConfig &config, int drive, const char **root);

// Maps a Windows path. Returns 0, or the Win32 code a Windows program sees
// for a name that cannot be a path: ERROR_PATH_NOT_FOUND (null, empty, a
// drive letter without a root), ERROR_FILENAME_EXCED_RANGE (MAX_PATH or
// more), ERROR_INVALID_NAME (a character Windows forbids in a name),
// ERROR_BAD_PATHNAME (an incomplete UNC name), ERROR_BAD_NETPATH (unknown
// server), ERROR_BAD_NET_NAME (unknown share).
DWORD MapPath(const RegistryConfig &config, const char *winPath, unsigned flags,
              MappedPath *out);

// Looks the mapped path up on the host (see above), folding the case of
// components that are missing. With finalToo false, the final component is
// left as it is (a search pattern) and only the directories are looked up;
// lookup is then kExists when they all are.
void Resolve(MappedPath *path, bool finalToo = true);

// The Win32 code for a lookup that did not find the path: 2, 3, 21 for a
// drive without its medium, 67 for a share whose directory is gone, or the
// code for errno.
DWORD MissingError(const MappedPath &path);

// The Win32 code for errno after an operation on a path that Resolve had
// looked up: ENOENT is 2 or 3 by whether the parent directory exists.
DWORD ErrorForPath(const MappedPath &path, int err);

// The Win32 code for a call on a stream (path.stream): looking one up finds
// nothing (2, or 3 where a directory on the way is missing); making one
// fails as on a file system without streams (123).
DWORD StreamError(MappedPath *path, bool make);

// True for characters Windows refuses in a file name.
bool IsForbiddenNameChar(unsigned char c);

// ASCII case-insensitive equality of n bytes.
bool SameIgnoringCase(const char *a, const char *b, std::size_t n);

}  // namespace posix
}  // namespace platform
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_POSIX_PATH_MAP_H
