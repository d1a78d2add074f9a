// The host calls the exported functions from its own threads. Several
// threads here call a mix of them at once on the simulated machine, with
// the trace on: each answer must be the one the call gives alone, and every
// trace line must arrive whole. Built with ThreadSanitizer (scripts/tsan)
// this also finds state shared between calls without a lock.
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
#include "reliability/sweep.h"
#include "support/scoped_machine.h"

namespace brenvik {
namespace {

using sweep::Text;

constexpr int kThreads = 4;
constexpr int kRounds = 100;

std::string VideoImage(const char *desc)
{
    std::string bytes(2942, '\0');
    bytes[376] = 4;  // video CD
    std::memcpy(&bytes[48], desc, std::strlen(desc));
    return bytes;
}

// A ping's reply time depends on the other threads' calls (each moves the
// simulated clock on): its digits are left out.
std::string WithoutTimes(std::string line)
{
    const std::size_t at = line.find("time=");
    if (at != std::string::npos) {
        std::size_t end = at + 5;
        while (end < line.size() && line[end] >= '0' && line[end] <= '9')
            ++end;
        line.erase(at + 5, end - (at + 5));
    }
    return line;
}

// One call of the mix for thread t; the answer as text. Calls that change
// files work in the thread's own directory.
std::vector<std::function<std::string(int t)>> Mix()
{
    return {
        [](int) {
            SPLITFPATH_tag rec;
            const int r = CDriveEx::SplitUNC_p("\\\\srv\\share\\dir\\file.txt", &rec);
            return Text("%d %s %s %s", r, rec.unc.strComputer_name, rec.unc.strDir,
                        rec.unc.strFileExt);
        },
        // A missing record: traced.
        [](int) { return Text("%d", CDriveEx::SplitUNC_p("\\\\srv\\share", nullptr)); },
        [](int) {
            char out[BRENVIK_MAX_PATH];
            const int r = CDriveEx::ChgPathExt("C:\\a\\b.txt", ".doc", out);
            return Text("%d %s", r, out);
        },
        [](int t) {
            int exist = -1;
            const std::string dir = "C:\\t" + std::to_string(t);
            const int r = CDriveEx::IsDir(dir.c_str(), &exist);
            return Text("%d %d", r, exist);
        },
        [](int) { return Text("%lu", CVcdImageEx::GetVCD_cdtype("C:\\img\\a.VCD")); },
        [](int) {
            char desc[BRENVIK_MAX_PATH];
            int info = 0;
            const int r = CVcdImageEx::GetDesc("C:\\img\\a.VCD", desc, &info);
            return Text("%d %s %d", r, desc, info);
        },
        // A missing name: traced.
        [](int) { return Text("%lu", CVcdImageEx::GetVCD_cdtype(nullptr)); },
        [](int) {
            char dir[BRENVIK_MAX_PATH], pre[BRENVIK_MAX_PATH];
            const int r = CVcdImageEx::ParseMaster("C:\\img\\Movie.DVD.D00", dir, pre);
            return Text("%d %s %s", r, dir, pre);
        },
        [](int) { return Text("%lu", CDriveEx::MaybeNetworkPath("N:\\x")); },
        [](int) {
            unsigned long long total = 0;
            const int r = CDriveEx::GetLargeDiskSize2GB_inByte(2, nullptr, &total, nullptr,
                                                               nullptr);
            return Text("%d %llu", r, total);
        },
        [](int t) {
            const std::string dir = "C:\\t" + std::to_string(t) + "\\made";
            const int made = CDriveEx::CreateDir_Recursively((dir + "\\x\\y").c_str());
            const int writable = CDriveEx::CanWeWriteDir(dir.c_str());
            const int deleted = CDriveEx::DelTree(dir.c_str(), 0);
            return Text("%d %d %d", made, writable, deleted);
        },
        [](int) { return Text("%d", CDriveEx::PingHost("\\\\srv\\share", 0, 2, 100)); },
    };
}

TEST(Threads, ExportedFunctionsAnswerAsAlone)
{
    sim::Machine machine = sim::Machine::Typical();
    machine.MakeFile("C:\\img\\a.VCD", VideoImage("Holiday"));
    for (int t = 0; t < kThreads; ++t)
        machine.MakeDir("C:\\t" + std::to_string(t));
    machine.RememberConnection('N', "\\\\srv\\share", true);
    machine.AddHost("srv", "10.1.2.3");
    for (int i = 0; i < 2 * kThreads * kRounds + 10; ++i)
        machine.AddReply(sim::Reply::Echo());
    machine.SetRegDword("HKLM\\SOFTWARE\\OrloDebug", "DebugLevel", 1);
    test::ScopedMachine scope(machine);
    const int savedEnabled = g_bDbgEnabled;
    const unsigned long savedLevel = g_dwDbgLevel;
    DbgLoadLevel();
    ASSERT_EQ(g_bDbgEnabled, 1);

    // The answers of each call made alone.
    const auto mix = Mix();
    std::vector<std::string> alone;
    for (const auto &call : mix)
        alone.push_back(call(0));
    machine.ClearDebugOutput();
    // The lines one round sends, each as it may come again.
    std::set<std::string> known;
    for (const auto &call : mix)
        call(0);
    for (const std::string &line : machine.DebugOutput())
        known.insert(WithoutTimes(line));
    const std::size_t perRound = machine.DebugOutput().size();
    ASSERT_GT(perRound, 0u);
    machine.ClearDebugOutput();

    // All threads start together, so that their calls overlap.
    std::atomic<int> ready{0};
    std::atomic<int> wrong{0};
    std::vector<std::string> firstWrong(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ready.fetch_add(1);
            while (ready.load() < kThreads)
                std::this_thread::yield();
            for (int round = 0; round < kRounds; ++round) {
                // Each thread walks the mix from its own starting point, so
                // that different calls overlap.
                for (std::size_t i = 0; i < mix.size(); ++i) {
                    const std::size_t c = (i + static_cast<std::size_t>(t)) % mix.size();
                    const std::string got = mix[c](t);
                    if (got != alone[c] && wrong.fetch_add(1) == 0)
                        firstWrong[t] = "call " + std::to_string(c) + " gave " + got +
                                        ", alone " + alone[c];
                }
            }
        });
    }
    for (auto &th : threads)
        th.join();
    g_bDbgEnabled = savedEnabled;
    g_dwDbgLevel = savedLevel;

    std::string firstReport;
    for (const auto &w : firstWrong)
        firstReport += w;
    EXPECT_EQ(wrong.load(), 0) << firstReport;

    // Every line is one that a call alone sends: none mixed or cut.
    const std::vector<std::string> lines = machine.DebugOutput();
    EXPECT_EQ(lines.size(), perRound * kThreads * kRounds);
    for (const std::string &line : lines) {
        if (known.count(WithoutTimes(line)) == 0) {
            ADD_FAILURE() << "a trace line no call sends alone: " << line;
            break;
        }
    }
}

}  // namespace
}  // namespace brenvik
