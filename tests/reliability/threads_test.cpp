// The host calls the exported functions from its own threads: a mix of them
// at once, trace on, must answer as each call alone and send whole trace
// lines. Under ThreadSanitizer (scripts/tsan) this also finds unlocked state.
#include <gtest/gtest.h>

#include <brenvik/brenvik.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "frame/trace.h"
#include "support/fault_services.h"
#include "support/test_support.h"

namespace brenvik {
namespace {

std::string Text(const char *format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

test::TempDir g_dir;
// C: on POSIX is the temporary directory; on Windows its own path stands for it.
#if defined(_WIN32)
const std::string g_c = test::Backslashed(g_dir.path());
#else
const std::string g_c = "C:";
#endif

constexpr int kThreads = 4;
// Enough rounds that two calls sharing a buffer meet without ThreadSanitizer too.
constexpr int kRounds = 1000;

// A ping's reply time depends on the other threads' calls (each moves the
// scripted clock on): its digits are left out.
std::string WithoutTimes(std::string line)
{
    const std::size_t at = line.find("time=");
    if (at != std::string::npos)
        line.erase(at + 5, line.find_first_not_of("0123456789", at + 5) - (at + 5));
    return line;
}

// One call of the mix for thread t; calls that change files work in the
// thread's own directory. Two are refused, which traces.
const std::vector<std::function<std::string(int t)>> kMix = {
    [](int) {
        SPLITFPATH_tag rec;
        const int r = CDriveEx::SplitUNC_p("\\\\srv\\share\\dir\\file.txt", &rec);
        return Text("%d %s %s %s", r, rec.unc.strComputer_name, rec.unc.strDir,
                    rec.unc.strFileExt);
    },
    [](int) { return Text("%d", CDriveEx::SplitUNC_p("\\\\srv\\share", nullptr)); },
    [](int) {
        char out[BRENVIK_MAX_PATH];
        const int r = CDriveEx::ChgPathExt("C:\\a\\b.txt", ".doc", out);
        return Text("%d %s", r, out);
    },
    [](int t) {
        int exist = -1;
        const int r = CDriveEx::IsDir((g_c + "\\t" + std::to_string(t)).c_str(), &exist);
        return Text("%d %d", r, exist);
    },
    [](int) {
        char desc[BRENVIK_MAX_PATH];
        int info = 0;
        const int r = CVcdImageEx::GetDesc((g_c + "\\a.VCD").c_str(), desc, &info);
        return Text("%d %s %d", r, desc, info);
    },
    [](int) { return Text("%lu", CVcdImageEx::GetVCD_cdtype(nullptr)); },
    [](int) { return Text("%lu", CDriveEx::MaybeNetworkPath("N:\\x")); },
    [](int t) {
        const std::string dir = g_c + "\\t" + std::to_string(t) + "\\made";
        const int made = CDriveEx::CreateDir_Recursively((dir + "\\x\\y").c_str());
        const int writable = CDriveEx::CanWeWriteDir(dir.c_str());
        return Text("%d %d %d", made, writable, CDriveEx::DelTree(dir.c_str(), 0));
    },
    [](int) { return Text("%d", CDriveEx::PingHost("\\\\srv\\share", 0, 2, 100)); },
};

TEST(Threads, ExportedFunctionsAnswerAsAlone)
{
#if !defined(_WIN32)
    const test::ScopedRegistryFile reg(test::RegText(
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C]", "\"Path\"=\"" + g_dir.path() + "\""}));
#endif
    std::string image(2942, '\0');
    image[376] = 4;  // video CD
    std::memcpy(&image[48], "Holiday", 7);
    test::WriteHostFile(g_dir / "a.VCD", image);
    for (int t = 0; t < kThreads; ++t)
        test::MakeHostDirs(g_dir / ("t" + std::to_string(t)));
    test::ScopedFaults machine;
    machine.connections['N'] = {"\\\\srv\\share", true};
    machine.driveTypes['N'] = DRIVE_REMOTE;
    machine.hosts = {{"srv", "10.1.2.3"}};
    for (int i = 0; i < 2 * kThreads * kRounds + 10; ++i)
        machine.replies.push_back(test::Reply::Echo());
    machine.SetRegDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug", "DebugLevel", 1);
    const int savedEnabled = g_bDbgEnabled;
    const unsigned long savedLevel = g_dwDbgLevel;
    DbgLoadLevel();
    ASSERT_EQ(g_bDbgEnabled, 1);

    // Each call's answer alone, and the lines a later round sends.
    std::vector<std::string> alone;
    for (const auto &call : kMix)
        alone.push_back(call(0));
    machine.debugOutput.clear();
    for (const auto &call : kMix)
        call(0);
    std::set<std::string> known;
    for (const std::string &line : machine.debugOutput)
        known.insert(WithoutTimes(line));
    const std::size_t perRound = machine.debugOutput.size();
    ASSERT_GT(perRound, 0u);
    machine.debugOutput.clear();

    std::atomic<int> ready{0}, wrong{0};
    std::string firstWrong;  // written by the thread that counted the first
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            // All start together, each from its own place in the mix, so
            // that different calls overlap.
            ready.fetch_add(1);
            while (ready.load() < kThreads)
                std::this_thread::yield();
            for (int round = 0; round < kRounds; ++round) {
                for (std::size_t i = 0; i < kMix.size(); ++i) {
                    const std::size_t c = (i + static_cast<std::size_t>(t)) % kMix.size();
                    const std::string got = kMix[c](t);
                    if (got != alone[c] && wrong.fetch_add(1) == 0)
                        firstWrong = "call " + std::to_string(c) + " gave " + got;
                }
            }
        });
    }
    for (auto &th : threads)
        th.join();
    g_bDbgEnabled = savedEnabled;
    g_dwDbgLevel = savedLevel;

    EXPECT_EQ(wrong.load(), 0) << firstWrong;
    // Every line is one that a call alone sends: none mixed or cut.
    const std::vector<std::string> lines = machine.debugOutput;
    EXPECT_EQ(lines.size(), perRound * kThreads * kRounds);
    for (const std::string &line : lines)
        if (known.count(WithoutTimes(line)) == 0)
            FAIL() << "a trace line no call sends alone: " << line;
}

}  // namespace
}  // namespace brenvik
