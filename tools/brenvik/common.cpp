#include "common.h"

#include <brenvik/brenvik.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <iostream>

#if defined(_WIN32)
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>

#include "platform/posix/host_path.h"
#endif

namespace brenvik {
namespace tool {

bool LooksLikeWindowsPath(const std::string &arg)
{
    if (arg.size() >= 2 && arg[0] == '\\' && arg[1] == '\\')
        return true;
    if (arg.size() >= 2 && arg[1] == ':' &&
        ((arg[0] >= 'A' && arg[0] <= 'Z') || (arg[0] >= 'a' && arg[0] <= 'z')))
        return true;
    return arg.find('\\') != std::string::npos;
}

PathArg ToWindows(const Context &ctx, const std::string &arg)
{
    PathArg out;
    out.given = arg;
#if defined(_WIN32)
    (void)ctx;
    out.windows = arg;  // the host's own paths
#else
    if (ctx.win || LooksLikeWindowsPath(arg)) {
        out.windows = arg;
        return out;
    }
    std::string why;
    if (!platform::posix::HostToWindowsPath(arg, &out.windows, &why))
        throw Failure(kExitUsage, "cannot name " + Quote(arg) + " as a Windows path: " + why);
    // Every answer about such a path would be a refusal for its length.
    if (out.windows.size() >= BRENVIK_MAX_PATH)
        throw Failure(kExitUsage, "cannot name " + Quote(arg) + " as a Windows path: " +
                                      std::to_string(out.windows.size()) +
                                      " characters, and Windows paths have at most " +
                                      std::to_string(BRENVIK_MAX_PATH - 1));
    out.fromHost = true;
#endif
    return out;
}

namespace {

// result below base (a Windows path), as the '/'-separated rest; false when
// it is not below.
bool Below(const std::string &base, const std::string &result, std::string *rest)
{
    const std::size_t n = base.size();
    // A drive root ends in its backslash already.
    const bool baseEndsInSep = n > 0 && base[n - 1] == '\\';
    if (result.compare(0, n, base) != 0 ||
        !(result.size() == n || baseEndsInSep || result[n] == '\\'))
        return false;
    *rest = result.substr(n);
    while (!rest->empty() && rest->front() == '\\')
        rest->erase(0, 1);
    while (!rest->empty() && rest->back() == '\\')
        rest->pop_back();
    std::replace(rest->begin(), rest->end(), '\\', '/');
    return true;
}

}  // namespace

std::string Display(const PathArg &arg, const std::string &result)
{
    if (!arg.fromHost)
        return result;
    // Walk up the argument, its host and Windows spellings side by side, to
    // the nearest directory that holds the result: a bundle's members show
    // the way its master was typed. Only plain names can be walked back.
    std::string given = arg.given;
    while (given.size() > 1 && given.back() == '/')
        given.pop_back();
    std::string base = arg.windows;
    for (;;) {
        std::string rest;
        if (Below(base, result, &rest)) {
            if (rest.empty())
                return given.empty() ? "." : given;
            if (given.empty())
                return rest;
            return given.back() == '/' ? given + rest : given + "/" + rest;
        }
        const std::size_t slash = given.rfind('/');
        const std::string last = given.substr(slash == std::string::npos ? 0 : slash + 1);
        const std::size_t sep = base.rfind('\\');
        if (last.empty() || last == "." || last == ".." || sep == std::string::npos ||
            sep + 1 == base.size())
            break;
        given = slash == std::string::npos ? "" : slash == 0 ? "/" : given.substr(0, slash);
        // Keep the drive root's backslash: "C:\" holds "C:\x".
        base = (sep == 2 && base[1] == ':') ? base.substr(0, 3) : base.substr(0, sep);
    }
    std::string host = HostPathOf(result);
    return host.empty() ? result : host;
}

std::string HostPathOf(const std::string &windows)
{
#if defined(_WIN32)
    return windows;
#else
    std::string host;
    if (!platform::posix::WindowsToHostPath(windows, &host))
        return std::string();
    return host;
#endif
}

Json PathJson(const PathArg &arg)
{
    Json j;
    j["path"] = arg.given;
    j["windows"] = arg.windows;
    return j;
}

namespace {

// The length of the valid UTF-8 sequence at s[i], or 0.
std::size_t Utf8Length(const std::string &s, std::size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0x80          ? 1
                          : (c >> 5) == 6   ? 2
                          : (c >> 4) == 14  ? 3
                          : (c >> 3) == 30  ? 4
                                            : 0;
    if (n == 0 || i + n > s.size() || (n == 2 && c < 0xC2))
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2)
            return 0;
    return n;
}

// text with each byte outside valid UTF-8 as \xNN and each backslash
// doubled; "" when text is valid UTF-8 already.
std::string EscapedBytes(const std::string &text)
{
    std::string out;
    bool bad = false;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8Length(text, i);
        if (n == 0) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(text[i]));
            out += hex;
            bad = true;
            ++i;
            continue;
        }
        out += text[i] == '\\' ? std::string("\\\\") : text.substr(i, n);
        i += n;
    }
    return bad ? out : std::string();
}

// Beside every string member that is not valid UTF-8, its bytes losslessly
// under the member's name and "_bytes"; the member itself shows U+FFFD.
void AddBytes(Json *doc)
{
    if (doc->is_array()) {
        for (Json &e : *doc)
            AddBytes(&e);
        return;
    }
    if (!doc->is_object())
        return;
    std::vector<std::pair<std::string, std::string>> add;
    for (auto it = doc->begin(); it != doc->end(); ++it) {
        if (it.value().is_string()) {
            const std::string bytes = EscapedBytes(it.value().get<std::string>());
            if (!bytes.empty())
                add.emplace_back(it.key() + "_bytes", bytes);
        } else {
            AddBytes(&it.value());
        }
    }
    for (const auto &a : add)
        (*doc)[a.first] = a.second;
}

}  // namespace

bool IsValidUtf8(const std::string &text)
{
    for (std::size_t i = 0, n = 0; i < text.size(); i += n)
        if ((n = Utf8Length(text, i)) == 0)
            return false;
    return true;
}

void PrintJson(const Json &doc)
{
    Json copy = doc;
    AddBytes(&copy);
    std::cout << copy.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

void Emit(const Context &ctx, const Json &doc, const std::function<void(std::ostream &)> &human)
{
    if (ctx.json)
        PrintJson(doc);
    else
        human(std::cout);
}

void EmitVerdict(Context &ctx, const Json &doc, bool yes, const std::string &yesText,
                 const std::string &noText, const std::string &name)
{
    const std::size_t width = std::max(yesText.size(), noText.size()) + 2;
    const std::string &text = yes ? yesText : noText;
    Emit(ctx, doc, [&](std::ostream &out) {
        out << text << std::string(width - text.size(), ' ') << name << "\n";
    });
    ctx.exit = yes ? kExitOk : kExitFailed;
}

void PrintFields(std::ostream &out, const Json &doc, const std::vector<std::string> &keys)
{
    std::size_t width = 0;
    for (const std::string &k : keys)
        width = std::max(width, k.size());
    for (const std::string &k : keys) {
        if (!doc.contains(k))
            continue;
        const Json &v = doc[k];
        std::string text = v.is_string() ? v.get<std::string>() : v.dump();
        // An empty value leaves no padding behind, as in the tables.
        out << k << ":" << (text.empty() ? "" : std::string(width - k.size() + 2, ' ') + text)
            << "\n";
    }
}

void Table::Print(std::ostream &out, bool withHeader) const
{
    std::vector<std::size_t> width;
    for (const auto &row : rows_)
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (width.size() <= c)
                width.push_back(0);
            width[c] = std::max(width[c], row[c].size());
        }
    for (std::size_t r = withHeader ? 0 : 1; r < rows_.size(); ++r) {
        const auto &row = rows_[r];
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size())
                line += std::string(width[c] - row[c].size() + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out << line << "\n";
    }
}

std::string HumanSize(unsigned long long bytes)
{
    static const char *const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    if (bytes < 1024)
        return std::to_string(bytes) + " B";
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024.0 && unit < 6) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string Quote(const std::string &text)
{
    return "'" + text + "'";
}

std::string Hex(unsigned long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", value);
    return text;
}

std::string Count(std::size_t n, const char *one, const char *many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool IsTerminal(int fd)
{
    return isatty(fd) != 0;
}

void ReportErrors(Context &ctx, const std::vector<std::string> &errors)
{
    for (const std::string &e : errors)
        std::cerr << "brenvik: " << e << "\n";
    ctx.exit = errors.empty() ? kExitOk : kExitFailed;
}

void AddDeleteOptions(CLI::App *sub, DeleteOptions *options, bool treeRoot)
{
    sub->add_flag("-y,--yes", options->yes, "Delete without asking");
    sub->add_flag("-n,--dry-run", options->dryRun,
                  "List what would be deleted and what would stay, and why; delete nothing");
    if (treeRoot)
        sub->add_flag("--no-preserve-root", options->noPreserveRoot,
                      "Also delete in a drive or share root, the host's root or a mount point");
}

void ConfirmDeletion(const DeleteOptions &options, const std::string &what,
                     const std::vector<std::string> &items)
{
    if (options.yes)
        return;
    if (!IsTerminal(0) || !IsTerminal(2))
        throw Failure(kExitUsage, "refusing to delete " + what +
                                      " without confirmation: no terminal to ask on "
                                      "(give --yes, or --dry-run to see what would go)");
    const std::size_t kShown = 20;
    for (std::size_t i = 0; i < items.size() && i < kShown; ++i)
        std::cerr << "  " << items[i] << "\n";
    if (items.size() > kShown)
        std::cerr << "  ... and " << items.size() - kShown << " more\n";
    std::cerr << "Delete " << what << "? [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer))
        answer.clear();
    answer.erase(0, answer.find_first_not_of(" \t"));
    if (answer == "y" || answer == "Y" || answer == "yes" || answer == "YES" || answer == "Yes")
        return;
    throw Failure(kExitFailed, "nothing deleted: not confirmed");
}

const char *DriveTypeName(unsigned type)
{
    switch (type) {
    case 0: return "unknown";
    case 1: return "none";
    case 2: return "removable";
    case 3: return "fixed";
    case 4: return "remote";
    case 5: return "cdrom";
    case 6: return "ramdisk";
    default: return "other";
    }
}

const char *ImageTypeName(unsigned long type)
{
    switch (type) {
    case CDTYPE_CDROM: return "data CD";
    case CDTYPE_AUDIO: return "audio CD";
    case CDTYPE_MIXED: return "mixed-mode CD";
    case CDTYPE_DVD: return "DVD";
    case CDTYPE_CDEXTRA: return "CD-Extra";
    case CDTYPE_PHOTO: return "photo CD";
    case CDTYPE_VIDEO: return "video CD";
    case CDTYPE_ISOGEN: return "ISOGEN";
    default: return "unreadable";
    }
}

const char *ImageTypeKey(unsigned long type)
{
    switch (type) {
    case CDTYPE_CDROM: return "cdrom";
    case CDTYPE_AUDIO: return "audio";
    case CDTYPE_MIXED: return "mixed";
    case CDTYPE_DVD: return "dvd";
    case CDTYPE_CDEXTRA: return "cdextra";
    case CDTYPE_PHOTO: return "photo";
    case CDTYPE_VIDEO: return "video";
    case CDTYPE_ISOGEN: return "isogen";
    default: return "invalid";
    }
}

const char *ExtClassName(int extClass)
{
    switch (extClass) {
    case EXTTYPE_VCD: return "vcd";
    case EXTTYPE_DVD: return "dvd";
    case EXTTYPE_MIXEDMODE: return "mixed-mode";
    default: return "none";
    }
}

}  // namespace tool
}  // namespace brenvik
