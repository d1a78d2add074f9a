#include "frame/trace.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "platform/crt/crt.h"
#include "platform/services.h"

using brenvik::platform::sys;

int g_bDbgEnabled = 0;
unsigned long g_dwDbgLevel = 0;

namespace {

constexpr std::size_t kMessageBuffer = 520;
constexpr std::size_t kFileBuffer = 260;

// Per thread, so that callers on several threads cannot mix their lines.
// (In a library loaded at run time the loader may allocate a thread's block
// at its first use; after that a disabled site allocates nothing.)
thread_local char t_message[kMessageBuffer];
thread_local char t_fileTitle[kFileBuffer];

void ReadLevel()
{
    auto &s = sys();
    HKEY key = nullptr;
    if (s.RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrloDebug", &key) != ERROR_SUCCESS) {
        g_bDbgEnabled = 0;
        g_dwDbgLevel = 0;
        return;
    }
    unsigned char data[4] = {0, 0, 0, 0};
    DWORD size = sizeof data;
    // The stored type is ignored: any 4 bytes or fewer are a little-endian
    // number. More than 4 bytes answers ERROR_MORE_DATA: disabled.
    if (s.RegQueryValueExA(key, "DebugLevel", nullptr, nullptr, data, &size) != ERROR_SUCCESS) {
        g_bDbgEnabled = 0;
        g_dwDbgLevel = 0;
    } else {
        g_dwDbgLevel = static_cast<unsigned long>(data[0]) |
                       (static_cast<unsigned long>(data[1]) << 8) |
                       (static_cast<unsigned long>(data[2]) << 16) |
                       (static_cast<unsigned long>(data[3]) << 24);
        g_bDbgEnabled = 1;
    }
    s.RegCloseKey(key);
}

}  // namespace

void DbgLoadLevel()
{
    ReadLevel();
}

const char *DbgFormat(const char *format, ...)
{
    std::memset(t_message, 0, sizeof t_message);
    if (format == nullptr) {
        sys().PostQuitMessage(0);
        return t_message;  // an empty message
    }
    va_list args;
    va_start(args, format);
    brenvik::crt::FormatV(t_message, sizeof t_message, format, args);
    va_end(args);
    return t_message;
}

const char *DbgFileTitle(const char *path)
{
    std::memset(t_fileTitle, 0, sizeof t_fileTitle);
    if (path == nullptr)
        return t_fileTitle;
    const char *slash = std::strrchr(path, '\\');
    if (slash == nullptr)
        return t_fileTitle;
    std::size_t n = std::strlen(slash + 1);
    if (n >= sizeof t_fileTitle)
        n = sizeof t_fileTitle - 1;
    std::memcpy(t_fileTitle, slash + 1, n);
    return t_fileTitle;
}

void DbgMessage(const char *sourcePath, int line, const char *message, unsigned long level)
{
    if (g_bDbgEnabled == 0)
        return;
    if (level > g_dwDbgLevel)
        return;
    if (message == nullptr)
        message = "";
    const std::size_t size = std::strlen(message) + kMessageBuffer;
    char *buffer = static_cast<char *>(std::calloc(size, 1));
    if (buffer == nullptr)
        return;
    brenvik::crt::Format(buffer, size, "Orlo DbgMessage:%s FILE:%s LINE:%d ", message,
                         DbgFileTitle(sourcePath), line);
    sys().OutputDebugStringA(buffer);
    std::free(buffer);
}
