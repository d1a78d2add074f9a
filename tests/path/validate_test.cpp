// Name and path validation.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <string>

#include "path/path_test_util.h"

using brenvik::test::OutBuf;
using brenvik::test::PathOfLength;

namespace {

struct NameRow {
    const char *s;
    int name;     // IsFilenameValid
    int path;     // IsFilenameValid_ignore_bs_colon
};

TEST(IsFilenameValid, EachForbiddenCharacter)
{
    const NameRow rows[] = {
        {"a:b", 0, 1},
        {R"(C:\dir\a.txt)", 0, 1},
        {"", 0, 0},
        {"a/b", 0, 0},
        {"a*b", 0, 0},
        {"a?b", 0, 0},
        {"a\"b", 0, 0},
        {"a<b", 0, 0},
        {"a>b", 0, 0},
        {"a|b", 0, 0},
        {R"(a\b)", 0, 1},
        {"plain name.txt", 1, 1},
        {" .. ", 1, 1},
        {"CON", 1, 1},
    };
    for (const NameRow &row : rows) {
        SCOPED_TRACE(row.s);
        EXPECT_EQ(CDriveEx::IsFilenameValid(row.s), row.name);
        EXPECT_EQ(CDriveEx::IsFilenameValid_ignore_bs_colon(row.s), row.path);
    }
    EXPECT_EQ(CDriveEx::IsFilenameValid(nullptr), 0);
    EXPECT_EQ(CDriveEx::IsFilenameValid_ignore_bs_colon(nullptr), 0);
    // Length is not tested.
    const std::string longName(5000, 'n');
    EXPECT_EQ(CDriveEx::IsFilenameValid(longName.c_str()), 1);
}

TEST(ValidateMultiDirLevel, Levels)
{
    const struct {
        const char *s;
        int result;
    } rows[] = {
        {R"(a\b\c)", 1}, {R"(a\b\)", 1}, {R"(\a)", 0},    {R"(a\\b)", 0},
        {R"(a\)", 1},    {R"(.\..)", 1}, {"C:", 0},       {R"(a\b:c)", 0},
        {"a", 1},        {R"(\)", 0},    {R"(a\\)", 0},   {R"(a\b*\c)", 0},
        {"a/b", 0},      {R"(a\b\c\d\e\f\g)", 1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.s);
        EXPECT_EQ(BrenvikTestAccess::ValidateMultiDirLevel_p(row.s, 1), row.result);
        EXPECT_EQ(BrenvikTestAccess::ValidateMultiDirLevel_p(row.s, 0), row.result);
    }
    EXPECT_EQ(BrenvikTestAccess::ValidateMultiDirLevel_p("", 1), 1);
    EXPECT_EQ(BrenvikTestAccess::ValidateMultiDirLevel_p("", 0), 0);
    EXPECT_EQ(BrenvikTestAccess::ValidateMultiDirLevel_p(nullptr, 1), 1);
    EXPECT_EQ(BrenvikTestAccess::ValidateMultiDirLevel_p(nullptr, 7), 7);
}

TEST(IsFilePathDirPathValid, Forms)
{
    const struct {
        const char *s;
        int result;
    } rows[] = {
        {R"(C:\)", 1},      {"C:", 0},            {R"(A:\x)", 1},    {R"(C:\\x)", 0},
        {R"(C:\a:b)", 0},   {R"(\\s\)", 0},       {R"(\\sv\)", 1},   {R"(\\\x\y)", 0},
        {R"(\\srv)", 0},    {R"(z:\dir\f.e)", 1}, {R"(1:\x)", 0},    {R"(C;\x)", 0},
        {"C:/x", 0},        {R"(C:\a*b)", 0},     {R"(\\s:v\x)", 0}, {R"(\x\yy)", 0},
        {R"(\\srv\sh)", 1}, {R"(C:x\)", 0},       {"", 0},           {R"(C:\d\\e)", 1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.s);
        EXPECT_EQ(CDriveEx::Is_FilePath_DirPath_Valid(row.s), row.result);
    }
    EXPECT_EQ(CDriveEx::Is_FilePath_DirPath_Valid(nullptr), 0);
    EXPECT_EQ(CDriveEx::Is_FilePath_DirPath_Valid(PathOfLength(R"(C:\)", 259).c_str()), 1);
    EXPECT_EQ(CDriveEx::Is_FilePath_DirPath_Valid(PathOfLength(R"(C:\)", 260).c_str()), 0);
    EXPECT_EQ(CDriveEx::Is_FilePath_DirPath_Valid(PathOfLength(R"(\\s\)", 259).c_str()), 1);
    EXPECT_EQ(CDriveEx::Is_FilePath_DirPath_Valid(PathOfLength(R"(\\s\)", 260).c_str()), 0);
}

struct ChkRow {
    const char *path;
    int unc, drv, floppy;
    int result, code;
    const char *dir, *name, *ext;  // ext null: the buffer keeps its content
};

TEST(ChkFullPath, CodesAndPieces)
{
    const ChkRow rows[] = {
        {R"(C:\dir\Movie.VCD)", 1, 1, 1, 1, 0, R"(C:\dir)", "Movie.VCD", "vcd"},
        {R"(C:\x.txt)", 1, 1, 1, 1, 0, "C:", "x.txt", "txt"},
        {R"(\\srv\share\f)", 1, 1, 1, 1, 0, R"(\\srv\share)", "f", nullptr},
        {R"(C:\a?b)", 1, 1, 1, 0, 2, "", "", nullptr},
        {R"(C:\d\f)", 1, 0, 1, 0, 5, "", "", nullptr},
        {R"(\\s\d\f)", 0, 1, 1, 0, 4, "", "", nullptr},
        {R"(A:\f)", 1, 1, 0, 0, 3, "", "", nullptr},
        {R"(A:\f)", 1, 1, 1, 1, 0, "A:", "f", nullptr},
        {R"(b:\f)", 1, 1, 0, 0, 3, "", "", nullptr},
        {R"(C:\dir\)", 1, 1, 1, 0, 3, "", "", nullptr},
        {R"(C:\a:b)", 1, 1, 1, 0, 3, "", "", nullptr},
        {R"(C:\dir\file.)", 1, 1, 1, 1, 0, R"(C:\dir)", "file.", ""},
        {R"(C:\dir\file)", 1, 1, 1, 1, 0, R"(C:\dir)", "file", nullptr},
        {R"(C:\d.x\f.Tar.GZ)", 1, 1, 1, 1, 0, R"(C:\d.x)", "f.Tar.GZ", "gz"},
        {R"(C:\)", 1, 1, 1, 0, 3, "", "", nullptr},  // too short
        {R"(C:\\)", 1, 1, 1, 0, 3, "", "", nullptr},
        {R"(1:\ab)", 1, 1, 1, 0, 3, "", "", nullptr},
        {R"(C;\ab)", 1, 1, 1, 0, 3, "", "", nullptr},
        {"C:/ab", 1, 1, 1, 0, 2, "", "", nullptr},
        {R"(C:ab\c)", 1, 1, 1, 0, 3, "", "", nullptr},
        {R"(:C\ab)", 1, 1, 1, 0, 3, "", "", nullptr},
        {R"(\x\ab)", 1, 1, 1, 0, 3, "", "", nullptr},
        {R"(\\\ab)", 1, 1, 1, 0, 3, "", "", nullptr},
        {R"(\\srv)", 1, 1, 1, 0, 3, "", "", nullptr},
        {R"(\\srv\)", 1, 1, 1, 0, 3, "", "", nullptr},
        {R"(\x\ab)", 0, 1, 1, 0, 4, "", "", nullptr},
        // Code order: the path set before colons, colons before length,
        // length before the form.
        {R"(\\s:\a|b)", 0, 0, 0, 0, 2, "", "", nullptr},
        {R"(\\s\a:b)", 0, 0, 0, 0, 3, "", "", nullptr},
        {R"(\\s)", 0, 0, 0, 0, 3, "", "", nullptr},
        {R"(C:\f)", 0, 0, 0, 0, 5, "", "", nullptr},
    };
    for (const ChkRow &row : rows) {
        SCOPED_TRACE(std::string(row.path) + " flags " + std::to_string(row.unc) +
                     std::to_string(row.drv) + std::to_string(row.floppy));
        OutBuf dir("old dir"), name("old name"), ext("old ext");
        int code = -1;
        EXPECT_EQ(CDriveEx::ChkFullPath_s(row.path, row.unc, row.drv, row.floppy, dir.get(),
                                          name.get(), ext.get(), &code),
                  row.result);
        EXPECT_EQ(code, row.code);
        EXPECT_EQ(dir.str(), row.dir);
        EXPECT_EQ(name.str(), row.name);
        EXPECT_EQ(ext.str(), row.ext ? row.ext : "old ext");

        // Without the code the buffers are filled alike.
        OutBuf dir2("old dir"), name2("old name"), ext2("old ext");
        EXPECT_EQ(CDriveEx::ChkFullPath_s(row.path, row.unc, row.drv, row.floppy, dir2.get(),
                                          name2.get(), ext2.get(), nullptr),
                  row.result);
        EXPECT_EQ(dir2.str(), dir.str());
        EXPECT_EQ(name2.str(), name.str());
        EXPECT_EQ(ext2.str(), ext.str());
    }
}

TEST(ChkFullPath, MissingArgumentsWriteNothing)
{
    OutBuf dir("d"), name("n"), ext("e");
    int code = -1;
    EXPECT_EQ(CDriveEx::ChkFullPath_s(nullptr, 1, 1, 1, dir.get(), name.get(), ext.get(), &code),
              0);
    EXPECT_EQ(CDriveEx::ChkFullPath_s("", 1, 1, 1, dir.get(), name.get(), ext.get(), &code), 0);
    EXPECT_EQ(CDriveEx::ChkFullPath_s(R"(C:\a\b)", 1, 1, 1, nullptr, name.get(), ext.get(), &code),
              0);
    EXPECT_EQ(CDriveEx::ChkFullPath_s(R"(C:\a\b)", 1, 1, 1, dir.get(), nullptr, ext.get(), &code),
              0);
    EXPECT_EQ(CDriveEx::ChkFullPath_s(R"(C:\a\b)", 1, 1, 1, dir.get(), name.get(), nullptr, &code),
              0);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(dir.str(), "d");
    EXPECT_EQ(name.str(), "n");
    EXPECT_EQ(ext.str(), "e");
}

TEST(ChkFullPath, OutputMayBeThePath)
{
    char buf[BRENVIK_MAX_PATH] = R"(C:\dir\Name.EXT)";
    OutBuf name, ext;
    EXPECT_EQ(CDriveEx::ChkFullPath_s(buf, 1, 1, 1, buf, name.get(), ext.get(), nullptr), 1);
    EXPECT_STREQ(buf, R"(C:\dir)");
    EXPECT_EQ(name.str(), "Name.EXT");
    EXPECT_EQ(ext.str(), "ext");
}

struct MkRow {
    const char *dir, *name;
    int unc, drv, floppy;
    int result;
    const char *path;
};

TEST(MkFullPath, JoinsCheckedPieces)
{
    const MkRow rows[] = {
        {R"(C:\)", "a.vcd", 1, 1, 1, 1, R"(C:\a.vcd)"},
        {R"(C:\dir)", "a.VCD", 1, 1, 1, 1, R"(C:\dir\a.VCD)"},
        {R"(C:\dir)", "a.txt", 1, 1, 1, 0, ""},
        {R"(C:\dir)", "a.b.vcd", 1, 1, 1, 0, ""},
        {R"(C:\dir)", "a", 1, 1, 1, 1, R"(C:\dir\a)"},
        {R"(C:\dir)", "name.", 1, 1, 1, 0, ""},
        {R"(C:\dir)", "a.vcdx", 1, 1, 1, 0, ""},
        {R"(C:\dir)", ".vcd", 1, 1, 1, 1, R"(C:\dir\.vcd)"},
        {R"(C:\dir)", "a:b", 1, 1, 1, 0, ""},
        {R"(C:\dir)", R"(s\a)", 1, 1, 1, 0, ""},
        {R"(\\srv)", "a", 1, 1, 1, 0, ""},
        {R"(\\srv\)", "a", 1, 1, 1, 1, R"(\\srv\a)"},
        {R"(\\srv\share)", "a", 1, 1, 1, 1, R"(\\srv\share\a)"},
        {R"(\\srv\share)", "a", 0, 1, 1, 0, ""},
        {R"(\\\srv\x)", "a", 1, 1, 1, 0, ""},
        {R"(\x\y)", "a", 1, 1, 1, 0, ""},
        {R"(C:\d)", "a", 1, 0, 1, 0, ""},
        {R"(A:\d)", "a", 1, 1, 0, 0, ""},
        {R"(A:\d)", "a", 1, 1, 1, 1, R"(A:\d\a)"},
        {"C:", "a", 1, 1, 1, 0, ""},
        {"C:x", "a", 1, 1, 1, 0, ""},
        {R"(1:\d)", "a", 1, 1, 1, 0, ""},
        // The rest of the directory is not examined.
        {R"(C:\d*?\\)", "a", 1, 1, 1, 1, R"(C:\d*?\\a)"},
    };
    for (const MkRow &row : rows) {
        SCOPED_TRACE(std::string(row.dir) + " + " + row.name);
        OutBuf out;
        EXPECT_EQ(CDriveEx::MkFullPath_s(row.dir, row.name, out.get(), row.unc, row.drv,
                                         row.floppy),
                  row.result);
        EXPECT_EQ(out.str(), row.path);
    }
    OutBuf out;
    EXPECT_EQ(CDriveEx::MkFullPath_s(nullptr, "a", out.get(), 1, 1, 1), 0);
    EXPECT_EQ(CDriveEx::MkFullPath_s(R"(C:\)", "", out.get(), 1, 1, 1), 0);
    EXPECT_EQ(CDriveEx::MkFullPath_s(R"(C:\)", "a", nullptr, 1, 1, 1), 0);
    EXPECT_EQ(out.str(), "<untouched>");
}

TEST(MkFullPath, OutputMayBeAnInput)
{
    char buf[BRENVIK_MAX_PATH] = R"(C:\dir)";
    EXPECT_EQ(CDriveEx::MkFullPath_s(buf, "x.vcd", buf, 0, 1, 0), 1);
    EXPECT_STREQ(buf, R"(C:\dir\x.vcd)");
    char name[BRENVIK_MAX_PATH] = "y";
    EXPECT_EQ(CDriveEx::MkFullPath_s(R"(\\s\t\)", name, name, 1, 0, 0), 1);
    EXPECT_STREQ(name, R"(\\s\t\y)");
}

}  // namespace
