// Files and directories by path, and the file handles of CreateFileA.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/dos_attr.h"
#include "platform/posix/errors.h"
#include "platform/posix/handles.h"
#include "platform/posix/path_map.h"
#include "platform/posix/posix_backend.h"
#include "platform/posix/registry_store.h"
#include "platform/posix/share_lock.h"

namespace brenvik {
namespace platform {
namespace posix {

namespace {

// Specific access rights that CreateFileA also accepts.
constexpr DWORD kFileReadData = 0x0001;
constexpr DWORD kFileWriteData = 0x0002;
constexpr DWORD kFileAppendData = 0x0004;
constexpr DWORD kFileExecute = 0x0020;

// CreateDirectoryA refuses longer names: room must stay for an 8.3 name.
constexpr std::size_t kMaxDirectoryPath = MAX_PATH - 12;

unsigned AccessKinds(DWORD access)
{
    unsigned kinds = 0;
    if (access & (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL | kFileReadData | kFileExecute))
        kinds |= kShareRead;
    if (access & (GENERIC_WRITE | GENERIC_ALL | kFileWriteData | kFileAppendData))
        kinds |= kShareWrite;
    if (access & (DELETE | GENERIC_ALL))
        kinds |= kShareDelete;
    return kinds;
}

class FileObject : public HandleObject {
public:
    FileObject() : HandleObject(HandleKind::kFile) {}
    ~FileObject() override
    {
        if (fd >= 0)
            ::close(fd);
    }

    int fd = -1;
    unsigned access = 0;  // ShareKind bits
    bool isDirectory = false;
    bool deleteOnClose = false;
    std::string hostPath;  // for delete-on-close
    dev_t dev = 0;
    ino_t ino = 0;
};

std::shared_ptr<FileObject> LookupFile(HANDLE h)
{
    return LookupAs<FileObject>(h, HandleKind::kFile);
}

bool FollowStat(const char *host, struct stat *st)
{
    return ::stat(host, st) == 0;
}

int OpenRetry(const char *path, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC | O_NOCTTY, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Removes what delete-on-close names, unless the name now stands for
// another file.
void DeleteOnClose(const FileObject &file)
{
    struct stat st;
    if (::lstat(file.hostPath.c_str(), &st) != 0 || st.st_dev != file.dev ||
        st.st_ino != file.ino)
        return;
    if (file.isDirectory)
        ::rmdir(file.hostPath.c_str());
    else
        ::unlink(file.hostPath.c_str());
}

// The attributes CreateFileA gives a file it creates or overwrites; the
// xattr is written only where a bit beyond the default archive bit asks
// for it, or where the file already keeps one.
void ApplyCreateAttributes(int fd, const char *host, DWORD requested, bool replaceExisting)
{
    const DWORD bits = (requested & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) |
                       FILE_ATTRIBUTE_ARCHIVE;
    DWORD current = 0;
    const bool hasXattr = replaceExisting && ReadDosXattr(host, &current, true);
    if (bits != FILE_ATTRIBUTE_ARCHIVE || hasXattr)
        WriteDosXattr(host, bits);  // where the host keeps none, only read-only works
    if (replaceExisting && (requested & FILE_ATTRIBUTE_READONLY)) {
        struct stat st;
        if (::fstat(fd, &st) == 0)
            ::fchmod(fd, st.st_mode & ~static_cast<mode_t>(0222) & 07777);
    }
}

bool CopyFileAcross(const char *from, const char *to, const struct stat &st)
{
    int in = OpenRetry(from, O_RDONLY);
    if (in < 0)
        return false;
    int out = OpenRetry(to, O_WRONLY | O_CREAT | O_EXCL, st.st_mode & 07777);
    if (out < 0) {
        int saved = errno;
        ::close(in);
        errno = saved;
        return false;
    }
    std::vector<char> buffer(std::size_t{64} * 1024);
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0) {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok)
            break;
    }
    int saved = errno;
    if (ok) {
        DWORD bits;
        if (ReadDosXattr(from, &bits, true))
            WriteDosXattr(to, bits);
        struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        ::unlink(to);
        errno = saved;
    }
    return ok;
}

// True when the entry at host is held open by someone who does not share
// deletion.
bool DeletionDenied(const char *host)
{
    int fd = OpenForProbe(host);
    if (fd < 0)
        return false;
    bool denied = OtherOpenerDenies(fd, kShareDelete);
    ::close(fd);
    return denied;
}

// An entry opened for a removal's checks without following a link in its
// final name: the descriptor gives type and mode and carries the share
// probe, all from one open.
struct RemovalProbe {
    RemovalProbe() = default;
    ~RemovalProbe()
    {
        if (fd >= 0)
            ::close(fd);
    }
    RemovalProbe(const RemovalProbe &) = delete;
    RemovalProbe &operator=(const RemovalProbe &) = delete;

    // True when name (relative to dirFd) is open and st holds its status.
    bool Open(int dirFd, const char *name, int flags)
    {
        do {
            fd = ::openat(dirFd, name,
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | flags);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return false;
        if (::fstat(fd, &st) == 0)
            return true;
        ::close(fd);
        fd = -1;
        return false;
    }

    int fd = -1;
    struct stat st = {};
};

// The entry a mapped path names exactly: fd is -1 where it cannot be opened
// (missing, a link, another case of the name, no read permission, a root,
// a name written with a trailing separator), and the caller then looks the
// path up the slow way. On success path.lookup says the entry exists.
struct Probe : RemovalProbe {
    Probe(MappedPath &path, int flags)
    {
        if (path.rootEmpty || path.isRoot || path.trailingSep || path.lastStart >= path.len)
            return;
        if (Open(AT_FDCWD, path.c_str(), flags)) {
            path.lookup = Lookup::kExists;
            path.st = st;
        }
    }
};

// For a name the one-open probe could not take: the error that refuses its
// removal before its type is looked at (missing, or a drive's root), else 0.
DWORD ResolveForRemoval(MappedPath *path)
{
    Resolve(path);
    if (path->lookup != Lookup::kExists)
        return MissingError(*path);
    return path->isRoot ? ERROR_ACCESS_DENIED : 0;
}

// What Windows reports for a device: an archive, no directory.
constexpr DWORD kDeviceAttributes = FILE_ATTRIBUTE_ARCHIVE;

// Opens a device. NUL is the host's null device, which every process may
// share; the other devices have no counterpart here, as a serial port that
// is not fitted.
HANDLE OpenDevice(Device device, unsigned kinds)
{
    if (device != Device::kNul)
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    auto file = std::make_shared<FileObject>();
    file->access = kinds;
    file->fd = OpenRetry("/dev/null", (kinds & kShareWrite) ? O_RDWR : O_RDONLY);
    if (file->fd < 0)
        return Fail(Win32FromErrno(errno), INVALID_HANDLE_VALUE);
    HANDLE handle = RegisterHandle(file);
    SetThreadLastError(0);
    return handle;
}

}  // namespace

HANDLE PosixBackend::CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                 LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition,
                                 DWORD dwFlagsAndAttributes, HANDLE)
{
    if (dwShareMode & ~static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING)
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    // Windows adds delete access itself for delete-on-close.
    if (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE)
        dwDesiredAccess |= DELETE;
    const unsigned kinds = AccessKinds(dwDesiredAccess);
    const bool wantsWrite = (kinds & kShareWrite) != 0;
    if (dwCreationDisposition == TRUNCATE_EXISTING && !wantsWrite)
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);

    auto config = CurrentRegistry();
    MappedPath path;
    if (DWORD err = MapPath(*config, lpFileName, kMapDefault, &path))
        return Fail(err, INVALID_HANDLE_VALUE);
    const bool opensOnly =
        dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING;
    if (path.stream)
        return Fail(StreamError(&path, !opensOnly), INVALID_HANDLE_VALUE);
    if (path.device != Device::kNone)
        return OpenDevice(path.device, kinds);
    Resolve(&path);
    if (path.lookup != Lookup::kExists && path.lookup != Lookup::kMissingFinal)
        return Fail(MissingError(path), INVALID_HANDLE_VALUE);
    const char *host = path.c_str();
    const bool exists = path.lookup == Lookup::kExists;

    auto file = std::make_shared<FileObject>();
    file->access = kinds;
    file->deleteOnClose = (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0;
    bool truncate = false;

    if (exists) {
        struct stat target;
        if (!FollowStat(host, &target)) {
            // A link that leads nowhere: the name is taken, its file is not there.
            return Fail(dwCreationDisposition == CREATE_NEW ? ERROR_FILE_EXISTS
                                                            : ERROR_FILE_NOT_FOUND,
                        INVALID_HANDLE_VALUE);
        }
        if (S_ISDIR(target.st_mode)) {
            if (!(dwFlagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS))
                return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
            if (dwCreationDisposition == CREATE_NEW)
                return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
            if (dwCreationDisposition == CREATE_ALWAYS ||
                dwCreationDisposition == TRUNCATE_EXISTING || wantsWrite)
                return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
            file->isDirectory = true;
            file->fd = OpenRetry(host, O_RDONLY | O_DIRECTORY);
        } else {
            if (path.trailingSep)
                return Fail(ERROR_INVALID_NAME, INVALID_HANDLE_VALUE);
            if (dwCreationDisposition == CREATE_NEW)
                return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
            truncate = dwCreationDisposition == CREATE_ALWAYS ||
                       dwCreationDisposition == TRUNCATE_EXISTING;
            // Windows keeps read-only files from being changed or deleted,
            // whoever asks; the host would let its superuser.
            if (IsReadOnlyMode(target.st_mode) &&
                (wantsWrite || truncate || file->deleteOnClose))
                return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
            if (dwCreationDisposition == CREATE_ALWAYS) {
                // Overwriting a hidden or system file must say so.
                DWORD bits = 0;
                if (ReadDosXattr(host, &bits, true)) {
                    DWORD keep = bits & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
                    if ((keep & dwFlagsAndAttributes) != keep)
                        return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
                }
            }
            int flags = wantsWrite || truncate ? O_RDWR : O_RDONLY;
            file->fd = OpenRetry(host, flags | O_NONBLOCK);
            if (file->fd < 0 && errno == EACCES && flags == O_RDWR)
                file->fd = OpenRetry(host, O_WRONLY | O_NONBLOCK);
            else if (file->fd < 0 && errno == EACCES && !(kinds & kShareRead) && !wantsWrite)
                file->fd = OpenRetry(host, O_PATH);
            if (file->fd >= 0) {
                // Blocking reads from here on; the flag only kept a FIFO from
                // stalling the open.
                int fl = ::fcntl(file->fd, F_GETFL);
                if (fl >= 0 && (fl & O_NONBLOCK))
                    ::fcntl(file->fd, F_SETFL, fl & ~O_NONBLOCK);
            }
        }
        if (file->fd < 0)
            return Fail(ErrorForPath(path, errno), INVALID_HANDLE_VALUE);
    } else {
        if (dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING)
            return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
        if (path.trailingSep || path.isRoot)
            return Fail(ERROR_INVALID_NAME, INVALID_HANDLE_VALUE);
        const mode_t mode = (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
        file->fd = OpenRetry(host, (wantsWrite ? O_RDWR : O_RDONLY) | O_CREAT | O_EXCL, mode);
        if (file->fd < 0) {
            DWORD code = errno == EEXIST ? static_cast<DWORD>(ERROR_FILE_EXISTS)
                                         : ErrorForPath(path, errno);
            return Fail(code, INVALID_HANDLE_VALUE);
        }
        ApplyCreateAttributes(file->fd, host, dwFlagsAndAttributes, false);
    }

    if (DWORD err = AcquireShare(file->fd, kinds, dwShareMode)) {
        if (!exists)
            ::unlink(host);
        return Fail(err, INVALID_HANDLE_VALUE);
    }
    if (truncate) {
        if (::ftruncate(file->fd, 0) != 0)
            return Fail(Win32FromErrno(errno), INVALID_HANDLE_VALUE);
        if (dwCreationDisposition == CREATE_ALWAYS)
            ApplyCreateAttributes(file->fd, host, dwFlagsAndAttributes, true);
    }
    struct stat st;
    if (::fstat(file->fd, &st) == 0) {
        file->dev = st.st_dev;
        file->ino = st.st_ino;
    }
    if (file->deleteOnClose)
        file->hostPath = host;

    HANDLE handle = RegisterHandle(file);
    const bool reused = exists && (dwCreationDisposition == OPEN_ALWAYS ||
                                   dwCreationDisposition == CREATE_ALWAYS);
    SetThreadLastError(reused ? static_cast<DWORD>(ERROR_ALREADY_EXISTS) : 0);
    return handle;
}

BOOL PosixBackend::CloseHandle(HANDLE hObject)
{
    // The same value is the current process's pseudo-handle, and closing a
    // pseudo-handle succeeds without doing anything.
    if (hObject == INVALID_HANDLE_VALUE)
        return TRUE;
    std::shared_ptr<HandleObject> object = UnregisterHandle(hObject, HandleKind::kFile);
    if (!object)
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    auto *file = static_cast<FileObject *>(object.get());
    if (file->deleteOnClose)
        DeleteOnClose(*file);
    return TRUE;
}

BOOL PosixBackend::ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                            LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped)
{
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = 0;
    auto file = LookupFile(hFile);
    if (!file)
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (lpOverlapped != nullptr)
        return Fail(ERROR_INVALID_PARAMETER, FALSE);  // handles here are never overlapped
    if (file->isDirectory)
        return Fail(ERROR_INVALID_FUNCTION, FALSE);
    if (!(file->access & kShareRead))
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (lpBuffer == nullptr && nNumberOfBytesToRead > 0)
        return Fail(kErrorNoAccess, FALSE);
    char *out = static_cast<char *>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToRead) {
        ssize_t n = ::read(file->fd, out + done, nNumberOfBytesToRead - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (lpNumberOfBytesRead)
                *lpNumberOfBytesRead = done;
            return Fail(Win32FromErrno(errno), FALSE);
        }
        if (n == 0)
            break;  // end of file: success with what was read
        done += static_cast<DWORD>(n);
    }
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = done;
    return TRUE;
}

BOOL PosixBackend::WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                             LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped)
{
    if (lpNumberOfBytesWritten)
        *lpNumberOfBytesWritten = 0;
    auto file = LookupFile(hFile);
    if (!file)
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (lpOverlapped != nullptr)
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (file->isDirectory)
        return Fail(ERROR_INVALID_FUNCTION, FALSE);
    if (!(file->access & kShareWrite))
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (lpBuffer == nullptr && nNumberOfBytesToWrite > 0)
        return Fail(kErrorNoAccess, FALSE);
    const char *in = static_cast<const char *>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToWrite) {
        ssize_t n = ::write(file->fd, in + done, nNumberOfBytesToWrite - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (lpNumberOfBytesWritten)
                *lpNumberOfBytesWritten = done;
            return Fail(Win32FromErrno(errno), FALSE);
        }
        done += static_cast<DWORD>(n);
    }
    if (lpNumberOfBytesWritten)
        *lpNumberOfBytesWritten = done;
    return TRUE;
}

DWORD PosixBackend::SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                   DWORD dwMoveMethod)
{
    auto file = LookupFile(hFile);
    if (!file)
        return Fail(ERROR_INVALID_HANDLE, INVALID_SET_FILE_POINTER);
    if (dwMoveMethod > FILE_END)
        return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    int64_t distance;
    if (lpDistanceToMoveHigh) {
        distance = static_cast<int64_t>((static_cast<uint64_t>(
                                             static_cast<uint32_t>(*lpDistanceToMoveHigh))
                                         << 32) |
                                        static_cast<uint32_t>(lDistanceToMove));
    } else {
        distance = lDistanceToMove;  // sign-extended, as Windows takes it
    }
    int64_t base = 0;
    if (dwMoveMethod == FILE_CURRENT) {
        off_t cur = ::lseek(file->fd, 0, SEEK_CUR);
        if (cur < 0)
            return Fail(Win32FromErrno(errno), INVALID_SET_FILE_POINTER);
        base = cur;
    } else if (dwMoveMethod == FILE_END) {
        struct stat st;
        if (::fstat(file->fd, &st) != 0)
            return Fail(Win32FromErrno(errno), INVALID_SET_FILE_POINTER);
        base = st.st_size;
    }
    if ((distance < 0 && base < -distance) ||
        (distance > 0 && base > INT64_MAX - distance))
        return Fail(kErrorNegativeSeek, INVALID_SET_FILE_POINTER);
    const int64_t target = base + distance;
    // Without a high part the position must fit the 32 bits returned.
    if (!lpDistanceToMoveHigh && target > 0xFFFFFFFFLL)
        return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    if (::lseek(file->fd, static_cast<off_t>(target), SEEK_SET) < 0)
        return Fail(Win32FromErrno(errno), INVALID_SET_FILE_POINTER);
    const DWORD low = static_cast<DWORD>(static_cast<uint64_t>(target) & 0xFFFFFFFFu);
    if (lpDistanceToMoveHigh)
        *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(target) >> 32);
    // A position whose low part reads as the failure value: say it is not.
    if (low == INVALID_SET_FILE_POINTER)
        SetThreadLastError(NO_ERROR);
    return low;
}

DWORD PosixBackend::GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh)
{
    auto file = LookupFile(hFile);
    if (!file)
        return Fail(ERROR_INVALID_HANDLE, INVALID_FILE_SIZE);
    struct stat st;
    if (::fstat(file->fd, &st) != 0)
        return Fail(Win32FromErrno(errno), INVALID_FILE_SIZE);
    const uint64_t size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    if (lpFileSizeHigh)
        *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    const DWORD low = static_cast<DWORD>(size & 0xFFFFFFFFu);
    if (low == INVALID_FILE_SIZE)
        SetThreadLastError(NO_ERROR);
    return low;
}

BOOL PosixBackend::DeleteFileA(LPCSTR lpFileName)
{
    auto config = CurrentRegistry();
    MappedPath path;
    if (DWORD err = MapPath(*config, lpFileName, kMapDefault, &path))
        return Fail(err, FALSE);
    if (path.stream)
        return Fail(StreamError(&path, false), FALSE);
    if (path.device != Device::kNone)
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    // The usual case, a file named as it is spelled, in one open: its
    // descriptor gives the type and mode and carries the share probe.
    if (Probe probe(path, 0); probe.fd >= 0) {
        if (S_ISDIR(probe.st.st_mode) || IsReadOnlyMode(probe.st.st_mode))
            return Fail(ERROR_ACCESS_DENIED, FALSE);
        if (OtherOpenerDenies(probe.fd, kShareDelete))
            return Fail(ERROR_SHARING_VIOLATION, FALSE);
        if (::unlink(path.c_str()) != 0)
            return Fail(ErrorForPath(path, errno), FALSE);
        return TRUE;
    }
    if (DWORD err = ResolveForRemoval(&path))
        return Fail(err, FALSE);
    const char *host = path.c_str();
    if (S_ISLNK(path.st.st_mode)) {
        // A link to a directory is a directory to Windows.
        struct stat target;
        if (FollowStat(host, &target) && S_ISDIR(target.st_mode))
            return Fail(ERROR_ACCESS_DENIED, FALSE);
    } else {
        if (S_ISDIR(path.st.st_mode))
            return Fail(ERROR_ACCESS_DENIED, FALSE);
        if (path.trailingSep)
            return Fail(ERROR_INVALID_NAME, FALSE);
        if (IsReadOnlyMode(path.st.st_mode))
            return Fail(ERROR_ACCESS_DENIED, FALSE);
        if (DeletionDenied(host))
            return Fail(ERROR_SHARING_VIOLATION, FALSE);
    }
    if (::unlink(host) != 0)
        return Fail(ErrorForPath(path, errno), FALSE);
    return TRUE;
}

BOOL PosixBackend::MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName)
{
    auto config = CurrentRegistry();
    MappedPath from;
    if (DWORD err = MapPath(*config, lpExistingFileName, kMapDefault, &from))
        return Fail(err, FALSE);
    MappedPath to;
    if (DWORD err = MapPath(*config, lpNewFileName, kMapDefault, &to))
        return Fail(err, FALSE);
    if (from.stream)
        return Fail(StreamError(&from, false), FALSE);
    if (from.device != Device::kNone || to.device != Device::kNone)
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (to.stream)
        return Fail(StreamError(&to, true), FALSE);
    // A new name written as a directory ("f2.txt\") is no name for a file;
    // the existing entry must be a directory for it.
    Resolve(&from);
    if (from.lookup != Lookup::kExists)
        return Fail(MissingError(from), FALSE);
    if (from.isRoot || to.isRoot)
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (to.trailingSep && !S_ISDIR(from.st.st_mode))
        return Fail(ERROR_DIRECTORY, FALSE);

    // The name asked for, before the lookup folds it to an existing spelling.
    char wanted[256];
    std::size_t wantedLen = to.len - to.lastStart;
    if (wantedLen >= sizeof wanted)
        return Fail(ERROR_INVALID_NAME, FALSE);
    std::memcpy(wanted, to.FinalName(), wantedLen + 1);
    Resolve(&to);
    if (to.lookup == Lookup::kExists) {
        // Only the entry itself under another case of its name may be the target.
        const bool sameEntry = to.st.st_dev == from.st.st_dev && to.st.st_ino == from.st.st_ino &&
                               to.lastStart == from.lastStart &&
                               std::strncmp(to.host, from.host, from.lastStart) == 0;
        if (!sameEntry)
            return Fail(ERROR_ALREADY_EXISTS, FALSE);
        std::memcpy(to.host + to.lastStart, wanted, wantedLen + 1);
        if (std::strcmp(to.host, from.host) == 0)
            return TRUE;
        if (::rename(from.host, to.host) != 0)
            return Fail(Win32FromErrno(errno), FALSE);
        return TRUE;
    }
    if (to.lookup != Lookup::kMissingFinal)
        return Fail(MissingError(to), FALSE);
    if (!S_ISLNK(from.st.st_mode) && DeletionDenied(from.host))
        return Fail(ERROR_SHARING_VIOLATION, FALSE);

    if (::renameat2(AT_FDCWD, from.host, AT_FDCWD, to.host, RENAME_NOREPLACE) == 0)
        return TRUE;
    int err = errno;
    if (err == EINVAL || err == ENOSYS) {
        // No atomic no-replace here; the target was missing a moment ago.
        if (::rename(from.host, to.host) == 0)
            return TRUE;
        err = errno;
        if (err == EINVAL)  // a directory into its own subtree
            return Fail(ERROR_SHARING_VIOLATION, FALSE);
    }
    if (err == EEXIST)
        return Fail(ERROR_ALREADY_EXISTS, FALSE);
    if (err == EXDEV) {
        // Files move across volumes by copying, directories do not.
        if (!S_ISREG(from.st.st_mode))
            return Fail(ERROR_NOT_SAME_DEVICE, FALSE);
        if (!CopyFileAcross(from.host, to.host, from.st))
            return Fail(ErrorForPath(to, errno), FALSE);
        if (::unlink(from.host) != 0)
            return Fail(Win32FromErrno(errno), FALSE);
        return TRUE;
    }
    return Fail(ErrorForPath(to, err), FALSE);
}

DWORD PosixBackend::GetFileAttributesA(LPCSTR lpFileName)
{
    auto config = CurrentRegistry();
    MappedPath path;
    if (DWORD err = MapPath(*config, lpFileName, kMapDefault, &path))
        return Fail(err, INVALID_FILE_ATTRIBUTES);
    if (path.stream)
        return Fail(StreamError(&path, false), INVALID_FILE_ATTRIBUTES);
    if (path.device != Device::kNone)
        return kDeviceAttributes;
    Resolve(&path);
    if (path.lookup != Lookup::kExists)
        return Fail(MissingError(path), INVALID_FILE_ATTRIBUTES);
    DWORD attrs = AttributesOf(path.c_str(), path.FinalName(), path.st);
    if (path.trailingSep && !(attrs & FILE_ATTRIBUTE_DIRECTORY))
        return Fail(ERROR_INVALID_NAME, INVALID_FILE_ATTRIBUTES);
    return attrs;
}

BOOL PosixBackend::GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId,
                                        LPVOID lpFileInformation)
{
    if (fInfoLevelId != GetFileExInfoStandard)
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (lpFileInformation == nullptr)
        return Fail(kErrorNoAccess, FALSE);
    auto config = CurrentRegistry();
    MappedPath path;
    if (DWORD err = MapPath(*config, lpFileName, kMapDefault, &path))
        return Fail(err, FALSE);
    if (path.stream)
        return Fail(StreamError(&path, false), FALSE);
    // A device has no times and no size.
    FileInfo info{};
    struct statx sx;
    // The entry as spelled answers in one call; only where it does not is
    // the path looked up (case folded, the error told).
    if (path.device != Device::kNone) {
        info.attributes = kDeviceAttributes;
    } else if (!path.rootEmpty && path.lastStart < path.len &&
               ::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                       STATX_BASIC_STATS | STATX_BTIME, &sx) == 0) {
        info = InfoOf(path.c_str(), path.FinalName(), sx, nullptr);
    } else {
        Resolve(&path);
        if (path.lookup != Lookup::kExists)
            return Fail(MissingError(path), FALSE);
        info = InfoOf(path.c_str(), path.FinalName(), path.st);
    }
    if (path.trailingSep && !(info.attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Fail(ERROR_INVALID_NAME, FALSE);
    auto *data = static_cast<WIN32_FILE_ATTRIBUTE_DATA *>(lpFileInformation);
    data->dwFileAttributes = info.attributes;
    data->ftCreationTime = info.creation;
    data->ftLastAccessTime = info.lastAccess;
    data->ftLastWriteTime = info.lastWrite;
    data->nFileSizeHigh = info.sizeHigh;
    data->nFileSizeLow = info.sizeLow;
    return TRUE;
}

BOOL PosixBackend::SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes)
{
    auto config = CurrentRegistry();
    MappedPath path;
    if (DWORD err = MapPath(*config, lpFileName, kMapDefault, &path))
        return Fail(err, FALSE);
    if (path.stream)
        return Fail(StreamError(&path, false), FALSE);
    if (path.device != Device::kNone)
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    Resolve(&path);
    if (path.lookup != Lookup::kExists)
        return Fail(MissingError(path), FALSE);
    const char *host = path.c_str();
    // Like Windows, the attributes of what a link leads to are set.
    struct stat target;
    if (!FollowStat(host, &target))
        return Fail(ERROR_FILE_NOT_FOUND, FALSE);

    const bool wantReadOnly = (dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (wantReadOnly != IsReadOnlyMode(target.st_mode)) {
        // Read-only takes every write permission away; writable gives the
        // owner's back.
        mode_t mode = target.st_mode & 07777;
        mode = wantReadOnly ? (mode & ~static_cast<mode_t>(0222)) : (mode | S_IWUSR);
        if (::chmod(host, mode) != 0)
            return Fail(ErrorForPath(path, errno), FALSE);
    }

    const DWORD wanted = dwFileAttributes & kXattrBits;
    DWORD current = 0;
    const bool hasXattr = ReadDosXattr(host, &current, true);
    const DWORD implicit = S_ISDIR(target.st_mode) ? 0 : FILE_ATTRIBUTE_ARCHIVE;
    const DWORD now = hasXattr ? (current & kXattrBits) : implicit;
    if (wanted != now) {
        int err = WriteDosXattr(host, wanted);
        // Where the host keeps no attributes only read-only can be set.
        if (err != 0 && err != ENOTSUP)
            return Fail(ErrorForPath(path, err), FALSE);
    }
    return TRUE;
}

BOOL PosixBackend::CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES)
{
    if (lpPathName != nullptr && std::strlen(lpPathName) > kMaxDirectoryPath)
        return Fail(ERROR_FILENAME_EXCED_RANGE, FALSE);
    auto config = CurrentRegistry();
    MappedPath path;
    if (DWORD err = MapPath(*config, lpPathName, kMapDefault, &path))
        return Fail(err, FALSE);
    if (path.stream)
        return Fail(StreamError(&path, true), FALSE);
    if (path.device != Device::kNone)
        return Fail(ERROR_ALREADY_EXISTS, FALSE);
    Resolve(&path);
    if (path.lookup == Lookup::kExists)
        return Fail(ERROR_ALREADY_EXISTS, FALSE);
    if (path.lookup != Lookup::kMissingFinal)
        return Fail(MissingError(path), FALSE);
    if (::mkdir(path.c_str(), 0777) != 0)
        return Fail(ErrorForPath(path, errno), FALSE);
    return TRUE;
}

BOOL PosixBackend::RemoveDirectoryA(LPCSTR lpPathName)
{
    auto config = CurrentRegistry();
    MappedPath path;
    if (DWORD err = MapPath(*config, lpPathName, kMapDefault, &path))
        return Fail(err, FALSE);
    if (path.stream)
        return Fail(StreamError(&path, false), FALSE);
    if (path.device != Device::kNone)
        return Fail(ERROR_DIRECTORY, FALSE);
    Probe probe(path, O_DIRECTORY);
    if (probe.fd < 0) {
        if (DWORD err = ResolveForRemoval(&path))
            return Fail(err, FALSE);
        const char *host = path.c_str();
        if (S_ISLNK(path.st.st_mode)) {
            // A link to a directory goes; what it leads to stays.
            struct stat target;
            if (!FollowStat(host, &target) || !S_ISDIR(target.st_mode))
                return Fail(ERROR_DIRECTORY, FALSE);
            if (::unlink(host) != 0)
                return Fail(ErrorForPath(path, errno), FALSE);
            return TRUE;
        }
        if (!S_ISDIR(path.st.st_mode))
            return Fail(ERROR_DIRECTORY, FALSE);
        if (IsReadOnlyMode(path.st.st_mode))
            return Fail(ERROR_ACCESS_DENIED, FALSE);
        if (DeletionDenied(host))
            return Fail(ERROR_SHARING_VIOLATION, FALSE);
    } else {
        // The directory as spelled, opened once for its mode and its probe.
        if (IsReadOnlyMode(probe.st.st_mode))
            return Fail(ERROR_ACCESS_DENIED, FALSE);
        if (OtherOpenerDenies(probe.fd, kShareDelete))
            return Fail(ERROR_SHARING_VIOLATION, FALSE);
    }
    if (::rmdir(path.c_str()) != 0) {
        int err = errno;
        if (err == ENOTEMPTY || err == EEXIST)
            return Fail(ERROR_DIR_NOT_EMPTY, FALSE);
        return Fail(ErrorForPath(path, err), FALSE);
    }
    return TRUE;
}

namespace {

// An entry of a search's directory, opened there: where it cannot be (a
// link, missing, no read permission), st holds what fstatat saw of the name
// itself, or err the reason it saw nothing.
struct ListedEntry : RemovalProbe {
    ListedEntry(int dirFd, const char *name, int flags)
    {
        if (!Open(dirFd, name, flags) && ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            err = errno;
    }

    int err = 0;
};

bool LinkLeadsToDirectory(int dirFd, const char *name)
{
    struct stat target;
    return ::fstatat(dirFd, name, &target, 0) == 0 && S_ISDIR(target.st_mode);
}

// What DeleteFileA and RemoveDirectoryA refuse before removing, for an
// entry that is no link: 0 when the removal may go ahead.
DWORD RemovalRefused(const ListedEntry &entry, bool directory)
{
    if (S_ISDIR(entry.st.st_mode) != directory)
        return directory ? ERROR_DIRECTORY : ERROR_ACCESS_DENIED;
    if (IsReadOnlyMode(entry.st.st_mode))
        return ERROR_ACCESS_DENIED;
    // An entry that could not be opened to read holds no share locks: an
    // opener that cannot read it does not take part.
    if (entry.fd >= 0 && OtherOpenerDenies(entry.fd, kShareDelete))
        return ERROR_SHARING_VIOLATION;
    return 0;
}

// DeleteFileInA (directory false) and RemoveDirectoryInA (true).
BOOL RemoveListed(HANDLE hFindFile, LPCSTR lpPath, bool directory)
{
    std::shared_ptr<const HandleObject> keep;
    const int dirFd = SearchDirectory(hFindFile, &keep);
    if (dirFd < 0)
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    const char *name = nullptr;
    if (DWORD err = SplitListedName(lpPath, &name))
        return Fail(err, FALSE);
    ListedEntry entry(dirFd, name, directory ? O_DIRECTORY : 0);
    if (entry.err != 0)
        return Fail(Win32FromErrno(entry.err), FALSE);
    int flags = 0;
    if (S_ISLNK(entry.st.st_mode)) {
        // A link to a directory is a directory to Windows: removing the
        // directory takes the link away (what it leads to stays), deleting
        // the file is refused.
        if (LinkLeadsToDirectory(dirFd, name) != directory)
            return Fail(directory ? ERROR_DIRECTORY : ERROR_ACCESS_DENIED, FALSE);
    } else {
        if (DWORD err = RemovalRefused(entry, directory))
            return Fail(err, FALSE);
        flags = directory ? AT_REMOVEDIR : 0;
    }
    if (::unlinkat(dirFd, name, flags) != 0) {
        const int err = errno;
        if (directory && (err == ENOTEMPTY || err == EEXIST))
            return Fail(ERROR_DIR_NOT_EMPTY, FALSE);
        return Fail(Win32FromErrno(err), FALSE);
    }
    return TRUE;
}

}  // namespace

BOOL PosixBackend::DeleteFileInA(HANDLE hFindFile, LPCSTR lpFileName)
{
    return RemoveListed(hFindFile, lpFileName, false);
}

BOOL PosixBackend::RemoveDirectoryInA(HANDLE hFindFile, LPCSTR lpPathName)
{
    return RemoveListed(hFindFile, lpPathName, true);
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik
