// The trace on the POSIX backend: the level comes from the registry file,
// the lines go to the installed debug-output receiver exactly as sent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <brenvik/brenvik.h>

#include "frame/trace.h"
#include "support/test_support.h"

namespace {

using brenvik::test::RegText;
using brenvik::test::ScopedRegistryFile;

std::vector<std::string> g_lines;

void Receive(const char *text, void *context)
{
    static_cast<std::vector<std::string> *>(context)->push_back(text);
}

class TracePosix : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_lines.clear();
        brenvik_set_debug_output(&Receive, &g_lines);
    }
    void TearDown() override { brenvik_set_debug_output(nullptr, nullptr); }
};

TEST_F(TracePosix, RegistryFileSetsTheLevel)
{
    struct Row {
        std::vector<std::string> lines;
        int enabled;
        unsigned long level;
    } rows[] = {
        {{}, 0, 0},
        {{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]"}, 0, 0},
        {{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]", "\"DebugLevel\"=dword:00000000"}, 1, 0},
        {{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]", "\"DebugLevel\"=dword:00000001"}, 1, 1},
        {{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]", "\"DebugLevel\"=dword:00000007"}, 1, 7},
        // A string value of up to 4 bytes is taken as a little-endian number.
        // hex(1) data is UTF-16 text, which the ANSI query hands back as
        // single bytes with their NUL.
        {{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]", "\"DebugLevel\"=hex(1):01,00,00,00"},
         1, 1},
        {{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]",
          "\"DebugLevel\"=hex(1):41,00,42,00,00,00"},
         1, 0x4241},
        {{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]",
          "\"DebugLevel\"=hex(1):41,00,42,00,43,00,44,00,00,00"},
         0, 0},
        {{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]", "\"DebugLevel\"=\"abc\""}, 1, 0x636261},
        {{"[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]", "\"DebugLevel\"=\"abcd\""}, 0, 0},
    };
    for (const Row &r : rows) {
        ScopedRegistryFile reg(RegText(r.lines));
        g_bDbgEnabled = 1 - r.enabled;
        g_dwDbgLevel = 99;
        DbgLoadLevel();
        const std::string text = RegText(r.lines);
        EXPECT_EQ(g_bDbgEnabled, r.enabled) << text;
        EXPECT_EQ(g_dwDbgLevel, r.level) << text;
    }
}

TEST_F(TracePosix, LinesReachTheReceiverExactly)
{
    ScopedRegistryFile reg(RegText(
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]", "\"DebugLevel\"=dword:00000001"}));
    DbgLoadLevel();
    DbgMessage("brenvik\\drive.cpp", 77, DbgFormat("CDriveEx::SplitUNC_p BAD NULL ...%s \n",
                                                   "pSplitFPath"),
               1);
    DbgMessage("nobackslash.cpp", 1, DbgFormat("CDriveEx::PingHost %s", "srv"), 1);
    DbgMessage("a\\b.cpp", 2, "filtered", 2);
    EXPECT_EQ(g_lines, (std::vector<std::string>{
                           "Orlo DbgMessage:CDriveEx::SplitUNC_p BAD NULL ...pSplitFPath \n"
                           " FILE:drive.cpp LINE:77 ",
                           "Orlo DbgMessage:CDriveEx::PingHost srv FILE: LINE:1 "}));

    // A later edit of the file counts only once the settings are read again.
    reg.Rewrite(RegText({}));
    DbgMessage("a\\b.cpp", 3, "still on", 1);
    EXPECT_EQ(g_lines.size(), 3u);
    DbgLoadLevel();
    DbgMessage("a\\b.cpp", 4, "now off", 1);
    EXPECT_EQ(g_lines.size(), 3u);
}

}  // namespace
