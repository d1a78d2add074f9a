// A host of brenvik.dll, built against the public header and the import
// library only: what a host can do with the exported classes.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <string>

#include "support/win32_debug_capture.h"

namespace {

using brenvik::test::DebugOutputCapture;

// HKLM is writable under Wine, not for an ordinary Windows user.
bool SetDebugLevel(const DWORD *level)
{
    const HKEY hklm = HKEY_LOCAL_MACHINE;
    const LONG rc =
        level ? ::RegSetKeyValueA(hklm, "SOFTWARE\\OrloDebug", "DebugLevel", REG_DWORD, level, 4)
              : ::RegDeleteKeyValueA(hklm, "SOFTWARE\\OrloDebug", "DebugLevel");
    return rc == ERROR_SUCCESS || (!level && rc == ERROR_FILE_NOT_FOUND);
}

TEST(Win32DllClient, ObjectsOfBothClassesLiveAndDieThroughTheBaseClass)
{
    std::unique_ptr<CObject> drive(new CDriveEx);
    std::unique_ptr<CObject> image(new CVcdImageEx);
    EXPECT_EQ(&CObject::classCObject, image->GetRuntimeClass());  // none of its own
    EXPECT_NE(nullptr, dynamic_cast<CDriveEx *>(drive.get()));
    EXPECT_EQ(nullptr, dynamic_cast<CDriveEx *>(image.get()));
}

// When the setting is read is the module test's; here, that a line reaches the
// host's debugger as it was formed.
TEST(Win32DllClient, ConstructingAnImageObjectReloadsTheTraceSetting)
{
    DebugOutputCapture capture;
    const DWORD one = 1;
    if (!SetDebugLevel(&one))
        GTEST_SKIP() << "HKEY_LOCAL_MACHINE cannot be written here";
    char result[BRENVIK_MAX_PATH];
    const SPLITFPATH_tag *none = nullptr;
    { CVcdImageEx reload; }
    EXPECT_EQ(0, CDriveEx::ComposeUNC(result, none));
    auto lines = capture.Take();
    ASSERT_EQ(1u, lines.size());
    // No newline added, one blank at the end.
    EXPECT_TRUE(lines[0].rfind("Orlo DbgMessage:CDriveEx::ComposeUNC BAD NULL ...pSplitFPath \n"
                               " FILE:", 0) == 0 && lines[0].back() == ' ')
        << lines[0];

    EXPECT_TRUE(SetDebugLevel(nullptr));
    { CVcdImageEx reload; }
    EXPECT_EQ(0, CDriveEx::ComposeUNC(result, none));
    EXPECT_TRUE(capture.Take().empty());
}

TEST(Win32DllClient, FileClassWorksAndThrowsAcrossTheBoundary)
{
    char dir[MAX_PATH];
    ASSERT_NE(0u, ::GetTempPathA(sizeof dir, dir));
    const std::string path =
        dir + ("brenvik-client-" + std::to_string(::GetCurrentProcessId()) + ".bin");
    const std::string missing = path + ".missing";
    CFile out;
    ASSERT_TRUE(out.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
    out.Write("abcdef", 6);
    out.Close();

    CFileException error;
    EXPECT_FALSE(CFile().Open(missing.c_str(), CFile::modeRead, &error));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              error.m_cause == CFileException::fileNotFound ? error.m_lOsError : -1);

    // The runtimes are linked into each module, and with 32-bit DWARF unwinding each copy of
    // the unwinder knows only its own module's frames: an exception cannot leave the 32-bit
    // DLL. Clients there take the error-object form above.
#ifndef __i386__
    LONG thrown = 0;
    try {
        CFile opened(missing.c_str(), CFile::modeRead);
    } catch (const CFileException &e) {
        thrown = e.m_cause == CFileException::fileNotFound ? e.m_lOsError : -1;
    }
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, thrown);
#endif

    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(path.c_str(), status));
    EXPECT_EQ(6, status.m_size);
    CFile::Remove(path.c_str());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(path.c_str()));
}

}  // namespace
