// Run by resource_check_test, one test at a time: each test leaves one kind
// of resource open, or none.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/backends.h"
#include "platform/services.h"
#include "support/test_support.h"

namespace brenvik {
namespace {

class Leaker : public ::testing::Test {
protected:
    test::TempDir dir_;
    test::ScopedRegistryFile registry_{test::RegText(
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C]",
         "\"Path\"=\"" + dir_.path() + "\"", "\"Type\"=\"fixed\"",
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Leaker]"})};
    platform::Services &s_ = platform::PosixServices();

    HANDLE Create() const
    {
        return s_.CreateFileA("C:\\f.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    }
};

TEST_F(Leaker, Descriptor)
{
    EXPECT_GE(::open("/dev/null", O_RDONLY | O_CLOEXEC), 0);
}

TEST_F(Leaker, File)
{
    EXPECT_NE(Create(), INVALID_HANDLE_VALUE);
}

TEST_F(Leaker, Key)
{
    HKEY key = nullptr;
    EXPECT_EQ(s_.RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Leaker", &key), ERROR_SUCCESS);
}

TEST_F(Leaker, Find)
{
    test::WriteHostFile(dir_ / "a.txt", "a");
    WIN32_FIND_DATAA data;
    EXPECT_NE(s_.FindFirstFileA("C:\\*", &data), INVALID_HANDLE_VALUE);
}

// The same, each closed again.
TEST_F(Leaker, Nothing)
{
    const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ::close(fd);
    HANDLE file = Create();
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(s_.CloseHandle(file));
    HKEY key = nullptr;
    ASSERT_EQ(s_.RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Leaker", &key), ERROR_SUCCESS);
    EXPECT_EQ(s_.RegCloseKey(key), ERROR_SUCCESS);
    test::WriteHostFile(dir_ / "a.txt", "a");
    WIN32_FIND_DATAA data;
    HANDLE find = s_.FindFirstFileA("C:\\*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(s_.FindClose(find));
}

}  // namespace
}  // namespace brenvik
