// Drive classification on the POSIX backend, with drives, shares and
// remembered connections configured in a registry file over real
// directories.
#include <gtest/gtest.h>

#include <string>

#include <brenvik/brenvik.h>

#include "platform/win32_types.h"
#include "support/test_support.h"

namespace {

using brenvik::test::MakeHostDirs;
using brenvik::test::RegText;
using brenvik::test::ScopedRegistryFile;
using brenvik::test::TempDir;

unsigned long Bit(char letter)
{
    return 1UL << (letter - 'A');
}

std::string Drive(char letter, const std::string &path, const char *type)
{
    return std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\") + letter +
           "]\r\n\"Path\"=\"" + path + "\"\r\n\"Type\"=\"" + type + "\"\r\n";
}

TEST(DriveTypesPosix, RegistryDrivesAndConnections)
{
    TempDir dir;
    for (const char *sub : {"c", "d", "f", "g", "share"})
        MakeHostDirs(dir / sub);
    // E: names a directory that does not exist: a drive without a medium,
    // whose type stands.
    ScopedRegistryFile reg(RegText({
        Drive('C', dir / "c", "fixed"),
        Drive('D', dir / "d", "cdrom"),
        Drive('E', dir / "absent", "removable"),
        Drive('F', dir / "f", "ramdisk"),
        Drive('G', dir / "g", "remote"),
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Shares\\srv\\share]",
        "\"Path\"=\"" + (dir / "share") + "\"",
        "[HKEY_CURRENT_USER\\Network\\M]",
        "\"RemotePath\"=\"\\\\\\\\srv\\\\share\"",
        // A mapped drive whose share is not there now.
        "[HKEY_CURRENT_USER\\Network\\N]",
        "\"RemotePath\"=\"\\\\\\\\gone\\\\share\"",
    }));

    struct List {
        const char *name;
        int (*list)(unsigned long *);
        int (*predicate)(int);
        unsigned long mask;
    } lists[] = {
        {"cd", &CDriveEx::GetCdDrvLst, &CDriveEx::IsCdDrive, Bit('D')},
        {"removable", &CDriveEx::GetRemovableDrvLst, &CDriveEx::IsRemovableDrive, Bit('E')},
        {"ram", &CDriveEx::GetRamDrvLst, &CDriveEx::IsRamDrive, Bit('F')},
        {"network", &CDriveEx::GetNetworkDrvLst, &CDriveEx::IsNetworkDrive,
         Bit('G') | Bit('M') | Bit('N')},
        {"fixed", &CDriveEx::GetLocalHDDrvLst, &CDriveEx::IsLocalHDDrive, Bit('C')},
    };
    for (const List &l : lists) {
        unsigned long mask = 0xFFFFFFFFUL;
        EXPECT_EQ(l.list(&mask), 1) << l.name;
        EXPECT_EQ(mask, l.mask) << l.name;
        for (int drive = 0; drive < 26; ++drive)
            EXPECT_EQ(l.predicate(drive), static_cast<int>((l.mask >> drive) & 1))
                << l.name << " " << static_cast<char>('A' + drive);
    }
    EXPECT_EQ(CDriveEx::GetDriveType_Ex("N:\\"), static_cast<unsigned>(DRIVE_REMOTE));
    EXPECT_EQ(CDriveEx::GetDriveType_Ex("Q:\\"), static_cast<unsigned>(DRIVE_NO_ROOT_DIR));
    EXPECT_EQ(CDriveEx::GetDriveType_Ex("c:\\"), static_cast<unsigned>(DRIVE_FIXED));
}

TEST(DriveTypesPosix, WithoutDrivesCIsTheFixedHostRoot)
{
    ScopedRegistryFile reg(RegText({}));
    unsigned long mask = 0;
    EXPECT_EQ(CDriveEx::GetLocalHDDrvLst(&mask), 1);
    EXPECT_EQ(mask, Bit('C'));
    EXPECT_EQ(CDriveEx::GetCdDrvLst(&mask), 1);
    EXPECT_EQ(mask, 0u);
    EXPECT_EQ(CDriveEx::GetNetworkDrvLst(&mask), 1);
    EXPECT_EQ(mask, 0u);
}

}  // namespace
