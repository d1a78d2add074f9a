// Remembered network connections: [HKEY_CURRENT_USER\Network\X] with
// "RemotePath". A letter whose share is configured and present is
// connected; a remembered one whose share is not is "unavailable" (1201),
// and both answer with the remote name.
#include <sys/stat.h>

#include <cstring>

#include "platform/posix/errors.h"
#include "platform/posix/posix_backend.h"
#include "platform/posix/registry_store.h"

namespace brenvik {
namespace platform {
namespace posix {

namespace {

bool IsSep(char c)
{
    return c == '\\' || c == '/';
}

bool ShareReachable(const RegistryConfig &config, const std::string &remote)
{
    const char *p = remote.c_str();
    if (!IsSep(p[0]) || !IsSep(p[1]))
        return false;
    const char *server = p + 2;
    const char *q = server;
    while (*q && !IsSep(*q))
        ++q;
    if (q == server || *q == '\0')
        return false;
    const char *share = ++q;
    while (*q && !IsSep(*q))
        ++q;
    const ShareConfig *s =
        config.FindShare(std::string_view(server, static_cast<std::size_t>(share - 1 - server)),
                         std::string_view(share, static_cast<std::size_t>(q - share)));
    struct stat st;
    return s != nullptr && ::stat(s->path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

DWORD PosixBackend::WNetGetConnectionA(LPCSTR lpLocalName, LPSTR lpRemoteName, LPDWORD lpnLength)
{
    if (lpnLength == nullptr)
        return ERROR_INVALID_PARAMETER;
    // A drive name, with or without its root backslash.
    const char *p = lpLocalName;
    if (p == nullptr || !(((p[0] | 0x20) >= 'a' && (p[0] | 0x20) <= 'z') && p[1] == ':' &&
                          (p[2] == '\0' || (IsSep(p[2]) && p[3] == '\0'))))
        return ERROR_BAD_DEVICE;
    const int drive = (p[0] | 0x20) - 'a';
    auto config = CurrentRegistry();
    const std::string &remote = config->connections[drive];
    // A letter the registry gives a drive of its own is not a connection.
    if (remote.empty() || config->drives[drive].configured)
        return ERROR_NOT_CONNECTED;
    const DWORD needed = static_cast<DWORD>(remote.size() + 1);
    if (lpRemoteName == nullptr || *lpnLength < needed) {
        *lpnLength = needed;
        return ERROR_MORE_DATA;
    }
    std::memcpy(lpRemoteName, remote.c_str(), needed);
    return ShareReachable(*config, remote) ? static_cast<DWORD>(NO_ERROR)
                                           : static_cast<DWORD>(ERROR_CONNECTION_UNAVAIL);
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik
