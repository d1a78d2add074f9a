// CObject's run-time class, CFileException's causes, the extension-module
// chain and the message box.
#include <gtest/gtest.h>

#include <string>

#include "platform/afx/afx.h"
#include "platform/afx/module_state.h"
#include "support/scoped_machine.h"

namespace {

using brenvik::test::MachineTest;

TEST(AfxObject, ExportedClassesReportCObjectsRunTimeClass)
{
    CDriveEx drive;
    CVcdImageEx image;
    EXPECT_EQ(drive.GetRuntimeClass(), &CObject::classCObject);
    EXPECT_EQ(image.GetRuntimeClass(), &CObject::classCObject);
    EXPECT_TRUE(drive.IsKindOf(&CObject::classCObject));
    EXPECT_STREQ(CObject::classCObject.m_lpszClassName, "CObject");
    // The inherited hooks exist and do nothing visible.
    drive.AssertValid();
}

TEST(AfxObject, IsDerivedFromWalksTheBaseChain)
{
    CRuntimeClass base = {"Base", 8, 1, nullptr, &CObject::classCObject, nullptr};
    CRuntimeClass derived = {"Derived", 8, 1, nullptr, &base, nullptr};
    CRuntimeClass other = {"Other", 8, 1, nullptr, &CObject::classCObject, nullptr};

    struct Row {
        const CRuntimeClass *cls;
        const CRuntimeClass *asked;
        BOOL expected;
    } rows[] = {
        {&derived, &derived, TRUE},
        {&derived, &base, TRUE},
        {&derived, &CObject::classCObject, TRUE},
        {&derived, &other, FALSE},
        {&base, &derived, FALSE},
        {&CObject::classCObject, &base, FALSE},
        {&derived, nullptr, FALSE},
    };
    for (const Row &r : rows)
        EXPECT_EQ(r.cls->IsDerivedFrom(r.asked), r.expected)
            << r.cls->m_lpszClassName << " from "
            << (r.asked ? r.asked->m_lpszClassName : "null");

    CDriveEx drive;
    EXPECT_FALSE(drive.IsKindOf(&base));
    EXPECT_FALSE(drive.IsKindOf(nullptr));
}

TEST(AfxFileException, CausesFromWin32Codes)
{
    struct Row {
        LONG code;
        int cause;
    } rows[] = {
        {0, CFileException::none},
        {2, CFileException::fileNotFound},
        {3, CFileException::badPath},
        {4, CFileException::tooManyOpenFiles},
        {5, CFileException::accessDenied},
        {6, CFileException::invalidFile},
        {16, CFileException::removeCurrentDir},
        {18, CFileException::directoryFull},
        {25, CFileException::badSeek},
        {29, CFileException::hardIO},
        {30, CFileException::hardIO},
        {31, CFileException::hardIO},
        {32, CFileException::sharingViolation},
        {33, CFileException::lockViolation},
        {38, CFileException::endOfFile},
        {39, CFileException::diskFull},
        {112, CFileException::diskFull},
        {1, CFileException::generic},
        {87, CFileException::generic},
        {183, CFileException::generic},
        {-1, CFileException::generic},
    };
    for (const Row &r : rows)
        EXPECT_EQ(CFileException::OsErrorToException(r.code), r.cause) << "code " << r.code;
}

TEST(AfxFileException, ThrowOsErrorThrowsByValueWithCodeAndName)
{
    try {
        CFileException::ThrowOsError(ERROR_SHARING_VIOLATION, "C:\\held.bin");
        FAIL() << "nothing thrown";
    } catch (const CFileException &e) {
        EXPECT_EQ(e.m_cause, CFileException::sharingViolation);
        EXPECT_EQ(e.m_lOsError, ERROR_SHARING_VIOLATION);
        EXPECT_STREQ(e.m_strFileName, "C:\\held.bin");
    }
    // A failure that left no code is still a failure, never "none".
    try {
        CFileException::ThrowOsError(0, nullptr);
        FAIL() << "nothing thrown";
    } catch (const CFileException &e) {
        EXPECT_EQ(e.m_cause, CFileException::generic);
        EXPECT_STREQ(e.m_strFileName, "");
    }
}

TEST(AfxFileException, LongNameIsCutToTheBufferAndCopiesAreIndependent)
{
    const std::string longName(5000, 'n');
    CFileException e(CFileException::badPath, 3, longName.c_str());
    EXPECT_EQ(std::string(e.m_strFileName), longName.substr(0, BRENVIK_MAX_PATH - 1));

    CFileException copy(e);
    e.m_strFileName[0] = 'X';
    e.m_cause = CFileException::generic;
    EXPECT_EQ(copy.m_cause, CFileException::badPath);
    EXPECT_EQ(copy.m_strFileName[0], 'n');

    CFileException assigned;
    assigned = copy;
    EXPECT_EQ(assigned.m_lOsError, 3);
    EXPECT_STREQ(assigned.m_strFileName, copy.m_strFileName);
}

// ---- Extension modules -------------------------------------------------------

// The module state is process-wide: each test leaves it as it found it.
class AfxModule : public ::testing::Test {
protected:
    void SetUp() override { saved_ = *AfxGetModuleState(); }
    void TearDown() override
    {
        EXPECT_EQ(AfxGetFirstDynLinkLibrary(), saved_.m_libraryList) << "chain left changed";
        *AfxGetModuleState() = saved_;
    }
    AfxModuleState saved_;
};

TEST_F(AfxModule, StaticRegistrationGoesToTheExtensionModule)
{
    CRuntimeClass hostClass = {"Host", 8, 1, nullptr, nullptr, nullptr};
    CRuntimeClass ours1 = {"Ours1", 8, 1, nullptr, nullptr, nullptr};
    CRuntimeClass ours2 = {"Ours2", 8, 1, nullptr, nullptr, nullptr};
    int hostFactory = 0;

    AfxModuleState *ms = AfxGetModuleState();
    ms->m_classList = nullptr;
    ms->m_factoryList = &hostFactory;
    AfxClassInit(&hostClass);

    AfxCoreInitModule();
    EXPECT_EQ(ms->m_classList, nullptr);
    EXPECT_EQ(ms->m_factoryList, nullptr);

    // The module's static construction registers its classes.
    AfxClassInit(&ours1);
    AfxClassInit(&ours2);

    AFX_EXTENSION_MODULE state = {};
    int token = 0;
    HINSTANCE module = reinterpret_cast<HINSTANCE>(&token);
    ASSERT_TRUE(AfxInitExtensionModule(state, module));
    EXPECT_TRUE(state.bInitialized);
    EXPECT_EQ(state.hModule, module);
    EXPECT_EQ(state.hResource, module);
    ASSERT_EQ(state.pFirstSharedClass, &ours2);
    EXPECT_EQ(state.pFirstSharedClass->m_pNextClass, &ours1);
    EXPECT_EQ(state.pFirstSharedFactory, nullptr);
    // The host gets its own lists back.
    EXPECT_EQ(ms->m_classList, &hostClass);
    EXPECT_EQ(ms->m_factoryList, &hostFactory);

    // A second initialisation changes nothing.
    int other = 0;
    EXPECT_TRUE(AfxInitExtensionModule(state, reinterpret_cast<HINSTANCE>(&other)));
    EXPECT_EQ(state.hModule, module);
    EXPECT_EQ(state.pFirstSharedClass, &ours2);
    EXPECT_EQ(ms->m_classList, &hostClass);
}

TEST_F(AfxModule, LibrariesLinkAtTheHeadAndUnlinkWherever)
{
    int a = 0, b = 0, c = 0;
    AFX_EXTENSION_MODULE sa = {}, sb = {}, sc = {};
    AfxInitExtensionModule(sa, reinterpret_cast<HINSTANCE>(&a));
    AfxInitExtensionModule(sb, reinterpret_cast<HINSTANCE>(&b));
    AfxInitExtensionModule(sc, reinterpret_cast<HINSTANCE>(&c));

    CDynLinkLibrary *before = AfxGetFirstDynLinkLibrary();
    {
        CDynLinkLibrary la(sa);
        CDynLinkLibrary lb(sb, TRUE);
        {
            CDynLinkLibrary lc(sc);
            EXPECT_EQ(AfxGetFirstDynLinkLibrary(), &lc);
            EXPECT_EQ(lc.m_pNextDLL, &lb);
            EXPECT_EQ(lb.m_pNextDLL, &la);
            EXPECT_EQ(la.m_pNextDLL, before);
            EXPECT_EQ(lb.m_hModule, reinterpret_cast<HINSTANCE>(&b));
            EXPECT_TRUE(lb.m_bSystem);
            EXPECT_FALSE(la.m_bSystem);
        }
        EXPECT_EQ(AfxGetFirstDynLinkLibrary(), &lb);
    }
    EXPECT_EQ(AfxGetFirstDynLinkLibrary(), before);

    // Unlinking from the middle keeps the rest of the chain.
    CDynLinkLibrary *first = new CDynLinkLibrary(sa);
    CDynLinkLibrary *middle = new CDynLinkLibrary(sb);
    CDynLinkLibrary *last = new CDynLinkLibrary(sc);
    delete middle;
    EXPECT_EQ(AfxGetFirstDynLinkLibrary(), last);
    EXPECT_EQ(last->m_pNextDLL, first);
    delete last;
    delete first;
}

TEST_F(AfxModule, TermDeletesOnlyTheModulesOwnLibraries)
{
    int a = 0, b = 0;
    AFX_EXTENSION_MODULE sa = {}, sb = {};
    AfxInitExtensionModule(sa, reinterpret_cast<HINSTANCE>(&a));
    AfxInitExtensionModule(sb, reinterpret_cast<HINSTANCE>(&b));
    CDynLinkLibrary *before = AfxGetFirstDynLinkLibrary();

    new CDynLinkLibrary(sa);
    CDynLinkLibrary *keep = new CDynLinkLibrary(sb);
    new CDynLinkLibrary(sa);

    AfxTermExtensionModule(sa);
    ASSERT_EQ(AfxGetFirstDynLinkLibrary(), keep);
    EXPECT_EQ(keep->m_pNextDLL, before);

    // A module never initialised owns nothing, even with bAll.
    AFX_EXTENSION_MODULE never = {};
    AfxTermExtensionModule(never, TRUE);
    EXPECT_EQ(AfxGetFirstDynLinkLibrary(), keep);

    AfxTermExtensionModule(sb);
    EXPECT_EQ(AfxGetFirstDynLinkLibrary(), before);
}

TEST_F(AfxModule, TermWithAllDeletesEveryLibrary)
{
    int a = 0, b = 0;
    AFX_EXTENSION_MODULE sa = {}, sb = {};
    AfxInitExtensionModule(sa, reinterpret_cast<HINSTANCE>(&a));
    AfxInitExtensionModule(sb, reinterpret_cast<HINSTANCE>(&b));
    AfxModuleState *ms = AfxGetModuleState();
    ms->m_libraryList = nullptr;

    new CDynLinkLibrary(sa);
    new CDynLinkLibrary(sb);
    AfxTermExtensionModule(sa, TRUE);
    EXPECT_EQ(AfxGetFirstDynLinkLibrary(), nullptr);
    ms->m_libraryList = saved_.m_libraryList;
}

// ---- Message box ---------------------------------------------------------------

class AfxMessageBoxTest : public MachineTest {};

TEST_F(AfxMessageBoxTest, ShowsTheTextAndReturnsTheButton)
{
    machine.SetMessageBoxResult(IDOK);
    EXPECT_EQ(AfxMessageBox("SORRY: NA now!\nDO NOT INVOKE ME!", MB_OK, 0), IDOK);
    machine.SetMessageBoxResult(7);
    EXPECT_EQ(AfxMessageBox("second", MB_ICONERROR), 7);
    EXPECT_EQ(AfxMessageBox(nullptr), 7);

    const auto boxes = machine.MessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "SORRY: NA now!\nDO NOT INVOKE ME!");
    EXPECT_EQ(boxes[0].caption, "Brenvik");
    EXPECT_EQ(boxes[0].type, MB_OK);
    EXPECT_EQ(boxes[1].type, MB_ICONERROR);
    EXPECT_EQ(boxes[2].text, "");
}

}  // namespace
