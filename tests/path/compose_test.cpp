// Composing drive and UNC paths, and the split-then-compose round trip.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <cstring>
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
        {true, {"computer", "share", R"(d1\d2\)", "file.", "ext"},
         R"(\\computer\share\d1\d2\file.ext)"},
        {true, {"computer", "share", R"(d1\d2)", "file.", ".ext"},
         R"(\\computer\share\d1\d2\file..ext)"},
        {true, {"computer", "share", "..", "file", "ext"}, R"(\\computer\share\..\file.ext)"},
        {true, {"c", "s", R"(\d)", "file", "ext"}, nullptr},
        {true, {"c", R"(s\x)", "d", "file", "ext"}, nullptr},
        {true, {R"(c\x)", "s", "d", "f", "e"}, nullptr},
        {true, {"c:x", "s/t", "d", "f", "e"}, R"(\\c:x\s/t\d\f.e)"},
        {true, {"c", "s", R"(d\\e)", "f", "e"}, nullptr},
        {true, {"c", "s", "d", "f*", "e"}, nullptr},   {true, {"c", "s", "d", "f", "e|"}, nullptr},
        {true, {"c", "s", "d", "a..b", ".."}, R"(\\c\s\d\a..b..)"},
        {false, {R"(C:\)", "dir", "file", "ext"}, R"(C:\dir\file.ext)"},
        {false, {"c:", R"(d1\d2)", "file", ".ext"}, R"(c:\d1\d2\file.ext)"},
        {false, {"C:foo", R"(d1\)", "file", "ext"}, R"(C:\d1\file.ext)"},
        {false, {"C:", "a", R"(sub\file)", "ext"}, R"(C:\a\sub\file.ext)"},
        {false, {"D", "d", "f", "e"}, nullptr},        {false, {"C:", "..", "f", "e"}, nullptr},
        {false, {"C:", "a", "file..x", "ext"}, nullptr},
        {false, {"C:", "d", "file.", ".ext"}, R"(C:\d\file..ext)"},
        {false, {"C:", "a", "file", "e*t"}, nullptr},  {false, {"C:", "d", "f", "..e"}, nullptr},
        {false, {"C:", "d", "f", R"(e\)"}, R"(C:\d\f.e\)"},
        {false, {"C:", "d", "f", "."}, R"(C:\d\f.)"},  {false, {"1:", "d", "f", "e"}, nullptr},
        {false, {"[:", "d", "f", "e"}, nullptr},       {false, {"C;", "d", "f", "e"}, nullptr},
        {false, {"C:", R"(a\\b)", "f", "e"}, nullptr}, {false, {"C:", "a:b", "f", "e"}, nullptr},
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
                EXPECT_EQ(Compose(unc, nullptr, p), 0);
            }
        }
    }
    const SPLITFPATH_tag *none = nullptr;
    OutBuf out;
    EXPECT_EQ(CDriveEx::ComposeUNC(out.get(), none) + CDriveEx::ComposeDrvPath(out.get(), none), 0);
    EXPECT_EQ(out.str(), "<untouched>");
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

// Also the aliasing rules: the output may be one of the pieces, or a field of
// the record being composed.
TEST(Compose, SplitThenComposeGivesThePathBack)
{
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> levels(1, 4), letter(0, 25);
    for (int iteration = 0; iteration < 3000; ++iteration) {
        const bool unc = iteration % 2 == 1;
        std::string path = unc ? R"(\\)" + RandomName(rng, true) + "\\" + RandomName(rng, true)
                               : std::string(1, char((iteration % 4 ? 'a' : 'A') + letter(rng)));
        path += unc ? "" : ":";
        for (int i = 0, n = levels(rng); i < n; ++i)
            path += "\\" + RandomName(rng, true);
        const std::string title = RandomName(rng, true);
        path += "\\" + title + (title.back() == '.' ? "t." : ".") + RandomName(rng, false);
        SCOPED_TRACE(path);

        SPLITFPATH_tag rec = MarkedRecord();
        int isUnc = -1;
        ASSERT_EQ(CDriveEx::MySplitPath(path.c_str(), &rec, &isUnc), 1);
        ASSERT_EQ(isUnc, unc ? 1 : 0);
        const SPLITUNC_tag &u = rec.unc;
        const SPLITDRV_tag &d = rec.drv;
        const char *pieces[5] = {unc ? u.strComputer_name : d.strDrv,
                                 unc ? u.strShare_name : d.strDir, unc ? u.strDir : d.strFileTitle,
                                 unc ? u.strFileTitle : d.strFileExt, u.strFileExt};
        char alias[BRENVIK_MAX_PATH];
        const int at = iteration / 2 % (unc ? 5 : 4);
        std::strcpy(alias, pieces[at]);
        pieces[at] = alias;
        EXPECT_EQ(Compose(unc, alias, pieces), 1);
        EXPECT_EQ(alias, path);
        EXPECT_EQ(CDriveEx::ComposeUNC(nullptr, &rec) + CDriveEx::ComposeDrvPath(nullptr, &rec), 0);
        char *field = unc ? rec.unc.strComputer_name : rec.drv.strFileTitle;
        ASSERT_EQ(unc ? CDriveEx::ComposeUNC(field, &rec) : CDriveEx::ComposeDrvPath(field, &rec),
                  1);
        EXPECT_EQ(field, path);
    }
}

}  // namespace
