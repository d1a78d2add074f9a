// The ping and the network path classification on the POSIX backend, with
// real ICMP: to this host's loopback, and inside network namespaces of the
// test's own (a host that never answers; a process without raw sockets).
// Nothing is sent anywhere but 127.0.0.0/8 and those namespaces.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "frame/trace.h"
#include "net/trace_lines.h"
#include "platform/services.h"
#include "support/test_support.h"

namespace {

using brenvik::platform::sys;
using brenvik::test::MakeHostDirs;
using brenvik::test::PingMessages;
using brenvik::test::RegText;
using brenvik::test::ScopedRegistryFile;
using brenvik::test::TempDir;

const char kTraceOn[] =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]\r\n\"DebugLevel\"=dword:00000001\r\n";

void Receive(const char *text, void *context)
{
    static_cast<std::vector<std::string> *>(context)->push_back(text);
}

// Collects the debugger output for its lifetime.
class CaptureTrace {
public:
    CaptureTrace() { brenvik_set_debug_output(&Receive, &lines_); }
    ~CaptureTrace() { brenvik_set_debug_output(nullptr, nullptr); }
    std::vector<std::string> Messages() const { return PingMessages(lines_); }

private:
    std::vector<std::string> lines_;
};

std::string Begin(const char *path, int network, unsigned times, unsigned ms)
{
    char text[600];
    std::snprintf(text, sizeof text,
                  "CDriveEx::PingHost begin.DestPath=%s,bIsNetworkDrive=%d,PingTimes=%u,"
                  "RequestTime=%ums",
                  path, network, times, ms);
    return text;
}

// The reply line, whose time field is whatever the clock said.
bool IsReplyFromLoopback(const std::string &message)
{
    const std::string head = "CDriveEx::PingHost PING,64 bytes replay from 127.0.0.1 : bytes=32 time=";
    const std::string tail = "ms\n";
    if (message.size() <= head.size() + tail.size() || message.compare(0, head.size(), head) != 0 ||
        message.compare(message.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    const std::string ms = message.substr(head.size(), message.size() - head.size() - tail.size());
    return ms.find_first_not_of("0123456789") == std::string::npos;
}

// A raw ICMP socket that sees the echo requests this process sends (the
// library's own raw socket filters them out; this one does not).
class RequestObserver {
public:
    RequestObserver()
    {
        fd_ = ::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    }
    ~RequestObserver()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }

    // Sequence numbers of the echo requests with this process's identifier
    // and the library's data, in arrival order.
    std::vector<int> Requests()
    {
        std::vector<int> seqs;
        const uint16_t id = static_cast<uint16_t>(::getpid() & 0xFFFF);
        unsigned char b[1024];
        for (;;) {
            const ssize_t n = ::recv(fd_, b, sizeof b, 0);
            if (n < 0)
                break;
            if (n != 64 || b[20] != 8)
                continue;
            uint16_t got, seq;
            std::memcpy(&got, b + 24, 2);
            std::memcpy(&seq, b + 26, 2);
            if (got == id && b[32] == 0x45 && b[63] == 0x45)
                seqs.push_back(seq);
        }
        return seqs;
    }

private:
    int fd_ = -1;
};

// ---- Loopback of this host --------------------------------------------------

class PingLoopback : public ::testing::Test {
protected:
    void SetUp() override
    {
        reg_.Rewrite(RegText({kTraceOn,
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Shares\\localhost\\share]",
                              "\"Path\"=\"" + dir_.path() + "\"",
                              "[HKEY_CURRENT_USER\\Network\\M]",
                              "\"RemotePath\"=\"\\\\\\\\localhost\\\\share\"",
                              // Remembered, but the share is not there now.
                              "[HKEY_CURRENT_USER\\Network\\N]",
                              "\"RemotePath\"=\"\\\\\\\\127.0.0.1\\\\gone\""}));
        DbgLoadLevel();
    }
    void TearDown() override
    {
        g_bDbgEnabled = 0;
        g_dwDbgLevel = 0;
    }

    TempDir dir_;
    ScopedRegistryFile reg_{RegText({})};
};

TEST_F(PingLoopback, AnswersOnTheFirstRequest)
{
    for (const char *path : {"\\\\127.0.0.1\\share", "\\\\localhost\\share\\dir\\f.txt"}) {
        RequestObserver observer;
        CaptureTrace trace;
        EXPECT_EQ(CDriveEx::PingHost(path, 0, 4, 2000), 1) << path;
        const std::vector<std::string> m = trace.Messages();
        ASSERT_EQ(m.size(), 3u) << path;
        EXPECT_EQ(m[0], Begin(path, 0, 4, 2000));
        EXPECT_TRUE(IsReplyFromLoopback(m[1])) << m[1];
        EXPECT_EQ(m[2], "CDriveEx::PingHost end,ret=1");
        if (observer.ok()) {
            EXPECT_EQ(observer.Requests(), std::vector<int>{0}) << path;
        }
    }
}

TEST_F(PingLoopback, OneCleanupForEachStart)
{
    WSADATA data;
    ASSERT_EQ(sys().WSAStartup(0x0202, &data), 0);
    EXPECT_EQ(CDriveEx::PingHost("\\\\127.0.0.1\\share", 0, 1, 2000), 1);
    // A name that resolves to nothing stops after the start, which is still
    // undone once; this one is refused before any query leaves the machine.
    EXPECT_EQ(CDriveEx::PingHost("\\\\no host\\share", 0, 1, 2000), 0);
    EXPECT_EQ(CDriveEx::PingHost("\\\\127.0.0.1\\share", 0, 0, 2000), 0);
    // Our own start is the only one left.
    EXPECT_EQ(sys().WSACleanup(), 0);
    EXPECT_EQ(sys().WSACleanup(), SOCKET_ERROR);
    EXPECT_EQ(sys().WSAGetLastError(), WSANOTINITIALISED);
}

TEST_F(PingLoopback, MappedDrivePingsTheServerOfItsShare)
{
    struct Row {
        const char *path;
        int result;
        const char *failure;  // the abort line, or null
    } rows[] = {
        {"M:\\dir\\file.txt", 1, nullptr},
        {"m:\\", 1, nullptr},
        // The connection is down, but its name still names the server.
        {"N:\\x", 1, nullptr},
        {"Q:\\x",
         0,
         "CDriveEx::PingHost abort,get name of the network resource failed.DestPath is invalid"},
        {"\\\\localhost\\share",
         0,
         "CDriveEx::PingHost abort,split network drive path failed.DestPath is invalid"},
    };
    for (const Row &r : rows) {
        CaptureTrace trace;
        EXPECT_EQ(CDriveEx::PingHost(r.path, 1, 2, 2000), r.result) << r.path;
        const std::vector<std::string> m = trace.Messages();
        ASSERT_FALSE(m.empty()) << r.path;
        EXPECT_EQ(m[0], Begin(r.path, 1, 2, 2000));
        if (r.failure != nullptr) {
            EXPECT_EQ(m, (std::vector<std::string>{m[0], r.failure})) << r.path;
        } else {
            ASSERT_EQ(m.size(), 3u) << r.path;
            EXPECT_TRUE(IsReplyFromLoopback(m[1])) << m[1];
        }
    }
}

TEST_F(PingLoopback, ClassifiesRememberedConnectionsAsNetworkDrives)
{
    struct Row {
        const char *path;
        unsigned long code;
    } rows[] = {
        {"M:\\dir", 2}, {"m:", 2}, {"N:\\x", 2}, {"Q:\\x", 0}, {"\\\\localhost\\share", 1},
    };
    for (const Row &r : rows)
        EXPECT_EQ(CDriveEx::MaybeNetworkPath(r.path), r.code) << r.path;
}

// ---- Namespaces of the test's own ------------------------------------------

// What a child process in its own network namespace reports back.
struct ChildReport {
    std::string skip;                  // why the namespace could not be made
    std::vector<std::string> failures; // checks that failed in the child
    std::vector<std::string> messages; // trace messages
    std::vector<int> requests;         // echo requests seen, by sequence number
    int result = -1;
};

// Records written by the child: a tag, the length, ':' and the bytes.
void Put(int fd, char tag, const std::string &text)
{
    const std::string record = tag + std::to_string(text.size()) + ":" + text;
    std::size_t done = 0;
    while (done < record.size()) {
        const ssize_t n = ::write(fd, record.data() + done, record.size() - done);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

struct Namespace {
    bool ignoreEchoes = false;       // net.ipv4.icmp_echo_ignore_all = 1
    const char *pingGroups = nullptr;  // net.ipv4.ping_group_range, if set
    bool dropRawSockets = false;     // give up CAP_NET_RAW
};

std::string WriteSysctl(const char *name, const char *value)
{
    const std::string path = std::string("/proc/sys/net/ipv4/") + name;
    FILE *f = std::fopen(path.c_str(), "w");
    if (f == nullptr)
        return path + ": " + std::strerror(errno);
    const bool ok = std::fputs(value, f) >= 0;
    return std::fclose(f) == 0 && ok ? std::string() : path + ": write failed";
}

std::string LoopbackUp()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::string("socket: ") + std::strerror(errno);
    struct ifreq ifr;
    std::memset(&ifr, 0, sizeof ifr);
    std::strcpy(ifr.ifr_name, "lo");
    std::string error;
    if (::ioctl(fd, SIOCGIFFLAGS, &ifr) != 0) {
        error = std::string("SIOCGIFFLAGS: ") + std::strerror(errno);
    } else {
        ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
        if (::ioctl(fd, SIOCSIFFLAGS, &ifr) != 0)
            error = std::string("SIOCSIFFLAGS: ") + std::strerror(errno);
    }
    ::close(fd);
    return error;
}

std::string DropRawSockets()
{
    struct __user_cap_header_struct header;
    struct __user_cap_data_struct data[2];
    header.version = _LINUX_CAPABILITY_VERSION_3;
    header.pid = 0;
    if (::syscall(SYS_capget, &header, data) != 0)
        return std::string("capget: ") + std::strerror(errno);
    data[0].effective &= ~(1u << CAP_NET_RAW);
    data[0].permitted &= ~(1u << CAP_NET_RAW);
    if (::syscall(SYS_capset, &header, data) != 0)
        return std::string("capset: ") + std::strerror(errno);
    const int fd = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (fd >= 0) {
        ::close(fd);
        return "a raw socket still opens without CAP_NET_RAW";
    }
    return std::string();
}

// Runs body in a child process inside a new network namespace set up as
// asked. The body reports through the pipe descriptor it is given.
ChildReport RunInNamespace(const Namespace &ns, const std::function<void(int)> &body)
{
    ChildReport report;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        report.failures.push_back("pipe");
        return report;
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        report.failures.push_back("fork");
        return report;
    }
    if (pid == 0) {
        ::close(fds[0]);
        const int out = fds[1];
        std::string error;
        if (::unshare(CLONE_NEWNET) != 0) {
            Put(out, 'S', std::string("cannot make a network namespace here (unshare: ") +
                              std::strerror(errno) + ")");
            ::_exit(0);
        }
        error = LoopbackUp();
        if (error.empty() && ns.ignoreEchoes)
            error = WriteSysctl("icmp_echo_ignore_all", "1");
        if (error.empty() && ns.pingGroups != nullptr)
            error = WriteSysctl("ping_group_range", ns.pingGroups);
        if (error.empty() && ns.dropRawSockets)
            error = DropRawSockets();
        if (!error.empty()) {
            Put(out, 'S', "cannot set the namespace up: " + error);
            ::_exit(0);
        }
        body(out);
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string all;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        all.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        report.failures.push_back("the child did not end normally");
    std::size_t at = 0;
    while (at < all.size()) {
        const char tag = all[at];
        const std::size_t colon = all.find(':', at);
        if (colon == std::string::npos)
            break;
        const std::size_t length = std::stoul(all.substr(at + 1, colon - at - 1));
        const std::string text = all.substr(colon + 1, length);
        at = colon + 1 + length;
        switch (tag) {
        case 'S': report.skip = text; break;
        case 'F': report.failures.push_back(text); break;
        case 'M': report.messages.push_back(text); break;
        case 'Q': report.requests.push_back(std::stoi(text)); break;
        case 'R': report.result = std::stoi(text); break;
        default: report.failures.push_back("unknown record"); break;
        }
    }
    return report;
}

// In the child: ping path and report the result, the trace messages and,
// when observing, the echo requests that went out.
void PingAndReport(int out, const char *path, unsigned times, unsigned ms, bool observe)
{
    RequestObserver observer;
    if (observe && !observer.ok())
        Put(out, 'F', "no observer socket");
    CaptureTrace trace;
    const int result = CDriveEx::PingHost(path, 0, times, ms);
    Put(out, 'R', std::to_string(result));
    for (const std::string &m : trace.Messages())
        Put(out, 'M', m);
    if (observe)
        for (int seq : observer.Requests())
            Put(out, 'Q', std::to_string(seq));
}

class PingNamespace : public ::testing::Test {
protected:
    void SetUp() override { DbgLoadLevel(); }
    void TearDown() override
    {
        g_bDbgEnabled = 0;
        g_dwDbgLevel = 0;
    }
    ScopedRegistryFile reg_{RegText({kTraceOn})};
};

#define SKIP_OR_CHECK(report)                                   \
    do {                                                        \
        if (!(report).skip.empty())                             \
            GTEST_SKIP() << (report).skip;                      \
        EXPECT_EQ((report).failures, std::vector<std::string>{}); \
    } while (0)

TEST_F(PingNamespace, HostThatNeverAnswersTakesEveryRequest)
{
    Namespace ns;
    ns.ignoreEchoes = true;
    const ChildReport r = RunInNamespace(
        ns, [](int out) { PingAndReport(out, "\\\\127.0.0.1\\share", 3, 150, true); });
    SKIP_OR_CHECK(r);
    EXPECT_EQ(r.result, 0);
    const std::string timeout = "CDriveEx::PingHost Ping(127.0.0.1) Request Timeout,requetTime=150ms";
    EXPECT_EQ(r.messages, (std::vector<std::string>{Begin("\\\\127.0.0.1\\share", 0, 3, 150),
                                                    timeout, timeout, timeout,
                                                    "CDriveEx::PingHost end,ret=0"}));
    EXPECT_EQ(r.requests, (std::vector<int>{0, 1, 2}));
}

TEST_F(PingNamespace, RequestTimeZeroStillEnds)
{
    Namespace ns;
    ns.ignoreEchoes = true;
    const ChildReport r = RunInNamespace(
        ns, [](int out) { PingAndReport(out, "\\\\127.0.0.1\\share", 1, 0, true); });
    SKIP_OR_CHECK(r);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.messages,
              (std::vector<std::string>{
                  Begin("\\\\127.0.0.1\\share", 0, 1, 0),
                  "CDriveEx::PingHost Ping(127.0.0.1) Request Timeout,requetTime=0ms",
                  "CDriveEx::PingHost end,ret=0"}));
    EXPECT_EQ(r.requests, std::vector<int>{0});
}

// Echo request with identifier id and sequence seq, checksum left to the kernel
// (a datagram socket fills it in) but set anyway, as the library does.
std::string EchoRequest(uint16_t id, uint16_t seq)
{
    unsigned char b[44] = {8, 0};
    std::memcpy(b + 4, &id, 2);
    std::memcpy(b + 6, &seq, 2);
    std::memset(b + 12, 0x45, 32);
    uint32_t sum = 0;
    for (int i = 0; i < 44; i += 2) {
        uint16_t w;
        std::memcpy(&w, b + i, 2);
        sum += w;
    }
    while (sum >> 16)
        sum = (sum >> 16) + (sum & 0xFFFF);
    const uint16_t checksum = static_cast<uint16_t>(~sum);
    std::memcpy(b + 2, &checksum, 2);
    return std::string(reinterpret_cast<char *>(b), sizeof b);
}

// In the child: one echo through the services' raw ICMP socket, checked as
// a raw socket's receive would look.
void EchoThroughServices(int out, uint16_t id, const char *label)
{
    auto fail = [&](const std::string &what) { Put(out, 'F', std::string(label) + ": " + what); };
    const SOCKET s = sys().socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (s == INVALID_SOCKET) {
        fail("socket " + std::to_string(sys().WSAGetLastError()));
        return;
    }
    int type = 0;
    socklen_t typeLength = sizeof type;
    ::getsockopt(static_cast<int>(s), SOL_SOCKET, SO_TYPE, &type, &typeLength);
    if (type != SOCK_DGRAM)
        fail("not the datagram stand-in");
    const DWORD ms = 2000;
    sys().setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&ms), 4);
    const std::string request = EchoRequest(id, 7);
    struct sockaddr_in to;
    std::memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (sys().sendto(s, request.data(), 44, 0, reinterpret_cast<struct sockaddr *>(&to),
                     sizeof to) != 44)
        fail("sendto " + std::to_string(sys().WSAGetLastError()));
    unsigned char b[1024];
    struct sockaddr_in from;
    int fromLength = sizeof from;
    const int n = sys().recvfrom(s, reinterpret_cast<char *>(b), sizeof b, 0,
                                 reinterpret_cast<struct sockaddr *>(&from), &fromLength);
    sys().closesocket(s);
    if (n != 64) {
        fail("received " + std::to_string(n) + " error " + std::to_string(sys().WSAGetLastError()));
        return;
    }
    if (b[0] != 0x45 || b[9] != IPPROTO_ICMP || b[2] != 0 || b[3] != 64)
        fail("IPv4 header: version, protocol or total length");
    uint32_t sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum += static_cast<uint32_t>(b[i] << 8 | b[i + 1]);
    while (sum >> 16)
        sum = (sum >> 16) + (sum & 0xFFFF);
    if (sum != 0xFFFF)
        fail("IPv4 header checksum");
    const unsigned char loopback[4] = {127, 0, 0, 1};
    if (std::memcmp(b + 12, loopback, 4) != 0 || from.sin_addr.s_addr != htonl(INADDR_LOOPBACK) ||
        fromLength != 16)
        fail("source address");
    uint16_t gotId;
    std::memcpy(&gotId, b + 24, 2);
    if (b[20] != 0 || gotId != id)
        fail("reply type or identifier " + std::to_string(gotId));
    if (std::memcmp(b + 26, request.data() + 6, 38) != 0)
        fail("sequence or data not echoed");
}

TEST_F(PingNamespace, DatagramSocketStandsInWhereRawSocketsAreRefused)
{
    Namespace ns;
    ns.pingGroups = "0 0";
    ns.dropRawSockets = true;
    const ChildReport r = RunInNamespace(ns, [](int out) {
        PingAndReport(out, "\\\\127.0.0.1\\share", 2, 2000, false);
        WSADATA data;
        sys().WSAStartup(0x0202, &data);
        EchoThroughServices(out, 0xBEEF, "free identifier");
        // A process whose id is a multiple of 65536 sends identifier 0, which
        // as a port would have the kernel choose one.
        EchoThroughServices(out, 0, "identifier 0");
        // Someone else holds the identifier as a datagram socket's port. Where
        // the kernel refuses to share it, it picks another for the request,
        // and the reply is given the one that was sent.
        const int holder = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
        struct sockaddr_in local;
        std::memset(&local, 0, sizeof local);
        local.sin_family = AF_INET;
        const uint16_t taken = 0x4242;
        std::memcpy(&local.sin_port, &taken, 2);
        if (holder < 0 || ::bind(holder, reinterpret_cast<struct sockaddr *>(&local), sizeof local))
            Put(out, 'F', "cannot hold the identifier");
        EchoThroughServices(out, taken, "taken identifier");
        if (holder >= 0)
            ::close(holder);
        sys().WSACleanup();
    });
    SKIP_OR_CHECK(r);
    EXPECT_EQ(r.result, 1);
    ASSERT_EQ(r.messages.size(), 3u);
    EXPECT_TRUE(IsReplyFromLoopback(r.messages[1])) << r.messages[1];
    EXPECT_EQ(r.messages[2], "CDriveEx::PingHost end,ret=1");
}

TEST_F(PingNamespace, NeitherRawNorDatagramSocketAllowed)
{
    Namespace ns;
    ns.dropRawSockets = true;  // and the namespace's ping_group_range admits no group
    const ChildReport r = RunInNamespace(ns, [](int out) {
        PingAndReport(out, "\\\\127.0.0.1\\share", 2, 500, false);
        WSADATA data;
        sys().WSAStartup(0x0202, &data);
        if (sys().socket(AF_INET, SOCK_RAW, IPPROTO_ICMP) != INVALID_SOCKET ||
            sys().WSAGetLastError() != WSAEACCES)
            Put(out, 'F', "the socket did not fail with WSAEACCES");
        sys().WSACleanup();
    });
    SKIP_OR_CHECK(r);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.messages, (std::vector<std::string>{
                              Begin("\\\\127.0.0.1\\share", 0, 2, 500),
                              "CDriveEx::PingHost abort,Create socket error.ret(10013)"}));
}

}  // namespace
