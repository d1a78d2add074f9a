// brenvik net: network paths, and pinging the computer behind one.
#include <brenvik/brenvik.h>

#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "common.h"

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
    if (o.count == 0)
        throw Failure(kExitUsage, "--count must be at least 1");
    // A time-out of 0 would wait for a reply for ever.
    if (o.timeout == 0)
        throw Failure(kExitUsage, "--timeout must be at least 1 millisecond");
    const bool reachable =
        CDriveEx::PingHost(w.c_str(), driveLetter ? 1 : 0, o.count, o.timeout) != 0;
    Json doc = PathJson(arg);
    doc["network_drive"] = driveLetter;
    doc["count"] = o.count;
    doc["timeout_ms"] = o.timeout;
    doc["reachable"] = reachable;
    EmitVerdict(ctx, doc, reachable, "reachable", "not reachable", o.target);
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
