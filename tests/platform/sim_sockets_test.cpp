// Windows sockets on the simulated machine: start-up, names, and scripted
// replies to datagrams.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/sim/sim_machine.h"
#include "support/scoped_machine.h"

namespace brenvik {
namespace {

using sim::Machine;
using sim::Reply;
using test::MachineTest;

std::string Addr(const struct hostent *h, int i)
{
    const unsigned char *b = reinterpret_cast<const unsigned char *>(h->h_addr_list[i]);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
}

class SimSockets : public MachineTest {
protected:
    void SetUp() override
    {
        WSADATA data;
        ASSERT_EQ(machine.WSAStartup(MAKEWORD(2, 2), &data), 0);
        machine.AddHost("fileserver", "192.168.1.20");
    }
    void TearDown() override { machine.WSACleanup(); }

    SOCKET Raw()
    {
        return machine.socket(AF_INET, SOCK_RAW, 1 /* ICMP */);
    }

    struct sockaddr_in To(const char *dotted)
    {
        struct sockaddr_in sin;
        std::memset(&sin, 0, sizeof sin);
        sin.sin_family = AF_INET;
        unsigned long a = machine.inet_addr(dotted);
        uint32_t a32 = static_cast<uint32_t>(a);
        std::memcpy(&sin.sin_addr, &a32, 4);
        return sin;
    }

    int Send(SOCKET s, const std::string &bytes, const char *dotted)
    {
        struct sockaddr_in sin = To(dotted);
        return machine.sendto(s, bytes.data(), static_cast<int>(bytes.size()), 0,
                              reinterpret_cast<const struct sockaddr *>(&sin), sizeof sin);
    }

    // recvfrom into a 1024-byte buffer: the byte count (or -1) and the bytes.
    int Receive(SOCKET s, std::string *bytes, std::string *sender = nullptr)
    {
        char buf[1024];
        struct sockaddr_in from;
        int fromLen = sizeof from;
        int n = machine.recvfrom(s, buf, sizeof buf, 0, reinterpret_cast<struct sockaddr *>(&from),
                                 &fromLen);
        if (n > 0)
            bytes->assign(buf, static_cast<std::size_t>(n));
        if (sender && n > 0) {
            unsigned char b[4];
            std::memcpy(b, &from.sin_addr, 4);
            *sender = std::to_string(b[0]) + "." + std::to_string(b[1]) + "." +
                      std::to_string(b[2]) + "." + std::to_string(b[3]);
        }
        return n;
    }
};

const std::string kRequest = std::string("\x08\x00\xAA\xBB\x34\x12\x00\x00", 8) + std::string(36, 'E');

TEST_F(SimSockets, StartupAndNames)
{
    EXPECT_EQ(machine.WsaStartupBalance(), 1);
    struct hostent *h = machine.gethostbyname("FileServer");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->h_length, 4);
    EXPECT_EQ(Addr(h, 0), "192.168.1.20");
    EXPECT_EQ(h->h_addr_list[1], nullptr);
    h = machine.gethostbyname("10.1.2.3");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(Addr(h, 0), "10.1.2.3");
    EXPECT_EQ(machine.gethostbyname("nowhere"), nullptr);
    EXPECT_EQ(machine.WSAGetLastError(), WSAHOST_NOT_FOUND);

    struct Row {
        const char *text;
        const char *dotted;  // null: INADDR_NONE
    } rows[] = {
        {"1.2.3.4", "1.2.3.4"},   {"0x7f.1", "127.0.0.1"}, {"010.0.0.1", "8.0.0.1"},
        {"1.2.3.4 ", "1.2.3.4"},  {"256.1.1.1", nullptr},  {"1.2.3.4x", nullptr},
        {"", nullptr},            {"1..2", nullptr},       {"1.2.3.4.5", nullptr},
        {"192.168.65535", "192.168.255.255"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.text);
        unsigned long a = machine.inet_addr(r.text);
        if (!r.dotted) {
            EXPECT_EQ(a, 0xFFFFFFFFul);
            continue;
        }
        struct in_addr in;
        uint32_t a32 = static_cast<uint32_t>(a);
        std::memcpy(&in, &a32, 4);
        EXPECT_STREQ(machine.inet_ntoa(in), r.dotted);
    }
    EXPECT_EQ(machine.inet_addr(nullptr), 0xFFFFFFFFul);

    EXPECT_EQ(machine.WSACleanup(), 0);
    EXPECT_EQ(machine.gethostbyname("fileserver"), nullptr);
    EXPECT_EQ(machine.WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(machine.socket(AF_INET, SOCK_RAW, 1), INVALID_SOCKET);
    EXPECT_EQ(machine.WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(machine.WSACleanup(), SOCKET_ERROR);
    EXPECT_EQ(machine.WSAGetLastError(), WSANOTINITIALISED);
    WSADATA data;
    EXPECT_EQ(machine.WSAStartup(MAKEWORD(2, 2), &data), 0);  // for TearDown
    EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
    EXPECT_EQ(machine.WSAStartup(0, &data), WSAVERNOTSUPPORTED);
    EXPECT_EQ(machine.WSAStartup(MAKEWORD(2, 2), nullptr), WSAEFAULT);
    EXPECT_EQ(machine.WsaStartupBalance(), 1);
}

TEST_F(SimSockets, SocketsRecordWhatTheyAreGiven)
{
    SOCKET s = Raw();
    ASSERT_NE(s, INVALID_SOCKET);
    DWORD timeout = 250;
    EXPECT_EQ(machine.setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&timeout),
                                 sizeof timeout),
              0);
    EXPECT_EQ(machine.setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&timeout), 2),
              SOCKET_ERROR);
    EXPECT_EQ(machine.WSAGetLastError(), WSAEFAULT);
    EXPECT_EQ(Send(s, kRequest, "192.168.1.20"), 44);
    EXPECT_EQ(machine.sendto(s, "x", 1, 0, nullptr, 0), SOCKET_ERROR);
    EXPECT_EQ(machine.closesocket(s), 0);
    EXPECT_EQ(machine.closesocket(s), SOCKET_ERROR);
    EXPECT_EQ(machine.WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(Send(s, kRequest, "192.168.1.20"), SOCKET_ERROR);
    EXPECT_EQ(machine.WSAGetLastError(), WSAENOTSOCK);

    auto sockets = machine.Sockets();
    ASSERT_EQ(sockets.size(), 1u);
    const sim::SocketInfo &info = sockets[0];
    EXPECT_EQ(info.handle, s);
    EXPECT_EQ(info.af, AF_INET);
    EXPECT_EQ(info.type, SOCK_RAW);
    EXPECT_EQ(info.protocol, 1);
    EXPECT_FALSE(info.open);
    EXPECT_TRUE(info.hasReceiveTimeout);
    EXPECT_EQ(info.receiveTimeoutMs, 250u);
    ASSERT_EQ(info.sent.size(), 1u);
    EXPECT_EQ(info.sent[0].bytes, kRequest);
    EXPECT_EQ(info.sent[0].to, "192.168.1.20");
    EXPECT_EQ(info.sent[0].port, 0);

    EXPECT_EQ(machine.socket(AF_INET + 100, SOCK_RAW, 1), INVALID_SOCKET);
    EXPECT_EQ(machine.WSAGetLastError(), WSAEAFNOSUPPORT);
}

TEST_F(SimSockets, EchoRepliesFollowTheScript)
{
    machine.AddReply(Reply::Echo());
    machine.AddReply(Reply::Echo().Type(3).From("10.9.8.7"));
    machine.AddReply(Reply::Echo().Patch(4, "\x99\x88"));
    machine.AddReply(Reply::Echo().Truncate(30));
    machine.AddReply(Reply::TimeOut());
    machine.AddReply(Reply::Error(10054));
    machine.AddReply(Reply::Datagram("raw bytes"));
    SOCKET s = Raw();
    ASSERT_EQ(Send(s, kRequest, "192.168.1.20"), 44);

    std::string got, sender;
    ASSERT_EQ(Receive(s, &got, &sender), 64);
    EXPECT_EQ(sender, "192.168.1.20");
    EXPECT_EQ(static_cast<unsigned char>(got[0]), 0x45u);  // IPv4, 20-byte header
    EXPECT_EQ(got[9], 1);  // the socket's protocol
    EXPECT_EQ(got[20], 0);  // echo reply
    EXPECT_EQ(got.substr(21), kRequest.substr(1));

    ASSERT_EQ(Receive(s, &got, &sender), 64);
    EXPECT_EQ(got[20], 3);
    EXPECT_EQ(sender, "10.9.8.7");

    ASSERT_EQ(Receive(s, &got), 64);
    EXPECT_EQ(got.substr(24, 2), "\x99\x88");
    EXPECT_EQ(got.substr(26), kRequest.substr(6));

    EXPECT_EQ(Receive(s, &got), 30);
    EXPECT_EQ(Receive(s, &got), SOCKET_ERROR);
    EXPECT_EQ(machine.WSAGetLastError(), WSAETIMEDOUT);
    EXPECT_EQ(Receive(s, &got), SOCKET_ERROR);
    EXPECT_EQ(machine.WSAGetLastError(), 10054);
    ASSERT_EQ(Receive(s, &got), 9);
    EXPECT_EQ(got, "raw bytes");
    EXPECT_EQ(machine.Sockets()[0].receives, 7);
    machine.closesocket(s);
}

TEST_F(SimSockets, SilenceTimeOutAndHangs)
{
    SOCKET s = Raw();
    DWORD timeout = 1000;
    machine.setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&timeout),
                       sizeof timeout);
    machine.SetTickCount(5000);
    Send(s, kRequest, "192.168.1.20");
    std::string got;
    // An empty script is silence: the time-out passes on the clock.
    EXPECT_EQ(Receive(s, &got), SOCKET_ERROR);
    EXPECT_EQ(machine.WSAGetLastError(), WSAETIMEDOUT);
    EXPECT_EQ(machine.GetTickCount(), 6000u);
    machine.AddReply(Reply::Echo().Delay(40));
    EXPECT_EQ(Receive(s, &got), 64);
    EXPECT_EQ(machine.GetTickCount(), 6040u);
    machine.closesocket(s);
    for (const std::string &line : machine.Leaks())
        EXPECT_EQ(line.find("blocked forever"), std::string::npos) << line;

    // Without a time-out nothing would ever come: reported.
    s = Raw();
    EXPECT_EQ(Receive(s, &got), SOCKET_ERROR);
    machine.closesocket(s);
    bool reported = false;
    for (const std::string &line : machine.Leaks())
        reported = reported || line.find("blocked forever") != std::string::npos;
    EXPECT_TRUE(reported);
    scope.AllowLeaks();  // the test meant it
}

TEST_F(SimSockets, ScriptsPerSocket)
{
    machine.AddReply(2, Reply::Echo().Type(11));
    machine.AddReply(Reply::Datagram("machine"));
    SOCKET first = Raw();
    SOCKET second = Raw();
    Send(first, kRequest, "1.1.1.1");
    Send(second, kRequest, "2.2.2.2");
    std::string got, sender;
    ASSERT_EQ(Receive(second, &got, &sender), 64);
    EXPECT_EQ(got[20], 11);
    EXPECT_EQ(sender, "2.2.2.2");
    ASSERT_EQ(Receive(second, &got), 7);  // its own script is used up
    EXPECT_EQ(got, "machine");
    machine.AddReply(1, Reply::Echo());
    ASSERT_EQ(Receive(first, &got, &sender), 64);
    EXPECT_EQ(sender, "1.1.1.1");

    // A small buffer gets the start of the datagram and WSAEMSGSIZE.
    machine.AddReply(Reply::Datagram("0123456789"));
    char small[4];
    EXPECT_EQ(machine.recvfrom(first, small, sizeof small, 0, nullptr, nullptr), SOCKET_ERROR);
    EXPECT_EQ(machine.WSAGetLastError(), WSAEMSGSIZE);
    EXPECT_EQ(std::string(small, 4), "0123");
    machine.closesocket(first);
    machine.closesocket(second);
}

}  // namespace
}  // namespace brenvik
