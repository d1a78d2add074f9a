// brenvik scan DIR: every image and bundle in a directory tree.
#include <brenvik/brenvik.h>

#include <CLI/CLI.hpp>

#include <chrono>
#include <iostream>
#include <memory>
#include <ostream>

#include "common.h"
#include "scan.h"

namespace brenvik {
namespace tool {

namespace {

struct ScanOptions {
    std::string dir;
    bool strict = false;
    bool noProgress = false;
};

// One line on a terminal's standard error, rewritten in place, once the scan
// has taken long enough to be worth watching; cleared at the end.
class ProgressLine {
public:
    explicit ProgressLine(bool enabled) : enabled_(enabled), start_(Clock::now()) {}
    ~ProgressLine() { Clear(); }

    void Update(std::size_t files, std::size_t images)
    {
        if (!enabled_)
            return;
        const auto now = Clock::now();
        if (now - start_ < std::chrono::milliseconds(500))
            return;
        if (shown_ && now - last_ < std::chrono::milliseconds(100))
            return;
        last_ = now;
        shown_ = true;
        std::cerr << "\rbrenvik: scanning: " << files << " files, " << images << " image files"
                  << "\033[K" << std::flush;
    }
    void Clear()
    {
        if (shown_)
            std::cerr << "\r\033[K" << std::flush;
        shown_ = false;
    }

private:
    using Clock = std::chrono::steady_clock;
    bool enabled_;
    bool shown_ = false;
    Clock::time_point start_;
    Clock::time_point last_;
};

const char *KindKey(ScanItem::Kind kind)
{
    switch (kind) {
    case ScanItem::kImage: return "image";
    case ScanItem::kDvdBundle: return "dvd-bundle";
    case ScanItem::kPair: return "pair";
    case ScanItem::kOrphans: return "orphan-slaves";
    case ScanItem::kUnreadable: return "unreadable";
    }
    return "";
}

bool IsBundle(const ScanItem &item)
{
    return item.kind == ScanItem::kDvdBundle || item.kind == ScanItem::kPair;
}

// Members the header (or, for pairs, the naming) asks for; -1 unknown.
int ExpectedMembers(const ScanItem &item)
{
    if (item.kind == ScanItem::kPair)
        return 2;
    if (item.kind == ScanItem::kDvdBundle && item.slaves >= 0)
        return item.slaves + 1;
    return -1;
}

std::string Under(const std::string &root, const std::string &rel)
{
    if (root.empty() || root.back() == '/')
        return root + rel;
    return root + "/" + rel;
}

Json ListJson(const std::string &root, const std::vector<std::string> &rels)
{
    Json list = Json::array();
    for (const std::string &r : rels)
        list.push_back(Under(root, r));
    return list;
}

Json ItemJson(const std::string &root, const ScanItem &item)
{
    Json j;
    j["kind"] = KindKey(item.kind);
    j["path"] = Under(root, item.rel);
    j["relative"] = item.rel;
    j["windows"] = item.windows;
    if (item.type != CDTYPE_INVALID) {
        j["type"] = ImageTypeKey(item.type);
        j["type_name"] = ImageTypeName(item.type);
    } else {
        j["type"] = nullptr;
    }
    j["description"] = item.hasDesc ? Json(item.desc) : Json(nullptr);
    if (item.hasDesc)
        j["desc_info"] = item.descInfo;
    if (IsBundle(item)) {
        j["complete"] = item.complete;
        j["slaves"] = item.kind == ScanItem::kDvdBundle && item.slaves >= 0 ? Json(item.slaves)
                                                                             : Json(nullptr);
        const int expected = ExpectedMembers(item);
        j["expected_members"] = expected >= 0 ? Json(expected) : Json(nullptr);
    }
    j["members"] = ListJson(root, item.members);
    j["missing"] = ListJson(root, item.missing);
    j["extra"] = ListJson(root, item.extra);
    if (!item.note.empty())
        j["note"] = item.note;
    return j;
}

struct Summary {
    std::size_t singles = 0, dvd = 0, dvdIncomplete = 0, pairs = 0, pairsIncomplete = 0,
                orphans = 0, unreadable = 0;
    bool Problems() const
    {
        return dvdIncomplete + pairsIncomplete + orphans + unreadable > 0;
    }
};

Summary Summarise(const ScanReport &report)
{
    Summary s;
    for (const ScanItem &item : report.items) {
        switch (item.kind) {
        case ScanItem::kImage: ++s.singles; break;
        case ScanItem::kDvdBundle:
            ++s.dvd;
            s.dvdIncomplete += item.complete ? 0 : 1;
            break;
        case ScanItem::kPair:
            ++s.pairs;
            s.pairsIncomplete += item.complete ? 0 : 1;
            break;
        case ScanItem::kOrphans: ++s.orphans; break;
        case ScanItem::kUnreadable: ++s.unreadable; break;
        }
    }
    return s;
}

std::string SummaryLine(const ScanReport &report, const Summary &s)
{
    std::string line = Count(s.singles, "single image", "single images") + ", " +
                       Count(s.dvd, "DVD bundle", "DVD bundles");
    if (s.dvdIncomplete)
        line += " (" + std::to_string(s.dvdIncomplete) + " incomplete)";
    line += ", " + Count(s.pairs, "mixed-mode/CD-Extra pair", "mixed-mode/CD-Extra pairs");
    if (s.pairsIncomplete)
        line += " (" + std::to_string(s.pairsIncomplete) + " incomplete)";
    line += ", " + Count(s.orphans, "group of orphan slaves", "groups of orphan slaves") + ", " +
            std::to_string(s.unreadable) + " unreadable; " +
            Count(report.imageFiles, "image file", "image files") + " among " +
            Count(report.files, "file", "files");
    return line;
}

void PrintHuman(std::ostream &out, const std::string &root, const ScanReport &report,
                const Summary &s)
{
    out << "Scanned " << root << " (" << report.rootWindows << "): "
        << Count(report.files, "file", "files") << " in "
        << Count(report.directories, "directory", "directories") << "\n";
    if (report.items.empty()) {
        out << "\nno image files\n";
    } else {
        Table table({"KIND", "STATE", "MEMBERS", "TYPE", "PATH", "DESCRIPTION"});
        for (const ScanItem &item : report.items) {
            std::string state = "ok", members = "1";
            const int expected = ExpectedMembers(item);
            if (IsBundle(item)) {
                state = item.complete ? "complete" : "incomplete";
                members = expected >= 0 ? std::to_string(expected - static_cast<int>(item.missing.size())) +
                                              " of " + std::to_string(expected)
                                        : std::to_string(item.members.size()) + " of ?";
                if (!item.extra.empty())
                    members += " +" + std::to_string(item.extra.size());
            } else if (item.kind == ScanItem::kOrphans) {
                state = "no master";
                members = std::to_string(item.members.size());
            } else if (item.kind == ScanItem::kUnreadable) {
                state = "-";
                members = std::to_string(item.members.size());
            }
            const std::string type =
                item.type == CDTYPE_INVALID ? std::string("-") : ImageTypeName(item.type);
            std::string desc = item.kind == ScanItem::kUnreadable ? item.note
                               : item.hasDesc                     ? item.desc
                                                                  : std::string("-");
            table.Add({KindKey(item.kind), state, members, type, item.rel, desc});
        }
        out << "\n";
        table.Print(out);
        bool first = true;
        for (const ScanItem &item : report.items) {
            const bool odd = !item.missing.empty() || !item.extra.empty() ||
                             (!item.note.empty() && item.kind != ScanItem::kUnreadable);
            if (!odd)
                continue;
            if (first)
                out << "\n";
            first = false;
            out << item.rel << ":\n";
            for (const std::string &m : item.missing)
                out << "  missing  " << m << "\n";
            for (const std::string &m : item.extra)
                out << "  extra    " << m << "\n";
            if (!item.note.empty() && item.kind != ScanItem::kUnreadable)
                out << "  note     " << item.note << "\n";
        }
    }
    out << "\n" << SummaryLine(report, s) << "\n";
}

void RunScan(Context &ctx, const ScanOptions &o)
{
    std::string host, windows;
    const bool windowsGiven = ctx.win || LooksLikeWindowsPath(o.dir);
    if (windowsGiven) {
        windows = o.dir;
        host = HostPathOf(o.dir);
        if (host.empty())
            throw Failure(kExitUsage, "cannot scan " + Quote(o.dir) +
                                          ": no drive or share of this machine holds it");
    } else {
        host = o.dir;
        windows = ToWindows(ctx, o.dir).windows;
    }
    // Scripts want output that does not depend on the terminal.
    ProgressLine progress(!o.noProgress && IsTerminal(2));
    ScanReport report;
    std::string error;
    const bool ok = Scan(host, windows,
                         [&progress](std::size_t files, std::size_t images) {
                             progress.Update(files, images);
                         },
                         &report, &error);
    progress.Clear();
    if (!ok)
        throw Failure(kExitFailed, "cannot scan " + Quote(o.dir) + ": " + error);

    const std::string root = windowsGiven ? host : o.dir;
    const Summary s = Summarise(report);
    // The document of a large tree is sizeable: build it only when asked.
    Json doc;
    if (ctx.json) {
        doc["root"] = root;
        doc["windows"] = windows;
        Json summary;
        summary["files"] = report.files;
        summary["directories"] = report.directories;
        summary["links_skipped"] = report.links;
        summary["image_files"] = report.imageFiles;
        summary["single_images"] = s.singles;
        summary["dvd_bundles"] = s.dvd;
        summary["incomplete_dvd_bundles"] = s.dvdIncomplete;
        summary["pairs"] = s.pairs;
        summary["incomplete_pairs"] = s.pairsIncomplete;
        summary["orphan_groups"] = s.orphans;
        summary["unreadable"] = s.unreadable;
        doc["summary"] = summary;
        doc["items"] = Json::array();
        for (const ScanItem &item : report.items)
            doc["items"].push_back(ItemJson(root, item));
        doc["errors"] = report.errors;
    }
    Emit(ctx, doc, [&](std::ostream &out) { PrintHuman(out, root, report, s); });
    for (const std::string &e : report.errors)
        std::cerr << "brenvik: warning: cannot read " << e << "\n";
    if (o.strict && (s.Problems() || !report.errors.empty()))
        ctx.exit = kExitFailed;
}

}  // namespace

void AddScan(CLI::App &app, Context &ctx)
{
    auto o = std::make_shared<ScanOptions>();
    CLI::App *scan = app.add_subcommand(
        "scan", "Find every image file and bundle in a directory tree: kind, description, "
                "members, complete or not");
    scan->add_option("dir", o->dir, "The directory")->required();
    scan->add_flag("--strict", o->strict,
                   "Exit 1 when a bundle is incomplete, slaves lack their master, an image is "
                   "unreadable or a directory cannot be read");
    scan->add_flag("--no-progress", o->noProgress, "No progress line on standard error");
    scan->callback([&ctx, o] { RunScan(ctx, *o); });
}

}  // namespace tool
}  // namespace brenvik
