// The operating-system services the library uses, one virtual function per
// Win32 call with the Win32 name, arguments and results. Three things stand
// behind it: the Win32 backend (a pass-through), the POSIX backend (Windows
// behaviour emulated on a POSIX host) and the decorators over either.
//
// Every call reports failure exactly as Win32 does: the Win32 result value,
// and the Win32 error code in GetLastError (WSAGetLastError for sockets).
#ifndef BRENVIK_PLATFORM_SERVICES_H
#define BRENVIK_PLATFORM_SERVICES_H

#include "platform/win32_types.h"

namespace brenvik {
namespace platform {

class Services {
public:
    virtual ~Services() = default;

    // A short name for diagnostics ("win32", "posix").
    virtual const char *Name() const = 0;

    // ---- Errors ------------------------------------------------------------
    virtual DWORD GetLastError() = 0;
    virtual void SetLastError(DWORD dwErrCode) = 0;

    // ---- Files (kernel32) --------------------------------------------------
    virtual HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                               LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                               DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                               HANDLE hTemplateFile) = 0;
    virtual BOOL CloseHandle(HANDLE hObject) = 0;
    virtual BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                          LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) = 0;
    virtual BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                           LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) = 0;
    virtual DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                 DWORD dwMoveMethod) = 0;
    virtual DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) = 0;
    virtual BOOL DeleteFileA(LPCSTR lpFileName) = 0;
    virtual BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) = 0;
    virtual DWORD GetFileAttributesA(LPCSTR lpFileName) = 0;
    virtual BOOL GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId,
                                      LPVOID lpFileInformation) = 0;
    virtual BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) = 0;

    // ---- Directories -------------------------------------------------------
    virtual BOOL CreateDirectoryA(LPCSTR lpPathName,
                                  LPSECURITY_ATTRIBUTES lpSecurityAttributes) = 0;
    virtual BOOL RemoveDirectoryA(LPCSTR lpPathName) = 0;
    virtual HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) = 0;
    virtual BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) = 0;
    virtual BOOL FindClose(HANDLE hFindFile) = 0;

    // ---- Entries of a listed directory (no Win32 counterpart) --------------
    // Each does what the call without "In" does to the path it is given,
    // with that call's results and error codes, for an entry of the directory
    // that the search hFindFile lists: lpFileName is that directory's path as
    // searched, a separator and the entry's name as listed (for
    // FindFirstFileInA, a subdirectory's name as listed, a separator and a
    // pattern). A backend that keeps the search's directory open acts
    // relative to it, so a directory on the way that is swapped for a link
    // meanwhile cannot lead the call elsewhere; the final name is not
    // followed if it is a link. The others go by the path.
    virtual BOOL DeleteFileInA(HANDLE hFindFile, LPCSTR lpFileName);
    virtual BOOL RemoveDirectoryInA(HANDLE hFindFile, LPCSTR lpPathName);
    virtual HANDLE FindFirstFileInA(HANDLE hFindFile, LPCSTR lpFileName,
                                    LPWIN32_FIND_DATAA lpFindFileData);

    // ---- Drives and volumes ------------------------------------------------
    virtual UINT GetDriveTypeA(LPCSTR lpRootPathName) = 0;
    virtual BOOL GetDiskFreeSpaceA(LPCSTR lpRootPathName, LPDWORD lpSectorsPerCluster,
                                   LPDWORD lpBytesPerSector, LPDWORD lpNumberOfFreeClusters,
                                   LPDWORD lpTotalNumberOfClusters) = 0;
    virtual BOOL GetVolumeInformationA(LPCSTR lpRootPathName, LPSTR lpVolumeNameBuffer,
                                       DWORD nVolumeNameSize, LPDWORD lpVolumeSerialNumber,
                                       LPDWORD lpMaximumComponentLength,
                                       LPDWORD lpFileSystemFlags, LPSTR lpFileSystemNameBuffer,
                                       DWORD nFileSystemNameSize) = 0;
    virtual UINT SetErrorMode(UINT uMode) = 0;

    // ---- Looking a service up by name --------------------------------------
    // GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA")
    // gives a PFN_GetDiskFreeSpaceExA, or null where the service is absent.
    // The function handed out is plain (no context): it answers for the
    // backend that handed it out, which finds its own state, if it has any,
    // through sys() when called.
    virtual HMODULE GetModuleHandleA(LPCSTR lpModuleName) = 0;
    virtual FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) = 0;

    // ---- Process, time, code page, debugger --------------------------------
    virtual DWORD GetTickCount() = 0;
    virtual DWORD GetCurrentProcessId() = 0;
    // The ANSI code page; its lead bytes make double-byte characters.
    virtual UINT GetACP() = 0;
    virtual void OutputDebugStringA(LPCSTR lpOutputString) = 0;

    // ---- Network connections (mpr) -----------------------------------------
    virtual DWORD WNetGetConnectionA(LPCSTR lpLocalName, LPSTR lpRemoteName,
                                     LPDWORD lpnLength) = 0;

    // ---- Registry (advapi32) -----------------------------------------------
    virtual LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) = 0;
    virtual LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved,
                                  LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) = 0;
    virtual LONG RegCloseKey(HKEY hKey) = 0;

    // ---- User interface (user32) -------------------------------------------
    virtual int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) = 0;
    virtual void PostQuitMessage(int nExitCode) = 0;

    // ---- Sockets (ws2_32) --------------------------------------------------
    virtual int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) = 0;
    virtual int WSACleanup() = 0;
    virtual int WSAGetLastError() = 0;
    virtual struct hostent *gethostbyname(const char *name) = 0;
    virtual unsigned long inet_addr(const char *cp) = 0;
    virtual char *inet_ntoa(struct in_addr in) = 0;
    virtual SOCKET socket(int af, int type, int protocol) = 0;
    virtual int setsockopt(SOCKET s, int level, int optname, const char *optval, int optlen) = 0;
    virtual int sendto(SOCKET s, const char *buf, int len, int flags, const struct sockaddr *to,
                       int tolen) = 0;
    virtual int recvfrom(SOCKET s, char *buf, int len, int flags, struct sockaddr *from,
                         int *fromlen) = 0;
    virtual int closesocket(SOCKET s) = 0;
};

// The services in force for the calling thread's next call: the real backend
// unless a ScopedServices has installed others.
Services &sys();

// The real backend of this build (Win32 on Windows, POSIX elsewhere).
Services &DefaultServices();

// Whoever caches what GetACP answered compares this number first: it moves
// whenever the answer may have changed (other services installed, a
// registry that names another code page).
unsigned CodePageEpoch();
void CodePageMayHaveMoved();

// Installs other services (a decorator) until the end of a scope.
// Installations nest; they are process-wide, so tests that install one do not
// run concurrently with tests that use the real backend.
class ScopedServices {
public:
    explicit ScopedServices(Services &services);
    ~ScopedServices();
    ScopedServices(const ScopedServices &) = delete;
    ScopedServices &operator=(const ScopedServices &) = delete;

private:
    Services *previous_;
};

}  // namespace platform
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_SERVICES_H
