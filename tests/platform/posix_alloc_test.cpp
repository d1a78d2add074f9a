// The drive and attribute queries allocate nothing in the steady state: the
// registry file is kept parsed, and a path is mapped on the stack. This
// executable counts every operator new.
#include <sys/time.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "platform/posix_fixture.h"

namespace {
std::atomic<long> g_news{0};
}  // namespace

void *operator new(std::size_t size)
{
    g_news.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void *p) noexcept
{
    std::free(p);
}

void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}

namespace brenvik {
namespace posixtest {
namespace {

class SteadyState : public PosixTest {};

TEST_F(SteadyState, DriveTypesAndAttributesDoNotAllocate)
{
    test::WriteHostFile(H("c/file.txt"), "x");
    test::MakeHostDirs(H("d"));
    SetRegistry({DriveKey('C', H("c"), "fixed"), DriveKey('D', H("d"), "cdrom")});
    // A file just written is read again until it is old enough to trust.
    struct timeval past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimes(registry_->path().c_str(), past), 0);

    auto &s = platform::PosixServices();
    const char *roots[] = {"A:\\", "C:\\", "D:\\", "Z:\\"};
    auto round = [&] {
        for (const char *root : roots)
            s.GetDriveTypeA(root);
        s.GetFileAttributesA("C:\\file.txt");
        s.GetFileAttributesA("C:\\missing.txt");
    };
    round();  // warm-up: the registry is read and kept
    const long before = g_news.load();
    for (int i = 0; i < 100; ++i)
        round();
    EXPECT_EQ(g_news.load() - before, 0);
    // And the answers are the right ones.
    EXPECT_EQ(s.GetDriveTypeA("D:\\"), static_cast<UINT>(DRIVE_CDROM));
    EXPECT_EQ(s.GetFileAttributesA("C:\\file.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

// A registry file written moments ago is read again on every call until
// its time stamps can be trusted; while its text stays the same, that
// allocates nothing either.
TEST_F(SteadyState, ARegistryJustWrittenIsCheckedWithoutAllocating)
{
    test::WriteHostFile(H("c/file.txt"), "x");
    SetRegistry({DriveKey('C', H("c"), "fixed")});
    auto &s = platform::PosixServices();
    s.GetFileAttributesA("C:\\file.txt");  // warm-up: the registry is read and kept
    const long before = g_news.load();
    for (int i = 0; i < 100; ++i) {
        s.GetDriveTypeA("C:\\");
        s.GetFileAttributesA("C:\\file.txt");
    }
    EXPECT_EQ(g_news.load() - before, 0);
    // And a change is still seen.
    test::MakeHostDirs(H("d"));
    SetRegistry({DriveKey('C', H("d"), "cdrom")});
    EXPECT_EQ(s.GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_CDROM));
    EXPECT_EQ(s.GetFileAttributesA("C:\\file.txt"), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace posixtest
}  // namespace brenvik
