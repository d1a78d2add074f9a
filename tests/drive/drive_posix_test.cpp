// Drives, shares and remembered connections of a registry file over real
// temporary directories, on the POSIX backend; figures checked against statvfs.
#include <gtest/gtest.h>

#include <sys/statvfs.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include <brenvik/brenvik.h>

#include "platform/services.h"
#include "support/test_support.h"

namespace {

using namespace brenvik::test;
using brenvik::platform::sys;

std::string Drive(char letter, const std::string &path, const char *type, const std::string &extra = "")
{
    return std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\") + letter + "]\r\n\"Path\"=\"" + path +
           "\"\r\n\"Type\"=\"" + type + "\"\r\n" + extra;
}

// C: fixed "DATA", D: a compressed CD "Emz3_DVD" with a video marker, E: a CD
// drive without medium, F: removable, G: network, M: a remembered connection
// to \\srv\share, N: one whose share is gone.
class DrivesPosix : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char *sub : {"c", "d/mpegav", "f/Photo_CD", "g", "share"})
            MakeHostDirs(dir_ / sub);
        reg_ = std::make_unique<ScopedRegistryFile>(RegText({
            Drive('C', dir_ / "c", "fixed", "\"Label\"=\"DATA\"\r\n"),
            Drive('D', dir_ / "d", "cdrom", "\"Label\"=\"Emz3_DVD\"\r\n\"Compressed\"=dword:00000001\r\n"),
            Drive('E', dir_ / "absent", "cdrom", "\"Label\"=\"EMZ3_DVD\"\r\n"),
            Drive('F', dir_ / "f", "removable"),
            Drive('G', dir_ / "g", "remote"),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Shares\\srv\\share]",
            "\"Path\"=\"" + (dir_ / "share") + "\"",
            "[HKEY_CURRENT_USER\\Network\\M]",
            "\"RemotePath\"=\"\\\\\\\\srv\\\\share\"",
            "[HKEY_CURRENT_USER\\Network\\N]",
            "\"RemotePath\"=\"\\\\\\\\gone\\\\share\"",
        }));
        previousMode_ = sys().SetErrorMode(kMarkerMode);
    }
    void TearDown() override
    {
        EXPECT_EQ(sys().SetErrorMode(previousMode_), kMarkerMode) << "the error mode was not restored";
    }

    static constexpr UINT kMarkerMode = 0x8003;
    TempDir dir_;
    std::unique_ptr<ScopedRegistryFile> reg_;
    UINT previousMode_ = 0;
};

TEST_F(DrivesPosix, ClassificationAndCapacity)
{
    const std::pair<int (*)(unsigned long *), unsigned long> lists[] = {
        {&CDriveEx::GetCdDrvLst, 1UL << 3 | 1UL << 4}, {&CDriveEx::GetRemovableDrvLst, 1UL << 5},
        {&CDriveEx::GetRamDrvLst, 0}, {&CDriveEx::GetNetworkDrvLst, 1UL << 6 | 1UL << 12 | 1UL << 13},
        {&CDriveEx::GetLocalHDDrvLst, 1UL << 2}};
    for (const auto &l : lists) {
        unsigned long mask = 0xFFFFFFFFUL;
        EXPECT_EQ(l.first(&mask), 1);
        EXPECT_EQ(mask, l.second);
    }
    EXPECT_EQ(CDriveEx::GetDriveType_Ex("Q:\\"), static_cast<unsigned>(DRIVE_NO_ROOT_DIR));
    EXPECT_EQ(CDriveEx::GetDriveType_Ex("c:\\"), static_cast<unsigned>(DRIVE_FIXED));

    struct statvfs v;
    ASSERT_EQ(::statvfs((dir_ / "c").c_str(), &v), 0);
    const uint64_t fragment = v.f_frsize ? v.f_frsize : v.f_bsize;
    for (const auto &r : {std::pair<int, unsigned long>{2, 512}, {3, 2048}}) {
        unsigned long spc = 0, bps = 0, freeClusters = 0, total = 0, size = 0;
        ASSERT_EQ(CDriveEx::My_GetDiskFreeSpace(r.first, &spc, &bps, &freeClusters, &total), 1);
        EXPECT_EQ(bps, r.second);
        const uint64_t cluster = uint64_t{spc} * bps;
        EXPECT_EQ(cluster, fragment < bps ? bps : fragment);
        EXPECT_EQ(total, v.f_blocks * fragment / cluster);
        ASSERT_EQ(CDriveEx::GetCdSize(r.first, &size), 1);
        EXPECT_EQ(size, static_cast<uint32_t>(uint64_t{total} * cluster));
    }
    unsigned long long bytes[3] = {};
    ASSERT_EQ(CDriveEx::GetLargeDiskSize2GB_inByte(2, nullptr, &bytes[0], &bytes[1], &bytes[2]), 1);
    EXPECT_EQ(bytes[0], v.f_blocks * fragment);
    EXPECT_GE(bytes[1], bytes[2]);  // free to all, free to the caller
    unsigned long kb = 0;
    ASSERT_EQ(CDriveEx::GetLargeDiskSize2GB_inKB(2, "ignored", &kb, nullptr, nullptr), 1);
    EXPECT_EQ(kb, static_cast<uint32_t>(bytes[0] >> 10));
    bytes[0] = 0;  // the share is on the same file system, its name matched without case
    EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inByte(-1, "\\\\SRV\\Share", &bytes[0], nullptr, nullptr), 1);
    EXPECT_EQ(bytes[0], v.f_blocks * fragment);
    EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inByte(-1, "\\\\srv\\missing", &bytes[0], nullptr, nullptr), 0);
    EXPECT_EQ(bytes[0], 0u);

    // Without drives, C: is the fixed host root.
    reg_ = std::make_unique<ScopedRegistryFile>(RegText({}));
    unsigned long mask = 0;
    EXPECT_EQ(CDriveEx::GetLocalHDDrvLst(&mask), 1);
    EXPECT_EQ(mask, 1UL << 2);
}

TEST_F(DrivesPosix, VolumesAndDiscContent)
{
    char label[BRENVIK_MAX_PATH];
    ASSERT_EQ(CDriveEx::GetVolName(34, label), 1);  // 'c': drive C, out of range as it is
    EXPECT_STREQ(label, "DATA");
    EXPECT_EQ(CDriveEx::IsCompressed(3), 0x8000);
    EXPECT_EQ(CDriveEx::IsCompressed(35), 0x8000);
    EXPECT_EQ(CDriveEx::IsCompressed(2), 0);
    struct Row {
        int drive, present, video, photo, audio;
    } rows[] = {{2, 1, 0, 0, 0}, {3, 1, 1, 0, 1}, {4, 0, 0, 0, 0}, {5, 1, 0, 1, 0}, {35, 1, 0, 0, 1}};
    for (const Row &r : rows) {
        EXPECT_EQ(CDriveEx::IsDiskPresent(r.drive, 1), r.present) << r.drive;
        EXPECT_EQ(CDriveEx::IsVideoCD(r.drive), r.video) << r.drive;
        EXPECT_EQ(CDriveEx::IsPhotoCD(r.drive), r.photo) << r.drive;
        EXPECT_EQ(CDriveEx::IsAudioCD(r.drive), r.audio) << r.drive;
    }
    // No medium: the query's own error stands, the buffer and outputs stay.
    std::strcpy(label, "untouched");
    sys().SetLastError(0xDEADBEEF);
    EXPECT_EQ(CDriveEx::GetVolName(4, label), 0);
    EXPECT_EQ(sys().GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_STREQ(label, "untouched");
    unsigned long spc = 7;
    EXPECT_EQ(CDriveEx::My_GetDiskFreeSpace(4, &spc, nullptr, nullptr, nullptr) + CDriveEx::GetCdSize(4, &spc), 0);
    EXPECT_EQ(spc, 7u);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(CDriveEx::IsDVD(3), 0);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("NA: CVcd::IsDvd() instead"), std::string::npos);
}

}  // namespace
