// Free space, capacity, volume label, medium presence and compression.
// Everything stays on the stack; nothing is traced.
#include <brenvik/brenvik.h>

#include <cstdint>
#include <cstring>

#include "platform/services.h"
#include "platform/win32_types.h"

using brenvik::platform::sys;

namespace {

// The volume label buffer handed to the platform.
constexpr DWORD kLabelSize = 100;

struct RootPath {
    char text[4];
};

RootPath RootOf(char letter)
{
    return RootPath{{letter, ':', '\\', '\0'}};
}

// The root for the volume queries that do not test the drive number: the
// letter is the low 8 bits of 'A' plus the number, whatever the number, so
// 32 to 57 give the lower-case letters. Unsigned, so no number overflows.
RootPath UncheckedRoot(int nDrive)
{
    const unsigned code = static_cast<unsigned>('A') + static_cast<unsigned>(nDrive);
    return RootOf(static_cast<char>(static_cast<unsigned char>(code & 0xFFu)));
}

// GetVolumeInformationA with critical-error boxes switched off, the previous
// error mode restored whatever the outcome.
BOOL QuietVolumeInformation(const char *root, char *label, DWORD labelSize, DWORD *flags)
{
    const UINT previous = sys().SetErrorMode(SEM_FAILCRITICALERRORS);
    const BOOL ok = sys().GetVolumeInformationA(root, label, labelSize, nullptr, nullptr, flags,
                                                nullptr, 0);
    sys().SetErrorMode(previous);
    return ok;
}

// The label query that GetVolName, IsDiskPresent and IsAudioCD share.
BOOL QueryLabel(int nDrive, char (&label)[kLabelSize])
{
    label[0] = '\0';
    const RootPath root = UncheckedRoot(nDrive);
    const BOOL ok = QuietVolumeInformation(root.text, label, kLabelSize, nullptr);
    // A platform that filled the whole buffer still leaves a string here.
    label[kLabelSize - 1] = '\0';
    return ok;
}

}  // namespace

int CDriveEx::My_GetDiskFreeSpace(int nDrive, unsigned long *pSectorsPerCluster,
                                  unsigned long *pBytesPerSector,
                                  unsigned long *pNumberOfFreeClusters,
                                  unsigned long *pTotalNumberOfClusters)
{
    if (!Is_0_25(nDrive))
        return 0;
    const RootPath root = RootOf(static_cast<char>('A' + nDrive));
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!sys().GetDiskFreeSpaceA(root.text, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                 &totalClusters))
        return 0;
    if (pSectorsPerCluster != nullptr)
        *pSectorsPerCluster = sectorsPerCluster;
    if (pBytesPerSector != nullptr)
        *pBytesPerSector = bytesPerSector;
    if (pNumberOfFreeClusters != nullptr)
        *pNumberOfFreeClusters = freeClusters;
    if (pTotalNumberOfClusters != nullptr)
        *pTotalNumberOfClusters = totalClusters;
    return 1;
}

int CDriveEx::GetCdSize(int nDrive, unsigned long *pSize)
{
    if (!Is_0_25(nDrive) || pSize == nullptr)
        return 0;
    const RootPath root = RootOf(static_cast<char>('A' + nDrive));
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!sys().GetDiskFreeSpaceA(root.text, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                 &totalClusters))
        return 0;
    const uint64_t bytes = static_cast<uint64_t>(totalClusters) * sectorsPerCluster * bytesPerSector;
    // The size is a 32-bit number: 4 GiB and more come back reduced modulo 2^32.
    *pSize = static_cast<uint32_t>(bytes);
    return 1;
}

int CDriveEx::GetVolName(int nDrive, char *pVolName)
{
    if (pVolName == nullptr)
        return 0;
    char label[kLabelSize];
    if (!QueryLabel(nDrive, label))
        return 0;
    std::memcpy(pVolName, label, std::strlen(label) + 1);
    return 1;
}

int CDriveEx::IsDiskPresent(int nDrive, int /*nUnused*/)
{
    char label[kLabelSize];
    return QueryLabel(nDrive, label) ? 1 : 0;
}

int CDriveEx::IsCompressed(int nDrive)
{
    const RootPath root = UncheckedRoot(nDrive);
    DWORD flags = 0;
    if (!QuietVolumeInformation(root.text, nullptr, 0, &flags))
        return 0;
    return static_cast<int>(flags & FS_VOL_IS_COMPRESSED);
}

int CDriveEx::GetLargeDiskSize2GB_inByte(int nDrive, const char *strPath,
                                         unsigned long long *pTotalBytes,
                                         unsigned long long *pTotalFreeBytes,
                                         unsigned long long *pFreeBytesAvailable)
{
    if (pTotalBytes != nullptr)
        *pTotalBytes = 0;
    if (pTotalFreeBytes != nullptr)
        *pTotalFreeBytes = 0;
    if (pFreeBytesAvailable != nullptr)
        *pFreeBytesAvailable = 0;

    RootPath driveRoot = RootOf('A');
    const char *root = nullptr;
    if (Is_0_25(nDrive)) {
        driveRoot = RootOf(static_cast<char>('A' + nDrive));
        root = driveRoot.text;
    } else if (strPath != nullptr && strPath[0] != '\0') {
        char dir[BRENVIK_MAX_PATH], filename[BRENVIK_MAX_PATH], ext[BRENVIK_MAX_PATH];
        if (!ChkFullPath_s(strPath, 1, 0, 0, dir, filename, ext, nullptr))
            return 0;
        root = strPath;
    } else {
        return 0;
    }

    uint64_t total = 0, totalFree = 0, callerFree = 0;
    const FARPROC proc =
        sys().GetProcAddress(sys().GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA");
    if (proc != nullptr) {
        // Through void (*)(), the type every function pointer converts to cleanly.
        const auto query = reinterpret_cast<PFN_GetDiskFreeSpaceExA>(
            reinterpret_cast<void (*)()>(proc));
        ULARGE_INTEGER available, all, free;
        available.QuadPart = all.QuadPart = free.QuadPart = 0;
        if (!query(root, &available, &all, &free))
            return 0;
        total = all.QuadPart;
        totalFree = free.QuadPart;
        callerFree = available.QuadPart;
    } else {
        DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
        if (!sys().GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                     &totalClusters))
            return 0;
        total = static_cast<uint64_t>(totalClusters) * sectorsPerCluster * bytesPerSector;
        totalFree = static_cast<uint64_t>(freeClusters) * sectorsPerCluster * bytesPerSector;
        callerFree = totalFree;
    }

    if (pTotalBytes != nullptr)
        *pTotalBytes = total;
    if (pTotalFreeBytes != nullptr)
        *pTotalFreeBytes = totalFree;
    if (pFreeBytesAvailable != nullptr)
        *pFreeBytesAvailable = callerFree;
    return 1;
}

int CDriveEx::GetLargeDiskSize2GB_inKB(int nDrive, const char *strPath, unsigned long *pTotalKB,
                                       unsigned long *pTotalFreeKB,
                                       unsigned long *pFreeAvailableKB)
{
    unsigned long long total = 0, totalFree = 0, callerFree = 0;
    if (!GetLargeDiskSize2GB_inByte(nDrive, strPath, &total, &totalFree, &callerFree))
        return 0;
    // Kilobytes rounded down, kept to 32 bits.
    if (pTotalKB != nullptr)
        *pTotalKB = static_cast<uint32_t>(total >> 10);
    if (pTotalFreeKB != nullptr)
        *pTotalFreeKB = static_cast<uint32_t>(totalFree >> 10);
    if (pFreeAvailableKB != nullptr)
        *pFreeAvailableKB = static_cast<uint32_t>(callerFree >> 10);
    return 1;
}
