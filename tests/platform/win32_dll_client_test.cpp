// A host of brenvik.dll, built against the public header and the import
// library only: what a host can do with the exported classes.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "support/win32_debug_capture.h"

namespace {

using brenvik::test::DebugOutputCapture;

// HKLM is writable under Wine, not for an ordinary Windows user.
bool SetDebugLevel(const DWORD *level)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrloDebug", 0, nullptr, 0,
                          KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = level ? ::RegSetValueExA(key, "DebugLevel", 0, REG_DWORD,
                                       reinterpret_cast<const BYTE *>(level), sizeof *level)
                    : ::RegDeleteValueA(key, "DebugLevel");
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS || (!level && rc == ERROR_FILE_NOT_FOUND);
}

TEST(Win32DllClient, ObjectsOfBothClassesLiveAndDieThroughTheBaseClass)
{
    std::unique_ptr<CObject> drive(new CDriveEx);
    std::unique_ptr<CObject> image(new CVcdImageEx);
    // Neither class has run-time class information of its own.
    EXPECT_EQ(&CObject::classCObject, drive->GetRuntimeClass());
    EXPECT_EQ(&CObject::classCObject, image->GetRuntimeClass());
    EXPECT_TRUE(image->IsKindOf(&CObject::classCObject));
    EXPECT_STREQ("CObject", CObject::classCObject.m_lpszClassName);
    EXPECT_NE(nullptr, dynamic_cast<CDriveEx *>(drive.get()));
    EXPECT_EQ(nullptr, dynamic_cast<CDriveEx *>(image.get()));
}

TEST(Win32DllClient, ConstructingAnImageObjectReloadsTheTraceSetting)
{
    DebugOutputCapture capture;
    ASSERT_TRUE(capture.ok());
    const DWORD one = 1;
    if (!SetDebugLevel(nullptr))
        GTEST_SKIP() << "HKEY_LOCAL_MACHINE cannot be written here";
    char result[BRENVIK_MAX_PATH];
    const SPLITFPATH_tag *none = nullptr;
    { CVcdImageEx reload; }
    EXPECT_EQ(0, CDriveEx::ComposeUNC(result, none));
    EXPECT_TRUE(capture.Take().empty());

    ASSERT_TRUE(SetDebugLevel(&one));
    EXPECT_EQ(0, CDriveEx::ComposeUNC(result, none));
    EXPECT_TRUE(capture.Take().empty()) << "the registry is read only at construction";
    { CDriveEx unrelated; }
    EXPECT_EQ(0, CDriveEx::ComposeUNC(result, none));
    EXPECT_TRUE(capture.Take().empty()) << "a CDriveEx does not reload the setting";

    { CVcdImageEx reload; }
    EXPECT_EQ(0, CDriveEx::ComposeUNC(result, none));
    auto lines = capture.Take();
    ASSERT_EQ(1u, lines.size());
    // The line is sent as it is: no newline added, one blank at the end.
    EXPECT_EQ(0u, lines[0].find("Orlo DbgMessage:CDriveEx::ComposeUNC BAD NULL ...pSplitFPath \n"
                                " FILE:"))
        << lines[0];
    EXPECT_EQ(' ', lines[0].back());

    EXPECT_TRUE(SetDebugLevel(nullptr));
    { CVcdImageEx reload; }
    EXPECT_EQ(0, CDriveEx::ComposeUNC(result, none));
    EXPECT_TRUE(capture.Take().empty());
}

TEST(Win32DllClient, FileClassWorksAndThrowsAcrossTheBoundary)
{
    char dir[MAX_PATH];
    ASSERT_NE(0u, ::GetTempPathA(sizeof dir, dir));
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%sbrenvik-client-%lu.bin", dir,
                  static_cast<unsigned long>(::GetCurrentProcessId()));

    CFile out;
    ASSERT_TRUE(out.Open(path, CFile::modeCreate | CFile::modeWrite));
    out.Write("abcdef", 6);
    EXPECT_EQ(6u, out.GetLength());
    out.Close();

    CFileException error;
    CFile in;
    EXPECT_FALSE(in.Open((std::string(path) + ".missing").c_str(), CFile::modeRead, &error));
    EXPECT_EQ(CFileException::fileNotFound, error.m_cause);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, error.m_lOsError);

    // The runtimes are linked into each module, and with 32-bit DWARF unwinding each copy of
    // the unwinder knows only its own module's frames: an exception cannot leave the 32-bit
    // DLL. Clients there take the error-object form above.
#ifndef __i386__
    bool caught = false;
    try {
        CFile missing((std::string(path) + ".missing").c_str(), CFile::modeRead);
    } catch (const CFileException &e) {
        caught = true;
        EXPECT_EQ(CFileException::fileNotFound, e.m_cause);
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, e.m_lOsError);
    }
    EXPECT_TRUE(caught);
#endif

    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(path, status));
    EXPECT_EQ(6, status.m_size);
    CFile::Remove(path);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(path));
}

}  // namespace
