// The module's load and unload steps. The Windows build runs them from
// DllMain; elsewhere the dynamic loader runs them through the constructor
// and destructor functions below, once per load of the shared library.
#include <brenvik/brenvik.h>

#include <new>

#include "platform/afx/afx.h"

namespace {

AFX_EXTENSION_MODULE BrenvikDLL = {};

// g_VcdImageEx lives in static storage but is constructed and destroyed by
// the steps below, so that its place in the order is the one the module
// protocol fixes, not the one the compiler picks.
alignas(CVcdImageEx) unsigned char g_VcdImageExStorage[sizeof(CVcdImageEx)];
CVcdImageEx *g_VcdImageEx = nullptr;

void DestroyStatics()
{
    if (g_VcdImageEx != nullptr) {
        g_VcdImageEx->~CVcdImageEx();
        g_VcdImageEx = nullptr;
    }
}

BOOL ProcessAttach(HINSTANCE hInstance)
{
    AfxCoreInitModule();
    // Constructing it loads the trace settings.
    g_VcdImageEx = new (g_VcdImageExStorage) CVcdImageEx;
    if (!AfxInitExtensionModule(BrenvikDLL, hInstance)) {
        DestroyStatics();
        return FALSE;
    }
    // Links itself into the chain; a failed allocation only leaves us out of it.
    new (std::nothrow) CDynLinkLibrary(BrenvikDLL, FALSE);
    return TRUE;
}

void ProcessDetach()
{
    AfxTermExtensionModule(BrenvikDLL, FALSE);
    DestroyStatics();
}

}  // namespace

#if defined(_WIN32)

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID /*lpReserved*/)
{
    switch (dwReason) {
    case DLL_PROCESS_ATTACH:
        return ProcessAttach(hInstance);
    case DLL_PROCESS_DETACH:
        ProcessDetach();
        return TRUE;
    default:  // thread attach and detach: nothing
        return TRUE;
    }
}

#else

namespace {

bool g_attached = false;

// Runs before the library's other static constructors have a say: the
// library has none that depend on load order.
__attribute__((constructor)) void BrenvikLoad()
{
    g_attached = ProcessAttach(nullptr) != FALSE;
}

__attribute__((destructor)) void BrenvikUnload()
{
    if (g_attached)
        ProcessDetach();
    g_attached = false;
}

}  // namespace

#endif
