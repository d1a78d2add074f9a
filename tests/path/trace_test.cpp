// Which calls send which "BAD NULL" line, in which order the arguments are
// tested, and which stay silent.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <string>

#include "frame/trace.h"
#include "path/path_test_util.h"
#include "support/scoped_machine.h"

namespace {

char g_a[BRENVIK_MAX_PATH], g_b[BRENVIK_MAX_PATH], g_c[BRENVIK_MAX_PATH];
const SPLITFPATH_tag *const kNone = nullptr;
const char kKey[] = R"(HKEY_LOCAL_MACHINE\SOFTWARE\OrloDebug)";

// A record split from a good path, with `field` and every later one of its group emptied.
SPLITFPATH_tag Emptied(bool unc, int field)
{
    SPLITFPATH_tag r{};
    CDriveEx::MySplitPath(unc ? R"(\\c\s\d\t.e)" : R"(C:\d\t.e)", &r, nullptr);
    char *const f[] = {r.unc.strOrgPath, r.unc.strComputer_name, r.unc.strShare_name,
                       r.unc.strDir, r.unc.strFileTitle, r.unc.strFileExt, r.drv.strOrgPath,
                       r.drv.strDrv, r.drv.strDir, r.drv.strFileTitle, r.drv.strFileExt};
    for (int j = field; j < (unc ? 6 : 11); ++j)
        *f[j] = '\0';
    return r;
}

class PathTrace : public ::testing::Test {
protected:
    void SetUp() override { Level(1); }
    void TearDown() override { g_bDbgEnabled = 0; }
    void Level(unsigned long level)
    {
        machine_.SetRegDword(kKey, "DebugLevel", level);
        DbgLoadLevel();
    }
    // "function argument file; ..." of the lines call() sends, each checked whole
    // but for the line number.
    std::string Lines(const std::function<void()> &call)
    {
        static const std::regex form(
            R"(Orlo DbgMessage:CDriveEx::(\w+) BAD NULL \.\.\.(\w+) \n FILE:(\w+)\.cpp LINE:\d+ )");
        machine_.ClearDebugOutput();
        call();
        std::string lines;
        for (const std::string &line : machine_.DebugOutput()) {
            std::smatch m;
            EXPECT_TRUE(std::regex_match(line, m, form)) << line;
            lines += (lines.empty() ? "" : "; ") + m.str(1) + " " + m.str(2) + " " + m.str(3);
        }
        return lines;
    }

    brenvik::sim::Machine machine_;
    brenvik::test::ScopedMachine scope_{machine_};
};

#define CALL(...) [&] { CDriveEx::__VA_ARGS__; }

TEST_F(PathTrace, MissingArguments)
{
    const SPLITFPATH_tag share = Emptied(true, 2), title = Emptied(false, 9);
    const struct {
        std::function<void()> call;
        const char *lines;
    } rows[] = {
        {CALL(SplitUNC_p(R"(\\c\s)", nullptr)), "SplitUNC_p pSplitFPath split"},
        {[] { BrenvikTestAccess::ValidateMultiDirLevel_p("", 1); },
         "ValidateMultiDirLevel_p strDirPath validate"},
        {CALL(ComposeDrvPath(g_a, "", "", "", "")), "ComposeDrvPath strDrv compose"},
        {CALL(ComposeDrvPath(g_a, "C:", nullptr, "", "")), "ComposeDrvPath strDir compose"},
        {CALL(ComposeDrvPath(g_a, "C:", "d", "", nullptr)), "ComposeDrvPath strFileTitle compose"},
        {CALL(ComposeDrvPath(g_a, "C:", "d", "t", "")), "ComposeDrvPath strFileExt compose"},
        {CALL(ComposeUNC(g_a, &share)), "ComposeUNC strShare_name compose"},
        {CALL(ComposeDrvPath(g_a, &title)), "ComposeDrvPath strFileTitle compose"},
        {CALL(ComposeUNC(g_a, kNone)), "ComposeUNC pSplitFPath compose"},
        {CALL(ComposeDrvPath(g_a, kNone)), "ComposeDrvPath pSplitFPath compose"},
        {CALL(ChgPathExt(nullptr, nullptr, nullptr)), "ChgPathExt strOrgPath title_ext"},
        {CALL(ChgPathExt(R"(C:\d\f.e)", "", nullptr)), "ChgPathExt strNewExt title_ext"},
        {CALL(ChgPathExt(R"(C:\d\f.e)", "x", nullptr)), "ChgPathExt pResult_MAXPATH title_ext"},
        {CALL(ChgPathExt(R"(\\c\s)", "b", g_a)), "ChgPathExt strFilename title_ext"},
        {CALL(AddPrefix2FileTitle("", "", "", nullptr)),
         "AddPrefix2FileTitle strOrgPath title_ext"},
        {CALL(AddPrefix2FileTitle("C:", nullptr, "", nullptr)),
         "AddPrefix2FileTitle strPrefix title_ext"},
        {CALL(ChgPathExt(R"(C:\f.txt)", "b", g_a)), "ComposeDrvPath strDir compose"},
        {CALL(AddPrefix2FileTitle("C:", " ", "", nullptr)),
         "AddPrefix2FileTitle strPostfix title_ext"},
        {CALL(AddPrefix2FileTitle("C:", "p", "q", nullptr)),
         "AddPrefix2FileTitle pResult_MAXPATH title_ext"},
        {CALL(AddPrefix2FileTitle(R"(C:\d\)", "p", "q", g_a)),
         "AddPrefix2FileTitle strFilename title_ext"},
        {CALL(AddPrefix2FileTitle(R"(C:\d\README)", "p", "q", g_a)),
         "ComposeDrvPath strFileExt compose"},
        {CALL(ChgExtname(nullptr, nullptr, nullptr, nullptr)), "ChgExtname strNewExt title_ext"},
        {CALL(ChgExtname(nullptr, "x", nullptr, nullptr)), "ChgExtname pNewPath_MAXPATH title_ext"},
        {CALL(ChgExtname(nullptr, "x", g_a, nullptr)), "ChgExtname pOldExt_MAXPATH title_ext"},
        {CALL(ChgExtname("", "x", g_a, g_b)), "ChgExtname strPath title_ext"},
        // Silent: refusals before the traced test, malformed pieces, failed
        // splits, functions without trace sites, successes.
        {[] {
             CDriveEx::SplitDrvpath_p(R"(C:\a)", nullptr);
             CDriveEx::MySplitPath(R"(\\c\s)", nullptr, nullptr);
             CDriveEx::GetTitleExt("", g_a, g_b, g_c);
             CDriveEx::ComposeUNC(g_a, "", nullptr, "", "", "");
             CDriveEx::ComposeDrvPath(nullptr, "", "", "", "");
             CDriveEx::ComposeDrvPath(g_a, "C:", "..", "t", "e");
             CDriveEx::ChgPathExt(R"(C:\..\f)", "b", g_a);
             CDriveEx::AddPrefix2FileTitle(R"(C:\d\f.txt)", "p", "q", g_a);
         },
         ""},
    };
    for (const auto &row : rows)
        EXPECT_EQ(Lines(row.call), row.lines);
    Level(0);
    EXPECT_EQ(Lines(CALL(ChgPathExt(nullptr, nullptr, nullptr))), "");
    machine_.RemoveRegKey(kKey);
    DbgLoadLevel();
    EXPECT_EQ(Lines(CALL(ChgPathExt(nullptr, nullptr, nullptr))), "");
}

}  // namespace
