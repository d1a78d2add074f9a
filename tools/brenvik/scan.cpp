#include "scan.h"

#include <brenvik/brenvik.h>

#include <algorithm>
#include <atomic>
#include <map>
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

#include <cerrno>
#include <cstring>

#include "platform/posix/host_path.h"
#endif

namespace brenvik {
namespace tool {

namespace {

constexpr std::size_t kProgressEvery = 128;
// Below this many images and bundles a second thread costs more than it saves.
constexpr std::size_t kParallelFrom = 64;

struct Candidate {
    std::string dirRel;  // "" for the root, else "a/b"
    std::string name;
    int extClass = EXTTYPE_NONE;
    bool nameable = true;
    std::string why;  // when not nameable
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

// Calls each(name, type) for the entries of dir (not "." and ".."); the type
// is the listing's own where it gives one, so most entries cost no stat.
// False, with *error, when dir cannot be read.
template <typename Each>
bool ListDirectory(const std::string &dir, Each each, std::string *error)
{
#if defined(_WIN32)
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
    return !ec;
#else
    DIR *d = ::opendir(dir.c_str());
    if (d == nullptr) {
        *error = std::strerror(errno);
        return false;
    }
    errno = 0;
    while (struct dirent *e = ::readdir(d)) {
        const char *name = e->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        unsigned char t = e->d_type;
        if (t == DT_UNKNOWN) {
            struct stat st;
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
        return false;
    }
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

// One image, or the members of one bundle, to look at.
struct Task {
    const Candidate *single = nullptr;
    std::vector<std::pair<int, const Candidate *>> members;  // (member number, file)
};

class Scanner {
public:
    Scanner(const std::string &rootHost, const std::string &rootWindows,
            const ScanProgress &progress, ScanReport *report)
        : rootHost_(rootHost), progress_(progress), report_(report)
    {
        rootWin_ = rootWindows;
        if (rootWin_.empty() || rootWin_.back() != '\\')
            rootWin_ += '\\';
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
    void Tick()
    {
        if (progress_ && ++ticks_ % kProgressEvery == 0)
            progress_(report_->files, report_->imageFiles);
    }
    void Work(const std::vector<Task> &tasks, std::vector<ScanItem> *items, bool reports);
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
    const ScanProgress &progress_;
    ScanReport *report_;
    std::size_t ticks_ = 0;
    std::vector<Candidate> candidates_;
    std::unordered_set<std::string> seen_;  // candidates' relative paths, lower case
    std::atomic<std::size_t> next_{0};       // the next task to take
};

bool Scanner::Walk(std::string *error)
{
    if (!IsDirectory(rootHost_)) {
        *error = "not a directory";
        return false;
    }
    // Directories still to read, relative to the root; an explicit stack
    // lets an unreadable directory be noted and passed over.
    std::vector<std::pair<std::string, bool>> pending{{"", true}};  // (rel, nameable)
    report_->directories = 1;
    while (!pending.empty()) {
        const auto [dirRel, dirNameable] = pending.back();
        pending.pop_back();
        const std::string dirHost = dirRel.empty() ? rootHost_ : rootHost_ + "/" + dirRel;
        auto each = [&](std::string &&name, EntryType type) {
            switch (type) {
            case EntryType::kLink: ++report_->links; return;
            case EntryType::kOther: return;
            case EntryType::kDirectory: {
                ++report_->directories;
                const bool nameable = dirNameable && Nameable(name, nullptr);
                pending.emplace_back(Join(dirRel, name), nameable);
                return;
            }
            case EntryType::kFile: break;
            }
            ++report_->files;
            Tick();
            // A backslash in a host name would read as a separator.
            if (name.find('\\') != std::string::npos)
                return;
            const int cls = CVcdImageEx::GetPathExtType(name.c_str());
            if (cls == EXTTYPE_NONE)
                return;
            ++report_->imageFiles;
            Candidate c{dirRel, std::move(name), cls, true, ""};
            if (!dirNameable) {
                c.nameable = false;
                c.why = "a directory on its way has no Windows name";
            } else if (!Nameable(c.name, &c.why)) {
                c.nameable = false;
            }
            seen_.insert(AsciiLower(Join(dirRel, c.name)));
            candidates_.push_back(std::move(c));
        };
        std::string listError;
        if (!ListDirectory(dirHost, each, &listError)) {
            if (dirRel.empty()) {
                *error = listError;
                return false;
            }
            report_->errors.push_back(dirRel + ": " + listError);
        }
    }
    if (progress_)
        progress_(report_->files, report_->imageFiles);
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
        // No count to go by but the header's, which only the check reads.
        char master[BRENVIK_MAX_PATH] = "";
        item.complete = CVcdImageEx::IsValidDvdBundle(item.windows.c_str(), master) != 0;
    }
    return item;
}

void Scanner::Work(const std::vector<Task> &tasks, std::vector<ScanItem> *items, bool reports)
{
    for (;;) {
        const std::size_t i = next_.fetch_add(1);
        if (i >= tasks.size())
            return;
        (*items)[i] = tasks[i].single != nullptr ? Single(*tasks[i].single) : Bundle(tasks[i].members);
        if (reports && progress_ && i % 16 == 0)
            progress_(report_->files, report_->imageFiles);
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

    // Reading headers is most of a scan's time and every image stands
    // alone: the library's calls may run on several threads at once. Only
    // this thread reports progress.
    std::vector<ScanItem> items(tasks.size());
    std::vector<std::thread> helpers;
    if (tasks.size() >= kParallelFrom) {
        const unsigned cores = std::thread::hardware_concurrency();
        const unsigned extra = std::min(cores > 1 ? cores - 1 : 0u, 3u);
        for (unsigned t = 0; t < extra; ++t)
            helpers.emplace_back([this, &tasks, &items] { Work(tasks, &items, false); });
    }
    Work(tasks, &items, true);
    for (std::thread &t : helpers)
        t.join();

    report_->items = std::move(items);
    std::sort(report_->items.begin(), report_->items.end(),
              [](const ScanItem &a, const ScanItem &b) {
                  return std::tie(a.kind, a.rel) < std::tie(b.kind, b.rel);
              });
}

}  // namespace

bool Scan(const std::string &rootHost, const std::string &rootWindows,
          const ScanProgress &progress, ScanReport *report, std::string *error)
{
    report->rootHost = rootHost;
    report->rootWindows = rootWindows;
    Scanner scanner(rootHost, rootWindows, progress, report);
    if (!scanner.Walk(error))
        return false;
    scanner.Classify();
    return true;
}

}  // namespace tool
}  // namespace brenvik
