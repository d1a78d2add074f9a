// The backend's instance, the last error, and process and time services.
#include <time.h>
#include <unistd.h>

#include "platform/backends.h"
#include "platform/last_error.h"
#include "platform/posix/posix_backend.h"

namespace brenvik {
namespace platform {
namespace posix {

namespace {
constexpr UINT kCodePageUtf8 = 65001;
}  // namespace

PosixBackend &Backend()
{
    static PosixBackend *backend = new PosixBackend;  // used until the process ends
    return *backend;
}

DWORD PosixBackend::GetLastError()
{
    return GetThreadLastError();
}

void PosixBackend::SetLastError(DWORD dwErrCode)
{
    SetThreadLastError(dwErrCode);
}

DWORD PosixBackend::GetTickCount()
{
    // Milliseconds since an arbitrary start, wrapping at 32 bits as Windows' do.
    struct timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u +
                        static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<DWORD>(ms & 0xFFFFFFFFu);
}

DWORD PosixBackend::GetCurrentProcessId()
{
    return static_cast<DWORD>(::getpid());
}

UINT PosixBackend::GetACP()
{
    // Host names are UTF-8, which has no lead bytes in the Windows sense.
    return kCodePageUtf8;
}

}  // namespace posix

Services &PosixServices()
{
    return posix::Backend();
}

}  // namespace platform
}  // namespace brenvik
