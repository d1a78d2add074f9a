// The machine's scope fails a test that leaves a handle open.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/afx/afx.h"
#include "platform/crt/crt.h"
#include "platform/sim/sim_machine.h"
#include "support/scoped_machine.h"

namespace {

namespace crt = brenvik::crt;
using X = CFileException;

// Keeps the arguments of every CreateFileA; can cut the next write short.
struct RecordingMachine : brenvik::sim::Machine {
    struct Open { std::string path; DWORD access, share, disposition, flags; };
    RecordingMachine() : brenvik::sim::Machine(Typical()) {}
    HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                       DWORD disposition, DWORD flags, HANDLE tmpl) override
    {
        opens.push_back({name ? name : "", access, share, disposition, flags});
        return Machine::CreateFileA(name, access, share, sa, disposition, flags, tmpl);
    }
    BOOL WriteFile(HANDLE h, LPCVOID data, DWORD n, LPDWORD written, LPOVERLAPPED o) override
    {
        DWORD cut = n >= shortWrite ? shortWrite : 0;
        shortWrite -= cut;
        return Machine::WriteFile(h, data, n - cut, written, o);
    }
    std::vector<Open> opens;
    DWORD shortWrite = 0;
};

class AfxFile : public ::testing::Test {
protected:
    RecordingMachine machine;
    brenvik::test::ScopedMachine scope{machine};
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
    return CFileException(X::none, 0, "(nothing thrown)");
}

TEST(AfxFileException, CausesFromWin32Codes)
{
    const struct { LONG code; int cause; } rows[] = {
        {0, X::none}, {2, X::fileNotFound}, {3, X::badPath}, {4, X::tooManyOpenFiles},
        {5, X::accessDenied}, {6, X::invalidFile}, {16, X::removeCurrentDir},
        {18, X::directoryFull}, {25, X::badSeek}, {29, X::hardIO}, {31, X::hardIO},
        {32, X::sharingViolation}, {33, X::lockViolation}, {38, X::endOfFile}, {39, X::diskFull},
        {112, X::diskFull}, {1, X::generic}, {183, X::generic}, {-1, X::generic},
    };
    for (const auto &r : rows)
        EXPECT_EQ(X::OsErrorToException(r.code), r.cause) << "code " << r.code;

    CFileException e = Thrown([] { X::ThrowOsError(32, "C:\\held.bin"); });
    EXPECT_EQ(e.m_cause, X::sharingViolation);
    EXPECT_EQ(e.m_lOsError, 32);
    EXPECT_STREQ(e.m_strFileName, "C:\\held.bin");
    // A failure that left no code is still a failure.
    EXPECT_EQ(Thrown([] { X::ThrowOsError(0); }).m_cause, X::generic);
    const std::string longName(5000, 'n');
    CFileException cut(X::badPath, 3, longName.c_str());
    EXPECT_EQ(std::string(cut.m_strFileName), longName.substr(0, BRENVIK_MAX_PATH - 1));
}

TEST_F(AfxFile, OpenFlagsMapOntoCreateFile)
{
    const DWORD rw = GENERIC_READ | GENERIC_WRITE, both = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const struct { UINT flags; DWORD access, share, disposition; } rows[] = {
        {CFile::modeRead, GENERIC_READ, 0, OPEN_EXISTING},
        {CFile::modeWrite | CFile::shareExclusive, GENERIC_WRITE, 0, OPEN_EXISTING},
        {CFile::modeRead | CFile::shareDenyWrite, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING},
        {CFile::modeRead | CFile::shareDenyRead, GENERIC_READ, FILE_SHARE_WRITE, OPEN_EXISTING},
        {CFile::modeReadWrite | CFile::shareDenyNone, rw, both, OPEN_EXISTING},
        {CFile::modeWrite | CFile::modeCreate, GENERIC_WRITE, 0, CREATE_ALWAYS},
        {CFile::modeWrite | CFile::modeCreate | CFile::modeNoTruncate, GENERIC_WRITE, 0,
         OPEN_ALWAYS},
        {CFile::modeRead | CFile::modeNoTruncate, GENERIC_READ, 0, OPEN_EXISTING},
        {3, 0, 0, 0}, {0x50, 0, 0, 0}, {0x70, 0, 0, 0},  // refused without opening
    };
    machine.MakeFile("C:\\f.bin", "data");
    for (const auto &r : rows) {
        SCOPED_TRACE(r.flags);
        machine.opens.clear();
        CFile file;
        CFileException error;
        ASSERT_EQ(file.Open("C:\\f.bin", r.flags, &error) != FALSE, r.access != 0);
        if (r.access == 0) {
            EXPECT_TRUE(machine.opens.empty());
            EXPECT_EQ(error.m_cause, X::generic);
            EXPECT_EQ(error.m_lOsError, ERROR_INVALID_PARAMETER);
            continue;
        }
        ASSERT_EQ(machine.opens.size(), 1u);
        const auto &o = machine.opens[0];
        EXPECT_EQ(o.access, r.access);
        EXPECT_EQ(o.share, r.share);
        EXPECT_EQ(o.disposition, r.disposition);
        EXPECT_EQ(o.flags, FILE_ATTRIBUTE_NORMAL);
        EXPECT_STREQ(file.GetFilePath(), "C:\\f.bin");
    }

    const struct { const char *mode; DWORD access, disposition; } modes[] = {
        {"rt", GENERIC_READ, OPEN_EXISTING}, {"r+", rw, OPEN_EXISTING},
        {"w", GENERIC_WRITE, CREATE_ALWAYS}, {"w+b", rw, CREATE_ALWAYS},
        {"a", GENERIC_WRITE, OPEN_ALWAYS},   {"a+", rw, OPEN_ALWAYS},
        {"", 0, 0}, {"rw", 0, 0}, {"r++", 0, 0}, {"wbb", 0, 0}, {nullptr, 0, 0},
    };
    for (const auto &m : modes) {
        SCOPED_TRACE(m.mode ? m.mode : "null");
        machine.opens.clear();
        crt::CrtFile *f = crt::fopen("C:\\f.bin", m.mode);
        ASSERT_EQ(f != nullptr, m.access != 0);
        ASSERT_EQ(machine.opens.size(), f ? 1u : 0u);
        if (f) {
            EXPECT_EQ(machine.opens[0].access, m.access);
            EXPECT_EQ(machine.opens[0].share, both);
            EXPECT_EQ(machine.opens[0].disposition, m.disposition);
            EXPECT_EQ(crt::fclose(f), 0);
        }
    }
}

// Which sharing conflicts fail is the platform's business; the flags it is
// given are checked above.
TEST_F(AfxFile, FailedOpensReportTheirCause)
{
    machine.MakeFile("C:\\s.bin", "x");
    CFile held("C:\\s.bin", CFile::modeRead | CFile::shareDenyWrite);
    const struct { const char *path; UINT flags; int cause; LONG os; } rows[] = {
        {"C:\\missing.bin", CFile::modeRead, X::fileNotFound, ERROR_FILE_NOT_FOUND},
        {"C:\\no\\dir\\f.bin", CFile::modeRead, X::badPath, ERROR_PATH_NOT_FOUND},
        {nullptr, CFile::modeRead, X::badPath, ERROR_PATH_NOT_FOUND},
        {"C:\\s.bin", CFile::modeWrite | CFile::shareDenyNone, X::sharingViolation, 32},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.path ? r.path : "null");
        CFile file;
        CFileException error;
        EXPECT_FALSE(file.Open(r.path, r.flags, &error));
        EXPECT_EQ(error.m_cause, r.cause);
        EXPECT_EQ(error.m_lOsError, r.os);
        EXPECT_STREQ(error.m_strFileName, r.path ? r.path : "");
        EXPECT_EQ(file.m_hFile, CFile::hFileNull);
    }
}

TEST_F(AfxFile, ReadWriteSeekAndTruncation)
{
    machine.MakeFile("C:\\keep.bin", "old content");
    {
        CFile f("C:\\keep.bin", CFile::modeReadWrite | CFile::modeCreate | CFile::modeNoTruncate);
        f.Write("NEW", 3);
        char buf[32] = {};
        EXPECT_EQ(f.GetLength(), 11u);
        EXPECT_EQ(f.GetPosition(), 3u);  // the length leaves the position alone
        EXPECT_EQ(f.Seek(-7, CFile::end), 4);
        EXPECT_EQ(f.Seek(-2, CFile::current), 2);
        EXPECT_EQ(f.Read(buf, sizeof buf), 9u);
        EXPECT_STREQ(buf, "W content");
        EXPECT_EQ(f.Read(buf, sizeof buf), 0u);  // end of file is not an error
    }
    EXPECT_EQ(machine.ReadFileBytes("C:\\keep.bin"), "NEW content");
    { CFile cut("C:\\keep.bin", CFile::modeWrite | CFile::modeCreate); }
    EXPECT_EQ(machine.ReadFileBytes("C:\\keep.bin"), "");
}

// Injected failures of each call are swept in tests/reliability; here, what the
// sweep cannot see: short writes, a failing close and a file already closed.
TEST_F(AfxFile, FailuresThrowTheirCauseAndReleaseTheHandle)
{
    machine.MakeFile("C:\\a.bin", "abcdef");
    CFile file("C:\\a.bin", CFile::modeReadWrite | CFile::shareDenyNone);
    machine.shortWrite = 1;  // a write cut short without an error is a full disk
    CFileException e = Thrown([&] { file.Write("abc", 3); });
    EXPECT_EQ(e.m_cause, X::diskFull);
    EXPECT_EQ(e.m_lOsError, -1);
    EXPECT_STREQ(e.m_strFileName, "C:\\a.bin");
    EXPECT_NE(Thrown([&] { file.Seek(-1, CFile::begin); }).m_cause, X::none);
    CFile reader("C:\\a.bin", CFile::modeRead | CFile::shareDenyNone);
    EXPECT_EQ(Thrown([&] { reader.Write("x", 1); }).m_cause, X::accessDenied);

    // A failed close throws and still lets the handle go; Abort and the
    // destructor never throw.
    machine.ResetCalls();
    machine.FailNthCallOf("CloseHandle", 1, ERROR_INVALID_HANDLE);
    EXPECT_EQ(Thrown([&] { file.Close(); }).m_cause, X::invalidFile);
    EXPECT_EQ(file.m_hFile, CFile::hFileNull);
    machine.FailNthCallOf("CloseHandle", 1, ERROR_INVALID_HANDLE);
    reader.Abort();
    // Reopening closes the earlier handle, also when the new open fails.
    ASSERT_TRUE(file.Open("C:\\a.bin", CFile::modeRead));
    EXPECT_FALSE(file.Open("C:\\missing.bin", CFile::modeRead));
    EXPECT_EQ(machine.CallCount("CloseHandle"), 3u);

    const uint64_t before = machine.CallCount();
    char buf[4];
    EXPECT_EQ(Thrown([&] { file.Read(buf, 1); }).m_cause, X::invalidFile);
    EXPECT_EQ(Thrown([&] { file.GetLength(); }).m_cause, X::invalidFile);
    file.Close();
    file.Abort();
    EXPECT_EQ(machine.CallCount(), before);  // a closed file never asks the platform
}

FILETIME FileTime(int64_t unixSeconds)
{
    const uint64_t ticks = static_cast<uint64_t>(unixSeconds + 11644473600LL) * 10000000ULL;
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

TEST_F(AfxFile, Status)
{
    const DWORD attributes =
        0x800 | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;
    machine.MakeFile("C:\\dir\\f.bin", std::string(1234, 'x'), attributes);
    machine.SetTimes("C:\\dir\\f.bin", FileTime(1000000000), FileTime(1100000000),
                     FileTime(1200000000));
    machine.MakeDir("C:\\dir\\sub");
    CFileStatus st;
    ASSERT_TRUE(CFile::GetStatus("C:\\dir\\f.bin", st));
    EXPECT_EQ(st.m_attribute, 0x23);  // the low eight bits only
    EXPECT_EQ(st.m_size, 1234);
    EXPECT_EQ(st.m_ctime, 1000000000);
    EXPECT_EQ(st.m_atime, 1100000000);
    EXPECT_EQ(st.m_mtime, 1200000000);
    EXPECT_STREQ(st.m_szFullName, "C:\\dir\\f.bin");
    EXPECT_FALSE(CFile().GetStatus(st));

    // "C:" is the root, not the drive's current directory.
    machine.SetCurrentDir("C:\\dir\\sub");
    CFileStatus root, current;
    ASSERT_TRUE(CFile::GetStatus("C:\\", root));
    ASSERT_TRUE(CFile::GetStatus("C:\\dir\\sub", current));
    ASSERT_NE(root.m_attribute, current.m_attribute) << "the test needs them to differ";
    ASSERT_TRUE(CFile::GetStatus("c:", st));
    EXPECT_EQ(st.m_attribute, root.m_attribute);

    const std::string longName = "C:\\" + std::string(5000, 'a');
    for (const char *name :
         {"C:\\dir\\missing", "", "Q:", longName.c_str(), static_cast<const char *>(nullptr)}) {
        std::memset(&st, 0x5A, sizeof st);
        EXPECT_FALSE(CFile::GetStatus(name, st)) << (name ? name : "null");
        EXPECT_EQ(st.m_attribute, 0);
    }
    machine.ResetCalls();
    CFile::GetStatus("C:\\dir\\*", st);
    EXPECT_EQ(machine.CallCount(), 0u);  // wildcards never reach the platform
}

TEST_F(AfxFile, RenameAndRemove)
{
    machine.MakeFile("C:\\old.bin", "payload");
    CFile::Rename("C:\\old.bin", "C:\\new.bin");
    EXPECT_EQ(machine.ReadFileBytes("C:\\new.bin"), "payload");
    CFile::Remove("C:\\new.bin");
    EXPECT_FALSE(machine.Exists("C:\\new.bin"));
    X e = Thrown([] { CFile::Remove("C:\\new.bin"); });
    EXPECT_EQ(e.m_cause, X::fileNotFound);
    EXPECT_STREQ(e.m_strFileName, "C:\\new.bin");
    EXPECT_EQ(Thrown([] { CFile::Rename(nullptr, "C:\\x.bin"); }).m_cause, X::badPath);
    EXPECT_EQ(Thrown([] { CFile::Remove(nullptr); }).m_cause, X::badPath);
}

TEST_F(AfxFile, Streams)
{
    machine.MakeFile("C:\\log.txt", "one;");
    crt::CrtFile *f = crt::fopen("C:\\log.txt", "a+");
    ASSERT_NE(f, nullptr);
    char buf[16] = {};
    EXPECT_EQ(crt::fread(buf, 1, 3, f), 3u);  // reading starts at the beginning
    EXPECT_EQ(crt::fwrite("two;", 1, 4, f), 4u);  // writing at the end
    EXPECT_EQ(crt::fclose(f), 0);
    EXPECT_EQ(machine.ReadFileBytes("C:\\log.txt"), "one;two;");

    f = crt::fopen("C:\\log.txt", "w");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(crt::fwrite("abcdef", 3, 2, f), 2u);
    EXPECT_EQ(crt::fwrite("abc", SIZE_MAX, 2, f), 0u);  // the size would overflow
    EXPECT_EQ(crt::fread(buf, 1, 1, f), 0u);  // not open for reading
    machine.FailNthCallOf("CloseHandle", 1, ERROR_INVALID_HANDLE);
    EXPECT_EQ(crt::fclose(f), -1);  // and the stream is gone all the same
    EXPECT_EQ(machine.ReadFileBytes("C:\\log.txt"), "abcdef");

    f = crt::fopen("C:\\log.txt", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(crt::fread(buf, 4, 3, f), 1u);  // whole items only
    EXPECT_EQ(crt::fwrite("x", 1, 1, f), 0u);
    EXPECT_EQ(crt::fclose(f), 0);

    EXPECT_EQ(crt::fopen("C:\\missing.bin", "r"), nullptr);
    EXPECT_EQ(crt::fread(buf, 1, 1, nullptr), 0u);
    EXPECT_EQ(crt::fclose(nullptr), -1);
    EXPECT_EQ(crt::_unlink("C:\\log.txt"), 0);
    EXPECT_FALSE(machine.Exists("C:\\log.txt"));
    EXPECT_EQ(crt::_unlink("C:\\log.txt"), -1);
    EXPECT_EQ(crt::_unlink(nullptr), -1);
}

}  // namespace
