// Files and paths of the simulated machine beyond the conformance cases.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_state.h"
#include "support/scoped_machine.h"

namespace brenvik {
namespace {

using sim::Machine;

constexpr DWORD kMarker = 0xDEADBEEF;

HANDLE Open(Machine &m, const char *path, DWORD access, DWORD share, DWORD disposition,
            DWORD flags = FILE_ATTRIBUTE_NORMAL)
{
    return m.CreateFileA(path, access, share, nullptr, disposition, flags, nullptr);
}

bool Opens(Machine &m, HANDLE h)
{
    if (h == INVALID_HANDLE_VALUE)
        return false;
    m.CloseHandle(h);
    return true;
}

class SimFiles : public test::MachineTest {
protected:
    void SetUp() override
    {
        machine.MakeDir("C:\\dir\\sub");
        machine.MakeFile("C:\\dir\\file.txt", "hello");
        machine.MakeFile("C:\\dir\\sub\\inner.txt", "in");
        machine.MakeDir("C:\\empty");
        machine.AddDrive('E', DRIVE_CDROM).Medium(false);
        machine.AddDrive('F', DRIVE_FIXED);
        machine.AddShare("srv", "pub");
        machine.MakeFile("\\\\srv\\pub\\net.txt", "n");
    }
};

// One call each, success (0) or failure with the Win32 code.
TEST_F(SimFiles, CallsOnDiscsDrivesSharesAndLimits)
{
    machine.MakeFile("C:\\hidden.sys", "h", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    machine.MakeFile("D:\\movie.dat");
    machine.MakeDir("C:\\rodir", FILE_ATTRIBUTE_READONLY);
    machine.MakeDir("C:\\here");
    machine.SetCurrentDir("C:\\here");
    const std::string longDir = "C:\\" + std::string(245, 'a');
    const struct {
        const char *what;
        std::function<bool(Machine &)> call;
        DWORD error;
    } cases[] = {
        {"delete, no medium", [](Machine &m) { return m.DeleteFileA("E:\\f") != 0; }, ERROR_NOT_READY},
        {"delete on a disc", [](Machine &m) { return m.DeleteFileA("D:\\movie.dat") != 0; }, ERROR_ACCESS_DENIED},
        {"delete, unknown server", [](Machine &m) { return m.DeleteFileA("\\\\other\\pub\\f") != 0; }, ERROR_BAD_NETPATH},
        {"delete, unknown share", [](Machine &m) { return m.DeleteFileA("\\\\srv\\nope\\f") != 0; }, ERROR_BAD_NET_NAME},
        {"delete on a share", [](Machine &m) { return m.DeleteFileA("\\\\srv\\pub\\net.txt") != 0; }, 0},
        {"mkdir, 248 characters", [&](Machine &m) { return m.CreateDirectoryA((longDir + "aa").c_str(), nullptr) != 0; }, ERROR_FILENAME_EXCED_RANGE},
        {"mkdir, 247 characters", [&](Machine &m) { return m.CreateDirectoryA(longDir.c_str(), nullptr) != 0; }, 0},
        {"rmdir the root", [](Machine &m) { return m.RemoveDirectoryA("C:\\") != 0; }, ERROR_ACCESS_DENIED},
        {"rmdir read-only", [](Machine &m) { return m.RemoveDirectoryA("C:\\rodir") != 0; }, ERROR_ACCESS_DENIED},
        {"rmdir the current directory", [](Machine &m) { return m.RemoveDirectoryA("C:\\here") != 0; }, ERROR_SHARING_VIOLATION},
        {"open for writing on a disc", [](Machine &m) { return Opens(m, Open(m, "D:\\new.txt", GENERIC_WRITE, 0, CREATE_ALWAYS)); }, ERROR_ACCESS_DENIED},
        {"overwrite hidden system file plainly", [](Machine &m) { return Opens(m, Open(m, "C:\\hidden.sys", GENERIC_WRITE, 0, CREATE_ALWAYS)); }, ERROR_ACCESS_DENIED},
        {"overwrite it naming its bits", [](Machine &m) { return Opens(m, Open(m, "C:\\hidden.sys", GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)); }, 0},
        {"open a null name", [](Machine &m) { return Opens(m, Open(m, nullptr, GENERIC_READ, 0, OPEN_EXISTING)); }, ERROR_PATH_NOT_FOUND},
        {"open 5000 characters", [](Machine &m) { return Opens(m, Open(m, std::string(5000, 'x').c_str(), GENERIC_READ, 0, OPEN_EXISTING)); }, ERROR_FILENAME_EXCED_RANGE},
        {"open a file with a closing backslash", [](Machine &m) { return Opens(m, Open(m, "C:\\dir\\file.txt\\", GENERIC_READ, 0, OPEN_EXISTING)); }, ERROR_INVALID_NAME},
        {"move a directory below itself", [](Machine &m) { return m.MoveFileA("C:\\dir", "C:\\dir\\sub\\dir") != 0; }, ERROR_SHARING_VIOLATION},
        {"move a directory to another drive", [](Machine &m) { return m.MoveFileA("C:\\empty", "F:\\empty") != 0; }, ERROR_NOT_SAME_DEVICE},
        {"move a file to another drive", [](Machine &m) { return m.MoveFileA("C:\\dir\\sub\\inner.txt", "F:\\inner.txt") != 0; }, 0},
        {"search, a file as the directory", [](Machine &m) { WIN32_FIND_DATAA d; return Opens(m, m.FindFirstFileA("C:\\dir\\file.txt\\*", &d)); }, ERROR_DIRECTORY},
        {"search, a root", [](Machine &m) { WIN32_FIND_DATAA d; return Opens(m, m.FindFirstFileA("C:\\", &d)); }, ERROR_FILE_NOT_FOUND},
        {"search, wildcard in the directory", [](Machine &m) { WIN32_FIND_DATAA d; return Opens(m, m.FindFirstFileA("C:\\d*\\*", &d)); }, ERROR_INVALID_NAME},
        {"search, no medium", [](Machine &m) { WIN32_FIND_DATAA d; return Opens(m, m.FindFirstFileA("E:\\*", &d)); }, ERROR_NOT_READY},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        machine.SetLastError(kMarker);
        const bool ok = c.call(machine);
        EXPECT_EQ(ok, c.error == 0);
        if (!ok) {
            EXPECT_EQ(machine.GetLastError(), c.error);
        }
    }
    machine.SetCurrentDir("C:\\");
    EXPECT_TRUE(machine.FileExists("D:\\movie.dat"));
    EXPECT_FALSE(machine.Exists("\\\\srv\\pub\\net.txt"));
    EXPECT_EQ(machine.ReadFileBytes("F:\\inner.txt"), "in");
    // A directory holding an open file does not move.
    HANDLE h = Open(machine, "C:\\dir\\file.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_FALSE(machine.MoveFileA("C:\\dir", "C:\\again"));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    machine.CloseHandle(h);
}

TEST_F(SimFiles, HandlesBeyondReadAndWrite)
{
    HANDLE h = Open(machine, "C:\\rw.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
    DWORD n = 0;
    ASSERT_TRUE(machine.WriteFile(h, "hello world", 11, &n, nullptr));
    // Writing past the end fills the gap with zeros.
    EXPECT_EQ(machine.SetFilePointer(h, 2, nullptr, FILE_END), 13u);
    EXPECT_TRUE(machine.WriteFile(h, "!", 1, &n, nullptr));
    machine.CloseHandle(h);
    EXPECT_EQ(machine.ReadFileBytes("C:\\rw.bin"), std::string("hello world\0\0!", 14));
    // Append-only access writes at the end whatever the position.
    h = Open(machine, "C:\\rw.bin", 0x0004 /* FILE_APPEND_DATA */, 0, OPEN_EXISTING);
    EXPECT_EQ(machine.SetFilePointer(h, 0, nullptr, FILE_BEGIN), 0u);
    EXPECT_TRUE(machine.WriteFile(h, "?", 1, &n, nullptr));
    machine.CloseHandle(h);
    EXPECT_EQ(machine.ReadFileBytes("C:\\rw.bin").back(), '?');
    // A directory handle reads nothing.
    char buf[8];
    h = Open(machine, "C:\\dir", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
             FILE_FLAG_BACKUP_SEMANTICS);
    EXPECT_FALSE(machine.ReadFile(h, buf, 1, &n, nullptr));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
    machine.CloseHandle(h);
    // A deleted file stays readable through a handle that shares deletion.
    h = Open(machine, "C:\\dir\\file.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
             OPEN_EXISTING);
    ASSERT_TRUE(machine.DeleteFileA("C:\\dir\\file.txt"));
    EXPECT_TRUE(machine.ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "hello");
    machine.CloseHandle(h);
    // Wrong arguments fail instead of crashing.
    EXPECT_EQ(machine.GetFileAttributesA(nullptr), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(machine.MoveFileA(nullptr, nullptr));
    EXPECT_EQ(machine.FindFirstFileA(nullptr, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(machine.GetFileAttributesExA("C:\\dir", GetFileExInfoStandard, nullptr));
    h = Open(machine, "C:\\rw.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_FALSE(machine.ReadFile(h, nullptr, 4, &n, nullptr));
    machine.CloseHandle(h);
}

TEST_F(SimFiles, FilesOfFourGigabytesAndMore)
{
    const uint64_t GiB = 1ull << 30;
    machine.MakeFile("C:\\big.iso", "HEAD");
    machine.SetFileSize("C:\\big.iso", 5 * GiB);
    HANDLE h = Open(machine, "C:\\big.iso", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    DWORD high = 7, n = 0;
    EXPECT_EQ(machine.GetFileSize(h, &high), static_cast<DWORD>(GiB));
    EXPECT_EQ(high, 1u);
    char buf[8];
    LONG moveHigh = 1;
    EXPECT_EQ(machine.SetFilePointer(h, static_cast<LONG>(GiB - 2), &moveHigh, FILE_BEGIN),
              static_cast<DWORD>(GiB - 2));
    EXPECT_TRUE(machine.ReadFile(h, buf, 8, &n, nullptr));
    EXPECT_EQ(n, 2u);  // up to the end of the 5 GiB
    // Without a high part the position must fit 32 bits.
    EXPECT_EQ(machine.SetFilePointer(h, 0, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    machine.CloseHandle(h);
    // A size whose low 32 bits are all ones is a size, not a failure.
    machine.SetFileSize("C:\\odd.bin", 4 * GiB + 0xFFFFFFFFull);
    h = Open(machine, "C:\\odd.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    machine.SetLastError(kMarker);
    EXPECT_EQ(machine.GetFileSize(h, &high), INVALID_FILE_SIZE);
    EXPECT_EQ(high, 1u);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(NO_ERROR));
    machine.CloseHandle(h);
}

TEST_F(SimFiles, AttributesKeepEveryBit)
{
    machine.MakeFile("C:\\c.dat", "", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_COMPRESSED);
    EXPECT_EQ(machine.GetFileAttributesA("C:\\c.dat"), 0x820u);
    EXPECT_EQ(machine.GetFileAttributesA("C:\\"), 0x16u);  // hidden system directory
    // Settable bits change; the compressed bit stays.
    EXPECT_TRUE(machine.SetFileAttributesA("C:\\c.dat", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(machine.GetFileAttributesA("C:\\c.dat"), 0x803u);
    EXPECT_TRUE(machine.SetFileAttributesA("C:\\c.dat", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(machine.GetFileAttributesA("C:\\c.dat"), 0x800u);
}

TEST_F(SimFiles, SymbolicLinks)
{
    machine.MakeDir("C:\\target\\deep");
    machine.MakeFile("C:\\target\\t.txt", "T");
    machine.MakeLink("C:\\dir\\dlink", "C:\\target", true);
    machine.MakeLink("C:\\dir\\rel", "..\\target\\t.txt", false);  // relative to C:\dir
    machine.MakeLink("C:\\loop1", "C:\\loop2", true);
    machine.MakeLink("C:\\loop2", "C:\\loop1", true);
    EXPECT_EQ(machine.GetFileAttributesA("C:\\dir\\dlink"),
              static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(machine.GetFileAttributesA("C:\\dir\\dlink\\deep"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(machine.ReadFileBytes("C:\\dir\\rel"), "T");
    WIN32_FIND_DATAA fd;
    HANDLE h = machine.FindFirstFileA("C:\\dir\\dlink", &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(fd.dwReserved0, 0xA000000Cu);
    machine.FindClose(h);
    machine.SetLastError(kMarker);
    EXPECT_EQ(machine.GetFileAttributesA("C:\\loop1\\x"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_CANT_RESOLVE_FILENAME));
    // Deleting removes the link, never what it points at.
    EXPECT_FALSE(machine.DeleteFileA("C:\\dir\\dlink"));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(machine.RemoveDirectoryA("C:\\dir\\rel"));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
    EXPECT_TRUE(machine.RemoveDirectoryA("C:\\dir\\dlink"));
    EXPECT_TRUE(machine.DeleteFileA("C:\\dir\\rel"));
    EXPECT_EQ(machine.ListTree("C:\\target"), (std::vector<std::string>{"deep\\", "t.txt"}));
}

// Each spelling must reach C:\Data\Report.TXT, or fail with the code.
TEST_F(SimFiles, SpellingsOfOnePath)
{
    machine.MakeFile("C:\\Data\\Report.TXT", "r");
    machine.MakeDir("C:\\Data\\Sub");
    machine.AddShare("Server", "Share");
    machine.MakeFile("\\\\Server\\Share\\Data\\Report.TXT", "n");
    machine.SetCurrentDir("C:\\Data\\Sub");
    const struct {
        const char *path;
        DWORD error;  // 0: found
    } rows[] = {
        {"c:\\data\\report.txt", 0},
        {"C:/Data/Report.TXT", 0},
        {"C:\\\\Data\\\\\\Report.TXT", 0},
        {"C:\\..\\..\\Data\\Report.TXT", 0},  // ".." stops at the root
        {"C:\\Data\\Report.TXT . .", 0},      // trailing dots and spaces go
        {"..\\Report.TXT", 0},                // relative to C:\Data\Sub
        {"\\Data\\Report.TXT", 0},            // rooted on the current drive
        {"C:..\\Report.TXT", 0},              // relative on the current drive
        {"\\\\?\\C:\\Data\\Report.TXT", 0},
        {"\\\\server\\SHARE\\data\\report.txt", 0},
        {"\\\\?\\UNC\\Server\\Share\\Data\\Report.TXT", 0},
        {"\\\\?\\C:\\Data\\Report.TXT.", ERROR_FILE_NOT_FOUND},  // no trimming there
        {"C:\\Data\\Report.TXT\\", ERROR_INVALID_NAME},
        {"C:\\Da:ta\\Report.TXT", ERROR_INVALID_NAME},
        {"\\\\.\\C:", ERROR_FILE_NOT_FOUND},
        {"\\\\Server", ERROR_BAD_PATHNAME},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.path);
        machine.SetLastError(kMarker);
        const DWORD attrs = machine.GetFileAttributesA(r.path);
        EXPECT_EQ(attrs, r.error ? INVALID_FILE_ATTRIBUTES : DWORD{FILE_ATTRIBUTE_ARCHIVE});
        EXPECT_EQ(machine.GetLastError(), r.error ? r.error : kMarker);
    }
    // Relative to a current directory on a share, and through a letter.
    machine.SetCurrentDir("\\\\Server\\Share\\Data");
    EXPECT_EQ(machine.GetFileAttributesA("report.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(machine.GetFileAttributesA("\\Data"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    machine.SetCurrentDir("C:\\");
    machine.RememberConnection('N', "\\\\Server\\Share", true);
    EXPECT_EQ(machine.ReadFileBytes("N:\\Data\\Report.TXT"), "n");
    EXPECT_TRUE(machine.CreateDirectoryA("N:\\made", nullptr));
    EXPECT_TRUE(machine.DirExists("\\\\Server\\Share\\made"));
    machine.RememberConnection('O', "\\\\Server\\Share", false);
    EXPECT_EQ(machine.GetFileAttributesA("O:\\Data"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(SimFiles, DoubleByteCharacters)
{
    // 0x95 0x5C is one character in code page 932; its second byte is not a
    // separator there.
    const std::string dbcs = "\x95\x5C";
    machine.SetACP(932);
    machine.MakeFile("C:\\dir\\" + dbcs + ".txt", "j");
    EXPECT_EQ(machine.ListDir("C:\\dir"),
              (std::vector<std::string>{"file.txt", "sub", dbcs + ".txt"}));
    // The second byte of a double-byte character is not a letter to fold.
    machine.MakeFile("C:\\\x82\x61", "a");
    EXPECT_TRUE(machine.FileExists("C:\\\x82\x61"));
    EXPECT_FALSE(machine.FileExists("C:\\\x82\x41"));
    machine.SetACP(1252);
    EXPECT_EQ(sim::Fold("\x82\x61", 1252), "\x82\x41");
    EXPECT_EQ(sim::Fold("a\x82\x61z", 936), "A\x82\x61Z");
}

}  // namespace
}  // namespace brenvik
