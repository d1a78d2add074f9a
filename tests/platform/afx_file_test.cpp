// CFile on the simulated machine: the open-flag mapping, reading, writing,
// seeking, status, rename and remove, and that every failure is reported the
// way the class library reports it without leaking a handle.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/afx/afx.h"
#include "platform/services.h"
#include "support/scoped_machine.h"
#include "afx_recording.h"

namespace {

using brenvik::test::RecordingMachine;
using brenvik::test::ScopedMachine;

class AfxFile : public ::testing::Test {
protected:
    RecordingMachine machine;
    ScopedMachine scope{machine};
};

template <typename F>
CFileException Thrown(F &&f)
{
    try {
        f();
    } catch (const CFileException &e) {
        return e;
    }
    ADD_FAILURE() << "no CFileException thrown";
    return CFileException(CFileException::none, 0, "(nothing thrown)");
}

FILETIME UnixToFileTime(int64_t seconds)
{
    const uint64_t ticks = static_cast<uint64_t>(seconds + 11644473600LL) * 10000000ULL;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

TEST_F(AfxFile, OpenFlagsMapOntoCreateFile)
{
    struct Row {
        UINT flags;
        DWORD access;
        DWORD share;
        DWORD disposition;
    } rows[] = {
        {CFile::modeRead, GENERIC_READ, 0, OPEN_EXISTING},
        {CFile::modeWrite, GENERIC_WRITE, 0, OPEN_EXISTING},
        {CFile::modeReadWrite, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING},
        {CFile::modeRead | CFile::shareExclusive, GENERIC_READ, 0, OPEN_EXISTING},
        {CFile::modeRead | CFile::shareDenyWrite, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING},
        {CFile::modeRead | CFile::shareDenyRead, GENERIC_READ, FILE_SHARE_WRITE, OPEN_EXISTING},
        {CFile::modeRead | CFile::shareDenyNone, GENERIC_READ,
         FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING},
        {CFile::modeWrite | CFile::modeCreate, GENERIC_WRITE, 0, CREATE_ALWAYS},
        {CFile::modeWrite | CFile::modeCreate | CFile::modeNoTruncate, GENERIC_WRITE, 0,
         OPEN_ALWAYS},
        {CFile::modeReadWrite | CFile::modeCreate | CFile::shareDenyNone | CFile::typeBinary,
         GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS},
        {CFile::modeRead | CFile::modeNoTruncate, GENERIC_READ, 0, OPEN_EXISTING},
    };
    machine.MakeFile("C:\\f.bin", "data");
    for (const Row &r : rows) {
        machine.opens.clear();
        CFile file;
        CFileException error;
        ASSERT_TRUE(file.Open("C:\\f.bin", r.flags, &error)) << std::hex << r.flags;
        ASSERT_EQ(machine.opens.size(), 1u);
        const auto &o = machine.opens[0];
        EXPECT_EQ(o.path, "C:\\f.bin");
        EXPECT_EQ(o.access, r.access) << std::hex << r.flags;
        EXPECT_EQ(o.share, r.share) << std::hex << r.flags;
        EXPECT_EQ(o.disposition, r.disposition) << std::hex << r.flags;
        EXPECT_EQ(o.flags, FILE_ATTRIBUTE_NORMAL);
        EXPECT_FALSE(o.hasTemplate);
        EXPECT_STREQ(file.GetFilePath(), "C:\\f.bin");
        EXPECT_NE(file.m_hFile, CFile::hFileNull);
    }
}

TEST_F(AfxFile, InvalidAccessOrShareFlagsAreRefusedWithoutOpening)
{
    machine.MakeFile("C:\\f.bin", "data");
    for (UINT flags : {3u, 0x50u, 0x60u, 0x70u}) {
        CFile file;
        CFileException error;
        machine.opens.clear();
        EXPECT_FALSE(file.Open("C:\\f.bin", flags, &error)) << std::hex << flags;
        EXPECT_TRUE(machine.opens.empty());
        EXPECT_EQ(error.m_cause, CFileException::generic);
        EXPECT_EQ(error.m_lOsError, ERROR_INVALID_PARAMETER);
    }
}

TEST_F(AfxFile, FailedOpenFillsTheExceptionAndHoldsNothing)
{
    struct Row {
        const char *path;
        int cause;
        LONG os;
    } rows[] = {
        {"C:\\missing.bin", CFileException::fileNotFound, ERROR_FILE_NOT_FOUND},
        {"C:\\no\\such\\dir\\f.bin", CFileException::badPath, ERROR_PATH_NOT_FOUND},
    };
    for (const Row &r : rows) {
        CFile file;
        CFileException error;
        EXPECT_FALSE(file.Open(r.path, CFile::modeRead, &error));
        EXPECT_EQ(error.m_cause, r.cause) << r.path;
        EXPECT_EQ(error.m_lOsError, r.os) << r.path;
        EXPECT_STREQ(error.m_strFileName, r.path);
        EXPECT_EQ(file.m_hFile, CFile::hFileNull);
        // Without an exception object the failure is only the result.
        EXPECT_FALSE(file.Open(r.path, CFile::modeRead));
    }
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(nullptr, CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::badPath);
}

TEST_F(AfxFile, OpeningConstructorThrowsByValue)
{
    CFileException e = Thrown([] { CFile file("C:\\missing.bin", CFile::modeRead); });
    EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    EXPECT_STREQ(e.m_strFileName, "C:\\missing.bin");

    machine.MakeFile("C:\\there.bin", "xyz");
    CFile file("C:\\there.bin", CFile::modeRead);
    EXPECT_EQ(file.GetLength(), 3u);
}

TEST_F(AfxFile, WriteReadSeekAndLength)
{
    {
        CFile out("C:\\data.bin", CFile::modeWrite | CFile::modeCreate);
        out.Write("hello, world", 12);
        EXPECT_EQ(out.GetPosition(), 12u);
        out.Write("", 0);
        out.Close();
        EXPECT_EQ(out.m_hFile, CFile::hFileNull);
    }
    EXPECT_EQ(machine.ReadFileBytes("C:\\data.bin"), "hello, world");

    CFile in("C:\\data.bin", CFile::modeRead | CFile::shareDenyWrite);
    char buf[32] = {};
    EXPECT_EQ(in.Seek(7, CFile::begin), 7);
    // The length comes from the end and leaves the position where it was.
    EXPECT_EQ(in.GetLength(), 12u);
    EXPECT_EQ(in.GetPosition(), 7u);
    EXPECT_EQ(in.Read(buf, sizeof buf), 5u);
    EXPECT_STREQ(buf, "world");
    EXPECT_EQ(in.Read(buf, sizeof buf), 0u);  // end of file is not an error
    EXPECT_EQ(in.Seek(-5, CFile::end), 7);
    EXPECT_EQ(in.Seek(-2, CFile::current), 5);
    in.SeekToBegin();
    EXPECT_EQ(in.GetPosition(), 0u);
    EXPECT_EQ(in.SeekToEnd(), 12u);
    EXPECT_EQ(in.Read(buf, 0), 0u);
}

TEST_F(AfxFile, CreateTruncatesUnlessNoTruncate)
{
    machine.MakeFile("C:\\keep.bin", "old content");
    machine.MakeFile("C:\\cut.bin", "old content");
    {
        CFile keep("C:\\keep.bin", CFile::modeWrite | CFile::modeCreate | CFile::modeNoTruncate);
        CFile cut("C:\\cut.bin", CFile::modeWrite | CFile::modeCreate);
        CFile fresh("C:\\fresh.bin",
                    CFile::modeWrite | CFile::modeCreate | CFile::modeNoTruncate);
        keep.Write("NEW", 3);
    }
    EXPECT_EQ(machine.ReadFileBytes("C:\\keep.bin"), "NEW content");
    EXPECT_EQ(machine.ReadFileBytes("C:\\cut.bin"), "");
    EXPECT_TRUE(machine.FileExists("C:\\fresh.bin"));
}

TEST_F(AfxFile, ShareModesDecideWhetherASecondOpenSucceeds)
{
    machine.MakeFile("C:\\s.bin", "x");
    struct Row {
        UINT first;
        UINT second;
        bool secondOpens;
    } rows[] = {
        {CFile::modeRead | CFile::shareDenyWrite, CFile::modeRead | CFile::shareDenyNone, true},
        {CFile::modeRead | CFile::shareDenyWrite, CFile::modeWrite | CFile::shareDenyNone, false},
        {CFile::modeRead | CFile::shareDenyNone, CFile::modeWrite | CFile::shareDenyNone, true},
        {CFile::modeRead | CFile::shareExclusive, CFile::modeRead | CFile::shareDenyNone, false},
        {CFile::modeRead | CFile::shareCompat, CFile::modeRead | CFile::shareDenyNone, false},
        {CFile::modeWrite | CFile::shareDenyRead, CFile::modeRead | CFile::shareDenyNone, false},
        {CFile::modeWrite | CFile::shareDenyRead, CFile::modeWrite | CFile::shareDenyNone, true},
        // The second open must also share what the first holds.
        {CFile::modeWrite | CFile::shareDenyNone, CFile::modeRead | CFile::shareDenyWrite, false},
    };
    for (const Row &r : rows) {
        CFile first("C:\\s.bin", r.first);
        CFile second;
        CFileException error;
        EXPECT_EQ(second.Open("C:\\s.bin", r.second, &error) != FALSE, r.secondOpens)
            << std::hex << r.first << " then " << r.second;
        if (!r.secondOpens) {
            EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
            EXPECT_EQ(error.m_lOsError, ERROR_SHARING_VIOLATION);
        }
    }
}

TEST_F(AfxFile, AccessTheHandleLacksThrows)
{
    machine.MakeFile("C:\\a.bin", "abc");
    CFile reader("C:\\a.bin", CFile::modeRead | CFile::shareDenyNone);
    CFileException e = Thrown([&] { reader.Write("x", 1); });
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
    EXPECT_STREQ(e.m_strFileName, "C:\\a.bin");

    CFile writer("C:\\a.bin", CFile::modeWrite | CFile::shareDenyNone);
    char c;
    e = Thrown([&] { writer.Read(&c, 1); });
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
}

TEST_F(AfxFile, PlatformFailuresThrowTheirCause)
{
    machine.MakeFile("C:\\a.bin", "abcdef");
    CFile file("C:\\a.bin", CFile::modeReadWrite);

    machine.FailNthCallOf("SetFilePointer", 1, ERROR_SEEK);
    CFileException e = Thrown([&] { file.Seek(1, CFile::begin); });
    EXPECT_EQ(e.m_cause, CFileException::badSeek);

    machine.FailNthCallOf("SetFilePointer", 2, ERROR_SEEK);  // the seek to the end
    e = Thrown([&] { file.GetLength(); });
    EXPECT_EQ(e.m_cause, CFileException::badSeek);

    machine.FailNthCallOf("ReadFile", 1, ERROR_READ_FAULT);
    char buf[4];
    e = Thrown([&] { file.Read(buf, 4); });
    EXPECT_EQ(e.m_cause, CFileException::hardIO);

    machine.FailNthCallOf("WriteFile", 1, ERROR_DISK_FULL);
    e = Thrown([&] { file.Write("zz", 2); });
    EXPECT_EQ(e.m_cause, CFileException::diskFull);
    EXPECT_EQ(e.m_lOsError, ERROR_DISK_FULL);

    // A write the platform cuts short without an error is a full disk.
    machine.shortWrite = 1;
    e = Thrown([&] { file.Write("abc", 3); });
    EXPECT_EQ(e.m_cause, CFileException::diskFull);
    EXPECT_EQ(e.m_lOsError, -1);

    // A seek before the start is refused by the platform.
    e = Thrown([&] { file.Seek(-1, CFile::begin); });
    EXPECT_NE(e.m_cause, CFileException::none);
}

TEST_F(AfxFile, OperationsOnAClosedFileThrowWithoutAskingThePlatform)
{
    CFile file;
    const uint64_t before = machine.CallCount();
    char c;
    EXPECT_EQ(Thrown([&] { file.Read(&c, 1); }).m_cause, CFileException::invalidFile);
    EXPECT_EQ(Thrown([&] { file.Write("x", 1); }).m_cause, CFileException::invalidFile);
    EXPECT_EQ(Thrown([&] { file.Seek(0, CFile::begin); }).m_cause, CFileException::invalidFile);
    EXPECT_EQ(Thrown([&] { file.GetLength(); }).m_cause, CFileException::invalidFile);
    EXPECT_EQ(Thrown([&] { file.GetPosition(); }).m_cause, CFileException::invalidFile);
    file.Close();  // closing nothing is fine
    file.Abort();
    EXPECT_EQ(machine.CallCount(), before);
}

TEST_F(AfxFile, FailedCloseThrowsAndStillLetsGo)
{
    machine.MakeFile("C:\\a.bin", "abc");
    CFile file("C:\\a.bin", CFile::modeRead);
    machine.FailNthCallOf("CloseHandle", 1, ERROR_INVALID_HANDLE);
    CFileException e = Thrown([&] { file.Close(); });
    EXPECT_EQ(e.m_cause, CFileException::invalidFile);
    EXPECT_STREQ(e.m_strFileName, "C:\\a.bin");
    EXPECT_EQ(file.m_hFile, CFile::hFileNull);
    EXPECT_EQ(machine.CallCount("CloseHandle"), 1u);
}

TEST_F(AfxFile, AbortAndTheDestructorNeverThrow)
{
    machine.MakeFile("C:\\a.bin", "abc");
    {
        CFile file("C:\\a.bin", CFile::modeRead);
        machine.FailNthCallOf("CloseHandle", 1, ERROR_INVALID_HANDLE);
        file.Abort();
        EXPECT_EQ(file.m_hFile, CFile::hFileNull);
    }
    {
        CFile file("C:\\a.bin", CFile::modeRead);
        machine.FailNthCallOf("CloseHandle", 1, ERROR_INVALID_HANDLE);
    }  // a throw from here would end the test program
    {
        CFile file("C:\\a.bin", CFile::modeRead);
    }
    EXPECT_EQ(machine.CallCount("CloseHandle"), 3u);
}

TEST_F(AfxFile, ReopeningClosesTheEarlierHandle)
{
    machine.MakeFile("C:\\a.bin", "abc");
    machine.MakeFile("C:\\b.bin", "defg");
    CFile file;
    ASSERT_TRUE(file.Open("C:\\a.bin", CFile::modeRead));
    ASSERT_TRUE(file.Open("C:\\b.bin", CFile::modeRead));
    EXPECT_EQ(file.GetLength(), 4u);
    EXPECT_FALSE(file.Open("C:\\missing.bin", CFile::modeRead));
    EXPECT_EQ(file.m_hFile, CFile::hFileNull);
    EXPECT_EQ(machine.CallCount("CloseHandle"), 2u);
}

TEST_F(AfxFile, StaticStatusOfFilesDirectoriesAndRoots)
{
    machine.MakeFile("C:\\dir\\f.bin", std::string(1234, 'x'),
                     0x800 | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                         FILE_ATTRIBUTE_READONLY);
    machine.SetTimes("C:\\dir\\f.bin", UnixToFileTime(1000000000), UnixToFileTime(1100000000),
                     UnixToFileTime(1200000000));
    machine.MakeDir("C:\\dir\\sub");

    CFileStatus st;
    ASSERT_TRUE(CFile::GetStatus("C:\\dir\\f.bin", st));
    EXPECT_EQ(st.m_attribute, 0x23);  // the low eight bits only
    EXPECT_EQ(st.m_size, 1234);
    EXPECT_EQ(st.m_ctime, 1000000000);
    EXPECT_EQ(st.m_atime, 1100000000);
    EXPECT_EQ(st.m_mtime, 1200000000);
    EXPECT_STREQ(st.m_szFullName, "C:\\dir\\f.bin");

    ASSERT_TRUE(CFile::GetStatus("C:\\dir\\sub", st));
    EXPECT_EQ(st.m_attribute & CFile::directory, CFile::directory);

    // A root with its backslash cut answers as the root directory, not as
    // the drive's current directory.
    machine.SetCurrentDir("C:\\dir\\sub");
    CFileStatus root, current;
    ASSERT_TRUE(CFile::GetStatus("C:\\", root));
    ASSERT_TRUE(CFile::GetStatus("C:\\dir\\sub", current));
    ASSERT_NE(root.m_attribute, current.m_attribute) << "the test needs them to differ";
    ASSERT_TRUE(CFile::GetStatus("C:", st));
    EXPECT_EQ(st.m_attribute, root.m_attribute);
    EXPECT_TRUE(CFile::GetStatus("c:", st));
    EXPECT_TRUE(CFile::GetStatus("C:\\", st));
    EXPECT_FALSE(CFile::GetStatus("Q:", st));
}

TEST_F(AfxFile, StaticStatusRefusesWhatNamesNoEntry)
{
    machine.MakeFile("C:\\dir\\f.bin", "x");
    const std::string longName = "C:\\" + std::string(5000, 'a');
    const char *names[] = {"C:\\dir\\missing", "C:\\nodir\\f.bin", "", "C:\\dir\\*",
                           "C:\\dir\\f.bi?", "C:\\dir\\*.*", longName.c_str()};
    for (const char *name : names) {
        CFileStatus st;
        std::memset(&st, 0x5A, sizeof st);
        EXPECT_FALSE(CFile::GetStatus(name, st)) << name;
        EXPECT_EQ(st.m_attribute, 0) << name;
    }
    CFileStatus st;
    EXPECT_FALSE(CFile::GetStatus(nullptr, st));
    // Wildcards never reach the platform.
    machine.ResetCalls();
    CFile::GetStatus("C:\\dir\\*", st);
    EXPECT_EQ(machine.CallCount(), 0u);
}

TEST_F(AfxFile, MemberStatusOfAnOpenFile)
{
    machine.MakeFile("C:\\m.bin", "12345", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM);
    CFile file("C:\\m.bin", CFile::modeRead);
    CFileStatus st;
    ASSERT_TRUE(file.GetStatus(st));
    EXPECT_EQ(st.m_size, 5);
    EXPECT_EQ(st.m_attribute, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_STREQ(st.m_szFullName, "C:\\m.bin");

    CFile closed;
    EXPECT_FALSE(closed.GetStatus(st));
}

TEST_F(AfxFile, RenameMovesOrThrows)
{
    machine.MakeFile("C:\\old.bin", "payload");
    machine.MakeFile("C:\\taken.bin", "other");
    CFile::Rename("C:\\old.bin", "C:\\new.bin");
    EXPECT_FALSE(machine.Exists("C:\\old.bin"));
    EXPECT_EQ(machine.ReadFileBytes("C:\\new.bin"), "payload");

    CFileException e = Thrown([] { CFile::Rename("C:\\gone.bin", "C:\\x.bin"); });
    EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    EXPECT_STREQ(e.m_strFileName, "C:\\gone.bin");

    e = Thrown([] { CFile::Rename("C:\\new.bin", "C:\\taken.bin"); });
    EXPECT_EQ(e.m_lOsError, ERROR_ALREADY_EXISTS);
    EXPECT_EQ(machine.ReadFileBytes("C:\\taken.bin"), "other");

    EXPECT_EQ(Thrown([] { CFile::Rename(nullptr, "C:\\x.bin"); }).m_cause,
              CFileException::badPath);
}

TEST_F(AfxFile, RemoveDeletesOrThrows)
{
    machine.MakeFile("C:\\f.bin", "x");
    machine.MakeFile("C:\\ro.bin", "x", FILE_ATTRIBUTE_READONLY);
    machine.MakeDir("C:\\d");
    CFile::Remove("C:\\f.bin");
    EXPECT_FALSE(machine.Exists("C:\\f.bin"));

    struct Row {
        const char *path;
        int cause;
    } rows[] = {
        {"C:\\f.bin", CFileException::fileNotFound},
        {"C:\\nodir\\f.bin", CFileException::badPath},
        {"C:\\d", CFileException::accessDenied},
        {"C:\\ro.bin", CFileException::accessDenied},
    };
    for (const Row &r : rows) {
        CFileException e = Thrown([&] { CFile::Remove(r.path); });
        EXPECT_EQ(e.m_cause, r.cause) << r.path;
        EXPECT_STREQ(e.m_strFileName, r.path);
    }
    EXPECT_TRUE(machine.Exists("C:\\ro.bin"));
    EXPECT_TRUE(machine.DirExists("C:\\d"));

    // Held open without delete sharing (CFile never shares deletion).
    machine.MakeFile("C:\\held.bin", "x");
    CFile held("C:\\held.bin", CFile::modeRead | CFile::shareDenyNone);
    EXPECT_EQ(Thrown([] { CFile::Remove("C:\\held.bin"); }).m_cause,
              CFileException::sharingViolation);
}

}  // namespace
