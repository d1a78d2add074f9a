// brenvik: the command-line face of the library.
#include <brenvik/brenvik.h>

#include <CLI/CLI.hpp>

#include <cstring>
#include <iostream>

#include "common.h"
#include "version.h"

using brenvik::tool::Context;
using brenvik::tool::Failure;

namespace {

bool WantsJson(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--json") == 0)
            return true;
    return false;
}

// One line, then the way to more help.
std::string OneLine(std::string text)
{
    for (char &c : text)
        if (c == '\n')
            c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

}  // namespace

int main(int argc, char **argv)
{
    // The shared library reads its trace settings when it is loaded; the tool
    // links the library's objects directly, so it does the same here.
    CVcdImageEx traceSettings;

    Context ctx;
    CLI::App app{"brenvik: drives, Windows paths, files and disc-image files"};
    app.set_version_flag("--version", "brenvik " BRENVIK_TOOL_VERSION);
    app.fallthrough();  // --json and --win are taken after a subcommand too
    app.require_subcommand(1, 1);
    app.add_flag("--json", ctx.json, "Write one JSON document to standard output");
    app.add_flag("--win", ctx.win,
                 "Take every path argument as a Windows path (C:\\dir, \\\\server\\share)");
    app.footer(
        "Paths: a host path (absolute, or relative to the current directory) is\n"
        "named by the drive or share that holds it; a path that begins with a drive\n"
        "letter and a colon or with two backslashes, or holds a backslash, is a\n"
        "Windows path already. Exit codes: 0 success, 1 a failed check or operation,\n"
        "2 bad usage.");

    brenvik::tool::AddDrives(app, ctx);
    brenvik::tool::AddPath(app, ctx);
    brenvik::tool::AddFile(app, ctx);
    brenvik::tool::AddFs(app, ctx);
    brenvik::tool::AddNet(app, ctx);
    brenvik::tool::AddImage(app, ctx);
    brenvik::tool::AddBundle(app, ctx);
    brenvik::tool::AddScan(app, ctx);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        if (e.get_exit_code() == 0)
            return app.exit(e);  // --help, --version
        std::cerr << "brenvik: " << OneLine(e.what()) << " (see --help)\n";
        return brenvik::tool::kExitUsage;
    } catch (const Failure &f) {
        std::cerr << "brenvik: " << f.what() << "\n";
        if (ctx.json || WantsJson(argc, argv)) {
            brenvik::tool::Json doc;
            doc["error"] = f.what();
            doc["exit"] = f.code();
            std::cout << doc.dump(2, ' ', false, brenvik::tool::Json::error_handler_t::replace)
                      << "\n";
        }
        return f.code();
    } catch (const std::exception &e) {
        std::cerr << "brenvik: " << e.what() << "\n";
        return brenvik::tool::kExitFailed;
    }
    std::cout.flush();
    return ctx.exit;
}
