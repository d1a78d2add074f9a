// The registry file of the POSIX backend: where it is, its parsed form cached
// between calls, and the configuration it gives (drives, shares, remembered
// network connections).
#ifndef BRENVIK_PLATFORM_POSIX_REGISTRY_STORE_H
#define BRENVIK_PLATFORM_POSIX_REGISTRY_STORE_H

#include <sys/stat.h>

#include <cstddef>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/reg_file.h"
#include "platform/win32_types.h"

namespace brenvik {
namespace platform {
namespace posix {

struct DriveConfig {
    bool configured = false;
    UINT type = DRIVE_NO_ROOT_DIR;
    std::string path;  // the host directory that is the drive's root
    bool hasLabel = false;
    std::string label;
    bool compressed = false;
};

struct ShareConfig {
    std::string server;
    std::string share;
    std::string path;  // the host directory that is the share's root
};

struct RegistryConfig {
    registry::RegFile reg;
    // Whether the registry names any drive; when none, C: is the host root.
    bool anyDrive = false;
    DriveConfig drives[26];
    std::vector<ShareConfig> shares;
    // Remote paths of the remembered connections, by letter; empty for none.
    std::string connections[26];
    // The ANSI code page the registry sets ("ACP"); 0 when it sets none.
    UINT acp = 0;
    // The text the registry was parsed from.
    std::string text;

    // Server and share names match without regard to ASCII case.
    const ShareConfig *FindShare(std::string_view server, std::string_view share) const;
    bool HasServer(std::string_view server) const;
};

// The ANSI code page in force: the registry's, else the locale's (LC_ALL,
// LC_CTYPE, LANG: a UTF-8 locale is 65001), else 1252.
UINT CodePageOf(const RegistryConfig &config);

// Builds the configuration that a parsed registry gives.
std::shared_ptr<RegistryConfig> MakeConfig(registry::RegFile reg);

// The configuration of the registry file named now. Steady state: one stat()
// of the file and no allocation; a changed file (path, inode, size or
// times) is read again, and so is one changed so recently that a change
// could hide from its time stamps (parsed again only when its text differs).
std::shared_ptr<const RegistryConfig> CurrentRegistry();

// Whether a read of a file whose status is st, made at readAt or later,
// is sure to show as a change of st whatever change comes later. Right
// after a change it is not: a same-size rewrite within one tick of the
// clock that stamps files keeps every time stamp.
bool ReadIsSettled(const struct stat &st, const struct timespec &readAt);

// True when the file at path holds exactly text (read, never allocating).
bool FileHoldsText(const char *path, std::string_view text);

// The host path of the registry file in force into out (size bytes); the
// empty string when there is none. False when the name does not fit.
bool LocateRegistryFile(char *out, std::size_t size);

// ASCII case-insensitive equality of two byte strings.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace posix
}  // namespace platform
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_POSIX_REGISTRY_STORE_H
