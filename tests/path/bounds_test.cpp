// Inputs and results at and beyond the 260-byte buffers, and double-byte
// characters. Inputs live in heap blocks of their exact size and outputs
// have a guard zone, so a read (under AddressSanitizer) or a write past
// either shows up.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "path/path_test_util.h"
#include "support/code_page.h"

using brenvik::test::Compose;
using brenvik::test::MarkedRecord;
using brenvik::test::OutBuf;

namespace {

// n characters: prefix, then 'a'..'z' repeated, then suffix; with its NUL
// in a block of its own.
std::vector<char> Exact(const std::string &prefix, std::size_t n, const std::string &suffix = "")
{
    std::string s = prefix;
    while (s.size() + suffix.size() < n)
        s.push_back(static_cast<char>('a' + s.size() % 26));
    s = (s + suffix).substr(0, n);
    return std::vector<char>(s.c_str(), s.c_str() + s.size() + 1);
}

// One composer with the input as piece `pos` and short other pieces.
template <bool unc, int pos>
int ComposeAt(const char *in, char *out)
{
    const char *p[5] = {unc ? "c" : "C:", unc ? "s" : "d", unc ? "d" : "t", unc ? "t" : "e", "e"};
    p[pos] = in;
    return Compose(unc, out, p);
}

char g_x[BRENVIK_MAX_PATH], g_y[BRENVIK_MAX_PATH];
#define FN(...) [](const char *in, char *out) { return CDriveEx::__VA_ARGS__; }

// Each input is `added` characters shorter than the length under test, so
// that the result has that length. A result that fits has `size`
// characters (0 or less: the length under test plus size).
const struct {
    const char *what, *prefix, *suffix;
    std::size_t added;
    long size;
    int (*call)(const char *in, char *out);
} kCases[] = {
    {"split", R"(\\c\s\d\)", ".e", 0, 0, [](const char *in, char *out) {
         SPLITFPATH_tag a = MarkedRecord(), before = a;
         const int r = CDriveEx::MySplitPath(in, &a, nullptr);
         std::strcpy(r ? out : g_x, a.unc.strOrgPath);
         return !r && std::memcmp(&a, &before, sizeof a) ? -1 : r;  // -1: a refusal wrote
     }},
    {"root", R"(\\c\)", "", 1, 0, FN(Get_RootDirOfFilePath(in, out, nullptr))},
    {"form", R"(C:\d\)", "", 0, 2, FN(Is_FilePath_DirPath_Valid(in) ? (std::strcpy(out, "ok"), 1) : 0)},
    {"ChkFullPath_s", R"(C:\d\)", ".E", 0, 4, FN(ChkFullPath_s(in, 1, 1, 1, out, g_x, g_y, nullptr))},
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
        for (const std::size_t len : {259, 260, 5000}) {
            SCOPED_TRACE(std::string(c.what) + ", length " + std::to_string(len));
            const bool fits = len < BRENVIK_MAX_PATH;
            OutBuf out;
            EXPECT_EQ(c.call(Exact(c.prefix, len - c.added, c.suffix).data(), out.get()), fits);
            const long size = c.size > 0 ? c.size : long(len) + c.size;
            EXPECT_EQ(fits ? std::to_string(out.str().size()) : out.str(),
                      fits ? std::to_string(size) : "<untouched>");
        }
    }
}

TEST(Bounds, TextNotCopiedDoesNotCount)
{
    // Blanks trimmed off the affixes; all of a drive prefix after its colon.
    OutBuf out, out2;
    const std::vector<char> prefix = Exact(std::string(5000, ' '), 5001, "p"),
                            postfix = Exact("q" + std::string(5000, '\t'), 5001);
    EXPECT_EQ(CDriveEx::AddPrefix2FileTitle(R"(C:\d\t.e)", prefix.data(), postfix.data(), out.get()), 1);
    EXPECT_EQ((ComposeAt<false, 0>(Exact("C:", 5000).data(), out2.get())), 1);
    EXPECT_EQ(out.str() + "|" + out2.str(), R"(C:\d\ptq.e|C:\d\t.e)");
}

// Shift-JIS: 0x95 0x5C is one character whose second byte is '\'; 0x82 0x41
// one whose second byte is 'A'. The same bytes under a single-byte code page
// show the difference.
#define KANJI_BS "\x95\x5c"
#define KANJI_A "\x82\x41"

TEST(CodePage, DoubleByteCharactersAreOneCharacter)
{
    for (const unsigned codePage : {932u, 1252u}) {
        SCOPED_TRACE(codePage);
        brenvik::test::ScopedCodePage scoped(codePage);
        const bool dbcs = codePage == 932;
        SPLITFPATH_tag r = MarkedRecord();
        EXPECT_EQ(CDriveEx::MySplitPath("C:\\dir\\" KANJI_BS ".txt", &r, nullptr), dbcs);
        EXPECT_STREQ(r.drv.strFileTitle, dbcs ? KANJI_BS : "");
        // A separator right after the character is not a doubled backslash.
        EXPECT_EQ(CDriveEx::MySplitPath("C:\\d" KANJI_BS "\\f.e", &r, nullptr), dbcs);
        EXPECT_EQ(CDriveEx::IsFilenameValid(KANJI_BS), dbcs);
        EXPECT_EQ(BrenvikTestAccess::ValidateMultiDirLevel_p(KANJI_BS "\\x", 1), dbcs);
        OutBuf dir, name, ext, out;
        EXPECT_EQ(CDriveEx::ChkFullPath_s("C:\\d\\" KANJI_BS ".TXT", 1, 1, 1, dir.get(), name.get(),
                                          ext.get(), nullptr),
                  1);
        EXPECT_EQ(dir.str(), dbcs ? "C:\\d" : "C:\\d\\\x95");
        // Lower-casing leaves the second byte of a character alone.
        EXPECT_EQ(CDriveEx::ChkFullPath_s("C:\\d\\f.X" KANJI_A "B", 1, 1, 1, dir.get(), name.get(),
                                          ext.get(), nullptr),
                  1);
        EXPECT_EQ(ext.str(), dbcs ? "x" KANJI_A "b" : "x\x82" "ab");
        EXPECT_EQ(CDriveEx::ComposeDrvPath(out.get(), "C:", KANJI_BS, "t", "e"), 1);
        EXPECT_EQ(out.str(), dbcs ? "C:\\" KANJI_BS "\\t.e" : "C:\\" KANJI_BS "t.e");
        EXPECT_EQ(CDriveEx::GetDirOf("C:\\d\\" KANJI_BS, out.get()), 1);
        EXPECT_EQ(out.str(), dbcs ? "C:\\d\\" : "C:\\d\\\x95\\");
    }
}

}  // namespace
