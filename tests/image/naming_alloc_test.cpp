// The naming functions do no heap allocation (trace off): this executable
// counts every operator new.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "frame/trace.h"

namespace {
std::atomic<long> g_news{0};
}  // namespace

// These operators are the allocator: the blocks they free come from malloc.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void *operator new(std::size_t size)
{
    g_news.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void *operator new[](std::size_t size)
{
    return operator new(size);
}
void *operator new(std::size_t size, const std::nothrow_t &) noexcept
{
    g_news.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void *operator new[](std::size_t size, const std::nothrow_t &tag) noexcept
{
    return operator new(size, tag);
}
void operator delete(void *p) noexcept
{
    std::free(p);
}
void operator delete[](void *p) noexcept
{
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void *p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

TEST(NamingAllocation, NoOperatorNew)
{
    const int savedEnabled = g_bDbgEnabled;
    g_bDbgEnabled = 0;
    // Inputs made before counting starts.
    const std::vector<std::string> names = {
        "C:\\img\\Movie.DVD\\Movie.DVD.D00",
        "D:\\x\\Song.vcd.d00",
        "C:\\img\\My.Movie.vcd",
        "C:\\img\\Movie.VCD.D03",
        "Movie.vcd",
        "C:\\img\\.vcd",
        "C:\\Movie.DVD.D00",
        std::string(5000, 'a'),
        "C:\\" + std::string(300, 'd') + "\\Movie.DVD.D00",
        "C:\\" + std::string(200, 'd') + "\\" + std::string(60, 't') + ".DVD.D00",
        "C:\\" + std::string(240, 'd') + "\\Movie.vcd",
        "",
    };
    char a[BRENVIK_MAX_PATH], b[BRENVIK_MAX_PATH], c[BRENVIK_MAX_PATH];

    const long before = g_news.load();
    int results = 0;
    for (const std::string &name : names) {
        const char *p = name.c_str();
        results += CVcdImageEx::GetPathExtType(p);
        results += CVcdImageEx::IsVCDext(p) + CVcdImageEx::IsDVDext(p);
        results += CVcdImageEx::Is_MixedModeCD_ext(p) + CVcdImageEx::Is_Cluster_ext(p);
        results += CVcdImageEx::IsExt_dot_D_09_09(p) + CVcdImageEx::IsMyExt_VCD_dot_D_09_09(p);
        results += CVcdImageEx::ParseMaster(p, a, b);
        results += CVcdImageEx::Vcd2Dvd_ext(p, a, b, c);
    }
    results += CVcdImageEx::GetPathExtType(nullptr);
    results += CVcdImageEx::ParseMaster(nullptr, a, b);
    results += CVcdImageEx::Vcd2Dvd_ext(nullptr, a, b, c);
    const long after = g_news.load();
    g_bDbgEnabled = savedEnabled;

    EXPECT_EQ(after - before, 0);
    // The inputs did reach the functions' success paths.
    EXPECT_GT(results, 0);
}

TEST(NamingAllocation, CounterSeesAllocations)
{
    // The check above means something only if this executable's operator new
    // is the counted one.
    const long before = g_news.load();
    std::string *s = new std::string("x");
    delete s;
    EXPECT_EQ(g_news.load() - before, 1);
}

}  // namespace
