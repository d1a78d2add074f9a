#include "support/hook_services.h"

namespace brenvik {
namespace test {

HookServices::HookServices(platform::Services &inner) : inner_(inner) {}

void HookServices::FailCall(int k, DWORD error)
{
    countdown_ = k;
    failError_ = error;
}

const HookedCall *HookServices::Injected() const
{
    return injectedIndex_ >= 0 ? &calls_[static_cast<std::size_t>(injectedIndex_)] : nullptr;
}

void HookServices::ClearCalls()
{
    calls_.clear();
    injectedIndex_ = -1;
}

int HookServices::CountCalls(const std::string &name, const std::string &path) const
{
    int n = 0;
    for (const HookedCall &call : calls_) {
        if (call.name == name && (path.empty() || call.path == path))
            ++n;
    }
    return n;
}

DWORD HookServices::Enter(const char *name, const char *path)
{
    HookedCall call;
    call.name = name;
    call.path = path ? path : "";
    DWORD error = before ? before(call) : 0;
    if (error == 0 && countdown_ > 0 && --countdown_ == 0)
        error = failError_;
    call.injected = error != 0;
    calls_.push_back(call);
    if (error != 0)
        injectedIndex_ = static_cast<int>(calls_.size() - 1);
    return error;
}

void HookServices::Fail(DWORD error)
{
    inner_.SetLastError(error);
}

DWORD HookServices::GetLastError()
{
    return inner_.GetLastError();
}

void HookServices::SetLastError(DWORD dwErrCode)
{
    inner_.SetLastError(dwErrCode);
}

HANDLE HookServices::CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                 LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                                 DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                                 HANDLE hTemplateFile)
{
    if (DWORD e = Enter("CreateFileA", lpFileName)) {
        Fail(e);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE h = inner_.CreateFileA(lpFileName, dwDesiredAccess, dwShareMode, lpSecurityAttributes,
                                  dwCreationDisposition, dwFlagsAndAttributes, hTemplateFile);
    if (h != INVALID_HANDLE_VALUE)
        files_.insert(h);
    return h;
}

BOOL HookServices::CloseHandle(HANDLE hObject)
{
    DWORD e = Enter("CloseHandle", nullptr);
    BOOL ok = inner_.CloseHandle(hObject);
    if (ok)
        files_.erase(hObject);
    if (e) {
        Fail(e);
        return FALSE;
    }
    return ok;
}

BOOL HookServices::ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                            LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped)
{
    if (DWORD e = Enter("ReadFile", nullptr)) {
        if (lpNumberOfBytesRead)
            *lpNumberOfBytesRead = 0;
        Fail(e);
        return FALSE;
    }
    return inner_.ReadFile(hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead,
                           lpOverlapped);
}

BOOL HookServices::WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                             LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped)
{
    if (DWORD e = Enter("WriteFile", nullptr)) {
        if (lpNumberOfBytesWritten)
            *lpNumberOfBytesWritten = 0;
        Fail(e);
        return FALSE;
    }
    return inner_.WriteFile(hFile, lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten,
                            lpOverlapped);
}

DWORD HookServices::SetFilePointer(HANDLE hFile, LONG lDistanceToMove,
                                   PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod)
{
    if (DWORD e = Enter("SetFilePointer", nullptr)) {
        Fail(e);
        return INVALID_SET_FILE_POINTER;
    }
    return inner_.SetFilePointer(hFile, lDistanceToMove, lpDistanceToMoveHigh, dwMoveMethod);
}

DWORD HookServices::GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh)
{
    if (DWORD e = Enter("GetFileSize", nullptr)) {
        Fail(e);
        return INVALID_FILE_SIZE;
    }
    return inner_.GetFileSize(hFile, lpFileSizeHigh);
}

BOOL HookServices::DeleteFileA(LPCSTR lpFileName)
{
    if (DWORD e = Enter("DeleteFileA", lpFileName)) {
        Fail(e);
        return FALSE;
    }
    return inner_.DeleteFileA(lpFileName);
}

BOOL HookServices::MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName)
{
    if (DWORD e = Enter("MoveFileA", lpExistingFileName)) {
        Fail(e);
        return FALSE;
    }
    return inner_.MoveFileA(lpExistingFileName, lpNewFileName);
}

DWORD HookServices::GetFileAttributesA(LPCSTR lpFileName)
{
    if (DWORD e = Enter("GetFileAttributesA", lpFileName)) {
        Fail(e);
        return INVALID_FILE_ATTRIBUTES;
    }
    return inner_.GetFileAttributesA(lpFileName);
}

BOOL HookServices::GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId,
                                        LPVOID lpFileInformation)
{
    if (DWORD e = Enter("GetFileAttributesExA", lpFileName)) {
        Fail(e);
        return FALSE;
    }
    return inner_.GetFileAttributesExA(lpFileName, fInfoLevelId, lpFileInformation);
}

BOOL HookServices::SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes)
{
    if (DWORD e = Enter("SetFileAttributesA", lpFileName)) {
        Fail(e);
        return FALSE;
    }
    return inner_.SetFileAttributesA(lpFileName, dwFileAttributes);
}

BOOL HookServices::CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes)
{
    if (DWORD e = Enter("CreateDirectoryA", lpPathName)) {
        Fail(e);
        return FALSE;
    }
    return inner_.CreateDirectoryA(lpPathName, lpSecurityAttributes);
}

BOOL HookServices::RemoveDirectoryA(LPCSTR lpPathName)
{
    if (DWORD e = Enter("RemoveDirectoryA", lpPathName)) {
        Fail(e);
        return FALSE;
    }
    return inner_.RemoveDirectoryA(lpPathName);
}

HANDLE HookServices::FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData)
{
    if (DWORD e = Enter("FindFirstFileA", lpFileName)) {
        Fail(e);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE h = inner_.FindFirstFileA(lpFileName, lpFindFileData);
    if (h != INVALID_HANDLE_VALUE)
        finds_.insert(h);
    return h;
}

BOOL HookServices::FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData)
{
    if (DWORD e = Enter("FindNextFileA", nullptr)) {
        // The entry the call would have brought is lost, as when the listing
        // breaks off; see whether there was one.
        WIN32_FIND_DATAA scratch;
        calls_.back().lostNothing = !inner_.FindNextFileA(hFindFile, &scratch);
        Fail(e);
        return FALSE;
    }
    return inner_.FindNextFileA(hFindFile, lpFindFileData);
}

BOOL HookServices::FindClose(HANDLE hFindFile)
{
    DWORD e = Enter("FindClose", nullptr);
    BOOL ok = inner_.FindClose(hFindFile);
    if (ok)
        finds_.erase(hFindFile);
    if (e) {
        Fail(e);
        return FALSE;
    }
    return ok;
}

// ---- Passed on untouched --------------------------------------------------------

UINT HookServices::GetDriveTypeA(LPCSTR lpRootPathName)
{
    return inner_.GetDriveTypeA(lpRootPathName);
}

BOOL HookServices::GetDiskFreeSpaceA(LPCSTR lpRootPathName, LPDWORD lpSectorsPerCluster,
                                     LPDWORD lpBytesPerSector, LPDWORD lpNumberOfFreeClusters,
                                     LPDWORD lpTotalNumberOfClusters)
{
    return inner_.GetDiskFreeSpaceA(lpRootPathName, lpSectorsPerCluster, lpBytesPerSector,
                                    lpNumberOfFreeClusters, lpTotalNumberOfClusters);
}

BOOL HookServices::GetVolumeInformationA(LPCSTR lpRootPathName, LPSTR lpVolumeNameBuffer,
                                         DWORD nVolumeNameSize, LPDWORD lpVolumeSerialNumber,
                                         LPDWORD lpMaximumComponentLength,
                                         LPDWORD lpFileSystemFlags, LPSTR lpFileSystemNameBuffer,
                                         DWORD nFileSystemNameSize)
{
    return inner_.GetVolumeInformationA(lpRootPathName, lpVolumeNameBuffer, nVolumeNameSize,
                                        lpVolumeSerialNumber, lpMaximumComponentLength,
                                        lpFileSystemFlags, lpFileSystemNameBuffer,
                                        nFileSystemNameSize);
}

UINT HookServices::SetErrorMode(UINT uMode)
{
    return inner_.SetErrorMode(uMode);
}

HMODULE HookServices::GetModuleHandleA(LPCSTR lpModuleName)
{
    return inner_.GetModuleHandleA(lpModuleName);
}

FARPROC HookServices::GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    return inner_.GetProcAddress(hModule, lpProcName);
}

DWORD HookServices::GetTickCount()
{
    return tickCount ? tickCount() : inner_.GetTickCount();
}

DWORD HookServices::GetCurrentProcessId()
{
    return inner_.GetCurrentProcessId();
}

UINT HookServices::GetACP()
{
    return inner_.GetACP();
}

void HookServices::OutputDebugStringA(LPCSTR lpOutputString)
{
    inner_.OutputDebugStringA(lpOutputString);
}

DWORD HookServices::WNetGetConnectionA(LPCSTR lpLocalName, LPSTR lpRemoteName, LPDWORD lpnLength)
{
    return inner_.WNetGetConnectionA(lpLocalName, lpRemoteName, lpnLength);
}

LONG HookServices::RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    return inner_.RegOpenKeyA(hKey, lpSubKey, phkResult);
}

LONG HookServices::RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved,
                                    LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    return inner_.RegQueryValueExA(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
}

LONG HookServices::RegCloseKey(HKEY hKey)
{
    return inner_.RegCloseKey(hKey);
}

int HookServices::MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    boxes.push_back(Box{lpText ? lpText : "", lpCaption ? lpCaption : "", uType});
    return IDOK;
}

void HookServices::PostQuitMessage(int nExitCode)
{
    inner_.PostQuitMessage(nExitCode);
}

int HookServices::WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData)
{
    return inner_.WSAStartup(wVersionRequested, lpWSAData);
}

int HookServices::WSACleanup()
{
    return inner_.WSACleanup();
}

int HookServices::WSAGetLastError()
{
    return inner_.WSAGetLastError();
}

struct hostent *HookServices::gethostbyname(const char *name)
{
    return inner_.gethostbyname(name);
}

unsigned long HookServices::inet_addr(const char *cp)
{
    return inner_.inet_addr(cp);
}

char *HookServices::inet_ntoa(struct in_addr in)
{
    return inner_.inet_ntoa(in);
}

SOCKET HookServices::socket(int af, int type, int protocol)
{
    return inner_.socket(af, type, protocol);
}

int HookServices::setsockopt(SOCKET s, int level, int optname, const char *optval, int optlen)
{
    return inner_.setsockopt(s, level, optname, optval, optlen);
}

int HookServices::sendto(SOCKET s, const char *buf, int len, int flags, const struct sockaddr *to,
                         int tolen)
{
    return inner_.sendto(s, buf, len, flags, to, tolen);
}

int HookServices::recvfrom(SOCKET s, char *buf, int len, int flags, struct sockaddr *from,
                           int *fromlen)
{
    return inner_.recvfrom(s, buf, len, flags, from, fromlen);
}

int HookServices::closesocket(SOCKET s)
{
    return inner_.closesocket(s);
}

}  // namespace test
}  // namespace brenvik
