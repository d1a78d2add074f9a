// Windows Sockets over the host's sockets. A SOCKET is the host descriptor.
// The socket calls need WSAStartup first, as on Windows; their errors are
// Windows Sockets codes, kept in the thread's last error as Windows keeps
// them (WSAGetLastError and GetLastError read the same value).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/posix/errors.h"
#include "platform/posix/icmp_socket.h"
#include "platform/posix/posix_backend.h"

namespace brenvik {
namespace platform {
namespace posix {

namespace {

constexpr WORD kHighestVersion = 0x0202;
constexpr int kMaxAddresses = 16;

std::atomic<int> g_startups{0};

struct HostEntry {
    struct hostent entry;
    char name[256];
    char *aliases[1];
    char addresses[kMaxAddresses][4];
    char *addressList[kMaxAddresses + 1];
};

thread_local HostEntry t_host;
thread_local char t_dotted[16];

int FailWsa(int code)
{
    SetThreadLastError(static_cast<DWORD>(code));
    return SOCKET_ERROR;
}

bool Started()
{
    return g_startups.load() > 0;
}

// The descriptor behind s when it is a socket; else -1 with the error set.
int SocketFd(SOCKET s)
{
    if (!Started()) {
        FailWsa(WSANOTINITIALISED);
        return -1;
    }
    if (s > static_cast<SOCKET>(INT32_MAX)) {
        FailWsa(WSAENOTSOCK);
        return -1;
    }
    const int fd = static_cast<int>(s);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode)) {
        FailWsa(WSAENOTSOCK);
        return -1;
    }
    return fd;
}

// A host name the resolver could look up: labels of letters, digits, '-'
// and '_', 1 to 63 bytes each, 253 in all. Anything else cannot name a host
// and is refused before any query leaves the machine.
bool PlausibleHostName(const char *name)
{
    const std::size_t n = std::strlen(name);
    if (n == 0 || n > 253)
        return false;
    std::size_t label = 0;
    for (const char *p = name; *p; ++p) {
        const char c = *p;
        if (c == '.') {
            if (label == 0)
                return false;
            label = 0;
            continue;
        }
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!ok || ++label > 63)
            return false;
    }
    return true;
}

int WsaFromGai(int rc)
{
    switch (rc) {
    case EAI_AGAIN:
        return WSATRY_AGAIN;
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
        return WSAHOST_NOT_FOUND;
    case EAI_FAIL:
        return WSANO_RECOVERY;
    case EAI_MEMORY:
        return WSAENOBUFS;
    default:
        return WSANO_RECOVERY;
    }
}

}  // namespace

int PosixBackend::WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData)
{
    // The result is the error code itself; the last error is not touched.
    if (lpWSAData == nullptr)
        return WSAEFAULT;
    const unsigned major = wVersionRequested & 0xFF;
    const unsigned minor = (wVersionRequested >> 8) & 0xFF;
    if (major == 0)
        return WSAVERNOTSUPPORTED;
    std::memset(lpWSAData, 0, sizeof *lpWSAData);
    WORD granted = wVersionRequested;
    if (major > 2 || (major == 2 && minor > 2))
        granted = kHighestVersion;
    lpWSAData->wVersion = granted;
    lpWSAData->wHighVersion = kHighestVersion;
    std::strcpy(lpWSAData->szDescription, "WinSock 2.0");
    std::strcpy(lpWSAData->szSystemStatus, "Running");
    g_startups.fetch_add(1);
    return 0;
}

int PosixBackend::WSACleanup()
{
    int count = g_startups.load();
    while (count > 0 && !g_startups.compare_exchange_weak(count, count - 1)) {
    }
    if (count <= 0)
        return FailWsa(WSANOTINITIALISED);
    return 0;
}

int PosixBackend::WSAGetLastError()
{
    return static_cast<int>(GetThreadLastError());
}

struct hostent *PosixBackend::gethostbyname(const char *name)
{
    if (!Started())
        return Fail(static_cast<DWORD>(WSANOTINITIALISED), static_cast<struct hostent *>(nullptr));
    if (name == nullptr)
        return Fail(static_cast<DWORD>(WSAEFAULT), static_cast<struct hostent *>(nullptr));
    if (!PlausibleHostName(name))
        return Fail(static_cast<DWORD>(WSAHOST_NOT_FOUND), static_cast<struct hostent *>(nullptr));

    struct addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_CANONNAME;
    struct addrinfo *list = nullptr;
    int rc = ::getaddrinfo(name, nullptr, &hints, &list);
    if (rc != 0)
        return Fail(static_cast<DWORD>(WsaFromGai(rc)), static_cast<struct hostent *>(nullptr));

    HostEntry &h = t_host;
    std::memset(&h, 0, sizeof h);
    const char *canonical = list->ai_canonname ? list->ai_canonname : name;
    std::strncpy(h.name, canonical, sizeof h.name - 1);
    int count = 0;
    for (struct addrinfo *ai = list; ai && count < kMaxAddresses; ai = ai->ai_next) {
        if (ai->ai_family != AF_INET)
            continue;
        const auto *sin = reinterpret_cast<const struct sockaddr_in *>(ai->ai_addr);
        bool seen = false;
        for (int i = 0; i < count; ++i)
            if (std::memcmp(h.addresses[i], &sin->sin_addr, 4) == 0)
                seen = true;
        if (seen)
            continue;
        std::memcpy(h.addresses[count], &sin->sin_addr, 4);
        h.addressList[count] = h.addresses[count];
        ++count;
    }
    ::freeaddrinfo(list);
    if (count == 0)
        return Fail(static_cast<DWORD>(WSANO_DATA), static_cast<struct hostent *>(nullptr));
    h.addressList[count] = nullptr;
    h.aliases[0] = nullptr;
    h.entry.h_name = h.name;
    h.entry.h_aliases = h.aliases;
    h.entry.h_addrtype = AF_INET;
    h.entry.h_length = 4;
    h.entry.h_addr_list = h.addressList;
    return &h.entry;
}

unsigned long PosixBackend::inet_addr(const char *cp)
{
    if (cp == nullptr || *cp == '\0')
        return INADDR_NONE;
    return ::inet_addr(cp);
}

char *PosixBackend::inet_ntoa(struct in_addr in)
{
    const unsigned char *b = reinterpret_cast<const unsigned char *>(&in.s_addr);
    std::snprintf(t_dotted, sizeof t_dotted, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return t_dotted;
}

SOCKET PosixBackend::socket(int af, int type, int protocol)
{
    if (!Started())
        return Fail(static_cast<DWORD>(WSANOTINITIALISED), INVALID_SOCKET);
    if (icmp::IsRawIcmpRequest(af, type, protocol)) {
        const int icmpFd = icmp::Open();
        return icmpFd < 0 ? INVALID_SOCKET : static_cast<SOCKET>(icmpFd);
    }
    int fd = ::socket(af, type | SOCK_CLOEXEC, protocol);
    if (fd < 0)
        return Fail(static_cast<DWORD>(WsaFromErrno(errno)), INVALID_SOCKET);
    return static_cast<SOCKET>(fd);
}

int PosixBackend::setsockopt(SOCKET s, int level, int optname, const char *optval, int optlen)
{
    const int fd = SocketFd(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (optval == nullptr || optlen < 0)
        return FailWsa(WSAEFAULT);
    if (level == SOL_SOCKET && (optname == SO_RCVTIMEO || optname == SO_SNDTIMEO)) {
        // Windows takes milliseconds as a DWORD; 0 waits for ever.
        if (optlen < static_cast<int>(sizeof(DWORD)))
            return FailWsa(WSAEFAULT);
        DWORD ms;
        std::memcpy(&ms, optval, sizeof ms);
        struct timeval tv;
        tv.tv_sec = static_cast<time_t>(ms / 1000);
        tv.tv_usec = static_cast<suseconds_t>((ms % 1000) * 1000);
        if (::setsockopt(fd, level, optname, &tv, sizeof tv) != 0)
            return FailWsa(WsaFromErrno(errno));
        return 0;
    }
    if (::setsockopt(fd, level, optname, optval, static_cast<socklen_t>(optlen)) != 0)
        return FailWsa(WsaFromErrno(errno));
    return 0;
}

int PosixBackend::sendto(SOCKET s, const char *buf, int len, int flags, const struct sockaddr *to,
                         int tolen)
{
    const int fd = SocketFd(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (icmp::IsStandIn(fd))
        return icmp::SendTo(fd, buf, len, flags, to, tolen);
    if (len < 0 || (buf == nullptr && len > 0) || tolen < 0)
        return FailWsa(WSAEFAULT);
    ssize_t n;
    do {
        n = ::sendto(fd, buf, static_cast<std::size_t>(len), flags | MSG_NOSIGNAL, to,
                     static_cast<socklen_t>(tolen));
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return FailWsa(WsaFromErrno(errno));
    return static_cast<int>(n);
}

int PosixBackend::recvfrom(SOCKET s, char *buf, int len, int flags, struct sockaddr *from,
                           int *fromlen)
{
    const int fd = SocketFd(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (icmp::IsStandIn(fd))
        return icmp::RecvFrom(fd, buf, len, flags, from, fromlen);
    if (len < 0 || (buf == nullptr && len > 0) || (from != nullptr && fromlen == nullptr))
        return FailWsa(WSAEFAULT);
    struct iovec iov;
    iov.iov_base = buf;
    iov.iov_len = static_cast<std::size_t>(len);
    struct msghdr msg;
    std::memset(&msg, 0, sizeof msg);
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    struct sockaddr_storage source;
    if (from != nullptr) {
        msg.msg_name = &source;
        msg.msg_namelen = sizeof source;
    }
    ssize_t n;
    do {
        n = ::recvmsg(fd, &msg, flags);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        const int err = errno;
        if (err == EAGAIN || err == EWOULDBLOCK) {
            // A blocking socket only stops waiting when its time-out runs out.
            const int fl = ::fcntl(fd, F_GETFL);
            return FailWsa(fl >= 0 && (fl & O_NONBLOCK) ? WSAEWOULDBLOCK : WSAETIMEDOUT);
        }
        return FailWsa(WsaFromErrno(err));
    }
    if (from != nullptr) {
        const socklen_t have = msg.msg_namelen;
        if (*fromlen < 0 || static_cast<socklen_t>(*fromlen) < have)
            return FailWsa(WSAEFAULT);
        std::memcpy(from, &source, have);
        *fromlen = static_cast<int>(have);
    }
    // A datagram longer than the buffer: Windows hands over what fits and
    // says the message was too long.
    if (msg.msg_flags & MSG_TRUNC)
        return FailWsa(WSAEMSGSIZE);
    return static_cast<int>(n);
}

int PosixBackend::closesocket(SOCKET s)
{
    const int fd = SocketFd(s);
    if (fd < 0)
        return SOCKET_ERROR;
    icmp::Forget(fd);
    if (::close(fd) != 0 && errno != EINTR)
        return FailWsa(WsaFromErrno(errno));
    return 0;
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik
