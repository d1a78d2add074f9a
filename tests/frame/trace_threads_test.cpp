// Several threads tracing at once: each line stays whole and matches the
// thread and message that sent it, because each thread formats into its
// own buffers.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "frame/trace.h"
#include "support/scoped_machine.h"

namespace {

using brenvik::sim::Machine;
using brenvik::test::ScopedMachine;

TEST(TraceThreads, EveryThreadGetsWholeLines)
{
    Machine machine;
    ScopedMachine scope(machine);
    machine.SetRegDword("HKLM\\SOFTWARE\\OrloDebug", "DebugLevel", 1);
    DbgLoadLevel();

    constexpr int kThreads = 6;
    constexpr int kMessages = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            const std::string source = "src\\thread" + std::to_string(t) + ".cpp";
            // Messages of different lengths, so that a mixed buffer shows.
            const std::string pad(static_cast<std::size_t>(t) * 60 + 100, static_cast<char>('a' + t));
            for (int i = 0; i < kMessages; ++i)
                DbgMessage(source.c_str(), i,
                           DbgFormat("thread %d message %d <%s> \n", t, i, pad.c_str()), 1);
        });
    }
    for (auto &th : threads)
        th.join();

    std::map<std::string, int> expected;
    for (int t = 0; t < kThreads; ++t) {
        const std::string pad(static_cast<std::size_t>(t) * 60 + 100, static_cast<char>('a' + t));
        for (int i = 0; i < kMessages; ++i)
            ++expected["Orlo DbgMessage:thread " + std::to_string(t) + " message " +
                       std::to_string(i) + " <" + pad + "> \n FILE:thread" + std::to_string(t) +
                       ".cpp LINE:" + std::to_string(i) + " "];
    }
    std::map<std::string, int> seen;
    for (const auto &line : machine.DebugOutput())
        ++seen[line];
    EXPECT_EQ(seen.size(), expected.size());
    EXPECT_TRUE(seen == expected) << "some lines were mixed or lost";
}

}  // namespace
