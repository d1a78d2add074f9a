// The image header record, its word accessors and its two readers.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/image_header.h"
#include "image_test_support.h"
#include "image_writer.h"
#include "platform/afx/afx.h"

namespace {

namespace img = brenvik::image;
namespace mk = brenvik::mkimage;
using brenvik::test::ImageFilesTest;

constexpr unsigned char kUntouched = 0xEE;

// ---- Layout and accessors -----------------------------------------------------

TEST(HeaderLayout, WriterAndRecordAgree)
{
    // The writer keeps its own table of offsets; the record must match it.
    EXPECT_EQ(sizeof(VCDHEADER_tag), mk::kHeaderBytes);
    EXPECT_EQ(img::kOffsetDescInfo, mk::kDescInfoOffset);
    EXPECT_EQ(img::kOffsetMediaFormat, mk::kMediaFormatOffset);
    EXPECT_EQ(img::kOffsetDesc, mk::kDescOffset);
    EXPECT_EQ(img::kOffsetSlaveCount, mk::kSlaveCountOffset);
    EXPECT_EQ(img::kOffsetDiscKind, mk::kDiscKindOffset);
}

TEST(HeaderLayout, WordsAreLittleEndianWhateverTheHost)
{
    const unsigned char bytes[8] = {0x78, 0x56, 0x34, 0x12, 0x00, 0x10, 0x00, 0x00};
    EXPECT_EQ(img::HeaderWord(bytes, 0), 0x12345678u);
    EXPECT_EQ(img::HeaderWord(bytes, 4), 0x1000u);
    EXPECT_EQ(img::HeaderWord(bytes, 2), 0x10001234u);
}

TEST(HeaderLayout, AccessorsReadEachField)
{
    mk::ImageSpec spec;
    spec.descInfo = 0xA1B2C3D4u;
    spec.mediaFormat = 0x1100u;
    spec.slaveCount = 99;
    spec.discKind = 0xFFFFFFFEu;
    spec.fill = 0x5A;  // every other byte, so a field read off by one shows
    const std::vector<unsigned char> bytes = mk::HeaderBytes(spec);
    ASSERT_EQ(bytes.size(), sizeof(VCDHEADER_tag));
    VCDHEADER_tag header;
    std::memcpy(&header, bytes.data(), sizeof header);
    EXPECT_EQ(img::DescInfo(header), 0xA1B2C3D4u);
    EXPECT_EQ(img::MediaFormat(header), 0x1100u);
    EXPECT_EQ(img::SlaveCount(header), 99u);
    EXPECT_EQ(img::DiscKind(header), 0xFFFFFFFEu);
}

TEST(ImageWriter, DescriptionAndLength)
{
    mk::ImageSpec spec;
    spec.fill = 0x5A;
    spec.desc = "Holiday";
    std::vector<unsigned char> bytes = mk::HeaderBytes(spec);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(&bytes[mk::kDescOffset]), 7), "Holiday");
    EXPECT_EQ(bytes[mk::kDescOffset + 7], 0);
    EXPECT_EQ(bytes[mk::kDescOffset + 8], 0x5A);

    spec.desc = std::string(300, 'x');
    bytes = mk::HeaderBytes(spec);
    EXPECT_EQ(bytes[mk::kDescOffset + 255], 'x');
    EXPECT_EQ(bytes[mk::kDescOffset + 256], 0x5A);  // cut at the field's end

    spec.totalLength = 100;
    EXPECT_EQ(mk::HeaderBytes(spec).size(), 100u);
}

// ---- Readers on files ---------------------------------------------------------

class Readers : public ImageFilesTest {};

mk::ImageSpec Sample()
{
    mk::ImageSpec spec;
    spec.mediaFormat = mk::kFormatDvd;
    spec.discKind = mk::kKindVideo;
    spec.desc = "Sample";
    spec.descInfo = 0x01020304;
    spec.slaveCount = 7;
    spec.totalLength = 4096;
    spec.fill = 0x33;
    return spec;
}

TEST_P(Readers, ReadImageHeaderOpensToReadDenyingWriters)
{
    const std::string path = Put("Sample.vcd", Sample());
    VCDHEADER_tag header;
    ASSERT_EQ(ReadImageHeader(CString(path.c_str()), &header), 1);
    EXPECT_EQ(img::MediaFormat(header), mk::kFormatDvd);
    EXPECT_EQ(img::DiscKind(header), static_cast<std::uint32_t>(mk::kKindVideo));
    EXPECT_EQ(img::SlaveCount(header), 7u);
    EXPECT_EQ(img::DescInfo(header), 0x01020304u);
    EXPECT_STREQ(header.szDesc, "Sample");
    EXPECT_EQ(header.bReserved4[sizeof header.bReserved4 - 1], 0x33);  // all 2942 bytes

    ASSERT_EQ(tap_->creates.size(), 1u);
    const auto &open = tap_->creates[0];
    EXPECT_EQ(open.name, path);
    EXPECT_EQ(open.access, GENERIC_READ);
    EXPECT_EQ(open.share, FILE_SHARE_READ);
    EXPECT_EQ(open.disposition, static_cast<DWORD>(OPEN_EXISTING));
    EXPECT_EQ(open.flags, FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(open.templateFile);
    EXPECT_EQ(tap_->readSizes, std::vector<DWORD>{2942});
}

TEST_P(Readers, ImgHdrReadOpensToReadSharingEverything)
{
    const std::string path = Put("Sample.vcd", Sample());
    VCDHEADER_tag header;
    ASSERT_EQ(ImgHdr_Read(path.c_str(), &header), 1);
    EXPECT_EQ(img::MediaFormat(header), mk::kFormatDvd);
    EXPECT_EQ(img::DiscKind(header), static_cast<std::uint32_t>(mk::kKindVideo));

    ASSERT_EQ(tap_->creates.size(), 1u);
    const auto &open = tap_->creates[0];
    EXPECT_EQ(open.name, path);
    EXPECT_EQ(open.access, GENERIC_READ);
    EXPECT_EQ(open.share, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_FALSE(open.securityAttributes);
    EXPECT_EQ(open.disposition, static_cast<DWORD>(OPEN_EXISTING));
    EXPECT_EQ(open.flags, FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(open.templateFile);
    EXPECT_EQ(tap_->seekDistances, std::vector<LONG>{0});
    EXPECT_EQ(tap_->readSizes, std::vector<DWORD>{2934});
    EXPECT_EQ(tap_->closes, 1);
}

TEST_P(Readers, FileLengths)
{
    struct Row {
        std::uint64_t length;
        int typeReader;  // ImgHdr_Read
        int fullReader;  // ReadImageHeader
    };
    const Row rows[] = {
        {0, 0, 0},    {100, 0, 0},  {2933, 0, 0},  {2934, 1, 0},
        {2941, 1, 0}, {2942, 1, 1}, {10522, 1, 1},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.length);
        mk::ImageSpec spec = Sample();
        spec.totalLength = row.length;
        const std::string path = Put("Len.vcd", spec);
        VCDHEADER_tag header;
        EXPECT_EQ(ImgHdr_Read(path.c_str(), &header), row.typeReader);
        EXPECT_EQ(ReadImageHeader(CString(path.c_str()), &header), row.fullReader);
        EXPECT_EQ(tap_->OpenHandles(), 0u);
    }
}

TEST_P(Readers, WhatAFailedReadLeavesInTheRecord)
{
    mk::ImageSpec spec;
    spec.totalLength = 100;
    spec.fill = 0x42;
    const std::string path = Put("Short.vcd", spec);

    // The full reader does not clear the record first.
    unsigned char full[sizeof(VCDHEADER_tag)];
    std::memset(full, kUntouched, sizeof full);
    EXPECT_EQ(ReadImageHeader(CString(path.c_str()), reinterpret_cast<VCDHEADER_tag *>(full)), 0);
    EXPECT_EQ(full[99], 0x42);
    EXPECT_EQ(full[100], kUntouched);
    EXPECT_EQ(full[2941], kUntouched);

    // The type reader zeroes its 2934 bytes, then reads what there is.
    unsigned char part[sizeof(VCDHEADER_tag)];
    std::memset(part, kUntouched, sizeof part);
    EXPECT_EQ(ImgHdr_Read(path.c_str(), part), 0);
    EXPECT_EQ(part[0], 0x42);
    EXPECT_EQ(part[99], 0x42);
    EXPECT_EQ(part[100], 0);
    EXPECT_EQ(part[2933], 0);
    EXPECT_EQ(part[2934], kUntouched);
    EXPECT_EQ(part[2941], kUntouched);

    // Zeroed before the open, so also for a file that is not there.
    std::memset(part, kUntouched, sizeof part);
    EXPECT_EQ(ImgHdr_Read(Path("Missing.vcd").c_str(), part), 0);
    EXPECT_EQ(part[0], 0);
    EXPECT_EQ(part[2933], 0);
    EXPECT_EQ(part[2934], kUntouched);
}

TEST_P(Readers, NothingToReadIsRefusedBeforeAnyOpen)
{
    const std::string path = Put("Sample.vcd", Sample());
    VCDHEADER_tag header;
    EXPECT_EQ(ReadImageHeader(CString(path.c_str()), nullptr), 0);
    EXPECT_EQ(ReadImageHeader(CString(""), &header), 0);
    EXPECT_EQ(ImgHdr_Read(nullptr, &header), 0);
    EXPECT_EQ(ImgHdr_Read(path.c_str(), nullptr), 0);
    EXPECT_TRUE(tap_->creates.empty());
}

TEST_P(Readers, MissingFileAndDirectory)
{
    brenvik::test::PutDir(backend_->Services(), Path("Folder.vcd"));
    for (const char *name : {"Missing.vcd", "Folder.vcd", "NoDir\\Missing.vcd"}) {
        SCOPED_TRACE(name);
        VCDHEADER_tag header;
        EXPECT_EQ(ImgHdr_Read(Path(name).c_str(), &header), 0);
        EXPECT_EQ(ReadImageHeader(CString(Path(name).c_str()), &header), 0);
        EXPECT_EQ(tap_->OpenHandles(), 0u);
    }
}

TEST_P(Readers, FaultsAfterTheOpenCloseTheFile)
{
    const std::string path = Put("Sample.vcd", Sample());
    struct Row {
        const char *what;
        void (*arm)(brenvik::test::TapServices &);
    };
    const Row rows[] = {
        {"seek lands elsewhere",
         [](brenvik::test::TapServices &t) {
             t.forceSeek = true;
             t.forcedSeekResult = 5;
         }},
        {"seek fails",
         [](brenvik::test::TapServices &t) {
             t.forceSeek = true;
             t.forcedSeekResult = INVALID_SET_FILE_POINTER;
             t.forcedSeekError = ERROR_SEEK;
         }},
        {"read fails", [](brenvik::test::TapServices &t) { t.failRead = true; }},
        {"read comes up short", [](brenvik::test::TapServices &t) { t.readCap = 2000; }},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        brenvik::test::TapServices tap(backend_->Services());
        brenvik::platform::ScopedServices install(tap);
        row.arm(tap);
        VCDHEADER_tag header;
        EXPECT_EQ(ImgHdr_Read(path.c_str(), &header), 0);
        EXPECT_EQ(ReadImageHeader(CString(path.c_str()), &header), 0);
        EXPECT_EQ(tap.creates.size(), 2u);
        EXPECT_EQ(tap.OpenHandles(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, Readers,
                         ::testing::ValuesIn(brenvik::test::BackendNames()),
                         [](const auto &info) { return info.param; });

}  // namespace
