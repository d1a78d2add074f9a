// brenvik.dll loaded and unloaded at run time, as a host that does not import
// it does: each load attaches afresh and each unload detaches completely.
// (The export table itself: cmake/CheckDllExports.cmake.)
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

namespace {

TEST(Win32DllLoad, LoadsAndUnloadsAgainAndAgain)
{
    const char kDll[] = "brenvik.dll";
    for (int round = 0; round < 3; ++round) {
        HMODULE dll = ::LoadLibraryA(kDll);
        ASSERT_NE(nullptr, dll) << "round " << round << ", error " << ::GetLastError();
        // Mangled, as a host's import table names it.
        const auto int2Letter = reinterpret_cast<int (*)(int, char *)>(
            reinterpret_cast<void *>(::GetProcAddress(dll, "_ZN8CDriveEx14Drv_Int2LetterEiPc")));
        ASSERT_NE(nullptr, int2Letter);
        char letter = '?';
        EXPECT_EQ(1, int2Letter(25, &letter));
        EXPECT_EQ('Z', letter);
        EXPECT_TRUE(::FreeLibrary(dll));
        EXPECT_EQ(nullptr, ::GetModuleHandleA(kDll)) << "round " << round;
    }
}

}  // namespace
