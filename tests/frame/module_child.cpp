// Run by module_test: prints its steps and the debug output of the library in argv[1].
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

int main(int, char **argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const auto writeRegistry = [](const char *text) {
        std::FILE *f = std::fopen(std::getenv("BRENVIK_REGISTRY"), "wb");
        std::fprintf(f, "Windows Registry Editor Version 5.00\r\n\r\n%s", text);
        std::fclose(f);
    };
    writeRegistry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]\r\n\"DebugLevel\"=dword:3\r\n");
    std::puts("step dlopen");
    void *lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr)
        return std::puts(dlerror()), 1;
    using Member = void (*)(void *);
    using Receiver = void (*)(const char *, void *);
    const auto setOutput =
        reinterpret_cast<void (*)(Receiver, void *)>(dlsym(lib, "brenvik_set_debug_output"));
    const auto driveCtor = reinterpret_cast<Member>(dlsym(lib, "_ZN8CDriveExC1Ev"));
    const auto driveDtor = reinterpret_cast<Member>(dlsym(lib, "_ZN8CDriveExD1Ev"));
    const auto imageCtor = reinterpret_cast<Member>(dlsym(lib, "_ZN11CVcdImageExC1Ev"));
    const auto imageDtor = reinterpret_cast<Member>(dlsym(lib, "_ZN11CVcdImageExD1Ev"));
    // An exported function that traces the null record it is given.
    const auto splitUnc = reinterpret_cast<int (*)(const char *, void *)>(
        dlsym(lib, "_ZN8CDriveEx10SplitUNC_pEPKcP14SPLITFPATH_tag"));
    setOutput([](const char *text, void *) { std::printf("debug %s\n", text); }, nullptr);
    const auto step = [&](const char *name) {
        std::printf("step %s\n", name);
        splitUnc("\\\\srv\\share\\f", nullptr);
    };
    step("opened");
    writeRegistry("");  // no key now; the level read at load stays
    step("rewritten");
    alignas(16) unsigned char storage[256];
    driveCtor(storage);
    driveDtor(storage);
    step("drive");
    imageCtor(storage);
    imageDtor(storage);
    step("image");
    setOutput(nullptr, nullptr);
    std::puts("step dlclose");
    dlclose(lib);
    std::puts("step closed");
    return 0;
}
