// brenvik bundle: the members of split image bundles, whether a DVD bundle is
// complete, and deleting bundles.
#include <brenvik/brenvik.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <ostream>

#include "common.h"
#include "members.h"

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
    const bool complete = CVcdImageEx::IsValidDvdBundle(w.c_str(), masterOut) != 0;
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
        note = "the master's header is not that of a DVD image";
    }
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

const char *DelBundleMessage(unsigned long code)
{
    switch (code) {
    case DELBUNDLE_NOT_CLUSTER: return "its header is not that of a bundle; nothing deleted";
    case DELBUNDLE_NO_NAMELIST: return "its members cannot be listed; nothing deleted";
    case DELBUNDLE_MEMBER_FAILED:
        return "a member could not be deleted (read-only or in use); the others are gone";
    case DELBUNDLE_DIR_FAILED:
        return "every member is gone, but the bundle's directory could not be removed (not "
               "empty?)";
    default: return "failed";
    }
}

void EmitDryRun(Context &ctx, const PathArg &arg, const std::vector<std::string> &files,
                const std::string &dir)
{
    Json doc = PathJson(arg);
    doc["dry_run"] = true;
    doc["would_delete"] = Json::array();
    for (const std::string &f : files)
        doc["would_delete"].push_back(MemberJson(arg, f, true));
    doc["would_remove_dir"] = dir.empty() ? Json(nullptr) : Json(Display(arg, dir));
    Emit(ctx, doc, [&](std::ostream &out) {
        if (files.empty())
            out << "no member exists\n";
        for (const std::string &f : files)
            out << "would delete  " << Display(arg, f) << "\n";
        if (!dir.empty())
            out << "would remove  " << Display(arg, dir) << " (when empty)\n";
    });
}

std::vector<std::string> PresentOnes(const std::vector<std::string> &names)
{
    std::vector<std::string> present;
    for (const std::string &name : names)
        if (CDriveEx::IsFile(name.c_str(), nullptr))
            present.push_back(name);
    return present;
}

std::vector<std::string> Displayed(const PathArg &arg, const std::vector<std::string> &names)
{
    std::vector<std::string> shown;
    for (const std::string &n : names)
        shown.push_back(Display(arg, n));
    return shown;
}

void RunDelete(Context &ctx, const BundleOptions &o)
{
    const PathArg arg = ToWindows(ctx, o.path);
    const char *w = arg.windows.c_str();
    if (!CVcdImageEx::Is_Cluster(w))
        throw Failure(kExitFailed, "cannot delete the bundle of " + Quote(o.path) + ": " +
                                       DelBundleMessage(DELBUNDLE_NOT_CLUSTER));
    MemberList list;
    if (!ListMembers(arg.windows, false, &list))
        throw Failure(kExitFailed, "cannot delete the bundle of " + Quote(o.path) + ": " +
                                       DelBundleMessage(DELBUNDLE_NO_NAMELIST));
    const std::vector<std::string> present = PresentOnes(list.names);
    if (o.del.dryRun) {
        EmitDryRun(ctx, arg, present, list.dir);
        return;
    }
    ConfirmDeletion(o.del, "the bundle of " + Quote(o.path) + " (" +
                               std::to_string(present.size()) + " of " +
                               std::to_string(list.names.size()) + " members present)",
                    Displayed(arg, present));
    const unsigned long code = CVcdImageEx::DelClusterBundle(w);
    if (code != DELBUNDLE_OK)
        throw Failure(kExitFailed, "cannot delete the bundle of " + Quote(o.path) + ": " +
                                       DelBundleMessage(code) + " (code " +
                                       std::to_string(code) + ")");
    Json doc = PathJson(arg);
    doc["code"] = code;
    doc["deleted"] = Json::array();
    for (const std::string &f : present)
        doc["deleted"].push_back(Display(arg, f));
    doc["removed_dir"] = Display(arg, list.dir);
    Emit(ctx, doc, [&](std::ostream &out) {
        out << "deleted " << present.size() << " members and " << Display(arg, list.dir)
            << "\n";
    });
}

void RunDeleteByName(Context &ctx, const BundleOptions &o)
{
    const PathArg arg = ToWindows(ctx, o.path);
    char dir[BRENVIK_MAX_PATH] = "", prefix[BRENVIK_MAX_PATH] = "";
    if (!CVcdImageEx::ParseMaster(arg.windows.c_str(), dir, prefix))
        throw Failure(kExitFailed,
                      Quote(o.path) + " is not a bundle master's name: it must be T.DVD.D00 or "
                                      "T.VCD.D00 inside a directory below the root");
    // The 100 names the deletion tries, of which these exist.
    std::vector<std::string> candidates;
    for (int k = 0; k < 100; ++k) {
        char number[4];
        std::snprintf(number, sizeof number, "%02d", k);
        candidates.push_back(std::string(prefix) + number);
    }
    const std::vector<std::string> present = PresentOnes(candidates);
    const std::string removeDir = o.keepDir ? std::string() : std::string(dir);
    if (o.del.dryRun) {
        EmitDryRun(ctx, arg, present, removeDir);
        return;
    }
    ConfirmDeletion(o.del,
                    std::to_string(present.size()) + " members named after " + Quote(o.path) +
                        (o.keepDir ? "" : " and their directory"),
                    Displayed(arg, present));
    CVcdImageEx::Del_ClusterBundle_Without_Verify(arg.windows.c_str(), o.keepDir ? 0 : 1);

    // The deletion reports nothing beyond the name: look at what is left.
    const std::vector<std::string> left = PresentOnes(present);
    const bool dirLeft =
        !removeDir.empty() && CDriveEx::IsDir(removeDir.c_str(), nullptr) != 0;
    Json doc = PathJson(arg);
    doc["deleted"] = present.size() - left.size();
    doc["left"] = Json::array();
    for (const std::string &f : left)
        doc["left"].push_back(Display(arg, f));
    doc["dir_left"] = dirLeft;
    if (!left.empty())
        throw Failure(kExitFailed, "could not delete " + std::to_string(left.size()) +
                                       " member(s) of " + Quote(o.path) + ", the first " +
                                       Quote(Display(arg, left.front())) +
                                       ": read-only or in use");
    if (dirLeft)
        throw Failure(kExitFailed, "deleted the members of " + Quote(o.path) +
                                       " but could not remove " +
                                       Quote(Display(arg, removeDir)) + ": not empty?");
    Emit(ctx, doc, [&](std::ostream &out) {
        out << "deleted " << present.size() << " members"
            << (removeDir.empty() ? "" : " and " + Display(arg, removeDir)) << "\n";
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
