// Host paths to the Windows paths that name them, and back.
#include <gtest/gtest.h>

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
    if (HostToWindowsPath(host, &windows, &why))
        return windows;
    EXPECT_EQ(windows, "untouched") << host;
    return "refused: " + why;
}

// The default machine: no drive named, so C: is the host root.
TEST(DefaultMapTest, HostRootIsDriveC)
{
    test::ScopedRegistryFile registry(test::RegText({}));
    const std::string no = "refused: the name '";
    const std::pair<std::string, std::string> cases[] = {
        {"/", "C:\\"}, {"/../home//u/./v/../../x/", "C:\\home\\x"},
        // A stream's colon or a wildcard would name something else; a device only at the end.
        {"/a/b*c:d", no + "b*c:d' holds a character Windows does not allow in a name"},
        {"/nul/x", "C:\\nul\\x"}, {"/a/nul.txt", no + "nul.txt' is a device to Windows"},
        {"", "refused: the path is empty"}, {"/a/b\\c", no + "b\\c' holds a backslash"},
        {"/dir./f", no + "dir.' ends in a dot or a blank, which Windows drops"},
    };
    for (const auto &[host, windows] : cases)
        EXPECT_EQ(Win(host), windows) << host;
    for (const char *name : {"file.txt", ".hidden", "a b", "nul1", "com0.txt"})
        EXPECT_TRUE(IsWindowsNameable(name)) << name;
    for (const char *name : {"", "a\\b", "end.", "end ", "..", "a:b", "a*b", "nul.txt", "COM1"})
        EXPECT_FALSE(IsWindowsNameable(name)) << name;
}

// Drives, shares and connections in a temporary directory: the longest root names a path.
TEST_F(PosixTest, HostPathsByLongestRoot)
{
    for (const char *d : {"cd/sub", "cd/Mixed/Case", "srv", "twin", "gone"})
        test::MakeHostDirs(H(d));
    SetRegistry({DriveKey('C', H("c"), "fixed"), DriveKey('D', H("cd"), "cdrom"),
                 DriveKey('E', H("cd/sub") + "/", "fixed"), DriveKey('H', H("twin"), "fixed"),
                 DriveKey('G', H("twin"), "fixed"), DriveKey('M', "", "removable"),
                 DriveKey('R', H("gone/missing"), "removable"), ShareKey("nas", "images", H("srv")),
                 ConnectionKey('N', "\\\\nas\\images"), ShareKey("nas", "twin", H("twin"))});
    const std::string none = "refused: no drive or share holds it";
    const std::pair<std::string, std::string> cases[] = {
        {H("c"), "C:\\"}, {H("cd/x"), "D:\\x"}, {H("cd/sub/y"), "E:\\y"}, {H("cdx/y"), none},
        {"/", none}, {H("gone/missing/z"), "R:\\z"},  // a drive without its medium
        {H("srv/a/b"), "\\\\nas\\images\\a\\b"},      // the share, not a connection's letter
        {H("twin/t"), "G:\\t"},  // a drive before a share, the first letter of two
    };
    for (const auto &[host, windows] : cases) {
        EXPECT_EQ(Win(host), windows) << host;
        std::string back;  // and the Windows name leads back to the host path
        EXPECT_TRUE(windows[0] == 'r' || (WindowsToHostPath(windows, &back) && back == host))
            << windows << " leads to " << back;
    }
    std::string host = "untouched";
    EXPECT_TRUE(!WindowsToHostPath("Q:\\nothing", &host) && host == "untouched") << host;
    EXPECT_TRUE(WindowsToHostPath("D:\\mixed\\CASE\\f", &host));
    EXPECT_EQ(host, H("cd/Mixed/Case/f"));  // folded to the host's case
}

}  // namespace
}  // namespace posixtest
}  // namespace brenvik
