// The POSIX backend: Windows behaviour emulated on a POSIX host. The member
// functions live in the file of their area (files.cpp, find.cpp, volume.cpp,
// net.cpp, registry_api.cpp, sockets.cpp, debug_output.cpp, process.cpp).
#ifndef BRENVIK_PLATFORM_POSIX_POSIX_BACKEND_H
#define BRENVIK_PLATFORM_POSIX_POSIX_BACKEND_H

#include <memory>

#include "platform/services.h"

namespace brenvik {
namespace platform {
namespace posix {

class PosixBackend final : public Services {
public:
    const char *Name() const override { return "posix"; }

    DWORD GetLastError() override;
    void SetLastError(DWORD dwErrCode) override;

    HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                       LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                       DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) override;
    BOOL CloseHandle(HANDLE hObject) override;
    BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                  LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) override;
    BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                   LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) override;
    DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                         DWORD dwMoveMethod) override;
    DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) override;
    BOOL DeleteFileA(LPCSTR lpFileName) override;
    BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) override;
    DWORD GetFileAttributesA(LPCSTR lpFileName) override;
    BOOL GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId,
                              LPVOID lpFileInformation) override;
    BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) override;

    BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) override;
    BOOL RemoveDirectoryA(LPCSTR lpPathName) override;
    HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) override;
    BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) override;
    BOOL FindClose(HANDLE hFindFile) override;
    BOOL DeleteFileInA(HANDLE hFindFile, LPCSTR lpFileName) override;
    BOOL RemoveDirectoryInA(HANDLE hFindFile, LPCSTR lpPathName) override;
    HANDLE FindFirstFileInA(HANDLE hFindFile, LPCSTR lpFileName,
                            LPWIN32_FIND_DATAA lpFindFileData) override;

    UINT GetDriveTypeA(LPCSTR lpRootPathName) override;
    BOOL GetDiskFreeSpaceA(LPCSTR lpRootPathName, LPDWORD lpSectorsPerCluster,
                           LPDWORD lpBytesPerSector, LPDWORD lpNumberOfFreeClusters,
                           LPDWORD lpTotalNumberOfClusters) override;
    BOOL GetVolumeInformationA(LPCSTR lpRootPathName, LPSTR lpVolumeNameBuffer,
                               DWORD nVolumeNameSize, LPDWORD lpVolumeSerialNumber,
                               LPDWORD lpMaximumComponentLength, LPDWORD lpFileSystemFlags,
                               LPSTR lpFileSystemNameBuffer, DWORD nFileSystemNameSize) override;
    UINT SetErrorMode(UINT uMode) override;

    HMODULE GetModuleHandleA(LPCSTR lpModuleName) override;
    FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) override;

    DWORD GetTickCount() override;
    DWORD GetCurrentProcessId() override;
    UINT GetACP() override;
    void OutputDebugStringA(LPCSTR lpOutputString) override;

    DWORD WNetGetConnectionA(LPCSTR lpLocalName, LPSTR lpRemoteName, LPDWORD lpnLength) override;

    LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) override;
    LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                          LPBYTE lpData, LPDWORD lpcbData) override;
    LONG RegCloseKey(HKEY hKey) override;

    int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) override;
    void PostQuitMessage(int nExitCode) override;

    int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) override;
    int WSACleanup() override;
    int WSAGetLastError() override;
    struct hostent *gethostbyname(const char *name) override;
    unsigned long inet_addr(const char *cp) override;
    char *inet_ntoa(struct in_addr in) override;
    SOCKET socket(int af, int type, int protocol) override;
    int setsockopt(SOCKET s, int level, int optname, const char *optval, int optlen) override;
    int sendto(SOCKET s, const char *buf, int len, int flags, const struct sockaddr *to,
               int tolen) override;
    int recvfrom(SOCKET s, char *buf, int len, int flags, struct sockaddr *from,
                 int *fromlen) override;
    int closesocket(SOCKET s) override;

    // The extended free-space query; reached by callers only through
    // GetProcAddress, as on Windows.
    BOOL GetDiskFreeSpaceExA(LPCSTR lpDirectoryName, PULARGE_INTEGER lpFreeBytesAvailableToCaller,
                             PULARGE_INTEGER lpTotalNumberOfBytes,
                             PULARGE_INTEGER lpTotalNumberOfFreeBytes);
};

// The one instance.
PosixBackend &Backend();

class HandleObject;

// The descriptor of the directory the search hFindFile lists, kept open
// while *keep lives; -1 when hFindFile is no search.
int SearchDirectory(HANDLE hFindFile, std::shared_ptr<const HandleObject> *keep);

// The final name of a path given to a call on a listed entry, in *name; 0,
// or the error that refuses it (no name, a dot name, a wildcard, too long).
DWORD SplitListedName(LPCSTR lpPath, const char **name);

}  // namespace posix
}  // namespace platform
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_POSIX_POSIX_BACKEND_H
