// The trace lines of the path model: which calls send which "BAD NULL"
// line, in which order the arguments are tested, and which calls stay
// silent. Lines are taken from the simulated machine's debugger output.
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
using brenvik::test::OutBuf;

brenvik::sim::Machine *g_machine = nullptr;

class PathTrace : public ::testing::Test {
protected:
    void SetUp() override
    {
        machine_.SetRegDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug", "DebugLevel", 1);
        DbgLoadLevel();
        g_machine = &machine_;
    }
    void TearDown() override
    {
        g_machine = nullptr;
        g_bDbgEnabled = 0;
        g_dwDbgLevel = 0;
    }

    // The messages of the lines sent by call(), each checked for the line
    // form "Orlo DbgMessage:<message> FILE:<file> LINE:<n> " with the file
    // given.
    static std::vector<std::string> Messages(const std::function<void()> &call,
                                             const std::string &file)
    {
        g_machine->ClearDebugOutput();
        call();
        std::vector<std::string> messages;
        for (const std::string &line : g_machine->DebugOutput()) {
            const std::string head = "Orlo DbgMessage:";
            const std::string fileField = " FILE:" + file + " LINE:";
            const std::size_t at = line.rfind(fileField);
            EXPECT_EQ(line.compare(0, head.size(), head), 0) << line;
            EXPECT_NE(at, std::string::npos) << line;
            if (at == std::string::npos)
                continue;
            const std::string number = line.substr(at + fileField.size());
            EXPECT_TRUE(number.size() >= 2 && number.back() == ' ' &&
                        number.find_first_not_of("0123456789") == number.size() - 1)
                << line;
            messages.push_back(line.substr(head.size(), at - head.size()));
        }
        return messages;
    }

    brenvik::sim::Machine machine_;
    brenvik::test::ScopedMachine scope_{machine_};
};

struct Row {
    const char *what;
    std::function<void()> call;
    const char *file;
    std::vector<std::string> messages;
};

void Check(const std::vector<Row> &rows,
           std::vector<std::string> (*messages)(const std::function<void()> &,
                                                const std::string &))
{
    for (const Row &row : rows)
        EXPECT_EQ(messages(row.call, row.file), row.messages) << row.what;
}

char g_out[BRENVIK_MAX_PATH];
char g_out2[BRENVIK_MAX_PATH];
char g_out3[BRENVIK_MAX_PATH];

TEST_F(PathTrace, SplittersAndValidation)
{
    SPLITFPATH_tag rec = MarkedRecord();
    Check({
        {"SplitUNC_p, null record", [] { CDriveEx::SplitUNC_p(R"(\\c\s)", nullptr); },
         "split.cpp", {"CDriveEx::SplitUNC_p BAD NULL ...pSplitFPath \n"}},
        {"SplitUNC_p, empty path first", [] { CDriveEx::SplitUNC_p("", nullptr); }, "", {}},
        {"SplitDrvpath_p, null record", [] { CDriveEx::SplitDrvpath_p(R"(C:\a)", nullptr); },
         "", {}},
        {"MySplitPath, null record", [] { CDriveEx::MySplitPath(R"(\\c\s)", nullptr, nullptr); },
         "", {}},
        {"MySplitPath, failing splits",
         [&rec] {
             CDriveEx::MySplitPath(R"(\\c\s\d\.cfg)", &rec, nullptr);
             CDriveEx::MySplitPath(R"(C:\..\x)", &rec, nullptr);
         },
         "", {}},
        {"GetTitleExt, Get_RootDirOfFilePath",
         [] {
             CDriveEx::GetTitleExt("", g_out, g_out2, g_out3);
             CDriveEx::GetTitleExt(R"(C:\a.b)", nullptr, g_out2, g_out3);
             CDriveEx::Get_RootDirOfFilePath(nullptr, g_out, nullptr);
         },
         "", {}},
        {"ValidateMultiDirLevel_p, empty",
         [] {
             BrenvikTestAccess::ValidateMultiDirLevel_p("", 1);
             BrenvikTestAccess::ValidateMultiDirLevel_p(nullptr, 0);
         },
         "validate.cpp",
         {"CDriveEx::ValidateMultiDirLevel_p BAD NULL ...strDirPath \n",
          "CDriveEx::ValidateMultiDirLevel_p BAD NULL ...strDirPath \n"}},
        {"validation with empty arguments",
         [] {
             CDriveEx::IsFilenameValid("");
             CDriveEx::Is_FilePath_DirPath_Valid(nullptr);
             CDriveEx::ChkFullPath_s("", 1, 1, 1, g_out, g_out2, g_out3, nullptr);
             CDriveEx::MkFullPath_s(nullptr, nullptr, nullptr, 1, 1, 1);
             CDriveEx::GetFileExt(nullptr, nullptr);
             CDriveEx::GetDirOf("", g_out);
         },
         "", {}},
    }, &PathTrace::Messages);
}

TEST_F(PathTrace, ComposersPieces)
{
    Check({
        {"ComposeUNC pieces, every missing piece",
         [] {
             CDriveEx::ComposeUNC(g_out, "", "s", "d", "t", "e");
             CDriveEx::ComposeUNC(g_out, "c", nullptr, "d", "t", "e");
             CDriveEx::ComposeUNC(g_out, "c", "s", "", "t", "e");
             CDriveEx::ComposeUNC(g_out, "c", "s", "d", "", "e");
             CDriveEx::ComposeUNC(g_out, "c", "s", "d", "t", nullptr);
             CDriveEx::ComposeUNC(nullptr, "c", "s", "d", "t", "e");
         },
         "", {}},
        {"ComposeDrvPath, strDrv", [] { CDriveEx::ComposeDrvPath(g_out, "", "", "", ""); },
         "compose.cpp", {"CDriveEx::ComposeDrvPath BAD NULL ...strDrv \n"}},
        {"ComposeDrvPath, strDir", [] { CDriveEx::ComposeDrvPath(g_out, "C:", nullptr, "", ""); },
         "compose.cpp", {"CDriveEx::ComposeDrvPath BAD NULL ...strDir \n"}},
        {"ComposeDrvPath, strFileTitle",
         [] { CDriveEx::ComposeDrvPath(g_out, "C:", "d", "", nullptr); }, "compose.cpp",
         {"CDriveEx::ComposeDrvPath BAD NULL ...strFileTitle \n"}},
        {"ComposeDrvPath, strFileExt", [] { CDriveEx::ComposeDrvPath(g_out, "C:", "d", "t", ""); },
         "compose.cpp", {"CDriveEx::ComposeDrvPath BAD NULL ...strFileExt \n"}},
        {"ComposeDrvPath, null output first",
         [] { CDriveEx::ComposeDrvPath(nullptr, "", "", "", ""); }, "", {}},
        {"ComposeDrvPath, malformed pieces",
         [] {
             CDriveEx::ComposeDrvPath(g_out, "1:", "d", "t", "e");
             CDriveEx::ComposeDrvPath(g_out, "C:", "..", "t", "e");
             CDriveEx::ComposeDrvPath(g_out, "C:", "d", "t*", "e");
         },
         "", {}},
    }, &PathTrace::Messages);
}

TEST_F(PathTrace, ComposersRecord)
{
    // Each field of the group, emptied in turn in a record that a split of
    // the form filled, gives its own line; the table's order is the order
    // of the tests.
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
    for (std::size_t i = 0; i < 6; ++i) {
        SPLITFPATH_tag rec = MarkedRecord();
        ASSERT_EQ(CDriveEx::MySplitPath(R"(\\c\s\d\t.e)", &rec, nullptr), 1);
        // Every later field empty too: the first empty one is reported.
        for (std::size_t j = i; j < 6; ++j)
            reinterpret_cast<char *>(&rec.unc)[unc[j].second] = '\0';
        EXPECT_EQ(Messages([&rec] { CDriveEx::ComposeUNC(g_out, &rec); }, "compose.cpp"),
                  std::vector<std::string>{std::string("CDriveEx::ComposeUNC BAD NULL ...") +
                                           unc[i].first + " \n"});
    }
    for (std::size_t i = 0; i < 5; ++i) {
        SPLITFPATH_tag rec = MarkedRecord();
        ASSERT_EQ(CDriveEx::MySplitPath(R"(C:\d\t.e)", &rec, nullptr), 1);
        for (std::size_t j = i; j < 5; ++j)
            reinterpret_cast<char *>(&rec.drv)[drv[j].second] = '\0';
        EXPECT_EQ(Messages([&rec] { CDriveEx::ComposeDrvPath(g_out, &rec); }, "compose.cpp"),
                  std::vector<std::string>{std::string("CDriveEx::ComposeDrvPath BAD NULL ...") +
                                           drv[i].first + " \n"});
    }
    SPLITFPATH_tag rec = MarkedRecord();
    Check({
        {"ComposeUNC record, null",
         [] { CDriveEx::ComposeUNC(g_out, static_cast<const SPLITFPATH_tag *>(nullptr)); },
         "compose.cpp", {"CDriveEx::ComposeUNC BAD NULL ...pSplitFPath \n"}},
        {"ComposeDrvPath record, null",
         [] { CDriveEx::ComposeDrvPath(g_out, static_cast<const SPLITFPATH_tag *>(nullptr)); },
         "compose.cpp", {"CDriveEx::ComposeDrvPath BAD NULL ...pSplitFPath \n"}},
        {"record forms, null output first",
         [] {
             CDriveEx::ComposeUNC(nullptr, static_cast<const SPLITFPATH_tag *>(nullptr));
             CDriveEx::ComposeDrvPath(nullptr, static_cast<const SPLITFPATH_tag *>(nullptr));
         },
         "", {}},
        {"a drive record to the UNC composer",
         [&rec] {
             CDriveEx::MySplitPath(R"(C:\d\t.e)", &rec, nullptr);
             CDriveEx::ComposeUNC(g_out, &rec);
         },
         "compose.cpp", {"CDriveEx::ComposeUNC BAD NULL ...strOrgPath \n"}},
    }, &PathTrace::Messages);
}

TEST_F(PathTrace, TitleAndExtension)
{
    Check({
        {"ChgPathExt, strOrgPath first", [] { CDriveEx::ChgPathExt(nullptr, nullptr, nullptr); },
         "title_ext.cpp", {"CDriveEx::ChgPathExt BAD NULL ...strOrgPath \n"}},
        {"ChgPathExt, strNewExt", [] { CDriveEx::ChgPathExt(R"(C:\d\f.e)", "", nullptr); },
         "title_ext.cpp", {"CDriveEx::ChgPathExt BAD NULL ...strNewExt \n"}},
        {"ChgPathExt, pResult_MAXPATH", [] { CDriveEx::ChgPathExt(R"(C:\d\f.e)", "x", nullptr); },
         "title_ext.cpp", {"CDriveEx::ChgPathExt BAD NULL ...pResult_MAXPATH \n"}},
        {"ChgPathExt, strFilename", [] { CDriveEx::ChgPathExt(R"(C:\dir\)", "bak", g_out); },
         "title_ext.cpp", {"CDriveEx::ChgPathExt BAD NULL ...strFilename \n"}},
        {"ChgPathExt, UNC strFilename", [] { CDriveEx::ChgPathExt(R"(\\c\s)", "bak", g_out); },
         "title_ext.cpp", {"CDriveEx::ChgPathExt BAD NULL ...strFilename \n"}},
        {"ChgPathExt, the composer's line", [] { CDriveEx::ChgPathExt(R"(C:\f.txt)", "b", g_out); },
         "compose.cpp", {"CDriveEx::ComposeDrvPath BAD NULL ...strDir \n"}},
        {"ChgPathExt, failed split and UNC composer",
         [] {
             CDriveEx::ChgPathExt(R"(C:\..\f)", "b", g_out);
             CDriveEx::ChgPathExt(R"(\\c\s\f.txt)", "b", g_out);
         },
         "", {}},
        {"AddPrefix2FileTitle, strOrgPath first",
         [] { CDriveEx::AddPrefix2FileTitle("", "", "", nullptr); }, "title_ext.cpp",
         {"CDriveEx::AddPrefix2FileTitle BAD NULL ...strOrgPath \n"}},
        {"AddPrefix2FileTitle, strPrefix",
         [] { CDriveEx::AddPrefix2FileTitle(R"(C:\d\a.b)", nullptr, "", nullptr); },
         "title_ext.cpp", {"CDriveEx::AddPrefix2FileTitle BAD NULL ...strPrefix \n"}},
        {"AddPrefix2FileTitle, strPostfix",
         [] { CDriveEx::AddPrefix2FileTitle(R"(C:\d\a.b)", " ", "", nullptr); }, "title_ext.cpp",
         {"CDriveEx::AddPrefix2FileTitle BAD NULL ...strPostfix \n"}},
        {"AddPrefix2FileTitle, pResult_MAXPATH",
         [] { CDriveEx::AddPrefix2FileTitle(R"(C:\d\a.b)", "p", "q", nullptr); },
         "title_ext.cpp", {"CDriveEx::AddPrefix2FileTitle BAD NULL ...pResult_MAXPATH \n"}},
        {"AddPrefix2FileTitle, strFilename",
         [] { CDriveEx::AddPrefix2FileTitle(R"(C:\d\)", "p", "q", g_out); }, "title_ext.cpp",
         {"CDriveEx::AddPrefix2FileTitle BAD NULL ...strFilename \n"}},
        {"AddPrefix2FileTitle, the composer's line",
         [] { CDriveEx::AddPrefix2FileTitle(R"(C:\dir\README)", "p", "q", g_out); },
         "compose.cpp", {"CDriveEx::ComposeDrvPath BAD NULL ...strFileExt \n"}},
        {"ChgExtname, strNewExt first",
         [] { CDriveEx::ChgExtname(nullptr, nullptr, nullptr, nullptr); }, "title_ext.cpp",
         {"CDriveEx::ChgExtname BAD NULL ...strNewExt \n"}},
        {"ChgExtname, pNewPath_MAXPATH",
         [] { CDriveEx::ChgExtname(nullptr, "x", nullptr, nullptr); }, "title_ext.cpp",
         {"CDriveEx::ChgExtname BAD NULL ...pNewPath_MAXPATH \n"}},
        {"ChgExtname, pOldExt_MAXPATH", [] { CDriveEx::ChgExtname(nullptr, "x", g_out, nullptr); },
         "title_ext.cpp", {"CDriveEx::ChgExtname BAD NULL ...pOldExt_MAXPATH \n"}},
        {"ChgExtname, strPath", [] { CDriveEx::ChgExtname("", "x", g_out, g_out2); },
         "title_ext.cpp", {"CDriveEx::ChgExtname BAD NULL ...strPath \n"}},
        {"successes",
         [] {
             CDriveEx::ChgPathExt(R"(C:\d\f.txt)", "b", g_out);
             CDriveEx::AddPrefix2FileTitle(R"(C:\d\f.txt)", "p", "q", g_out);
             CDriveEx::ChgExtname("f.txt", "b", g_out, g_out2);
             CDriveEx::GetFileExt("a.b", g_out);
             CDriveEx::GetDirOf(R"(C:\d\f)", g_out);
         },
         "", {}},
    }, &PathTrace::Messages);
}

TEST_F(PathTrace, NothingIsSentBelowLevelOne)
{
    machine_.SetRegDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug", "DebugLevel", 0);
    DbgLoadLevel();
    EXPECT_TRUE(Messages([] { CDriveEx::ChgPathExt(nullptr, nullptr, nullptr); }, "").empty());
    machine_.RemoveRegKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug");
    DbgLoadLevel();
    EXPECT_TRUE(Messages([] { CDriveEx::ChgPathExt(nullptr, nullptr, nullptr); }, "").empty());
}

}  // namespace
