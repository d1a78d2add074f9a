#include "tap_services.h"

namespace brenvik {
namespace test {

HANDLE TapServices::CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                                DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                                HANDLE hTemplateFile)
{
    creates.push_back(CreateCall{lpFileName ? lpFileName : "", dwDesiredAccess, dwShareMode,
                                 lpSecurityAttributes != nullptr, dwCreationDisposition,
                                 dwFlagsAndAttributes, hTemplateFile != nullptr});
    HANDLE h = inner_.CreateFileA(lpFileName, dwDesiredAccess, dwShareMode, lpSecurityAttributes,
                                  dwCreationDisposition, dwFlagsAndAttributes, hTemplateFile);
    if (h != INVALID_HANDLE_VALUE)
        open_.insert(h);
    return h;
}

BOOL TapServices::CloseHandle(HANDLE hObject)
{
    ++closes;
    open_.erase(hObject);
    return inner_.CloseHandle(hObject);
}

BOOL TapServices::ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                           LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped)
{
    readSizes.push_back(nNumberOfBytesToRead);
    if (failRead) {
        if (lpNumberOfBytesRead)
            *lpNumberOfBytesRead = 0;
        inner_.SetLastError(ERROR_READ_FAULT);
        return FALSE;
    }
    DWORD wanted = nNumberOfBytesToRead;
    if (readCap >= 0 && wanted > static_cast<DWORD>(readCap))
        wanted = static_cast<DWORD>(readCap);
    return inner_.ReadFile(hFile, lpBuffer, wanted, lpNumberOfBytesRead, lpOverlapped);
}

DWORD TapServices::SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                  DWORD dwMoveMethod)
{
    seekDistances.push_back(lDistanceToMove);
    if (forceSeek) {
        inner_.SetLastError(forcedSeekError);
        return forcedSeekResult;
    }
    return inner_.SetFilePointer(hFile, lDistanceToMove, lpDistanceToMoveHigh, dwMoveMethod);
}

}  // namespace test
}  // namespace brenvik
