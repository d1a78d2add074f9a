#include "platform/posix/host_path.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "platform/posix/path_map.h"

namespace brenvik {
namespace platform {
namespace posix {

namespace {

std::string CurrentDirectory()
{
    std::vector<char> buf(256);
    for (;;) {
        if (::getcwd(buf.data(), buf.size()) != nullptr)
            return std::string(buf.data());
        if (errno != ERANGE)
            return std::string();
        buf.resize(buf.size() * 2);
    }
}

// Absolute, without ".", "..", empty components or a trailing slash; "/"
// for the root. An empty result means the current directory is unknown.
std::string Normalise(const std::string &path)
{
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        std::string cwd = CurrentDirectory();
        if (cwd.empty())
            return std::string();
        full = cwd + "/" + full;
    }
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i < full.size()) {
        std::size_t j = full.find('/', i);
        if (j == std::string::npos)
            j = full.size();
        std::string part = full.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (const std::string &part : parts)
        out += "/" + part;
    return out.empty() ? std::string("/") : out;
}

// The part of host below root, or false when root does not lead it.
bool Below(const std::string &root, const std::string &host, std::string *rest)
{
    if (root == "/") {
        *rest = host.substr(1);
        return true;
    }
    if (host.compare(0, root.size(), root) != 0)
        return false;
    if (host.size() == root.size()) {
        rest->clear();
        return true;
    }
    if (host[root.size()] != '/')
        return false;
    *rest = host.substr(root.size() + 1);
    return true;
}

struct Candidate {
    std::string prefix;  // the Windows root, without a trailing backslash
    std::size_t rootLength = 0;
    int rank = 0;  // lower wins between roots of equal length
    std::string rest;
};

}  // namespace

bool IsWindowsNameable(const std::string &name, std::string *why, bool final)
{
    std::string reason;
    if (name.empty())
        reason = "an empty name";
    else if (name.find('\\') != std::string::npos)
        reason = "the name '" + name + "' holds a backslash";
    else if (name.back() == '.' || name.back() == ' ')
        reason = "the name '" + name + "' ends in a dot or a blank, which Windows drops";
    else if (std::any_of(name.begin(), name.end(),
                         [](char c) { return IsForbiddenNameChar(static_cast<unsigned char>(c)); }))
        reason = "the name '" + name + "' holds a character Windows does not allow in a name";
    else if (final && DeviceOf(name.data(), name.size()) != Device::kNone)
        reason = "the name '" + name + "' is a device to Windows";
    if (reason.empty())
        return true;
    if (why != nullptr)
        *why = reason;
    return false;
}

bool HostToWindowsPath(const RegistryConfig &config, const std::string &host,
                       std::string *windows, std::string *why)
{
    auto fail = [why](const std::string &reason) {
        if (why != nullptr)
            *why = reason;
        return false;
    };
    if (windows == nullptr)
        return fail("no place for the result");
    if (host.empty())
        return fail("the path is empty");
    const std::string full = Normalise(host);
    if (full.empty())
        return fail("the current directory cannot be read");

    bool found = false;
    Candidate best;
    auto consider = [&](const std::string &root, std::string prefix, int rank) {
        if (root.empty())
            return;  // a drive without its medium names no host directory
        const std::string normal = Normalise(root);
        std::string rest;
        if (normal.empty() || !Below(normal, full, &rest))
            return;
        const std::size_t length = normal == "/" ? 0 : normal.size();
        if (found && (length < best.rootLength ||
                      (length == best.rootLength && rank >= best.rank)))
            return;
        found = true;
        best.prefix = std::move(prefix);
        best.rootLength = length;
        best.rank = rank;
        best.rest = std::move(rest);
    };

    for (int drive = 0; drive < 26; ++drive) {
        const char *root = nullptr;
        if (!DriveRootPath(config, drive, &root))
            continue;
        std::string prefix(1, static_cast<char>('A' + drive));
        prefix += ':';
        consider(root, prefix, config.drives[drive].configured ? 0 : 2);
    }
    for (const ShareConfig &share : config.shares)
        consider(share.path, "\\\\" + share.server + "\\" + share.share, 1);
    if (!found)
        return fail("no drive or share holds it");

    std::string result = best.prefix;
    const bool isDrive = best.prefix.size() == 2;
    std::size_t i = 0;
    while (i < best.rest.size()) {
        std::size_t j = best.rest.find('/', i);
        if (j == std::string::npos)
            j = best.rest.size();
        const std::string name = best.rest.substr(i, j - i);
        std::string reason;
        if (!IsWindowsNameable(name, &reason, j >= best.rest.size()))
            return fail(reason);
        result += "\\" + name;
        i = j + 1;
    }
    if (isDrive && best.rest.empty())
        result += "\\";
    *windows = result;
    return true;
}

bool HostToWindowsPath(const std::string &host, std::string *windows, std::string *why)
{
    std::shared_ptr<const RegistryConfig> config = CurrentRegistry();
    if (!config) {
        if (why != nullptr)
            *why = "the registry file cannot be read";
        return false;
    }
    return HostToWindowsPath(*config, host, windows, why);
}

bool WindowsToHostPath(const std::string &windows, std::string *host)
{
    if (host == nullptr)
        return false;
    std::shared_ptr<const RegistryConfig> config = CurrentRegistry();
    if (!config)
        return false;
    auto mapped = std::make_unique<MappedPath>();
    if (MapPath(*config, windows.c_str(), kMapDefault, mapped.get()) != 0)
        return false;
    Resolve(mapped.get());
    *host = std::string(mapped->host, mapped->len);
    return true;
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik
