// brenvik scan DIR: every image and bundle in a directory tree.
#include <brenvik/brenvik.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstdlib>
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
    bool progress = false;
    ScanConfig config;
};

// One line on standard error, rewritten in place, once the scan has taken
// long enough to be worth watching (at once when asked for); cleared at the
// end. A terminal that knows no escapes gets its old text blanked out.
class ProgressLine {
public:
    ProgressLine(bool enabled, bool atOnce)
        : enabled_(enabled), escapes_(TerminalHasEscapes()), start_(Clock::now()),
          wait_(atOnce ? Clock::duration::zero() : std::chrono::milliseconds(500))
    {
    }
    ~ProgressLine() { Clear(); }

    void Update(const ScanCounts &counts)
    {
        if (!enabled_)
            return;
        const auto now = Clock::now();
        if (now - start_ < wait_)
            return;
        if (shown_ && now - last_ < std::chrono::milliseconds(100))
            return;
        last_ = now;
        shown_ = true;
        // Rates of the last second or two: the walk's pace, then the reads'.
        if (now - recent_.at >= std::chrono::seconds(1)) {
            base_ = recent_;
            recent_ = Sample{now, counts};
        }
        const double seconds =
            std::max(std::chrono::duration<double>(now - base_.at).count(), 0.001);
        const auto rate = [seconds](std::size_t now, std::size_t then) {
            return std::to_string(static_cast<unsigned long long>((now - then) / seconds + 0.5));
        };
        Show("brenvik: scanning: " + std::to_string(counts.files) + " files, " +
             std::to_string(counts.imageFiles) + " image files, " +
             std::to_string(counts.imagesRead) + " read; " +
             rate(counts.files, base_.counts.files) + " files/s, " +
             rate(counts.imagesRead, base_.counts.imagesRead) + " images/s");
    }
    void Clear()
    {
        if (shown_)
            Show("");
        shown_ = false;
    }

private:
    using Clock = std::chrono::steady_clock;

    static bool TerminalHasEscapes()
    {
        const char *term = std::getenv("TERM");
        return term != nullptr && *term != '\0' && std::string(term) != "dumb";
    }
    void Show(const std::string &text)
    {
        std::string line = "\r" + text;
        if (escapes_) {
            line += "\033[K";
        } else if (text.size() < width_) {
            line += std::string(width_ - text.size(), ' ') + "\r" + text;
        }
        width_ = text.size();
        std::cerr << line << std::flush;
    }

    struct Sample {
        Clock::time_point at;
        ScanCounts counts;
    };

    bool enabled_;
    bool escapes_;
    bool shown_ = false;
    std::size_t width_ = 0;  // of the text on the line now
    Clock::time_point start_;
    Clock::duration wait_;
    Clock::time_point last_;
    Sample base_{start_, {}}, recent_{start_, {}};
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

// A DVD bundle whose master's header names another kind of disc.
bool NotDvd(const ScanItem &item)
{
    return item.kind == ScanItem::kDvdBundle && item.type != CDTYPE_INVALID &&
           item.type != CDTYPE_DVD;
}

struct Summary {
    std::size_t singles = 0, dvd = 0, dvdIncomplete = 0, notDvd = 0, pairs = 0,
                pairsIncomplete = 0, orphans = 0, unreadable = 0;
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
            s.notDvd += NotDvd(item) ? 1 : 0;
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

// Why --strict fails, a count for each kind of problem.
std::string StrictReasons(const ScanReport &report, const Summary &s)
{
    std::string why;
    const auto add = [&why](std::size_t n, const char *one, const char *many) {
        if (n != 0)
            why += (why.empty() ? "" : ", ") + Count(n, one, many);
    };
    add(s.dvdIncomplete - s.notDvd, "incomplete DVD bundle", "incomplete DVD bundles");
    add(s.notDvd, "DVD bundle whose master is no DVD image",
        "DVD bundles whose masters are no DVD images");
    add(s.pairsIncomplete, "incomplete mixed-mode/CD-Extra pair",
        "incomplete mixed-mode/CD-Extra pairs");
    add(s.orphans, "group of slaves without a master", "groups of slaves without a master");
    add(s.unreadable, "unreadable image", "unreadable images");
    add(report.errors.size(), "unreadable directory", "unreadable directories");
    return why;
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
            if (NotDvd(item)) {
                state = std::string(ImageTypeName(item.type)) + ", not DVD";
                members = std::to_string(item.members.size()) + " of ?";
            } else if (IsBundle(item)) {
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
    ProgressLine progress(o.progress || (!o.noProgress && IsTerminal(2)), o.progress);
    ScanReport report;
    std::string error;
    const bool ok = Scan(host, windows, o.config,
                         [&progress](const ScanCounts &counts) { progress.Update(counts); },
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
    if (o.strict && (s.Problems() || !report.errors.empty())) {
        std::cerr << "brenvik: scan --strict: " << StrictReasons(report, s) << "\n";
        ctx.exit = kExitFailed;
    }
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
                   "Exit 1, saying why, when a bundle is incomplete or its master no DVD image, "
                   "slaves lack their master, an image is unreadable or a directory cannot be "
                   "read");
    scan->add_option("-j,--jobs", o->config.jobs,
                     "Directories listed and image headers read at once, 1 to " +
                         std::to_string(kMaxScanJobs) + " (default " +
                         std::to_string(kDefaultScanJobs) + "); 1 reads one after another")
        ->type_name("N")
        ->check(CLI::Range(1u, kMaxScanJobs).description(""));
    scan->add_flag("-x,--one-file-system", o->config.oneFileSystem,
                   "Do not enter directories on other file systems than DIR's");
    scan->add_flag("--no-progress", o->noProgress, "No progress line on standard error");
    scan->add_flag("--progress", o->progress,
                   "The progress line from the start, terminal or not");
    scan->callback([&ctx, o] { RunScan(ctx, *o); });
}

}  // namespace tool
}  // namespace brenvik
