// The tests' one way to make the platform misbehave: a decorator over the
// backend in force (POSIX natively, Win32 under Wine) that records and counts
// calls, fails chosen ones with a Windows error code, answers for services
// the host cannot be made to show (volume figures, drive types, network
// connections, a scripted ICMP peer, a clock, registry values), and runs a
// hook before each call that may change the real tree between two steps.
#ifndef BRENVIK_TESTS_SUPPORT_FAULT_SERVICES_H
#define BRENVIK_TESTS_SUPPORT_FAULT_SERVICES_H

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/forwarding_services.h"

namespace brenvik {
namespace test {

struct HookedCall {
    std::string name;  // "DeleteFileA"
    std::string path;  // its first path or name argument, or empty
    bool injected = false;
    // For an injected FindNextFileA: the listing had no further entry anyway.
    bool lostNothing = false;
};

enum class Times { Once, Always };

// A volume as GetDriveTypeA, GetVolumeInformationA, GetDiskFreeSpaceA and
// GetDiskFreeSpaceExA report it.
struct Volume {
    UINT type = DRIVE_FIXED;
    bool medium = true;  // without one, the volume queries fail with 21
    std::string label;
    DWORD serial = 0;
    std::string fileSystem = "NTFS";
    DWORD flags = 0;
    DWORD maxComponentLength = 255;
    DWORD sectorsPerCluster = 8, bytesPerSector = 512, freeClusters = 0, totalClusters = 0;
    // GetDiskFreeSpaceExA's figures; unless set, derived from the clusters.
    bool bytesSet = false;
    uint64_t totalBytes = 0, freeBytes = 0, callerFreeBytes = 0;

    Volume &Clusters(DWORD spc, DWORD bps, DWORD freeC, DWORD totalC)
    {
        sectorsPerCluster = spc, bytesPerSector = bps, freeClusters = freeC, totalClusters = totalC;
        return *this;
    }
    Volume &Bytes(uint64_t total, uint64_t free, uint64_t callerFree)
    {
        bytesSet = true, totalBytes = total, freeBytes = free, callerFreeBytes = callerFree;
        return *this;
    }
};

// One answer of the scripted ICMP peer to a recvfrom.
class Reply {
public:
    static Reply Echo();  // the last request sent, as an echo reply
    static Reply Datagram(const std::string &bytes);  // these bytes, no IP header added
    static Reply Error(int wsaError);
    static Reply TimeOut();   // the socket's wait runs out (10060)
    static Reply Silence() { return TimeOut(); }

    Reply &Type(uint8_t byte0);  // Echo: byte 0 of the ICMP message
    Reply &Patch(std::size_t offset, const std::string &bytes);  // Echo: into the ICMP message
    Reply &Truncate(std::size_t length);
    Reply &From(const std::string &dotted);  // sender (default: the destination)
    Reply &Delay(DWORD ms);                  // the clock moves on this much first

private:
    friend class FaultServices;
    enum class Kind { Echo, Datagram, Error, TimeOut };
    explicit Reply(Kind kind) : kind_(kind) {}
    Kind kind_;
    std::string bytes_;
    int error_ = 0;
    uint8_t type_ = 0;
    std::vector<std::pair<std::size_t, std::string>> patches_;
    std::size_t truncate_ = static_cast<std::size_t>(-1);
    std::string from_;
    DWORD delay_ = 0;
};

// A socket of the scripted peer, as the library left it.
struct ScriptedSocket {
    int af, type, protocol;
    bool open = true;
    bool hasReceiveTimeout = false;
    DWORD receiveTimeoutMs = 0;
    struct Sent {
        std::string bytes;
        std::string to;       // dotted
        unsigned short port;  // host order
    };
    std::vector<Sent> sent;
};

class FaultServices : public platform::ForwardingServices {
public:
    // Over the backend in force now (the real one, unless a test installed others).
    FaultServices();
    explicit FaultServices(platform::Services &inner);
    ~FaultServices() override;

    // ---- Calls and faults ------------------------------------------------
    // Every call that can fail is counted and recorded: files, directories,
    // volumes, network connections, registry and sockets.

    // Runs before each counted call; a nonzero result fails it with that
    // code. It may also change the host tree, between the library's steps.
    std::function<DWORD(const HookedCall &call)> before;

    // Fails the k-th counted call from now (from 1); 0 fails nothing.
    void FailCall(int k, DWORD error = ERROR_ACCESS_DENIED);
    // Fails calls of `service` ("" any) whose path is `path` ("" any; letter
    // case ignored) with `error`: from the `nth` such call on (1: the next),
    // once or for good.
    void Fail(const std::string &service, const std::string &path, DWORD error,
              Times times = Times::Always, int nth = 1);
    void ClearFaults();

    // The call failed last by a fault or by `before`, or null.
    const HookedCall *Injected() const;
    const std::vector<HookedCall> &Calls() const { return calls_; }
    void ClearCalls();
    int CountCalls(const std::string &name, const std::string &path = std::string()) const;
    std::vector<std::string> PathsOf(const std::string &name) const;

    // What a test left behind: handles, finds, keys or sockets open,
    // WSAStartup unbalanced, the error mode not put back. Empty when clean.
    std::vector<std::string> Leaks() const;
    int OpenHandles() const { return static_cast<int>(files_.size() + finds_.size()); }

    // ---- Answers in place of the backend's --------------------------------
    // Keyed by root: "C:\" or "\\server\share\" (letter case ignored).
    std::map<std::string, Volume> volumes;
    // Drives whose type alone is changed, by letter ('C').
    std::map<char, UINT> driveTypes;
    // GetProcAddress has no GetDiskFreeSpaceExA (as on old systems).
    bool noDiskFreeSpaceEx = false;
    // Remembered connections by letter: the remote name, and whether it is
    // connected now (else WNetGetConnectionA answers 1201 with the name).
    struct Connection {
        std::string remote;
        bool connected = true;
    };
    std::map<char, Connection> connections;
    // When set, gethostbyname answers from here alone (no name is looked up
    // for real), and sockets go to the scripted ICMP peer.
    std::multimap<std::string, std::string> hosts;
    std::deque<Reply> replies;
    const std::vector<ScriptedSocket> &Sockets() const { return sockets_; }
    // The clock: starts at `start`, moves by `step` on each reading.
    void SetClock(DWORD start, DWORD step = 0);
    std::function<DWORD()> tickCount;  // or any other clock
    DWORD processId = 0;               // GetCurrentProcessId, when nonzero
    // Registry values in place of the backend's: key path as
    // "HKEY_LOCAL_MACHINE\SOFTWARE\X", value name, DWORD.
    void SetRegDword(const std::string &key, const std::string &name, DWORD value);

    // Debug output, one string a call (not passed on).
    std::vector<std::string> debugOutput;
    // Message boxes shown (answered IDOK, not passed on).
    struct Box {
        std::string text, caption;
        UINT type;
    };
    std::vector<Box> boxes;
    std::vector<UINT> errorModes;  // every mode set, in order
    std::vector<int> quits;        // PostQuitMessage codes (not passed on)

    // ---- Services --------------------------------------------------------
    const char *Name() const override { return "faults"; }
    HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                       DWORD disposition, DWORD flags, HANDLE templateFile) override;
    BOOL CloseHandle(HANDLE h) override;
    BOOL ReadFile(HANDLE h, LPVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED o) override;
    BOOL WriteFile(HANDLE h, LPCVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED o) override;
    DWORD SetFilePointer(HANDLE h, LONG d, PLONG high, DWORD method) override;
    DWORD GetFileSize(HANDLE h, LPDWORD high) override;
    BOOL DeleteFileA(LPCSTR n) override;
    BOOL MoveFileA(LPCSTR from, LPCSTR to) override;
    DWORD GetFileAttributesA(LPCSTR n) override;
    BOOL GetFileAttributesExA(LPCSTR n, GET_FILEEX_INFO_LEVELS l, LPVOID info) override;
    BOOL SetFileAttributesA(LPCSTR n, DWORD a) override;
    BOOL CreateDirectoryA(LPCSTR n, LPSECURITY_ATTRIBUTES sa) override;
    BOOL RemoveDirectoryA(LPCSTR n) override;
    BOOL DeleteFileInA(HANDLE h, LPCSTR n) override;
    BOOL RemoveDirectoryInA(HANDLE h, LPCSTR n) override;
    HANDLE FindFirstFileA(LPCSTR name, LPWIN32_FIND_DATAA data) override;
    HANDLE FindFirstFileInA(HANDLE parent, LPCSTR name, LPWIN32_FIND_DATAA data) override;
    BOOL FindNextFileA(HANDLE h, LPWIN32_FIND_DATAA data) override;
    BOOL FindClose(HANDLE h) override;
    UINT GetDriveTypeA(LPCSTR root) override;
    BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD spc, LPDWORD bps, LPDWORD freeC,
                           LPDWORD total) override;
    BOOL GetVolumeInformationA(LPCSTR root, LPSTR label, DWORD labelSize, LPDWORD serial,
                               LPDWORD maxLen, LPDWORD flags, LPSTR fs, DWORD fsSize) override;
    UINT SetErrorMode(UINT mode) override;
    FARPROC GetProcAddress(HMODULE m, LPCSTR n) override;
    DWORD GetTickCount() override;
    DWORD GetCurrentProcessId() override;
    void OutputDebugStringA(LPCSTR text) override;
    DWORD WNetGetConnectionA(LPCSTR local, LPSTR remote, LPDWORD n) override;
    LONG RegOpenKeyA(HKEY k, LPCSTR sub, PHKEY out) override;
    LONG RegQueryValueExA(HKEY k, LPCSTR n, LPDWORD reserved, LPDWORD type, LPBYTE data,
                          LPDWORD size) override;
    LONG RegCloseKey(HKEY k) override;
    int MessageBoxA(HWND w, LPCSTR text, LPCSTR caption, UINT type) override;
    void PostQuitMessage(int code) override;
    int WSAStartup(WORD version, LPWSADATA data) override;
    int WSACleanup() override;
    int WSAGetLastError() override;
    struct hostent *gethostbyname(const char *name) override;
    SOCKET socket(int af, int type, int protocol) override;
    int setsockopt(SOCKET s, int level, int n, const char *v, int len) override;
    int sendto(SOCKET s, const char *b, int len, int f, const struct sockaddr *to,
               int tl) override;
    int recvfrom(SOCKET s, char *b, int len, int f, struct sockaddr *from, int *fl) override;
    int closesocket(SOCKET s) override;

private:
    struct Rule {
        std::string service, path;
        DWORD error;
        Times times;
        int nth;
    };
    // Records the call; the error code that fails it, or 0.
    DWORD Enter(const char *name, const char *path);
    template <typename R, typename F>
    R Guard(const char *name, const char *path, R failed, F call)
    {
        if (DWORD e = Enter(name, path)) {
            inner_.SetLastError(e);
            return failed;
        }
        return call();
    }
    // A handle that `open` gives is noted in `handles` until closed.
    template <typename F>
    HANDLE Opened(const char *name, const char *path, std::set<HANDLE> &handles, F open)
    {
        return Guard(name, path, INVALID_HANDLE_VALUE, [&] {
            const HANDLE h = open();
            if (h != INVALID_HANDLE_VALUE)
                Note(handles, h, true);
            return h;
        });
    }
    // A failed close still releases the handle, as close() does when interrupted.
    template <typename F>
    BOOL Closed(const char *name, HANDLE h, std::set<HANDLE> &handles, F close)
    {
        const DWORD e = Enter(name, nullptr);
        const BOOL ok = close();
        if (ok)
            Note(handles, h, false);
        if (e)
            inner_.SetLastError(e);
        return e ? FALSE : ok;
    }
    void Note(std::set<HANDLE> &handles, HANDLE h, bool open);
    const Volume *VolumeOf(LPCSTR root) const;
    bool Scripted() const { return !hosts.empty(); }
    ScriptedSocket *SocketOf(SOCKET s);
    int SocketFails(int wsaError);
    static BOOL WINAPI DiskFreeSpaceEx(LPCSTR root, PULARGE_INTEGER caller, PULARGE_INTEGER total,
                                       PULARGE_INTEGER free);

    std::vector<HookedCall> calls_;
    std::vector<Rule> rules_;
    int countdown_ = 0;
    DWORD failError_ = 0;
    int injected_ = -1;
    std::set<HANDLE> files_, finds_;
    std::set<HKEY> keys_;
    std::map<std::string, std::map<std::string, DWORD>> regDwords_;
    std::map<HKEY, std::string> fakeKeys_;
    std::vector<ScriptedSocket> sockets_;
    struct HostEntry;
    std::unique_ptr<HostEntry> hostEntry_;
    int wsaBalance_ = 0;
    int wsaError_ = 0;
    bool wsaErrorSet_ = false;
    DWORD clock_ = 0, step_ = 0;
    UINT firstMode_ = 0;
    FARPROC innerFreeSpaceEx_ = nullptr;
};

// A FaultServices installed for its lifetime: the library's calls in the
// scope go through it.
class ScopedFaults : public FaultServices {
public:
    ScopedFaults() : install_(*this) {}
    explicit ScopedFaults(platform::Services &inner) : FaultServices(inner), install_(*this) {}

private:
    platform::ScopedServices install_;
};

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_SUPPORT_FAULT_SERVICES_H
