// The ping on the simulated machine's scripted socket layer: the request on
// the wire, every reply check with its trace line, the failures of each
// step, and the socket layer started and stopped once per call. Also the
// checksum.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "frame/trace.h"
#include "net/trace_lines.h"
#include "support/scoped_machine.h"

struct BrenvikTestAccess {
    static unsigned short GetCheckSum(unsigned char *buffer, unsigned long length)
    {
        return CDriveEx::GetCheckSum(buffer, length);
    }
};

namespace {

using brenvik::sim::Call;
using brenvik::sim::Machine;
using brenvik::sim::Reply;
using brenvik::sim::SocketInfo;
using brenvik::test::PingMessages;
using brenvik::test::ScopedMachine;
using Strings = std::vector<std::string>;

unsigned short CheckSum(std::string bytes)
{
    return BrenvikTestAccess::GetCheckSum(reinterpret_cast<unsigned char *>(&bytes[0]),
                                          static_cast<unsigned long>(bytes.size()));
}

// Bytes of 16-bit words in this machine's order, then optional odd bytes.
std::string Words(std::initializer_list<uint16_t> words, const std::string &tail = "")
{
    std::string bytes;
    for (uint16_t w : words)
        bytes.append(reinterpret_cast<const char *>(&w), 2);
    return bytes + tail;
}

uint16_t WordAt(const std::string &bytes, std::size_t at)
{
    uint16_t w;
    std::memcpy(&w, bytes.data() + at, 2);
    return w;
}

uint32_t DwordAt(const std::string &bytes, std::size_t at)
{
    uint32_t d;
    std::memcpy(&d, bytes.data() + at, 4);
    return d;
}

TEST(GetCheckSum, Vectors)
{
    struct Row {
        const char *what;
        std::string bytes;
        uint16_t sum;
    } rows[] = {
        {"empty", "", 0xFFFF},
        {"ones", "\xFF\xFF", 0x0000},
        {"one odd byte", "\x01", 0xFFFE},
        {"odd byte added unshifted", Words({0x0100}, "\x01"), 0xFEFE},
        {"one carry", Words({0xFFFF, 0x0001}), 0xFFFE},
        // 0x1FFFF folds to 0x10000, which must fold again to 1.
        {"carry out of the fold", Words({0xFFFF, 0xFFFF, 0x0001}), 0xFFFE},
        {"zeros", std::string(44, '\0'), 0xFFFF},
        {"many words", std::string(1000, '\xFF'), 0x0000},
    };
    for (const Row &r : rows)
        EXPECT_EQ(CheckSum(r.bytes), r.sum) << r.what;

    // The example of RFC 1071, read in this machine's order: the result,
    // stored the same way, has the bytes the RFC gives (0x22 0x0D).
    const uint16_t rfc = CheckSum(std::string("\x00\x01\xF2\x03\xF4\xF5\xF6\xF7", 8));
    unsigned char stored[2];
    std::memcpy(stored, &rfc, 2);
    EXPECT_EQ(stored[0], 0x22);
    EXPECT_EQ(stored[1], 0x0D);
}

// ---- The ping on the scripted socket layer -----------------------------------

constexpr DWORD kPid = 0xABCD5678;
constexpr uint16_t kId = 0x5678;
constexpr DWORD kTick = 5000;
const char kHost[] = "10.1.2.3";
const char kPath[] = "\\\\srv\\share\\dir\\file.txt";

std::string Begin(const char *path, int network, unsigned times, unsigned ms)
{
    return std::string("CDriveEx::PingHost begin.DestPath=") + path +
           ",bIsNetworkDrive=" + std::to_string(network) + ",PingTimes=" +
           std::to_string(times) + ",RequestTime=" + std::to_string(ms) + "ms";
}

std::string ReplyLine(int bytes, const char *from, int payload, int ms)
{
    return "CDriveEx::PingHost PING," + std::to_string(bytes) + " bytes replay from " + from +
           " : bytes=" + std::to_string(payload) + " time=" + std::to_string(ms) + "ms\n";
}

std::string Timeout(unsigned ms)
{
    return std::string("CDriveEx::PingHost Ping(") + kHost + ") Request Timeout,requetTime=" +
           std::to_string(ms) + "ms";
}

const char kEnd0[] = "CDriveEx::PingHost end,ret=0";
const char kEnd1[] = "CDriveEx::PingHost end,ret=1";

// A whole received datagram: a 20-byte IPv4 header and an ICMP message of
// the given type, identifier and sequence number, with the request's data.
std::string Received(uint8_t type, uint16_t id, uint16_t seq)
{
    std::string d(20, '\0');
    d[0] = 0x45;
    d[9] = 1;
    std::string icmp(8, '\0');
    icmp[0] = static_cast<char>(type);
    std::memcpy(&icmp[4], &id, 2);
    std::memcpy(&icmp[6], &seq, 2);
    return d + icmp + std::string(4, '\0') + std::string(32, 'E');
}

class Ping : public ::testing::Test {
protected:
    Ping()
    {
        machine.AddHost("srv", kHost);
        machine.SetProcessId(kPid);
        machine.SetTickCount(kTick, 0);
        machine.SetRegDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug", "DebugLevel", 1);
    }
    void SetUp() override
    {
        DbgLoadLevel();
        ASSERT_EQ(g_bDbgEnabled, 1);
        machine.ClearDebugOutput();
        machine.ResetCalls();
    }
    void TearDown() override
    {
        g_bDbgEnabled = 0;
        g_dwDbgLevel = 0;
    }

    Strings Messages() const { return PingMessages(machine.DebugOutput()); }

    std::vector<std::string> Sent() const
    {
        std::vector<std::string> sent;
        for (const SocketInfo &s : machine.Sockets())
            for (const auto &d : s.sent)
                sent.push_back(d.bytes);
        return sent;
    }

    Machine machine = Machine::Typical();
    ScopedMachine scope{machine};
};

TEST_F(Ping, EchoReplyToTheFirstRequestEndsIt)
{
    machine.AddReply(Reply::Echo().Delay(37));
    EXPECT_EQ(CDriveEx::PingHost(kPath, 0, 4, 250), 1);
    EXPECT_EQ(Messages(), (Strings{Begin(kPath, 0, 4, 250), ReplyLine(64, kHost, 32, 37), kEnd1}));

    const std::vector<SocketInfo> sockets = machine.Sockets();
    ASSERT_EQ(sockets.size(), 1u);
    const SocketInfo &s = sockets[0];
    EXPECT_EQ(s.af, AF_INET);
    EXPECT_EQ(s.type, SOCK_RAW);
    EXPECT_EQ(s.protocol, IPPROTO_ICMP);
    EXPECT_FALSE(s.open);
    EXPECT_TRUE(s.hasReceiveTimeout);
    EXPECT_EQ(s.receiveTimeoutMs, 250u);
    EXPECT_EQ(s.receives, 1);
    ASSERT_EQ(s.sent.size(), 1u);
    EXPECT_EQ(s.sent[0].to, kHost);
    EXPECT_EQ(s.sent[0].port, 0);
    EXPECT_EQ(machine.CallCount("WSAStartup"), 1u);
    EXPECT_EQ(machine.CallCount("WSACleanup"), 1u);
    EXPECT_EQ(machine.WsaStartupBalance(), 0);
}

TEST_F(Ping, RequestsOnTheWire)
{
    machine.SetTickCount(kTick, 10);
    machine.AddReply(Reply::TimeOut());
    machine.AddReply(Reply::TimeOut());
    machine.AddReply(Reply::Echo());
    EXPECT_EQ(CDriveEx::PingHost(kPath, 0, 5, 100), 1);
    // Each tick read advances the clock by 10: the reply took 10 ms.
    EXPECT_EQ(Messages(), (Strings{Begin(kPath, 0, 5, 100), Timeout(100), Timeout(100),
                                   ReplyLine(64, kHost, 32, 10), kEnd1}));
    const std::vector<std::string> sent = Sent();
    ASSERT_EQ(sent.size(), 3u);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const std::string &r = sent[i];
        ASSERT_EQ(r.size(), 44u);
        EXPECT_EQ(static_cast<unsigned char>(r[0]), 8);
        EXPECT_EQ(r[1], 0);
        EXPECT_EQ(WordAt(r, 4), kId);
        EXPECT_EQ(WordAt(r, 6), i);
        EXPECT_EQ(r.substr(12), std::string(32, 'E'));
        // The checksum is that of the request with the field 0 ...
        std::string zeroed = r;
        zeroed[2] = zeroed[3] = 0;
        EXPECT_EQ(WordAt(r, 2), CheckSum(zeroed)) << i;
        // ... so the whole request sums to nothing.
        EXPECT_EQ(CheckSum(r), 0) << i;
        if (i > 0) {
            EXPECT_GT(DwordAt(r, 8), DwordAt(sent[i - 1], 8)) << "a fresh timestamp each time";
        }
    }
    EXPECT_GE(DwordAt(sent[0], 8), kTick);
}

struct Outcome {
    const char *what;
    std::vector<Reply> replies;
    unsigned times;
    Strings middle;  // the messages between the begin and the end lines
    int result;
    std::size_t sent;
};

TEST_F(Ping, EachReplyIsCheckedAndTraced)
{
    const Outcome rows[] = {
        {"another type", {Reply::Echo().Type(3)}, 3,
         {"CDriveEx::PingHost PING break,Not ICMP respond type"}, 0, 1},
        {"our own request", {Reply::Echo().Type(8)}, 3,
         {"CDriveEx::PingHost PING break,Not ICMP respond type"}, 0, 1},
        {"foreign identifier", {Reply::Datagram(Received(0, 0x9999, 0))}, 3,
         {"CDriveEx::PingHost PING break,not valid id"}, 0, 1},
        {"identifier bytes swapped", {Reply::Datagram(Received(0, 0x7856, 0))}, 3,
         {"CDriveEx::PingHost PING break,not valid id"}, 0, 1},
        {"answer to an earlier attempt", {Reply::Datagram(Received(0, kId, 9))}, 3,
         {ReplyLine(64, kHost, 32, 0)}, 1, 1},
        {"short reply, then a good one", {Reply::Echo().Truncate(31), Reply::Echo()}, 3,
         {"CDriveEx::PingHost Ping(10.1.2.3) less recv bytes", ReplyLine(64, kHost, 32, 0)}, 1,
         2},
        {"short replies only", {Reply::Echo().Truncate(31), Reply::Datagram("")}, 2,
         {"CDriveEx::PingHost Ping(10.1.2.3) less recv bytes",
          "CDriveEx::PingHost Ping(10.1.2.3) less recv bytes"},
         0, 2},
        {"headers and timestamp only", {Reply::Echo().Truncate(32)}, 1,
         {ReplyLine(32, kHost, 0, 0)}, 1, 1},
        {"receive error", {Reply::Error(10054), Reply::Echo()}, 3,
         {"CDriveEx::PingHost PING break,recvfrom error"}, 0, 1},
        {"time-outs only", {Reply::TimeOut(), Reply::TimeOut(), Reply::TimeOut()}, 3,
         {Timeout(250), Timeout(250), Timeout(250)}, 0, 3},
        {"time-out, then the reply", {Reply::TimeOut(), Reply::Echo()}, 3,
         {Timeout(250), ReplyLine(64, kHost, 32, 0)}, 1, 2},
        {"another sender", {Reply::Echo().From("10.9.9.9")}, 1,
         {ReplyLine(64, "10.9.9.9", 32, 0)}, 1, 1},
        {"no attempts", {}, 0, {}, 0, 0},
    };
    for (const Outcome &o : rows) {
        Machine m = Machine::Typical();
        m.AddHost("srv", kHost);
        m.SetProcessId(kPid);
        m.SetTickCount(kTick, 0);
        m.SetRegDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug", "DebugLevel", 1);
        for (const Reply &r : o.replies)
            m.AddReply(r);
        ScopedMachine inner(m);
        EXPECT_EQ(CDriveEx::PingHost(kPath, 0, o.times, 250), o.result) << o.what;
        Strings expected{Begin(kPath, 0, o.times, 250)};
        expected.insert(expected.end(), o.middle.begin(), o.middle.end());
        expected.push_back(o.result ? kEnd1 : kEnd0);
        EXPECT_EQ(PingMessages(m.DebugOutput()), expected) << o.what;
        const std::vector<SocketInfo> sockets = m.Sockets();
        ASSERT_EQ(sockets.size(), 1u) << o.what;
        EXPECT_EQ(sockets[0].sent.size(), o.sent) << o.what;
        EXPECT_FALSE(sockets[0].open) << o.what;
        EXPECT_EQ(m.CallCount("WSACleanup"), 1u) << o.what;
    }
}

TEST_F(Ping, SendErrorsEndTheLoop)
{
    machine.FailNthCallOf("sendto", 1, WSAENETUNREACH);
    EXPECT_EQ(CDriveEx::PingHost(kPath, 0, 3, 250), 0);
    EXPECT_EQ(Messages(), (Strings{Begin(kPath, 0, 3, 250),
                                   "CDriveEx::PingHost PING break,sendto error,ret(10051)", kEnd0}));
    ASSERT_EQ(machine.Sockets().size(), 1u);
    EXPECT_EQ(machine.Sockets()[0].receives, 0);

    machine.ClearDebugOutput();
    machine.AddReply(Reply::TimeOut());
    machine.FailNthCallOf("sendto", 2, WSAEHOSTUNREACH);
    EXPECT_EQ(CDriveEx::PingHost(kPath, 0, 3, 250), 0);
    EXPECT_EQ(Messages(),
              (Strings{Begin(kPath, 0, 3, 250), Timeout(250),
                       "CDriveEx::PingHost PING break,sendto error,ret(10065)", kEnd0}));
}

TEST_F(Ping, FailuresBeforeTheLoop)
{
    // The socket cannot be opened: no end line, the start undone.
    machine.FailNthCallOf("socket", 1, WSAEACCES);
    EXPECT_EQ(CDriveEx::PingHost(kPath, 0, 3, 250), 0);
    EXPECT_EQ(Messages(), (Strings{Begin(kPath, 0, 3, 250),
                                   "CDriveEx::PingHost abort,Create socket error.ret(10013)"}));
    EXPECT_EQ(machine.CallCount("WSACleanup"), 1u);

    // The name does not resolve.
    machine.ClearDebugOutput();
    machine.ResetCalls();
    EXPECT_EQ(CDriveEx::PingHost("\\\\nohost\\share", 0, 3, 250), 0);
    EXPECT_EQ(Messages(),
              (Strings{Begin("\\\\nohost\\share", 0, 3, 250),
                       "CDriveEx::PingHost abort,gethostbyname failed.DestPath is invalid"}));
    EXPECT_EQ(machine.CallCount("WSACleanup"), 1u);
    EXPECT_EQ(machine.CallCount("socket"), 0u);

    // The socket layer does not start: nothing more is traced or undone.
    machine.ClearDebugOutput();
    machine.ResetCalls();
    machine.FailNthCallOf("WSAStartup", 1, WSASYSNOTREADY);
    EXPECT_EQ(CDriveEx::PingHost(kPath, 0, 3, 250), 0);
    EXPECT_EQ(Messages(), Strings{Begin(kPath, 0, 3, 250)});
    EXPECT_EQ(machine.CallCount("gethostbyname"), 0u);
    EXPECT_EQ(machine.CallCount("WSACleanup"), 0u);
    EXPECT_TRUE(machine.Sockets().empty());
}

TEST_F(Ping, PathsThatDoNotSplit)
{
    struct Row {
        const char *path;
        int network;
        const char *abort;
        const char *begin;  // the path as the begin line shows it
    } rows[] = {
        {nullptr, 0, "CDriveEx::PingHost abort,parameter is wrong", "(null)"},
        {"", 1, "CDriveEx::PingHost abort,parameter is wrong", ""},
        {"C:\\dir\\f.txt", 0, "CDriveEx::PingHost abort,split UNC failed.DestPath is invalid",
         nullptr},
        {"\\\\\\srv", 0, "CDriveEx::PingHost abort,split UNC failed.DestPath is invalid", nullptr},
        {"\\\\srv\\share", 1,
         "CDriveEx::PingHost abort,split network drive path failed.DestPath is invalid", nullptr},
        {"M:dir", 1,
         "CDriveEx::PingHost abort,split network drive path failed.DestPath is invalid", nullptr},
        {"Q:\\x", 1,
         "CDriveEx::PingHost abort,get name of the network resource failed.DestPath is invalid",
         nullptr},
    };
    for (const Row &r : rows) {
        machine.ClearDebugOutput();
        EXPECT_EQ(CDriveEx::PingHost(r.path, r.network, 2, 10), 0);
        EXPECT_EQ(Messages(), (Strings{Begin(r.begin ? r.begin : r.path, r.network, 2, 10), r.abort}))
            << (r.path ? r.path : "(null)");
    }
    EXPECT_EQ(machine.CallCount("WSAStartup"), 0u);
}

TEST_F(Ping, MappedDrivePingsTheComputerOfItsShare)
{
    machine.AddHost("other", "10.4.4.4");
    machine.RememberConnection('M', "\\\\srv\\share", true);
    machine.RememberConnection('N', "\\\\other\\share", false);  // unavailable now
    struct Row {
        const char *path;
        const char *asked;  // the drive name given to the network layer
        const char *host;
    } rows[] = {
        {"M:\\dir\\file.txt", "M:", kHost},
        {"m:\\", "m:", kHost},
        {"N:\\x", "N:", "10.4.4.4"},
    };
    for (const Row &r : rows) {
        machine.ClearDebugOutput();
        machine.ResetCalls();
        machine.AddReply(Reply::Echo());
        EXPECT_EQ(CDriveEx::PingHost(r.path, 1, 2, 100), 1) << r.path;
        EXPECT_EQ(Messages(), (Strings{Begin(r.path, 1, 2, 100), ReplyLine(64, r.host, 32, 0), kEnd1}))
            << r.path;
        std::vector<std::string> asked;
        for (const Call &c : machine.CallLog())
            if (c.service == "WNetGetConnectionA")
                asked.push_back(c.path);
        EXPECT_EQ(asked, Strings{r.asked}) << r.path;
    }

    // The network layer fails and names nothing.
    machine.ClearDebugOutput();
    machine.FailNthCallOf("WNetGetConnectionA", 1, ERROR_NO_NET_OR_BAD_PATH);
    EXPECT_EQ(CDriveEx::PingHost("M:\\x", 1, 2, 100), 0);
    EXPECT_EQ(Messages(),
              (Strings{Begin("M:\\x", 1, 2, 100),
                       "CDriveEx::PingHost abort,get name of the network resource failed."
                       "DestPath is invalid"}));
}

TEST_F(Ping, FirstAddressOfTheHostIsPinged)
{
    machine.AddHost("multi", "10.0.0.7");
    machine.AddHost("multi", "10.0.0.8");
    machine.AddReply(Reply::Echo());
    EXPECT_EQ(CDriveEx::PingHost("\\\\multi\\s", 0, 1, 100), 1);
    ASSERT_EQ(machine.Sockets().size(), 1u);
    ASSERT_EQ(machine.Sockets()[0].sent.size(), 1u);
    EXPECT_EQ(machine.Sockets()[0].sent[0].to, "10.0.0.7");
}

TEST_F(Ping, RequestTimeZeroWaitsABoundedTime)
{
    machine.AddReply(Reply::Silence());
    EXPECT_EQ(CDriveEx::PingHost(kPath, 0, 1, 0), 0);
    ASSERT_EQ(machine.Sockets().size(), 1u);
    EXPECT_TRUE(machine.Sockets()[0].hasReceiveTimeout);
    EXPECT_EQ(machine.Sockets()[0].receiveTimeoutMs, 4000u);
    // The trace shows the time the caller gave.
    EXPECT_EQ(Messages(), (Strings{Begin(kPath, 0, 1, 0), Timeout(0), kEnd0}));
}

}  // namespace
