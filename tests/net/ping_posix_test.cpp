// The ping and the network path classification on the POSIX backend, with
// real ICMP: to this host's loopback, and inside network namespaces of the
// test's own. Nothing is sent anywhere but 127.0.0.0/8.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <utility>
#include <regex>
#include <string>
#include <vector>

#include <brenvik/brenvik.h>

#include "frame/trace.h"
#include "net/trace_lines.h"
#include "platform/services.h"
#include "support/test_support.h"

namespace {

using brenvik::test::PingBegin;
using brenvik::test::RegText;
using Strings = std::vector<std::string>;

const char kLoop[] = "\\\\127.0.0.1\\share";
const char kAnswered[] =
    "CDriveEx::PingHost PING,64 bytes replay from 127.0.0.1 : bytes=32 time=*\n";

// The trace on, and the ping's messages while it lives, the reply's time as "*".
struct CaptureTrace {
    CaptureTrace()
    {
        g_bDbgEnabled = 1;
        g_dwDbgLevel = 1;
        brenvik_set_debug_output(
            [](const char *text, void *to) { static_cast<Strings *>(to)->push_back(text); },
            &lines);
    }
    ~CaptureTrace()
    {
        brenvik_set_debug_output(nullptr, nullptr);
        g_bDbgEnabled = 0;
        g_dwDbgLevel = 0;
    }
    Strings Messages() const
    {
        Strings m = brenvik::test::PingMessages(lines);
        for (std::string &s : m)
            s = std::regex_replace(s, std::regex(" time=[0-9]+ms\n$"), " time=*\n");
        return m;
    }
    Strings lines;
};

// This process's echo requests, by sequence number, seen on a raw socket of
// the test's own (the library's own socket filters requests out).
struct Requests {
    const int fd = ::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    ~Requests()
    {
        if (fd >= 0)
            ::close(fd);
    }
    std::vector<int> Seen() const
    {
        std::vector<int> seqs;
        unsigned char b[1024];
        uint16_t id, seq;
        for (ssize_t n; (n = ::recv(fd, b, sizeof b, 0)) >= 0;) {
            std::memcpy(&id, b + 24, 2);
            std::memcpy(&seq, b + 26, 2);
            if (n == 64 && b[20] == 8 && id == (::getpid() & 0xFFFF) && b[32] == 'E')
                seqs.push_back(seq);
        }
        return seqs;
    }
};

TEST(PingLoopback, AnswersOnTheFirstRequest)
{
    const brenvik::test::TempDir dir;
    const brenvik::test::ScopedRegistryFile reg(RegText(
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Shares\\localhost\\share]",
         "\"Path\"=\"" + dir.path() + "\"", "[HKEY_CURRENT_USER\\Network\\M]",
         "\"RemotePath\"=\"\\\\\\\\localhost\\\\share\"",
         // Remembered, but the share is not there now.
         "[HKEY_CURRENT_USER\\Network\\N]", "\"RemotePath\"=\"\\\\\\\\127.0.0.1\\\\gone\""}));
    const struct {
        const char *path;
        int network;
        unsigned long code;  // of MaybeNetworkPath
    } rows[] = {
        {kLoop, 0, 1}, {"\\\\localhost\\share\\dir\\f.txt", 0, 1}, {"M:\\dir\\file.txt", 1, 2},
        {"N:\\x", 1, 2}, {"Q:\\x", 1, 0},
    };
    // Every request stays on this host.
    auto &sys = brenvik::platform::sys();
    WSADATA data;
    ASSERT_EQ(sys.WSAStartup(0x0202, &data), 0);
    const hostent *local = sys.gethostbyname("localhost");
    const bool loopback =
        local != nullptr && static_cast<unsigned char>(*local->h_addr_list[0]) == 127;
    sys.WSACleanup();
    ASSERT_TRUE(loopback) << "localhost is not in 127.0.0.0/8";
    for (const auto &r : rows) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(CDriveEx::MaybeNetworkPath(r.path), r.code);
        const Requests requests;
        const CaptureTrace trace;
        const bool answered = r.code != 0;
        EXPECT_EQ(CDriveEx::PingHost(r.path, r.network, 4, 2000), answered ? 1 : 0);
        EXPECT_EQ(trace.Messages(),
                  (answered ? Strings{PingBegin(r.path, r.network, 4, 2000), kAnswered,
                                     "CDriveEx::PingHost end,ret=1"}
                           : Strings{PingBegin(r.path, 1, 4, 2000),
                                     "CDriveEx::PingHost abort,get name of the network resource "
                                     "failed.DestPath is invalid"}));
        if (requests.fd >= 0) {
            EXPECT_EQ(requests.Seen(), (answered ? std::vector<int>{0} : std::vector<int>{}));
        }
    }
}

bool Sysctl(const std::string &name, const char *value)
{
    std::ofstream f("/proc/sys/net/ipv4/" + name);
    f << value;
    f.close();
    return !f.fail();
}

// In the child: why the namespace cannot be made as asked, or "". Without
// raw sockets the pings go by ICMP datagram sockets; otherwise echoes are ignored.
std::string Enter(bool datagram)
{
    if (::unshare(CLONE_NEWNET) != 0)
        return std::string("cannot make a network namespace here: ") + std::strerror(errno);
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    struct ifreq ifr = {};
    std::strcpy(ifr.ifr_name, "lo");
    bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &ifr) == 0;
    ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &ifr) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!up || !(datagram ? Sysctl("ping_group_range", "0 0")
                          : Sysctl("icmp_echo_ignore_all", "1")))
        return "cannot set the namespace up";
    // Any user but root lacks CAP_NET_RAW; the group stays 0.
    if (datagram && ::setuid(65534) != 0)
        return "cannot give up raw sockets";
    return "";
}

void Put(int fd, char tag, const std::string &text)
{
    const std::string record = tag + text + '\0';
    if (::write(fd, record.data(), record.size()) != static_cast<ssize_t>(record.size()))
        ::_exit(3);
}

// Pings kLoop with each {PingTimes, RequestTime} in a child process in a new
// network namespace. Returns the child's records, a tag and a text each: S why
// it was skipped, F a failed check, R a result, M a trace message, Q an echo
// request seen.
Strings InNamespace(bool datagram, std::vector<std::pair<unsigned, unsigned>> pings)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {"Fpipe"};
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const std::string why = Enter(datagram);
        if (!why.empty())
            Put(fds[1], 'S', why);
        for (std::size_t i = 0; why.empty() && i < pings.size(); ++i) {
            const Requests requests;
            const CaptureTrace trace;
            Put(fds[1], 'R',
                std::to_string(CDriveEx::PingHost(kLoop, 0, pings[i].first, pings[i].second)));
            for (const std::string &m : trace.Messages())
                Put(fds[1], 'M', m);
            for (int seq : requests.Seen())
                Put(fds[1], 'Q', std::to_string(seq));
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string all;
    char b[4096];
    for (ssize_t n; (n = ::read(fds[0], b, sizeof b)) > 0;)
        all.append(b, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = -1;
    if (pid > 0)
        ::waitpid(pid, &status, 0);
    Strings records;
    for (std::size_t at = 0, end; (end = all.find('\0', at)) != std::string::npos; at = end + 1)
        records.push_back(all.substr(at, end - at));
    if (status != 0)
        records.push_back("Fthe child did not end normally");
    return records;
}

#define SKIP_IF_NO_NAMESPACE(records)                    \
    if (!(records).empty() && (records)[0][0] == 'S')    \
    GTEST_SKIP() << (records)[0].substr(1)

// A host that never answers: each attempt's request goes out once and times
// out; RequestTime 0 still ends.
TEST(PingNamespace, HostThatNeverAnswers)
{
    const Strings records = InNamespace(false, {{3, 150}, {1, 0}});
    SKIP_IF_NO_NAMESPACE(records);
    const std::string timeout = "MCDriveEx::PingHost Ping(127.0.0.1) Request Timeout,requetTime=";
    const std::string end = "MCDriveEx::PingHost end,ret=0";
    EXPECT_EQ(records, (Strings{"R0", "M" + PingBegin(kLoop, 0, 3, 150), timeout + "150ms",
                                timeout + "150ms", timeout + "150ms", end, "Q0", "Q1", "Q2", "R0",
                                "M" + PingBegin(kLoop, 0, 1, 0), timeout + "0ms", end, "Q0"}));
}

// Where raw sockets are refused, an ICMP datagram socket stands in.
TEST(PingNamespace, DatagramSocketStandsInForTheRawOne)
{
    const Strings records = InNamespace(true, {{2, 2000}});
    SKIP_IF_NO_NAMESPACE(records);
    EXPECT_EQ(records, (Strings{"R1", "M" + PingBegin(kLoop, 0, 2, 2000),
                                std::string("M") + kAnswered, "MCDriveEx::PingHost end,ret=1"}));
}

}  // namespace
