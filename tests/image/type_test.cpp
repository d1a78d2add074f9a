// The kind of disc of an image file, the nine predicates, the description.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/image_header.h"
#include "image_test_support.h"

namespace {

using namespace brenvik::test;
using Lines_ = std::vector<std::string>;

// Every predicate's answer, in the order of the codes 1 to 8, then Is_Cluster.
std::vector<int> Predicates(const char *name)
{
    return {CVcdImageEx::Is_CDROM(name),   CVcdImageEx::Is_AUDIO(name),
            CVcdImageEx::Is_MIXED(name),   CVcdImageEx::Is_DVD(name),
            CVcdImageEx::Is_CDEXTRA(name), CVcdImageEx::Is_PHOTO(name),
            CVcdImageEx::Is_VIDEO(name),   CVcdImageEx::Is_ISOGEN(name),
            CVcdImageEx::Is_Cluster(name)};
}

using TypeSim = ImageFiles;

TEST_F(TypeSim, KindWordsGiveTheCodeAndEachQueryReadsTheFileOnce)
{
    const unsigned long rows[][3] = {  // media format, disc kind, code
        {0x100, 0, CDTYPE_AUDIO},  {0x100, 5, CDTYPE_AUDIO},  {0x1000, 0, CDTYPE_DVD},
        {0x1000, 1, CDTYPE_DVD},   {0, 1, CDTYPE_MIXED},      {0, 2, CDTYPE_CDEXTRA},
        {0, 3, CDTYPE_PHOTO},      {0, 4, CDTYPE_VIDEO},      {0, 5, CDTYPE_DVD},
        {0, 6, CDTYPE_ISOGEN},     {0, 0, CDTYPE_CDROM},      {0, 7, CDTYPE_CDROM},
        {0, 0xFFFFFFFF, CDTYPE_CDROM}, {0x1100, 4, CDTYPE_VIDEO}, {0x1100, 0, CDTYPE_CDROM},
        {0x101, 1, CDTYPE_MIXED},  {0x1001, 3, CDTYPE_PHOTO}, {0xFFFFFFFF, 2, CDTYPE_CDEXTRA},
        {0x10000100, 6, CDTYPE_ISOGEN},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(::testing::Message() << "format " << row[0] << " kind " << row[1]);
        // One file name throughout: a remembered answer would show.
        const std::string path = Put("Kind.vcd", Spec(row[0], row[1], 0, 4096));
        machine_->opens.clear();
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
        EXPECT_EQ(machine_->opens.size(), 11u);
    }
}

TEST_F(TypeSim, UnreadableFileIsInvalidSilently)
{
    // Long enough for the type, not for the description.
    const std::string cut = Put("Short.vcd", Spec(0, 3, 0, 2941));
    EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(cut.c_str()), CDTYPE_PHOTO);
    const std::string missing = Path("Missing.vcd");
    for (const std::string &path : {cut, missing}) {
        char desc[BRENVIK_MAX_PATH] = "untouched";
        int info = 55;
        EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), desc, &info), 0);
        EXPECT_EQ(info, 0);
        EXPECT_STREQ(desc, "untouched");
    }
    EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(missing.c_str()), CDTYPE_INVALID);
    EXPECT_EQ(Predicates(missing.c_str()), std::vector<int>(9, 0));
    unsigned long code = 77;
    EXPECT_EQ(ImgHdr_GetCdType(missing.c_str(), &code), 0);
    EXPECT_EQ(code, 77u);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(TypeSim, MissingArgumentsAreTraced)
{
    const std::string type = "CVcdImageEx::GetVCD_cdtype BAD NULL ...strVcdFname \n";
    const std::string desc = "CVcdImageEx::GetDesc BAD NULL ...";
    const std::string path = Put("Desc.vcd", Spec(0, 0));
    char text[BRENVIK_MAX_PATH] = "untouched";
    for (const char *bad : {static_cast<const char *>(nullptr), ""}) {
        EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(bad), CDTYPE_INVALID);
        EXPECT_EQ(Predicates(bad), std::vector<int>(9, 0));
        EXPECT_EQ(Lines(), Lines_(10, type));
        int info = 55;
        EXPECT_EQ(CVcdImageEx::GetDesc(bad, text, &info), 0);
        EXPECT_EQ(info, 0);
        EXPECT_EQ(Lines(), Lines_{desc + "strVcdFname \n"});
    }
    // Without a buffer the info is left alone, whatever the name.
    for (const char *given : {path.c_str(), static_cast<const char *>(nullptr)}) {
        int info = 55;
        EXPECT_EQ(CVcdImageEx::GetDesc(given, nullptr, &info), 0);
        EXPECT_EQ(info, 55);
        EXPECT_EQ(Lines(), Lines_{desc + "strDesc_MAXPATH \n"});
    }
    EXPECT_STREQ(text, "untouched");
    EXPECT_TRUE(machine_->opens.empty());
}

TEST_F(TypeSim, DescriptionTextAndInfo)
{
    struct Row {
        std::string desc;
        std::uint32_t descInfo;
        std::string expected;
        int info;
    };
    const Row rows[] = {
        {"Holiday", 0x1234, "Holiday", 0x1234},
        {"", 0, "", 0},
        {"Caf\xE9 \x81\x40", 7, "Caf\xE9 \x81\x40", 7},
        {std::string(256, 'z'), 0xFFFFFFFFu, std::string(256, 'z'), -1},  // no NUL in the field
        {std::string("cut\0here", 8), 0x80000000u, "cut", static_cast<int>(0x80000000u)},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.expected.size());
        mk::ImageSpec spec = Spec(0, 0);
        spec.desc = row.desc;
        spec.descInfo = row.descInfo;
        spec.fill = 'a';  // after the text's NUL: the text must stop there
        const std::string path = Put("Desc.vcd", spec);
        char buffer[BRENVIK_MAX_PATH + 16];
        std::memset(buffer, 0xEE, sizeof buffer);
        int info = 12345;
        ASSERT_EQ(CVcdImageEx::GetDesc(path.c_str(), buffer, &info), 1);
        EXPECT_EQ(std::string(buffer), row.expected);
        EXPECT_EQ(info, row.info);
        for (std::size_t i = row.expected.size() + 1; i < sizeof buffer; ++i)
            ASSERT_EQ(static_cast<unsigned char>(buffer[i]), 0xEE) << "past the text: " << i;
        EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), buffer, nullptr), 1);
    }
}

}  // namespace
