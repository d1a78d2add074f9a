// Debugger output and message boxes. Text sent to the debugger goes, exactly
// as given, to an installed receiver, else to the file named by
// BRENVIK_DEBUG_OUTPUT at the time of the call ("-" for standard error),
// else nowhere, as on Windows without a debugger.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <brenvik/brenvik.h>

#include "platform/posix/posix_backend.h"

namespace brenvik {
namespace platform {
namespace posix {

namespace {

struct Receiver {
    std::mutex mutex;
    void (*function)(const char *text, void *context) = nullptr;
    void *context = nullptr;
};

Receiver &TheReceiver()
{
    static Receiver *receiver = new Receiver;  // used until the process ends
    return *receiver;
}

void WriteAll(int fd, const char *text, std::size_t n)
{
    while (n > 0) {
        ssize_t w = ::write(fd, text, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return;
        text += w;
        n -= static_cast<std::size_t>(w);
    }
}

}  // namespace

void PosixBackend::OutputDebugStringA(LPCSTR lpOutputString)
{
    if (lpOutputString == nullptr)
        return;
    Receiver &r = TheReceiver();
    void (*function)(const char *, void *);
    void *context;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        function = r.function;
        context = r.context;
    }
    if (function != nullptr) {
        function(lpOutputString, context);
        return;
    }
    const char *target = std::getenv("BRENVIK_DEBUG_OUTPUT");
    if (target == nullptr || *target == '\0')
        return;
    const std::size_t n = std::strlen(lpOutputString);
    if (std::strcmp(target, "-") == 0) {
        WriteAll(STDERR_FILENO, lpOutputString, n);
        return;
    }
    // Opened for each string: the variable may name another file next time,
    // and appends from several processes stay whole.
    int fd = ::open(target, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        return;
    WriteAll(fd, lpOutputString, n);
    ::close(fd);
}

int PosixBackend::MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT)
{
    // The caption as the title bar shows it (Windows writes "Error" for
    // none), then the text; the box counts as closed with OK.
    const char *caption = lpCaption != nullptr ? lpCaption : "Error";
    const char *text = lpText != nullptr ? lpText : "";
    WriteAll(STDERR_FILENO, caption, std::strlen(caption));
    WriteAll(STDERR_FILENO, "\n", 1);
    WriteAll(STDERR_FILENO, text, std::strlen(text));
    WriteAll(STDERR_FILENO, "\n", 1);
    return IDOK;
}

void PosixBackend::PostQuitMessage(int)
{
    // No message loop runs here to receive it, and nothing is recorded.
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik

extern "C" BRENVIK_API void brenvik_set_debug_output(void (*receiver)(const char *text,
                                                                      void *context),
                                                     void *context)
{
    auto &r = brenvik::platform::posix::TheReceiver();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.function = receiver;
    r.context = receiver != nullptr ? context : nullptr;
}
