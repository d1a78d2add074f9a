// Raw ICMP sockets, and the datagram socket that stands in for one where the
// process has no right to a raw socket. See icmp_socket.h.
#include "platform/posix/icmp_socket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/icmp.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "platform/posix/errors.h"

namespace brenvik {
namespace platform {
namespace posix {
namespace icmp {

namespace {

constexpr int kIpHeaderSize = 20;
constexpr unsigned char kEchoReply = 0;
constexpr unsigned char kEchoRequest = 8;
constexpr std::size_t kIdOffset = 4;  // of the identifier in the ICMP message

// What is kept about a stand-in socket.
struct StandIn {
    int fd = -1;
    bool bindTried = false;  // the first echo request has been seen
    bool restoreId = false;  // the kernel's identifier differs from ours
    unsigned char id[2] = {0, 0};  // the identifier sent, as sent
};

// Few stand-ins are ever open at once: one per ping in progress.
constexpr int kMaxStandIns = 64;
std::mutex g_lock;
StandIn g_standIns[kMaxStandIns];

StandIn *Find(int fd)
{
    for (StandIn &s : g_standIns)
        if (s.fd == fd)
            return &s;
    return nullptr;
}

int FailWsa(int code)
{
    SetThreadLastError(static_cast<DWORD>(code));
    return SOCKET_ERROR;
}

// Raw ICMP sockets on Linux are handed every ICMP message the host
// receives, also the echo requests it sends to one of its own addresses
// (127.0.0.1, its own name): those come back before the reply. No echo
// request is ever an answer to anything, and a Windows raw socket does not
// see the host's own requests, so they are filtered out.
void IgnoreEchoRequests(int fd)
{
#if defined(__linux__)
    struct icmp_filter filter;
    filter.data = 1u << ICMP_ECHO;
    ::setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
#else
    (void)fd;
#endif
}

uint16_t HeaderChecksum(const unsigned char *header)
{
    uint32_t sum = 0;
    for (int i = 0; i < kIpHeaderSize; i += 2)
        sum += static_cast<uint32_t>(header[i] << 8 | header[i + 1]);
    while (sum >> 16)
        sum = (sum >> 16) + (sum & 0xFFFFu);
    return static_cast<uint16_t>(~sum & 0xFFFFu);
}

// The IPv4 header a raw socket would put in front of an ICMP message of
// length bytes from source to destination (both in network order).
void MakeHeader(unsigned char *out, std::size_t length, uint32_t source, uint32_t destination)
{
    std::memset(out, 0, kIpHeaderSize);
    const std::size_t total = length + kIpHeaderSize;
    out[0] = 0x45;  // version 4, 5 words
    out[2] = static_cast<unsigned char>((total >> 8) & 0xFF);
    out[3] = static_cast<unsigned char>(total & 0xFF);
    out[8] = 64;  // time to live
    out[9] = IPPROTO_ICMP;
    std::memcpy(out + 12, &source, 4);
    std::memcpy(out + 16, &destination, 4);
    const uint16_t checksum = HeaderChecksum(out);
    out[10] = static_cast<unsigned char>(checksum >> 8);
    out[11] = static_cast<unsigned char>(checksum & 0xFF);
}

}  // namespace

bool IsRawIcmpRequest(int af, int type, int protocol)
{
    return af == AF_INET && type == SOCK_RAW && protocol == IPPROTO_ICMP;
}

int Open()
{
    int fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd >= 0) {
        IgnoreEchoRequests(fd);
        return fd;
    }
    if (errno != EPERM && errno != EACCES)
        return Fail(static_cast<DWORD>(WsaFromErrno(errno)), -1);
#if defined(__linux__)
    // Not allowed a raw socket: the datagram socket, where our group may have one.
    fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0)
        return Fail(static_cast<DWORD>(WSAEACCES), -1);
    std::lock_guard<std::mutex> lock(g_lock);
    if (StandIn *free = Find(-1)) {
        *free = StandIn();
        free->fd = fd;
        return fd;
    }
    ::close(fd);
    return Fail(static_cast<DWORD>(WSAEMFILE), -1);
#else
    // Elsewhere ICMP datagram sockets deliver other things; raw or nothing.
    return Fail(static_cast<DWORD>(WSAEACCES), -1);
#endif
}

bool IsStandIn(int fd)
{
    std::lock_guard<std::mutex> lock(g_lock);
    return Find(fd) != nullptr;
}

void Forget(int fd)
{
    std::lock_guard<std::mutex> lock(g_lock);
    if (StandIn *s = Find(fd))
        *s = StandIn();
}

int SendTo(int fd, const char *buf, int len, int flags, const struct sockaddr *to, int tolen)
{
    if (len < 0 || (buf == nullptr && len > 0) || tolen < 0)
        return FailWsa(WSAEFAULT);
    const auto *bytes = reinterpret_cast<const unsigned char *>(buf);
    const bool echoRequest = len >= 8 && bytes[0] == kEchoRequest;
    if (echoRequest) {
        std::lock_guard<std::mutex> lock(g_lock);
        StandIn *s = Find(fd);
        if (s != nullptr && !s->bindTried) {
            // The kernel puts the socket's port in the identifier field of
            // what it sends, and delivers the replies that carry it. Bound to
            // the identifier of the first request, the requests go out as
            // the caller made them. Other users of this library share the
            // identifier (it is the process id), hence the address reuse.
            s->bindTried = true;
            const int on = 1;
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
            struct sockaddr_in local;
            std::memset(&local, 0, sizeof local);
            local.sin_family = AF_INET;
            std::memcpy(&local.sin_port, bytes + kIdOffset, 2);
            local.sin_addr.s_addr = htonl(INADDR_ANY);
            // Taken by someone else, or 0 (which has the kernel pick one): the
            // socket has another port, and replies get the caller's
            // identifier back on receipt.
            struct sockaddr_in bound;
            std::memset(&bound, 0, sizeof bound);
            socklen_t boundLength = sizeof bound;
            s->restoreId =
                ::bind(fd, reinterpret_cast<const struct sockaddr *>(&local), sizeof local) != 0 ||
                ::getsockname(fd, reinterpret_cast<struct sockaddr *>(&bound), &boundLength) != 0 ||
                bound.sin_port != local.sin_port;
        }
        if (s != nullptr)
            std::memcpy(s->id, bytes + kIdOffset, 2);
    }
    ssize_t n;
    do {
        n = ::sendto(fd, buf, static_cast<std::size_t>(len), flags | MSG_NOSIGNAL, to,
                     static_cast<socklen_t>(tolen));
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return FailWsa(WsaFromErrno(errno));
    return static_cast<int>(n);
}

int RecvFrom(int fd, char *buf, int len, int flags, struct sockaddr *from, int *fromlen)
{
    if (len < 0 || (buf == nullptr && len > 0) || (from != nullptr && fromlen == nullptr))
        return FailWsa(WSAEFAULT);
    // The ICMP message goes where a raw socket would have put it, after the
    // IPv4 header; the header is written afterwards.
    char none;
    struct iovec iov;
    if (len > kIpHeaderSize) {
        iov.iov_base = buf + kIpHeaderSize;
        iov.iov_len = static_cast<std::size_t>(len - kIpHeaderSize);
    } else {
        iov.iov_base = &none;
        iov.iov_len = 0;
    }
    struct sockaddr_in source;
    std::memset(&source, 0, sizeof source);
    struct msghdr msg;
    std::memset(&msg, 0, sizeof msg);
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_name = &source;
    msg.msg_namelen = sizeof source;
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

    struct sockaddr_in local;
    std::memset(&local, 0, sizeof local);
    socklen_t localLength = sizeof local;
    ::getsockname(fd, reinterpret_cast<struct sockaddr *>(&local), &localLength);
    unsigned char header[kIpHeaderSize];
    MakeHeader(header, static_cast<std::size_t>(n), source.sin_addr.s_addr, local.sin_addr.s_addr);
    std::memcpy(buf, header, static_cast<std::size_t>(len < kIpHeaderSize ? len : kIpHeaderSize));

    auto *message = reinterpret_cast<unsigned char *>(buf) + kIpHeaderSize;
    if (n >= static_cast<ssize_t>(kIdOffset + 2) && message[0] == kEchoReply) {
        std::lock_guard<std::mutex> lock(g_lock);
        const StandIn *s = Find(fd);
        if (s != nullptr && s->restoreId)
            std::memcpy(message + kIdOffset, s->id, 2);
    }

    if (from != nullptr) {
        if (*fromlen < static_cast<int>(sizeof source))
            return FailWsa(WSAEFAULT);
        std::memcpy(from, &source, sizeof source);
        *fromlen = static_cast<int>(sizeof source);
    }
    // Longer than the buffer: what fits is there, and the message was too long.
    if ((msg.msg_flags & MSG_TRUNC) || len <= kIpHeaderSize)
        return FailWsa(WSAEMSGSIZE);
    return static_cast<int>(n) + kIpHeaderSize;
}

}  // namespace icmp
}  // namespace posix
}  // namespace platform
}  // namespace brenvik
