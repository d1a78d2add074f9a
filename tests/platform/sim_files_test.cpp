// The simulated machine's file services: Win32 results, error codes, share
// modes, handles, links and large files.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "support/scoped_machine.h"

namespace brenvik {
namespace {

using sim::Machine;
using test::MachineTest;

constexpr DWORD kMarker = 0xDEADBEEF;

HANDLE Open(Machine &m, const char *path, DWORD access, DWORD share, DWORD disposition,
            DWORD flags = FILE_ATTRIBUTE_NORMAL)
{
    return m.CreateFileA(path, access, share, nullptr, disposition, flags, nullptr);
}

// One call and the Win32 outcome expected of it: success, or failure with
// the given last error.
struct Case {
    const char *what;
    std::function<bool(Machine &)> call;
    DWORD error;  // 0: must succeed
};

bool Succeeds(HANDLE h, Machine &m)
{
    if (h == INVALID_HANDLE_VALUE)
        return false;
    m.CloseHandle(h);
    return true;
}

void RunCases(Machine &m, const std::vector<Case> &cases)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        m.SetLastError(kMarker);
        bool ok = c.call(m);
        if (c.error == 0) {
            EXPECT_TRUE(ok);
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(m.GetLastError(), c.error);
        }
    }
}

class SimFiles : public MachineTest {
protected:
    void SetUp() override
    {
        machine.MakeDir("C:\\dir\\sub");
        machine.MakeFile("C:\\dir\\file.txt", "hello");
        machine.MakeFile("C:\\dir\\ro.txt", "x", FILE_ATTRIBUTE_READONLY);
        machine.MakeFile("C:\\dir\\sub\\inner.txt", "in");
        machine.MakeDir("C:\\empty");
        machine.AddDrive('E', DRIVE_CDROM).Medium(false);
        machine.AddShare("srv", "pub");
        machine.MakeFile("\\\\srv\\pub\\net.txt", "n");
    }
};

TEST_F(SimFiles, DeleteFileErrorCodes)
{
    HANDLE held = Open(machine, "C:\\dir\\file.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    RunCases(machine, {
        {"missing file, directory present", [](Machine &m) { return m.DeleteFileA("C:\\dir\\none") != 0; }, ERROR_FILE_NOT_FOUND},
        {"missing directory", [](Machine &m) { return m.DeleteFileA("C:\\nodir\\f") != 0; }, ERROR_PATH_NOT_FOUND},
        {"a directory", [](Machine &m) { return m.DeleteFileA("C:\\dir\\sub") != 0; }, ERROR_ACCESS_DENIED},
        {"a read-only file", [](Machine &m) { return m.DeleteFileA("C:\\dir\\ro.txt") != 0; }, ERROR_ACCESS_DENIED},
        {"open without delete sharing", [](Machine &m) { return m.DeleteFileA("C:\\dir\\file.txt") != 0; }, ERROR_SHARING_VIOLATION},
        {"bad character", [](Machine &m) { return m.DeleteFileA("C:\\dir\\a|b") != 0; }, ERROR_INVALID_NAME},
        {"no medium", [](Machine &m) { return m.DeleteFileA("E:\\f") != 0; }, ERROR_NOT_READY},
        {"no such drive", [](Machine &m) { return m.DeleteFileA("Q:\\f") != 0; }, ERROR_PATH_NOT_FOUND},
        {"write-protected disc", [](Machine &m) { m.MakeFile("D:\\movie.dat"); return m.DeleteFileA("D:\\movie.dat") != 0; }, ERROR_ACCESS_DENIED},
        {"unknown server", [](Machine &m) { return m.DeleteFileA("\\\\other\\pub\\f") != 0; }, ERROR_BAD_NETPATH},
        {"unknown share", [](Machine &m) { return m.DeleteFileA("\\\\srv\\nope\\f") != 0; }, ERROR_BAD_NET_NAME},
        {"a file on a share", [](Machine &m) { return m.DeleteFileA("\\\\srv\\pub\\net.txt") != 0; }, 0},
    });
    EXPECT_TRUE(machine.FileExists("C:\\dir\\ro.txt"));
    EXPECT_TRUE(machine.FileExists("C:\\dir\\file.txt"));
    EXPECT_FALSE(machine.FileExists("\\\\srv\\pub\\net.txt"));
    machine.CloseHandle(held);
    EXPECT_TRUE(machine.DeleteFileA("C:\\dir\\file.txt"));
    EXPECT_FALSE(machine.Exists("C:\\dir\\file.txt"));
}

TEST_F(SimFiles, DirectoryErrorCodes)
{
    RunCases(machine, {
        {"create existing", [](Machine &m) { return m.CreateDirectoryA("C:\\dir", nullptr) != 0; }, ERROR_ALREADY_EXISTS},
        {"create the root", [](Machine &m) { return m.CreateDirectoryA("C:\\", nullptr) != 0; }, ERROR_ALREADY_EXISTS},
        {"create over a file", [](Machine &m) { return m.CreateDirectoryA("C:\\dir\\file.txt", nullptr) != 0; }, ERROR_ALREADY_EXISTS},
        {"create, parent missing", [](Machine &m) { return m.CreateDirectoryA("C:\\no\\new", nullptr) != 0; }, ERROR_PATH_NOT_FOUND},
        {"create on a disc", [](Machine &m) { return m.CreateDirectoryA("D:\\new", nullptr) != 0; }, ERROR_ACCESS_DENIED},
        {"create, too long", [](Machine &m) { return m.CreateDirectoryA(("C:\\" + std::string(247, 'a')).c_str(), nullptr) != 0; }, ERROR_FILENAME_EXCED_RANGE},
        {"create, longest allowed", [](Machine &m) { return m.CreateDirectoryA(("C:\\" + std::string(245, 'a')).c_str(), nullptr) != 0; }, 0},
        {"create, trailing backslash", [](Machine &m) { return m.CreateDirectoryA("C:\\new\\", nullptr) != 0; }, 0},
        {"remove non-empty", [](Machine &m) { return m.RemoveDirectoryA("C:\\dir") != 0; }, ERROR_DIR_NOT_EMPTY},
        {"remove missing, parent present", [](Machine &m) { return m.RemoveDirectoryA("C:\\dir\\none") != 0; }, ERROR_FILE_NOT_FOUND},
        {"remove, parent missing", [](Machine &m) { return m.RemoveDirectoryA("C:\\no\\none") != 0; }, ERROR_PATH_NOT_FOUND},
        {"remove a file", [](Machine &m) { return m.RemoveDirectoryA("C:\\dir\\file.txt") != 0; }, ERROR_DIRECTORY},
        {"remove the root", [](Machine &m) { return m.RemoveDirectoryA("C:\\") != 0; }, ERROR_ACCESS_DENIED},
        {"remove read-only", [](Machine &m) { m.MakeDir("C:\\rodir", FILE_ATTRIBUTE_READONLY); return m.RemoveDirectoryA("C:\\rodir") != 0; }, ERROR_ACCESS_DENIED},
        {"remove the current directory", [](Machine &m) { m.MakeDir("C:\\here"); m.SetCurrentDir("C:\\here"); bool ok = m.RemoveDirectoryA("C:\\here") != 0; m.SetCurrentDir("C:\\"); return ok; }, ERROR_SHARING_VIOLATION},
        {"remove empty", [](Machine &m) { return m.RemoveDirectoryA("C:\\empty") != 0; }, 0},
    });
    EXPECT_TRUE(machine.DirExists("C:\\new"));
    EXPECT_FALSE(machine.Exists("C:\\empty"));
    EXPECT_TRUE(machine.DirExists("C:\\dir"));
}

TEST_F(SimFiles, CreateFileErrorCodes)
{
    machine.MakeFile("C:\\hidden.sys", "h", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    const DWORD RW = GENERIC_READ | GENERIC_WRITE;
    RunCases(machine, {
        {"directory without backup semantics", [](Machine &m) { return Succeeds(Open(m, "C:\\dir", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), m); }, ERROR_ACCESS_DENIED},
        {"directory with backup semantics", [](Machine &m) { return Succeeds(Open(m, "C:\\dir", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS), m); }, 0},
        {"missing file", [](Machine &m) { return Succeeds(Open(m, "C:\\dir\\none", GENERIC_READ, 0, OPEN_EXISTING), m); }, ERROR_FILE_NOT_FOUND},
        {"missing parent", [](Machine &m) { return Succeeds(Open(m, "C:\\none\\f", GENERIC_READ, 0, OPEN_ALWAYS), m); }, ERROR_PATH_NOT_FOUND},
        {"file as a directory", [](Machine &m) { return Succeeds(Open(m, "C:\\dir\\file.txt\\x", GENERIC_READ, 0, OPEN_EXISTING), m); }, ERROR_PATH_NOT_FOUND},
        {"create new over existing", [](Machine &m) { return Succeeds(Open(m, "C:\\dir\\file.txt", GENERIC_WRITE, 0, CREATE_NEW), m); }, ERROR_FILE_EXISTS},
        {"bad disposition", [](Machine &m) { return Succeeds(Open(m, "C:\\dir\\file.txt", GENERIC_READ, 0, 9), m); }, ERROR_INVALID_PARAMETER},
        {"bad share mode", [](Machine &m) { return Succeeds(Open(m, "C:\\dir\\file.txt", GENERIC_READ, 0x10, OPEN_EXISTING), m); }, ERROR_INVALID_PARAMETER},
        {"truncate without write access", [](Machine &m) { return Succeeds(Open(m, "C:\\dir\\file.txt", GENERIC_READ, 0, TRUNCATE_EXISTING), m); }, ERROR_INVALID_PARAMETER},
        {"wildcard in name", [](Machine &m) { return Succeeds(Open(m, "C:\\dir\\*.txt", GENERIC_READ, 0, OPEN_EXISTING), m); }, ERROR_INVALID_NAME},
        {"read-only file for writing", [RW](Machine &m) { return Succeeds(Open(m, "C:\\dir\\ro.txt", RW, 0, OPEN_EXISTING), m); }, ERROR_ACCESS_DENIED},
        {"read-only file for reading", [](Machine &m) { return Succeeds(Open(m, "C:\\dir\\ro.txt", GENERIC_READ, 0, OPEN_EXISTING), m); }, 0},
        {"overwrite hidden system file plainly", [](Machine &m) { return Succeeds(Open(m, "C:\\hidden.sys", GENERIC_WRITE, 0, CREATE_ALWAYS), m); }, ERROR_ACCESS_DENIED},
        {"overwrite hidden system file naming them", [](Machine &m) { return Succeeds(Open(m, "C:\\hidden.sys", GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), m); }, 0},
        {"no medium", [](Machine &m) { return Succeeds(Open(m, "E:\\f", GENERIC_READ, 0, OPEN_EXISTING), m); }, ERROR_NOT_READY},
        {"write on a disc", [](Machine &m) { return Succeeds(Open(m, "D:\\new.txt", GENERIC_WRITE, 0, CREATE_ALWAYS), m); }, ERROR_ACCESS_DENIED},
        {"empty name", [](Machine &m) { return Succeeds(Open(m, "", GENERIC_READ, 0, OPEN_EXISTING), m); }, ERROR_PATH_NOT_FOUND},
        {"null name", [](Machine &m) { return Succeeds(Open(m, nullptr, GENERIC_READ, 0, OPEN_EXISTING), m); }, ERROR_PATH_NOT_FOUND},
        {"261 characters", [](Machine &m) { return Succeeds(Open(m, ("C:\\" + std::string(258, 'a')).c_str(), GENERIC_READ, 0, OPEN_EXISTING), m); }, ERROR_FILENAME_EXCED_RANGE},
        {"5000 characters", [](Machine &m) { return Succeeds(Open(m, std::string(5000, 'x').c_str(), GENERIC_READ, 0, OPEN_EXISTING), m); }, ERROR_FILENAME_EXCED_RANGE},
        {"file with a trailing backslash", [](Machine &m) { return Succeeds(Open(m, "C:\\dir\\file.txt\\", GENERIC_READ, 0, OPEN_EXISTING), m); }, ERROR_INVALID_NAME},
    });
    EXPECT_EQ(machine.ReadFileBytes("C:\\dir\\file.txt"), "hello");
}

TEST_F(SimFiles, CreateDispositionsAndLastError)
{
    machine.SetLastError(kMarker);
    HANDLE h = Open(machine, "C:\\new.txt", GENERIC_WRITE, 0, OPEN_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(machine.GetLastError(), 0u);
    machine.CloseHandle(h);
    EXPECT_EQ(machine.GetAttributes("C:\\new.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));

    h = Open(machine, "C:\\dir\\file.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    machine.CloseHandle(h);
    EXPECT_EQ(machine.FileSize("C:\\dir\\file.txt"), 0u);

    machine.SetLastError(kMarker);
    h = Open(machine, "C:\\new.txt", GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(machine.GetLastError(), 0u);  // every successful open clears it
    machine.CloseHandle(h);

    machine.MakeFile("C:\\t.txt", "abcdef");
    h = Open(machine, "C:\\t.txt", GENERIC_WRITE, 0, TRUNCATE_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    machine.CloseHandle(h);
    EXPECT_EQ(machine.ReadFileBytes("C:\\t.txt"), "");

    h = Open(machine, "C:\\gone.tmp", GENERIC_WRITE, 0, CREATE_NEW,
             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(machine.FileExists("C:\\gone.tmp"));
    machine.CloseHandle(h);
    EXPECT_FALSE(machine.Exists("C:\\gone.tmp"));
}

// Two opens of one file: the second fails with a sharing violation exactly
// when either asks for an access the other does not share.
TEST_F(SimFiles, ShareModeTable)
{
    const DWORD R = GENERIC_READ, W = GENERIC_WRITE, D = DELETE, A = FILE_READ_ATTRIBUTES;
    const DWORD sR = FILE_SHARE_READ, sW = FILE_SHARE_WRITE, sD = FILE_SHARE_DELETE;
    struct Row {
        DWORD accessA, shareA, accessB, shareB;
        bool conflict;
    };
    const Row rows[] = {
        {R, sR, R, sR, false},
        {R, sR, W, sR | sW, true},          // B writes, A does not share writing
        {R, sR | sW, W, sR, false},
        {R, sR | sW, W, sW, true},          // A reads, B does not share reading
        {R, 0, R, sR, true},
        {W, 0, A, 0, false},                // attributes only: no part in sharing
        {A, 0, R | W, 0, false},
        {D, sR, R, sR, true},               // A deletes, B does not share deleting
        {D, sR, R, sR | sD, false},
        {R, sR | sW | sD, D, sR, false},
        {R | W, sR | sW, R | W, sR | sW, false},
        {GENERIC_ALL, sR | sW, R, sR | sW, true},  // GENERIC_ALL includes delete
        {R, sR | sW | sD, GENERIC_ALL, sR | sW | sD, false},
        {R, sR | sW, GENERIC_ALL, sR | sW | sD, true},  // B deletes
        {W, sR | sW | sD, W, sR | sW | sD, false},
        {W, sR | sD, W, sR | sW | sD, true},
    };
    for (std::size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row &r = rows[i];
        SCOPED_TRACE("row " + std::to_string(i));
        HANDLE a = Open(machine, "C:\\dir\\file.txt", r.accessA, r.shareA, OPEN_EXISTING);
        ASSERT_NE(a, INVALID_HANDLE_VALUE);
        machine.SetLastError(kMarker);
        HANDLE b = Open(machine, "C:\\DIR\\FILE.TXT", r.accessB, r.shareB, OPEN_EXISTING);
        if (r.conflict) {
            EXPECT_EQ(b, INVALID_HANDLE_VALUE);
            EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        } else {
            EXPECT_NE(b, INVALID_HANDLE_VALUE);
            machine.CloseHandle(b);
        }
        machine.CloseHandle(a);
        // Once A is closed, B always gets in.
        b = Open(machine, "C:\\dir\\file.txt", r.accessB, r.shareB, OPEN_EXISTING);
        EXPECT_NE(b, INVALID_HANDLE_VALUE);
        machine.CloseHandle(b);
    }
}

TEST_F(SimFiles, DeleteNeedsDeleteSharingFromEveryOpener)
{
    HANDLE a = Open(machine, "C:\\dir\\file.txt", GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    HANDLE attrsOnly = Open(machine, "C:\\dir\\file.txt", FILE_READ_ATTRIBUTES, 0, OPEN_EXISTING);
    ASSERT_NE(a, INVALID_HANDLE_VALUE);
    ASSERT_NE(attrsOnly, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(machine.DeleteFileA("C:\\dir\\file.txt"));
    // The open handle still reads the deleted file.
    char buf[8] = {};
    DWORD got = 0;
    EXPECT_TRUE(machine.ReadFile(a, buf, sizeof buf, &got, nullptr));
    EXPECT_EQ(std::string(buf, got), "hello");
    machine.CloseHandle(a);
    machine.CloseHandle(attrsOnly);
}

TEST_F(SimFiles, ReadWriteSeek)
{
    HANDLE h = Open(machine, "C:\\rw.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    EXPECT_TRUE(machine.WriteFile(h, "hello world", 11, &n, nullptr));
    EXPECT_EQ(n, 11u);
    EXPECT_EQ(machine.SetFilePointer(h, 6, nullptr, FILE_BEGIN), 6u);
    char buf[32] = {};
    EXPECT_TRUE(machine.ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "world");
    // At the end: success with nothing read.
    EXPECT_TRUE(machine.ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(n, 0u);
    // Writing past the end fills the gap with zeros.
    EXPECT_EQ(machine.SetFilePointer(h, 2, nullptr, FILE_END), 13u);
    EXPECT_TRUE(machine.WriteFile(h, "!", 1, &n, nullptr));
    EXPECT_EQ(machine.ReadFileBytes("C:\\rw.bin"), std::string("hello world\0\0!", 14));
    EXPECT_EQ(machine.SetFilePointer(h, -4, nullptr, FILE_CURRENT), 10u);

    machine.SetLastError(kMarker);
    EXPECT_EQ(machine.SetFilePointer(h, -100, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(machine.GetLastError(), 131u);  // ERROR_NEGATIVE_SEEK
    EXPECT_EQ(machine.SetFilePointer(h, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    machine.CloseHandle(h);

    // Access checks on the handle.
    h = Open(machine, "C:\\rw.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_FALSE(machine.WriteFile(h, "x", 1, &n, nullptr));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    machine.CloseHandle(h);
    h = Open(machine, "C:\\rw.bin", GENERIC_WRITE, 0, OPEN_EXISTING);
    EXPECT_FALSE(machine.ReadFile(h, buf, 1, &n, nullptr));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    machine.CloseHandle(h);

    // Append-only access writes at the end whatever the position.
    h = Open(machine, "C:\\rw.bin", 0x0004 /* FILE_APPEND_DATA */, 0, OPEN_EXISTING);
    EXPECT_EQ(machine.SetFilePointer(h, 0, nullptr, FILE_BEGIN), 0u);
    EXPECT_TRUE(machine.WriteFile(h, "?", 1, &n, nullptr));
    machine.CloseHandle(h);
    EXPECT_EQ(machine.ReadFileBytes("C:\\rw.bin").back(), '?');

    // A directory handle reads nothing.
    h = Open(machine, "C:\\dir", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
             FILE_FLAG_BACKUP_SEMANTICS);
    EXPECT_FALSE(machine.ReadFile(h, buf, 1, &n, nullptr));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
    machine.CloseHandle(h);

    EXPECT_FALSE(machine.CloseHandle(h));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(machine.ReadFile(h, buf, 1, &n, nullptr));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(SimFiles, FilesOfFourGigabytesAndMore)
{
    const uint64_t GiB = 1ull << 30;
    machine.MakeFile("C:\\big.iso", "HEAD");
    machine.SetFileSize("C:\\big.iso", 5 * GiB);
    HANDLE h = Open(machine, "C:\\big.iso", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD high = 7;
    EXPECT_EQ(machine.GetFileSize(h, &high), static_cast<DWORD>(GiB));
    EXPECT_EQ(high, 1u);
    EXPECT_EQ(machine.GetFileSize(h, nullptr), static_cast<DWORD>(GiB));  // low bits only

    char buf[8];
    DWORD n;
    EXPECT_TRUE(machine.ReadFile(h, buf, 6, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), std::string("HEAD\0\0", 6));
    LONG moveHigh = 1;
    EXPECT_EQ(machine.SetFilePointer(h, static_cast<LONG>(GiB - 2), &moveHigh, FILE_BEGIN),
              static_cast<DWORD>(GiB - 2));
    EXPECT_EQ(moveHigh, 1);
    EXPECT_TRUE(machine.ReadFile(h, buf, 8, &n, nullptr));
    EXPECT_EQ(n, 2u);  // up to the end of the 5 GiB
    // Without a high word the position must fit in 32 bits.
    EXPECT_EQ(machine.SetFilePointer(h, 0, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    machine.CloseHandle(h);

    // A size whose low 32 bits are all ones.
    machine.SetFileSize("C:\\odd.bin", 4 * GiB + 0xFFFFFFFFull);
    h = Open(machine, "C:\\odd.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    machine.SetLastError(kMarker);
    EXPECT_EQ(machine.GetFileSize(h, &high), INVALID_FILE_SIZE);
    EXPECT_EQ(high, 1u);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(machine.GetFileSize(h, nullptr), INVALID_FILE_SIZE);
    machine.CloseHandle(h);

    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(machine.GetFileAttributesExA("C:\\big.iso", GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeHigh, 1u);
    EXPECT_EQ(data.nFileSizeLow, static_cast<DWORD>(GiB));
}

TEST_F(SimFiles, AttributesKeepEveryBit)
{
    machine.MakeFile("C:\\c.dat", "", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_COMPRESSED);
    machine.MakeFile("C:\\plain.dat", "", 0);
    EXPECT_EQ(machine.GetFileAttributesA("C:\\c.dat"), 0x820u);
    EXPECT_EQ(machine.GetFileAttributesA("C:\\plain.dat"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(machine.GetFileAttributesA("C:\\dir"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(machine.GetFileAttributesA("C:\\"), 0x16u);  // hidden system directory
    EXPECT_EQ(machine.GetFileAttributesA("D:\\"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

    // Settable bits change; the compressed bit stays.
    EXPECT_TRUE(machine.SetFileAttributesA("C:\\c.dat", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(machine.GetFileAttributesA("C:\\c.dat"), 0x803u);
    EXPECT_TRUE(machine.SetFileAttributesA("C:\\c.dat", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(machine.GetFileAttributesA("C:\\c.dat"), 0x800u);
    EXPECT_TRUE(machine.SetFileAttributesA("C:\\dir", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(machine.GetFileAttributesA("C:\\dir"), 0x12u);

    machine.SetLastError(kMarker);
    EXPECT_EQ(machine.GetFileAttributesA("C:\\none"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(machine.GetFileAttributesA("C:\\none\\x"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(machine.SetFileAttributesA("C:\\none", 0));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    WIN32_FILE_ATTRIBUTE_DATA data;
    EXPECT_FALSE(machine.GetFileAttributesExA("C:\\dir", GetFileExMaxInfoLevel, &data));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    FILETIME t{0x11111111, 0x01C00000};
    machine.SetTimes("C:\\plain.dat", t, t, t);
    ASSERT_TRUE(machine.GetFileAttributesExA("C:\\plain.dat", GetFileExInfoStandard, &data));
    EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, 0x11111111u);
    EXPECT_EQ(data.ftLastWriteTime.dwHighDateTime, 0x01C00000u);
}

TEST_F(SimFiles, MoveFile)
{
    machine.MakeFile("C:\\a.txt", "A");
    machine.MakeFile("C:\\b.txt", "B");
    RunCases(machine, {
        {"target exists", [](Machine &m) { return m.MoveFileA("C:\\a.txt", "C:\\b.txt") != 0; }, ERROR_ALREADY_EXISTS},
        {"source missing", [](Machine &m) { return m.MoveFileA("C:\\none", "C:\\c.txt") != 0; }, ERROR_FILE_NOT_FOUND},
        {"target directory missing", [](Machine &m) { return m.MoveFileA("C:\\a.txt", "C:\\no\\c.txt") != 0; }, ERROR_PATH_NOT_FOUND},
        {"directory below itself", [](Machine &m) { return m.MoveFileA("C:\\dir", "C:\\dir\\sub\\dir") != 0; }, ERROR_SHARING_VIOLATION},
        {"directory to another drive", [](Machine &m) { m.AddDrive('F', DRIVE_FIXED); return m.MoveFileA("C:\\empty", "F:\\empty") != 0; }, ERROR_NOT_SAME_DEVICE},
        {"case only", [](Machine &m) { return m.MoveFileA("C:\\a.txt", "C:\\A.TXT") != 0; }, 0},
        {"a directory with its content", [](Machine &m) { return m.MoveFileA("C:\\dir", "C:\\moved") != 0; }, 0},
        {"a file to another drive", [](Machine &m) { return m.MoveFileA("C:\\b.txt", "F:\\b.txt") != 0; }, 0},
    });
    EXPECT_EQ(machine.ListDir("C:\\"), (std::vector<std::string>{"A.TXT", "empty", "moved"}));
    EXPECT_EQ(machine.ReadFileBytes("C:\\moved\\sub\\inner.txt"), "in");
    EXPECT_EQ(machine.ReadFileBytes("F:\\b.txt"), "B");

    HANDLE h = Open(machine, "C:\\moved\\sub\\inner.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_FALSE(machine.MoveFileA("C:\\moved", "C:\\again"));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    machine.CloseHandle(h);
}

TEST_F(SimFiles, FindFirstAndNext)
{
    machine.MakeFile("C:\\dir\\b.log", "12");
    machine.MakeFile("C:\\dir\\A.TXT", "");
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = machine.FindFirstFileA("C:\\dir\\*.*", &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do {
        names.push_back(fd.cFileName);
    } while (machine.FindNextFileA(h, &fd));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(machine.FindClose(h));
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "A.TXT", "b.log", "file.txt", "ro.txt", "sub"}));

    // A volume root has no "." and "..".
    h = machine.FindFirstFileA("C:\\*", &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(fd.cFileName, "dir");
    EXPECT_EQ(fd.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    machine.FindClose(h);

    h = machine.FindFirstFileA("c:\\DIR\\b.LOG", &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(fd.cFileName, "b.log");
    EXPECT_EQ(fd.nFileSizeLow, 2u);
    EXPECT_FALSE(machine.FindNextFileA(h, &fd));
    machine.FindClose(h);

    RunCases(machine, {
        {"no match", [](Machine &m) { WIN32_FIND_DATAA d; return Succeeds(m.FindFirstFileA("C:\\dir\\*.exe", &d), m); }, ERROR_FILE_NOT_FOUND},
        {"missing directory", [](Machine &m) { WIN32_FIND_DATAA d; return Succeeds(m.FindFirstFileA("C:\\none\\*", &d), m); }, ERROR_PATH_NOT_FOUND},
        {"a file as the directory", [](Machine &m) { WIN32_FIND_DATAA d; return Succeeds(m.FindFirstFileA("C:\\dir\\file.txt\\*", &d), m); }, ERROR_DIRECTORY},
        {"trailing backslash", [](Machine &m) { WIN32_FIND_DATAA d; return Succeeds(m.FindFirstFileA("C:\\dir\\", &d), m); }, ERROR_FILE_NOT_FOUND},
        {"a root", [](Machine &m) { WIN32_FIND_DATAA d; return Succeeds(m.FindFirstFileA("C:\\", &d), m); }, ERROR_FILE_NOT_FOUND},
        {"wildcard in the directory", [](Machine &m) { WIN32_FIND_DATAA d; return Succeeds(m.FindFirstFileA("C:\\d*\\*", &d), m); }, ERROR_INVALID_NAME},
        {"no medium", [](Machine &m) { WIN32_FIND_DATAA d; return Succeeds(m.FindFirstFileA("E:\\*", &d), m); }, ERROR_NOT_READY},
    });
    EXPECT_FALSE(machine.FindClose(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x77))));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
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
    EXPECT_EQ(machine.GetFileAttributesA("C:\\dir\\rel"), static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT));
    // Intermediate links are followed.
    EXPECT_EQ(machine.GetFileAttributesA("C:\\dir\\dlink\\deep"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    HANDLE h = Open(machine, "C:\\dir\\rel", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char c = 0;
    DWORD n = 0;
    EXPECT_TRUE(machine.ReadFile(h, &c, 1, &n, nullptr));
    EXPECT_EQ(c, 'T');
    machine.CloseHandle(h);

    WIN32_FIND_DATAA fd;
    h = machine.FindFirstFileA("C:\\dir\\dlink", &fd);
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
    EXPECT_FALSE(machine.Exists("C:\\dir\\dlink"));
    EXPECT_EQ(machine.ListTree("C:\\target"), (std::vector<std::string>{"deep\\", "t.txt"}));
}

TEST_F(SimFiles, WrongArgumentsNeverCrash)
{
    DWORD n;
    EXPECT_FALSE(machine.ReadFile(nullptr, nullptr, 0, &n, nullptr));
    EXPECT_FALSE(machine.WriteFile(INVALID_HANDLE_VALUE, "x", 1, &n, nullptr));
    EXPECT_EQ(machine.GetFileSize(nullptr, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(machine.GetFileAttributesA(nullptr), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(machine.DeleteFileA(nullptr));
    EXPECT_FALSE(machine.MoveFileA(nullptr, nullptr));
    EXPECT_FALSE(machine.CreateDirectoryA(nullptr, nullptr));
    EXPECT_FALSE(machine.RemoveDirectoryA(nullptr));
    EXPECT_EQ(machine.FindFirstFileA(nullptr, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(machine.GetFileAttributesExA("C:\\dir", GetFileExInfoStandard, nullptr));
    HANDLE h = Open(machine, "C:\\dir\\file.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_FALSE(machine.ReadFile(h, nullptr, 4, &n, nullptr));
    EXPECT_FALSE(machine.ReadFile(h, &n, 4, nullptr, nullptr));
    machine.CloseHandle(h);
}

}  // namespace
}  // namespace brenvik
