// Loaded by module_test: dlopen()s the shared library named by argv[1] and
// reports, one line each on standard output, the steps it takes ("step"),
// what the library's frame tells it ("event") and the debug output it
// receives ("debug"). The registry file is the one BRENVIK_REGISTRY names;
// the child rewrites it between steps.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Say(const std::string &line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string Escaped(const char *text)
{
    std::string out;
    for (const char *p = text; *p != '\0'; ++p) {
        if (*p == '\n')
            out += "\\n";
        else if (*p == '\\')
            out += "\\\\";
        else
            out += *p;
    }
    return out;
}

void WriteRegistry(int level)
{
    const char *path = std::getenv("BRENVIK_REGISTRY");
    if (path == nullptr)
        return;
    std::FILE *f = std::fopen(path, "wb");
    if (f == nullptr)
        return;
    std::fputs("Windows Registry Editor Version 5.00\r\n\r\n", f);
    if (level >= 0)
        std::fprintf(f,
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]\r\n"
                     "\"DebugLevel\"=dword:%08x\r\n",
                     static_cast<unsigned>(level));
    std::fclose(f);
}

void Receive(const char *text, void *)
{
    Say("debug " + Escaped(text));
}

}  // namespace

// The POSIX backend keeps singletons that are never destroyed; once
// dlclose() unmaps the library, the leak checker of a sanitized build
// counts them as leaks of this program. What this program checks about
// the library's own objects it checks through the events.
extern "C" const char *__lsan_default_options()
{
    return "detect_leaks=0";
}

extern "C" void brenvik_observe_frame(const char *event, unsigned long a, unsigned long b)
{
    Say("event " + std::string(event) + " " + std::to_string(a) + " " + std::to_string(b));
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        Say("error usage");
        return 2;
    }
    WriteRegistry(3);
    Say("step dlopen");
    void *lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        Say(std::string("error dlopen ") + dlerror());
        return 1;
    }
    Say("step opened");

    using SetOutput = void (*)(void (*)(const char *, void *), void *);
    using Member = void (*)(void *);
    using SplitUNC = int (*)(const char *, void *);
    auto setOutput = reinterpret_cast<SetOutput>(dlsym(lib, "brenvik_set_debug_output"));
    auto driveCtor = reinterpret_cast<Member>(dlsym(lib, "_ZN8CDriveExC1Ev"));
    auto driveDtor = reinterpret_cast<Member>(dlsym(lib, "_ZN8CDriveExD1Ev"));
    auto imageCtor = reinterpret_cast<Member>(dlsym(lib, "_ZN11CVcdImageExC1Ev"));
    auto imageDtor = reinterpret_cast<Member>(dlsym(lib, "_ZN11CVcdImageExD1Ev"));
    // An exported function that traces: a null record is reported.
    auto splitUnc =
        reinterpret_cast<SplitUNC>(dlsym(lib, "_ZN8CDriveEx10SplitUNC_pEPKcP14SPLITFPATH_tag"));
    if (!setOutput || !driveCtor || !driveDtor || !imageCtor || !imageDtor) {
        Say("error missing export");
        return 1;
    }
    setOutput(&Receive, nullptr);
    auto trace = [&](const char *step) {
        Say(std::string("step ") + step);
        if (splitUnc != nullptr)
            splitUnc("\\\\srv\\share\\f", nullptr);
        else
            Say("note no tracing export");
    };

    trace("first-call");
    // The file changes; the level read at load stays in force.
    WriteRegistry(-1);
    trace("after-rewrite");

    alignas(16) unsigned char storage[256];
    Say("step drive");
    driveCtor(storage);
    driveDtor(storage);
    trace("after-drive");

    Say("step image");
    imageCtor(storage);
    imageDtor(storage);
    trace("after-image");

    setOutput(nullptr, nullptr);
    Say("step dlclose");
    dlclose(lib);
    Say("step closed");
    return 0;
}
