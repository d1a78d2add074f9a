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
    // Links itself into the chain and is deleted by AfxTermExtensionModule;
    // a failed allocation only leaves us out of the chain.
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

// This file is linked after the library's objects, so the loader runs the
// load step after their static initialisers and the unload step before
// their static destructors (at dlclose). At process exit those destructors
// may run first: the steps touch nothing that has one.
//
// The loader gives no module instance here; the address of the module's
// own extension record is as unique, and it is what the chain entries of
// this module are told apart by.
__attribute__((constructor)) void BrenvikLoad()
{
    g_attached = ProcessAttach(reinterpret_cast<HINSTANCE>(&BrenvikDLL)) != FALSE;
}

__attribute__((destructor)) void BrenvikUnload()
{
    if (g_attached)
        ProcessDetach();
    g_attached = false;
}

}  // namespace

#endif
