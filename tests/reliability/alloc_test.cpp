// The hot paths allocate nothing: the path model and the naming functions with
// the trace off, the drive and volume queries, a trace site that does not send,
// and the POSIX backend's drive and attribute queries once its registry is read.
#include <sys/time.h>

#include <gtest/gtest.h>

#include <brenvik/brenvik.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "frame/trace.h"
#include "platform/backends.h"
#include "support/alloc_counter.h"
#include "support/code_page.h"
#include "support/test_support.h"

namespace brenvik {
namespace {

// Allocations of `f`'s second run: the first sets up what a process or thread
// makes once (the backend, the code page, the trace buffers).
long Allocations(const std::function<void()> &f)
{
    f();
    const test::CountAllocations count;
    f();
    return count.count();
}

// The path model and the naming functions; returns the successes of some,
// so that a test sees the success paths were reached.
int PathCalls(const char *p)
{
    char a[BRENVIK_MAX_PATH], b[BRENVIK_MAX_PATH], c[BRENVIK_MAX_PATH];
    int flag = 0;
    SPLITFPATH_tag rec;
    std::memset(&rec, 'x', sizeof rec);
    for (const auto split : {&CDriveEx::SplitUNC_p, &CDriveEx::SplitDrvpath_p})
        split(p, &rec);
    CDriveEx::MySplitPath(p, &rec, &flag);
    CDriveEx::ComposeUNC(a, &rec);
    CDriveEx::ComposeDrvPath(a, &rec);
    CDriveEx::GetTitleExt(p, a, b, c);
    CDriveEx::Get_RootDirOfFilePath(p, a, &flag);
    for (const auto query :
         {&CDriveEx::IsFilenameValid, &CDriveEx::IsFilenameValid_ignore_bs_colon,
          &CDriveEx::Is_FilePath_DirPath_Valid, &CVcdImageEx::IsVCDext, &CVcdImageEx::IsDVDext,
          &CVcdImageEx::Is_MixedModeCD_ext, &CVcdImageEx::Is_Cluster_ext,
          &CVcdImageEx::IsExt_dot_D_09_09, &CVcdImageEx::IsMyExt_VCD_dot_D_09_09})
        query(p);
    CDriveEx::ChkFullPath_s(p, 1, 1, 1, a, b, c, &flag);
    CDriveEx::MkFullPath_s(p, "x.vcd", a, 1, 1, 1);
    for (const auto part : {&CDriveEx::GetFileExt, &CDriveEx::GetDirOf})
        part(p, a);
    CDriveEx::ComposeUNC(a, "c", "s", p, "t", "e");
    CDriveEx::ComposeDrvPath(a, "C:", "d", p, "e");
    // Each argument in turn valid, empty or null, so the traced refusals run too.
    for (const char *arg : {"bak", "", static_cast<const char *>(nullptr)}) {
        char *out = arg ? a : nullptr;
        CDriveEx::ChgPathExt(p, "b", out);
        CDriveEx::AddPrefix2FileTitle(p, "p ", arg, out);
        CDriveEx::ChgExtname(p, arg, a, b);
        CDriveEx::ChgExtname(p, "b", out, arg ? nullptr : b);
    }
    return (CVcdImageEx::GetPathExtType(p) != 0) + CVcdImageEx::ParseMaster(p, a, b) +
           CVcdImageEx::Vcd2Dvd_ext(p, a, b, c);
}

TEST(Allocation, PathModelAndNamingWithTheTraceOff)
{
    g_bDbgEnabled = 0;
    const std::vector<std::string> paths = {
        R"(\\computer\share\dir\file.ext)", R"(C:\dir\)", R"(\\c)", std::string(5000, 'x'),
        "C:\\d\xe9\\f\x81\\g.e",  // bytes that ask for the code page
        "C:\\img\\Movie.DVD\\Movie.DVD.D00", "C:\\img\\.vcd",
        "C:\\" + std::string(200, 'd') + "\\" + std::string(60, 't') + ".DVD.D00",
    };
    int successes = 0;
    for (const unsigned codePage : {1252u, 932u}) {
        const test::ScopedCodePage scoped(codePage);
        EXPECT_EQ(Allocations([&] {
                      successes = PathCalls(nullptr);
                      for (const std::string &p : paths)
                          successes += PathCalls(p.c_str());
                  }),
                  0)
            << "code page " << codePage;
    }
    EXPECT_EQ(successes, 7);
}

// With the trace off, a trace site costs the formatting and two comparisons.
TEST(Allocation, TraceSitesThatDoNotSend)
{
    const std::string path(200, 'p');
    const auto sites = [&] {
        for (int i = 0; i < 50; ++i)
            DbgMessage("brenvik\\drive.cpp", i,
                       DbgFormat("CDriveEx::ComposeUNC BAD ...%s <%s> %d \n", "d", path.c_str(), i),
                       1);
    };
    brenvik_set_debug_output([](const char *, void *) {}, nullptr);
    // Enabled and level: only both on send; the last row shows the counter counts.
    for (const auto &row : {std::array<long, 3>{0, 1, 0}, {1, 0, 0}, {1, 1, 50}}) {
        g_bDbgEnabled = static_cast<int>(row[0]);
        g_dwDbgLevel = static_cast<unsigned long>(row[1]);
        const long got = Allocations(sites);
        EXPECT_TRUE(row[2] ? got >= row[2] : got == 0) << row[0] << row[1] << ": " << got;
    }
    g_bDbgEnabled = 0;
    g_dwDbgLevel = 0;
    brenvik_set_debug_output(nullptr, nullptr);
}

// The POSIX backend answers from its registry: C: fixed, labelled for the
// audio test and compressed, D: a CD, N: connected onto a share. A registry
// file written moments ago is read again on every call until its time stamps
// can be trusted; while its text stays the same, that allocates nothing either.
TEST(Allocation, DriveAndVolumeQueriesFreshOrSettled)
{
    const test::TempDir dir;
    test::MakeHostDirs(dir / "d");
    test::WriteHostFile(dir / "c.txt", "x");
    const std::string key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\";
    const test::ScopedRegistryFile reg(test::RegText(
        {key + "Drives\\C]", "\"Path\"=\"" + dir.path() + "\"", "\"Label\"=\"EMZ3_DVD\"",
         "\"Compressed\"=dword:00000001", key + "Drives\\D]", "\"Path\"=\"" + dir / "d\"",
         "\"Type\"=\"cdrom\"", key + "Shares\\srv\\share]", "\"Path\"=\"" + dir.path() + "\"",
         "[HKEY_CURRENT_USER\\Network\\N]", "\"RemotePath\"=\"\\\\\\\\srv\\\\share\""}));
    g_bDbgEnabled = 0;
    unsigned long m[2] = {}, size = 0, kb[3] = {};
    unsigned long long bytes[3] = {};
    char label[BRENVIK_MAX_PATH] = "";
    std::array<long, 12> got{};
    platform::Services &s = platform::PosixServices();
    const auto round = [&] {
        // Each answer, so that the counted work is seen to be done.
        got = {{CDriveEx::GetCdDrvLst(&m[0]), CDriveEx::GetNetworkDrvLst(&m[1]),
                CDriveEx::IsNetworkDrive(13), CDriveEx::GetCdSize(3, &size),
                CDriveEx::My_GetDiskFreeSpace(3, nullptr, nullptr, nullptr, nullptr),
                CDriveEx::GetVolName(2, label), CDriveEx::IsDiskPresent(34, 0),
                CDriveEx::IsCompressed(2), CDriveEx::IsAudioCD(2),
                CDriveEx::GetLargeDiskSize2GB_inByte(-1, "\\\\srv\\share", &bytes[0], &bytes[1],
                                                     &bytes[2]),
                CDriveEx::GetLargeDiskSize2GB_inKB(3, nullptr, &kb[0], &kb[1], &kb[2]),
                static_cast<long>(CDriveEx::MaybeNetworkPath("\\\\srv\\share"))}};
        for (int i = 0; i < 100; ++i) {
            for (const char *root : {"A:\\", "C:\\", "D:\\", "Z:\\"})
                s.GetDriveTypeA(root);
            for (const char *path : {"C:\\c.txt", "C:\\missing.txt"})
                s.GetFileAttributesA(path);
        }
    };
    EXPECT_EQ(Allocations(round), 0) << "fresh";
    struct timeval past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimes(reg.path().c_str(), past), 0);
    EXPECT_EQ(Allocations(round), 0) << "settled";
    EXPECT_EQ(got, (std::array<long, 12>{1, 1, 1, 1, 1, 1, 1, 0x8000, 1, 1, 1, 1}));
    EXPECT_EQ(m[0], 1UL << 3);
    EXPECT_EQ(m[1], 1UL << 13);
    EXPECT_STREQ(label, "EMZ3_DVD");
    EXPECT_EQ(s.GetDriveTypeA("D:\\"), static_cast<UINT>(DRIVE_CDROM));
    EXPECT_EQ(s.GetFileAttributesA("C:\\c.txt"), DWORD{FILE_ATTRIBUTE_ARCHIVE});
}

}  // namespace
}  // namespace brenvik
