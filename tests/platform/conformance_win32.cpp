// The conformance table on the Win32 backend: the real system (Wine under a
// cross build), in a fresh directory under the temporary directory.
#include <winsock2.h>
#include <windows.h>

#include <string>

#include "platform/backends.h"
#include "platform/conformance.h"
#include "support/test_support.h"

namespace brenvik {
namespace conformance {
namespace {

class Win32ConformanceBackend : public ConformanceBackend {
public:
    Win32ConformanceBackend() : dir_(test::Backslashed(tmp_.path())) {}
    // The read-only file a case makes would keep the temporary directory's
    // removal from succeeding, even when the case stops early.
    ~Win32ConformanceBackend() override
    {
        ::SetFileAttributesA(Path("ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    platform::Services &services() override { return platform::Win32Services(); }
    std::string Path(const std::string &relative) const override { return dir_ + "\\" + relative; }
    std::string DriveRoot() const override { return dir_.substr(0, 3); }
    char UnusedDriveLetter() const override
    {
        const DWORD present = ::GetLogicalDrives();
        for (int i = 0; i < 23; ++i) {  // from Q: on, clear of floppies and discs
            const int d = 3 + (13 + i) % 23;
            if (!(present & (1u << d)))
                return static_cast<char>('A' + d);
        }
        ADD_FAILURE() << "every drive letter is in use";
        return 'Q';
    }
    bool UnderWine() const override
    {
        HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
        return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }
private:
    test::TempDir tmp_;
    std::string dir_;
};

std::unique_ptr<ConformanceBackend> MakeWin32Backend()
{
    return std::make_unique<Win32ConformanceBackend>();
}

INSTANTIATE_TEST_SUITE_P(Win32, PlatformConformance,
                         ::testing::Values(BackendParam{"win32", &MakeWin32Backend}),
                         BackendParamName);

// What only the Win32 backend has: it is a Windows build's default, and its
// state is the system's own.
TEST(Win32Backend, IsTheDefaultAndItsStateIsTheSystems)
{
    platform::Services &s = platform::Win32Services();
    EXPECT_STREQ(s.Name(), "win32");
    EXPECT_EQ(&s, &platform::DefaultServices());
    EXPECT_EQ(&s, &platform::sys());
    s.SetLastError(1234);
    EXPECT_EQ(::GetLastError(), 1234u);
    ::SetLastError(4321);
    EXPECT_EQ(s.GetLastError(), 4321u);
    EXPECT_EQ(s.GetCurrentProcessId(), ::GetCurrentProcessId());
    EXPECT_EQ(s.GetACP(), ::GetACP());
    const UINT before = s.SetErrorMode(SEM_FAILCRITICALERRORS);
    EXPECT_EQ(::SetErrorMode(before), static_cast<UINT>(SEM_FAILCRITICALERRORS));
}

}  // namespace
}  // namespace conformance
}  // namespace brenvik
