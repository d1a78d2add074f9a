// Drives, volumes, connections, the registry, the small services and the
// sockets of the simulated machine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/sim/sim_machine.h"
#include "support/scoped_machine.h"

namespace brenvik {
namespace {

using sim::Machine;
using sim::Reply;

class SimVolumes : public test::MachineTest {
protected:
    void SetUp() override
    {
        machine.AddDrive('A', DRIVE_REMOVABLE).Medium(false);
        machine.AddDrive('R', DRIVE_RAMDISK).Label("RAM");
        machine.AddDrive('E', DRIVE_CDROM).Medium(false);
        machine.AddShare("srv", "share").Label("NETVOL");
        machine.RememberConnection('N', "\\\\srv\\share", false);
        machine.RememberConnection('M', "\\\\srv\\share", true);
    }
};

TEST_F(SimVolumes, DriveTypes)
{
    const struct {
        const char *root;
        UINT type;
    } rows[] = {
        {"c:", DRIVE_FIXED},         {"C:/", DRIVE_FIXED},        {"D:\\", DRIVE_CDROM},
        {"E:\\", DRIVE_CDROM},       {"A:\\", DRIVE_REMOVABLE},   {"R:\\", DRIVE_RAMDISK},
        {"Q:\\", DRIVE_NO_ROOT_DIR}, {"N:\\", DRIVE_NO_ROOT_DIR}, {"M:\\", DRIVE_REMOTE},
        {"\\\\srv\\share", DRIVE_REMOTE}, {"\\\\srv\\nope\\", DRIVE_NO_ROOT_DIR},
    };
    for (const auto &r : rows)
        EXPECT_EQ(machine.GetDriveTypeA(r.root), r.type) << r.root;
    EXPECT_EQ(machine.GetDriveTypeA(nullptr), static_cast<UINT>(DRIVE_FIXED));  // current drive
    machine.RemoveDrive('R');
    EXPECT_EQ(machine.GetDriveTypeA("R:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

TEST_F(SimVolumes, FreeSpaceReachesTheMachineInstalledNow)
{
    DWORD spc = 0, bps = 0, freeC = 0, totalC = 0;
    for (const char *root : {"E:\\", "N:\\"}) {
        EXPECT_FALSE(machine.GetDiskFreeSpaceA(root, &spc, &bps, &freeC, &totalC));
        EXPECT_EQ(machine.GetLastError(),
                  static_cast<DWORD>(root[0] == 'E' ? ERROR_NOT_READY : ERROR_PATH_NOT_FOUND));
    }
    ULARGE_INTEGER avail, total, free;
    machine.Drive('C').Bytes(100, 60, 50);
    machine.Share("srv", "share").Bytes(4700000000ull, 1, 2);
    ASSERT_TRUE(machine.GetDiskFreeSpaceExA(nullptr, &avail, &total, &free));  // current drive
    EXPECT_EQ(avail.QuadPart, 50u);
    EXPECT_EQ(free.QuadPart, 60u);
    HMODULE k32 = machine.GetModuleHandleA("KERNEL32");
    auto query = reinterpret_cast<PFN_GetDiskFreeSpaceExA>(
        reinterpret_cast<void (*)()>(machine.GetProcAddress(k32, "GetDiskFreeSpaceExA")));
    ASSERT_NE(query, nullptr);
    ASSERT_TRUE(query("\\\\srv\\share", &avail, &total, &free));
    EXPECT_EQ(total.QuadPart, 4700000000ull);
    EXPECT_EQ(avail.QuadPart, 2u);
    EXPECT_EQ(machine.CallCount("GetDiskFreeSpaceExA"), 2u);
    Machine other;
    other.AddDrive('D', DRIVE_FIXED).Bytes(7, 7, 7);
    {
        platform::ScopedServices swap(other);
        ASSERT_TRUE(query("D:\\", &avail, &total, &free));
        EXPECT_EQ(total.QuadPart, 7u);
    }
    // A machine whose system lacks the function.
    machine.SetGetDiskFreeSpaceExAvailable(false);
    EXPECT_EQ(machine.GetProcAddress(k32, "GetDiskFreeSpaceExA"), nullptr);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
}

TEST_F(SimVolumes, VolumeInformation)
{
    char label[100], fs[32];
    DWORD serial = 0, maxLen = 0, flags = 0;
    machine.Drive('R').Flags(0x1F | FS_VOL_IS_COMPRESSED).Serial(0x1234).FileSystem("FAT");
    ASSERT_TRUE(machine.GetVolumeInformationA("R:\\", label, sizeof label, &serial, &maxLen,
                                              &flags, fs, sizeof fs));
    EXPECT_STREQ(label, "RAM");
    EXPECT_STREQ(fs, "FAT");
    EXPECT_EQ(serial, 0x1234u);
    EXPECT_EQ(flags, static_cast<DWORD>(0x1F | FS_VOL_IS_COMPRESSED));
    for (const char *root : {"M:\\", "\\\\srv\\share\\"}) {
        ASSERT_TRUE(machine.GetVolumeInformationA(root, label, sizeof label, nullptr, nullptr,
                                                  nullptr, nullptr, 0));
        EXPECT_STREQ(label, "NETVOL");
    }
    machine.MakeDir("C:\\dir");
    const struct {
        const char *root;
        DWORD nameSize, error;
    } rows[] = {
        {"E:\\", 100, ERROR_NOT_READY},      {"A:\\", 100, ERROR_NOT_READY},
        {"N:\\", 100, ERROR_PATH_NOT_FOUND}, {"C:", 100, ERROR_INVALID_NAME},
        {"C:\\dir\\", 100, 144},  // ERROR_DIR_NOT_ROOT
        {"R:\\", 3, 24},          // ERROR_BAD_LENGTH: "RAM" needs 4
        {"\\\\srv\\nope\\", 100, ERROR_BAD_NET_NAME},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.root);
        std::memset(label, 'x', sizeof label);
        EXPECT_FALSE(machine.GetVolumeInformationA(r.root, label, r.nameSize, nullptr, nullptr,
                                                   nullptr, nullptr, 0));
        EXPECT_EQ(machine.GetLastError(), r.error);
        EXPECT_EQ(label[0], 'x');  // untouched
    }
    machine.Drive('E').Medium(true).Label("");
    ASSERT_TRUE(machine.GetVolumeInformationA("E:\\", label, 100, nullptr, nullptr, nullptr,
                                              nullptr, 0));
    EXPECT_STREQ(label, "");
}

TEST_F(SimVolumes, NetworkConnections)
{
    const struct {
        const char *local;
        DWORD size, result;
        const char *remote;
    } rows[] = {
        {"N:", 260, ERROR_CONNECTION_UNAVAIL, "\\\\srv\\share"},
        {"m:\\", 260, NO_ERROR, "\\\\srv\\share"},
        {"M:", 12, NO_ERROR, "\\\\srv\\share"},  // just room with its NUL
        {"C:", 260, ERROR_NOT_CONNECTED, ""},
        {"QQ", 260, ERROR_BAD_DEVICE, ""},
        {nullptr, 260, ERROR_INVALID_ADDRESS, ""},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.local ? r.local : "null");
        char remote[260] = "";
        DWORD len = r.size;
        EXPECT_EQ(machine.WNetGetConnectionA(r.local, remote, &len), r.result);
        EXPECT_STREQ(remote, r.remote);
    }
    char remote[260];
    DWORD len = 5;
    EXPECT_EQ(machine.WNetGetConnectionA("M:", remote, &len), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(len, 12u);
    machine.ForgetConnection('N');
    EXPECT_EQ(machine.WNetGetConnectionA("N:", remote, &len), static_cast<DWORD>(ERROR_NOT_CONNECTED));
}

TEST_F(SimVolumes, RegistryBeyondReading)
{
    machine.SetRegDword("HKLM\\SOFTWARE\\OrloDebug", "DebugLevel", 1);
    machine.SetRegString("HKEY_CURRENT_USER\\Network\\N", "RemotePath", "\\\\srv\\share");
    HKEY key = nullptr, net = nullptr, n = nullptr;
    ASSERT_EQ(machine.RegOpenKeyA(HKEY_LOCAL_MACHINE, "software\\orlodebug", &key), ERROR_SUCCESS);
    DWORD type = 0, size = 4, reserved = 0;
    BYTE four[4];
    EXPECT_EQ(machine.RegQueryValueExA(key, "DebugLevel", &reserved, &type, four, &size),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(machine.RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(machine.RegCloseKey(key), ERROR_INVALID_HANDLE);
    // A key removed while open answers "key deleted".
    ASSERT_EQ(machine.RegOpenKeyA(HKEY_CURRENT_USER, "Network", &net), ERROR_SUCCESS);
    ASSERT_EQ(machine.RegOpenKeyA(net, "N", &n), ERROR_SUCCESS);
    machine.RemoveRegKey("HKCU\\Network");
    EXPECT_EQ(machine.RegQueryValueExA(n, "RemotePath", nullptr, &type, nullptr, &size), 1018);
    machine.RegCloseKey(n);
    machine.RegCloseKey(net);
    EXPECT_EQ(machine.RegOpenKeyA(HKEY_LOCAL_MACHINE, "", &key), ERROR_SUCCESS);
    EXPECT_EQ(key, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(machine.RegOpenKeyA(HKEY_LOCAL_MACHINE, "\\SOFTWARE", &key), ERROR_BAD_PATHNAME);
    EXPECT_THROW(machine.AddRegKey("HKEY_NOWHERE\\x"), std::runtime_error);
}

TEST_F(SimVolumes, SmallServicesAreScriptedAndRecorded)
{
    machine.SetTickCount(0xFFFFFFFEu, 3);
    EXPECT_EQ(machine.GetTickCount(), 0xFFFFFFFEu);
    EXPECT_EQ(machine.GetTickCount(), 1u);  // wraps as a DWORD does
    machine.OutputDebugStringA("one");
    machine.OutputDebugStringA(nullptr);
    EXPECT_EQ(machine.DebugOutput(), (std::vector<std::string>{"one"}));
    machine.SetMessageBoxResult(2);
    EXPECT_EQ(machine.MessageBoxA(nullptr, "text", nullptr, MB_OK | MB_ICONERROR), 2);
    auto boxes = machine.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "text");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    // The last error is shared with WSAGetLastError, as on Windows.
    machine.SetLastError(77);
    EXPECT_EQ(machine.WSAGetLastError(), 77);
}

class SimSockets : public test::MachineTest {
protected:
    void SetUp() override
    {
        WSADATA data;
        ASSERT_EQ(machine.WSAStartup(MAKEWORD(2, 2), &data), 0);
        machine.AddHost("fileserver", "192.168.1.20");
    }
    void TearDown() override { machine.WSACleanup(); }

    SOCKET Raw() { return machine.socket(AF_INET, SOCK_RAW, 1 /* ICMP */); }

    int Send(SOCKET s, const std::string &bytes, const char *dotted)
    {
        struct sockaddr_in sin;
        std::memset(&sin, 0, sizeof sin);
        sin.sin_family = AF_INET;
        const uint32_t a = static_cast<uint32_t>(machine.inet_addr(dotted));
        std::memcpy(&sin.sin_addr, &a, 4);
        return machine.sendto(s, bytes.data(), static_cast<int>(bytes.size()), 0,
                              reinterpret_cast<const struct sockaddr *>(&sin), sizeof sin);
    }

    // The byte count (or -1); the bytes and the sender's address.
    int Receive(SOCKET s, std::string *bytes, std::string *sender = nullptr)
    {
        char buf[1024];
        struct sockaddr_in from;
        int fromLen = sizeof from;
        int n = machine.recvfrom(s, buf, sizeof buf, 0, reinterpret_cast<struct sockaddr *>(&from),
                                 &fromLen);
        if (n > 0)
            bytes->assign(buf, static_cast<std::size_t>(n));
        if (sender && n > 0)
            *sender = machine.inet_ntoa(from.sin_addr);
        return n;
    }
};

const std::string kRequest = std::string("\x08\x00\xAA\xBB\x34\x12\x00\x00", 8) + std::string(36, 'E');

TEST_F(SimSockets, NamesAndAddresses)
{
    struct hostent *h = machine.gethostbyname("FileServer");
    ASSERT_NE(h, nullptr);
    struct in_addr in;
    std::memcpy(&in, h->h_addr_list[0], 4);
    EXPECT_STREQ(machine.inet_ntoa(in), "192.168.1.20");
    EXPECT_EQ(h->h_addr_list[1], nullptr);
    EXPECT_EQ(machine.gethostbyname("nowhere"), nullptr);
    EXPECT_EQ(machine.WSAGetLastError(), WSAHOST_NOT_FOUND);
    const struct {
        const char *text;
        const char *dotted;  // null: INADDR_NONE
    } rows[] = {
        {"0x7f.1", "127.0.0.1"}, {"010.0.0.1", "8.0.0.1"}, {"1.2.3.4 ", "1.2.3.4"},
        {"192.168.65535", "192.168.255.255"}, {"256.1.1.1", nullptr}, {"1.2.3.4x", nullptr},
        {"", nullptr}, {"1..2", nullptr}, {"1.2.3.4.5", nullptr}, {nullptr, nullptr},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.text ? r.text : "null");
        const unsigned long a = machine.inet_addr(r.text);
        if (!r.dotted) {
            EXPECT_EQ(a, 0xFFFFFFFFul);
            continue;
        }
        const uint32_t a32 = static_cast<uint32_t>(a);
        std::memcpy(&in, &a32, 4);
        EXPECT_STREQ(machine.inet_ntoa(in), r.dotted);
    }
    // After the last clean-up the layer refuses until started again.
    EXPECT_EQ(machine.WSACleanup(), 0);
    EXPECT_EQ(machine.gethostbyname("fileserver"), nullptr);
    EXPECT_EQ(machine.WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(machine.socket(AF_INET, SOCK_RAW, 1), INVALID_SOCKET);
    EXPECT_EQ(machine.WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(machine.WSACleanup(), SOCKET_ERROR);
    WSADATA data;
    EXPECT_EQ(machine.WSAStartup(0, &data), WSAVERNOTSUPPORTED);
    EXPECT_EQ(machine.WSAStartup(MAKEWORD(2, 2), nullptr), WSAEFAULT);
    EXPECT_EQ(machine.WSAStartup(MAKEWORD(2, 2), &data), 0);  // for TearDown
    EXPECT_EQ(machine.WsaStartupBalance(), 1);
}

// What the scripted replies hold is checked through the ping tests; here
// the refusals.
TEST_F(SimSockets, SocketsRefuseWhatWindowsRefuses)
{
    SOCKET s = Raw();
    ASSERT_NE(s, INVALID_SOCKET);
    const char timeout[4] = {};
    EXPECT_EQ(machine.setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, timeout, 2), SOCKET_ERROR);
    EXPECT_EQ(machine.WSAGetLastError(), WSAEFAULT);
    EXPECT_EQ(machine.sendto(s, "x", 1, 0, nullptr, 0), SOCKET_ERROR);
    // A small buffer gets the start of the datagram and WSAEMSGSIZE.
    machine.AddReply(Reply::Datagram("0123456789"));
    char small[4];
    EXPECT_EQ(machine.recvfrom(s, small, sizeof small, 0, nullptr, nullptr), SOCKET_ERROR);
    EXPECT_EQ(machine.WSAGetLastError(), WSAEMSGSIZE);
    EXPECT_EQ(std::string(small, 4), "0123");
    EXPECT_EQ(machine.closesocket(s), 0);
    EXPECT_EQ(machine.closesocket(s), SOCKET_ERROR);
    EXPECT_EQ(machine.WSAGetLastError(), WSAENOTSOCK);
    EXPECT_FALSE(machine.Sockets()[0].open);
    EXPECT_EQ(machine.socket(AF_INET + 100, SOCK_RAW, 1), INVALID_SOCKET);
    EXPECT_EQ(machine.WSAGetLastError(), WSAEAFNOSUPPORT);
}

TEST_F(SimSockets, ScriptsPerSocketAndTheClock)
{
    machine.AddReply(2, Reply::Echo().Type(11));
    machine.AddReply(Reply::Datagram("machine"));
    SOCKET first = Raw();
    SOCKET second = Raw();
    DWORD timeout = 1000;
    machine.setsockopt(first, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&timeout),
                       sizeof timeout);
    Send(first, kRequest, "1.1.1.1");
    Send(second, kRequest, "2.2.2.2");
    std::string got, sender;
    ASSERT_EQ(Receive(second, &got, &sender), 64);
    EXPECT_EQ(got[20], 11);
    EXPECT_EQ(sender, "2.2.2.2");
    ASSERT_EQ(Receive(second, &got), 7);  // its own script is used up
    EXPECT_EQ(got, "machine");
    // Silence: the time-out passes on the machine's clock.
    machine.SetTickCount(5000);
    EXPECT_EQ(Receive(first, &got), SOCKET_ERROR);
    EXPECT_EQ(machine.WSAGetLastError(), WSAETIMEDOUT);
    EXPECT_EQ(machine.GetTickCount(), 6000u);
    machine.AddReply(1, Reply::Echo().Delay(40));
    ASSERT_EQ(Receive(first, &got, &sender), 64);
    EXPECT_EQ(sender, "1.1.1.1");
    EXPECT_EQ(machine.GetTickCount(), 6040u);
    for (const std::string &line : machine.Leaks())
        EXPECT_EQ(line.find("blocked forever"), std::string::npos) << line;
    // Without a time-out nothing would ever come: reported.
    EXPECT_EQ(Receive(second, &got), SOCKET_ERROR);
    machine.closesocket(first);
    machine.closesocket(second);
    bool reported = false;
    for (const std::string &line : machine.Leaks())
        reported = reported || line.find("blocked forever") != std::string::npos;
    EXPECT_TRUE(reported);
    scope.AllowLeaks();  // the test meant it
}

}  // namespace
}  // namespace brenvik
