// Composing drive and UNC paths, and the split-then-compose round trip.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "path/path_test_util.h"

using brenvik::test::Compose;
using brenvik::test::MarkedRecord;
using brenvik::test::OutBuf;

namespace {

TEST(Compose, WorkedExamples)
{
    const struct {
        bool unc;
        const char *p[5];
        const char *path;  // null: refused, nothing written
    } rows[] = {
        {true, {"computer", "share", "dir", "file", "ext"}, R"(\\computer\share\dir\file.ext)"},
        {true, {"computer", "share", "dir", "file", ".ext"}, R"(\\computer\share\dir\file.ext)"},
        {true, {"computer", "share", R"(d1\d2\)", "file.", "ext"}, R"(\\computer\share\d1\d2\file.ext)"},
        {true, {"computer", "share", R"(d1\d2)", "file.", ".ext"}, R"(\\computer\share\d1\d2\file..ext)"},
        {true, {"computer", "share", "..", "file", "ext"}, R"(\\computer\share\..\file.ext)"},
        {true, {"c", "s", R"(\d)", "file", "ext"}, nullptr},
        {true, {"c", R"(s\x)", "d", "file", "ext"}, nullptr},
        {true, {R"(c\x)", "s", "d", "file", "ext"}, nullptr},
        {true, {"c:x", "s/t", "d", "f", "e"}, R"(\\c:x\s/t\d\f.e)"},
        {true, {"c", "s", R"(d\\e)", "f", "e"}, nullptr},
        {true, {"c", "s", "d", "f*", "e"}, nullptr},
        {true, {"c", "s", "d", "f", "e|"}, nullptr},
        {true, {"c", "s", "d", R"(sub\f)", "e"}, R"(\\c\s\d\sub\f.e)"},
        {true, {"c", "s", "d", "a..b", ".."}, R"(\\c\s\d\a..b..)"},
        {false, {R"(C:\)", "dir", "file", "ext"}, R"(C:\dir\file.ext)"},
        {false, {"c:", R"(d1\d2)", "file", ".ext"}, R"(c:\d1\d2\file.ext)"},
        {false, {"C:foo", R"(d1\)", "file", "ext"}, R"(C:\d1\file.ext)"},
        {false, {"C:", "a", R"(sub\file)", "ext"}, R"(C:\a\sub\file.ext)"},
        {false, {"D", "d", "file", "ext"}, nullptr},
        {false, {"C:", "..", "file", "ext"}, nullptr},
        {false, {"C:", "a", "file..x", "ext"}, nullptr},
        {false, {"C:", "a", "file", "e*t"}, nullptr},
        {false, {"c:", "d", "f", "e"}, R"(c:\d\f.e)"},
        {false, {"C:", "d", "file.", "ext"}, R"(C:\d\file.ext)"},
        {false, {"C:", "d", "file.", ".ext"}, R"(C:\d\file..ext)"},
        {false, {"C:", "d", "f", "..e"}, nullptr},
        {false, {"C:", "d", "f", "."}, R"(C:\d\f.)"},
        {false, {"1:", "d", "f", "e"}, nullptr},
        {false, {"[:", "d", "f", "e"}, nullptr},
        {false, {"C;", "d", "f", "e"}, nullptr},
        {false, {"C:", R"(\d)", "f", "e"}, nullptr},
        {false, {"C:", R"(a\\b)", "f", "e"}, nullptr},
        {false, {"C:", "a:b", "f", "e"}, nullptr},
        {false, {"C:", "d", "f", R"(e\)"}, R"(C:\d\f.e\)"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.p[0]) + "|" + row.p[1] + "|" + row.p[2] + "|" + row.p[3]);
        OutBuf out;
        EXPECT_EQ(Compose(row.unc, out.get(), row.p), row.path ? 1 : 0);
        EXPECT_EQ(out.str(), row.path ? row.path : "<untouched>");
    }
    // Every piece is required: null or empty, in each position.
    for (const bool unc : {true, false}) {
        for (int i = 0; i < (unc ? 5 : 4); ++i) {
            for (const char *missing : {static_cast<const char *>(nullptr), ""}) {
                const char *p[5] = {unc ? "c" : "C:", unc ? "s" : "d", unc ? "d" : "t",
                                    unc ? "t" : "e", "e"};
                p[i] = missing;
                OutBuf out;
                EXPECT_EQ(Compose(unc, out.get(), p), 0) << unc << i;
                EXPECT_EQ(out.str(), "<untouched>") << unc << i;
            }
        }
        const char *p[5] = {"C:", "d", "t", "e", "e"};
        EXPECT_EQ(Compose(unc, nullptr, p), 0);
    }
}

TEST(ComposeRecord, FromTheGroupOfTheLastSplit)
{
    const struct {
        const char *path;
        int result;
    } rows[] = {
        {R"(C:\dir\file.ext)", 1}, {R"(C:\dir\file.)", 1},   {R"(C:\file.ext)", 0},
        {R"(C:\dir\README)", 0},   {R"(C:\dir\)", 0},        {R"(\\c\s\file.ext)", 0},
        {R"(\\c\s\d\README)", 0},  {R"(\\c\s\d\f.e)", 1},    {R"(\\c)", 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path);
        SPLITFPATH_tag rec = MarkedRecord();
        int isUnc = 0;
        ASSERT_EQ(CDriveEx::MySplitPath(row.path, &rec, &isUnc), 1);
        OutBuf out, other;
        EXPECT_EQ(isUnc ? CDriveEx::ComposeUNC(out.get(), &rec)
                        : CDriveEx::ComposeDrvPath(out.get(), &rec),
                  row.result);
        EXPECT_EQ(out.str(), row.result ? row.path : "<untouched>");
        // The other group still holds pieces, but no split of its form filled it.
        EXPECT_EQ(isUnc ? CDriveEx::ComposeDrvPath(other.get(), &rec)
                        : CDriveEx::ComposeUNC(other.get(), &rec),
                  0);
        EXPECT_EQ(other.str(), "<untouched>");
        EXPECT_EQ(CDriveEx::ComposeUNC(nullptr, &rec) + CDriveEx::ComposeDrvPath(nullptr, &rec), 0);
    }
    OutBuf out;
    const SPLITFPATH_tag *none = nullptr;
    EXPECT_EQ(CDriveEx::ComposeUNC(out.get(), none) + CDriveEx::ComposeDrvPath(out.get(), none), 0);
    EXPECT_EQ(out.str(), "<untouched>");
}

TEST(Compose, OutputMayBeAnInput)
{
    SPLITFPATH_tag rec = MarkedRecord();
    ASSERT_EQ(CDriveEx::MySplitPath(R"(C:\a\b.c)", &rec, nullptr), 1);
    // The composed path is longer than the title it overwrites.
    EXPECT_EQ(CDriveEx::ComposeDrvPath(rec.drv.strFileTitle, &rec), 1);
    EXPECT_STREQ(rec.drv.strFileTitle, R"(C:\a\b.c)");
    ASSERT_EQ(CDriveEx::MySplitPath(R"(\\h\s\d\t.x)", &rec, nullptr), 1);
    EXPECT_EQ(CDriveEx::ComposeUNC(rec.unc.strComputer_name, &rec), 1);
    EXPECT_STREQ(rec.unc.strComputer_name, R"(\\h\s\d\t.x)");
    char dir[BRENVIK_MAX_PATH] = "dir";
    EXPECT_EQ(CDriveEx::ComposeDrvPath(dir, "C:", dir, "t", "e"), 1);
    EXPECT_STREQ(dir, R"(C:\dir\t.e)");
    char ext[BRENVIK_MAX_PATH] = "ext";
    EXPECT_EQ(CDriveEx::ComposeUNC(ext, "c", "s", "d", "t", ext), 1);
    EXPECT_STREQ(ext, R"(\\c\s\d\t.ext)");
}

// A name of the composable set: no file-name character, no "..", no dot first.
std::string RandomName(std::mt19937 &rng, bool dots)
{
    static const char kChars[] = "abcXYZ019 _-~!#$%&'()+,;=@[]^`{}";
    std::uniform_int_distribution<int> len(1, 8), pick(0, sizeof kChars - 2), coin(0, 3);
    std::string s;
    for (int i = 0, n = len(rng); i < n; ++i)
        s.push_back(dots && i > 0 && s.back() != '.' && coin(rng) == 0 ? '.' : kChars[pick(rng)]);
    return s;
}

TEST(RoundTrip, SplitThenComposeGivesThePathBack)
{
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> levels(1, 4), letter(0, 25);
    for (int iteration = 0; iteration < 3000; ++iteration) {
        const bool unc = iteration % 2 == 1;
        std::string path = unc ? "\\\\" + RandomName(rng, true) + "\\" + RandomName(rng, true)
                               : std::string(1, static_cast<char>((iteration % 4 ? 'a' : 'A') +
                                                                  letter(rng))) + ":";
        for (int i = 0, n = levels(rng); i < n; ++i)
            path += "\\" + RandomName(rng, true);
        std::string title = RandomName(rng, true);
        path += "\\" + title + (title.back() == '.' ? "t." : ".") + RandomName(rng, false);
        SCOPED_TRACE(path);

        SPLITFPATH_tag rec = MarkedRecord();
        int isUnc = -1;
        ASSERT_EQ(CDriveEx::MySplitPath(path.c_str(), &rec, &isUnc), 1);
        ASSERT_EQ(isUnc, unc ? 1 : 0);
        const SPLITUNC_tag &u = rec.unc;
        const SPLITDRV_tag &d = rec.drv;
        const char *const pieces[5] = {
            unc ? u.strComputer_name : d.strDrv, unc ? u.strShare_name : d.strDir,
            unc ? u.strDir : d.strFileTitle, unc ? u.strFileTitle : d.strFileExt, u.strFileExt};
        OutBuf fromRecord, fromPieces;
        EXPECT_EQ(unc ? CDriveEx::ComposeUNC(fromRecord.get(), &rec)
                      : CDriveEx::ComposeDrvPath(fromRecord.get(), &rec),
                  1);
        EXPECT_EQ(Compose(unc, fromPieces.get(), pieces), 1);
        EXPECT_EQ(fromRecord.str(), path);
        ASSERT_EQ(fromPieces.str(), path);
    }
}

}  // namespace
