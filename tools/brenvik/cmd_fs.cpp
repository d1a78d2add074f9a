// brenvik fs: create, rename and delete files and directories, and probe
// whether a directory can be written.
#include <brenvik/brenvik.h>

#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "common.h"
#include "platform/afx/afx.h"

namespace brenvik {
namespace tool {

namespace {

struct FsOptions {
    std::vector<std::string> paths;
    std::string path, target, pattern;
    bool parents = false, existOk = false, system = false, create = false;
    DeleteOptions del;
};

// One entry of a deletion plan: what the library will be asked to delete,
// in its order, and what it will leave.
struct PlanEntry {
    std::string windows;
    std::string shown;
    bool directory = false;
    bool deleted = true;  // false: it will stay
    std::string why;      // why it stays
};

std::string WithSep(const std::string &dir)
{
    return (!dir.empty() && dir.back() == '\\') ? dir : dir + "\\";
}

// The file a search stands on, and whether the deletion will take it.
PlanEntry FileEntry(const CFileFind &find, const PathArg &top, bool delSystem)
{
    const std::string path = find.GetFilePath().GetString();
    PlanEntry e{path, Display(top, path), false, true, ""};
    if (find.IsSystem() && !delSystem) {
        e.deleted = false;
        e.why = "system file";
    } else if (find.IsReadOnly()) {
        e.deleted = false;
        e.why = "read-only";
    }
    return e;
}

// The entries a tree deletion meets, in the order it meets them: a
// directory's content before the directory. Returns whether dir will be
// empty at the end. Only the top level may lose its system files.
bool PlanTree(const PathArg &top, const std::string &dir, bool delSystem,
              std::vector<PlanEntry> *plan)
{
    bool empty = true;
    CFileFind find;
    BOOL more = find.FindFile((WithSep(dir) + "*.*").c_str());
    while (more) {
        more = find.FindNextFile();
        if (find.IsDots())
            continue;
        if (find.IsDirectory()) {
            empty = PlanTree(top, find.GetFilePath().GetString(), false, plan) && empty;
            continue;
        }
        const PlanEntry e = FileEntry(find, top, delSystem);
        empty = empty && e.deleted;
        plan->push_back(e);
    }
    find.Close();
    PlanEntry self{dir, Display(top, dir), true, empty, empty ? "" : "not empty"};
    plan->push_back(self);
    return empty;
}

std::vector<PlanEntry> PlanMatching(const PathArg &dir, const std::string &pattern,
                                    bool delSystem)
{
    std::vector<PlanEntry> plan;
    CFileFind find;
    BOOL more = find.FindFile((WithSep(dir.windows) + pattern).c_str());
    while (more) {
        more = find.FindNextFile();
        if (find.IsDots() || find.IsDirectory())
            continue;
        plan.push_back(FileEntry(find, dir, delSystem));
    }
    find.Close();
    return plan;
}

Json PlanJson(const std::vector<PlanEntry> &plan)
{
    Json doc;
    doc["dry_run"] = true;
    doc["would_delete"] = Json::array();
    doc["would_keep"] = Json::array();
    for (const PlanEntry &e : plan) {
        Json j;
        j["path"] = e.shown;
        j["windows"] = e.windows;
        j["kind"] = e.directory ? "directory" : "file";
        if (e.deleted) {
            doc["would_delete"].push_back(j);
        } else {
            j["why"] = e.why;
            doc["would_keep"].push_back(j);
        }
    }
    return doc;
}

void EmitPlan(Context &ctx, const std::vector<PlanEntry> &plan)
{
    Json doc = PlanJson(plan);
    Emit(ctx, doc, [&](std::ostream &out) {
        if (plan.empty())
            out << "nothing to delete\n";
        for (const PlanEntry &e : plan) {
            if (e.deleted)
                out << "would delete  " << e.shown << (e.directory ? "/" : "") << "\n";
            else
                out << "would keep    " << e.shown << (e.directory ? "/" : "") << "  (" << e.why
                    << ")\n";
        }
    });
}

std::vector<std::string> Shown(const std::vector<PlanEntry> &plan)
{
    std::vector<std::string> items;
    for (const PlanEntry &e : plan)
        if (e.deleted)
            items.push_back(e.shown + (e.directory ? "/" : ""));
    return items;
}

// Why deleting a file failed.
std::string DeleteFailure(const std::string &windows)
{
    int exists = 0;
    if (CDriveEx::IsDir(windows.c_str(), &exists))
        return "it is a directory";
    if (exists && !CDriveEx::IsFileWritable(windows.c_str(), nullptr))
        return "it is read-only";
    if (!exists)
        return "its directory does not exist";
    return "it is in use or access is denied";
}

// Results of an operation on several paths: the document, a line each, and
// one line on standard error for each failure.
struct Outcome {
    Json doc;
    Table table{{"RESULT", "PATH"}};
    std::vector<std::string> errors;

    Outcome() { doc["results"] = Json::array(); }
    void Add(const PathArg &arg, const char *result, bool ok, const std::string &error = "")
    {
        Json r = PathJson(arg);
        r["result"] = result;
        r["ok"] = ok;
        if (!ok)
            errors.push_back(error);
        doc["results"].push_back(r);
        table.Add({result, arg.given});
    }
    void Finish(Context &ctx)
    {
        doc["ok"] = errors.empty();
        Emit(ctx, doc, [this](std::ostream &out) { table.Print(out, false); });
        ReportErrors(ctx, errors);
    }
};

void RunMkdir(Context &ctx, const FsOptions &o)
{
    Outcome outcome;
    for (const std::string &p : o.paths) {
        const PathArg arg = ToWindows(ctx, p);
        const char *w = arg.windows.c_str();
        const bool existed = CDriveEx::IsDir(w, nullptr) != 0;
        const int ok = o.parents ? CDriveEx::CreateDir_Recursively(w)
                                 : CDriveEx::MyCreateDirectory(w, o.existOk);
        if (ok) {
            outcome.Add(arg, existed ? "exists" : "created", true);
            continue;
        }
        std::string why;
        int exists = 0;
        if (CDriveEx::IsFile(w, &exists))
            why = "a file of that name exists";
        else if (exists)
            why = "it exists (give -p or --exist-ok)";
        else if (o.parents && !CDriveEx::Is_FilePath_DirPath_Valid(w))
            why = "not an absolute drive or UNC path of fewer than 260 characters";
        else if (!o.parents)
            why = "its parent is missing (give -p), or the name or access is refused";
        else
            why = "the name or access is refused";
        outcome.Add(arg, "failed", false, "cannot create directory " + Quote(p) + ": " + why);
    }
    outcome.Finish(ctx);
}

void RunRename(Context &ctx, const FsOptions &o)
{
    const PathArg from = ToWindows(ctx, o.path);
    const PathArg to = ToWindows(ctx, o.target);
    if (!CDriveEx::IsExist(from.windows.c_str()))
        throw Failure(kExitFailed, "cannot rename " + Quote(from.given) + ": it does not exist");
    const bool replaces = CDriveEx::IsFile(to.windows.c_str(), nullptr) != 0;

    Json doc;
    doc["from"] = PathJson(from);
    doc["to"] = PathJson(to);
    doc["replaces"] = replaces;
    if (o.del.dryRun) {
        doc["dry_run"] = true;
        Emit(ctx, doc, [&](std::ostream &out) {
            out << "would rename  " << from.given << " -> " << to.given
                << (replaces ? "  (replacing it)" : "") << "\n";
        });
        return;
    }
    if (replaces)
        ConfirmDeletion(o.del, Quote(to.given) + " (replaced by the rename)", {to.given});
    if (!CDriveEx::MyRename(from.windows.c_str(), to.windows.c_str())) {
        std::string why = CDriveEx::IsDir(to.windows.c_str(), nullptr)
                              ? "the target is a directory"
                              : "the target cannot be replaced or the move is refused";
        throw Failure(kExitFailed,
                      "cannot rename " + Quote(from.given) + " to " + Quote(to.given) + ": " + why);
    }
    doc["ok"] = true;
    Emit(ctx, doc, [&](std::ostream &out) {
        out << "renamed  " << from.given << " -> " << to.given << "\n";
    });
}

// Converts the arguments of a deletion of entries of one kind and asks
// before the existing ones go. Under --dry-run shows them instead and
// returns false.
bool ConfirmEach(Context &ctx, const FsOptions &o, bool directories, std::vector<PathArg> *args)
{
    std::vector<PlanEntry> plan;
    for (const std::string &p : o.paths) {
        args->push_back(ToWindows(ctx, p));
        const PathArg &a = args->back();
        if (CDriveEx::IsExist(a.windows.c_str()))
            plan.push_back({a.windows, a.given, directories, true, ""});
    }
    if (o.del.dryRun) {
        EmitPlan(ctx, plan);
        return false;
    }
    if (!plan.empty())
        ConfirmDeletion(o.del,
                        directories ? Count(plan.size(), "directory", "directories")
                                    : Count(plan.size(), "file", "files"),
                        Shown(plan));
    return true;
}

void RunDelete(Context &ctx, const FsOptions &o)
{
    std::vector<PathArg> args;
    if (!ConfirmEach(ctx, o, false, &args))
        return;
    Outcome outcome;
    for (const PathArg &a : args) {
        const bool existed = CDriveEx::IsExist(a.windows.c_str()) != 0;
        if (CDriveEx::MyDelFile(a.windows.c_str()))
            outcome.Add(a, existed ? "deleted" : "absent", true);
        else
            outcome.Add(a, "failed", false,
                        "cannot delete " + Quote(a.given) + ": " + DeleteFailure(a.windows));
    }
    outcome.Finish(ctx);
}

void RunRmdir(Context &ctx, const FsOptions &o)
{
    std::vector<PathArg> args;
    if (!ConfirmEach(ctx, o, true, &args))
        return;
    Outcome outcome;
    for (const PathArg &a : args) {
        const bool existed = CDriveEx::IsExist(a.windows.c_str()) != 0;
        if (CDriveEx::MyRemoveDirectory(a.windows.c_str())) {
            outcome.Add(a, existed ? "removed" : "absent", true);
            continue;
        }
        int exists = 0;
        const bool isDir = CDriveEx::IsDir(a.windows.c_str(), &exists) != 0;
        const std::string why = isDir     ? "it is not empty, or in use"
                                : exists ? "it is not a directory"
                                         : "its parent does not exist";
        outcome.Add(a, "failed", false, "cannot remove directory " + Quote(a.given) + ": " + why);
    }
    outcome.Finish(ctx);
}

void RunDeltree(Context &ctx, const FsOptions &o)
{
    const PathArg dir = ToWindows(ctx, o.path);
    std::vector<PlanEntry> plan;
    if (CDriveEx::IsDir(dir.windows.c_str(), nullptr))
        PlanTree(dir, dir.windows, o.system, &plan);
    if (o.del.dryRun) {
        EmitPlan(ctx, plan);
        return;
    }
    if (!plan.empty()) {
        std::size_t files = 0, dirs = 0;
        for (const PlanEntry &e : plan)
            if (e.deleted)
                (e.directory ? dirs : files) += 1;
        ConfirmDeletion(o.del,
                        Quote(dir.given) + " and everything in it (" +
                            Count(files, "file", "files") + ", " +
                            Count(dirs, "directory", "directories") + ")",
                        Shown(plan));
    }
    const bool ok = CDriveEx::DelTree(dir.windows.c_str(), o.system) != 0;
    Json doc = PathJson(dir);
    doc["ok"] = ok;
    doc["existed"] = !plan.empty();
    if (!ok)
        throw Failure(kExitFailed,
                      "cannot delete all of " + Quote(dir.given) +
                          ": something in it is read-only, in use or a system file "
                          "(--dry-run shows what stays)");
    Emit(ctx, doc, [&](std::ostream &out) {
        out << (plan.empty() ? "absent   " : "deleted  ") << dir.given << "\n";
    });
}

void RunDelsub(Context &ctx, const FsOptions &o)
{
    const PathArg dir = ToWindows(ctx, o.path);
    const std::vector<PlanEntry> plan = PlanMatching(dir, o.pattern, o.system);
    if (o.del.dryRun) {
        EmitPlan(ctx, plan);
        return;
    }
    const std::vector<std::string> items = Shown(plan);
    if (!items.empty())
        ConfirmDeletion(o.del,
                        Count(items.size(), "file", "files") + " matching " + Quote(o.pattern) +
                            " in " + Quote(dir.given),
                        items);
    const bool ok = CDriveEx::DelSubFile(dir.windows.c_str(), o.pattern.c_str(), o.system) != 0;
    Json doc = PathJson(dir);
    doc["pattern"] = o.pattern;
    doc["ok"] = ok;
    doc["matched"] = items.size();
    if (!ok)
        throw Failure(kExitFailed, "cannot delete every file matching " + Quote(o.pattern) +
                                       " in " + Quote(dir.given) +
                                       ": some are read-only or in use");
    Emit(ctx, doc, [&](std::ostream &out) {
        out << "deleted " << Count(items.size(), "file", "files") << "\n";
    });
}

void RunProbe(Context &ctx, const FsOptions &o)
{
    const PathArg dir = ToWindows(ctx, o.path);
    const bool writable = (o.create ? CDriveEx::IsDirWriteable(dir.windows.c_str())
                                    : CDriveEx::CanWeWriteDir(dir.windows.c_str())) != 0;
    Json doc = PathJson(dir);
    doc["writable"] = writable;
    EmitVerdict(ctx, doc, writable, "writable", "not writable", dir.given);
}

}  // namespace

void AddFs(CLI::App &app, Context &ctx)
{
    auto o = std::make_shared<FsOptions>();
    CLI::App *fs = app.add_subcommand("fs", "Create, rename and delete; probe write access");
    fs->require_subcommand(1, 1);

    CLI::App *mkdir = fs->add_subcommand("mkdir", "Create directories");
    mkdir->add_option("paths", o->paths, "The directories")->required();
    mkdir->add_flag("-p,--parents", o->parents, "Create missing parents; an existing one is fine");
    mkdir->add_flag("--exist-ok", o->existOk, "An existing directory is fine");
    mkdir->callback([&ctx, o] { RunMkdir(ctx, *o); });

    CLI::App *rename = fs->add_subcommand(
        "rename", "Rename or move an entry, replacing an existing target file");
    rename->add_option("from", o->path, "The entry")->required();
    rename->add_option("to", o->target, "The new name")->required();
    AddDeleteOptions(rename, &o->del);
    rename->callback([&ctx, o] { RunRename(ctx, *o); });

    CLI::App *del = fs->add_subcommand("delete", "Delete files (a missing one counts as deleted)");
    del->add_option("paths", o->paths, "The files")->required();
    AddDeleteOptions(del, &o->del);
    del->callback([&ctx, o] { RunDelete(ctx, *o); });

    CLI::App *rmdir = fs->add_subcommand("rmdir", "Remove empty directories");
    rmdir->add_option("paths", o->paths, "The directories")->required();
    AddDeleteOptions(rmdir, &o->del);
    rmdir->callback([&ctx, o] { RunRmdir(ctx, *o); });

    CLI::App *deltree = fs->add_subcommand("deltree", "Delete a directory and everything in it");
    deltree->add_option("dir", o->path, "The directory")->required();
    deltree->add_flag("--system", o->system, "Also delete system files at the top level");
    AddDeleteOptions(deltree, &o->del);
    deltree->callback([&ctx, o] { RunDeltree(ctx, *o); });

    CLI::App *delsub = fs->add_subcommand(
        "delsub", "Delete the files of a directory that match a pattern (not recursive)");
    delsub->add_option("dir", o->path, "The directory")->required();
    delsub->add_option("pattern", o->pattern, "Wildcard pattern (*.tmp)")->required();
    delsub->add_flag("--system", o->system, "Also delete system files");
    AddDeleteOptions(delsub, &o->del);
    delsub->callback([&ctx, o] { RunDelsub(ctx, *o); });

    CLI::App *probe = fs->add_subcommand(
        "probe", "Find out by trial whether a directory can be written (exit 1 if not)");
    probe->add_option("dir", o->path, "The directory")->required();
    probe->add_flag("--create", o->create,
                    "Create the directory (and its parents) when missing, and probe with a "
                    "unique file name");
    probe->callback([&ctx, o] { RunProbe(ctx, *o); });
}

}  // namespace tool
}  // namespace brenvik
