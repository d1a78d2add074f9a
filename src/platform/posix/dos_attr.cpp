#include "platform/posix/dos_attr.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/crt/crt.h"

namespace brenvik {
namespace platform {
namespace posix {

namespace {

constexpr const char *kXattrName = "user.DOSATTRIB";

}  // namespace

bool ParseDosAttrib(const char *data, std::size_t size, DWORD *bits)
{
    if (size < 3 || data[0] != '0' || (data[1] != 'x' && data[1] != 'X'))
        return false;
    DWORD value = 0;
    std::size_t i = 2;
    for (; i < size && i < 2 + 8; ++i) {
        int d = crt::HexDigit(data[i]);
        if (d < 0)
            break;
        value = (value << 4) | static_cast<DWORD>(d);
    }
    if (i == 2)
        return false;
    *bits = value;
    return true;
}

bool ReadDosXattr(const char *hostPath, DWORD *bits, bool follow)
{
    // Samba's binary form is longer than the text but well under this.
    char buf[256];
    ssize_t n = follow ? ::getxattr(hostPath, kXattrName, buf, sizeof buf)
                       : ::lgetxattr(hostPath, kXattrName, buf, sizeof buf);
    if (n < 0)
        return false;
    return ParseDosAttrib(buf, static_cast<std::size_t>(n), bits);
}

int WriteDosXattr(const char *hostPath, DWORD bits)
{
    char text[16];
    int n = std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(bits & kXattrBits));
    if (::setxattr(hostPath, kXattrName, text, static_cast<std::size_t>(n), 0) != 0)
        return errno == EOPNOTSUPP ? ENOTSUP : errno;
    return 0;
}

bool IsReadOnlyMode(mode_t mode)
{
    return (mode & S_IWUSR) == 0;
}

DWORD AttributesOfMode(const char *hostPath, const char *name, mode_t mode, XattrUse *xattr)
{
    DWORD attrs = 0;
    const bool dotName = name[0] == '.' && std::strcmp(name, ".") != 0 &&
                         std::strcmp(name, "..") != 0;
    if (dotName)
        attrs |= FILE_ATTRIBUTE_HIDDEN;

    if (S_ISLNK(mode)) {
        struct stat target;
        attrs |= FILE_ATTRIBUTE_REPARSE_POINT;
        if (::stat(hostPath, &target) == 0 && S_ISDIR(target.st_mode))
            attrs |= FILE_ATTRIBUTE_DIRECTORY;
        else
            attrs |= FILE_ATTRIBUTE_ARCHIVE;
        return attrs;
    }

    if (S_ISDIR(mode))
        attrs |= FILE_ATTRIBUTE_DIRECTORY;
    if (IsReadOnlyMode(mode))
        attrs |= FILE_ATTRIBUTE_READONLY;
    DWORD xbits = 0;
    bool hasBits = false;
    if (xattr == nullptr || !xattr->skip) {
        char buf[256];
        ssize_t n = ::lgetxattr(hostPath, kXattrName, buf, sizeof buf);
        if (n >= 0)
            hasBits = ParseDosAttrib(buf, static_cast<std::size_t>(n), &xbits);
        else if (xattr != nullptr && (errno == ENOTSUP || errno == EOPNOTSUPP))
            xattr->unsupported = true;
    }
    if (hasBits)
        attrs |= xbits & kXattrBits;
    else if (!S_ISDIR(mode))
        attrs |= FILE_ATTRIBUTE_ARCHIVE;
    return attrs == 0 ? FILE_ATTRIBUTE_NORMAL : attrs;
}

DWORD AttributesOf(const char *hostPath, const char *name, const struct stat &lst)
{
    return AttributesOfMode(hostPath, name, lst.st_mode, nullptr);
}

FILETIME FileTimeFrom(const struct timespec &t)
{
    // Seconds from 1601-01-01 to 1970-01-01.
    constexpr int64_t kEpochDelta = 11644473600LL;
    int64_t ticks = (static_cast<int64_t>(t.tv_sec) + kEpochDelta) * 10000000LL + t.tv_nsec / 100;
    if (ticks < 0)
        ticks = 0;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
    return ft;
}

FileInfo InfoOf(const char *hostPath, const char *name, const struct stat &lst)
{
    FileInfo info;
    info.attributes = AttributesOf(hostPath, name, lst);
    info.lastAccess = FileTimeFrom(lst.st_atim);
    info.lastWrite = FileTimeFrom(lst.st_mtim);
    info.creation = info.lastWrite;
    struct statx sx;
    if (::statx(AT_FDCWD, hostPath, AT_SYMLINK_NOFOLLOW, STATX_BTIME, &sx) == 0 &&
        (sx.stx_mask & STATX_BTIME)) {
        struct timespec birth;
        birth.tv_sec = static_cast<time_t>(sx.stx_btime.tv_sec);
        birth.tv_nsec = static_cast<long>(sx.stx_btime.tv_nsec);
        info.creation = FileTimeFrom(birth);
    }
    const bool hasSize = S_ISREG(lst.st_mode);
    const uint64_t size = hasSize ? static_cast<uint64_t>(lst.st_size) : 0;
    info.sizeHigh = static_cast<DWORD>(size >> 32);
    info.sizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    return info;
}

namespace {

struct timespec TimeOf(const struct statx_timestamp &t)
{
    struct timespec ts;
    ts.tv_sec = static_cast<time_t>(t.tv_sec);
    ts.tv_nsec = static_cast<long>(t.tv_nsec);
    return ts;
}

}  // namespace

FileInfo InfoOf(const char *hostPath, const char *name, const struct statx &sx, XattrUse *xattr)
{
    FileInfo info;
    info.attributes = AttributesOfMode(hostPath, name, sx.stx_mode, xattr);
    info.lastAccess = FileTimeFrom(TimeOf(sx.stx_atime));
    info.lastWrite = FileTimeFrom(TimeOf(sx.stx_mtime));
    info.creation = (sx.stx_mask & STATX_BTIME) ? FileTimeFrom(TimeOf(sx.stx_btime))
                                                : info.lastWrite;
    const uint64_t size = S_ISREG(sx.stx_mode) ? static_cast<uint64_t>(sx.stx_size) : 0;
    info.sizeHigh = static_cast<DWORD>(size >> 32);
    info.sizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    return info;
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik
