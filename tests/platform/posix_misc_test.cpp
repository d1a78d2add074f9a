// Debugger output, message boxes, sockets over the loopback, and the errno
// table of the POSIX backend.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <brenvik/brenvik.h>

#include "platform/posix/errors.h"
#include "platform/posix_fixture.h"

namespace brenvik {
namespace posixtest {
namespace {

using platform::posix::Win32FromErrno;
using platform::posix::WsaFromErrno;

TEST(ErrnoTable, CodesAWindowsProgramSees)
{
    const struct {
        int err;
        DWORD win32;
        int wsa;
    } cases[] = {
        {EACCES, ERROR_ACCESS_DENIED, WSAEACCES},      {EPERM, ERROR_ACCESS_DENIED, WSAEACCES},
        {ENOENT, ERROR_FILE_NOT_FOUND, WSAEINVAL},     {EEXIST, ERROR_ALREADY_EXISTS, WSAEINVAL},
        {ENOTEMPTY, ERROR_DIR_NOT_EMPTY, WSAEINVAL},   {ENOSPC, ERROR_DISK_FULL, WSAENOBUFS},
        {EROFS, ERROR_WRITE_PROTECT, WSAEINVAL},       {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE, WSAEINVAL},
        {ELOOP, ERROR_CANT_RESOLVE_FILENAME, WSAEINVAL}, {EMFILE, ERROR_TOO_MANY_OPEN_FILES, WSAEMFILE},
        {EAGAIN, ERROR_NOT_READY, WSAEWOULDBLOCK},     {ETIMEDOUT, ERROR_GEN_FAILURE, WSAETIMEDOUT},
        {EAFNOSUPPORT, ERROR_NOT_SUPPORTED, WSAEAFNOSUPPORT}, {ENOTSOCK, ERROR_INVALID_HANDLE, WSAENOTSOCK},
        {EHWPOISON, ERROR_GEN_FAILURE, WSAEINVAL},  // one the table does not know
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.err);
        EXPECT_EQ(Win32FromErrno(c.err), c.win32);
        EXPECT_EQ(WsaFromErrno(c.err), c.wsa);
    }
}

class DebugOutputTest : public PosixTest {
protected:
    void TearDown() override { brenvik_set_debug_output(nullptr, nullptr); }
};

// The file is named again at each call; "-" is standard error; a receiver
// gets every string instead, until it is taken away.
TEST_F(DebugOutputTest, GoesWhereTheEnvironmentOrAReceiverSays)
{
    const std::string first = H("first.log");
    const std::string second = H("second.log");
    {
        test::ScopedEnv env("BRENVIK_DEBUG_OUTPUT", first.c_str());
        s().OutputDebugStringA("Orlo DbgMessage:a \n FILE:x LINE:1 ");
        s().OutputDebugStringA("next");
    }
    {
        test::ScopedEnv env("BRENVIK_DEBUG_OUTPUT", nullptr);
        s().OutputDebugStringA("discarded");
    }
    {
        test::ScopedEnv env("BRENVIK_DEBUG_OUTPUT", "-");
        ::testing::internal::CaptureStderr();
        s().OutputDebugStringA("to stderr");
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "to stderr");
    }
    test::ScopedEnv env("BRENVIK_DEBUG_OUTPUT", second.c_str());
    std::vector<std::string> got;
    brenvik_set_debug_output(
        [](const char *text, void *context) {
            static_cast<std::vector<std::string> *>(context)->push_back(text);
        },
        &got);
    s().OutputDebugStringA("one");
    brenvik_set_debug_output(nullptr, &got);
    s().OutputDebugStringA("two");
    EXPECT_EQ(got, (std::vector<std::string>{"one"}));
    EXPECT_EQ(test::ReadHostFile(first), "Orlo DbgMessage:a \n FILE:x LINE:1 next");
    EXPECT_EQ(test::ReadHostFile(second), "two");
}

TEST(MessageBox, WritesCaptionAndTextAndAnswersOk)
{
    auto &s = platform::PosixServices();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(s.MessageBoxA(nullptr, "SORRY: NA now!\nDO NOT INVOKE ME!", "Brenvik", MB_OK), IDOK);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Brenvik\nSORRY: NA now!\nDO NOT INVOKE ME!\n");
}

class SocketTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WSADATA data;
        ASSERT_EQ(s().WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override { EXPECT_EQ(s().WSACleanup(), 0); }
    platform::Services &s() { return platform::PosixServices(); }

    // A UDP socket bound to a free loopback port.
    SOCKET Bound(struct sockaddr_in *address)
    {
        SOCKET sock = s().socket(AF_INET, SOCK_DGRAM, 0);
        EXPECT_NE(sock, INVALID_SOCKET);
        std::memset(address, 0, sizeof *address);
        address->sin_family = AF_INET;
        address->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::bind(static_cast<int>(sock), reinterpret_cast<sockaddr *>(address),
                         sizeof *address),
                  0);
        socklen_t len = sizeof *address;
        ::getsockname(static_cast<int>(sock), reinterpret_cast<sockaddr *>(address), &len);
        return sock;
    }
};

TEST_F(SocketTest, DatagramsAndTimeOutsOverTheLoopback)
{
    struct sockaddr_in a, b;
    SOCKET sa = Bound(&a);
    SOCKET sb = Bound(&b);
    EXPECT_EQ(s().sendto(sa, "ping", 4, 0, reinterpret_cast<sockaddr *>(&b), sizeof b), 4);
    char buf[16];
    struct sockaddr_in from;
    int fromLen = sizeof from;
    EXPECT_EQ(s().recvfrom(sb, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&from), &fromLen),
              4);
    EXPECT_EQ(std::string(buf, 4), "ping");
    EXPECT_EQ(fromLen, static_cast<int>(sizeof from));
    EXPECT_EQ(from.sin_port, a.sin_port);
    EXPECT_STREQ(s().inet_ntoa(from.sin_addr), "127.0.0.1");

    // Too long for the buffer: what fits, and "message too long".
    EXPECT_EQ(s().sendto(sa, "0123456789", 10, 0, reinterpret_cast<sockaddr *>(&b), sizeof b), 10);
    s().SetLastError(0);
    EXPECT_EQ(s().recvfrom(sb, buf, 4, 0, nullptr, nullptr), SOCKET_ERROR);
    EXPECT_EQ(s().WSAGetLastError(), WSAEMSGSIZE);
    EXPECT_EQ(std::string(buf, 4), "0123");
    // A receive time-out reaches the kernel and ends in WSAETIMEDOUT.
    const DWORD ms = 30;
    ASSERT_EQ(s().setsockopt(sb, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&ms),
                             sizeof ms),
              0);
    struct timeval tv;
    socklen_t len = sizeof tv;
    ASSERT_EQ(::getsockopt(static_cast<int>(sb), SOL_SOCKET, SO_RCVTIMEO, &tv, &len), 0);
    EXPECT_EQ(tv.tv_sec, 0);
    EXPECT_GE(tv.tv_usec, 30000);  // the kernel rounds up to its tick
    EXPECT_EQ(s().recvfrom(sb, buf, sizeof buf, 0, nullptr, nullptr), SOCKET_ERROR);
    EXPECT_EQ(s().WSAGetLastError(), WSAETIMEDOUT);
    // The option wants its DWORD.
    EXPECT_EQ(s().setsockopt(sb, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&ms), 2),
              SOCKET_ERROR);
    EXPECT_EQ(s().WSAGetLastError(), WSAEFAULT);
    EXPECT_EQ(s().closesocket(sa), 0);
    EXPECT_EQ(s().closesocket(sb), 0);
}

TEST_F(SocketTest, NamesAndBadSockets)
{
    struct hostent *host = s().gethostbyname("localhost");
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->h_addrtype, AF_INET);
    // Names that cannot be host names are refused before any query is made.
    const std::string longLabel = std::string(64, 'a') + ".example";
    for (const char *bad : {"", "a..b", "bad name", longLabel.c_str()}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(s().gethostbyname(bad), nullptr);
        EXPECT_EQ(s().WSAGetLastError(), WSAHOST_NOT_FOUND);
    }
    EXPECT_EQ(s().closesocket(static_cast<SOCKET>(0x7fffffff)), SOCKET_ERROR);
    EXPECT_EQ(s().WSAGetLastError(), WSAENOTSOCK);
    // A file descriptor that is not a socket is left alone.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    EXPECT_EQ(s().closesocket(static_cast<SOCKET>(fds[0])), SOCKET_ERROR);
    EXPECT_EQ(s().WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(::close(fds[0]), 0);
    ::close(fds[1]);
    EXPECT_EQ(s().socket(AF_INET, SOCK_DGRAM, 12345), INVALID_SOCKET);
    EXPECT_NE(s().WSAGetLastError(), 0);
}

TEST(SocketLayer, CallsBeforeStartUpAreRefused)
{
    auto &s = platform::PosixServices();
    EXPECT_EQ(s.WSACleanup(), SOCKET_ERROR);
    EXPECT_EQ(s.WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(s.socket(AF_INET, SOCK_DGRAM, 0), INVALID_SOCKET);
    EXPECT_EQ(s.WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(s.gethostbyname("localhost"), nullptr);
    EXPECT_EQ(s.WSAGetLastError(), WSANOTINITIALISED);
    WSADATA data;
    EXPECT_EQ(s.WSAStartup(MAKEWORD(0, 1), &data), WSAVERNOTSUPPORTED);
    EXPECT_EQ(s.WSAStartup(MAKEWORD(2, 2), nullptr), WSAEFAULT);
    // Two start-ups need two clean-ups.
    ASSERT_EQ(s.WSAStartup(MAKEWORD(2, 2), &data), 0);
    ASSERT_EQ(s.WSAStartup(MAKEWORD(1, 1), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
    EXPECT_EQ(s.WSACleanup(), 0);
    EXPECT_EQ(s.WSACleanup(), 0);
    EXPECT_EQ(s.WSACleanup(), SOCKET_ERROR);
}

}  // namespace
}  // namespace posixtest
}  // namespace brenvik
