// Run by resource_check_test, one test at a time: each test leaves one kind
// of resource open, or (Nothing) opens and closes them all.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/backends.h"
#include "platform/services.h"
#include "support/test_support.h"

namespace brenvik {
namespace {

struct Leaker : ::testing::Test {
    test::TempDir dir;
    test::ScopedRegistryFile registry{test::RegText(
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C]", "\"Path\"=\"" + dir.path() + "\"",
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Leaker]"})};
    platform::Services &s = platform::PosixServices();

    // Opens a descriptor, a file, a key and a find handle as `kinds` names
    // them ("dfkn"), and closes them again unless `leave`.
    void Open(const std::string &kinds, bool leave)
    {
        if (kinds.find('d') != std::string::npos) {
            const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            EXPECT_TRUE(leave || ::close(fd) == 0);
        }
        if (kinds.find('f') != std::string::npos) {
            HANDLE h = s.CreateFileA("C:\\f.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, 0);
            ASSERT_NE(h, INVALID_HANDLE_VALUE);
            EXPECT_TRUE(leave || s.CloseHandle(h));
        }
        HKEY key = nullptr;
        if (kinds.find('k') != std::string::npos) {
            ASSERT_EQ(s.RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Leaker", &key), ERROR_SUCCESS);
            EXPECT_TRUE(leave || s.RegCloseKey(key) == ERROR_SUCCESS);
        }
        WIN32_FIND_DATAA data;
        if (kinds.find('n') != std::string::npos) {
            HANDLE h = s.FindFirstFileA("C:\\*", (test::WriteHostFile(dir / "a.txt", "a"), &data));
            ASSERT_NE(h, INVALID_HANDLE_VALUE);
            EXPECT_TRUE(leave || s.FindClose(h));
        }
    }
};

TEST_F(Leaker, Descriptor) { Open("d", true); }
TEST_F(Leaker, File) { Open("f", true); }
TEST_F(Leaker, Key) { Open("k", true); }
TEST_F(Leaker, Find) { Open("n", true); }
TEST_F(Leaker, Nothing) { Open("dfkn", false); }

}  // namespace
}  // namespace brenvik
