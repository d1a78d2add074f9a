// brenvik.dll loaded and unloaded at run time: the entry point's attach and
// detach steps, and what the export table lets a host reach.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/win32_debug_capture.h"

namespace {

using brenvik::test::DebugOutputCapture;

const char kDll[] = "brenvik.dll";

// Mangled names, as a host's import table would name them.
const char kInt2Letter[] = "_ZN8CDriveEx14Drv_Int2LetterEiPc";
const char kDriveTypeEx[] = "_ZN8CDriveEx15GetDriveType_ExEPKc";
const char kPathExtType[] = "_ZN11CVcdImageEx14GetPathExtTypeEPKc";
const char kComposeUNC[] = "_ZN8CDriveEx10ComposeUNCEPcPK14SPLITFPATH_tag";

typedef int (*Int2LetterFn)(int, char *);
typedef unsigned int (*DriveTypeExFn)(const char *);
typedef int (*ComposeUNCFn)(char *, const void *);

template <typename Fn>
Fn Lookup(HMODULE module, const char *name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void *>(::GetProcAddress(module, name)));
}

// Sets or removes HKLM\SOFTWARE\OrloDebug "DebugLevel" and puts the key back
// as it was at the end. Wine lets anyone write HKLM; Windows wants an
// administrator, so the tests that need it skip without one.
class ScopedDebugLevel {
public:
    ScopedDebugLevel()
    {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrloDebug", 0, KEY_READ, &key) ==
            ERROR_SUCCESS) {
            keyExisted_ = true;
            DWORD size = sizeof old_;
            valueExisted_ = ::RegQueryValueExA(key, "DebugLevel", nullptr, &oldType_, old_,
                                               &size) == ERROR_SUCCESS;
            oldSize_ = size;
            ::RegCloseKey(key);
        }
    }
    ~ScopedDebugLevel()
    {
        if (!keyExisted_) {
            ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrloDebug");
        } else if (valueExisted_) {
            Write(old_, oldSize_, oldType_);
        } else {
            Remove();
        }
    }
    bool Set(DWORD level)
    {
        return Write(reinterpret_cast<const BYTE *>(&level), sizeof level, REG_DWORD);
    }
    void Remove()
    {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrloDebug", 0, KEY_SET_VALUE, &key) ==
            ERROR_SUCCESS) {
            ::RegDeleteValueA(key, "DebugLevel");
            ::RegCloseKey(key);
        }
    }

private:
    bool Write(const BYTE *data, DWORD size, DWORD type)
    {
        HKEY key = nullptr;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrloDebug", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return false;
        const bool ok = ::RegSetValueExA(key, "DebugLevel", 0, type, data, size) == ERROR_SUCCESS;
        ::RegCloseKey(key);
        return ok;
    }

    bool keyExisted_ = false;
    bool valueExisted_ = false;
    DWORD oldType_ = 0;
    DWORD oldSize_ = 0;
    BYTE old_[64] = {};
};

TEST(Win32DllLoad, LoadsAndUnloadsAgainAndAgain)
{
    ASSERT_EQ(nullptr, ::GetModuleHandleA(kDll)) << "the test program must not import the DLL";
    for (int round = 0; round < 3; ++round) {
        HMODULE dll = ::LoadLibraryA(kDll);
        ASSERT_NE(nullptr, dll) << "round " << round << ", error " << ::GetLastError();
        auto int2Letter = Lookup<Int2LetterFn>(dll, kInt2Letter);
        ASSERT_NE(nullptr, int2Letter);
        char letter = '?';
        EXPECT_EQ(1, int2Letter(25, &letter));
        EXPECT_EQ('Z', letter);
        EXPECT_EQ(0, int2Letter(26, &letter));
        EXPECT_TRUE(::FreeLibrary(dll));
        EXPECT_EQ(nullptr, ::GetModuleHandleA(kDll)) << "round " << round;
    }
}

TEST(Win32DllLoad, ExportsTheClassesAndHidesTheRest)
{
    HMODULE dll = ::LoadLibraryA(kDll);
    ASSERT_NE(nullptr, dll);
    for (const char *name :
         {"_ZTV8CDriveEx", "_ZTV11CVcdImageEx", "_ZTI8CDriveEx", "_ZTI11CVcdImageEx",
          "_ZN8CDriveExC1Ev", "_ZN8CDriveExD0Ev", "_ZN11CVcdImageExC1Ev",
          "_ZN11CVcdImageExD0Ev", "_ZN7CObject12classCObjectE", kInt2Letter, kDriveTypeEx,
          kPathExtType, kComposeUNC})
        EXPECT_NE(nullptr, Lookup<FARPROC>(dll, name)) << name;
    // The entry point, the platform layer and the trace stay inside.
    for (const char *name : {"DllMain", "DllMain@12", "_ZN7brenvik8platform3sysEv",
                             "_Z12DbgLoadLevelv", "g_bDbgEnabled", "g_dwDbgLevel"})
        EXPECT_EQ(nullptr, Lookup<FARPROC>(dll, name)) << name;
    EXPECT_TRUE(::FreeLibrary(dll));
}

TEST(Win32DllLoad, CallsReachTheSystem)
{
    HMODULE dll = ::LoadLibraryA(kDll);
    ASSERT_NE(nullptr, dll);
    auto driveType = Lookup<DriveTypeExFn>(dll, kDriveTypeEx);
    ASSERT_NE(nullptr, driveType);
    EXPECT_EQ(::GetDriveTypeA("C:\\"), driveType("C:\\"));
    EXPECT_EQ(static_cast<unsigned>(DRIVE_FIXED), driveType("C:\\"));
    EXPECT_TRUE(::FreeLibrary(dll));
}

// Attach reads the trace setting; each load reads it afresh.
TEST(Win32DllLoad, AttachLoadsTheTraceSetting)
{
    DebugOutputCapture capture;
    ASSERT_TRUE(capture.ok());
    ScopedDebugLevel level;
    if (!level.Set(1))
        GTEST_SKIP() << "HKEY_LOCAL_MACHINE cannot be written here";

    char result[260];
    HMODULE dll = ::LoadLibraryA(kDll);
    ASSERT_NE(nullptr, dll);
    auto composeUNC = Lookup<ComposeUNCFn>(dll, kComposeUNC);
    ASSERT_NE(nullptr, composeUNC);
    EXPECT_EQ(0, composeUNC(result, nullptr));
    std::vector<std::string> lines = capture.Take();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(0u, lines[0].find("Orlo DbgMessage:CDriveEx::ComposeUNC BAD NULL ...pSplitFPath \n"))
        << lines[0];
    // Changing the registry alone changes nothing for the loaded module.
    level.Remove();
    EXPECT_EQ(0, composeUNC(result, nullptr));
    EXPECT_EQ(1u, capture.Take().size());
    EXPECT_TRUE(::FreeLibrary(dll));

    dll = ::LoadLibraryA(kDll);
    ASSERT_NE(nullptr, dll);
    composeUNC = Lookup<ComposeUNCFn>(dll, kComposeUNC);
    ASSERT_NE(nullptr, composeUNC);
    EXPECT_EQ(0, composeUNC(result, nullptr));
    EXPECT_TRUE(capture.Take().empty());

    ASSERT_TRUE(level.Set(0));
    EXPECT_TRUE(::FreeLibrary(dll));
    dll = ::LoadLibraryA(kDll);
    ASSERT_NE(nullptr, dll);
    composeUNC = Lookup<ComposeUNCFn>(dll, kComposeUNC);
    ASSERT_NE(nullptr, composeUNC);
    EXPECT_EQ(0, composeUNC(result, nullptr));
    EXPECT_TRUE(capture.Take().empty()) << "level 0 lets nothing through";
    EXPECT_TRUE(::FreeLibrary(dll));
}

}  // namespace
