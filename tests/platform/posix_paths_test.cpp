// Windows paths onto host paths, the lookup that folds letter case, and the
// registry file: where it is found, edits seen by later calls, and the
// drives, shares and connections it configures.
#include <sys/stat.h>
#include <sys/time.h>

#include <cctype>
#include <cstring>
#include <random>
#include <vector>
#include <string>

#include <brenvik/brenvik.h>

#include "platform/posix/path_map.h"
#include "platform/posix/registry_store.h"
#include "platform/posix_fixture.h"

namespace brenvik {
namespace posixtest {
namespace {

using namespace platform::posix;

class RegistryTest : public PosixTest {
protected:
    void SetUp() override
    {
        PosixTest::SetUp();
        for (const char *d : {"a", "b", "d", "e", "t", "share"})
            test::MakeHostDirs(H(d));
        SetRegistry({DriveKey('A', H("a"), "removable"), DriveKey('B', H("b"), "Remote"),
                     DriveKey('C', H("c"), "fixed"),
                     DriveKey('D', H("d") + "/", "CDROM") + "\"Label\"=\"MY DISC\"\r\n",
                     DriveKey('E', H("e"), "ramdisk") + "\"Compressed\"=dword:00000001\r\n",
                     DriveKey('F', H("absent"), "cdrom"), DriveKey('G', "", "removable"),
                     DriveKey('T', H("t"), "tape"),
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\U]\r\n\"Path\"=" +
                         RegString(H("t")) + "\r\n",
                     ShareKey("srv", "pub", H("share")), ShareKey("srv", "gone", H("nowhere")),
                     ConnectionKey('N', "\\\\srv\\pub"), ConnectionKey('O', "\\\\srv\\gone"),
                     ConnectionKey('P', "\\\\other\\x")});
    }

    // The host path of a Windows path, or "error N".
    std::string Map(const char *win, unsigned flags = kMapDefault)
    {
        auto path = std::make_unique<MappedPath>();
        if (DWORD err = MapPath(*CurrentRegistry(), win, flags, path.get()))
            return "error " + std::to_string(err);
        return path->host;
    }
};

TEST_F(RegistryTest, FormsOfWindowsPaths)
{
    const std::string c = H("c"), pub = H("share");
    const std::string a200(200, 'a'), b55(55, 'b');
    const std::string longest = "C:\\" + a200 + "\\" + b55;  // MAX_PATH - 1
    const struct {
        std::string win;
        std::string host;
    } cases[] = {
        {"C:\\", c},
        {"c:\\dir/sub\\\\file", c + "/dir/sub/file"},
        {"C:rel\\x", c + "/rel/x"},  // drive-relative: from the drive's root
        {"D:\\a", H("d") + "/a"},    // a Path with a closing slash
        {"C:\\a\\.\\b\\..\\c", c + "/a/c"},
        {"C:\\..\\..\\up", c + "/up"},
        // Trailing periods and blanks: one period off a name that a
        // separator follows, all of them off the final name only.
        {"C:\\dir.\\file. . ", c + "/dir/file"},
        {"C:\\dir\\...", c + "/dir"},
        {"C:\\a..\\b", c + "/a./b"},
        {"C:\\rnd \\x", c + "/rnd /x"},
        {"C:\\fresh \\", c + "/fresh "},
        {"C:\\fresh.\\", c + "/fresh"},
        {"C:\\x\\...\\y", c + "/x/.../y"},
        {"\\\\?\\C:\\x. ", c + "/x. "},
        {"\\\\?\\C:\\x\\..\\y", "error 123"},
        {"\\\\srv\\pub\\x\\y", pub + "/x/y"},
        {"\\\\?\\C:\\x", c + "/x"},
        {"\\\\?\\UNC\\srv\\pub\\x", pub + "/x"},
        {"\\rooted\\x", "/rooted/x"},
        {"..\\x", "../x"},
        {longest, c + "/" + a200 + "/" + b55},
        {longest + "b", "error 206"},
        {std::string(5000, 'x'), "error 206"},
        {"C:\\" + std::string(256, 'b'), "error 123"},
        {"C:\\dir\\*.txt", "error 123"},
        {"C:\\a:b", c + "/a"},  // a stream of a
        {"C:\\a:b\\c", "error 123"},
        {"C:\\:b", "error 123"},
        {"Q:\\x", "error 3"},
        {"O:\\x", "error 3"},             // a connection whose share is gone
        {"\\\\srv\\nope\\x", "error 67"},
        {"\\\\nobody\\pub", "error 53"},
        {"\\\\srv", "error 161"},
        {"\\\\.\\PhysicalDrive0", "error 2"},
        {"", "error 3"},
    };
    for (const auto &tc : cases) {
        SCOPED_TRACE(tc.win);
        EXPECT_EQ(Map(tc.win.c_str()), tc.host);
    }
    // A double-byte character whose trail byte is 0x5C stays whole.
    SetRegistry({DriveKey('C', H("c"), "fixed"),
                 "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage]"
                 "\r\n\"ACP\"=\"932\"\r\n"});
    EXPECT_EQ(Map("C:\\\x95\\\\x"), c + "/\x95\\/x");
    SetRegistry({DriveKey('C', H("c"), "fixed")});
    EXPECT_EQ(Map("C:\\\x95\\\\x"), c + "/\x95/x");
    // A search pattern keeps its wildcards and trailing dot.
    EXPECT_EQ(Map("C:\\dir\\*.", kMapWildcards), c + "/dir/*.");
    EXPECT_EQ(Map(nullptr), "error 3");
}

// Random paths against Windows' documented normalisation, written here apart
// from the mapper: "." drops out, ".." goes up but not above the root, a
// name a separator follows loses one trailing period unless it is all
// periods, the final name of a path without a closing separator loses every
// trailing period and blank, and a final name whose part before any '.' or
// ':' is a DOS device name (trailing blanks ignored) is that device.
TEST_F(RegistryTest, RandomPathsNormaliseByWindowsRules)
{
    const char *pool[] = {"a",   "b.",  "c..", "d ",   "e. ",     ". e",  "...", ".",
                          "..",  "f g", "nul", "Con ", "com7.x",  "lpt1", "aux.", "prn:s",
                          "nul1", "com0", "h.i", " j", "k . .", "COM9 .txt"};
    const char *seps[] = {"\\", "/", "\\\\", "/\\"};
    auto isDevice = [](std::string name) {
        name = name.substr(0, name.find_first_of(".:"));
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        for (char &ch : name)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        for (const char *d : {"CON", "PRN", "AUX", "NUL"})
            if (name == d)
                return true;
        return name.size() == 4 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "LPT") == 0) &&
               name[3] >= '1' && name[3] <= '9';
    };
    std::mt19937 random(20261206);
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::string> comps(1 + random() % 6);
        for (std::string &c : comps)
            c = pool[random() % (sizeof pool / sizeof *pool)];
        const bool closed = random() % 4 == 0;
        std::string win = "C:\\";
        for (std::size_t i = 0; i < comps.size(); ++i)
            win += comps[i] + (i + 1 < comps.size() || closed ? seps[random() % 4] : "");
        SCOPED_TRACE(win);

        std::vector<std::string> kept;
        for (std::size_t i = 0; i < comps.size(); ++i) {
            std::string c = comps[i];
            if (c == ".")
                continue;
            if (c == "..") {
                if (!kept.empty())
                    kept.pop_back();
                continue;
            }
            if (i + 1 == comps.size() && !closed) {
                c.erase(c.find_last_not_of(". ") + 1);
                if (c.empty())
                    continue;
            } else if (c.back() == '.' && c.find_first_not_of('.') != std::string::npos) {
                c.pop_back();
            }
            kept.push_back(c);
        }
        if (!closed && isDevice(comps.back())) {
            Mark();
            EXPECT_EQ(s().GetFileAttributesA(win.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
            EXPECT_FALSE(s().DeleteFileA(win.c_str()));
            EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
            continue;
        }
        // A colon is refused in a name that stays on the way.
        bool colon = false;
        std::string host = H("c");
        for (const std::string &c : kept) {
            colon |= c.find(':') != std::string::npos;
            host += "/" + c;
        }
        EXPECT_EQ(Map(win.c_str()), colon ? "error 123" : host);
    }
}

// The registry's code page reaches the path model: with 932, 0x95 0x5C is one
// character and the path has no directory; with 1252 the 0x5C separates.
TEST_F(RegistryTest, TheRegistrysCodePageDecidesHowAPathSplits)
{
    auto split = [&](const std::vector<std::string> &extra) {
        std::vector<std::string> keys = {DriveKey('C', H("c"), "fixed")};
        keys.insert(keys.end(), extra.begin(), extra.end());
        SetRegistry(keys);
        s().GetFileAttributesA("C:\\");  // a call that reads the registry
        SPLITFPATH_tag parts;
        int unc = 0;
        EXPECT_TRUE(CDriveEx::MySplitPath("C:\\\x95\\x.vcd", &parts, &unc));
        return std::string(parts.drv.strDir) + "|" + parts.drv.strFileTitle;
    };
    const std::string nls =
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage]\r\n\"ACP\"=";
    EXPECT_EQ(split({nls + "\"932\"\r\n"}), "|\x95\\x");
    EXPECT_EQ(s().GetACP(), 932u);
    EXPECT_EQ(split({nls + "\"1252\"\r\n"}), "\x95|x");
    EXPECT_EQ(split({nls + "\"936\"\r\n"}), "|\x95\\x");
    // A trail byte that looks like a letter keeps its case when names fold.
    test::WriteHostFile(H("c/\x95" "A"), "");
    EXPECT_EQ(s().GetFileAttributesA("C:\\\x95" "a"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(split({}), "\x95|x");
    EXPECT_EQ(s().GetFileAttributesA("C:\\\x95" "a"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

TEST_F(RegistryTest, NoDrivesInTheRegistryMakesTheHostRootDriveC)
{
    SetRegistry({});
    EXPECT_EQ(Map("C:\\etc\\hostname"), "/etc/hostname");
    EXPECT_EQ(Map("D:\\"), "error 3");
    EXPECT_EQ(s().GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_FIXED));
}

TEST_F(RegistryTest, MissingNamesAreFoundInAnyCasePerComponent)
{
    test::MakeHostDirs(H("c/Docs/Sub"));
    test::WriteHostFile(H("c/Docs/Sub/Read Me.TXT"), "hi");
    EXPECT_EQ(s().GetFileAttributesA("C:\\docs\\SUB\\READ ME.TXT"),
              static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    Mark();
    EXPECT_EQ(s().CreateFileA("C:\\DOCS\\sub\\read me.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    // A new last component keeps its own spelling below the existing ones.
    ASSERT_TRUE(s().CreateDirectoryA("C:\\DOCS\\sub\\New", nullptr));
    EXPECT_TRUE(test::HostExists(H("c/Docs/Sub/New")));
    // An exact match wins over another case.
    test::WriteHostFile(H("c/file"), "lower");
    test::WriteHostFile(H("c/FILE"), "upper");
    HANDLE h = s().CreateFileA("C:\\FILE", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    char buf[8] = {};
    DWORD n = 0;
    EXPECT_TRUE(s().ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_STREQ(buf, "upper");
    s().CloseHandle(h);
}

TEST(RegistryLocation, ExplicitFileThenXdgThenHomeThenNothing)
{
    test::TempDir dir;
    test::MakeHostDirs(dir / "xdg/brenvik");
    test::MakeHostDirs(dir / "home/.config/brenvik");
    test::WriteHostFile(dir / "xdg/brenvik/registry.reg", "");
    test::WriteHostFile(dir / "home/.config/brenvik/registry.reg", "");
    const auto located = [] {
        char path[4096];
        EXPECT_TRUE(LocateRegistryFile(path, sizeof path));
        return std::string(path);
    };
    test::ScopedEnv home("HOME", (dir / "home").c_str());
    {
        // Named, even though missing: an empty registry.
        test::ScopedEnv reg("BRENVIK_REGISTRY", (dir / "missing.reg").c_str());
        test::ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "xdg").c_str());
        EXPECT_EQ(located(), dir / "missing.reg");
    }
    test::ScopedEnv reg("BRENVIK_REGISTRY", nullptr);
    {
        test::ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "xdg").c_str());
        EXPECT_EQ(located(), dir / "xdg/brenvik/registry.reg");
    }
    {
        test::ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(located(), dir / "home/.config/brenvik/registry.reg");
    }
    test::ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "empty").c_str());
    const bool etc = test::HostExists("/etc/brenvik/registry.reg");
    EXPECT_EQ(located(), etc ? "/etc/brenvik/registry.reg" : "");
}

// Right after a change the time stamps cannot be trusted to show the next
// one; how long that lasts depends on how fine the stamps are.
TEST(RegistryFreshFile, SettledAndSameText)
{
    const struct {
        const char *what;
        struct timespec mtime, ctime, readAt;
        bool settled;
    } cases[] = {
        {"fine, 49 ms after", {100, 500000000}, {100, 500000000}, {100, 549000000}, false},
        {"fine, 51 ms after", {100, 500000000}, {100, 500000000}, {100, 551000000}, true},
        {"fine, across a second", {100, 990000000}, {100, 990000000}, {101, 30000000}, false},
        {"fine, across, later", {100, 990000000}, {100, 990000000}, {101, 50000000}, true},
        {"seconds, under 3 s", {100, 0}, {100, 0}, {102, 999999999}, false},
        {"seconds, over 3 s", {100, 0}, {100, 0}, {103, 1}, true},
        // Set back by hand: the change time still dates the change.
        {"old write, fresh change", {50, 0}, {100, 500000000}, {100, 510000000}, true},
        {"future write, old change", {900, 1}, {100, 1}, {200, 0}, true},
        {"both in the future", {900, 1}, {900, 1}, {200, 0}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        struct stat st;
        std::memset(&st, 0, sizeof st);
        st.st_mtim = c.mtime;
        st.st_ctim = c.ctime;
        EXPECT_EQ(ReadIsSettled(st, c.readAt), c.settled);
    }

    test::TempDir dir;
    const std::string big(10000, 'b');
    std::string bigOther = big;
    bigOther[9000] = 'c';
    const struct {
        std::string file, text;
        bool holds;
    } texts[] = {
        {"REGEDIT4", "REGEDIT4", true}, {"REGEDIT", "REGEDIT4", false},
        {"REGEDIT5", "REGEDIT4", false}, {big, big, true},
        {bigOther, big, false},          {big + "b", big, false},
    };
    for (const auto &c : texts) {
        SCOPED_TRACE(c.file.substr(0, 10) + " " + std::to_string(c.file.size()));
        test::WriteHostFile(dir / "r.reg", c.file);
        EXPECT_EQ(FileHoldsText((dir / "r.reg").c_str(), c.text), c.holds);
    }
    EXPECT_FALSE(FileHoldsText((dir / "missing.reg").c_str(), ""));
}

TEST_F(PosixTest, RegistryEditsAreSeenByLaterCalls)
{
    test::MakeHostDirs(H("e1"));
    SetRegistry({DriveKey('E', H("e1"), "cdrom")});
    EXPECT_EQ(s().GetDriveTypeA("E:\\"), static_cast<UINT>(DRIVE_CDROM));
    // The same size and the same second: still seen.
    SetRegistry({DriveKey('E', H("e1"), "fixed")});
    EXPECT_EQ(s().GetDriveTypeA("E:\\"), static_cast<UINT>(DRIVE_FIXED));
    // Old by its time stamp, then changed.
    struct timeval past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimes(registry_->path().c_str(), past), 0);
    EXPECT_EQ(s().GetDriveTypeA("E:\\"), static_cast<UINT>(DRIVE_FIXED));
    SetRegistry({DriveKey('E', H("e1"), "cdrom")});
    EXPECT_EQ(s().GetDriveTypeA("E:\\"), static_cast<UINT>(DRIVE_CDROM));
    test::TempDir other;
    test::WriteHostFile(other / "r.reg", test::RegText({DriveKey('E', H("e1"), "ramdisk")}));
    test::ScopedEnv env("BRENVIK_REGISTRY", (other / "r.reg").c_str());
    EXPECT_EQ(s().GetDriveTypeA("E:\\"), static_cast<UINT>(DRIVE_RAMDISK));
    // The registry services read it too, through a key opened before an edit.
    test::WriteHostFile(other / "r.reg", test::RegText({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dbg]"}));
    HKEY key = nullptr;
    ASSERT_EQ(s().RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Dbg", &key), ERROR_SUCCESS);
    test::WriteHostFile(other / "r.reg",
                        test::RegText({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dbg]\r\n\"L\"=dword:7"}));
    unsigned char data[4] = {};
    DWORD size = sizeof data;
    EXPECT_EQ(s().RegQueryValueExA(key, "L", nullptr, nullptr, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(data[0], 7);
    EXPECT_EQ(s().RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(s().RegCloseKey(key), ERROR_INVALID_HANDLE);
    int junk = 0;
    EXPECT_EQ(s().RegCloseKey(reinterpret_cast<HKEY>(&junk)), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, DrivesSharesAndConnections)
{
    const struct {
        const char *root;
        UINT type;
    } types[] = {
        {"A:\\", DRIVE_REMOVABLE}, {"b:", DRIVE_REMOTE},  {"C:/", DRIVE_FIXED},
        {"D:\\", DRIVE_CDROM},     {"E:\\", DRIVE_RAMDISK}, {"F:\\", DRIVE_CDROM},
        {"G:", DRIVE_REMOVABLE},   {"T:\\", DRIVE_UNKNOWN}, {"U:\\", DRIVE_FIXED},
        {"H:\\", DRIVE_NO_ROOT_DIR}, {"C:\\\\", DRIVE_NO_ROOT_DIR},
        {"\\\\srv\\pub\\", DRIVE_REMOTE}, {"\\\\SRV\\PUB", DRIVE_REMOTE},
        {"\\\\srv\\gone\\", DRIVE_NO_ROOT_DIR}, {"\\\\srv\\pub\\dir\\", DRIVE_NO_ROOT_DIR},
        {"N:\\", DRIVE_REMOTE},    {"O:\\", DRIVE_NO_ROOT_DIR},
    };
    for (const auto &c : types) {
        SCOPED_TRACE(c.root);
        EXPECT_EQ(s().GetDriveTypeA(c.root), c.type);
    }
    const struct {
        const char *local;
        DWORD result;
        const char *remote;
    } connections[] = {
        {"n:\\", NO_ERROR, "\\\\srv\\pub"},
        {"O:", ERROR_CONNECTION_UNAVAIL, "\\\\srv\\gone"},
        {"P:", ERROR_CONNECTION_UNAVAIL, "\\\\other\\x"},
        {"C:", ERROR_NOT_CONNECTED, ""},
        {"N:\\dir", ERROR_BAD_DEVICE, ""},
    };
    for (const auto &c : connections) {
        SCOPED_TRACE(c.local);
        char remote[MAX_PATH] = "";
        DWORD length = sizeof remote;
        EXPECT_EQ(s().WNetGetConnectionA(c.local, remote, &length), c.result);
        EXPECT_STREQ(remote, c.remote);
    }
    char small[4];
    DWORD length = sizeof small;
    EXPECT_EQ(s().WNetGetConnectionA("N:", small, &length), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(length, std::strlen("\\\\srv\\pub") + 1);
    test::WriteHostFile(H("share/f.txt"), "x");
    EXPECT_EQ(s().GetFileAttributesA("N:\\F.TXT"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    Mark();
    EXPECT_EQ(s().GetFileAttributesA("\\\\srv\\gone\\f.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_BAD_NET_NAME));
}

TEST_F(RegistryTest, VolumesAndDrivesWithoutTheirMedium)
{
    char label[100];
    DWORD flags = 0, spc, bps, freeClusters, total;
    // The error of a refused call, 0 where it succeeds.
    const auto vol = [&](const char *root, char *name, DWORD size) {
        Mark();
        return s().GetVolumeInformationA(root, name, size, nullptr, nullptr, &flags, nullptr, 0)
                   ? 0
                   : Err();
    };
    const auto attrs = [&](const char *path) {
        Mark();
        return s().GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? Err() : 0;
    };
    ASSERT_EQ(vol("D:\\", label, sizeof label), 0u);
    EXPECT_STREQ(label, "MY DISC");
    EXPECT_EQ(flags & FS_VOL_IS_COMPRESSED, 0u);
    EXPECT_EQ(vol("E:\\", nullptr, 0), 0u);
    EXPECT_EQ(flags & FS_VOL_IS_COMPRESSED, static_cast<DWORD>(FS_VOL_IS_COMPRESSED));
    // A CD drive counts sectors of 2048 bytes.
    ASSERT_TRUE(s().GetDiskFreeSpaceA("D:\\", &spc, &bps, &freeClusters, &total));
    EXPECT_EQ(bps, 2048u);
    ASSERT_TRUE(s().GetDiskFreeSpaceA("C:\\", &spc, &bps, &freeClusters, &total));
    EXPECT_EQ(bps, 512u);
    auto query = reinterpret_cast<PFN_GetDiskFreeSpaceExA>(reinterpret_cast<void (*)()>(
        s().GetProcAddress(s().GetModuleHandleA("kernel32"), "GetDiskFreeSpaceExA")));
    ULARGE_INTEGER bytes;
    ASSERT_TRUE(query("C:\\", nullptr, &bytes, nullptr));
    if (total != 0xFFFFFFFFu) {
        EXPECT_EQ(uint64_t{total}, bytes.QuadPart / (uint64_t{spc} * bps));
    }
    EXPECT_EQ(s().GetProcAddress(s().GetModuleHandleA("kernel32"), "getdiskfreespaceexa"), nullptr);

    test::MakeHostDirs(H("d/sub"));
    EXPECT_EQ(vol("D:\\", label, 7), 24u);  // the label does not fit
    EXPECT_EQ(vol("D:", label, sizeof label), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_EQ(vol("D:\\sub\\", label, sizeof label), 144u);  // ERROR_DIR_NOT_ROOT
    // No medium: not ready, for every query but the type.
    EXPECT_EQ(vol("F:\\", nullptr, 0), static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_EQ(attrs("F:\\"), static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_EQ(attrs("G:\\x"), static_cast<DWORD>(ERROR_NOT_READY));
    Mark();
    EXPECT_FALSE(s().GetDiskFreeSpaceA("F:\\", &spc, &bps, &freeClusters, &total));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_NOT_READY));
    Mark();
    EXPECT_EQ(s().CreateFileA("F:\\x", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_NOT_READY));
    // A medium inserted later is seen.
    test::MakeHostDirs(H("absent"));
    EXPECT_EQ(s().GetFileAttributesA("F:\\"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

}  // namespace
}  // namespace posixtest
}  // namespace brenvik
