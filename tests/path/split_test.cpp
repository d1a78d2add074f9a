// Splitting drive and UNC paths into the split-path record.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <string>

#include "path/path_test_util.h"

using brenvik::test::MarkedRecord;
using brenvik::test::OutBuf;

namespace {

struct DrvRow {
    const char *path;
    int result;
    const char *drv, *dir, *filename, *title, *ext;
};

const DrvRow kDrvRows[] = {
    {R"(C:\dir\file.ext)", 1, R"(C:\)", "dir", "file.ext", "file", ".ext"},
    {R"(c:\dir1\dir2\file.tar.gz)", 1, R"(c:\)", R"(dir1\dir2)", "file.tar.gz", "file.tar", ".gz"},
    {R"(C:\file)", 1, R"(C:\)", "", "file", "file", ""},
    {R"(C:\dir\file.)", 1, R"(C:\)", "dir", "file.", "file", "."},
    {R"(C:\)", 1, R"(C:\)", "", "", "", ""},
    {R"(C:\dir\)", 1, R"(C:\)", "dir", "", "", ""},
    {R"(C:\dir\.)", 1, R"(C:\)", "dir", "", "", ""},
    {R"(C:\dir\.cfg)", 0, R"(C:\)", "dir", "", "", ""},
    {R"(C:\..\f.txt)", 0, "", "", "", "", ""},
    {R"(C:\d\\f)", 0, "", "", "", "", ""},
    {"C:/dir/f.txt", 0, "", "", "", "", ""},
    {R"(C:\d/x\f.txt)", 0, R"(C:\)", "d/x", "", "", ""},
    {"C:", 0, "", "", "", "", ""},
    {R"(1:\x)", 0, "", "", "", "", ""},
    // Further edges: the blank after the extension is kept; ".." anywhere
    // fails; the drive splitter does not validate the file name.
    {"C:\\d\\f.txt ", 1, R"(C:\)", "d", "f.txt ", "f", ".txt "},
    {R"(C:\a..b\f.txt)", 0, "", "", "", "", ""},
    {R"(C:\dir\a..b)", 0, "", "", "", "", ""},
    {R"(C:\d\f/x.txt)", 1, R"(C:\)", "d", "f/x.txt", "f/x", ".txt"},
    {R"(z:\a b\c d.e f)", 1, R"(z:\)", "a b", "c d.e f", "c d", ".e f"},
    {R"(C:\d:x\f)", 0, R"(C:\)", "d:x", "", "", ""},
    {R"(C:x)", 0, "", "", "", "", ""},
    {R"(dir\f.txt)", 0, "", "", "", "", ""},
    {R"(@:\x)", 0, "", "", "", "", ""},
    {R"([:\x)", 0, "", "", "", "", ""},
};

TEST(SplitDrvpath, WorkedExamples)
{
    for (const DrvRow &row : kDrvRows) {
        SCOPED_TRACE(row.path);
        SPLITFPATH_tag rec = MarkedRecord();
        int isUnc = -1;
        EXPECT_EQ(CDriveEx::MySplitPath(row.path, &rec, &isUnc), row.result);
        EXPECT_EQ(isUnc, 0);
        EXPECT_STREQ(rec.drv.strOrgPath, row.result ? row.path : "");
        EXPECT_STREQ(rec.drv.strDrv, row.drv);
        EXPECT_STREQ(rec.drv.strDir, row.dir);
        EXPECT_STREQ(rec.drv.strFilename, row.filename);
        EXPECT_STREQ(rec.drv.strFileTitle, row.title);
        EXPECT_STREQ(rec.drv.strFileExt, row.ext);
        // The other group: only its strOrgPath is emptied.
        EXPECT_STREQ(rec.unc.strOrgPath, "");
        EXPECT_STREQ(rec.unc.strComputer_name, "u.computer");
        EXPECT_STREQ(rec.unc.strFileExt, "u.ext");
        EXPECT_EQ(rec.unc.nReserved, 0xC0FFEEu);
        EXPECT_EQ(rec.drv.nReserved, 0xBEEFu);

        // The splitter called directly gives the same record.
        SPLITFPATH_tag direct = MarkedRecord();
        EXPECT_EQ(CDriveEx::SplitDrvpath_p(row.path, &direct), row.result);
        EXPECT_EQ(std::memcmp(&direct, &rec, sizeof rec), 0);
    }
}

struct UncRow {
    const char *path;
    int result;
    const char *computer, *share, *dir, *filename, *title, *ext;
};

const UncRow kUncRows[] = {
    {R"(\\computer\share\dir\file.ext)", 1, "computer", "share", "dir", "file.ext", "file", ".ext"},
    {R"(\\computer)", 1, "computer", "", "", "", "", ""},
    {R"(\\computer\)", 0, "computer", "", "", "", "", ""},
    {R"(\\computer\share)", 1, "computer", "share", "", "", "", ""},
    {R"(\\computer\share\)", 1, "computer", "share", "", "", "", ""},
    {R"(\\computer\share\file.ext)", 1, "computer", "share", "", "file.ext", "file", ".ext"},
    {R"(\\computer\share\d1\d2\)", 1, "computer", "share", R"(d1\d2)", "", "", ""},
    {R"(\\c\s\d\a.b.c)", 1, "c", "s", "d", "a.b.c", "a.b", ".c"},
    {R"(\\c\s\d\file.)", 1, "c", "s", "d", "file", "file", "."},
    {R"(\\c\s\d\README)", 1, "c", "s", "d", "README", "README", ""},
    {R"(\\c\s\..\f.txt)", 1, "c", "s", "..", "f.txt", "f", ".txt"},
    {R"(\\c\s\d\.cfg)", 0, "c", "s", "d", "", "", ""},
    {R"(\\c\s\d\f*x)", 0, "c", "s", "d", "", "", ""},
    {R"(\\\c)", 0, "", "", "", "", "", ""},
    {R"(\\)", 0, "", "", "", "", "", ""},
    {R"(\\c/s/d)", 1, "c/s/d", "", "", "", "", ""},
    // Further edges.
    {"\\\\c\\s\\d\\\\", 1, "c", "s", "d\\", "", "", ""},
    {R"(\\c\s\d:x\f)", 0, "c", "s", "d:x", "", "", ""},
    {R"(\\c:x\s)", 1, "c:x", "s", "", "", "", ""},
    {R"(\\c\s\d\a..b)", 1, "c", "s", "d", "a..b", "a.", ".b"},
    {R"(\\c\\s)", 0, "c", "", "", "", "", ""},
    {R"(\\c\s\\f)", 0, "c", "s", "", "", "", ""},
    {R"(\\c\s\.)", 0, "c", "s", "", "", "", ""},
    {R"(\\c\s\a\\b\f)", 0, "c", "s", R"(a\\b)", "", "", ""},
};

TEST(SplitUNC, WorkedExamples)
{
    for (const UncRow &row : kUncRows) {
        SCOPED_TRACE(row.path);
        SPLITFPATH_tag rec = MarkedRecord();
        int isUnc = -1;
        EXPECT_EQ(CDriveEx::MySplitPath(row.path, &rec, &isUnc), row.result);
        EXPECT_EQ(isUnc, 1);
        // Only the two backslashes alone fail before the path is stored.
        const bool stored = std::strcmp(row.path, R"(\\)") != 0;
        EXPECT_STREQ(rec.unc.strOrgPath, stored ? row.path : "");
        EXPECT_STREQ(rec.unc.strComputer_name, row.computer);
        EXPECT_STREQ(rec.unc.strShare_name, row.share);
        EXPECT_STREQ(rec.unc.strDir, row.dir);
        EXPECT_STREQ(rec.unc.strFilename, row.filename);
        EXPECT_STREQ(rec.unc.strFileTitle, row.title);
        EXPECT_STREQ(rec.unc.strFileExt, row.ext);
        EXPECT_STREQ(rec.drv.strOrgPath, "");
        EXPECT_STREQ(rec.drv.strDrv, "d.drv");
        EXPECT_STREQ(rec.drv.strFileExt, "d.ext");

        SPLITFPATH_tag direct = MarkedRecord();
        EXPECT_EQ(CDriveEx::SplitUNC_p(row.path, &direct), row.result);
        EXPECT_EQ(std::memcmp(&direct, &rec, sizeof rec), 0);
    }
}

TEST(SplitUNC, NotUncFormIsRefusedAfterClearing)
{
    for (const char *path : {R"(C:\d\f)", R"(\x\y)", "ab"}) {
        SCOPED_TRACE(path);
        SPLITFPATH_tag rec = MarkedRecord();
        EXPECT_EQ(CDriveEx::SplitUNC_p(path, &rec), 0);
        EXPECT_STREQ(rec.unc.strOrgPath, "");
        EXPECT_STREQ(rec.unc.strComputer_name, "");
        EXPECT_STREQ(rec.unc.strFileExt, "");
        EXPECT_STREQ(rec.drv.strOrgPath, "");
        EXPECT_STREQ(rec.drv.strDir, "d.dir");
    }
}

TEST(Split, NullOrEmptyArgumentsTouchNothing)
{
    SPLITFPATH_tag rec = MarkedRecord();
    const SPLITFPATH_tag before = rec;
    int isUnc = 7;
    EXPECT_EQ(CDriveEx::MySplitPath(nullptr, &rec, &isUnc), 0);
    EXPECT_EQ(CDriveEx::MySplitPath("", &rec, &isUnc), 0);
    EXPECT_EQ(CDriveEx::MySplitPath(R"(C:\a)", nullptr, &isUnc), 0);
    EXPECT_EQ(CDriveEx::SplitUNC_p(nullptr, &rec), 0);
    EXPECT_EQ(CDriveEx::SplitUNC_p("", &rec), 0);
    EXPECT_EQ(CDriveEx::SplitUNC_p(R"(\\c\s)", nullptr), 0);
    EXPECT_EQ(CDriveEx::SplitDrvpath_p(nullptr, &rec), 0);
    EXPECT_EQ(CDriveEx::SplitDrvpath_p("", &rec), 0);
    EXPECT_EQ(CDriveEx::SplitDrvpath_p(R"(C:\a)", nullptr), 0);
    EXPECT_EQ(isUnc, 7);
    EXPECT_EQ(std::memcmp(&rec, &before, sizeof rec), 0);
}

TEST(MySplitPath, ReportsTheFormEvenWhenTheSplitFails)
{
    SPLITFPATH_tag rec = MarkedRecord();
    int isUnc = -1;
    EXPECT_EQ(CDriveEx::MySplitPath(R"(\\)", &rec, &isUnc), 0);
    EXPECT_EQ(isUnc, 1);
    EXPECT_EQ(CDriveEx::MySplitPath("C:", &rec, &isUnc), 0);
    EXPECT_EQ(isUnc, 0);
    isUnc = -1;
    EXPECT_EQ(CDriveEx::MySplitPath(R"(dir\f.txt)", &rec, &isUnc), 0);
    EXPECT_EQ(isUnc, 0);
    // A single backslash is a drive-form path (that fails).
    isUnc = -1;
    EXPECT_EQ(CDriveEx::MySplitPath(R"(\)", &rec, &isUnc), 0);
    EXPECT_EQ(isUnc, 0);
    EXPECT_EQ(CDriveEx::MySplitPath(R"(C:\d\f.e)", &rec, nullptr), 1);
    EXPECT_STREQ(rec.drv.strFileTitle, "f");
}

TEST(MySplitPath, EachSplitEmptiesTheOtherGroupsPathOnly)
{
    SPLITFPATH_tag rec = MarkedRecord();
    ASSERT_EQ(CDriveEx::MySplitPath(R"(C:\dd\ff.ee)", &rec, nullptr), 1);
    ASSERT_EQ(CDriveEx::MySplitPath(R"(\\cc\ss\uu\tt.xx)", &rec, nullptr), 1);
    EXPECT_STREQ(rec.drv.strOrgPath, "");
    EXPECT_STREQ(rec.drv.strDrv, R"(C:\)");
    EXPECT_STREQ(rec.drv.strDir, "dd");
    EXPECT_STREQ(rec.drv.strFilename, "ff.ee");
    EXPECT_STREQ(rec.unc.strOrgPath, R"(\\cc\ss\uu\tt.xx)");

    ASSERT_EQ(CDriveEx::MySplitPath(R"(D:\x\y.z)", &rec, nullptr), 1);
    EXPECT_STREQ(rec.unc.strOrgPath, "");
    EXPECT_STREQ(rec.unc.strComputer_name, "cc");
    EXPECT_STREQ(rec.unc.strFileTitle, "tt");
    EXPECT_STREQ(rec.drv.strOrgPath, R"(D:\x\y.z)");
}

TEST(MySplitPath, PathMayBeAFieldOfTheSameRecord)
{
    SPLITFPATH_tag rec = MarkedRecord();
    ASSERT_EQ(CDriveEx::MySplitPath(R"(\\c\s\d\f.e)", &rec, nullptr), 1);
    // Split the record's own path again, from each field that gets cleared.
    int isUnc = -1;
    EXPECT_EQ(CDriveEx::MySplitPath(rec.unc.strOrgPath, &rec, &isUnc), 1);
    EXPECT_EQ(isUnc, 1);
    EXPECT_STREQ(rec.unc.strOrgPath, R"(\\c\s\d\f.e)");
    EXPECT_STREQ(rec.unc.strFileExt, ".e");

    std::strcpy(rec.unc.strComputer_name, R"(\\x\y\z\w.v)");
    EXPECT_EQ(CDriveEx::SplitUNC_p(rec.unc.strComputer_name, &rec), 1);
    EXPECT_STREQ(rec.unc.strComputer_name, "x");
    EXPECT_STREQ(rec.unc.strDir, "z");
    EXPECT_STREQ(rec.unc.strOrgPath, R"(\\x\y\z\w.v)");

    std::strcpy(rec.drv.strFileTitle, R"(E:\p\q.r)");
    EXPECT_EQ(CDriveEx::SplitDrvpath_p(rec.drv.strFileTitle, &rec), 1);
    EXPECT_STREQ(rec.drv.strOrgPath, R"(E:\p\q.r)");
    EXPECT_STREQ(rec.drv.strFileTitle, "q");
    // The drive splitter empties unc.strOrgPath: a path stored there must
    // have been read before.
    std::strcpy(rec.unc.strOrgPath, R"(F:\g\h.i)");
    EXPECT_EQ(CDriveEx::SplitDrvpath_p(rec.unc.strOrgPath, &rec), 1);
    EXPECT_STREQ(rec.drv.strOrgPath, R"(F:\g\h.i)");
    EXPECT_STREQ(rec.unc.strOrgPath, "");
}

struct TitleExtRow {
    const char *path;
    int result;
    const char *filename, *title, *ext;
};

TEST(GetTitleExt, FromTheReportedGroup)
{
    const TitleExtRow rows[] = {
        {R"(\\c\s\d\file.)", 1, "file", "file", "."},
        {R"(C:\dir\file.)", 1, "file.", "file", "."},
        {R"(C:\dir\a.b.c)", 1, "a.b.c", "a.b", ".c"},
        {R"(\\c\s\README)", 1, "README", "README", ""},
        {R"(C:\dir\)", 1, "", "", ""},
        {R"(\\c\s)", 1, "", "", ""},
        {R"(C:\dir\.cfg)", 0, nullptr, nullptr, nullptr},
        {"C:x", 0, nullptr, nullptr, nullptr},
    };
    for (const TitleExtRow &row : rows) {
        SCOPED_TRACE(row.path);
        OutBuf name, title, ext;
        EXPECT_EQ(CDriveEx::GetTitleExt(row.path, name.get(), title.get(), ext.get()),
                  row.result);
        EXPECT_EQ(name.str(), row.result ? row.filename : "<untouched>");
        EXPECT_EQ(title.str(), row.result ? row.title : "<untouched>");
        EXPECT_EQ(ext.str(), row.result ? row.ext : "<untouched>");
    }
}

TEST(GetTitleExt, MissingArgumentsWriteNothing)
{
    OutBuf a, b, c;
    EXPECT_EQ(CDriveEx::GetTitleExt(nullptr, a.get(), b.get(), c.get()), 0);
    EXPECT_EQ(CDriveEx::GetTitleExt("", a.get(), b.get(), c.get()), 0);
    EXPECT_EQ(CDriveEx::GetTitleExt(R"(C:\d\f.e)", nullptr, b.get(), c.get()), 0);
    EXPECT_EQ(CDriveEx::GetTitleExt(R"(C:\d\f.e)", a.get(), nullptr, c.get()), 0);
    EXPECT_EQ(CDriveEx::GetTitleExt(R"(C:\d\f.e)", a.get(), b.get(), nullptr), 0);
    EXPECT_EQ(a.str(), "<untouched>");
    EXPECT_EQ(b.str(), "<untouched>");
    EXPECT_EQ(c.str(), "<untouched>");
}

TEST(GetTitleExt, OutputMayBeThePath)
{
    char buf[BRENVIK_MAX_PATH] = R"(C:\dir\name.txt)";
    OutBuf title, ext;
    EXPECT_EQ(CDriveEx::GetTitleExt(buf, buf, title.get(), ext.get()), 1);
    EXPECT_STREQ(buf, "name.txt");
    EXPECT_EQ(title.str(), "name");
    EXPECT_EQ(ext.str(), ".txt");
}

struct RootRow {
    const char *path;
    int result;
    const char *root;
    int isUnc;
};

TEST(GetRootDirOfFilePath, Roots)
{
    const RootRow rows[] = {
        {R"(C:\dir\file.ext)", 1, R"(C:\)", 0},
        {R"(\\computer\share\dir\file.ext)", 1, R"(\\computer\share\)", 1},
        {R"(d:\)", 1, R"(d:\)", 0},
        {R"(\\computer\share)", 1, R"(\\computer\share\)", 1},
        // A computer without a share: its root ends after the computer.
        {R"(\\computer)", 1, R"(\\computer\)", 1},
        {"C:x", 0, nullptr, -1},
        {R"(\\computer\)", 0, nullptr, -1},
    };
    for (const RootRow &row : rows) {
        SCOPED_TRACE(row.path);
        OutBuf root;
        int isUnc = -1;
        EXPECT_EQ(CDriveEx::Get_RootDirOfFilePath(row.path, root.get(), &isUnc), row.result);
        EXPECT_EQ(root.str(), row.result ? row.root : "<untouched>");
        EXPECT_EQ(isUnc, row.isUnc);
    }
    OutBuf root;
    EXPECT_EQ(CDriveEx::Get_RootDirOfFilePath(R"(\\c\s\f)", root.get(), nullptr), 1);
    EXPECT_EQ(root.str(), R"(\\c\s\)");
    EXPECT_EQ(CDriveEx::Get_RootDirOfFilePath(R"(\\c\s\f)", nullptr, nullptr), 0);
    EXPECT_EQ(CDriveEx::Get_RootDirOfFilePath("", root.get(), nullptr), 0);
}

}  // namespace
