// Counting, fault injection, the hook and the leak report of the simulated
// machine.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/sim/sim_machine.h"
#include "support/scoped_machine.h"

namespace brenvik {
namespace {

using sim::Machine;
using sim::PathMatch;
using sim::Times;
using test::MachineTest;

class SimFaults : public MachineTest {
protected:
    void SetUp() override
    {
        machine.MakeFile("C:\\t\\f.txt", "data");
        machine.MakeFile("C:\\t2\\g.txt", "data");
        machine.MakeDir("C:\\t\\sub");
    }
    bool Attr(const char *path) { return machine.GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }
};

TEST_F(SimFaults, NthCallOfAnyServiceOrOfOne)
{
    machine.FailNthCall(3, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Attr("C:\\t"));
    EXPECT_EQ(machine.GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_FALSE(Attr("C:\\t"));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(Attr("C:\\t"));  // once only

    machine.FailNthCallOf("DeleteFileA", 2, ERROR_SHARING_VIOLATION, Times::Always);
    machine.MakeFile("C:\\t\\a");
    EXPECT_TRUE(Attr("C:\\t\\a"));  // other services do not count
    EXPECT_TRUE(machine.DeleteFileA("C:\\t\\a"));
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(machine.DeleteFileA("C:\\t\\f.txt"));
        EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    EXPECT_TRUE(machine.FileExists("C:\\t\\f.txt"));  // a failed call does nothing
    machine.ClearFaults();
    int id = machine.FailNthCallOf("CreateDirectoryA", 1, ERROR_DISK_FULL, Times::Always);
    EXPECT_FALSE(machine.CreateDirectoryA("C:\\x", nullptr));
    machine.RemoveFault(id);
    EXPECT_TRUE(machine.CreateDirectoryA("C:\\x", nullptr));
}

TEST_F(SimFaults, CallsOnAPath)
{
    machine.FailPath("C:\\T", ERROR_ACCESS_DENIED, PathMatch::Under);
    EXPECT_FALSE(Attr("c:/t/f.txt"));
    EXPECT_FALSE(Attr("C:\\t\\sub\\..\\nothing"));
    EXPECT_TRUE(Attr("C:\\t2\\g.txt"));  // a sibling whose name starts alike
    EXPECT_TRUE(Attr("C:\\"));
    machine.ClearFaults();

    // Calls on a handle count as calls on the path it was opened with.
    HANDLE h = machine.CreateFileA("C:\\t\\f.txt", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    machine.FailPath("C:\\t\\F.TXT", ERROR_READ_FAULT, PathMatch::IgnoreCase, Times::Once,
                     "ReadFile");
    char buf[4];
    DWORD n;
    EXPECT_TRUE(machine.GetFileSize(h, nullptr) == 4);
    EXPECT_FALSE(machine.ReadFile(h, buf, 4, &n, nullptr));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_READ_FAULT));
    EXPECT_TRUE(machine.ReadFile(h, buf, 4, &n, nullptr));
    machine.CloseHandle(h);

    // Exact compares byte for byte with the resolved path; relative paths
    // resolve first.
    machine.FailPath("C:\\t\\f.txt", ERROR_ACCESS_DENIED, PathMatch::Exact);
    EXPECT_TRUE(Attr("C:\\T\\F.TXT"));
    machine.SetCurrentDir("C:\\t");
    EXPECT_FALSE(Attr("f.txt"));
    machine.SetCurrentDir("C:\\");
}

// Every counted service, made to fail: its Win32 failure value and the code.
TEST_F(SimFaults, FailureValueOfEveryService)
{
    HANDLE file = machine.CreateFileA("C:\\t\\f.txt", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    WIN32_FIND_DATAA fd;
    HANDLE find = machine.FindFirstFileA("C:\\t\\*", &fd);
    HKEY key = nullptr;
    machine.AddRegKey("HKLM\\SOFTWARE\\X");
    machine.RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\X", &key);
    WSADATA wsa;
    machine.WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET sock = machine.socket(AF_INET, SOCK_RAW, 1);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    ASSERT_NE(key, nullptr);
    ASSERT_NE(sock, INVALID_SOCKET);

    struct sockaddr_in to;
    std::memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    const auto *toAddr = reinterpret_cast<const struct sockaddr *>(&to);
    char buf[64];
    DWORD n, d1, d2, d3, d4;
    LONG high = 0;
    ULARGE_INTEGER u;
    WIN32_FILE_ATTRIBUTE_DATA data;
    struct in_addr in;
    std::memset(&in, 0, sizeof in);
    const DWORD kCode = 4321;
    Machine &m = machine;
    auto lastIf = [&m](bool failed) { return failed ? m.GetLastError() : 0u; };
    auto wsaIf = [&m](bool failed) { return failed ? static_cast<DWORD>(m.WSAGetLastError()) : 0u; };
    struct Row {
        const char *service;
        std::function<DWORD()> call;  // the code seen, 0 if the call did not fail as Win32 does
    };
    const std::vector<Row> rows = {
        {"CreateFileA", [&] { return lastIf(m.CreateFileA("C:\\t\\new", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr) == INVALID_HANDLE_VALUE); }},
        {"ReadFile", [&] { return lastIf(!m.ReadFile(file, buf, 4, &n, nullptr)); }},
        {"WriteFile", [&] { return lastIf(!m.WriteFile(file, "x", 1, &n, nullptr)); }},
        {"SetFilePointer", [&] { return lastIf(m.SetFilePointer(file, 0, &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER); }},
        {"GetFileSize", [&] { return lastIf(m.GetFileSize(file, &n) == INVALID_FILE_SIZE); }},
        {"DeleteFileA", [&] { return lastIf(!m.DeleteFileA("C:\\t2\\g.txt")); }},
        {"MoveFileA", [&] { return lastIf(!m.MoveFileA("C:\\t2\\g.txt", "C:\\t2\\h.txt")); }},
        {"GetFileAttributesA", [&] { return lastIf(m.GetFileAttributesA("C:\\t") == INVALID_FILE_ATTRIBUTES); }},
        {"GetFileAttributesExA", [&] { return lastIf(!m.GetFileAttributesExA("C:\\t", GetFileExInfoStandard, &data)); }},
        {"SetFileAttributesA", [&] { return lastIf(!m.SetFileAttributesA("C:\\t", 0)); }},
        {"CreateDirectoryA", [&] { return lastIf(!m.CreateDirectoryA("C:\\nd", nullptr)); }},
        {"RemoveDirectoryA", [&] { return lastIf(!m.RemoveDirectoryA("C:\\t\\sub")); }},
        {"FindFirstFileA", [&] { return lastIf(m.FindFirstFileA("C:\\t\\*", &fd) == INVALID_HANDLE_VALUE); }},
        {"FindNextFileA", [&] { return lastIf(!m.FindNextFileA(find, &fd)); }},
        {"GetDriveTypeA", [&] { return lastIf(m.GetDriveTypeA("C:\\") == DRIVE_UNKNOWN); }},
        {"GetDiskFreeSpaceA", [&] { return lastIf(!m.GetDiskFreeSpaceA("C:\\", &d1, &d2, &d3, &d4)); }},
        {"GetDiskFreeSpaceExA", [&] { return lastIf(!m.GetDiskFreeSpaceExA("C:\\", &u, &u, &u)); }},
        {"GetVolumeInformationA", [&] { return lastIf(!m.GetVolumeInformationA("C:\\", buf, sizeof buf, nullptr, nullptr, nullptr, nullptr, 0)); }},
        {"GetModuleHandleA", [&] { return lastIf(m.GetModuleHandleA("kernel32.dll") == nullptr); }},
        {"GetProcAddress", [&] { return lastIf(m.GetProcAddress(m.GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA") == nullptr); }},
        {"WNetGetConnectionA", [&] { n = sizeof buf; DWORD rc = m.WNetGetConnectionA("N:", buf, &n); return rc == m.GetLastError() ? rc : 0u; }},
        {"RegOpenKeyA", [&] { HKEY k; return static_cast<DWORD>(m.RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\X", &k)); }},
        {"RegQueryValueExA", [&] { return static_cast<DWORD>(m.RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, nullptr)); }},
        {"MessageBoxA", [&] { return lastIf(m.MessageBoxA(nullptr, "t", "c", MB_OK) == 0); }},
        {"WSAStartup", [&] { return static_cast<DWORD>(m.WSAStartup(MAKEWORD(2, 2), &wsa)); }},
        {"gethostbyname", [&] { return wsaIf(m.gethostbyname("1.2.3.4") == nullptr); }},
        {"inet_addr", [&] { return lastIf(m.inet_addr("1.2.3.4") == 0xFFFFFFFFul); }},
        {"inet_ntoa", [&] { return wsaIf(m.inet_ntoa(in) == nullptr); }},
        {"socket", [&] { return wsaIf(m.socket(AF_INET, SOCK_RAW, 1) == INVALID_SOCKET); }},
        {"setsockopt", [&] { DWORD t = 5; return wsaIf(m.setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&t), 4) == SOCKET_ERROR); }},
        {"sendto", [&] { return wsaIf(m.sendto(sock, "x", 1, 0, toAddr, sizeof to) == SOCKET_ERROR); }},
        {"recvfrom", [&] { m.AddReply(sim::Reply::Datagram("r")); return wsaIf(m.recvfrom(sock, buf, sizeof buf, 0, nullptr, nullptr) == SOCKET_ERROR); }},
        // The closes fail yet release what they close.
        {"CloseHandle", [&] { return lastIf(!m.CloseHandle(file)); }},
        {"FindClose", [&] { return lastIf(!m.FindClose(find)); }},
        {"RegCloseKey", [&] { return static_cast<DWORD>(m.RegCloseKey(key)); }},
        {"closesocket", [&] { return wsaIf(m.closesocket(sock) == SOCKET_ERROR); }},
        {"WSACleanup", [&] { return wsaIf(m.WSACleanup() == SOCKET_ERROR); }},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.service);
        uint64_t before = machine.CallCount(r.service);
        machine.FailNthCallOf(r.service, 1, kCode);
        machine.SetLastError(0);
        EXPECT_EQ(r.call(), kCode);
        EXPECT_GE(machine.CallCount(r.service), before + 1);
    }
    EXPECT_TRUE(machine.Leaks().empty());
    // The things that failed were left alone.
    EXPECT_TRUE(machine.FileExists("C:\\t2\\g.txt"));
    EXPECT_TRUE(machine.DirExists("C:\\t\\sub"));
    EXPECT_FALSE(machine.Exists("C:\\nd"));
    EXPECT_TRUE(machine.MessageBoxes().empty());
}

TEST_F(SimFaults, CountingAndTheLog)
{
    machine.ResetCalls();
    EXPECT_EQ(machine.CallCount(), 0u);
    HANDLE h = machine.CreateFileA("C:\\t\\f.txt", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
    char buf[8];
    DWORD n;
    machine.ReadFile(h, buf, sizeof buf, &n, nullptr);
    machine.CloseHandle(h);
    machine.GetFileAttributesA("C:\\t");
    machine.GetFileAttributesA(nullptr);
    // Calls that cannot fail are not counted.
    machine.SetLastError(1);
    machine.SetErrorMode(0);
    machine.GetTickCount();
    machine.OutputDebugStringA("x");

    EXPECT_EQ(machine.CallCount(), 5u);
    EXPECT_EQ(machine.CallCount("GetFileAttributesA"), 2u);
    EXPECT_EQ(machine.CallCount("GetTickCount"), 0u);
    std::vector<sim::Call> log = machine.CallLog();
    ASSERT_EQ(log.size(), 5u);
    const char *services[] = {"CreateFileA", "ReadFile", "CloseHandle", "GetFileAttributesA",
                              "GetFileAttributesA"};
    const char *paths[] = {"C:\\t\\f.txt", "C:\\t\\f.txt", "C:\\t\\f.txt", "C:\\t", ""};
    for (std::size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log[i].service, services[i]);
        EXPECT_EQ(log[i].path, paths[i]);
        EXPECT_EQ(log[i].number, i + 1);
    }
    machine.ResetCalls();
    EXPECT_EQ(machine.CallCount("ReadFile"), 0u);
}

// What a hook changes before a call runs is checked through the deletion
// tests; here that it sees every call and that its own calls are not counted.
TEST_F(SimFaults, HookSeesEveryCall)
{
    std::vector<uint64_t> numbers;
    machine.ResetCalls();
    machine.SetHook([this, &numbers](const sim::Call &call) {
        numbers.push_back(call.number);
        EXPECT_NE(machine.GetFileAttributesA("C:\\t\\sub"), INVALID_FILE_ATTRIBUTES);
    });
    machine.GetFileAttributesA("C:\\t");
    machine.DeleteFileA("C:\\none");
    machine.SetHook(nullptr);
    EXPECT_EQ(numbers, (std::vector<uint64_t>{1, 2}));
    EXPECT_EQ(machine.CallCount(), 2u);
}

TEST(SimLeaks, EveryKindIsReported)
{
    Machine m = Machine::Typical();
    m.MakeFile("C:\\f.txt");
    platform::ScopedServices install(m);
    HANDLE before = m.CreateFileA("C:\\f.txt", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    m.MarkInstalled();  // what is open now is not a leak
    EXPECT_TRUE(m.Leaks().empty());

    HANDLE file = m.CreateFileA("C:\\f.txt", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    WIN32_FIND_DATAA fd;
    HANDLE find = m.FindFirstFileA("C:\\*", &fd);
    m.AddRegKey("HKLM\\SOFTWARE\\K");
    HKEY key;
    m.RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\K", &key);
    WSADATA wsa;
    m.WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = m.socket(AF_INET, SOCK_DGRAM, 0);
    m.SetErrorMode(SEM_FAILCRITICALERRORS);

    std::vector<std::string> leaks = m.Leaks();
    const char *expected[] = {"file handle left open: C:\\f.txt", "find handle left open: C:\\*",
                              "registry key left open: HKEY_LOCAL_MACHINE\\SOFTWARE\\K",
                              "socket left open: #1", "WSAStartup not balanced",
                              "error mode not restored: 0x1, was 0x0"};
    ASSERT_EQ(leaks.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(leaks[i].find(expected[i]), 0u) << leaks[i];

    EXPECT_TRUE(m.CloseHandle(file) && m.FindClose(find) && m.RegCloseKey(key) == ERROR_SUCCESS &&
                m.closesocket(s) == 0 && m.WSACleanup() == 0);
    m.SetErrorMode(0);
    EXPECT_TRUE(m.Leaks().empty());
    m.CloseHandle(before);
}

void LeakAHandleUnderScopedMachine()
{
    Machine m = Machine::Typical();
    m.MakeFile("C:\\leaky.txt");
    test::ScopedMachine scope(m);
    m.CreateFileA("C:\\leaky.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST(SimScopedMachine, InstallsForTheScopeAndFailsTheTestOnLeaks)
{
    EXPECT_NONFATAL_FAILURE(LeakAHandleUnderScopedMachine(), "file handle left open: C:\\leaky.txt");
    Machine outer, inner;
    platform::ScopedServices installOuter(outer);
    {
        test::ScopedMachine scope(inner);
        EXPECT_EQ(&platform::sys(), &inner);
        inner.SetErrorMode(1);
        scope.AllowLeaks();
    }
    EXPECT_EQ(&platform::sys(), &outer);
}

}  // namespace
}  // namespace brenvik
