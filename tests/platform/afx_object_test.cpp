#include <gtest/gtest.h>

#include "platform/afx/afx.h"
#include "platform/afx/module_state.h"
#include "support/scoped_machine.h"

namespace {

TEST(AfxObject, RunTimeClassesWalkTheBaseChain)
{
    CRuntimeClass base = {"Base", 8, 1, nullptr, &CObject::classCObject, nullptr};
    CRuntimeClass derived = {"Derived", 8, 1, nullptr, &base, nullptr};
    CRuntimeClass other = {"Other", 8, 1, nullptr, &CObject::classCObject, nullptr};
    const CRuntimeClass *root = &CObject::classCObject;
    const struct { const CRuntimeClass *cls, *asked; BOOL expected; } rows[] = {
        {&derived, &derived, TRUE}, {&derived, &base, TRUE},  {&derived, root, TRUE},
        {&derived, &other, FALSE},  {&base, &derived, FALSE}, {root, &base, FALSE},
        {&derived, nullptr, FALSE},
    };
    for (const auto &r : rows)
        EXPECT_EQ(r.cls->IsDerivedFrom(r.asked), r.expected)
            << r.cls->m_lpszClassName << " from " << (r.asked ? r.asked->m_lpszClassName : "null");

    CVcdImageEx image;
    EXPECT_EQ(image.GetRuntimeClass(), &CObject::classCObject);
    EXPECT_TRUE(image.IsKindOf(&CObject::classCObject));
    EXPECT_FALSE(image.IsKindOf(&base));
}

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

TEST_F(AfxModule, ClassesRegisteredDuringLoadGoToTheExtensionModule)
{
    CRuntimeClass host = {"Host", 8, 1, nullptr, nullptr, nullptr};
    CRuntimeClass ours1 = {"Ours1", 8, 1, nullptr, nullptr, nullptr};
    CRuntimeClass ours2 = {"Ours2", 8, 1, nullptr, nullptr, nullptr};
    int hostFactory = 0, token = 0, other = 0;
    AfxModuleState *ms = AfxGetModuleState();
    ms->m_classList = nullptr;
    ms->m_factoryList = &hostFactory;
    AfxClassInit(&host);
    AfxCoreInitModule();
    AfxClassInit(&ours1);
    AfxClassInit(&ours2);

    AFX_EXTENSION_MODULE state = {};
    HINSTANCE module = reinterpret_cast<HINSTANCE>(&token);
    ASSERT_TRUE(AfxInitExtensionModule(state, module));
    EXPECT_EQ(state.hResource, module);
    ASSERT_EQ(state.pFirstSharedClass, &ours2);
    EXPECT_EQ(ours2.m_pNextClass, &ours1);
    EXPECT_EQ(state.pFirstSharedFactory, nullptr);
    EXPECT_EQ(ms->m_classList, &host);  // the host gets its own lists back
    EXPECT_EQ(ms->m_factoryList, &hostFactory);
    // A second initialisation changes nothing.
    EXPECT_TRUE(AfxInitExtensionModule(state, reinterpret_cast<HINSTANCE>(&other)));
    EXPECT_EQ(state.hModule, module);
}

TEST_F(AfxModule, LibrariesLinkAtTheHeadAndTermDeletesTheModulesOwn)
{
    int a = 0, b = 0;
    AFX_EXTENSION_MODULE sa = {}, sb = {}, never = {};
    AfxInitExtensionModule(sa, reinterpret_cast<HINSTANCE>(&a));
    AfxInitExtensionModule(sb, reinterpret_cast<HINSTANCE>(&b));
    AfxGetModuleState()->m_libraryList = nullptr;  // bAll below deletes the whole chain
    {
        CDynLinkLibrary la(sa);
        CDynLinkLibrary lb(sb, TRUE);
        EXPECT_EQ(AfxGetFirstDynLinkLibrary(), &lb);
        EXPECT_EQ(lb.m_pNextDLL, &la);
        EXPECT_EQ(la.m_pNextDLL, nullptr);
        EXPECT_TRUE(lb.m_bSystem);
    }
    EXPECT_EQ(AfxGetFirstDynLinkLibrary(), nullptr);

    new CDynLinkLibrary(sa);
    CDynLinkLibrary *keep = new CDynLinkLibrary(sb);
    new CDynLinkLibrary(sa);
    AfxTermExtensionModule(sa);  // unlinks from the head and from the middle
    ASSERT_EQ(AfxGetFirstDynLinkLibrary(), keep);
    EXPECT_EQ(keep->m_pNextDLL, nullptr);
    AfxTermExtensionModule(never, TRUE);  // owns nothing, even with bAll
    EXPECT_EQ(AfxGetFirstDynLinkLibrary(), keep);
    new CDynLinkLibrary(sa);
    AfxTermExtensionModule(sa, TRUE);  // bAll: every library goes
    EXPECT_EQ(AfxGetFirstDynLinkLibrary(), nullptr);
    AfxGetModuleState()->m_libraryList = saved_.m_libraryList;
}

class AfxMessageBoxTest : public brenvik::test::MachineTest {};

TEST_F(AfxMessageBoxTest, ShowsTheTextAndReturnsTheButton)
{
    machine.SetMessageBoxResult(7);
    EXPECT_EQ(AfxMessageBox("SORRY: NA now!\nDO NOT INVOKE ME!", MB_ICONERROR), 7);
    EXPECT_EQ(AfxMessageBox(nullptr), 7);
    const auto boxes = machine.MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "SORRY: NA now!\nDO NOT INVOKE ME!");
    EXPECT_EQ(boxes[0].caption, "Brenvik");
    EXPECT_EQ(boxes[0].type, MB_ICONERROR);
    EXPECT_EQ(boxes[1].text, "");
}

}  // namespace
