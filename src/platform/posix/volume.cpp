// Drive types, free space and volume information.
//
// Free space in the classic clusters-and-sectors form: a sector is 512
// bytes (2048 on a CD drive), a cluster is the file system's fragment size
// (at least one sector), and cluster counts are clamped to 32 bits as
// Windows clamps them for very large volumes. The extended query reports
// bytes: available to the caller (f_bavail), total, and free (f_bfree).
//
// Volume information: the label is the drive's "Label" in the registry,
// else the label the system knows for the mounted device (under
// /dev/disk/by-label), else empty. The serial number comes from the file
// system id, the name from the file system's type ("NTFS", "FAT32", "CDFS",
// "UDF", "exFAT" where Windows has a name for it, else the host's name such
// as "ext4" or "tmpfs"). Names match without case here, so the flags say
// FS_CASE_IS_PRESERVED but never FS_CASE_SENSITIVE.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/crt/crt.h"
#include "platform/posix/errors.h"
#include "platform/posix/path_map.h"
#include "platform/posix/posix_backend.h"
#include "platform/posix/registry_store.h"

namespace brenvik {
namespace platform {
namespace posix {

namespace {

constexpr DWORD kFileReadOnlyVolume = 0x00080000u;  // FILE_READ_ONLY_VOLUME
constexpr DWORD kMaxComponentLength = 255;

std::atomic<UINT> g_errorMode{0};

bool IsSep(char c)
{
    return c == '\\' || c == '/';
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int DriveIndex(char c)
{
    return (c | 0x20) - 'a';
}

bool IsDirectory(const char *path)
{
    struct stat st;
    return path[0] != '\0' && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// "\\srv\shr" or "\\srv\shr\": the share's configuration, else null; *rootForm
// tells whether nothing follows the share but one separator.
const ShareConfig *UncShare(const RegistryConfig &config, const char *path, bool *rootForm)
{
    if (!IsSep(path[0]) || !IsSep(path[1]))
        return nullptr;
    const char *server = path + 2;
    const char *p = server;
    while (*p && !IsSep(*p))
        ++p;
    if (p == server || *p == '\0')
        return nullptr;
    const char *share = ++p;
    while (*p && !IsSep(*p))
        ++p;
    if (p == share)
        return nullptr;
    const char *rest = p;
    *rootForm = rest[0] == '\0' || (IsSep(rest[0]) && rest[1] == '\0');
    return config.FindShare(std::string_view(server, static_cast<std::size_t>(share - 1 - server)),
                            std::string_view(share, static_cast<std::size_t>(rest - share)));
}

UINT TypeOfDrive(const RegistryConfig &config, int drive)
{
    const DriveConfig &d = config.drives[drive];
    if (d.configured)
        return d.type;  // with or without its medium
    const char *root = nullptr;
    if (DriveRootPath(config, drive, &root) && IsDirectory(root))
        return DRIVE_REMOTE;
    return DRIVE_NO_ROOT_DIR;
}

enum class VolumeForm {
    kRootOnly,     // "X:\" or "\\srv\shr\" (the volume information)
    kAnyDirectory  // also "X:" and any directory on the volume (free space)
};

// The host directory that a volume query asks about, in path.
DWORD VolumeDirectory(const RegistryConfig &config, const char *name, VolumeForm form,
                      MappedPath *path)
{
    if (name == nullptr)
        name = "C:\\";  // the host's current directory lies on no drive; C: stands in
    if (form == VolumeForm::kRootOnly) {
        const std::size_t n = std::strlen(name);
        if (n == 0 || !IsSep(name[n - 1]))
            return ERROR_INVALID_NAME;
    }
    if (DWORD err = MapPath(config, name, kMapDefault, path))
        return err;
    if (path->kind == RootKind::kRelative || path->kind == RootKind::kHostRoot)
        return form == VolumeForm::kRootOnly ? kErrorDirNotRoot : ERROR_PATH_NOT_FOUND;
    if (form == VolumeForm::kRootOnly && !path->isRoot)
        return kErrorDirNotRoot;
    Resolve(path);
    if (path->lookup != Lookup::kExists)
        return MissingError(*path);
    if (!S_ISDIR(path->st.st_mode)) {
        struct stat st;
        if (::stat(path->c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return ERROR_DIRECTORY;
    }
    return 0;
}

uint32_t Clamp32(uint64_t v)
{
    return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
}

const char *FileSystemName(const struct statfs &fs)
{
    static const struct {
        unsigned long type;
        const char *name;
    } kNames[] = {
        {0x5346544e, "NTFS"},  {0x4d44, "FAT32"},     {0x2011BAB0, "exFAT"},
        {0x9660, "CDFS"},      {0x15013346, "UDF"},   {0xEF53, "ext4"},
        {0x01021994, "tmpfs"}, {0x9123683E, "btrfs"}, {0x58465342, "xfs"},
        {0x2FC12FC1, "zfs"},   {0x6969, "NFS"},       {0xFF534D42, "CIFS"},
        {0xFE534D42, "SMB2"},  {0x794c7630, "overlay"}, {0x65735546, "fuse"},
        {0x73717368, "squashfs"}, {0x01021997, "9p"},
    };
    for (const auto &n : kNames)
        if (static_cast<unsigned long>(fs.f_type) == n.type)
            return n.name;
    return "unknown";
}

// The label that /dev/disk/by-label gives the block device dev, decoded
// ("\x20" is a space); false when the system knows none.
bool LabelOfDevice(dev_t dev, char *out, std::size_t size)
{
    const char *dirName = "/dev/disk/by-label";
    DIR *dir = ::opendir(dirName);
    if (dir == nullptr)
        return false;
    bool found = false;
    while (struct dirent *e = ::readdir(dir)) {
        if (e->d_name[0] == '.')
            continue;
        char path[512];
        const int length = std::snprintf(path, sizeof path, "%s/%s", dirName, e->d_name);
        if (length < 0 || static_cast<std::size_t>(length) >= sizeof path)
            continue;
        struct stat st;
        if (::stat(path, &st) != 0 || !S_ISBLK(st.st_mode) || st.st_rdev != dev)
            continue;
        std::size_t n = 0;
        for (const char *p = e->d_name; *p && n + 1 < size; ++p) {
            // udev writes a byte it escapes as \x and exactly two hex digits.
            const int high = p[0] == '\\' && p[1] == 'x' ? crt::HexDigit(p[2]) : -1;
            const int low = high >= 0 ? crt::HexDigit(p[3]) : -1;
            if (low >= 0) {
                out[n++] = static_cast<char>(high * 16 + low);
                p += 3;
            } else {
                out[n++] = *p;
            }
        }
        out[n] = '\0';
        found = true;
        break;
    }
    ::closedir(dir);
    return found;
}

// Copies text into a caller's buffer of size bytes; false when it does not fit.
bool CopyOut(const char *text, LPSTR buffer, DWORD size)
{
    if (buffer == nullptr)
        return true;
    const std::size_t n = std::strlen(text);
    if (n + 1 > size)
        return false;
    std::memcpy(buffer, text, n + 1);
    return true;
}

BOOL WINAPI GetDiskFreeSpaceExEntry(LPCSTR lpDirectoryName,
                                    PULARGE_INTEGER lpFreeBytesAvailableToCaller,
                                    PULARGE_INTEGER lpTotalNumberOfBytes,
                                    PULARGE_INTEGER lpTotalNumberOfFreeBytes)
{
    return Backend().GetDiskFreeSpaceExA(lpDirectoryName, lpFreeBytesAvailableToCaller,
                                         lpTotalNumberOfBytes, lpTotalNumberOfFreeBytes);
}

// What GetModuleHandleA hands out; only their addresses matter.
char g_kernel32Module;
char g_mainModule;

}  // namespace

UINT PosixBackend::GetDriveTypeA(LPCSTR lpRootPathName)
{
    auto config = CurrentRegistry();
    const char *p = lpRootPathName;
    if (p == nullptr)
        return TypeOfDrive(*config, 2);  // as for the volume queries: C: stands in
    if (IsLetter(p[0]) && p[1] == ':' && (p[2] == '\0' || (IsSep(p[2]) && p[3] == '\0')))
        return TypeOfDrive(*config, DriveIndex(p[0]));
    bool rootForm = false;
    if (const ShareConfig *share = UncShare(*config, p, &rootForm))
        if (rootForm && IsDirectory(share->path.c_str()))
            return DRIVE_REMOTE;
    // Any other directory is not the root of a volume.
    return DRIVE_NO_ROOT_DIR;
}

BOOL PosixBackend::GetDiskFreeSpaceA(LPCSTR lpRootPathName, LPDWORD lpSectorsPerCluster,
                                     LPDWORD lpBytesPerSector, LPDWORD lpNumberOfFreeClusters,
                                     LPDWORD lpTotalNumberOfClusters)
{
    auto config = CurrentRegistry();
    MappedPath path;
    if (DWORD err = VolumeDirectory(*config, lpRootPathName, VolumeForm::kAnyDirectory, &path))
        return Fail(err, FALSE);
    struct statvfs vfs;
    if (::statvfs(path.c_str(), &vfs) != 0)
        return Fail(Win32FromErrno(errno), FALSE);
    const bool cd = path.kind == RootKind::kDrive &&
                    config->drives[path.drive].configured &&
                    config->drives[path.drive].type == DRIVE_CDROM;
    const uint64_t bytesPerSector = cd ? 2048 : 512;
    const uint64_t fragment = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    uint64_t sectorsPerCluster = fragment / bytesPerSector;
    if (sectorsPerCluster == 0)
        sectorsPerCluster = 1;
    const uint64_t cluster = sectorsPerCluster * bytesPerSector;
    if (lpSectorsPerCluster)
        *lpSectorsPerCluster = static_cast<DWORD>(sectorsPerCluster);
    if (lpBytesPerSector)
        *lpBytesPerSector = static_cast<DWORD>(bytesPerSector);
    if (lpNumberOfFreeClusters)
        *lpNumberOfFreeClusters = Clamp32(static_cast<uint64_t>(vfs.f_bavail) * fragment / cluster);
    if (lpTotalNumberOfClusters)
        *lpTotalNumberOfClusters = Clamp32(static_cast<uint64_t>(vfs.f_blocks) * fragment / cluster);
    return TRUE;
}

BOOL PosixBackend::GetDiskFreeSpaceExA(LPCSTR lpDirectoryName,
                                       PULARGE_INTEGER lpFreeBytesAvailableToCaller,
                                       PULARGE_INTEGER lpTotalNumberOfBytes,
                                       PULARGE_INTEGER lpTotalNumberOfFreeBytes)
{
    auto config = CurrentRegistry();
    MappedPath path;
    if (DWORD err = VolumeDirectory(*config, lpDirectoryName, VolumeForm::kAnyDirectory, &path))
        return Fail(err, FALSE);
    struct statvfs vfs;
    if (::statvfs(path.c_str(), &vfs) != 0)
        return Fail(Win32FromErrno(errno), FALSE);
    const uint64_t fragment = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    if (lpFreeBytesAvailableToCaller)
        lpFreeBytesAvailableToCaller->QuadPart = static_cast<uint64_t>(vfs.f_bavail) * fragment;
    if (lpTotalNumberOfBytes)
        lpTotalNumberOfBytes->QuadPart = static_cast<uint64_t>(vfs.f_blocks) * fragment;
    if (lpTotalNumberOfFreeBytes)
        lpTotalNumberOfFreeBytes->QuadPart = static_cast<uint64_t>(vfs.f_bfree) * fragment;
    return TRUE;
}

BOOL PosixBackend::GetVolumeInformationA(LPCSTR lpRootPathName, LPSTR lpVolumeNameBuffer,
                                         DWORD nVolumeNameSize, LPDWORD lpVolumeSerialNumber,
                                         LPDWORD lpMaximumComponentLength,
                                         LPDWORD lpFileSystemFlags, LPSTR lpFileSystemNameBuffer,
                                         DWORD nFileSystemNameSize)
{
    auto config = CurrentRegistry();
    MappedPath path;
    if (DWORD err = VolumeDirectory(*config, lpRootPathName, VolumeForm::kRootOnly, &path))
        return Fail(err, FALSE);
    const char *host = path.c_str();
    struct statvfs vfs;
    struct statfs fs;
    struct stat st;
    if (::statvfs(host, &vfs) != 0 || ::statfs(host, &fs) != 0 || ::stat(host, &st) != 0)
        return Fail(Win32FromErrno(errno), FALSE);

    const DriveConfig *drive =
        path.kind == RootKind::kDrive && config->drives[path.drive].configured
            ? &config->drives[path.drive]
            : nullptr;
    char label[256] = "";
    if (drive != nullptr && drive->hasLabel) {
        std::strncpy(label, drive->label.c_str(), sizeof label - 1);
    } else if (lpVolumeNameBuffer != nullptr) {
        LabelOfDevice(st.st_dev, label, sizeof label);
    }
    if (!CopyOut(label, lpVolumeNameBuffer, nVolumeNameSize))
        return Fail(kErrorBadLength, FALSE);
    if (!CopyOut(FileSystemName(fs), lpFileSystemNameBuffer, nFileSystemNameSize))
        return Fail(kErrorBadLength, FALSE);
    if (lpVolumeSerialNumber) {
        uint64_t id = 0;
        std::memcpy(&id, &vfs.f_fsid, sizeof id < sizeof vfs.f_fsid ? sizeof id : sizeof vfs.f_fsid);
        if (id == 0)
            id = static_cast<uint64_t>(st.st_dev);
        *lpVolumeSerialNumber = static_cast<DWORD>(id ^ (id >> 32));
    }
    if (lpMaximumComponentLength)
        *lpMaximumComponentLength = kMaxComponentLength;
    if (lpFileSystemFlags) {
        DWORD flags = FS_CASE_IS_PRESERVED;
        if (drive != nullptr && drive->compressed)
            flags |= FS_VOL_IS_COMPRESSED;
        if (vfs.f_flag & ST_RDONLY)
            flags |= kFileReadOnlyVolume;
        *lpFileSystemFlags = flags;
    }
    return TRUE;
}

UINT PosixBackend::SetErrorMode(UINT uMode)
{
    // Nothing here shows a box; the mode is only kept, process-wide as on Windows.
    return g_errorMode.exchange(uMode);
}

HMODULE PosixBackend::GetModuleHandleA(LPCSTR lpModuleName)
{
    if (lpModuleName == nullptr)
        return &g_mainModule;
    if (EqualsIgnoreCase(lpModuleName, "kernel32.dll") || EqualsIgnoreCase(lpModuleName, "kernel32"))
        return &g_kernel32Module;
    return Fail(ERROR_MOD_NOT_FOUND, static_cast<HMODULE>(nullptr));
}

FARPROC PosixBackend::GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    if (hModule != &g_kernel32Module && hModule != &g_mainModule && hModule != nullptr)
        return Fail(ERROR_MOD_NOT_FOUND, static_cast<FARPROC>(nullptr));
    // Names below 0x10000 are ordinals; none is offered.
    if (reinterpret_cast<uintptr_t>(lpProcName) < 0x10000)
        return Fail(ERROR_PROC_NOT_FOUND, static_cast<FARPROC>(nullptr));
    // Export names match exactly, as on Windows.
    if (hModule == &g_kernel32Module && std::strcmp(lpProcName, "GetDiskFreeSpaceExA") == 0) {
        // Through void (*)(), the type every function pointer converts to cleanly.
        PFN_GetDiskFreeSpaceExA entry = &GetDiskFreeSpaceExEntry;
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(entry));
    }
    return Fail(ERROR_PROC_NOT_FOUND, static_cast<FARPROC>(nullptr));
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik
