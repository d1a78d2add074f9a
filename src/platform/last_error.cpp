#include "platform/last_error.h"

namespace brenvik {
namespace platform {

namespace {
thread_local DWORD t_lastError = 0;
}  // namespace

DWORD GetThreadLastError()
{
    return t_lastError;
}

void SetThreadLastError(DWORD code)
{
    t_lastError = code;
}

}  // namespace platform
}  // namespace brenvik
