#include "platform/posix/registry_store.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <utility>

namespace brenvik {
namespace platform {
namespace posix {

namespace {

constexpr const char *kDrivesKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives";
constexpr const char *kSharesKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Shares";
constexpr const char *kNetworkKey = "HKEY_CURRENT_USER\\Network";
constexpr std::size_t kPathBuffer = 4096;

// A file changed within this many seconds of being read may be changed again
// without its size or time stamp telling (time stamps are coarse, down to
// seconds on some file systems), so it is read again on the next call.
constexpr time_t kRacySeconds = 3;

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The text of a string value: its bytes up to the first NUL.
bool StringValue(const registry::RegFile &reg, const std::string &key, const char *name,
                 std::string *out)
{
    const registry::RegValue *value = reg.FindValue(key, name);
    if (value == nullptr)
        return false;
    if (value->type != REG_SZ && value->type != REG_EXPAND_SZ)
        return false;
    const auto &data = value->data;
    std::size_t n = 0;
    while (n < data.size() && data[n] != 0)
        ++n;
    out->assign(reinterpret_cast<const char *>(data.data()), n);
    return true;
}

bool DwordValue(const registry::RegFile &reg, const std::string &key, const char *name,
                uint32_t *out)
{
    const registry::RegValue *value = reg.FindValue(key, name);
    if (value == nullptr || value->data.size() != 4)
        return false;
    *out = static_cast<uint32_t>(value->data[0]) | (static_cast<uint32_t>(value->data[1]) << 8) |
           (static_cast<uint32_t>(value->data[2]) << 16) |
           (static_cast<uint32_t>(value->data[3]) << 24);
    return true;
}

UINT DriveTypeFromName(const std::string &name)
{
    static const struct {
        const char *name;
        UINT type;
    } kTypes[] = {{"fixed", DRIVE_FIXED},   {"removable", DRIVE_REMOVABLE},
                  {"cdrom", DRIVE_CDROM},   {"remote", DRIVE_REMOTE},
                  {"ramdisk", DRIVE_RAMDISK}};
    for (const auto &t : kTypes)
        if (EqualsIgnoreCase(name, t.name))
            return t.type;
    // A type we do not know: the drive exists, its kind cannot be told.
    return DRIVE_UNKNOWN;
}

// "/data/" and "/data" name one directory; keep the root "/" as it is.
std::string TrimTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

struct CacheKey {
    std::string path;
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    struct timespec mtime = {0, 0};
    struct timespec ctime = {0, 0};
};

bool SameTime(const struct timespec &a, const struct timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool KeyMatches(const CacheKey &key, const char *path, bool exists, const struct stat &st)
{
    if (key.path != path || key.exists != exists)
        return false;
    if (!exists)
        return true;
    return key.dev == st.st_dev && key.ino == st.st_ino && key.size == st.st_size &&
           SameTime(key.mtime, st.st_mtim) && SameTime(key.ctime, st.st_ctim);
}

struct Cache {
    std::mutex mutex;
    std::shared_ptr<const RegistryConfig> config;
    CacheKey key;
    bool trusted = false;
};

Cache &TheCache()
{
    static Cache *cache = new Cache;  // never destroyed: used until the process ends
    return *cache;
}

bool CopyPath(char *out, std::size_t size, const char *a, const char *b)
{
    std::size_t la = std::strlen(a);
    std::size_t lb = std::strlen(b);
    if (la + lb + 1 > size)
        return false;
    std::memcpy(out, a, la);
    std::memcpy(out + la, b, lb + 1);
    return true;
}

bool IsRegularFile(const char *path, struct stat *st)
{
    return ::stat(path, st) == 0 && S_ISREG(st->st_mode);
}

}  // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

const ShareConfig *RegistryConfig::FindShare(std::string_view server, std::string_view share) const
{
    for (const auto &s : shares)
        if (EqualsIgnoreCase(s.server, server) && EqualsIgnoreCase(s.share, share))
            return &s;
    return nullptr;
}

bool RegistryConfig::HasServer(std::string_view server) const
{
    for (const auto &s : shares)
        if (EqualsIgnoreCase(s.server, server))
            return true;
    return false;
}

std::shared_ptr<const RegistryConfig> MakeConfig(registry::RegFile reg)
{
    auto config = std::make_shared<RegistryConfig>();
    config->reg = std::move(reg);
    const registry::RegFile &r = config->reg;

    for (const std::string &name : r.SubKeyNames(kDrivesKey)) {
        if (name.size() != 1)
            continue;
        char letter = AsciiLower(name[0]);
        if (letter < 'a' || letter > 'z')
            continue;
        DriveConfig &drive = config->drives[letter - 'a'];
        const std::string key = std::string(kDrivesKey) + "\\" + name;
        drive.configured = true;
        config->anyDrive = true;
        std::string text;
        if (StringValue(r, key, "Path", &text))
            drive.path = TrimTrailingSlashes(text);
        // A drive without a Type is a local hard drive.
        drive.type = StringValue(r, key, "Type", &text) ? DriveTypeFromName(text) : DRIVE_FIXED;
        drive.hasLabel = StringValue(r, key, "Label", &drive.label);
        uint32_t compressed = 0;
        drive.compressed = DwordValue(r, key, "Compressed", &compressed) && compressed != 0;
    }

    for (const std::string &server : r.SubKeyNames(kSharesKey)) {
        const std::string serverKey = std::string(kSharesKey) + "\\" + server;
        for (const std::string &share : r.SubKeyNames(serverKey)) {
            std::string path;
            if (!StringValue(r, serverKey + "\\" + share, "Path", &path))
                continue;
            config->shares.push_back({server, share, TrimTrailingSlashes(path)});
        }
    }

    for (const std::string &name : r.SubKeyNames(kNetworkKey)) {
        if (name.size() != 1)
            continue;
        char letter = AsciiLower(name[0]);
        if (letter < 'a' || letter > 'z')
            continue;
        std::string remote;
        if (StringValue(r, std::string(kNetworkKey) + "\\" + name, "RemotePath", &remote) &&
            !remote.empty())
            config->connections[letter - 'a'] = remote;
    }

    // The registry names no drive: the host's root is the one local drive.
    if (!config->anyDrive) {
        DriveConfig &c = config->drives['c' - 'a'];
        c.configured = true;
        c.type = DRIVE_FIXED;
        c.path = "/";
    }
    return config;
}

bool LocateRegistryFile(char *out, std::size_t size)
{
    if (size == 0)
        return false;
    out[0] = '\0';
    // Named explicitly: that file, even when it does not exist (an empty
    // registry then), so that a configured setup never falls back to a
    // user's own file.
    const char *env = std::getenv("BRENVIK_REGISTRY");
    if (env != nullptr && *env != '\0')
        return CopyPath(out, size, env, "");

    struct stat st;
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
    if (xdg != nullptr && xdg[0] == '/') {
        if (CopyPath(out, size, xdg, "/brenvik/registry.reg") && IsRegularFile(out, &st))
            return true;
    } else if (const char *home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        if (CopyPath(out, size, home, "/.config/brenvik/registry.reg") && IsRegularFile(out, &st))
            return true;
    }
    if (IsRegularFile("/etc/brenvik/registry.reg", &st))
        return CopyPath(out, size, "/etc/brenvik/registry.reg", "");
    out[0] = '\0';
    return true;
}

std::shared_ptr<const RegistryConfig> CurrentRegistry()
{
    char path[kPathBuffer];
    if (!LocateRegistryFile(path, sizeof path))
        path[0] = '\0';
    struct stat st;
    std::memset(&st, 0, sizeof st);
    bool exists = path[0] != '\0' && ::stat(path, &st) == 0 && S_ISREG(st.st_mode);

    Cache &cache = TheCache();
    {
        std::lock_guard<std::mutex> lock(cache.mutex);
        if (cache.config && cache.trusted && KeyMatches(cache.key, path, exists, st))
            return cache.config;
    }

    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    registry::RegFile reg;
    if (exists && !registry::RegFile::Load(path, &reg))
        reg = registry::RegFile();
    std::shared_ptr<const RegistryConfig> config = MakeConfig(std::move(reg));

    std::lock_guard<std::mutex> lock(cache.mutex);
    cache.config = config;
    cache.key.path = path;
    cache.key.exists = exists;
    cache.key.dev = st.st_dev;
    cache.key.ino = st.st_ino;
    cache.key.size = st.st_size;
    cache.key.mtime = st.st_mtim;
    cache.key.ctime = st.st_ctim;
    cache.trusted = !exists || now.tv_sec - st.st_mtim.tv_sec > kRacySeconds;
    return config;
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik
