// brenvik-mkdemo DIR: writes the demo image library into DIR.
#include <iostream>
#include <string>

#include "image_writer.h"

int main(int argc, char **argv)
{
    if (argc != 2 || std::string(argv[1]).empty()) {
        std::cerr << "usage: brenvik-mkdemo DIR\n";
        return 2;
    }
    std::string error;
    if (!brenvik::mkimage::WriteDemoLibrary(argv[1], &error)) {
        std::cerr << "brenvik-mkdemo: " << error << "\n";
        return 1;
    }
    return 0;
}
