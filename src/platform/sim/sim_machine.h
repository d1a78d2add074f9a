// A simulated Windows machine for the tests: drives, shares, files, the
// registry, sockets and the rest of the platform services, in memory, with
// the results and error codes Win32 gives. Install it for a scope with
// brenvik::platform::ScopedServices (or test::ScopedMachine of
// tests/support/scoped_machine.h, which also checks for leaks).
//
// Two faces:
//  - the Services overrides, which behave as Win32 does, are counted, logged,
//    hooked and can be made to fail;
//  - the builder and query members (MakeFile, ReadFileBytes, ...), which set
//    the machine up and inspect it. They are never counted, ignore media,
//    write protection and share modes, and throw std::runtime_error when
//    asked for something impossible (a file under a missing drive...).
//
// Calls that cannot fail on Windows are neither counted nor injectable:
// GetLastError, SetLastError, SetErrorMode, GetTickCount,
// GetCurrentProcessId, GetACP, OutputDebugStringA, WSAGetLastError and
// PostQuitMessage. Every other Services call, and the GetDiskFreeSpaceExA
// reached through GetProcAddress, is counted.
//
// The last error is per thread and shared with WSAGetLastError, as on
// Windows. All members are safe to call from several threads.
#ifndef BRENVIK_PLATFORM_SIM_SIM_MACHINE_H
#define BRENVIK_PLATFORM_SIM_SIM_MACHINE_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/services.h"

namespace brenvik {
namespace sim {

class Machine;
struct MachineState;

// One volume: a drive's medium or a network share. Setters chain:
// machine.AddDrive('E', DRIVE_CDROM).Label("MOVIE").Clusters(1, 2048, 0, 333000);
class Volume {
public:
    Volume &Type(UINT driveType);          // GetDriveTypeA result (drives only)
    Volume &Label(const std::string &label);
    Volume &Serial(DWORD serial);
    Volume &FileSystem(const std::string &name);  // "NTFS", "CDFS", "FAT"...
    Volume &Flags(DWORD fileSystemFlags);  // e.g. FS_VOL_IS_COMPRESSED
    Volume &MaxComponentLength(DWORD length);
    // The GetDiskFreeSpaceA figures; also the default for the extended query.
    Volume &Clusters(DWORD sectorsPerCluster, DWORD bytesPerSector, DWORD freeClusters,
                     DWORD totalClusters);
    // Overrides what GetDiskFreeSpaceExA reports (e.g. a 4.7e9-byte DVD).
    Volume &Bytes(uint64_t totalBytes, uint64_t totalFreeBytes, uint64_t freeBytesToCaller);
    // No medium: volume queries and every access below the root fail with
    // ERROR_NOT_READY; the files stay and come back with the medium.
    Volume &Medium(bool present);
    // Nonzero: every change below the root fails with this code (a CD-ROM
    // drive starts with ERROR_ACCESS_DENIED, others with 0).
    Volume &WriteProtect(DWORD error);

    UINT type() const { return type_; }
    bool mediumPresent() const { return medium_; }

private:
    friend class Machine;
    friend struct MachineState;
    Volume() = default;

    UINT type_ = DRIVE_FIXED;
    std::string label_;
    DWORD serial_ = 0;
    std::string fileSystem_ = "NTFS";
    DWORD flags_ = 0;
    DWORD maxComponent_ = 255;
    DWORD sectorsPerCluster_ = 8;
    DWORD bytesPerSector_ = 512;
    DWORD freeClusters_ = 0;
    DWORD totalClusters_ = 0;
    bool bytesSet_ = false;
    uint64_t totalBytes_ = 0;
    uint64_t freeBytes_ = 0;
    uint64_t callerFreeBytes_ = 0;
    bool medium_ = true;
    DWORD writeProtect_ = 0;
};

// Which calls a path-based fault applies to, compared with the full path the
// machine resolves (absolute, backslashes, "." and ".." gone).
enum class PathMatch {
    Exact,       // byte for byte
    IgnoreCase,  // equal without regard to ASCII letter case
    Under,       // the path itself or anything below it (case-insensitive)
};

// How often a fault fires once its condition is met.
enum class Times {
    Once,    // the first time, then the fault is gone
    Always,  // this time and every later time
};

// A fault: matching calls fail with `error` and their Win32 failure value
// (INVALID_HANDLE_VALUE, FALSE, INVALID_FILE_ATTRIBUTES, DRIVE_UNKNOWN,
// INVALID_SET_FILE_POINTER, INVALID_FILE_SIZE, 0, NULL, SOCKET_ERROR,
// INVALID_SOCKET, INADDR_NONE; the registry, WNetGetConnectionA and
// WSAStartup return the code itself). The call does nothing else, except
// that a failing CloseHandle, FindClose, RegCloseKey, closesocket or
// WSACleanup still releases its resource, so that a sweep of failures does
// not report leaks the code under test could not have avoided.
struct Fault {
    std::string service;   // "" any counted service, else e.g. "CreateFileA"
    std::string path;      // "" any path, else compared as `match` says
    PathMatch match = PathMatch::IgnoreCase;
    uint64_t nth = 0;      // 0: every match; k: the k-th matching call made
                           // after the fault was added (1-based)
    Times times = Times::Once;  // with nth = k and Always: the k-th and later
    DWORD error = ERROR_ACCESS_DENIED;  // last error (WSA code for sockets)
};

// One counted call, in the order made.
struct Call {
    std::string service;  // the Win32 name, e.g. "DeleteFileA"
    std::string path;     // first string argument as given ("" if none); for
                          // handle calls the path the handle was opened with
    uint64_t number;      // 1-based position among all counted calls
};

// What recvfrom delivers for one call, in script order.
class Reply {
public:
    // 20-byte IPv4 header + the last datagram sent on the socket, byte 0 set
    // to 0 (what an echo reply is to an echo request).
    static Reply Echo();
    // Exactly these bytes, no header added.
    static Reply Datagram(const std::string &bytes);
    // recvfrom fails with SOCKET_ERROR and this WSA code.
    static Reply Error(int wsaError);
    // Error(WSAETIMEDOUT).
    static Reply TimeOut();
    // Nothing arrives: WSAETIMEDOUT once the SO_RCVTIMEO time-out has passed
    // on GetTickCount; without a time-out the call would block forever,
    // which Leaks() reports (the call then fails with WSAETIMEDOUT too).
    static Reply Silence();

    Reply &Type(uint8_t byte0);  // Echo: byte 0 of the echoed datagram
    // Echo: overwrite echoed bytes from offset on (e.g. a foreign identifier).
    Reply &Patch(std::size_t offset, const std::string &bytes);
    Reply &Truncate(std::size_t length);  // deliver only the first length bytes
    Reply &From(const std::string &dottedAddress);  // sender (default: the destination)
    Reply &Delay(DWORD milliseconds);  // GetTickCount advances this much first

private:
    friend class Machine;
    friend struct MachineState;
    enum class Kind { Echo, Datagram, Error, Silence };
    explicit Reply(Kind kind) : kind_(kind) {}

    Kind kind_;
    std::string bytes_;
    int error_ = 0;
    int type_ = 0;
    std::vector<std::pair<std::size_t, std::string>> patches_;
    std::size_t truncate_ = static_cast<std::size_t>(-1);
    std::string from_;
    DWORD delay_ = 0;
};

// A datagram sent with sendto.
struct SentDatagram {
    std::string bytes;
    std::string to;        // dotted destination address
    unsigned short port;   // destination port, host order
};

// A socket made with socket(), in creation order.
struct SocketInfo {
    SOCKET handle;
    int af, type, protocol;
    bool open;
    bool hasReceiveTimeout;     // SO_RCVTIMEO set
    DWORD receiveTimeoutMs;     // its value
    std::vector<SentDatagram> sent;
    int receives;               // recvfrom calls
};

// A message box shown with MessageBoxA.
struct MessageBoxCall {
    std::string text, caption;
    UINT type;
};

class Machine : public platform::Services {
public:
    // An empty machine: no drives, no shares, empty registry, current
    // directory "C:\", code page 1252, error mode 0. A machine may be moved,
    // but not while it is installed.
    Machine();
    ~Machine() override;
    Machine(Machine &&) noexcept;
    Machine &operator=(Machine &&) noexcept;
    Machine(const Machine &) = delete;
    Machine &operator=(const Machine &) = delete;

    // C: fixed NTFS "SYSTEM" (8 x 512-byte sectors a cluster, 1,000,000 of
    // 5,000,000 clusters free) with an empty root; D: CD-ROM "DISC" with a
    // medium of 333,000 2048-byte sectors, none free, write-protected.
    static Machine Typical();

    // ---- Drives, shares, connections, hosts (builder) -----------------------
    // Adds (or replaces, with an empty tree) drive letter:, with defaults for
    // its type (see Volume; the root's attributes are 0x16 on fixed drives
    // and RAM disks, 0x10 elsewhere).
    Volume &AddDrive(char letter, UINT driveType);
    Volume &Drive(char letter);            // an existing drive (throws if none)
    void RemoveDrive(char letter);         // the letter then has no root
    // Adds \\server\share (and the server); returns its volume.
    Volume &AddShare(const std::string &server, const std::string &share);
    Volume &Share(const std::string &server, const std::string &share);
    // A remembered connection letter: -> "\\server\share". Connected: a
    // network drive onto that share (added if missing). Unavailable: no root,
    // and WNetGetConnectionA answers ERROR_CONNECTION_UNAVAIL.
    void RememberConnection(char letter, const std::string &remote, bool connected);
    void ForgetConnection(char letter);
    // gethostbyname(name) gives these addresses (repeat to add more).
    void AddHost(const std::string &name, const std::string &dottedAddress);

    // ---- Files and directories (builder; paths as Win32 takes them) --------
    void SetCurrentDir(const std::string &path);   // relative paths start here
    std::string CurrentDir() const;                // e.g. "C:\"
    // Makes the directory and its missing ancestors (no error if present);
    // attributes other than the default replace those of the directory.
    void MakeDir(const std::string &path, DWORD attributes = FILE_ATTRIBUTE_DIRECTORY);
    // Makes or replaces a file (ancestors made as needed); attributes are
    // stored exactly, any bits (e.g. 0x800 compressed).
    void MakeFile(const std::string &path, const std::string &bytes = std::string(),
                  DWORD attributes = FILE_ATTRIBUTE_ARCHIVE);
    // Gives a file (made if missing) this size without storing the bytes:
    // what lies past the stored bytes reads as zeros. For >= 4 GiB files.
    void SetFileSize(const std::string &path, uint64_t size);
    // A symbolic link at path to target (absolute, or relative to the link's
    // directory); a directory link shows FILE_ATTRIBUTE_REPARSE_POINT |
    // FILE_ATTRIBUTE_DIRECTORY. The target need not exist.
    void MakeLink(const std::string &path, const std::string &target, bool directory);
    // Replaces the entry's attribute bits (the directory and reparse bits
    // follow the entry's kind whatever is given).
    void SetAttributes(const std::string &path, DWORD attributes);
    void SetTimes(const std::string &path, FILETIME created, FILETIME accessed,
                  FILETIME written);
    void Remove(const std::string &path);  // the entry and all below it; no-op if missing
    // The time given to entries made or written from now on.
    void SetClock(FILETIME now);

    // ---- Files and directories (queries; the final link is not followed
    // except by ReadFileBytes and FileSize) ----------------------------------
    bool Exists(const std::string &path) const;
    bool FileExists(const std::string &path) const;   // a file (or file link)
    bool DirExists(const std::string &path) const;    // a directory (not a link)
    bool IsLink(const std::string &path) const;
    // The whole content (zeros past the stored bytes); throws if no file or
    // over 64 MiB.
    std::string ReadFileBytes(const std::string &path) const;
    uint64_t FileSize(const std::string &path) const;          // throws if no file
    // As GetFileAttributesA reports them (0 shows as NORMAL), whatever the
    // medium; INVALID_FILE_ATTRIBUTES if missing.
    DWORD GetAttributes(const std::string &path) const;
    // Names in a directory, sorted without regard to case, no "." or "..".
    std::vector<std::string> ListDir(const std::string &path) const;
    // Every entry below a directory as a relative path, depth first, each
    // directory's entries sorted without regard to case, a directory ending
    // in "\": {"a\", "a\b.txt", "c"}. Links are listed, not entered.
    std::vector<std::string> ListTree(const std::string &path) const;

    // ---- Registry (builder); keys as "HKEY_LOCAL_MACHINE\SOFTWARE\X" or
    // "HKLM\SOFTWARE\X" -------------------------------------------------------
    void AddRegKey(const std::string &key);  // with its missing ancestors
    // A value of any type as raw bytes ("" name: the default value).
    void SetRegValue(const std::string &key, const std::string &name, DWORD type,
                     const std::string &bytes);
    void SetRegDword(const std::string &key, const std::string &name, DWORD value);
    void SetRegString(const std::string &key, const std::string &name,
                      const std::string &text);  // REG_SZ, NUL stored
    void RemoveRegKey(const std::string &key);   // with everything below it
    // Every key and value of a .reg text ("Windows Registry Editor Version
    // 5.00" or "REGEDIT4" first), as the POSIX backend reads its file.
    void AddRegText(const std::string &regText);

    // ---- Process, clock, code page, modules --------------------------------
    // GetTickCount returns start, then advances by stepPerCall on every call
    // (a new machine: 1000000, advancing by 1, so that time moves on).
    void SetTickCount(DWORD start, DWORD stepPerCall = 0);
    void SetProcessId(DWORD pid);       // GetCurrentProcessId (default 0x1234)
    void SetACP(UINT codePage);         // GetACP; 932/936/949/950 make
                                        // double-byte path characters
    // Whether GetProcAddress finds "GetDiskFreeSpaceExA" in kernel32.dll
    // (default true).
    void SetGetDiskFreeSpaceExAvailable(bool available);
    // The extended free-space query; GetProcAddress hands out a plain
    // function that forwards here through brenvik::platform::sys().
    BOOL GetDiskFreeSpaceExA(LPCSTR lpDirectoryName, PULARGE_INTEGER lpFreeBytesAvailableToCaller,
                             PULARGE_INTEGER lpTotalNumberOfBytes,
                             PULARGE_INTEGER lpTotalNumberOfFreeBytes);

    // ---- Captured output ----------------------------------------------------
    std::vector<std::string> DebugOutput() const;  // OutputDebugStringA, one per call
    void ClearDebugOutput();
    std::vector<MessageBoxCall> MessageBoxes() const;
    void SetMessageBoxResult(int result);  // what MessageBoxA returns (IDOK)
    std::vector<int> QuitMessages() const;  // PostQuitMessage exit codes
    UINT ErrorMode() const;                 // as SetErrorMode last set it
    std::vector<UINT> ErrorModeHistory() const;  // every mode set, in order

    // ---- Sockets -------------------------------------------------------------
    // Replies for any socket, one per recvfrom, once the socket's own
    // replies (below) are used up. With none left, recvfrom meets Silence().
    void AddReply(const Reply &reply);
    // Replies for the ordinal-th socket created (1-based).
    void AddReply(int socketOrdinal, const Reply &reply);
    std::vector<SocketInfo> Sockets() const;
    int WsaStartupBalance() const;  // WSAStartup calls minus successful WSACleanup

    // ---- Counting, fault injection, hook ------------------------------------
    uint64_t CallCount() const;                            // all counted calls
    uint64_t CallCount(const std::string &service) const;  // of one service
    std::vector<Call> CallLog() const;
    void ResetCalls();  // counts and log back to empty
    int AddFault(const Fault &fault);  // returns an id for RemoveFault
    void RemoveFault(int id);
    void ClearFaults();
    // The k-th counted call from now fails with error.
    int FailNthCall(uint64_t k, DWORD error, Times times = Times::Once);
    // The k-th call of service from now fails with error.
    int FailNthCallOf(const std::string &service, uint64_t k, DWORD error,
                      Times times = Times::Once);
    // Calls on path (any service, or only `service`) fail with error.
    int FailPath(const std::string &path, DWORD error, PathMatch match = PathMatch::IgnoreCase,
                 Times times = Times::Always, const std::string &service = std::string());
    // Called before each counted call, after counting and before faults are
    // looked at, with the machine locked. It may change the machine through
    // the builder (e.g. swap a directory for a link); Services calls made
    // from inside it are not counted, hooked or failed. Empty to remove.
    void SetHook(std::function<void(const Call &)> hook);

    // ---- End-of-test checks ----------------------------------------------------
    // Takes the current error mode, WSAStartup balance and open handles as
    // the state Leaks() compares with. ScopedMachine calls it on install;
    // a new machine starts with mode 0, balance 0, nothing open.
    void MarkInstalled();
    // One line per problem: file handles, find handles, registry keys and
    // sockets opened since MarkInstalled and still open, WSAStartup not
    // balanced, error mode not restored, recvfrom that would block forever.
    std::vector<std::string> Leaks() const;

    // ---- platform::Services ------------------------------------------------
    const char *Name() const override;
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
    std::unique_ptr<MachineState> state_;
};

}  // namespace sim
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_SIM_SIM_MACHINE_H
