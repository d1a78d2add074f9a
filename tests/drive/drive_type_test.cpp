// Drive classification on the simulated machine: every type, the masks,
// the remembered connection that counts as a network drive, and the
// conversions between drive numbers and letters.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "support/scoped_machine.h"

struct BrenvikTestAccess {
    static int IsDrvType_pri(int nDrive, unsigned int nType)
    {
        return CDriveEx::IsDrvType_pri(nDrive, nType);
    }
    static int GetAllLst_pri(unsigned long *pDrvMask, unsigned int nType)
    {
        return CDriveEx::GetAllLst_pri(pDrvMask, nType);
    }
};

namespace {

using brenvik::sim::Machine;
using brenvik::sim::Times;
using brenvik::test::ScopedMachine;

unsigned long Bit(char letter)
{
    return 1UL << (letter - 'A');
}

// A: removable, C: fixed, D: and E: CD, F: RAM disk, G: network drive,
// M: a connected remembered connection, N: a remembered connection that
// is not available, U: a drive of unknown type. The rest have no root.
class DriveTypes : public ::testing::Test {
protected:
    DriveTypes()
    {
        machine.AddDrive('A', DRIVE_REMOVABLE);
        machine.AddDrive('C', DRIVE_FIXED);
        machine.AddDrive('D', DRIVE_CDROM);
        machine.AddDrive('E', DRIVE_CDROM).Medium(false);
        machine.AddDrive('F', DRIVE_RAMDISK);
        machine.AddDrive('G', DRIVE_REMOTE);
        machine.AddShare("srv", "share");
        machine.RememberConnection('M', "\\\\srv\\share", true);
        machine.RememberConnection('N', "\\\\gone\\share", false);
        machine.AddDrive('U', DRIVE_UNKNOWN);
        machine.ResetCalls();
    }

    Machine machine;
    ScopedMachine scope{machine};
};

TEST_F(DriveTypes, EachPredicateAnswersForItsOwnType)
{
    struct Predicate {
        const char *name;
        int (*fn)(int);
        unsigned long mask;
    } predicates[] = {
        {"IsCdDrive", &CDriveEx::IsCdDrive, Bit('D') | Bit('E')},
        {"IsRemovableDrive", &CDriveEx::IsRemovableDrive, Bit('A')},
        {"IsRamDrive", &CDriveEx::IsRamDrive, Bit('F')},
        {"IsNetworkDrive", &CDriveEx::IsNetworkDrive, Bit('G') | Bit('M') | Bit('N')},
        {"IsLocalHDDrive", &CDriveEx::IsLocalHDDrive, Bit('C')},
    };
    for (const Predicate &p : predicates) {
        for (int drive = 0; drive < 26; ++drive) {
            const int expected = (p.mask >> drive) & 1;
            EXPECT_EQ(p.fn(drive), expected)
                << p.name << " of " << static_cast<char>('A' + drive);
        }
    }
}

TEST_F(DriveTypes, ListsGiveTheMasks)
{
    struct List {
        const char *name;
        int (*fn)(unsigned long *);
        unsigned long mask;
    } lists[] = {
        {"GetCdDrvLst", &CDriveEx::GetCdDrvLst, Bit('D') | Bit('E')},
        {"GetRemovableDrvLst", &CDriveEx::GetRemovableDrvLst, Bit('A')},
        {"GetRamDrvLst", &CDriveEx::GetRamDrvLst, Bit('F')},
        {"GetNetworkDrvLst", &CDriveEx::GetNetworkDrvLst, Bit('G') | Bit('M') | Bit('N')},
        {"GetLocalHDDrvLst", &CDriveEx::GetLocalHDDrvLst, Bit('C')},
    };
    for (const List &l : lists) {
        unsigned long mask = 0xDEADBEEF;
        machine.ResetCalls();
        EXPECT_EQ(l.fn(&mask), 1) << l.name;
        EXPECT_EQ(mask, l.mask) << l.name;
        // All 26 letters asked afresh; one connection query per letter
        // without a root (18 of them, N included).
        EXPECT_EQ(machine.CallCount("GetDriveTypeA"), 26u) << l.name;
        EXPECT_EQ(machine.CallCount("WNetGetConnectionA"), 18u) << l.name;
        EXPECT_EQ(l.fn(nullptr), 0) << l.name;
    }
}

TEST_F(DriveTypes, ListsAskTheLettersInAscendingOrder)
{
    unsigned long mask = 0;
    CDriveEx::GetCdDrvLst(&mask);
    std::string order;
    for (const auto &call : machine.CallLog())
        if (call.service == "GetDriveTypeA")
            order += call.path.substr(0, 1);
    EXPECT_EQ(order, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
}

TEST_F(DriveTypes, DriveNumbersOutsideTheRangeQueryNothing)
{
    for (int drive : {-1, 26, INT_MIN, INT_MAX, 1000}) {
        EXPECT_EQ(CDriveEx::IsCdDrive(drive), 0);
        EXPECT_EQ(CDriveEx::IsRemovableDrive(drive), 0);
        EXPECT_EQ(CDriveEx::IsRamDrive(drive), 0);
        EXPECT_EQ(CDriveEx::IsNetworkDrive(drive), 0);
        EXPECT_EQ(CDriveEx::IsLocalHDDrive(drive), 0);
        EXPECT_EQ(BrenvikTestAccess::IsDrvType_pri(drive, DRIVE_NO_ROOT_DIR), 0);
    }
    unsigned long mask = 0;
    EXPECT_EQ(CDriveEx::GetCdDrvLst(nullptr), 0);
    EXPECT_EQ(BrenvikTestAccess::GetAllLst_pri(nullptr, DRIVE_FIXED), 0);
    EXPECT_EQ(mask, 0u);
    EXPECT_EQ(machine.CallCount(), 0u);
}

TEST_F(DriveTypes, PredicatesAskForTheRootOfTheDrive)
{
    EXPECT_EQ(CDriveEx::IsCdDrive(3), 1);
    EXPECT_EQ(CDriveEx::IsCdDrive(7), 0);  // H: has no root
    const auto log = machine.CallLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].service, "GetDriveTypeA");
    EXPECT_EQ(log[0].path, "D:\\");
    EXPECT_EQ(log[1].path, "H:\\");
    EXPECT_EQ(log[2].service, "WNetGetConnectionA");
    EXPECT_EQ(log[2].path, "H:\\");
}

TEST_F(DriveTypes, PrivateMembersMatchAnyTypeCode)
{
    EXPECT_EQ(BrenvikTestAccess::IsDrvType_pri('U' - 'A', DRIVE_UNKNOWN), 1);
    EXPECT_EQ(BrenvikTestAccess::IsDrvType_pri('C' - 'A', DRIVE_FIXED), 1);
    EXPECT_EQ(BrenvikTestAccess::IsDrvType_pri('C' - 'A', DRIVE_CDROM), 0);
    EXPECT_EQ(BrenvikTestAccess::IsDrvType_pri('N' - 'A', DRIVE_NO_ROOT_DIR), 0);
    EXPECT_EQ(BrenvikTestAccess::IsDrvType_pri('Z' - 'A', DRIVE_NO_ROOT_DIR), 1);

    unsigned long mask = 0;
    ASSERT_EQ(BrenvikTestAccess::GetAllLst_pri(&mask, DRIVE_NO_ROOT_DIR), 1);
    const unsigned long withRoot = Bit('A') | Bit('C') | Bit('D') | Bit('E') | Bit('F') |
                                   Bit('G') | Bit('M') | Bit('N') | Bit('U');
    EXPECT_EQ(mask, 0x03FFFFFFUL & ~withRoot);
    ASSERT_EQ(BrenvikTestAccess::GetAllLst_pri(&mask, DRIVE_UNKNOWN), 1);
    EXPECT_EQ(mask, Bit('U'));
    ASSERT_EQ(BrenvikTestAccess::GetAllLst_pri(&mask, 99), 1);  // no drive has it
    EXPECT_EQ(mask, 0u);
}

TEST_F(DriveTypes, OnlyAnUnavailableConnectionTurnsNoRootIntoNetwork)
{
    struct Row {
        DWORD wnetError;
        UINT type;
    } rows[] = {
        {ERROR_CONNECTION_UNAVAIL, DRIVE_REMOTE},
        {ERROR_NOT_CONNECTED, DRIVE_NO_ROOT_DIR},
        {ERROR_BAD_DEVICE, DRIVE_NO_ROOT_DIR},
        {ERROR_NO_NET_OR_BAD_PATH, DRIVE_NO_ROOT_DIR},
        {ERROR_MORE_DATA, DRIVE_NO_ROOT_DIR},
    };
    for (const Row &r : rows) {
        machine.FailNthCallOf("WNetGetConnectionA", 1, r.wnetError);
        EXPECT_EQ(CDriveEx::GetDriveType_Ex("Z:\\"), r.type) << r.wnetError;
        machine.ClearFaults();
    }
    machine.FailNthCallOf("WNetGetConnectionA", 1, ERROR_CONNECTION_UNAVAIL);
    EXPECT_EQ(CDriveEx::IsNetworkDrive(25), 1);
}

TEST_F(DriveTypes, GetDriveTypeExPassesThePathUnchanged)
{
    EXPECT_EQ(CDriveEx::GetDriveType_Ex("N:\\"), static_cast<UINT>(DRIVE_REMOTE));
    EXPECT_EQ(CDriveEx::GetDriveType_Ex("D:\\"), static_cast<UINT>(DRIVE_CDROM));
    EXPECT_EQ(CDriveEx::GetDriveType_Ex("c:\\"), static_cast<UINT>(DRIVE_FIXED));
    const auto log = machine.CallLog();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].path, "N:\\");
    EXPECT_EQ(log[1].service, "WNetGetConnectionA");
    EXPECT_EQ(log[1].path, "N:\\");
    EXPECT_EQ(log[3].path, "c:\\");

    // A type the platform cannot determine is not looked up further.
    machine.ResetCalls();
    machine.FailNthCallOf("GetDriveTypeA", 1, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CDriveEx::GetDriveType_Ex("C:\\"), static_cast<UINT>(DRIVE_UNKNOWN));
    EXPECT_EQ(machine.CallCount("WNetGetConnectionA"), 0u);
}

TEST(DriveMasks, NoCdDrivesGiveAnEmptyMaskAndAllFixedGiveBits0To25)
{
    Machine machine;
    ScopedMachine scope(machine);
    machine.AddDrive('C', DRIVE_FIXED);
    unsigned long mask = 0xFFFFFFFFUL;
    EXPECT_EQ(CDriveEx::GetCdDrvLst(&mask), 1);
    EXPECT_EQ(mask, 0u);

    for (char letter = 'A'; letter <= 'Z'; ++letter)
        machine.AddDrive(letter, DRIVE_FIXED);
    EXPECT_EQ(CDriveEx::GetLocalHDDrvLst(&mask), 1);
    EXPECT_EQ(mask, 0x03FFFFFFUL);
}

// ---- Numbers and letters -------------------------------------------------------

TEST(DriveLetters, CharToInt)
{
    struct Row {
        char c;
        int result;
        int drive;  // -1: left untouched
    } rows[] = {
        {'a', 1, 0},   {'A', 1, 0},   {'c', 1, 2},   {'C', 1, 2},   {'z', 1, 25},
        {'Z', 1, 25},  {'1', 0, -1},  {'@', 0, -1},  {'[', 0, -1},  {'`', 0, -1},
        {'{', 0, -1},  {':', 0, -1},  {'\0', 0, -1}, {'\xC1', 0, -1}, {'\xE1', 0, -1},
        {'\xFF', 0, -1}, {'\x80', 0, -1},
    };
    for (const Row &r : rows) {
        int drive = -1;
        EXPECT_EQ(CDriveEx::Drv_Char2Int(r.c, &drive), r.result)
            << static_cast<int>(static_cast<unsigned char>(r.c));
        EXPECT_EQ(drive, r.drive) << static_cast<int>(static_cast<unsigned char>(r.c));
        EXPECT_EQ(CDriveEx::Drv_Char2Int(r.c, nullptr), r.result);
    }
}

TEST(DriveLetters, LetterToIntTakesTheFirstCharacter)
{
    struct Row {
        const char *text;
        int result;
        int drive;
    } rows[] = {
        {"d:\\", 1, 3}, {"D:\\dir\\f", 1, 3}, {"x", 1, 23}, {"1:\\", 0, -1},
        {"", 0, -1},    {nullptr, 0, -1},     {"\\\\srv", 0, -1},
    };
    for (const Row &r : rows) {
        int drive = -1;
        EXPECT_EQ(CDriveEx::Drv_Letter2Int(r.text, &drive), r.result)
            << (r.text ? r.text : "(null)");
        EXPECT_EQ(drive, r.drive) << (r.text ? r.text : "(null)");
    }
    EXPECT_EQ(CDriveEx::Drv_Letter2Int("e:", nullptr), 1);
}

TEST(DriveLetters, IntToLetter)
{
    struct Row {
        int drive;
        int result;
        char letter;
    } rows[] = {{0, 1, 'A'}, {2, 1, 'C'}, {25, 1, 'Z'}, {-1, 0, '?'},
                {26, 0, '?'}, {INT_MIN, 0, '?'}, {INT_MAX, 0, '?'}};
    for (const Row &r : rows) {
        char letter[2] = {'?', '#'};
        EXPECT_EQ(CDriveEx::Drv_Int2Letter(r.drive, letter), r.result) << r.drive;
        EXPECT_EQ(letter[0], r.letter) << r.drive;
        EXPECT_EQ(letter[1], '#') << "a single char is written";
        EXPECT_EQ(CDriveEx::Drv_Int2Letter(r.drive, nullptr), r.result) << r.drive;
    }
}

TEST(DriveLetters, RangeChecks)
{
    struct Row {
        int value, low, high, result;
    } rows[] = {
        {5, 10, 0, 0},  {0, 0, 0, 1},   {25, 0, 25, 1},  {26, 0, 25, 0},
        {-1, 0, 25, 0}, {10, 10, 20, 1}, {20, 10, 20, 1}, {15, 10, 20, 1},
        {0, 1, 0, 0},   {INT_MIN, INT_MIN, INT_MAX, 1},  {INT_MAX, INT_MIN, INT_MAX, 1},
        {-5, -10, -1, 1},
    };
    for (const Row &r : rows)
        EXPECT_EQ(CDriveEx::InRange(r.value, r.low, r.high), r.result)
            << r.value << " in " << r.low << ".." << r.high;
    for (int v : {0, 1, 24, 25})
        EXPECT_EQ(CDriveEx::Is_0_25(v), 1) << v;
    for (int v : {-1, 26, INT_MIN, INT_MAX})
        EXPECT_EQ(CDriveEx::Is_0_25(v), 0) << v;
}

}  // namespace
