// Double-byte code pages: the second byte of a character may be 0x5C, the
// backslash, and must not be taken for a separator. The same bytes under a
// single-byte code page show the difference.
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

// Result, then '|' and the output, of one call.
std::string Out(int result, const char *out) { return std::to_string(result) + "|" + out; }

TEST(CodePage, DoubleByteCharactersAreOneCharacter)
{
    const struct {
        std::string (*call)();
        const char *cp932, *cp1252;
    } rows[] = {
        {[] { SPLITFPATH_tag r = MarkedRecord();
              return Out(CDriveEx::MySplitPath("C:\\dir\\" KANJI_BS ".txt", &r, nullptr), r.drv.strFileTitle); },
         "1|" KANJI_BS, "0|"},
        // A separator right after the character is not a doubled backslash.
        {[] { SPLITFPATH_tag r = MarkedRecord();
              return Out(CDriveEx::MySplitPath("C:\\d" KANJI_BS "\\f.e", &r, nullptr), r.drv.strDir); },
         "1|d" KANJI_BS, "0|"},
        {[] { SPLITFPATH_tag r = MarkedRecord();
              return Out(CDriveEx::MySplitPath("\\\\c\\s\\" KANJI_BS "\\f.e", &r, nullptr), r.unc.strDir); },
         "1|" KANJI_BS, "1|\x95\\"},
        // A lead byte at the very end has no second byte: it is one character.
        {[] { SPLITFPATH_tag r = MarkedRecord();
              return Out(CDriveEx::MySplitPath("C:\\d\\f\x95", &r, nullptr), r.drv.strFilename); },
         "1|f\x95", "1|f\x95"},
        {[] { return Out(CDriveEx::IsFilenameValid(KANJI_BS), ""); }, "1|", "0|"},
        {[] { return Out(BrenvikTestAccess::ValidateMultiDirLevel_p(KANJI_BS "\\x", 1), ""); }, "1|", "0|"},
        {[] { OutBuf d, n, e;
              return Out(CDriveEx::ChkFullPath_s("C:\\d\\" KANJI_BS ".TXT", 1, 1, 1, d.get(), n.get(), e.get(), nullptr), d.get()); },
         "1|C:\\d", "1|C:\\d\\\x95"},
        // Lower-casing leaves the second byte of a character alone.
        {[] { OutBuf d, n, e;
              return Out(CDriveEx::ChkFullPath_s("C:\\d\\f.X" KANJI_A "B", 1, 1, 1, d.get(), n.get(), e.get(), nullptr), e.get()); },
         "1|x" KANJI_A "b", "1|x\x82" "ab"},
        {[] { OutBuf o; return Out(CDriveEx::MkFullPath_s("C:\\" KANJI_BS, "a", o.get(), 0, 1, 0), o.get()); },
         "1|C:\\" KANJI_BS "\\a", "1|C:\\" KANJI_BS "a"},
        {[] { OutBuf o; return Out(CDriveEx::ComposeDrvPath(o.get(), "C:", KANJI_BS, "t", "e"), o.get()); },
         "1|C:\\" KANJI_BS "\\t.e", "1|C:\\" KANJI_BS "t.e"},
        {[] { OutBuf o; return Out(CDriveEx::ComposeUNC(o.get(), KANJI_BS, "s", "d", "t", "e"), ""); }, "1|", "0|"},
        {[] { OutBuf o; return Out(CDriveEx::ChgPathExt("C:\\" KANJI_BS "\\f.txt", "bak", o.get()), o.get()); },
         "1|C:\\" KANJI_BS "\\f.bak", "0|<untouched>"},
        {[] { OutBuf o; return Out(CDriveEx::GetDirOf("C:\\d\\" KANJI_BS, o.get()), o.get()); },
         "1|C:\\d\\", "1|C:\\d\\\x95\\"},
    };
    for (const unsigned codePage : {932u, 1252u}) {
        brenvik::crt::testing::ForceCodePage(codePage);
        for (std::size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i)
            EXPECT_EQ(rows[i].call(), codePage == 932 ? rows[i].cp932 : rows[i].cp1252)
                << "row " << i << ", code page " << codePage;
    }
    brenvik::crt::testing::ForceCodePage(0);
}

}  // namespace
