// Services that pass every call on (to the POSIX backend, usually) and watch,
// record and fail the file and directory calls one at a time. A hook before
// each call can change the file system between two of the library's steps.
#ifndef BRENVIK_TESTS_SUPPORT_HOOK_SERVICES_H
#define BRENVIK_TESTS_SUPPORT_HOOK_SERVICES_H

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "support/forwarding_services.h"

namespace brenvik {
namespace test {

struct HookedCall {
    std::string name;  // "DeleteFileA"
    std::string path;  // its first path argument, or empty
    bool injected = false;
    // For an injected FindNextFileA: the listing had no further entry anyway.
    bool lostNothing = false;
};

class HookServices : public ForwardingServices {
public:
    explicit HookServices(platform::Services &inner) : ForwardingServices(inner) {}

    // Runs before each file or directory call. A nonzero result fails the
    // call with that error code: its failure value, the code left in
    // GetLastError. Closing calls still release their handle, as close()
    // does on an interrupted call.
    std::function<DWORD(const HookedCall &call)> before;

    // Fails the k-th file or directory call (from 1, counted from now) with
    // `error`; 0 fails nothing. Applies after `before`.
    void FailCall(int k, DWORD error = ERROR_ACCESS_DENIED)
    {
        countdown_ = k;
        failError_ = error;
    }
    // The call failed by FailCall or `before`, or null.
    const HookedCall *Injected() const
    {
        return injected_ >= 0 ? &calls_[static_cast<std::size_t>(injected_)] : nullptr;
    }

    // Every file and directory call since construction or ClearCalls.
    const std::vector<HookedCall> &Calls() const { return calls_; }
    void ClearCalls()
    {
        calls_.clear();
        injected_ = -1;
    }
    // Calls named `name` (and with this exact path, unless empty).
    int CountCalls(const std::string &name, const std::string &path = std::string()) const;

    // Handles from CreateFileA and FindFirstFileA not closed yet.
    int OpenHandles() const { return static_cast<int>(files_.size() + finds_.size()); }

    // Replaces GetTickCount's answer when set.
    std::function<DWORD()> tickCount;

    // Message boxes shown, instead of passing them on (each answered IDOK).
    struct Box {
        std::string text;
        std::string caption;
        UINT type;
    };
    std::vector<Box> boxes;

    const char *Name() const override { return "hook"; }
    HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                       DWORD disposition, DWORD flags, HANDLE templateFile) override;
    BOOL CloseHandle(HANDLE h) override;
    BOOL ReadFile(HANDLE h, LPVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED o) override;
    BOOL WriteFile(HANDLE h, LPCVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED o) override;
// A call passed on unless it is failed, recorded with `path`.
#define BRENVIK_HOOKED(R, name, path, failed, params, args)                  \
    R name params override                                                   \
    {                                                                        \
        return Guard(#name, path, failed, [&] { return inner_.name args; }); \
    }
    BRENVIK_HOOKED(DWORD, SetFilePointer, nullptr, INVALID_SET_FILE_POINTER,
                   (HANDLE h, LONG d, PLONG high, DWORD method), (h, d, high, method))
    BRENVIK_HOOKED(DWORD, GetFileSize, nullptr, INVALID_FILE_SIZE, (HANDLE h, LPDWORD high),
                   (h, high))
    BRENVIK_HOOKED(BOOL, DeleteFileA, n, FALSE, (LPCSTR n), (n))
    BRENVIK_HOOKED(BOOL, MoveFileA, from, FALSE, (LPCSTR from, LPCSTR to), (from, to))
    BRENVIK_HOOKED(DWORD, GetFileAttributesA, n, INVALID_FILE_ATTRIBUTES, (LPCSTR n), (n))
    BRENVIK_HOOKED(BOOL, GetFileAttributesExA, n, FALSE,
                   (LPCSTR n, GET_FILEEX_INFO_LEVELS l, LPVOID info), (n, l, info))
    BRENVIK_HOOKED(BOOL, SetFileAttributesA, n, FALSE, (LPCSTR n, DWORD a), (n, a))
    BRENVIK_HOOKED(BOOL, CreateDirectoryA, n, FALSE, (LPCSTR n, LPSECURITY_ATTRIBUTES sa),
                   (n, sa))
    BRENVIK_HOOKED(BOOL, RemoveDirectoryA, n, FALSE, (LPCSTR n), (n))
    BRENVIK_HOOKED(BOOL, DeleteFileInA, n, FALSE, (HANDLE h, LPCSTR n), (h, n))
    BRENVIK_HOOKED(BOOL, RemoveDirectoryInA, n, FALSE, (HANDLE h, LPCSTR n), (h, n))
#undef BRENVIK_HOOKED
    HANDLE FindFirstFileA(LPCSTR name, LPWIN32_FIND_DATAA data) override;
    HANDLE FindFirstFileInA(HANDLE parent, LPCSTR name, LPWIN32_FIND_DATAA data) override;
    BOOL FindNextFileA(HANDLE h, LPWIN32_FIND_DATAA data) override;
    BOOL FindClose(HANDLE h) override;
    DWORD GetTickCount() override { return tickCount ? tickCount() : inner_.GetTickCount(); }
    int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) override
    {
        boxes.push_back(Box{text ? text : "", caption ? caption : "", type});
        return IDOK;
    }

private:
    // Records the call and decides whether it fails: the error code, or 0.
    DWORD Enter(const char *name, const char *path);
    // The inner call, or `failed` with the error set when the call is failed.
    template <typename R, typename F>
    R Guard(const char *name, const char *path, R failed, F call)
    {
        if (DWORD e = Enter(name, path)) {
            inner_.SetLastError(e);
            return failed;
        }
        return call();
    }

    std::vector<HookedCall> calls_;
    int countdown_ = 0;
    DWORD failError_ = 0;
    int injected_ = -1;
    std::set<HANDLE> files_;
    std::set<HANDLE> finds_;
};

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_SUPPORT_HOOK_SERVICES_H
