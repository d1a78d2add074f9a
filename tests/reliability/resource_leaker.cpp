// Run by resource_check_test: a test that leaves a file of the POSIX backend
// open, which holds a descriptor too.
#include <gtest/gtest.h>

#include "platform/backends.h"
#include "platform/services.h"
#include "support/test_support.h"

namespace brenvik {
namespace {

TEST(Leaker, File)
{
    const test::TempDir dir;
    const test::ScopedRegistryFile registry(test::RegText(
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C]", "\"Path\"=\"" + dir.path() + "\""}));
    platform::Services &s = platform::PosixServices();
    EXPECT_NE(s.CreateFileA("C:\\f.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, 0),
              INVALID_HANDLE_VALUE);
}

}  // namespace
}  // namespace brenvik
