// The debug trace on the simulated machine: the registry setting, the
// filter, and the exact text of every line.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "frame/trace.h"
#include "support/scoped_machine.h"

namespace {

using brenvik::sim::Machine;
using brenvik::test::ScopedMachine;

const char kKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug";

class Trace : public ::testing::Test {
protected:
    void SetLevel(DWORD level)
    {
        machine.SetRegDword(kKey, "DebugLevel", level);
        DbgLoadLevel();
        machine.ClearDebugOutput();
    }

    Machine machine;
    ScopedMachine scope{machine};
};

TEST_F(Trace, LineTextForEachMessageForm)
{
    SetLevel(1);
    struct Row {
        std::function<const char *()> format;
        const char *line;
    } rows[] = {
        {[] { return DbgFormat("CDriveEx::ComposeUNC BAD NULL ...%s \n", "strDir"); },
         "Orlo DbgMessage:CDriveEx::ComposeUNC BAD NULL ...strDir \n FILE:drive.cpp LINE:42 "},
        {[] { return DbgFormat("CVcdImageEx:: (DEL) Slave<%s>\n", "D:\\m\\T.DVD.D01"); },
         "Orlo DbgMessage:CVcdImageEx:: (DEL) Slave<D:\\m\\T.DVD.D01>\n FILE:drive.cpp "
         "LINE:42 "},
        {[] { return DbgFormat("CDriveEx::PingHost bytes=%d seq=%u", -5, 4000000000u); },
         "Orlo DbgMessage:CDriveEx::PingHost bytes=-5 seq=4000000000 FILE:drive.cpp LINE:42 "},
        {[] { return DbgFormat("%c%c%%<%5d>", 'O', 'k', 12); },
         "Orlo DbgMessage:Ok%<   12> FILE:drive.cpp LINE:42 "},
        {[] { return DbgFormat(""); }, "Orlo DbgMessage: FILE:drive.cpp LINE:42 "},
    };
    for (const Row &r : rows) {
        machine.ClearDebugOutput();
        DbgMessage("brenvik\\drive.cpp", 42, r.format(), 1);
        const auto out = machine.DebugOutput();
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0], r.line);
    }
}

TEST_F(Trace, SourcePathGivesTheFileNameAfterTheLastBackslash)
{
    SetLevel(1);
    const std::string longName(300, 'n');
    const std::string longPath = "dir\\" + longName;
    struct Row {
        const char *path;
        std::string file;
    } rows[] = {
        {"c:\\work\\brenvik\\drive.cpp", "drive.cpp"},
        {"drive.cpp", ""},  // no backslash: nothing between FILE: and LINE:
        {"src/frame/drive.cpp", ""},
        {"dir\\", ""},
        {"", ""},
        {nullptr, ""},
        {longPath.c_str(), longName.substr(0, 259)},
    };
    for (const Row &r : rows) {
        machine.ClearDebugOutput();
        DbgMessage(r.path, -7, "m", 1);
        const auto out = machine.DebugOutput();
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0], "Orlo DbgMessage:m FILE:" + r.file + " LINE:-7 ")
            << (r.path ? r.path : "(null)");
        EXPECT_EQ(std::string(DbgFileTitle(r.path)), r.file);
    }
}

TEST_F(Trace, TheMacroNamesItsOwnFileAndLine)
{
    SetLevel(1);
    DBG_TRACE("CVcdImageEx::GetPathExtType BAD NULL ...%s \n", "strPath"); const int line = __LINE__;
    const auto out = machine.DebugOutput();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], "Orlo DbgMessage:CVcdImageEx::GetPathExtType BAD NULL ...strPath \n"
                      " FILE:trace_test.cpp LINE:" +
                          std::to_string(line) + " ");
}

TEST_F(Trace, RegistrySettingDecidesEnabledAndLevel)
{
    struct Row {
        const char *name;
        std::function<void(Machine &)> setup;
        int enabled;
        unsigned long level;
    } rows[] = {
        {"no key", [](Machine &) {}, 0, 0},
        {"key without the value", [](Machine &m) { m.AddRegKey(kKey); }, 0, 0},
        {"another value only", [](Machine &m) { m.SetRegDword(kKey, "Level", 5); }, 0, 0},
        {"dword 0", [](Machine &m) { m.SetRegDword(kKey, "DebugLevel", 0); }, 1, 0},
        {"dword 1", [](Machine &m) { m.SetRegDword(kKey, "DebugLevel", 1); }, 1, 1},
        {"dword 7", [](Machine &m) { m.SetRegDword(kKey, "DebugLevel", 7); }, 1, 7},
        {"dword all ones", [](Machine &m) { m.SetRegDword(kKey, "DebugLevel", 0xFFFFFFFF); },
         1, 0xFFFFFFFFul},
        {"string of 1 byte",
         [](Machine &m) { m.SetRegValue(kKey, "DebugLevel", REG_SZ, std::string("\x01", 1)); },
         1, 1},
        {"string of 2 bytes",
         [](Machine &m) { m.SetRegValue(kKey, "DebugLevel", REG_SZ, std::string("\x01\0", 2)); },
         1, 1},
        {"string of 3 bytes",
         [](Machine &m) {
             m.SetRegValue(kKey, "DebugLevel", REG_SZ, std::string("\x01\0\0", 3));
         },
         1, 1},
        {"string of 4 bytes",
         [](Machine &m) {
             m.SetRegValue(kKey, "DebugLevel", REG_SZ, std::string("\x01\0\0\0", 4));
         },
         1, 1},
        {"string of 5 bytes",
         [](Machine &m) {
             m.SetRegValue(kKey, "DebugLevel", REG_SZ, std::string("\x01\0\0\0\0", 5));
         },
         0, 0},
        {"text \"ab\" with its NUL",
         [](Machine &m) { m.SetRegString(kKey, "DebugLevel", "ab"); }, 1, 0x6261},
        {"binary little-endian",
         [](Machine &m) { m.SetRegValue(kKey, "DebugLevel", REG_BINARY, "\x78\x56\x34\x12"); },
         1, 0x12345678},
        {"empty binary", [](Machine &m) { m.SetRegValue(kKey, "DebugLevel", REG_BINARY, ""); },
         1, 0},
        {"qword",
         [](Machine &m) {
             m.SetRegValue(kKey, "DebugLevel", REG_QWORD, std::string("\x01\0\0\0\0\0\0\0", 8));
         },
         0, 0},
    };
    for (const Row &r : rows) {
        Machine fresh;
        r.setup(fresh);
        ScopedMachine install(fresh);
        // Each load replaces both settings, whatever they were.
        g_bDbgEnabled = 1 - r.enabled;
        g_dwDbgLevel = 12345;
        DbgLoadLevel();
        EXPECT_EQ(g_bDbgEnabled, r.enabled) << r.name;
        EXPECT_EQ(g_dwDbgLevel, r.level) << r.name;
        EXPECT_EQ(fresh.CallCount("RegOpenKeyA"), 1u) << r.name;

        DbgMessage("a\\b.cpp", 1, "x", 1);
        const bool sent = r.enabled == 1 && r.level >= 1;
        EXPECT_EQ(fresh.DebugOutput().size(), sent ? 1u : 0u) << r.name;
    }
}

TEST_F(Trace, LevelFilterIsAnUnsignedAtMost)
{
    struct Row {
        DWORD registry;
        unsigned long site;
        bool sent;
    } rows[] = {
        {0, 0, true}, {0, 1, false}, {1, 1, true}, {1, 2, false}, {7, 1, true},
        {7, 7, true}, {7, 8, false}, {0xFFFFFFFF, 0xFFFFFFFFul, true},
    };
    for (const Row &r : rows) {
        SetLevel(r.registry);
        DbgMessage("a\\b.cpp", 1, "x", r.site);
        EXPECT_EQ(machine.DebugOutput().size(), r.sent ? 1u : 0u)
            << "registry " << r.registry << " site " << r.site;
    }
}

TEST_F(Trace, NothingIsSentWhileDisabled)
{
    DbgLoadLevel();  // the machine has no such key
    for (unsigned long level : {0ul, 1ul, 2ul, 0xFFFFFFFFul})
        DbgMessage("a\\b.cpp", 1, DbgFormat("level %lu", level), level);
    EXPECT_TRUE(machine.DebugOutput().empty());
}

TEST_F(Trace, LongMessagesAreCutNeverOverrun)
{
    SetLevel(1);
    const std::string huge(5000, 'x');
    const char *message = DbgFormat("%s%s", huge.c_str(), huge.c_str());
    EXPECT_EQ(std::string(message), huge.substr(0, 519));
    DbgMessage("a\\b.cpp", 9, message, 1);
    const auto out = machine.DebugOutput();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], "Orlo DbgMessage:" + huge.substr(0, 519) + " FILE:b.cpp LINE:9 ");

    // The buffer is cleared whole before each message.
    const char *again = DbgFormat("ab");
    EXPECT_EQ(again, message);  // the same buffer
    for (int i = 2; i < 520; ++i)
        ASSERT_EQ(again[i], '\0') << "byte " << i;
}

TEST_F(Trace, NullFormatPostsAQuitMessage)
{
    const char *message = DbgFormat(nullptr);
    ASSERT_NE(message, nullptr);
    EXPECT_STREQ(message, "");
    EXPECT_EQ(machine.QuitMessages(), std::vector<int>{0});
}

TEST_F(Trace, NullMessageSendsAnEmptyMessage)
{
    SetLevel(1);
    DbgMessage("x\\y.cpp", 3, nullptr, 1);
    EXPECT_EQ(machine.DebugOutput(), std::vector<std::string>{"Orlo DbgMessage: FILE:y.cpp LINE:3 "});
}

TEST_F(Trace, ConstructingAnImageObjectReloadsTheSettings)
{
    SetLevel(1);
    machine.SetRegDword(kKey, "DebugLevel", 0);
    {
        CDriveEx drive;  // changes nothing
        DbgMessage("a\\b.cpp", 1, "x", 1);
        EXPECT_EQ(machine.DebugOutput().size(), 1u);
    }
    machine.ResetCalls();
    {
        CVcdImageEx image;
        EXPECT_EQ(machine.CallCount("RegOpenKeyA"), 1u);
    }
    machine.ClearDebugOutput();
    DbgMessage("a\\b.cpp", 1, "x", 1);
    EXPECT_TRUE(machine.DebugOutput().empty());
    EXPECT_EQ(g_bDbgEnabled, 1);
    EXPECT_EQ(g_dwDbgLevel, 0ul);
}

TEST_F(Trace, FailedRegistryCallsDisable)
{
    machine.SetRegDword(kKey, "DebugLevel", 3);
    machine.FailNthCallOf("RegQueryValueExA", 1, ERROR_ACCESS_DENIED);
    DbgLoadLevel();
    EXPECT_EQ(g_bDbgEnabled, 0);
    EXPECT_EQ(g_dwDbgLevel, 0ul);
    EXPECT_EQ(machine.CallCount("RegCloseKey"), 1u);  // the key is closed on failure too

    machine.FailNthCallOf("RegOpenKeyA", 1, ERROR_ACCESS_DENIED);
    DbgLoadLevel();
    EXPECT_EQ(g_bDbgEnabled, 0);
    DbgLoadLevel();
    EXPECT_EQ(g_bDbgEnabled, 1);
    EXPECT_EQ(g_dwDbgLevel, 3ul);
}

}  // namespace
