// The capacity, volume and label queries allocate nothing: roots, labels and
// scratch buffers live on the stack.
#include <gtest/gtest.h>

#include <cstring>

#include "support/alloc_counter.h"
#include "support/scoped_machine.h"

namespace {

using brenvik::test::CountAllocations;

BOOL WINAPI QuietFreeSpaceEx(LPCSTR, PULARGE_INTEGER available, PULARGE_INTEGER total,
                             PULARGE_INTEGER free)
{
    available->QuadPart = 1ull << 33;
    total->QuadPart = 1ull << 34;
    free->QuadPart = 1ull << 33;
    return TRUE;
}

char g_kernel32;

// Answers the volume services without the machine's call log, which
// allocates; every other service is the simulated machine's.
class QuietVolumes : public brenvik::sim::Machine {
public:
    BOOL GetDiskFreeSpaceA(LPCSTR, LPDWORD spc, LPDWORD bps, LPDWORD freeClusters,
                           LPDWORD totalClusters) override
    {
        *spc = 1;
        *bps = 2048;
        *freeClusters = 0;
        *totalClusters = 333000;
        return TRUE;
    }
    BOOL GetVolumeInformationA(LPCSTR root, LPSTR name, DWORD size, LPDWORD, LPDWORD,
                               LPDWORD flags, LPSTR, DWORD) override
    {
        if ((root[0] | 0x20) != 'c')
            return FALSE;
        if (name != nullptr && size >= 9)
            std::memcpy(name, "EMZ3_DVD", 9);
        if (flags != nullptr)
            *flags = FS_VOL_IS_COMPRESSED;
        return TRUE;
    }
    // The machine keeps a history of modes, which allocates.
    UINT SetErrorMode(UINT mode) override
    {
        const UINT previous = mode_;
        mode_ = mode;
        return previous;
    }
    HMODULE GetModuleHandleA(LPCSTR) override { return &g_kernel32; }

    UINT mode_ = 0;
    FARPROC GetProcAddress(HMODULE, LPCSTR) override
    {
        PFN_GetDiskFreeSpaceExA entry = &QuietFreeSpaceEx;
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(entry));
    }
};

TEST(VolumeAlloc, QueriesDoNotAllocate)
{
    QuietVolumes machine;
    brenvik::test::ScopedMachine scope(machine);
    unsigned long size = 0, kb[3] = {};
    unsigned long long bytes[3] = {};
    char label[BRENVIK_MAX_PATH] = "";
    int answers = 0;
    {
        CountAllocations count;
        answers += CDriveEx::GetCdSize(3, &size);
        answers += CDriveEx::My_GetDiskFreeSpace(3, nullptr, nullptr, nullptr, nullptr);
        answers += CDriveEx::GetVolName(2, label);
        answers += CDriveEx::IsDiskPresent(34, 0);
        answers += CDriveEx::IsCompressed(2) == 0x8000;
        answers += CDriveEx::IsAudioCD(2);
        answers += CDriveEx::GetLargeDiskSize2GB_inByte(-1, "\\\\srv\\share", &bytes[0], &bytes[1],
                                                        &bytes[2]);
        answers += CDriveEx::GetLargeDiskSize2GB_inKB(3, nullptr, &kb[0], &kb[1], &kb[2]);
        answers += static_cast<int>(CDriveEx::MaybeNetworkPath("\\\\srv\\share"));
        EXPECT_EQ(count.counts().total(), 0);
    }
    // The answers are the real ones, so the counted work was done.
    EXPECT_EQ(answers, 9);
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
