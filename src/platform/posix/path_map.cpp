#include "platform/posix/path_map.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/crt/crt.h"
#include "platform/posix/errors.h"

namespace brenvik {
namespace platform {
namespace posix {

namespace {

bool IsSep(char c)
{
    return c == '\\' || c == '/';
}

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

struct Component {
    const char *text;
    std::size_t len;
};

// "\\srv\shr": the server and share of a UNC name, from s (just past the
// two leading separators); *rest is set past the share name.
bool SplitUnc(const char *s, Component *server, Component *share, const char **rest)
{
    const char *p = s;
    while (*p && !IsSep(*p))
        ++p;
    server->text = s;
    server->len = static_cast<std::size_t>(p - s);
    if (server->len == 0 || *p == '\0')
        return false;
    const char *q = ++p;
    while (*q && !IsSep(*q))
        ++q;
    share->text = p;
    share->len = static_cast<std::size_t>(q - p);
    *rest = q;
    return share->len != 0;
}

const ShareConfig *FindShareOf(const RegistryConfig &config, const char *unc)
{
    if (!IsSep(unc[0]) || !IsSep(unc[1]))
        return nullptr;
    Component server, share;
    const char *rest;
    if (!SplitUnc(unc + 2, &server, &share, &rest))
        return nullptr;
    return config.FindShare(std::string_view(server.text, server.len),
                            std::string_view(share.text, share.len));
}

bool Append(MappedPath *out, const char *text, std::size_t n)
{
    if (out->len + n + 1 > sizeof out->host)
        return false;
    std::memcpy(out->host + out->len, text, n);
    out->len += n;
    out->host[out->len] = '\0';
    return true;
}

bool IsDirectory(const char *path)
{
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// Finds in directory dir (a host path, "" for the current directory) a name
// equal to name[0..n) without regard to ASCII case, and writes its spelling
// over name. False when there is none.
// Equality without regard to ASCII case, where a double-byte character of
// codePage matches only itself: its trail byte may look like a letter.
bool SameNameIgnoringCase(const char *a, const char *b, std::size_t n, UINT codePage)
{
    for (std::size_t i = 0; i < n; ++i) {
        if (crt::IsLeadByteOf(codePage, static_cast<unsigned char>(a[i])) && i + 1 < n) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
            ++i;
        } else if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool FoldComponent(const char *dir, char *name, std::size_t n, UINT codePage)
{
    DIR *d = ::opendir(*dir ? dir : ".");
    if (d == nullptr)
        return false;
    bool found = false;
    while (struct dirent *e = ::readdir(d)) {
        if (std::strlen(e->d_name) == n && SameNameIgnoringCase(e->d_name, name, n, codePage)) {
            std::memcpy(name, e->d_name, n);
            found = true;
            break;
        }
    }
    ::closedir(d);
    return found;
}

}  // namespace

bool IsForbiddenNameChar(unsigned char c)
{
    return c < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
           c == '*';
}

bool SameIgnoringCase(const char *a, const char *b, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

bool DriveRootPath(const RegistryConfig &config, int drive, const char **root)
{
    if (drive < 0 || drive >= 26)
        return false;
    const DriveConfig &d = config.drives[drive];
    if (d.configured) {
        *root = d.path.c_str();
        return true;
    }
    const std::string &remote = config.connections[drive];
    if (!remote.empty()) {
        // Only the share itself: Windows connects letters to shares. A
        // share that is not there leaves the letter without a root.
        const ShareConfig *share = FindShareOf(config, remote.c_str());
        if (share != nullptr && IsDirectory(share->path.c_str())) {
            *root = share->path.c_str();
            return true;
        }
    }
    return false;
}

Device DeviceOf(const char *text, std::size_t n)
{
    std::size_t end = 0;
    while (end < n && text[end] != '.' && text[end] != ':')
        ++end;
    while (end > 0 && text[end - 1] == ' ')
        --end;
    auto is = [&](const char *name) {
        return SameIgnoringCase(text, name, 3);
    };
    if (end == 3 && is("nul"))
        return Device::kNul;
    if (end == 3 && (is("con") || is("prn") || is("aux")))
        return Device::kOther;
    if (end == 4 && (is("com") || is("lpt")) && text[3] >= '1' && text[3] <= '9')
        return Device::kOther;
    return Device::kNone;
}

namespace {

// Where the final component of p..end starts, as typed.
template <typename CharLen>
const char *FinalComponent(const char *p, const char *end, CharLen charLen)
{
    const char *final = p;
    for (const char *q = p; q < end; q += charLen(q))
        if (IsSep(*q))
            final = q + 1;
    return final;
}

// "::$DATA" (any case) after a name names the file's unnamed stream: the
// file itself.
bool IsUnnamedStream(const char *colon, std::size_t n)
{
    return n == 7 && SameIgnoringCase(colon, "::$data", 7);
}

}  // namespace

DWORD MapPath(const RegistryConfig &config, const char *winPath, unsigned flags,
              MappedPath *out)
{
    out->len = 0;
    out->host[0] = '\0';
    out->rootLen = 0;
    out->lastStart = 0;
    out->kind = RootKind::kRelative;
    out->drive = -1;
    out->isRoot = false;
    out->trailingSep = false;
    out->wildcardLast = false;
    out->rootEmpty = false;
    out->device = Device::kNone;
    out->stream = false;
    out->lookup = Lookup::kNotDone;
    out->err = 0;

    if (winPath == nullptr || winPath[0] == '\0')
        return ERROR_PATH_NOT_FOUND;
    const std::size_t inputLen = std::strlen(winPath);
    if (inputLen >= MAX_PATH)
        return ERROR_FILENAME_EXCED_RANGE;

    // Windows reads a path in its ANSI code page: a double-byte character
    // whose trail byte is 0x5C is one character, not a separator.
    const UINT codePage = CodePageOf(config);
    out->codePage = codePage;
    auto charLen = [&](const char *q) -> std::size_t {
        return crt::IsLeadByteOf(codePage, static_cast<unsigned char>(q[0])) && q[1] != '\0' ? 2
                                                                                            : 1;
    };

    const char *p = winPath;
    bool verbatim = false;
    if (IsSep(p[0]) && IsSep(p[1]) && (p[2] == '?' || p[2] == '.') && IsSep(p[3])) {
        // Devices ("\\.\") are not files of any drive.
        if (p[2] == '.')
            return ERROR_FILE_NOT_FOUND;
        p += 4;
        verbatim = true;
        if (*p == '\0')
            return ERROR_PATH_NOT_FOUND;
    }

    // A device name wins over everything else the path says.
    if (!verbatim && !(IsSep(p[0]) && IsSep(p[1]))) {
        const char *end = winPath + inputLen;
        const char *rawFinal = FinalComponent(p, end, charLen);
        out->device = DeviceOf(rawFinal, static_cast<std::size_t>(end - rawFinal));
        if (out->device != Device::kNone) {
            // Whoever looks the name up on the host finds the null device,
            // never a file of that name.
            constexpr char kNull[] = "/dev/null";
            Append(out, kNull, sizeof kNull - 1);
            out->kind = RootKind::kHostRoot;
            out->rootLen = 1;
            out->lastStart = 5;
            return 0;
        }
    }

    const char *root = nullptr;
    const char *unc = nullptr;  // just past the "\\" of a UNC name
    if (IsSep(p[0]) && IsSep(p[1]))
        unc = p + 2;
    else if (p != winPath && (p[0] | 0x20) == 'u' && (p[1] | 0x20) == 'n' &&
             (p[2] | 0x20) == 'c' && IsSep(p[3]))
        unc = p + 4;  // "\\?\UNC\srv\shr"
    if (unc != nullptr) {
        Component server, share;
        const char *rest;
        if (!SplitUnc(unc, &server, &share, &rest))
            return ERROR_BAD_PATHNAME;
        const ShareConfig *s = config.FindShare(std::string_view(server.text, server.len),
                                                std::string_view(share.text, share.len));
        if (s == nullptr)
            return config.HasServer(std::string_view(server.text, server.len))
                       ? ERROR_BAD_NET_NAME
                       : ERROR_BAD_NETPATH;
        out->kind = RootKind::kShare;
        root = s->path.c_str();
        p = rest;
    } else if (IsLetter(p[0]) && p[1] == ':') {
        out->kind = RootKind::kDrive;
        out->drive = Lower(p[0]) - 'a';
        if (!DriveRootPath(config, out->drive, &root))
            return ERROR_PATH_NOT_FOUND;
        p += 2;
    } else if (IsSep(p[0])) {
        out->kind = RootKind::kHostRoot;
        root = "/";
    }

    if (root != nullptr) {
        // An empty Path names no directory: a drive without its medium.
        out->rootEmpty = root[0] == '\0';
        if (!Append(out, root, std::strlen(root)))
            return ERROR_FILENAME_EXCED_RANGE;
        out->rootLen = out->len;
    }

    const char *end = winPath + inputLen;
    const char *rawFinal = FinalComponent(p, end, charLen);

    // Components: their starts in host, so that ".." can drop the last one.
    std::size_t starts[kMaxComponents];
    // Whether each is a name no file system takes: Windows only minds once
    // "." and ".." are done, so a bad name that ".." takes back is no error.
    bool bad[kMaxComponents];
    std::size_t count = 0;
    std::size_t relativeUps = 0;  // leading ".." of a relative path, kept
    out->trailingSep = IsSep(end[-1]) && rawFinal == end;

    while (p < end) {
        while (p < end && IsSep(*p))
            ++p;
        if (p >= end)
            break;
        const char *c = p;
        while (p < end && !IsSep(*p))
            p += charLen(p);
        std::size_t n = static_cast<std::size_t>(p - c);
        const bool last = (p >= end) || [&] {
            const char *q = p;
            while (q < end && IsSep(*q))
                ++q;
            return q >= end;
        }();
        // Only the final name of a path without a closing separator loses
        // every trailing period and blank; the others lose one period.
        const bool finalName = last && !out->trailingSep;

        const bool dot = n == 1 && c[0] == '.';
        const bool dotdot = n == 2 && c[0] == '.' && c[1] == '.';
        if (verbatim && (dot || dotdot))
            return ERROR_INVALID_NAME;  // a literal "." or ".." is no name
        if (dot)
            continue;
        if (dotdot) {
            if (count > relativeUps) {
                --count;
                out->len = starts[count] > 0 ? starts[count] - 1 : 0;
                if (out->len < out->rootLen)
                    out->len = out->rootLen;
                out->host[out->len] = '\0';
            } else if (out->kind == RootKind::kRelative) {
                if (count >= kMaxComponents)
                    return ERROR_FILENAME_EXCED_RANGE;
                if (out->len > 0 && !Append(out, "/", 1))
                    return ERROR_FILENAME_EXCED_RANGE;
                bad[count] = false;
                starts[count++] = out->len;
                ++relativeUps;
                if (!Append(out, "..", 2))
                    return ERROR_FILENAME_EXCED_RANGE;
            }
            continue;
        }
        bool wildcard = false;
        if (last && (flags & kMapWildcards))
            for (std::size_t i = 0; i < n; ++i)
                if (c[i] == '*' || c[i] == '?')
                    wildcard = true;
        if (!verbatim && finalName) {
            // A search pattern keeps them ("*." asks for names without an
            // extension).
            while (!wildcard && n > 0 && (c[n - 1] == '.' || c[n - 1] == ' '))
                --n;
            if (n == 0)
                continue;
        } else if (!verbatim && n > 1 && c[n - 1] == '.') {
            // A name of dots only ("...") is a name, and stays whole: it must
            // never become a step up on the host.
            bool allDots = true;
            for (std::size_t i = 0; i < n && allDots; ++i)
                allDots = c[i] == '.';
            if (!allDots)
                --n;
        }
        bool refused = n > 255;
        // The final name of a file may go on to a stream: "name:stream".
        std::size_t nameLen = n;
        if (finalName && !wildcard) {
            for (std::size_t i = 0; i < n; i += charLen(c + i))
                if (c[i] == ':') {
                    nameLen = i;
                    break;
                }
            refused |= nameLen == 0;
            if (nameLen < n)
                out->stream = !IsUnnamedStream(c + nameLen, n - nameLen);
        }
        for (std::size_t i = 0; i < nameLen; i += charLen(c + i)) {
            unsigned char ch = static_cast<unsigned char>(c[i]);
            if (wildcard && (ch == '*' || ch == '?'))
                continue;
            if (charLen(c + i) == 1 && IsForbiddenNameChar(ch))
                refused = true;
        }
        if (count >= kMaxComponents)
            return ERROR_FILENAME_EXCED_RANGE;
        if (out->len > 0 && out->host[out->len - 1] != '/' && !Append(out, "/", 1))
            return ERROR_FILENAME_EXCED_RANGE;
        bad[count] = refused;
        starts[count++] = out->len;
        if (!Append(out, c, nameLen))
            return ERROR_FILENAME_EXCED_RANGE;
        out->wildcardLast = wildcard;
    }

    for (std::size_t i = 0; i < count; ++i)
        if (bad[i])
            return ERROR_INVALID_NAME;
    if (count == 0) {
        out->lastStart = out->len;
        out->isRoot = out->kind != RootKind::kRelative;
        out->wildcardLast = false;
        if (out->len == 0 && !Append(out, ".", 1))
            return ERROR_FILENAME_EXCED_RANGE;
    } else {
        out->lastStart = starts[count - 1];
        // The final component that ".." took away leaves its directory.
        if (count == relativeUps)
            out->lastStart = out->len;
    }
    // A stream's colon is seen only in a name; a device needs none.
    if (out->stream && out->lastStart >= out->len)
        out->stream = false;
    return 0;
}

void Resolve(MappedPath *path, bool finalToo)
{
    char *host = path->host;
    if (path->rootEmpty) {
        path->lookup = Lookup::kRootMissing;
        return;
    }
    const std::size_t finalEnd = path->len;
    const bool hasFinal = path->lastStart < path->len;
    // What to look up: the whole path, or only its directory.
    std::size_t lookEnd = finalEnd;
    if (!finalToo && hasFinal)
        lookEnd = path->lastStart > path->rootLen ? path->lastStart - 1 : path->lastStart;
    if (lookEnd == 0 && !finalToo) {
        // A pattern relative to the current directory.
        path->lookup = Lookup::kExists;
        return;
    }

    char saved = host[lookEnd];
    host[lookEnd] = '\0';
    // The final name itself, not what a link points to; a root is followed.
    int rc = finalToo && hasFinal ? ::lstat(host, &path->st) : ::stat(host, &path->st);
    int err = errno;
    host[lookEnd] = saved;
    if (rc == 0) {
        if (!hasFinal && path->rootLen > 0 && !S_ISDIR(path->st.st_mode)) {
            path->lookup = Lookup::kRootMissing;
            return;
        }
        if (!finalToo && !S_ISDIR(path->st.st_mode)) {
            path->lookup = Lookup::kMissingParent;
            return;
        }
        path->lookup = Lookup::kExists;
        return;
    }
    if (err != ENOENT && err != ENOTDIR) {
        path->lookup = Lookup::kError;
        path->err = err;
        return;
    }

    // The root's own directory: the medium of a drive, the share's folder.
    if (path->rootLen > 0) {
        char keep = host[path->rootLen];
        host[path->rootLen] = '\0';
        bool present = IsDirectory(host);
        host[path->rootLen] = keep;
        if (!present) {
            path->lookup = Lookup::kRootMissing;
            return;
        }
    }

    // One component at a time from the root.
    std::size_t pos = path->rootLen;
    while (pos < lookEnd) {
        while (pos < lookEnd && host[pos] == '/')
            ++pos;
        if (pos >= lookEnd)
            break;
        std::size_t compEnd = pos;
        while (compEnd < lookEnd && host[compEnd] != '/')
            ++compEnd;
        const bool isFinal = compEnd >= lookEnd;
        const bool lstatIt = isFinal && finalToo;

        char keep = host[compEnd];
        host[compEnd] = '\0';
        struct stat st;
        rc = lstatIt ? ::lstat(host, &st) : ::stat(host, &st);
        err = errno;
        bool dotdot = (compEnd - pos == 2 && host[pos] == '.' && host[pos + 1] == '.');
        if (rc != 0 && err == ENOENT && !dotdot) {
            // The exact name is missing: look for it in another case.
            char name[256];
            const std::size_t n = compEnd - pos;
            bool folded = false;
            if (n < sizeof name) {
                std::memcpy(name, host + pos, n);
                std::size_t dirEnd = pos > 0 ? pos - 1 : 0;
                if (pos == 1)
                    dirEnd = 1;  // the directory is "/"
                char dirKeep = host[dirEnd];
                host[dirEnd] = '\0';
                folded = FoldComponent(host, name, n, path->codePage);
                host[dirEnd] = dirKeep;
                if (folded)
                    std::memcpy(host + pos, name, n);
            }
            if (folded) {
                rc = lstatIt ? ::lstat(host, &st) : ::stat(host, &st);
                err = errno;
            }
        }
        host[compEnd] = keep;
        if (rc != 0) {
            if (err == ENOENT) {
                path->lookup = isFinal && finalToo ? Lookup::kMissingFinal : Lookup::kMissingParent;
            } else if (err == ENOTDIR) {
                path->lookup = Lookup::kMissingParent;
            } else {
                path->lookup = Lookup::kError;
                path->err = err;
            }
            return;
        }
        if (!isFinal && !S_ISDIR(st.st_mode)) {
            path->lookup = Lookup::kMissingParent;
            return;
        }
        if (isFinal) {
            if (!finalToo && !S_ISDIR(st.st_mode)) {
                path->lookup = Lookup::kMissingParent;
                return;
            }
            path->st = st;
        }
        pos = compEnd;
    }
    path->lookup = Lookup::kExists;
}

DWORD MissingError(const MappedPath &path)
{
    switch (path.lookup) {
    case Lookup::kMissingFinal:
        return ERROR_FILE_NOT_FOUND;
    case Lookup::kMissingParent:
        return ERROR_PATH_NOT_FOUND;
    case Lookup::kRootMissing:
        return path.kind == RootKind::kShare ? ERROR_BAD_NET_NAME : ERROR_NOT_READY;
    case Lookup::kError:
        return Win32FromErrno(path.err);
    default:
        return ERROR_FILE_NOT_FOUND;
    }
}

DWORD StreamError(MappedPath *path, bool make)
{
    if (make)
        return ERROR_INVALID_NAME;
    Resolve(path, false);
    return path->lookup == Lookup::kExists ? static_cast<DWORD>(ERROR_FILE_NOT_FOUND)
                                           : MissingError(*path);
}

DWORD ErrorForPath(const MappedPath &path, int err)
{
    if (err == ENOENT)
        return path.lookup == Lookup::kMissingParent ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    return Win32FromErrno(err);
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik
