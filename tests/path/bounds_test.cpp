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

// Splits with both entry points; -1 when they disagree or a refusal wrote.
int Split(const char *in, char *out)
{
    SPLITFPATH_tag a = MarkedRecord(), b = a;
    const SPLITFPATH_tag before = a;
    const bool unc = in[1] == '\\';
    const int r = CDriveEx::MySplitPath(in, &a, nullptr);
    if (r != (unc ? CDriveEx::SplitUNC_p(in, &b) : CDriveEx::SplitDrvpath_p(in, &b)) ||
        (!r && (std::memcmp(&a, &before, sizeof a) || std::memcmp(&b, &before, sizeof b))))
        return -1;
    if (r)
        std::strcpy(out, unc ? a.unc.strOrgPath : a.drv.strOrgPath);
    return r;
}

std::string Same(const std::string &in) { return in; }

// Each call's input is prefix, letters and suffix, made `added` characters
// shorter than the length under test, so that its result has that length.
const struct {
    const char *what, *prefix, *suffix;
    std::size_t added;
    int (*call)(const char *in, char *out);
    std::string (*expect)(const std::string &in);  // out when it fits
} kCases[] = {
    {"split drive", R"(C:\d\)", ".e", 0, Split, Same},
    {"split UNC", R"(\\c\s\d\)", ".e", 0, Split, Same},
    {"GetTitleExt", R"(\\c\s\d\)", ".e", 0,
     [](const char *in, char *out) {
         OutBuf title, ext;
         const int r = CDriveEx::GetTitleExt(in, out, title.get(), ext.get());
         return ext.str() == (r ? ".e" : "<untouched>") ? r : -1;
     },
     [](const std::string &in) { return in.substr(8); }},
    {"root", R"(\\c\)", "", 1,
     [](const char *in, char *out) { return CDriveEx::Get_RootDirOfFilePath(in, out, nullptr); },
     [](const std::string &in) { return in + "\\"; }},
    {"Is_FilePath_DirPath_Valid", R"(C:\d\)", "", 0,
     [](const char *in, char *out) {
         return CDriveEx::Is_FilePath_DirPath_Valid(in) ? (std::strcpy(out, "ok"), 1) : 0;
     },
     [](const std::string &) { return std::string("ok"); }},
    {"ChkFullPath_s", R"(C:\d\)", ".E", 0,
     [](const char *in, char *out) {
         OutBuf name, ext;
         int code = -1;
         const int r = CDriveEx::ChkFullPath_s(in, 1, 1, 1, out, name.get(), ext.get(), &code);
         return code == (r ? 0 : -1) && ext.str() == (r ? "e" : "<untouched>") ? r : -1;
     },
     [](const std::string &) { return std::string(R"(C:\d)"); }},
    {"MkFullPath_s name", "n", "", 5,
     [](const char *in, char *out) { return CDriveEx::MkFullPath_s(R"(C:\d)", in, out, 0, 1, 0); },
     [](const std::string &in) { return R"(C:\d\)" + in; }},
    {"MkFullPath_s dir", R"(C:\)", "", 2,
     [](const char *in, char *out) { return CDriveEx::MkFullPath_s(in, "n", out, 0, 1, 0); },
     [](const std::string &in) { return in + "\\n"; }},
    {"GetFileExt", R"(C:\d\)", ".e", 0,
     [](const char *in, char *out) { return CDriveEx::GetFileExt(in, out); },
     [](const std::string &) { return std::string("e"); }},
    {"GetDirOf", R"(C:\d\)", ".e", 0,
     [](const char *in, char *out) { return CDriveEx::GetDirOf(in, out); },
     [](const std::string &) { return std::string(R"(C:\d\)"); }},
    {"ChgPathExt", R"(C:\d\)", ".e", 1,
     [](const char *in, char *out) { return CDriveEx::ChgPathExt(in, "xx", out); },
     [](const std::string &in) { return in.substr(0, in.size() - 1) + "xx"; }},
    {"ChgExtname", R"(C:\d\)", ".e", 1,
     [](const char *in, char *out) {
         OutBuf old;
         const int r = CDriveEx::ChgExtname(in, "xx", out, old.get());
         return old.str() == (r ? ".e" : "<untouched>") ? r : -1;
     },
     [](const std::string &in) { return in.substr(0, in.size() - 1) + "xx"; }},
    {"AddPrefix2FileTitle", R"(C:\d\)", "t.e", 2,
     [](const char *in, char *out) { return CDriveEx::AddPrefix2FileTitle(in, "p", "q", out); },
     [](const std::string &in) { return R"(C:\d\p)" + in.substr(5, in.size() - 7) + "q.e"; }},
    {"AddPrefix2FileTitle prefix", "p", "", 9,
     [](const char *in, char *out) { return CDriveEx::AddPrefix2FileTitle(R"(C:\d\t.e)", in, "q", out); },
     [](const std::string &in) { return R"(C:\d\)" + in + "tq.e"; }},
    {"AddPrefix2FileTitle postfix", "q", "", 9,
     [](const char *in, char *out) { return CDriveEx::AddPrefix2FileTitle(R"(C:\d\t.e)", "p", in, out); },
     [](const std::string &in) { return R"(C:\d\pt)" + in + ".e"; }},
};

TEST(Bounds, EveryFunctionRefusesWhatWouldNotFit)
{
    for (const auto &c : kCases) {
        for (const std::size_t len : kLengths) {
            SCOPED_TRACE(std::string(c.what) + ", length " + std::to_string(len));
            const std::string in = PathOfLength(c.prefix, len - c.added, c.suffix);
            const bool fits = len < BRENVIK_MAX_PATH;
            OutBuf out;
            EXPECT_EQ(c.call(Exact(in).data(), out.get()), fits ? 1 : 0);
            EXPECT_EQ(out.str(), fits ? c.expect(in) : "<untouched>");
        }
    }
}

TEST(Bounds, ComposedResults)
{
    for (const std::size_t len : kLengths) {
        for (const bool unc : {true, false}) {
            for (int pos = unc ? 0 : 1; pos < (unc ? 5 : 4); ++pos) {
                SCOPED_TRACE(std::to_string(len) + (unc ? " UNC piece " : " drive piece ") +
                             std::to_string(pos));
                // Fixed pieces make 10 (UNC) or 7 (drive) of the result's characters.
                const std::string piece = PathOfLength("p", len - (unc ? 10 : 7));
                const std::vector<char> in = Exact(piece);
                const char *p[5] = {unc ? "c" : "C:", unc ? "s" : "d", unc ? "d" : "t",
                                    unc ? "t" : "e", "e"};
                p[pos] = in.data();
                OutBuf out;
                const bool fits = len < BRENVIK_MAX_PATH;
                EXPECT_EQ(Compose(unc, out.get(), p), fits ? 1 : 0);
                const std::string expect =
                    unc ? std::string(R"(\\)") + p[0] + "\\" + p[1] + "\\" + p[2] + "\\" + p[3] + "." + p[4]
                        : std::string(R"(C:\)") + p[1] + "\\" + p[2] + "." + p[3];
                EXPECT_EQ(out.str(), fits ? expect : "<untouched>");
            }
        }
    }
    // Only the letter and colon of the drive prefix are read.
    OutBuf out;
    EXPECT_EQ(CDriveEx::ComposeDrvPath(out.get(), Exact(PathOfLength("C:", 5000)).data(), "d",
                                       "t", "e"),
              1);
    EXPECT_EQ(out.str(), R"(C:\d\t.e)");
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
        char *field = fields[i], saved[BRENVIK_MAX_PATH];
        std::memcpy(saved, field, sizeof saved);
        std::memset(field, 'x', BRENVIK_MAX_PATH);
        OutBuf a, b;
        EXPECT_EQ(CDriveEx::ComposeUNC(a.get(), &rec), i < 5 ? 0 : 1) << i;
        EXPECT_EQ(CDriveEx::ComposeDrvPath(b.get(), &rec), i < 5 ? 1 : 0) << i;
        EXPECT_EQ(a.str() + "|" + b.str(), i < 5 ? R"(<untouched>|C:\d\t.e)" : R"(\\c\s\d\t.e|<untouched>)");
        std::memcpy(field, saved, sizeof saved);
    }
}

TEST(Bounds, WhiteSpaceTrimmedOffLongAffixesDoesNotCount)
{
    OutBuf out;
    EXPECT_EQ(CDriveEx::AddPrefix2FileTitle(R"(C:\d\t.e)",
                                            Exact(std::string(5000, ' ') + "p").data(),
                                            Exact("q" + std::string(5000, '\t')).data(), out.get()),
              1);
    EXPECT_EQ(out.str(), R"(C:\d\ptq.e)");
}

}  // namespace
