// Drives, volumes, network connections, the by-name service lookup, the
// registry and the small services of the simulated machine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/services.h"
#include "platform/sim/sim_machine.h"
#include "support/scoped_machine.h"

namespace brenvik {
namespace {

using sim::Machine;
using test::MachineTest;

class SimVolumes : public MachineTest {
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
    struct Row {
        const char *root;
        UINT type;
    } rows[] = {
        {"C:\\", DRIVE_FIXED},       {"c:", DRIVE_FIXED},         {"C:/", DRIVE_FIXED},
        {"D:\\", DRIVE_CDROM},       {"E:\\", DRIVE_CDROM},       {"A:\\", DRIVE_REMOVABLE},
        {"R:\\", DRIVE_RAMDISK},     {"Q:\\", DRIVE_NO_ROOT_DIR}, {"C:\\dir", DRIVE_NO_ROOT_DIR},
        {"", DRIVE_NO_ROOT_DIR},     {"N:\\", DRIVE_NO_ROOT_DIR}, {"M:\\", DRIVE_REMOTE},
        {"\\\\srv\\share\\", DRIVE_REMOTE}, {"\\\\srv\\share", DRIVE_REMOTE},
        {"\\\\srv\\nope\\", DRIVE_NO_ROOT_DIR},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.root);
        EXPECT_EQ(machine.GetDriveTypeA(r.root), r.type);
    }
    EXPECT_EQ(machine.GetDriveTypeA(nullptr), static_cast<UINT>(DRIVE_FIXED));  // current drive
    machine.Drive('R').Type(DRIVE_UNKNOWN);
    EXPECT_EQ(machine.GetDriveTypeA("R:\\"), static_cast<UINT>(DRIVE_UNKNOWN));
    machine.RemoveDrive('R');
    EXPECT_EQ(machine.GetDriveTypeA("R:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

TEST_F(SimVolumes, FreeSpace)
{
    DWORD spc = 0, bps = 0, freeC = 0, totalC = 0;
    ASSERT_TRUE(machine.GetDiskFreeSpaceA("D:\\", &spc, &bps, &freeC, &totalC));
    EXPECT_EQ(spc, 1u);
    EXPECT_EQ(bps, 2048u);
    EXPECT_EQ(freeC, 0u);
    EXPECT_EQ(totalC, 333000u);
    EXPECT_TRUE(machine.GetDiskFreeSpaceA("C:\\", nullptr, nullptr, nullptr, nullptr));

    machine.SetLastError(0xDEADBEEF);
    EXPECT_FALSE(machine.GetDiskFreeSpaceA("E:\\", &spc, &bps, &freeC, &totalC));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_FALSE(machine.GetDiskFreeSpaceA("Q:\\", &spc, &bps, &freeC, &totalC));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(machine.GetDiskFreeSpaceA("N:\\", &spc, &bps, &freeC, &totalC));
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    ULARGE_INTEGER avail, total, free;
    ASSERT_TRUE(machine.GetDiskFreeSpaceExA("C:\\", &avail, &total, &free));
    EXPECT_EQ(total.QuadPart, 5000000ull * 4096);
    EXPECT_EQ(free.QuadPart, 1000000ull * 4096);
    EXPECT_EQ(avail.QuadPart, free.QuadPart);
    machine.Drive('D').Bytes(4700000000ull, 0, 0);
    ASSERT_TRUE(machine.GetDiskFreeSpaceExA("D:\\", &avail, &total, nullptr));
    EXPECT_EQ(total.QuadPart, 4700000000ull);
    machine.Drive('C').Bytes(100, 60, 50);
    ASSERT_TRUE(machine.GetDiskFreeSpaceExA("\\\\srv\\share", &avail, &total, &free));
    EXPECT_EQ(total.QuadPart, 2621440ull * 4096);  // the share, not C:
    ASSERT_TRUE(machine.GetDiskFreeSpaceExA(nullptr, &avail, &total, &free));
    EXPECT_EQ(avail.QuadPart, 50u);
    EXPECT_EQ(free.QuadPart, 60u);
}

TEST_F(SimVolumes, ExtendedQueryFoundByName)
{
    HMODULE k32 = machine.GetModuleHandleA("kernel32.dll");
    ASSERT_NE(k32, nullptr);
    EXPECT_EQ(machine.GetModuleHandleA("KERNEL32"), k32);
    EXPECT_EQ(machine.GetModuleHandleA("nosuch.dll"), nullptr);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

    FARPROC proc = machine.GetProcAddress(k32, "GetDiskFreeSpaceExA");
    ASSERT_NE(proc, nullptr);
    auto query = reinterpret_cast<PFN_GetDiskFreeSpaceExA>(reinterpret_cast<void (*)()>(proc));
    machine.Drive('D').Bytes(4700000000ull, 1, 2);
    ULARGE_INTEGER avail, total, free;
    // The plain function reaches the machine installed now.
    ASSERT_TRUE(query("D:\\", &avail, &total, &free));
    EXPECT_EQ(total.QuadPart, 4700000000ull);
    EXPECT_EQ(avail.QuadPart, 2u);
    EXPECT_EQ(machine.CallCount("GetDiskFreeSpaceExA"), 1u);
    EXPECT_FALSE(query("E:\\", &avail, &total, &free));
    EXPECT_EQ(platform::sys().GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));

    Machine other;
    other.AddDrive('D', DRIVE_FIXED).Bytes(7, 7, 7);
    {
        platform::ScopedServices swap(other);
        ASSERT_TRUE(query("D:\\", &avail, &total, &free));
        EXPECT_EQ(total.QuadPart, 7u);
    }

    EXPECT_EQ(machine.GetProcAddress(k32, "GetDiskFreeSpaceExW"), nullptr);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    machine.SetGetDiskFreeSpaceExAvailable(false);
    EXPECT_EQ(machine.GetProcAddress(k32, "GetDiskFreeSpaceExA"), nullptr);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    int notAModule = 0;
    EXPECT_EQ(machine.GetProcAddress(reinterpret_cast<HMODULE>(&notAModule), "GetDiskFreeSpaceExA"),
              nullptr);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(SimVolumes, VolumeInformation)
{
    char label[100], fs[32];
    DWORD serial = 0, maxLen = 0, flags = 0;
    machine.Drive('C').Flags(0x1F | FS_VOL_IS_COMPRESSED);
    ASSERT_TRUE(machine.GetVolumeInformationA("C:\\", label, sizeof label, &serial, &maxLen, &flags,
                                              fs, sizeof fs));
    EXPECT_STREQ(label, "SYSTEM");
    EXPECT_STREQ(fs, "NTFS");
    EXPECT_EQ(serial, 0x1C2B3A49u);
    EXPECT_EQ(maxLen, 255u);
    EXPECT_EQ(flags & FS_VOL_IS_COMPRESSED, static_cast<DWORD>(FS_VOL_IS_COMPRESSED));
    ASSERT_TRUE(machine.GetVolumeInformationA("M:\\", label, sizeof label, nullptr, nullptr,
                                              nullptr, nullptr, 0));
    EXPECT_STREQ(label, "NETVOL");
    ASSERT_TRUE(machine.GetVolumeInformationA("\\\\srv\\share\\", label, sizeof label, nullptr,
                                              nullptr, nullptr, nullptr, 0));
    EXPECT_STREQ(label, "NETVOL");

    struct Row {
        const char *root;
        DWORD nameSize;
        DWORD error;
    } rows[] = {
        {"E:\\", 100, ERROR_NOT_READY}, {"A:\\", 100, ERROR_NOT_READY},
        {"Q:\\", 100, ERROR_PATH_NOT_FOUND}, {"N:\\", 100, ERROR_PATH_NOT_FOUND},
        {"C:", 100, ERROR_INVALID_NAME}, {"C:\\dir\\", 100, ERROR_PATH_NOT_FOUND},
        {"C:\\", 6, 24},  // ERROR_BAD_LENGTH: "SYSTEM" needs 7
        {"\\\\srv\\nope\\", 100, ERROR_BAD_NET_NAME},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.root);
        std::memset(label, 'x', sizeof label);
        machine.SetLastError(0xDEADBEEF);
        EXPECT_FALSE(machine.GetVolumeInformationA(r.root, label, r.nameSize, nullptr, nullptr,
                                                   nullptr, nullptr, 0));
        EXPECT_EQ(machine.GetLastError(), r.error);
        EXPECT_EQ(label[0], 'x');  // untouched
    }
    machine.MakeDir("C:\\dir");
    EXPECT_FALSE(machine.GetVolumeInformationA("C:\\dir\\", label, 100, nullptr, nullptr, nullptr,
                                               nullptr, 0));
    EXPECT_EQ(machine.GetLastError(), 144u);  // ERROR_DIR_NOT_ROOT
    // Inserting the medium makes the drive answer.
    machine.Drive('E').Medium(true).Label("");
    ASSERT_TRUE(machine.GetVolumeInformationA("E:\\", label, 100, nullptr, nullptr, nullptr,
                                              nullptr, 0));
    EXPECT_STREQ(label, "");
}

TEST_F(SimVolumes, NetworkConnections)
{
    char remote[260];
    DWORD len = sizeof remote;
    machine.SetLastError(0);
    EXPECT_EQ(machine.WNetGetConnectionA("N:", remote, &len), static_cast<DWORD>(ERROR_CONNECTION_UNAVAIL));
    EXPECT_STREQ(remote, "\\\\srv\\share");
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_CONNECTION_UNAVAIL));
    len = sizeof remote;
    EXPECT_EQ(machine.WNetGetConnectionA("n:\\", remote, &len), static_cast<DWORD>(ERROR_CONNECTION_UNAVAIL));
    len = sizeof remote;
    EXPECT_EQ(machine.WNetGetConnectionA("M:", remote, &len), static_cast<DWORD>(NO_ERROR));
    EXPECT_STREQ(remote, "\\\\srv\\share");
    len = sizeof remote;
    EXPECT_EQ(machine.WNetGetConnectionA("C:", remote, &len), static_cast<DWORD>(ERROR_NOT_CONNECTED));
    EXPECT_EQ(machine.WNetGetConnectionA("Q:", remote, &len), static_cast<DWORD>(ERROR_NOT_CONNECTED));
    EXPECT_EQ(machine.WNetGetConnectionA("QQ", remote, &len), static_cast<DWORD>(ERROR_BAD_DEVICE));
    EXPECT_EQ(machine.WNetGetConnectionA(nullptr, remote, &len), static_cast<DWORD>(ERROR_INVALID_ADDRESS));
    len = 5;
    EXPECT_EQ(machine.WNetGetConnectionA("M:", remote, &len), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(len, 12u);  // "\\srv\share" and its NUL
    len = 12;
    EXPECT_EQ(machine.WNetGetConnectionA("M:", remote, &len), static_cast<DWORD>(NO_ERROR));
    machine.ForgetConnection('N');
    EXPECT_EQ(machine.WNetGetConnectionA("N:", remote, &len), static_cast<DWORD>(ERROR_NOT_CONNECTED));
}

TEST_F(SimVolumes, Registry)
{
    machine.SetRegDword("HKLM\\SOFTWARE\\OrloDebug", "DebugLevel", 1);
    machine.SetRegString("HKEY_CURRENT_USER\\Network\\N", "RemotePath", "\\\\srv\\share");
    machine.SetRegValue("HKLM\\SOFTWARE\\OrloDebug", "", REG_BINARY, std::string("\x01\x02", 2));

    HKEY key = nullptr;
    ASSERT_EQ(machine.RegOpenKeyA(HKEY_LOCAL_MACHINE, "software\\orlodebug", &key), ERROR_SUCCESS);
    DWORD type = 0, value = 0, size = sizeof value;
    ASSERT_EQ(machine.RegQueryValueExA(key, "debuglevel", nullptr, &type,
                                       reinterpret_cast<LPBYTE>(&value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(size, 4u);
    BYTE two[2];
    size = 1;
    EXPECT_EQ(machine.RegQueryValueExA(key, nullptr, nullptr, &type, two, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    size = 0;
    EXPECT_EQ(machine.RegQueryValueExA(key, "", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(machine.RegQueryValueExA(key, "Missing", nullptr, &type, two, &size),
              ERROR_FILE_NOT_FOUND);
    DWORD reserved = 0;
    EXPECT_EQ(machine.RegQueryValueExA(key, "DebugLevel", &reserved, &type, two, &size),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(machine.RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(machine.RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(machine.RegQueryValueExA(key, "DebugLevel", nullptr, &type, two, &size),
              ERROR_INVALID_HANDLE);

    HKEY net = nullptr, n = nullptr;
    ASSERT_EQ(machine.RegOpenKeyA(HKEY_CURRENT_USER, "Network", &net), ERROR_SUCCESS);
    ASSERT_EQ(machine.RegOpenKeyA(net, "N", &n), ERROR_SUCCESS);
    char text[32];
    size = sizeof text;
    ASSERT_EQ(machine.RegQueryValueExA(n, "RemotePath", nullptr, &type,
                                       reinterpret_cast<LPBYTE>(text), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(text, size), std::string("\\\\srv\\share\0", 12));
    // A key removed while open answers "key deleted".
    machine.RemoveRegKey("HKCU\\Network");
    EXPECT_EQ(machine.RegQueryValueExA(n, "RemotePath", nullptr, &type, nullptr, &size), 1018);
    machine.RegCloseKey(n);
    machine.RegCloseKey(net);

    HKEY same = nullptr;
    EXPECT_EQ(machine.RegOpenKeyA(HKEY_LOCAL_MACHINE, "", &same), ERROR_SUCCESS);
    EXPECT_EQ(same, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(machine.RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nope", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(machine.RegOpenKeyA(HKEY_LOCAL_MACHINE, "\\SOFTWARE", &key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(machine.RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE", nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_THROW(machine.AddRegKey("HKEY_NOWHERE\\x"), std::runtime_error);
}

TEST_F(SimVolumes, SmallServices)
{
    Machine fresh;  // time moves on by itself
    const DWORD first = fresh.GetTickCount();
    EXPECT_EQ(fresh.GetTickCount(), first + 1);
    machine.SetTickCount(1000, 5);
    EXPECT_EQ(machine.GetTickCount(), 1000u);
    EXPECT_EQ(machine.GetTickCount(), 1005u);
    machine.SetTickCount(0xFFFFFFFEu, 3);
    EXPECT_EQ(machine.GetTickCount(), 0xFFFFFFFEu);
    EXPECT_EQ(machine.GetTickCount(), 1u);  // wraps as a DWORD does
    machine.SetProcessId(0x12345678);
    EXPECT_EQ(machine.GetCurrentProcessId(), 0x12345678u);
    EXPECT_EQ(machine.GetACP(), 1252u);
    machine.SetACP(932);
    EXPECT_EQ(machine.GetACP(), 932u);
    machine.SetACP(1252);

    machine.OutputDebugStringA("one");
    machine.OutputDebugStringA(nullptr);
    machine.OutputDebugStringA("two\n");
    EXPECT_EQ(machine.DebugOutput(), (std::vector<std::string>{"one", "two\n"}));
    machine.ClearDebugOutput();
    EXPECT_TRUE(machine.DebugOutput().empty());

    EXPECT_EQ(machine.MessageBoxA(nullptr, "text", "caption", MB_OK | MB_ICONERROR), IDOK);
    machine.SetMessageBoxResult(2);
    EXPECT_EQ(machine.MessageBoxA(nullptr, "again", nullptr, MB_OK), 2);
    auto boxes = machine.MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "text");
    EXPECT_EQ(boxes[0].caption, "caption");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(boxes[1].caption, "Error");

    machine.PostQuitMessage(3);
    EXPECT_EQ(machine.QuitMessages(), (std::vector<int>{3}));

    EXPECT_EQ(machine.SetErrorMode(SEM_FAILCRITICALERRORS), 0u);
    EXPECT_EQ(machine.SetErrorMode(0), static_cast<UINT>(SEM_FAILCRITICALERRORS));
    EXPECT_EQ(machine.ErrorModeHistory(), (std::vector<UINT>{SEM_FAILCRITICALERRORS, 0}));
    EXPECT_EQ(machine.ErrorMode(), 0u);

    // The last error belongs to the thread, shared with WSAGetLastError.
    machine.SetLastError(77);
    EXPECT_EQ(machine.WSAGetLastError(), 77);
    EXPECT_EQ(std::string(machine.Name()), "sim");
}

TEST(SimMachine, TypicalAndEmptyMachines)
{
    Machine empty;
    for (char c = 'A'; c <= 'Z'; ++c) {
        char root[] = {c, ':', '\\', 0};
        EXPECT_EQ(empty.GetDriveTypeA(root), static_cast<UINT>(DRIVE_NO_ROOT_DIR)) << root;
    }
    EXPECT_THROW(empty.MakeFile("C:\\x"), std::runtime_error);
    EXPECT_THROW(empty.Drive('C'), std::runtime_error);

    Machine typical = Machine::Typical();
    EXPECT_EQ(typical.GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(typical.GetDriveTypeA("D:\\"), static_cast<UINT>(DRIVE_CDROM));
    EXPECT_EQ(typical.CurrentDir(), "C:\\");
    EXPECT_TRUE(typical.ListDir("C:\\").empty());
    typical.MakeDir("C:\\");  // leaves the root's attributes alone
    EXPECT_EQ(typical.GetAttributes("C:\\"), 0x16u);
    typical.MakeDir("C:\\h\\s", FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(typical.GetAttributes("C:\\h"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(typical.GetAttributes("C:\\h\\s"), 0x12u);
    EXPECT_EQ(typical.ListTree("C:\\"), (std::vector<std::string>{"h\\", "h\\s\\"}));
    // A moved machine keeps its state.
    typical.MakeFile("C:\\kept.txt", "k");
    Machine moved = std::move(typical);
    EXPECT_EQ(moved.ReadFileBytes("C:\\kept.txt"), "k");
    EXPECT_THROW(moved.ReadFileBytes("C:\\missing"), std::runtime_error);
    EXPECT_THROW(moved.MakeDir("C:\\kept.txt\\sub"), std::runtime_error);
}

}  // namespace
}  // namespace brenvik
