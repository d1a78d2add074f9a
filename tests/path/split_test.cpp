// Splitting drive and UNC paths into the split-path record, and the two
// queries built on the split.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "path/path_test_util.h"

using brenvik::test::MarkedRecord;
using brenvik::test::OutBuf;
using brenvik::test::PathTest;

namespace {

// A group's fields after strOrgPath, '|'-joined.
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

TEST(Split, WorkedExamplesAndQueries)
{
    const struct {
        const char *path;
        int result;
        const char *pieces;  // drive: drv|dir|filename|title|ext; UNC: computer|share|dir|...
    } rows[] = {
        {R"(C:\dir\file.ext)", 1, R"(C:\|dir|file.ext|file|.ext)"},
        {R"(c:\dir1\dir2\file.tar.gz)", 1, R"(c:\|dir1\dir2|file.tar.gz|file.tar|.gz)"},
        {R"(C:\file)", 1, R"(C:\||file|file|)"}, {R"(C:\dir\file.)", 1, R"(C:\|dir|file.|file|.)"},
        {R"(C:\)", 1, R"(C:\||||)"},             {R"(C:\dir\)", 1, R"(C:\|dir|||)"},
        {R"(C:\dir\.)", 1, R"(C:\|dir|||)"},     {R"(C:\dir\.cfg)", 0, R"(C:\|dir|||)"},
        {R"(C:\..\f.txt)", 0, "||||"},           {R"(C:\d\\f)", 0, "||||"},
        {"C:/dir/f.txt", 0, "||||"},             {R"(C:\d/x\f.txt)", 0, R"(C:\|d/x|||)"},
        {"C:", 0, "||||"},                       {R"(dir\f.txt)", 0, "||||"},
        {R"(@:\x)", 0, "||||"},                  {R"([:\x)", 0, "||||"},
        {R"(C:\a..b\f.txt)", 0, "||||"},         {R"(C:\dir\a..b)", 0, "||||"},
        {"C:\\d\\f.txt ", 1, R"(C:\|d|f.txt |f|.txt )"},
        {R"(C:\d\f/x.txt)", 1, R"(C:\|d|f/x.txt|f/x|.txt)"},
        {R"(\\computer\share\dir\file.ext)", 1, "computer|share|dir|file.ext|file|.ext"},
        {R"(\\computer)", 1, "computer|||||"},   {R"(\\computer\)", 0, "computer|||||"},
        {R"(\\computer\share)", 1, "computer|share||||"},
        {R"(\\computer\share\file.ext)", 1, "computer|share||file.ext|file|.ext"},
        {R"(\\computer\share\d1\d2\)", 1, R"(computer|share|d1\d2|||)"},
        {R"(\\c\s\d\a.b.c)", 1, "c|s|d|a.b.c|a.b|.c"}, {R"(\\c\s\d\file.)", 1, "c|s|d|file|file|."},
        {R"(\\c\s\d\README)", 1, "c|s|d|README|README|"},
        {R"(\\c\s\..\f.txt)", 1, "c|s|..|f.txt|f|.txt"}, {R"(\\c\s\d\.cfg)", 0, "c|s|d|||"},
        {R"(\\c\s\d\f*x)", 0, "c|s|d|||"},       {R"(\\\c)", 0, "|||||"},
        {R"(\\)", 0, "|||||"},                   {R"(\\c/s/d)", 1, "c/s/d|||||"},
        {"\\\\c\\s\\d\\\\", 1, "c|s|d\\|||"},    {R"(\\c\s\d:x\f)", 0, "c|s|d:x|||"},
        {R"(\\c:x\s)", 1, "c:x|s||||"},          {R"(\\c\s\d\a..b)", 1, "c|s|d|a..b|a.|.b"},
        {R"(\\c\s\\f)", 0, "c|s||||"},           {R"(\\c\s\a\\b\f)", 0, R"(c|s|a\\b|||)"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path);
        const bool unc = std::strncmp(row.path, R"(\\)", 2) == 0;
        SPLITFPATH_tag rec = MarkedRecord();
        int isUnc = -1;
        EXPECT_EQ(CDriveEx::MySplitPath(row.path, &rec, &isUnc), row.result);
        EXPECT_EQ(isUnc, unc ? 1 : 0);
        EXPECT_EQ(Pieces(rec, unc), row.pieces);
        // A UNC failure keeps the path, unless it fails before storing it;
        // of the other group only strOrgPath is emptied.
        const bool stored = unc ? std::strcmp(row.path, R"(\\)") != 0 : row.result == 1;
        EXPECT_STREQ(unc ? rec.unc.strOrgPath : rec.drv.strOrgPath, stored ? row.path : "");
        EXPECT_STREQ(unc ? rec.drv.strOrgPath : rec.unc.strOrgPath, "");
        EXPECT_EQ(Pieces(rec, !unc), unc ? "old|old|old|old|old" : "old|old|old|old|old|old");
        EXPECT_EQ(rec.unc.nReserved + rec.drv.nReserved, 0xC0FFEEu + 0xBEEFu);

        // The queries copy from the reported group (its last three pieces),
        // and write nothing on failure.
        OutBuf name, title, ext, root;
        std::string tail = row.pieces, computer = tail.substr(0, tail.find('|'));
        for (int k = unc ? 3 : 2; k > 0; --k)
            tail.erase(0, tail.find('|') + 1);
        EXPECT_EQ(CDriveEx::GetTitleExt(row.path, name.get(), title.get(), ext.get()), row.result);
        EXPECT_EQ(name.str() + "|" + title.str() + "|" + ext.str(),
                  row.result ? tail : "<untouched>|<untouched>|<untouched>");
        isUnc = -1;
        EXPECT_EQ(CDriveEx::Get_RootDirOfFilePath(row.path, root.get(), &isUnc), row.result);
        EXPECT_EQ(isUnc, row.result ? int(unc) : -1);
        // A computer without a share: the root ends after the computer.
        const std::string share =
            *rec.unc.strShare_name ? rec.unc.strShare_name + std::string("\\") : "";
        EXPECT_EQ(root.str(), !row.result ? "<untouched>"
                              : unc ? R"(\\)" + computer + "\\" + share : computer);
    }
}

TEST_F(PathTest, SplitMissingArgumentsAndAliasing)
{
    SPLITFPATH_tag rec = MarkedRecord();
    const SPLITFPATH_tag before = rec;
    OutBuf a;
    int isUnc = 7;
    for (const char *path : {static_cast<const char *>(nullptr), "", R"(C:\a)", R"(\\c\s)"}) {
        SPLITFPATH_tag *r = path && *path ? nullptr : &rec;
        char *out = r ? a.get() : nullptr;
        EXPECT_EQ(CDriveEx::MySplitPath(path, r, &isUnc) + CDriveEx::SplitUNC_p(path, r) +
                      CDriveEx::SplitDrvpath_p(path, r) +
                      CDriveEx::GetTitleExt(path, a.get(), out, a.get()) +
                      CDriveEx::Get_RootDirOfFilePath(path, out, &isUnc),
                  0);
    }
    EXPECT_EQ(isUnc, 7);
    EXPECT_EQ(Trace(), "SplitUNC_p pSplitFPath; SplitUNC_p pSplitFPath");
    EXPECT_EQ(std::memcmp(&rec, &before, sizeof rec), 0);
    EXPECT_EQ(a.str(), "<untouched>");
    EXPECT_EQ(CDriveEx::MySplitPath(R"(C:\d\f.e)", &rec, nullptr), 1);  // the form is optional
    // The path may be a field of the same record, or an output; so may a
    // composed path, from the record's own fields.
    for (const char *path : {R"(\\c\s\d\f.e)", R"(c:\d1\d2\a.b.e)"}) {
        const bool unc = path[0] == '\\';
        char *org = unc ? rec.unc.strOrgPath : rec.drv.strOrgPath;
        std::strcpy(org, path);
        EXPECT_EQ((unc ? CDriveEx::SplitUNC_p : CDriveEx::SplitDrvpath_p)(org, &rec), 1);
        EXPECT_EQ(org + ("|" + Pieces(rec, unc)),
                  unc ? R"(\\c\s\d\f.e|c|s|d|f.e|f|.e)" : R"(c:\d1\d2\a.b.e|c:\|d1\d2|a.b.e|a.b|.e)");
        char *field = unc ? rec.unc.strComputer_name : rec.drv.strFileTitle;
        EXPECT_EQ(unc ? CDriveEx::ComposeUNC(field, &rec) : CDriveEx::ComposeDrvPath(field, &rec), 1);
        EXPECT_STREQ(field, path);
    }
    EXPECT_EQ(CDriveEx::ComposeUNC(nullptr, &rec) + CDriveEx::ComposeDrvPath(nullptr, &rec), 0);
    char buf[BRENVIK_MAX_PATH] = R"(C:\dir\name.txt)";
    OutBuf title, ext;
    EXPECT_EQ(CDriveEx::GetTitleExt(buf, buf, title.get(), ext.get()), 1);
    EXPECT_EQ(buf + ("|" + title.str()) + "|" + ext.str(), "name.txt|name|.txt");
}

}  // namespace
