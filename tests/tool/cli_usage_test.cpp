// Help, version and bad usage, at every level of the tool.
#include <set>
#include <sstream>

#include "tool_fixture.h"

namespace brenvik {
namespace tooltest {
namespace {

using Args = std::vector<std::string>;

const std::vector<Args> kCommands = {
    {},
    {"drives"},
    {"path"},
    {"path", "split"},
    {"path", "compose"},
    {"path", "validate"},
    {"path", "validate-name"},
    {"path", "check"},
    {"path", "join"},
    {"path", "chext"},
    {"path", "affix"},
    {"path", "dirof"},
    {"path", "ext"},
    {"file"},
    {"file", "status"},
    {"file", "attr"},
    {"file", "size"},
    {"fs"},
    {"fs", "mkdir"},
    {"fs", "rename"},
    {"fs", "delete"},
    {"fs", "rmdir"},
    {"fs", "deltree"},
    {"fs", "delsub"},
    {"fs", "probe"},
    {"net"},
    {"net", "classify"},
    {"net", "ping"},
    {"image"},
    {"image", "type"},
    {"image", "desc"},
    {"image", "ext"},
    {"image", "master"},
    {"image", "dvd-names"},
    {"bundle"},
    {"bundle", "list"},
    {"bundle", "check"},
    {"bundle", "delete"},
    {"bundle", "delete-by-name"},
    {"scan"},
};

std::string Joined(const Args &args)
{
    std::string text = "brenvik";
    for (const std::string &a : args)
        text += " " + a;
    return text;
}

Args With(Args args, const std::string &last)
{
    args.push_back(last);
    return args;
}

// The subcommand names a help text lists under "Subcommands:".
std::set<std::string> ListedSubcommands(const std::string &help)
{
    std::set<std::string> names;
    std::istringstream in(help);
    std::string line;
    bool inList = false;
    while (std::getline(in, line)) {
        if (line.rfind("Subcommands:", 0) == 0) {
            inList = true;
            continue;
        }
        if (!inList)
            continue;
        if (line.empty() || line[0] != ' ')
            break;
        std::istringstream words(line);
        std::string name;
        words >> name;
        names.insert(name);
    }
    return names;
}

class UsageTest : public ToolTest {};

TEST_F(UsageTest, HelpAtEveryLevel)
{
    for (const Args &command : kCommands) {
        const ToolRun run = RunTool(With(command, "--help"));
        EXPECT_EQ(run.exit, 0) << Joined(command);
        EXPECT_NE(run.out.find("Usage:"), std::string::npos) << Joined(command);
        if (!command.empty()) {
            EXPECT_NE(run.out.find(command.back()), std::string::npos) << Joined(command);
        }
        EXPECT_EQ(run.err, "") << Joined(command);
    }
}

TEST_F(UsageTest, EverySubcommandIsCoveredHere)
{
    // A subcommand added to the tool without a row above fails here.
    std::set<Args> known(kCommands.begin(), kCommands.end());
    for (const Args &command : kCommands) {
        const ToolRun run = RunTool(With(command, "--help"));
        for (const std::string &name : ListedSubcommands(run.out))
            EXPECT_EQ(known.count(With(command, name)), 1u) << Joined(With(command, name));
    }
    EXPECT_EQ(ListedSubcommands(RunTool({"--help"}).out).size(), 8u);
}

TEST_F(UsageTest, VersionAtEveryLevel)
{
    for (const Args &command : kCommands) {
        const ToolRun run = RunTool(With(command, "--version"));
        EXPECT_EQ(run.exit, 0) << Joined(command);
        EXPECT_EQ(run.out, "brenvik " BRENVIK_TOOL_VERSION_TEXT "\n") << Joined(command);
    }
}

TEST_F(UsageTest, BadUsageExitsTwoWithOneLine)
{
    const std::vector<Args> cases = {
        {},
        {"bogus"},
        {"path"},
        {"path", "split"},
        {"path", "split", "C:\\a", "C:\\b"},
        {"drives", "--nope"},
        {"drives", "1"},
        {"drives", "C:\\x"},
        {"net", "ping", "localhost", "--count", "0"},
        {"net", "ping", "localhost", "--timeout", "0"},
        {"net", "ping", "localhost", "--count", "x"},
        {"path", "compose", "--dir", "d", "--title", "t", "--ext", "e"},
        {"path", "compose", "--drive", "C:", "--server", "s", "--dir", "d", "--title", "t",
         "--ext", "e"},
        {"path", "affix", "C:\\d\\f.txt"},
        {"file", "attr", "/", "--set", "zz"},
        // A host name that Windows would read differently has no Windows name.
        {"path", "split", "/tmp/dir./f.vcd"},
        // Nor has a path too long for one.
        {"file", "status", "/" + std::string(300, 'a')},
        {"bundle", "check", "C:\\notes.txt"},
    };
    for (const Args &args : cases) {
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.exit, 2) << Joined(args) << "\n" << run.err;
        EXPECT_TRUE(run.OneErrorLine()) << Joined(args) << "\n" << run.err;
        EXPECT_EQ(run.out, "") << Joined(args);
    }
}

TEST_F(UsageTest, FailureUnderJsonIsADocumentToo)
{
    const ToolRun run = RunTool({"--json", "path", "split", "/tmp/dir./f.vcd"});
    EXPECT_EQ(run.exit, 2);
    EXPECT_TRUE(run.OneErrorLine()) << run.err;
    const auto doc = run.Json();
    EXPECT_EQ(doc["exit"], 2);
    EXPECT_NE(doc["error"].get<std::string>().find("cannot name"), std::string::npos);

    // The global options are taken after the subcommand too.
    const ToolRun after = RunTool({"path", "split", "C:\\x\\..\\y", "--json"});
    EXPECT_EQ(after.exit, 1);
    EXPECT_EQ(after.Json()["exit"], 1);
}

}  // namespace
}  // namespace tooltest
}  // namespace brenvik
