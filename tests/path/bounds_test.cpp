// Inputs and results at and beyond the 260-byte buffers: 259 characters
// fit, 260, 261 and 5,000 are refused with nothing written. Inputs live in
// heap blocks of their exact size and outputs have a guard zone, so a read
// or write past either shows up (under AddressSanitizer for reads).
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <string>

#include "path/path_test_util.h"

using brenvik::test::ExactString;
using brenvik::test::MarkedRecord;
using brenvik::test::OutBuf;
using brenvik::test::PathOfLength;

namespace {

const std::size_t kLengths[] = {259, 260, 261, 5000};

TEST(Bounds, Splitters)
{
    struct Form {
        const char *prefix;
        int isUnc;
    };
    for (const Form form : {Form{R"(C:\d\)", 0}, Form{R"(\\c\s\d\)", 1}}) {
        for (std::size_t len : kLengths) {
            SCOPED_TRACE(std::string(form.prefix) + " length " + std::to_string(len));
            const std::string path = PathOfLength(form.prefix, len, ".e");
            const ExactString input(path);
            const bool fits = len < BRENVIK_MAX_PATH;

            SPLITFPATH_tag rec = MarkedRecord();
            const SPLITFPATH_tag before = rec;
            int isUnc = -1;
            EXPECT_EQ(CDriveEx::MySplitPath(input.c_str(), &rec, &isUnc), fits ? 1 : 0);
            EXPECT_EQ(isUnc, fits ? form.isUnc : -1);
            if (fits) {
                EXPECT_STREQ(form.isUnc ? rec.unc.strOrgPath : rec.drv.strOrgPath, path.c_str());
                EXPECT_STREQ(form.isUnc ? rec.unc.strFileExt : rec.drv.strFileExt, ".e");
            } else {
                EXPECT_EQ(std::memcmp(&rec, &before, sizeof rec), 0);
            }

            SPLITFPATH_tag direct = MarkedRecord();
            const int result = form.isUnc ? CDriveEx::SplitUNC_p(input.c_str(), &direct)
                                          : CDriveEx::SplitDrvpath_p(input.c_str(), &direct);
            EXPECT_EQ(result, fits ? 1 : 0);
            if (!fits) {
                EXPECT_EQ(std::memcmp(&direct, &before, sizeof direct), 0);
            }

            OutBuf name, title, ext, root;
            EXPECT_EQ(CDriveEx::GetTitleExt(input.c_str(), name.get(), title.get(), ext.get()),
                      fits ? 1 : 0);
            EXPECT_EQ(ext.str(), fits ? ".e" : "<untouched>");
            EXPECT_EQ(name.str(), fits ? path.substr(path.rfind('\\') + 1) : "<untouched>");
            isUnc = -1;
            EXPECT_EQ(CDriveEx::Get_RootDirOfFilePath(input.c_str(), root.get(), &isUnc),
                      fits ? 1 : 0);
            EXPECT_EQ(root.str(), fits ? (form.isUnc ? R"(\\c\s\)" : R"(C:\)") : "<untouched>");
            EXPECT_EQ(isUnc, fits ? form.isUnc : -1);
            EXPECT_TRUE(name.GuardIntact() && title.GuardIntact() && ext.GuardIntact() &&
                        root.GuardIntact());
        }
    }
}

TEST(Bounds, UncRootOfALongComputerAndShare)
{
    // \\ + computer + \ + share of 259 characters: the root needs one more.
    for (std::size_t shareLen : {127u, 128u}) {
        SCOPED_TRACE(shareLen);
        const std::string path =
            "\\\\" + std::string(128, 'c') + "\\" + std::string(shareLen, 's');
        OutBuf root;
        int isUnc = -1;
        const bool fits = path.size() + 1 < BRENVIK_MAX_PATH;
        EXPECT_EQ(CDriveEx::Get_RootDirOfFilePath(path.c_str(), root.get(), &isUnc), fits);
        EXPECT_EQ(root.str(), fits ? path + "\\" : "<untouched>");
        EXPECT_EQ(isUnc, fits ? 1 : -1);
        EXPECT_TRUE(root.GuardIntact());
    }
}

TEST(Bounds, ComposedResults)
{
    for (std::size_t len : kLengths) {
        SCOPED_TRACE(len);
        const bool fits = len < BRENVIK_MAX_PATH;
        // \\c\s\d\ + title + .e, and C:\d\ + title + .e, of len characters.
        const std::string uncTitle = PathOfLength("t", len - 10);
        const ExactString uncTitleIn(uncTitle);
        OutBuf out;
        EXPECT_EQ(CDriveEx::ComposeUNC(out.get(), "c", "s", "d", uncTitleIn.c_str(), "e"), fits);
        EXPECT_EQ(out.str(), fits ? R"(\\c\s\d\)" + uncTitle + ".e" : "<untouched>");

        const std::string drvTitle = PathOfLength("t", len - 7);
        const ExactString drvTitleIn(drvTitle);
        OutBuf out2;
        EXPECT_EQ(CDriveEx::ComposeDrvPath(out2.get(), "C:", "d", drvTitleIn.c_str(), "e"),
                  fits);
        EXPECT_EQ(out2.str(), fits ? R"(C:\d\)" + drvTitle + ".e" : "<untouched>");

        // A long piece in every position.
        const ExactString piece(PathOfLength("p", len));
        OutBuf out3;
        EXPECT_EQ(CDriveEx::ComposeUNC(out3.get(), piece.c_str(), "s", "d", "t", "e"), 0);
        EXPECT_EQ(CDriveEx::ComposeUNC(out3.get(), "c", piece.c_str(), "d", "t", "e"), 0);
        EXPECT_EQ(CDriveEx::ComposeUNC(out3.get(), "c", "s", piece.c_str(), "t", "e"), 0);
        EXPECT_EQ(CDriveEx::ComposeUNC(out3.get(), "c", "s", "d", "t", piece.c_str()), 0);
        EXPECT_EQ(CDriveEx::ComposeDrvPath(out3.get(), "C:", piece.c_str(), "t", "e"), 0);
        EXPECT_EQ(CDriveEx::ComposeDrvPath(out3.get(), "C:", "d", "t", piece.c_str()), 0);
        EXPECT_EQ(out3.str(), "<untouched>");
        EXPECT_TRUE(out.GuardIntact() && out2.GuardIntact() && out3.GuardIntact());
    }
    // Only the letter and colon of the drive prefix are read.
    const ExactString longDrv(PathOfLength("C:", 5000));
    OutBuf out;
    EXPECT_EQ(CDriveEx::ComposeDrvPath(out.get(), longDrv.c_str(), "d", "t", "e"), 1);
    EXPECT_EQ(out.str(), R"(C:\d\t.e)");
}

TEST(Bounds, RecordFieldsWithoutTerminator)
{
    SPLITFPATH_tag rec = MarkedRecord();
    ASSERT_EQ(CDriveEx::MySplitPath(R"(C:\d\t.e)", &rec, nullptr), 1);
    ASSERT_EQ(CDriveEx::MySplitPath(R"(\\c\s\d\t.e)", &rec, nullptr), 1);
    std::strcpy(rec.drv.strOrgPath, R"(C:\d\t.e)");
    // Each group's pieces, one at a time, fill their whole field.
    char *fields[] = {rec.unc.strComputer_name, rec.unc.strShare_name, rec.unc.strDir,
                      rec.unc.strFileTitle,     rec.unc.strFileExt,    rec.drv.strDir,
                      rec.drv.strFileTitle,     rec.drv.strFileExt};
    for (char *field : fields) {
        char saved[BRENVIK_MAX_PATH];
        std::memcpy(saved, field, sizeof saved);
        std::memset(field, 'x', BRENVIK_MAX_PATH);
        OutBuf a, b;
        EXPECT_EQ(CDriveEx::ComposeUNC(a.get(), &rec) + CDriveEx::ComposeDrvPath(b.get(), &rec),
                  1);
        std::memcpy(field, saved, sizeof saved);
    }
}

TEST(Bounds, Validation)
{
    for (std::size_t len : kLengths) {
        SCOPED_TRACE(len);
        const bool fits = len < BRENVIK_MAX_PATH;
        const std::string path = PathOfLength(R"(C:\d\)", len, ".E");
        const ExactString input(path);
        EXPECT_EQ(CDriveEx::Is_FilePath_DirPath_Valid(input.c_str()), fits);

        OutBuf dir, name, ext;
        int code = -1;
        EXPECT_EQ(CDriveEx::ChkFullPath_s(input.c_str(), 1, 1, 1, dir.get(), name.get(),
                                          ext.get(), &code),
                  fits);
        EXPECT_EQ(code, fits ? 0 : -1);
        EXPECT_EQ(dir.str(), fits ? R"(C:\d)" : "<untouched>");
        EXPECT_EQ(ext.str(), fits ? "e" : "<untouched>");

        // C:\d + \ + name of len characters in all.
        const std::string mkName = PathOfLength("n", len - 5);
        const ExactString mkNameIn(mkName);
        OutBuf joined;
        EXPECT_EQ(CDriveEx::MkFullPath_s(R"(C:\d)", mkNameIn.c_str(), joined.get(), 0, 1, 0),
                  fits);
        EXPECT_EQ(joined.str(), fits ? R"(C:\d\)" + mkName : "<untouched>");
        const ExactString longDir(PathOfLength(R"(C:\)", len));
        OutBuf joined2;
        EXPECT_EQ(CDriveEx::MkFullPath_s(longDir.c_str(), "n", joined2.get(), 0, 1, 0),
                  len + 2 < BRENVIK_MAX_PATH);
        EXPECT_EQ(joined2.str(), "<untouched>");
        EXPECT_TRUE(dir.GuardIntact() && name.GuardIntact() && ext.GuardIntact() &&
                    joined.GuardIntact() && joined2.GuardIntact());
    }
}

TEST(Bounds, TitleAndExtension)
{
    for (std::size_t len : kLengths) {
        SCOPED_TRACE(len);
        const bool fits = len < BRENVIK_MAX_PATH;
        const std::string path = PathOfLength(R"(C:\d\)", len, ".e");
        const ExactString input(path);
        const std::string sameLength = path.substr(0, path.size() - 1) + "x";

        OutBuf ext;
        EXPECT_EQ(CDriveEx::GetFileExt(input.c_str(), ext.get()), fits);
        EXPECT_EQ(ext.str(), fits ? "e" : "<untouched>");

        OutBuf changed, longer;
        EXPECT_EQ(CDriveEx::ChgPathExt(input.c_str(), "x", changed.get()), fits);
        EXPECT_EQ(changed.str(), fits ? sameLength : "<untouched>");
        EXPECT_EQ(CDriveEx::ChgPathExt(input.c_str(), "xx", longer.get()), 0);
        EXPECT_EQ(longer.str(), "<untouched>");

        OutBuf renamed, old, renamed2, old2;
        EXPECT_EQ(CDriveEx::ChgExtname(input.c_str(), "x", renamed.get(), old.get()), fits);
        EXPECT_EQ(renamed.str(), fits ? sameLength : "<untouched>");
        EXPECT_EQ(old.str(), fits ? ".e" : "<untouched>");
        EXPECT_EQ(CDriveEx::ChgExtname(input.c_str(), "xx", renamed2.get(), old2.get()), 0);
        EXPECT_EQ(renamed2.str(), "<untouched>");
        EXPECT_EQ(old2.str(), "<untouched>");

        OutBuf dir;
        EXPECT_EQ(CDriveEx::GetDirOf(input.c_str(), dir.get()), fits);
        EXPECT_EQ(dir.str(), fits ? R"(C:\d\)" : "<untouched>");

        // C:\d\ + p + title + q + .e, len characters with the two added.
        const ExactString shorter(PathOfLength(R"(C:\d\)", len - 2, ".e"));
        OutBuf wrapped;
        EXPECT_EQ(CDriveEx::AddPrefix2FileTitle(shorter.c_str(), "p", "q", wrapped.get()), fits);
        if (fits) {
            EXPECT_EQ(wrapped.str().size(), len);
        } else {
            EXPECT_EQ(wrapped.str(), "<untouched>");
        }
        const ExactString longPrefix(PathOfLength("p", len));
        OutBuf wrapped2;
        EXPECT_EQ(CDriveEx::AddPrefix2FileTitle(R"(C:\d\t.e)", longPrefix.c_str(), "q",
                                                wrapped2.get()),
                  0);
        EXPECT_EQ(CDriveEx::AddPrefix2FileTitle(R"(C:\d\t.e)", "p", longPrefix.c_str(),
                                                wrapped2.get()),
                  0);
        EXPECT_EQ(wrapped2.str(), "<untouched>");
        EXPECT_TRUE(ext.GuardIntact() && changed.GuardIntact() && longer.GuardIntact() &&
                    renamed.GuardIntact() && old.GuardIntact() && renamed2.GuardIntact() &&
                    dir.GuardIntact() && wrapped.GuardIntact() && wrapped2.GuardIntact());
    }
}

TEST(Bounds, WhiteSpaceTrimmedOffLongAffixes)
{
    // Blanks that trimming removes do not count against the buffer.
    const ExactString prefix(std::string(5000, ' ') + "p");
    const ExactString postfix("q" + std::string(5000, '\t'));
    OutBuf out;
    EXPECT_EQ(CDriveEx::AddPrefix2FileTitle(R"(C:\d\t.e)", prefix.c_str(), postfix.c_str(),
                                            out.get()),
              1);
    EXPECT_EQ(out.str(), R"(C:\d\ptq.e)");
}

}  // namespace
