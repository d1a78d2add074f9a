// Drive classification, capacity, volume and disc content on the simulated
// machine, which reports an error mode left changed at the end of each test.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/scoped_machine.h"

struct BrenvikTestAccess {
    static int GetAllLst_pri(unsigned long *mask, unsigned type) { return CDriveEx::GetAllLst_pri(mask, type); }
};

namespace {

using brenvik::sim::Machine;
using Strings = std::vector<std::string>;
using Figures = std::vector<unsigned long long>;

unsigned long Bit(char letter)
{
    return 1UL << (letter - 'A');
}

constexpr UINT kMarkerMode = 0x8002;  // what the host had set before each call

// Typical(): C: fixed "SYSTEM", 8 x 512-byte sectors a cluster, 1,000,000 of
// 5,000,000 clusters free; D: a CD "DISC", here of 333,000 2048-byte sectors.
// A: removable, E: a CD drive without medium, F: RAM disk, G: network drive,
// M: a connected remembered connection, N: one not available now, U: a drive
// of unknown type; no root elsewhere.
class Drives : public ::testing::Test {
protected:
    Drives()
    {
        m.Drive('D').Clusters(1, 2048, 0, 333000);
        m.AddDrive('A', DRIVE_REMOVABLE);
        m.AddDrive('E', DRIVE_CDROM).Label("EMZ3_DVD").Medium(false);
        m.AddDrive('F', DRIVE_RAMDISK);
        m.AddDrive('G', DRIVE_REMOTE);
        m.AddShare("srv", "share").Clusters(4, 512, 100, 1000);
        m.RememberConnection('M', "\\\\srv\\share", true);
        m.RememberConnection('N', "\\\\gone\\share", false);
        m.AddDrive('U', DRIVE_UNKNOWN);
        m.SetErrorMode(kMarkerMode);
        m.MarkInstalled();
        m.ResetCalls();
    }
    Strings PathsOf(const std::string &service) const
    {
        Strings paths;
        for (const auto &c : m.CallLog())
            if (c.service == service)
                paths.push_back(c.path);
        return paths;
    }
    // GetLargeDiskSize2GB_inByte with outputs preset to non-zero.
    Figures Large(int drive, const char *path, int result)
    {
        Figures f{1, 2, 3};
        EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inByte(drive, path, &f[0], &f[1], &f[2]), result)
            << drive << " " << (path ? path : "(null)");
        return f;
    }

    Machine m = Machine::Typical();
    brenvik::test::ScopedMachine scope{m};
};

TEST_F(Drives, PredicatesAndListsAnswerForTheirOwnType)
{
    struct Type {
        const char *name;
        int (*is)(int);
        int (*list)(unsigned long *);
        unsigned long mask;
    } types[] = {
        {"cd", &CDriveEx::IsCdDrive, &CDriveEx::GetCdDrvLst, Bit('D') | Bit('E')},
        {"removable", &CDriveEx::IsRemovableDrive, &CDriveEx::GetRemovableDrvLst, Bit('A')},
        {"ram", &CDriveEx::IsRamDrive, &CDriveEx::GetRamDrvLst, Bit('F')},
        {"network", &CDriveEx::IsNetworkDrive, &CDriveEx::GetNetworkDrvLst, Bit('G') | Bit('M') | Bit('N')},
        {"fixed", &CDriveEx::IsLocalHDDrive, &CDriveEx::GetLocalHDDrvLst, Bit('C')},
    };
    for (const Type &t : types) {
        for (int drive = 0; drive < 26; ++drive)
            EXPECT_EQ(t.is(drive), static_cast<int>((t.mask >> drive) & 1)) << t.name << char('A' + drive);
        EXPECT_EQ(t.is(-1) + t.is(26) + t.is(INT_MIN), 0) << t.name;
        unsigned long mask = 0xDEADBEEF;
        m.ResetCalls();
        EXPECT_EQ(t.list(&mask), 1) << t.name;
        EXPECT_EQ(mask, t.mask) << t.name;
        // Every letter asked afresh, in order; connections only for those without a root.
        std::string order;
        for (const std::string &root : PathsOf("GetDriveTypeA"))
            order += root.substr(0, 1);
        EXPECT_EQ(order, "ABCDEFGHIJKLMNOPQRSTUVWXYZ") << t.name;
        EXPECT_EQ(m.CallCount("WNetGetConnectionA"), 18u) << t.name;
        EXPECT_EQ(t.list(nullptr), 0) << t.name;
    }
    unsigned long mask = 0;  // the private member takes any type code
    ASSERT_EQ(BrenvikTestAccess::GetAllLst_pri(&mask, DRIVE_NO_ROOT_DIR), 1);
    EXPECT_EQ(mask, 0x03FFFFFFUL & ~(Bit('A') | Bit('C') | Bit('D') | Bit('E') | Bit('F') | Bit('G') |
                                     Bit('M') | Bit('N') | Bit('U')));
}

TEST_F(Drives, OnlyAnUnavailableConnectionTurnsNoRootIntoNetwork)
{
    for (DWORD error : {ERROR_CONNECTION_UNAVAIL, ERROR_NOT_CONNECTED, ERROR_MORE_DATA}) {
        m.FailNthCallOf("WNetGetConnectionA", 1, error);
        const UINT want = error == ERROR_CONNECTION_UNAVAIL ? DRIVE_REMOTE : DRIVE_NO_ROOT_DIR;
        EXPECT_EQ(CDriveEx::GetDriveType_Ex("Z:\\"), want) << error;
        m.ClearFaults();
    }
    m.ResetCalls();  // the path goes to the platform as given
    EXPECT_EQ(CDriveEx::GetDriveType_Ex("N:\\"), static_cast<UINT>(DRIVE_REMOTE));
    EXPECT_EQ(CDriveEx::GetDriveType_Ex("c:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(PathsOf("GetDriveTypeA"), (Strings{"N:\\", "c:\\"}));
    EXPECT_EQ(PathsOf("WNetGetConnectionA"), (Strings{"N:\\"}));
    // A type the platform cannot determine is not looked up further.
    m.FailNthCallOf("GetDriveTypeA", 1, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CDriveEx::GetDriveType_Ex("C:\\"), static_cast<UINT>(DRIVE_UNKNOWN));
    EXPECT_EQ(m.CallCount("WNetGetConnectionA"), 1u);
}

TEST(DriveLetters, ConversionsAndRanges)
{
    // -1: refused, output untouched
    const std::pair<char, int> chars[] = {{'a', 0}, {'Z', 25}, {'z', 25}, {'@', -1}, {'[', -1},
                                          {'`', -1}, {'{', -1}, {'\xC1', -1}};
    for (const auto &r : chars) {
        int drive = -1;
        EXPECT_EQ(CDriveEx::Drv_Char2Int(r.first, &drive), r.second >= 0) << int(r.first);
        EXPECT_EQ(drive, r.second) << int(r.first);
    }
    const std::pair<const char *, int> texts[] = {{"D:\\dir\\f", 3}, {"x", 23}, {"", -1}, {nullptr, -1}};
    for (const auto &r : texts) {
        int drive = -1;
        EXPECT_EQ(CDriveEx::Drv_Letter2Int(r.first, &drive), r.second >= 0) << r.second;
        EXPECT_EQ(drive, r.second) << r.second;
    }
    for (int drive : {0, 25, -1, 26, INT_MIN}) {
        char letter[2] = {'?', '#'};
        const bool ok = drive >= 0 && drive <= 25;
        EXPECT_EQ(CDriveEx::Drv_Int2Letter(drive, letter), ok) << drive;
        EXPECT_EQ(std::string(letter, 2), std::string(1, ok ? 'A' + drive : '?') + "#") << drive;
        EXPECT_EQ(CDriveEx::Drv_Int2Letter(drive, nullptr), ok) << drive;
        EXPECT_EQ(CDriveEx::Is_0_25(drive), ok) << drive;
    }
    struct Range {
        int value, low, high, result;
    } ranges[] = {{5, 10, 0, 0}, {10, 10, 20, 1}, {20, 10, 20, 1}, {21, 10, 20, 0}, {9, 10, 20, 0},
                  {INT_MIN, INT_MIN, INT_MAX, 1}};
    for (const Range &r : ranges)
        EXPECT_EQ(CDriveEx::InRange(r.value, r.low, r.high), r.result)
            << r.value << " in " << r.low << ".." << r.high;
}

TEST_F(Drives, FreeSpaceAndCdSize)
{
    unsigned long v[4] = {};
    ASSERT_EQ(CDriveEx::My_GetDiskFreeSpace(2, &v[0], &v[1], &v[2], &v[3]), 1);
    EXPECT_EQ((std::vector<unsigned long>(v, v + 4)), (std::vector<unsigned long>{8, 512, 1000000, 5000000}));
    EXPECT_EQ(CDriveEx::My_GetDiskFreeSpace(2, nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(PathsOf("GetDiskFreeSpaceA"), (Strings{"C:\\", "C:\\"}));
    struct Row {
        DWORD spc, bps, clusters;
        unsigned long size;
    } rows[] = {
        {1, 2048, 333000, 681984000UL},
        {1, 1000, 4700000, 4700000000UL - 4294967296UL},  // 4.7e9 bytes, modulo 2^32
        {2, 1, 2350000000UL, 4700000000UL - 4294967296UL},
    };
    for (const Row &r : rows) {
        m.Drive('D').Clusters(r.spc, r.bps, 0, r.clusters);
        unsigned long size = 99;
        EXPECT_EQ(CDriveEx::GetCdSize(3, &size), 1);
        EXPECT_EQ(size, r.size) << r.spc << " x " << r.bps << " x " << r.clusters;
    }
    // Failures write nothing: no medium, a platform failure, a null output,
    // and numbers outside the drives, which are refused unasked.
    std::fill(v, v + 4, 5);
    EXPECT_EQ(CDriveEx::My_GetDiskFreeSpace(4, &v[0], &v[1], &v[2], &v[3]) + CDriveEx::GetCdSize(4, &v[0]), 0);
    m.FailNthCallOf("GetDiskFreeSpaceA", 1, ERROR_NOT_READY);
    EXPECT_EQ(CDriveEx::My_GetDiskFreeSpace(2, &v[0], &v[1], &v[2], &v[3]), 0);
    EXPECT_EQ(m.GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_EQ(CDriveEx::GetCdSize(3, nullptr), 0);
    m.ResetCalls();
    for (int drive : {-1, 26, 34, INT_MIN})
        EXPECT_EQ(CDriveEx::My_GetDiskFreeSpace(drive, &v[0], &v[1], &v[2], &v[3]) +
                      CDriveEx::GetCdSize(drive, &v[0]), 0);
    EXPECT_EQ(m.CallCount(), 0u);
    EXPECT_EQ((std::vector<unsigned long>(v, v + 4)), (std::vector<unsigned long>{5, 5, 5, 5}));
}

TEST_F(Drives, VolumeQueriesHaveNoRangeTestAndRestoreTheErrorMode)
{
    char label[BRENVIK_MAX_PATH];
    m.Drive('C').Label(std::string(99, 'L'));
    ASSERT_EQ(CDriveEx::GetVolName(2, label), 1);
    EXPECT_EQ(std::string(label), std::string(99, 'L'));
    EXPECT_EQ(m.ErrorModeHistory(), (std::vector<UINT>{kMarkerMode, SEM_FAILCRITICALERRORS, kMarkerMode}));
    m.Drive('C').Label("SYSTEM");

    // The root's letter is the low 8 bits of 'A' + number: 34 is drive C.
    struct Row {
        int drive;
        const char *root;
        int present;
    } rows[] = {{2, "C:\\", 1},  {34, "c:\\", 1}, {35, "d:\\", 1},
                {36, "e:\\", 0}, {-1, "@:\\", 0}, {256 + 2, "C:\\", 1}};
    for (const Row &r : rows) {
        m.ResetCalls();
        std::strcpy(label, "untouched");
        EXPECT_EQ(CDriveEx::GetVolName(r.drive, label), r.present) << r.drive;
        EXPECT_STREQ(label, !r.present ? "untouched" : (r.root[0] | 0x20) == 'c' ? "SYSTEM" : "DISC") << r.drive;
        EXPECT_EQ(CDriveEx::IsDiskPresent(r.drive, r.drive * 7), r.present) << r.drive;
        EXPECT_EQ(CDriveEx::IsCompressed(r.drive), 0) << r.drive;
        EXPECT_EQ(PathsOf("GetVolumeInformationA"), Strings(3, r.root)) << r.drive;
    }
    m.ResetCalls();  // no overflow forming the letter
    CDriveEx::IsDiskPresent(INT_MIN, 0);
    CDriveEx::IsCompressed(INT_MAX);
    EXPECT_EQ(PathsOf("GetVolumeInformationA"), (Strings{"A:\\", "@:\\"}));
    EXPECT_EQ(CDriveEx::GetVolName(2, nullptr), 0);

    m.Drive('C').Flags(FS_VOL_IS_COMPRESSED | FS_CASE_IS_PRESERVED | FS_CASE_SENSITIVE);
    m.Drive('D').Flags(FS_CASE_IS_PRESERVED | FS_CASE_SENSITIVE | 0x00080000u);
    EXPECT_EQ(CDriveEx::IsCompressed(34), 0x8000);
    EXPECT_EQ(CDriveEx::IsCompressed(3), 0);

    // A failing query keeps the buffer and still puts the mode back.
    std::strcpy(label, "untouched");
    m.FailNthCallOf("GetVolumeInformationA", 1, ERROR_NOT_READY);
    EXPECT_EQ(CDriveEx::GetVolName(2, label), 0);
    m.FailNthCallOf("GetVolumeInformationA", 1, ERROR_NOT_READY);
    EXPECT_EQ(CDriveEx::IsCompressed(2), 0);
    EXPECT_STREQ(label, "untouched");
    EXPECT_EQ(m.ErrorMode(), kMarkerMode);
    EXPECT_TRUE(m.MessageBoxes().empty());
}

TEST_F(Drives, LargeDiskSize)
{
    // Through the extended query; the path is ignored when the number names a drive.
    m.Drive('D').Bytes(4700000000ull, 123456789012ull, 1000ull);
    EXPECT_EQ(Large(3, "\\\\srv\\share", 1), (Figures{4700000000ull, 123456789012ull, 1000ull}));
    EXPECT_EQ(PathsOf("GetDiskFreeSpaceExA"), Strings{"D:\\"});
    EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inByte(3, nullptr, nullptr, nullptr, nullptr), 1);
    m.Share("srv", "share").Bytes(5000, 4000, 3000);
    EXPECT_EQ(Large(-1, "\\\\srv\\share", 1), (Figures{5000, 4000, 3000}));

    // Refused unasked, or failing: 0 with the outputs cleared.
    m.ResetCalls();
    for (const auto &r : std::vector<std::pair<int, const char *>>{
             {-1, nullptr}, {26, nullptr}, {-1, "\\\\srv\\share\\"}, {-1, "C:\\dir\\file"}, {34, "D:\\"}})
        EXPECT_EQ(Large(r.first, r.second, 0), (Figures{0, 0, 0}));
    EXPECT_EQ(m.CallCount(), 0u);
    EXPECT_EQ(Large(4, nullptr, 0), (Figures{0, 0, 0}));

    // Without the extended query: clusters, every product in 64 bits.
    m.SetGetDiskFreeSpaceExAvailable(false);
    m.Drive('C').Clusters(128, 65535, 0xFFFFFFFFu, 0xFFFFFFFFu);
    m.ResetCalls();
    const unsigned long long all = 0xFFFFFFFFull * 128 * 65535;
    EXPECT_EQ(Large(2, nullptr, 1), (Figures{all, all, all}));
    EXPECT_EQ(PathsOf("GetDiskFreeSpaceA"), Strings{"C:\\"});
}

TEST_F(Drives, KilobytesAreRoundedDownAndKeptTo32Bits)
{
    struct Row {
        uint64_t bytes;
        unsigned long kb;
    } rows[] = {{1023, 0}, {2047, 1}, {4700000000ull, 4589843}, {5ull << 40, 1UL << 30}};
    for (const Row &r : rows) {
        m.Drive('C').Bytes(r.bytes, r.bytes + 1024, r.bytes + 2048);
        unsigned long kb[3] = {7, 7, 7};
        ASSERT_EQ(CDriveEx::GetLargeDiskSize2GB_inKB(2, nullptr, &kb[0], &kb[1], &kb[2]), 1);
        EXPECT_EQ(kb[0], r.kb) << r.bytes;
        EXPECT_EQ(kb[1], static_cast<uint32_t>(r.kb + 1)) << r.bytes;
        EXPECT_EQ(kb[2], static_cast<uint32_t>(r.kb + 2)) << r.bytes;
    }
    EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inKB(2, nullptr, nullptr, nullptr, nullptr), 1);
    unsigned long kb[3] = {7, 8, 9};
    EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inKB(-1, nullptr, &kb[0], &kb[1], &kb[2]), 0);
    EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inKB(4, nullptr, &kb[0], &kb[1], &kb[2]), 0);
    EXPECT_EQ(kb[0] + kb[1] + kb[2], 24u);
}

TEST_F(Drives, DiscContent)
{
    // Marker directories at the root, matched as the file system matches names.
    struct Row {
        const char *path;
        bool isFile;
        int video, photo;
    } rows[] = {{"D:\\MPEGAV", false, 1, 0}, {"D:\\photo_cd", false, 0, 1}, {"D:\\mpegav", true, 0, 0},
                {"D:\\photo_cd", true, 0, 0}, {"D:\\sub\\mpegav", false, 0, 0}};
    for (const Row &r : rows) {
        for (const char *old : {"D:\\mpegav", "D:\\photo_cd", "D:\\sub"})
            m.Remove(old);
        if (r.isFile)
            m.MakeFile(r.path, "x");
        else
            m.MakeDir(r.path);
        EXPECT_EQ(CDriveEx::IsVideoCD(3), r.video) << r.path << r.isFile;
        EXPECT_EQ(CDriveEx::IsPhotoCD(3), r.photo) << r.path << r.isFile;
    }
    m.ResetCalls();
    CDriveEx::IsPhotoCD(25);
    for (int drive : {-1, 26, 34})
        EXPECT_EQ(CDriveEx::IsVideoCD(drive) + CDriveEx::IsPhotoCD(drive), 0) << drive;
    EXPECT_GT(m.CallCount(), 0u);
    for (const auto &c : m.CallLog())
        EXPECT_EQ(c.path, "Z:\\photo_cd");

    // The audio disc by its label, case ignored; no range test: 36 is drive E.
    for (const auto &r : std::vector<std::pair<const char *, int>>{
             {"emz3_dvd", 1}, {"Emz3_Dvd", 1}, {"EMZ3_DVD ", 0}, {"EMZ3_DV", 0}}) {
        m.Drive('D').Label(r.first);
        EXPECT_EQ(CDriveEx::IsAudioCD(3), r.second) << '"' << r.first << '"';
    }
    EXPECT_EQ(CDriveEx::IsAudioCD(4), 0);  // E: has no medium
    m.Drive('E').Medium(true);
    m.ResetCalls();
    EXPECT_EQ(CDriveEx::IsAudioCD(36), 1);
    EXPECT_EQ(PathsOf("GetVolumeInformationA"), Strings{"e:\\"});
    EXPECT_TRUE(m.MessageBoxes().empty());

    // IsDVD is not offered: a box, 0 whatever it answers.
    m.SetMessageBoxResult(2);
    EXPECT_EQ(CDriveEx::IsDVD(3) + CDriveEx::IsDVD(-5), 0);
    const auto boxes = m.MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto &box : boxes) {
        EXPECT_EQ(box.text, "NA: CVcd::IsDvd() instead");
        EXPECT_EQ(box.type, 0u);
    }
}

}  // namespace
