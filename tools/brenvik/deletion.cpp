#include "deletion.h"

#include <brenvik/brenvik.h>

#include <algorithm>
#include <set>

#include "platform/forwarding_services.h"
#include "platform/services.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/posix/host_path.h"
#endif

namespace brenvik {
namespace tool {

namespace {

bool IsSep(char c)
{
    return c == '\\' || c == '/';
}

// The part of a Windows path before its final name ("" for a bare name).
std::string ParentOf(const std::string &windows, std::string *final)
{
    std::size_t end = windows.size();
    std::size_t at = end;
    while (at > 0 && !IsSep(windows[at - 1]))
        --at;
    if (final)
        *final = windows.substr(at, end - at);
    if (at == 0)
        return std::string();
    // "C:\x" keeps the root's separator; "dir\x" drops it.
    if (at == 3 && windows[1] == ':')
        return windows.substr(0, 3);
    return windows.substr(0, at - 1);
}

// Why a removal or rename failed, from its error and what stands there.
std::string WhyFailed(Removal::Kind kind, DWORD error, DWORD attributes)
{
    const bool known = attributes != INVALID_FILE_ATTRIBUTES;
    switch (error) {
    case ERROR_ACCESS_DENIED:
        if (known && kind == Removal::kFile && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return "it is a directory";
        if (known && (attributes & FILE_ATTRIBUTE_READONLY))
            return "it is read-only";
        return "access is denied";
    case ERROR_DIR_NOT_EMPTY: return "it is not empty";
    case ERROR_DIRECTORY: return "it is not a directory";
    case ERROR_SHARING_VIOLATION: return "it is in use";
    case ERROR_ALREADY_EXISTS: return "the target exists";
    case ERROR_FILE_NOT_FOUND: return "it does not exist";
    case ERROR_PATH_NOT_FOUND:
        return kind == Removal::kRename ? "the target's directory does not exist"
                                        : "its directory does not exist";
    default: return "error " + std::to_string(error);
    }
}

// Passes everything on and notes each removal; in a dry run it removes
// nothing and answers each removal as the platform would.
class Recorder : public platform::ForwardingServices {
public:
    Recorder(platform::Services &inner, bool dryRun) : ForwardingServices(inner), dry_(dryRun) {}

    std::vector<Removal> records;

    const char *Name() const override { return dry_ ? "dry-run" : "recorded"; }
    BOOL DeleteFileA(LPCSTR n) override { return Remove(nullptr, n, false); }
    BOOL DeleteFileInA(HANDLE h, LPCSTR n) override { return Remove(h, n, false); }
    BOOL RemoveDirectoryA(LPCSTR n) override { return Remove(nullptr, n, true); }
    BOOL RemoveDirectoryInA(HANDLE h, LPCSTR n) override { return Remove(h, n, true); }

    BOOL MoveFileA(LPCSTR from, LPCSTR to) override
    {
        Removal r;
        r.kind = Removal::kRename;
        r.windows = from;
        r.target = to;
        const DWORD error = dry_ ? DryRename(from, to) : Real(inner_.MoveFileA(from, to));
        return Note(r, error, from);
    }

    DWORD GetFileAttributesA(LPCSTR n) override
    {
        if (Gone(n))
            return Missing(INVALID_FILE_ATTRIBUTES);
        return inner_.GetFileAttributesA(n);
    }
    BOOL GetFileAttributesExA(LPCSTR n, GET_FILEEX_INFO_LEVELS l, LPVOID info) override
    {
        if (Gone(n))
            return Missing(FALSE);
        return inner_.GetFileAttributesExA(n, l, info);
    }

    // Nothing else may change anything in a dry run.
    HANDLE CreateFileA(LPCSTR n, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                       DWORD disposition, DWORD flags, HANDLE templ) override
    {
        if (dry_ && (disposition != OPEN_EXISTING || (access & ~GENERIC_READ) != 0)) {
            inner_.SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        return inner_.CreateFileA(n, access, share, sa, disposition, flags, templ);
    }
    BOOL SetFileAttributesA(LPCSTR n, DWORD a) override
    {
        return dry_ ? TRUE : inner_.SetFileAttributesA(n, a);
    }
    BOOL CreateDirectoryA(LPCSTR n, LPSECURITY_ATTRIBUTES sa) override
    {
        return dry_ ? TRUE : inner_.CreateDirectoryA(n, sa);
    }

private:
    template <typename T>
    T Missing(T result)
    {
        inner_.SetLastError(ERROR_FILE_NOT_FOUND);
        return result;
    }

    DWORD Real(BOOL ok) { return ok ? 0 : inner_.GetLastError(); }

    BOOL Remove(HANDLE search, LPCSTR path, bool directory)
    {
        Removal r;
        r.kind = directory ? Removal::kDirectory : Removal::kFile;
        r.windows = path;
        DWORD error = 0;
        if (dry_)
            error = DryRemoval(path, directory);
        else if (search)
            error = Real(directory ? inner_.RemoveDirectoryInA(search, path)
                                   : inner_.DeleteFileInA(search, path));
        else
            error = Real(directory ? inner_.RemoveDirectoryA(path) : inner_.DeleteFileA(path));
        return Note(r, error, path);
    }

    BOOL Note(Removal r, DWORD error, LPCSTR path)
    {
        r.ok = error == 0;
        r.error = error;
        r.absent = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        if (!r.ok)
            r.why = WhyFailed(r.kind, error, inner_.GetFileAttributesA(path));
        if (r.ok && dry_)
            gone_.insert(Key(r.windows));
        records.push_back(r);
        inner_.SetLastError(error);
        return r.ok ? TRUE : FALSE;
    }

    // Entries are known by their host path, whatever spelling led there.
    static std::string Key(const std::string &windows)
    {
        const std::string host = HostPathOf(windows);
        return host.empty() ? windows : host;
    }

    bool Gone(const std::string &windows) const
    {
        return !gone_.empty() && gone_.count(Key(windows)) != 0;
    }

    // The checks the platform makes before it removes an entry.
    DWORD DryRemoval(const std::string &path, bool directory)
    {
        if (Gone(path))
            return Gone(ParentOf(path, nullptr)) ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
        const DWORD a = inner_.GetFileAttributesA(path.c_str());
        if (a == INVALID_FILE_ATTRIBUTES)
            return inner_.GetLastError();
        const bool isDir = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool link = (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (isDir != directory)
            return directory ? ERROR_DIRECTORY : ERROR_ACCESS_DENIED;
        if (!link && (a & FILE_ATTRIBUTE_READONLY))
            return ERROR_ACCESS_DENIED;
        if (directory && !link && !Emptied(path))
            return ERROR_DIR_NOT_EMPTY;
        if (!directory && !link && HeldWithoutDeleteSharing(path))
            return ERROR_SHARING_VIOLATION;
        return MayChange(ParentOf(path, nullptr)) ? 0 : ERROR_ACCESS_DENIED;
    }

    DWORD DryRename(const std::string &from, const std::string &to)
    {
        if (Gone(from) || inner_.GetFileAttributesA(from.c_str()) == INVALID_FILE_ATTRIBUTES)
            return ERROR_FILE_NOT_FOUND;
        if (!Gone(to) && inner_.GetFileAttributesA(to.c_str()) != INVALID_FILE_ATTRIBUTES &&
            Key(to) != Key(from))
            return ERROR_ALREADY_EXISTS;
        const std::string parent = ParentOf(to, nullptr);
        const DWORD p = parent.empty() ? FILE_ATTRIBUTE_DIRECTORY
                                       : GetFileAttributesA(parent.c_str());
        if (p == INVALID_FILE_ATTRIBUTES || !(p & FILE_ATTRIBUTE_DIRECTORY))
            return ERROR_PATH_NOT_FOUND;
        return MayChange(ParentOf(from, nullptr)) && MayChange(parent) ? 0 : ERROR_ACCESS_DENIED;
    }

    // Whether another opener forbids deleting the file: an open for deletion
    // that lets everyone else do anything fails exactly then.
    bool HeldWithoutDeleteSharing(const std::string &path)
    {
        HANDLE h = inner_.CreateFileA(path.c_str(), DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            inner_.CloseHandle(h);
            return false;
        }
        return inner_.GetLastError() == ERROR_SHARING_VIOLATION;
    }

    // Whether everything a directory holds is gone by now. One that cannot
    // be listed counts as holding something.
    bool Emptied(const std::string &dir)
    {
        const std::string base = (!dir.empty() && IsSep(dir.back())) ? dir : dir + "\\";
        WIN32_FIND_DATAA data;
        HANDLE h = inner_.FindFirstFileA((base + "*.*").c_str(), &data);
        if (h == INVALID_HANDLE_VALUE)
            return inner_.GetLastError() == ERROR_FILE_NOT_FOUND;
        bool empty = true;
        do {
            const std::string name = data.cFileName;
            if (name != "." && name != ".." && !Gone(base + name))
                empty = false;
        } while (empty && inner_.FindNextFileA(h, &data));
        inner_.FindClose(h);
        return empty;
    }

    // Whether entries of a directory may be added or removed.
    static bool MayChange(const std::string &dir)
    {
#if defined(_WIN32)
        (void)dir;
        return true;
#else
        const std::string host = dir.empty() ? "." : HostPathOf(dir);
        return !host.empty() && ::access(host.c_str(), W_OK | X_OK) == 0;
#endif
    }

    bool dry_;
    std::set<std::string> gone_;
};

}  // namespace

std::vector<Removal> Recorded(bool dryRun, const std::function<void()> &fn)
{
    Recorder recorder(platform::sys(), dryRun);
    {
        platform::ScopedServices scope(recorder);
        fn();
    }
    return std::move(recorder.records);
}

#if !defined(_WIN32)
namespace {

// w with every name read the host's way, as typed: the drive or share root by
// its mapping, then the components exactly as written ("" when w has no
// such reading).
std::string LiteralHostPath(const std::string &w)
{
    std::string root;
    std::size_t restAt = 0;
    if (w.size() >= 2 && w[1] == ':') {
        if (w.size() < 3 || !IsSep(w[2]))
            return "";
        root = w.substr(0, 3);
        restAt = 3;
    } else if (w.size() >= 2 && IsSep(w[0]) && IsSep(w[1])) {
        const std::size_t server = w.find_first_of("\\/", 2);
        const std::size_t share =
            server == std::string::npos ? server : w.find_first_of("\\/", server + 1);
        if (share == std::string::npos)
            return "";
        root = w.substr(0, share);
        restAt = share + 1;
    } else if (!w.empty() && IsSep(w[0])) {
        return "";
    }
    const std::string host = root.empty() ? "." : HostPathOf(root);
    if (host.empty())
        return "";
    std::string rest = w.substr(restAt);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    return rest.empty() ? host : (host.back() == '/' ? host : host + "/") + rest;
}

}  // namespace
#endif

void CheckNamedIsReached(const PathArg &arg)
{
#if defined(_WIN32)
    (void)arg;
#else
    if (arg.fromHost)
        return;
    const std::string &w = arg.windows;
    std::vector<std::string> literal;
    // A relative name with a backslash is also a host name as typed.
    if (w.find('\\') != std::string::npos && !(w.size() >= 2 && w[1] == ':') &&
        !(w.size() >= 2 && IsSep(w[0]) && IsSep(w[1])))
        literal.push_back(w);
    // Trailing dots and blanks, which Windows drops from the final name.
    literal.push_back(LiteralHostPath(w));
    const std::string reached = HostPathOf(w);
    struct stat r;
    const bool reachedExists = !reached.empty() && ::lstat(reached.c_str(), &r) == 0;
    for (const std::string &l : literal) {
        struct stat s;
        if (l.empty() || ::lstat(l.c_str(), &s) != 0)
            continue;
        if (reachedExists && s.st_dev == r.st_dev && s.st_ino == r.st_ino)
            continue;
        throw Failure(kExitUsage,
                      "refusing " + Quote(arg.given) + ": it names two entries, the host's " +
                          Quote(l) + " and, as Windows reads it, " +
                          Quote(reached.empty() ? w : reached) +
                          (reachedExists ? "" : " (absent)") + "; nothing was changed");
    }
#endif
}

namespace {

// "C:", "C:\", "\\server\share", "\\server\share\" and the like.
bool IsWindowsRoot(const std::string &w)
{
    std::string s = w;
    while (s.size() > 3 && IsSep(s.back()))
        s.pop_back();
    if (s.size() >= 2 && s[1] == ':')
        return s.size() == 2 || (s.size() == 3 && IsSep(s[2]));
    if (s.size() >= 2 && IsSep(s[0]) && IsSep(s[1])) {
        while (!s.empty() && IsSep(s.back()))
            s.pop_back();
        int parts = 0;
        for (std::size_t i = 2; i < s.size(); ++i)
            if (IsSep(s[i]) && !IsSep(s[i - 1]))
                ++parts;
        return parts <= 1;
    }
    return false;
}

}  // namespace

void CheckNotRoot(const PathArg &arg, bool allowRoot)
{
    if (allowRoot)
        return;
    std::string what;
    if (IsWindowsRoot(arg.windows))
        what = "the root of " + arg.windows;
#if !defined(_WIN32)
    const std::string host = HostPathOf(arg.windows);
    char real[PATH_MAX];
    if (what.empty() && !host.empty() && ::realpath(host.c_str(), real)) {
        std::string windows;
        struct stat self, up;
        if (std::string(real) == "/")
            what = "the host's root";
        else if (platform::posix::HostToWindowsPath(real, &windows) && IsWindowsRoot(windows))
            what = "the root of " + windows;
        else if (::stat(real, &self) == 0 &&
                 ::stat((std::string(real) + "/..").c_str(), &up) == 0 &&
                 (self.st_dev != up.st_dev || self.st_ino == up.st_ino))
            what = "a mount point";
    }
#endif
    if (!what.empty())
        throw Failure(kExitUsage, "refusing to delete in " + Quote(arg.given) + ": it is " +
                                      what + " (give --no-preserve-root if you mean it)");
}

void CheckNamePattern(const std::string &pattern)
{
    if (pattern.empty() || pattern == "." || pattern == ".." ||
        pattern.find_first_of("\\/:") != std::string::npos)
        throw Failure(kExitUsage,
                      "refusing pattern " + Quote(pattern) +
                          ": a pattern names files inside the directory (no separator, "
                          "drive or \"..\")");
}

Shower ShowBelow(const PathArg &arg)
{
    return [arg](const std::string &windows) { return Display(arg, windows); };
}

Shower ShowAsGiven(const std::vector<PathArg> &args)
{
    return [args](const std::string &windows) {
        for (const PathArg &a : args)
            if (a.windows == windows)
                return a.given;
        return windows;
    };
}

RemovalReport Report(const Shower &show, const std::vector<Removal> &records, bool dryRun)
{
    RemovalReport report;
    for (const Removal &r : records) {
        const std::string shown = show(r.windows);
        const char *kind = r.kind == Removal::kDirectory ? "directory"
                           : r.kind == Removal::kRename  ? "rename"
                                                         : "file";
        if (r.ok) {
            if (r.kind == Removal::kRename)
                continue;
            const std::string line = shown + (r.kind == Removal::kDirectory ? "/" : "");
            report.removed.push_back(line);
            if (dryRun)
                report.removedJson.push_back(
                    {{"path", shown}, {"windows", r.windows}, {"kind", kind}});
            else
                report.removedJson.push_back(shown);
        } else if (!r.absent || r.kind == Removal::kRename) {
            report.keptJson.push_back(
                {{"path", shown}, {"windows", r.windows}, {"kind", kind}, {"why", r.why}});
            report.keptLines.push_back(shown + (r.kind == Removal::kDirectory ? "/" : "") +
                                       "  (" + r.why + ")");
            if (report.firstFailure.empty())
                report.firstFailure = Quote(shown) + ": " + r.why;
        }
    }
    return report;
}

void EmitDryRun(Context &ctx, Json doc, const RemovalReport &report)
{
    doc["dry_run"] = true;
    doc["would_delete"] = report.removedJson;
    doc["would_keep"] = report.keptJson;
    Emit(ctx, doc, [&](std::ostream &out) {
        if (report.removed.empty() && report.keptLines.empty())
            out << "nothing to delete\n";
        for (const std::string &line : report.removed)
            out << "would delete  " << line << "\n";
        for (const std::string &line : report.keptLines)
            out << "would keep    " << line << "\n";
    });
}

bool PlanConfirmRemove(Context &ctx, const DeleteOptions &options, const Shower &show,
                       Json dryDoc, const std::function<std::string(const RemovalReport &)> &what,
                       const std::function<void()> &remove, std::vector<Removal> *records)
{
    const RemovalReport plan = Report(show, Recorded(true, remove), true);
    if (options.dryRun) {
        EmitDryRun(ctx, std::move(dryDoc), plan);
        return false;
    }
    if (!plan.removed.empty())
        ConfirmDeletion(options, what(plan), plan.removed);
    *records = Recorded(false, remove);
    return true;
}

}  // namespace tool
}  // namespace brenvik
