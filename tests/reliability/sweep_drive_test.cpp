// Fault sweep of drive classification and enumeration, the capacity and
// volume queries, disc content detection, network paths and the ping.
#include <gtest/gtest.h>

#include <brenvik/brenvik.h>

#include <cstdio>

#include "reliability/sweep.h"

namespace brenvik::sweep {
namespace {

// C: fixed and compressed, D: a CD labelled for the audio test holding a
// video and a photo directory, E: removable, R: RAM disk, N: connected onto
// \\srv\share (whose server answers pings), M: remembered but not connected.
void Drives(sim::Machine &m)
{
    m.Drive('C').Flags(0x8000);
    m.Drive('D').Label("emz3_dvd");
    m.MakeDir("D:\\MPEGAV");
    m.MakeDir("D:\\photo_cd");
    m.AddDrive('E', DRIVE_REMOVABLE);
    m.AddDrive('R', DRIVE_RAMDISK);
    m.AddShare("srv", "share").Clusters(4, 512, 100, 1000);
    m.RememberConnection('N', "\\\\srv\\share", true);
    m.RememberConnection('M', "\\\\old\\gone", false);
    m.AddHost("srv", "10.1.2.3");
    m.AddReply(sim::Reply::Echo());
}

// Result 1 and a mask: a failed query drops that drive's bit, and adds none.
Case List(const char *name, int (*list)(unsigned long *))
{
    Case c = Make(name, [list] {
        unsigned long mask = 0xDEADBEEFUL;
        const int r = list(&mask);
        return Text("%d %lx", r, mask);
    }, {}, Drives);
    c.accept = [](const std::string &clean, const std::string &got, const FaultRun &) {
        unsigned long m1 = 0, m2 = 0;
        return std::sscanf(clean.c_str(), "1 %lx", &m1) == 1 &&
               std::sscanf(got.c_str(), "1 %lx", &m2) == 1 && (m2 & ~m1) == 0;
    };
    c.keepsLastError = false;
    return c;
}

TEST(Sweep, Drives)
{
    // Only a message box, and 0 whatever it answers.
    Case dvd = Make(SWEEP_INT(CDriveEx::IsDVD(3)), {"0"}, Drives);
    Case ping = Make(SWEEP_INT(CDriveEx::PingHost("N:\\dir\\x", 1, 3, 500)), {"0"}, Drives);
    // A time-out moves on to the next attempt; other errors end the ping.
    ping.errors = {WSAEACCES, WSAETIMEDOUT};
    // Closing the socket layer after a failure may leave its own code.
    dvd.keepsLastError = ping.keepsLastError = false;
    RunTable("drives, volumes, discs and network", {
        // A type that cannot be found out is no type at all.
        Make(SWEEP_INT(CDriveEx::IsCdDrive(3)), {"0"}, Drives),
        Make(SWEEP_INT(CDriveEx::IsRemovableDrive(4)), {"0"}, Drives),
        Make(SWEEP_INT(CDriveEx::IsRamDrive('R' - 'A')), {"0"}, Drives),
        Make(SWEEP_INT(CDriveEx::IsNetworkDrive('N' - 'A')), {"0"}, Drives),
        Make(SWEEP_INT(CDriveEx::IsLocalHDDrive(2)), {"0"}, Drives),
        List("GetCdDrvLst", CDriveEx::GetCdDrvLst),
        List("GetRemovableDrvLst", CDriveEx::GetRemovableDrvLst),
        List("GetRamDrvLst", CDriveEx::GetRamDrvLst),
        List("GetNetworkDrvLst", CDriveEx::GetNetworkDrvLst),
        List("GetLocalHDDrvLst", CDriveEx::GetLocalHDDrvLst),
        // The type query fails (unknown), or the connection query (no root).
        Make(SWEEP_INT(CDriveEx::GetDriveType_Ex("M:\\")), {"0", "1"}, Drives),
        Make("My_GetDiskFreeSpace", [] {
            unsigned long a = 9, b = 9, c = 9, d = 9;
            const int r = CDriveEx::My_GetDiskFreeSpace(2, &a, &b, &c, &d);
            return Text("%d %lu %lu %lu %lu", r, a, b, c, d);
        }, {"0 9 9 9 9"}, Drives),
        Make("GetCdSize", [] {
            unsigned long size = 9;
            const int r = CDriveEx::GetCdSize(3, &size);
            return Text("%d %lu", r, size);
        }, {"0 9"}, Drives),
        Make("GetVolName", [] {
            char label[BRENVIK_MAX_PATH] = "untouched";
            const int r = CDriveEx::GetVolName(3, label);
            return Text("%d %s", r, label);
        }, {"0 untouched"}, Drives),
        Make(SWEEP_INT(CDriveEx::IsDiskPresent(3, 0)), {"0"}, Drives),
        Make(SWEEP_INT(CDriveEx::IsCompressed(2)), {"0"}, Drives),
        // Without the extended query the classic one gives the same figures
        // here, so any failure is a refusal.
        Make("GetLargeDiskSize2GB_inByte (share)", [] {
            unsigned long long total = 1, free = 2, avail = 3;
            const int r = CDriveEx::GetLargeDiskSize2GB_inByte(-1, "\\\\srv\\share", &total,
                                                                &free, &avail);
            return Text("%d %llu %llu %llu", r, total, free, avail);
        }, {"0 0 0 0"}, Drives),
        Make("GetLargeDiskSize2GB_inKB", [] {
            unsigned long total = 1, free = 2, avail = 3;
            const int r = CDriveEx::GetLargeDiskSize2GB_inKB(2, nullptr, &total, &free, &avail);
            return Text("%d %lu %lu %lu", r, total, free, avail);
        }, {"0 1 2 3"}, Drives),
        Make(SWEEP_INT(CDriveEx::IsVideoCD(3)), {"0"}, Drives),
        Make(SWEEP_INT(CDriveEx::IsPhotoCD(3)), {"0"}, Drives),
        Make(SWEEP_INT(CDriveEx::IsAudioCD(3)), {"0"}, Drives),
        dvd,
        Make(SWEEP_INT(CDriveEx::MaybeNetworkPath("n:\\dir\\file")), {"0"}, Drives),
        ping,
    });
}

}  // namespace
}  // namespace brenvik::sweep
