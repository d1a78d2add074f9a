// The fault sweep: an exported function runs on a fresh tree once clean, then
// with its k-th counted platform call failing, k = 1, 2, ... until a run makes
// fewer than k calls; each error once and from call k on. Every run: a result
// the case accepts, files as before or as the clean run left them, nothing left
// open, the error mode restored, and the injected error last where promised.
#include <gtest/gtest.h>

#include <brenvik/brenvik.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "frame/trace.h"
#include "support/fault_services.h"
#include "support/test_support.h"

namespace brenvik {
namespace {

namespace fs = std::filesystem;
using test::FaultServices;

std::string Text(const char *format, ...)
{
    char buffer[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

// The tree every run starts from: C: is a temporary directory (on Windows its
// own path stands for "C:"), D: a CD holding a video and a photo directory.
struct Machine {
    test::TempDir dir;
#if defined(_WIN32)
    const std::string c = test::Backslashed(dir / "c"), d = test::Backslashed(dir / "d");
#else
    const std::string c = "C:", d = "D:";
    test::ScopedRegistryFile reg{test::RegText(
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C]", "\"Path\"=\"" + dir / "c" + "\"",
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\D]", "\"Path\"=\"" + dir / "d" + "\"",
         "\"Type\"=\"cdrom\""})};
#endif
    void Reset()
    {
        fs::remove_all(dir / "c");
        fs::remove_all(dir / "d");
        for (const char *name : {"movie.txt", "old.txt", "target.txt", "a.tmp", "b.tmp"})
            Put("data/" + std::string(name), name);
        Put("data/sys.tmp", "s", FILE_ATTRIBUTE_SYSTEM);
        Put("data/hidden.txt", "h", FILE_ATTRIBUTE_HIDDEN);
        Put("data/tree/one.txt", "1");
        Put("data/tree/sub/deeper/three.txt", "3");
        Put("data/tree/system.dat", "s", FILE_ATTRIBUTE_SYSTEM);
        Put("data/empty/", "");
        Put("data/secret/", "", FILE_ATTRIBUTE_HIDDEN);
        Put("../d/MPEGAV/", "");
        Put("../d/photo_cd/", "");
        std::string image(10522, '\0');  // a DVD image split in four, a mixed-mode pair
        std::memcpy(&image[16], "\x34\x12", 2);
        std::memcpy(&image[44], "\x00\x10", 2);
        image[368] = 3;
        Put("img/Movie.DVD/Movie.DVD.D00", image);
        for (const char *slave : {"D01", "D02", "D03"})
            Put("img/Movie.DVD/Movie.DVD." + std::string(slave), "slave");
        image.replace(44, 2, "\0\0", 2);
        image[368] = 0, image[376] = 1;
        Put("img/Song.VCD.D00", image);
        Put("img/Song.VCD.D01", "slave");
        image[368] = 0, image[376] = 4;
        std::memcpy(&image[48], "Holiday 2003", 12);
        Put("img/Holiday.VCD", image);
    }
    // A file, or with a trailing '/' a directory, under C:.
    void Put(const std::string &relative, const std::string &bytes, DWORD attributes = 0)
    {
        const std::string host =
            dir / (relative.compare(0, 3, "../") == 0 ? relative.substr(3) : "c/" + relative);
        if (host.back() == '/') {
            test::MakeHostDirs(host);
        } else {
            test::MakeHostDirs(fs::path(host).parent_path().string());
            test::WriteHostFile(host, bytes);
        }
        if (attributes != 0)
            platform::sys().SetFileAttributesA(Win(host).c_str(), attributes);
    }
    std::string Win(const std::string &host) const
    {
        const std::string rel = test::Backslashed(host.substr(dir.path().size() + 3));
        return (host[dir.path().size() + 1] == 'c' ? c : d) + "\\" + rel;
    }
    // Every entry: "<path> <attributes> <bytes>", directories with a '\'.
    std::map<std::string, std::string> Snapshot() const
    {
        std::map<std::string, std::string> tree;
        for (const char *root : {"c", "d"})
            for (const auto &e : fs::recursive_directory_iterator(dir / root)) {
                const std::string path = Win(e.path().generic_string());
                const DWORD attributes = platform::sys().GetFileAttributesA(path.c_str());
                tree[path] = Text("0x%lx ", static_cast<unsigned long>(attributes)) +
                             (e.is_directory() ? "dir" : test::ReadHostFile(e.path().string()));
            }
        return tree;
    }
};

Machine *g_machine;

std::string C(const std::string &rest) { return g_machine->c + "\\" + rest; }

struct Case {
    Case(std::string n, std::function<std::string()> c, std::vector<std::string> f = {})
        : name(std::move(n)), call(std::move(c)), failures(std::move(f))
    {
    }
    std::string name;
    std::function<std::string()> call;
    std::vector<std::string> failures;  // results accepted after a fault
    std::vector<DWORD> errors{ERROR_ACCESS_DENIED};
    bool keepsLastError = true;
    // Entries whose path holds this may end as they please (probes, a target
    // deleted first, a file written in part).
    std::string loose = "\x01";
    // The result is "1" exactly when this path exists ("+...") or is gone ("-...").
    std::string oneWhen;
    bool maskSubset = false;  // or "1 <mask>" with no drive the clean run did not list
    std::function<void(FaultServices &)> faults;
};

struct Run {
    std::string result;
    std::map<std::string, std::string> tree;
    std::size_t calls = 0;
    DWORD lastError = 0;
};

// One call on a fresh tree with the trace on, so that the trace's own paths
// meet every fault too; k 0 injects nothing.
Run RunOnce(const Case &c, int k, bool lasting, DWORD error,
            std::map<std::string, std::string> *before = nullptr)
{
    g_machine->Reset();
    if (before != nullptr)
        *before = g_machine->Snapshot();
    Run r;
    {
        test::ScopedFaults f;
        if (c.faults)
            c.faults(f);
        if (k != 0 && lasting)
            f.Fail("", "", error, test::Times::Always, k);
        else
            f.FailCall(k, error);
        g_bDbgEnabled = 1, g_dwDbgLevel = 1;
        r.result = c.call();
        g_bDbgEnabled = 0, g_dwDbgLevel = 0;
        r.lastError = f.GetLastError();
        r.calls = f.Calls().size();
        std::vector<std::string> leaks = f.Leaks();
        // A failed WSACleanup was still called: the decorator counts it as not.
        if (f.Injected() != nullptr && f.Injected()->name == "WSACleanup")
            leaks.erase(std::remove(leaks.begin(), leaks.end(), "WSAStartup unbalanced by 1"),
                        leaks.end());
        EXPECT_EQ(leaks, std::vector<std::string>{});
    }
    r.tree = g_machine->Snapshot();
    if (!c.oneWhen.empty()) {
        EXPECT_EQ(r.result == "1", (r.tree.count(C(c.oneWhen.substr(1))) != 0) == (c.oneWhen[0] == '+'))
            << "the result " << r.result << " does not agree with the files left";
    }
    return r;
}

void Sweep(const std::vector<Case> &cases)
{
    Machine machine;
    g_machine = &machine;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::map<std::string, std::string> before;
        const Run clean = RunOnce(c, 0, false, 0, &before);
        EXPECT_GT(clean.calls, 0u) << "the call reaches no counted platform service";
        int runs = 1;
        for (const bool lasting : {false, true})
            for (const DWORD error : c.errors)
                for (int k = 1; !::testing::Test::HasFailure(); ++k, ++runs) {
                    SCOPED_TRACE(Text("call %d failing %s with %lu", k, lasting ? "for good" : "once",
                                      static_cast<unsigned long>(error)));
                    const Run got = RunOnce(c, k, lasting, error);
                    if (got.calls < static_cast<std::size_t>(k)) {
                        EXPECT_EQ(got.result, clean.result) << "a run without a fault differs";
                        break;
                    }
                    if (got.result != clean.result) {
                        unsigned long m1 = 0, m2 = 0;
                        EXPECT_TRUE(std::find(c.failures.begin(), c.failures.end(), got.result) !=
                                        c.failures.end() ||
                                    (c.maskSubset && std::sscanf(clean.result.c_str(), "1 %lx", &m1) == 1 &&
                                     std::sscanf(got.result.c_str(), "1 %lx", &m2) == 1 && (m2 & ~m1) == 0))
                            << "result after the failure: " << got.result << ", clean: " << clean.result;
                        // Under a lasting fault whichever call the function gave up
                        // on set the error; a transient one only when last.
                        if (c.keepsLastError && (lasting || got.calls == static_cast<std::size_t>(k))) {
                            EXPECT_EQ(got.lastError, error) << "the last error is not the failing call's";
                        }
                    }
                    std::map<std::string, std::string> all = before;
                    all.insert(clean.tree.begin(), clean.tree.end());
                    all.insert(got.tree.begin(), got.tree.end());
                    for (const auto &e : all) {
                        const auto at = [&e](const std::map<std::string, std::string> &t) {
                            const auto it = t.find(e.first);
                            return it == t.end() ? std::string("(absent)") : it->second;
                        };
                        const std::string g = at(got.tree), b = at(before), cl = at(clean.tree);
                        EXPECT_TRUE(g == b || g == cl || e.first.find(c.loose) != std::string::npos ||
                                    (g == "(absent)" && (b == "(absent)" || cl == "(absent)")))
                            << e.first << " ends as " << g << "; before: " << b << ", clean: " << cl;
                    }
                }
        std::printf("[ sweep    ] %-56s %6d runs\n", c.name.c_str(), runs);
    }
    g_machine = nullptr;
}

#define INT(expr) #expr, [] { return Text("%lld", static_cast<long long>(expr)); }

// A status test with an `exist` output: a failure reads as absence.
template <typename F>
Case Status(const char *name, F test)
{
    return {name, [test] {
                int exist = -1;
                const int r = test(&exist);
                return Text("%d exist %d", r, exist);
            }, {"0 exist 0"}};
}

TEST(Sweep, StatusQueriesProbesAndChanges)
{
    Case dir{INT(CDriveEx::CanWeWriteDir(C("data").c_str())), {"0"}};
    dir.loose = "tmp$d123.tmp";
    Case writeable{INT(CDriveEx::IsDirWriteable(C("data\\new\\deeper").c_str())), {"0"}};
    writeable.loose = "\\temp";
    Case rename{INT(CDriveEx::MyRename(C("data\\old.txt").c_str(), C("data\\target.txt").c_str())),
                {"0"}};
    rename.keepsLastError = false;  // the class library's exception is what is left
    rename.loose = "target.txt";    // deleted before the rename is tried
    Case del{INT(CDriveEx::MyDelFile(C("data\\movie.txt").c_str())), {"0"}};
    del.errors = {ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND, ERROR_SHARING_VIOLATION};
    del.oneWhen = "-data\\movie.txt";
    Case rmdir{INT(CDriveEx::MyRemoveDirectory(C("data\\empty").c_str())), {"0"}};
    rmdir.errors = {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_DIR_NOT_EMPTY};
    rmdir.oneWhen = "-data\\empty";
    Case create{INT(CDriveEx::MyCreateDirectory(C("data\\newdir").c_str(), 0)), {"0"}};
    create.oneWhen = "+data\\newdir";
    Case recursive{INT(CDriveEx::CreateDir_Recursively(C("data\\x\\y\\z").c_str())), {"0"}};
    recursive.oneWhen = "+data\\x\\y\\z";
    // DelSubFile goes on after a failed file: what it missed shows in the files.
    Case sub{INT(CDriveEx::DelSubFile(C("data").c_str(), "*.*", 1)), {"0"}};
    // A failed status query of the top reads as no directory: 1, the tree left.
    Case tree{INT(CDriveEx::DelTree(C("data\\tree").c_str(), 1)), {"0", "1"}};
    sub.keepsLastError = false;
    Sweep({
        Status("IsDir", [](int *e) { return CDriveEx::IsDir(C("data\\empty\\").c_str(), e); }),
        Status("IsDirHidden", [](int *e) { return CDriveEx::IsDirHidden(C("data\\secret").c_str(), e); }),
        Status("IsFile", [](int *e) { return CDriveEx::IsFile(C("data\\movie.txt").c_str(), e); }),
        Status("IsFileWritable",
               [](int *e) { return CDriveEx::IsFileWritable(C("data\\movie.txt").c_str(), e); }),
        Status("IsFileHidden",
               [](int *e) { return CDriveEx::IsFileHidden(C("data\\hidden.txt").c_str(), e); }),
        Status("ChkFileAttrEx",
               [](int *e) { return CDriveEx::ChkFileAttrEx(C("data\\sys.tmp").c_str(), 0x10, 4, e); }),
        {"CFileStatus_s (flags)", [] {
             int f[9];
             std::memset(f, 0x7F, sizeof f);
             const int r = CDriveEx::CFileStatus_s(C("data\\secret").c_str(), &f[0], &f[1], &f[2],
                                                   &f[3], &f[4], &f[5], &f[6], &f[7], &f[8]);
             return Text("%d flags %d%d%d%d%d%d%d%d exist %d", r, f[0], f[1], f[2], f[3], f[4],
                         f[5], f[6], f[7], f[8]);
         }, {"0 flags 00000000 exist 0"}},
        {INT(CDriveEx::IsExist(C("data\\old.txt").c_str())), {"0"}},
        {"GetFileAttrEx (record)", [] {
             WIN32_FILE_ATTRIBUTE_DATA d;
             std::memset(&d, 0xEE, sizeof d);
             const int r = CDriveEx::GetFileAttrEx(C("data\\movie.txt").c_str(), &d);
             return Text("%d attr 0x%lx size %lu", r, static_cast<unsigned long>(d.dwFileAttributes),
                         static_cast<unsigned long>(d.nFileSizeLow));
         }, {"0 attr 0xeeeeeeee size 4008636142"}},
        {"GetFileSizeInByte (path)", [] {
             unsigned long size = 77;
             const int r = CDriveEx::GetFileSizeInByte(C("data\\movie.txt").c_str(), &size);
             return Text("%d size %lu", r, size);
         }, {"0 size 77"}},
        dir, writeable, create, recursive, rename, del, rmdir, sub, tree,
    });
}

// A failure of the file class: Open answers FALSE, or the operation throws.
template <typename F>
Case Throwing(const char *name, F body)
{
    return {name, [body] {
                try {
                    return body();
                } catch (const CFileException &e) {
                    return Text("threw %d os %ld", e.m_cause, static_cast<long>(e.m_lOsError));
                }
            }, {}};
}

TEST(Sweep, FileClassAndTraceLevel)
{
    std::vector<Case> cases = {
        Throwing("CFile::Open, GetLength, Seek, Read, Close", [] {
            CFile f;  // its destructor closes the file after a throw
            CFileException e;
            if (!f.Open(C("data\\movie.txt").c_str(), CFile::modeRead | CFile::shareDenyWrite, &e))
                return Text("open failed %d os %ld", e.m_cause, static_cast<long>(e.m_lOsError));
            const DWORD length = f.GetLength();
            f.Seek(7, CFile::begin);
            char buffer[32] = {};
            const UINT n = f.Read(buffer, sizeof buffer - 1);
            f.Close();
            return Text("length %lu read %u '%s'", static_cast<unsigned long>(length), n, buffer);
        }),
        Throwing("CFile::CFile (create), Write, Close", [] {
            CFile f(C("data\\new.txt").c_str(), CFile::modeCreate | CFile::modeWrite);
            f.Write("abc", 3);
            f.Write("def", 3);
            f.Close();
            return std::string("written");
        }),
        Throwing("CFile::Rename", [] {
            CFile::Rename(C("data\\old.txt").c_str(), C("data\\renamed.txt").c_str());
            return std::string("renamed");
        }),
        Throwing("CFile::Remove", [] {
            CFile::Remove(C("data\\old.txt").c_str());
            return std::string("removed");
        }),
    };
    cases[1].loose = "new.txt";  // written in part
    // The failing call's error, and the cause that error maps to.
    for (Case &c : cases)
        for (const DWORD e : c.errors)
            for (const char *how : {"threw", "open failed"})
                c.failures.push_back(Text("%s %d os %ld", how, CFileException::OsErrorToException(e),
                                          static_cast<long>(e)));
    Case level{"CVcdImageEx::CVcdImageEx (trace level)", [] {
                   CVcdImageEx image;
                   return Text("enabled %d level %lu", g_bDbgEnabled, g_dwDbgLevel);
               }, {"enabled 0 level 0"}};
    level.keepsLastError = false;  // the registry calls answer their error
    level.faults = [](FaultServices &f) {
        f.SetRegDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug", "DebugLevel", 2);
    };
    cases.push_back(level);
    Sweep(cases);
}

// C: fixed and compressed, D: a CD labelled for the audio test, E: removable,
// R: RAM disk, N: connected onto \\srv\share (whose server answers pings), M:
// remembered but not connected.
void Drives(FaultServices &f)
{
    f.volumes["C:\\"].flags = 0x8000;
    f.volumes["D:\\"] = test::Volume{DRIVE_CDROM, true, "emz3_dvd"}.Clusters(1, 2048, 0, 333000);
    f.driveTypes = {{'E', DRIVE_REMOVABLE}, {'R', DRIVE_RAMDISK}, {'N', DRIVE_REMOTE},
                    {'M', DRIVE_REMOTE}};
    f.volumes["\\\\srv\\share\\"].Clusters(4, 512, 100, 1000);
    f.connections = {{'N', {"\\\\srv\\share", true}}, {'M', {"\\\\old\\gone", false}}};
    f.hosts = {{"srv", "10.1.2.3"}};
    f.replies.push_back(test::Reply::Echo());
}

// Result 1 and a mask: a failed query drops that drive's bit, and adds none.
Case List(const char *name, int (*list)(unsigned long *))
{
    Case c{name, [list] {
               unsigned long mask = 0xDEADBEEFUL;
               const int r = list(&mask);
               return Text("%d %lx", r, mask);
           }};
    c.maskSubset = true;
    c.keepsLastError = false;
    return c;
}

TEST(Sweep, DrivesVolumesDiscsImagesAndPing)
{
    std::vector<Case> cases = {
        List("GetCdDrvLst", CDriveEx::GetCdDrvLst), List("GetNetworkDrvLst", CDriveEx::GetNetworkDrvLst),
        List("GetLocalHDDrvLst", CDriveEx::GetLocalHDDrvLst),
        {"My_GetDiskFreeSpace", [] {
             unsigned long a = 9, b = 9, c = 9, d = 9;
             const int r = CDriveEx::My_GetDiskFreeSpace(2, &a, &b, &c, &d);
             return Text("%d %lu %lu %lu %lu", r, a, b, c, d);
         }, {"0 9 9 9 9"}},
        {"GetCdSize", [] {
             unsigned long size = 9;
             const int r = CDriveEx::GetCdSize(3, &size);
             return Text("%d %lu", r, size);
         }, {"0 9"}},
        {"GetVolName", [] {
             char label[BRENVIK_MAX_PATH] = "untouched";
             const int r = CDriveEx::GetVolName(3, label);
             return Text("%d %s", r, label);
         }, {"0 untouched"}},
        {INT(CDriveEx::IsDiskPresent(3, 0)), {"0"}}, {INT(CDriveEx::IsCompressed(2)), {"0"}},
        // Without the extended query the classic one gives the same figures.
        {"GetLargeDiskSize2GB_inByte (share)", [] {
             unsigned long long total = 1, free = 2, avail = 3;
             const int r = CDriveEx::GetLargeDiskSize2GB_inByte(-1, "\\\\srv\\share", &total, &free,
                                                                 &avail);
             return Text("%d %llu %llu %llu", r, total, free, avail);
         }, {"0 0 0 0"}},
        {INT(CDriveEx::IsVideoCD(3)), {"0"}}, {INT(CDriveEx::IsPhotoCD(3)), {"0"}},
        {INT(CDriveEx::IsAudioCD(3)), {"0"}},
        {INT(CDriveEx::PingHost("N:\\dir\\x", 1, 3, 500)), {"0"}},
    };
    cases.end()[-1].errors = {WSAEACCES, WSAETIMEDOUT};  // a time-out moves on to the next attempt
    cases.end()[-1].keepsLastError = false;
    for (Case &c : cases)
        c.faults = Drives;
    const std::vector<Case> images = {
        {INT(CVcdImageEx::GetVCD_cdtype(C("img\\Holiday.VCD").c_str())), {"4294967295"}},
        {INT(CVcdImageEx::Is_VIDEO(C("img\\Holiday.VCD").c_str())), {"0"}},
        {INT(CVcdImageEx::Is_DVD(C("img\\Movie.DVD\\Movie.DVD.D00").c_str())), {"0"}},
        {"CVcdImageEx::GetDesc", [] {
             char text[BRENVIK_MAX_PATH] = "untouched";
             int info = -1;
             const int r = CVcdImageEx::GetDesc(C("img\\Holiday.VCD").c_str(), text, &info);
             return Text("%d '%s' %d", r, text, info);
         }, {"0 'untouched' 0"}},
        {"IsValidDvdBundle", [] {
             char master[BRENVIK_MAX_PATH] = "untouched";
             const int r = CVcdImageEx::IsValidDvdBundle(C("img\\Movie.DVD\\Movie.DVD.D02").c_str(),
                                                         master);
             return Text("%d %s", r, master);
         }, {"0 untouched"}},
    };
    cases.insert(cases.end(), images.begin(), images.end());
    Sweep(cases);
}

}  // namespace
}  // namespace brenvik
