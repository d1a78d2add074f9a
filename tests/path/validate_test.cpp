// Name and path validation, and the checked cut and join of full paths.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "path/path_test_util.h"

using brenvik::test::OutBuf;
using brenvik::test::PathTest;

namespace {

TEST_F(PathTest, ValidateNamesLevelsAndPathForms)
{
    // name: IsFilenameValid; path: the _ignore_bs_colon form; levels:
    // ValidateMultiDirLevel_p; form: Is_FilePath_DirPath_Valid.
    const struct {
        const char *s;
        int name, path, levels, form;
    } rows[] = {
        {"a:b", 0, 1, 0, 0},           {R"(C:\dir\a.txt)", 0, 1, 0, 1}, {"a/b", 0, 0, 0, 0},
        {"a*b", 0, 0, 0, 0},           {"a?b", 0, 0, 0, 0},             {"a\"b", 0, 0, 0, 0},
        {"a<b", 0, 0, 0, 0},           {"a>b", 0, 0, 0, 0},             {"a|b", 0, 0, 0, 0},
        {R"(a\b\c)", 0, 1, 1, 0},      {"plain name.txt", 1, 1, 1, 0},  {" .. ", 1, 1, 1, 0},
        {R"(a\b\)", 0, 1, 1, 0},       {R"(\a)", 0, 1, 0, 0},           {R"(a\\b)", 0, 1, 0, 0},
        {R"(.\..)", 0, 1, 1, 0},       {"C:", 0, 1, 0, 0},              {R"(a\b*\c)", 0, 0, 0, 0},
        {R"(C:\)", 0, 1, 0, 1},        {R"(A:\x)", 0, 1, 0, 1},         {R"(C:\\x)", 0, 1, 0, 0},
        {R"(C:\a:b)", 0, 1, 0, 0},     {R"(\\s\)", 0, 1, 0, 0},         {R"(\\sv\)", 0, 1, 0, 1},
        {R"(\\\x\y)", 0, 1, 0, 0},     {R"(\\srv)", 0, 1, 0, 0},        {R"(1:\x)", 0, 1, 0, 0},
        {R"(C;\x)", 0, 1, 1, 0},       {"C:/x", 0, 0, 0, 0},            {R"(\\s:v\x)", 0, 1, 0, 0},
        {R"(\x\yy)", 0, 1, 0, 0},      {R"(\\srv\sh)", 0, 1, 0, 1},     {R"(C:x\)", 0, 1, 0, 0},
        {R"(C:\d\\e)", 0, 1, 0, 1},    {"", 0, 0, 1, 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.s);
        EXPECT_EQ(CDriveEx::IsFilenameValid(row.s), row.name);
        EXPECT_EQ(CDriveEx::IsFilenameValid_ignore_bs_colon(row.s), row.path);
        EXPECT_EQ(BrenvikTestAccess::ValidateMultiDirLevel_p(row.s, 1), row.levels);
        EXPECT_EQ(BrenvikTestAccess::ValidateMultiDirLevel_p(row.s, 0), *row.s && row.levels);
        EXPECT_EQ(CDriveEx::Is_FilePath_DirPath_Valid(row.s), row.form);
    }
    EXPECT_EQ(CDriveEx::IsFilenameValid(nullptr) + CDriveEx::Is_FilePath_DirPath_Valid(nullptr) +
                  CDriveEx::IsFilenameValid_ignore_bs_colon(nullptr),
              0);
    EXPECT_EQ(BrenvikTestAccess::ValidateMultiDirLevel_p(nullptr, 7), 7);
    EXPECT_EQ(Trace(), "ValidateMultiDirLevel_p strDirPath; ValidateMultiDirLevel_p strDirPath; "
                       "ValidateMultiDirLevel_p strDirPath");
    EXPECT_EQ(CDriveEx::IsFilenameValid(std::string(5000, 'n').c_str()), 1);  // no length limit
}

int Flag(const char *flags, int i) { return flags[i] - '0'; }

TEST(ChkFullPath, CodesAndPieces)
{
    const struct {
        const char *path, *flags;  // bUNC, bDrvPath, bFloppy
        int code;                  // 0: success
        const char *out;           // dir|name|ext; the extension buffer held "old"
    } rows[] = {
        {R"(C:\dir\Movie.VCD)", "111", 0, R"(C:\dir|Movie.VCD|vcd)"},
        {R"(\\srv\share\f)", "111", 0, R"(\\srv\share|f|old)"},
        {R"(C:\dir\file.)", "111", 0, R"(C:\dir|file.|)"},
        {R"(C:\d.x\f.Tar.GZ)", "111", 0, R"(C:\d.x|f.Tar.GZ|gz)"},
        {R"(A:\f)", "111", 0, "A:|f|old"},  {R"(C:\a?b)", "111", 2, "||old"},
        {"C:/ab", "111", 2, "||old"},       {R"(C:\d\f)", "101", 5, "||old"},
        {R"(\\s\d\f)", "011", 4, "||old"},  {R"(b:\f)", "110", 3, "||old"},
        {R"(C:\dir\)", "111", 3, "||old"},  {R"(C:\a:b)", "111", 3, "||old"},
        {R"(C:\)", "111", 3, "||old"},      {R"(1:\ab)", "111", 3, "||old"},
        {R"(C:ab\c)", "111", 3, "||old"},   {R"(\x\ab)", "111", 3, "||old"},
        {R"(\\srv\)", "111", 3, "||old"},      {R"(\\s\f)", "111", 0, R"(\\s|f|old)"},
        // Code order: the path set, then colons, then length, then the form.
        {R"(\\s:\a|b)", "000", 2, "||old"}, {R"(\\s\a:b)", "000", 3, "||old"},
        {R"(\\s)", "000", 3, "||old"},      {R"(C:\f)", "000", 5, "||old"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.path) + " flags " + row.flags);
        for (const bool withCode : {true, false}) {
            OutBuf dir("old"), name("old"), ext("old");
            int code = -1;
            EXPECT_EQ(CDriveEx::ChkFullPath_s(row.path, Flag(row.flags, 0), Flag(row.flags, 1),
                                              Flag(row.flags, 2), dir.get(), name.get(), ext.get(),
                                              withCode ? &code : nullptr),
                      row.code == 0);
            EXPECT_EQ(code, withCode ? row.code : -1);
            EXPECT_EQ(dir.str() + "|" + name.str() + "|" + ext.str(), row.out);
        }
    }
    OutBuf a("a"), b("b");
    int code = -1;
    for (int missing = 0; missing < 5; ++missing)
        EXPECT_EQ(CDriveEx::ChkFullPath_s(missing == 0 ? nullptr : missing == 1 ? "" : R"(C:\a\b)",
                                          1, 1, 1, missing == 2 ? nullptr : a.get(),
                                          missing == 3 ? nullptr : a.get(),
                                          missing == 4 ? nullptr : a.get(), &code),
                  0);
    EXPECT_EQ(std::to_string(code) + a.str(), "-1a");
    char buf[BRENVIK_MAX_PATH] = R"(C:\dir\Name.EXT)";
    EXPECT_EQ(CDriveEx::ChkFullPath_s(buf, 1, 1, 1, buf, a.get(), b.get(), nullptr), 1);
    EXPECT_EQ(buf + ("|" + a.str()) + "|" + b.str(), R"(C:\dir|Name.EXT|ext)");
}

TEST(MkFullPath, JoinsCheckedPieces)
{
    const struct {
        const char *dir, *name, *flags, *path;  // path "": refused, the result emptied
    } rows[] = {
        {R"(C:\)", "a.vcd", "111", R"(C:\a.vcd)"},  {R"(C:\dir)", "a.VCD", "111", R"(C:\dir\a.VCD)"},
        {R"(C:\dir)", "a", "111", R"(C:\dir\a)"},    {R"(C:\dir)", ".vcd", "111", R"(C:\dir\.vcd)"},
        {R"(C:\dir)", "a.txt", "111", ""},           {R"(C:\dir)", "name.", "111", ""},
        {R"(C:\dir)", "a.vcdx", "111", ""},          {R"(C:\dir)", R"(s\a)", "111", ""},
        {R"(C:\dir)", "a.v.vcd", "111", ""},         {R"(\\srv)", "a", "111", ""},
        {R"(\\srv\)", "a", "111", R"(\\srv\a)"},    {R"(\\srv\share)", "a", "111", R"(\\srv\share\a)"},
        {R"(\\srv\share)", "a", "011", ""},          {R"(\x\y)", "a", "111", ""},
        {R"(C:\d)", "a", "101", ""},                 {R"(A:\d)", "a", "110", ""},
        {R"(A:\d)", "a", "111", R"(A:\d\a)"},       {"C:", "a", "111", ""},
        {R"(C:\d*?\\)", "a", "111", R"(C:\d*?\\a)"},  // the rest of the directory is not examined
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.dir) + " + " + row.name + " flags " + row.flags);
        OutBuf out;
        EXPECT_EQ(CDriveEx::MkFullPath_s(row.dir, row.name, out.get(), Flag(row.flags, 0),
                                         Flag(row.flags, 1), Flag(row.flags, 2)),
                  *row.path ? 1 : 0);
        EXPECT_EQ(out.str(), row.path);
    }
    OutBuf out;
    EXPECT_EQ(CDriveEx::MkFullPath_s(nullptr, "a", out.get(), 1, 1, 1) +
                  CDriveEx::MkFullPath_s(R"(C:\)", "", out.get(), 1, 1, 1) +
                  CDriveEx::MkFullPath_s(R"(C:\)", "a", nullptr, 1, 1, 1),
              0);
    EXPECT_EQ(out.str(), "<untouched>");
    char buf[BRENVIK_MAX_PATH] = R"(C:\dir)";
    EXPECT_EQ(CDriveEx::MkFullPath_s(buf, "x.vcd", buf, 0, 1, 0), 1);
    EXPECT_STREQ(buf, R"(C:\dir\x.vcd)");
}

}  // namespace
