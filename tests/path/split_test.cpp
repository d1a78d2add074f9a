// Splitting drive and UNC paths into the split-path record.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "path/path_test_util.h"

using brenvik::test::MarkedRecord;
using brenvik::test::OutBuf;

namespace {

// A group's pieces after strOrgPath, '|'-joined.
std::string Pieces(const SPLITFPATH_tag &r, bool unc)
{
    const SPLITUNC_tag &u = r.unc;
    const SPLITDRV_tag &d = r.drv;
    const char *const f[] = {unc ? u.strComputer_name : d.strDrv, unc ? u.strShare_name : d.strDir,
                             unc ? u.strDir : d.strFilename, unc ? u.strFilename : d.strFileTitle,
                             unc ? u.strFileTitle : d.strFileExt, unc ? u.strFileExt : nullptr};
    std::string s = f[0];
    for (int i = 1; i < 6 && f[i]; ++i)
        s += std::string("|") + f[i];
    return s;
}

struct SplitRow {
    const char *path;
    int result;
    const char *pieces;  // drive: drv|dir|filename|title|ext; UNC: computer|share|dir|...
};

const SplitRow kRows[] = {
    {R"(C:\dir\file.ext)", 1, R"(C:\|dir|file.ext|file|.ext)"},
    {R"(c:\dir1\dir2\file.tar.gz)", 1, R"(c:\|dir1\dir2|file.tar.gz|file.tar|.gz)"},
    {R"(C:\file)", 1, R"(C:\||file|file|)"},
    {R"(C:\dir\file.)", 1, R"(C:\|dir|file.|file|.)"},
    {R"(C:\)", 1, R"(C:\||||)"},
    {R"(C:\dir\)", 1, R"(C:\|dir|||)"},
    {R"(C:\dir\.)", 1, R"(C:\|dir|||)"},
    {R"(C:\dir\.cfg)", 0, R"(C:\|dir|||)"},
    {R"(C:\..\f.txt)", 0, "||||"},
    {R"(C:\d\\f)", 0, "||||"},
    {"C:/dir/f.txt", 0, "||||"},
    {R"(C:\d/x\f.txt)", 0, R"(C:\|d/x|||)"},
    {"C:", 0, "||||"},
    {R"(1:\x)", 0, "||||"},
    {"C:\\d\\f.txt ", 1, R"(C:\|d|f.txt |f|.txt )"},
    {R"(C:\a..b\f.txt)", 0, "||||"},
    {R"(C:\dir\a..b)", 0, "||||"},
    {R"(C:\d\f/x.txt)", 1, R"(C:\|d|f/x.txt|f/x|.txt)"},
    {R"(z:\a b\c d.e f)", 1, R"(z:\|a b|c d.e f|c d|.e f)"},
    {R"(C:\d:x\f)", 0, R"(C:\|d:x|||)"},
    {R"(dir\f.txt)", 0, "||||"},
    {R"(\)", 0, "||||"},
    {R"(@:\x)", 0, "||||"},
    {R"([:\x)", 0, "||||"},
    {R"(\\computer\share\dir\file.ext)", 1, "computer|share|dir|file.ext|file|.ext"},
    {R"(\\computer)", 1, "computer|||||"},
    {R"(\\computer\)", 0, "computer|||||"},
    {R"(\\computer\share)", 1, "computer|share||||"},
    {R"(\\computer\share\)", 1, "computer|share||||"},
    {R"(\\computer\share\file.ext)", 1, "computer|share||file.ext|file|.ext"},
    {R"(\\computer\share\d1\d2\)", 1, R"(computer|share|d1\d2|||)"},
    {R"(\\c\s\d\a.b.c)", 1, "c|s|d|a.b.c|a.b|.c"},
    {R"(\\c\s\d\file.)", 1, "c|s|d|file|file|."},
    {R"(\\c\s\d\README)", 1, "c|s|d|README|README|"},
    {R"(\\c\s\..\f.txt)", 1, "c|s|..|f.txt|f|.txt"},
    {R"(\\c\s\d\.cfg)", 0, "c|s|d|||"},
    {R"(\\c\s\d\f*x)", 0, "c|s|d|||"},
    {R"(\\\c)", 0, "|||||"},
    {R"(\\)", 0, "|||||"},
    {R"(\\c/s/d)", 1, "c/s/d|||||"},
    {"\\\\c\\s\\d\\\\", 1, "c|s|d\\|||"},
    {R"(\\c\s\d:x\f)", 0, "c|s|d:x|||"},
    {R"(\\c:x\s)", 1, "c:x|s||||"},
    {R"(\\c\s\d\a..b)", 1, "c|s|d|a..b|a.|.b"},
    {R"(\\c\\s)", 0, "c|||||"},
    {R"(\\c\s\\f)", 0, "c|s||||"},
    {R"(\\c\s\.)", 0, "c|s||||"},
    {R"(\\c\s\a\\b\f)", 0, R"(c|s|a\\b|||)"},
};

TEST(Split, WorkedExamples)
{
    for (const SplitRow &row : kRows) {
        SCOPED_TRACE(row.path);
        const bool unc = std::strncmp(row.path, R"(\\)", 2) == 0;
        SPLITFPATH_tag rec = MarkedRecord();
        int isUnc = -1;
        EXPECT_EQ(CDriveEx::MySplitPath(row.path, &rec, &isUnc), row.result);
        EXPECT_EQ(isUnc, unc ? 1 : 0);
        EXPECT_EQ(Pieces(rec, unc), row.pieces);
        // A UNC failure keeps the path (unless it fails before storing it);
        // a drive failure does not.
        const bool stored = unc ? std::strcmp(row.path, R"(\\)") != 0 : row.result == 1;
        EXPECT_STREQ(unc ? rec.unc.strOrgPath : rec.drv.strOrgPath, stored ? row.path : "");
        // The other group: only its strOrgPath is emptied.
        EXPECT_STREQ(unc ? rec.drv.strOrgPath : rec.unc.strOrgPath, "");
        EXPECT_EQ(Pieces(rec, !unc), unc ? "old|old|old|old|old" : "old|old|old|old|old|old");
        EXPECT_EQ(rec.unc.nReserved + rec.drv.nReserved, 0xC0FFEEu + 0xBEEFu);

        SPLITFPATH_tag direct = MarkedRecord();
        EXPECT_EQ(unc ? CDriveEx::SplitUNC_p(row.path, &direct)
                      : CDriveEx::SplitDrvpath_p(row.path, &direct),
                  row.result);
        EXPECT_EQ(std::memcmp(&direct, &rec, sizeof rec), 0);
    }
    // Not the UNC form: refused after clearing the group.
    SPLITFPATH_tag rec = MarkedRecord();
    EXPECT_EQ(CDriveEx::SplitUNC_p(R"(\x\y)", &rec), 0);
    EXPECT_EQ(Pieces(rec, true) + rec.unc.strOrgPath + rec.drv.strOrgPath, "|||||");
    EXPECT_STREQ(rec.drv.strDir, "old");
}

TEST(Split, MissingArgumentsTouchNothing)
{
    SPLITFPATH_tag rec = MarkedRecord();
    const SPLITFPATH_tag before = rec;
    int isUnc = 7;
    for (const char *path : {static_cast<const char *>(nullptr), ""}) {
        EXPECT_EQ(CDriveEx::MySplitPath(path, &rec, &isUnc), 0);
        EXPECT_EQ(CDriveEx::SplitUNC_p(path, &rec), 0);
        EXPECT_EQ(CDriveEx::SplitDrvpath_p(path, &rec), 0);
    }
    EXPECT_EQ(CDriveEx::MySplitPath(R"(C:\a)", nullptr, &isUnc), 0);
    EXPECT_EQ(CDriveEx::SplitUNC_p(R"(\\c\s)", nullptr), 0);
    EXPECT_EQ(CDriveEx::SplitDrvpath_p(R"(C:\a)", nullptr), 0);
    EXPECT_EQ(isUnc, 7);
    EXPECT_EQ(std::memcmp(&rec, &before, sizeof rec), 0);
    EXPECT_EQ(CDriveEx::MySplitPath(R"(C:\d\f.e)", &rec, nullptr), 1);
}

TEST(Split, PathMayBeAFieldOfTheSameRecord)
{
    SPLITFPATH_tag rec = MarkedRecord();
    ASSERT_EQ(CDriveEx::MySplitPath(R"(\\c\s\d\f.e)", &rec, nullptr), 1);
    EXPECT_EQ(CDriveEx::MySplitPath(rec.unc.strOrgPath, &rec, nullptr), 1);
    EXPECT_STREQ(rec.unc.strOrgPath, R"(\\c\s\d\f.e)");
    EXPECT_STREQ(rec.unc.strFileExt, ".e");
    std::strcpy(rec.unc.strComputer_name, R"(\\x\y\z\w.v)");
    EXPECT_EQ(CDriveEx::SplitUNC_p(rec.unc.strComputer_name, &rec), 1);
    EXPECT_EQ(Pieces(rec, true), "x|y|z|w.v|w|.v");
    std::strcpy(rec.unc.strOrgPath, R"(F:\g\h.i)");  // emptied by the drive splitter
    EXPECT_EQ(CDriveEx::SplitDrvpath_p(rec.unc.strOrgPath, &rec), 1);
    EXPECT_STREQ(rec.drv.strOrgPath, R"(F:\g\h.i)");
    EXPECT_EQ(Pieces(rec, false), R"(F:\|g|h.i|h|.i)");
}

TEST(GetTitleExt, FromTheReportedGroup)
{
    const struct {
        const char *path, *pieces;  // null: refused, nothing written
    } rows[] = {
        {R"(\\c\s\d\file.)", "file|file|."}, {R"(C:\dir\file.)", "file.|file|."},
        {R"(C:\dir\a.b.c)", "a.b.c|a.b|.c"}, {R"(\\c\s\README)", "README|README|"},
        {R"(C:\dir\)", "||"},                {R"(\\c\s)", "||"},
        {R"(C:\dir\.cfg)", nullptr},         {"C:x", nullptr},
        {"", nullptr},                       {nullptr, nullptr},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path ? row.path : "(null)");
        OutBuf name, title, ext;
        EXPECT_EQ(CDriveEx::GetTitleExt(row.path, name.get(), title.get(), ext.get()),
                  row.pieces ? 1 : 0);
        EXPECT_EQ(name.str() + "|" + title.str() + "|" + ext.str(),
                  row.pieces ? row.pieces : "<untouched>|<untouched>|<untouched>");
    }
    OutBuf a, b;
    EXPECT_EQ(CDriveEx::GetTitleExt(R"(C:\d\f.e)", nullptr, a.get(), b.get()), 0);
    EXPECT_EQ(CDriveEx::GetTitleExt(R"(C:\d\f.e)", a.get(), nullptr, b.get()), 0);
    EXPECT_EQ(CDriveEx::GetTitleExt(R"(C:\d\f.e)", a.get(), b.get(), nullptr), 0);
    EXPECT_EQ(a.str() + b.str(), "<untouched><untouched>");
    char buf[BRENVIK_MAX_PATH] = R"(C:\dir\name.txt)";
    EXPECT_EQ(CDriveEx::GetTitleExt(buf, buf, a.get(), b.get()), 1);
    EXPECT_EQ(buf + ("|" + a.str()) + "|" + b.str(), "name.txt|name|.txt");
}

TEST(GetRootDirOfFilePath, Roots)
{
    const struct {
        const char *path, *root;  // null: refused, nothing written
        int isUnc;
    } rows[] = {
        {R"(C:\dir\file.ext)", R"(C:\)", 0},
        {R"(\\computer\share\dir\file.ext)", R"(\\computer\share\)", 1},
        {R"(d:\)", R"(d:\)", 0},
        {R"(\\computer\share)", R"(\\computer\share\)", 1},
        {R"(\\computer)", R"(\\computer\)", 1},  // no share: the root ends after the computer
        {"C:x", nullptr, -1},
        {R"(\\computer\)", nullptr, -1},
        {"", nullptr, -1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path);
        OutBuf root;
        int isUnc = -1;
        EXPECT_EQ(CDriveEx::Get_RootDirOfFilePath(row.path, root.get(), &isUnc), row.root ? 1 : 0);
        EXPECT_EQ(root.str(), row.root ? row.root : "<untouched>");
        EXPECT_EQ(isUnc, row.isUnc);
        EXPECT_EQ(CDriveEx::Get_RootDirOfFilePath(row.path, root.get(), nullptr), row.root ? 1 : 0);
    }
    EXPECT_EQ(CDriveEx::Get_RootDirOfFilePath(R"(\\c\s\f)", nullptr, nullptr), 0);
}

}  // namespace
