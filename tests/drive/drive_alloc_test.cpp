// Drive classification allocates nothing: the root path is formed on the
// stack.
#include <gtest/gtest.h>

#include <cstring>

#include "support/alloc_counter.h"
#include "support/scoped_machine.h"

namespace {

using brenvik::test::CountAllocations;

// Answers the two drive services without the machine's call log, which
// allocates; every other service is the simulated machine's.
class QuietDrives : public brenvik::sim::Machine {
public:
    UINT GetDriveTypeA(LPCSTR root) override
    {
        switch (root[0]) {
        case 'C':
            return DRIVE_FIXED;
        case 'D':
            return DRIVE_CDROM;
        default:
            return DRIVE_NO_ROOT_DIR;
        }
    }
    DWORD WNetGetConnectionA(LPCSTR local, LPSTR remote, LPDWORD length) override
    {
        if (local[0] != 'N')
            return ERROR_NOT_CONNECTED;
        const char name[] = "\\\\gone\\share";
        if (*length < sizeof name)
            return ERROR_MORE_DATA;
        std::memcpy(remote, name, sizeof name);
        return ERROR_CONNECTION_UNAVAIL;
    }
};

TEST(DriveAlloc, ClassificationDoesNotAllocate)
{
    QuietDrives machine;
    brenvik::test::ScopedMachine scope(machine);
    unsigned long masks[5] = {};
    int answers = 0;
    {
        CountAllocations count;
        CDriveEx::GetCdDrvLst(&masks[0]);
        CDriveEx::GetRemovableDrvLst(&masks[1]);
        CDriveEx::GetRamDrvLst(&masks[2]);
        CDriveEx::GetNetworkDrvLst(&masks[3]);
        CDriveEx::GetLocalHDDrvLst(&masks[4]);
        for (int drive = -1; drive <= 26; ++drive)
            answers += CDriveEx::IsCdDrive(drive) + CDriveEx::IsNetworkDrive(drive) +
                       CDriveEx::IsLocalHDDrive(drive) + CDriveEx::IsRamDrive(drive) +
                       CDriveEx::IsRemovableDrive(drive);
        EXPECT_EQ(count.counts().total(), 0);
    }
    // The answers are the real ones, so the counted work was done.
    EXPECT_EQ(masks[0], 1UL << 3);
    EXPECT_EQ(masks[3], 1UL << 13);
    EXPECT_EQ(masks[4], 1UL << 2);
    EXPECT_EQ(answers, 3);

    CountAllocations control;
    static int *volatile sink;
    sink = new int(1);
    delete sink;
    EXPECT_GE(control.counts().news, 1) << "the counter is not active";
}

}  // namespace
