// The Win32 backend: every service is the system's own call, unchanged, so
// that results and error codes are exactly those of Windows.
#include "platform/backends.h"

namespace brenvik {
namespace platform {

namespace {

class Win32 final : public Services {
public:
    const char *Name() const override { return "win32"; }

    DWORD GetLastError() override { return ::GetLastError(); }
    void SetLastError(DWORD dwErrCode) override { ::SetLastError(dwErrCode); }

    HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                       LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                       DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) override
    {
        return ::CreateFileA(lpFileName, dwDesiredAccess, dwShareMode, lpSecurityAttributes,
                             dwCreationDisposition, dwFlagsAndAttributes, hTemplateFile);
    }
    BOOL CloseHandle(HANDLE hObject) override { return ::CloseHandle(hObject); }
    BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                  LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) override
    {
        return ::ReadFile(hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead,
                          lpOverlapped);
    }
    BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                   LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) override
    {
        return ::WriteFile(hFile, lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten,
                           lpOverlapped);
    }
    DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                         DWORD dwMoveMethod) override
    {
        return ::SetFilePointer(hFile, lDistanceToMove, lpDistanceToMoveHigh, dwMoveMethod);
    }
    DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) override
    {
        return ::GetFileSize(hFile, lpFileSizeHigh);
    }
    BOOL DeleteFileA(LPCSTR lpFileName) override { return ::DeleteFileA(lpFileName); }
    BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) override
    {
        return ::MoveFileA(lpExistingFileName, lpNewFileName);
    }
    DWORD GetFileAttributesA(LPCSTR lpFileName) override
    {
        return ::GetFileAttributesA(lpFileName);
    }
    BOOL GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId,
                              LPVOID lpFileInformation) override
    {
        return ::GetFileAttributesExA(lpFileName, fInfoLevelId, lpFileInformation);
    }
    BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) override
    {
        return ::SetFileAttributesA(lpFileName, dwFileAttributes);
    }

    BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) override
    {
        return ::CreateDirectoryA(lpPathName, lpSecurityAttributes);
    }
    BOOL RemoveDirectoryA(LPCSTR lpPathName) override { return ::RemoveDirectoryA(lpPathName); }
    HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) override
    {
        return ::FindFirstFileA(lpFileName, lpFindFileData);
    }
    BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) override
    {
        return ::FindNextFileA(hFindFile, lpFindFileData);
    }
    BOOL FindClose(HANDLE hFindFile) override { return ::FindClose(hFindFile); }

    UINT GetDriveTypeA(LPCSTR lpRootPathName) override { return ::GetDriveTypeA(lpRootPathName); }
    BOOL GetDiskFreeSpaceA(LPCSTR lpRootPathName, LPDWORD lpSectorsPerCluster,
                           LPDWORD lpBytesPerSector, LPDWORD lpNumberOfFreeClusters,
                           LPDWORD lpTotalNumberOfClusters) override
    {
        return ::GetDiskFreeSpaceA(lpRootPathName, lpSectorsPerCluster, lpBytesPerSector,
                                   lpNumberOfFreeClusters, lpTotalNumberOfClusters);
    }
    BOOL GetVolumeInformationA(LPCSTR lpRootPathName, LPSTR lpVolumeNameBuffer,
                               DWORD nVolumeNameSize, LPDWORD lpVolumeSerialNumber,
                               LPDWORD lpMaximumComponentLength, LPDWORD lpFileSystemFlags,
                               LPSTR lpFileSystemNameBuffer, DWORD nFileSystemNameSize) override
    {
        return ::GetVolumeInformationA(lpRootPathName, lpVolumeNameBuffer, nVolumeNameSize,
                                       lpVolumeSerialNumber, lpMaximumComponentLength,
                                       lpFileSystemFlags, lpFileSystemNameBuffer,
                                       nFileSystemNameSize);
    }
    UINT SetErrorMode(UINT uMode) override { return ::SetErrorMode(uMode); }

    HMODULE GetModuleHandleA(LPCSTR lpModuleName) override
    {
        return ::GetModuleHandleA(lpModuleName);
    }
    FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) override
    {
        return ::GetProcAddress(hModule, lpProcName);
    }

    DWORD GetTickCount() override { return ::GetTickCount(); }
    DWORD GetCurrentProcessId() override { return ::GetCurrentProcessId(); }
    UINT GetACP() override { return ::GetACP(); }
    void OutputDebugStringA(LPCSTR lpOutputString) override
    {
        ::OutputDebugStringA(lpOutputString);
    }

    DWORD WNetGetConnectionA(LPCSTR lpLocalName, LPSTR lpRemoteName, LPDWORD lpnLength) override
    {
        return ::WNetGetConnectionA(lpLocalName, lpRemoteName, lpnLength);
    }

    LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) override
    {
        return ::RegOpenKeyA(hKey, lpSubKey, phkResult);
    }
    LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                          LPBYTE lpData, LPDWORD lpcbData) override
    {
        return ::RegQueryValueExA(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
    }
    LONG RegCloseKey(HKEY hKey) override { return ::RegCloseKey(hKey); }

    int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) override
    {
        return ::MessageBoxA(hWnd, lpText, lpCaption, uType);
    }
    void PostQuitMessage(int nExitCode) override { ::PostQuitMessage(nExitCode); }

    int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) override
    {
        return ::WSAStartup(wVersionRequested, lpWSAData);
    }
    int WSACleanup() override { return ::WSACleanup(); }
    int WSAGetLastError() override { return ::WSAGetLastError(); }
    struct hostent *gethostbyname(const char *name) override { return ::gethostbyname(name); }
    unsigned long inet_addr(const char *cp) override { return ::inet_addr(cp); }
    char *inet_ntoa(struct in_addr in) override { return ::inet_ntoa(in); }
    SOCKET socket(int af, int type, int protocol) override
    {
        return ::socket(af, type, protocol);
    }
    int setsockopt(SOCKET s, int level, int optname, const char *optval, int optlen) override
    {
        return ::setsockopt(s, level, optname, optval, optlen);
    }
    int sendto(SOCKET s, const char *buf, int len, int flags, const struct sockaddr *to,
               int tolen) override
    {
        return ::sendto(s, buf, len, flags, to, tolen);
    }
    int recvfrom(SOCKET s, char *buf, int len, int flags, struct sockaddr *from,
                 int *fromlen) override
    {
        return ::recvfrom(s, buf, len, flags, from, fromlen);
    }
    int closesocket(SOCKET s) override { return ::closesocket(s); }
};

}  // namespace

Services &Win32Services()
{
    // Never destroyed: the module's detach step and other statics' destructors
    // may still make calls.
    static Win32 *const instance = new Win32;
    return *instance;
}

}  // namespace platform
}  // namespace brenvik
