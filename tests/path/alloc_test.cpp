// The path model allocates nothing while the trace is off: every function,
// on its successes and refusals, runs while operator new, malloc, calloc and
// realloc are counted.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "frame/trace.h"
#include "path/path_test_util.h"
#include "support/code_page.h"
#include "platform/crt/mbcs.h"
#include "support/alloc_counter.h"

namespace {

using brenvik::test::CountAllocations;

void CallEverything(const char *longPath)
{
    const char *const paths[] = {
        R"(C:\dir\file.ext)", R"(\\computer\share\dir\file.ext)", R"(C:\dir\)", R"(\\c)",
        R"(C:\file.txt)", "", nullptr, longPath,
        "C:\\d\xe9\\f\x81\\g.e",  // bytes that ask for the code page
    };
    char a[BRENVIK_MAX_PATH], b[BRENVIK_MAX_PATH], c[BRENVIK_MAX_PATH];
    int flag = 0;
    const SPLITFPATH_tag *none = nullptr;
    for (const char *path : paths) {
        SPLITFPATH_tag rec = brenvik::test::MarkedRecord();
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
        CDriveEx::GetDirOf(path, a);
        CDriveEx::ComposeUNC(a, "c", "s", path, "t", "e");
        CDriveEx::ComposeDrvPath(a, "C:", "d", path, "e");
        // Each argument in turn valid, empty or null, so the traced refusals run too.
        for (const char *arg : {"bak", "", static_cast<const char *>(nullptr)}) {
            char *out = arg ? a : nullptr;
            CDriveEx::ChgPathExt(path, arg, a);
            CDriveEx::ChgPathExt(path, "b", out);
            CDriveEx::AddPrefix2FileTitle(path, arg, " q", a);
            CDriveEx::AddPrefix2FileTitle(path, "p ", arg, out);
            CDriveEx::ChgExtname(path, arg, a, b);
            CDriveEx::ChgExtname(path, "b", out, arg ? nullptr : b);
        }
    }
    CDriveEx::ComposeUNC(a, none);
    CDriveEx::ComposeDrvPath(a, none);
}

TEST(Allocation, NoneWithTheTraceOff)
{
    const int savedEnabled = g_bDbgEnabled;
    g_bDbgEnabled = 0;
    const std::string longPath(5000, 'x'), longDbcs(5000, '\x81');
    // The platform services are built once per process on first use; the
    // path model reaches them for the code page.
    CallEverything(longPath.c_str());
    for (const unsigned codePage : {0u, 932u}) {
        std::optional<brenvik::test::ScopedCodePage> scoped;
        if (codePage != 0)
            scoped.emplace(codePage);
        CountAllocations count;
        CallEverything((codePage ? longDbcs : longPath).c_str());
        const long news = count.counts().news, mallocs = count.counts().mallocs;
        EXPECT_EQ(news + mallocs, 0) << "code page " << codePage;
    }
    CountAllocations count;  // the counter itself sees an allocation
    ::operator delete(::operator new(100));
    EXPECT_GE(count.counts().news, 1);
    g_bDbgEnabled = savedEnabled;
}

}  // namespace
