// Fault sweep of the capacity and volume queries, disc content detection,
// network path classification and the host ping.
#include <gtest/gtest.h>

#include <brenvik/brenvik.h>

#include "reliability/sweep.h"

namespace brenvik {
namespace sweep {
namespace {

// C: fixed and compressed, D: a CD labelled for the audio test holding a
// video and a photo directory, N: a network drive onto \\srv\share, whose
// server answers pings.
void Volumes(sim::Machine &m)
{
    m.Drive('C').Flags(0x8000);
    m.Drive('D').Label("emz3_dvd");
    m.MakeDir("D:\\MPEGAV");
    m.MakeDir("D:\\photo_cd");
    m.AddShare("srv", "share").Clusters(4, 512, 100, 1000);
    m.RememberConnection('N', "\\\\srv\\share", true);
    m.AddHost("srv", "10.1.2.3");
    m.AddReply(sim::Reply::Echo());
}

Case Make(std::string function, std::function<std::string()> call, std::string failure)
{
    Case c;
    c.function = std::move(function);
    c.setup = Volumes;
    c.call = [call](sim::Machine &) { return call(); };
    c.accept = CleanOr(std::move(failure));
    return c;
}

std::vector<Case> CapacityCases()
{
    auto large = [](int drive, const char *path) {
        unsigned long long total = 1, free = 2, avail = 3;
        const int r = CDriveEx::GetLargeDiskSize2GB_inByte(drive, path, &total, &free, &avail);
        return Text("%d %llu %llu %llu", r, total, free, avail);
    };
    return {
        Make("CDriveEx::My_GetDiskFreeSpace",
             [] {
                 unsigned long a = 9, b = 9, c = 9, d = 9;
                 const int r = CDriveEx::My_GetDiskFreeSpace(2, &a, &b, &c, &d);
                 return Text("%d %lu %lu %lu %lu", r, a, b, c, d);
             },
             "0 9 9 9 9"),
        Make("CDriveEx::GetCdSize",
             [] {
                 unsigned long size = 9;
                 const int r = CDriveEx::GetCdSize(3, &size);
                 return Text("%d %lu", r, size);
             },
             "0 9"),
        Make("CDriveEx::GetVolName",
             [] {
                 char label[BRENVIK_MAX_PATH] = "untouched";
                 const int r = CDriveEx::GetVolName(3, label);
                 return Text("%d %s", r, label);
             },
             "0 untouched"),
        Make("CDriveEx::IsDiskPresent",
             [] { return Text("%d", CDriveEx::IsDiskPresent(3, 0)); }, "0"),
        Make("CDriveEx::IsCompressed", [] { return Text("%d", CDriveEx::IsCompressed(2)); },
             "0"),
        // Without the extended query the classic one gives the same figures
        // on this machine, so any failure is a refusal.
        Make("CDriveEx::GetLargeDiskSize2GB_inByte (drive)", [large] { return large(2, nullptr); },
             "0 0 0 0"),
        Make("CDriveEx::GetLargeDiskSize2GB_inByte (share)",
             [large] { return large(-1, "\\\\srv\\share"); }, "0 0 0 0"),
        Make("CDriveEx::GetLargeDiskSize2GB_inKB",
             [] {
                 unsigned long total = 1, free = 2, avail = 3;
                 const int r =
                     CDriveEx::GetLargeDiskSize2GB_inKB(2, nullptr, &total, &free, &avail);
                 return Text("%d %lu %lu %lu", r, total, free, avail);
             },
             "0 1 2 3"),
    };
}

std::vector<Case> ContentCases()
{
    // A message box, and 0 whatever it answers.
    Case dvd = Make("CDriveEx::IsDVD", [] { return Text("%d", CDriveEx::IsDVD(3)); }, "0");
    dvd.keepsLastError = false;
    return {
        Make("CDriveEx::IsVideoCD", [] { return Text("%d", CDriveEx::IsVideoCD(3)); }, "0"),
        Make("CDriveEx::IsPhotoCD", [] { return Text("%d", CDriveEx::IsPhotoCD(3)); }, "0"),
        Make("CDriveEx::IsAudioCD", [] { return Text("%d", CDriveEx::IsAudioCD(3)); }, "0"),
        dvd,
    };
}

std::vector<Case> NetworkCases()
{
    Case unc = Make("CDriveEx::PingHost (UNC)",
                    [] { return Text("%d", CDriveEx::PingHost("\\\\srv\\share\\x", 0, 3, 500)); },
                    "0");
    Case drive = Make("CDriveEx::PingHost (network drive)",
                      [] { return Text("%d", CDriveEx::PingHost("N:\\dir\\x", 1, 3, 500)); },
                      "0");
    for (Case *c : {&unc, &drive}) {
        // A time-out moves on to the next attempt; other errors end the
        // ping. The socket layer is closed after a failure, which may
        // leave its own code.
        c->errors = {WSAEACCES, WSAETIMEDOUT};
        c->keepsLastError = false;
    }
    return {
        Make("CDriveEx::MaybeNetworkPath",
             [] { return Text("%lu", CDriveEx::MaybeNetworkPath("n:\\dir\\file")); }, "0"),
        unc,
        drive,
    };
}

TEST(Sweep, CapacityAndVolumes)
{
    RunTable("capacity and volume queries", CapacityCases());
}

TEST(Sweep, DiscContent)
{
    RunTable("disc content detection", ContentCases());
}

TEST(Sweep, NetworkPathsAndPing)
{
    RunTable("network paths and ping", NetworkCases());
}

}  // namespace
}  // namespace sweep
}  // namespace brenvik
