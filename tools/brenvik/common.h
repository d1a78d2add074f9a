// What every subcommand of the tool shares: options, path arguments, output,
// failures and confirmations.
#ifndef BRENVIK_TOOLS_BRENVIK_COMMON_H
#define BRENVIK_TOOLS_BRENVIK_COMMON_H

#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace CLI {
class App;
}

namespace brenvik {
namespace tool {

using Json = nlohmann::ordered_json;

enum ExitCode { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// Options of the whole tool, and the exit code the subcommand chose.
struct Context {
    bool json = false;
    bool win = false;  // every path argument is a Windows path already
    bool strictConfig = false;  // problems of the registry file are bad usage
    int exit = kExitOk;
};

// Ends the subcommand: main writes "brenvik: <message>" to standard error
// (and, under --json, partial with "error" and "exit" added to standard
// output) and exits with code.
class Failure : public std::runtime_error {
public:
    Failure(int code, const std::string &message, Json partial = Json::object())
        : std::runtime_error(message), code_(code), partial_(std::move(partial))
    {
    }
    int code() const { return code_; }
    const Json &partial() const { return partial_; }

private:
    int code_;
    Json partial_;
};

// A path as the user typed it and the Windows path the library is given.
struct PathArg {
    std::string given;
    std::string windows;
    bool fromHost = false;  // given was a host path and was converted
};

// The rule (README, "The tool"): with --win, or when the text begins with
// two backslashes or a drive letter and a colon, or holds a backslash, it is
// a Windows path and goes to the library unchanged. Anything else is a host
// path, absolute or relative to the current directory, named by the drive or
// share that holds it. Fails with kExitUsage when it has no Windows name.
PathArg ToWindows(const Context &ctx, const std::string &arg);
bool LooksLikeWindowsPath(const std::string &arg);

// A Windows path the library produced, shown the way the user wrote the
// argument it came from: when arg was a host path and result lies below it,
// the host spelling; otherwise result as it is.
std::string Display(const PathArg &arg, const std::string &result);

// The host path a Windows path stands for ("" when it cannot be mapped).
std::string HostPathOf(const std::string &windows);

// {"path": given, "windows": ...} and the like.
Json PathJson(const PathArg &arg);

// Writes doc to standard output. A string member that is not valid UTF-8
// shows U+FFFD for the bad bytes and gets a member beside it, its name and
// "_bytes" ("path_bytes"), with those bytes as \xNN and backslashes doubled.
void PrintJson(const Json &doc);
bool IsValidUtf8(const std::string &text);

// Writes doc as the one JSON document of the run under --json, else calls
// human with standard output.
void Emit(const Context &ctx, const Json &doc, const std::function<void(std::ostream &)> &human);

// The answer of a yes-or-no check: doc under --json, else the answer and
// name on one line; the exit code is 1 for no.
void EmitVerdict(Context &ctx, const Json &doc, bool yes, const std::string &yesText,
                 const std::string &noText, const std::string &name);

// "key:  value" a line for those of keys doc holds, the values aligned.
void PrintFields(std::ostream &out, const Json &doc, const std::vector<std::string> &keys);

// Columns padded to their widest cell; the last column is not padded.
class Table {
public:
    explicit Table(std::vector<std::string> header) : rows_{std::move(header)} {}
    void Add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
    void Print(std::ostream &out, bool withHeader = true) const;
    std::size_t Rows() const { return rows_.size() - 1; }

private:
    std::vector<std::vector<std::string>> rows_;
};

// 1536 -> "1.5 KiB".
std::string HumanSize(unsigned long long bytes);
std::string Quote(const std::string &text);  // 'text'
std::string Hex(unsigned long value);         // 0x00000020
// 2, "file", "files" -> "2 files".
std::string Count(std::size_t n, const char *one, const char *many);

// Whether the descriptor (0 standard input, 2 standard error) is a terminal.
bool IsTerminal(int fd);

// "brenvik: <error>" on standard error for each error; the run fails when
// there is one.
void ReportErrors(Context &ctx, const std::vector<std::string> &errors);

// Options every deleting subcommand takes.
struct DeleteOptions {
    bool yes = false;
    bool dryRun = false;
    bool noPreserveRoot = false;  // only where a tree or a directory's files go
};
void AddDeleteOptions(CLI::App *sub, DeleteOptions *options, bool treeRoot = false);

// Asks on the terminal before anything is deleted. Returns when the user
// agreed or --yes was given; throws Failure otherwise: kExitUsage when there
// is no terminal to ask on, kExitFailed when the user said no. Not called
// for --dry-run.
void ConfirmDeletion(const DeleteOptions &options, const std::string &what,
                     const std::vector<std::string> &items);

// The registry file in force (empty: none), what named it
// ("BRENVIK_REGISTRY", "default", "none") and what is wrong with it, a line
// each that names the file.
struct RegistryCheck {
    std::string file, source;
    std::vector<std::string> problems;
};
RegistryCheck CheckRegistry();

// The subcommands, each in its own file.
void AddDrives(CLI::App &app, Context &ctx);
void AddPath(CLI::App &app, Context &ctx);
void AddFile(CLI::App &app, Context &ctx);
void AddFs(CLI::App &app, Context &ctx);
void AddNet(CLI::App &app, Context &ctx);
void AddImage(CLI::App &app, Context &ctx);
void AddBundle(CLI::App &app, Context &ctx);
void AddScan(CLI::App &app, Context &ctx);
void AddConfig(CLI::App &app, Context &ctx);

// Names of codes, for output.
const char *DriveTypeName(unsigned type);
const char *ImageTypeName(unsigned long type);  // "video CD"
const char *ImageTypeKey(unsigned long type);   // "video"
const char *ExtClassName(int extClass);

}  // namespace tool
}  // namespace brenvik

#endif  // BRENVIK_TOOLS_BRENVIK_COMMON_H
