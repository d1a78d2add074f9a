// Platform services that wrap other services (the real backend, usually):
// every call is passed on, and the file and directory calls can be watched,
// recorded and made to fail one at a time. With the POSIX backend inside, a
// test reaches real directories with a hook before each call, where it can
// change the file system between two of the library's steps.
#ifndef BRENVIK_TESTS_SUPPORT_HOOK_SERVICES_H
#define BRENVIK_TESTS_SUPPORT_HOOK_SERVICES_H

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/services.h"

namespace brenvik {
namespace test {

struct HookedCall {
    std::string name;  // "DeleteFileA"
    std::string path;  // its first path argument, or empty
    // The call was made to fail.
    bool injected = false;
    // For an injected FindNextFileA: the listing had no further entry anyway,
    // so the failure lost nothing.
    bool lostNothing = false;
};

class HookServices : public platform::Services {
public:
    explicit HookServices(platform::Services &inner);

    // Runs before each file or directory call. A nonzero result fails the
    // call with that error code: it returns its failure value and leaves the
    // code in GetLastError. Closing calls still release their handle when
    // they are failed, as close() does on an interrupted call.
    std::function<DWORD(const HookedCall &call)> before;

    // Fails the k-th file or directory call (from 1, counted from now) with
    // the given error code; 0 fails nothing. Applies after `before`.
    void FailCall(int k, DWORD error = ERROR_ACCESS_DENIED);
    // The call that was failed by FailCall or `before`, or null.
    const HookedCall *Injected() const;

    // Every file and directory call since construction or ClearCalls.
    const std::vector<HookedCall> &Calls() const { return calls_; }
    void ClearCalls();
    // Calls named `name` (optionally with this exact path) recorded so far.
    int CountCalls(const std::string &name, const std::string &path = std::string()) const;

    // Handles from CreateFileA and FindFirstFileA not closed yet.
    int OpenHandles() const { return static_cast<int>(files_.size() + finds_.size()); }

    // Replaces GetTickCount's answer when set.
    std::function<DWORD()> tickCount;

    // Message boxes shown, instead of passing them on.
    struct Box {
        std::string text;
        std::string caption;
        UINT type;
    };
    std::vector<Box> boxes;

    const char *Name() const override { return "hook"; }
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

private:
    // Records the call and decides whether it fails: the error code, or 0.
    DWORD Enter(const char *name, const char *path);
    void Fail(DWORD error);

    platform::Services &inner_;
    std::vector<HookedCall> calls_;
    int countdown_ = 0;
    DWORD failError_ = 0;
    int injectedIndex_ = -1;
    std::set<HANDLE> files_;
    std::set<HANDLE> finds_;
};

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_SUPPORT_HOOK_SERVICES_H
