// Windows paths onto host paths, and the lookup that folds letter case.
#include <sys/stat.h>
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

TEST_F(PathMapTest, DriveWithoutItsMediumIsNotReady)
{
    SetRegistry({DriveKey('C', H("c"), "fixed"), DriveKey('E', H("no-disc"), "cdrom"),
                 DriveKey('F', "", "removable")});
    for (const char *path : {"E:\\", "E:\\file.txt", "F:\\x"}) {
        SCOPED_TRACE(path);
        Mark();
        EXPECT_EQ(s().GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_NOT_READY));
    }
    Mark();
    EXPECT_EQ(s().CreateFileA("E:\\x", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_NOT_READY));
    // The type stands without the medium.
    EXPECT_EQ(s().GetDriveTypeA("E:\\"), static_cast<UINT>(DRIVE_CDROM));
    EXPECT_EQ(s().GetDriveTypeA("F:"), static_cast<UINT>(DRIVE_REMOVABLE));
    // A medium inserted later is seen.
    test::MakeHostDirs(H("no-disc"));
    EXPECT_EQ(s().GetFileAttributesA("E:\\"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

}  // namespace
}  // namespace posixtest
}  // namespace brenvik
