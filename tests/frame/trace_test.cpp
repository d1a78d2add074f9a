#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/trace.h"
#include "support/fault_services.h"

namespace {

using Strings = std::vector<std::string>;

TEST(Trace, LinesAreExactAndCut)
{
    brenvik::test::ScopedFaults faults;
    // A site passes when its level is at most the setting.
    faults.SetRegDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug", "DebugLevel", 7);
    DbgLoadLevel();
    DbgMessage("a\\b.cpp", 1, "x", 8);
    DbgMessage("a\\b.cpp", 1, "x", 7);
    EXPECT_EQ(faults.debugOutput.size(), 1u);
    const std::string longPath = "dir\\" + std::string(300, 'n'), huge(5000, 'x');
    const struct { const char *source, *message; std::string line; } rows[] = {
        {"c:\\d.cpp", DbgFormat("%s %d\n", "s", -5), "Orlo DbgMessage:s -5\n FILE:d.cpp LINE:42 "},
        {"a\\b.cpp", nullptr, "Orlo DbgMessage: FILE:b.cpp LINE:42 "},
        // The file name is what follows the last backslash, if any.
        {"src/drive.cpp", "m", "Orlo DbgMessage:m FILE: LINE:42 "},
        {nullptr, "m", "Orlo DbgMessage:m FILE: LINE:42 "},
        {longPath.c_str(), "m", "Orlo DbgMessage:m FILE:" + std::string(259, 'n') + " LINE:42 "},
    };
    for (const auto &r : rows) {
        faults.debugOutput.clear();
        DbgMessage(r.source, 42, r.message, 7);
        EXPECT_EQ(faults.debugOutput, Strings{r.line});
    }
    // Cut at 519 characters, in the same buffer, cleared whole before each message.
    const char *message = DbgFormat("%s%s", huge.c_str(), huge.c_str());
    DbgMessage("a\\b.cpp", 9, message, 0);
    EXPECT_EQ(faults.debugOutput.back(),
              "Orlo DbgMessage:" + huge.substr(0, 519) + " FILE:b.cpp LINE:9 ");
    EXPECT_EQ(DbgFormat("ab"), message);
    EXPECT_EQ(std::string(message, 520), "ab" + std::string(518, '\0'));
    // A null format gives an empty message and posts a quit message.
    EXPECT_STREQ(DbgFormat(nullptr), "");
    EXPECT_EQ(faults.quits, std::vector<int>{0});

    EXPECT_TRUE(faults.Leaks().empty());
    g_bDbgEnabled = 0, g_dwDbgLevel = 0;
}

}  // namespace
