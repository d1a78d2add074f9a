#include "support/fault_services.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <mutex>

#if !defined(_WIN32)
#include <arpa/inet.h>
#endif

namespace brenvik {
namespace test {

namespace {

// The library asks for GetDiskFreeSpaceExA by name and calls a plain function;
// it finds the decorator that handed it out here. Decorators nest like scopes.
std::vector<FaultServices *> g_live;
std::recursive_mutex g_mu;  // the decorator's records, which threads share

std::string Upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

// "c:" and "C:\" both name "C:\"; a share's root keeps its closing separator.
std::string RootKey(LPCSTR root)
{
    std::string key = Upper(root ? root : "");
    std::replace(key.begin(), key.end(), '/', '\\');
    if (!key.empty() && key.back() != '\\')
        key += '\\';
    return key;
}

// A minimal IPv4 header before an ICMP message, as a raw socket delivers it.
std::string Ipv4Header(uint32_t from, std::size_t bodySize)
{
    unsigned char h[20] = {0x45, 0, 0, 0, 0, 0, 0, 0, 64, 1, 0, 0, 0, 0, 0, 0, 127, 0, 0, 1};
    h[2] = static_cast<unsigned char>((20 + bodySize) >> 8);
    h[3] = static_cast<unsigned char>((20 + bodySize) & 0xFF);
    std::memcpy(h + 12, &from, 4);
    return std::string(reinterpret_cast<char *>(h), 20);
}

template <typename T, typename V>
void Put(T *out, V value)
{
    if (out)
        *out = static_cast<T>(value);
}

void Put(PULARGE_INTEGER out, uint64_t value)
{
    if (out)
        out->QuadPart = value;
}

constexpr uintptr_t kFakeKeyBase = 0x7F000000u;
constexpr uintptr_t kFakeSocketBase = 0x5A000000u;

}  // namespace

FaultServices::FaultServices() : FaultServices(platform::sys()) {}

FaultServices::FaultServices(platform::Services &inner)
    : ForwardingServices(inner)
{
    std::lock_guard<std::recursive_mutex> lock(g_mu);
    g_live.push_back(this);
}

FaultServices::~FaultServices()
{
    std::lock_guard<std::recursive_mutex> lock(g_mu);
    g_live.erase(std::remove(g_live.begin(), g_live.end(), this), g_live.end());
}

void FaultServices::Fail(const std::string &service, const std::string &path, DWORD error,
                         Times times, int nth)
{
    rules_.push_back(Rule{service, Upper(path), error, times, nth});
}

int FaultServices::CountCalls(const std::string &name, const std::string &path) const
{
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(), [&](const HookedCall &c) {
        return c.name == name && (path.empty() || c.path == path);
    }));
}

std::vector<std::string> FaultServices::PathsOf(const std::string &name) const
{
    std::vector<std::string> paths;
    for (const HookedCall &call : calls_)
        if (call.name == name)
            paths.push_back(call.path);
    return paths;
}

std::vector<std::string> FaultServices::Leaks() const
{
    std::vector<std::string> out;
    if (!files_.empty())
        out.push_back(std::to_string(files_.size()) + " file handle(s) open");
    if (!finds_.empty())
        out.push_back(std::to_string(finds_.size()) + " find handle(s) open");
    if (!keys_.empty() || !fakeKeys_.empty())
        out.push_back(std::to_string(keys_.size() + fakeKeys_.size()) + " registry key(s) open");
    for (const ScriptedSocket &s : sockets_)
        if (s.open)
            out.push_back("a socket open");
    if (wsaBalance_ != 0)
        out.push_back("WSAStartup unbalanced by " + std::to_string(wsaBalance_));
    if (!errorModes.empty() && errorModes.back() != firstMode_)
        out.push_back("error mode left at " + std::to_string(errorModes.back()));
    return out;
}

void FaultServices::Note(std::set<HANDLE> &handles, HANDLE h, bool open)
{
    std::lock_guard<std::recursive_mutex> lock(g_mu);
    handles.erase(h);
    if (open)
        handles.insert(h);
}

DWORD FaultServices::Enter(const char *name, const char *path)
{
    std::lock_guard<std::recursive_mutex> lock(g_mu);
    const HookedCall call{name, path ? path : ""};
    DWORD error = before ? before(call) : 0;
    for (auto rule = rules_.begin(); error == 0 && rule != rules_.end(); ++rule) {
        if ((!rule->service.empty() && rule->service != name) ||
            (!rule->path.empty() && rule->path != Upper(call.path)) || --rule->nth > 0)
            continue;
        error = rule->error;
        if (rule->times == Times::Once)
            rules_.erase(rule);
        else
            rule->nth = 1;
        break;
    }
    calls_.push_back(call);
    if (error != 0)
        injected_ = static_cast<int>(calls_.size() - 1);
    return error;
}

BOOL FaultServices::ReadFile(HANDLE h, LPVOID b, DWORD n, LPDWORD done, LPOVERLAPPED o)
{
    Put(done, 0);
    return Guard("ReadFile", nullptr, FALSE, [&] { return inner_.ReadFile(h, b, n, done, o); });
}

BOOL FaultServices::WriteFile(HANDLE h, LPCVOID b, DWORD n, LPDWORD done, LPOVERLAPPED o)
{
    Put(done, 0);
    return Guard("WriteFile", nullptr, FALSE, [&] { return inner_.WriteFile(h, b, n, done, o); });
}

BOOL FaultServices::FindNextFileA(HANDLE h, LPWIN32_FIND_DATAA data)
{
    if (DWORD e = Enter("FindNextFileA", nullptr)) {
        // The entry the call would have brought is lost, as when a listing breaks off.
        WIN32_FIND_DATAA lost;
        inner_.FindNextFileA(h, &lost);
        inner_.SetLastError(e);
        return FALSE;
    }
    return inner_.FindNextFileA(h, data);
}

const Volume *FaultServices::VolumeOf(LPCSTR root) const
{
    for (const auto &entry : volumes)
        if (root && RootKey(entry.first.c_str()) == RootKey(root))
            return &entry.second;
    return nullptr;
}

UINT FaultServices::GetDriveTypeA(LPCSTR root)
{
    if (const Volume *v = VolumeOf(root))
        return v->type;
    const auto t = root && root[0] && root[1] == ':'
                       ? driveTypes.find(static_cast<char>(std::toupper(root[0] & 0xFF)))
                       : driveTypes.end();
    return t != driveTypes.end() ? t->second : inner_.GetDriveTypeA(root);
}

BOOL FaultServices::GetDiskFreeSpaceA(LPCSTR root, LPDWORD spc, LPDWORD bps, LPDWORD freeC,
                                      LPDWORD total)
{
    return OnVolume(
        "GetDiskFreeSpaceA", root,
        [&] { return inner_.GetDiskFreeSpaceA(root, spc, bps, freeC, total); },
        [&](const Volume &v) {
            Put(spc, v.sectorsPerCluster);
            Put(bps, v.bytesPerSector);
            Put(freeC, v.freeClusters);
            Put(total, v.totalClusters);
            return true;
        });
}

BOOL WINAPI FaultServices::DiskFreeSpaceEx(LPCSTR root, PULARGE_INTEGER caller,
                                           PULARGE_INTEGER total, PULARGE_INTEGER free)
{
    std::unique_lock<std::recursive_mutex> lock(g_mu);
    FaultServices *const self = g_live.back();
    lock.unlock();
    const auto inner = reinterpret_cast<PFN_GetDiskFreeSpaceExA>(
        reinterpret_cast<void (*)()>(self->innerFreeSpaceEx_));
    return self->OnVolume(
        "GetDiskFreeSpaceExA", root, [&] { return inner(root, caller, total, free); },
        [&](const Volume &v) {
            const uint64_t cluster = uint64_t(v.sectorsPerCluster) * v.bytesPerSector;
            const uint64_t f = v.bytesSet ? v.freeBytes : cluster * v.freeClusters;
            Put(caller, v.bytesSet ? v.callerFreeBytes : f);
            Put(free, f);
            Put(total, v.bytesSet ? v.totalBytes : cluster * v.totalClusters);
            return true;
        });
}

FARPROC FaultServices::GetProcAddress(HMODULE m, LPCSTR n)
{
    FARPROC p = inner_.GetProcAddress(m, n);
    if (!n || std::strcmp(n, "GetDiskFreeSpaceExA") != 0 || !p)
        return p;
    if (noDiskFreeSpaceEx) {
        inner_.SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    innerFreeSpaceEx_ = p;
    PFN_GetDiskFreeSpaceExA entry = &DiskFreeSpaceEx;
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(entry));
}

BOOL FaultServices::GetVolumeInformationA(LPCSTR root, LPSTR label, DWORD labelSize,
                                          LPDWORD serial, LPDWORD maxLen, LPDWORD flags, LPSTR fs,
                                          DWORD fsSize)
{
    return OnVolume(
        "GetVolumeInformationA", root,
        [&] {
            return inner_.GetVolumeInformationA(root, label, labelSize, serial, maxLen, flags, fs,
                                                fsSize);
        },
        [&](const Volume &v) {
            if (label)
                std::snprintf(label, labelSize, "%s", v.label.c_str());
            Put(flags, v.flags);
            return true;
        });
}

UINT FaultServices::SetErrorMode(UINT mode)
{
    const UINT previous = inner_.SetErrorMode(mode);
    std::lock_guard<std::recursive_mutex> lock(g_mu);
    if (errorModes.empty())
        firstMode_ = previous;
    errorModes.push_back(mode);
    return previous;
}

void FaultServices::OutputDebugStringA(LPCSTR text)
{
    std::lock_guard<std::recursive_mutex> lock(g_mu);
    debugOutput.push_back(text ? text : "");
}

int FaultServices::MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type)
{
    std::lock_guard<std::recursive_mutex> lock(g_mu);
    boxes.push_back(Box{text ? text : "", caption ? caption : "", type});
    return IDOK;
}

void FaultServices::PostQuitMessage(int code)
{
    std::lock_guard<std::recursive_mutex> lock(g_mu);
    quits.push_back(code);
}

DWORD FaultServices::WNetGetConnectionA(LPCSTR local, LPSTR remote, LPDWORD n)
{
    if (DWORD e = Enter("WNetGetConnectionA", local)) {
        inner_.SetLastError(e);
        return e;
    }
    const bool letter = local && local[0] && local[1] == ':' &&
                        (!local[2] || (local[2] == '\\' && !local[3]));
    auto c = letter ? connections.find(static_cast<char>(std::toupper(local[0] & 0xFF)))
                    : connections.end();
    if (c == connections.end())
        return inner_.WNetGetConnectionA(local, remote, n);
    std::snprintf(remote, *n, "%s", c->second.remote.c_str());
    if (!c->second.connected)
        inner_.SetLastError(ERROR_CONNECTION_UNAVAIL);
    return c->second.connected ? NO_ERROR : ERROR_CONNECTION_UNAVAIL;
}

void FaultServices::SetRegDword(const std::string &key, const std::string &name, DWORD value)
{
    regDwords_[Upper(key)][Upper(name)] = value;
}

LONG FaultServices::RegOpenKeyA(HKEY k, LPCSTR sub, PHKEY out)
{
    if (DWORD e = Enter("RegOpenKeyA", sub))
        return static_cast<LONG>(e);
    const std::string path = Upper(std::string("HKEY_LOCAL_MACHINE\\") + (sub ? sub : ""));
    if (k == HKEY_LOCAL_MACHINE && regDwords_.count(path) && out) {
        std::lock_guard<std::recursive_mutex> lock(g_mu);
        static uintptr_t next = 0;
        *out = reinterpret_cast<HKEY>(kFakeKeyBase + ++next);
        fakeKeys_[*out] = path;
        return ERROR_SUCCESS;
    }
    const LONG r = inner_.RegOpenKeyA(k, sub, out);
    std::lock_guard<std::recursive_mutex> lock(g_mu);
    if (r == ERROR_SUCCESS && out)
        keys_.insert(*out);
    return r;
}

LONG FaultServices::RegQueryValueExA(HKEY k, LPCSTR n, LPDWORD reserved, LPDWORD type,
                                     LPBYTE data, LPDWORD size)
{
    if (DWORD e = Enter("RegQueryValueExA", n))
        return static_cast<LONG>(e);
    auto fake = fakeKeys_.find(k);
    if (fake == fakeKeys_.end())
        return inner_.RegQueryValueExA(k, n, reserved, type, data, size);
    Put(type, REG_DWORD);
    Put(size, sizeof(DWORD));
    std::memcpy(data, &regDwords_[fake->second].at(Upper(n)), sizeof(DWORD));
    return ERROR_SUCCESS;
}

LONG FaultServices::RegCloseKey(HKEY k)
{
    std::lock_guard<std::recursive_mutex> lock(g_mu);
    if (fakeKeys_.erase(k))
        return ERROR_SUCCESS;
    keys_.erase(k);
    return inner_.RegCloseKey(k);
}

int FaultServices::SocketFails(int wsaError)
{
    wsaError_ = wsaError;
    wsaErrorSet_ = true;
    return SOCKET_ERROR;
}

bool FaultServices::SocketFault(const char *name, const char *path)
{
    wsaErrorSet_ = false;
    const DWORD e = Enter(name, path);
    return e != 0 && SocketFails(static_cast<int>(e)) == SOCKET_ERROR;
}

ScriptedSocket *FaultServices::SocketOf(SOCKET s)
{
    const uintptr_t i = static_cast<uintptr_t>(s) - kFakeSocketBase;
    return !hosts.empty() && i < sockets_.size() ? &sockets_[i] : nullptr;
}

int FaultServices::WSAStartup(WORD version, LPWSADATA data)
{
    wsaErrorSet_ = false;
    if (DWORD e = Enter("WSAStartup", nullptr))
        return static_cast<int>(e);  // WSAStartup answers with its error
    const int r = inner_.WSAStartup(version, data);
    wsaBalance_ += r == 0;
    return r;
}

int FaultServices::WSACleanup()
{
    const bool failed = SocketFault("WSACleanup");  // still ends the use, as a failed close does
    const int r = inner_.WSACleanup();
    wsaBalance_ -= r == 0;
    return failed ? SOCKET_ERROR : r;
}

struct hostent *FaultServices::gethostbyname(const char *name)
{
    if (SocketFault("gethostbyname", name))
        return nullptr;
    if (hosts.empty())
        return inner_.gethostbyname(name);
    hostAddresses_.clear();
    hostName_ = name ? name : "";
    for (auto range = hosts.equal_range(hostName_); range.first != range.second; ++range.first)
        hostAddresses_.push_back(inet_addr(range.first->second.c_str()));
    if (hostAddresses_.empty()) {
        SocketFails(WSAHOST_NOT_FOUND);
        return nullptr;
    }
    hostList_.clear();
    for (uint32_t &a : hostAddresses_)
        hostList_.push_back(reinterpret_cast<char *>(&a));
    hostList_.push_back(nullptr);
    hostEntry_ = {&hostName_[0], nullptr, AF_INET, 4, hostList_.data()};
    return &hostEntry_;
}

SOCKET FaultServices::socket(int af, int type, int protocol)
{
    if (SocketFault("socket"))
        return INVALID_SOCKET;
    if (hosts.empty())
        return inner_.socket(af, type, protocol);
    sockets_.push_back(ScriptedSocket{af, type, protocol, true, false, 0, {}});
    return static_cast<SOCKET>(kFakeSocketBase + sockets_.size() - 1);
}

int FaultServices::setsockopt(SOCKET s, int level, int n, const char *v, int len)
{
    if (SocketFault("setsockopt"))
        return SOCKET_ERROR;
    ScriptedSocket *so = SocketOf(s);
    if (!so)
        return inner_.setsockopt(s, level, n, v, len);
    if (level == SOL_SOCKET && n == SO_RCVTIMEO) {
        so->hasReceiveTimeout = true;
        std::memcpy(&so->receiveTimeoutMs, v, sizeof(DWORD));  // the Windows form
    }
    return 0;
}

int FaultServices::sendto(SOCKET s, const char *b, int len, int f, const struct sockaddr *to,
                          int tl)
{
    if (SocketFault("sendto"))
        return SOCKET_ERROR;
    ScriptedSocket *so = SocketOf(s);
    if (!so)
        return inner_.sendto(s, b, len, f, to, tl);
    struct sockaddr_in sin;
    std::memcpy(&sin, to, sizeof sin);
    so->sent.push_back(ScriptedSocket::Sent{std::string(b, static_cast<std::size_t>(len)),
                                            inet_ntoa(sin.sin_addr), ntohs(sin.sin_port)});
    return len;
}

int FaultServices::recvfrom(SOCKET s, char *b, int len, int f, struct sockaddr *from, int *fl)
{
    if (SocketFault("recvfrom"))
        return SOCKET_ERROR;
    ScriptedSocket *so = SocketOf(s);
    if (!so)
        return inner_.recvfrom(s, b, len, f, from, fl);
    Reply r = Reply::TimeOut();
    if (!replies.empty()) {
        r = replies.front();
        replies.pop_front();
    }
    clock_ += r.delay_;
    if (r.kind_ == Reply::Kind::Error)
        return SocketFails(r.error_);
    if (r.kind_ == Reply::Kind::TimeOut || (r.kind_ == Reply::Kind::Echo && so->sent.empty())) {
        clock_ += so->hasReceiveTimeout ? so->receiveTimeoutMs : 0;
        return SocketFails(WSAETIMEDOUT);
    }
    const uint32_t fromAddr = inet_addr(!r.from_.empty()    ? r.from_.c_str()
                                        : so->sent.empty() ? "0.0.0.0"
                                                            : so->sent.back().to.c_str());
    std::string datagram = r.bytes_;
    if (r.kind_ == Reply::Kind::Echo) {
        std::string body = so->sent.back().bytes;
        if (!body.empty())
            body[0] = static_cast<char>(r.type_);
        for (const auto &patch : r.patches_)
            for (std::size_t i = 0; i < patch.second.size() && patch.first + i < body.size(); ++i)
                body[patch.first + i] = patch.second[i];
        datagram = Ipv4Header(fromAddr, body.size()) + body;
    }
    datagram.resize(std::min({datagram.size(), r.truncate_, static_cast<std::size_t>(len)}));
    std::memcpy(b, datagram.data(), datagram.size());
    if (from && fl && *fl >= static_cast<int>(sizeof(struct sockaddr_in))) {
        struct sockaddr_in sin;
        std::memset(&sin, 0, sizeof sin);
        sin.sin_family = AF_INET;
        std::memcpy(&sin.sin_addr, &fromAddr, 4);
        std::memcpy(from, &sin, sizeof sin);
        *fl = static_cast<int>(sizeof sin);
    }
    return static_cast<int>(datagram.size());
}

int FaultServices::closesocket(SOCKET s)
{
    const bool failed = SocketFault("closesocket");
    ScriptedSocket *so = SocketOf(s);
    if (so)
        so->open = false;
    const int r = so ? 0 : inner_.closesocket(s);
    return failed ? SOCKET_ERROR : r;
}

}  // namespace test
}  // namespace brenvik
