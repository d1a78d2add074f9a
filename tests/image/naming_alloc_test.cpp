// The naming functions allocate nothing while the trace is off, on their
// successes and on every kind of refusal.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/trace.h"
#include "support/alloc_counter.h"

TEST(NamingAllocation, NoneWithTheTraceOff)
{
    const int savedEnabled = g_bDbgEnabled;
    g_bDbgEnabled = 0;
    const std::vector<std::string> names = {
        "C:\\img\\Movie.DVD\\Movie.DVD.D00", "C:\\img\\My.Movie.vcd", "C:\\img\\.vcd", "",
        std::string(5000, 'a'), "C:\\" + std::string(300, 'd') + "\\Movie.DVD.D00",
        "C:\\" + std::string(200, 'd') + "\\" + std::string(60, 't') + ".DVD.D00",
        "C:\\img\\" + std::string(244, 't') + ".DVD.D00",  // 259 characters
        "C:\\img\\" + std::string(245, 't') + ".DVD.D00",
        "C:\\" + std::string(240, 'd') + "\\Movie.vcd",
    };
    char a[BRENVIK_MAX_PATH], b[BRENVIK_MAX_PATH], c[BRENVIK_MAX_PATH];
    auto run = [&] {
        int successes = 0;
        for (const std::string &name : names) {
            const char *p = name.c_str();
            successes += CVcdImageEx::GetPathExtType(p) != 0;
            CVcdImageEx::IsVCDext(p);
            CVcdImageEx::IsDVDext(p);
            CVcdImageEx::Is_MixedModeCD_ext(p);
            CVcdImageEx::Is_Cluster_ext(p);
            CVcdImageEx::IsExt_dot_D_09_09(p);
            CVcdImageEx::IsMyExt_VCD_dot_D_09_09(p);
            successes += CVcdImageEx::ParseMaster(p, a, b);
            successes += CVcdImageEx::Vcd2Dvd_ext(p, a, b, c);
        }
        // The refusals that would trace.
        CVcdImageEx::Is_Cluster_ext(nullptr);
        CVcdImageEx::ParseMaster(names[0].c_str(), a, nullptr);
        CVcdImageEx::Vcd2Dvd_ext(nullptr, a, b, c);
        return successes;
    };
    // The first round sets up what a process makes once: the backend, the
    // code page, the thread's trace buffers.
    run();
    brenvik::test::CountAllocations count;
    const int successes = run();
    const brenvik::test::AllocCounts counts = count.counts();
    g_bDbgEnabled = savedEnabled;
    EXPECT_EQ(counts.total(), 0);
    EXPECT_GE(successes, 10);  // the success paths were reached
    // The counter itself sees an allocation.
    ::operator delete(::operator new(16));
    EXPECT_EQ(count.counts().news - counts.news, 1);
}
