// Name and path validation.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <string>

#include "path/path_test_util.h"

using brenvik::test::OutBuf;

namespace {

TEST(Validate, NamesLevelsAndPathForms)
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
        {"CON", 1, 1, 1, 0},           {R"(a\b\)", 0, 1, 1, 0},         {R"(\a)", 0, 1, 0, 0},
        {R"(a\\b)", 0, 1, 0, 0},       {R"(a\)", 0, 1, 1, 0},           {R"(.\..)", 0, 1, 1, 0},
        {"C:", 0, 1, 0, 0},            {R"(a\b*\c)", 0, 0, 0, 0},       {R"(a\\)", 0, 1, 0, 0},
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
    EXPECT_EQ(CDriveEx::IsFilenameValid(nullptr) + CDriveEx::IsFilenameValid_ignore_bs_colon(nullptr) +
                  CDriveEx::Is_FilePath_DirPath_Valid(nullptr),
              0);
    EXPECT_EQ(BrenvikTestAccess::ValidateMultiDirLevel_p(nullptr, 7), 7);
    EXPECT_EQ(CDriveEx::IsFilenameValid(std::string(5000, 'n').c_str()), 1);  // length is not tested
}

TEST(ChkFullPath, CodesAndPieces)
{
    const struct {
        const char *path;
        int unc, drv, floppy, code;  // code 0: success
        const char *dir, *name, *ext;  // ext null: the buffer keeps its content
    } rows[] = {
        {R"(C:\dir\Movie.VCD)", 1, 1, 1, 0, R"(C:\dir)", "Movie.VCD", "vcd"},
        {R"(C:\x.txt)", 1, 1, 1, 0, "C:", "x.txt", "txt"},
        {R"(\\srv\share\f)", 1, 1, 1, 0, R"(\\srv\share)", "f", nullptr},
        {R"(C:\dir\file.)", 1, 1, 1, 0, R"(C:\dir)", "file.", ""},
        {R"(C:\dir\file)", 1, 1, 1, 0, R"(C:\dir)", "file", nullptr},
        {R"(C:\d.x\f.Tar.GZ)", 1, 1, 1, 0, R"(C:\d.x)", "f.Tar.GZ", "gz"},
        {R"(A:\f)", 1, 1, 1, 0, "A:", "f", nullptr},
        {R"(C:\a?b)", 1, 1, 1, 2, "", "", nullptr},
        {"C:/ab", 1, 1, 1, 2, "", "", nullptr},
        {R"(C:\d\f)", 1, 0, 1, 5, "", "", nullptr},
        {R"(\\s\d\f)", 0, 1, 1, 4, "", "", nullptr},
        {R"(A:\f)", 1, 1, 0, 3, "", "", nullptr},
        {R"(b:\f)", 1, 1, 0, 3, "", "", nullptr},
        {R"(C:\dir\)", 1, 1, 1, 3, "", "", nullptr},
        {R"(C:\a:b)", 1, 1, 1, 3, "", "", nullptr},
        {R"(C:\)", 1, 1, 1, 3, "", "", nullptr},
        {R"(C:\\)", 1, 1, 1, 3, "", "", nullptr},
        {R"(1:\ab)", 1, 1, 1, 3, "", "", nullptr},
        {R"(C;\ab)", 1, 1, 1, 3, "", "", nullptr},
        {R"(C:ab\c)", 1, 1, 1, 3, "", "", nullptr},
        {R"(:C\ab)", 1, 1, 1, 3, "", "", nullptr},
        {R"(\x\ab)", 1, 1, 1, 3, "", "", nullptr},
        {R"(\\\ab)", 1, 1, 1, 3, "", "", nullptr},
        {R"(\\srv)", 1, 1, 1, 3, "", "", nullptr},
        {R"(\\srv\)", 1, 1, 1, 3, "", "", nullptr},
        {R"(\x\ab)", 0, 1, 1, 4, "", "", nullptr},
        // Code order: the path set, then colons, then length, then the form.
        {R"(\\s:\a|b)", 0, 0, 0, 2, "", "", nullptr},
        {R"(\\s\a:b)", 0, 0, 0, 3, "", "", nullptr},
        {R"(\\s)", 0, 0, 0, 3, "", "", nullptr},
        {R"(C:\f)", 0, 0, 0, 5, "", "", nullptr},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.path) + " flags " + std::to_string(row.unc) +
                     std::to_string(row.drv) + std::to_string(row.floppy));
        for (const bool withCode : {true, false}) {
            OutBuf dir("old dir"), name("old name"), ext("old ext");
            int code = -1;
            EXPECT_EQ(CDriveEx::ChkFullPath_s(row.path, row.unc, row.drv, row.floppy, dir.get(),
                                              name.get(), ext.get(), withCode ? &code : nullptr),
                      row.code == 0);
            EXPECT_EQ(code, withCode ? row.code : -1);
            EXPECT_EQ(dir.str() + "|" + name.str() + "|" + ext.str(),
                      std::string(row.dir) + "|" + row.name + "|" + (row.ext ? row.ext : "old ext"));
        }
    }
    OutBuf a("a"), b("b");
    int code = -1;
    EXPECT_EQ(CDriveEx::ChkFullPath_s(nullptr, 1, 1, 1, a.get(), a.get(), a.get(), &code), 0);
    EXPECT_EQ(CDriveEx::ChkFullPath_s("", 1, 1, 1, a.get(), a.get(), a.get(), &code), 0);
    EXPECT_EQ(CDriveEx::ChkFullPath_s(R"(C:\a\b)", 1, 1, 1, nullptr, a.get(), a.get(), &code), 0);
    EXPECT_EQ(CDriveEx::ChkFullPath_s(R"(C:\a\b)", 1, 1, 1, a.get(), nullptr, a.get(), &code), 0);
    EXPECT_EQ(CDriveEx::ChkFullPath_s(R"(C:\a\b)", 1, 1, 1, a.get(), a.get(), nullptr, &code), 0);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(a.str(), "a");
    char buf[BRENVIK_MAX_PATH] = R"(C:\dir\Name.EXT)";
    EXPECT_EQ(CDriveEx::ChkFullPath_s(buf, 1, 1, 1, buf, a.get(), b.get(), nullptr), 1);
    EXPECT_EQ(buf + ("|" + a.str()) + "|" + b.str(), R"(C:\dir|Name.EXT|ext)");
}

TEST(MkFullPath, JoinsCheckedPieces)
{
    const struct {
        const char *dir, *name;
        int unc, drv, floppy;
        const char *path;  // "": refused, the result emptied
    } rows[] = {
        {R"(C:\)", "a.vcd", 1, 1, 1, R"(C:\a.vcd)"},
        {R"(C:\dir)", "a.VCD", 1, 1, 1, R"(C:\dir\a.VCD)"},
        {R"(C:\dir)", "a", 1, 1, 1, R"(C:\dir\a)"},
        {R"(C:\dir)", ".vcd", 1, 1, 1, R"(C:\dir\.vcd)"},
        {R"(C:\dir)", "a.txt", 1, 1, 1, ""},     {R"(C:\dir)", "a.b.vcd", 1, 1, 1, ""},
        {R"(C:\dir)", "name.", 1, 1, 1, ""},     {R"(C:\dir)", "a.vcdx", 1, 1, 1, ""},
        {R"(C:\dir)", "a:b", 1, 1, 1, ""},       {R"(C:\dir)", R"(s\a)", 1, 1, 1, ""},
        {R"(\\srv)", "a", 1, 1, 1, ""},          {R"(\\srv\)", "a", 1, 1, 1, R"(\\srv\a)"},
        {R"(\\srv\share)", "a", 1, 1, 1, R"(\\srv\share\a)"},
        {R"(\\srv\share)", "a", 0, 1, 1, ""},    {R"(\\\srv\x)", "a", 1, 1, 1, ""},
        {R"(\x\y)", "a", 1, 1, 1, ""},           {R"(C:\d)", "a", 1, 0, 1, ""},
        {R"(A:\d)", "a", 1, 1, 0, ""},           {R"(A:\d)", "a", 1, 1, 1, R"(A:\d\a)"},
        {"C:", "a", 1, 1, 1, ""},                {"C:x", "a", 1, 1, 1, ""},
        {R"(1:\d)", "a", 1, 1, 1, ""},
        // The rest of the directory is not examined.
        {R"(C:\d*?\\)", "a", 1, 1, 1, R"(C:\d*?\\a)"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.dir) + " + " + row.name);
        OutBuf out;
        EXPECT_EQ(CDriveEx::MkFullPath_s(row.dir, row.name, out.get(), row.unc, row.drv,
                                         row.floppy),
                  *row.path ? 1 : 0);
        EXPECT_EQ(out.str(), row.path);
    }
    OutBuf out;
    EXPECT_EQ(CDriveEx::MkFullPath_s(nullptr, "a", out.get(), 1, 1, 1), 0);
    EXPECT_EQ(CDriveEx::MkFullPath_s(R"(C:\)", "", out.get(), 1, 1, 1), 0);
    EXPECT_EQ(CDriveEx::MkFullPath_s(R"(C:\)", "a", nullptr, 1, 1, 1), 0);
    EXPECT_EQ(out.str(), "<untouched>");
    char buf[BRENVIK_MAX_PATH] = R"(C:\dir)";
    EXPECT_EQ(CDriveEx::MkFullPath_s(buf, "x.vcd", buf, 0, 1, 0), 1);
    EXPECT_STREQ(buf, R"(C:\dir\x.vcd)");
    char name[BRENVIK_MAX_PATH] = "y";
    EXPECT_EQ(CDriveEx::MkFullPath_s(R"(\\s\t\)", name, name, 1, 0, 0), 1);
    EXPECT_STREQ(name, R"(\\s\t\y)");
}

}  // namespace
