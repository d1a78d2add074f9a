// Double-byte code pages: the second byte of a character may be 0x5C, the
// backslash, and must not be taken for a separator. The same bytes under a
// single-byte code page show the difference.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <string>

#include "path/path_test_util.h"
#include "platform/crt/mbcs.h"
#include "support/code_page.h"

using brenvik::test::MarkedRecord;
using brenvik::test::OutBuf;

namespace {

// Shift-JIS: 0x95 0x5C is one character whose second byte is '\'; 0x82 0x41
// one whose second byte is 'A'.
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
