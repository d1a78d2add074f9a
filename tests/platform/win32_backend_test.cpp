// The Win32 backend against the real system: results and error codes must be
// the system's own, unchanged by the pass-through.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/backends.h"
#include "platform/services.h"
#include "support/test_support.h"

namespace brenvik {
namespace platform {
namespace {

using test::Backslashed;
using test::TempDir;
using test::WriteHostFile;

constexpr DWORD kMarker = 0xdeadbeef;

class Win32BackendTest : public ::testing::Test {
protected:
    Services &s = Win32Services();
    TempDir tmp;
    std::string root = Backslashed(tmp.path());

    std::string At(const std::string &relative) const { return root + "\\" + relative; }

    // Sets the marker through the real system, so that a backend that did not
    // pass the call on would leave it in place.
    void Mark() { ::SetLastError(kMarker); }
};

TEST_F(Win32BackendTest, IsTheDefaultBackendOfAWindowsBuild)
{
    EXPECT_STREQ("win32", s.Name());
    EXPECT_EQ(&s, &DefaultServices());
    EXPECT_EQ(&s, &sys());
}

TEST_F(Win32BackendTest, LastErrorIsTheSystemsOwn)
{
    s.SetLastError(1234);
    EXPECT_EQ(1234u, ::GetLastError());
    ::SetLastError(4321);
    EXPECT_EQ(4321u, s.GetLastError());
}

// A failing call of each kind, with the code Windows gives.
struct FailingCall {
    const char *what;
    BOOL (*call)(Services &, const std::string &root);
    DWORD error;
};

const FailingCall kFailingCalls[] = {
    {"DeleteFileA, missing file",
     [](Services &s, const std::string &r) { return s.DeleteFileA((r + "\\none.txt").c_str()); },
     ERROR_FILE_NOT_FOUND},
    {"DeleteFileA, missing directory",
     [](Services &s, const std::string &r) {
         return s.DeleteFileA((r + "\\nodir\\none.txt").c_str());
     },
     ERROR_PATH_NOT_FOUND},
    {"DeleteFileA, a directory",
     [](Services &s, const std::string &r) { return s.DeleteFileA((r + "\\full").c_str()); },
     ERROR_ACCESS_DENIED},
    {"DeleteFileA, read-only file",
     [](Services &s, const std::string &r) { return s.DeleteFileA((r + "\\ro.txt").c_str()); },
     ERROR_ACCESS_DENIED},
    {"CreateDirectoryA, existing directory",
     [](Services &s, const std::string &r) {
         return s.CreateDirectoryA((r + "\\full").c_str(), nullptr);
     },
     ERROR_ALREADY_EXISTS},
    {"CreateDirectoryA, existing file",
     [](Services &s, const std::string &r) {
         return s.CreateDirectoryA((r + "\\full\\a.txt").c_str(), nullptr);
     },
     ERROR_ALREADY_EXISTS},
    {"CreateDirectoryA, drive root",
     [](Services &s, const std::string &) { return s.CreateDirectoryA("C:\\", nullptr); },
     ERROR_ALREADY_EXISTS},
    {"CreateDirectoryA, missing parent",
     [](Services &s, const std::string &r) {
         return s.CreateDirectoryA((r + "\\nodir\\sub").c_str(), nullptr);
     },
     ERROR_PATH_NOT_FOUND},
    {"RemoveDirectoryA, not empty",
     [](Services &s, const std::string &r) { return s.RemoveDirectoryA((r + "\\full").c_str()); },
     ERROR_DIR_NOT_EMPTY},
    {"RemoveDirectoryA, missing",
     [](Services &s, const std::string &r) { return s.RemoveDirectoryA((r + "\\none").c_str()); },
     ERROR_FILE_NOT_FOUND},
    {"RemoveDirectoryA, parent missing",
     [](Services &s, const std::string &r) {
         return s.RemoveDirectoryA((r + "\\nodir\\none").c_str());
     },
     ERROR_PATH_NOT_FOUND},
    {"RemoveDirectoryA, a file",
     [](Services &s, const std::string &r) {
         return s.RemoveDirectoryA((r + "\\full\\a.txt").c_str());
     },
     ERROR_DIRECTORY},
    {"MoveFileA, missing source",
     [](Services &s, const std::string &r) {
         return s.MoveFileA((r + "\\none").c_str(), (r + "\\other").c_str());
     },
     ERROR_FILE_NOT_FOUND},
    {"MoveFileA, target exists",
     [](Services &s, const std::string &r) {
         return s.MoveFileA((r + "\\ro.txt").c_str(), (r + "\\full\\a.txt").c_str());
     },
     ERROR_ALREADY_EXISTS},
    {"GetFileAttributesExA, missing file",
     [](Services &s, const std::string &r) {
         WIN32_FILE_ATTRIBUTE_DATA data;
         return s.GetFileAttributesExA((r + "\\none").c_str(), GetFileExInfoStandard, &data);
     },
     ERROR_FILE_NOT_FOUND},
    {"SetFileAttributesA, missing directory",
     [](Services &s, const std::string &r) {
         return s.SetFileAttributesA((r + "\\nodir\\x").c_str(), FILE_ATTRIBUTE_HIDDEN);
     },
     ERROR_PATH_NOT_FOUND},
};

TEST_F(Win32BackendTest, FailuresCarryTheSystemsErrorCodes)
{
    ASSERT_TRUE(::CreateDirectoryA(At("full").c_str(), nullptr));
    WriteHostFile(tmp / "full/a.txt", "a");
    WriteHostFile(tmp / "ro.txt", "r");
    ASSERT_TRUE(::SetFileAttributesA(At("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));

    for (const FailingCall &c : kFailingCalls) {
        Mark();
        EXPECT_FALSE(c.call(s, root)) << c.what;
        EXPECT_EQ(c.error, s.GetLastError()) << c.what;
    }
    // Nothing was harmed by the refused calls.
    EXPECT_EQ(FILE_ATTRIBUTE_READONLY, ::GetFileAttributesA(At("ro.txt").c_str()) &
                                           (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(At("full\\a.txt").c_str()));
    ASSERT_TRUE(::SetFileAttributesA(At("ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
}

TEST_F(Win32BackendTest, DeleteOfAFileHeldWithoutDeleteSharingIsASharingViolation)
{
    const std::string path = At("held.bin");
    HANDLE h = s.CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    Mark();
    EXPECT_FALSE(s.DeleteFileA(path.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), s.GetLastError());

    // An open that asks for more than the holder shares fails the same way.
    Mark();
    HANDLE second = s.CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, second);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), s.GetLastError());
    if (second != INVALID_HANDLE_VALUE)
        s.CloseHandle(second);

    EXPECT_TRUE(s.CloseHandle(h));
    EXPECT_TRUE(s.DeleteFileA(path.c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, s.GetFileAttributesA(path.c_str()));
}

TEST_F(Win32BackendTest, FileCreationReadWriteAndSeek)
{
    const std::string path = At("data.bin");
    Mark();
    EXPECT_EQ(INVALID_HANDLE_VALUE, s.CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr,
                                                  OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), s.GetLastError());

    HANDLE h = s.CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    const char text[] = "0123456789";
    DWORD done = 0;
    EXPECT_TRUE(s.WriteFile(h, text, 10, &done, nullptr));
    EXPECT_EQ(10u, done);
    DWORD high = 77;
    EXPECT_EQ(10u, s.GetFileSize(h, &high));
    EXPECT_EQ(0u, high);
    EXPECT_EQ(4u, s.SetFilePointer(h, 4, nullptr, FILE_BEGIN));
    char got[8] = {};
    EXPECT_TRUE(s.ReadFile(h, got, 3, &done, nullptr));
    EXPECT_EQ(3u, done);
    EXPECT_EQ(0, std::memcmp(got, "456", 3));
    EXPECT_EQ(9u, s.SetFilePointer(h, -1, nullptr, FILE_END));
    // Reading at the end succeeds with nothing read.
    EXPECT_EQ(10u, s.SetFilePointer(h, 0, nullptr, FILE_END));
    done = 99;
    EXPECT_TRUE(s.ReadFile(h, got, 3, &done, nullptr));
    EXPECT_EQ(0u, done);
    EXPECT_TRUE(s.CloseHandle(h));

    Mark();
    EXPECT_EQ(INVALID_HANDLE_VALUE, s.CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                  CREATE_NEW, 0, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_EXISTS), s.GetLastError());

    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(s.GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(10u, data.nFileSizeLow);
    EXPECT_EQ(0u, data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(s.MoveFileA(path.c_str(), At("moved.bin").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, s.GetFileAttributesA(path.c_str()));
    EXPECT_TRUE(s.DeleteFileA(At("moved.bin").c_str()));
}

TEST_F(Win32BackendTest, FindListsADirectoryAndEndsWithNoMoreFiles)
{
    ASSERT_TRUE(s.CreateDirectoryA(At("d").c_str(), nullptr));
    WriteHostFile(tmp / "d/one.txt", "1");
    WriteHostFile(tmp / "d/two.dat", "22");

    WIN32_FIND_DATAA fd;
    HANDLE h = s.FindFirstFileA(At("d\\*.txt").c_str(), &fd);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_STREQ("one.txt", fd.cFileName);
    EXPECT_EQ(1u, fd.nFileSizeLow);
    Mark();
    EXPECT_FALSE(s.FindNextFileA(h, &fd));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_FILES), s.GetLastError());
    EXPECT_TRUE(s.FindClose(h));

    Mark();
    EXPECT_EQ(INVALID_HANDLE_VALUE, s.FindFirstFileA(At("d\\*.none").c_str(), &fd));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), s.GetLastError());
    Mark();
    EXPECT_EQ(INVALID_HANDLE_VALUE, s.FindFirstFileA(At("nodir\\*").c_str(), &fd));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), s.GetLastError());
}

TEST_F(Win32BackendTest, DriveTypes)
{
    EXPECT_EQ(static_cast<UINT>(DRIVE_FIXED), s.GetDriveTypeA("C:\\"));
    // The root without its backslash is accepted.
    EXPECT_EQ(static_cast<UINT>(DRIVE_FIXED), s.GetDriveTypeA("C:"));

    const DWORD present = ::GetLogicalDrives();
    int unused = -1;
    for (int d = 25; d >= 2 && unused < 0; --d)
        if (!(present & (1u << d)))
            unused = d;
    ASSERT_GE(unused, 0) << "every drive letter is in use";
    const char letter[] = {static_cast<char>('A' + unused), ':', '\\', '\0'};
    EXPECT_EQ(static_cast<UINT>(DRIVE_NO_ROOT_DIR), s.GetDriveTypeA(letter)) << letter;

    Mark();
    char label[64];
    EXPECT_FALSE(s.GetVolumeInformationA(letter, label, sizeof label, nullptr, nullptr, nullptr,
                                         nullptr, 0));
    EXPECT_NE(kMarker, s.GetLastError());
}

TEST_F(Win32BackendTest, VolumeAndFreeSpaceOfTheSystemDrive)
{
    DWORD spc = 0, bps = 0, freeClusters = 0, total = 0;
    ASSERT_TRUE(s.GetDiskFreeSpaceA("C:\\", &spc, &bps, &freeClusters, &total));
    EXPECT_GT(spc * bps, 0u);
    EXPECT_GT(total, 0u);
    EXPECT_LE(freeClusters, total);

    char fsName[32] = {};
    DWORD maxComponent = 0;
    ASSERT_TRUE(s.GetVolumeInformationA("C:\\", nullptr, 0, nullptr, &maxComponent, nullptr,
                                        fsName, sizeof fsName));
    EXPECT_EQ(255u, maxComponent);
    EXPECT_NE('\0', fsName[0]);
}

TEST_F(Win32BackendTest, ExtendedFreeSpaceIsFoundByName)
{
    HMODULE kernel = s.GetModuleHandleA("kernel32.dll");
    ASSERT_NE(nullptr, kernel);
    auto fn = reinterpret_cast<PFN_GetDiskFreeSpaceExA>(
        reinterpret_cast<void *>(s.GetProcAddress(kernel, "GetDiskFreeSpaceExA")));
    ASSERT_NE(nullptr, fn);
    ULARGE_INTEGER avail, totalBytes, totalFree;
    ASSERT_TRUE(fn("C:\\", &avail, &totalBytes, &totalFree));
    EXPECT_GT(totalBytes.QuadPart, 0u);
    EXPECT_LE(totalFree.QuadPart, totalBytes.QuadPart);

    Mark();
    EXPECT_EQ(nullptr, s.GetProcAddress(kernel, "NoSuchExportAnywhere"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), s.GetLastError());
    Mark();
    EXPECT_EQ(nullptr, s.GetModuleHandleA("no-such-module.dll"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), s.GetLastError());
}

TEST_F(Win32BackendTest, ErrorModeIsSetAndRestored)
{
    const UINT before = s.SetErrorMode(SEM_FAILCRITICALERRORS);
    EXPECT_EQ(static_cast<UINT>(SEM_FAILCRITICALERRORS), s.SetErrorMode(before));
    EXPECT_EQ(before, ::SetErrorMode(before));
}

TEST_F(Win32BackendTest, ProcessTimeAndCodePage)
{
    EXPECT_EQ(::GetCurrentProcessId(), s.GetCurrentProcessId());
    EXPECT_EQ(::GetACP(), s.GetACP());
    const DWORD t0 = s.GetTickCount();
    ::Sleep(20);
    EXPECT_GE(s.GetTickCount() - t0, 10u);
}

TEST_F(Win32BackendTest, RegistryLookupOfAMissingKey)
{
    HKEY key = nullptr;
    EXPECT_EQ(static_cast<LONG>(ERROR_FILE_NOT_FOUND),
              s.RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\BrenvikNoSuchKey\\Deeper", &key));

    ASSERT_EQ(static_cast<LONG>(ERROR_SUCCESS), s.RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE", &key));
    DWORD type = 0, size = 4;
    BYTE data[4];
    EXPECT_EQ(static_cast<LONG>(ERROR_FILE_NOT_FOUND),
              s.RegQueryValueExA(key, "BrenvikNoSuchValue", nullptr, &type, data, &size));
    EXPECT_EQ(static_cast<LONG>(ERROR_SUCCESS), s.RegCloseKey(key));
}

TEST_F(Win32BackendTest, LocalDriveHasNoNetworkConnection)
{
    char remote[260];
    DWORD size = sizeof remote;
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_CONNECTED), s.WNetGetConnectionA("C:", remote, &size));
}

TEST_F(Win32BackendTest, SocketsStartResolveAndReportWsaErrors)
{
    WSADATA wsa;
    ASSERT_EQ(0, s.WSAStartup(MAKEWORD(2, 2), &wsa));
    EXPECT_EQ(2, LOBYTE(wsa.wVersion));

    EXPECT_EQ(htonl(0x7f000001u), s.inet_addr("127.0.0.1"));
    EXPECT_EQ(INADDR_NONE, s.inet_addr("not an address"));
    in_addr a;
    a.s_addr = htonl(0x0a000102u);
    EXPECT_STREQ("10.0.1.2", s.inet_ntoa(a));

    hostent *local = s.gethostbyname("localhost");
    ASSERT_NE(nullptr, local);
    EXPECT_EQ(AF_INET, local->h_addrtype);

    EXPECT_EQ(SOCKET_ERROR, s.closesocket(INVALID_SOCKET));
    EXPECT_EQ(WSAENOTSOCK, s.WSAGetLastError());

    // A datagram to a socket of our own, then a receive that times out.
    SOCKET rx = s.socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    ASSERT_NE(INVALID_SOCKET, rx);
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, ::bind(rx, reinterpret_cast<sockaddr *>(&at), sizeof at));
    int atLen = sizeof at;
    ASSERT_EQ(0, ::getsockname(rx, reinterpret_cast<sockaddr *>(&at), &atLen));
    const DWORD timeoutMs = 100;
    EXPECT_EQ(0, s.setsockopt(rx, SOL_SOCKET, SO_RCVTIMEO,
                              reinterpret_cast<const char *>(&timeoutMs), sizeof timeoutMs));

    SOCKET tx = s.socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    ASSERT_NE(INVALID_SOCKET, tx);
    EXPECT_EQ(SOCKET_ERROR, s.sendto(tx, "x", 1, 0, reinterpret_cast<sockaddr *>(&at), 2));
    EXPECT_EQ(WSAEFAULT, s.WSAGetLastError());
    EXPECT_EQ(5, s.sendto(tx, "hello", 5, 0, reinterpret_cast<sockaddr *>(&at), sizeof at));

    char buf[16] = {};
    sockaddr_in from = {};
    int fromLen = sizeof from;
    EXPECT_EQ(5, s.recvfrom(rx, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&from),
                            &fromLen));
    EXPECT_STREQ("hello", buf);
    EXPECT_EQ(htonl(INADDR_LOOPBACK), from.sin_addr.s_addr);

    const DWORD t0 = ::GetTickCount();
    EXPECT_EQ(SOCKET_ERROR, s.recvfrom(rx, buf, sizeof buf, 0, nullptr, nullptr));
    EXPECT_EQ(WSAETIMEDOUT, s.WSAGetLastError());
    EXPECT_GE(::GetTickCount() - t0, 50u);

    EXPECT_EQ(0, s.closesocket(tx));
    EXPECT_EQ(0, s.closesocket(rx));
    EXPECT_EQ(0, s.WSACleanup());
}

}  // namespace
}  // namespace platform
}  // namespace brenvik
