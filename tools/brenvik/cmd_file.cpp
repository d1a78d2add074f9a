// brenvik file: status, attributes and size of files and directories.
#include <brenvik/brenvik.h>

#include <CLI/CLI.hpp>

#include <cstring>
#include <ctime>
#include <memory>
#include <ostream>

#include "common.h"

namespace brenvik {
namespace tool {

namespace {

struct FileOptions {
    std::vector<std::string> paths;
    std::string path;
    std::string mustSet, mustClear;
};

const struct {
    unsigned long bit;
    const char *name;
} kAttributes[] = {{0x01, "readonly"},   {0x02, "hidden"},       {0x04, "system"},
                   {0x10, "directory"},  {0x20, "archive"},      {0x80, "normal"},
                   {0x100, "temporary"}, {0x400, "reparse-point"}, {0x800, "compressed"}};

Json AttributeNames(unsigned long attr)
{
    Json names = Json::array();
    for (const auto &a : kAttributes)
        if (attr & a.bit)
            names.push_back(a.name);
    return names;
}

// Why a query of an existing-or-not path failed, in a few words.
std::string Absence(const PathArg &arg)
{
    if (CDriveEx::IsDir(arg.windows.c_str(), nullptr))
        return "it is a directory";
    if (!CDriveEx::IsExist(arg.windows.c_str()))
        return "it does not exist";
    return "it cannot be opened for reading";
}

std::string FileTimeText(const FILETIME &ft)
{
    const unsigned long long ticks =
        (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    if (ticks == 0)
        return "";
    // 100 ns ticks since 1601 to seconds since 1970.
    const long long seconds = static_cast<long long>(ticks / 10000000ULL) - 11644473600LL;
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm;
#if defined(_WIN32)
    gmtime_s(&tm, &t);
#else
    gmtime_r(&t, &tm);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

unsigned long ParseMask(const std::string &text, const char *option)
{
    try {
        std::size_t used = 0;
        unsigned long value = std::stoul(text, &used, 0);
        if (used == text.size())
            return value;
    } catch (const std::exception &) {
    }
    throw Failure(kExitUsage, std::string(option) + " takes a number (0x12, 18), not " +
                                  Quote(text));
}

void RunStatus(Context &ctx, const FileOptions &o)
{
    Json doc;
    doc["entries"] = Json::array();
    Table table({"KIND", "FLAGS", "PATH"});
    bool all = true;
    for (const std::string &p : o.paths) {
        const PathArg arg = ToWindows(ctx, p);
        int isFile = 0, writable = 0, fileHidden = 0, isDir = 0, dirHidden = 0, system = 0,
            volume = 0, archive = 0, exists = 0;
        CDriveEx::CFileStatus_s(arg.windows.c_str(), &isFile, &writable, &fileHidden, &isDir,
                                &dirHidden, &system, &volume, &archive, &exists);
        all = all && exists;
        Json e = PathJson(arg);
        e["exists"] = exists != 0;
        e["file"] = isFile != 0;
        e["directory"] = isDir != 0;
        e["writable"] = writable != 0;
        e["hidden"] = (fileHidden || dirHidden) != 0;
        e["system"] = system != 0;
        e["volume"] = volume != 0;
        e["archive"] = archive != 0;
        doc["entries"].push_back(e);

        std::string flags;
        auto flag = [&flags](bool on, const char *name) {
            if (on)
                flags += flags.empty() ? name : std::string(",") + name;
        };
        flag(isFile && !writable, "readonly");
        flag(fileHidden || dirHidden, "hidden");
        flag(system, "system");
        flag(volume, "volume");
        flag(archive, "archive");
        table.Add({!exists ? "missing" : isDir ? "directory" : "file",
                   flags.empty() ? "-" : flags, p});
    }
    Emit(ctx, doc, [&](std::ostream &out) { table.Print(out, false); });
    ctx.exit = all ? kExitOk : kExitFailed;
}

void RunAttr(Context &ctx, const FileOptions &o)
{
    const PathArg arg = ToWindows(ctx, o.path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    std::memset(&data, 0, sizeof data);
    if (!CDriveEx::GetFileAttrEx(arg.windows.c_str(), &data))
        throw Failure(kExitFailed, "cannot read the attributes of " + Quote(arg.given) + ": " +
                                       Absence(arg));
    Json doc = PathJson(arg);
    doc["attributes"] = data.dwFileAttributes;
    doc["names"] = AttributeNames(data.dwFileAttributes);
    doc["size"] = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    doc["created"] = FileTimeText(data.ftCreationTime);
    doc["accessed"] = FileTimeText(data.ftLastAccessTime);
    doc["modified"] = FileTimeText(data.ftLastWriteTime);

    bool passes = true;
    const bool testing = !o.mustSet.empty() || !o.mustClear.empty();
    if (testing) {
        const unsigned long set = o.mustSet.empty() ? 0 : ParseMask(o.mustSet, "--set");
        const unsigned long clear = o.mustClear.empty() ? 0 : ParseMask(o.mustClear, "--clear");
        int exists = 0;
        passes = CDriveEx::ChkFileAttrEx(arg.windows.c_str(), clear, set, &exists) != 0;
        doc["must_set"] = set;
        doc["must_clear"] = clear;
        doc["passes"] = passes;
    }
    Emit(ctx, doc, [&](std::ostream &out) {
        std::string names;
        for (const Json &n : doc["names"])
            names += (names.empty() ? "" : ",") + n.get<std::string>();
        out << "attributes: " << Hex(data.dwFileAttributes) << " " << names << "\n"
            << "size:       " << doc["size"].get<unsigned long long>() << "\n"
            << "modified:   " << doc["modified"].get<std::string>() << "\n";
        if (testing)
            out << "test:       " << (passes ? "passes" : "fails") << "\n";
    });
    ctx.exit = passes ? kExitOk : kExitFailed;
}

void RunSize(Context &ctx, const FileOptions &o)
{
    Json doc;
    doc["files"] = Json::array();
    Table table({"SIZE", "PATH"});
    for (const std::string &p : o.paths) {
        const PathArg arg = ToWindows(ctx, p);
        // The library's answer has 32 bits; the attribute record has all 64.
        unsigned long low = 0;
        WIN32_FILE_ATTRIBUTE_DATA data;
        std::memset(&data, 0, sizeof data);
        if (!CDriveEx::GetFileSizeInByte(arg.windows.c_str(), &low) ||
            !CDriveEx::GetFileAttrEx(arg.windows.c_str(), &data))
            throw Failure(kExitFailed,
                          "cannot read the size of " + Quote(p) + ": " + Absence(arg), doc);
        const unsigned long long size =
            (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        Json f = PathJson(arg);
        f["size"] = size;
        doc["files"].push_back(f);
        table.Add({std::to_string(size), p});
    }
    Emit(ctx, doc, [&](std::ostream &out) { table.Print(out, false); });
}

}  // namespace

void AddFile(CLI::App &app, Context &ctx)
{
    auto o = std::make_shared<FileOptions>();
    CLI::App *file = app.add_subcommand("file", "Status, attributes and size of files");
    file->require_subcommand(1, 1);

    CLI::App *status = file->add_subcommand(
        "status", "Whether paths exist, are files or directories, writable, hidden ... "
                  "(exit 1 if one is missing)");
    status->add_option("paths", o->paths, "The paths")->required();
    status->callback([&ctx, o] { RunStatus(ctx, *o); });

    CLI::App *attr = file->add_subcommand(
        "attr", "The full attribute word, size and times; with --set/--clear, test it");
    attr->add_option("path", o->path, "The path")->required();
    attr->add_option("--set", o->mustSet, "Bits that must be set (exit 1 if not)");
    attr->add_option("--clear", o->mustClear, "Bits that must be clear (exit 1 if not)");
    attr->callback([&ctx, o] { RunAttr(ctx, *o); });

    CLI::App *size = file->add_subcommand("size", "The size of files in bytes");
    size->add_option("paths", o->paths, "The files")->required();
    size->callback([&ctx, o] { RunSize(ctx, *o); });
}

}  // namespace tool
}  // namespace brenvik
