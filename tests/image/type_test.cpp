// The kind of disc of an image file, the nine predicates, the description,
// and both asked while another opener holds the image.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/image_header.h"
#include "image_test_support.h"
#include "platform/afx/afx.h"

namespace {

using namespace brenvik::test;

// Every predicate's answer, in the order of the codes 1 to 8, then Is_Cluster.
std::vector<int> Predicates(const char *name)
{
    return {CVcdImageEx::Is_CDROM(name),   CVcdImageEx::Is_AUDIO(name),
            CVcdImageEx::Is_MIXED(name),   CVcdImageEx::Is_DVD(name),
            CVcdImageEx::Is_CDEXTRA(name), CVcdImageEx::Is_PHOTO(name),
            CVcdImageEx::Is_VIDEO(name),   CVcdImageEx::Is_ISOGEN(name),
            CVcdImageEx::Is_Cluster(name)};
}

using Type = ImageFiles;

TEST_F(Type, KindWordsGiveTheCodeAndEachQueryReadsTheFileOnce)
{
    const unsigned long rows[][3] = {  // media format, disc kind, code
        {0x100, 5, CDTYPE_AUDIO},  {0x1000, 1, CDTYPE_DVD},  {0, 1, CDTYPE_MIXED},
        {0, 2, CDTYPE_CDEXTRA},    {0, 3, CDTYPE_PHOTO},     {0, 4, CDTYPE_VIDEO},
        {0, 5, CDTYPE_DVD},        {0, 6, CDTYPE_ISOGEN},    {0, 0, CDTYPE_CDROM},
        {0, 7, CDTYPE_CDROM},      {0x1100, 4, CDTYPE_VIDEO}, {0x101, 1, CDTYPE_MIXED},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(::testing::Message() << "format " << row[0] << " kind " << row[1]);
        // One file name throughout: a remembered answer would show.
        const std::string path = Put("Kind.vcd", Fields(row[0], row[1], 0, 4096));
        faults_.ClearCalls();
        const unsigned long code = row[2];
        EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(path.c_str()), code);
        std::vector<int> expected(9, 0);
        expected[code - 1] = 1;
        expected[8] = code == CDTYPE_MIXED || code == CDTYPE_DVD || code == CDTYPE_CDEXTRA;
        EXPECT_EQ(Predicates(path.c_str()), expected);
        unsigned long got = 0;
        EXPECT_EQ(ImgHdr_GetCdType(path.c_str(), &got) + ImgHdr_GetCdType(path.c_str(), nullptr),
                  1);
        EXPECT_EQ(got, code);
        EXPECT_EQ(faults_.CountCalls("CreateFileA"), 11);
    }
}

TEST_F(Type, MissingArgumentsAreTracedUnreadableFilesAreNot)
{
    const std::string type = "CVcdImageEx::GetVCD_cdtype BAD NULL ...strVcdFname \n";
    const std::string desc = "CVcdImageEx::GetDesc BAD NULL ...";
    const std::string cut = Put("Short.vcd", Fields(0, 3, 0, 2941));  // too short to describe
    const std::string missing = Path("Missing.vcd");
    for (const char *bad : {static_cast<const char *>(nullptr), "", missing.c_str()}) {
        const bool traced = bad != missing.c_str();
        EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(bad), CDTYPE_INVALID);
        EXPECT_EQ(Predicates(bad), std::vector<int>(9, 0));
        EXPECT_EQ(Lines(), Strings(traced ? 10 : 0, type));
        unsigned long code = 77;
        EXPECT_EQ(ImgHdr_GetCdType(bad, &code), 0);
        EXPECT_EQ(code, 77u);
        for (const char *name : {bad, cut.c_str()}) {
            char text[BRENVIK_MAX_PATH] = "untouched";
            int info = 55;
            EXPECT_EQ(CVcdImageEx::GetDesc(name, text, &info), 0);
            EXPECT_EQ(info, 0);
            EXPECT_STREQ(text, "untouched");
        }
        EXPECT_EQ(Lines(), Strings(traced ? 1 : 0, desc + "strVcdFname \n"));
        // Without a buffer the info is left alone, whatever the name.
        int info = 55;
        EXPECT_EQ(CVcdImageEx::GetDesc(bad, nullptr, &info), 0);
        EXPECT_EQ(info, 55);
        EXPECT_EQ(Lines(), Strings{desc + "strDesc_MAXPATH \n"});
    }
    EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(cut.c_str()), CDTYPE_PHOTO);
}

TEST_F(Type, DescriptionTextAndInfo)
{
    const std::tuple<std::string, std::uint32_t, std::string, int> rows[] = {
        {"Caf\xE9 \x81\x40", 0x1234, "Caf\xE9 \x81\x40", 0x1234},
        {"", 0, "", 0},
        {std::string(256, 'z'), 0xFFFFFFFFu, std::string(256, 'z'), -1},  // no NUL in the field
        {std::string("cut\0here", 8), 0x80000000u, "cut", static_cast<int>(0x80000000u)},
    };
    for (const auto &[text, descInfo, expected, expectedInfo] : rows) {
        SCOPED_TRACE(expected.size());
        mk::HeaderFields fields = Fields(0, 0);
        fields.desc = text;
        fields.descInfo = descInfo;
        fields.fill = 'a';  // after the text's NUL: the text must stop there
        const std::string path = Put("Desc.vcd", fields);
        char buffer[BRENVIK_MAX_PATH + 16];
        std::memset(buffer, 0xEE, sizeof buffer);
        int info = 12345;
        ASSERT_EQ(CVcdImageEx::GetDesc(path.c_str(), buffer, &info), 1);
        EXPECT_EQ(std::string(buffer), expected);
        EXPECT_EQ(info, expectedInfo);
        for (std::size_t i = expected.size() + 1; i < sizeof buffer; ++i)
            ASSERT_EQ(static_cast<unsigned char>(buffer[i]), 0xEE) << "past the text: " << i;
        EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), buffer, nullptr), 1);
    }
}

// The type query shares reading and writing, the description query denies
// others writing.
TEST_F(Type, WhileAnotherOpenerHoldsIt)
{
    const std::string path = Put("Busy.vcd", Fields(0, mk::kKindVideo));
    const UINT rows[][3] = {  // flags, type answers, description answers
        {CFile::modeReadWrite | CFile::shareDenyNone, 1, 0},
        {CFile::modeRead | CFile::shareDenyWrite, 1, 1},
        {CFile::modeRead | CFile::shareExclusive, 0, 0},
        {CFile::modeReadWrite | CFile::shareDenyRead, 0, 0},
    };
    char text[BRENVIK_MAX_PATH];
    for (const auto &row : rows) {
        SCOPED_TRACE(row[0]);
        CFile held;
        ASSERT_TRUE(held.Open(path.c_str(), row[0]));
        EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(path.c_str()), row[1] ? CDTYPE_VIDEO : CDTYPE_INVALID);
        EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), text, nullptr), int(row[2]));
        held.Close();
        EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(path.c_str()), CDTYPE_VIDEO);
        EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), text, nullptr), 1);
    }
}

}  // namespace
