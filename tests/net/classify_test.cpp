// Network path classification on the simulated machine: the form of the
// path decides, and for a drive letter the type of the drive.
#include <gtest/gtest.h>

#include <string>

#include "support/scoped_machine.h"

namespace {

using brenvik::sim::Machine;
using brenvik::test::ScopedMachine;

// C: fixed, D: CD, G: a network drive, M: a connected remembered connection,
// N: one whose share is unavailable now.
Machine Prepared()
{
    Machine m = Machine::Typical();
    m.AddDrive('G', DRIVE_REMOTE);
    m.AddShare("srv", "share");
    m.RememberConnection('M', "\\\\srv\\share", true);
    m.RememberConnection('N', "\\\\gone\\share", false);
    m.ResetCalls();
    return m;
}

TEST(MaybeNetworkPath, FormAndDriveTypeGiveTheCode)
{
    Machine machine = Prepared();
    ScopedMachine scope(machine);
    struct Row {
        const char *path;
        unsigned long code;
    } rows[] = {
        {"", 0},
        {"\\", 0},
        {"x", 0},
        {"\\\\", 1},
        {"\\\\srv\\share\\dir", 1},
        {"\\\\???:*", 1},  // nothing after the two backslashes is looked at
        {"//srv/share", 0},
        {"\\/srv", 0},
        {"C:\\dir\\f.txt", 0},
        {"D:\\", 0},
        {"G:\\dir", 2},
        {"g:", 2},
        {"M:\\x", 2},
        {"m:x", 2},
        {"N:\\x", 2},  // unavailable now, still a network drive
        {"Q:\\x", 0},  // no such drive
        {"M\\x", 0},
        {"1:\\", 0},
        {"[:\\", 0},
        {"\xC7:\\", 0},
        {"dir\\file", 0},
        {".\\M:", 0},
    };
    for (const Row &r : rows)
        EXPECT_EQ(CDriveEx::MaybeNetworkPath(r.path), r.code) << '"' << r.path << '"';
    EXPECT_EQ(CDriveEx::MaybeNetworkPath(nullptr), 0u);
}

TEST(MaybeNetworkPath, OnlyDriveLettersReachThePlatform)
{
    Machine machine = Prepared();
    ScopedMachine scope(machine);
    for (const char *path : {"\\\\srv\\share", "\\\\", "//x", "x", "", "1:", "Mx"})
        EXPECT_LE(CDriveEx::MaybeNetworkPath(path), 1u) << path;
    EXPECT_EQ(machine.CallCount(), 0u);
    EXPECT_EQ(CDriveEx::MaybeNetworkPath("m:"), 2u);
    EXPECT_GE(machine.CallCount("GetDriveTypeA"), 1u);
}

}  // namespace
