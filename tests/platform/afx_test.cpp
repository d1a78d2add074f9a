// The class-library subset and the runtime's streams on the POSIX backend:
// drive C: is a temporary directory; the fault decorator sees the calls.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/afx/afx.h"
#include "platform/crt/crt.h"
#include "support/fault_services.h"
#include "support/test_support.h"

namespace {

namespace crt = brenvik::crt;
using namespace brenvik::test;
using X = CFileException;

// What CreateFileA was asked: access, share, disposition and flags.
std::string OpenArgs(DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    return std::to_string(access) + "/" + std::to_string(share) + "/" +
           std::to_string(disposition) + "/" + std::to_string(flags);
}

// Keeps the arguments of every CreateFileA; can cut the next write short.
struct Recorder : ScopedFaults {
    HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                       DWORD disposition, DWORD flags, HANDLE tmpl) override
    {
        opens.push_back(OpenArgs(access, share, disposition, flags));
        return ScopedFaults::CreateFileA(name, access, share, sa, disposition, flags, tmpl);
    }
    BOOL WriteFile(HANDLE h, LPCVOID data, DWORD n, LPDWORD written, LPOVERLAPPED o) override
    {
        const DWORD cut = n >= shortWrite ? shortWrite : 0;
        shortWrite -= cut;
        return ScopedFaults::WriteFile(h, data, n - cut, written, o);
    }
    std::vector<std::string> opens;
    DWORD shortWrite = 0;
};

class Afx : public ::testing::Test {
protected:
    std::string H(const std::string &relative) { return root / relative; }
    void Make(const std::string &relative, const std::string &content = "x")
    {
        const auto slash = relative.rfind('/');
        if (slash != std::string::npos)
            MakeHostDirs(H(relative.substr(0, slash)));
        WriteHostFile(H(relative), content);
    }
    TempDir root;
    ScopedRegistryFile reg{RegText({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C]",
                                    "\"Path\"=\"" + root.path() + "\"", "\"Type\"=\"fixed\""})};
    Recorder faults;
};

template <typename F>
X Thrown(F &&f)
{
    try {
        f();
    } catch (const X &e) {
        return e;
    }
    ADD_FAILURE() << "no CFileException thrown";
    return X(X::none, 0, "(nothing thrown)");
}

// Cause, Win32 code and file name, to compare in one go.
std::string Str(const X &e)
{
    return std::to_string(e.m_cause) + "/" + std::to_string(e.m_lOsError) + "/" + e.m_strFileName;
}

// Attribute byte, size, access and write times and name, to compare in one go.
std::string Str(const CFileStatus &st)
{
    return std::to_string(st.m_attribute) + "/" + std::to_string(st.m_size) + "/" +
           std::to_string(st.m_atime) + "/" + std::to_string(st.m_mtime) + "/" + st.m_szFullName;
}

// Exported: a host asks the drive and image classes what they are.
TEST(AfxObject, RunTimeClassesWalkTheBaseChain)
{
    CRuntimeClass base = {"Base", 8, 1, nullptr, &CObject::classCObject, nullptr};
    CRuntimeClass derived = {"Derived", 8, 1, nullptr, &base, nullptr};
    CRuntimeClass other = {"Other", 8, 1, nullptr, &CObject::classCObject, nullptr};
    const CRuntimeClass *root = &CObject::classCObject;
    const struct { const CRuntimeClass *cls, *asked; BOOL expected; } rows[] = {
        {&derived, &base, TRUE}, {&derived, &other, FALSE}, {&base, &derived, FALSE},
        {&derived, nullptr, FALSE}};
    for (const auto &r : rows)
        EXPECT_EQ(r.cls->IsDerivedFrom(r.asked), r.expected) << r.cls->m_lpszClassName;
    CVcdImageEx image;
    EXPECT_EQ(image.GetRuntimeClass(), root);
    EXPECT_TRUE(image.IsKindOf(root) && !image.IsKindOf(&base));
}

TEST(AfxFileException, CausesFromWin32Codes)
{
    const struct { LONG code; int cause; } rows[] = {
        {0, X::none}, {2, X::fileNotFound}, {3, X::badPath}, {4, X::tooManyOpenFiles},
        {5, X::accessDenied}, {6, X::invalidFile}, {16, X::removeCurrentDir},
        {18, X::directoryFull}, {25, X::badSeek}, {29, X::hardIO}, {32, X::sharingViolation},
        {33, X::lockViolation}, {38, X::endOfFile}, {39, X::diskFull}, {1, X::generic},
    };
    for (const auto &r : rows)
        EXPECT_EQ(X::OsErrorToException(r.code), r.cause) << "code " << r.code;
    EXPECT_EQ(Str(Thrown([] { X::ThrowOsError(32, "C:\\h.bin"); })),
              Str(X(X::sharingViolation, 32, "C:\\h.bin")));
    EXPECT_EQ(Thrown([] { X::ThrowOsError(0); }).m_cause, X::generic);  // still a failure
    const std::string longName(5000, 'n');
    X cut(X::badPath, 3, longName.c_str());
    EXPECT_EQ(std::string(cut.m_strFileName), longName.substr(0, BRENVIK_MAX_PATH - 1));
}

// A refused open reports ERROR_INVALID_PARAMETER without asking the platform.
TEST_F(Afx, OpenFlagsMapOntoCreateFile)
{
    const DWORD R = GENERIC_READ, W = GENERIC_WRITE, SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE;
    const UINT C = CFile::modeCreate, NT = CFile::modeNoTruncate;
    const struct { UINT flags; DWORD access, share, disposition; } rows[] = {
        {CFile::modeRead, R, 0, OPEN_EXISTING},
        {CFile::modeWrite | CFile::shareExclusive, W, 0, OPEN_EXISTING},
        {CFile::modeRead | CFile::shareDenyWrite, R, SR, OPEN_EXISTING},
        {CFile::modeRead | CFile::shareDenyRead, R, SW, OPEN_EXISTING},
        {CFile::modeReadWrite | CFile::shareDenyNone, R | W, SR | SW, OPEN_EXISTING},
        {CFile::modeWrite | C, W, 0, CREATE_ALWAYS}, {CFile::modeWrite | C | NT, W, 0, OPEN_ALWAYS},
        {3, 0, 0, 0}, {0x50, 0, 0, 0},
    };
    Make("f.bin", "data");
    for (const auto &r : rows) {
        SCOPED_TRACE(r.flags);
        faults.opens.clear();
        CFile file;
        CFileException error;
        ASSERT_EQ(file.Open("C:\\f.bin", r.flags, &error) != FALSE, r.access != 0);
        EXPECT_EQ(faults.opens, std::vector<std::string>(r.access != 0, OpenArgs(r.access, r.share,
                                                                             r.disposition, 0x80)));
        EXPECT_STREQ(file.GetFilePath(), r.access ? "C:\\f.bin" : "");
        EXPECT_EQ(Str(error), Str(r.access ? X() : X(X::generic, 87, "C:\\f.bin")));
    }
}

TEST_F(Afx, FailedOpensReportTheirCause)
{
    Make("s.bin");
    CFile held("C:\\s.bin", CFile::modeWrite | CFile::shareDenyWrite);
    const struct { const char *path; UINT flags; int cause; LONG os; } rows[] = {
        {"C:\\missing.bin", CFile::modeRead, X::fileNotFound, ERROR_FILE_NOT_FOUND},
        {"C:\\s.bin", CFile::modeWrite | CFile::shareDenyNone, X::sharingViolation, 32},
        {nullptr, CFile::modeRead, X::badPath, ERROR_PATH_NOT_FOUND},
    };
    for (const auto &r : rows) {
        CFile file;
        CFileException error;
        EXPECT_FALSE(file.Open(r.path, r.flags, &error));
        EXPECT_EQ(Str(error), Str(X(r.cause, r.os, r.path ? r.path : "")));
        EXPECT_EQ(file.m_hFile, CFile::hFileNull);
    }
}

TEST_F(Afx, ReadWriteSeekAndRemove)
{
    Make("keep.bin", "old content");
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
    EXPECT_EQ(ReadHostFile(H("keep.bin")), "NEW content");
    CFile::Remove("C:\\keep.bin");
    EXPECT_FALSE(HostExists(H("keep.bin")));
    const struct { void (*call)(); std::string expected; } fails[] = {
        {[] { CFile::Remove("C:\\keep.bin"); }, Str(X(X::fileNotFound, 2, "C:\\keep.bin"))},
        {[] { CFile::Remove(nullptr); }, Str(X(X::badPath, 3, ""))},
        {[] { CFile::Rename("C:\\x.bin", nullptr); }, Str(X(X::badPath, 3, "C:\\x.bin"))},
    };
    for (const auto &f : fails)
        EXPECT_EQ(Str(Thrown(f.call)), f.expected);
}

// Injected failures of each call are swept in tests/reliability; here, what
// the sweep cannot see: short writes, a failing close and a file already closed.
TEST_F(Afx, FailuresThrowTheirCauseAndReleaseTheHandle)
{
    Make("a.bin", "abcdef");
    CFile file("C:\\a.bin", CFile::modeReadWrite | CFile::shareDenyNone);
    faults.shortWrite = 1;  // a write cut short without an error is a full disk
    EXPECT_EQ(Str(Thrown([&] { file.Write("abc", 3); })), Str(X(X::diskFull, -1, "C:\\a.bin")));
    CFile reader("C:\\a.bin", CFile::modeRead | CFile::shareDenyNone);
    EXPECT_EQ(Thrown([&] { reader.Write("x", 1); }).m_cause, X::accessDenied);
    // A failed close throws and still lets the handle go; Abort and the
    // destructor never throw.
    faults.ClearCalls();
    faults.Fail("CloseHandle", "", ERROR_INVALID_HANDLE, Times::Once);
    EXPECT_EQ(Thrown([&] { file.Close(); }).m_cause, X::invalidFile);
    EXPECT_EQ(file.m_hFile, CFile::hFileNull);
    faults.Fail("CloseHandle", "", ERROR_INVALID_HANDLE, Times::Once);
    reader.Abort();
    // Reopening closes the earlier handle, also when the new open fails.
    ASSERT_TRUE(file.Open("C:\\a.bin", CFile::modeRead));
    EXPECT_FALSE(file.Open("C:\\missing.bin", CFile::modeRead));
    EXPECT_EQ(faults.CountCalls("CloseHandle"), 3);
    faults.ClearCalls();
    EXPECT_EQ(Thrown([&] { file.GetLength(); }).m_cause, X::invalidFile);
    file.Close();
    file.Abort();
    EXPECT_TRUE(faults.Calls().empty());  // a closed file never asks the platform
}

TEST_F(Afx, Status)
{
    Make("dir/f.bin", std::string(1234, 'x'));
    struct timespec times[2] = {{1100000000, 0}, {1200000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, H("dir/f.bin").c_str(), times, 0), 0);
    ASSERT_TRUE(faults.SetFileAttributesA("C:\\dir\\f.bin", FILE_ATTRIBUTE_READONLY));
    CFileStatus st, opened;
    ASSERT_TRUE(CFile::GetStatus("C:\\dir\\f.bin", st));
    EXPECT_EQ(Str(st), "1/1234/1100000000/1200000000/C:\\dir\\f.bin");
    EXPECT_FALSE(CFile().GetStatus(opened));
    ASSERT_TRUE(CFile("C:\\dir\\f.bin", CFile::modeRead).GetStatus(opened));
    EXPECT_EQ(Str(opened), Str(st));
    // "C:" is the root, not the drive's current directory.
    faults.ClearCalls();
    ASSERT_TRUE(CFile::GetStatus("c:", st));
    EXPECT_EQ(st.m_attribute, CFile::directory);
    EXPECT_STREQ(st.m_szFullName, "c:\\");
    EXPECT_EQ(faults.PathsOf("GetFileAttributesExA"), std::vector<std::string>{"c:\\"});
    // Refused without asking the platform, or by it; every field emptied.
    const std::string longName = "C:\\" + std::string(BRENVIK_MAX_PATH - 3, 'a');
    const struct { const char *name; bool asks; } misses[] = {
        {"C:\\dir\\missing", true}, {"", false}, {longName.c_str(), false}, {nullptr, false},
        {"C:\\dir\\f.bi?", false}};
    for (const auto &m : misses) {
        SCOPED_TRACE(m.name ? m.name : "null");
        std::memset(&st, 0x5A, sizeof st);
        faults.ClearCalls();
        EXPECT_FALSE(CFile::GetStatus(m.name, st));
        EXPECT_EQ(st.m_attribute, 0);
        EXPECT_EQ(faults.Calls().empty(), !m.asks);
    }
}

// The library's write probe: write, close and unlink.
TEST_F(Afx, Streams)
{
    crt::CrtFile *f = crt::fopen("C:\\log.txt", "w");
    ASSERT_NE(f, nullptr);
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;  // as every stream shares
    EXPECT_EQ(faults.opens, (std::vector<std::string>{
                                OpenArgs(GENERIC_WRITE, share, CREATE_ALWAYS, 0x80)}));
    EXPECT_EQ(crt::fwrite("abcdef", 3, 2, f), 2u);
    EXPECT_EQ(crt::fclose(f), 0);
    EXPECT_EQ(ReadHostFile(H("log.txt")), "abcdef");
    EXPECT_EQ(crt::_unlink("C:\\log.txt"), 0);
    EXPECT_FALSE(HostExists(H("log.txt")));
}

TEST_F(Afx, FindReadsOneEntryAheadAndClosesOnce)
{
    Make("dir/a.txt");
    Make("dir/sub/deep.txt");
    MakeHostDirs(H("dir/..x"));
    faults.ClearCalls();
    std::multiset<std::string> seen;
    CFileFind find;
    BOOL working = find.FindFile("C:\\dir\\*.*");
    ASSERT_TRUE(working);
    int turns = 0;
    std::string name;
    while (working) {
        working = find.FindNextFile();
        EXPECT_EQ(faults.CountCalls("FindNextFileA"), ++turns);  // exactly one ahead
        name = find.GetFileName();
        EXPECT_EQ(find.IsDots() != FALSE, name == "." || name == "..") << name;
        seen.insert(name + (find.IsDirectory() ? "/" : ""));
    }
    EXPECT_EQ(seen, (std::multiset<std::string>{"./", "../", "a.txt", "sub/", "..x/"}));
    EXPECT_EQ(std::string(find.GetFileName()), name);  // the last entry stays to be seen
    find.Close();
    find.Close();
    EXPECT_EQ(faults.CountCalls("FindClose"), 1);
}

TEST_F(Afx, FindFilePathIsTheSearchDirectoryAndTheName)
{
    Make("dir/a.txt");
    Make("top.txt");
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir(H("dir").c_str()), 0);  // relative searches look here
    const struct { const char *search, *path; } rows[] = {
        {"C:\\dir\\a.txt", "C:\\dir\\a.txt"}, {"C:/dir/*.txt", "C:/dir\\a.txt"},
        {"*.txt", "a.txt"},  // relative searches give relative paths
        {"C:*.txt", "C:top.txt"},  // the drive's own current directory
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.search);
        CFileFind find;
        ASSERT_TRUE(find.FindFile(r.search));
        do
            find.FindNextFile();
        while (find.IsDots());
        EXPECT_EQ(std::string(find.GetFilePath()), r.path);
    }
    ASSERT_EQ(::chdir(cwd), 0);
}

TEST_F(Afx, FindFailuresAttributesAndLength)
{
    MakeHostDirs(H("empty"));
    Make("r/.f.bin");
    ASSERT_TRUE(faults.SetFileAttributesA("C:\\r\\.f.bin", FILE_ATTRIBUTE_READONLY));
    Make("big/huge.bin", "");
    ASSERT_EQ(::truncate(H("big/huge.bin").c_str(), 5LL << 30), 0);
    CFileFind find;  // the platform's code survives the cleanup of a failed search
    EXPECT_FALSE(find.FindFile("C:\\empty\\*.txt"));
    EXPECT_EQ(brenvik::platform::sys().GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
    EXPECT_FALSE(find.FindNextFile());
    EXPECT_STREQ(find.GetFilePath(), "");
    ASSERT_TRUE(find.FindFile("C:\\r\\.f.bin"));
    EXPECT_FALSE(find.FindNextFile());
    EXPECT_FALSE(find.IsArchived() || find.IsDirectory() || find.IsDots() || find.IsSystem());
    EXPECT_EQ(find.GetAttributes(), DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN});
    EXPECT_EQ(find.GetLength(), 1u);
    ASSERT_TRUE(find.FindFile("C:\\big\\huge.bin"));
    find.FindNextFile();
    EXPECT_EQ(find.GetLength(), 5ULL << 30);
}  // each search closes the one before, or the leak check fails the test

}  // namespace
