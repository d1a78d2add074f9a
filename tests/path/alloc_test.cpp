// The path model allocates nothing while the trace is off: every function,
// on successes and on every kind of refusal, runs while operator new,
// malloc, calloc and realloc are counted.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <string>

#include "frame/trace.h"
#include "path/path_test_util.h"
#include "platform/crt/mbcs.h"
#include "support/alloc_counter.h"

namespace {

using brenvik::test::MarkedRecord;

// Every function of the path model, with inputs that reach its successes
// and its refusals, including the ones that trace.
void CallEverything(const char *longPath)
{
    const char *const paths[] = {
        R"(C:\dir\file.ext)", R"(\\computer\share\dir\file.ext)", R"(C:\dir\)", R"(\\c)",
        R"(C:\file.txt)",     R"(C:\dir\.cfg)",                  "C:",       R"(\\)",
        "rel/a.b",            "",                                nullptr,    longPath,
        "C:\\d\xe9\\f\x81\\g.e",  // bytes that ask for the code page
    };
    char a[BRENVIK_MAX_PATH], b[BRENVIK_MAX_PATH], c[BRENVIK_MAX_PATH];
    int flag = 0;
    for (const char *path : paths) {
        SPLITFPATH_tag rec = MarkedRecord();
        CDriveEx::SplitUNC_p(path, &rec);
        CDriveEx::SplitUNC_p(path, nullptr);
        CDriveEx::SplitDrvpath_p(path, &rec);
        CDriveEx::MySplitPath(path, &rec, &flag);
        CDriveEx::ComposeUNC(a, &rec);
        CDriveEx::ComposeDrvPath(a, &rec);
        CDriveEx::GetTitleExt(path, a, b, c);
        CDriveEx::Get_RootDirOfFilePath(path, a, &flag);
        CDriveEx::IsFilenameValid(path);
        CDriveEx::IsFilenameValid_ignore_bs_colon(path);
        BrenvikTestAccess::ValidateMultiDirLevel_p(path, 1);
        CDriveEx::Is_FilePath_DirPath_Valid(path);
        CDriveEx::ChkFullPath_s(path, 1, 1, 1, a, b, c, &flag);
        CDriveEx::MkFullPath_s(path, "x.vcd", a, 1, 1, 1);
        CDriveEx::GetFileExt(path, a);
        CDriveEx::ChgPathExt(path, "bak", a);
        CDriveEx::ChgPathExt(path, nullptr, a);
        CDriveEx::ChgPathExt(path, "bak", nullptr);
        CDriveEx::AddPrefix2FileTitle(path, " p", "q ", a);
        CDriveEx::AddPrefix2FileTitle(path, "", "q", a);
        CDriveEx::AddPrefix2FileTitle(path, "p", "", a);
        CDriveEx::AddPrefix2FileTitle(path, "p", "q", nullptr);
        CDriveEx::ChgExtname(path, "bak", a, b);
        CDriveEx::ChgExtname(path, "", a, b);
        CDriveEx::ChgExtname(path, "bak", nullptr, b);
        CDriveEx::ChgExtname(path, "bak", a, nullptr);
        CDriveEx::GetDirOf(path, a);
    }
    CDriveEx::ComposeUNC(a, "c", "s", "d", "t", "e");
    CDriveEx::ComposeUNC(a, "c", "s", "", "t", "e");
    CDriveEx::ComposeUNC(a, static_cast<const SPLITFPATH_tag *>(nullptr));
    CDriveEx::ComposeDrvPath(a, "C:", "d", "t", "e");
    CDriveEx::ComposeDrvPath(a, "", "d", "t", "e");
    CDriveEx::ComposeDrvPath(a, "C:", "", "t", "e");
    CDriveEx::ComposeDrvPath(a, "C:", "d", "", "e");
    CDriveEx::ComposeDrvPath(a, "C:", "d", "t", "");
    CDriveEx::ComposeDrvPath(a, static_cast<const SPLITFPATH_tag *>(nullptr));
    SPLITFPATH_tag empty = MarkedRecord();
    empty.unc.strOrgPath[0] = '\0';
    empty.drv.strOrgPath[0] = '\0';
    CDriveEx::ComposeUNC(a, &empty);
    CDriveEx::ComposeDrvPath(a, &empty);
    BrenvikTestAccess::ValidateMultiDirLevel_p("", 1);
}

using brenvik::test::CountAllocations;

TEST(Allocation, NoneWithTheTraceOff)
{
    const int savedEnabled = g_bDbgEnabled;
    g_bDbgEnabled = 0;
    const std::string longPath(5000, 'x');
    // The platform services are built once per process on first use (in
    // the library, when loading reads the trace settings); the path model
    // reaches them for the code page.
    CallEverything(longPath.c_str());
    CountAllocations count;
    CallEverything(longPath.c_str());
    g_bDbgEnabled = savedEnabled;
    EXPECT_EQ(count.counts().news, 0);
    EXPECT_EQ(count.counts().mallocs, 0);
}

TEST(Allocation, NoneInADoubleByteCodePage)
{
    const int savedEnabled = g_bDbgEnabled;
    g_bDbgEnabled = 0;
    brenvik::crt::testing::ForceCodePage(932);
    const std::string longPath(5000, '\x81');
    CountAllocations count;
    CallEverything(longPath.c_str());
    const long total = count.counts().total();
    brenvik::crt::testing::ForceCodePage(0);
    g_bDbgEnabled = savedEnabled;
    EXPECT_EQ(total, 0);
}

TEST(Allocation, TheCounterSeesAllocations)
{
    CountAllocations count;
    // Stored through a volatile so that the pair is not optimised away.
    static void *volatile sink = nullptr;
    auto *p = new std::string(100, 'x');
    sink = p;
    delete p;
    EXPECT_NE(sink, nullptr);
    EXPECT_GE(count.counts().news, 1);
}

}  // namespace
