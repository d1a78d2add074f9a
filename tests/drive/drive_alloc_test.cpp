// Drive classification and the capacity, volume and label queries allocate
// nothing with trace off: roots, labels and scratch buffers live on the stack.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/alloc_counter.h"
#include "support/scoped_machine.h"

namespace {

using brenvik::test::CountAllocations;

BOOL WINAPI QuietFreeSpaceEx(LPCSTR, PULARGE_INTEGER available, PULARGE_INTEGER total, PULARGE_INTEGER free)
{
    available->QuadPart = free->QuadPart = 1ull << 33;
    total->QuadPart = 1ull << 34;
    return TRUE;
}

char g_kernel32;

// Answers the services used without the machine's call log and error-mode
// history, which allocate: C: fixed "EMZ3_DVD" and compressed, D: a CD of
// 333,000 2048-byte sectors, N: a remembered connection not available now.
class QuietMachine : public brenvik::sim::Machine {
public:
    UINT GetDriveTypeA(LPCSTR root) override
    {
        return root[0] == 'C' ? DRIVE_FIXED : root[0] == 'D' ? DRIVE_CDROM : DRIVE_NO_ROOT_DIR;
    }
    DWORD WNetGetConnectionA(LPCSTR local, LPSTR remote, LPDWORD length) override
    {
        const char name[] = "\\\\gone\\share";
        if (local[0] != 'N' || *length < sizeof name)
            return ERROR_NOT_CONNECTED;
        std::memcpy(remote, name, sizeof name);
        return ERROR_CONNECTION_UNAVAIL;
    }
    BOOL GetDiskFreeSpaceA(LPCSTR, LPDWORD spc, LPDWORD bps, LPDWORD freeClusters, LPDWORD total) override
    {
        *spc = 1;
        *bps = 2048;
        *freeClusters = 0;
        *total = 333000;
        return TRUE;
    }
    BOOL GetVolumeInformationA(LPCSTR root, LPSTR name, DWORD size, LPDWORD, LPDWORD, LPDWORD flags, LPSTR,
                               DWORD) override
    {
        if ((root[0] | 0x20) != 'c')
            return FALSE;
        if (name != nullptr && size >= 9)
            std::memcpy(name, "EMZ3_DVD", 9);
        if (flags != nullptr)
            *flags = FS_VOL_IS_COMPRESSED;
        return TRUE;
    }
    UINT SetErrorMode(UINT mode) override
    {
        const UINT previous = mode_;
        mode_ = mode;
        return previous;
    }
    HMODULE GetModuleHandleA(LPCSTR) override { return &g_kernel32; }
    FARPROC GetProcAddress(HMODULE, LPCSTR) override
    {
        PFN_GetDiskFreeSpaceExA entry = &QuietFreeSpaceEx;
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(entry));
    }
    UINT mode_ = 0;
};

TEST(DriveAlloc, QueriesDoNotAllocate)
{
    QuietMachine machine;
    brenvik::test::ScopedMachine scope(machine);
    unsigned long masks[5] = {}, size = 0, kb[3] = {};
    unsigned long long bytes[3] = {};
    char label[BRENVIK_MAX_PATH] = "";
    int answers = 0;
    {
        CountAllocations count;
        CDriveEx::GetCdDrvLst(&masks[0]);
        CDriveEx::GetRemovableDrvLst(&masks[1]);
        CDriveEx::GetRamDrvLst(&masks[2]);
        CDriveEx::GetNetworkDrvLst(&masks[3]);
        CDriveEx::GetLocalHDDrvLst(&masks[4]);
        answers += CDriveEx::IsCdDrive(3) + CDriveEx::IsNetworkDrive(13) + CDriveEx::IsRamDrive(26);
        answers += CDriveEx::GetCdSize(3, &size);
        answers += CDriveEx::My_GetDiskFreeSpace(3, nullptr, nullptr, nullptr, nullptr);
        answers += CDriveEx::GetVolName(2, label);
        answers += CDriveEx::IsDiskPresent(34, 0);
        answers += CDriveEx::IsCompressed(2) == 0x8000;
        answers += CDriveEx::IsAudioCD(2);
        answers += CDriveEx::GetLargeDiskSize2GB_inByte(-1, "\\\\srv\\share", &bytes[0], &bytes[1], &bytes[2]);
        answers += CDriveEx::GetLargeDiskSize2GB_inKB(3, nullptr, &kb[0], &kb[1], &kb[2]);
        answers += static_cast<int>(CDriveEx::MaybeNetworkPath("\\\\srv\\share"));
        EXPECT_EQ(count.counts().total(), 0);
    }
    // The answers are the real ones, so the counted work was done.
    EXPECT_EQ(std::vector<unsigned long>(masks, masks + 5),
              (std::vector<unsigned long>{1UL << 3, 0, 0, 1UL << 13, 1UL << 2}));
    EXPECT_EQ(answers, 2 + 9);
    EXPECT_EQ(size, 681984000UL);
    EXPECT_STREQ(label, "EMZ3_DVD");
    EXPECT_EQ(bytes[0], 1ull << 34);
    EXPECT_EQ(kb[0], 1UL << 24);
    EXPECT_EQ(machine.mode_, 0u) << "the error mode was not restored";

    CountAllocations control;
    static int *volatile sink;
    sink = new int(1);
    delete sink;
    EXPECT_GE(control.counts().news, 1) << "the counter is not active";
}

}  // namespace
