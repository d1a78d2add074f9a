#include "scan.h"

#include <brenvik/brenvik.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>
#include <tuple>

#include "common.h"
#include "members.h"

#if !defined(_WIN32)
#include "platform/posix/host_path.h"
#endif

namespace brenvik {
namespace tool {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kProgressEvery = 128;

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
    // Reads type and description; false (and an unreadable item) when the
    // file cannot be used as an image.
    bool Describe(const Candidate &c, ScanItem *item);
    void Single(const Candidate &c);
    void Bundle(std::vector<std::pair<int, const Candidate *>> members);
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
};

bool Scanner::Walk(std::string *error)
{
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(rootHost_, ec)) &&
        !fs::is_directory(fs::status(rootHost_, ec))) {
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
        const fs::path dirHost = dirRel.empty() ? fs::path(rootHost_) : fs::path(rootHost_) / dirRel;
        fs::directory_iterator it(dirHost, ec);
        if (ec) {
            if (dirRel.empty()) {
                *error = ec.message();
                return false;
            }
            report_->errors.push_back(dirRel + ": " + ec.message());
            continue;
        }
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            const fs::directory_entry &entry = *it;
            std::error_code typeEc;
            // The type the directory listing gave: no stat per file.
            if (entry.is_symlink(typeEc)) {
                ++report_->links;
                continue;
            }
            const std::string name = entry.path().filename().string();
            if (entry.is_directory(typeEc)) {
                ++report_->directories;
                pending.emplace_back(Join(dirRel, name), dirNameable && Nameable(name, nullptr));
                continue;
            }
            if (!entry.is_regular_file(typeEc))
                continue;
            ++report_->files;
            Tick();
            // A backslash in a host name would read as a separator.
            if (name.find('\\') != std::string::npos)
                continue;
            const int cls = CVcdImageEx::GetPathExtType(name.c_str());
            if (cls == EXTTYPE_NONE)
                continue;
            ++report_->imageFiles;
            Candidate c{dirRel, name, cls, true, ""};
            if (!dirNameable) {
                c.nameable = false;
                c.why = "a directory on its way has no Windows name";
            } else if (!Nameable(name, &c.why)) {
                c.nameable = false;
            }
            candidates_.push_back(std::move(c));
        }
        if (ec)
            report_->errors.push_back((dirRel.empty() ? "." : dirRel) + ": " + ec.message());
    }
    if (progress_)
        progress_(report_->files, report_->imageFiles);
    return true;
}

bool Scanner::Describe(const Candidate &c, ScanItem *item)
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
    item->type = CVcdImageEx::GetVCD_cdtype(item->windows.c_str());
    if (item->type == CDTYPE_INVALID) {
        item->note = "cannot read the image header (locked, or shorter than a header)";
        return false;
    }
    char desc[BRENVIK_MAX_PATH] = "";
    int info = 0;
    if (CVcdImageEx::GetDesc(item->windows.c_str(), desc, &info)) {
        item->hasDesc = true;
        item->desc = desc;
        item->descInfo = static_cast<unsigned>(info);
    }
    return true;
}

void Scanner::Single(const Candidate &c)
{
    ScanItem item;
    item.kind = ScanItem::kImage;
    if (!Describe(c, &item))
        item.kind = ScanItem::kUnreadable;
    item.members.push_back(item.rel);
    report_->items.push_back(std::move(item));
}

void Scanner::Bundle(std::vector<std::pair<int, const Candidate *>> members)
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
        report_->items.push_back(std::move(item));
        return;
    }

    if (!Describe(first, &item)) {
        item.kind = ScanItem::kUnreadable;
        report_->items.push_back(std::move(item));
        return;
    }

    MemberList expected;
    bool listed = false;
    if (dvd) {
        listed = ListMembers(item.windows, true, &expected);
        if (listed)
            item.slaves = static_cast<int>(expected.names.size()) - 1;
        else
            item.note = std::string("the master's header says ") + ImageTypeName(item.type) +
                        ", not DVD";
        char master[BRENVIK_MAX_PATH] = "";
        item.complete = CVcdImageEx::IsValidDvdBundle(item.windows.c_str(), master) != 0;
    } else {
        listed = ListMembers(item.windows, false, &expected);
        if (!listed) {
            // Not a cluster kind by its header: the pair is still named 00
            // and 01, so say which of those is missing.
            item.note = std::string("the master's header says ") + ImageTypeName(item.type) +
                        ", not mixed-mode or CD-Extra";
            const std::string prefix = item.windows.substr(0, item.windows.size() - 2);
            expected.names = {prefix + "00", prefix + "01"};
        }
        item.complete = true;
        for (const std::string &name : expected.names)
            item.complete = item.complete && IsFile(name);
    }

    if (!item.complete)
        for (const std::string &name : expected.names)
            if (!IsFile(name))
                item.missing.push_back(Rel(name));
    const int count = static_cast<int>(expected.names.size());
    for (const auto &m : members)
        if ((listed || !dvd) && m.first >= count)
            item.extra.push_back(Join(m.second->dirRel, m.second->name));
    report_->items.push_back(std::move(item));
}

void Scanner::Classify()
{
    // Members of one bundle: one directory, one title, whatever the case of
    // the letters (Windows names ignore it).
    std::map<std::tuple<std::string, std::string, int>, std::vector<std::pair<int, const Candidate *>>>
        groups;
    for (const Candidate &c : candidates_) {
        Tick();
        if (c.extClass == EXTTYPE_VCD) {
            Single(c);
            continue;
        }
        const std::string &n = c.name;
        const int number = (n[n.size() - 2] - '0') * 10 + (n[n.size() - 1] - '0');
        const std::string title = AsciiLower(n.substr(0, n.size() - 4));
        groups[{c.dirRel, title, c.extClass}].emplace_back(number, &c);
    }
    for (auto &g : groups) {
        Tick();
        Bundle(std::move(g.second));
    }
    std::stable_sort(report_->items.begin(), report_->items.end(),
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
