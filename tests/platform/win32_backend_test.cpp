// The Win32 backend against the real system, for what the conformance suite
// does not show: it is the default, and its state is the system's own.
#include <gtest/gtest.h>

#include "platform/backends.h"
#include "platform/services.h"

namespace brenvik {
namespace platform {
namespace {

class Win32BackendTest : public ::testing::Test {
protected:
    Services &s = Win32Services();
};

TEST_F(Win32BackendTest, IsTheDefaultBackendOfAWindowsBuild)
{
    EXPECT_STREQ("win32", s.Name());
    EXPECT_EQ(&s, &DefaultServices());
    EXPECT_EQ(&s, &sys());
}

TEST_F(Win32BackendTest, LastErrorIsTheSystemsOwn)
{
    s.SetLastError(1234);
    EXPECT_EQ(1234u, ::GetLastError());
    ::SetLastError(4321);
    EXPECT_EQ(4321u, s.GetLastError());
}

TEST_F(Win32BackendTest, ErrorModeIsSetAndRestored)
{
    const UINT before = s.SetErrorMode(SEM_FAILCRITICALERRORS);
    EXPECT_EQ(static_cast<UINT>(SEM_FAILCRITICALERRORS), s.SetErrorMode(before));
    EXPECT_EQ(before, ::SetErrorMode(before));
}

TEST_F(Win32BackendTest, ProcessAndCodePageAreTheSystems)
{
    EXPECT_EQ(::GetCurrentProcessId(), s.GetCurrentProcessId());
    EXPECT_EQ(::GetACP(), s.GetACP());
}

TEST_F(Win32BackendTest, SocketsStartResolveAndReportWsaErrors)
{
    WSADATA wsa;
    ASSERT_EQ(0, s.WSAStartup(MAKEWORD(2, 2), &wsa));
    EXPECT_EQ(2, LOBYTE(wsa.wVersion));

    EXPECT_EQ(htonl(0x7f000001u), s.inet_addr("127.0.0.1"));
    EXPECT_EQ(INADDR_NONE, s.inet_addr("not an address"));
    in_addr a;
    a.s_addr = htonl(0x0a000102u);
    EXPECT_STREQ("10.0.1.2", s.inet_ntoa(a));

    hostent *local = s.gethostbyname("localhost");
    ASSERT_NE(nullptr, local);
    EXPECT_EQ(AF_INET, local->h_addrtype);

    EXPECT_EQ(SOCKET_ERROR, s.closesocket(INVALID_SOCKET));
    EXPECT_EQ(WSAENOTSOCK, s.WSAGetLastError());

    // A datagram to a socket of our own, then a receive that times out.
    SOCKET rx = s.socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    ASSERT_NE(INVALID_SOCKET, rx);
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, ::bind(rx, reinterpret_cast<sockaddr *>(&at), sizeof at));
    int atLen = sizeof at;
    ASSERT_EQ(0, ::getsockname(rx, reinterpret_cast<sockaddr *>(&at), &atLen));
    const DWORD timeoutMs = 100;
    EXPECT_EQ(0, s.setsockopt(rx, SOL_SOCKET, SO_RCVTIMEO,
                              reinterpret_cast<const char *>(&timeoutMs), sizeof timeoutMs));

    SOCKET tx = s.socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    ASSERT_NE(INVALID_SOCKET, tx);
    EXPECT_EQ(SOCKET_ERROR, s.sendto(tx, "x", 1, 0, reinterpret_cast<sockaddr *>(&at), 2));
    EXPECT_EQ(WSAEFAULT, s.WSAGetLastError());
    EXPECT_EQ(5, s.sendto(tx, "hello", 5, 0, reinterpret_cast<sockaddr *>(&at), sizeof at));

    char buf[16] = {};
    sockaddr_in from = {};
    int fromLen = sizeof from;
    EXPECT_EQ(5, s.recvfrom(rx, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&from),
                            &fromLen));
    EXPECT_STREQ("hello", buf);
    EXPECT_EQ(htonl(INADDR_LOOPBACK), from.sin_addr.s_addr);

    EXPECT_EQ(SOCKET_ERROR, s.recvfrom(rx, buf, sizeof buf, 0, nullptr, nullptr));
    EXPECT_EQ(WSAETIMEDOUT, s.WSAGetLastError());

    EXPECT_EQ(0, s.closesocket(tx));
    EXPECT_EQ(0, s.closesocket(rx));
    EXPECT_EQ(0, s.WSACleanup());
}

}  // namespace
}  // namespace platform
}  // namespace brenvik
