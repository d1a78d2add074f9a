// brenvik config: which registry file is in force, what it defines and what
// is wrong with it. A typo there moves every Windows path, and the library
// reads such a file without complaint, so the tool says so.
#include <CLI/CLI.hpp>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "common.h"

#if !defined(_WIN32)
#include <strings.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/posix/registry_store.h"
#include "platform/registry/reg_file.h"
#endif

namespace brenvik {
namespace tool {

#if defined(_WIN32)

RegistryCheck CheckRegistry()
{
    RegistryCheck check;
    check.file = "(the Windows registry)";
    check.source = "windows";
    return check;
}

namespace {
void RunConfig(Context &ctx)
{
    Json doc;
    doc["file"] = nullptr;
    doc["source"] = "windows";
    doc["problems"] = Json::array();
    Emit(ctx, doc, [](std::ostream &out) { out << "the Windows registry is in force\n"; });
}
}  // namespace

#else

namespace {

using platform::posix::RegistryConfig;
namespace reg = brenvik::registry;

const char *const kDrives = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives";
const char *const kShares = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Shares";
const char *const kNetwork = "HKEY_CURRENT_USER\\Network";

// "line N: " of the key's line in text, or "".
std::string LineOf(const std::string &text, const std::string &key)
{
    const std::size_t at = text.find("[" + key + "]");
    if (at == std::string::npos)
        return "";
    std::size_t line = 1;
    for (std::size_t i = 0; i < at; ++i)
        line += text[i] == '\n';
    return "line " + std::to_string(line) + ": ";
}

std::string Text(const reg::RegFile &r, const std::string &key, const char *name, bool *present)
{
    const reg::RegValue *v = r.FindValue(key, name);
    *present = v != nullptr;
    if (!v)
        return "";
    std::string s(v->data.begin(), v->data.end());
    return s.substr(0, s.find('\0'));
}

// What the drive, share and connection keys get wrong.
void CheckKeys(const reg::RegFile &r, const std::string &text, std::vector<std::string> *out)
{
    const auto problem = [&](const std::string &key, const std::string &what) {
        out->push_back(LineOf(text, key) + what);
    };
    for (const std::string &name : r.SubKeyNames(kDrives)) {
        const std::string key = std::string(kDrives) + "\\" + name;
        if (name.size() != 1 || !std::isalpha(static_cast<unsigned char>(name[0]))) {
            problem(key, "drive key " + Quote(name) + " is not a drive letter; ignored");
            continue;
        }
        bool has = false;
        const std::string type = Text(r, key, "Type", &has);
        static const char *const kTypes[] = {"fixed", "removable", "cdrom", "remote", "ramdisk"};
        bool known = !has;
        for (const char *t : kTypes)
            known = known || strcasecmp(type.c_str(), t) == 0;
        if (!known)
            problem(key, "drive " + name + ": unknown Type " + Quote(type) +
                             " (fixed, removable, cdrom, remote or ramdisk); its type is unknown");
        const std::string path = Text(r, key, "Path", &has);
        if (!has)
            problem(key, "drive " + name + ": no Path; it has no medium");
        else if (path.empty() || path[0] != '/')
            problem(key,
                    "drive " + name + ": Path " + Quote(path) + " is not an absolute host path");
        if (const reg::RegKey *k = r.FindKey(key))
            for (const reg::RegValue &v : k->values)
                if (strcasecmp(v.name.c_str(), "Path") && strcasecmp(v.name.c_str(), "Type") &&
                    strcasecmp(v.name.c_str(), "Label") && strcasecmp(v.name.c_str(), "Compressed"))
                    problem(key,
                            "drive " + name + ": unknown value " + Quote(v.name) + "; ignored");
    }
    for (const std::string &server : r.SubKeyNames(kShares))
        for (const std::string &share : r.SubKeyNames(std::string(kShares) + "\\" + server)) {
            const std::string key = std::string(kShares) + "\\" + server + "\\" + share;
            bool has = false;
            Text(r, key, "Path", &has);
            if (!has)
                problem(key, "share \\\\" + server + "\\" + share + ": no Path; ignored");
        }
    for (const std::string &name : r.SubKeyNames(kNetwork)) {
        const std::string key = std::string(kNetwork) + "\\" + name;
        bool has = false;
        const std::string remote = Text(r, key, "RemotePath", &has);
        if (name.size() != 1)
            problem(key, "connection key " + Quote(name) + " is not a drive letter; ignored");
        else if (!has || remote.rfind("\\\\", 0) != 0)
            problem(key, "connection " + name + ": RemotePath " + Quote(remote) +
                             " is not a UNC path; ignored");
    }
}

// The check, and the configuration the file gives (null when unreadable).
RegistryCheck Inspect(std::shared_ptr<RegistryConfig> *config)
{
    RegistryCheck check;
    char path[4096];
    if (!platform::posix::LocateRegistryFile(path, sizeof path))
        path[0] = '\0';
    check.file = path;
    const char *env = std::getenv("BRENVIK_REGISTRY");
    check.source = env && *env ? "BRENVIK_REGISTRY" : check.file.empty() ? "none" : "default";
    if (check.file.empty())
        return check;
    const auto problem = [&](const std::string &what) {
        check.problems.push_back(check.file + ": " + what);
    };
    struct stat st;
    if (::stat(path, &st) != 0) {
        problem(std::string(std::strerror(errno)) +
                "; the registry is empty, so C: is the host root");
        return check;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    reg::RegFile r;
    if (!in || !reg::RegFile::Load(path, &r)) {
        problem("cannot be read; the registry is empty, so C: is the host root");
        return check;
    }
    const std::string t = text.str();
    if (t.empty()) {
        problem("is empty; C: is the host root");
        return check;
    }
    const bool utf16 = t.size() >= 2 && static_cast<unsigned char>(t[0]) == 0xFF &&
                       static_cast<unsigned char>(t[1]) == 0xFE;
    if (!utf16 && !IsValidUtf8(t))
        problem("is neither UTF-8 nor UTF-16 text; names in it may not mean what they show");
    for (const std::string &w : r.warnings())
        problem(w);
    if (!utf16)
        CheckKeys(r, t, &check.problems);
    // CheckKeys' lines lack the file name.
    for (std::string &p : check.problems)
        if (p.rfind(check.file + ": ", 0) != 0)
            p = check.file + ": " + p;
    *config = platform::posix::MakeConfig(r);
    return check;
}

void RunConfig(Context &ctx)
{
    std::shared_ptr<RegistryConfig> config = platform::posix::MakeConfig(reg::RegFile());
    const RegistryCheck check = Inspect(&config);
    Json doc;
    doc["file"] = check.file.empty() ? Json(nullptr) : Json(check.file);
    doc["source"] = check.source;
    doc["drives"] = Json::array();
    Table drives({"DRIVE", "TYPE", "PATH", "LABEL"});
    for (int i = 0; i < 26; ++i) {
        const auto &d = config->drives[i];
        if (!d.configured)
            continue;
        const std::string letter(1, static_cast<char>('A' + i));
        doc["drives"].push_back({{"letter", letter},
                                 {"type", DriveTypeName(d.type)},
                                 {"path", d.path},
                                 {"label", d.hasLabel ? Json(d.label) : Json(nullptr)},
                                 {"compressed", d.compressed}});
        drives.Add({letter + ":", DriveTypeName(d.type), d.path, d.hasLabel ? d.label : "-"});
    }
    doc["shares"] = Json::array();
    for (const auto &s : config->shares)
        doc["shares"].push_back(
            {{"unc", "\\\\" + s.server + "\\" + s.share}, {"path", s.path}});
    doc["connections"] = Json::array();
    for (int i = 0; i < 26; ++i)
        if (!config->connections[i].empty())
            doc["connections"].push_back(
                {{"letter", std::string(1, static_cast<char>('A' + i))},
                 {"remote", config->connections[i]}});
    doc["problems"] = check.problems;
    if (ctx.strictConfig && !check.problems.empty())
        throw Failure(kExitUsage,
                      "the registry file " + Quote(check.file) + " has " +
                          Count(check.problems.size(), "problem", "problems") +
                          " (--strict-config): " + check.problems.front(),
                      doc);
    Emit(ctx, doc, [&](std::ostream &out) {
        out << "registry file: "
            << (check.file.empty() ? "none (C: is the host root)" : check.file) << " ("
            << check.source << ")\n\n";
        drives.Print(out);
        for (const Json &s : doc["shares"])
            out << "share       " << s["unc"].get<std::string>() << "  "
                << s["path"].get<std::string>() << "\n";
        for (const Json &c : doc["connections"])
            out << "connection  " << c["letter"].get<std::string>() << ": "
                << c["remote"].get<std::string>() << "\n";
        if (!check.problems.empty()) {
            out << "\nproblems:\n";
            for (const std::string &p : check.problems)
                out << "  " << p << "\n";
        }
    });

}

}  // namespace

RegistryCheck CheckRegistry()
{
    std::shared_ptr<RegistryConfig> config;
    return Inspect(&config);
}

#endif

void AddConfig(CLI::App &app, Context &ctx)
{
    CLI::App *config = app.add_subcommand(
        "config", "The registry file in force, the drives, shares and connections it "
                  "defines, and its problems");
    config->callback([&ctx] { RunConfig(ctx); });
}

}  // namespace tool
}  // namespace brenvik
