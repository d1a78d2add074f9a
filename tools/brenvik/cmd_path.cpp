// brenvik path: splitting, composing, validating and rewriting Windows paths.
// Nothing here touches the file system.
#include <brenvik/brenvik.h>

#include <CLI/CLI.hpp>

#include <cstring>
#include <memory>
#include <ostream>

#include "common.h"

namespace brenvik {
namespace tool {

namespace {

struct PathOptions {
    std::vector<std::string> paths;
    std::string path;
    std::string dir;
    std::string name;
    std::string ext;
    // compose
    std::string drive, server, share, title;
    // check, join
    bool noUnc = false, noDrive = false, floppy = false;
    // chext
    bool loose = false;
    // affix
    std::string prefix, postfix;
    bool allowBsColon = false;
};

// "'x'" or "'x' (as C:\...)" for messages about a converted argument.
std::string Named(const PathArg &arg)
{
    if (arg.fromHost)
        return Quote(arg.given) + " (as " + arg.windows + ")";
    return Quote(arg.given);
}

bool StartsAsDrivePath(const std::string &p)
{
    return p.size() >= 3 &&
           ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) && p[1] == ':' &&
           p[2] == '\\';
}

std::string SplitFailureReason(const std::string &p)
{
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\')
        return "not a valid UNC path (a computer or share name is missing, or a name holds a "
               "character names may not hold)";
    if (StartsAsDrivePath(p))
        return "not a valid drive path (an empty, \"..\" or invalid name in it)";
    return "not a drive path (X:\\...) or a UNC path (\\\\server\\share\\...)";
}

void RunSplit(Context &ctx, const PathOptions &o)
{
    const PathArg arg = ToWindows(ctx, o.path);
    SPLITFPATH_tag rec;
    std::memset(&rec, 0, sizeof rec);
    int isUnc = 0;
    if (!CDriveEx::MySplitPath(arg.windows.c_str(), &rec, &isUnc))
        throw Failure(kExitFailed,
                      "cannot split " + Named(arg) + ": " + SplitFailureReason(arg.windows));
    char root[BRENVIK_MAX_PATH] = "";
    CDriveEx::Get_RootDirOfFilePath(arg.windows.c_str(), root, nullptr);

    Json doc = PathJson(arg);
    doc["form"] = isUnc ? "unc" : "drive";
    if (isUnc) {
        doc["computer"] = rec.unc.strComputer_name;
        doc["share"] = rec.unc.strShare_name;
        doc["dir"] = rec.unc.strDir;
        doc["filename"] = rec.unc.strFilename;
        doc["title"] = rec.unc.strFileTitle;
        doc["ext"] = rec.unc.strFileExt;
    } else {
        doc["drive"] = rec.drv.strDrv;
        doc["dir"] = rec.drv.strDir;
        doc["filename"] = rec.drv.strFilename;
        doc["title"] = rec.drv.strFileTitle;
        doc["ext"] = rec.drv.strFileExt;
    }
    doc["root"] = root;
    Emit(ctx, doc, [&doc](std::ostream &out) {
        PrintFields(out, doc,
                    {"windows", "form", "drive", "computer", "share", "dir", "filename", "title",
                     "ext", "root"});
    });
}

void RunCompose(Context &ctx, const PathOptions &o)
{
    const bool unc = !o.server.empty() || !o.share.empty();
    if (unc == !o.drive.empty())
        throw Failure(kExitUsage, "give either --drive, or --server and --share");
    char result[BRENVIK_MAX_PATH] = "";
    int ok = unc ? CDriveEx::ComposeUNC(result, o.server.c_str(), o.share.c_str(), o.dir.c_str(),
                                        o.title.c_str(), o.ext.c_str())
                 : CDriveEx::ComposeDrvPath(result, o.drive.c_str(), o.dir.c_str(),
                                            o.title.c_str(), o.ext.c_str());
    if (!ok)
        throw Failure(kExitFailed,
                      std::string("cannot compose a ") + (unc ? "UNC" : "drive") +
                          " path: every piece is needed, names may not hold \\ / : * ? \" < > |" +
                          (unc ? " (and the computer and share no backslash)"
                               : ", no piece may hold \"..\" and the drive is a letter and a colon"));
    Json doc;
    doc["form"] = unc ? "unc" : "drive";
    doc["result"] = result;
    Emit(ctx, doc, [&](std::ostream &out) { out << result << "\n"; });
}

void RunValidate(Context &ctx, const PathOptions &o)
{
    Json doc;
    doc["results"] = Json::array();
    bool all = true;
    Table table({"RESULT", "PATH"});
    for (const std::string &p : o.paths) {
        const PathArg arg = ToWindows(ctx, p);
        const bool valid = CDriveEx::Is_FilePath_DirPath_Valid(arg.windows.c_str()) != 0;
        all = all && valid;
        Json r = PathJson(arg);
        r["valid"] = valid;
        doc["results"].push_back(r);
        table.Add({valid ? "valid" : "invalid", arg.windows});
    }
    doc["valid"] = all;
    Emit(ctx, doc, [&](std::ostream &out) { table.Print(out, false); });
    ctx.exit = all ? kExitOk : kExitFailed;
}

void RunValidateName(Context &ctx, const PathOptions &o)
{
    Json doc;
    doc["results"] = Json::array();
    bool all = true;
    Table table({"RESULT", "NAME"});
    for (const std::string &name : o.paths) {
        const bool valid = (o.allowBsColon ? CDriveEx::IsFilenameValid_ignore_bs_colon(name.c_str())
                                           : CDriveEx::IsFilenameValid(name.c_str())) != 0;
        all = all && valid;
        Json r;
        r["name"] = name;
        r["valid"] = valid;
        doc["results"].push_back(r);
        table.Add({valid ? "valid" : "invalid", name});
    }
    doc["valid"] = all;
    Emit(ctx, doc, [&](std::ostream &out) { table.Print(out, false); });
    ctx.exit = all ? kExitOk : kExitFailed;
}

const char *CheckReason(int code)
{
    switch (code) {
    case 0: return "a good full file path";
    case 2: return "it holds one of / * ? \" < > |";
    case 3: return "malformed: a colon out of place, too short, a wrong drive or UNC prefix, or "
                   "no file name";
    case 4: return "a UNC path, and UNC paths are not accepted";
    case 5: return "a drive path, and drive paths are not accepted";
    default: return "refused";
    }
}

void RunCheck(Context &ctx, const PathOptions &o)
{
    const PathArg arg = ToWindows(ctx, o.path);
    char dir[BRENVIK_MAX_PATH] = "", name[BRENVIK_MAX_PATH] = "", ext[BRENVIK_MAX_PATH] = "";
    int code = -1;
    const bool ok = CDriveEx::ChkFullPath_s(arg.windows.c_str(), !o.noUnc, !o.noDrive, o.floppy,
                                            dir, name, ext, &code) != 0;
    Json doc = PathJson(arg);
    doc["valid"] = ok;
    doc["code"] = code;
    doc["reason"] = CheckReason(code);
    if (ok) {
        doc["dir"] = dir;
        doc["filename"] = name;
        doc["ext"] = ext;
    }
    Emit(ctx, doc, [&](std::ostream &out) {
        if (ok) {
            PrintFields(out, doc, {"windows", "dir", "filename", "ext"});
        } else {
            out << "invalid (code " << code << "): " << CheckReason(code) << "\n";
        }
    });
    ctx.exit = ok ? kExitOk : kExitFailed;
}

void RunJoin(Context &ctx, const PathOptions &o)
{
    const PathArg dirArg = ToWindows(ctx, o.dir);
    char result[BRENVIK_MAX_PATH] = "";
    if (!CDriveEx::MkFullPath_s(dirArg.windows.c_str(), o.name.c_str(), result, !o.noUnc,
                                !o.noDrive, o.floppy))
        throw Failure(kExitFailed,
                      "cannot join " + Named(dirArg) + " and " + Quote(o.name) +
                          ": the directory must be an accepted drive or UNC path and the name "
                          "a valid file name with no extension or .vcd");
    Json doc = PathJson(dirArg);
    doc["name"] = o.name;
    doc["result"] = result;
    Emit(ctx, doc, [&](std::ostream &out) { out << Display(dirArg, result) << "\n"; });
}

// The result of a rewrite, in both spellings.
void EmitRewrite(Context &ctx, const PathArg &arg, const std::string &result, Json doc)
{
    doc["result"] = result;
    if (arg.fromHost)
        doc["host"] = Display(arg, result);
    Emit(ctx, doc, [&](std::ostream &out) { out << Display(arg, result) << "\n"; });
}

void RunChext(Context &ctx, const PathOptions &o)
{
    const PathArg arg = ToWindows(ctx, o.path);
    char result[BRENVIK_MAX_PATH] = "";
    Json doc = PathJson(arg);
    doc["new_ext"] = o.ext;
    if (o.loose) {
        char oldExt[BRENVIK_MAX_PATH] = "";
        if (!CDriveEx::ChgExtname(arg.windows.c_str(), o.ext.c_str(), result, oldExt))
            throw Failure(kExitFailed, "cannot change the extension of " + Named(arg) +
                                           ": the path and the extension must not be empty");
        doc["old_ext"] = oldExt;
    } else if (!CDriveEx::ChgPathExt(arg.windows.c_str(), o.ext.c_str(), result)) {
        throw Failure(kExitFailed,
                      "cannot change the extension of " + Named(arg) +
                          ": it needs a drive or share, a directory and a file name, all valid "
                          "(--loose takes any path)");
    }
    EmitRewrite(ctx, arg, result, doc);
}

void RunAffix(Context &ctx, const PathOptions &o)
{
    if (o.prefix.empty() && o.postfix.empty())
        throw Failure(kExitUsage, "give --prefix, --postfix or both");
    const PathArg arg = ToWindows(ctx, o.path);
    // A blank piece is trimmed away by the library: that is how one of the
    // two is left out.
    const std::string prefix = o.prefix.empty() ? " " : o.prefix;
    const std::string postfix = o.postfix.empty() ? " " : o.postfix;
    char result[BRENVIK_MAX_PATH] = "";
    if (!CDriveEx::AddPrefix2FileTitle(arg.windows.c_str(), prefix.c_str(), postfix.c_str(),
                                       result))
        throw Failure(kExitFailed,
                      "cannot add a prefix or postfix to " + Named(arg) +
                          ": it needs a drive or share, a directory, a file name with an "
                          "extension, and the new title must be a valid name");
    Json doc = PathJson(arg);
    doc["prefix"] = o.prefix;
    doc["postfix"] = o.postfix;
    EmitRewrite(ctx, arg, result, doc);
}

void RunDirOf(Context &ctx, const PathOptions &o)
{
    const PathArg arg = ToWindows(ctx, o.path);
    char result[BRENVIK_MAX_PATH] = "";
    if (!CDriveEx::GetDirOf(arg.windows.c_str(), result))
        throw Failure(kExitFailed, "cannot tell the directory of " + Named(arg) +
                                       ": it has no directory part");
    EmitRewrite(ctx, arg, result, PathJson(arg));
}

void RunExt(Context &ctx, const PathOptions &o)
{
    const PathArg arg = ToWindows(ctx, o.path);
    char ext[BRENVIK_MAX_PATH] = "";
    CDriveEx::GetFileExt(arg.windows.c_str(), ext);
    Json doc = PathJson(arg);
    doc["ext"] = ext;
    Emit(ctx, doc, [&](std::ostream &out) { out << ext << "\n"; });
}

}  // namespace

void AddPath(CLI::App &app, Context &ctx)
{
    auto o = std::make_shared<PathOptions>();
    CLI::App *path = app.add_subcommand("path", "Split, compose, validate and rewrite paths");
    path->require_subcommand(1, 1);

    CLI::App *split = path->add_subcommand("split", "Split a path into its pieces");
    split->add_option("path", o->path, "The path")->required();
    split->callback([&ctx, o] { RunSplit(ctx, *o); });

    CLI::App *compose = path->add_subcommand("compose", "Build a path from its pieces");
    compose->add_option("--drive", o->drive, "Drive prefix (C: or C:\\)");
    compose->add_option("--server", o->server, "Computer name of a UNC path");
    compose->add_option("--share", o->share, "Share name of a UNC path");
    compose->add_option("--dir", o->dir, "Directory levels (a\\b)")->required();
    compose->add_option("--title", o->title, "File title")->required();
    compose->add_option("--ext", o->ext, "Extension, with or without its dot")->required();
    compose->callback([&ctx, o] { RunCompose(ctx, *o); });

    CLI::App *validate = path->add_subcommand(
        "validate", "Check that paths have a well-formed drive or UNC form (exit 1 if not)");
    validate->add_option("paths", o->paths, "The paths")->required();
    validate->callback([&ctx, o] { RunValidate(ctx, *o); });

    CLI::App *vname = path->add_subcommand(
        "validate-name", "Check that names are valid file names (exit 1 if not)");
    vname->add_option("names", o->paths, "The names (not converted)")->required();
    vname->add_flag("--allow-bs-colon", o->allowBsColon, "Let backslash and colon pass");
    vname->callback([&ctx, o] { RunValidateName(ctx, *o); });

    CLI::App *check = path->add_subcommand(
        "check", "Check a full file path and cut it into directory, name and extension");
    check->add_option("path", o->path, "The path")->required();
    check->add_flag("--no-unc", o->noUnc, "Refuse UNC paths");
    check->add_flag("--no-drive", o->noDrive, "Refuse drive paths");
    check->add_flag("--floppy", o->floppy, "Accept drives A: and B:");
    check->callback([&ctx, o] { RunCheck(ctx, *o); });

    CLI::App *join = path->add_subcommand(
        "join", "Join a directory and an image file name (no extension, or .vcd)");
    join->add_option("dir", o->dir, "The directory")->required();
    join->add_option("name", o->name, "The file name (not converted)")->required();
    join->add_flag("--no-unc", o->noUnc, "Refuse UNC directories");
    join->add_flag("--no-drive", o->noDrive, "Refuse drive directories");
    join->add_flag("--floppy", o->floppy, "Accept drives A: and B:");
    join->callback([&ctx, o] { RunJoin(ctx, *o); });

    CLI::App *chext = path->add_subcommand("chext", "Change the extension of a path");
    chext->add_option("path", o->path, "The path")->required();
    chext->add_option("ext", o->ext, "The new extension, with or without its dot")->required();
    chext->add_flag("--loose", o->loose,
                    "Take any path (relative, forward slashes) and report the old extension");
    chext->callback([&ctx, o] { RunChext(ctx, *o); });

    CLI::App *affix = path->add_subcommand(
        "affix", "Wrap the file title of a path in a prefix and a postfix");
    affix->add_option("path", o->path, "The path")->required();
    affix->add_option("--prefix", o->prefix, "Put before the title");
    affix->add_option("--postfix", o->postfix, "Put after the title");
    affix->callback([&ctx, o] { RunAffix(ctx, *o); });

    CLI::App *dirof = path->add_subcommand("dirof", "The directory that holds a path");
    dirof->add_option("path", o->path, "The path")->required();
    dirof->callback([&ctx, o] { RunDirOf(ctx, *o); });

    CLI::App *ext = path->add_subcommand(
        "ext", "The text after the last dot of a path (empty when there is none)");
    ext->add_option("path", o->path, "The path")->required();
    ext->callback([&ctx, o] { RunExt(ctx, *o); });
}

}  // namespace tool
}  // namespace brenvik
