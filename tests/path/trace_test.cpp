// The trace lines of the path model: which calls send which "BAD NULL"
// line, in which order the arguments are tested, and which stay silent.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "frame/trace.h"
#include "path/path_test_util.h"
#include "support/scoped_machine.h"

namespace {

using brenvik::test::MarkedRecord;

char g_a[BRENVIK_MAX_PATH], g_b[BRENVIK_MAX_PATH], g_c[BRENVIK_MAX_PATH];
const SPLITFPATH_tag *const kNoRecord = nullptr;

class PathTrace : public ::testing::Test {
protected:
    void SetUp() override
    {
        machine_.SetRegDword(R"(HKEY_LOCAL_MACHINE\SOFTWARE\OrloDebug)", "DebugLevel", 1);
        DbgLoadLevel();
    }
    void TearDown() override
    {
        g_bDbgEnabled = 0;
        g_dwDbgLevel = 0;
    }

    // The messages that call() sends, each line checked for the form
    // "Orlo DbgMessage:<message> FILE:<file> LINE:<n> ".
    std::string Messages(const std::function<void()> &call, const std::string &file)
    {
        machine_.ClearDebugOutput();
        call();
        std::string messages;
        for (const std::string &line : machine_.DebugOutput()) {
            const std::string head = "Orlo DbgMessage:", tail = " FILE:" + file + " LINE:";
            const std::size_t at = line.rfind(tail);
            const std::string number = at == std::string::npos ? "" : line.substr(at + tail.size());
            EXPECT_TRUE(line.compare(0, head.size(), head) == 0 && number.size() >= 2 &&
                        number.find_first_not_of("0123456789") == number.size() - 1 &&
                        number.back() == ' ')
                << line;
            messages += line.substr(head.size(), at - head.size());
        }
        return messages;
    }

    brenvik::sim::Machine machine_;
    brenvik::test::ScopedMachine scope_{machine_};
};

TEST_F(PathTrace, MissingArguments)
{
    SPLITFPATH_tag rec = MarkedRecord();
    const struct {
        std::function<void()> call;
        const char *file, *messages;  // "CDriveEx::" and " BAD NULL ..." left out
    } rows[] = {
        {[] { CDriveEx::SplitUNC_p(R"(\\c\s)", nullptr); }, "split.cpp", "SplitUNC_p pSplitFPath"},
        {[] { BrenvikTestAccess::ValidateMultiDirLevel_p("", 1); }, "validate.cpp",
         "ValidateMultiDirLevel_p strDirPath"},
        {[] { CDriveEx::ComposeDrvPath(g_a, "", "", "", ""); }, "compose.cpp", "ComposeDrvPath strDrv"},
        {[] { CDriveEx::ComposeDrvPath(g_a, "C:", nullptr, "", ""); }, "compose.cpp", "ComposeDrvPath strDir"},
        {[] { CDriveEx::ComposeDrvPath(g_a, "C:", "d", "", nullptr); }, "compose.cpp",
         "ComposeDrvPath strFileTitle"},
        {[] { CDriveEx::ComposeDrvPath(g_a, "C:", "d", "t", ""); }, "compose.cpp", "ComposeDrvPath strFileExt"},
        {[] { CDriveEx::ComposeUNC(g_a, kNoRecord); }, "compose.cpp", "ComposeUNC pSplitFPath"},
        {[] { CDriveEx::ComposeDrvPath(g_a, kNoRecord); }, "compose.cpp", "ComposeDrvPath pSplitFPath"},
        {[&rec] {
             CDriveEx::MySplitPath(R"(C:\d\t.e)", &rec, nullptr);
             CDriveEx::ComposeUNC(g_a, &rec);
         },
         "compose.cpp", "ComposeUNC strOrgPath"},
        {[] { CDriveEx::ChgPathExt(nullptr, nullptr, nullptr); }, "title_ext.cpp", "ChgPathExt strOrgPath"},
        {[] { CDriveEx::ChgPathExt(R"(C:\d\f.e)", "", nullptr); }, "title_ext.cpp", "ChgPathExt strNewExt"},
        {[] { CDriveEx::ChgPathExt(R"(C:\d\f.e)", "x", nullptr); }, "title_ext.cpp",
         "ChgPathExt pResult_MAXPATH"},
        {[] { CDriveEx::ChgPathExt(R"(C:\dir\)", "bak", g_a); }, "title_ext.cpp", "ChgPathExt strFilename"},
        {[] { CDriveEx::ChgPathExt(R"(\\c\s)", "bak", g_a); }, "title_ext.cpp", "ChgPathExt strFilename"},
        {[] { CDriveEx::ChgPathExt(R"(C:\f.txt)", "b", g_a); }, "compose.cpp", "ComposeDrvPath strDir"},
        {[] { CDriveEx::AddPrefix2FileTitle("", "", "", nullptr); }, "title_ext.cpp",
         "AddPrefix2FileTitle strOrgPath"},
        {[] { CDriveEx::AddPrefix2FileTitle(R"(C:\d\a.b)", nullptr, "", nullptr); }, "title_ext.cpp",
         "AddPrefix2FileTitle strPrefix"},
        {[] { CDriveEx::AddPrefix2FileTitle(R"(C:\d\a.b)", " ", "", nullptr); }, "title_ext.cpp",
         "AddPrefix2FileTitle strPostfix"},
        {[] { CDriveEx::AddPrefix2FileTitle(R"(C:\d\a.b)", "p", "q", nullptr); }, "title_ext.cpp",
         "AddPrefix2FileTitle pResult_MAXPATH"},
        {[] { CDriveEx::AddPrefix2FileTitle(R"(C:\d\)", "p", "q", g_a); }, "title_ext.cpp",
         "AddPrefix2FileTitle strFilename"},
        {[] { CDriveEx::AddPrefix2FileTitle(R"(C:\dir\README)", "p", "q", g_a); }, "compose.cpp",
         "ComposeDrvPath strFileExt"},
        {[] { CDriveEx::ChgExtname(nullptr, nullptr, nullptr, nullptr); }, "title_ext.cpp",
         "ChgExtname strNewExt"},
        {[] { CDriveEx::ChgExtname(nullptr, "x", nullptr, nullptr); }, "title_ext.cpp",
         "ChgExtname pNewPath_MAXPATH"},
        {[] { CDriveEx::ChgExtname(nullptr, "x", g_a, nullptr); }, "title_ext.cpp",
         "ChgExtname pOldExt_MAXPATH"},
        {[] { CDriveEx::ChgExtname("", "x", g_a, g_b); }, "title_ext.cpp", "ChgExtname strPath"},
        // Silent: refusals before the traced test, malformed pieces, failed
        // splits, functions without trace sites, successes.
        {[&rec] {
             CDriveEx::SplitUNC_p("", nullptr);
             CDriveEx::SplitDrvpath_p(R"(C:\a)", nullptr);
             CDriveEx::MySplitPath(R"(\\c\s)", nullptr, nullptr);
             CDriveEx::MySplitPath(R"(\\c\s\d\.cfg)", &rec, nullptr);
             CDriveEx::MySplitPath(R"(C:\..\x)", &rec, nullptr);
             CDriveEx::GetTitleExt("", g_a, g_b, g_c);
             CDriveEx::Get_RootDirOfFilePath(nullptr, g_a, nullptr);
             CDriveEx::IsFilenameValid("");
             CDriveEx::Is_FilePath_DirPath_Valid(nullptr);
             CDriveEx::ChkFullPath_s("", 1, 1, 1, g_a, g_b, g_c, nullptr);
             CDriveEx::MkFullPath_s(nullptr, nullptr, nullptr, 1, 1, 1);
             CDriveEx::GetFileExt(nullptr, nullptr);
             CDriveEx::GetDirOf("", g_a);
             CDriveEx::ComposeUNC(g_a, "", nullptr, "", "", "");
             CDriveEx::ComposeUNC(nullptr, "c", "s", "d", "t", "e");
             CDriveEx::ComposeDrvPath(nullptr, "", "", "", "");
             CDriveEx::ComposeUNC(nullptr, kNoRecord);
             CDriveEx::ComposeDrvPath(nullptr, kNoRecord);
             CDriveEx::ComposeDrvPath(g_a, "1:", "d", "t", "e");
             CDriveEx::ComposeDrvPath(g_a, "C:", "..", "t", "e");
             CDriveEx::ChgPathExt(R"(C:\..\f)", "b", g_a);
             CDriveEx::ChgPathExt(R"(\\c\s\f.txt)", "b", g_a);
             CDriveEx::ChgPathExt(R"(C:\d\f.txt)", "b", g_a);
             CDriveEx::AddPrefix2FileTitle(R"(C:\d\f.txt)", "p", "q", g_a);
             CDriveEx::ChgExtname("f.txt", "b", g_a, g_b);
         },
         "", ""},
    };
    for (const auto &row : rows) {
        const std::string expected =
            *row.messages ? std::string("CDriveEx::") + row.messages : std::string();
        const std::size_t blank = expected.find(' ');
        EXPECT_EQ(Messages(row.call, row.file),
                  blank == std::string::npos
                      ? expected
                      : expected.substr(0, blank) + " BAD NULL ..." + expected.substr(blank + 1) + " \n");
    }
}

TEST_F(PathTrace, RecordFieldsInTheirOrder)
{
    // Each field emptied with every later one: the first empty one is named.
    const std::pair<const char *, std::size_t> unc[] = {
        {"strOrgPath", offsetof(SPLITUNC_tag, strOrgPath)},
        {"strComputer_name", offsetof(SPLITUNC_tag, strComputer_name)},
        {"strShare_name", offsetof(SPLITUNC_tag, strShare_name)},
        {"strDir", offsetof(SPLITUNC_tag, strDir)},
        {"strFileTitle", offsetof(SPLITUNC_tag, strFileTitle)},
        {"strFileExt", offsetof(SPLITUNC_tag, strFileExt)},
    };
    const std::pair<const char *, std::size_t> drv[] = {
        {"strOrgPath", offsetof(SPLITDRV_tag, strOrgPath)},
        {"strDrv", offsetof(SPLITDRV_tag, strDrv)},
        {"strDir", offsetof(SPLITDRV_tag, strDir)},
        {"strFileTitle", offsetof(SPLITDRV_tag, strFileTitle)},
        {"strFileExt", offsetof(SPLITDRV_tag, strFileExt)},
    };
    for (std::size_t i = 0; i < 11; ++i) {
        const bool isUnc = i < 6;
        const std::size_t first = isUnc ? i : i - 6, n = isUnc ? 6 : 5;
        SPLITFPATH_tag rec = MarkedRecord();
        ASSERT_EQ(CDriveEx::MySplitPath(isUnc ? R"(\\c\s\d\t.e)" : R"(C:\d\t.e)", &rec, nullptr), 1);
        char *group = isUnc ? reinterpret_cast<char *>(&rec.unc) : reinterpret_cast<char *>(&rec.drv);
        for (std::size_t j = first; j < n; ++j)
            group[(isUnc ? unc : drv)[j].second] = '\0';
        EXPECT_EQ(Messages([&] { isUnc ? CDriveEx::ComposeUNC(g_a, &rec) : CDriveEx::ComposeDrvPath(g_a, &rec); },
                           "compose.cpp"),
                  std::string(isUnc ? "CDriveEx::ComposeUNC" : "CDriveEx::ComposeDrvPath") +
                      " BAD NULL ..." + (isUnc ? unc : drv)[first].first + " \n");
    }
}

TEST_F(PathTrace, NothingIsSentBelowLevelOne)
{
    machine_.SetRegDword(R"(HKEY_LOCAL_MACHINE\SOFTWARE\OrloDebug)", "DebugLevel", 0);
    DbgLoadLevel();
    EXPECT_EQ(Messages([] { CDriveEx::ChgPathExt(nullptr, nullptr, nullptr); }, ""), "");
    machine_.RemoveRegKey(R"(HKEY_LOCAL_MACHINE\SOFTWARE\OrloDebug)");
    DbgLoadLevel();
    EXPECT_EQ(Messages([] { CDriveEx::ChgPathExt(nullptr, nullptr, nullptr); }, ""), "");
}

}  // namespace
