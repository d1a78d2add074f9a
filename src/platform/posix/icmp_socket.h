// The raw ICMP socket a Windows program asks for with
// socket(AF_INET, SOCK_RAW, IPPROTO_ICMP), on a host that may not allow one.
//
// Where the process may open a raw socket it gets one. Otherwise it gets an
// ICMP datagram socket (Linux, for the groups in net.ipv4.ping_group_range),
// dressed up as the raw socket: each receive starts with a 20-byte IPv4
// header, and echo replies carry the identifier the requests were sent with.
// Where neither is allowed the open fails with WSAEACCES.
#ifndef BRENVIK_PLATFORM_POSIX_ICMP_SOCKET_H
#define BRENVIK_PLATFORM_POSIX_ICMP_SOCKET_H

#include "platform/win32_types.h"

namespace brenvik {
namespace platform {
namespace posix {
namespace icmp {

// True for the arguments that ask for a raw ICMP socket.
bool IsRawIcmpRequest(int af, int type, int protocol);

// Opens the socket: the descriptor, or -1 with the thread's last error set
// to a Windows Sockets code.
int Open();

// True when fd is a datagram socket standing in for a raw one.
bool IsStandIn(int fd);

// sendto and recvfrom on a stand-in, with the Windows Sockets contract of
// the backend's own: the byte count, or SOCKET_ERROR and the last error.
int SendTo(int fd, const char *buf, int len, int flags, const struct sockaddr *to, int tolen);
int RecvFrom(int fd, char *buf, int len, int flags, struct sockaddr *from, int *fromlen);

// Drops what is kept about fd; called before it is closed.
void Forget(int fd);

}  // namespace icmp
}  // namespace posix
}  // namespace platform
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_POSIX_ICMP_SOCKET_H
