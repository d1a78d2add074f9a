#include "platform/services.h"

#include <atomic>

#include "platform/backends.h"
#include "platform/crt/crt.h"

namespace brenvik {
namespace platform {

namespace {
std::atomic<Services *> g_installed{nullptr};
}  // namespace

BOOL Services::DeleteFileInA(HANDLE, LPCSTR lpFileName)
{
    return DeleteFileA(lpFileName);
}

BOOL Services::RemoveDirectoryInA(HANDLE, LPCSTR lpPathName)
{
    return RemoveDirectoryA(lpPathName);
}

HANDLE Services::FindFirstFileInA(HANDLE, LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData)
{
    return FindFirstFileA(lpFileName, lpFindFileData);
}

Services &DefaultServices()
{
#if defined(_WIN32)
    return Win32Services();
#else
    return PosixServices();
#endif
}

Services &sys()
{
    Services *s = g_installed.load(std::memory_order_acquire);
    return s ? *s : DefaultServices();
}

// The runtime caches the code page's lead bytes; other services may report
// another code page.
ScopedServices::ScopedServices(Services &services)
    : previous_(g_installed.exchange(&services, std::memory_order_acq_rel))
{
    crt::RefreshCodePage();
}

ScopedServices::~ScopedServices()
{
    g_installed.store(previous_, std::memory_order_release);
    crt::RefreshCodePage();
}

}  // namespace platform
}  // namespace brenvik
