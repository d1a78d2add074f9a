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

TEST(ErrnoTable, CodesAWindowsProgramSees)
{
    const struct {
        int err;
        DWORD win32;
        int wsa;
    } cases[] = {
        {EPERM, ERROR_ACCESS_DENIED, WSAEACCES},      {ENOSPC, ERROR_DISK_FULL, WSAENOBUFS},
        {EROFS, ERROR_WRITE_PROTECT, WSAEINVAL},      {EAGAIN, ERROR_NOT_READY, WSAEWOULDBLOCK},
        {EMFILE, ERROR_TOO_MANY_OPEN_FILES, WSAEMFILE}, {ETIMEDOUT, ERROR_GEN_FAILURE, WSAETIMEDOUT},
        {ELOOP, ERROR_CANT_RESOLVE_FILENAME, WSAEINVAL},
        {EHWPOISON, ERROR_GEN_FAILURE, WSAEINVAL},  // one the table does not know
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.err);
        EXPECT_EQ(platform::posix::Win32FromErrno(c.err), c.win32);
        EXPECT_EQ(platform::posix::WsaFromErrno(c.err), c.wsa);
    }
}

// The file is named again at each call; "-" is standard error; a receiver
// gets every string instead, until it is taken away.
TEST_F(PosixTest, DebugOutputGoesWhereTheEnvironmentOrAReceiverSays)
{
    const std::string first = H("first.log"), second = H("second.log");
    {
        test::ScopedEnv env("BRENVIK_DEBUG_OUTPUT", first.c_str());
        s().OutputDebugStringA("Orlo DbgMessage:a \n FILE:x LINE:1 ");
        s().OutputDebugStringA("next");
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

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(s().MessageBoxA(nullptr, "SORRY: NA now!", "Brenvik", MB_OK), IDOK);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Brenvik\nSORRY: NA now!\n");
}

TEST(Sockets, StartUpCountsAndRefusals)
{
    auto &s = platform::PosixServices();
    EXPECT_EQ(s.socket(AF_INET, SOCK_DGRAM, 0), INVALID_SOCKET);
    EXPECT_EQ(s.WSAGetLastError(), WSANOTINITIALISED);
    WSADATA data;
    EXPECT_EQ(s.WSAStartup(MAKEWORD(0, 1), &data), WSAVERNOTSUPPORTED);
    EXPECT_EQ(s.WSAStartup(MAKEWORD(2, 2), nullptr), WSAEFAULT);
    // Two start-ups need two clean-ups.
    ASSERT_EQ(s.WSAStartup(MAKEWORD(2, 2), &data), 0);
    ASSERT_EQ(s.WSAStartup(MAKEWORD(1, 1), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
    EXPECT_EQ(s.WSACleanup(), 0);

    // Names that cannot be host names are refused before any query is made.
    const std::string bads[] = {"", "a..b", "bad name", std::string(64, 'a') + ".example"};
    for (const auto &bad : bads) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(s.gethostbyname(bad.c_str()), nullptr);
        EXPECT_EQ(s.WSAGetLastError(), WSAHOST_NOT_FOUND);
    }
    // A file descriptor that is not a socket is left alone.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    EXPECT_EQ(s.closesocket(static_cast<SOCKET>(fds[0])), SOCKET_ERROR);
    EXPECT_EQ(s.WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(::close(fds[0]), 0);
    ::close(fds[1]);

    // Datagrams over the loopback, between two sockets on free ports.
    SOCKET sock[2];
    struct sockaddr_in address[2];
    for (int i = 0; i < 2; ++i) {
        sock[i] = s.socket(AF_INET, SOCK_DGRAM, 0);
        std::memset(&address[i], 0, sizeof address[i]);
        address[i].sin_family = AF_INET;
        address[i].sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        auto *sa = reinterpret_cast<sockaddr *>(&address[i]);
        socklen_t len = sizeof address[i];
        ASSERT_EQ(::bind(static_cast<int>(sock[i]), sa, len), 0);
        ASSERT_EQ(::getsockname(static_cast<int>(sock[i]), sa, &len), 0);
    }
    auto *to = reinterpret_cast<sockaddr *>(&address[1]);
    EXPECT_EQ(s.sendto(sock[0], "ping", 4, 0, to, sizeof address[1]), 4);
    char buf[16];
    struct sockaddr_in from;
    int fromLen = sizeof from;
    EXPECT_EQ(s.recvfrom(sock[1], buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&from),
                         &fromLen),
              4);
    EXPECT_EQ(std::string(buf, 4), "ping");
    EXPECT_EQ(from.sin_port, address[0].sin_port);
    // Too long for the buffer: what fits, and "message too long".
    EXPECT_EQ(s.sendto(sock[0], "0123456789", 10, 0, to, sizeof address[1]), 10);
    EXPECT_EQ(s.recvfrom(sock[1], buf, 4, 0, nullptr, nullptr), SOCKET_ERROR);
    EXPECT_EQ(s.WSAGetLastError(), WSAEMSGSIZE);
    EXPECT_EQ(std::string(buf, 4), "0123");
    // A receive time-out in milliseconds reaches the kernel; it wants its DWORD.
    const DWORD ms = 30;
    const char *option = reinterpret_cast<const char *>(&ms);
    EXPECT_EQ(s.setsockopt(sock[1], SOL_SOCKET, SO_RCVTIMEO, option, 2), SOCKET_ERROR);
    EXPECT_EQ(s.WSAGetLastError(), WSAEFAULT);
    ASSERT_EQ(s.setsockopt(sock[1], SOL_SOCKET, SO_RCVTIMEO, option, sizeof ms), 0);
    EXPECT_EQ(s.recvfrom(sock[1], buf, sizeof buf, 0, nullptr, nullptr), SOCKET_ERROR);
    EXPECT_EQ(s.WSAGetLastError(), WSAETIMEDOUT);
    EXPECT_EQ(s.closesocket(sock[0]), 0);
    EXPECT_EQ(s.closesocket(sock[1]), 0);
    EXPECT_EQ(s.WSACleanup(), 0);
    EXPECT_EQ(s.WSACleanup(), SOCKET_ERROR);
    EXPECT_EQ(s.WSAGetLastError(), WSANOTINITIALISED);
}

}  // namespace
}  // namespace posixtest
}  // namespace brenvik
