// DOS attributes of host files.
//
// read-only  the owner has no write permission
// hidden     the name begins with a dot, or the hidden bit of user.DOSATTRIB
// system, archive
//            the bits of user.DOSATTRIB, kept as Samba and Wine keep them
//            ("0x" and hexadecimal digits, read with or without a trailing
//            NUL and from Samba's binary form, which begins with that text)
// directory  from the inode
// A regular file without user.DOSATTRIB reports the archive bit, as a file
// that Windows has just written does; nothing is written to give it one.
// A symbolic link is reported itself, with the reparse-point bit, and with
// the directory bit when it leads to a directory, as Windows shows links.
// An entry with none of these bits reports FILE_ATTRIBUTE_NORMAL.
#ifndef BRENVIK_PLATFORM_POSIX_DOS_ATTR_H
#define BRENVIK_PLATFORM_POSIX_DOS_ATTR_H

#include <sys/stat.h>

#include <cstddef>

#include "platform/win32_types.h"

namespace brenvik {
namespace platform {
namespace posix {

// The bits that live in user.DOSATTRIB.
constexpr DWORD kXattrBits =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// Parses the value of user.DOSATTRIB; false when it does not begin with
// "0x" and at least one hexadecimal digit.
bool ParseDosAttrib(const char *data, std::size_t size, DWORD *bits);

// Reads the bits of user.DOSATTRIB of hostPath (of a link itself unless
// follow); false when it has none or the file system keeps none.
bool ReadDosXattr(const char *hostPath, DWORD *bits, bool follow = false);

// Writes "0x" and the hexadecimal bits (of kXattrBits) as user.DOSATTRIB,
// following links. Returns 0 or errno (ENOTSUP where the file system keeps
// no user attributes).
int WriteDosXattr(const char *hostPath, DWORD bits);

// The attributes of the entry whose lstat is lst; name is its final
// component (for hidden-by-dot), hostPath is used to read the xattr and to
// follow a link.
DWORD AttributesOf(const char *hostPath, const char *name, const struct stat &lst);

// Whether to read user.DOSATTRIB, and what the reading found out about the
// file system.
struct XattrUse {
    bool skip = false;         // in: the file system keeps no user attributes
    bool unsupported = false;  // out: the read said the file system keeps none
};

// AttributesOf for an entry of mode mode.
DWORD AttributesOfMode(const char *hostPath, const char *name, mode_t mode, XattrUse *xattr);

bool IsReadOnlyMode(mode_t mode);

// A host time as a FILETIME (100 ns units since 1601-01-01 UTC).
FILETIME FileTimeFrom(const struct timespec &t);

// What WIN32_FILE_ATTRIBUTE_DATA and WIN32_FIND_DATAA say about an entry.
struct FileInfo {
    DWORD attributes;
    FILETIME creation;  // the birth time where the host keeps one, else the write time
    FILETIME lastAccess;
    FILETIME lastWrite;
    DWORD sizeHigh;  // 0 for directories and links, as Windows reports them
    DWORD sizeLow;
};

// The information about the entry at hostPath whose lstat is lst.
FileInfo InfoOf(const char *hostPath, const char *name, const struct stat &lst);

// The same from a statx record of the entry that asked for
// STATX_BASIC_STATS | STATX_BTIME; no further look at its times.
FileInfo InfoOf(const char *hostPath, const char *name, const struct statx &sx,
                XattrUse *xattr);

}  // namespace posix
}  // namespace platform
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_POSIX_DOS_ATTR_H
