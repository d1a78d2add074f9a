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

void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace brenvik {
namespace posixtest {
namespace {

// A registry file written moments ago is read again on every call until its
// time stamps can be trusted; while its text stays the same, that allocates
// nothing either.
TEST_F(PosixTest, DriveTypesAndAttributesDoNotAllocateFreshOrSettled)
{
    test::WriteHostFile(H("c/file.txt"), "x");
    test::MakeHostDirs(H("d"));
    SetRegistry({DriveKey('C', H("c"), "fixed"), DriveKey('D', H("d"), "cdrom")});
    auto round = [&] {
        for (const char *root : {"A:\\", "C:\\", "D:\\", "Z:\\"})
            s().GetDriveTypeA(root);
        s().GetFileAttributesA("C:\\file.txt");
        s().GetFileAttributesA("C:\\missing.txt");
    };
    for (bool settled : {false, true}) {
        SCOPED_TRACE(settled ? "settled" : "fresh");
        if (settled) {
            struct timeval past[2] = {{1000000000, 0}, {1000000000, 0}};
            ASSERT_EQ(::utimes(registry_->path().c_str(), past), 0);
        }
        round();  // warm-up: the registry is read and kept
        const long before = g_news.load();
        for (int i = 0; i < 100; ++i)
            round();
        EXPECT_EQ(g_news.load() - before, 0);
        EXPECT_EQ(s().GetDriveTypeA("D:\\"), static_cast<UINT>(DRIVE_CDROM));
        EXPECT_EQ(s().GetFileAttributesA("C:\\file.txt"), DWORD{FILE_ATTRIBUTE_ARCHIVE});
    }
    // And a change is still seen.
    SetRegistry({DriveKey('C', H("d"), "cdrom")});
    EXPECT_EQ(s().GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_CDROM));
    EXPECT_EQ(s().GetFileAttributesA("C:\\file.txt"), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace posixtest
}  // namespace brenvik
