// What kind of disc is in a drive, from what the file system shows: a
// directory that marks the format, or the volume label. No sector is read.
#include <brenvik/brenvik.h>

#include <cstddef>

#include "platform/afx/afx.h"
#include "platform/crt/crt.h"

namespace {

// "X:\" + name, for a drive number already known to be 0..25.
template <std::size_t N>
int RootHasDirectory(int nDrive, const char (&name)[N])
{
    char path[3 + N];
    path[0] = static_cast<char>('A' + nDrive);
    path[1] = ':';
    path[2] = '\\';
    for (std::size_t i = 0; i < N; ++i)
        path[3 + i] = name[i];
    return CDriveEx::IsDir(path, nullptr);
}

}  // namespace

int CDriveEx::IsVideoCD(int nDrive)
{
    if (!Is_0_25(nDrive))
        return 0;
    return RootHasDirectory(nDrive, "mpegav");
}

int CDriveEx::IsPhotoCD(int nDrive)
{
    if (!Is_0_25(nDrive))
        return 0;
    return RootHasDirectory(nDrive, "photo_cd");
}

int CDriveEx::IsAudioCD(int nDrive)
{
    char label[100];
    if (!GetVolName(nDrive, label))
        return 0;
    return brenvik::crt::_mbsicmp(reinterpret_cast<const unsigned char *>(label),
                                  reinterpret_cast<const unsigned char *>("EMZ3_DVD")) == 0
               ? 1
               : 0;
}

int CDriveEx::IsDVD(int /*nDrive*/)
{
    // Not offered here; the box names what to call instead.
    AfxMessageBox("NA: CVcd::IsDvd() instead", 0, 0);
    return 0;
}
