// The path model allocates nothing while the trace is off: every function,
// on successes and on every kind of refusal, is run while operator new and
// (where the linker can wrap them) malloc, calloc and realloc are counted.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "frame/trace.h"
#include "path/path_test_util.h"

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

void *operator new(std::size_t size)
{
    ++g_allocations;
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void *operator new[](std::size_t size) { return operator new(size); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }

#if defined(BRENVIK_WRAP_MALLOC)
extern "C" {
void *__real_malloc(std::size_t);
void *__real_calloc(std::size_t, std::size_t);
void *__real_realloc(void *, std::size_t);
void *__wrap_malloc(std::size_t n)
{
    ++g_allocations;
    return __real_malloc(n);
}
void *__wrap_calloc(std::size_t n, std::size_t m)
{
    ++g_allocations;
    return __real_calloc(n, m);
}
void *__wrap_realloc(void *p, std::size_t n)
{
    ++g_allocations;
    return __real_realloc(p, n);
}
}
#endif

namespace {

using brenvik::test::MarkedRecord;

// Every function of the path model, with inputs that reach its successes
// and its refusals, including the ones that trace.
void CallEverything(const char *longPath)
{
    static const char *const kPaths[] = {
        R"(C:\dir\file.ext)", R"(\\computer\share\dir\file.ext)", R"(C:\dir\)", R"(\\c)",
        R"(C:\file.txt)",     R"(C:\dir\.cfg)",                  "C:",       R"(\\)",
        "rel/a.b",            "",                                nullptr,    longPath,
    };
    char a[BRENVIK_MAX_PATH], b[BRENVIK_MAX_PATH], c[BRENVIK_MAX_PATH];
    int flag = 0;
    for (const char *path : kPaths) {
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

TEST(Allocation, NoneWithTheTraceOff)
{
    const int savedEnabled = g_bDbgEnabled;
    g_bDbgEnabled = 0;
    const std::string longPath(5000, 'x');
    CallEverything(longPath.c_str());  // first use of any lazily set-up state
    const long before = g_allocations.load();
    CallEverything(longPath.c_str());
    const long after = g_allocations.load();
    g_bDbgEnabled = savedEnabled;
    EXPECT_EQ(after - before, 0);
}

TEST(Allocation, TheCounterSeesAllocations)
{
    // Stored through a volatile so that the pairs are not optimised away.
    static void *volatile sink = nullptr;
    const long before = g_allocations.load();
    auto *p = new std::string(100, 'x');
    sink = p;
    delete p;
#if defined(BRENVIK_WRAP_MALLOC)
    void *m = std::malloc(10);
    sink = m;
    std::free(m);
    EXPECT_NE(sink, nullptr);
    EXPECT_GE(g_allocations.load() - before, 2);
#else
    EXPECT_NE(sink, nullptr);
    EXPECT_GE(g_allocations.load() - before, 1);
#endif
}

}  // namespace
