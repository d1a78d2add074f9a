// Double-byte code pages: the second byte of a double-byte character may be
// 0x5C, the backslash, and must not be taken for a separator. The same
// bytes under a single-byte code page show the difference.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <string>

#include "path/path_test_util.h"
#include "platform/crt/mbcs.h"

using brenvik::test::MarkedRecord;
using brenvik::test::OutBuf;

namespace {

// Shift-JIS: 0x95 0x5C is one character whose second byte is '\'; 0x82 0x41
// one whose second byte is 'A'.
#define KANJI_BS "\x95\x5c"
#define KANJI_A "\x82\x41"

class CodePage : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override { brenvik::crt::testing::ForceCodePage(GetParam()); }
    void TearDown() override { brenvik::crt::testing::ForceCodePage(0); }
    bool Dbcs() const { return GetParam() == 932; }
};

TEST_P(CodePage, SplittersSeeOneCharacter)
{
    SPLITFPATH_tag rec = MarkedRecord();
    EXPECT_EQ(CDriveEx::MySplitPath("C:\\dir\\" KANJI_BS ".txt", &rec, nullptr), Dbcs());
    if (Dbcs()) {
        EXPECT_STREQ(rec.drv.strDir, "dir");
        EXPECT_STREQ(rec.drv.strFilename, KANJI_BS ".txt");
        EXPECT_STREQ(rec.drv.strFileTitle, KANJI_BS);
    } else {
        // The 0x5C cuts the path and leaves ".txt" as the name.
        EXPECT_STREQ(rec.drv.strDir, "dir\\\x95");
    }

    // A separator right after the character is not a doubled backslash.
    EXPECT_EQ(CDriveEx::MySplitPath("C:\\d" KANJI_BS "\\f.e", &rec, nullptr), Dbcs());
    if (Dbcs()) {
        EXPECT_STREQ(rec.drv.strDir, "d" KANJI_BS);
    }

    EXPECT_EQ(CDriveEx::MySplitPath("\\\\c\\s\\" KANJI_BS "\\f.e", &rec, nullptr), 1);
    EXPECT_STREQ(rec.unc.strDir, Dbcs() ? KANJI_BS : "\x95\\");
    EXPECT_STREQ(rec.unc.strFilename, "f.e");

    // A lead byte at the very end has no second byte: it is one character.
    EXPECT_EQ(CDriveEx::MySplitPath("C:\\d\\f\x95", &rec, nullptr), 1);
    EXPECT_STREQ(rec.drv.strFilename, "f\x95");
}

TEST_P(CodePage, ValidationSeesOneCharacter)
{
    EXPECT_EQ(CDriveEx::IsFilenameValid(KANJI_BS), Dbcs());
    // One level and another, or two backslashes in a row.
    EXPECT_EQ(BrenvikTestAccess::ValidateMultiDirLevel_p(KANJI_BS "\\x", 1), Dbcs());
    EXPECT_EQ(BrenvikTestAccess::ValidateMultiDirLevel_p("a\\" KANJI_BS, 1), 1);

    OutBuf dir, name, ext("old");
    EXPECT_EQ(CDriveEx::ChkFullPath_s("C:\\d\\" KANJI_BS ".TXT", 1, 1, 1, dir.get(), name.get(),
                                      ext.get(), nullptr),
              1);
    EXPECT_EQ(dir.str(), Dbcs() ? "C:\\d" : "C:\\d\\\x95");
    EXPECT_EQ(ext.str(), "txt");
    // Lower-casing leaves the second byte of a character alone.
    EXPECT_EQ(CDriveEx::ChkFullPath_s("C:\\d\\f.X" KANJI_A "B", 1, 1, 1, dir.get(), name.get(),
                                      ext.get(), nullptr),
              1);
    EXPECT_EQ(ext.str(), Dbcs() ? "x" KANJI_A "b" : "x\x82" "ab");

    OutBuf joined;
    EXPECT_EQ(CDriveEx::MkFullPath_s("C:\\" KANJI_BS, "a", joined.get(), 0, 1, 0), 1);
    EXPECT_EQ(joined.str(), Dbcs() ? "C:\\" KANJI_BS "\\a" : "C:\\" KANJI_BS "a");
}

TEST_P(CodePage, ComposersAddTheSeparatorAfterTheCharacter)
{
    OutBuf out;
    EXPECT_EQ(CDriveEx::ComposeDrvPath(out.get(), "C:", KANJI_BS, "t", "e"), 1);
    EXPECT_EQ(out.str(), Dbcs() ? "C:\\" KANJI_BS "\\t.e" : "C:\\" KANJI_BS "t.e");
    // A computer name may hold the character, not a backslash.
    OutBuf unc2;
    EXPECT_EQ(CDriveEx::ComposeUNC(unc2.get(), KANJI_BS, "s", "d", "t", "e"), Dbcs());
}

TEST_P(CodePage, TitleAndExtensionOperations)
{
    OutBuf out;
    EXPECT_EQ(CDriveEx::ChgPathExt("C:\\" KANJI_BS "\\f.txt", "bak", out.get()), Dbcs());
    if (Dbcs()) {
        EXPECT_EQ(out.str(), "C:\\" KANJI_BS "\\f.bak");
    }
    OutBuf dir;
    EXPECT_EQ(CDriveEx::GetDirOf("C:\\d\\" KANJI_BS, dir.get()), 1);
    EXPECT_EQ(dir.str(), Dbcs() ? "C:\\d\\" : "C:\\d\\\x95\\");
}

INSTANTIATE_TEST_SUITE_P(Path, CodePage, ::testing::Values(932u, 1252u),
                         [](const ::testing::TestParamInfo<unsigned> &info) {
                             return "cp" + std::to_string(info.param);
                         });

}  // namespace
