// The host calls the exported functions from its own threads: a mix of them
// at once, trace on, must answer as each call alone and send whole trace
// lines. Under ThreadSanitizer (scripts/tsan) this also finds unlocked state.
#include <gtest/gtest.h>

#include <brenvik/brenvik.h>

#include <atomic>
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

using test::Joined;

test::TempDir g_dir;
#if defined(_WIN32)  // its own path stands for C:
const std::string g_c = test::Backslashed(g_dir.path());
#else
const std::string g_c = "C:";
#endif

constexpr int kThreads = 4;
// Enough rounds that two calls sharing a buffer meet without ThreadSanitizer too.
constexpr int kRounds = 300;

// One call of the mix for thread t; calls that change files work in the
// thread's own directory. Some are refused, which traces.
const std::vector<std::function<std::string(int t)>> kMix = {
    [](int) {
        SPLITFPATH_tag rec;
        char out[BRENVIK_MAX_PATH];
        // By reference: the outputs are read after the calls.
        return Joined(CDriveEx::SplitUNC_p("\\\\srv\\share\\dir\\file.txt", &rec),
                      rec.unc.strComputer_name, rec.unc.strDir, rec.unc.strFileExt,
                      CDriveEx::SplitUNC_p("\\\\srv\\share", nullptr),
                      CDriveEx::ChgPathExt("C:\\a\\b.txt", ".doc", out), out);
    },
    [](int) {
        char desc[BRENVIK_MAX_PATH];
        int info = 0;
        return Joined(CVcdImageEx::GetDesc((g_c + "\\a.VCD").c_str(), desc, &info), desc, info);
    },
    [](int) {
        return Joined(CVcdImageEx::GetVCD_cdtype(nullptr), CDriveEx::MaybeNetworkPath("N:\\x"));
    },
    [](int t) {
        const std::string dir = g_c + "\\t" + std::to_string(t) + "\\made";
        const int made = CDriveEx::CreateDir_Recursively((dir + "\\x\\y").c_str());
        const int writable = CDriveEx::CanWeWriteDir(dir.c_str());
        return Joined(made, writable, CDriveEx::DelTree(dir.c_str(), 0));
    },
};

TEST(Threads, ExportedFunctionsAnswerAsAlone)
{
#if !defined(_WIN32)
    const std::string key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C]";
    const test::ScopedRegistryFile reg(test::RegText({key, "\"Path\"=\"" + g_dir.path() + "\""}));
#endif
    std::string image(2942, '\0');
    image[376] = 4;  // video CD
    std::memcpy(&image[48], "Holiday", 7);
    test::WriteHostFile(g_dir / "a.VCD", image);
    test::ScopedFaults machine;
    machine.connections['N'] = {"\\\\srv\\share", true};
    machine.driveTypes['N'] = DRIVE_REMOTE;
    machine.hosts = {{"srv", "10.1.2.3"}};  // no name is looked up for real
    machine.SetRegDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug", "DebugLevel", 1);
    DbgLoadLevel();
    ASSERT_EQ(g_bDbgEnabled, 1);

    // Each call's answer alone, and the lines it sends.
    std::vector<std::string> alone;
    for (const auto &call : kMix)
        alone.push_back(call(0));
    const std::set<std::string> known(machine.debugOutput.begin(), machine.debugOutput.end());
    const std::size_t perRound = machine.debugOutput.size();
    machine.debugOutput.clear();

    std::atomic<int> ready{0}, wrong{0};
    std::string firstWrong;  // written by the thread that counted the first
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            // All start together, each from its own place in the mix.
            for (ready.fetch_add(1); ready.load() < kThreads;)
                std::this_thread::yield();
            for (std::size_t i = 0; i < kRounds * kMix.size(); ++i) {
                const std::size_t c = (i + static_cast<std::size_t>(t)) % kMix.size();
                const std::string got = kMix[c](t);
                if (got != alone[c] && wrong.fetch_add(1) == 0)
                    firstWrong = Joined("call", c, "gave", got);
            }
        });
    for (auto &th : threads)
        th.join();
    g_bDbgEnabled = 0;
    g_dwDbgLevel = 0;

    EXPECT_EQ(wrong.load(), 0) << firstWrong;
    // Every line is one that a call alone sends: none mixed or cut.
    EXPECT_EQ(machine.debugOutput.size(), perRound * kThreads * kRounds);
    for (const std::string &line : machine.debugOutput)
        if (known.count(line) == 0)
            FAIL() << "a trace line no call sends alone: " << line;
}

}  // namespace
}  // namespace brenvik
