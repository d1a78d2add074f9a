// File title and extension operations.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <string>

#include "path/path_test_util.h"

using brenvik::test::OutBuf;

namespace {

TEST(GetFileExt, LastDotOfTheWholePath)
{
    const struct {
        const char *path;
        const char *ext;  // null: the buffer is left as it was
    } rows[] = {
        {R"(C:\dir.d\file)", R"(d\file)"},
        {"archive.tar.gz", "gz"},
        {R"(C:\dir\file.)", ""},
        {"README", nullptr},
        {".profile", "profile"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path);
        OutBuf ext;
        EXPECT_EQ(CDriveEx::GetFileExt(row.path, ext.get()), 1);
        EXPECT_EQ(ext.str(), row.ext ? row.ext : "<untouched>");
    }
    OutBuf ext;
    EXPECT_EQ(CDriveEx::GetFileExt(nullptr, ext.get()), 0);
    EXPECT_EQ(CDriveEx::GetFileExt("", ext.get()), 0);
    EXPECT_EQ(CDriveEx::GetFileExt("a.b", nullptr), 0);
    EXPECT_EQ(ext.str(), "<untouched>");

    char same[BRENVIK_MAX_PATH] = R"(C:\d\f.longext)";
    EXPECT_EQ(CDriveEx::GetFileExt(same, same), 1);
    EXPECT_STREQ(same, "longext");
}

struct ChgRow {
    const char *path, *ext;
    int result;
    const char *out;
};

TEST(ChgPathExt, ReplacesTheExtension)
{
    const ChgRow rows[] = {
        {R"(C:\dir\file.txt)", "bak", 1, R"(C:\dir\file.bak)"},
        {R"(C:\dir\file.txt)", ".bak", 1, R"(C:\dir\file.bak)"},
        {R"(C:\dir\README)", "bak", 1, R"(C:\dir\README.bak)"},
        {R"(C:\dir\a.b.c)", "d", 1, R"(C:\dir\a.b.d)"},
        {R"(\\srv\share\d\f.txt)", "bak", 1, R"(\\srv\share\d\f.bak)"},
        {R"(\\srv\share\d\f.)", "x", 1, R"(\\srv\share\d\f.x)"},
        {R"(C:\dir\)", "bak", 0, nullptr},
        {R"(C:\file.txt)", "bak", 0, nullptr},
        {R"(\\srv\share\f.txt)", "bak", 0, nullptr},
        {R"(C:\dir\file.txt)", "b*k", 0, nullptr},
        {R"(C:\dir\file.txt)", "..b", 0, nullptr},
        {R"(dir\file.txt)", "bak", 0, nullptr},
        {R"(\\srv)", "bak", 0, nullptr},
    };
    for (const ChgRow &row : rows) {
        SCOPED_TRACE(std::string(row.path) + " -> " + row.ext);
        OutBuf out;
        EXPECT_EQ(CDriveEx::ChgPathExt(row.path, row.ext, out.get()), row.result);
        EXPECT_EQ(out.str(), row.result ? row.out : "<untouched>");
    }
    OutBuf out;
    EXPECT_EQ(CDriveEx::ChgPathExt(nullptr, "x", out.get()), 0);
    EXPECT_EQ(CDriveEx::ChgPathExt(R"(C:\d\f.e)", "", out.get()), 0);
    EXPECT_EQ(CDriveEx::ChgPathExt(R"(C:\d\f.e)", "x", nullptr), 0);
    EXPECT_EQ(out.str(), "<untouched>");
}

TEST(ChgPathExt, OutputMayBeAnInput)
{
    char path[BRENVIK_MAX_PATH] = R"(C:\dir\file.txt)";
    EXPECT_EQ(CDriveEx::ChgPathExt(path, "bak", path), 1);
    EXPECT_STREQ(path, R"(C:\dir\file.bak)");
    char ext[BRENVIK_MAX_PATH] = "new";
    EXPECT_EQ(CDriveEx::ChgPathExt(R"(\\s\t\d\f.old)", ext, ext), 1);
    EXPECT_STREQ(ext, R"(\\s\t\d\f.new)");
}

struct PrefixRow {
    const char *path, *prefix, *postfix;
    int result;
    const char *out;
};

TEST(AddPrefix2FileTitle, WrapsTheTitle)
{
    const PrefixRow rows[] = {
        {R"(C:\dir\file.txt)", " new_", "_1 ", 1, R"(C:\dir\new_file_1.txt)"},
        {R"(C:\dir\a.txt)", "   ", "_x", 1, R"(C:\dir\a_x.txt)"},
        {R"(C:\dir\a.txt)", "p_", "\t\r\n\v\f ", 1, R"(C:\dir\p_a.txt)"},
        // Inner blanks, the prefix's trailing and the postfix's leading ones stay.
        {R"(C:\dir\a.txt)", "\t x y ", " z\t", 1, R"(C:\dir\x y a z.txt)"},
        {R"(\\s\t\d\f.e)", "[", "]", 1, R"(\\s\t\d\[f].e)"},
        {R"(\\s\t\d\a..b)", "p", "q", 1, R"(\\s\t\d\pa.q.b)"},
        {R"(C:\dir\README)", "p", "q", 0, nullptr},
        {R"(C:\a.txt)", "p", "q", 0, nullptr},
        {R"(C:\dir\)", "p", "q", 0, nullptr},
        {R"(C:\dir\a.txt)", "p*", "q", 0, nullptr},
        {R"(C:\dir\a.txt)", "p", "q:", 0, nullptr},
        // ".." in the title: refused in the drive form only.
        {R"(C:\dir\a.txt)", "p..", "q", 0, nullptr},
        {R"(\\s\t\d\a.e)", "p..", "q", 1, R"(\\s\t\d\p..aq.e)"},
        // A title ending in a dot meets the extension's dot: no ".." piece.
        {R"(C:\dir\a.txt)", "p", ".", 1, R"(C:\dir\pa..txt)"},
        {R"(C:\dir\a.txt)", "p", R"(\q)", 1, R"(C:\dir\pa\q.txt)"},
        {"C:x", "p", "q", 0, nullptr},
    };
    for (const PrefixRow &row : rows) {
        SCOPED_TRACE(std::string(row.path) + " [" + row.prefix + "] [" + row.postfix + "]");
        OutBuf out;
        EXPECT_EQ(CDriveEx::AddPrefix2FileTitle(row.path, row.prefix, row.postfix, out.get()),
                  row.result);
        EXPECT_EQ(out.str(), row.result ? row.out : "<untouched>");
    }
    OutBuf out;
    EXPECT_EQ(CDriveEx::AddPrefix2FileTitle("", "p", "q", out.get()), 0);
    EXPECT_EQ(CDriveEx::AddPrefix2FileTitle(R"(C:\d\a.b)", "", "q", out.get()), 0);
    EXPECT_EQ(CDriveEx::AddPrefix2FileTitle(R"(C:\d\a.b)", "p", nullptr, out.get()), 0);
    EXPECT_EQ(CDriveEx::AddPrefix2FileTitle(R"(C:\d\a.b)", "p", "q", nullptr), 0);
    EXPECT_EQ(out.str(), "<untouched>");
}

TEST(AddPrefix2FileTitle, OutputMayBeAnInput)
{
    char path[BRENVIK_MAX_PATH] = R"(C:\d\title.e)";
    EXPECT_EQ(CDriveEx::AddPrefix2FileTitle(path, "pre-", "-post", path), 1);
    EXPECT_STREQ(path, R"(C:\d\pre-title-post.e)");
    char prefix[BRENVIK_MAX_PATH] = "  P";
    EXPECT_EQ(CDriveEx::AddPrefix2FileTitle(R"(\\h\s\d\t.e)", prefix, "Q", prefix), 1);
    EXPECT_STREQ(prefix, R"(\\h\s\d\PtQ.e)");
}

struct ExtnameRow {
    const char *path, *ext;
    const char *out, *old;
};

TEST(ChgExtname, RuntimeSplitAndJoin)
{
    const ExtnameRow rows[] = {
        {R"(C:\dir\file.txt)", "bak", R"(C:\dir\file.bak)", ".txt"},
        {"file", ".bak", "file.bak", ""},
        {"C:/d/f.txt", "x", "C:/d/f.x", ".txt"},
        {R"(C:\dir\)", "bak", R"(C:\dir\.bak)", ""},
        {R"(rel\a.b.c)", "d", R"(rel\a.b.d)", ".c"},
        {R"(\\srv\share\f*?.txt)", "e", R"(\\srv\share\f*?.e)", ".txt"},
        {"C:f.txt", "x", "C:f.x", ".txt"},
        {R"(C:\d.x\f)", "e", R"(C:\d.x\f.e)", ""},
    };
    for (const ExtnameRow &row : rows) {
        SCOPED_TRACE(std::string(row.path) + " -> " + row.ext);
        OutBuf out, old;
        EXPECT_EQ(CDriveEx::ChgExtname(row.path, row.ext, out.get(), old.get()), 1);
        EXPECT_EQ(out.str(), row.out);
        EXPECT_EQ(old.str(), row.old);
    }
}

TEST(ChgExtname, MissingArguments)
{
    OutBuf out, old;
    EXPECT_EQ(CDriveEx::ChgExtname("a.b", "", out.get(), old.get()), 0);
    EXPECT_EQ(CDriveEx::ChgExtname("a.b", nullptr, out.get(), old.get()), 0);
    EXPECT_EQ(CDriveEx::ChgExtname("a.b", "x", nullptr, old.get()), 0);
    EXPECT_EQ(CDriveEx::ChgExtname("a.b", "x", out.get(), nullptr), 0);
    EXPECT_EQ(out.str(), "<untouched>");
    EXPECT_EQ(old.str(), "<untouched>");
    // Once the three tests pass, a missing path leaves both buffers empty.
    EXPECT_EQ(CDriveEx::ChgExtname("", "x", out.get(), old.get()), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(old.str(), "");
    OutBuf out2, old2;
    EXPECT_EQ(CDriveEx::ChgExtname(nullptr, "x", out2.get(), old2.get()), 0);
    EXPECT_EQ(out2.str(), "");
    EXPECT_EQ(old2.str(), "");
}

TEST(ChgExtname, OutputsMayBeInputs)
{
    char path[BRENVIK_MAX_PATH] = R"(C:\d\f.txt)";
    OutBuf old;
    EXPECT_EQ(CDriveEx::ChgExtname(path, "bak", path, old.get()), 1);
    EXPECT_STREQ(path, R"(C:\d\f.bak)");
    EXPECT_EQ(old.str(), ".txt");

    char ext[BRENVIK_MAX_PATH] = "new";
    char path2[BRENVIK_MAX_PATH] = R"(g.old)";
    EXPECT_EQ(CDriveEx::ChgExtname(path2, ext, ext, path2), 1);
    EXPECT_STREQ(ext, "g.new");
    EXPECT_STREQ(path2, ".old");
}

TEST(GetDirOf, DriveAndDirectory)
{
    const struct {
        const char *path;
        const char *dir;  // null: result 0, buffer untouched
    } rows[] = {
        {R"(C:\dir\file.txt)", R"(C:\dir\)"},
        {R"(C:\dir\sub)", R"(C:\dir\)"},
        {R"(C:\dir\)", R"(C:\dir\)"},
        {R"(C:\)", R"(C:\)"},
        {R"(\\srv\share\f.txt)", R"(\\srv\share\)"},
        {R"(dir\f.txt)", R"(dir\)"},
        {"a/b/c", "a/b/"},
        {"ab", nullptr},
        {R"(\a)", nullptr},
        {"C:f.txt", nullptr},
        {"file.txt", nullptr},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path);
        OutBuf dir;
        EXPECT_EQ(CDriveEx::GetDirOf(row.path, dir.get()), row.dir ? 1 : 0);
        EXPECT_EQ(dir.str(), row.dir ? row.dir : "<untouched>");
    }
    OutBuf dir;
    EXPECT_EQ(CDriveEx::GetDirOf(nullptr, dir.get()), 0);
    EXPECT_EQ(CDriveEx::GetDirOf(R"(C:\a\b)", nullptr), 0);
    char same[BRENVIK_MAX_PATH] = R"(C:\x\y\z.w)";
    EXPECT_EQ(CDriveEx::GetDirOf(same, same), 1);
    EXPECT_STREQ(same, R"(C:\x\y\)");
}

}  // namespace
