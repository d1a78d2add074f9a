// Run by resource_check_test, one test at a time: each test leaves one kind
// of resource open (or none), and the check linked into every test
// executable must fail exactly those that do.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/backends.h"
#include "platform/services.h"
#include "support/test_support.h"

namespace brenvik {
namespace {

using platform::PosixServices;

class Leaker : public ::testing::Test {
protected:
    test::TempDir dir_;
    test::ScopedRegistryFile registry_{test::RegText(
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C]",
         "\"Path\"=\"" + dir_.path() + "\"", "\"Type\"=\"fixed\"",
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Leaker]"})};
};

TEST_F(Leaker, Descriptor)
{
    EXPECT_GE(::open("/dev/null", O_RDONLY | O_CLOEXEC), 0);
}

TEST_F(Leaker, File)
{
    EXPECT_NE(PosixServices().CreateFileA("C:\\f.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          0, nullptr),
              INVALID_HANDLE_VALUE);
}

TEST_F(Leaker, Key)
{
    HKEY key = nullptr;
    EXPECT_EQ(PosixServices().RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Leaker", &key),
              ERROR_SUCCESS);
}

TEST_F(Leaker, Find)
{
    test::WriteHostFile(dir_ / "a.txt", "a");
    WIN32_FIND_DATAA data;
    EXPECT_NE(PosixServices().FindFirstFileA("C:\\*", &data), INVALID_HANDLE_VALUE);
}

TEST_F(Leaker, Nothing)
{
    auto &s = PosixServices();
    const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ::close(fd);
    HANDLE file =
        s.CreateFileA("C:\\f.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(s.CloseHandle(file));
    HKEY key = nullptr;
    ASSERT_EQ(s.RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Leaker", &key), ERROR_SUCCESS);
    EXPECT_EQ(s.RegCloseKey(key), ERROR_SUCCESS);
}

}  // namespace
}  // namespace brenvik
