// Directory searches. A search reads its directory a buffer at a time from
// the descriptor it keeps open, so its memory does not grow with the number
// of entries.
//
// Entries left out: names of MAX_PATH bytes or more (they do not fit
// cFileName) and names holding a character Windows forbids in names (no
// Windows path could name them again; a backslash in one would even name
// another file). "." and ".." come first in every directory but a root, as
// NTFS lists them. The directory listed is opened without following a link
// in its own last component, so a search through a link to a directory
// finds nothing and a tree walk built on searches never leaves its tree; a
// drive's or share's root may be a link.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/crt/mbcs.h"
#include "platform/posix/dos_attr.h"
#include "platform/posix/errors.h"
#include "platform/posix/handles.h"
#include "platform/posix/path_map.h"
#include "platform/posix/posix_backend.h"
#include "platform/posix/registry_store.h"
#include "platform/posix/wildcard.h"

namespace brenvik {
namespace platform {
namespace posix {

namespace {

// Tag Windows gives a symbolic link in dwReserved0.
constexpr DWORD kReparseTagSymlink = 0xA000000Cu;

class FindObject : public HandleObject {
public:
    FindObject() : HandleObject(HandleKind::kFind) {}
    ~FindObject() override
    {
        if (dirFd >= 0)
            ::close(dirFd);
    }

    int dirFd = -1;
    // Entries read from the directory and not yet looked at. Read straight
    // from the descriptor: a DIR stream would cost two more calls to set up
    // and a buffer four times this size.
    alignas(8) char entries[8192] = {};
    std::size_t entriesLen = 0;
    std::size_t entriesAt = 0;
    bool atEnd = false;
    int dotsLeft = 0;  // 2: "." and ".." still to come, 1: "..", 0: none
    char pattern[MAX_PATH] = {};
    char path[kHostPathMax] = {};  // the directory, a '/', and room for an entry's name
    std::size_t dirLen = 0;   // bytes of path up to and including that '/'
    // A device that answered that it keeps no user attributes: its other
    // entries are not asked. A listing can cross mount points, so the
    // answer is kept per device, and only for this search.
    bool noXattrKnown = false;
    dev_t noXattrDev = 0;
};

// A host name that Windows could not spell (a separator or a forbidden
// character in it, read in the ANSI code page) is not listed: no caller can
// name it back.
bool NameUsable(const char *name)
{
    const char *p = name;
    for (std::size_t step; *p; p += step) {
        step = crt::CharLength(p);
        if (step == 1 && (*p == '\\' || IsForbiddenNameChar(static_cast<unsigned char>(*p))))
            return false;
    }
    return static_cast<std::size_t>(p - name) < MAX_PATH;
}

void Fill(LPWIN32_FIND_DATAA data, const char *name, const FileInfo &info, bool link)
{
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = info.attributes;
    data->ftCreationTime = info.creation;
    data->ftLastAccessTime = info.lastAccess;
    data->ftLastWriteTime = info.lastWrite;
    data->nFileSizeHigh = info.sizeHigh;
    data->nFileSizeLow = info.sizeLow;
    data->dwReserved0 = link ? kReparseTagSymlink : 0;
    std::strncpy(data->cFileName, name, sizeof data->cFileName - 1);
}

// The entry's host path in the object's buffer; false when it does not fit.
bool EntryPath(FindObject &find, const char *name)
{
    std::size_t n = std::strlen(name);
    if (find.dirLen + n + 1 > sizeof find.path)
        return false;
    std::memcpy(find.path + find.dirLen, name, n + 1);
    return true;
}

constexpr unsigned kStatxWanted = STATX_BASIC_STATS | STATX_BTIME;

dev_t DeviceOf(const struct statx &sx)
{
    return makedev(sx.stx_dev_major, sx.stx_dev_minor);
}

// statx of name in dirFd; where statx itself is refused (a sandbox that
// predates it), fstatat fills the basic fields.
bool StatEntry(int dirFd, const char *name, int flags, struct statx *sx)
{
    if (::statx(dirFd, name, flags | AT_NO_AUTOMOUNT, kStatxWanted, sx) == 0)
        return true;
    if (errno == ENOENT)
        return false;
    struct stat st;
    if (::fstatat(dirFd, name, &st, flags) != 0)
        return false;
    std::memset(sx, 0, sizeof *sx);
    sx->stx_mask = STATX_BASIC_STATS;
    sx->stx_mode = static_cast<uint16_t>(st.st_mode);
    sx->stx_size = static_cast<uint64_t>(st.st_size);
    sx->stx_dev_major = major(st.st_dev);
    sx->stx_dev_minor = minor(st.st_dev);
    sx->stx_atime.tv_sec = st.st_atim.tv_sec;
    sx->stx_atime.tv_nsec = static_cast<uint32_t>(st.st_atim.tv_nsec);
    sx->stx_mtime.tv_sec = st.st_mtim.tv_sec;
    sx->stx_mtime.tv_nsec = static_cast<uint32_t>(st.st_mtim.tv_nsec);
    return true;
}

// The information of the entry named at find.path; sx is its statx record.
FileInfo EntryInfo(FindObject &find, const char *name, const struct statx &sx)
{
    XattrUse xattr;
    const dev_t dev = DeviceOf(sx);
    xattr.skip = find.noXattrKnown && find.noXattrDev == dev;
    FileInfo info = InfoOf(find.path, name, sx, &xattr);
    if (xattr.unsupported) {
        find.noXattrKnown = true;
        find.noXattrDev = dev;
    }
    return info;
}

// The next entry of the directory; null at its end or on an error.
const struct dirent64 *NextEntry(FindObject &find)
{
    if (find.entriesAt >= find.entriesLen) {
        if (find.atEnd)
            return nullptr;
        long n;
        do {
            n = ::syscall(SYS_getdents64, find.dirFd, find.entries, sizeof find.entries);
        } while (n < 0 && errno == EINTR);
        if (n <= 0) {
            find.atEnd = true;
            return nullptr;
        }
        find.entriesLen = static_cast<std::size_t>(n);
        find.entriesAt = 0;
    }
    const auto *e = reinterpret_cast<const struct dirent64 *>(find.entries + find.entriesAt);
    find.entriesAt += e->d_reclen;
    return e;
}

// Fills data with the next entry that matches; false at the end.
bool NextMatch(FindObject &find, LPWIN32_FIND_DATAA data)
{
    struct statx sx;
    while (find.dotsLeft > 0) {
        const char *name = find.dotsLeft == 2 ? "." : "..";
        --find.dotsLeft;
        if (!MatchesPattern(find.pattern, name))
            continue;
        if (!StatEntry(find.dirFd, name, 0, &sx))
            continue;
        // The attributes of the directory itself, or of its parent.
        if (!EntryPath(find, name))
            continue;
        Fill(data, name, EntryInfo(find, name, sx), false);
        return true;
    }
    for (;;) {
        const struct dirent64 *e = NextEntry(find);
        if (e == nullptr)
            return false;
        const char *name = e->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        if (!NameUsable(name) || !MatchesPattern(find.pattern, name))
            continue;
        if (!StatEntry(find.dirFd, name, AT_SYMLINK_NOFOLLOW, &sx))
            continue;  // gone since it was listed
        if (!EntryPath(find, name))
            continue;
        Fill(data, name, EntryInfo(find, name, sx), S_ISLNK(sx.stx_mode));
        return true;
    }
}

// Opens the directory that path's pattern stands in, as mapped so far, and
// notes it in find; -1 (errno set) when it cannot be opened.
int OpenListing(const MappedPath &path, FindObject *find, bool *root, std::size_t *dirEndOut)
{
    std::size_t dirEnd = path.lastStart;
    if (dirEnd > 0 && path.host[dirEnd - 1] == '/' && dirEnd - 1 >= 1)
        --dirEnd;
    *root = path.kind != RootKind::kRelative && dirEnd <= path.rootLen;
    if (dirEnd == 0) {
        std::memcpy(find->path, ".", 2);
        dirEnd = 1;
    } else {
        std::memcpy(find->path, path.host, dirEnd);
        find->path[dirEnd] = '\0';
    }
    *dirEndOut = dirEnd;
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (!*root && path.lastStart > 0)
        flags |= O_NOFOLLOW;
    int fd;
    do {
        fd = ::open(find->path, flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// 0 for a name a listing can give and a walk may enter: not empty, not a
// dot name (those lead out of the directory), no wildcard, short enough.
DWORD ListedNameError(const char *name, std::size_t n)
{
    const bool dots = (n == 1 || n == 2) && name[0] == '.' && name[n - 1] == '.';
    if (n == 0 || dots || std::memchr(name, '*', n) != nullptr ||
        std::memchr(name, '?', n) != nullptr)
        return ERROR_INVALID_NAME;
    return n >= MAX_PATH ? static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE) : 0;
}

// Why a directory to be listed could not be opened.
DWORD ListingOpenError(int err)
{
    return err == ELOOP || err == ENOTDIR || err == ENOENT ? static_cast<DWORD>(ERROR_PATH_NOT_FOUND)
                                                           : Win32FromErrno(err);
}

}  // namespace

HANDLE PosixBackend::FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData)
{
    if (lpFindFileData == nullptr)
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    auto config = CurrentRegistry();
    MappedPath path;
    if (DWORD err = MapPath(*config, lpFileName, kMapWildcards, &path))
        return Fail(err, INVALID_HANDLE_VALUE);
    // Streams are never listed, and neither are devices: a search never
    // hands out a device's name as an entry that a caller might delete.
    if (path.stream || path.device != Device::kNone)
        return Fail(StreamError(&path, false), INVALID_HANDLE_VALUE);

    // No name to look for ("C:\dir\", "C:\"): nothing can match.
    if (path.trailingSep || path.lastStart >= path.len) {
        Resolve(&path);
        return Fail(path.lookup == Lookup::kExists ? static_cast<DWORD>(ERROR_FILE_NOT_FOUND)
                                                   : MissingError(path),
                    INVALID_HANDLE_VALUE);
    }

    auto find = std::make_shared<FindObject>();
    const std::size_t patternLen = path.len - path.lastStart;
    if (patternLen >= sizeof find->pattern)
        return Fail(ERROR_FILENAME_EXCED_RANGE, INVALID_HANDLE_VALUE);
    std::memcpy(find->pattern, path.FinalName(), patternLen + 1);

    // The directory as spelled is the usual case; only where it cannot be
    // opened is it looked up (its case folded, the error told).
    bool root = false;
    std::size_t dirEnd = 0;
    int fd = path.rootEmpty ? -1 : OpenListing(path, find.get(), &root, &dirEnd);
    if (fd < 0) {
        Resolve(&path, false);
        if (path.lookup != Lookup::kExists)
            return Fail(MissingError(path), INVALID_HANDLE_VALUE);
        fd = OpenListing(path, find.get(), &root, &dirEnd);
    }
    if (fd < 0)
        return Fail(ListingOpenError(errno), INVALID_HANDLE_VALUE);
    find->dirFd = fd;
    if (find->path[dirEnd - 1] != '/')
        find->path[dirEnd++] = '/';
    find->path[dirEnd] = '\0';
    find->dirLen = dirEnd;
    find->dotsLeft = root ? 0 : 2;

    if (!NextMatch(*find, lpFindFileData))
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    return RegisterHandle(find);
}

int SearchDirectory(HANDLE hFindFile, std::shared_ptr<const HandleObject> *keep)
{
    auto find = LookupAs<FindObject>(hFindFile, HandleKind::kFind);
    if (!find)
        return -1;
    const int fd = find->dirFd;
    *keep = std::move(find);
    return fd;
}

DWORD SplitListedName(LPCSTR lpPath, const char **name)
{
    if (lpPath == nullptr)
        return ERROR_INVALID_PARAMETER;
    const char *last = lpPath;
    for (const char *p = lpPath; *p; p += crt::CharLength(p))
        if (*p == '\\' || *p == '/')
            last = p + 1;
    if (DWORD err = ListedNameError(last, std::strlen(last)))
        return err;
    *name = last;
    return 0;
}

HANDLE PosixBackend::FindFirstFileInA(HANDLE hFindFile, LPCSTR lpFileName,
                                      LPWIN32_FIND_DATAA lpFindFileData)
{
    if (lpFindFileData == nullptr || lpFileName == nullptr)
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    auto parent = LookupAs<FindObject>(hFindFile, HandleKind::kFind);
    if (!parent)
        return Fail(ERROR_INVALID_HANDLE, INVALID_HANDLE_VALUE);

    // "<directory>\\<subdirectory>\\<pattern>": the last two components.
    const char *pattern = lpFileName;
    const char *sub = nullptr;
    for (const char *p = lpFileName; *p; p += crt::CharLength(p)) {
        if (*p == '\\' || *p == '/') {
            sub = pattern;
            pattern = p + 1;
        }
    }
    if (sub == nullptr)
        return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
    const std::size_t subLen = static_cast<std::size_t>(pattern - 1 - sub);
    if (DWORD err = ListedNameError(sub, subLen))
        return Fail(err, INVALID_HANDLE_VALUE);
    char subName[MAX_PATH];
    std::memcpy(subName, sub, subLen);
    subName[subLen] = '\0';

    auto find = std::make_shared<FindObject>();
    const std::size_t patternLen = std::strlen(pattern);
    if (patternLen >= sizeof find->pattern)
        return Fail(ERROR_FILENAME_EXCED_RANGE, INVALID_HANDLE_VALUE);
    if (patternLen == 0)
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    std::memcpy(find->pattern, pattern, patternLen + 1);
    // The listing's directory, the subdirectory, '/' and room for a name.
    if (parent->dirLen + subLen + 1 + 1 > sizeof find->path)
        return Fail(ERROR_FILENAME_EXCED_RANGE, INVALID_HANDLE_VALUE);

    int fd;
    do {
        fd = ::openat(parent->dirFd, subName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return Fail(ListingOpenError(errno), INVALID_HANDLE_VALUE);
    find->dirFd = fd;
    std::memcpy(find->path, parent->path, parent->dirLen);
    std::memcpy(find->path + parent->dirLen, subName, subLen);
    find->dirLen = parent->dirLen + subLen;
    find->path[find->dirLen++] = '/';
    find->path[find->dirLen] = '\0';
    find->dotsLeft = 2;

    if (!NextMatch(*find, lpFindFileData))
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    return RegisterHandle(find);
}

BOOL PosixBackend::FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData)
{
    auto find = LookupAs<FindObject>(hFindFile, HandleKind::kFind);
    if (!find)
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (lpFindFileData == nullptr)
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (!NextMatch(*find, lpFindFileData))
        return Fail(ERROR_NO_MORE_FILES, FALSE);
    return TRUE;
}

BOOL PosixBackend::FindClose(HANDLE hFindFile)
{
    if (!UnregisterHandle(hFindFile, HandleKind::kFind))
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    return TRUE;
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik
