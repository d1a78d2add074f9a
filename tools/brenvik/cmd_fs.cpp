// brenvik fs: create, rename and delete files and directories, and probe
// whether a directory can be written.
#include <brenvik/brenvik.h>

#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "common.h"
#include "deletion.h"

namespace brenvik {
namespace tool {

namespace {

struct FsOptions {
    std::vector<std::string> paths;
    std::string path, target, pattern;
    bool parents = false, existOk = false, system = false, create = false;
    DeleteOptions del;
};

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
        if (!errors.empty()) {
            doc["error"] = errors.front();
            doc["exit"] = kExitFailed;
        }
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

// The arguments of a deletion, each refused unless it names what the
// library will reach.
std::vector<PathArg> Named(Context &ctx, const std::vector<std::string> &paths)
{
    std::vector<PathArg> args;
    for (const std::string &p : paths) {
        args.push_back(ToWindows(ctx, p));
        CheckNamedIsReached(args.back());
    }
    return args;
}

void RunRename(Context &ctx, const FsOptions &o)
{
    const std::vector<PathArg> args = Named(ctx, {o.path, o.target});
    const PathArg &from = args[0], &to = args[1];
    if (!CDriveEx::IsExist(from.windows.c_str()))
        throw Failure(kExitFailed, "cannot rename " + Quote(from.given) + ": it does not exist");
    const bool replaces = CDriveEx::IsFile(to.windows.c_str(), nullptr) != 0;
    Json doc;
    doc["from"] = PathJson(from);
    doc["to"] = PathJson(to);
    doc["replaces"] = replaces;
    const auto rename = [&] {
        return CDriveEx::MyRename(from.windows.c_str(), to.windows.c_str());
    };
    int ok = 0;
    const std::vector<Removal> plan = Recorded(true, [&] { ok = rename(); });
    std::vector<Removal> records = plan;
    if (!o.del.dryRun) {
        if (replaces)
            ConfirmDeletion(o.del, Quote(to.given) + " (replaced by the rename)", {to.given});
        records = Recorded(false, [&] { ok = rename(); });
    }
    const RemovalReport report = Report(ShowAsGiven(args), records, o.del.dryRun);
    doc["ok"] = ok != 0;
    if (o.del.dryRun)
        doc["dry_run"] = true;
    if (!ok)
        doc[o.del.dryRun ? "would_fail" : "failed"] = report.keptJson;
    const std::string verb = o.del.dryRun ? "would rename  " : "renamed  ";
    const std::string line = from.given + " -> " + to.given;
    if (!ok && !o.del.dryRun)
        throw Failure(kExitFailed,
                      "cannot rename " + line + ": " +
                          (report.firstFailure.empty() ? "refused" : report.firstFailure),
                      doc);
    Emit(ctx, doc, [&](std::ostream &out) {
        if (ok)
            out << verb << line << (replaces ? "  (replacing it)" : "") << "\n";
        else
            out << "would fail    " << line << ": " << report.firstFailure << "\n";
    });
}

// What a deletion of several named entries left, a line each.
void FinishEach(Context &ctx, const std::vector<PathArg> &args, const std::vector<int> &results,
                const std::vector<Removal> &records, const char *done, const std::string &verb)
{
    const RemovalReport report = Report(ShowAsGiven(args), records, false);
    Outcome outcome;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const Removal *r = i < records.size() ? &records[i] : nullptr;
        if (results[i] && r && !r->absent)
            outcome.Add(args[i], done, true);
        else if (results[i])
            outcome.Add(args[i], "absent", true);
        else
            outcome.Add(args[i], "failed", false,
                        "cannot " + verb + " " + Quote(args[i].given) + ": " +
                            (r ? r->why : std::string("refused")));
    }
    outcome.doc["deleted"] = report.removedJson;
    outcome.doc["kept"] = report.keptJson;
    outcome.Finish(ctx);
}

// fs delete and fs rmdir: one library call per argument.
void RunEach(Context &ctx, const FsOptions &o, bool directories)
{
    const std::vector<PathArg> args = Named(ctx, o.paths);
    std::vector<int> results;
    const auto remove = [&] {
        results.clear();
        for (const PathArg &a : args)
            results.push_back(directories ? CDriveEx::MyRemoveDirectory(a.windows.c_str())
                                          : CDriveEx::MyDelFile(a.windows.c_str()));
    };
    std::vector<Removal> records;
    if (!PlanConfirmRemove(
            ctx, o.del, ShowAsGiven(args), Json::object(),
            [&](const RemovalReport &plan) {
                return directories ? Count(plan.removed.size(), "directory", "directories")
                                   : Count(plan.removed.size(), "file", "files");
            },
            remove, &records))
        return;
    FinishEach(ctx, args, results, records, directories ? "removed" : "deleted",
               directories ? "remove directory" : "delete");
}

// The document of a tree or pattern deletion and its failure, if any.
void FinishTree(Context &ctx, Json doc, const RemovalReport &report, bool ok,
                const std::string &failure, const std::string &line)
{
    doc["ok"] = ok;
    doc["deleted"] = report.removedJson;
    doc["kept"] = report.keptJson;
    if (!ok)
        throw Failure(kExitFailed,
                      failure + ": " +
                          (report.firstFailure.empty() ? "refused" : report.firstFailure) +
                          (report.keptJson.size() > 1
                               ? " (and " + std::to_string(report.keptJson.size() - 1) +
                                     " more kept; --dry-run lists them)"
                               : ""),
                      doc);
    Emit(ctx, doc, [&](std::ostream &out) { out << line << "\n"; });
}

void RunDeltree(Context &ctx, const FsOptions &o)
{
    const PathArg dir = Named(ctx, {o.path})[0];
    int exists = 0;
    if (CDriveEx::IsFile(dir.windows.c_str(), &exists))
        throw Failure(kExitFailed, "cannot delete the tree " + Quote(dir.given) +
                                       ": it is a file (fs delete deletes files)");
    if (exists)
        CheckNotRoot(dir, o.del.noPreserveRoot);
    int ok = 0;
    std::vector<Removal> records;
    if (!PlanConfirmRemove(
            ctx, o.del, ShowBelow(dir), PathJson(dir),
            [&](const RemovalReport &plan) {
                std::size_t dirs = 0;
                for (const std::string &e : plan.removed)
                    dirs += e.back() == '/';
                return Quote(dir.given) + " and everything in it (" +
                       Count(plan.removed.size() - dirs, "file", "files") + ", " +
                       Count(dirs, "directory", "directories") + ")";
            },
            [&] { ok = CDriveEx::DelTree(dir.windows.c_str(), o.system); }, &records))
        return;
    Json doc = PathJson(dir);
    doc["existed"] = exists != 0;
    FinishTree(ctx, doc, Report(ShowBelow(dir), records, false), ok != 0,
               "cannot delete all of " + Quote(dir.given),
               (exists ? "deleted  " : "absent   ") + dir.given);
}

void RunDelsub(Context &ctx, const FsOptions &o)
{
    CheckNamePattern(o.pattern);
    const PathArg dir = Named(ctx, {o.path})[0];
    int exists = 0;
    if (!CDriveEx::IsDir(dir.windows.c_str(), &exists))
        throw Failure(kExitFailed, "cannot delete files in " + Quote(dir.given) + ": " +
                                       (exists ? "it is not a directory" : "it does not exist"));
    CheckNotRoot(dir, o.del.noPreserveRoot);
    Json doc = PathJson(dir);
    doc["pattern"] = o.pattern;
    int ok = 0;
    std::vector<Removal> records;
    if (!PlanConfirmRemove(
            ctx, o.del, ShowBelow(dir), doc,
            [&](const RemovalReport &plan) {
                return Count(plan.removed.size(), "file", "files") + " matching " +
                       Quote(o.pattern) + " in " + Quote(dir.given);
            },
            [&] { ok = CDriveEx::DelSubFile(dir.windows.c_str(), o.pattern.c_str(), o.system); },
            &records))
        return;
    const RemovalReport report = Report(ShowBelow(dir), records, false);
    FinishTree(ctx, doc, report, ok != 0,
               "cannot delete every file matching " + Quote(o.pattern) + " in " +
                   Quote(dir.given),
               "deleted " + Count(report.removed.size(), "file", "files"));
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
    del->callback([&ctx, o] { RunEach(ctx, *o, false); });

    CLI::App *rmdir = fs->add_subcommand("rmdir", "Remove empty directories");
    rmdir->add_option("paths", o->paths, "The directories")->required();
    AddDeleteOptions(rmdir, &o->del);
    rmdir->callback([&ctx, o] { RunEach(ctx, *o, true); });

    CLI::App *deltree = fs->add_subcommand("deltree", "Delete a directory and everything in it");
    deltree->add_option("dir", o->path, "The directory")->required();
    deltree->add_flag("--system", o->system, "Also delete system files at the top level");
    AddDeleteOptions(deltree, &o->del, true);
    deltree->callback([&ctx, o] { RunDeltree(ctx, *o); });

    CLI::App *delsub = fs->add_subcommand(
        "delsub", "Delete the files of a directory that match a pattern (not recursive)");
    delsub->add_option("dir", o->path, "The directory")->required();
    delsub->add_option("pattern", o->pattern, "Wildcard pattern (*.tmp)")->required();
    delsub->add_flag("--system", o->system, "Also delete system files");
    AddDeleteOptions(delsub, &o->del, true);
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
