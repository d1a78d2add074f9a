// On Linux real ICMP goes only to the loopback of network namespaces the test makes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "frame/trace.h"
#include "support/fault_services.h"

struct BrenvikTestAccess {
    static unsigned short GetCheckSum(unsigned char *buffer, unsigned long length)
    {
        return CDriveEx::GetCheckSum(buffer, length);
    }
};

namespace {

using brenvik::test::Reply;
using brenvik::test::ScopedFaults;
using Strings = std::vector<std::string>;

struct Traced {
    Traced() { g_bDbgEnabled = 1, g_dwDbgLevel = 1; }
    ~Traced() { g_bDbgEnabled = 0, g_dwDbgLevel = 0; }
};

// The ping's messages without their frame and name; a reply's time as "*" when asked.
Strings Messages(const Strings &lines, bool anyTime = false)
{
    static const std::regex frame(
        "Orlo DbgMessage:CDriveEx::PingHost ([\\s\\S]*) FILE:ping\\.cpp LINE:[0-9]+ ");
    Strings out;
    std::smatch m;
    static const std::regex time(" time=[0-9]+");
    for (const std::string &line : lines)
        out.push_back(!std::regex_match(line, m, frame) ? "<unframed> " + line
                      : anyTime ? std::regex_replace(m[1].str(), time, " time=*") : m[1].str());
    return out;
}

std::string Begin(const std::string &path, int network, unsigned times, unsigned ms)
{
    return "begin.DestPath=" + path + ",bIsNetworkDrive=" + std::to_string(network) +
           ",PingTimes=" + std::to_string(times) + ",RequestTime=" + std::to_string(ms) + "ms";
}

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

uint32_t Stamp(const std::string &request)
{
    uint32_t value;
    std::memcpy(&value, request.data() + 8, sizeof value);
    return value;
}

TEST(GetCheckSum, Vectors)
{
    const std::pair<std::string, uint16_t> rows[] = {
        {Words({0x0100}, "\x01"), 0xFEFE},  // the odd byte added unshifted
        // 0x1FFFF folds to 0x10000, which must fold again to 1.
        {Words({0xFFFF, 0xFFFF, 0x0001}), 0xFFFE},
    };
    for (const auto &r : rows)
        EXPECT_EQ(CheckSum(r.first), r.second) << "row " << &r - rows;
    // RFC 1071's example, read and stored in this machine's order.
    EXPECT_EQ(Words({CheckSum(std::string("\x00\x01\xF2\x03\xF4\xF5\xF6\xF7", 8))}), "\x22\x0D");
}

const char kHost[] = "10.1.2.3";
const char kPath[] = "\\\\srv\\share\\dir\\file.txt";

std::string Echoed(int bytes, const char *from = kHost, int ms = 10)
{
    return "PING," + std::to_string(bytes) + " bytes replay from " + from +
           " : bytes=" + std::to_string(bytes - 32) + " time=" + std::to_string(ms) + "ms\n";
}

std::string Timeout(unsigned ms = 250, const char *host = kHost)
{
    return "Ping(" + std::string(host) + ") Request Timeout,requetTime=" + std::to_string(ms) +
           "ms";
}

const std::string kEnd0 = "end,ret=0", kEnd1 = "end,ret=1";

std::string Abort(const std::string &what)
{
    return "abort," + what + " failed.DestPath is invalid";
}

TEST(Ping, EveryLineOfEveryOutcome)
{
    using R = Reply;
    const std::string shortOne = "Ping(10.1.2.3) less recv bytes";
    const struct {
        const char *path;
        int network;
        unsigned times, ms;
        std::vector<Reply> replies;
        Strings lines;  // after the begin line
        int sent;       // requests sent; -1: no socket made
        const char *fail = nullptr;  // a service failing on its nth call
        int nth = 0, error = 0;
    } rows[] = {
        {kPath, 0, 4, 250, {R::Echo().Delay(37)}, {Echoed(64, kHost, 47), kEnd1}, 1},
        {kPath, 0, 3, 250, {R::Echo().Type(8)}, {"PING break,Not ICMP respond type", kEnd0}, 1},
        {kPath, 0, 3, 250, {R::Echo().Patch(4, "\x56\x78")}, {"PING break,not valid id", kEnd0},
         1},
        // The answer to an earlier attempt counts.
        {kPath, 0, 3, 250, {R::Echo().Patch(6, "\x09")}, {Echoed(64), kEnd1}, 1},
        {kPath, 0, 3, 250, {R::Echo().Truncate(31), R::Datagram(""), R::Echo()},
         {shortOne, shortOne, Echoed(64), kEnd1}, 3},
        {kPath, 0, 1, 250, {R::Echo().Truncate(32)}, {Echoed(32), kEnd1}, 1},
        {kPath, 0, 3, 250, {R::TimeOut(), R::Echo()}, {Timeout(), Echoed(64), kEnd1}, 2},
        {kPath, 0, 3, 250, {R::TimeOut()}, {Timeout(), "PING break,sendto error,ret(10065)", kEnd0},
         1, "sendto", 2, WSAEHOSTUNREACH},
        // The socket's wait is bounded; the line shows the time given.
        {kPath, 0, 1, 0, {R::Silence()}, {Timeout(0), kEnd0}, 1},
        // A remembered connection that is down still names its server.
        {"N:\\x", 1, 2, 100, {R::Echo()}, {Echoed(64, "10.4.4.4"), kEnd1}, 1},
        {nullptr, 0, 2, 10, {}, {"abort,parameter is wrong"}, -1},
        {"C:\\dir\\f.txt", 0, 2, 10, {}, {Abort("split UNC")}, -1},
        {"\\\\srv\\share", 1, 2, 10, {}, {Abort("split network drive path")}, -1},
        {"\\\\nohost\\share", 0, 2, 10, {}, {Abort("gethostbyname")}, -1},
    };
    const Traced traced;
    for (const auto &r : rows) {
        SCOPED_TRACE(::testing::Message() << "row " << &r - rows);
        ScopedFaults f;
        f.hosts = {{"srv", kHost}, {"other", "10.4.4.4"}};
        f.connections = {{'N', {"\\\\other\\share", false}}};
        f.processId = 0xABCD5678;
        f.SetClock(5000, 10);  // each reading 10 ms after the last
        f.replies.assign(r.replies.begin(), r.replies.end());
        if (r.fail != nullptr)
            f.Fail(r.fail, "", r.error, brenvik::test::Times::Once, r.nth);
        Strings expected{Begin(r.path ? r.path : "(null)", r.network, r.times, r.ms)};
        expected.insert(expected.end(), r.lines.begin(), r.lines.end());
        EXPECT_EQ(CDriveEx::PingHost(r.path, r.network, r.times, r.ms), expected.back() == kEnd1);
        EXPECT_EQ(Messages(f.debugOutput), expected);
        EXPECT_EQ(f.Leaks(), Strings{});
        for (const std::string &local : f.PathsOf("WNetGetConnectionA"))
            EXPECT_EQ(local, std::string(r.path, 2));
        ASSERT_EQ(f.Sockets().size(), r.sent < 0 ? 0u : 1u);
        if (r.sent < 0)
            continue;
        const auto &s = f.Sockets()[0];
        EXPECT_EQ(std::vector<unsigned>({unsigned(s.af), unsigned(s.type), unsigned(s.protocol),
                                         s.open, s.hasReceiveTimeout, s.receiveTimeoutMs}),
                  std::vector<unsigned>(
                      {AF_INET, SOCK_RAW, IPPROTO_ICMP, 0, 1, r.ms ? r.ms : 4000}));
        ASSERT_EQ(s.sent.size(), static_cast<std::size_t>(r.sent));
        for (std::size_t i = 0; i < s.sent.size(); ++i) {
            const std::string &q = s.sent[i].bytes;
            EXPECT_EQ(s.sent[i].port, 0);
            ASSERT_EQ(q.size(), 44u);
            // Type 8, code 0, the low word of the process id, the sequence, 32 'E's.
            EXPECT_EQ(q.substr(0, 2) + q.substr(4, 4) + q.substr(12),
                      Words({8, 0x5678, uint16_t(i)}, std::string(32, 'E')));
            EXPECT_EQ(CheckSum(q), 0) << "request " << i << " with its checksum sums to 0";
            // A fresh time stamp in each request.
            EXPECT_GE(Stamp(q), i ? Stamp(s.sent[i - 1].bytes) + 1 : 5000u);
        }
    }
}

TEST(MaybeNetworkPath, FormAndDriveTypeGiveTheCode)
{
    ScopedFaults f;
    f.driveTypes = {{'C', DRIVE_FIXED}, {'G', DRIVE_REMOTE}, {'M', DRIVE_REMOTE},
                    {'Q', DRIVE_NO_ROOT_DIR}};
    const std::pair<const char *, unsigned long> rows[] = {
        {"", 0}, {"\\", 0}, {"\\\\", 1}, {"C:\\dir\\f.txt", 0}, {"G:\\dir", 2}, {"m:x", 2},
        {"Q:\\x", 0}, {"[:\\", 0}, {"\xC7:\\", 0}, {".\\M:", 0}, {"\\/srv", 0}, {"M\\x", 0},
    };
    for (const auto &r : rows) {
        f.ClearCalls();
        EXPECT_EQ(CDriveEx::MaybeNetworkPath(r.first), r.second) << '"' << r.first << '"';
        if (r.first[0] == '\0' || r.first[1] != ':') {
            EXPECT_EQ(f.Calls().size(), 0u) << "only a drive letter is looked up: " << r.first;
        }
    }
    EXPECT_EQ(CDriveEx::MaybeNetworkPath(nullptr), 0u);
}

}  // namespace

#if defined(__linux__)
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "support/test_support.h"

namespace {

const char kLoop[] = "\\\\127.0.0.1\\share";
const std::string kAnswered = "PING,64 bytes replay from 127.0.0.1 : bytes=32 time=*ms\n";

bool Sysctl(const std::string &name, const char *value)
{
    std::ofstream f("/proc/sys/net/ipv4/" + name);
    return static_cast<bool>(f << value << std::flush);
}

struct Ping { const char *path; int network; unsigned times, ms; };

// Pings in a child in a network namespace of its own: exit 0 when the result ("R") and
// messages ("M") are `expected`, 2 not, 77 without a namespace; `datagram`: no raw sockets.
int InNamespace(bool datagram, const Ping &p, const Strings &expected)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid != 0) {
        int status = -1;
        return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)
                   ? WEXITSTATUS(status) : -1;
    }
    const int fd = ::unshare(CLONE_NEWNET) == 0 ? ::socket(AF_INET, SOCK_DGRAM, 0) : -1;
    struct ifreq ifr = {};
    std::strcpy(ifr.ifr_name, "lo");
    bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &ifr) == 0;
    ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &ifr) == 0 &&
         (!datagram || Sysctl("ping_group_range", "0 0"));
    // Any user but root lacks CAP_NET_RAW; the group stays 0.
    if (!up || (datagram && ::setuid(65534) != 0))
        ::_exit(77);
    ScopedFaults f;
    Strings got = {"R" + std::to_string(CDriveEx::PingHost(p.path, p.network, p.times, p.ms))};
    for (const std::string &m : Messages(f.debugOutput, true))
        got.push_back("M" + m);
    if (got != expected)
        std::fprintf(stderr, "in the namespace: %s\n", ::testing::PrintToString(got).c_str());
    ::_exit(got == expected ? 0 : 2);
}

TEST(PingNamespace, RealEchoes)
{
    const brenvik::test::TempDir dir;
    const brenvik::test::ScopedRegistryFile reg(brenvik::test::RegText(
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Shares\\127.0.0.1\\share]",
         "\"Path\"=\"" + dir.path() + "\"", "[HKEY_CURRENT_USER\\Network\\M]",
         "\"RemotePath\"=\"\\\\\\\\127.0.0.1\\\\share\""}));
    const Traced traced;
    const Strings answered = {"R1", "M" + Begin(kLoop, 0, 4, 2000), "M" + kAnswered, "M" + kEnd1};
    const int first = InNamespace(false, {kLoop, 0, 4, 2000}, answered);
    if (first == 77)
        GTEST_SKIP() << "cannot set a network namespace up here";
    EXPECT_EQ(first, 0);
    EXPECT_EQ(0, InNamespace(true, {"M:\\d\\f", 1, 2, 2000},
                             {"R1", "M" + Begin("M:\\d\\f", 1, 2, 2000), "M" + kAnswered,
                              "M" + kEnd1}));
}

}  // namespace
#endif
