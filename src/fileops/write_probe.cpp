// Write-access probes: whether a directory can be written, found out by
// creating a file in it.
#include <brenvik/brenvik.h>

#include <cstdint>
#include <cstring>

#include "fileops/util.h"
#include "platform/afx/afx.h"
#include "platform/crt/crt.h"
#include "platform/services.h"

using brenvik::fileops::EndsWithBackslash;
using brenvik::fileops::IsNullOrEmpty;
using brenvik::platform::sys;

namespace {

const char kProbeName[] = "tmp$d123.tmp";
const char kProbeContent[] = "Kavrin Disk: test access right";
// How many other names the probe tries when its own name is taken.
const int kSpareNames = 64;

// True when nothing at all stands under path: not a file, not a directory,
// not a link (dangling or not). Only "not found" counts; an entry that cannot
// be examined counts as taken.
bool NameIsFree(const char *path)
{
    if (sys().GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        return false;
    DWORD error = sys().GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

int CDriveEx::CanWeWriteDir(const char *strDir)
{
    if (IsNullOrEmpty(strDir))
        return 0;
    std::size_t len = std::strlen(strDir);
    if (len < 2)
        return 0;

    CString dir(strDir);
    if (!EndsWithBackslash(strDir, len))
        dir += '\\';

    // Opening the probe for writing truncates whatever has its name, and the
    // probe is deleted afterwards; so a file that already has the name is
    // left alone and the probe runs under the first free one of
    // tmp$d124.tmp, tmp$d125.tmp, ... instead (no free name: not writable).
    // A file made under the chosen name between this check and the opening
    // is not protected: the stream functions have no exclusive creation.
    CString probe = dir + kProbeName;
    for (int spare = 0; !NameIsFree(probe); ++spare) {
        if (spare == kSpareNames)
            return 0;
        char name[32];
        brenvik::crt::Format(name, sizeof name, "tmp$d%d.tmp", 124 + spare);
        probe = dir + name;
    }

    brenvik::crt::CrtFile *stream = brenvik::crt::fopen(probe, "w");
    if (stream == nullptr)
        return 0;
    const std::size_t length = sizeof kProbeContent - 1;
    std::size_t written = brenvik::crt::fwrite(kProbeContent, 1, length, stream);
    brenvik::crt::fclose(stream);
    brenvik::crt::_unlink(probe);
    return written == length ? 1 : 0;
}

int CDriveEx::IsDirWriteable(const char *strDir)
{
    if (IsNullOrEmpty(strDir) || brenvik::crt::MbsChr(strDir, '\\') == nullptr)
        return 0;
    if (!Is_FilePath_DirPath_Valid(strDir))
        return 0;
    // Creates the directory and its missing ancestors; they stay.
    if (!CreateDir_Recursively(strDir))
        return 0;

    // The tick count printed as a signed number: past 2^31 - 1 it has a minus
    // sign. A trailing backslash of strDir gives two in a row, read as one.
    char name[32];
    brenvik::crt::Format(name, sizeof name, "\\temp%d.tmp",
                         static_cast<int>(static_cast<std::int32_t>(sys().GetTickCount())));
    CString probe(strDir);
    probe += name;

    // CREATE_NEW never touches an existing file; delete-on-close removes the
    // probe when the handle goes.
    HANDLE file = sys().CreateFileA(probe, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    sys().CloseHandle(file);
    sys().DeleteFileA(probe);
    return 1;
}

int CDriveEx::CanWeWriteFile(const char *csFilePath)
{
    if (IsNullOrEmpty(csFilePath))
        return 0;
    AfxMessageBox("SORRY: NA now!\nDO NOT INVOKE ME!\n\nBOOL CDriveEx::CanWeWriteFile(CString csFilePath)",
                  MB_OK, 0);
    return 0;
}
