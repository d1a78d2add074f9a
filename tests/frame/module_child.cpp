// Run by module_test: dlopen()s the shared library named by argv[1] and
// prints, one line each, the steps it takes ("step") and the debug output it
// receives ("debug"). It
// rewrites the registry file that BRENVIK_REGISTRY names between steps.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void WriteRegistry(const char *text)
{
    if (std::FILE *f = std::fopen(std::getenv("BRENVIK_REGISTRY"), "wb")) {
        std::fprintf(f, "Windows Registry Editor Version 5.00\r\n\r\n%s", text);
        std::fclose(f);
    }
}

void Receive(const char *text, void *)
{
    std::string line = "debug ";
    for (const char *p = text; *p != '\0'; ++p)
        line += *p == '\n' ? std::string("\\n") : std::string(1, *p);
    std::puts(line.c_str());
}

}  // namespace

int main(int argc, char **argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2 || std::getenv("BRENVIK_REGISTRY") == nullptr)
        return 2;
    WriteRegistry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]\r\n\"DebugLevel\"=dword:00000003\r\n");
    std::puts("step dlopen");
    void *lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        std::printf("error dlopen %s\n", dlerror());
        return 1;
    }
    using Member = void (*)(void *);
    auto setOutput = reinterpret_cast<void (*)(void (*)(const char *, void *), void *)>(
        dlsym(lib, "brenvik_set_debug_output"));
    auto driveCtor = reinterpret_cast<Member>(dlsym(lib, "_ZN8CDriveExC1Ev"));
    auto driveDtor = reinterpret_cast<Member>(dlsym(lib, "_ZN8CDriveExD1Ev"));
    auto imageCtor = reinterpret_cast<Member>(dlsym(lib, "_ZN11CVcdImageExC1Ev"));
    auto imageDtor = reinterpret_cast<Member>(dlsym(lib, "_ZN11CVcdImageExD1Ev"));
    // An exported function that traces the null record it is given.
    auto splitUnc = reinterpret_cast<int (*)(const char *, void *)>(
        dlsym(lib, "_ZN8CDriveEx10SplitUNC_pEPKcP14SPLITFPATH_tag"));
    if (!setOutput || !driveCtor || !driveDtor || !imageCtor || !imageDtor || !splitUnc) {
        std::puts("error missing export");
        return 1;
    }
    setOutput(&Receive, nullptr);
    auto step = [&](const char *name) {
        std::printf("step %s\n", name);
        splitUnc("\\\\srv\\share\\f", nullptr);
    };
    step("opened");
    WriteRegistry("");  // no key now; the level read at load stays
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
