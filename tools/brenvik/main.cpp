// brenvik: the command-line face of the library.
#include <brenvik/brenvik.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>

#include "common.h"
#include "version.h"

using brenvik::tool::Context;
using brenvik::tool::Failure;
using brenvik::tool::PrintJson;

namespace {

bool Given(int argc, char **argv, const char *option)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], option) == 0)
            return true;
    return false;
}

bool WantsJson(int argc, char **argv)
{
    return Given(argc, argv, "--json");
}

// The registry file's problems, once, before the command runs: a typo there
// moves every Windows path. `config` shows them itself. Returns the exit
// code when --strict-config ends the run here, else -1.
int WarnAboutRegistry(int argc, char **argv)
{
    const char *command = nullptr;
    for (int i = 1; i < argc && !command; ++i)
        if (argv[i][0] != '-')
            command = argv[i];
    if (command && std::strcmp(command, "config") == 0)
        return -1;
    const brenvik::tool::RegistryCheck check = brenvik::tool::CheckRegistry();
    for (const std::string &p : check.problems)
        std::cerr << "brenvik: warning: " << p << "\n";
    if (check.problems.empty() || !Given(argc, argv, "--strict-config") ||
        Given(argc, argv, "--help") || Given(argc, argv, "-h") || Given(argc, argv, "--version"))
        return -1;
    const std::string message = "the registry file " + brenvik::tool::Quote(check.file) +
                                " has problems (--strict-config); see brenvik config";
    std::cerr << "brenvik: " << message << "\n";
    return brenvik::tool::kExitUsage;
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

// Levenshtein distance, for suggesting a command.
std::size_t Distance(const std::string &a, const std::string &b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = up;
        }
    }
    return row[b.size()];
}

// The first word of the command line that names no subcommand where one is
// expected, said with the closest name there; "" when there is none.
std::string UnknownCommand(CLI::App &app, int argc, char **argv)
{
    CLI::App *at = &app;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word.empty() || word[0] == '-')
            continue;
        const auto subs = at->get_subcommands([](CLI::App *) { return true; });
        if (subs.empty())
            return "";
        CLI::App *next = nullptr;
        std::string closest;
        std::size_t best = static_cast<std::size_t>(-1);
        for (CLI::App *sub : subs) {
            if (sub->get_name() == word)
                next = sub;
            const std::size_t d = Distance(word, sub->get_name());
            const bool prefix = sub->get_name().rfind(word, 0) == 0;
            if (prefix || d < best) {
                best = prefix ? 0 : d;
                closest = sub->get_name();
            }
        }
        if (next == nullptr) {
            const std::string parent = at == &app ? "" : at->get_name() + " ";
            return "unknown command " + brenvik::tool::Quote(parent + word) +
                   (closest.empty() ? "" : "; did you mean " +
                                               brenvik::tool::Quote(parent + closest) + "?");
        }
        at = next;
    }
    return "";
}

// Examples for the help pages of the commands that have them.
const std::map<std::string, const char *> kExamples = {
    {"drives", "brenvik drives\n  brenvik --json drives D E"},
    {"path", "brenvik path split 'C:\\images\\Holiday.vcd'\n  brenvik path chext a.vcd iso"},
    {"file", "brenvik file status demo/library/Holiday.vcd\n  brenvik --json file size a.iso"},
    {"fs", "brenvik fs deltree --dry-run build/old\n  brenvik fs delsub --yes tmp '*.tmp'"},
    {"deltree", "brenvik fs deltree --dry-run build/old\n  brenvik fs deltree --yes build/old"},
    {"delsub", "brenvik fs delsub --dry-run tmp '*.tmp'\n  brenvik fs delsub --yes tmp '*.tmp'"},
    {"delete", "brenvik fs delete --dry-run a.tmp b.tmp"},
    {"rename", "brenvik fs rename --dry-run old.vcd new.vcd"},
    {"net", "brenvik net classify 'N:\\films'\n  brenvik net ping -c 2 localhost"},
    {"ping", "brenvik net ping -c 2 localhost\n  brenvik --json net ping '\\\\nas\\images'"},
    {"image", "brenvik image type build/demo/library/*.vcd\n  brenvik image dvd-names a.vcd"},
    {"bundle", "brenvik bundle check L.DVD/L.DVD.D01\n  brenvik bundle delete -n C.DVD/C.DVD.D00"},
    {"scan", "brenvik scan build/demo\n  brenvik --json scan --strict /media/discs"},
    {"config", "brenvik config\n  BRENVIK_REGISTRY=my.reg brenvik --strict-config config"},
};

// Every help page names the options that work everywhere, and shows
// examples where there are some.
void AddFooters(CLI::App &app)
{
    for (CLI::App *sub : app.get_subcommands([](CLI::App *) { return true; })) {
        std::string footer;
        const auto example = kExamples.find(sub->get_name());
        if (example != kExamples.end())
            footer += "Examples:\n  " + std::string(example->second) + "\n";
        footer += "Global options (before or after the command): --json, --win, "
                  "--strict-config, --version\n";
        sub->footer(footer);
        AddFooters(*sub);
    }
}

// Output that could not be written is a failure, as in coreutils.
int Flushed(int code)
{
    std::cout.flush();
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout) && std::cout)
        return code;
    const int err = errno;
    std::cerr << "brenvik: cannot write standard output: "
              << (err ? std::strerror(err) : "write error") << "\n";
    return brenvik::tool::kExitFailed;
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
    app.add_flag("--strict-config", ctx.strictConfig,
                 "Problems of the registry file are bad usage (exit 2), not warnings");
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
    brenvik::tool::AddConfig(app, ctx);

    AddFooters(app);
    if (const int code = WarnAboutRegistry(argc, argv); code >= 0) {
        if (WantsJson(argc, argv))
            PrintJson({{"error", "the registry file has problems (--strict-config)"},
                       {"exit", code}});
        return Flushed(code);
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        if (e.get_exit_code() == 0)
            return Flushed(app.exit(e));  // --help, --version
        std::string message = UnknownCommand(app, argc, argv);
        if (message.empty())
            message = OneLine(e.what());
        std::cerr << "brenvik: " << message << " (see --help)\n";
        if (WantsJson(argc, argv))
            PrintJson({{"error", message}, {"exit", brenvik::tool::kExitUsage}});
        return Flushed(brenvik::tool::kExitUsage);
    } catch (const Failure &f) {
        std::cerr << "brenvik: " << f.what() << "\n";
        if (ctx.json || WantsJson(argc, argv)) {
            brenvik::tool::Json doc = f.partial();
            doc["error"] = f.what();
            doc["exit"] = f.code();
            PrintJson(doc);
        }
        return Flushed(f.code());
    } catch (const std::exception &e) {
        std::cerr << "brenvik: " << e.what() << "\n";
        return Flushed(brenvik::tool::kExitFailed);
    }
    return Flushed(ctx.exit);
}
