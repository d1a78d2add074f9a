#include "platform/posix/errors.h"

#include <cerrno>

namespace brenvik {
namespace platform {
namespace posix {

namespace {

struct ErrnoCodes {
    int err;
    DWORD win32;
    int wsa;
};

// One table for files and sockets alike. Zero in the sockets column means
// "no socket meaning": WsaFromErrno falls back to its default.
constexpr ErrnoCodes kTable[] = {
    {EPERM, ERROR_ACCESS_DENIED, WSAEACCES},
    {EACCES, ERROR_ACCESS_DENIED, WSAEACCES},
    {ENOENT, ERROR_FILE_NOT_FOUND, 0},
    {ENOTDIR, ERROR_PATH_NOT_FOUND, 0},
    {EISDIR, ERROR_ACCESS_DENIED, 0},
    {EEXIST, ERROR_ALREADY_EXISTS, 0},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY, 0},
    {ENOSPC, ERROR_DISK_FULL, WSAENOBUFS},
    {EDQUOT, kErrorDiskQuota, 0},
    {EFBIG, kErrorFileTooLarge, 0},
    {EROFS, ERROR_WRITE_PROTECT, 0},
    {EBUSY, ERROR_SHARING_VIOLATION, 0},
    {ETXTBSY, ERROR_SHARING_VIOLATION, 0},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE, 0},
    {ELOOP, ERROR_CANT_RESOLVE_FILENAME, 0},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES, WSAEMFILE},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES, WSAEMFILE},
    {EXDEV, ERROR_NOT_SAME_DEVICE, 0},
    {EMLINK, kErrorTooManyLinks, 0},
    {EBADF, ERROR_INVALID_HANDLE, WSAEBADF},
    {ENOTSOCK, ERROR_INVALID_HANDLE, WSAENOTSOCK},
    {EINVAL, ERROR_INVALID_PARAMETER, WSAEINVAL},
    {EFAULT, kErrorNoAccess, WSAEFAULT},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY, WSAENOBUFS},
    {ENOBUFS, ERROR_NOT_ENOUGH_MEMORY, WSAENOBUFS},
    {ESPIPE, ERROR_SEEK, 0},
    {EPIPE, ERROR_BROKEN_PIPE, kWsaeShutdown},
    {ENXIO, ERROR_NOT_READY, 0},
    {ENODEV, ERROR_NOT_READY, 0},
    {ENOMEDIUM, ERROR_NOT_READY, 0},
    {EIO, ERROR_GEN_FAILURE, 0},
    {ENOTSUP, ERROR_NOT_SUPPORTED, WSAEOPNOTSUPP},
    {ENOSYS, ERROR_CALL_NOT_IMPLEMENTED, WSAEOPNOTSUPP},
    {EAGAIN, ERROR_NOT_READY, WSAEWOULDBLOCK},
    {EINTR, ERROR_GEN_FAILURE, WSAEINTR},
    {ETIMEDOUT, ERROR_GEN_FAILURE, WSAETIMEDOUT},
    {EMSGSIZE, ERROR_INVALID_PARAMETER, WSAEMSGSIZE},
    {EPROTOTYPE, ERROR_INVALID_PARAMETER, WSAEPROTOTYPE},
    {ENOPROTOOPT, ERROR_INVALID_PARAMETER, WSAENOPROTOOPT},
    {EPROTONOSUPPORT, ERROR_NOT_SUPPORTED, WSAEPROTONOSUPPORT},
    {ESOCKTNOSUPPORT, ERROR_NOT_SUPPORTED, WSAESOCKTNOSUPPORT},
    {EAFNOSUPPORT, ERROR_NOT_SUPPORTED, WSAEAFNOSUPPORT},
    {EADDRNOTAVAIL, ERROR_INVALID_PARAMETER, WSAEADDRNOTAVAIL},
    {EADDRINUSE, ERROR_INVALID_PARAMETER, kWsaeAddrInUse},
    {ENETDOWN, ERROR_GEN_FAILURE, WSAENETDOWN},
    {ENETUNREACH, ERROR_GEN_FAILURE, WSAENETUNREACH},
    {EHOSTUNREACH, ERROR_GEN_FAILURE, WSAEHOSTUNREACH},
    {ECONNREFUSED, ERROR_GEN_FAILURE, WSAECONNREFUSED},
    {ECONNRESET, ERROR_GEN_FAILURE, kWsaeConnReset},
    {ECONNABORTED, ERROR_GEN_FAILURE, kWsaeConnAborted},
    {ENOTCONN, ERROR_GEN_FAILURE, kWsaeNotConn},
    {EISCONN, ERROR_GEN_FAILURE, kWsaeIsConn},
    {EDESTADDRREQ, ERROR_INVALID_PARAMETER, kWsaeDestAddrReq},
    {EINPROGRESS, ERROR_GEN_FAILURE, kWsaeInProgress},
};

const ErrnoCodes *Find(int err)
{
    for (const auto &entry : kTable)
        if (entry.err == err)
            return &entry;
    return nullptr;
}

}  // namespace

DWORD Win32FromErrno(int err)
{
    const ErrnoCodes *entry = Find(err);
    // What Windows reports for a failure it has no better code for.
    return entry ? entry->win32 : static_cast<DWORD>(ERROR_GEN_FAILURE);
}

int WsaFromErrno(int err)
{
    const ErrnoCodes *entry = Find(err);
    return entry && entry->wsa != 0 ? entry->wsa : WSAEINVAL;
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik
