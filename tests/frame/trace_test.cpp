#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/trace.h"
#include "support/fault_services.h"
#include "support/test_support.h"

namespace {

using brenvik::test::RegText;
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

// Only the registry file holds values of other types than a real store.
TEST(Trace, SettingOfAnyTypeDecidesEnabledAndLevel)
{
#ifdef _WIN32
    GTEST_SKIP() << "the registry file is the POSIX backend's";
#endif
    brenvik::test::ScopedRegistryFile registry(RegText({}));
    brenvik::test::ScopedFaults faults;
    // A value line, or none and no key.
    const struct { const char *value; int enabled; unsigned long level; } rows[] = {
        {"", 0, 0}, {"\"DebugLevel\"=dword:12345678", 1, 0x12345678},
        {"\"DebugLevel\"=\"a\"", 1, 0x61}, {"\"DebugLevel\"=hex:", 1, 0},
        {"\"DebugLevel\"=hex(b):01,00,00,00,00,00,00,00", 0, 0},
    };
    for (const auto &r : rows) {
        const char *key = *r.value ? "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]" : "";
        registry.Rewrite(RegText({key, r.value}));
        g_bDbgEnabled = 1 - r.enabled, g_dwDbgLevel = 12345;  // each load replaces both
        DbgLoadLevel();
        EXPECT_EQ(g_bDbgEnabled, r.enabled) << r.value;
        EXPECT_EQ(g_dwDbgLevel, r.level) << r.value;
    }
    EXPECT_TRUE(faults.Leaks().empty());
    g_bDbgEnabled = 0, g_dwDbgLevel = 0;
}

}  // namespace
