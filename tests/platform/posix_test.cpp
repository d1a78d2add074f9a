// What only the POSIX backend has: Windows paths onto host paths, the
// registry file and what it configures, user.DOSATTRIB, links, searches that
// stream, debug output, sockets and the errno table.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include <brenvik/brenvik.h>

#include "platform/posix/errors.h"
#include "platform/posix/handles.h"
#include "platform/posix/path_map.h"
#include "platform/posix/registry_store.h"
#include "platform/posix_fixture.h"

namespace brenvik {
namespace posixtest {
namespace {

using namespace platform::posix;

const std::string kNls =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage]\r\n\"ACP\"=";

class RegistryTest : public PosixTest {
protected:
    void SetUp() override
    {
        PosixTest::SetUp();
        for (const char *d : {"a", "b", "d", "e", "t", "share"})
            test::MakeHostDirs(H(d));
        SetRegistry({DriveKey('A', H("a"), "removable"), DriveKey('B', H("b"), "Remote"),
                     DriveKey('C', H("c"), "fixed"),
                     DriveKey('D', H("d") + "/", "CDROM", {"\"Label\"=\"MY DISC\""}),
                     DriveKey('E', H("e"), "ramdisk", {"\"Compressed\"=dword:00000001"}),
                     DriveKey('F', H("absent"), "cdrom"), DriveKey('G', "", "removable"),
                     DriveKey('T', H("t"), "tape"),
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\U]\r\n\"Path\"=" +
                         RegString(H("t")),
                     ShareKey("srv", "pub", H("share")), ShareKey("srv", "gone", H("nowhere")),
                     ConnectionKey('N', "\\\\srv\\pub"), ConnectionKey('O', "\\\\srv\\gone")});
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
    const std::string c = H("c"), pub = H("share"), a200(200, 'a'), b55(55, 'b');
    const std::string longest = "C:\\" + a200 + "\\" + b55;  // MAX_PATH - 1
    const struct { std::string win, host; } cases[] = {
        {"C:\\", c}, {"c:\\dir/sub\\\\file", c + "/dir/sub/file"},
        {"C:rel\\x", c + "/rel/x"}, {"D:\\a", H("d") + "/a"},
        {"C:\\a\\.\\b\\..\\c", c + "/a/c"}, {"C:\\..\\..\\up", c + "/up"},
        // One period off a name a separator follows; every period and blank
        // off the final name only.
        {"C:\\dir.\\file. . ", c + "/dir/file"}, {"C:\\dir\\...", c + "/dir"},
        {"C:\\fresh \\", c + "/fresh "}, {"C:\\x\\...\\y", c + "/x/.../y"},
        {"C:\\. e\\ j\\k . .", c + "/. e/ j/k"}, {"\\\\?\\C:\\x. ", c + "/x. "},
        {"\\\\?\\C:\\x\\..\\y", "error 123"}, {"\\\\srv\\pub\\x\\y", pub + "/x/y"},
        {"\\\\?\\UNC\\srv\\pub\\x", pub + "/x"}, {"\\rooted\\x", "/rooted/x"}, {"..\\x", "../x"},
        {longest, c + "/" + a200 + "/" + b55}, {longest + "b", "error 206"},
        {"C:\\" + std::string(256, 'b'), "error 123"}, {"C:\\a:b", c + "/a"},  // a stream of a
        {"C:\\a:b\\c", "error 123"}, {"C:\\:b", "error 123"}, {"C:\\nul\\x", c + "/nul/x"},
        {"Q:\\x", "error 3"}, {"z:\\x", "error 3"},  // a lower-case letter is a drive too
        {"O:\\x", "error 3"},  // a connection whose share is gone
        {"\\\\srv\\nope\\x", "error 67"}, {"\\\\nobody\\pub", "error 53"},
        {"\\\\srv", "error 161"}, {"\\\\.\\PhysicalDrive0", "error 2"}, {"", "error 3"},
    };
    for (const auto &tc : cases) {
        SCOPED_TRACE(tc.win);
        EXPECT_EQ(Map(tc.win.c_str()), tc.host);
    }
    EXPECT_EQ(Map("C:\\dir\\*.", kMapWildcards), c + "/dir/*.");
    EXPECT_EQ(Map(nullptr), "error 3");
    // A final name whose part before any '.' or ':', blanks dropped, is a DOS
    // device is that device, in any directory.
    const DWORD dev = FILE_ATTRIBUTE_ARCHIVE, no = INVALID_FILE_ATTRIBUTES;
    const struct { const char *win; DWORD attrs; } devices[] = {
        {"C:\\Con ", dev}, {"C:\\COM9 .txt", dev}, {"C:\\prn:s", dev}, {"C:\\none\\LPT1", dev},
        {"C:\\nul1", no}, {"C:\\com0", no}, {"C:\\lpt", no}, {"C:\\nul\\", no},
    };
    for (const auto &d : devices)
        EXPECT_EQ(s().GetFileAttributesA(d.win), d.attrs) << d.win;
}

// The registry's code page reaches the path model: with 932 and 936, 0x95 0x5C
// is one character; with 1252 the 0x5C separates.
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
    EXPECT_EQ(split({kNls + "\"932\"\r\n"}), "|\x95\\x");
    EXPECT_EQ(s().GetACP(), 932u);
    EXPECT_EQ(Map("C:\\\x95\\\\x"), H("c") + "/\x95\\/x");
    EXPECT_EQ(split({kNls + "\"1252\"\r\n"}), "\x95|x");
    EXPECT_EQ(split({kNls + "\"936\"\r\n"}), "|\x95\\x");
    // A trail byte that looks like a letter keeps its case when names fold.
    test::WriteHostFile(H("c/\x95" "A"), "");
    EXPECT_EQ(s().GetFileAttributesA("C:\\\x95" "a"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(split({}), "\x95|x");
    EXPECT_EQ(Map("C:\\\x95\\\\x"), H("c") + "/\x95/x");
    EXPECT_EQ(s().GetFileAttributesA("C:\\\x95" "a"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
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
                        test::RegText({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dbg]", "\"L\"=dword:2a",
                                       "\"Blob\"=hex:01,02,03,04,05"}));
    HKEY missing = nullptr;
    EXPECT_EQ(s().RegOpenKeyA(key, "NoSuchChild", &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(s().RegQueryValueExA(key, "Absent", nullptr, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
    const struct {
        const char *name;
        DWORD bufferSize;  // 0: no buffer, the size alone
        LONG result;
        DWORD type, size;
        std::string data;
    } cases[] = {
        {"l", 4, ERROR_SUCCESS, REG_DWORD, 4, std::string("\x2a\0\0\0", 4)},
        {"Blob", 0, ERROR_SUCCESS, REG_BINARY, 5, ""},
        {"Blob", 4, ERROR_MORE_DATA, REG_BINARY, 5, ""},  // refused with the size needed
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        unsigned char buf[16];
        DWORD type = 0, size = c.bufferSize;
        unsigned char *data = c.bufferSize ? buf : nullptr;
        EXPECT_EQ(s().RegQueryValueExA(key, c.name, nullptr, &type, data, &size), c.result);
        const bool filled = c.result == ERROR_SUCCESS && data != nullptr;
        const std::string got(reinterpret_cast<char *>(buf), filled ? size : 0);
        EXPECT_EQ(std::make_tuple(type, size, got), std::make_tuple(c.type, c.size, c.data));
    }
    EXPECT_EQ(s().RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(s().RegCloseKey(key), ERROR_INVALID_HANDLE);
}

// Where the registry file is: the named file (even missing), else XDG's, else
// HOME's, else /etc's, else none.
TEST(RegistryLocation, ExplicitFileThenXdgThenHomeThenEtc)
{
    test::TempDir dir;
    for (const char *d : {"xdg/brenvik", "home/.config/brenvik"}) {
        test::MakeHostDirs(dir / d);
        test::WriteHostFile(dir / d + "/registry.reg", "");
    }
    const auto located = [] {
        char path[4096] = "unset";
        return LocateRegistryFile(path, sizeof path) ? std::string(path) : std::string("false");
    };
    test::ScopedEnv home("HOME", (dir / "home").c_str());
    test::ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "xdg").c_str());
    {
        test::ScopedEnv reg("BRENVIK_REGISTRY", (dir / "missing.reg").c_str());
        EXPECT_EQ(located(), dir / "missing.reg");
    }
    test::ScopedEnv reg("BRENVIK_REGISTRY", nullptr);
    EXPECT_EQ(located(), dir / "xdg/brenvik/registry.reg");
    {
        test::ScopedEnv noXdg("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(located(), dir / "home/.config/brenvik/registry.reg");
    }
    test::ScopedEnv emptyXdg("XDG_CONFIG_HOME", (dir / "empty").c_str());
    const char *etc = "/etc/brenvik/registry.reg";
    EXPECT_EQ(located(), test::HostExists(etc) ? etc : "");
}

TEST_F(RegistryTest, DrivesSharesAndConnections)
{
    const struct { const char *root; UINT type; } types[] = {
        {"A:\\", DRIVE_REMOVABLE}, {"b:", DRIVE_REMOTE}, {"C:/", DRIVE_FIXED},
        {"D:\\", DRIVE_CDROM}, {"E:\\", DRIVE_RAMDISK}, {"T:\\", DRIVE_UNKNOWN},
        {"U:\\", DRIVE_FIXED}, {"H:\\", DRIVE_NO_ROOT_DIR}, {"C:\\\\", DRIVE_NO_ROOT_DIR},
        {"\\\\SRV\\PUB", DRIVE_REMOTE}, {"\\\\srv\\gone\\", DRIVE_NO_ROOT_DIR},
        {"\\\\srv\\pub\\dir\\", DRIVE_NO_ROOT_DIR}, {"N:\\", DRIVE_REMOTE},
        {"O:\\", DRIVE_NO_ROOT_DIR},
    };
    for (const auto &c : types)
        EXPECT_EQ(s().GetDriveTypeA(c.root), c.type) << c.root;
    const struct { const char *local; DWORD result; const char *remote; } connections[] = {
        {"n:\\", NO_ERROR, "\\\\srv\\pub"}, {"O:", ERROR_CONNECTION_UNAVAIL, "\\\\srv\\gone"},
        {"C:", ERROR_NOT_CONNECTED, ""}, {"N:\\dir", ERROR_BAD_DEVICE, ""},
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
    EXPECT_EQ(Call('a', "\\\\srv\\gone\\f.txt"), ERROR_BAD_NET_NAME);
}

// Labels, the compressed flag, sector sizes and a drive without medium are
// seen through the drive queries in tests/drive; here, the refusals only the
// services show.
TEST_F(RegistryTest, VolumesAndDrivesWithoutTheirMedium)
{
    char label[100];
    const auto vol = [&](const char *root, char *name, DWORD size) {
        Mark();
        return s().GetVolumeInformationA(root, name, size, nullptr, nullptr, nullptr, nullptr, 0)
                   ? 0
                   : static_cast<long>(Err());
    };
    test::MakeHostDirs(H("d/sub"));
    EXPECT_EQ(vol("D:\\", label, 8), 0);
    EXPECT_STREQ(label, "MY DISC");
    EXPECT_EQ(vol("D:\\", label, 7), 24);  // the label does not fit
    EXPECT_EQ(vol("D:", label, sizeof label), ERROR_INVALID_NAME);
    EXPECT_EQ(vol("D:\\sub\\", label, sizeof label), 144);  // ERROR_DIR_NOT_ROOT
    DWORD flags = 0;
    ASSERT_TRUE(
        s().GetVolumeInformationA("E:\\", nullptr, 0, nullptr, nullptr, &flags, nullptr, 0));
    EXPECT_TRUE(flags & FS_VOL_IS_COMPRESSED);
    // No medium: not ready, for every query but the type.
    EXPECT_EQ(vol("F:\\", nullptr, 0), ERROR_NOT_READY);
    EXPECT_EQ(Call('a', "G:\\x"), ERROR_NOT_READY);
    test::MakeHostDirs(H("absent"));  // a medium inserted later is seen
    EXPECT_EQ(s().GetFileAttributesA("F:\\"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

std::string XattrOf(const std::string &file)
{
    char buf[64];
    ssize_t n = ::getxattr(file.c_str(), "user.DOSATTRIB", buf, sizeof buf);
    return n < 0 ? "<none>" : std::string(buf, static_cast<std::size_t>(n));
}

bool SetXattr(const std::string &file, const std::string &value)
{
    return ::setxattr(file.c_str(), "user.DOSATTRIB", value.data(), value.size(), 0) == 0;
}

TEST_F(PosixTest, DosAttributesFromXattrsModesAndNames)
{
    test::WriteHostFile(H("c/f.txt"), "");
    if (!SetXattr(H("c/f.txt"), "0x0"))
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    const struct { std::string value; DWORD attrs; } cases[] = {
        // Samba's newer form: the text, a NUL, then a binary version block.
        {std::string("0x26\0\x04\0\x04\0\0\0\x11\x22", 13), 0x26}, {"0X2", FILE_ATTRIBUTE_HIDDEN},
        {"0x0", FILE_ATTRIBUTE_NORMAL},
        {"0x11", FILE_ATTRIBUTE_NORMAL},  // read-only and directory come from the mode
        {"0x", FILE_ATTRIBUTE_ARCHIVE},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(SetXattr(H("c/f.txt"), c.value));
        EXPECT_EQ(s().GetFileAttributesA("C:\\f.txt"), c.attrs) << c.value;
    }
    // Written as Samba's text, without a NUL; read-only as the mode.
    ASSERT_TRUE(s().SetFileAttributesA("C:\\f.txt", FILE_ATTRIBUTE_HIDDEN | 0x20));
    EXPECT_EQ(XattrOf(H("c/f.txt")), "0x22");
    ASSERT_TRUE(s().SetFileAttributesA("C:\\f.txt", FILE_ATTRIBUTE_READONLY | 0x4));
    EXPECT_EQ(XattrOf(H("c/f.txt")), "0x4");
    struct stat st;
    ASSERT_EQ(::stat(H("c/f.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    // A new file asking for hidden gets it with the archive bit; a plain one nothing.
    EXPECT_TRUE(Closed(Create("C:\\new.txt", GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN)));
    EXPECT_EQ(XattrOf(H("c/new.txt")), "0x22");
    EXPECT_TRUE(Closed(Create("C:\\plain.txt", GENERIC_WRITE, CREATE_NEW)));
    EXPECT_EQ(XattrOf(H("c/plain.txt")), "<none>");
    // Overwriting a hidden file without saying so is refused, as on Windows.
    EXPECT_EQ(Call('w', "C:\\new.txt"), ERROR_ACCESS_DENIED);
    // A dot name is hidden; a directory without write permission is read-only.
    test::MakeHostDirs(H("c/.cache"));
    ::chmod(H("c/.cache").c_str(), 0555);
    EXPECT_EQ(s().GetFileAttributesA("C:\\.cache"),
              DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Call('r', "C:\\.cache"), ERROR_ACCESS_DENIED);
    // The handle that creates a read-only file may still write it.
    HANDLE h = Create("C:\\ro.txt", GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_READONLY);
    DWORD n = 0;
    EXPECT_TRUE(s().WriteFile(h, "abc", 3, &n, nullptr));
    s().CloseHandle(h);
    EXPECT_EQ(test::ReadHostFile(H("c/ro.txt")), "abc");
}

// A search reads an entry relative to its open directory; a status query
// goes by the whole path. Both must tell the same story of every kind of
// entry, "." and ".." included.
TEST_F(PosixTest, SearchesAndLinksReportWhatGetFileAttributesExReports)
{
    test::MakeHostDirs(H("c/d/sub"));
    test::WriteHostFile(H("c/d/plain.txt"), std::string(1234, 'p'));
    ASSERT_EQ(::symlink(H("c/d/sub").c_str(), H("c/d/dirlink").c_str()), 0);
    ASSERT_EQ(::symlink(H("c/d/plain.txt").c_str(), H("c/d/filelink").c_str()), 0);
    ASSERT_EQ(::mkfifo(H("c/d/fifo").c_str(), 0644), 0);
    // Distinct times with a fraction, so that a field taken from the wrong
    // stamp shows.
    struct timespec times[2] = {{1500000000, 123456700}, {1600000000, 765432100}};
    ASSERT_EQ(::utimensat(AT_FDCWD, H("c/d/plain.txt").c_str(), times, 0), 0);
    const auto ticks = [](const FILETIME &t) {
        return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
    };
    constexpr uint64_t k1601 = 11644473600ull;  // seconds from 1601 to 1970
    const DWORD A = FILE_ATTRIBUTE_ARCHIVE, D = FILE_ATTRIBUTE_DIRECTORY,
                L = FILE_ATTRIBUTE_REPARSE_POINT;
    std::map<std::string, DWORD> cases = {
        {"plain.txt", A}, {"sub", D}, {"dirlink", L | D}, {"filelink", L | A}, {"fifo", A},
        {".", D}, {"..", D},
    };
    WIN32_FIND_DATAA found;
    HANDLE h = s().FindFirstFileA("C:\\d\\*", &found);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do {
        const std::string name = found.cFileName;
        SCOPED_TRACE(name);
        const bool link = found.dwFileAttributes & L;
        // Following a link may stamp its access time in between.
        const auto facts = [&](const auto &d) {
            return std::make_tuple(d.dwFileAttributes, d.nFileSizeHigh, d.nFileSizeLow,
                                   ticks(d.ftLastWriteTime), ticks(d.ftCreationTime),
                                   link ? 0 : ticks(d.ftLastAccessTime));
        };
        WIN32_FILE_ATTRIBUTE_DATA queried;
        ASSERT_TRUE(s().GetFileAttributesExA(("C:\\d\\" + name).c_str(), GetFileExInfoStandard,
                                             &queried));
        EXPECT_EQ(found.dwFileAttributes, cases[name]);
        EXPECT_EQ(facts(found), facts(queried));
        EXPECT_EQ(found.dwReserved0, link ? 0xA000000Cu : 0u);
        cases.erase(name);
        if (name != "plain.txt")
            continue;
        EXPECT_EQ(found.nFileSizeLow, 1234u);
        EXPECT_EQ(ticks(found.ftLastWriteTime), (1600000000ull + k1601) * 10000000ull + 7654321);
        EXPECT_EQ(ticks(found.ftLastAccessTime), (1500000000ull + k1601) * 10000000ull + 1234567);
    } while (s().FindNextFileA(h, &found));
    EXPECT_TRUE(s().FindClose(h));
    EXPECT_TRUE(cases.empty());

    // Links: a search does not go through one to a directory; opening follows
    // one to a file; deleting removes the link itself, each by its own call.
    test::WriteHostFile(H("c/d/sub/keep.txt"), "keep");
    ASSERT_EQ(::symlink(H("c/none").c_str(), H("c/d/dangling").c_str()), 0);
    EXPECT_EQ(s().GetFileAttributesA("C:\\d\\dangling"), L | A);
    h = Create("C:\\d\\filelink", GENERIC_READ, OPEN_EXISTING);
    EXPECT_EQ(s().GetFileSize(h, nullptr), 1234u);
    s().CloseHandle(h);
    EXPECT_EQ(Call('f', "C:\\d\\dirlink\\*"), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(Call('d', "C:\\d\\dirlink"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Call('r', "C:\\d\\filelink"), ERROR_DIRECTORY);
    EXPECT_EQ(Call('d', "C:\\d\\filelink"), 0);
    EXPECT_EQ(Call('r', "C:\\d\\dirlink"), 0);
    EXPECT_FALSE(test::HostExists(H("c/d/dirlink")));
    EXPECT_EQ(test::ReadHostFile(H("c/d/plain.txt")).size(), 1234u);
    EXPECT_EQ(test::ReadHostFile(H("c/d/sub/keep.txt")), "keep");
}

// The calls on a search's entries act in the directory the search holds
// open: after that directory is swapped for a link, they still act in it,
// and a link they are given is removed, never followed.
TEST_F(PosixTest, CallsOnListedEntriesStayInTheListedDirectory)
{
    test::MakeHostDirs(H("c/d/sub"));
    test::WriteHostFile(H("c/d/a.txt"), "in d");
    test::WriteHostFile(H("c/d/sub/s.txt"), "in sub");
    test::MakeHostDirs(H("out/sub"));
    for (const char *f : {"out/a.txt", "out/sub/s.txt", "out/f.txt"})
        test::WriteHostFile(H(f), "outside");
    WIN32_FIND_DATAA data;
    HANDLE search = s().FindFirstFileA("C:\\d\\*", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    ASSERT_EQ(::rename(H("c/d").c_str(), H("c/moved").c_str()), 0);
    ASSERT_EQ(::symlink(H("out").c_str(), H("c/d").c_str()), 0);
    ASSERT_EQ(::symlink(H("out/f.txt").c_str(), H("c/moved/filelink").c_str()), 0);
    ASSERT_EQ(::symlink(H("out/sub").c_str(), H("c/moved/dirlink").c_str()), 0);

    HANDLE inner = s().FindFirstFileInA(search, "C:\\d\\sub\\*.txt", &data);
    ASSERT_NE(inner, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "s.txt");
    EXPECT_TRUE(s().DeleteFileInA(inner, "C:\\d\\sub\\s.txt"));
    EXPECT_TRUE(s().FindClose(inner));
    EXPECT_TRUE(s().RemoveDirectoryInA(search, "C:\\d\\sub"));
    EXPECT_TRUE(s().DeleteFileInA(search, "C:\\d\\a.txt"));
    // A link takes the call of what it leads to.
    EXPECT_EQ(Call('r', "C:\\d\\filelink", &search), ERROR_DIRECTORY);
    EXPECT_EQ(Call('d', "C:\\d\\dirlink", &search), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Call('d', "C:\\d\\filelink", &search), 0);
    EXPECT_EQ(Call('f', "C:\\d\\dirlink\\*", &search), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(Call('r', "C:\\d\\dirlink", &search), 0);
    EXPECT_TRUE(std::filesystem::is_empty(H("c/moved")));
    for (const char *f : {"out/a.txt", "out/sub/s.txt", "out/f.txt"})
        EXPECT_EQ(test::ReadHostFile(H(f)), "outside");
    // What is no entry name, and what is no search.
    for (const char *bad : {"C:\\d\\", "C:\\d\\.", "C:\\d\\..", "C:\\d\\a*"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(Call('d', bad, &search), ERROR_INVALID_NAME);
        EXPECT_EQ(Call('f', std::string(bad) + "\\*", &search), ERROR_INVALID_NAME);
    }
    EXPECT_TRUE(s().FindClose(search));
    EXPECT_EQ(Call('r', "C:\\d\\x", &search), ERROR_INVALID_HANDLE);
    EXPECT_EQ(Call('f', "C:\\d\\x\\*", &search), ERROR_INVALID_HANDLE);
}

TEST_F(PosixTest, SearchesSkipUnusableNames)
{
    test::MakeHostDirs(H("c/d"));
    for (const char *name : {"ok.txt", "back\\slash.txt", "colon:.txt", "star*.txt"})
        test::WriteHostFile(H("c/d/") + name, "");
    test::WriteHostFile(H("c/d/") + std::string(255, 'n'), "");
    WIN32_FIND_DATAA data;
    HANDLE h = s().FindFirstFileA("C:\\d\\*.txt", &data);
    EXPECT_STREQ(h != INVALID_HANDLE_VALUE ? data.cFileName : "", "ok.txt");
    Mark();
    EXPECT_FALSE(s().FindNextFileA(h, &data));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    s().FindClose(h);
    h = s().FindFirstFileA("C:\\d\\nnn*", &data);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE ? std::strlen(data.cFileName) : 0, 255u);
    s().FindClose(h);
    // The root of a drive lists no "." and "..".
    h = s().FindFirstFileA("C:\\*", &data);
    EXPECT_STREQ(h != INVALID_HANDLE_VALUE ? data.cFileName : "", "d");
    s().FindClose(h);
    EXPECT_EQ(LiveHandles(HandleKind::kFind), 0u);
}

TEST_F(PosixTest, SizesBeyondFourGigabytesAndMovesAcrossFileSystems)
{
    // A sparse file whose low 32 bits of size are all ones.
    test::WriteHostFile(H("c/big.bin"), "");
    if (::truncate(H("c/big.bin").c_str(), 0x1FFFFFFFFLL) == 0) {
        HANDLE h = Create("C:\\big.bin", GENERIC_READ, OPEN_EXISTING);
        DWORD high = 0;
        Mark();
        EXPECT_EQ(s().GetFileSize(h, &high), INVALID_FILE_SIZE);
        EXPECT_EQ(high, 1u);
        EXPECT_EQ(Err(), static_cast<DWORD>(NO_ERROR));  // a size, not a failure
        LONG moveHigh = 1;
        EXPECT_EQ(s().SetFilePointer(h, -1, &moveHigh, FILE_BEGIN), INVALID_SET_FILE_POINTER);
        EXPECT_EQ(moveHigh, 1);
        EXPECT_EQ(Err(), static_cast<DWORD>(NO_ERROR));
        // Without a high part the position must fit 32 bits.
        EXPECT_EQ(s().SetFilePointer(h, 0x10, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
        EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        s().CloseHandle(h);
    }
    // /dev/shm is a tmpfs apart from the temporary directory's file system
    // on most hosts; where it is the same, the move is a rename.
    test::WriteHostFile(H("c/moving.txt"), "payload");
    char shm[] = "/dev/shm/brenvik-XXXXXX";
    if (::mkdtemp(shm) == nullptr)
        return;
    SetRegistry({DriveKey('C', H("c"), "fixed"), DriveKey('R', shm, "ramdisk")});
    EXPECT_TRUE(s().MoveFileA("C:\\moving.txt", "R:\\moved.txt")) << Err();
    EXPECT_FALSE(test::HostExists(H("c/moving.txt")));
    EXPECT_EQ(test::ReadHostFile(std::string(shm) + "/moved.txt"), "payload");
    ::unlink((std::string(shm) + "/moved.txt").c_str());
    ::rmdir(shm);
}

TEST(ErrnoTable, CodesAWindowsProgramSees)
{
    const struct { int err; DWORD win32; int wsa; } cases[] = {
        {EPERM, ERROR_ACCESS_DENIED, WSAEACCES}, {ELOOP, ERROR_CANT_RESOLVE_FILENAME, WSAEINVAL},
        {EHWPOISON, ERROR_GEN_FAILURE, WSAEINVAL},  // one the table does not know
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Win32FromErrno(c.err), c.win32) << c.err;
        EXPECT_EQ(WsaFromErrno(c.err), c.wsa) << c.err;
    }
}

// The file is named again at each call; a receiver
// gets every string instead, until it is taken away.
TEST_F(PosixTest, DebugOutputAndMessageBoxes)
{
    const std::string first = H("first.log"), second = H("second.log");
    {
        test::ScopedEnv env("BRENVIK_DEBUG_OUTPUT", first.c_str());
        s().OutputDebugStringA("Orlo DbgMessage:a \n FILE:x LINE:1 ");
        s().OutputDebugStringA("next");
    }
    test::ScopedEnv env("BRENVIK_DEBUG_OUTPUT", second.c_str());
    std::vector<std::string> got;
    brenvik_set_debug_output(
        [](const char *text, void *context) {
            static_cast<std::vector<std::string> *>(context)->push_back(text);
        },
        &got);
    s().OutputDebugStringA("one");
    brenvik_set_debug_output(nullptr, &got);
    s().OutputDebugStringA("two");
    EXPECT_EQ(got, (std::vector<std::string>{"one"}));
    EXPECT_EQ(test::ReadHostFile(first), "Orlo DbgMessage:a \n FILE:x LINE:1 next");
    EXPECT_EQ(test::ReadHostFile(second), "two");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(s().MessageBoxA(nullptr, "SORRY: NA now!", "Brenvik", MB_OK), IDOK);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Brenvik\nSORRY: NA now!\n");
}

TEST(Sockets, StartUpCountsAndRefusals)
{
    auto &s = platform::PosixServices();
    EXPECT_EQ(s.socket(AF_INET, SOCK_DGRAM, 0), INVALID_SOCKET);
    EXPECT_EQ(s.WSAGetLastError(), WSANOTINITIALISED);
    WSADATA data;
    EXPECT_EQ(s.WSAStartup(MAKEWORD(0, 1), &data), WSAVERNOTSUPPORTED);
    // Two start-ups need two clean-ups.
    ASSERT_EQ(s.WSAStartup(MAKEWORD(2, 2), &data), 0);
    ASSERT_EQ(s.WSAStartup(MAKEWORD(1, 1), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
    EXPECT_EQ(s.WSACleanup(), 0);
    // Names that cannot be host names are refused before any query is made.
    const std::string bads[] = {"", "a..b", "bad name", std::string(64, 'a') + ".example"};
    for (const std::string &bad : bads) {
        EXPECT_EQ(s.gethostbyname(bad.c_str()), nullptr) << bad;
        EXPECT_EQ(s.WSAGetLastError(), WSAHOST_NOT_FOUND) << bad;
    }
    struct in_addr loopback;
    loopback.s_addr = static_cast<in_addr_t>(s.inet_addr("127.0.0.1"));
    EXPECT_EQ(loopback.s_addr, htonl(INADDR_LOOPBACK));
    EXPECT_STREQ(s.inet_ntoa(loopback), "127.0.0.1");
    struct hostent *host = s.gethostbyname("127.0.0.1");  // a number: no query
    ASSERT_TRUE(host != nullptr && host->h_length == 4);
    EXPECT_EQ(std::memcmp(host->h_addr_list[0], &loopback, 4), 0);
    // Datagrams over the loopback, to a socket's own free port.
    SOCKET sock = s.socket(AF_INET, SOCK_DGRAM, 0);
    struct sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    auto *to = reinterpret_cast<sockaddr *>(&address);
    socklen_t len = sizeof address;
    ASSERT_EQ(::bind(static_cast<int>(sock), to, len), 0);
    ASSERT_EQ(::getsockname(static_cast<int>(sock), to, &len), 0);
    // A receive time-out in milliseconds, so that no receive here hangs; it wants its DWORD.
    const DWORD ms = 30;
    const char *option = reinterpret_cast<const char *>(&ms);
    EXPECT_EQ(s.setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, option, 2), SOCKET_ERROR);
    EXPECT_EQ(s.WSAGetLastError(), WSAEFAULT);
    ASSERT_EQ(s.setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, option, sizeof ms), 0);
    EXPECT_EQ(s.sendto(sock, "ping", 4, 0, to, sizeof address), 4);
    char buf[16];
    struct sockaddr_in from = {};
    int fromLen = sizeof from;
    auto *fromAddress = reinterpret_cast<sockaddr *>(&from);
    EXPECT_EQ(s.recvfrom(sock, buf, sizeof buf, 0, fromAddress, &fromLen), 4);
    EXPECT_EQ(std::string(buf, 4), "ping");
    EXPECT_EQ(from.sin_port, address.sin_port);
    // Too long for the buffer: what fits, and "message too long".
    EXPECT_EQ(s.sendto(sock, "0123456789", 10, 0, to, sizeof address), 10);
    EXPECT_EQ(s.recvfrom(sock, buf, 4, 0, nullptr, nullptr), SOCKET_ERROR);
    EXPECT_EQ(s.WSAGetLastError(), WSAEMSGSIZE);
    EXPECT_EQ(std::string(buf, 4), "0123");
    EXPECT_EQ(s.recvfrom(sock, buf, sizeof buf, 0, nullptr, nullptr), SOCKET_ERROR);
    EXPECT_EQ(s.WSAGetLastError(), WSAETIMEDOUT);
    EXPECT_EQ(s.closesocket(sock), 0);
    // Closed, it is no socket.
    EXPECT_EQ(s.closesocket(sock), SOCKET_ERROR);
    EXPECT_EQ(s.WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(s.WSACleanup(), 0);
    EXPECT_EQ(s.WSACleanup(), SOCKET_ERROR);
    EXPECT_EQ(s.WSAGetLastError(), WSANOTINITIALISED);
}

}  // namespace
}  // namespace posixtest
}  // namespace brenvik
