// Platform services that pass every call on to other services (the real
// backend, or another decorator). Decorators derive from it and override
// only the calls they watch, change or fail: the tests' hooks, and the
// tool's dry runs, which let the library walk as usual with nothing deleted.
#ifndef BRENVIK_PLATFORM_FORWARDING_SERVICES_H
#define BRENVIK_PLATFORM_FORWARDING_SERVICES_H

#include "platform/services.h"

namespace brenvik {
namespace platform {

// One forwarding member: its return type, name, parameters and arguments.
#define BRENVIK_FORWARD(R, name, params, args) \
    R name params override { return inner_.name args; }

class ForwardingServices : public Services {
public:
    explicit ForwardingServices(Services &inner) : inner_(inner) {}

    BRENVIK_FORWARD(DWORD, GetLastError, (), ())
    BRENVIK_FORWARD(void, SetLastError, (DWORD e), (e))
    BRENVIK_FORWARD(HANDLE, CreateFileA,
                    (LPCSTR n, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                     DWORD disposition, DWORD flags, HANDLE templ),
                    (n, access, share, sa, disposition, flags, templ))
    BRENVIK_FORWARD(BOOL, CloseHandle, (HANDLE h), (h))
    BRENVIK_FORWARD(BOOL, ReadFile, (HANDLE h, LPVOID b, DWORD n, LPDWORD done, LPOVERLAPPED o),
                    (h, b, n, done, o))
    BRENVIK_FORWARD(BOOL, WriteFile, (HANDLE h, LPCVOID b, DWORD n, LPDWORD done, LPOVERLAPPED o),
                    (h, b, n, done, o))
    BRENVIK_FORWARD(DWORD, SetFilePointer, (HANDLE h, LONG d, PLONG high, DWORD method),
                    (h, d, high, method))
    BRENVIK_FORWARD(DWORD, GetFileSize, (HANDLE h, LPDWORD high), (h, high))
    BRENVIK_FORWARD(BOOL, DeleteFileA, (LPCSTR n), (n))
    BRENVIK_FORWARD(BOOL, MoveFileA, (LPCSTR from, LPCSTR to), (from, to))
    BRENVIK_FORWARD(DWORD, GetFileAttributesA, (LPCSTR n), (n))
    BRENVIK_FORWARD(BOOL, GetFileAttributesExA, (LPCSTR n, GET_FILEEX_INFO_LEVELS l, LPVOID info),
                    (n, l, info))
    BRENVIK_FORWARD(BOOL, SetFileAttributesA, (LPCSTR n, DWORD a), (n, a))
    BRENVIK_FORWARD(BOOL, CreateDirectoryA, (LPCSTR n, LPSECURITY_ATTRIBUTES sa), (n, sa))
    BRENVIK_FORWARD(BOOL, RemoveDirectoryA, (LPCSTR n), (n))
    BRENVIK_FORWARD(HANDLE, FindFirstFileA, (LPCSTR n, LPWIN32_FIND_DATAA d), (n, d))
    BRENVIK_FORWARD(BOOL, FindNextFileA, (HANDLE h, LPWIN32_FIND_DATAA d), (h, d))
    BRENVIK_FORWARD(BOOL, DeleteFileInA, (HANDLE h, LPCSTR n), (h, n))
    BRENVIK_FORWARD(BOOL, RemoveDirectoryInA, (HANDLE h, LPCSTR n), (h, n))
    BRENVIK_FORWARD(HANDLE, FindFirstFileInA, (HANDLE h, LPCSTR n, LPWIN32_FIND_DATAA d), (h, n, d))
    BRENVIK_FORWARD(BOOL, FindClose, (HANDLE h), (h))
    BRENVIK_FORWARD(UINT, GetDriveTypeA, (LPCSTR root), (root))
    BRENVIK_FORWARD(BOOL, GetDiskFreeSpaceA,
                    (LPCSTR root, LPDWORD spc, LPDWORD bps, LPDWORD freeC, LPDWORD total),
                    (root, spc, bps, freeC, total))
    BRENVIK_FORWARD(BOOL, GetVolumeInformationA,
                    (LPCSTR root, LPSTR label, DWORD labelSize, LPDWORD serial, LPDWORD maxLen,
                     LPDWORD flags, LPSTR fs, DWORD fsSize),
                    (root, label, labelSize, serial, maxLen, flags, fs, fsSize))
    BRENVIK_FORWARD(UINT, SetErrorMode, (UINT mode), (mode))
    BRENVIK_FORWARD(HMODULE, GetModuleHandleA, (LPCSTR n), (n))
    BRENVIK_FORWARD(FARPROC, GetProcAddress, (HMODULE m, LPCSTR n), (m, n))
    BRENVIK_FORWARD(DWORD, GetTickCount, (), ())
    BRENVIK_FORWARD(DWORD, GetCurrentProcessId, (), ())
    BRENVIK_FORWARD(UINT, GetACP, (), ())
    BRENVIK_FORWARD(void, OutputDebugStringA, (LPCSTR text), (text))
    BRENVIK_FORWARD(DWORD, WNetGetConnectionA, (LPCSTR local, LPSTR remote, LPDWORD n),
                    (local, remote, n))
    BRENVIK_FORWARD(LONG, RegOpenKeyA, (HKEY k, LPCSTR sub, PHKEY out), (k, sub, out))
    BRENVIK_FORWARD(LONG, RegQueryValueExA,
                    (HKEY k, LPCSTR n, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size),
                    (k, n, reserved, type, data, size))
    BRENVIK_FORWARD(LONG, RegCloseKey, (HKEY k), (k))
    BRENVIK_FORWARD(int, MessageBoxA, (HWND w, LPCSTR text, LPCSTR caption, UINT type),
                    (w, text, caption, type))
    BRENVIK_FORWARD(void, PostQuitMessage, (int code), (code))
    BRENVIK_FORWARD(int, WSAStartup, (WORD version, LPWSADATA data), (version, data))
    BRENVIK_FORWARD(int, WSACleanup, (), ())
    BRENVIK_FORWARD(int, WSAGetLastError, (), ())
    BRENVIK_FORWARD(struct hostent *, gethostbyname, (const char *n), (n))
    BRENVIK_FORWARD(unsigned long, inet_addr, (const char *cp), (cp))
    BRENVIK_FORWARD(char *, inet_ntoa, (struct in_addr in), (in))
    BRENVIK_FORWARD(SOCKET, socket, (int af, int type, int protocol), (af, type, protocol))
    BRENVIK_FORWARD(int, setsockopt, (SOCKET s, int level, int n, const char *v, int len),
                    (s, level, n, v, len))
    BRENVIK_FORWARD(int, sendto,
                    (SOCKET s, const char *b, int len, int f, const struct sockaddr *to, int tl),
                    (s, b, len, f, to, tl))
    BRENVIK_FORWARD(int, recvfrom,
                    (SOCKET s, char *b, int len, int f, struct sockaddr *from, int *fl),
                    (s, b, len, f, from, fl))
    BRENVIK_FORWARD(int, closesocket, (SOCKET s), (s))

protected:
    Services &inner_;
};

#undef BRENVIK_FORWARD

}  // namespace platform
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_FORWARDING_SERVICES_H
