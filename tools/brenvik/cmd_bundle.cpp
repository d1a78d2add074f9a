// brenvik bundle: the members of split image bundles, whether a DVD bundle is
// complete, and deleting bundles.
#include <brenvik/brenvik.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <memory>
#include <ostream>

#include "common.h"
#include "deletion.h"
#include "members.h"
#include "platform/win32_types.h"

namespace brenvik {
namespace tool {

namespace {

struct BundleOptions {
    std::string path;
    bool dvdOnly = false;
    bool keepDir = false;
    DeleteOptions del;
};

Json MemberJson(const PathArg &arg, const std::string &windows, bool present)
{
    Json m;
    m["path"] = Display(arg, windows);
    m["windows"] = windows;
    m["present"] = present;
    return m;
}

void RunList(Context &ctx, const BundleOptions &o)
{
    const PathArg arg = ToWindows(ctx, o.path);
    const std::string master = SlaveMasterOf(arg.windows);
    if (!master.empty())
        throw Failure(kExitUsage, Quote(o.path) + " is a slave member of a bundle; its master is " +
                                      Quote(Display(arg, master)));
    MemberList list;
    if (!ListMembers(arg.windows, o.dvdOnly, &list))
        throw Failure(kExitFailed,
                      "cannot list the members of " + Quote(o.path) + ": " +
                          (o.dvdOnly ? "its header is not that of a DVD image, or cannot be read"
                                     : "its header is not that of a mixed-mode, DVD or "
                                       "CD-Extra image, or cannot be read"));
    Json doc = PathJson(arg);
    doc["dir"] = list.dir;
    doc["count"] = list.names.size();
    doc["members"] = Json::array();
    Table table({"STATE", "MEMBER"});
    for (const std::string &name : list.names) {
        const bool present = CDriveEx::IsFile(name.c_str(), nullptr) != 0;
        doc["members"].push_back(MemberJson(arg, name, present));
        table.Add({present ? "present" : "missing", Display(arg, name)});
    }
    Emit(ctx, doc, [&](std::ostream &out) { table.Print(out, false); });
}

void RunCheck(Context &ctx, const BundleOptions &o)
{
    const PathArg arg = ToWindows(ctx, o.path);
    const std::string &w = arg.windows;
    if (!CVcdImageEx::IsDVDext(w.c_str()))
        throw Failure(kExitUsage,
                      Quote(o.path) + " is not the name of a DVD bundle member (T.DVD.Dnn)");
    char masterOut[BRENVIK_MAX_PATH] = "";
    bool complete = CVcdImageEx::IsValidDvdBundle(w.c_str(), masterOut) != 0;
    // The master the check looks at: this name with its member number 00.
    const std::string master = complete ? std::string(masterOut) : MasterOf(w);

    Json doc = PathJson(arg);
    doc["complete"] = complete;
    doc["master"] = Display(arg, master);
    doc["master_windows"] = master;
    Json missing = Json::array();
    std::string note;
    MemberList list;
    if (!CDriveEx::IsFile(master.c_str(), nullptr)) {
        missing.push_back(Display(arg, master));
        doc["slaves"] = nullptr;
    } else if (ListMembers(master, true, &list)) {
        doc["slaves"] = list.names.size() - 1;
        if (!complete)
            for (const std::string &name : list.names)
                if (!CDriveEx::IsFile(name.c_str(), nullptr))
                    missing.push_back(Display(arg, name));
    } else {
        doc["slaves"] = nullptr;
        const unsigned long type = CVcdImageEx::GetVCD_cdtype(master.c_str());
        doc["master_type"] = type == CDTYPE_INVALID ? Json(nullptr) : Json(ImageTypeKey(type));
        note = type == CDTYPE_INVALID ? "the master's header cannot be read"
                                      : std::string("the master is a ") + ImageTypeName(type) +
                                            " image, not a DVD image";
    }
    complete = complete && note.empty();
    doc["complete"] = complete;
    doc["missing"] = missing;
    if (!note.empty())
        doc["note"] = note;
    Emit(ctx, doc, [&](std::ostream &out) {
        out << (complete ? "complete    " : "incomplete  ") << Display(arg, master) << "\n";
        for (const Json &m : missing)
            out << "  missing  " << m.get<std::string>() << "\n";
        if (!note.empty())
            out << "  note: " << note << "\n";
    });
    ctx.exit = complete ? kExitOk : kExitFailed;
}

// The bundle's directory goes with the last member only when that leaves it
// empty; a directory kept because something else lives there is no failure.
const char *const kDirRule = "removed only when deleting the members leaves it empty";

bool KeptNotEmpty(const std::vector<Removal> &records, const std::string &dir)
{
    for (const Removal &r : records)
        if (r.kind == Removal::kDirectory && r.windows == dir)
            return !r.ok && r.error == ERROR_DIR_NOT_EMPTY;
    return false;
}

// Deletes the members through remove (after a dry run and the question),
// then reports members deleted, the directory removed or kept, and what
// failed. dir is "" when the directory is to stay anyway.
void DeleteMembers(Context &ctx, const BundleOptions &o, const PathArg &arg,
                   const std::string &dir, const std::string &what,
                   const std::function<void()> &remove)
{
    Json doc = PathJson(arg);
    doc["directory"] = dir.empty() ? Json(nullptr) : Json(Display(arg, dir));
    if (!dir.empty())
        doc["directory_rule"] = kDirRule;
    std::vector<Removal> records;
    const std::string dirText = dir.empty() ? ""
                                            : ", then its directory " + Quote(Display(arg, dir)) +
                                                  " if that leaves it empty";
    if (!PlanConfirmRemove(
            ctx, o.del, ShowBelow(arg), doc,
            [&](const RemovalReport &plan) {
                std::size_t members = 0;
                for (const std::string &e : plan.removed)
                    members += e.back() != '/';
                return what + " (" + Count(members, "member", "members") + ")" + dirText;
            },
            remove, &records)) {
        if (!dir.empty() && !ctx.json)
            std::cout << "the directory " << Display(arg, dir) << " is " << kDirRule << "\n";
        return;
    }
    const bool dirKept = KeptNotEmpty(records, dir);
    std::vector<Removal> failures;
    for (const Removal &r : records)
        if (!r.ok && !r.absent && !(dirKept && r.windows == dir))
            failures.push_back(r);
    const RemovalReport report = Report(ShowBelow(arg), records, false);
    doc["deleted"] = report.removedJson;
    doc["kept"] = report.keptJson;
    doc["directory_removed"] = !dir.empty() && !dirKept && failures.empty();
    doc["ok"] = failures.empty();
    if (!failures.empty())
        throw Failure(kExitFailed,
                      "cannot delete all of the bundle of " + Quote(arg.given) + ": " +
                          Quote(Display(arg, failures.front().windows)) + ": " +
                          failures.front().why,
                      doc);
    Emit(ctx, doc, [&](std::ostream &out) {
        std::size_t members = report.removed.size();
        if (doc["directory_removed"].get<bool>() && members > 0)
            --members;
        out << "deleted " << Count(members, "member", "members");
        if (dirKept)
            out << "; kept the directory " << Display(arg, dir) << " (not empty)";
        else if (doc["directory_removed"].get<bool>())
            out << " and the directory " << Display(arg, dir);
        out << "\n";
    });
}

void RunDelete(Context &ctx, const BundleOptions &o)
{
    const PathArg arg = ToWindows(ctx, o.path);
    CheckNamedIsReached(arg);
    const char *w = arg.windows.c_str();
    if (!CVcdImageEx::Is_Cluster(w))
        throw Failure(kExitFailed, "cannot delete the bundle of " + Quote(o.path) +
                                       ": its header is not that of a bundle; nothing deleted");
    MemberList list;
    if (!ListMembers(arg.windows, false, &list))
        throw Failure(kExitFailed, "cannot delete the bundle of " + Quote(o.path) +
                                       ": its members cannot be listed; nothing deleted");
    DeleteMembers(ctx, o, arg, list.dir,
                  "the bundle of " + Quote(o.path),
                  [&] { CVcdImageEx::DelClusterBundle(w); });
}

void RunDeleteByName(Context &ctx, const BundleOptions &o)
{
    const PathArg arg = ToWindows(ctx, o.path);
    CheckNamedIsReached(arg);
    char dir[BRENVIK_MAX_PATH] = "", prefix[BRENVIK_MAX_PATH] = "";
    if (!CVcdImageEx::ParseMaster(arg.windows.c_str(), dir, prefix))
        throw Failure(kExitUsage,
                      Quote(o.path) + " is not a bundle master's name: it must be T.DVD.D00 or "
                                      "T.VCD.D00 inside a directory below the root");
    DeleteMembers(ctx, o, arg, o.keepDir ? std::string() : std::string(dir),
                  "the members named after " + Quote(o.path),
                  [&] {
                      CVcdImageEx::Del_ClusterBundle_Without_Verify(arg.windows.c_str(),
                                                                    !o.keepDir);
                  });
}

}  // namespace

void AddBundle(CLI::App &app, Context &ctx)
{
    auto o = std::make_shared<BundleOptions>();
    CLI::App *bundle = app.add_subcommand("bundle", "Split image bundles: members, checks, deletion");
    bundle->require_subcommand(1, 1);

    CLI::App *list = bundle->add_subcommand(
        "list", "The members of the bundle a master heads, and which of them exist");
    list->add_option("master", o->path, "The master (T.DVD.D00 or T.VCD.D00)")->required();
    list->add_flag("--dvd", o->dvdOnly, "Refuse anything but a DVD bundle");
    list->callback([&ctx, o] { RunList(ctx, *o); });

    CLI::App *check = bundle->add_subcommand(
        "check", "Whether the DVD bundle of a member is complete (exit 1 if not)");
    check->add_option("member", o->path, "Any member of the bundle (T.DVD.Dnn)")->required();
    check->callback([&ctx, o] { RunCheck(ctx, *o); });

    CLI::App *del = bundle->add_subcommand(
        "delete", "Delete a bundle after reading its master's header, then its directory");
    del->add_option("master", o->path, "The master")->required();
    AddDeleteOptions(del, &o->del);
    del->callback([&ctx, o] { RunDelete(ctx, *o); });

    CLI::App *byName = bundle->add_subcommand(
        "delete-by-name", "Delete members 00 to 99 named after a master, without reading it");
    byName->add_option("master", o->path, "The master's name")->required();
    byName->add_flag("--keep-dir", o->keepDir, "Leave the bundle's directory");
    AddDeleteOptions(byName, &o->del);
    byName->callback([&ctx, o] { RunDeleteByName(ctx, *o); });
}

}  // namespace tool
}  // namespace brenvik
