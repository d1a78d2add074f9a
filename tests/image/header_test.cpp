// The two readers of the image header: how they open the file, what they
// leave in the record, and what makes them fail.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/image_header.h"
#include "image_test_support.h"
#include "platform/afx/afx.h"

namespace {

namespace img = brenvik::image;
using namespace brenvik::test;

// The writer keeps its own table of offsets; the record must match it.
static_assert(sizeof(VCDHEADER_tag) == mk::kHeaderBytes, "record size");
static_assert(img::kOffsetDescInfo == mk::kDescInfoOffset, "description info");
static_assert(img::kOffsetMediaFormat == mk::kMediaFormatOffset, "media format");
static_assert(img::kOffsetDesc == mk::kDescOffset, "description");
static_assert(img::kOffsetSlaveCount == mk::kSlaveCountOffset, "slave count");
static_assert(img::kOffsetDiscKind == mk::kDiscKindOffset, "disc kind");

int Full(const std::string &path, void *record)
{
    return ReadImageHeader(CString(path.c_str()), static_cast<VCDHEADER_tag *>(record));
}

using Readers = ImageFilesTest;

TEST_P(Readers, WhatEachLengthLeavesInTheRecord)
{
    struct Row {
        std::uint64_t length;
        int type, full;  // ImgHdr_Read, ReadImageHeader
    };
    const Row rows[] = {{0, 0, 0},    {100, 0, 0},  {2933, 0, 0},  {2934, 1, 0},
                        {2941, 1, 0}, {2942, 1, 1}, {10522, 1, 1}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.length);
        mk::ImageSpec spec = Spec(mk::kFormatDvd, mk::kKindVideo, 7, row.length);
        spec.desc = "Sample";
        spec.fill = 0x42;
        const std::string path = Put("Len.vcd", spec);
        std::vector<unsigned char> file = mk::HeaderBytes(spec);
        file.resize(mk::kHeaderBytes, 0);  // what lies past the file's end is not read
        const std::size_t have = std::min<std::size_t>(row.length, mk::kHeaderBytes);

        // The full reader does not clear the record first.
        std::vector<unsigned char> rec(mk::kHeaderBytes, 0xEE);
        EXPECT_EQ(Full(path, rec.data()), row.full);
        for (std::size_t i = 0; i < rec.size(); ++i)
            ASSERT_EQ(rec[i], i < have ? file[i] : 0xEE) << "full reader, byte " << i;

        // The type reader zeroes its 2934 bytes, then reads what there is.
        rec.assign(mk::kHeaderBytes, 0xEE);
        EXPECT_EQ(ImgHdr_Read(path.c_str(), rec.data()), row.type);
        for (std::size_t i = 0; i < rec.size(); ++i)
            ASSERT_EQ(rec[i], i >= 2934 ? 0xEE : i < have ? file[i] : 0) << "type reader, byte " << i;
    }
}

TEST_P(Readers, MissingFileOrDirectoryIsNoHeaderAndStaysAsItWas)
{
    MakeDir("Folder.vcd");
    for (const char *name : {"Missing.vcd", "Folder.vcd", "NoDir\\Missing.vcd"}) {
        SCOPED_TRACE(name);
        const DWORD before = Attr(name);
        std::vector<unsigned char> rec(mk::kHeaderBytes, 0xEE);
        EXPECT_EQ(ImgHdr_Read(Path(name).c_str(), rec.data()), 0);
        EXPECT_EQ(rec[0] + rec[2933], 0);  // zeroed before the open
        EXPECT_EQ(Full(Path(name), rec.data()), 0);
        EXPECT_EQ(Attr(name), before);
    }
}

using ReadersSim = ImageFiles;

TEST_F(ReadersSim, OpenModes)
{    const std::string path = Put("Sample.vcd", Spec(0, mk::kKindVideo));
    std::vector<unsigned char> rec(mk::kHeaderBytes);
    // Nothing to read into, or from: no open at all.
    EXPECT_EQ(Full(path, nullptr), 0);
    EXPECT_EQ(Full("", rec.data()), 0);
    EXPECT_EQ(ImgHdr_Read(nullptr, rec.data()), 0);
    EXPECT_EQ(ImgHdr_Read(path.c_str(), nullptr), 0);
    EXPECT_TRUE(machine_->opens.empty());

    ASSERT_EQ(Full(path, rec.data()), 1);
    ASSERT_EQ(ImgHdr_Read(path.c_str(), rec.data()), 1);
    ASSERT_EQ(machine_->opens.size(), 2u);
    const DWORD shares[] = {FILE_SHARE_READ, FILE_SHARE_READ | FILE_SHARE_WRITE};
    for (int k = 0; k < 2; ++k) {
        const ImageMachine::Open &o = machine_->opens[k];
        EXPECT_EQ(o.name, path);
        EXPECT_EQ(o.access, GENERIC_READ) << k;
        EXPECT_EQ(o.share, shares[k]) << k;
        EXPECT_EQ(o.disposition, static_cast<DWORD>(OPEN_EXISTING)) << k;
    }
}

TEST_F(ReadersSim, FailuresAfterTheOpenCloseTheFile)
{    const std::string path = Put("Sample.vcd", Spec(0, mk::kKindVideo));
    std::vector<unsigned char> rec(mk::kHeaderBytes);
    for (const char *service : {"SetFilePointer", "ReadFile"}) {
        SCOPED_TRACE(service);
        machine_->FailNthCallOf(service, 1, ERROR_READ_FAULT);
        EXPECT_EQ(ImgHdr_Read(path.c_str(), rec.data()), 0);
        machine_->FailNthCallOf(service, 1, ERROR_READ_FAULT);
        EXPECT_EQ(Full(path, rec.data()), 0);
        EXPECT_TRUE(machine_->Leaks().empty());
    }
    // A close that fails is a failed read of the whole header.
    machine_->FailNthCallOf("CloseHandle", 1, ERROR_READ_FAULT);
    EXPECT_EQ(Full(path, rec.data()), 0);
}

IMAGE_BACKENDS(Readers);

}  // namespace
