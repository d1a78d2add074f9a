// brenvik-mkdemo DIR: writes the demo image library into DIR.
#include <iostream>
#include <string>

#include "image_writer.h"

namespace {
const char kUsage[] =
    "usage: brenvik-mkdemo DIR\n"
    "Writes the demo disc-image library (single images, DVD bundles, mixed-mode and\n"
    "CD-Extra pairs, an unreadable image) into DIR/library, creating DIR if needed.\n"
    "A directory whose name begins with '-' is given as ./-name.\n";
}  // namespace

int main(int argc, char **argv)
{
    const std::string arg = argc == 2 ? argv[1] : "";
    if (arg == "--help" || arg == "-h") {
        std::cout << kUsage;
        return std::cout.flush() ? 0 : 1;
    }
    // An option is never taken for a directory to create.
    if (argc != 2 || arg.empty() || arg[0] == '-') {
        std::cerr << kUsage;
        return 2;
    }
    std::string error;
    if (!brenvik::mkimage::WriteDemoLibrary(arg, &error)) {
        std::cerr << "brenvik-mkdemo: " << error << "\n";
        return 1;
    }
    return 0;
}
