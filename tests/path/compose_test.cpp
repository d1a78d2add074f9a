// Composing drive and UNC paths, and the split-then-compose round trip.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "path/path_test_util.h"

using brenvik::test::MarkedRecord;
using brenvik::test::OutBuf;

namespace {

struct UncRow {
    const char *computer, *share, *dir, *title, *ext;
    int result;
    const char *path;
};

TEST(ComposeUNC, WorkedExamples)
{
    const UncRow rows[] = {
        {"computer", "share", "dir", "file", "ext", 1, R"(\\computer\share\dir\file.ext)"},
        {"computer", "share", "dir", "file", ".ext", 1, R"(\\computer\share\dir\file.ext)"},
        {"computer", "share", R"(d1\d2\)", "file.", "ext", 1, R"(\\computer\share\d1\d2\file.ext)"},
        {"computer", "share", R"(d1\d2)", "file.", ".ext", 1, R"(\\computer\share\d1\d2\file..ext)"},
        {"computer", "share", "..", "file", "ext", 1, R"(\\computer\share\..\file.ext)"},
        {"c", "s", R"(\d)", "file", "ext", 0, nullptr},
        {"c", R"(s\x)", "d", "file", "ext", 0, nullptr},
        {R"(c\x)", "s", "d", "file", "ext", 0, nullptr},
        // Computer and share are not validated beyond the backslash.
        {"c:x", "s/t", "d", "f", "e", 1, R"(\\c:x\s/t\d\f.e)"},
        {"c", "s", R"(d\\e)", "f", "e", 0, nullptr},
        {"c", "s", "d", "f*", "e", 0, nullptr},
        {"c", "s", "d", "f", "e|", 0, nullptr},
        {"c", "s", "d", R"(sub\f)", "e", 1, R"(\\c\s\d\sub\f.e)"},
        {"c", "s", "d", "a..b", "..", 1, R"(\\c\s\d\a..b..)"},
        {"", "s", "d", "f", "e", 0, nullptr},
        {"c", "", "d", "f", "e", 0, nullptr},
        {"c", "s", "", "f", "e", 0, nullptr},
        {"c", "s", "d", "", "e", 0, nullptr},
        {"c", "s", "d", "f", "", 0, nullptr},
    };
    for (const UncRow &row : rows) {
        SCOPED_TRACE(std::string(row.computer) + "|" + row.share + "|" + row.dir + "|" +
                     row.title + "|" + row.ext);
        OutBuf out;
        EXPECT_EQ(CDriveEx::ComposeUNC(out.get(), row.computer, row.share, row.dir, row.title,
                                       row.ext),
                  row.result);
        EXPECT_EQ(out.str(), row.result ? row.path : "<untouched>");
    }
}

TEST(ComposeUNC, NullPiecesAreRefused)
{
    OutBuf out;
    EXPECT_EQ(CDriveEx::ComposeUNC(nullptr, "c", "s", "d", "f", "e"), 0);
    EXPECT_EQ(CDriveEx::ComposeUNC(out.get(), nullptr, "s", "d", "f", "e"), 0);
    EXPECT_EQ(CDriveEx::ComposeUNC(out.get(), "c", nullptr, "d", "f", "e"), 0);
    EXPECT_EQ(CDriveEx::ComposeUNC(out.get(), "c", "s", nullptr, "f", "e"), 0);
    EXPECT_EQ(CDriveEx::ComposeUNC(out.get(), "c", "s", "d", nullptr, "e"), 0);
    EXPECT_EQ(CDriveEx::ComposeUNC(out.get(), "c", "s", "d", "f", nullptr), 0);
    EXPECT_EQ(out.str(), "<untouched>");
}

struct DrvRow {
    const char *drv, *dir, *title, *ext;
    int result;
    const char *path;
};

TEST(ComposeDrvPath, WorkedExamples)
{
    const DrvRow rows[] = {
        {R"(C:\)", "dir", "file", "ext", 1, R"(C:\dir\file.ext)"},
        {"c:", R"(d1\d2)", "file", ".ext", 1, R"(c:\d1\d2\file.ext)"},
        {"C:foo", R"(d1\)", "file", "ext", 1, R"(C:\d1\file.ext)"},
        {"C:", "a", R"(sub\file)", "ext", 1, R"(C:\a\sub\file.ext)"},
        {"D", "d", "file", "ext", 0, nullptr},
        {"C:", "..", "file", "ext", 0, nullptr},
        {"C:", "a", "file..x", "ext", 0, nullptr},
        {"C:", "a", "file", "e*t", 0, nullptr},
        {"c:", "d", "f", "e", 1, R"(c:\d\f.e)"},
        {"C:", "d", "file.", "ext", 1, R"(C:\d\file.ext)"},
        {"C:", "d", "file.", ".ext", 1, R"(C:\d\file..ext)"},
        {"C:", "d", "f", "..e", 0, nullptr},
        {"C:", "d", "f", ".", 1, R"(C:\d\f.)"},
        {"1:", "d", "f", "e", 0, nullptr},
        {"C;", "d", "f", "e", 0, nullptr},
        {"C:", R"(\d)", "f", "e", 0, nullptr},
        {"C:", R"(a\\b)", "f", "e", 0, nullptr},
        {"C:", "a:b", "f", "e", 0, nullptr},
        {"C:", "d", "f", R"(e\)", 1, R"(C:\d\f.e\)"},
    };
    for (const DrvRow &row : rows) {
        SCOPED_TRACE(std::string(row.drv) + "|" + row.dir + "|" + row.title + "|" + row.ext);
        OutBuf out;
        EXPECT_EQ(CDriveEx::ComposeDrvPath(out.get(), row.drv, row.dir, row.title, row.ext),
                  row.result);
        EXPECT_EQ(out.str(), row.result ? row.path : "<untouched>");
    }
}

TEST(ComposeRecord, RefusesARecordNotFilledByItsForm)
{
    SPLITFPATH_tag rec = MarkedRecord();
    ASSERT_EQ(CDriveEx::MySplitPath(R"(C:\dir\file.ext)", &rec, nullptr), 1);
    OutBuf out;
    // The UNC group still holds every piece, but no UNC split filled it.
    EXPECT_EQ(CDriveEx::ComposeUNC(out.get(), &rec), 0);
    EXPECT_EQ(out.str(), "<untouched>");
    EXPECT_EQ(CDriveEx::ComposeDrvPath(out.get(), &rec), 1);
    EXPECT_EQ(out.str(), R"(C:\dir\file.ext)");

    ASSERT_EQ(CDriveEx::MySplitPath(R"(\\computer\share\dir\file.ext)", &rec, nullptr), 1);
    OutBuf out2;
    EXPECT_EQ(CDriveEx::ComposeDrvPath(out2.get(), &rec), 0);
    EXPECT_EQ(out2.str(), "<untouched>");
    EXPECT_EQ(CDriveEx::ComposeUNC(out2.get(), &rec), 1);
    EXPECT_EQ(out2.str(), R"(\\computer\share\dir\file.ext)");
}

TEST(ComposeRecord, EmptyFieldsAndNullArguments)
{
    // Records split from paths that lack a piece the composers need.
    const struct {
        const char *path;
        int result;
    } rows[] = {
        {R"(C:\dir\file.ext)", 1},  {R"(C:\dir\file.)", 1},     {R"(C:\file.ext)", 0},
        {R"(C:\dir\README)", 0},    {R"(C:\dir\)", 0},          {R"(\\c\s\file.ext)", 0},
        {R"(\\c\s\d\README)", 0},   {R"(\\c\s\d\f.e)", 1},      {R"(\\c)", 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path);
        SPLITFPATH_tag rec = MarkedRecord();
        int isUnc = 0;
        ASSERT_EQ(CDriveEx::MySplitPath(row.path, &rec, &isUnc), 1);
        OutBuf out;
        const int result = isUnc ? CDriveEx::ComposeUNC(out.get(), &rec)
                                 : CDriveEx::ComposeDrvPath(out.get(), &rec);
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(out.str(), row.result ? row.path : "<untouched>");
    }
    SPLITFPATH_tag rec = MarkedRecord();
    EXPECT_EQ(CDriveEx::ComposeUNC(nullptr, &rec), 0);
    EXPECT_EQ(CDriveEx::ComposeDrvPath(nullptr, &rec), 0);
    OutBuf out;
    EXPECT_EQ(CDriveEx::ComposeUNC(out.get(), static_cast<const SPLITFPATH_tag *>(nullptr)), 0);
    EXPECT_EQ(CDriveEx::ComposeDrvPath(out.get(), static_cast<const SPLITFPATH_tag *>(nullptr)),
              0);
    EXPECT_EQ(out.str(), "<untouched>");
}

TEST(ComposeRecord, OutputMayBeAFieldOfTheRecord)
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

// Paths of the composable set: a directory, a title and an extension, no
// character of the file-name set, no "..", no dot at the start of a name.
std::string RandomName(std::mt19937 &rng, bool allowDots)
{
    static const char kChars[] = "abcXYZ019 _-~!#$%&'()+,;=@[]^`{}";
    std::uniform_int_distribution<int> len(1, 8), pick(0, sizeof kChars - 2), coin(0, 3);
    std::string s;
    const int n = len(rng);
    for (int i = 0; i < n; ++i) {
        if (allowDots && i > 0 && s.back() != '.' && coin(rng) == 0)
            s.push_back('.');
        else
            s.push_back(kChars[pick(rng)]);
    }
    return s;
}

TEST(RoundTrip, SplitThenComposeGivesThePathBack)
{
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> levels(1, 4), form(0, 1), letter(0, 25);
    for (int iteration = 0; iteration < 3000; ++iteration) {
        std::string dir;
        const int n = levels(rng);
        for (int i = 0; i < n; ++i)
            dir += (i ? "\\" : "") + RandomName(rng, true);
        std::string title = RandomName(rng, true);
        if (title.back() == '.')
            title.push_back('t');
        const std::string ext = "." + RandomName(rng, false);
        const bool unc = form(rng) == 1;
        const std::string path =
            unc ? "\\\\" + RandomName(rng, true) + "\\" + RandomName(rng, true) + "\\" + dir +
                      "\\" + title + ext
                : std::string(1, static_cast<char>((iteration % 2 ? 'a' : 'A') + letter(rng))) +
                      ":\\" + dir + "\\" + title + ext;
        SCOPED_TRACE(path);

        SPLITFPATH_tag rec = MarkedRecord();
        int isUnc = -1;
        ASSERT_EQ(CDriveEx::MySplitPath(path.c_str(), &rec, &isUnc), 1);
        ASSERT_EQ(isUnc, unc ? 1 : 0);
        OutBuf fromRecord, fromPieces;
        if (unc) {
            ASSERT_EQ(CDriveEx::ComposeUNC(fromRecord.get(), &rec), 1);
            ASSERT_EQ(CDriveEx::ComposeUNC(fromPieces.get(), rec.unc.strComputer_name,
                                           rec.unc.strShare_name, rec.unc.strDir,
                                           rec.unc.strFileTitle, rec.unc.strFileExt),
                      1);
        } else {
            ASSERT_EQ(CDriveEx::ComposeDrvPath(fromRecord.get(), &rec), 1);
            ASSERT_EQ(CDriveEx::ComposeDrvPath(fromPieces.get(), rec.drv.strDrv, rec.drv.strDir,
                                               rec.drv.strFileTitle, rec.drv.strFileExt),
                      1);
        }
        EXPECT_EQ(fromRecord.str(), path);
        EXPECT_EQ(fromPieces.str(), path);
    }
}

}  // namespace
