// Fault sweep of drive classification and enumeration.
#include <gtest/gtest.h>

#include <brenvik/brenvik.h>

#include <cstdlib>

#include "reliability/sweep.h"

namespace brenvik {
namespace sweep {
namespace {

// C: fixed, D: CD-ROM, E: removable, R: RAM disk, N: connected network
// drive, M: a remembered connection that is not connected.
void Drives(sim::Machine &m)
{
    m.AddDrive('E', DRIVE_REMOVABLE);
    m.AddDrive('R', DRIVE_RAMDISK);
    m.RememberConnection('N', "\\\\srv\\share", true);
    m.RememberConnection('M', "\\\\old\\gone", false);
}

Case Predicate(const char *name, int (*predicate)(int), char letter)
{
    Case c;
    c.function = std::string("CDriveEx::") + name + " (" + letter + ":)";
    c.setup = Drives;
    c.call = [predicate, letter](sim::Machine &) {
        return Text("%d", predicate(letter - 'A'));
    };
    // A type that cannot be found out is no type at all.
    c.accept = CleanOr("0");
    return c;
}

// Result 1 and a mask: a failed query drops that drive's bit, and adds none.
Case List(const char *name, int (*list)(unsigned long *))
{
    Case c;
    c.function = std::string("CDriveEx::") + name;
    c.setup = Drives;
    c.call = [list](sim::Machine &) {
        unsigned long mask = 0xDEADBEEFUL;
        const int r = list(&mask);
        return Text("%d %lx", r, mask);
    };
    c.accept = [](const std::string &clean, const std::string &got, const FaultRun &) {
        int r1 = 0, r2 = 0;
        unsigned long m1 = 0, m2 = 0;
        if (std::sscanf(clean.c_str(), "%d %lx", &r1, &m1) != 2 ||
            std::sscanf(got.c_str(), "%d %lx", &r2, &m2) != 2)
            return false;
        return r2 == 1 && (m2 & ~m1) == 0;
    };
    // The lists answer 1 whatever the queries met.
    c.keepsLastError = false;
    return c;
}

Case DriveTypeEx(const char *root, std::vector<std::string> failures)
{
    Case c;
    c.function = std::string("CDriveEx::GetDriveType_Ex (") + root + ")";
    c.setup = Drives;
    c.call = [root](sim::Machine &) { return Text("%u", CDriveEx::GetDriveType_Ex(root)); };
    c.accept = CleanOrAny(std::move(failures));
    return c;
}

TEST(Sweep, DriveClassification)
{
    const std::vector<Case> cases = {
        Predicate("IsCdDrive", CDriveEx::IsCdDrive, 'D'),
        Predicate("IsRemovableDrive", CDriveEx::IsRemovableDrive, 'E'),
        Predicate("IsRamDrive", CDriveEx::IsRamDrive, 'R'),
        Predicate("IsNetworkDrive", CDriveEx::IsNetworkDrive, 'N'),
        Predicate("IsNetworkDrive", CDriveEx::IsNetworkDrive, 'M'),
        Predicate("IsLocalHDDrive", CDriveEx::IsLocalHDDrive, 'C'),
        List("GetCdDrvLst", CDriveEx::GetCdDrvLst),
        List("GetRemovableDrvLst", CDriveEx::GetRemovableDrvLst),
        List("GetRamDrvLst", CDriveEx::GetRamDrvLst),
        List("GetNetworkDrvLst", CDriveEx::GetNetworkDrvLst),
        List("GetLocalHDDrvLst", CDriveEx::GetLocalHDDrvLst),
        // The type query fails (unknown), or the connection query fails
        // (no root).
        DriveTypeEx("C:\\", {"0"}),
        DriveTypeEx("M:\\", {"0", "1"}),
    };
    RunTable("drive classification", cases);
}

}  // namespace
}  // namespace sweep
}  // namespace brenvik
