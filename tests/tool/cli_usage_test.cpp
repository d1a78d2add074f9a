// Help, version and bad usage, at every level of the tool.
#include <set>
#include <sstream>

#include "tool_fixture.h"

namespace brenvik {
namespace tooltest {
namespace {

const char *const kCommands[] = {
    "", "drives", "path", "path split", "path compose", "path validate", "path validate-name",
    "path check", "path join", "path chext", "path affix", "path dirof", "path ext", "file",
    "file status", "file attr", "file size", "fs", "fs mkdir", "fs rename", "fs delete",
    "fs rmdir", "fs deltree", "fs delsub", "fs probe", "net", "net classify", "net ping", "image",
    "image type", "image desc", "image ext", "image master", "image dvd-names", "bundle",
    "bundle list", "bundle check", "bundle delete", "bundle delete-by-name", "scan"};

Args Words(const std::string &text)
{
    std::istringstream in(text);
    Args words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

class UsageTest : public ToolTest {};

TEST_F(UsageTest, HelpAndVersionAtEveryLevel)
{
    std::vector<Row> rows;
    for (const char *command : kCommands) {
        Args args = Words(command);
        const std::string name = args.empty() ? "Usage:" : args.back();
        args.push_back("--help");
        rows.push_back({args, 0, {{"out", "Usage:"}, {"out", name}}});
        args.back() = "--version";
        rows.push_back({args, 0, {{"out=", "brenvik " BRENVIK_TOOL_VERSION_TEXT "\n"}}});
    }
    Check(rows);
}

TEST_F(UsageTest, EverySubcommandIsListedAbove)
{
    const std::set<std::string> known(std::begin(kCommands), std::end(kCommands));
    std::size_t listed = 0;
    for (const std::string command : kCommands) {
        Args args = Words(command);
        args.push_back("--help");
        std::istringstream help(RunTool(args).out);
        std::string line;
        while (std::getline(help, line) && line.rfind("Subcommands:", 0) != 0) {
        }
        while (std::getline(help, line) && line.rfind("  ", 0) == 0) {
            const std::string sub = (command + " ").substr(command.empty()) + Words(line)[0];
            EXPECT_EQ(known.count(sub), 1u) << sub;
            ++listed;
        }
    }
    EXPECT_EQ(listed, std::size(kCommands) - 1);
}

TEST_F(UsageTest, BadUsage)
{
    Check({
        {{}, 2, {}},
        {{"bogus"}, 2, {}},
        {{"path"}, 2, {}},
        {{"path", "split"}, 2, {}},
        {{"path", "split", "C:\\a", "C:\\b"}, 2, {}},
        {{"drives", "--nope"}, 2, {}},
        {{"drives", "1"}, 2, {}},
        {{"net", "ping", "localhost", "--count", "0"}, 2, {}},
        {{"net", "ping", "localhost", "--timeout", "x"}, 2, {}},
        {{"path", "compose", "--drive", "C:", "--server", "s", "--dir", "d", "--title", "t"}, 2, {}},
        {{"path", "affix", "C:\\d\\f.txt"}, 2, {}},
        {{"file", "attr", "/", "--set", "zz"}, 2, {}},
        // Host names Windows would read differently, or too long for it, have no Windows name.
        {{"path", "split", "/tmp/dir./f.vcd"}, 2, {{"err", "cannot name"}}},
        {{"file", "status", "/" + std::string(300, 'a')}, 2, {}},
        {{"--json", "path", "split", "/tmp/dir./f.vcd"}, 2, {{"/exit", 2}}},
        // Global options after the subcommand too.
        {{"path", "split", "C:\\x\\..\\y", "--json"}, 1, {{"/exit", 1}}},
    });
}

}  // namespace
}  // namespace tooltest
}  // namespace brenvik
