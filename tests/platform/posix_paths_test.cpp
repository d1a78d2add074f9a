// Windows paths onto host paths, the lookup that folds letter case, and the
// registry file: where it is found, edits seen by later calls, and the
// drives, shares and connections it configures.
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/posix/path_map.h"
#include "platform/posix/registry_store.h"
#include "platform/posix_fixture.h"

namespace brenvik {
namespace posixtest {
namespace {

using platform::posix::CurrentRegistry;
using platform::posix::MappedPath;
using platform::posix::MapPath;
using platform::posix::kMapDefault;
using platform::posix::kMapWildcards;
using platform::posix::Resolve;
using platform::posix::Lookup;

class PathMapTest : public PosixTest {
protected:
    void SetUp() override
    {
        PosixTest::SetUp();
        test::MakeHostDirs(H("d"));
        test::MakeHostDirs(H("share"));
        SetRegistry({DriveKey('C', H("c"), "fixed"), DriveKey('D', H("d") + "/", "cdrom"),
                     ShareKey("srv", "pub", H("share")), ShareKey("srv", "gone", H("nowhere")),
                     ConnectionKey('N', "\\\\srv\\pub"), ConnectionKey('O', "\\\\srv\\gone")});
    }

    // The host path of a Windows path, or "error N".
    std::string Map(const char *win, unsigned flags = kMapDefault)
    {
        auto config = CurrentRegistry();
        auto path = std::make_unique<MappedPath>();
        if (DWORD err = MapPath(*config, win, flags, path.get()))
            return "error " + std::to_string(err);
        return path->host;
    }
};

TEST_F(PathMapTest, FormsOfWindowsPaths)
{
    const std::string c = H("c");
    const std::string d = H("d");
    const struct {
        const char *win;
        std::string host;
    } cases[] = {
        {"C:\\", c},
        {"c:\\dir\\file.txt", c + "/dir/file.txt"},
        {"C:/dir/file.txt", c + "/dir/file.txt"},
        {"C:\\dir/sub\\\\file", c + "/dir/sub/file"},
        {"C:", c},
        {"C:rel\\x", c + "/rel/x"},  // drive-relative: from the drive's root
        {"D:\\a", d + "/a"},         // a Path with a closing slash
        {"C:\\a\\.\\b\\..\\c", c + "/a/c"},
        {"C:\\..\\..\\up", c + "/up"},  // never above the root
        {"C:\\dir.\\file. . ", c + "/dir/file"},
        {"C:\\dir\\...", c + "/dir"},
        {"\\\\srv\\pub\\x\\y", H("share") + "/x/y"},
        {"\\\\SRV\\PUB", H("share")},
        {"N:\\x", H("share") + "/x"},  // a connected letter
        {"\\\\?\\C:\\x", c + "/x"},
        {"\\\\?\\UNC\\srv\\pub\\x", H("share") + "/x"},
        {"\\rooted\\x", "/rooted/x"},
        {"rel\\x", "rel/x"},
        {"..\\x", "../x"},
        {".", "."},
        {"C:\\dir\\*.txt", "error 123"},
        {"C:\\a:b", "error 123"},
        {"C:\\a\x01" "b", "error 123"},
        {"Q:\\x", "error 3"},             // no root
        {"O:\\x", "error 3"},             // a connection whose share is gone
        {"\\\\srv\\nope\\x", "error 67"}, // known server, unknown share
        {"\\\\nobody\\pub", "error 53"},  // unknown server
        {"\\\\srv", "error 161"},
        {"\\\\.\\PhysicalDrive0", "error 2"},
        {"", "error 3"},
    };
    for (const auto &tc : cases) {
        SCOPED_TRACE(tc.win);
        EXPECT_EQ(Map(tc.win), tc.host);
    }
    EXPECT_EQ(Map("C:\\dir\\*.txt", kMapWildcards), c + "/dir/*.txt");
    // A search pattern keeps its trailing dot.
    EXPECT_EQ(Map("C:\\dir\\*.", kMapWildcards), c + "/dir/*.");
    EXPECT_EQ(Map(nullptr), "error 3");
}

TEST_F(PathMapTest, LengthLimits)
{
    // MAX_PATH - 1 characters: the longest name there is.
    std::string name = "C:\\" + std::string(200, 'a') + "\\" + std::string(55, 'b');
    EXPECT_EQ(Map(name.c_str()), H("c") + "/" + std::string(200, 'a') + "/" + std::string(55, 'b'));
    name += "b";
    EXPECT_EQ(Map(name.c_str()), "error 206");
    std::string huge(5000, 'x');
    EXPECT_EQ(Map(huge.c_str()), "error 206");
    // A component longer than any file system allows.
    std::string component = "C:\\" + std::string(256, 'b');
    EXPECT_EQ(Map(component.c_str()), "error 123");
}

TEST_F(PathMapTest, NoDrivesInTheRegistryMakesTheHostRootDriveC)
{
    SetRegistry({});
    EXPECT_EQ(Map("C:\\etc\\hostname"), "/etc/hostname");
    EXPECT_EQ(Map("C:\\"), "/");
    EXPECT_EQ(Map("D:\\"), "error 3");
    EXPECT_EQ(s().GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(s().GetDriveTypeA("D:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

TEST_F(PathMapTest, MissingNamesAreFoundInAnyCase)
{
    test::MakeHostDirs(H("c/Docs/Sub"));
    test::WriteHostFile(H("c/Docs/Sub/Read Me.TXT"), "hi");
    auto config = CurrentRegistry();
    auto path = std::make_unique<MappedPath>();
    ASSERT_EQ(MapPath(*config, "c:\\DOCS\\sub\\read me.txt", kMapDefault, path.get()), 0u);
    Resolve(path.get());
    EXPECT_EQ(path->lookup, Lookup::kExists);
    EXPECT_EQ(std::string(path->host), H("c/Docs/Sub/Read Me.TXT"));

    ASSERT_EQ(MapPath(*config, "C:\\docs\\NEW.txt", kMapDefault, path.get()), 0u);
    Resolve(path.get());
    EXPECT_EQ(path->lookup, Lookup::kMissingFinal);
    EXPECT_EQ(std::string(path->host), H("c/Docs/NEW.txt"));

    ASSERT_EQ(MapPath(*config, "C:\\nodir\\NEW.txt", kMapDefault, path.get()), 0u);
    Resolve(path.get());
    EXPECT_EQ(path->lookup, Lookup::kMissingParent);

    // Through the services: reading and creating find the existing spelling.
    EXPECT_EQ(s().GetFileAttributesA("C:\\docs\\SUB\\READ ME.TXT"),
              static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    Mark();
    EXPECT_EQ(s().CreateFileA("C:\\DOCS\\SUB\\read me.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    ASSERT_TRUE(s().CreateDirectoryA("C:\\DOCS\\sub\\New", nullptr));
    EXPECT_TRUE(test::HostExists(H("c/Docs/Sub/New")));
}

TEST_F(PathMapTest, ExactNamesWinOverOtherCases)
{
    test::WriteHostFile(H("c/file"), "lower");
    test::WriteHostFile(H("c/FILE"), "upper");
    HANDLE h = s().CreateFileA("C:\\FILE", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char buf[8] = {};
    DWORD n = 0;
    EXPECT_TRUE(s().ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_STREQ(buf, "upper");
    s().CloseHandle(h);
}

TEST_F(PathMapTest, RelativePathsFollowTheCurrentDirectory)
{
    test::MakeHostDirs(H("cwd/sub"));
    test::WriteHostFile(H("cwd/sub/f.txt"), "x");
    char old[4096];
    ASSERT_NE(::getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(::chdir(H("cwd").c_str()), 0);
    EXPECT_EQ(s().GetFileAttributesA("SUB\\F.TXT"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(s().GetFileAttributesA("sub/../sub/f.txt"),
              static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    WIN32_FIND_DATAA data;
    HANDLE find = s().FindFirstFileA("sub\\*.TXT", &data);
    EXPECT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "f.txt");
    s().FindClose(find);
    ASSERT_EQ(::chdir(old), 0);
}

// ---- The registry file ------------------------------------------------------

using platform::posix::LocateRegistryFile;

std::string Located()
{
    char path[4096];
    EXPECT_TRUE(LocateRegistryFile(path, sizeof path));
    return path;
}

TEST(RegistryLocation, ExplicitFileThenXdgThenHomeThenNothing)
{
    test::TempDir dir;
    test::MakeHostDirs(dir / "xdg/brenvik");
    test::MakeHostDirs(dir / "home/.config/brenvik");
    test::WriteHostFile(dir / "explicit.reg", "");
    test::WriteHostFile(dir / "xdg/brenvik/registry.reg", "");
    test::WriteHostFile(dir / "home/.config/brenvik/registry.reg", "");
    const bool etc = test::HostExists("/etc/brenvik/registry.reg");

    test::ScopedEnv home("HOME", (dir / "home").c_str());
    {
        test::ScopedEnv reg("BRENVIK_REGISTRY", (dir / "explicit.reg").c_str());
        test::ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "xdg").c_str());
        EXPECT_EQ(Located(), dir / "explicit.reg");
    }
    {
        // Named but missing: that name still, so an empty registry.
        test::ScopedEnv reg("BRENVIK_REGISTRY", (dir / "missing.reg").c_str());
        EXPECT_EQ(Located(), dir / "missing.reg");
    }
    test::ScopedEnv reg("BRENVIK_REGISTRY", nullptr);
    {
        test::ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "xdg").c_str());
        EXPECT_EQ(Located(), dir / "xdg/brenvik/registry.reg");
    }
    {
        // XDG_CONFIG_HOME unset, or relative (which the rules ignore): ~/.config.
        test::ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(Located(), dir / "home/.config/brenvik/registry.reg");
    }
    test::ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "empty").c_str());
    EXPECT_EQ(Located(), etc ? "/etc/brenvik/registry.reg" : "");
}

// Right after a change the time stamps cannot be trusted to show the next
// one; how long that lasts depends on how fine the stamps are.
TEST(RegistryReadSettled, WindowFollowsTheStampResolution)
{
    const struct {
        const char *what;
        struct timespec mtime, ctime, readAt;
        bool settled;
    } cases[] = {
        {"fine, read at once", {100, 500000000}, {100, 500000000}, {100, 510000000}, false},
        {"fine, read 49 ms after", {100, 500000000}, {100, 500000000}, {100, 549000000}, false},
        {"fine, read 51 ms after", {100, 500000000}, {100, 500000000}, {100, 551000000}, true},
        {"fine, across a second", {100, 990000000}, {100, 990000000}, {101, 30000000}, false},
        {"fine, across a second, later", {100, 990000000}, {100, 990000000}, {101, 50000000},
         true},
        {"fine, long ago", {100, 1}, {100, 1}, {5000, 0}, true},
        {"whole seconds, 1 s after", {100, 0}, {100, 0}, {101, 0}, false},
        {"whole seconds, just under 3 s", {100, 0}, {100, 0}, {102, 999999999}, false},
        {"whole seconds, just over 3 s", {100, 0}, {100, 0}, {103, 1}, true},
        // Set back by hand: the change time still dates the change.
        {"old write time, fresh change", {50, 0}, {100, 500000000}, {100, 510000000}, true},
        {"future write time, old change", {900, 1}, {100, 1}, {200, 0}, true},
        {"both in the future", {900, 1}, {900, 1}, {200, 0}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        struct stat st;
        std::memset(&st, 0, sizeof st);
        st.st_mtim = c.mtime;
        st.st_ctim = c.ctime;
        EXPECT_EQ(platform::posix::ReadIsSettled(st, c.readAt), c.settled);
    }
}

TEST(RegistryFileHoldsText, ComparesEveryByteAndTheLength)
{
    test::TempDir dir;
    const std::string big(10000, 'b');
    std::string bigOther = big;
    bigOther[9000] = 'c';
    const struct {
        const char *what;
        std::string file, text;
        bool holds;
    } cases[] = {
        {"equal", "REGEDIT4\r\n", "REGEDIT4\r\n", true},
        {"both empty", "", "", true},
        {"file shorter", "REGEDIT", "REGEDIT4", false},
        {"file longer", "REGEDIT44", "REGEDIT4", false},
        {"one byte differs", "REGEDIT5", "REGEDIT4", false},
        {"empty file", "", "x", false},
        {"beyond one buffer, equal", big, big, true},
        {"beyond one buffer, differs late", bigOther, big, false},
        {"beyond one buffer, one more byte", big + "b", big, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        test::WriteHostFile(dir / "r.reg", c.file);
        EXPECT_EQ(platform::posix::FileHoldsText((dir / "r.reg").c_str(), c.text), c.holds);
    }
    EXPECT_FALSE(platform::posix::FileHoldsText((dir / "missing.reg").c_str(), ""));
}

class RegistryFileTest : public PosixTest {};

TEST_F(RegistryFileTest, EditsAreSeenByLaterCalls)
{
    test::MakeHostDirs(H("e1"));
    test::MakeHostDirs(H("e2"));
    SetRegistry({DriveKey('E', H("e1"), "cdrom")});
    EXPECT_EQ(s().GetDriveTypeA("E:\\"), static_cast<UINT>(DRIVE_CDROM));
    // The same size and the same second: still seen.
    SetRegistry({DriveKey('E', H("e2"), "fixed")});
    EXPECT_EQ(s().GetDriveTypeA("E:\\"), static_cast<UINT>(DRIVE_FIXED));
    // A file that is old by its time stamp and changes later.
    SetRegistry({DriveKey('E', H("e1"), "cdrom")});
    struct timeval past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimes(registry_->path().c_str(), past), 0);
    EXPECT_EQ(s().GetDriveTypeA("E:\\"), static_cast<UINT>(DRIVE_CDROM));
    SetRegistry({DriveKey('E', H("e1"), "fixed")});
    EXPECT_EQ(s().GetDriveTypeA("E:\\"), static_cast<UINT>(DRIVE_FIXED));
    // Another file named.
    test::TempDir other;
    test::WriteHostFile(other / "r.reg", test::RegText({DriveKey('E', H("e1"), "ramdisk")}));
    test::ScopedEnv env("BRENVIK_REGISTRY", (other / "r.reg").c_str());
    EXPECT_EQ(s().GetDriveTypeA("E:\\"), static_cast<UINT>(DRIVE_RAMDISK));
}

TEST_F(RegistryFileTest, DriveTypesFromTheRegistry)
{
    for (const char *dir : {"a", "b", "c", "d", "e", "f"})
        test::MakeHostDirs(H(dir));
    SetRegistry({DriveKey('A', H("a"), "removable"), DriveKey('B', H("b"), "Remote"),
                 DriveKey('C', H("c"), "fixed"), DriveKey('D', H("d"), "CDROM"),
                 DriveKey('E', H("e"), "ramdisk"), DriveKey('F', H("f"), "tape"),
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\G]\r\n\"Path\"=" +
                     RegString(H("f")) + "\r\n"});
    const struct {
        const char *root;
        UINT type;
    } cases[] = {
        {"A:\\", DRIVE_REMOVABLE}, {"b:", DRIVE_REMOTE},   {"C:/", DRIVE_FIXED},
        {"D:\\", DRIVE_CDROM},     {"E:\\", DRIVE_RAMDISK}, {"F:\\", DRIVE_UNKNOWN},
        {"G:\\", DRIVE_FIXED},     {"H:\\", DRIVE_NO_ROOT_DIR}, {"C:\\x\\", DRIVE_NO_ROOT_DIR},
        {"", DRIVE_NO_ROOT_DIR},   {"C:\\\\", DRIVE_NO_ROOT_DIR},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.root);
        EXPECT_EQ(s().GetDriveTypeA(c.root), c.type);
    }
}

TEST_F(RegistryFileTest, SharesAndRememberedConnections)
{
    test::MakeHostDirs(H("pub"));
    SetRegistry({DriveKey('C', H("c"), "fixed"), ShareKey("server", "pub", H("pub")),
                 ShareKey("server", "gone", H("gone")), ConnectionKey('N', "\\\\server\\pub"),
                 ConnectionKey('O', "\\\\server\\gone"), ConnectionKey('P', "\\\\other\\x")});
    EXPECT_EQ(s().GetDriveTypeA("\\\\server\\pub\\"), static_cast<UINT>(DRIVE_REMOTE));
    EXPECT_EQ(s().GetDriveTypeA("\\\\SERVER\\PUB"), static_cast<UINT>(DRIVE_REMOTE));
    EXPECT_EQ(s().GetDriveTypeA("\\\\server\\gone\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
    EXPECT_EQ(s().GetDriveTypeA("\\\\server\\pub\\dir\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
    EXPECT_EQ(s().GetDriveTypeA("N:\\"), static_cast<UINT>(DRIVE_REMOTE));
    EXPECT_EQ(s().GetDriveTypeA("O:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));

    const struct {
        const char *local;
        DWORD result;
        const char *remote;
    } cases[] = {
        {"N:", NO_ERROR, "\\\\server\\pub"},
        {"n:\\", NO_ERROR, "\\\\server\\pub"},
        {"O:", ERROR_CONNECTION_UNAVAIL, "\\\\server\\gone"},
        {"P:\\", ERROR_CONNECTION_UNAVAIL, "\\\\other\\x"},
        {"C:", ERROR_NOT_CONNECTED, ""},
        {"Q:", ERROR_NOT_CONNECTED, ""},
        {"N:\\dir", ERROR_BAD_DEVICE, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.local);
        char remote[MAX_PATH] = "";
        DWORD length = sizeof remote;
        EXPECT_EQ(s().WNetGetConnectionA(c.local, remote, &length), c.result);
        EXPECT_STREQ(remote, c.remote);
    }
    // Too small a buffer: the length needed.
    char small[4];
    DWORD length = sizeof small;
    EXPECT_EQ(s().WNetGetConnectionA("N:", small, &length), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(length, std::strlen("\\\\server\\pub") + 1);

    // Files on the share, by UNC name and through the letter.
    test::WriteHostFile(H("pub/f.txt"), "x");
    EXPECT_EQ(s().GetFileAttributesA("\\\\server\\pub\\F.TXT"),
              static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(s().GetFileAttributesA("N:\\f.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    Mark();
    EXPECT_EQ(s().GetFileAttributesA("\\\\server\\gone\\f.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_BAD_NET_NAME));
}

TEST_F(RegistryFileTest, VolumesFromTheRegistryAndDrivesWithoutTheirMedium)
{
    test::MakeHostDirs(H("d"));
    test::MakeHostDirs(H("e"));
    SetRegistry({DriveKey('D', H("d"), "cdrom", {"\"Label\"=\"MY DISC\""}),
                 DriveKey('E', H("e"), "fixed", {"\"Compressed\"=dword:00000001"}),
                 DriveKey('F', H("absent"), "cdrom"), DriveKey('G', "", "removable")});
    char label[100];
    DWORD flags = 0;
    ASSERT_TRUE(s().GetVolumeInformationA("D:\\", label, sizeof label, nullptr, nullptr, &flags,
                                          nullptr, 0));
    EXPECT_STREQ(label, "MY DISC");
    EXPECT_EQ(flags & FS_VOL_IS_COMPRESSED, 0u);
    ASSERT_TRUE(s().GetVolumeInformationA("E:\\", nullptr, 0, nullptr, nullptr, &flags, nullptr,
                                          0));
    EXPECT_EQ(flags & FS_VOL_IS_COMPRESSED, static_cast<DWORD>(FS_VOL_IS_COMPRESSED));
    // A label that does not fit the buffer.
    Mark();
    EXPECT_FALSE(s().GetVolumeInformationA("D:\\", label, 7, nullptr, nullptr, nullptr, nullptr,
                                           0));
    EXPECT_EQ(Err(), 24u);
    // The root form only.
    Mark();
    EXPECT_FALSE(s().GetVolumeInformationA("D:", label, sizeof label, nullptr, nullptr, nullptr,
                                           nullptr, 0));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_INVALID_NAME));
    test::MakeHostDirs(H("d/sub"));
    Mark();
    EXPECT_FALSE(s().GetVolumeInformationA("D:\\sub\\", label, sizeof label, nullptr, nullptr,
                                           nullptr, nullptr, 0));
    EXPECT_EQ(Err(), 144u);  // ERROR_DIR_NOT_ROOT
    // No medium: not ready, for every query but the type.
    const struct {
        const char *what;
        bool (*call)(platform::Services &);
    } noMedium[] = {
        {"volume", [](platform::Services &s) { return s.GetVolumeInformationA("F:\\", nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0) != 0; }},
        {"free space", [](platform::Services &s) { DWORD a, b, c, d; return s.GetDiskFreeSpaceA("F:\\", &a, &b, &c, &d) != 0; }},
        {"root", [](platform::Services &s) { return s.GetFileAttributesA("F:\\") != INVALID_FILE_ATTRIBUTES; }},
        {"file", [](platform::Services &s) { return s.GetFileAttributesA("F:\\file.txt") != INVALID_FILE_ATTRIBUTES; }},
        {"empty path", [](platform::Services &s) { return s.GetFileAttributesA("G:\\x") != INVALID_FILE_ATTRIBUTES; }},
        {"create", [](platform::Services &s) { HANDLE h = s.CreateFileA("F:\\x", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr); return h != INVALID_HANDLE_VALUE && s.CloseHandle(h); }},
    };
    for (const auto &c : noMedium) {
        SCOPED_TRACE(c.what);
        Mark();
        EXPECT_FALSE(c.call(s()));
        EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_NOT_READY));
    }
    EXPECT_EQ(s().GetDriveTypeA("F:\\"), static_cast<UINT>(DRIVE_CDROM));
    EXPECT_EQ(s().GetDriveTypeA("G:"), static_cast<UINT>(DRIVE_REMOVABLE));
    DWORD spc, bps, freeClusters, total;
    // A CD drive counts sectors of 2048 bytes.
    ASSERT_TRUE(s().GetDiskFreeSpaceA("D:\\", &spc, &bps, &freeClusters, &total));
    EXPECT_EQ(bps, 2048u);
    ASSERT_TRUE(s().GetDiskFreeSpaceA("E:\\", &spc, &bps, &freeClusters, &total));
    EXPECT_EQ(bps, 512u);
    // A medium inserted later is seen.
    test::MakeHostDirs(H("absent"));
    EXPECT_EQ(s().GetFileAttributesA("F:\\"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(RegistryFileTest, FreeSpaceFiguresAgree)
{
    DWORD spc, bps, freeClusters, total;
    ASSERT_TRUE(s().GetDiskFreeSpaceA("C:\\", &spc, &bps, &freeClusters, &total));
    auto query = reinterpret_cast<PFN_GetDiskFreeSpaceExA>(reinterpret_cast<void (*)()>(
        s().GetProcAddress(s().GetModuleHandleA("Kernel32"), "GetDiskFreeSpaceExA")));
    ASSERT_NE(query, nullptr);
    ULARGE_INTEGER available, bytes, free;
    ASSERT_TRUE(query("C:\\", &available, &bytes, &free));
    const uint64_t cluster = static_cast<uint64_t>(spc) * bps;
    if (total != 0xFFFFFFFFu) {
        EXPECT_EQ(static_cast<uint64_t>(total), bytes.QuadPart / cluster);
    }
    // Names are case-sensitive; modules are not.
    EXPECT_EQ(s().GetProcAddress(s().GetModuleHandleA("kernel32.dll"), "getdiskfreespaceexa"),
              nullptr);
}

TEST_F(RegistryFileTest, RegistryServicesReadTheFile)
{
    SetRegistry({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]\r\n\"DebugLevel\"=dword:00000001"});
    HKEY key = nullptr;
    ASSERT_EQ(s().RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrloDebug", &key), ERROR_SUCCESS);
    unsigned char data[4] = {};
    DWORD size = sizeof data;
    EXPECT_EQ(s().RegQueryValueExA(key, "DebugLevel", nullptr, nullptr, data, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(data[0], 1);
    // An edit is seen through a key opened before it.
    SetRegistry({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]\r\n\"DebugLevel\"=dword:00000007"});
    size = sizeof data;
    EXPECT_EQ(s().RegQueryValueExA(key, "DebugLevel", nullptr, nullptr, data, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(data[0], 7);
    EXPECT_EQ(s().RegCloseKey(key), ERROR_SUCCESS);
    // Closing twice, or a made-up handle.
    EXPECT_EQ(s().RegCloseKey(key), ERROR_INVALID_HANDLE);
    int junk = 0;
    EXPECT_EQ(s().RegCloseKey(reinterpret_cast<HKEY>(&junk)), ERROR_INVALID_HANDLE);
    EXPECT_EQ(s().RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrloDebug", nullptr),
              ERROR_INVALID_PARAMETER);
    // An intermediate key exists because a key below it does.
    ASSERT_EQ(s().RegOpenKeyA(HKEY_LOCAL_MACHINE, "software", &key), ERROR_SUCCESS);
    s().RegCloseKey(key);
}

}  // namespace
}  // namespace posixtest
}  // namespace brenvik
