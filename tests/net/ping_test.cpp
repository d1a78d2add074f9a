// The ping on the simulated machine's scripted socket layer, the checksum and
// the network path classification.
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

using brenvik::sim::Machine;
using brenvik::sim::Reply;
using Strings = std::vector<std::string>;

unsigned short CheckSum(std::string bytes)
{
    return BrenvikTestAccess::GetCheckSum(reinterpret_cast<unsigned char *>(&bytes[0]),
                                          static_cast<unsigned long>(bytes.size()));
}

// 16-bit words in this machine's order, then the odd bytes.
std::string Words(std::initializer_list<uint16_t> words, const std::string &tail = "")
{
    std::string bytes;
    for (uint16_t w : words)
        bytes.append(reinterpret_cast<const char *>(&w), 2);
    return bytes + tail;
}

template <typename T>
T At(const std::string &bytes, std::size_t at)
{
    T value;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

TEST(GetCheckSum, Vectors)
{
    const struct {
        std::string bytes;
        uint16_t sum;
    } rows[] = {
        {"", 0xFFFF}, {"\xFF\xFF", 0x0000}, {"\x01", 0xFFFE},
        {Words({0x0100}, "\x01"), 0xFEFE},  // the odd byte added unshifted
        {Words({0xFFFF, 0x0001}), 0xFFFE},
        // 0x1FFFF folds to 0x10000, which must fold again to 1.
        {Words({0xFFFF, 0xFFFF, 0x0001}), 0xFFFE}, {std::string(1000, '\xFF'), 0x0000},
    };
    for (const auto &r : rows)
        EXPECT_EQ(CheckSum(r.bytes), r.sum) << "row " << &r - rows;
    // RFC 1071's example, read and stored in this machine's order.
    EXPECT_EQ(Words({CheckSum(std::string("\x00\x01\xF2\x03\xF4\xF5\xF6\xF7", 8))}), "\x22\x0D");
}

const char kHost[] = "10.1.2.3";
const char kPath[] = "\\\\srv\\share\\dir\\file.txt";
const std::string kP = "CDriveEx::PingHost ";

std::string Echoed(int bytes, const char *from = kHost, int ms = 10)
{
    return kP + "PING," + std::to_string(bytes) + " bytes replay from " + from +
           " : bytes=" + std::to_string(bytes - 32) + " time=" + std::to_string(ms) + "ms\n";
}

std::string Timeout(unsigned ms = 250)
{
    return kP + "Ping(" + kHost + ") Request Timeout,requetTime=" + std::to_string(ms) + "ms";
}

// Every attempt sends the 44-byte request; the reply decides the line traced
// and whether the loop goes on. Each step's failure is traced too.
TEST(Ping, EveryLineOfEveryOutcome)
{
    using R = Reply;
    const std::string notEcho = kP + "PING break,Not ICMP respond type";
    const std::string shortOne = kP + "Ping(10.1.2.3) less recv bytes";
    const std::string end0 = kP + "end,ret=0", end1 = kP + "end,ret=1";
    const struct {
        const char *path;
        int network;
        unsigned times, ms;
        std::vector<Reply> replies;
        const char *fail;  // a service failing on its nth call
        int nth, error;
        Strings lines;  // after the begin line
        int sent;       // requests sent; -1: no socket made
        unsigned cleanups;
    } rows[] = {
        {kPath, 0, 4, 250, {R::Echo().Delay(37)}, nullptr, 0, 0, {Echoed(64, kHost, 47), end1}, 1,
         1},
        {kPath, 0, 3, 250, {R::Echo().Type(8)}, nullptr, 0, 0, {notEcho, end0}, 1, 1},
        {kPath, 0, 3, 250, {R::Echo().Patch(4, "\x56\x78")}, nullptr, 0, 0,
         {kP + "PING break,not valid id", end0}, 1, 1},
        // The answer to an earlier attempt counts.
        {kPath, 0, 3, 250, {R::Echo().Patch(6, "\x09")}, nullptr, 0, 0, {Echoed(64), end1}, 1, 1},
        {kPath, 0, 3, 250, {R::Echo().Truncate(31), R::Datagram(""), R::Echo()}, nullptr, 0, 0,
         {shortOne, shortOne, Echoed(64), end1}, 3, 1},
        {kPath, 0, 1, 250, {R::Echo().Truncate(32)}, nullptr, 0, 0, {Echoed(32), end1}, 1, 1},
        {kPath, 0, 3, 250, {R::Error(10054), R::Echo()}, nullptr, 0, 0,
         {kP + "PING break,recvfrom error", end0}, 1, 1},
        {kPath, 0, 3, 250, {R::TimeOut(), R::Echo()}, nullptr, 0, 0, {Timeout(), Echoed(64), end1},
         2, 1},
        {kPath, 0, 1, 250, {R::Echo().From("10.9.9.9")}, nullptr, 0, 0,
         {Echoed(64, "10.9.9.9"), end1}, 1, 1},
        {kPath, 0, 0, 250, {}, nullptr, 0, 0, {end0}, 0, 1},
        {kPath, 0, 3, 250, {R::TimeOut()}, "sendto", 2, WSAEHOSTUNREACH,
         {Timeout(), kP + "PING break,sendto error,ret(10065)", end0}, 1, 1},
        // The socket's wait is bounded; the line shows the time given.
        {kPath, 0, 1, 0, {R::Silence()}, nullptr, 0, 0, {Timeout(0), end0}, 1, 1},
        // A remembered connection that is down still names its server.
        {"N:\\x", 1, 2, 100, {R::Echo()}, nullptr, 0, 0, {Echoed(64, "10.4.4.4"), end1}, 1, 1},
        {"\\\\multi\\s", 0, 1, 100, {R::Echo()}, nullptr, 0, 0, {Echoed(64, "10.0.0.7"), end1}, 1,
         1},
        {nullptr, 0, 2, 10, {}, nullptr, 0, 0, {kP + "abort,parameter is wrong"}, -1, 0},
        {"C:\\dir\\f.txt", 0, 2, 10, {}, nullptr, 0, 0,
         {kP + "abort,split UNC failed.DestPath is invalid"}, -1, 0},
        {"\\\\srv\\share", 1, 2, 10, {}, nullptr, 0, 0,
         {kP + "abort,split network drive path failed.DestPath is invalid"}, -1, 0},
        {"M:\\x", 1, 2, 10, {}, "WNetGetConnectionA", 1, ERROR_NO_NET_OR_BAD_PATH,
         {kP + "abort,get name of the network resource failed.DestPath is invalid"}, -1, 0},
        {"\\\\nohost\\share", 0, 2, 10, {}, nullptr, 0, 0,
         {kP + "abort,gethostbyname failed.DestPath is invalid"}, -1, 1},
        {kPath, 0, 2, 10, {}, "socket", 1, WSAEACCES, {kP + "abort,Create socket error.ret(10013)"},
         -1, 1},
        // Nothing to undo, nothing more traced.
        {kPath, 0, 2, 10, {}, "WSAStartup", 1, WSASYSNOTREADY, {}, -1, 0},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(::testing::Message() << "row " << &r - rows);
        Machine m = Machine::Typical();
        m.AddHost("srv", kHost);
        m.AddHost("other", "10.4.4.4");
        m.AddHost("multi", "10.0.0.7");
        m.AddHost("multi", "10.0.0.8");
        m.RememberConnection('M', "\\\\srv\\share", true);
        m.RememberConnection('N', "\\\\other\\share", false);
        m.SetProcessId(0xABCD5678);
        m.SetTickCount(5000, 10);  // each reading 10 ms after the last
        m.SetRegDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug", "DebugLevel", 1);
        for (const Reply &reply : r.replies)
            m.AddReply(reply);
        if (r.fail != nullptr)
            m.FailNthCallOf(r.fail, r.nth, r.error);
        brenvik::test::ScopedMachine scope(m);
        DbgLoadLevel();
        Strings expected{brenvik::test::PingBegin(r.path ? r.path : "(null)", r.network, r.times,
                                                  r.ms)};
        expected.insert(expected.end(), r.lines.begin(), r.lines.end());
        EXPECT_EQ(CDriveEx::PingHost(r.path, r.network, r.times, r.ms), expected.back() == end1);
        EXPECT_EQ(brenvik::test::PingMessages(m.DebugOutput()), expected);
        EXPECT_EQ(m.CallCount("WSACleanup"), r.cleanups);
        for (const auto &c : m.CallLog())
            if (c.service == "WNetGetConnectionA") {
                EXPECT_EQ(c.path, std::string(r.path, 2));
            }
        ASSERT_EQ(m.Sockets().size(), r.sent < 0 ? 0u : 1u);
        if (r.sent < 0)
            continue;
        const auto s = m.Sockets()[0];
        EXPECT_EQ(std::vector<unsigned>({unsigned(s.af), unsigned(s.type), unsigned(s.protocol),
                                         s.open, s.hasReceiveTimeout,
                                         unsigned(s.receiveTimeoutMs)}),
                  std::vector<unsigned>({AF_INET, SOCK_RAW, IPPROTO_ICMP, false, true,
                                         r.ms != 0 ? r.ms : 4000u}));
        ASSERT_EQ(s.sent.size(), static_cast<std::size_t>(r.sent));
        for (std::size_t i = 0; i < s.sent.size(); ++i) {
            const std::string &q = s.sent[i].bytes;
            EXPECT_EQ(s.sent[i].port, 0);
            ASSERT_EQ(q.size(), 44u);
            EXPECT_EQ(q.substr(0, 2), std::string("\x08\x00", 2));
            EXPECT_EQ(At<uint16_t>(q, 4), 0x5678) << "the low word of the process id";
            EXPECT_EQ(At<uint16_t>(q, 6), i);
            EXPECT_EQ(q.substr(12), std::string(32, 'E'));
            EXPECT_EQ(CheckSum(q), 0) << "request " << i << " with its checksum sums to 0";
            // A fresh time stamp in each request.
            EXPECT_GE(At<uint32_t>(q, 8), i ? At<uint32_t>(s.sent[i - 1].bytes, 8) + 1 : 5000u);
        }
    }
    g_bDbgEnabled = 0;
    g_dwDbgLevel = 0;
}

TEST(MaybeNetworkPath, FormAndDriveTypeGiveTheCode)
{
    Machine m = Machine::Typical();
    m.AddDrive('G', DRIVE_REMOTE);
    m.RememberConnection('M', "\\\\srv\\share", true);
    m.RememberConnection('N', "\\\\other\\share", false);
    brenvik::test::ScopedMachine scope(m);
    const struct {
        const char *path;
        unsigned long code;
    } rows[] = {
        {"", 0}, {"\\", 0}, {"\\\\", 1}, {"\\\\srv\\share\\dir", 1},
        {"\\\\???:*", 1},  // nothing after the two backslashes is looked at
        {"//srv/share", 0}, {"\\/srv", 0}, {"C:\\dir\\f.txt", 0}, {"G:\\dir", 2}, {"g:", 2},
        {"m:x", 2}, {"N:\\x", 2},  // the share is unavailable now: still a network drive
        {"Q:\\x", 0}, {"M\\x", 0}, {"[:\\", 0}, {"\xC7:\\", 0}, {".\\M:", 0},
    };
    for (const auto &r : rows) {
        m.ResetCalls();
        EXPECT_EQ(CDriveEx::MaybeNetworkPath(r.path), r.code) << '"' << r.path << '"';
        // Only a drive letter is looked up.
        if (r.path[0] == '\0' || r.path[1] != ':') {
            EXPECT_EQ(m.CallCount(), 0u) << r.path;
        }
    }
    EXPECT_EQ(CDriveEx::MaybeNetworkPath(nullptr), 0u);
}

}  // namespace
