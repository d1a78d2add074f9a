// Types, volume figures and connections a host cannot show are answered by the decorator.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <brenvik/brenvik.h>

#include "platform/services.h"
#include "support/fault_services.h"
#include "support/test_support.h"
#ifndef _WIN32
#include "platform/posix_fixture.h"
#endif

namespace {

using namespace brenvik::test;
using brenvik::platform::sys;
using Strings = std::vector<std::string>;
using Figures = std::vector<unsigned long long>;

constexpr unsigned long Bit(char letter) { return 1UL << (letter - 'A'); }

Volume Vol(UINT type, const char *label) { Volume v; v.type = type, v.label = label; return v; }

constexpr UINT kMarkerMode = 0x8002;  // what the host had set before each call

// C: fixed "SYSTEM", 1,000,000 of 5,000,000 clusters of 8 x 512 bytes free; D: a CD "DISC"
// of 333,000 2048-byte sectors; E: a CD drive without medium; A: removable, F: RAM disk,
// G: network, U: unknown type; N: a remembered connection not available now; no root elsewhere.
class Drives : public ::testing::Test {
protected:
    Drives()
    {
        f.volumes["C:\\"] = Vol(DRIVE_FIXED, "SYSTEM").Clusters(8, 512, 1000000, 5000000);
        f.volumes["D:\\"] = Vol(DRIVE_CDROM, "DISC").Clusters(1, 2048, 0, 333000);
        f.volumes["E:\\"] = Vol(DRIVE_CDROM, "EMZ3_DVD");
        f.volumes["E:\\"].medium = false;
        f.volumes["\\\\srv\\share\\"] = Vol(DRIVE_REMOTE, "").Clusters(4, 512, 100, 1000);
        const std::string typed = "AFGU";
        const UINT types[] = {DRIVE_REMOVABLE, DRIVE_RAMDISK, DRIVE_REMOTE, DRIVE_UNKNOWN};
        for (char l = 'A'; l <= 'Z'; ++l) {
            const std::size_t at = typed.find(l);
            f.driveTypes[l] = at == typed.npos ? DRIVE_NO_ROOT_DIR : types[at];
        }
        f.Fail("WNetGetConnectionA", "N:\\", ERROR_CONNECTION_UNAVAIL);
    }
    ~Drives() override
    {
        EXPECT_EQ(f.Leaks(), Strings{});  // the error mode put back, among others
        brenvik::platform::DefaultServices().SetErrorMode(previousMode_);
    }
    Figures Large(int drive, const char *path, int result)
    {
        Figures v{1, 2, 3};
        EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inByte(drive, path, &v[0], &v[1], &v[2]), result)
            << drive << (path ? path : "");
        return v;
    }

#ifndef _WIN32
    ScopedRegistryFile registry_{RegText({})};
#endif
    UINT previousMode_ = sys().SetErrorMode(kMarkerMode);
    ScopedFaults f;
};

TEST_F(Drives, PredicatesAndListsAnswerForTheirOwnType)
{
    struct Type { int (*is)(int); int (*list)(unsigned long *); unsigned long mask; } types[] = {
        {&CDriveEx::IsCdDrive, &CDriveEx::GetCdDrvLst, Bit('D') | Bit('E')},
        {&CDriveEx::IsRemovableDrive, &CDriveEx::GetRemovableDrvLst, Bit('A')},
        {&CDriveEx::IsRamDrive, &CDriveEx::GetRamDrvLst, Bit('F')},
        {&CDriveEx::IsNetworkDrive, &CDriveEx::GetNetworkDrvLst, Bit('G') | Bit('N')},
        {&CDriveEx::IsLocalHDDrive, &CDriveEx::GetLocalHDDrvLst, Bit('C')}};
    for (const Type &t : types) {
        SCOPED_TRACE(t.mask);
        for (int drive = 0; drive < 26; ++drive)
            EXPECT_EQ(t.is(drive), static_cast<int>((t.mask >> drive) & 1)) << char('A' + drive);
        EXPECT_EQ(t.is(-1) + t.is(26) + t.is(INT_MIN), 0);
        unsigned long mask = 0xDEADBEEF;
        f.ClearCalls();
        EXPECT_EQ(t.list(&mask), 1);
        EXPECT_EQ(mask, t.mask);
        // Asked afresh, only for letters without a root.
        EXPECT_EQ(f.CountCalls("WNetGetConnectionA"), 19);
        EXPECT_EQ(t.list(nullptr), 0);
    }
}

TEST(DriveLetters, ConversionsAndRanges)
{
    // -1: refused, output untouched
    const std::pair<const char *, int> texts[] = {
        {"a", 0}, {"Z", 25}, {"z", 25}, {"@", -1}, {"[", -1}, {"`", -1},
        {"{", -1}, {"\xC1", -1}, {"D:\\dir\\f", 3}, {"", -1},  {nullptr, -1}};
    for (const auto &r : texts) {
        int drive = -1, fromChar = -1;
        EXPECT_EQ(CDriveEx::Drv_Letter2Int(r.first, &drive), r.second >= 0) << r.second;
        EXPECT_EQ(drive, r.second) << r.second;
        const int ok = r.first && *r.first && CDriveEx::Drv_Char2Int(r.first[0], &fromChar);
        EXPECT_EQ(ok ? fromChar : -1, r.second);
    }
    for (int drive : {0, 25, -1, 26}) {
        char letter[2] = {'?', '#'};
        const bool ok = drive >= 0 && drive <= 25;
        EXPECT_EQ(CDriveEx::Drv_Int2Letter(drive, letter), ok) << drive;
        EXPECT_EQ(CDriveEx::Drv_Int2Letter(drive, nullptr), ok) << drive;
        EXPECT_EQ(std::string(letter, 2), std::string(1, ok ? 'A' + drive : '?') + "#") << drive;
        EXPECT_EQ(CDriveEx::Is_0_25(drive), ok) << drive;
    }
    struct Range { int value, low, high, result; } ranges[] = {{5, 10, 0, 0}, {10, 10, 20, 1},
        {20, 10, 20, 1}, {21, 10, 20, 0}, {9, 10, 20, 0}, {INT_MIN, INT_MIN, INT_MAX, 1}};
    for (const Range &r : ranges)
        EXPECT_EQ(CDriveEx::InRange(r.value, r.low, r.high), r.result)
            << r.value << " in " << r.low << ".." << r.high;
}

TEST_F(Drives, FreeSpaceAndCdSize)
{
    unsigned long v[4] = {};
    ASSERT_EQ(CDriveEx::My_GetDiskFreeSpace(2, &v[0], &v[1], &v[2], &v[3]), 1);
    EXPECT_EQ((std::vector<unsigned long>(v, v + 4)),
              (std::vector<unsigned long>{8, 512, 1000000, 5000000}));
    EXPECT_EQ(CDriveEx::My_GetDiskFreeSpace(2, nullptr, nullptr, nullptr, nullptr), 1);
    // Sizes modulo 2^32.
    struct Row { DWORD spc, bps, clusters; unsigned long size; } rows[] = {
        {1, 2048, 333000, 681984000UL}, {2, 1, 2350000000UL, 4700000000UL - 4294967296UL}};
    for (const Row &r : rows) {
        f.volumes["D:\\"].Clusters(r.spc, r.bps, 0, r.clusters);
        unsigned long size = 99;
        EXPECT_EQ(CDriveEx::GetCdSize(3, &size) ? size : 0, r.size)
            << r.spc << " x " << r.bps << " x " << r.clusters;
    }
    // Failures write nothing: a null output, a bad number unasked.
    std::fill(v, v + 4, 5);
    EXPECT_EQ(CDriveEx::GetCdSize(3, nullptr), 0);
    f.ClearCalls();
    for (int drive : {-1, 26, 34})
        EXPECT_EQ(0, CDriveEx::My_GetDiskFreeSpace(drive, &v[0], &v[1], &v[2], &v[3]) +
                         CDriveEx::GetCdSize(drive, &v[0]));
    EXPECT_TRUE(f.Calls().empty());
    EXPECT_EQ((std::vector<unsigned long>(v, v + 4)), (std::vector<unsigned long>{5, 5, 5, 5}));
}

TEST_F(Drives, VolumeQueriesHaveNoRangeTestAndRestoreTheErrorMode)
{
    char label[BRENVIK_MAX_PATH];
    const std::string longest(99, 'L');  // what the library's buffer holds
    f.volumes["C:\\"].label = longest;
    // The root's letter is the low 8 bits of 'A' + number: 34 is drive C.
    struct Row { int drive; const char *root; int present; } rows[] = {
        {2, "C:\\", 1}, {34, "c:\\", 1}, {36, "e:\\", 0}, {-1, "@:\\", 0}, {256 + 2, "C:\\", 1}};
    for (const Row &r : rows) {
        f.ClearCalls();
        std::strcpy(label, "untouched");
        EXPECT_EQ(CDriveEx::GetVolName(r.drive, label), r.present) << r.drive;
        EXPECT_EQ(label, r.present ? longest : "untouched") << r.drive;
        EXPECT_EQ(CDriveEx::IsDiskPresent(r.drive, r.drive * 7), r.present) << r.drive;
        EXPECT_EQ(CDriveEx::IsCompressed(r.drive), 0) << r.drive;
        EXPECT_EQ(f.PathsOf("GetVolumeInformationA"), Strings(3, r.root)) << r.drive;
    }
    EXPECT_EQ(CDriveEx::GetVolName(2, nullptr), 0);
    std::strcpy(label, "untouched");  // the label and its end, nothing after
    EXPECT_EQ(CDriveEx::GetVolName(3, label) ? std::string(label) + "|" + (label + 5) : "",
              "DISC|ched");

    f.volumes["C:\\"].flags = FS_VOL_IS_COMPRESSED | FS_CASE_IS_PRESERVED | FS_CASE_SENSITIVE;
    f.volumes["D:\\"].flags = FS_CASE_IS_PRESERVED | FS_CASE_SENSITIVE | 0x00080000u;
    EXPECT_EQ(CDriveEx::IsCompressed(34), 0x8000);
    EXPECT_EQ(CDriveEx::IsCompressed(3), 0);
    f.errorModes.clear();
    EXPECT_EQ(CDriveEx::GetVolName(36, label), 0);
    EXPECT_EQ(f.errorModes, (std::vector<UINT>{SEM_FAILCRITICALERRORS, kMarkerMode}));
}

TEST_F(Drives, LargeDiskSize)
{
    // Through the extended query; the path is ignored when the number names a drive.
    f.volumes["D:\\"].Bytes(4700000000ull, 123456789012ull, 1000ull);
    EXPECT_EQ(Large(3, "\\\\srv\\share", 1), (Figures{4700000000ull, 123456789012ull, 1000ull}));
    EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inByte(3, nullptr, nullptr, nullptr, nullptr), 1);
    f.volumes["\\\\srv\\share\\"].Bytes(5000, 4000, 3000);
    EXPECT_EQ(Large(-1, "\\\\srv\\share", 1), (Figures{5000, 4000, 3000}));

    // Refused unasked, or failing: 0 with the outputs cleared.
    f.ClearCalls();
    const std::pair<int, const char *> refused[] = {{-1, nullptr}, {26, nullptr},
        {-1, "\\\\srv\\share\\"}, {-1, "C:\\dir\\file"}, {34, "D:\\"}};
    for (const auto &[drive, path] : refused)
        EXPECT_EQ(Large(drive, path, 0), (Figures{0, 0, 0}));
    EXPECT_TRUE(f.Calls().empty());
    EXPECT_EQ(Large(4, nullptr, 0), (Figures{0, 0, 0}));

    // Without the extended query: clusters, every product in 64 bits.
    f.noDiskFreeSpaceEx = true;
    f.volumes["C:\\"].Clusters(128, 65535, 0xFFFFFFFFu, 0xFFFFFFFFu);
    const unsigned long long all = 0xFFFFFFFFull * 128 * 65535;
    EXPECT_EQ(Large(2, nullptr, 1), (Figures{all, all, all}));
    EXPECT_EQ(Large(4, nullptr, 0), (Figures{0, 0, 0}));

    // Kilobytes rounded down and kept to 32 bits.
    f.noDiskFreeSpaceEx = false;
    const std::pair<uint64_t, unsigned long> kbRows[] = {{2047, 1}, {5ull << 40, 1UL << 30}};
    for (const auto &r : kbRows) {
        f.volumes["C:\\"].Bytes(r.first, r.first + 1024, r.first + 2048);
        unsigned long kb[3] = {7, 7, 7};
        ASSERT_EQ(CDriveEx::GetLargeDiskSize2GB_inKB(2, nullptr, &kb[0], &kb[1], &kb[2]), 1);
        for (unsigned i = 0; i < 3; ++i)
            EXPECT_EQ(kb[i], static_cast<uint32_t>(r.second + i)) << r.first << " #" << i;
    }
    EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inKB(2, nullptr, nullptr, nullptr, nullptr), 1);
    unsigned long kb[3] = {7, 8, 9};
    EXPECT_EQ(CDriveEx::GetLargeDiskSize2GB_inKB(4, nullptr, &kb[0], &kb[1], &kb[2]), 0);
    EXPECT_EQ(kb[0] + kb[1] + kb[2], 24u);
}

TEST_F(Drives, DiscContent)
{
#ifndef _WIN32
    // Marker directories at the root of D:, matched as the file system matches names.
    struct Row { const char *entry; bool isFile; int video, photo; } rows[] = {
        {"MPEGAV", false, 1, 0}, {"photo_cd", false, 0, 1}, {"mpegav", true, 0, 0},
        {"sub/mpegav", false, 0, 0}};
    for (const Row &r : rows) {
        TempDir disc;
        registry_.Rewrite(RegText({brenvik::posixtest::DriveKey('D', disc.path(), "cdrom")}));
        r.isFile ? WriteHostFile(disc / r.entry, "x") : MakeHostDirs(disc / r.entry);
        EXPECT_EQ(CDriveEx::IsVideoCD(3) * 10 + CDriveEx::IsPhotoCD(3), r.video * 10 + r.photo)
            << r.entry << r.isFile;
    }
#endif
    f.ClearCalls();
    CDriveEx::IsPhotoCD(25);
    for (int drive : {-1, 26, 34})
        EXPECT_EQ(CDriveEx::IsVideoCD(drive) + CDriveEx::IsPhotoCD(drive), 0) << drive;
    ASSERT_EQ(f.Calls().size(), 1u);
    EXPECT_EQ(f.Calls()[0].path, "Z:\\photo_cd");

    // The audio disc by its label, case ignored; no range test: 36 is drive E.
    for (const auto &r : std::vector<std::pair<const char *, int>>{
             {"Emz3_Dvd", 1}, {"EMZ3_DVD ", 0}, {"EMZ3_DV", 0}}) {
        f.volumes["D:\\"].label = r.first;
        EXPECT_EQ(CDriveEx::IsAudioCD(3), r.second) << '"' << r.first << '"';
    }
    EXPECT_EQ(CDriveEx::IsAudioCD(4), 0);  // E: has no medium
    f.volumes["E:\\"].medium = true;
    f.ClearCalls();
    EXPECT_EQ(CDriveEx::IsAudioCD(36), 1);
    EXPECT_EQ(f.PathsOf("GetVolumeInformationA"), Strings{"e:\\"});

    // IsDVD is not offered: a box, and 0.
    EXPECT_EQ(CDriveEx::IsDVD(3) + CDriveEx::IsDVD(-5), 0);
    ASSERT_EQ(f.boxes.size(), 2u);
    for (const auto &box : f.boxes)
        EXPECT_EQ(box.text + " " + std::to_string(box.type), "NA: CVcd::IsDvd() instead 0");
}

}  // namespace
