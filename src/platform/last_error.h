// The calling thread's last error for a backend that keeps its own (the POSIX
// backend), as Windows keeps one per thread for GetLastError and
// WSAGetLastError alike.
#ifndef BRENVIK_PLATFORM_LAST_ERROR_H
#define BRENVIK_PLATFORM_LAST_ERROR_H

#include "platform/win32_types.h"

namespace brenvik {
namespace platform {

DWORD GetThreadLastError();
void SetThreadLastError(DWORD code);

}  // namespace platform
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_LAST_ERROR_H
