// File title and extension operations.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "path/path_test_util.h"

using brenvik::test::OutBuf;
using brenvik::test::PathTest;

namespace {

// The inputs of one call, and its output (null: refused, nothing written).
struct Row {
    const char *path, *a, *b, *out;
};

TEST_F(PathTest, ChgPathExtAndAddPrefix2FileTitle)
{
    const Row rows[] = {  // b null: ChgPathExt(path, a); otherwise AddPrefix2FileTitle
        {R"(C:\dir\file.txt)", ".bak", nullptr, R"(C:\dir\file.bak)"},
        {R"(C:\dir\README)", "bak", nullptr, R"(C:\dir\README.bak)"},
        {R"(C:\dir\a.b.c)", "d", nullptr, R"(C:\dir\a.b.d)"},
        {R"(\\srv\share\d\f.)", "x", nullptr, R"(\\srv\share\d\f.x)"},
        {R"(C:\dir\)", "bak", nullptr, nullptr},     {R"(\\s\t\)", "bak", nullptr, nullptr},
        {R"(C:\file.txt)", "bak", nullptr, nullptr},  {R"(\\s\t\f.txt)", "bak", nullptr, nullptr},
        {R"(C:\d\f.txt)", "b*k", nullptr, nullptr},  {R"(C:\d\f.txt)", "..b", nullptr, nullptr},
        {R"(C:\..\f.txt)", "bak", nullptr, nullptr}, {R"(C:\d\f.e)", "", nullptr, nullptr},
        {R"(C:\dir\file.txt)", " new_", "_1 ", R"(C:\dir\new_file_1.txt)"},
        {R"(C:\dir\a.txt)", "   ", "_x", R"(C:\dir\a_x.txt)"},
        {R"(C:\dir\a.txt)", "p_", "\t\r\n\v\f ", R"(C:\dir\p_a.txt)"},
        // Inner blanks, the prefix's trailing and the postfix's leading ones stay.
        {R"(C:\dir\a.txt)", "\t x y ", " z\t", R"(C:\dir\x y a z.txt)"},
        {R"(\\s\t\d\a..b)", "p", "q", R"(\\s\t\d\pa.q.b)"},
        // ".." in the title: refused in the drive form only.
        {R"(C:\dir\a.txt)", "p..", "q", nullptr},
        {R"(\\s\t\d\a.e)", "p..", "q", R"(\\s\t\d\p..aq.e)"},
        // A title ending in a dot meets the extension's dot.
        {R"(C:\dir\a.txt)", "p", ".", R"(C:\dir\pa..txt)"},
        {R"(C:\dir\a.txt)", "p", R"(\q)", R"(C:\dir\pa\q.txt)"},
        {R"(C:\dir\README)", "p", "q", nullptr}, {R"(C:\d\)", "p", "q", nullptr},
        {R"(C:\a.txt)", "p", "q", nullptr},       {R"(C:\dir\a.txt)", "p*", "q", nullptr},
        {R"(C:\dir\a.txt)", "p", "q:", nullptr}, {"", "p", "q", nullptr},
        {R"(C:\d\a.b)", "", "q", nullptr},       {R"(C:\d\a.b)", " ", "", nullptr},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.path) + " [" + row.a + "] [" + (row.b ? row.b : "") + "]");
        OutBuf out;
        EXPECT_EQ(row.b ? CDriveEx::AddPrefix2FileTitle(row.path, row.a, row.b, out.get())
                        : CDriveEx::ChgPathExt(row.path, row.a, out.get()),
                  row.out ? 1 : 0);
        EXPECT_EQ(out.str(), row.out ? row.out : "<untouched>");
    }
    // Traced: a missing argument, a path without a file name, an empty piece
    // of the composition; silent: every other refusal.
    EXPECT_EQ(Trace(), "ChgPathExt strFilename; ChgPathExt strFilename; ComposeDrvPath strDir; "
                       "ChgPathExt strNewExt; ComposeDrvPath strFileExt; AddPrefix2FileTitle "
                       "strFilename; ComposeDrvPath strDir; AddPrefix2FileTitle strOrgPath; "
                       "AddPrefix2FileTitle strPrefix; AddPrefix2FileTitle strPostfix");
    EXPECT_EQ(CDriveEx::ChgPathExt(nullptr, "x", nullptr) +
                  CDriveEx::ChgPathExt(R"(C:\d\f.e)", "x", nullptr) +
                  CDriveEx::AddPrefix2FileTitle("C:", "p", "q", nullptr),
              0);
    EXPECT_EQ(Trace(), "ChgPathExt strOrgPath; ChgPathExt pResult_MAXPATH; "
                       "AddPrefix2FileTitle pResult_MAXPATH");
    // The output may be an input.
    char path[BRENVIK_MAX_PATH] = R"(C:\d\title.e)", arg[BRENVIK_MAX_PATH] = "  P";
    EXPECT_EQ(CDriveEx::ChgPathExt(path, "ext", path) +
                  CDriveEx::AddPrefix2FileTitle(path, "pre-", "-post", path) +
                  CDriveEx::AddPrefix2FileTitle(R"(\\h\s\d\t.e)", arg, "Q", arg), 3);
    EXPECT_EQ(path + ("|" + std::string(arg)), R"(C:\d\pre-title-post.ext|\\h\s\d\PtQ.e)");
}

TEST_F(PathTest, ChgExtname)
{
    const Row rows[] = {  // path, new extension, old extension, new path
        {R"(C:\dir\file.txt)", "bak", ".txt", R"(C:\dir\file.bak)"},
        {"file", ".bak", "", "file.bak"},     {"C:/d/f.txt", "x", ".txt", "C:/d/f.x"},
        {R"(C:\dir\)", "bak", "", R"(C:\dir\.bak)"},
        {R"(\\srv\share\f*?.txt)", "e", ".txt", R"(\\srv\share\f*?.e)"},
        {"C:f.txt", "x", ".txt", "C:f.x"},    {R"(C:\d.x\f)", "e", "", R"(C:\d.x\f.e)"},
        // Once the other arguments pass, a missing path empties both buffers.
        {"", "x", "", nullptr},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.path) + " -> " + row.a);
        OutBuf out, old;
        EXPECT_EQ(CDriveEx::ChgExtname(row.path, row.a, out.get(), old.get()), row.out ? 1 : 0);
        EXPECT_EQ(out.str() + "|" + old.str(), std::string(row.out ? row.out : "") + "|" + row.b);
    }
    EXPECT_EQ(Trace(), "ChgExtname strPath");
    OutBuf out, old;
    EXPECT_EQ(CDriveEx::ChgExtname("a.b", "", out.get(), old.get()) +
                  CDriveEx::ChgExtname("a.b", nullptr, out.get(), old.get()) +
                  CDriveEx::ChgExtname("a.b", "x", nullptr, old.get()) +
                  CDriveEx::ChgExtname("a.b", "x", out.get(), nullptr),
              0);
    EXPECT_EQ(out.str() + "|" + old.str(), "<untouched>|<untouched>");
    EXPECT_EQ(Trace(), "ChgExtname strNewExt; ChgExtname strNewExt; "
                       "ChgExtname pNewPath_MAXPATH; ChgExtname pOldExt_MAXPATH");
    EXPECT_EQ(CDriveEx::ChgExtname(nullptr, "x", out.get(), old.get()), 0);
    EXPECT_EQ(out.str() + "|" + old.str(), "|");
    char ext[BRENVIK_MAX_PATH] = "new", path[BRENVIK_MAX_PATH] = "g.old";
    EXPECT_EQ(CDriveEx::ChgExtname(path, ext, ext, path), 1);  // outputs may be inputs
    EXPECT_EQ(std::string(ext) + "|" + path, "g.new|.old");
}

TEST(TitleExt, GetFileExtAndGetDirOf)
{
    const struct {
        const char *path, *a, *b;  // extension, directory; null: untouched (GetDirOf: result 0)
    } rows[] = {
        {R"(C:\dir\file.txt)", "txt", R"(C:\dir\)"},  {R"(C:\dir.d\file)", R"(d\file)", R"(C:\dir.d\)"},
        {"archive.tar.gz", "gz", nullptr},             {R"(C:\dir\file.)", "", R"(C:\dir\)"},
        {"README", nullptr, nullptr},                  {".profile", "profile", nullptr},
        {R"(C:\dir\sub)", nullptr, R"(C:\dir\)"},      {R"(C:\)", nullptr, R"(C:\)"},
        {R"(\\srv\share\f.txt)", "txt", R"(\\srv\share\)"}, {"a/b/c", nullptr, "a/b/"},
        {"ab", nullptr, nullptr},                      {R"(\a)", nullptr, nullptr},
        {"C:f.txt", "txt", nullptr},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path);
        OutBuf ext, dir;
        EXPECT_EQ(CDriveEx::GetFileExt(row.path, ext.get()), 1);
        EXPECT_EQ(ext.str(), row.a ? row.a : "<untouched>");
        EXPECT_EQ(CDriveEx::GetDirOf(row.path, dir.get()), row.b ? 1 : 0);
        EXPECT_EQ(dir.str(), row.b ? row.b : "<untouched>");
    }
    OutBuf out;
    EXPECT_EQ(CDriveEx::GetFileExt(nullptr, out.get()) + CDriveEx::GetFileExt("", out.get()) +
                  CDriveEx::GetFileExt("a.b", nullptr) + CDriveEx::GetDirOf(nullptr, out.get()) +
                  CDriveEx::GetDirOf("", out.get()) + CDriveEx::GetDirOf(R"(C:\a\b)", nullptr),
              0);
    EXPECT_EQ(out.str(), "<untouched>");
    char same[BRENVIK_MAX_PATH] = R"(C:\x.y\z.longext)";
    EXPECT_EQ(CDriveEx::GetDirOf(same, same) + CDriveEx::GetFileExt(same, same), 2);
    EXPECT_STREQ(same, R"(y\)");
}

}  // namespace
