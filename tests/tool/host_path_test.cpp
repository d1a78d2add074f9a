// Host paths back to the Windows paths that name them, and the way there.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "platform/posix/host_path.h"
#include "platform/posix_fixture.h"

namespace brenvik {
namespace posixtest {
namespace {

using platform::posix::HostToWindowsPath;
using platform::posix::IsWindowsNameable;
using platform::posix::WindowsToHostPath;

// The Windows name of a host path, or "refused: <why>".
std::string Win(const std::string &host)
{
    std::string windows = "untouched", why;
    if (!HostToWindowsPath(host, &windows, &why)) {
        EXPECT_EQ(windows, "untouched") << host;
        return "refused: " + why;
    }
    return windows;
}

// The default machine: no drive named, so C: is the host root.
class DefaultMapTest : public ::testing::Test {
protected:
    test::ScopedRegistryFile registry_{test::RegText({})};
};

TEST_F(DefaultMapTest, HostRootIsDriveC)
{
    const struct {
        const char *host;
        const char *windows;
    } cases[] = {
        {"/", "C:\\"},
        {"/home/u/x", "C:\\home\\u\\x"},
        {"/home/u/x/", "C:\\home\\u\\x"},
        {"//home///u//x", "C:\\home\\u\\x"},
        {"/a/./b/../c", "C:\\a\\c"},
        {"/..", "C:\\"},
        {"/../../etc", "C:\\etc"},
        {"/a/b.tar.gz", "C:\\a\\b.tar.gz"},
        // Characters Windows refuses pass through: the library judges them.
        {"/a/b*c:d", "C:\\a\\b*c:d"},
        {"/a/.hidden", "C:\\a\\.hidden"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Win(c.host), c.windows) << c.host;
}

TEST_F(DefaultMapTest, NamesThatCannotSurviveAreRefused)
{
    const char *refused[] = {"/a/b\\c", "/a/name.", "/a/name ", "/dir./file", "/a/..."};
    for (const char *host : refused) {
        const std::string result = Win(host);
        EXPECT_EQ(result.rfind("refused: ", 0), 0u) << host << " gave " << result;
    }
    EXPECT_EQ(Win(""), "refused: the path is empty");
    EXPECT_NE(Win("/a/b\\c").find("backslash"), std::string::npos);
    EXPECT_NE(Win("/a/name.").find("ends in a dot or a blank"), std::string::npos);
}

TEST_F(DefaultMapTest, RelativePathsStartAtTheCurrentDirectory)
{
    test::TempDir dir;
    char old[4096];
    ASSERT_NE(::getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    std::string base = test::Backslashed(dir.path());  // \tmp\...
    std::string sub = Win("sub/file.vcd");
    std::string self = Win(".");
    std::string up = Win("../x");
    ASSERT_EQ(::chdir(old), 0);

    EXPECT_EQ(sub, "C:" + base + "\\sub\\file.vcd");
    EXPECT_EQ(self, "C:" + base);
    const std::string parent = base.substr(0, base.rfind('\\'));
    EXPECT_EQ(up, "C:" + parent + "\\x");
}

TEST(IsWindowsNameableTest, Names)
{
    const struct {
        const char *name;
        bool nameable;
    } cases[] = {{"file.txt", true}, {".hidden", true}, {"a b", true},   {"a:b", true},
                 {"", false},        {"a\\b", false},   {"end.", false}, {"end ", false},
                 {"..", false}};
    for (const auto &c : cases)
        EXPECT_EQ(IsWindowsNameable(c.name), c.nameable) << '"' << c.name << '"';
}

// Drives, shares and connections in a temporary directory.
class ConfiguredMapTest : public PosixTest {
protected:
    void SetUp() override
    {
        PosixTest::SetUp();
        for (const char *d : {"c", "cd", "cd/sub", "srv", "twin", "gone-parent"})
            test::MakeHostDirs(H(d));
        SetRegistry({DriveKey('C', H("c"), "fixed"), DriveKey('D', H("cd"), "cdrom"),
                     DriveKey('E', H("cd/sub") + "/", "fixed"),
                     DriveKey('H', H("twin"), "fixed"), DriveKey('G', H("twin"), "fixed"),
                     DriveKey('M', "", "removable"),
                     DriveKey('R', H("gone-parent/missing"), "removable"),
                     ShareKey("nas", "images", H("srv")), ConnectionKey('N', "\\\\nas\\images"),
                     ShareKey("nas", "twin", H("twin"))});
    }
};

TEST_F(ConfiguredMapTest, LongestRootWins)
{
    const struct {
        std::string host;
        std::string windows;
    } cases[] = {
        {H("c"), "C:\\"},
        {H("c/dir/f.vcd"), "C:\\dir\\f.vcd"},
        {H("cd"), "D:\\"},
        {H("cd/x"), "D:\\x"},
        // E: sits inside D:, so its own root is the longer match.
        {H("cd/sub/y"), "E:\\y"},
        // A name that only begins like the root is not below it.
        {H("cdx/y"), "refused: no drive or share holds it"},
        // A share, not the letter a remembered connection gives it.
        {H("srv/a/b"), "\\\\nas\\images\\a\\b"},
        {H("srv"), "\\\\nas\\images"},
        // A configured drive before a share of the same directory, and the
        // first letter of two.
        {H("twin/t"), "G:\\t"},
        // A drive without its medium still names its directory.
        {H("gone-parent/missing/z"), "R:\\z"},
        {"/", "refused: no drive or share holds it"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Win(c.host), c.windows) << c.host;
}

TEST_F(ConfiguredMapTest, BackToTheHost)
{
    test::MakeHostDirs(H("cd/Mixed/Case"));
    const struct {
        const char *windows;
        std::string host;
    } cases[] = {
        {"D:\\x\\y.vcd", H("cd/x/y.vcd")},
        {"d:/x", H("cd/x")},
        // Case is folded where the host has the name in another case.
        {"D:\\mixed\\CASE\\f", H("cd/Mixed/Case/f")},
        {"\\\\nas\\images\\a", H("srv/a")},
        {"N:\\a", H("srv/a")},
    };
    for (const auto &c : cases) {
        std::string host;
        ASSERT_TRUE(WindowsToHostPath(c.windows, &host)) << c.windows;
        EXPECT_EQ(host, c.host) << c.windows;
    }
    std::string host = "untouched";
    EXPECT_FALSE(WindowsToHostPath("Q:\\nothing", &host));
    EXPECT_FALSE(WindowsToHostPath("\\\\nobody\\share\\x", &host));
    EXPECT_FALSE(WindowsToHostPath("C:\\a|b", &host));
    EXPECT_EQ(host, "untouched");
}

TEST_F(ConfiguredMapTest, RoundTrip)
{
    for (const std::string &host :
         {H("c/a/b.vcd"), H("cd/x"), H("cd/sub/deep/er"), H("srv/share/file.D00")}) {
        std::string windows, back;
        ASSERT_TRUE(HostToWindowsPath(host, &windows)) << host;
        ASSERT_TRUE(WindowsToHostPath(windows, &back)) << windows;
        EXPECT_EQ(back, host) << windows;
    }
}

}  // namespace
}  // namespace posixtest
}  // namespace brenvik
