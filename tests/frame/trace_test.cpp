// The debug trace on the simulated machine: the registry setting, the
// filter, the exact text of every line, and several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "frame/trace.h"
#include "support/scoped_machine.h"

namespace {

using brenvik::sim::Machine;
using brenvik::test::ScopedMachine;
using Strings = std::vector<std::string>;

const char kKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug";

class Trace : public ::testing::Test {
protected:
    void SetLevel(DWORD level)
    {
        machine.SetRegDword(kKey, "DebugLevel", level);
        DbgLoadLevel();
        machine.ClearDebugOutput();
    }
    void TearDown() override
    {
        g_bDbgEnabled = 0;
        g_dwDbgLevel = 0;
    }

    Machine machine;
    ScopedMachine scope{machine};
};

TEST_F(Trace, LineTextForEachMessageFormAndSource)
{
    SetLevel(1);
    const std::string longName(300, 'n');
    const std::string longPath = "dir\\" + longName;
    const struct {
        const char *source;
        std::function<const char *()> message;
        std::string line;
    } rows[] = {
        {"c:\\w\\brenvik\\drive.cpp",
         [] { return DbgFormat("CDriveEx::ComposeUNC BAD NULL ...%s \n", "strDir"); },
         "Orlo DbgMessage:CDriveEx::ComposeUNC BAD NULL ...strDir \n FILE:drive.cpp LINE:42 "},
        {"brenvik\\image.cpp",
         [] { return DbgFormat("CVcdImageEx:: (DEL) Slave<%s>\n", "D:\\m\\T.DVD.D01"); },
         "Orlo DbgMessage:CVcdImageEx:: (DEL) Slave<D:\\m\\T.DVD.D01>\n FILE:image.cpp LINE:42 "},
        {"a\\ping.cpp",
         [] { return DbgFormat("CDriveEx::PingHost bytes=%d seq=%u", -5, 4000000000u); },
         "Orlo DbgMessage:CDriveEx::PingHost bytes=-5 seq=4000000000 FILE:ping.cpp LINE:42 "},
        {"a\\b.cpp", [] { return DbgFormat("%c%c%%<%5d>", 'O', 'k', 12); },
         "Orlo DbgMessage:Ok%<   12> FILE:b.cpp LINE:42 "},
        {"a\\b.cpp", [] { return DbgFormat(""); }, "Orlo DbgMessage: FILE:b.cpp LINE:42 "},
        {"a\\b.cpp", [] { return nullptr; }, "Orlo DbgMessage: FILE:b.cpp LINE:42 "},
        // The file name is what follows the last backslash, if any.
        {"drive.cpp", [] { return "m"; }, "Orlo DbgMessage:m FILE: LINE:42 "},
        {"src/frame/drive.cpp", [] { return "m"; }, "Orlo DbgMessage:m FILE: LINE:42 "},
        {"dir\\", [] { return "m"; }, "Orlo DbgMessage:m FILE: LINE:42 "},
        {nullptr, [] { return "m"; }, "Orlo DbgMessage:m FILE: LINE:42 "},
        {longPath.c_str(), [] { return "m"; },
         "Orlo DbgMessage:m FILE:" + longName.substr(0, 259) + " LINE:42 "},
    };
    for (const auto &r : rows) {
        machine.ClearDebugOutput();
        DbgMessage(r.source, 42, r.message(), 1);
        EXPECT_EQ(machine.DebugOutput(), Strings{r.line}) << (r.source ? r.source : "(null)");
    }
    DBG_TRACE("CVcdImageEx::GetPathExtType BAD NULL ...%s \n", "strPath");
    const int line = __LINE__ - 1;
    EXPECT_EQ(machine.DebugOutput().back(),
              "Orlo DbgMessage:CVcdImageEx::GetPathExtType BAD NULL ...strPath \n"
              " FILE:trace_test.cpp LINE:" + std::to_string(line) + " ");
}

// Any value of at most 4 bytes is a little-endian number, whatever its type.
TEST_F(Trace, RegistrySettingDecidesEnabledAndLevel)
{
    const DWORD kNoKey = 0xFFFF, kNoValue = 0xFFFE;
    const struct {
        const char *what;
        DWORD type;
        std::string data;
        int enabled;
        unsigned long level;
    } rows[] = {
        {"no key", kNoKey, "", 0, 0},
        {"no value", kNoValue, "", 0, 0},
        {"dword 0", REG_DWORD, std::string(4, '\0'), 1, 0},
        {"dword 7", REG_DWORD, std::string("\x07\0\0\0", 4), 1, 7},
        {"dword all ones", REG_DWORD, "\xFF\xFF\xFF\xFF", 1, 0xFFFFFFFFul},
        {"string of 1 byte", REG_SZ, "\x01", 1, 1},
        {"string of 3 bytes", REG_SZ, std::string("ab\0", 3), 1, 0x6261},
        {"string of 4 bytes", REG_SZ, std::string("\x01\0\0\x02", 4), 1, 0x02000001},
        {"string of 5 bytes", REG_SZ, std::string("\x01\0\0\0\0", 5), 0, 0},
        {"binary", REG_BINARY, "\x78\x56\x34\x12", 1, 0x12345678},
        {"empty binary", REG_BINARY, "", 1, 0},
        {"qword", REG_QWORD, std::string("\x01\0\0\0\0\0\0\0", 8), 0, 0},
    };
    for (const auto &r : rows) {
        Machine fresh;
        if (r.type == kNoValue)
            fresh.SetRegDword(kKey, "Level", 5);
        else if (r.type != kNoKey)
            fresh.SetRegValue(kKey, "DebugLevel", r.type, r.data);
        ScopedMachine install(fresh);
        // Each load replaces both settings, whatever they were.
        g_bDbgEnabled = 1 - r.enabled;
        g_dwDbgLevel = 12345;
        DbgLoadLevel();
        EXPECT_EQ(g_bDbgEnabled, r.enabled) << r.what;
        EXPECT_EQ(g_dwDbgLevel, r.level) << r.what;
        DbgMessage("a\\b.cpp", 1, "x", 0);
        EXPECT_EQ(fresh.DebugOutput().size(), static_cast<std::size_t>(r.enabled)) << r.what;
    }
}

TEST_F(Trace, LevelFilterIsAnUnsignedAtMost)
{
    const struct {
        DWORD registry;
        unsigned long site;
        bool sent;
    } rows[] = {{0, 0, true}, {0, 1, false}, {1, 1, true}, {7, 7, true}, {7, 8, false},
                {0xFFFFFFFF, 0xFFFFFFFFul, true}};
    for (const auto &r : rows) {
        SetLevel(r.registry);
        DbgMessage("a\\b.cpp", 1, "x", r.site);
        EXPECT_EQ(machine.DebugOutput().size(), r.sent ? 1u : 0u)
            << "registry " << r.registry << " site " << r.site;
    }
}

TEST_F(Trace, LongMessagesAreCutNeverOverrun)
{
    SetLevel(1);
    const std::string huge(5000, 'x');
    const char *message = DbgFormat("%s%s", huge.c_str(), huge.c_str());
    EXPECT_EQ(std::string(message), huge.substr(0, 519));
    DbgMessage("a\\b.cpp", 9, message, 1);
    EXPECT_EQ(machine.DebugOutput(),
              Strings{"Orlo DbgMessage:" + huge.substr(0, 519) + " FILE:b.cpp LINE:9 "});
    // The same buffer, cleared whole before each message.
    EXPECT_EQ(DbgFormat("ab"), message);
    EXPECT_EQ(std::string(message, 520), "ab" + std::string(518, '\0'));
    // A null format gives an empty message and posts a quit message.
    EXPECT_STREQ(DbgFormat(nullptr), "");
    EXPECT_EQ(machine.QuitMessages(), std::vector<int>{0});
}

// Each thread formats into its own buffers: every line stays whole and
// matches the thread and message that sent it.
TEST_F(Trace, ThreadsTracingAtOnceGetWholeLines)
{
    SetLevel(1);
    constexpr int kThreads = 6, kMessages = 2000;
    // Messages of different lengths, so that a mixed buffer shows.
    auto pad = [](int t) { return std::string(static_cast<std::size_t>(t) * 60 + 100, 'a' + t); };
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &go, text = pad(t)] {
            const std::string source = "src\\thread" + std::to_string(t) + ".cpp";
            while (!go)
                std::this_thread::yield();
            for (int i = 0; i < kMessages; ++i)
                DbgMessage(source.c_str(), i, DbgFormat("%d %d <%s> \n", t, i, text.c_str()), 1);
        });
    }
    go = true;
    for (auto &th : threads)
        th.join();
    std::map<std::string, int> expected, seen;
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kMessages; ++i)
            ++expected["Orlo DbgMessage:" + std::to_string(t) + " " + std::to_string(i) + " <" +
                       pad(t) + "> \n FILE:thread" + std::to_string(t) + ".cpp LINE:" +
                       std::to_string(i) + " "];
    for (const auto &line : machine.DebugOutput())
        ++seen[line];
    EXPECT_TRUE(seen == expected) << "some lines were mixed or lost";
}

}  // namespace
