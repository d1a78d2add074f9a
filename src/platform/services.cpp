#include "platform/services.h"

#include <atomic>

#include "platform/backends.h"

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

namespace {
std::atomic<unsigned> g_codePageEpoch{1};
}  // namespace

unsigned CodePageEpoch()
{
    return g_codePageEpoch.load(std::memory_order_acquire);
}

void CodePageMayHaveMoved()
{
    g_codePageEpoch.fetch_add(1, std::memory_order_acq_rel);
}

// Other services may report another code page.
ScopedServices::ScopedServices(Services &services)
    : previous_(g_installed.exchange(&services, std::memory_order_acq_rel))
{
    CodePageMayHaveMoved();
}

ScopedServices::~ScopedServices()
{
    g_installed.store(previous_, std::memory_order_release);
    CodePageMayHaveMoved();
}

}  // namespace platform
}  // namespace brenvik
