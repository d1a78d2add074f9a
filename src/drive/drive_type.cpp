// Drive numbers and letters, drive types and drive masks. Nothing is
// cached and nothing allocates: every question goes to the platform.
#include <brenvik/brenvik.h>

#include "platform/services.h"
#include "platform/win32_types.h"

using brenvik::platform::sys;

int CDriveEx::InRange(int nValue, int nLow, int nHigh)
{
    return (nLow <= nHigh && nValue >= nLow && nValue <= nHigh) ? 1 : 0;
}

int CDriveEx::Is_0_25(int nValue)
{
    return InRange(nValue, 0, 25);
}

int CDriveEx::Drv_Int2Letter(int nDrive, char *pLetter)
{
    if (!Is_0_25(nDrive))
        return 0;
    if (pLetter != nullptr)
        *pLetter = static_cast<char>('A' + nDrive);
    return 1;
}

int CDriveEx::Drv_Char2Int(char cLetter, int *pDrive)
{
    // tolower of the "C" locale, whatever locale the host has set (a
    // Turkish one would fold 'I' out of the alphabet). The byte is taken
    // unsigned, so that one above 0x7F is never a negative number.
    int lower = static_cast<unsigned char>(cLetter);
    if (lower >= 'A' && lower <= 'Z')
        lower += 'a' - 'A';
    if (lower < 'a' || lower > 'z')
        return 0;
    if (pDrive != nullptr)
        *pDrive = lower - 'a';
    return 1;
}

int CDriveEx::Drv_Letter2Int(const char *strLetter, int *pDrive)
{
    if (strLetter == nullptr || strLetter[0] == '\0')
        return 0;
    return Drv_Char2Int(strLetter[0], pDrive);
}

unsigned int CDriveEx::GetDriveType_Ex(const char *strRootPath)
{
    UINT type = sys().GetDriveTypeA(strRootPath);
    if (type == DRIVE_NO_ROOT_DIR) {
        // A remembered connection that is not connected now still makes a
        // network drive.
        char remote[BRENVIK_MAX_PATH];
        remote[0] = '\0';
        DWORD length = sizeof remote;
        if (sys().WNetGetConnectionA(strRootPath, remote, &length) == ERROR_CONNECTION_UNAVAIL)
            type = DRIVE_REMOTE;
    }
    return type;
}

int CDriveEx::IsDrvType_pri(int nDrive, unsigned int nType)
{
    if (!Is_0_25(nDrive))
        return 0;
    const char root[4] = {static_cast<char>('A' + nDrive), ':', '\\', '\0'};
    return GetDriveType_Ex(root) == nType ? 1 : 0;
}

int CDriveEx::GetAllLst_pri(unsigned long *pDrvMask, unsigned int nType)
{
    if (pDrvMask == nullptr)
        return 0;
    *pDrvMask = 0;
    for (int drive = 0; drive <= 25; ++drive) {
        if (IsDrvType_pri(drive, nType))
            *pDrvMask |= 1UL << drive;
    }
    return 1;
}

int CDriveEx::IsCdDrive(int nDrive)
{
    return IsDrvType_pri(nDrive, DRIVE_CDROM);
}

int CDriveEx::IsRemovableDrive(int nDrive)
{
    return IsDrvType_pri(nDrive, DRIVE_REMOVABLE);
}

int CDriveEx::IsRamDrive(int nDrive)
{
    return IsDrvType_pri(nDrive, DRIVE_RAMDISK);
}

int CDriveEx::IsNetworkDrive(int nDrive)
{
    return IsDrvType_pri(nDrive, DRIVE_REMOTE);
}

int CDriveEx::IsLocalHDDrive(int nDrive)
{
    return IsDrvType_pri(nDrive, DRIVE_FIXED);
}

int CDriveEx::GetCdDrvLst(unsigned long *pDrvMask)
{
    return GetAllLst_pri(pDrvMask, DRIVE_CDROM);
}

int CDriveEx::GetRemovableDrvLst(unsigned long *pDrvMask)
{
    return GetAllLst_pri(pDrvMask, DRIVE_REMOVABLE);
}

int CDriveEx::GetRamDrvLst(unsigned long *pDrvMask)
{
    return GetAllLst_pri(pDrvMask, DRIVE_RAMDISK);
}

int CDriveEx::GetNetworkDrvLst(unsigned long *pDrvMask)
{
    return GetAllLst_pri(pDrvMask, DRIVE_REMOTE);
}

int CDriveEx::GetLocalHDDrvLst(unsigned long *pDrvMask)
{
    return GetAllLst_pri(pDrvMask, DRIVE_FIXED);
}
