// Services that pass every call on to other services (the real backend or the
// simulated machine) and record what the image code asked of them: the debug
// output, the files it opened and with which modes, the handles it left open.
// A few calls can be made to fail.
#ifndef BRENVIK_TESTS_IMAGE_TAP_SERVICES_H
#define BRENVIK_TESTS_IMAGE_TAP_SERVICES_H

#include <set>
#include <string>
#include <vector>

#include "platform/services.h"

namespace brenvik {
namespace test {

class TapServices : public platform::Services {
public:
    struct CreateCall {
        std::string name;
        DWORD access;
        DWORD share;
        bool securityAttributes;
        DWORD disposition;
        DWORD flags;
        bool templateFile;
    };

    explicit TapServices(platform::Services &inner) : inner_(inner) {}

    // What was recorded.
    std::vector<std::string> debugOutput;
    std::vector<CreateCall> creates;
    std::vector<DWORD> readSizes;
    std::vector<LONG> seekDistances;
    int closes = 0;
    // Handles from CreateFileA not closed yet.
    std::size_t OpenHandles() const { return open_.size(); }

    // Faults. SetFilePointer answers forcedSeekResult (and sets the last
    // error to forcedSeekError) instead of seeking when forceSeek is set;
    // ReadFile fails (ERROR_READ_FAULT) when failRead is set, and reads at
    // most readCap bytes when readCap >= 0.
    bool forceSeek = false;
    DWORD forcedSeekResult = 0;
    DWORD forcedSeekError = NO_ERROR;
    bool failRead = false;
    long readCap = -1;

    const char *Name() const override { return "tap"; }
    DWORD GetLastError() override { return inner_.GetLastError(); }
    void SetLastError(DWORD e) override { inner_.SetLastError(e); }

    HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                       LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                       DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) override;
    BOOL CloseHandle(HANDLE hObject) override;
    BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                  LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) override;
    BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                   LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) override
    {
        return inner_.WriteFile(hFile, lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten,
                                lpOverlapped);
    }
    DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                         DWORD dwMoveMethod) override;
    DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) override
    {
        return inner_.GetFileSize(hFile, lpFileSizeHigh);
    }
    BOOL DeleteFileA(LPCSTR lpFileName) override { return inner_.DeleteFileA(lpFileName); }
    BOOL MoveFileA(LPCSTR a, LPCSTR b) override { return inner_.MoveFileA(a, b); }
    DWORD GetFileAttributesA(LPCSTR lpFileName) override
    {
        return inner_.GetFileAttributesA(lpFileName);
    }
    BOOL GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId,
                              LPVOID lpFileInformation) override
    {
        return inner_.GetFileAttributesExA(lpFileName, fInfoLevelId, lpFileInformation);
    }
    BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) override
    {
        return inner_.SetFileAttributesA(lpFileName, dwFileAttributes);
    }

    BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES sa) override
    {
        return inner_.CreateDirectoryA(lpPathName, sa);
    }
    BOOL RemoveDirectoryA(LPCSTR lpPathName) override
    {
        return inner_.RemoveDirectoryA(lpPathName);
    }
    HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) override
    {
        return inner_.FindFirstFileA(lpFileName, lpFindFileData);
    }
    BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) override
    {
        return inner_.FindNextFileA(hFindFile, lpFindFileData);
    }
    BOOL FindClose(HANDLE hFindFile) override { return inner_.FindClose(hFindFile); }

    UINT GetDriveTypeA(LPCSTR lpRootPathName) override
    {
        return inner_.GetDriveTypeA(lpRootPathName);
    }
    BOOL GetDiskFreeSpaceA(LPCSTR lpRootPathName, LPDWORD a, LPDWORD b, LPDWORD c,
                           LPDWORD d) override
    {
        return inner_.GetDiskFreeSpaceA(lpRootPathName, a, b, c, d);
    }
    BOOL GetVolumeInformationA(LPCSTR lpRootPathName, LPSTR lpVolumeNameBuffer,
                               DWORD nVolumeNameSize, LPDWORD lpVolumeSerialNumber,
                               LPDWORD lpMaximumComponentLength, LPDWORD lpFileSystemFlags,
                               LPSTR lpFileSystemNameBuffer, DWORD nFileSystemNameSize) override
    {
        return inner_.GetVolumeInformationA(lpRootPathName, lpVolumeNameBuffer, nVolumeNameSize,
                                            lpVolumeSerialNumber, lpMaximumComponentLength,
                                            lpFileSystemFlags, lpFileSystemNameBuffer,
                                            nFileSystemNameSize);
    }
    UINT SetErrorMode(UINT uMode) override { return inner_.SetErrorMode(uMode); }

    HMODULE GetModuleHandleA(LPCSTR lpModuleName) override
    {
        return inner_.GetModuleHandleA(lpModuleName);
    }
    FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) override
    {
        return inner_.GetProcAddress(hModule, lpProcName);
    }

    DWORD GetTickCount() override { return inner_.GetTickCount(); }
    DWORD GetCurrentProcessId() override { return inner_.GetCurrentProcessId(); }
    UINT GetACP() override { return inner_.GetACP(); }
    void OutputDebugStringA(LPCSTR lpOutputString) override
    {
        debugOutput.push_back(lpOutputString ? lpOutputString : "");
    }

    DWORD WNetGetConnectionA(LPCSTR lpLocalName, LPSTR lpRemoteName, LPDWORD lpnLength) override
    {
        return inner_.WNetGetConnectionA(lpLocalName, lpRemoteName, lpnLength);
    }

    LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) override
    {
        return inner_.RegOpenKeyA(hKey, lpSubKey, phkResult);
    }
    LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                          LPBYTE lpData, LPDWORD lpcbData) override
    {
        return inner_.RegQueryValueExA(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
    }
    LONG RegCloseKey(HKEY hKey) override { return inner_.RegCloseKey(hKey); }

    int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) override
    {
        return inner_.MessageBoxA(hWnd, lpText, lpCaption, uType);
    }
    void PostQuitMessage(int nExitCode) override { inner_.PostQuitMessage(nExitCode); }

    int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) override
    {
        return inner_.WSAStartup(wVersionRequested, lpWSAData);
    }
    int WSACleanup() override { return inner_.WSACleanup(); }
    int WSAGetLastError() override { return inner_.WSAGetLastError(); }
    struct hostent *gethostbyname(const char *name) override
    {
        return inner_.gethostbyname(name);
    }
    unsigned long inet_addr(const char *cp) override { return inner_.inet_addr(cp); }
    char *inet_ntoa(struct in_addr in) override { return inner_.inet_ntoa(in); }
    SOCKET socket(int af, int type, int protocol) override
    {
        return inner_.socket(af, type, protocol);
    }
    int setsockopt(SOCKET s, int level, int optname, const char *optval, int optlen) override
    {
        return inner_.setsockopt(s, level, optname, optval, optlen);
    }
    int sendto(SOCKET s, const char *buf, int len, int flags, const struct sockaddr *to,
               int tolen) override
    {
        return inner_.sendto(s, buf, len, flags, to, tolen);
    }
    int recvfrom(SOCKET s, char *buf, int len, int flags, struct sockaddr *from,
                 int *fromlen) override
    {
        return inner_.recvfrom(s, buf, len, flags, from, fromlen);
    }
    int closesocket(SOCKET s) override { return inner_.closesocket(s); }

private:
    platform::Services &inner_;
    std::set<HANDLE> open_;
};

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_IMAGE_TAP_SERVICES_H
