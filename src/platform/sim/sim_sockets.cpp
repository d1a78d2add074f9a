// Windows sockets: start-up, name resolution, and datagram sockets whose
// replies come from a script.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/sim/sim_state.h"

namespace brenvik {
namespace sim {

namespace {

// What gethostbyname and inet_ntoa hand out: one of each per thread, as
// Windows keeps them, valid until the thread's next such call.
struct ThreadResults {
    struct hostent hostEntry{};
    std::string hostName;
    std::vector<uint32_t> hostAddrs;
    std::vector<char *> hostAddrPtrs;
    char *hostAliases[1] = {nullptr};
    char ntoa[16] = {};
};
thread_local ThreadResults t_results;

constexpr int kWsaDestAddrRequired = 10039;
constexpr unsigned long kInaddrNone = 0xFFFFFFFFUL;

std::string Dotted(uint32_t addr)
{
    unsigned char b[4];
    std::memcpy(b, &addr, 4);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return buf;
}

// BSD rules: one to four parts, each decimal, octal (leading 0) or hex
// (0x); the last part fills the remaining bytes. Trailing white space ends
// the text.
bool ParseInetAddr(const char *cp, uint32_t *out)
{
    if (!cp || !*cp)
        return false;
    unsigned long parts[4];
    int n = 0;
    const char *p = cp;
    for (;;) {
        if (!(*p >= '0' && *p <= '9'))
            return false;
        unsigned long v = 0;
        int base = 10;
        if (*p == '0') {
            base = 8;
            ++p;
            if (*p == 'x' || *p == 'X') {
                base = 16;
                ++p;
            }
        }
        int digits = 0;
        for (;; ++p) {
            int d;
            if (*p >= '0' && *p <= '9')
                d = *p - '0';
            else if (base == 16 && *p >= 'a' && *p <= 'f')
                d = *p - 'a' + 10;
            else if (base == 16 && *p >= 'A' && *p <= 'F')
                d = *p - 'A' + 10;
            else
                break;
            if (d >= base)
                return false;
            v = v * static_cast<unsigned long>(base) + static_cast<unsigned long>(d);
            if (v > 0xFFFFFFFFUL)
                return false;
            ++digits;
        }
        if (base == 16 && digits == 0)
            return false;
        if (n == 4)
            return false;
        parts[n++] = v;
        if (*p == '.') {
            ++p;
            continue;
        }
        break;
    }
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r')
        ++p;
    if (*p)
        return false;
    unsigned long value;
    switch (n) {
    case 1:
        value = parts[0];
        break;
    case 2:
        if (parts[0] > 0xFF || parts[1] > 0xFFFFFF)
            return false;
        value = (parts[0] << 24) | parts[1];
        break;
    case 3:
        if (parts[0] > 0xFF || parts[1] > 0xFF || parts[2] > 0xFFFF)
            return false;
        value = (parts[0] << 24) | (parts[1] << 16) | parts[2];
        break;
    default:
        for (int i = 0; i < 4; ++i)
            if (parts[i] > 0xFF)
                return false;
        value = (parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3];
        break;
    }
    unsigned char b[4] = {static_cast<unsigned char>(value >> 24),
                          static_cast<unsigned char>(value >> 16),
                          static_cast<unsigned char>(value >> 8),
                          static_cast<unsigned char>(value)};
    std::memcpy(out, b, 4);
    return true;
}

}  // namespace

bool ParseStrictDotted(const std::string &text, uint32_t *out)
{
    unsigned a[4];
    char tail;
    if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &a[0], &a[1], &a[2], &a[3], &tail) != 4)
        return false;
    unsigned char b[4];
    for (int i = 0; i < 4; ++i) {
        if (a[i] > 255)
            return false;
        b[i] = static_cast<unsigned char>(a[i]);
    }
    std::memcpy(out, b, 4);
    return true;
}

namespace {

SocketState *FindSocket(MachineState &s, SOCKET so)
{
    for (SocketState &st : s.sockets)
        if (st.info.open && st.info.handle == so)
            return &st;
    return nullptr;
}

// Counts a call on a socket; the open socket, or null, the error set, when a
// fault fires, before WSAStartup, or for a handle that is no open socket.
SocketState *SocketCall(MachineState &s, const char *service, const std::string &path, SOCKET so)
{
    DWORD e;
    if (s.Enter(service, path, nullptr, &e))
        return Fail(e, static_cast<SocketState *>(nullptr));
    if (s.wsaBalance <= 0)
        return Fail(WSANOTINITIALISED, static_cast<SocketState *>(nullptr));
    SocketState *st = FindSocket(s, so);
    if (!st)
        return Fail(WSAENOTSOCK, static_cast<SocketState *>(nullptr));
    return st;
}

// A 20-byte IPv4 header for a datagram from `from` carrying `payload` bytes.
std::string Ipv4Header(uint32_t from, int protocol, std::size_t payload)
{
    unsigned char h[20] = {};
    std::size_t total = 20 + payload;
    h[0] = 0x45;
    h[2] = static_cast<unsigned char>((total >> 8) & 0xFF);
    h[3] = static_cast<unsigned char>(total & 0xFF);
    h[8] = 128;  // time to live
    h[9] = static_cast<unsigned char>(protocol);
    std::memcpy(h + 12, &from, 4);
    const unsigned char local[4] = {127, 0, 0, 1};
    std::memcpy(h + 16, local, 4);
    uint32_t sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum += static_cast<uint32_t>((h[i] << 8) | h[i + 1]);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    uint16_t check = static_cast<uint16_t>(~sum);
    h[10] = static_cast<unsigned char>(check >> 8);
    h[11] = static_cast<unsigned char>(check & 0xFF);
    return std::string(reinterpret_cast<char *>(h), 20);
}

}  // namespace

// ---- Builder and queries -------------------------------------------------------------

void Machine::AddReply(const Reply &reply)
{
    Lock lock(state_->mu);
    state_->script.push_back(reply);
}

void Machine::AddReply(int socketOrdinal, const Reply &reply)
{
    Lock lock(state_->mu);
    if (socketOrdinal < 1)
        return;
    auto index = static_cast<std::size_t>(socketOrdinal - 1);
    if (index < state_->sockets.size())
        state_->sockets[index].script.push_back(reply);
    else
        state_->pendingScripts[socketOrdinal].push_back(reply);
}

std::vector<SocketInfo> Machine::Sockets() const
{
    Lock lock(state_->mu);
    std::vector<SocketInfo> out;
    for (const SocketState &s : state_->sockets)
        out.push_back(s.info);
    return out;
}

int Machine::WsaStartupBalance() const
{
    Lock lock(state_->mu);
    return state_->wsaBalance;
}

// ---- Services --------------------------------------------------------------------------

int Machine::WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    if (s.Enter("WSAStartup", std::string(), nullptr, &e))
        return static_cast<int>(e);
    if (!lpWSAData)
        return WSAEFAULT;
    const int major = wVersionRequested & 0xFF, minor = (wVersionRequested >> 8) & 0xFF;
    std::memset(lpWSAData, 0, sizeof *lpWSAData);
    lpWSAData->wHighVersion = MAKEWORD(2, 2);
    std::strcpy(lpWSAData->szDescription, "WinSock 2.0");
    std::strcpy(lpWSAData->szSystemStatus, "Running");
    if (major < 1) {
        lpWSAData->wVersion = MAKEWORD(2, 2);
        return WSAVERNOTSUPPORTED;
    }
    lpWSAData->wVersion =
        (major > 2 || (major == 2 && minor >= 2)) ? MAKEWORD(2, 2) : wVersionRequested;
    ++s.wsaBalance;
    return 0;
}

int Machine::WSACleanup()
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    bool fault = s.Enter("WSACleanup", std::string(), nullptr, &e);
    if (s.wsaBalance <= 0)
        return Fail(fault ? e : static_cast<DWORD>(WSANOTINITIALISED), SOCKET_ERROR);
    --s.wsaBalance;
    if (fault)
        return Fail(e, SOCKET_ERROR);
    return 0;
}

int Machine::WSAGetLastError()
{
    return static_cast<int>(Err());
}

struct hostent *Machine::gethostbyname(const char *name)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    if (s.Enter("gethostbyname", Str(name), nullptr, &e))
        return Fail(e, static_cast<struct hostent *>(nullptr));
    if (s.wsaBalance <= 0)
        return Fail(WSANOTINITIALISED, static_cast<struct hostent *>(nullptr));
    if (!name)
        return Fail(WSAEFAULT, static_cast<struct hostent *>(nullptr));
    std::vector<uint32_t> addrs;
    uint32_t a;
    if (ParseStrictDotted(name, &a)) {
        addrs.push_back(a);
    } else {
        auto it = s.hosts.find(Fold(name, 1252));
        if (it == s.hosts.end())
            return Fail(WSAHOST_NOT_FOUND, static_cast<struct hostent *>(nullptr));
        addrs = it->second;
    }
    ThreadResults &r = t_results;
    r.hostName = name;
    r.hostAddrs = addrs;
    r.hostAddrPtrs.clear();
    for (uint32_t &addr : r.hostAddrs)
        r.hostAddrPtrs.push_back(reinterpret_cast<char *>(&addr));
    r.hostAddrPtrs.push_back(nullptr);
    r.hostAliases[0] = nullptr;
    std::memset(&r.hostEntry, 0, sizeof r.hostEntry);
    r.hostEntry.h_name = &r.hostName[0];
    r.hostEntry.h_aliases = r.hostAliases;
    r.hostEntry.h_addrtype = AF_INET;
    r.hostEntry.h_length = 4;
    r.hostEntry.h_addr_list = r.hostAddrPtrs.data();
    return &r.hostEntry;
}

unsigned long Machine::inet_addr(const char *cp)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    if (s.Enter("inet_addr", Str(cp), nullptr, &e))
        return Fail(e, kInaddrNone);
    uint32_t a;
    if (!ParseInetAddr(cp, &a))
        return kInaddrNone;
    return a;
}

char *Machine::inet_ntoa(struct in_addr in)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    if (s.Enter("inet_ntoa", std::string(), nullptr, &e))
        return Fail(e, static_cast<char *>(nullptr));
    uint32_t a;
    std::memcpy(&a, &in, 4);
    std::string text = Dotted(a);
    std::memcpy(t_results.ntoa, text.c_str(), text.size() + 1);
    return t_results.ntoa;
}

SOCKET Machine::socket(int af, int type, int protocol)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    if (s.Enter("socket", std::string(), nullptr, &e))
        return Fail(e, INVALID_SOCKET);
    if (s.wsaBalance <= 0)
        return Fail(WSANOTINITIALISED, INVALID_SOCKET);
    if (af != AF_INET)
        return Fail(WSAEAFNOSUPPORT, INVALID_SOCKET);
    if (type != SOCK_STREAM && type != SOCK_DGRAM && type != SOCK_RAW)
        return Fail(WSAESOCKTNOSUPPORT, INVALID_SOCKET);
    SocketState st;
    st.info.handle = static_cast<SOCKET>(s.NewHandle());
    st.info.af = af;
    st.info.type = type;
    st.info.protocol = protocol;
    st.info.open = true;
    st.info.hasReceiveTimeout = false;
    st.info.receiveTimeoutMs = 0;
    st.info.receives = 0;
    int ordinal = static_cast<int>(s.sockets.size()) + 1;
    auto pending = s.pendingScripts.find(ordinal);
    if (pending != s.pendingScripts.end()) {
        st.script = pending->second;
        s.pendingScripts.erase(pending);
    }
    s.sockets.push_back(st);
    return st.info.handle;
}

int Machine::setsockopt(SOCKET so, int level, int optname, const char *optval, int optlen)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    SocketState *st = SocketCall(s, "setsockopt", std::string(), so);
    if (!st)
        return SOCKET_ERROR;
    if (!optval)
        return Fail(WSAEFAULT, SOCKET_ERROR);
    if (level == SOL_SOCKET && optname == SO_RCVTIMEO) {
        // Milliseconds as a DWORD, the Windows form.
        if (optlen < static_cast<int>(sizeof(DWORD)))
            return Fail(WSAEFAULT, SOCKET_ERROR);
        DWORD ms;
        std::memcpy(&ms, optval, sizeof ms);
        st->info.hasReceiveTimeout = true;
        st->info.receiveTimeoutMs = ms;
    }
    return 0;
}

int Machine::sendto(SOCKET so, const char *buf, int len, int, const struct sockaddr *to,
                    int tolen)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    struct sockaddr_in sin;
    std::memset(&sin, 0, sizeof sin);
    bool haveTo = to && tolen >= static_cast<int>(sizeof sin);
    if (haveTo)
        std::memcpy(&sin, to, sizeof sin);
    uint32_t addr;
    std::memcpy(&addr, &sin.sin_addr, 4);
    std::string dest = haveTo ? Dotted(addr) : std::string();
    SocketState *st = SocketCall(s, "sendto", dest, so);
    if (!st)
        return SOCKET_ERROR;
    if (len < 0 || (len > 0 && !buf))
        return Fail(WSAEFAULT, SOCKET_ERROR);
    if (!to)
        return Fail(kWsaDestAddrRequired, SOCKET_ERROR);
    if (!haveTo)
        return Fail(WSAEFAULT, SOCKET_ERROR);
    if (sin.sin_family != AF_INET)
        return Fail(WSAEAFNOSUPPORT, SOCKET_ERROR);
    unsigned char port[2];
    std::memcpy(port, &sin.sin_port, 2);
    SentDatagram d;
    d.bytes.assign(buf ? buf : "", static_cast<std::size_t>(len));
    d.to = dest;
    d.port = static_cast<unsigned short>((port[0] << 8) | port[1]);
    st->info.sent.push_back(d);
    return len;
}

int Machine::recvfrom(SOCKET so, char *buf, int len, int, struct sockaddr *from, int *fromlen)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    SocketState *st = SocketCall(s, "recvfrom", std::string(), so);
    if (!st)
        return SOCKET_ERROR;
    if (!buf || len <= 0)
        return Fail(WSAEFAULT, SOCKET_ERROR);
    if (from && (!fromlen || *fromlen < static_cast<int>(sizeof(struct sockaddr_in))))
        return Fail(WSAEFAULT, SOCKET_ERROR);
    ++st->info.receives;

    Reply r = Reply::Silence();
    if (!st->script.empty()) {
        r = st->script.front();
        st->script.pop_front();
    } else if (!s.script.empty()) {
        r = s.script.front();
        s.script.pop_front();
    }
    s.tick += r.delay_;
    if (r.kind_ == Reply::Kind::Echo && st->info.sent.empty())
        r.kind_ = Reply::Kind::Silence;  // nothing to answer

    if (r.kind_ == Reply::Kind::Error)
        return Fail(static_cast<DWORD>(r.error_), SOCKET_ERROR);
    if (r.kind_ == Reply::Kind::Silence) {
        if (!(st->info.hasReceiveTimeout && st->info.receiveTimeoutMs > 0))
            ++s.hangs;
        else
            s.tick += st->info.receiveTimeoutMs;
        return Fail(WSAETIMEDOUT, SOCKET_ERROR);
    }

    std::string sender = r.from_;
    if (sender.empty())
        sender = st->info.sent.empty() ? std::string("0.0.0.0") : st->info.sent.back().to;
    uint32_t fromAddr = 0;
    ParseStrictDotted(sender, &fromAddr);

    std::string datagram;
    if (r.kind_ == Reply::Kind::Echo) {
        std::string body = st->info.sent.back().bytes;
        if (!body.empty())
            body[0] = static_cast<char>(r.type_);
        for (const auto &patch : r.patches_)
            for (std::size_t i = 0; i < patch.second.size() && patch.first + i < body.size(); ++i)
                body[patch.first + i] = patch.second[i];
        datagram = Ipv4Header(fromAddr, st->info.protocol, body.size()) + body;
    } else {
        datagram = r.bytes_;
    }
    if (datagram.size() > r.truncate_)
        datagram.resize(r.truncate_);

    std::size_t n = std::min<std::size_t>(datagram.size(), static_cast<std::size_t>(len));
    std::memcpy(buf, datagram.data(), n);
    if (from) {
        struct sockaddr_in sin;
        std::memset(&sin, 0, sizeof sin);
        sin.sin_family = AF_INET;
        std::memcpy(&sin.sin_addr, &fromAddr, 4);
        std::memcpy(from, &sin, sizeof sin);
        *fromlen = static_cast<int>(sizeof sin);
    }
    if (datagram.size() > static_cast<std::size_t>(len))
        return Fail(WSAEMSGSIZE, SOCKET_ERROR);
    return static_cast<int>(datagram.size());
}

int Machine::closesocket(SOCKET so)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    bool fault = s.Enter("closesocket", std::string(), nullptr, &e);
    if (s.wsaBalance <= 0)
        return Fail(fault ? e : static_cast<DWORD>(WSANOTINITIALISED), SOCKET_ERROR);
    SocketState *st = FindSocket(s, so);
    if (!st)
        return Fail(fault ? e : static_cast<DWORD>(WSAENOTSOCK), SOCKET_ERROR);
    st->info.open = false;
    if (fault)
        return Fail(e, SOCKET_ERROR);
    return 0;
}

}  // namespace sim
}  // namespace brenvik
