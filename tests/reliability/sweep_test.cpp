// The fault sweep: an exported function runs on a fresh tree once clean, then
// with its k-th counted platform call failing, k = 1, 2, ... until a run makes
// fewer than k calls; each error once and from call k on. Every run: a result
// the case accepts, files as before or as the clean run left them, nothing left
// open, the error mode restored, and the injected error last where promised.
#include <gtest/gtest.h>

#include <brenvik/brenvik.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "frame/trace.h"
#include "support/fault_services.h"
#include "support/test_support.h"

namespace brenvik {
namespace {

namespace fs = std::filesystem;
using Tree = std::map<std::string, std::string>;
using test::Joined;

// C: and D: (a CD) are temporary directories; on Windows their paths stand in.
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
    std::string Win(const std::string &host) const  // <dir>/c/x -> C:\x
    {
        const std::size_t n = dir.path().size();
        return (host[n + 1] == 'c' ? c : d) + "\\" + test::Backslashed(host.substr(n + 3));
    }
    // Entries as "data/f.txt" (holding its name), "data/dir/",
    // ":H" or ":S" after one for hidden or system; or "img", a DVD image split
    // in four and a video CD.
    void Build(const std::string &entries)
    {
        for (const char *root : {"c/", "d/"}) {
            fs::remove_all(dir / root);
            test::MakeHostDirs(dir / root);
        }
        std::istringstream in(entries);
        for (std::string e; in >> e && e != "img";) {
            const std::size_t mark = std::min(e.find(':'), e.size());
            const std::string host = dir / ("c/" + e.substr(0, mark));
            test::MakeHostDirs(fs::path(host).parent_path().string());
            if (host.back() != '/')
                test::WriteHostFile(host, fs::path(host).filename().string());
            if (mark < e.size())
                platform::sys().SetFileAttributesA(Win(host).c_str(), e[mark + 1] == 'H'
                                                                          ? FILE_ATTRIBUTE_HIDDEN
                                                                          : FILE_ATTRIBUTE_SYSTEM);
        }
        if (entries != "img")
            return;
        std::string image(10522, '\0');
        std::memcpy(&image[16], "\x34\x12", 2);
        std::memcpy(&image[44], "\x00\x10", 2);
        image[368] = 3;
        test::MakeHostDirs(dir / "c/img/Movie.DVD");
        for (const char *part : {"D00", "D01", "D02", "D03"})
            test::WriteHostFile(dir / "c/img/Movie.DVD/Movie.DVD." + part,
                                part[2] == '0' ? image : "slave");
        image.replace(44, 2, "\0\0", 2);
        image[368] = 0;
        image[376] = 4;
        std::memcpy(&image[48], "Holiday 2003", 12);
        test::WriteHostFile(dir / "c/img/Holiday.VCD", image);
    }
    Tree Snapshot() const  // every entry: attributes and bytes, or "dir"
    {
        Tree tree;
        for (const char *root : {"c", "d"})
            for (const auto &e : fs::recursive_directory_iterator(dir / root)) {
                const std::string path = Win(e.path().generic_string());
                tree[path] = Joined(platform::sys().GetFileAttributesA(path.c_str()),
                                 e.is_directory() ? "dir" : test::ReadHostFile(e.path().string()));
            }
        return tree;
    }
};

Machine &M()
{
    static Machine machine;
    return machine;
}
std::string C(const std::string &rest) { return M().c + "\\" + rest; }
#define P(rest) C(rest).c_str()

// Outputs, set to these before each run: what a failed call leaves.
unsigned long u[4];
unsigned long long q[3];
int n[9];
char text[BRENVIK_MAX_PATH];

// kOwnError: the last error need not be the failing call's; kMask: "1 mask"
// may also lose bits of the clean run's mask.
enum : int { kOwnError = 1, kMask = 2 };

struct Case {
    std::string tree, name;
    std::function<std::string()> call;
    std::vector<std::string> failures = {};  // results accepted after a fault
    int flags = 0;
    // "+path" ("-path"): the result is "1" exactly when it exists (is gone);
    // "~text": entries whose path holds it may end as they please (probes, a
    // target deleted first, a file written in part).
    std::string files = "";
    std::vector<DWORD> errors = {ERROR_ACCESS_DENIED};
};

// C: fixed and compressed, D: a CD labelled for the audio test, N: connected
// onto \\srv\share (whose server answers pings); the trace level in the registry.
void Drives(test::FaultServices &f)
{
    f.volumes["C:\\"].flags = 0x8000;
    f.volumes["D:\\"] = test::Volume{DRIVE_CDROM, true, "emz3_dvd"}.Clusters(1, 2048, 0, 333000);
    f.driveTypes = {{'N', DRIVE_REMOTE}};
    f.volumes["\\\\srv\\share\\"].Clusters(4, 512, 100, 1000);
    f.connections = {{'N', {"\\\\srv\\share", true}}};
    f.hosts = {{"srv", "10.1.2.3"}};
    f.replies.push_back(test::Reply::Echo());
    f.SetRegDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug", "DebugLevel", 2);
}

struct Run {
    std::string result;
    Tree tree;
    std::size_t calls = 0;
    DWORD lastError = 0;
};

// One call on a fresh tree with the trace on, so that the trace's own paths
// meet every fault too; k 0 injects nothing.
Run RunOnce(const Case &c, int k, bool lasting, DWORD error, Tree *before = nullptr)
{
    M().Build(c.tree);
    if (before != nullptr)
        *before = M().Snapshot();
    std::fill(u, u + 4, 9);
    std::fill(q, q + 3, 9);
    std::fill(n, n + 9, 7);
    std::strcpy(text, "untouched");
    Run r;
    {
        test::ScopedFaults f;
        Drives(f);
        if (k != 0)
            f.Fail("", "", error, lasting ? test::Times::Always : test::Times::Once, k);
        g_bDbgEnabled = 1;
        g_dwDbgLevel = 1;
        try {
            r.result = c.call();
        } catch (const CFileException &e) {  // how the file class fails
            r.result = Joined(e.m_cause, e.m_lOsError);
        }
        g_bDbgEnabled = 0;
        g_dwDbgLevel = 0;
        r.lastError = f.GetLastError();
        r.calls = f.Calls().size();
        EXPECT_EQ(f.Leaks(), std::vector<std::string>{});
    }
    r.tree = M().Snapshot();
    if (c.files[0] == '+' || c.files[0] == '-') {
        const bool there = r.tree.count(C(c.files.substr(1))) != 0;
        EXPECT_EQ(r.result == "1", there == (c.files[0] == '+'))
            << "the result " << r.result << " does not agree with the files left";
    }
    return r;
}

std::string At(const Tree &t, const std::string &path)
{
    return t.count(path) ? t.at(path) : "(absent)";
}

void Sweep(const std::vector<Case> &cases)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Tree before;
        const Run clean = RunOnce(c, 0, false, 0, &before);
        EXPECT_GT(clean.calls, 0u) << "the call reaches no counted platform service";
        for (const bool lasting : {false, true})
            for (const DWORD error : c.errors)
                for (int k = 1; !::testing::Test::HasFailure(); ++k) {
                    SCOPED_TRACE(Joined("call", k, lasting ? "failing for good:" : "once:", error));
                    const Run got = RunOnce(c, k, lasting, error);
                    if (got.calls < static_cast<std::size_t>(k)) {
                        EXPECT_EQ(got.result, clean.result) << "a run without a fault differs";
                        break;
                    }
                    unsigned long m1 = 0, m2 = 0;
                    const bool fewer = (c.flags & kMask) &&
                                       std::sscanf(clean.result.c_str(), "1 %lu", &m1) == 1 &&
                                       std::sscanf(got.result.c_str(), "1 %lu", &m2) == 1;
                    if (got.result != clean.result) {
                        EXPECT_TRUE(std::count(c.failures.begin(), c.failures.end(), got.result) ||
                                    (fewer && (m2 & ~m1) == 0))
                            << "after the failure: " << got.result << ", clean: " << clean.result;
                        // Under a lasting fault whichever call the function gave up
                        // on set the error; a transient one only when last.
                        if (!(c.flags & kOwnError) && (lasting || got.calls == size_t(k))) {
                            EXPECT_EQ(got.lastError, error) << "not the failing call's error";
                        }
                    }
                    Tree all = before;
                    all.insert(clean.tree.begin(), clean.tree.end());
                    all.insert(got.tree.begin(), got.tree.end());
                    for (const auto &e : all) {
                        const std::string g = At(got.tree, e.first), b = At(before, e.first),
                                          cl = At(clean.tree, e.first);
                        EXPECT_TRUE(g == b || g == cl ||
                                    (c.files[0] == '~' && e.first.find(&c.files[1]) != g.npos))
                            << e.first << ": " << g << "; before " << b << ", clean " << cl;
                    }
                }
    }
}

#define SHOW(expr, ...) #expr, [] { return Joined(expr, __VA_ARGS__); }
#define INT(expr) #expr, [] { return Joined(expr); }
// A status test with an `exist` output: a failure reads as absence.
#define EXIST(f, ...) SHOW(CDriveEx::f(__VA_ARGS__, n), n[0]), {"0 0"}
TEST(Sweep, ExportedFunctionsThatReachThePlatform)
{
    const std::string kDenied = Joined(CFileException::OsErrorToException(5), 5);
    Sweep({
        {"data/empty/", EXIST(IsDir, P("data\\empty\\"))},
        {"data/sys.tmp:S", EXIST(ChkFileAttrEx, P("data\\sys.tmp"), 0x10, 4)},
        {"data/secret/:H", SHOW(CDriveEx::CFileStatus_s(P("data\\secret"), n, n + 1, n + 2, n + 3,
                                                       n + 4, n + 5, n + 6, n + 7, n + 8),
                               n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8]),
         {"0 0 0 0 0 0 0 0 0 0"}},
        {"data/movie.txt", SHOW(CDriveEx::GetFileSizeInByte(P("data\\movie.txt"), u), u[0]),
         {"0 9"}},
        {"data/", INT(CDriveEx::CanWeWriteDir(P("data"))), {"0"}, 0, "~tmp$d123.tmp"},
        {"data/", INT(CDriveEx::IsDirWriteable(P("data\\new\\deeper"))), {"0"}, 0, "~\\temp"},
        {"data/", INT(CDriveEx::MyCreateDirectory(P("data\\new"), 0)), {"0"}, 0, "+data\\new"},
        // The class library's exception is what is left; the target is deleted first.
        {"data/old.txt data/target.txt",
         INT(CDriveEx::MyRename(P("data\\old.txt"), P("data\\target.txt"))), {"0"}, kOwnError,
         "~target.txt"},
        // Each a code that the other takes for "already gone".
        {"data/movie.txt", INT(CDriveEx::MyDelFile(P("data\\movie.txt"))), {"0"}, 0,
         "-data\\movie.txt", {ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND}},
        {"data/empty/", INT(CDriveEx::MyRemoveDirectory(P("data\\empty"))), {"0"}, 0,
         "-data\\empty", {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND}},
        // It goes on after a failed file: what it missed shows in the files.
        {"data/a.tmp data/b.tmp data/sys.tmp:S data/hidden.txt:H data/empty/ data/tree/one.txt",
         INT(CDriveEx::DelSubFile(P("data"), "*.*", 1)), {"0"}, kOwnError},
        // A failed status query of the top reads as no directory: 1, the tree left.
        {"data/tree/one.txt data/tree/sub/deeper/three.txt data/tree/system.dat:S",
         INT(CDriveEx::DelTree(P("data\\tree"), 1)), {"0"}},
        // The failing call's error, and the cause that error maps to.
        {"data/movie.txt", "CFile::Open, GetLength, Seek, Read, Close", [] {
             CFile f;  // its destructor closes the file after a throw
             CFileException e;
             if (!f.Open(P("data\\movie.txt"), CFile::modeRead | CFile::shareDenyWrite, &e))
                 return Joined(e.m_cause, e.m_lOsError);
             const DWORD length = f.GetLength();
             f.Seek(7, CFile::begin);
             const UINT read = f.Read(text, 3);
             f.Close();
             return Joined(length, read, text);
         }, {kDenied}},
        {"data/", "CFile::CFile, Write, Close", [] {
             CFile f(P("data\\new.txt"), CFile::modeCreate | CFile::modeWrite);
             f.Write("abc", 3);
             f.Write("def", 3);
             f.Close();
             return Joined("written");
         }, {kDenied}, 0, "~new.txt"},  // written in part
        // Result 1 and a mask: a failed query drops that drive's bit, and adds none.
        {"", SHOW(CDriveEx::GetCdDrvLst(u), u[0]), {}, kOwnError | kMask},
        {"", SHOW(CDriveEx::My_GetDiskFreeSpace(2, u, u + 1, u + 2, u + 3), u[0], u[1], u[2], u[3]),
         {"0 9 9 9 9"}},
        {"", SHOW(CDriveEx::GetCdSize(3, u), u[0]), {"0 9"}},
        {"", INT(CDriveEx::IsCompressed(2)), {"0"}},
        // Without the extended query the classic one gives the same figures.
        {"", SHOW(CDriveEx::GetLargeDiskSize2GB_inByte(-1, "\\\\srv\\share", q, q + 1, q + 2), q[0],
                 q[1], q[2]), {"0 0 0 0"}},
        {"", INT(CDriveEx::IsAudioCD(3)), {"0"}},
        // A time-out moves on to the next attempt.
        {"", INT(CDriveEx::PingHost("N:\\dir\\x", 1, 3, 500)), {"0"}, kOwnError, "",
         {WSAEACCES, WSAETIMEDOUT}},
        {"img", INT(CVcdImageEx::GetVCD_cdtype(P("img\\Movie.DVD\\Movie.DVD.D00"))),
         {"4294967295"}},
        {"img", SHOW(CVcdImageEx::GetDesc(P("img\\Holiday.VCD"), text, n), text, n[0]),
         {"0 untouched 0"}},
        {"img", SHOW(CVcdImageEx::IsValidDvdBundle(P("img\\Movie.DVD\\Movie.DVD.D02"), text), text),
         {"0 untouched"}},
        // The registry calls answer their own error.
        {"", SHOW((CVcdImageEx(), 0), g_bDbgEnabled, g_dwDbgLevel), {"0 0 0"}, kOwnError},
    });
}

}  // namespace
}  // namespace brenvik
