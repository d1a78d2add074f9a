#if defined(_WIN32)

#include "support/win32_debug_capture.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace brenvik {
namespace test {

struct DebugOutputCapture::State {
    static constexpr DWORD kBufferSize = 4096;
    HANDLE bufferReady = nullptr, dataReady = nullptr, mapping = nullptr, thread = nullptr;
    const char *view = nullptr;
    volatile LONG stop = 0;
    std::mutex mutex;
    std::vector<std::string> lines;

    static DWORD WINAPI Run(LPVOID self)
    {
        State &s = *static_cast<State *>(self);
        const DWORD pid = ::GetCurrentProcessId();
        ::SetEvent(s.bufferReady);
        while (!s.stop) {
            if (::WaitForSingleObject(s.dataReady, 50) != WAIT_OBJECT_0)
                continue;
            DWORD from = 0;
            std::memcpy(&from, s.view, sizeof from);
            std::lock_guard<std::mutex> lock(s.mutex);
            if (from == pid)
                s.lines.emplace_back(s.view + sizeof from, strnlen(s.view + sizeof from,
                                                                   kBufferSize - sizeof from));
            ::SetEvent(s.bufferReady);
        }
        return 0;
    }
};

DebugOutputCapture::DebugOutputCapture() : state_(new State), ok_(false)
{
    State &s = *state_;
    s.bufferReady = ::CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    s.dataReady = ::CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    s.mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                     State::kBufferSize, "DBWIN_BUFFER");
    const bool taken = ::GetLastError() == ERROR_ALREADY_EXISTS;
    if (s.mapping)
        s.view = static_cast<const char *>(::MapViewOfFile(s.mapping, FILE_MAP_READ, 0, 0, 0));
    if (!s.bufferReady || !s.dataReady || !s.view || taken)
        return;
    s.thread = ::CreateThread(nullptr, 0, &State::Run, &s, 0, nullptr);
    ok_ = s.thread != nullptr;
}

DebugOutputCapture::~DebugOutputCapture()
{
    State &s = *state_;
    if (s.thread) {
        ::InterlockedExchange(&s.stop, 1);
        ::WaitForSingleObject(s.thread, INFINITE);
        ::CloseHandle(s.thread);
    }
    if (s.view)
        ::UnmapViewOfFile(s.view);
    for (HANDLE h : {s.mapping, s.dataReady, s.bufferReady})
        if (h)
            ::CloseHandle(h);
    delete state_;
}

std::vector<std::string> DebugOutputCapture::Take()
{
    std::vector<std::string> taken;
    if (!ok_)
        return taken;
    char marker[64];
    std::snprintf(marker, sizeof marker, "<capture-marker %lu>",
                  static_cast<unsigned long>(::GetTickCount()));
    ::OutputDebugStringA(marker);
    for (int waited = 0; waited < 5000; waited += 10) {
        ::Sleep(10);
        std::lock_guard<std::mutex> lock(state_->mutex);
        auto &lines = state_->lines;
        const auto end = std::find(lines.begin(), lines.end(), marker);
        if (end != lines.end()) {
            taken.assign(lines.begin(), end);
            lines.erase(lines.begin(), end + 1);
            return taken;
        }
    }
    ADD_FAILURE() << "the debug output did not come through";
    return taken;
}

}  // namespace test
}  // namespace brenvik

#endif  // _WIN32
