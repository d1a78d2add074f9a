// Whether a path may lie on another machine, from its form and the type of
// its drive alone: nothing here touches the network.
#include <brenvik/brenvik.h>

unsigned long CDriveEx::MaybeNetworkPath(const char *strPath)
{
    if (strPath == nullptr || strPath[0] == '\0' || strPath[1] == '\0')
        return 0;
    if (strPath[0] == '\\' && strPath[1] == '\\')
        return 1;
    // The "C" locale's tolower, whatever locale the host has set.
    int lower = static_cast<unsigned char>(strPath[0]);
    if (lower >= 'A' && lower <= 'Z')
        lower += 'a' - 'A';
    if (lower < 'a' || lower > 'z')
        return 0;
    if (strPath[1] != ':')
        return 0;
    return IsNetworkDrive(lower - 'a') ? 2 : 0;
}
