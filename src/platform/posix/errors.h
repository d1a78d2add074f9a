// Host errno values as the Win32 and Windows Sockets codes a Windows program
// would see for the same failure.
#ifndef BRENVIK_PLATFORM_POSIX_ERRORS_H
#define BRENVIK_PLATFORM_POSIX_ERRORS_H

#include "platform/last_error.h"
#include "platform/win32_types.h"

namespace brenvik {
namespace platform {
namespace posix {

// Codes Windows uses that the shared vocabulary does not name.
constexpr DWORD kErrorNegativeSeek = 131;      // ERROR_NEGATIVE_SEEK
constexpr DWORD kErrorDirNotRoot = 144;        // ERROR_DIR_NOT_ROOT
constexpr DWORD kErrorBadLength = 24;          // ERROR_BAD_LENGTH
constexpr DWORD kErrorTooManyLinks = 1142;     // ERROR_TOO_MANY_LINKS
constexpr DWORD kErrorDiskQuota = 1295;        // ERROR_DISK_QUOTA_EXCEEDED
constexpr DWORD kErrorFileTooLarge = 223;      // ERROR_FILE_TOO_LARGE
constexpr DWORD kErrorNoAccess = 998;          // ERROR_NOACCESS
constexpr int kWsaeConnReset = 10054;          // WSAECONNRESET
constexpr int kWsaeNotConn = 10057;            // WSAENOTCONN
constexpr int kWsaeDestAddrReq = 10039;        // WSAEDESTADDRREQ
constexpr int kWsaeAddrInUse = 10048;          // WSAEADDRINUSE
constexpr int kWsaeIsConn = 10056;             // WSAEISCONN
constexpr int kWsaeShutdown = 10058;           // WSAESHUTDOWN
constexpr int kWsaeConnAborted = 10053;        // WSAECONNABORTED
constexpr int kWsaeInProgress = 10036;         // WSAEINPROGRESS

// The Win32 code for errno. ENOENT gives ERROR_FILE_NOT_FOUND; callers that
// know the parent directory is missing report ERROR_PATH_NOT_FOUND instead.
DWORD Win32FromErrno(int err);

// The Windows Sockets code for errno.
int WsaFromErrno(int err);

// Sets the thread's last error and returns the failure value given, so that
// a failing path reads "return Fail(code, FALSE);".
template <typename T>
inline T Fail(DWORD code, T result)
{
    SetThreadLastError(code);
    return result;
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_POSIX_ERRORS_H
