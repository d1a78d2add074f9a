// Capacity and volume queries on the simulated machine: the figures and
// their arithmetic, which root each query asks about, the range tests and
// their absence, and the error mode around the volume queries (the machine
// reports a mode left changed at the end of every test).
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/scoped_machine.h"

namespace {

using brenvik::sim::Call;
using brenvik::sim::Machine;
using brenvik::sim::Times;
using brenvik::test::ScopedMachine;

constexpr UINT kMarkerMode = 0x8002;  // what the host had set before each call

// Typical(): C: fixed "SYSTEM", 8 x 512-byte sectors a cluster, 1,000,000 of
// 5,000,000 clusters free; D: a CD of 333,000 2048-byte sectors. Plus E: an
// empty CD drive and the share \\srv\share.
Machine Prepared()
{
    Machine m = Machine::Typical();
    m.Drive('D').Clusters(1, 2048, 0, 333000);
    m.AddDrive('E', DRIVE_CDROM).Label("EMPTY").Medium(false);
    m.AddShare("srv", "share").Clusters(4, 512, 100, 1000);
    m.SetErrorMode(kMarkerMode);
    return m;
}

class Volumes : public ::testing::Test {
protected:
    Volumes() { machine.ResetCalls(); }

    // The paths the counted calls of one service were made with.
    std::vector<std::string> PathsOf(const std::string &service) const
    {
        std::vector<std::string> paths;
        for (const Call &c : machine.CallLog())
            if (c.service == service)
                paths.push_back(c.path);
        return paths;
    }

    Machine machine = Prepared();
    ScopedMachine scope{machine};
};

using Strings = std::vector<std::string>;

// ---- My_GetDiskFreeSpace and GetCdSize -------------------------------------

TEST_F(Volumes, FreeSpaceGivesTheFourFiguresInOrder)
{
    unsigned long spc = 0, bps = 0, freeClusters = 0, total = 0;
    ASSERT_EQ(CDriveEx::My_GetDiskFreeSpace(2, &spc, &bps, &freeClusters, &total), 1);
    EXPECT_EQ(spc, 8u);
    EXPECT_EQ(bps, 512u);
    EXPECT_EQ(freeClusters, 1000000u);
    EXPECT_EQ(total, 5000000u);
    EXPECT_EQ(PathsOf("GetDiskFreeSpaceA"), Strings{"C:\\"});

    // Each output is optional.
    unsigned long only = 0;
    EXPECT_EQ(CDriveEx::My_GetDiskFreeSpace(2, nullptr, nullptr, &only, nullptr), 1);
    EXPECT_EQ(only, 1000000u);
    EXPECT_EQ(CDriveEx::My_GetDiskFreeSpace(3, nullptr, nullptr, nullptr, nullptr), 1);
}

TEST_F(Volumes, FreeSpaceFailureWritesNothing)
{
    unsigned long v[4] = {11, 12, 13, 14};
    // No medium, no drive, and a platform failure on a good drive.
    EXPECT_EQ(CDriveEx::My_GetDiskFreeSpace(4, &v[0], &v[1], &v[2], &v[3]), 0);
    EXPECT_EQ(CDriveEx::My_GetDiskFreeSpace(16, &v[0], &v[1], &v[2], &v[3]), 0);
    machine.FailNthCallOf("GetDiskFreeSpaceA", 1, ERROR_NOT_READY);
    EXPECT_EQ(CDriveEx::My_GetDiskFreeSpace(2, &v[0], &v[1], &v[2], &v[3]), 0);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_EQ((std::vector<unsigned long>(v, v + 4)), (std::vector<unsigned long>{11, 12, 13, 14}));
}

TEST_F(Volumes, CdSizeIsClustersTimesSectorsTimesBytesKeptTo32Bits)
{
    struct Row {
        DWORD spc, bps, clusters;
        unsigned long size;
    } rows[] = {
        {1, 2048, 333000, 681984000UL},
        // 4,700,000,000 bytes, less 2^32.
        {1, 1000, 4700000, 4700000000UL - 4294967296UL},
        {2, 1, 2350000000UL, 4700000000UL - 4294967296UL},
        {8, 512, 0, 0},
        // Exactly 4 GiB comes back as 0.
        {2, 2048, 1048576, 0},
    };
    for (const Row &r : rows) {
        machine.Drive('D').Clusters(r.spc, r.bps, 0, r.clusters);
        unsigned long size = 99;
        EXPECT_EQ(CDriveEx::GetCdSize(3, &size), 1) << r.clusters;
        EXPECT_EQ(size, r.size) << r.spc << " x " << r.bps << " x " << r.clusters;
    }
}

TEST_F(Volumes, CdSizeFailures)
{
    unsigned long size = 99;
    EXPECT_EQ(CDriveEx::GetCdSize(3, nullptr), 0);
    EXPECT_EQ(CDriveEx::GetCdSize(4, &size), 0);  // no medium
    machine.FailNthCallOf("GetDiskFreeSpaceA", 1, ERROR_GEN_FAILURE);
    EXPECT_EQ(CDriveEx::GetCdSize(3, &size), 0);
    EXPECT_EQ(size, 99u);
}

TEST_F(Volumes, RangeTestedQueriesRefuseOtherNumbersUnasked)
{
    for (int drive : {-1, 26, 34, 35, INT_MIN, INT_MAX}) {
        unsigned long v = 5;
        EXPECT_EQ(CDriveEx::My_GetDiskFreeSpace(drive, &v, &v, &v, &v), 0) << drive;
        EXPECT_EQ(CDriveEx::GetCdSize(drive, &v), 0) << drive;
        EXPECT_EQ(v, 5u) << drive;
    }
    EXPECT_EQ(machine.CallCount(), 0u);
}

// ---- GetVolName, IsDiskPresent, IsCompressed ----------------------------

TEST_F(Volumes, VolumeNameWithCriticalErrorsOff)
{
    char label[BRENVIK_MAX_PATH];
    std::memset(label, 'x', sizeof label);
    ASSERT_EQ(CDriveEx::GetVolName(2, label), 1);
    EXPECT_STREQ(label, "SYSTEM");
    EXPECT_EQ(machine.ErrorModeHistory(),
              (std::vector<UINT>{kMarkerMode, SEM_FAILCRITICALERRORS, kMarkerMode}));
    EXPECT_EQ(PathsOf("GetVolumeInformationA"), Strings{"C:\\"});

    machine.Drive('C').Label(std::string(99, 'L'));
    ASSERT_EQ(CDriveEx::GetVolName(2, label), 1);
    EXPECT_EQ(std::string(label), std::string(99, 'L'));
}

TEST_F(Volumes, VolumeNameFailureLeavesTheBufferAndRestoresTheMode)
{
    char label[BRENVIK_MAX_PATH] = "untouched";
    EXPECT_EQ(CDriveEx::GetVolName(4, label), 0);  // the empty CD drive
    EXPECT_STREQ(label, "untouched");
    EXPECT_EQ(CDriveEx::GetVolName(2, nullptr), 0);
    machine.FailNthCallOf("GetVolumeInformationA", 1, ERROR_NOT_READY);
    EXPECT_EQ(CDriveEx::GetVolName(2, label), 0);
    EXPECT_STREQ(label, "untouched");
    EXPECT_EQ(machine.ErrorModeHistory(),
              (std::vector<UINT>{kMarkerMode, 1, kMarkerMode, 1, kMarkerMode}));
    // No message box came up for the empty drive.
    EXPECT_TRUE(machine.MessageBoxes().empty());
}

TEST_F(Volumes, UntestedNumbersFormTheRootFromTheirLowEightBits)
{
    struct Row {
        int drive;
        const char *root;
        int present;
    } rows[] = {
        {2, "C:\\", 1},   {34, "c:\\", 1},  {35, "d:\\", 1},  {36, "e:\\", 0},
        {26, "[:\\", 0},  {-1, "@:\\", 0},  {256 + 2, "C:\\", 1},
        {-256 + 34, "c:\\", 1},
    };
    for (const Row &r : rows) {
        machine.ResetCalls();
        char label[BRENVIK_MAX_PATH] = "";
        EXPECT_EQ(CDriveEx::GetVolName(r.drive, label), r.present) << r.drive;
        EXPECT_EQ(CDriveEx::IsDiskPresent(r.drive, 0), r.present) << r.drive;
        EXPECT_EQ(CDriveEx::IsCompressed(r.drive), 0) << r.drive;
        EXPECT_EQ(PathsOf("GetVolumeInformationA"), Strings(3, r.root)) << r.drive;
        if (r.present) {
            EXPECT_STREQ(label, (r.root[0] | 0x20) == 'c' ? "SYSTEM" : "DISC") << r.drive;
        }
    }
    // The extremes form some character and query it, without overflow.
    char label[BRENVIK_MAX_PATH] = "";
    CDriveEx::GetVolName(INT_MAX, label);
    CDriveEx::GetVolName(INT_MIN, label);
    EXPECT_EQ(CDriveEx::IsDiskPresent(INT_MIN, 0), 0);
}

TEST_F(Volumes, DiskPresentIgnoresItsSecondArgument)
{
    for (int unused : {0, 1, -7, 12345}) {
        EXPECT_EQ(CDriveEx::IsDiskPresent(2, unused), 1) << unused;
        EXPECT_EQ(CDriveEx::IsDiskPresent(3, unused), 1) << unused;
        EXPECT_EQ(CDriveEx::IsDiskPresent(4, unused), 0) << unused;  // empty CD
        EXPECT_EQ(CDriveEx::IsDiskPresent(16, unused), 0) << unused;  // no drive
    }
    EXPECT_EQ(machine.ErrorMode(), kMarkerMode);
    EXPECT_TRUE(machine.MessageBoxes().empty());
}

TEST_F(Volumes, CompressedVolumeAnswers0x8000)
{
    machine.Drive('C').Flags(FS_VOL_IS_COMPRESSED | FS_CASE_IS_PRESERVED | FS_CASE_SENSITIVE);
    machine.Drive('D').Flags(FS_CASE_IS_PRESERVED | FS_CASE_SENSITIVE | 0x00080000u);
    EXPECT_EQ(CDriveEx::IsCompressed(2), 0x8000);
    EXPECT_EQ(CDriveEx::IsCompressed(34), 0x8000);
    EXPECT_EQ(CDriveEx::IsCompressed(3), 0);
    EXPECT_EQ(CDriveEx::IsCompressed(4), 0);
    machine.FailNthCallOf("GetVolumeInformationA", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(CDriveEx::IsCompressed(2), 0);
    EXPECT_EQ(machine.ErrorModeHistory().size(), 1u + 2 * 5);
    EXPECT_EQ(machine.ErrorMode(), kMarkerMode);
}

// ---- GetLargeDiskSize2GB_inByte and _inKB --------------------------------

struct Large {
    unsigned long long total = 1, totalFree = 2, callerFree = 3;
    int Ask(int drive, const char *path)
    {
        return CDriveEx::GetLargeDiskSize2GB_inByte(drive, path, &total, &totalFree, &callerFree);
    }
};

TEST_F(Volumes, LargeSizeThroughTheExtendedQuery)
{
    machine.Drive('D').Bytes(4700000000ull, 123456789012ull, 1000ull);
    for (const char *ignored : {static_cast<const char *>(nullptr), "", "\\\\srv\\share", "junk"}) {
        machine.ResetCalls();
        Large l;
        ASSERT_EQ(l.Ask(3, ignored), 1);
        EXPECT_EQ(l.total, 4700000000ull);
        EXPECT_EQ(l.totalFree, 123456789012ull);
        EXPECT_EQ(l.callerFree, 1000ull);
        EXPECT_EQ(PathsOf("GetDiskFreeSpaceExA"), Strings{"D:\\"});
        EXPECT_EQ(PathsOf("GetModuleHandleA"), Strings{"kernel32.dll"});
        EXPECT_EQ(machine.CallCount("GetProcAddress"), 1u);
        EXPECT_EQ(machine.CallCount("GetDiskFreeSpaceA"), 0u);
    }
    // Every output is optional.
    EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inByte(3, nullptr, nullptr, nullptr, nullptr), 1);
}

TEST_F(Volumes, LargeSizeFallsBackToClustersWithoutTheExtendedQuery)
{
    machine.SetGetDiskFreeSpaceExAvailable(false);
    Large l;
    ASSERT_EQ(l.Ask(2, nullptr), 1);
    // 5,000,000 and 1,000,000 clusters of 4096 bytes: past 32 bits.
    EXPECT_EQ(l.total, 20480000000ull);
    EXPECT_EQ(l.totalFree, 4096000000ull);
    EXPECT_EQ(l.callerFree, l.totalFree);
    EXPECT_EQ(PathsOf("GetDiskFreeSpaceA"), Strings{"C:\\"});
    EXPECT_EQ(machine.CallCount("GetDiskFreeSpaceExA"), 0u);

    // Every product is formed in 64 bits.
    machine.Drive('C').Clusters(128, 65535, 0xFFFFFFFFu, 0xFFFFFFFFu);
    ASSERT_EQ(l.Ask(2, nullptr), 1);
    EXPECT_EQ(l.total, 0xFFFFFFFFull * 128 * 65535);
    EXPECT_EQ(l.totalFree, l.total);

    machine.FailNthCallOf("GetDiskFreeSpaceA", 1, ERROR_NOT_READY);
    Large failed;
    EXPECT_EQ(failed.Ask(2, nullptr), 0);
    EXPECT_EQ(failed.total + failed.totalFree + failed.callerFree, 0u);
}

TEST_F(Volumes, LargeSizeOfAShareGivenByItsPath)
{
    machine.Share("srv", "share").Bytes(5000, 4000, 3000);
    Large l;
    ASSERT_EQ(l.Ask(-1, "\\\\srv\\share"), 1);
    EXPECT_EQ(l.total, 5000u);
    EXPECT_EQ(l.totalFree, 4000u);
    EXPECT_EQ(l.callerFree, 3000u);
    EXPECT_EQ(PathsOf("GetDiskFreeSpaceExA"), Strings{"\\\\srv\\share"});
}

TEST_F(Volumes, LargeSizeRefusalsClearTheOutputs)
{
    struct Row {
        int drive;
        const char *path;
    } rows[] = {
        {-1, nullptr},
        {-1, ""},
        {26, nullptr},
        {-1, "\\\\srv\\share\\"},  // ends in a backslash: refused by the path check
        {-1, "C:\\dir\\file"},     // not a UNC path
        {34, "D:\\"},
        {-1, "\\\\srv"},
    };
    for (const Row &r : rows) {
        machine.ResetCalls();
        Large l;
        EXPECT_EQ(l.Ask(r.drive, r.path), 0) << (r.path ? r.path : "(null)");
        EXPECT_EQ(l.total + l.totalFree + l.callerFree, 0u) << (r.path ? r.path : "(null)");
        EXPECT_EQ(machine.CallCount(), 0u) << (r.path ? r.path : "(null)");
    }
    // The query itself failing: no medium, or the platform's failure.
    Large l;
    EXPECT_EQ(l.Ask(4, nullptr), 0);
    EXPECT_EQ(l.total + l.totalFree + l.callerFree, 0u);
    machine.FailNthCallOf("GetDiskFreeSpaceExA", 1, ERROR_ACCESS_DENIED);
    Large m;
    EXPECT_EQ(m.Ask(2, nullptr), 0);
    EXPECT_EQ(m.total + m.totalFree + m.callerFree, 0u);
}

TEST_F(Volumes, KilobytesAreBytesShiftedByTenKeptTo32Bits)
{
    struct Row {
        uint64_t bytes;
        unsigned long kb;
    } rows[] = {
        {0, 0},
        {1023, 0},
        {1024, 1},
        {2047, 1},
        {2048, 2},
        {4700000000ull, 4589843},
        // 5 TiB is 5 x 2^30 kB, of which the low 32 bits are 2^30.
        {5ull << 40, 1UL << 30},
    };
    for (const Row &r : rows) {
        machine.Drive('C').Bytes(r.bytes, r.bytes + 1024, r.bytes + 2048);
        unsigned long total = 7, totalFree = 7, callerFree = 7;
        ASSERT_EQ(CDriveEx::GetLargeDiskSize2GB_inKB(2, nullptr, &total, &totalFree, &callerFree),
                  1);
        EXPECT_EQ(total, r.kb) << r.bytes;
        EXPECT_EQ(totalFree, static_cast<unsigned long>(static_cast<uint32_t>(r.kb + 1))) << r.bytes;
        EXPECT_EQ(callerFree, static_cast<unsigned long>(static_cast<uint32_t>(r.kb + 2)))
            << r.bytes;
    }
    EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inKB(2, nullptr, nullptr, nullptr, nullptr), 1);
}

TEST_F(Volumes, KilobytesLeaveTheOutputsOnFailure)
{
    unsigned long total = 7, totalFree = 8, callerFree = 9;
    EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inKB(-1, nullptr, &total, &totalFree, &callerFree), 0);
    EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inKB(4, nullptr, &total, &totalFree, &callerFree), 0);
    EXPECT_EQ(total + totalFree + callerFree, 24u);
}

}  // namespace
