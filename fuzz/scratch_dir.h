// A scratch directory for one fuzzer process, made on first use and removed
// when libFuzzer exits after its runs. In memory where the host has
// /dev/shm: every input rewrites files there.
#ifndef BRENVIK_FUZZ_SCRATCH_DIR_H
#define BRENVIK_FUZZ_SCRATCH_DIR_H

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

inline const std::string &ScratchDir()
{
    static std::string dir;
    if (dir.empty()) {
        char shm[] = "/dev/shm/brenvik-fuzz-XXXXXX";
        char tmp[] = "/tmp/brenvik-fuzz-XXXXXX";
        const char *made = ::mkdtemp(shm);
        if (made == nullptr)
            made = ::mkdtemp(tmp);
        if (made == nullptr) {
            std::fprintf(stderr, "fuzz: cannot make a scratch directory\n");
            std::abort();
        }
        dir = made;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(dir, ec);
        });
    }
    return dir;
}

#endif  // BRENVIK_FUZZ_SCRATCH_DIR_H
