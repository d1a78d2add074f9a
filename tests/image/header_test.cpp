// The two readers of the image header: what each length leaves in the
// record, and what makes them fail.
#include <gtest/gtest.h>

#include <vector>

#include "image/image_header.h"
#include "image_test_support.h"
#include "platform/afx/afx.h"

namespace {

using namespace brenvik::test;

static_assert(sizeof(VCDHEADER_tag) == mk::kHeaderBytes, "the writer's header is the record");

int Full(const std::string &path, void *record)
{
    return ReadImageHeader(CString(path.c_str()), static_cast<VCDHEADER_tag *>(record));
}

using Readers = ImageFiles;

TEST_F(Readers, WhatEachLengthLeavesInTheRecord)
{
    MakeDir("Folder.vcd");
    // -1: no such file; -2: a directory.
    for (long long length : {-1LL, -2LL, 0LL, 2933LL, 2934LL, 2941LL, 2942LL, 10522LL}) {
        SCOPED_TRACE(length);
        mk::HeaderFields fields = Fields(mk::kFormatDvd, mk::kKindVideo, 7, length < 0 ? 0 : length);
        fields.desc = "Sample";
        fields.fill = 0x42;
        const std::string path = length == -1 ? Path("Missing.vcd")
                                 : length == -2 ? Path("Folder.vcd") : Put("Len.vcd", fields);
        std::vector<unsigned char> file = mk::HeaderBytes(fields);
        const std::size_t have = length < 0 ? 0 : file.size();
        file.resize(mk::kHeaderBytes, 0);
        // The full reader does not clear the record first; the type reader
        // zeroes its 2934 bytes before the open, then reads.
        std::vector<unsigned char> rec(mk::kHeaderBytes, 0xEE);
        EXPECT_EQ(Full(path, rec.data()), length >= 2942);
        for (std::size_t i = 0; i < rec.size(); ++i)
            ASSERT_EQ(rec[i], i < have ? file[i] : 0xEE) << "full reader, byte " << i;
        rec.assign(mk::kHeaderBytes, 0xEE);
        EXPECT_EQ(ImgHdr_Read(path.c_str(), rec.data()), length >= 2934);
        for (std::size_t i = 0; i < rec.size(); ++i)
            ASSERT_EQ(rec[i], i >= 2934 ? 0xEE : i < have ? file[i] : 0) << "type, byte " << i;
    }
    EXPECT_FALSE(Exists("Missing.vcd"));
}

TEST_F(Readers, AFailingSeekReadOrCloseFailsTheRead)
{
    const std::string path = Put("Sample.vcd", Fields(0, mk::kKindVideo));
    std::vector<unsigned char> rec(mk::kHeaderBytes);
    EXPECT_EQ(Full(path, nullptr) + Full("", rec.data()) + ImgHdr_Read(nullptr, rec.data()) +
                  ImgHdr_Read(path.c_str(), nullptr),
              0);
    for (const char *service : {"SetFilePointer", "ReadFile", "CloseHandle"}) {
        SCOPED_TRACE(service);
        faults_.Fail(service, "", ERROR_READ_FAULT, Times::Once);
        EXPECT_EQ(Full(path, rec.data()), 0);
        faults_.Fail(service, "", ERROR_READ_FAULT, Times::Once);
        // The type reader's close is not checked.
        EXPECT_EQ(ImgHdr_Read(path.c_str(), rec.data()), *service == 'C');
        faults_.ClearFaults();
    }
    EXPECT_EQ(Full(path, rec.data()) + ImgHdr_Read(path.c_str(), rec.data()), 2);
}

}  // namespace
