// The kind of disc of an image file, the nine predicates and the description.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "frame/trace.h"
#include "image/image_header.h"
#include "image_test_support.h"
#include "image_writer.h"
#include "support/scoped_machine.h"

namespace {

namespace mk = brenvik::mkimage;
using brenvik::test::ImageFilesTest;
using brenvik::test::ScopedTraceOn;

constexpr unsigned char kUntouched = 0xEE;

mk::ImageSpec Kind(std::uint32_t mediaFormat, std::uint32_t discKind)
{
    mk::ImageSpec spec;
    spec.mediaFormat = mediaFormat;
    spec.discKind = discKind;
    spec.totalLength = 4096;
    return spec;
}

// Every predicate's answer for one name, in the order of the codes 1 to 8,
// then Is_Cluster.
std::vector<int> Predicates(const char *name)
{
    return {CVcdImageEx::Is_CDROM(name),   CVcdImageEx::Is_AUDIO(name),
            CVcdImageEx::Is_MIXED(name),   CVcdImageEx::Is_DVD(name),
            CVcdImageEx::Is_CDEXTRA(name), CVcdImageEx::Is_PHOTO(name),
            CVcdImageEx::Is_VIDEO(name),   CVcdImageEx::Is_ISOGEN(name),
            CVcdImageEx::Is_Cluster(name)};
}

std::vector<int> ExpectedPredicates(unsigned long code)
{
    std::vector<int> answers(9, 0);
    if (code >= 1 && code <= 8)
        answers[code - 1] = 1;
    answers[8] = (code == CDTYPE_MIXED || code == CDTYPE_DVD || code == CDTYPE_CDEXTRA) ? 1 : 0;
    return answers;
}

class TypeQuery : public ImageFilesTest {};

TEST_P(TypeQuery, KindWordsGiveTheCode)
{
    struct Row {
        std::uint32_t mediaFormat;
        std::uint32_t discKind;
        unsigned long code;
    };
    const Row rows[] = {
        {0x100, 0, CDTYPE_AUDIO},
        {0x100, 5, CDTYPE_AUDIO},  // the format word wins
        {0x100, 4, CDTYPE_AUDIO},
        {0x1000, 0, CDTYPE_DVD},
        {0x1000, 1, CDTYPE_DVD},
        {0, 1, CDTYPE_MIXED},
        {0, 2, CDTYPE_CDEXTRA},
        {0, 3, CDTYPE_PHOTO},
        {0, 4, CDTYPE_VIDEO},
        {0, 5, CDTYPE_DVD},
        {0, 6, CDTYPE_ISOGEN},
        {0, 0, CDTYPE_CDROM},
        {0, 7, CDTYPE_CDROM},
        {0, 0xFFFFFFFFu, CDTYPE_CDROM},
        {0x1100, 4, CDTYPE_VIDEO},  // neither 256 nor 4096: not bit flags
        {0x1100, 0, CDTYPE_CDROM},
        {0x101, 1, CDTYPE_MIXED},
        {0x1001, 3, CDTYPE_PHOTO},
        {0xFFFFFFFFu, 2, CDTYPE_CDEXTRA},
        {0x10000100u, 6, CDTYPE_ISOGEN},  // a high byte spoils 256
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(::testing::Message() << "format " << row.mediaFormat << " kind "
                                          << row.discKind);
        const std::string path = Put("Kind.vcd", Kind(row.mediaFormat, row.discKind));
        EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(path.c_str()), row.code);
        EXPECT_EQ(Predicates(path.c_str()), ExpectedPredicates(row.code));
        unsigned long code = 0;
        EXPECT_EQ(ImgHdr_GetCdType(path.c_str(), &code), 1);
        EXPECT_EQ(code, row.code);
    }
}

TEST_P(TypeQuery, EveryQueryReadsTheFileAgain)
{
    const std::string path = Put("Kind.vcd", Kind(0, 4));
    EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(path.c_str()), CDTYPE_VIDEO);
    Put("Kind.vcd", Kind(0x100, 0));
    EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(path.c_str()), CDTYPE_AUDIO);
    // Is_Cluster answers from one read.
    tap_->creates.clear();
    Put("Kind.vcd", Kind(0, 2));
    EXPECT_EQ(CVcdImageEx::Is_Cluster(path.c_str()), 1);
    EXPECT_EQ(tap_->creates.size(), 1u);
}

TEST_P(TypeQuery, HeaderCutShortStillAnswersFromItsFirst2934Bytes)
{
    mk::ImageSpec spec = Kind(0, 3);
    spec.totalLength = 2934;
    EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(Put("Cut.vcd", spec).c_str()), CDTYPE_PHOTO);
    spec.totalLength = 2933;
    EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(Put("Cut.vcd", spec).c_str()), CDTYPE_INVALID);
    // All zeroes: the data-CD kind.
    EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(PutBytes("Zero.vcd", std::vector<unsigned char>(2942))
                                             .c_str()),
              CDTYPE_CDROM);
}

TEST_P(TypeQuery, UnreadableFileGivesInvalidWithoutTrace)
{
    ScopedTraceOn trace;
    brenvik::test::PutDir(backend_->Services(), Path("Folder.vcd"));
    for (const char *name : {"Missing.vcd", "Folder.vcd"}) {
        SCOPED_TRACE(name);
        const std::string path = Path(name);
        EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(path.c_str()), CDTYPE_INVALID);
        EXPECT_EQ(Predicates(path.c_str()), std::vector<int>(9, 0));
        unsigned long code = 77;
        EXPECT_EQ(ImgHdr_GetCdType(path.c_str(), &code), 0);
        EXPECT_EQ(code, 77u);
    }
    EXPECT_TRUE(tap_->debugOutput.empty());
}

TEST_P(TypeQuery, NoPlaceForTheCodeReadsNothing)
{
    const std::string path = Put("Kind.vcd", Kind(0, 4));
    EXPECT_EQ(ImgHdr_GetCdType(path.c_str(), nullptr), 0);
    EXPECT_TRUE(tap_->creates.empty());
}

TEST_P(TypeQuery, MissingNameIsTracedByEachQuery)
{
    ScopedTraceOn trace;
    const std::string line = "CVcdImageEx::GetVCD_cdtype BAD NULL ...strVcdFname \n";
    for (const char *name : {static_cast<const char *>(nullptr), ""}) {
        tap_->debugOutput.clear();
        EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(name), CDTYPE_INVALID);
        EXPECT_EQ(Lines(), std::vector<std::string>{line});
        tap_->debugOutput.clear();
        EXPECT_EQ(Predicates(name), std::vector<int>(9, 0));
        // Nine predicates, one line each.
        EXPECT_EQ(Lines(), std::vector<std::string>(9, line));
    }
    EXPECT_TRUE(tap_->creates.empty());
}

// ---- Description ----------------------------------------------------------------

class Description : public ImageFilesTest {
protected:
    Description() { std::memset(buffer_, kUntouched, sizeof buffer_); }
    char buffer_[BRENVIK_MAX_PATH + 16];
};

TEST_P(Description, TextAndInfo)
{
    struct Row {
        std::string desc;
        std::uint32_t descInfo;
        std::string expected;
        int expectedInfo;
    };
    const Row rows[] = {
        {"Holiday", 0x1234, "Holiday", 0x1234},
        {"", 0, "", 0},
        {"Caf\xE9 \x81\x40", 7, "Caf\xE9 \x81\x40", 7},
        {std::string(255, 'y'), 1, std::string(255, 'y'), 1},
        {std::string(256, 'z'), 0xFFFFFFFFu, std::string(256, 'z'), -1},
        {std::string("cut\0here", 8), 0x80000000u, "cut", static_cast<int>(0x80000000u)},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.expected.size());
        std::memset(buffer_, kUntouched, sizeof buffer_);
        mk::ImageSpec spec;
        spec.desc = row.desc;
        spec.descInfo = row.descInfo;
        spec.fill = 0x61;  // 'a' after the text's NUL: the text must stop there
        const std::string path = Put("Desc.vcd", spec);
        int info = 12345;
        ASSERT_EQ(CVcdImageEx::GetDesc(path.c_str(), buffer_, &info), 1);
        EXPECT_EQ(std::string(buffer_), row.expected);
        EXPECT_EQ(info, row.expectedInfo);
        // The text and its NUL are copied, nothing more.
        EXPECT_EQ(static_cast<unsigned char>(buffer_[row.expected.size() + 1]), kUntouched);
        EXPECT_EQ(static_cast<unsigned char>(buffer_[BRENVIK_MAX_PATH]), kUntouched);
    }
}

TEST_P(Description, WithoutInfoPointer)
{
    mk::ImageSpec spec;
    spec.desc = "Concert";
    const std::string path = Put("Desc.vcd", spec);
    EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), buffer_, nullptr), 1);
    EXPECT_STREQ(buffer_, "Concert");
}

TEST_P(Description, MissingArguments)
{
    ScopedTraceOn trace;
    const std::string path = Put("Desc.vcd", mk::ImageSpec{});
    int info = 55;
    EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), nullptr, &info), 0);
    EXPECT_EQ(info, 55);
    EXPECT_EQ(Lines(),
              std::vector<std::string>{"CVcdImageEx::GetDesc BAD NULL ...strDesc_MAXPATH \n"});

    // Both missing: the buffer is named, the info left alone.
    tap_->debugOutput.clear();
    EXPECT_EQ(CVcdImageEx::GetDesc(nullptr, nullptr, &info), 0);
    EXPECT_EQ(info, 55);
    EXPECT_EQ(Lines(),
              std::vector<std::string>{"CVcdImageEx::GetDesc BAD NULL ...strDesc_MAXPATH \n"});

    for (const char *name : {static_cast<const char *>(nullptr), ""}) {
        tap_->debugOutput.clear();
        info = 55;
        EXPECT_EQ(CVcdImageEx::GetDesc(name, buffer_, &info), 0);
        EXPECT_EQ(info, 0);
        EXPECT_EQ(static_cast<unsigned char>(buffer_[0]), kUntouched);
        EXPECT_EQ(Lines(),
                  std::vector<std::string>{"CVcdImageEx::GetDesc BAD NULL ...strVcdFname \n"});
    }
    EXPECT_TRUE(tap_->creates.empty());
}

TEST_P(Description, UnreadableFileLeavesTheBufferAndZeroesTheInfo)
{
    ScopedTraceOn trace;
    mk::ImageSpec spec;
    spec.desc = "Short";
    spec.descInfo = 9;
    spec.totalLength = 2941;  // enough for the type query, not for this one
    const std::string shortPath = Put("Short.vcd", spec);
    EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(shortPath.c_str()), CDTYPE_CDROM);
    for (const std::string &path : {shortPath, Path("Missing.vcd")}) {
        SCOPED_TRACE(path);
        int info = 55;
        EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), buffer_, &info), 0);
        EXPECT_EQ(info, 0);
        EXPECT_EQ(static_cast<unsigned char>(buffer_[0]), kUntouched);
    }
    EXPECT_TRUE(tap_->debugOutput.empty());
}

INSTANTIATE_TEST_SUITE_P(Backends, TypeQuery, ::testing::ValuesIn(brenvik::test::BackendNames()),
                         [](const auto &info) { return info.param; });
INSTANTIATE_TEST_SUITE_P(Backends, Description,
                         ::testing::ValuesIn(brenvik::test::BackendNames()),
                         [](const auto &info) { return info.param; });

}  // namespace

namespace {

// End to end on the simulated machine: the registry level decides, the
// machine's debugger output receives the whole line.
class TypeTraceLevel : public brenvik::test::MachineTest {};

TEST_F(TypeTraceLevel, RegistryLevelGatesTheLines)
{
    const int savedEnabled = g_bDbgEnabled;
    const unsigned long savedLevel = g_dwDbgLevel;
    struct Row {
        bool key;
        DWORD level;
        std::size_t lines;
    };
    const Row rows[] = {{false, 0, 0}, {true, 0, 0}, {true, 1, 1}, {true, 7, 1}};
    for (const Row &row : rows) {
        SCOPED_TRACE(::testing::Message() << "key " << row.key << " level " << row.level);
        machine.RemoveRegKey("HKLM\\SOFTWARE\\OrloDebug");
        if (row.key)
            machine.SetRegDword("HKLM\\SOFTWARE\\OrloDebug", "DebugLevel", row.level);
        DbgLoadLevel();
        machine.ClearDebugOutput();
        EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(""), CDTYPE_INVALID);
        const std::vector<std::string> out = machine.DebugOutput();
        ASSERT_EQ(out.size(), row.lines);
        if (row.lines) {
            EXPECT_EQ(out[0].rfind("Orlo DbgMessage:CVcdImageEx::GetVCD_cdtype BAD NULL "
                                   "...strVcdFname \n FILE:",
                                   0),
                      0u)
                << out[0];
        }
    }
    g_bDbgEnabled = savedEnabled;
    g_dwDbgLevel = savedLevel;
}

}  // namespace
