// brenvik image: the kind and description of image files, and the names of
// images and bundles.
#include <brenvik/brenvik.h>

#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "common.h"
#include "members.h"

namespace brenvik {
namespace tool {

namespace {

struct ImageOptions {
    std::vector<std::string> paths;
    std::string path;
};

void RunType(Context &ctx, const ImageOptions &o)
{
    Json doc;
    doc["images"] = Json::array();
    Table table({"TYPE", "PATH"});
    std::vector<std::string> errors;
    for (const std::string &p : o.paths) {
        const PathArg arg = ToWindows(ctx, p);
        const unsigned long type = CVcdImageEx::GetVCD_cdtype(arg.windows.c_str());
        Json r = PathJson(arg);
        const std::string master = SlaveMasterOf(arg.windows);
        if (type == CDTYPE_INVALID && !master.empty()) {
            // Slaves carry no header: the master says what they belong to.
            r["type"] = "slave";
            r["master"] = Display(arg, master);
            r["master_windows"] = master;
            doc["images"].push_back(r);
            table.Add({"slave of " + Display(arg, master), p});
            continue;
        }
        if (type == CDTYPE_INVALID) {
            r["type"] = nullptr;
            r["error"] = "cannot read the image header";
            errors.push_back("cannot read the image header of " + Quote(p) +
                             ": missing, locked or too short");
        } else {
            r["type"] = ImageTypeKey(type);
            r["type_code"] = type;
            r["type_name"] = ImageTypeName(type);
            // The cluster kinds are stored as several files.
            r["cluster"] = type == CDTYPE_MIXED || type == CDTYPE_DVD || type == CDTYPE_CDEXTRA;
        }
        doc["images"].push_back(r);
        table.Add({ImageTypeName(type), p});
    }
    Emit(ctx, doc, [&](std::ostream &out) { table.Print(out, false); });
    ReportErrors(ctx, errors);
}

void RunDesc(Context &ctx, const ImageOptions &o)
{
    const PathArg arg = ToWindows(ctx, o.path);
    char desc[BRENVIK_MAX_PATH] = "";
    int info = 0;
    if (!CVcdImageEx::GetDesc(arg.windows.c_str(), desc, &info))
        throw Failure(kExitFailed, "cannot read the description of " + Quote(o.path) +
                                       ": missing, in use for writing or shorter than a header");
    Json doc = PathJson(arg);
    doc["description"] = desc;
    doc["desc_info"] = static_cast<unsigned>(info);
    Emit(ctx, doc, [&](std::ostream &out) { out << desc << "\n"; });
}

void RunExt(Context &ctx, const ImageOptions &o)
{
    Json doc;
    doc["names"] = Json::array();
    Table table({"CLASS", "NAME"});
    for (const std::string &p : o.paths) {
        const PathArg arg = ToWindows(ctx, p);
        const int cls = CVcdImageEx::GetPathExtType(arg.windows.c_str());
        Json r = PathJson(arg);
        r["class"] = ExtClassName(cls);
        r["class_code"] = cls;
        r["bundle_member"] = CVcdImageEx::Is_Cluster_ext(arg.windows.c_str()) != 0;
        doc["names"].push_back(r);
        table.Add({ExtClassName(cls), p});
    }
    Emit(ctx, doc, [&](std::ostream &out) { table.Print(out, false); });
}

void RunMaster(Context &ctx, const ImageOptions &o)
{
    const PathArg arg = ToWindows(ctx, o.path);
    char dir[BRENVIK_MAX_PATH] = "", prefix[BRENVIK_MAX_PATH] = "";
    if (!CVcdImageEx::ParseMaster(arg.windows.c_str(), dir, prefix))
        throw Failure(kExitFailed,
                      Quote(o.path) + " is not a bundle master: it must be T.DVD.D00 or "
                                      "T.VCD.D00 inside a directory below the root");
    Json doc = PathJson(arg);
    doc["dir"] = dir;
    doc["prefix"] = prefix;
    if (arg.fromHost)
        doc["host_dir"] = Display(arg, dir);
    Emit(ctx, doc, [&](std::ostream &out) { PrintFields(out, doc, {"dir", "prefix"}); });
}

void RunDvdNames(Context &ctx, const ImageOptions &o)
{
    const PathArg arg = ToWindows(ctx, o.path);
    char dir[BRENVIK_MAX_PATH] = "", prefix[BRENVIK_MAX_PATH] = "", master[BRENVIK_MAX_PATH] = "";
    if (!CVcdImageEx::Vcd2Dvd_ext(arg.windows.c_str(), dir, prefix, master))
        throw Failure(kExitFailed, "cannot name the DVD bundle of " + Quote(o.path) +
                                       ": its title is empty or the names would be too long");
    Json doc = PathJson(arg);
    doc["dir"] = dir;
    doc["prefix"] = prefix;
    doc["master"] = master;
    Emit(ctx, doc,
         [&](std::ostream &out) { PrintFields(out, doc, {"dir", "prefix", "master"}); });
}

}  // namespace

void AddImage(CLI::App &app, Context &ctx)
{
    auto o = std::make_shared<ImageOptions>();
    CLI::App *image = app.add_subcommand("image", "Image files: kind, description and names");
    image->require_subcommand(1, 1);

    CLI::App *type = image->add_subcommand(
        "type", "The kind of disc image files hold (exit 1 if a header cannot be read)");
    type->add_option("files", o->paths, "The image files")->required();
    type->callback([&ctx, o] { RunType(ctx, *o); });

    CLI::App *desc = image->add_subcommand("desc", "The description stored in an image file");
    desc->add_option("file", o->path, "The image file")->required();
    desc->callback([&ctx, o] { RunDesc(ctx, *o); });

    CLI::App *ext = image->add_subcommand(
        "ext", "Classify names: single image (T.VCD), DVD bundle member (T.DVD.Dnn), "
               "mixed-mode member (T.VCD.Dnn) or none");
    ext->add_option("names", o->paths, "The names")->required();
    ext->callback([&ctx, o] { RunExt(ctx, *o); });

    CLI::App *master = image->add_subcommand(
        "master", "The directory and member prefix of a bundle master's name");
    master->add_option("name", o->path, "The master (T.DVD.D00 or T.VCD.D00)")->required();
    master->callback([&ctx, o] { RunMaster(ctx, *o); });

    CLI::App *dvd = image->add_subcommand(
        "dvd-names", "The names of the split DVD bundle that would hold an image");
    dvd->add_option("name", o->path, "The image name")->required();
    dvd->callback([&ctx, o] { RunDvdNames(ctx, *o); });
}

}  // namespace tool
}  // namespace brenvik
