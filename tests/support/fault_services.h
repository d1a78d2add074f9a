// The tests' one way to make the platform misbehave: a decorator over the
// backend in force (POSIX natively, Win32 under Wine) that records calls, fails
// chosen ones with a Windows error code, answers for what the host cannot be
// made to show, and may change the real tree between two of the library's steps.
#ifndef BRENVIK_TESTS_SUPPORT_FAULT_SERVICES_H
#define BRENVIK_TESTS_SUPPORT_FAULT_SERVICES_H

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/forwarding_services.h"

namespace brenvik {
namespace test {

struct HookedCall {
    std::string name;  // "DeleteFileA"
    std::string path;  // its first path or name argument, or empty
};

enum class Times { Once, Always };

// A volume as the drive type, volume information and free space queries see it.
struct Volume {
    UINT type = DRIVE_FIXED;
    bool medium = true;  // without one, the volume queries fail with 21
    std::string label;
    DWORD flags = 0;
    DWORD sectorsPerCluster = 8, bytesPerSector = 512, freeClusters = 0, totalClusters = 0;
    // GetDiskFreeSpaceExA's figures; unless set, derived from the clusters.
    bool bytesSet = false;
    uint64_t totalBytes = 0, freeBytes = 0, callerFreeBytes = 0;

    Volume &Clusters(DWORD spc, DWORD bps, DWORD freeC, DWORD totalC)
    {
        sectorsPerCluster = spc;
        bytesPerSector = bps;
        freeClusters = freeC;
        totalClusters = totalC;
        return *this;
    }
    Volume &Bytes(uint64_t total, uint64_t free, uint64_t callerFree)
    {
        bytesSet = true;
        totalBytes = total;
        freeBytes = free;
        callerFreeBytes = callerFree;
        return *this;
    }
};

// One answer of the scripted ICMP peer to a recvfrom.
class Reply {
public:
    static Reply Echo() { return Reply(Kind::Echo); }  // the last request sent, echoed
    static Reply Datagram(const std::string &bytes) { return Reply(Kind::Datagram, bytes); }
    static Reply Error(int wsaError) { return Reply(Kind::Error, "", wsaError); }
    static Reply TimeOut() { return Reply(Kind::TimeOut); }  // the wait runs out (10060)
    static Reply Silence() { return TimeOut(); }

    // Echo: byte 0 of the ICMP message, and bytes laid over it from `offset`.
    // A datagram goes out as given, with no IP header added.
    Reply &Type(uint8_t byte0) { return Set(type_, byte0); }
    Reply &Patch(std::size_t offset, const std::string &bytes)
    {
        patches_.emplace_back(offset, bytes);
        return *this;
    }
    Reply &Truncate(std::size_t length) { return Set(truncate_, length); }
    Reply &From(const std::string &dotted) { return Set(from_, dotted); }  // else the peer
    Reply &Delay(DWORD ms) { return Set(delay_, ms); }  // the clock moves on this much first

private:
    template <typename T>
    Reply &Set(T &field, const T &value)
    {
        field = value;
        return *this;
    }
    friend class FaultServices;
    enum class Kind { Echo, Datagram, Error, TimeOut };
    explicit Reply(Kind k, std::string b = "", int e = 0) : kind_(k), bytes_(b), error_(e) {}
    Kind kind_;
    std::string bytes_;
    int error_;
    uint8_t type_ = 0;
    std::vector<std::pair<std::size_t, std::string>> patches_;
    std::size_t truncate_ = static_cast<std::size_t>(-1);
    std::string from_;
    DWORD delay_ = 0;
};

// A socket of the scripted peer, as the library left it.
struct ScriptedSocket {
    int af, type, protocol;
    bool open = true, hasReceiveTimeout = false;
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
    FaultServices();  // over the backend in force now
    explicit FaultServices(platform::Services &inner);
    ~FaultServices() override;

    // Counted and recorded: every call that can fail. Runs before each; a
    // nonzero result fails it with that code.
    std::function<DWORD(const HookedCall &call)> before;
    // Fails calls of `service` ("" any) whose path is `path` ("" any; letter
    // case ignored) with `error`: from the `nth` such call on, once or for good.
    void Fail(const std::string &service, const std::string &path, DWORD error,
              Times times = Times::Always, int nth = 1);
    void ClearFaults() { rules_.clear(); }

    // The call failed last by a fault or by `before`, or null.
    const HookedCall *Injected() const { return injected_ < 0 ? nullptr : &calls_[injected_]; }
    const std::vector<HookedCall> &Calls() const { return calls_; }
    void ClearCalls()
    {
        calls_.clear();
        injected_ = -1;
    }
    int CountCalls(const std::string &name, const std::string &path = std::string()) const;
    std::vector<std::string> PathsOf(const std::string &name) const;

    // What a test left open or unbalanced, or the error mode not put back.
    std::vector<std::string> Leaks() const;

    // Answers in place of the backend's. Volumes by root: "C:\" or
    // "\\server\share\" (letter case ignored); drive types alone by letter ('C').
    std::map<std::string, Volume> volumes;
    std::map<char, UINT> driveTypes;
    bool noDiskFreeSpaceEx = false;  // as on old systems
    // Remembered connections by letter; one not connected now answers 1201.
    struct Connection { std::string remote; bool connected = true; };
    std::map<char, Connection> connections;
    // When set, gethostbyname answers from here alone (no name is looked up
    // for real), and sockets go to the scripted ICMP peer.
    std::multimap<std::string, std::string> hosts;
    std::deque<Reply> replies;
    const std::vector<ScriptedSocket> &Sockets() const { return sockets_; }
    // The clock: starts at `start`, moves by `step` on each reading.
    void SetClock(DWORD start, DWORD step = 0)
    {
        clockSet_ = true;
        clock_ = start;
        step_ = step;
    }
    DWORD processId = 0;  // GetCurrentProcessId, when nonzero
    // Key path as "HKEY_LOCAL_MACHINE\SOFTWARE\X".
    void SetRegDword(const std::string &key, const std::string &name, DWORD value);

    // Recorded and not passed on (a message box answers IDOK).
    std::vector<std::string> debugOutput;
    struct Box { std::string text, caption; UINT type; };
    std::vector<Box> boxes;
    std::vector<int> quits;
    std::vector<UINT> errorModes;  // every mode set, in order (passed on)

#define BRENVIK_GUARDED(R, name, path, failed, params, args) \
    R name params override { return Guard(#name, path, failed, [&] { return inner_.name args; }); }
    BRENVIK_GUARDED(DWORD, SetFilePointer, nullptr, INVALID_SET_FILE_POINTER,
                    (HANDLE h, LONG d, PLONG high, DWORD method), (h, d, high, method))
    BRENVIK_GUARDED(DWORD, GetFileSize, nullptr, INVALID_FILE_SIZE, (HANDLE h, LPDWORD high),
                    (h, high))
    BRENVIK_GUARDED(BOOL, DeleteFileA, n, FALSE, (LPCSTR n), (n))
    BRENVIK_GUARDED(BOOL, MoveFileA, from, FALSE, (LPCSTR from, LPCSTR to), (from, to))
    BRENVIK_GUARDED(DWORD, GetFileAttributesA, n, INVALID_FILE_ATTRIBUTES, (LPCSTR n), (n))
    BRENVIK_GUARDED(BOOL, GetFileAttributesExA, n, FALSE,
                    (LPCSTR n, GET_FILEEX_INFO_LEVELS l, LPVOID info), (n, l, info))
    BRENVIK_GUARDED(BOOL, SetFileAttributesA, n, FALSE, (LPCSTR n, DWORD a), (n, a))
    BRENVIK_GUARDED(BOOL, CreateDirectoryA, n, FALSE, (LPCSTR n, LPSECURITY_ATTRIBUTES sa), (n, sa))
    BRENVIK_GUARDED(BOOL, RemoveDirectoryA, n, FALSE, (LPCSTR n), (n))
    BRENVIK_GUARDED(BOOL, DeleteFileInA, n, FALSE, (HANDLE h, LPCSTR n), (h, n))
    BRENVIK_GUARDED(BOOL, RemoveDirectoryInA, n, FALSE, (HANDLE h, LPCSTR n), (h, n))
#undef BRENVIK_GUARDED
    const char *Name() const override { return "faults"; }
    HANDLE CreateFileA(LPCSTR n, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                       DWORD disposition, DWORD flags, HANDLE templ) override
    {
        return Opened("CreateFileA", n, files_, [&] {
            return inner_.CreateFileA(n, access, share, sa, disposition, flags, templ);
        });
    }
    HANDLE FindFirstFileA(LPCSTR n, LPWIN32_FIND_DATAA d) override
    {
        return Opened("FindFirstFileA", n, finds_, [&] { return inner_.FindFirstFileA(n, d); });
    }
    HANDLE FindFirstFileInA(HANDLE parent, LPCSTR n, LPWIN32_FIND_DATAA d) override
    {
        return Opened("FindFirstFileInA", n, finds_,
                      [&] { return inner_.FindFirstFileInA(parent, n, d); });
    }
    BOOL CloseHandle(HANDLE h) override
    {
        return Closed("CloseHandle", h, files_, [&] { return inner_.CloseHandle(h); });
    }
    BOOL FindClose(HANDLE h) override
    {
        return Closed("FindClose", h, finds_, [&] { return inner_.FindClose(h); });
    }
    BOOL ReadFile(HANDLE h, LPVOID b, DWORD n, LPDWORD done, LPOVERLAPPED o) override;
    BOOL WriteFile(HANDLE h, LPCVOID b, DWORD n, LPDWORD done, LPOVERLAPPED o) override;
    BOOL FindNextFileA(HANDLE h, LPWIN32_FIND_DATAA data) override;
    UINT GetDriveTypeA(LPCSTR root) override;
    BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD spc, LPDWORD bps, LPDWORD freeC,
                           LPDWORD total) override;
    BOOL GetVolumeInformationA(LPCSTR root, LPSTR label, DWORD labelSize, LPDWORD serial,
                               LPDWORD maxLen, LPDWORD flags, LPSTR fs, DWORD fsSize) override;
    UINT SetErrorMode(UINT mode) override;
    FARPROC GetProcAddress(HMODULE m, LPCSTR n) override;
    DWORD GetTickCount() override
    {
        return clockSet_ ? (clock_ += step_) - step_ : inner_.GetTickCount();
    }
    DWORD GetCurrentProcessId() override
    {
        return processId ? processId : inner_.GetCurrentProcessId();
    }
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
    int WSAGetLastError() override { return wsaErrorSet_ ? wsaError_ : inner_.WSAGetLastError(); }
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
    // A guarded volume query: the backend's answer, or `answer` for a volume of ours.
    template <typename F, typename G>
    BOOL OnVolume(const char *name, LPCSTR root, F inner, G answer)
    {
        return Guard(name, root, FALSE, [&]() -> BOOL {
            const Volume *v = VolumeOf(root);
            if (v && !v->medium)
                inner_.SetLastError(ERROR_NOT_READY);
            return !v ? inner() : v->medium && answer(*v);
        });
    }
    const Volume *VolumeOf(LPCSTR root) const;
    // Records a socket call; when it is failed, WSAGetLastError answers its error.
    bool SocketFault(const char *name, const char *path = nullptr);
    int SocketFails(int wsaError);
    ScriptedSocket *SocketOf(SOCKET s);  // null unless scripted
    static BOOL WINAPI DiskFreeSpaceEx(LPCSTR root, PULARGE_INTEGER caller, PULARGE_INTEGER total,
                                       PULARGE_INTEGER free);

    std::vector<HookedCall> calls_;
    std::vector<Rule> rules_;
    int injected_ = -1;
    std::set<HANDLE> files_, finds_;
    std::set<HKEY> keys_;
    std::map<std::string, std::map<std::string, DWORD>> regDwords_;
    std::map<HKEY, std::string> fakeKeys_;
    std::vector<ScriptedSocket> sockets_;
    struct hostent hostEntry_ = {};  // what gethostbyname answers last, and what it points into
    std::vector<uint32_t> hostAddresses_;
    std::vector<char *> hostList_;
    std::string hostName_;
    int wsaBalance_ = 0, wsaError_ = 0;
    bool wsaErrorSet_ = false, clockSet_ = false;
    DWORD clock_ = 0, step_ = 0;
    UINT firstMode_ = 0;
    FARPROC innerFreeSpaceEx_ = nullptr;
};

// Installed for its lifetime: the library's calls in the scope go through it.
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
