// Capacity and volume queries on the POSIX backend: drives and a share from
// a registry file over real temporary directories, measured against what
// statvfs says about those directories.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/services.h"
#include "support/test_support.h"

namespace {

using brenvik::platform::sys;
using brenvik::test::MakeHostDirs;
using brenvik::test::RegText;
using brenvik::test::ScopedRegistryFile;
using brenvik::test::TempDir;

std::string Drive(char letter, const std::string &path, const char *type,
                  const std::string &extra = std::string())
{
    return std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\") + letter +
           "]\r\n\"Path\"=\"" + path + "\"\r\n\"Type\"=\"" + type + "\"\r\n" + extra;
}

struct Fs {
    uint64_t fragment, blocks, bavail, bfree;
};

Fs Measure(const std::string &dir)
{
    struct statvfs v;
    EXPECT_EQ(::statvfs(dir.c_str(), &v), 0) << dir;
    const uint64_t fragment = v.f_frsize ? v.f_frsize : v.f_bsize;
    return Fs{fragment, v.f_blocks, v.f_bavail, v.f_bfree};
}

// Free space moves while other processes write; a figure read between two
// measurements must lie between them, give or take this much.
constexpr uint64_t kSlack = 64ull << 20;

void ExpectBetween(uint64_t value, uint64_t a, uint64_t b, const char *what)
{
    const uint64_t lo = (a < b ? a : b), hi = (a < b ? b : a);
    EXPECT_GE(value + kSlack, lo) << what;
    EXPECT_LE(value, hi + kSlack) << what;
}

// C: fixed with a label, D: a CD with the audio-disc label, compressed,
// E: a CD drive without its medium, F: removable without a label,
// and the share \\srv\share.
class VolumePosix : public ::testing::Test {
protected:
    VolumePosix()
        : reg_(RegText({
              Drive('C', dir_ / "c", "fixed", "\"Label\"=\"DATA\"\r\n"),
              Drive('D', dir_ / "d", "cdrom",
                    "\"Label\"=\"emz3_dvd\"\r\n\"Compressed\"=dword:00000001\r\n"),
              Drive('E', dir_ / "absent", "cdrom", "\"Label\"=\"GONE\"\r\n"),
              Drive('F', dir_ / "f", "removable"),
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Shares\\srv\\share]",
              "\"Path\"=\"" + (dir_ / "share") + "\"",
          }))
    {
    }
    void SetUp() override
    {
        for (const char *sub : {"c", "d", "f", "share/sub"})
            MakeHostDirs(dir_ / sub);
        // Every query below must leave this mode in force.
        previousMode_ = sys().SetErrorMode(kMarkerMode);
    }
    void TearDown() override
    {
        EXPECT_EQ(sys().SetErrorMode(previousMode_), kMarkerMode)
            << "the error mode was not restored";
    }

    static constexpr UINT kMarkerMode = 0x8003;
    TempDir dir_;
    ScopedRegistryFile reg_;
    UINT previousMode_ = 0;
};

TEST_F(VolumePosix, ClassicFreeSpaceMapsTheFileSystem)
{
    struct Row {
        int drive;
        const char *dir;
        unsigned long bytesPerSector;
    } rows[] = {{2, "c", 512}, {3, "d", 2048}, {5, "f", 512}};
    for (const Row &r : rows) {
        const Fs before = Measure(dir_ / r.dir);
        unsigned long spc = 0, bps = 0, freeClusters = 0, totalClusters = 0;
        ASSERT_EQ(CDriveEx::My_GetDiskFreeSpace(r.drive, &spc, &bps, &freeClusters, &totalClusters),
                  1)
            << r.dir;
        const Fs after = Measure(dir_ / r.dir);
        EXPECT_EQ(bps, r.bytesPerSector) << r.dir;
        const uint64_t cluster = uint64_t{spc} * bps;
        EXPECT_EQ(cluster, before.fragment < bps ? bps : before.fragment) << r.dir;
        EXPECT_EQ(totalClusters, static_cast<unsigned long>(before.blocks * before.fragment / cluster))
            << r.dir;
        // Free clusters are those the caller may use.
        ExpectBetween(uint64_t{freeClusters} * cluster, before.bavail * before.fragment,
                      after.bavail * after.fragment, r.dir);

        // The disc size is the whole medium in bytes, kept to 32 bits.
        unsigned long size = 0;
        ASSERT_EQ(CDriveEx::GetCdSize(r.drive, &size), 1);
        EXPECT_EQ(size, static_cast<unsigned long>(
                            static_cast<uint32_t>(uint64_t{totalClusters} * cluster)))
            << r.dir;
    }
}

TEST_F(VolumePosix, LargeDiskSizeReportsBytesAndKilobytes)
{
    const Fs before = Measure(dir_ / "c");
    unsigned long long total = 0, totalFree = 0, callerFree = 0;
    ASSERT_EQ(CDriveEx::GetLargeDiskSize2GB_inByte(2, nullptr, &total, &totalFree, &callerFree), 1);
    const Fs after = Measure(dir_ / "c");
    EXPECT_EQ(total, before.blocks * before.fragment);
    ExpectBetween(totalFree, before.bfree * before.fragment, after.bfree * after.fragment, "free");
    ExpectBetween(callerFree, before.bavail * before.fragment, after.bavail * after.fragment,
                  "available to the caller");

    unsigned long totalKB = 0, freeKB = 0, callerKB = 0;
    ASSERT_EQ(CDriveEx::GetLargeDiskSize2GB_inKB(2, "ignored", &totalKB, &freeKB, &callerKB), 1);
    EXPECT_EQ(totalKB, static_cast<unsigned long>(static_cast<uint32_t>(total >> 10)));
    ExpectBetween(uint64_t{freeKB} << 10, totalFree, totalFree, "free kB");
    ExpectBetween(uint64_t{callerKB} << 10, callerFree, callerFree, "available kB");
}

TEST_F(VolumePosix, LargeDiskSizeOfAShareByItsUncPath)
{
    const Fs fs = Measure(dir_ / "share");
    for (const char *path : {"\\\\srv\\share", "\\\\srv\\share\\sub", "\\\\SRV\\Share"}) {
        unsigned long long total = 1, totalFree = 1, callerFree = 1;
        EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inByte(-1, path, &total, &totalFree, &callerFree),
                  1)
            << path;
        EXPECT_EQ(total, fs.blocks * fs.fragment) << path;
        EXPECT_GT(totalFree, 0u) << path;
    }
    // Refused by the path check, or not there: 0 with the outputs cleared.
    for (const char *path : {"\\\\srv\\share\\", "C:\\x", "\\\\srv\\missing", "\\\\nohost\\s"}) {
        unsigned long long total = 1, totalFree = 1, callerFree = 1;
        EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inByte(-1, path, &total, &totalFree, &callerFree),
                  0)
            << path;
        EXPECT_EQ(total + totalFree + callerFree, 0u) << path;
    }
}

TEST_F(VolumePosix, LabelsFromTheRegistryFile)
{
    char label[BRENVIK_MAX_PATH];
    std::memset(label, 'x', sizeof label);
    ASSERT_EQ(CDriveEx::GetVolName(2, label), 1);
    EXPECT_STREQ(label, "DATA");
    ASSERT_EQ(CDriveEx::GetVolName(3, label), 1);
    EXPECT_STREQ(label, "emz3_dvd");
    // 34 is 'A' + 34 = 'c': drive C, though the number is out of range.
    std::memset(label, 'x', sizeof label);
    ASSERT_EQ(CDriveEx::GetVolName(34, label), 1);
    EXPECT_STREQ(label, "DATA");
    EXPECT_EQ(CDriveEx::IsDiskPresent(34, 0), 1);

    // F: has no label of its own; the system knows none for a temporary
    // directory's device unless it keeps labels at all.
    struct stat byLabel;
    if (::stat("/dev/disk/by-label", &byLabel) != 0) {
        std::memset(label, 'x', sizeof label);
        ASSERT_EQ(CDriveEx::GetVolName(5, label), 1);
        EXPECT_STREQ(label, "");
    }
}

TEST_F(VolumePosix, DriveWithoutMediumFailsEveryVolumeQuery)
{
    char label[BRENVIK_MAX_PATH] = "untouched";
    sys().SetLastError(0xDEADBEEF);
    EXPECT_EQ(CDriveEx::GetVolName(4, label), 0);
    EXPECT_STREQ(label, "untouched");
    // The query's own error stands; putting the error mode back keeps it.
    EXPECT_EQ(sys().GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_EQ(CDriveEx::IsDiskPresent(4, 1), 0);
    EXPECT_EQ(CDriveEx::IsCompressed(4), 0);
    unsigned long spc = 7, size = 7;
    EXPECT_EQ(CDriveEx::My_GetDiskFreeSpace(4, &spc, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(spc, 7u);
    EXPECT_EQ(CDriveEx::GetCdSize(4, &size), 0);
    EXPECT_EQ(size, 7u);
    unsigned long long total = 1;
    EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inByte(4, nullptr, &total, nullptr, nullptr), 0);
    EXPECT_EQ(total, 0u);
    // A letter the registry does not name has no root at all.
    EXPECT_EQ(CDriveEx::IsDiskPresent(16, 0), 0);
    EXPECT_EQ(CDriveEx::GetVolName(16, label), 0);
}

TEST_F(VolumePosix, CompressionFlagFromTheRegistryFile)
{
    EXPECT_EQ(CDriveEx::IsCompressed(3), 0x8000);
    EXPECT_EQ(CDriveEx::IsCompressed(2), 0);
    EXPECT_EQ(CDriveEx::IsCompressed(34), 0);  // c: is drive C
    EXPECT_EQ(CDriveEx::IsCompressed(35), 0x8000);  // d: is drive D
}

TEST_F(VolumePosix, RangeTestedQueriesRefuseNumbersOutsideTheDrives)
{
    for (int drive : {-1, 26, 34, 35}) {
        unsigned long spc = 7, size = 7;
        EXPECT_EQ(CDriveEx::My_GetDiskFreeSpace(drive, &spc, &spc, &spc, &spc), 0) << drive;
        EXPECT_EQ(CDriveEx::GetCdSize(drive, &size), 0) << drive;
        EXPECT_EQ(spc + size, 14u) << drive;
    }
}

}  // namespace
