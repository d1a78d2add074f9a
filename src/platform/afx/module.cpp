// The message box and the extension-module protocol. Our hosts have no
// class library of their own, so the module state (class list, factory
// list, chain of extension modules) is the library's.
#include "platform/afx/module_state.h"

#include <atomic>

#include "platform/afx/afx.h"
#include "platform/services.h"

using brenvik::platform::sys;

namespace {

// Constant-initialised, with trivial destruction: the load and unload steps
// use it before and after the library's other statics live.
AfxModuleState g_moduleState = {nullptr, nullptr, nullptr, nullptr, nullptr};

// A spin lock: the chain changes only at load and unload, and the Windows
// toolchain offers no std::mutex.
std::atomic_flag g_chainLock = ATOMIC_FLAG_INIT;

class ChainLock {
public:
    ChainLock()
    {
        while (g_chainLock.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~ChainLock() { g_chainLock.clear(std::memory_order_release); }
    ChainLock(const ChainLock &) = delete;
    ChainLock &operator=(const ChainLock &) = delete;
};

// Removes pDLL from the chain if it is there. The caller holds the lock.
void UnlinkLocked(CDynLinkLibrary *pDLL)
{
    for (CDynLinkLibrary **link = &g_moduleState.m_libraryList; *link != nullptr;
         link = &(*link)->m_pNextDLL) {
        if (*link == pDLL) {
            *link = pDLL->m_pNextDLL;
            pDLL->m_pNextDLL = nullptr;
            return;
        }
    }
}

}  // namespace

AfxModuleState *AfxGetModuleState()
{
    return &g_moduleState;
}

void AfxClassInit(CRuntimeClass *pNewClass)
{
    if (pNewClass == nullptr)
        return;
    ChainLock lock;
    pNewClass->m_pNextClass = g_moduleState.m_classList;
    g_moduleState.m_classList = pNewClass;
}

int AfxMessageBox(const char *lpszText, UINT nType, UINT /*nIDHelp*/)
{
    return sys().MessageBoxA(nullptr, lpszText != nullptr ? lpszText : "", "Brenvik", nType);
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE &state, BOOL bSystem)
    : m_hModule(state.hModule),
      m_hResource(state.hResource),
      m_pFirstSharedClass(state.pFirstSharedClass),
      m_bSystem(bSystem),
      m_pNextDLL(nullptr)
{
    ChainLock lock;
    m_pNextDLL = g_moduleState.m_libraryList;
    g_moduleState.m_libraryList = this;
}

CDynLinkLibrary::~CDynLinkLibrary()
{
    ChainLock lock;
    UnlinkLocked(this);
}

void AfxCoreInitModule()
{
    ChainLock lock;
    g_moduleState.m_pSavedClassList = g_moduleState.m_classList;
    g_moduleState.m_pSavedFactoryList = g_moduleState.m_factoryList;
    g_moduleState.m_classList = nullptr;
    g_moduleState.m_factoryList = nullptr;
}

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE &state, HINSTANCE hModule)
{
    if (state.bInitialized)
        return TRUE;
    ChainLock lock;
    state.bInitialized = TRUE;
    state.hModule = hModule;
    state.hResource = hModule;
    // The classes registered by the module's static construction, the ones
    // AfxCoreInitModule set aside, become the extension module's.
    state.pFirstSharedClass = g_moduleState.m_classList;
    state.pFirstSharedFactory = g_moduleState.m_factoryList;
    // The module state gets back what it held before the module loaded.
    g_moduleState.m_classList = g_moduleState.m_pSavedClassList;
    g_moduleState.m_factoryList = g_moduleState.m_pSavedFactoryList;
    g_moduleState.m_pSavedClassList = nullptr;
    g_moduleState.m_pSavedFactoryList = nullptr;
    return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE &state, BOOL bAll)
{
    if (!state.bInitialized)
        return;
    for (;;) {
        CDynLinkLibrary *victim = nullptr;
        {
            ChainLock lock;
            for (CDynLinkLibrary *p = g_moduleState.m_libraryList; p != nullptr;
                 p = p->m_pNextDLL) {
                if (bAll || p->m_hModule == state.hModule) {
                    victim = p;
                    break;
                }
            }
            if (victim == nullptr)
                return;
            UnlinkLocked(victim);
        }
        // Deleted outside the lock: its destructor takes the lock again and
        // finds itself already unlinked.
        delete victim;
    }
}

CDynLinkLibrary *AfxGetFirstDynLinkLibrary()
{
    ChainLock lock;
    return g_moduleState.m_libraryList;
}
