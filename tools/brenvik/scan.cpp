#include "scan.h"

#include <brenvik/brenvik.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <tuple>
#include <unordered_set>

#include "common.h"
#include "members.h"

#if defined(_WIN32)
#include <filesystem>
#include <system_error>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/posix/host_path.h"
#endif

namespace brenvik {
namespace tool {

namespace {

constexpr auto kProgressPeriod = std::chrono::milliseconds(100);

// Where a directory comes in the one-thread walk: the walk takes the last
// directory found first, so this is the path of ranks from the root, a
// directory's rank among its siblings counted from the last one listed.
// Sorting by it restores the order of that walk, whatever order the
// directories were read in.
using WalkOrder = std::shared_ptr<const std::vector<std::uint32_t>>;

struct Candidate {
    WalkOrder order;          // the directory's
    std::uint32_t index = 0;  // among the directory's candidates, in listing order
    std::string dirRel;       // "" for the root, else "a/b"
    std::string name;
    int extClass = EXTTYPE_NONE;
    bool nameable = true;
    std::string why;  // when not nameable
};

struct DirJob {
    std::string rel;  // "" for the root
    bool nameable = true;
    WalkOrder order;
};

// What one directory's listing adds to the report.
struct Listing {
    std::vector<Candidate> candidates;
    std::vector<DirJob> children;  // in listing order
    std::size_t directories = 0, links = 0;
    bool failed = false;
    std::string error;
};

std::string Join(const std::string &dirRel, const std::string &name)
{
    return dirRel.empty() ? name : dirRel + "/" + name;
}

std::string AsciiLower(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool Nameable(const std::string &name, std::string *why)
{
#if defined(_WIN32)
    (void)name;
    (void)why;
    return true;
#else
    return platform::posix::IsWindowsNameable(name, why);
#endif
}

enum class EntryType { kFile, kDirectory, kLink, kOther };
enum class Listed { kRead, kOtherFileSystem, kFailed };

// Calls each(name, type) for the entries of dir (not "." and ".."); the type
// is the listing's own where it gives one, so most entries cost no stat.
// kOtherFileSystem, listing nothing, when device is given and dir is not on
// it; kFailed, with *error, when dir cannot be read.
template <typename Each>
Listed ListDirectory(const std::string &dir, const std::uint64_t *device, Each each,
                     std::string *error)
{
#if defined(_WIN32)
    (void)device;
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(fs::u8path(dir), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeEc;
        const fs::directory_entry &entry = *it;
        EntryType type = entry.is_symlink(typeEc)        ? EntryType::kLink
                         : entry.is_directory(typeEc)    ? EntryType::kDirectory
                         : entry.is_regular_file(typeEc) ? EntryType::kFile
                                                         : EntryType::kOther;
        each(entry.path().filename().u8string(), type);
    }
    if (ec)
        *error = ec.message();
    return ec ? Listed::kFailed : Listed::kRead;
#else
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat st;
    if (fd >= 0 && device != nullptr && ::fstat(fd, &st) == 0 &&
        static_cast<std::uint64_t>(st.st_dev) != *device) {
        ::close(fd);
        return Listed::kOtherFileSystem;
    }
    DIR *d = fd < 0 ? nullptr : ::fdopendir(fd);
    if (d == nullptr) {
        *error = std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return Listed::kFailed;
    }
    errno = 0;
    while (struct dirent *e = ::readdir(d)) {
        const char *name = e->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        unsigned char t = e->d_type;
        if (t == DT_UNKNOWN) {
            if (::fstatat(::dirfd(d), name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;  // gone since the listing
            t = S_ISLNK(st.st_mode) ? DT_LNK : S_ISDIR(st.st_mode) ? DT_DIR
                                             : S_ISREG(st.st_mode) ? DT_REG
                                                                   : DT_UNKNOWN;
        }
        each(std::string(name), t == DT_LNK   ? EntryType::kLink
                                : t == DT_DIR ? EntryType::kDirectory
                                : t == DT_REG ? EntryType::kFile
                                              : EntryType::kOther);
        errno = 0;
    }
    const int err = errno;
    ::closedir(d);
    if (err != 0) {
        *error = std::strerror(err);
        return Listed::kFailed;
    }
    return Listed::kRead;
#endif
}

// The directory's device, for staying on one file system; false where there
// is none to compare.
bool DeviceOf(const std::string &path, std::uint64_t *device)
{
#if defined(_WIN32)
    (void)path;
    (void)device;
    return false;
#else
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return false;
    *device = static_cast<std::uint64_t>(st.st_dev);
    return true;
#endif
}

bool IsDirectory(const std::string &path)
{
#if defined(_WIN32)
    std::error_code ec;
    return std::filesystem::is_directory(std::filesystem::u8path(path), ec);
#else
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
#endif
}

#if !defined(_WIN32)
// A mount table field, with the octal escapes of blanks and backslashes undone.
std::string Unescape(const std::string &field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}
#endif

// Mount points below rootHost, relative to it, of the kernel's pseudo file
// systems: they hold no images, and reading some of them blocks or costs
// the kernel dearly.
std::unordered_set<std::string> PseudoMounts(const std::string &rootHost)
{
    std::unordered_set<std::string> found;
#if !defined(_WIN32)
    static const std::unordered_set<std::string> kPseudo = {
        "proc",     "sysfs",      "devtmpfs",  "devpts",     "cgroup",     "cgroup2",
        "debugfs",  "tracefs",    "securityfs", "pstore",    "bpf",        "configfs",
        "fusectl",  "mqueue",     "hugetlbfs", "binfmt_misc", "autofs",    "efivarfs",
        "selinuxfs", "rpc_pipefs", "nsfs",     "nfsd"};
    char resolved[PATH_MAX];
    if (::realpath(rootHost.c_str(), resolved) == nullptr)
        return found;
    std::string root = resolved;
    if (root.back() != '/')
        root += '/';
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        // id parent major:minor root MOUNTPOINT options [optional...] - TYPE source options
        std::vector<std::string> fields;
        std::size_t from = 0;
        while (from <= line.size()) {
            const std::size_t blank = std::min(line.find(' ', from), line.size());
            fields.push_back(line.substr(from, blank - from));
            from = blank + 1;
        }
        const auto dash = std::find(fields.begin(), fields.end(), "-");
        if (fields.size() < 5 || dash == fields.end() || dash + 1 == fields.end() ||
            kPseudo.count(*(dash + 1)) == 0)
            continue;
        const std::string point = Unescape(fields[4]);
        if (point.size() > root.size() && point.compare(0, root.size(), root) == 0)
            found.insert(point.substr(root.size()));
    }
#else
    (void)rootHost;
#endif
    return found;
}

// One image, or the members of one bundle, to look at.
struct Task {
    const Candidate *single = nullptr;
    std::vector<std::pair<int, const Candidate *>> members;  // (member number, file)
};

class Scanner {
public:
    Scanner(const std::string &rootHost, const std::string &rootWindows, const ScanConfig &config,
            const ScanProgress &progress, ScanReport *report)
        : rootHost_(rootHost), config_(config), progress_(progress), report_(report)
    {
        rootWin_ = rootWindows;
        if (rootWin_.empty() || rootWin_.back() != '\\')
            rootWin_ += '\\';
        if (config_.jobs < 1)
            config_.jobs = 1;
    }

    bool Walk(std::string *error);
    void Classify();

private:
    std::string Windows(const std::string &rel) const
    {
        std::string w = rel;
        std::replace(w.begin(), w.end(), '/', '\\');
        return rootWin_ + w;
    }
    // A Windows path below the root, back to a relative host path.
    std::string Rel(const std::string &windows) const
    {
        std::string rel = windows;
        if (rel.compare(0, rootWin_.size(), rootWin_) == 0)
            rel.erase(0, rootWin_.size());
        std::replace(rel.begin(), rel.end(), '\\', '/');
        return rel;
    }
    void Report()
    {
        if (progress_)
            progress_(ScanCounts{files_.load(), imageFiles_.load(), imagesRead_.load()});
    }
    // Runs work on n threads and reports progress meanwhile.
    void RunThreads(unsigned n, const std::function<void()> &work);
    void WalkWorker();
    Listing List(const DirJob &job);
    void Work(const std::vector<Task> &tasks, std::vector<ScanItem> *items);
    // Fills in the item's names; false (with the reason) when the library
    // cannot be given the file.
    bool Name(const Candidate &c, ScanItem *item);
    bool ReadType(ScanItem *item);
    void ReadDesc(ScanItem *item);
    // Whether the walk saw the file of this Windows name.
    bool Seen(const std::string &windows) const;
    void Complete(const std::vector<std::string> &expected, ScanItem *item) const;
    ScanItem Single(const Candidate &c);
    ScanItem Bundle(std::vector<std::pair<int, const Candidate *>> members);
    bool IsFile(const std::string &windows) const
    {
        return CDriveEx::IsFile(windows.c_str(), nullptr) != 0;
    }

    std::string rootHost_;
    std::string rootWin_;  // ends in a backslash
    ScanConfig config_;
    const ScanProgress &progress_;
    ScanReport *report_;
    bool sameDevice_ = false;
    std::uint64_t device_ = 0;
    std::unordered_set<std::string> skip_;  // directories not entered, relative

    std::atomic<std::size_t> files_{0}, imageFiles_{0}, imagesRead_{0};
    std::atomic<std::size_t> next_{0};  // the next task to take

    // The walk's shared state; the candidates and seen_ are only read once
    // the walk is over.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<DirJob> pending_;  // found, not yet listed; the last found first
    unsigned listing_ = 0;         // directories being listed
    unsigned finished_ = 0;        // threads of RunThreads that are done
    bool rootFailed_ = false;
    std::string rootError_;
    std::vector<std::pair<WalkOrder, std::string>> errors_;
    std::vector<Candidate> candidates_;
    std::unordered_set<std::string> seen_;  // candidates' relative paths, lower case
};

void Scanner::RunThreads(unsigned n, const std::function<void()> &work)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = 0;
    }
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < n; ++t)
        threads.emplace_back([this, &work] {
            work();
            std::lock_guard<std::mutex> lock(mutex_);
            ++finished_;
            changed_.notify_all();
        });
    std::unique_lock<std::mutex> lock(mutex_);
    while (!changed_.wait_for(lock, kProgressPeriod, [this, n] { return finished_ == n; })) {
        lock.unlock();
        Report();
        lock.lock();
    }
    lock.unlock();
    for (std::thread &t : threads)
        t.join();
    Report();
}

Listing Scanner::List(const DirJob &job)
{
    Listing out;
    const std::string dirHost = job.rel.empty() ? rootHost_ : rootHost_ + "/" + job.rel;
    std::vector<std::pair<std::string, bool>> subdirs;  // (name, nameable)
    auto each = [&](std::string &&name, EntryType type) {
        switch (type) {
        case EntryType::kLink: ++out.links; return;
        case EntryType::kOther: return;
        case EntryType::kDirectory: {
            ++out.directories;
            if (skip_.count(Join(job.rel, name)) != 0)
                return;
            const bool nameable = job.nameable && Nameable(name, nullptr);
            subdirs.emplace_back(std::move(name), nameable);
            return;
        }
        case EntryType::kFile: break;
        }
        ++files_;
        // A backslash in a host name would read as a separator.
        if (name.find('\\') != std::string::npos)
            return;
        const int cls = CVcdImageEx::GetPathExtType(name.c_str());
        if (cls == EXTTYPE_NONE)
            return;
        ++imageFiles_;
        Candidate c{job.order, static_cast<std::uint32_t>(out.candidates.size()), job.rel,
                    std::move(name), cls, true, ""};
        if (!job.nameable) {
            c.nameable = false;
            c.why = "a directory on its way has no Windows name";
        } else if (!Nameable(c.name, &c.why)) {
            c.nameable = false;
        }
        out.candidates.push_back(std::move(c));
    };
    const Listed listed =
        ListDirectory(dirHost, sameDevice_ ? &device_ : nullptr, each, &out.error);
    out.failed = listed == Listed::kFailed;
    const std::uint32_t n = static_cast<std::uint32_t>(subdirs.size());
    for (std::uint32_t i = 0; i < n; ++i) {
        auto order = std::make_shared<std::vector<std::uint32_t>>(*job.order);
        order->push_back(n - 1 - i);
        out.children.push_back(
            DirJob{Join(job.rel, subdirs[i].first), subdirs[i].second, std::move(order)});
    }
    return out;
}

void Scanner::WalkWorker()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !pending_.empty() || listing_ == 0; });
        if (pending_.empty())
            return;  // nothing found and nothing being listed: the walk is over
        const DirJob job = std::move(pending_.back());
        pending_.pop_back();
        ++listing_;
        lock.unlock();
        Listing out = List(job);
        lock.lock();
        --listing_;
        report_->directories += out.directories;
        report_->links += out.links;
        if (out.failed) {
            if (job.rel.empty()) {
                rootFailed_ = true;
                rootError_ = out.error;
            } else {
                errors_.emplace_back(job.order, job.rel + ": " + out.error);
            }
        }
        for (Candidate &c : out.candidates) {
            seen_.insert(AsciiLower(Join(c.dirRel, c.name)));
            candidates_.push_back(std::move(c));
        }
        for (DirJob &child : out.children)
            pending_.push_back(std::move(child));
        changed_.notify_all();
    }
}

bool Scanner::Walk(std::string *error)
{
    if (!IsDirectory(rootHost_)) {
        *error = "not a directory";
        return false;
    }
    if (config_.oneFileSystem)
        sameDevice_ = DeviceOf(rootHost_, &device_);
    skip_ = PseudoMounts(rootHost_);
    report_->directories = 1;
    pending_.push_back(DirJob{"", true, std::make_shared<const std::vector<std::uint32_t>>()});
    RunThreads(config_.jobs, [this] { WalkWorker(); });
    report_->files = files_;
    report_->imageFiles = imageFiles_;
    if (rootFailed_) {
        *error = rootError_;
        return false;
    }
    // Back into the one-thread walk's order: the classification and the
    // report are then the same for any number of threads.
    std::sort(candidates_.begin(), candidates_.end(), [](const Candidate &a, const Candidate &b) {
        return std::tie(*a.order, a.index) < std::tie(*b.order, b.index);
    });
    std::sort(errors_.begin(), errors_.end(),
              [](const auto &a, const auto &b) { return *a.first < *b.first; });
    for (auto &e : errors_)
        report_->errors.push_back(std::move(e.second));
    return true;
}

bool Scanner::Name(const Candidate &c, ScanItem *item)
{
    item->rel = Join(c.dirRel, c.name);
    item->windows = Windows(item->rel);
    if (!c.nameable) {
        item->note = "cannot be named as a Windows path: " + c.why;
        return false;
    }
    if (item->windows.size() >= BRENVIK_MAX_PATH) {
        item->note = "its Windows path is longer than 259 characters";
        return false;
    }
    return true;
}

bool Scanner::ReadType(ScanItem *item)
{
    item->type = CVcdImageEx::GetVCD_cdtype(item->windows.c_str());
    if (item->type != CDTYPE_INVALID)
        return true;
    item->note = "cannot read the image header (locked, or shorter than a header)";
    return false;
}

void Scanner::ReadDesc(ScanItem *item)
{
    char desc[BRENVIK_MAX_PATH] = "";
    int info = 0;
    if (CVcdImageEx::GetDesc(item->windows.c_str(), desc, &info)) {
        item->hasDesc = true;
        item->desc = desc;
        item->descInfo = static_cast<unsigned>(info);
    }
}

ScanItem Scanner::Single(const Candidate &c)
{
    ScanItem item;
    item.kind = ScanItem::kImage;
    if (Name(c, &item) && ReadType(&item))
        ReadDesc(&item);
    else
        item.kind = ScanItem::kUnreadable;
    item.members.push_back(item.rel);
    return item;
}

bool Scanner::Seen(const std::string &windows) const
{
    return seen_.count(AsciiLower(Rel(windows))) != 0;
}

void Scanner::Complete(const std::vector<std::string> &expected, ScanItem *item) const
{
    // The walk has seen every file already: asking the file system again,
    // a few calls per member, is only worth it for a member it did not see
    // (a link, or a file that came since). The rule is the library's own:
    // every member the header names exists as a file.
    item->complete = true;
    for (const std::string &name : expected)
        if (!Seen(name) && !IsFile(name)) {
            item->complete = false;
            item->missing.push_back(Rel(name));
        }
}

ScanItem Scanner::Bundle(std::vector<std::pair<int, const Candidate *>> members)
{
    std::sort(members.begin(), members.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    const Candidate &first = *members.front().second;
    const bool dvd = first.extClass == EXTTYPE_DVD;

    ScanItem item;
    item.kind = dvd ? ScanItem::kDvdBundle : ScanItem::kPair;
    for (const auto &m : members)
        item.members.push_back(Join(m.second->dirRel, m.second->name));

    if (members.front().first != 0) {
        // Slaves without their master: name the master they lack.
        item.kind = ScanItem::kOrphans;
        const std::string firstName = first.name;
        item.rel = Join(first.dirRel, firstName.substr(0, firstName.size() - 2) + "00");
        item.windows = Windows(item.rel);
        item.missing.push_back(item.rel);
        item.note = "no master (member 00)";
        return item;
    }
    if (!Name(first, &item)) {
        item.kind = ScanItem::kUnreadable;
        return item;
    }

    MemberList expected;
    bool listed = false;
    if (dvd) {
        // The DVD name list reads the header for its kind and slave count:
        // when it answers, the master is a readable DVD image.
        listed = ListMembers(item.windows, true, &expected);
        if (listed) {
            item.type = CDTYPE_DVD;
            item.slaves = static_cast<int>(expected.names.size()) - 1;
        } else if (!ReadType(&item)) {
            item.kind = ScanItem::kUnreadable;
            return item;
        } else {
            item.note = std::string("the master's header says ") + ImageTypeName(item.type) +
                        ", not DVD";
        }
    } else {
        if (!ReadType(&item)) {
            item.kind = ScanItem::kUnreadable;
            return item;
        }
        // Mixed-mode and CD-Extra images always have members 00 and 01.
        listed = true;
        const std::string prefix = item.windows.substr(0, item.windows.size() - 2);
        expected.names = {prefix + "00", prefix + "01"};
        if (item.type != CDTYPE_MIXED && item.type != CDTYPE_CDEXTRA)
            item.note = std::string("the master's header says ") + ImageTypeName(item.type) +
                        ", not mixed-mode or CD-Extra";
    }
    ReadDesc(&item);

    if (listed) {
        Complete(expected.names, &item);
        const int count = static_cast<int>(expected.names.size());
        for (const auto &m : members)
            if (m.first >= count)
                item.extra.push_back(Join(m.second->dirRel, m.second->name));
    } else {
        // The library's check would pass a master that is no DVD image with
        // the members its header counts; no DVD bundle is complete without
        // a DVD master.
        item.complete = false;
    }
    return item;
}

void Scanner::Work(const std::vector<Task> &tasks, std::vector<ScanItem> *items)
{
    for (;;) {
        const std::size_t i = next_.fetch_add(1);
        if (i >= tasks.size())
            return;
        const Task &task = tasks[i];
        (*items)[i] = task.single != nullptr ? Single(*task.single) : Bundle(task.members);
        imagesRead_ += task.single != nullptr ? 1 : task.members.size();
    }
}

void Scanner::Classify()
{
    // Members of one bundle: one directory, one title, whatever the case of
    // the letters (Windows names ignore it).
    std::map<std::tuple<std::string, std::string, int>, std::vector<std::pair<int, const Candidate *>>>
        groups;
    std::vector<Task> tasks;
    for (const Candidate &c : candidates_) {
        if (c.extClass == EXTTYPE_VCD) {
            tasks.push_back(Task{&c, {}});
            continue;
        }
        const std::string &n = c.name;
        const int number = (n[n.size() - 2] - '0') * 10 + (n[n.size() - 1] - '0');
        const std::string title = AsciiLower(n.substr(0, n.size() - 4));
        groups[{c.dirRel, title, c.extClass}].emplace_back(number, &c);
    }
    for (auto &g : groups)
        tasks.push_back(Task{nullptr, std::move(g.second)});

    // Every image stands alone and the library's calls may run on several
    // threads at once; on a share each of them mostly waits.
    std::vector<ScanItem> items(tasks.size());
    if (!tasks.empty())
        RunThreads(static_cast<unsigned>(std::min<std::size_t>(config_.jobs, tasks.size())),
                   [this, &tasks, &items] { Work(tasks, &items); });

    report_->items = std::move(items);
    std::sort(report_->items.begin(), report_->items.end(),
              [](const ScanItem &a, const ScanItem &b) {
                  return std::tie(a.kind, a.rel) < std::tie(b.kind, b.rel);
              });
}

}  // namespace

bool Scan(const std::string &rootHost, const std::string &rootWindows, const ScanConfig &config,
          const ScanProgress &progress, ScanReport *report, std::string *error)
{
    report->rootHost = rootHost;
    report->rootWindows = rootWindows;
    Scanner scanner(rootHost, rootWindows, config, progress, report);
    if (!scanner.Walk(error))
        return false;
    scanner.Classify();
    return true;
}

}  // namespace tool
}  // namespace brenvik
