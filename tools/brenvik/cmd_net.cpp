// brenvik net: network paths, and pinging the computer behind one.
#include <brenvik/brenvik.h>

#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "common.h"
#include "platform/services.h"

namespace brenvik {
namespace tool {

namespace {

struct NetOptions {
    std::vector<std::string> paths;
    std::string target;
    unsigned count = 4;
    unsigned timeout = 1000;
};

const char *NetClass(unsigned long code)
{
    switch (code) {
    case 1: return "unc";
    case 2: return "network-drive";
    default: return "local";
    }
}

void RunClassify(Context &ctx, const NetOptions &o)
{
    Json doc;
    doc["results"] = Json::array();
    Table table({"CLASS", "PATH"});
    for (const std::string &p : o.paths) {
        const PathArg arg = ToWindows(ctx, p);
        const unsigned long code = CDriveEx::MaybeNetworkPath(arg.windows.c_str());
        Json r = PathJson(arg);
        r["class"] = NetClass(code);
        r["code"] = code;
        doc["results"].push_back(r);
        table.Add({NetClass(code), arg.fromHost ? p + " (" + arg.windows + ")" : p});
    }
    Emit(ctx, doc, [&](std::ostream &out) { table.Print(out, false); });
}

bool LooksLikeHostName(const std::string &text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c == '/' || c == '\\' || c == ':')
            return false;
    return true;
}

// The computer behind a UNC path or a network drive's connection; "" when
// there is none.
std::string ComputerOf(const std::string &windows, bool driveLetter)
{
    std::string unc = windows;
    if (driveLetter) {
        char remote[BRENVIK_MAX_PATH] = "";
        DWORD size = sizeof remote;
        const std::string local = windows.substr(0, 2);
        if (platform::sys().WNetGetConnectionA(local.c_str(), remote, &size) != NO_ERROR &&
            remote[0] == '\0')
            return "";
        unc = remote;
    }
    if (unc.size() < 3 || unc[0] != '\\' || unc[1] != '\\')
        return "";
    return unc.substr(2, unc.find_first_of("\\/", 2) - 2);
}

// Why no echo request can leave this process, or "".
std::string WhyNoIcmp()
{
    auto &s = platform::sys();
    WSADATA data;
    if (s.WSAStartup(0x0202, &data) != 0)
        return "the sockets layer cannot be started";
    std::string why;
    const SOCKET probe = s.socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (probe == INVALID_SOCKET)
        why = s.WSAGetLastError() == WSAEACCES
                  ? "this process may not send ICMP echo requests: allow its group with "
                    "sysctl net.ipv4.ping_group_range, or give the program the "
                    "cap_net_raw capability"
                  : "no ICMP socket can be opened (error " +
                        std::to_string(s.WSAGetLastError()) + ")";
    else
        s.closesocket(probe);
    s.WSACleanup();
    return why;
}

bool Resolves(const std::string &computer)
{
    auto &s = platform::sys();
    if (s.inet_addr(computer.c_str()) != INADDR_NONE)
        return true;
    WSADATA data;
    s.WSAStartup(0x0202, &data);
    const bool found = s.gethostbyname(computer.c_str()) != nullptr;
    s.WSACleanup();
    return found;
}

void RunPing(Context &ctx, const NetOptions &o)
{
    // A bare computer name or address stands for its UNC root.
    PathArg arg;
    if (!ctx.win && LooksLikeHostName(o.target)) {
        arg.given = o.target;
        arg.windows = "\\\\" + o.target;
    } else {
        arg = ToWindows(ctx, o.target);
    }
    const std::string &w = arg.windows;
    const bool driveLetter = w.size() >= 2 && w[1] == ':';
    if (!driveLetter && !(w.size() >= 3 && w[0] == '\\' && w[1] == '\\'))
        throw Failure(kExitUsage, "cannot ping " + Quote(o.target) +
                                      ": give a computer name, a UNC path or a path on a "
                                      "network drive");
    if (driveLetter && CDriveEx::MaybeNetworkPath(w.c_str()) != 2)
        throw Failure(kExitUsage, "cannot ping " + Quote(o.target) +
                                      ": it is on a local drive, with no computer behind it");
    if (o.count == 0)
        throw Failure(kExitUsage, "--count must be at least 1");
    // A time-out of 0 would wait for a reply for ever.
    if (o.timeout == 0)
        throw Failure(kExitUsage, "--timeout must be at least 1 millisecond");
    const std::string computer = ComputerOf(w, driveLetter);
    Json doc = PathJson(arg);
    doc["host"] = computer.empty() ? Json(nullptr) : Json(computer);
    doc["network_drive"] = driveLetter;
    doc["count"] = o.count;
    doc["timeout_ms"] = o.timeout;
    const std::string denied = WhyNoIcmp();
    if (!denied.empty()) {
        doc["reachable"] = nullptr;
        throw Failure(kExitFailed, "cannot ping " + Quote(computer) + ": " + denied, doc);
    }
    const bool reachable =
        CDriveEx::PingHost(w.c_str(), driveLetter ? 1 : 0, o.count, o.timeout) != 0;
    doc["reachable"] = reachable;
    if (!reachable && !computer.empty() && !Resolves(computer))
        throw Failure(kExitFailed, "cannot ping " + Quote(computer) + ": no such host is known",
                      doc);
    EmitVerdict(ctx, doc, reachable, "reachable", "not reachable",
                computer.empty() || computer == o.target ? o.target
                                                         : computer + " (" + o.target + ")");
}

}  // namespace

void AddNet(CLI::App &app, Context &ctx)
{
    auto o = std::make_shared<NetOptions>();
    CLI::App *net = app.add_subcommand("net", "Network paths and host reachability");
    net->require_subcommand(1, 1);

    CLI::App *classify = net->add_subcommand(
        "classify", "Tell local paths from UNC paths and paths on network drives");
    classify->add_option("paths", o->paths, "The paths")->required();
    classify->callback([&ctx, o] { RunClassify(ctx, *o); });

    CLI::App *ping = net->add_subcommand(
        "ping", "Ping the computer behind a UNC path or network drive (exit 1 if no reply)");
    ping->add_option("target", o->target,
                     "A computer name or address, a UNC path, or a path on a network drive")
        ->required();
    ping->add_option("-c,--count", o->count, "Echo requests to send at most")
        ->capture_default_str();
    ping->add_option("-t,--timeout", o->timeout, "Time to wait for each reply, in milliseconds")
        ->capture_default_str();
    ping->callback([&ctx, o] { RunPing(ctx, *o); });
}

}  // namespace tool
}  // namespace brenvik
