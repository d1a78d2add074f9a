// The backend's instance, the last error, and process and time services.
#include <time.h>
#include <unistd.h>

#include "platform/backends.h"
#include "platform/last_error.h"
#include "platform/posix/never_destroyed.h"
#include "platform/posix/posix_backend.h"
#include "platform/posix/registry_store.h"

namespace brenvik {
namespace platform {
namespace posix {

PosixBackend &Backend()
{
    // Holds nothing on the heap; never destroyed, so that the destructors of
    // other statics may still call the services.
    static NeverDestroyed<PosixBackend> backend;
    return backend.get();
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
    return CodePageOf(*CurrentRegistry());
}

}  // namespace posix

Services &PosixServices()
{
    return posix::Backend();
}

}  // namespace platform
}  // namespace brenvik
