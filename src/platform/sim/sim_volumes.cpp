// Drive and volume queries, network connections, and the by-name lookup of
// the extended free-space query.
#include <cstring>

#include "platform/sim/sim_state.h"

namespace brenvik {
namespace sim {

namespace {

// "X:" or "X:\" (either separator): the drive letter, else 0.
char RootLetter(const std::string &s)
{
    if ((s.size() == 2 || (s.size() == 3 && IsSep(s[2]))) && IsLetter(s[0]) && s[1] == ':')
        return Upper(s[0]);
    return 0;
}

// The root of the current directory, for the calls that take null as "here".
std::string CurrentRoot(const MachineState &s)
{
    PathForm form;
    if (ParsePath(s.cwd, "C:\\", s.acp, false, &form))
        return "C:\\";
    return form.Root();
}

// Counts a free-space query and finds the volume holding its directory (null
// for the current one); null, the error set, when a fault fires or there is
// no such directory.
VolumeEntry *FreeSpaceCall(MachineState &s, const char *service, const char *path)
{
    VolumeEntry *const none = nullptr;
    DWORD e;
    if (s.Enter(service, Str(path), nullptr, &e))
        return Fail(e, none);
    std::string p = path ? Str(path) : CurrentRoot(s);
    Resolved r = s.Resolve(p, true, MachineState::Use::Service);
    if (r.error)
        return Fail(r.error, none);
    if (!r.node)
        return Fail(ERROR_PATH_NOT_FOUND, none);
    if (r.node->kind != Node::Dir)
        return Fail(ERROR_DIRECTORY, none);
    return r.vol;
}

BOOL WINAPI ForwardGetDiskFreeSpaceExA(LPCSTR lpDirectoryName,
                                       PULARGE_INTEGER lpFreeBytesAvailableToCaller,
                                       PULARGE_INTEGER lpTotalNumberOfBytes,
                                       PULARGE_INTEGER lpTotalNumberOfFreeBytes)
{
    platform::Services &services = platform::sys();
    auto *machine = dynamic_cast<Machine *>(&services);
    if (!machine) {
        services.SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    return machine->GetDiskFreeSpaceExA(lpDirectoryName, lpFreeBytesAvailableToCaller,
                                        lpTotalNumberOfBytes, lpTotalNumberOfFreeBytes);
}

// Module handles: the addresses of these bytes.
const char *const kModules[] = {"kernel32", "ws2_32", "mpr", "advapi32", "user32"};
constexpr int kModuleCount = 5;
char g_moduleMarks[kModuleCount + 1];  // the last one is the program itself

HMODULE ModuleHandle(int index)
{
    return reinterpret_cast<HMODULE>(&g_moduleMarks[index]);
}

}  // namespace

UINT Machine::GetDriveTypeA(LPCSTR lpRootPathName)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    if (s.Enter("GetDriveTypeA", Str(lpRootPathName), nullptr, &e))
        return Fail(e, static_cast<UINT>(DRIVE_UNKNOWN));
    std::string path = lpRootPathName ? Str(lpRootPathName) : CurrentRoot(s);
    if (char letter = RootLetter(path)) {
        auto d = s.drives.find(letter);
        if (d != s.drives.end())
            return d->second->config->type();
        auto c = s.connections.find(letter);
        if (c != s.connections.end() && c->second.connected)
            return DRIVE_REMOTE;
        return DRIVE_NO_ROOT_DIR;
    }
    PathForm form;
    if (path.size() > 2 && IsSep(path[0]) && IsSep(path[1]) &&
        ParsePath(path, s.cwd, s.acp, false, &form) == 0 && form.unc && form.parts.empty()) {
        DWORD err = 0;
        if (s.FindVolume(form, MachineState::Use::Builder, &err))
            return DRIVE_REMOTE;
    }
    return DRIVE_NO_ROOT_DIR;
}

BOOL Machine::GetDiskFreeSpaceA(LPCSTR lpRootPathName, LPDWORD lpSectorsPerCluster,
                                LPDWORD lpBytesPerSector, LPDWORD lpNumberOfFreeClusters,
                                LPDWORD lpTotalNumberOfClusters)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    VolumeEntry *v = FreeSpaceCall(s, "GetDiskFreeSpaceA", lpRootPathName);
    if (!v)
        return FALSE;
    const Volume &c = *v->config;
    if (lpSectorsPerCluster)
        *lpSectorsPerCluster = c.sectorsPerCluster_;
    if (lpBytesPerSector)
        *lpBytesPerSector = c.bytesPerSector_;
    if (lpNumberOfFreeClusters)
        *lpNumberOfFreeClusters = c.freeClusters_;
    if (lpTotalNumberOfClusters)
        *lpTotalNumberOfClusters = c.totalClusters_;
    return TRUE;
}

BOOL Machine::GetDiskFreeSpaceExA(LPCSTR lpDirectoryName,
                                  PULARGE_INTEGER lpFreeBytesAvailableToCaller,
                                  PULARGE_INTEGER lpTotalNumberOfBytes,
                                  PULARGE_INTEGER lpTotalNumberOfFreeBytes)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    VolumeEntry *v = FreeSpaceCall(s, "GetDiskFreeSpaceExA", lpDirectoryName);
    if (!v)
        return FALSE;
    const Volume &c = *v->config;
    uint64_t total, free, caller;
    if (c.bytesSet_) {
        total = c.totalBytes_;
        free = c.freeBytes_;
        caller = c.callerFreeBytes_;
    } else {
        uint64_t cluster = static_cast<uint64_t>(c.sectorsPerCluster_) * c.bytesPerSector_;
        total = cluster * c.totalClusters_;
        free = cluster * c.freeClusters_;
        caller = free;
    }
    if (lpFreeBytesAvailableToCaller)
        lpFreeBytesAvailableToCaller->QuadPart = caller;
    if (lpTotalNumberOfBytes)
        lpTotalNumberOfBytes->QuadPart = total;
    if (lpTotalNumberOfFreeBytes)
        lpTotalNumberOfFreeBytes->QuadPart = free;
    return TRUE;
}

BOOL Machine::GetVolumeInformationA(LPCSTR lpRootPathName, LPSTR lpVolumeNameBuffer,
                                    DWORD nVolumeNameSize, LPDWORD lpVolumeSerialNumber,
                                    LPDWORD lpMaximumComponentLength, LPDWORD lpFileSystemFlags,
                                    LPSTR lpFileSystemNameBuffer, DWORD nFileSystemNameSize)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    if (s.Enter("GetVolumeInformationA", Str(lpRootPathName), nullptr, &e))
        return Fail(e, FALSE);
    std::string path = lpRootPathName ? Str(lpRootPathName) : CurrentRoot(s);
    // The root must be given with its closing backslash.
    if (path.empty() || !IsSep(path.back()))
        return Fail(ERROR_INVALID_NAME, FALSE);
    Resolved r = s.Resolve(path, true, MachineState::Use::Service);
    if (r.error)
        return Fail(r.error, FALSE);
    if (!r.root)
        return Fail(r.node ? kErrorDirNotRoot : static_cast<DWORD>(ERROR_PATH_NOT_FOUND), FALSE);
    const Volume &c = *r.vol->config;
    // A buffer too small for its text is refused before anything is written.
    if (lpVolumeNameBuffer && c.label_.size() + 1 > nVolumeNameSize)
        return Fail(kErrorBadLength, FALSE);
    if (lpFileSystemNameBuffer && c.fileSystem_.size() + 1 > nFileSystemNameSize)
        return Fail(kErrorBadLength, FALSE);
    if (lpVolumeNameBuffer)
        std::memcpy(lpVolumeNameBuffer, c.label_.c_str(), c.label_.size() + 1);
    if (lpFileSystemNameBuffer)
        std::memcpy(lpFileSystemNameBuffer, c.fileSystem_.c_str(), c.fileSystem_.size() + 1);
    if (lpVolumeSerialNumber)
        *lpVolumeSerialNumber = c.serial_;
    if (lpMaximumComponentLength)
        *lpMaximumComponentLength = c.maxComponent_;
    if (lpFileSystemFlags)
        *lpFileSystemFlags = c.flags_;
    return TRUE;
}

DWORD Machine::WNetGetConnectionA(LPCSTR lpLocalName, LPSTR lpRemoteName, LPDWORD lpnLength)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    if (s.Enter("WNetGetConnectionA", Str(lpLocalName), nullptr, &e)) {
        SetErr(e);
        return e;
    }
    auto answer = [](DWORD code) {
        if (code != NO_ERROR)
            SetErr(code);
        return code;
    };
    if (!lpLocalName || !lpnLength)
        return answer(ERROR_INVALID_ADDRESS);
    char letter = RootLetter(lpLocalName);
    if (!letter)
        return answer(ERROR_BAD_DEVICE);
    auto c = s.connections.find(letter);
    if (c == s.connections.end())
        return answer(ERROR_NOT_CONNECTED);
    const std::string &remote = c->second.remote;
    DWORD need = static_cast<DWORD>(remote.size() + 1);
    if (!lpRemoteName || *lpnLength < need) {
        *lpnLength = need;
        return answer(ERROR_MORE_DATA);
    }
    std::memcpy(lpRemoteName, remote.c_str(), need);
    return answer(c->second.connected ? static_cast<DWORD>(NO_ERROR)
                                      : static_cast<DWORD>(ERROR_CONNECTION_UNAVAIL));
}

HMODULE Machine::GetModuleHandleA(LPCSTR lpModuleName)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    if (s.Enter("GetModuleHandleA", Str(lpModuleName), nullptr, &e))
        return Fail(e, static_cast<HMODULE>(nullptr));
    if (!lpModuleName)
        return ModuleHandle(kModuleCount);
    std::string name = lpModuleName;
    std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name = name.substr(slash + 1);
    std::string folded = Fold(name, 1252);
    if (folded.size() > 4 && folded.compare(folded.size() - 4, 4, ".DLL") == 0)
        folded.resize(folded.size() - 4);
    for (int i = 0; i < kModuleCount; ++i)
        if (folded == Fold(kModules[i], 1252))
            return ModuleHandle(i);
    return Fail(ERROR_MOD_NOT_FOUND, static_cast<HMODULE>(nullptr));
}

FARPROC Machine::GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    // A "name" below 0x10000 is an ordinal.
    const bool byName = reinterpret_cast<std::uintptr_t>(lpProcName) >= 0x10000;
    DWORD e;
    if (s.Enter("GetProcAddress", byName ? Str(lpProcName) : std::string(), nullptr, &e))
        return Fail(e, static_cast<FARPROC>(nullptr));
    bool known = false;
    for (int i = 0; i <= kModuleCount; ++i)
        if (hModule == ModuleHandle(i))
            known = true;
    if (!known)
        return Fail(ERROR_MOD_NOT_FOUND, static_cast<FARPROC>(nullptr));
    if (hModule == ModuleHandle(0) && byName && s.freeSpaceEx &&
        std::strcmp(lpProcName, "GetDiskFreeSpaceExA") == 0) {
        // Through void (*)() so that the compiler accepts the change of type.
        auto generic = reinterpret_cast<void (*)()>(&ForwardGetDiskFreeSpaceExA);
        return reinterpret_cast<FARPROC>(generic);
    }
    return Fail(ERROR_PROC_NOT_FOUND, static_cast<FARPROC>(nullptr));
}

}  // namespace sim
}  // namespace brenvik
