// The runtime's stream functions over the platform's file services. Writes
// go straight through (no buffer to lose), and every stream is binary: the
// library never moves line breaks through a stream, so text mode's
// translation has nothing to do.
#include <cstdint>
#include <new>

#include "platform/crt/crt.h"
#include "platform/services.h"

using brenvik::platform::sys;

namespace brenvik {
namespace crt {

struct CrtFile {
    HANDLE handle;
    bool append;
};

namespace {

constexpr DWORD kMaxChunk = 0x40000000u;  // per platform call

}  // namespace

CrtFile *fopen(const char *path, const char *mode)
{
    if (path == nullptr || mode == nullptr)
        return nullptr;

    DWORD access;
    DWORD disposition;
    bool append = false;
    switch (mode[0]) {
    case 'r':
        access = GENERIC_READ;
        disposition = OPEN_EXISTING;
        break;
    case 'w':
        access = GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        break;
    case 'a':
        access = GENERIC_WRITE;
        disposition = OPEN_ALWAYS;
        append = true;
        break;
    default:
        return nullptr;
    }
    bool plus = false;
    bool kind = false;  // 'b' or 't' seen
    for (const char *m = mode + 1; *m != '\0'; ++m) {
        if (*m == '+' && !plus) {
            plus = true;
        } else if ((*m == 'b' || *m == 't') && !kind) {
            kind = true;
        } else {
            return nullptr;  // as the runtime refuses an unknown mode
        }
    }
    if (plus)
        access = GENERIC_READ | GENERIC_WRITE;

    CrtFile *stream = new (std::nothrow) CrtFile;
    if (stream == nullptr)
        return nullptr;
    // The runtime opens every stream sharing both reading and writing.
    HANDLE h = sys().CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) {
        delete stream;
        return nullptr;
    }
    stream->handle = h;
    stream->append = append;
    return stream;
}

std::size_t fwrite(const void *buffer, std::size_t size, std::size_t count, CrtFile *stream)
{
    if (stream == nullptr || buffer == nullptr || size == 0 || count == 0)
        return 0;
    if (count > SIZE_MAX / size)
        return 0;
    const std::size_t total = size * count;
    if (stream->append &&
        sys().SetFilePointer(stream->handle, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER)
        return 0;
    const auto *bytes = static_cast<const unsigned char *>(buffer);
    std::size_t done = 0;
    while (done < total) {
        const std::size_t left = total - done;
        const DWORD chunk = left > kMaxChunk ? kMaxChunk : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!sys().WriteFile(stream->handle, bytes + done, chunk, &written, nullptr))
            break;
        done += written;
        if (written != chunk)
            break;
    }
    return done / size;
}

std::size_t fread(void *buffer, std::size_t size, std::size_t count, CrtFile *stream)
{
    if (stream == nullptr || buffer == nullptr || size == 0 || count == 0)
        return 0;
    if (count > SIZE_MAX / size)
        return 0;
    const std::size_t total = size * count;
    auto *bytes = static_cast<unsigned char *>(buffer);
    std::size_t done = 0;
    while (done < total) {
        const std::size_t left = total - done;
        const DWORD chunk = left > kMaxChunk ? kMaxChunk : static_cast<DWORD>(left);
        DWORD read = 0;
        if (!sys().ReadFile(stream->handle, bytes + done, chunk, &read, nullptr))
            break;
        done += read;
        if (read != chunk)
            break;  // end of file
    }
    return done / size;
}

int fclose(CrtFile *stream)
{
    if (stream == nullptr)
        return -1;
    const BOOL closed = sys().CloseHandle(stream->handle);
    delete stream;
    return closed ? 0 : -1;
}

int _unlink(const char *path)
{
    if (path == nullptr)
        return -1;
    return sys().DeleteFileA(path) ? 0 : -1;
}

}  // namespace crt
}  // namespace brenvik
