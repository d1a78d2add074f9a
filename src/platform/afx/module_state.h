// The class library's module state as the library keeps it: the run-time
// classes and factories registered by static construction, and the chain
// of extension modules. Internal to the class-library layer and its tests.
#ifndef BRENVIK_PLATFORM_AFX_MODULE_STATE_H
#define BRENVIK_PLATFORM_AFX_MODULE_STATE_H

#include <brenvik/brenvik.h>

class CDynLinkLibrary;

struct AfxModuleState {
    CRuntimeClass *m_classList;  // linked through m_pNextClass
    void *m_factoryList;
    CDynLinkLibrary *m_libraryList;  // linked through m_pNextDLL
    // What AfxCoreInitModule set aside until AfxInitExtensionModule.
    CRuntimeClass *m_pSavedClassList;
    void *m_pSavedFactoryList;
};

AfxModuleState *AfxGetModuleState();
// Registers a run-time class at the head of the module state's class list,
// as a class's static registration object does.
void AfxClassInit(CRuntimeClass *pNewClass);

#endif  // BRENVIK_PLATFORM_AFX_MODULE_STATE_H
