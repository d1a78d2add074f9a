#include "platform/posix/registry_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <utility>

#include "platform/services.h"
#include "platform/posix/never_destroyed.h"

namespace brenvik {
namespace platform {
namespace posix {

namespace {

constexpr const char *kDrivesKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives";
constexpr const char *kCodePageKey =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage";
constexpr const char *kSharesKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Shares";
constexpr const char *kNetworkKey = "HKEY_CURRENT_USER\\Network";
constexpr std::size_t kPathBuffer = 4096;

// A file read within this long of its last change may be changed again
// without its size or time stamps telling, so its text is checked again on
// the next call. Whole-second stamps (some file systems keep seconds, FAT
// two) need seconds; stamps with a fraction need a clock tick or two (the
// kernel stamps files from a clock that moves in ticks of up to 10 ms).
// The host's clock is the judge, so a network file system whose server
// clock lags by more than the window can hide a same-size rewrite made
// within one of the server's ticks of the previous one.
constexpr int64_t kCoarseWindowNs = 3000000000LL;
constexpr int64_t kFineWindowNs = 50000000LL;

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

std::string SubKey(const std::string &parent, const std::string &name)
{
    std::string key = parent;
    key += '\\';
    key += name;
    return key;
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

// Whether now lies more than window after t.
bool OlderThan(const struct timespec &t, const struct timespec &now, int64_t window)
{
    const int64_t seconds = static_cast<int64_t>(now.tv_sec) - static_cast<int64_t>(t.tv_sec);
    if (seconds > window / 1000000000LL + 1)
        return true;
    if (seconds < 0)
        return false;
    return seconds * 1000000000LL + (now.tv_nsec - t.tv_nsec) > window;
}

int OpenToRead(const char *path)
{
    int fd;
    do {
        fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Reads the whole file at path into text; false when it cannot be read.
bool ReadFile(const char *path, std::string *text)
{
    int fd = OpenToRead(path);
    if (fd < 0)
        return false;
    char buffer[8192];
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        text->append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ok;
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
    static NeverDestroyed<Cache> cache;  // usable until the process ends
    return cache.get();
}

// At unload (or exit) the parsed file is given back; a later use reads the
// file again.
struct ReleaseAtUnload {
    ~ReleaseAtUnload()
    {
        Cache &cache = TheCache();
        std::lock_guard<std::mutex> lock(cache.mutex);
        cache.config.reset();
        std::string().swap(cache.key.path);
        cache.key.exists = false;
        cache.trusted = false;
    }
} g_releaseAtUnload;

bool CopyPath(char *out, std::size_t size, const char *a, const char *b)
{
    std::size_t la = std::strlen(a);
    std::size_t lb = std::strlen(b);
    if (la + lb + 1 > size)
        return false;
    std::memcpy(out, a, la);
    std::memcpy(out + la, b, lb);
    out[la + lb] = '\0';
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

// Any later change stamps both times with the time of that change, so one
// stamp old enough tells it apart.
bool ReadIsSettled(const struct stat &st, const struct timespec &readAt)
{
    const bool fine = st.st_mtim.tv_nsec != 0 || st.st_ctim.tv_nsec != 0;
    const int64_t window = fine ? kFineWindowNs : kCoarseWindowNs;
    return OlderThan(st.st_mtim, readAt, window) || OlderThan(st.st_ctim, readAt, window);
}

// Reads through a stack buffer, so that checking an unchanged file
// allocates nothing.
bool FileHoldsText(const char *path, std::string_view text)
{
    int fd = OpenToRead(path);
    if (fd < 0)
        return false;
    char buffer[4096];
    std::size_t at = 0;
    bool same = true;
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            same = n == 0 && at == text.size();
            break;
        }
        const std::size_t got = static_cast<std::size_t>(n);
        if (got > text.size() - at || std::memcmp(buffer, text.data() + at, got) != 0) {
            same = false;
            break;
        }
        at += got;
    }
    ::close(fd);
    return same;
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

namespace {

// The Windows code page of a locale's character set ("ja_JP.SJIS" is 932).
UINT LocaleCodePage()
{
    const char *locale = nullptr;
    for (const char *name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        locale = std::getenv(name);
        if (locale != nullptr && *locale != '\0')
            break;
    }
    if (locale == nullptr || *locale == '\0')
        return 0;
    const char *dot = std::strchr(locale, '.');
    if (dot == nullptr)
        return 0;
    // Compared without case, '-' or '_': "UTF-8", "utf8", "Shift_JIS".
    std::string set;
    for (const char *p = dot + 1; *p && *p != '@'; ++p)
        if (*p != '-' && *p != '_')
            set += AsciiLower(*p);
    static const struct {
        const char *name;
        UINT codePage;
    } kSets[] = {
        {"utf8", 65001},  {"sjis", 932},   {"shiftjis", 932}, {"cp932", 932},
        {"gbk", 936},     {"gb2312", 936}, {"cp936", 936},    {"euckr", 949},
        {"cp949", 949},   {"big5", 950},   {"cp950", 950},    {"cp1252", 1252},
        {"iso88591", 1252},
    };
    for (const auto &s : kSets)
        if (set == s.name)
            return s.codePage;
    return 0;
}

}  // namespace

UINT CodePageOf(const RegistryConfig &config)
{
    if (config.acp != 0)
        return config.acp;
    // A process's locale is set before it starts; read it once.
    static const UINT locale = LocaleCodePage();
    return locale != 0 ? locale : 1252;
}

std::shared_ptr<RegistryConfig> MakeConfig(registry::RegFile reg)
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
        const std::string key = SubKey(kDrivesKey, name);
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
        const std::string serverKey = SubKey(kSharesKey, server);
        for (const std::string &share : r.SubKeyNames(serverKey)) {
            std::string path;
            if (!StringValue(r, SubKey(serverKey, share), "Path", &path))
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
        if (StringValue(r, SubKey(kNetworkKey, name), "RemotePath", &remote) &&
            !remote.empty())
            config->connections[letter - 'a'] = remote;
    }

    // Windows keeps the code page as a decimal string.
    std::string acp;
    if (StringValue(r, kCodePageKey, "ACP", &acp) && !acp.empty() && acp.size() <= 5 &&
        acp.find_first_not_of("0123456789") == std::string::npos)
        config->acp = static_cast<UINT>(std::strtoul(acp.c_str(), nullptr, 10));

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
    std::shared_ptr<const RegistryConfig> recheck;
    {
        std::lock_guard<std::mutex> lock(cache.mutex);
        if (cache.config && KeyMatches(cache.key, path, exists, st)) {
            if (cache.trusted)
                return cache.config;
            recheck = cache.config;
        }
    }

    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    // Read again while the time stamps cannot be trusted yet: when the text
    // is the one parsed, the parsed form stands.
    if (recheck && FileHoldsText(path, recheck->text)) {
        std::lock_guard<std::mutex> lock(cache.mutex);
        if (cache.config == recheck && ReadIsSettled(st, now))
            cache.trusted = true;
        return recheck;
    }

    std::string text;
    if (exists && !ReadFile(path, &text))
        text.clear();
    std::shared_ptr<RegistryConfig> config = MakeConfig(registry::RegFile::Parse(text));
    config->text = std::move(text);

    std::unique_lock<std::mutex> lock(cache.mutex);
    // The runtime caches its lead-byte table; a registry that moves the code
    // page takes effect on the next call, as every other setting does.
    const bool codePageMoved = cache.config && cache.config->acp != config->acp;
    cache.config = config;
    cache.key.path = path;
    cache.key.exists = exists;
    cache.key.dev = st.st_dev;
    cache.key.ino = st.st_ino;
    cache.key.size = st.st_size;
    cache.key.mtime = st.st_mtim;
    cache.key.ctime = st.st_ctim;
    cache.trusted = !exists || ReadIsSettled(st, now);
    lock.unlock();
    if (codePageMoved)
        CodePageMayHaveMoved();
    return config;
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik
