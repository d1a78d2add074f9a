// brenvik: the command-line face of the library.
#include <brenvik/brenvik.h>

#include <CLI/CLI.hpp>

#include <iostream>

#include "version.h"

int main(int argc, char **argv)
{
    CLI::App app{"brenvik: drives, Windows paths, files and disc-image files"};
    app.set_version_flag("--version", "brenvik " BRENVIK_TOOL_VERSION);
    app.require_subcommand(0, 1);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        int code = app.exit(e);
        return e.get_exit_code() == 0 ? 0 : (code == 0 ? 0 : 2);
    }
    std::cout << app.help();
    return 0;
}
