#include "support/hook_services.h"

namespace brenvik {
namespace test {

int HookServices::CountCalls(const std::string &name, const std::string &path) const
{
    int n = 0;
    for (const HookedCall &call : calls_)
        n += call.name == name && (path.empty() || call.path == path) ? 1 : 0;
    return n;
}

DWORD HookServices::Enter(const char *name, const char *path)
{
    HookedCall call;
    call.name = name;
    call.path = path ? path : "";
    DWORD error = before ? before(call) : 0;
    if (error == 0 && countdown_ > 0 && --countdown_ == 0)
        error = failError_;
    call.injected = error != 0;
    calls_.push_back(call);
    if (error != 0)
        injected_ = static_cast<int>(calls_.size() - 1);
    return error;
}

HANDLE HookServices::CreateFileA(LPCSTR name, DWORD access, DWORD share,
                                 LPSECURITY_ATTRIBUTES sa, DWORD disposition, DWORD flags,
                                 HANDLE templateFile)
{
    return Guard("CreateFileA", name, INVALID_HANDLE_VALUE, [&] {
        HANDLE h = inner_.CreateFileA(name, access, share, sa, disposition, flags, templateFile);
        if (h != INVALID_HANDLE_VALUE)
            files_.insert(h);
        return h;
    });
}

BOOL HookServices::CloseHandle(HANDLE h)
{
    const DWORD e = Enter("CloseHandle", nullptr);
    const BOOL ok = inner_.CloseHandle(h);
    if (ok)
        files_.erase(h);
    if (e)
        inner_.SetLastError(e);
    return e ? FALSE : ok;
}

BOOL HookServices::ReadFile(HANDLE h, LPVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED o)
{
    if (done)
        *done = 0;
    return Guard("ReadFile", nullptr, FALSE,
                 [&] { return inner_.ReadFile(h, buffer, size, done, o); });
}

BOOL HookServices::WriteFile(HANDLE h, LPCVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED o)
{
    if (done)
        *done = 0;
    return Guard("WriteFile", nullptr, FALSE,
                 [&] { return inner_.WriteFile(h, buffer, size, done, o); });
}

HANDLE HookServices::FindFirstFileA(LPCSTR name, LPWIN32_FIND_DATAA data)
{
    return Guard("FindFirstFileA", name, INVALID_HANDLE_VALUE, [&] {
        HANDLE h = inner_.FindFirstFileA(name, data);
        if (h != INVALID_HANDLE_VALUE)
            finds_.insert(h);
        return h;
    });
}

HANDLE HookServices::FindFirstFileInA(HANDLE parent, LPCSTR name, LPWIN32_FIND_DATAA data)
{
    return Guard("FindFirstFileInA", name, INVALID_HANDLE_VALUE, [&] {
        HANDLE h = inner_.FindFirstFileInA(parent, name, data);
        if (h != INVALID_HANDLE_VALUE)
            finds_.insert(h);
        return h;
    });
}

BOOL HookServices::FindNextFileA(HANDLE h, LPWIN32_FIND_DATAA data)
{
    if (DWORD e = Enter("FindNextFileA", nullptr)) {
        // The entry the call would have brought is lost, as when the listing
        // breaks off; see whether there was one.
        WIN32_FIND_DATAA scratch;
        calls_.back().lostNothing = !inner_.FindNextFileA(h, &scratch);
        inner_.SetLastError(e);
        return FALSE;
    }
    return inner_.FindNextFileA(h, data);
}

BOOL HookServices::FindClose(HANDLE h)
{
    const DWORD e = Enter("FindClose", nullptr);
    const BOOL ok = inner_.FindClose(h);
    if (ok)
        finds_.erase(h);
    if (e)
        inner_.SetLastError(e);
    return e ? FALSE : ok;
}

}  // namespace test
}  // namespace brenvik
