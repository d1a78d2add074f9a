// Inputs and results at and beyond the 260-byte buffers: 259 characters fit;
// 260, 261 and 5,000 are refused with nothing written. Inputs live in heap
// blocks of their exact size and outputs have a guard zone, so a read (under
// AddressSanitizer) or a write past either shows up.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <string>

#include "path/path_test_util.h"

using brenvik::test::Compose;
using brenvik::test::Exact;
using brenvik::test::MarkedRecord;
using brenvik::test::OutBuf;
using brenvik::test::PathOfLength;

namespace {

const std::size_t kLengths[] = {259, 260, 261, 5000};

// A UNC split; -1 when a refusal wrote.
int Split(const char *in, char *out)
{
    SPLITFPATH_tag a = MarkedRecord();
    const SPLITFPATH_tag before = a;
    const int r = CDriveEx::MySplitPath(in, &a, nullptr);
    if (r)
        std::strcpy(out, a.unc.strOrgPath);
    return !r && std::memcmp(&a, &before, sizeof a) ? -1 : r;
}

// One composer with the input as piece `pos` and short other pieces.
template <bool unc, int pos>
int ComposeAt(const char *in, char *out)
{
    const char *p[5] = {unc ? "c" : "C:", unc ? "s" : "d", unc ? "d" : "t", unc ? "t" : "e", "e"};
    p[pos] = in;
    return Compose(unc, out, p);
}

using Call = int (*)(const char *in, char *out);
char g_x[BRENVIK_MAX_PATH], g_y[BRENVIK_MAX_PATH];
#define FN(...) [](const char *in, char *out) { return CDriveEx::__VA_ARGS__; }

// Each input is prefix, letters and suffix, `added` characters shorter than
// the length under test, so that the result has that length. A result that
// fits has `size` characters (0 or less: the length under test plus size).
const struct {
    const char *what, *prefix, *suffix;
    std::size_t added;
    long size;
    Call call;
} kCases[] = {
    {"split UNC", R"(\\c\s\d\)", ".e", 0, 0, Split},
    {"GetTitleExt", R"(\\c\s\d\)", ".e", 0, -8, FN(GetTitleExt(in, out, g_x, g_y))},
    {"root", R"(\\c\)", "", 1, 0, FN(Get_RootDirOfFilePath(in, out, nullptr))},
    {"Is_FilePath_DirPath_Valid", R"(C:\d\)", "", 0, 2,
     FN(Is_FilePath_DirPath_Valid(in) ? (std::strcpy(out, "ok"), 1) : 0)},
    {"ChkFullPath_s", R"(C:\d\)", ".E", 0, 4,
     FN(ChkFullPath_s(in, 1, 1, 1, out, g_x, g_y, nullptr))},
    {"MkFullPath_s name", "n", "", 5, 0, FN(MkFullPath_s(R"(C:\d)", in, out, 0, 1, 0))},
    {"MkFullPath_s dir", R"(C:\)", "", 2, 0, FN(MkFullPath_s(in, "n", out, 0, 1, 0))},
    {"GetFileExt", R"(C:\d\)", ".e", 0, 1, FN(GetFileExt(in, out))},
    {"GetDirOf", R"(C:\d\)", ".e", 0, 5, FN(GetDirOf(in, out))},
    {"ChgPathExt", R"(C:\d\)", ".e", 1, 0, FN(ChgPathExt(in, "xx", out))},
    {"ChgExtname", R"(C:\d\)", ".e", 1, 0, FN(ChgExtname(in, "xx", out, g_x))},
    {"AddPrefix2FileTitle", R"(C:\d\)", "t.e", 2, 0, FN(AddPrefix2FileTitle(in, "p", "q", out))},
    {"postfix", "q", "", 9, 0, FN(AddPrefix2FileTitle(R"(C:\d\t.e)", "p", in, out))},
    {"ComposeUNC computer", "c", "", 10, 0, ComposeAt<true, 0>},
    {"ComposeUNC ext", "e", "", 10, 0, ComposeAt<true, 4>},
    {"ComposeDrvPath dir", "d", "", 7, 0, ComposeAt<false, 1>},
    {"ComposeDrvPath ext", "e", "", 7, 0, ComposeAt<false, 3>},
};

TEST(Bounds, EveryFunctionRefusesWhatWouldNotFit)
{
    for (const auto &c : kCases) {
        for (const std::size_t len : kLengths) {
            SCOPED_TRACE(std::string(c.what) + ", length " + std::to_string(len));
            const bool fits = len < BRENVIK_MAX_PATH;
            OutBuf out;
            const std::vector<char> in = Exact(PathOfLength(c.prefix, len - c.added, c.suffix));
            EXPECT_EQ(c.call(in.data(), out.get()), fits ? 1 : 0);
            const long size = c.size > 0 ? c.size : long(len) + c.size;
            EXPECT_EQ(out.str().size(), fits ? std::size_t(size) : std::strlen("<untouched>"));
            EXPECT_TRUE(fits || out.str() == "<untouched>") << out.str();
        }
    }
}

TEST(Bounds, RecordFieldsWithoutTerminator)
{
    SPLITFPATH_tag rec = MarkedRecord();
    ASSERT_EQ(CDriveEx::MySplitPath(R"(C:\d\t.e)", &rec, nullptr), 1);
    ASSERT_EQ(CDriveEx::MySplitPath(R"(\\c\s\d\t.e)", &rec, nullptr), 1);
    std::strcpy(rec.drv.strOrgPath, R"(C:\d\t.e)");
    // Each piece, in turn, fills its whole field: the group it belongs to is
    // refused, the other still composes.
    char *const fields[] = {rec.unc.strComputer_name, rec.unc.strShare_name, rec.unc.strDir,
                            rec.unc.strFileTitle,     rec.unc.strFileExt,    rec.drv.strDir,
                            rec.drv.strFileTitle,     rec.drv.strFileExt};
    for (int i = 0; i < 8; ++i) {
        SPLITFPATH_tag copy = rec;
        std::memset(fields[i] - reinterpret_cast<char *>(&rec) + reinterpret_cast<char *>(&copy),
                    'x', BRENVIK_MAX_PATH);
        OutBuf a, b;
        EXPECT_EQ(CDriveEx::ComposeUNC(a.get(), &copy) + CDriveEx::ComposeDrvPath(b.get(), &copy),
                  1);
        EXPECT_EQ(a.str() + "|" + b.str(),
                  i < 5 ? R"(<untouched>|C:\d\t.e)" : R"(\\c\s\d\t.e|<untouched>)") << i;
    }
}

TEST(Bounds, LongTextThatIsNotCopiedDoesNotCount)
{
    // Blanks trimmed off the affixes; all of a drive prefix after its colon.
    OutBuf out, out2;
    const std::vector<char> prefix = Exact(std::string(5000, ' ') + "p");
    const std::vector<char> postfix = Exact("q" + std::string(5000, '\t'));
    EXPECT_EQ(
        CDriveEx::AddPrefix2FileTitle(R"(C:\d\t.e)", prefix.data(), postfix.data(), out.get()), 1);
    EXPECT_EQ(out.str(), R"(C:\d\ptq.e)");
    EXPECT_EQ((ComposeAt<false, 0>(Exact(PathOfLength("C:", 5000)).data(), out2.get())), 1);
    EXPECT_EQ(out2.str(), R"(C:\d\t.e)");
}

}  // namespace
