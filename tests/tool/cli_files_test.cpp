// brenvik file and fs: status, sizes, creation, renames, deletions and their
// confirmations.
#include <sys/stat.h>

#include <set>

#include "tool_fixture.h"

namespace brenvik {
namespace tooltest {
namespace {

class FilesTest : public ToolTest {
protected:
    void ReadOnly(const std::string &relative)
    {
        ASSERT_EQ(::chmod(H(relative).c_str(), 0444), 0);
    }
};

std::set<std::string> Paths(const nlohmann::json &list)
{
    std::set<std::string> paths;
    for (const auto &e : list)
        paths.insert(e["path"].get<std::string>());
    return paths;
}

TEST_F(FilesTest, Status)
{
    Write("f.txt", "hello");
    Write(".hidden");
    Write("ro.txt");
    ReadOnly("ro.txt");
    test::MakeHostDirs(H("d"));

    const ToolRun run = RunTool({"--json", "file", "status", H("f.txt"), H("d"), H("ro.txt"),
                             H(".hidden"), H("missing")});
    EXPECT_EQ(run.exit, 1);  // one of them is missing
    const auto doc = run.Json();
    ASSERT_EQ(doc["entries"].size(), 5u);
    const struct {
        bool exists, file, directory, writable, hidden;
    } want[] = {{true, true, false, true, false},
                {true, false, true, false, false},
                {true, true, false, false, false},
                {true, true, false, true, true},
                {false, false, false, false, false}};
    for (std::size_t i = 0; i < 5; ++i) {
        const auto &e = doc["entries"][i];
        EXPECT_EQ(e["exists"], want[i].exists) << i;
        EXPECT_EQ(e["file"], want[i].file) << i;
        EXPECT_EQ(e["directory"], want[i].directory) << i;
        EXPECT_EQ(e["writable"], want[i].writable) << i;
        EXPECT_EQ(e["hidden"], want[i].hidden) << i;
    }
    EXPECT_EQ(doc["entries"][0]["windows"], W(H("f.txt")));

    // One line each: kind, flags (the archive bit depends on the file
    // system), path.
    const ToolRun human = RunTool({"file", "status", H("d"), H("ro.txt")});
    EXPECT_EQ(human.exit, 0);
    const std::size_t eol = human.out.find('\n');
    ASSERT_NE(eol, std::string::npos);
    const std::string dirLine = human.out.substr(0, eol + 1);
    const std::string fileLine = human.out.substr(eol + 1);
    EXPECT_EQ(dirLine.substr(0, 13), "directory  - ") << human.out;
    EXPECT_EQ(dirLine.substr(dirLine.size() - H("d").size() - 3), "  " + H("d") + "\n");
    EXPECT_EQ(fileLine.substr(0, 19), "file       readonly") << human.out;
    EXPECT_EQ(fileLine.substr(fileLine.size() - H("ro.txt").size() - 3),
              "  " + H("ro.txt") + "\n");
}

TEST_F(FilesTest, SizeAndAttributes)
{
    Write("f.bin", std::string(1234, 'z'));
    test::MakeHostDirs(H("d"));
    const ToolRun size = RunTool({"--json", "file", "size", H("f.bin")});
    EXPECT_EQ(size.exit, 0);
    EXPECT_EQ(size.Json()["files"][0]["size"], 1234);

    const ToolRun dir = RunTool({"file", "size", H("d")});
    EXPECT_EQ(dir.exit, 1);
    EXPECT_TRUE(dir.OneErrorLine());
    EXPECT_NE(dir.err.find("it is a directory"), std::string::npos) << dir.err;
    EXPECT_NE(RunTool({"file", "size", H("none")}).err.find("does not exist"), std::string::npos);

    const auto attr = RunTool({"--json", "file", "attr", H("d")}).Json();
    EXPECT_EQ(attr["attributes"].get<unsigned>() & 0x10u, 0x10u);
    EXPECT_NE(std::find(attr["names"].begin(), attr["names"].end(), "directory"),
              attr["names"].end());
    EXPECT_EQ(RunTool({"--json", "file", "attr", H("f.bin")}).Json()["size"], 1234);

    // The mask test decides the exit code.
    EXPECT_EQ(RunTool({"file", "attr", H("d"), "--set", "0x10"}).exit, 0);
    EXPECT_EQ(RunTool({"file", "attr", H("f.bin"), "--set", "0x10"}).exit, 1);
    EXPECT_EQ(RunTool({"file", "attr", H("f.bin"), "--clear", "16"}).exit, 0);
    EXPECT_EQ(RunTool({"file", "attr", H("none")}).exit, 1);
}

TEST_F(FilesTest, Mkdir)
{
    const ToolRun deep = RunTool({"--json", "fs", "mkdir", "-p", H("a/b/c")});
    EXPECT_EQ(deep.exit, 0) << deep.err;
    EXPECT_EQ(deep.Json()["results"][0]["result"], "created");
    EXPECT_TRUE(Exists("a/b/c"));
    EXPECT_EQ(RunTool({"--json", "fs", "mkdir", "-p", H("a/b/c")}).Json()["results"][0]["result"],
              "exists");

    const ToolRun noParent = RunTool({"fs", "mkdir", H("x/y")});
    EXPECT_EQ(noParent.exit, 1);
    EXPECT_NE(noParent.err.find("give -p"), std::string::npos) << noParent.err;
    EXPECT_FALSE(Exists("x"));

    EXPECT_EQ(RunTool({"fs", "mkdir", H("a")}).exit, 1);
    EXPECT_EQ(RunTool({"fs", "mkdir", "--exist-ok", H("a")}).exit, 0);
    Write("file");
    const ToolRun onFile = RunTool({"fs", "mkdir", "--exist-ok", H("file")});
    EXPECT_EQ(onFile.exit, 1);
    EXPECT_NE(onFile.err.find("a file of that name"), std::string::npos) << onFile.err;
}

TEST_F(FilesTest, RenameReplacesOnlyWhenAllowed)
{
    Write("a", "new");
    Write("b", "old");
    const ToolRun refused = RunTool({"fs", "rename", H("a"), H("b")});
    EXPECT_EQ(refused.exit, 2);
    EXPECT_TRUE(refused.OneErrorLine());
    EXPECT_EQ(test::ReadHostFile(H("b")), "old");

    const ToolRun dry = RunTool({"--json", "fs", "rename", "--dry-run", H("a"), H("b")});
    EXPECT_EQ(dry.exit, 0);
    EXPECT_EQ(dry.Json()["replaces"], true);
    EXPECT_TRUE(Exists("a"));

    EXPECT_EQ(RunTool({"fs", "rename", "--yes", H("a"), H("b")}).exit, 0);
    EXPECT_FALSE(Exists("a"));
    EXPECT_EQ(test::ReadHostFile(H("b")), "new");

    // Nothing to replace: no question.
    EXPECT_EQ(RunTool({"fs", "rename", H("b"), H("c")}).exit, 0);
    EXPECT_EQ(test::ReadHostFile(H("c")), "new");
    EXPECT_EQ(RunTool({"fs", "rename", H("gone"), H("d")}).exit, 1);
}

TEST_F(FilesTest, DeleteAsksRefusesOrListsFirst)
{
    Write("f1");
    Write("f2");
    const ToolRun refused = RunTool({"fs", "delete", H("f1")});
    EXPECT_EQ(refused.exit, 2);
    EXPECT_TRUE(refused.OneErrorLine());
    EXPECT_NE(refused.err.find("--yes"), std::string::npos) << refused.err;
    EXPECT_TRUE(Exists("f1"));

    const ToolRun dry = RunTool({"--json", "fs", "delete", "-n", H("f1"), H("f2"), H("gone")});
    EXPECT_EQ(dry.exit, 0);
    EXPECT_EQ(Paths(dry.Json()["would_delete"]), (std::set<std::string>{H("f1"), H("f2")}));
    EXPECT_TRUE(Exists("f1"));
    EXPECT_TRUE(Exists("f2"));
    const ToolRun dryHuman = RunTool({"fs", "delete", "--dry-run", H("f1")});
    EXPECT_EQ(dryHuman.out, "would delete  " + H("f1") + "\n");

    const ToolRun done = RunTool({"--json", "fs", "delete", "--yes", H("f1"), H("gone")});
    EXPECT_EQ(done.exit, 0);
    EXPECT_EQ(done.Json()["results"][0]["result"], "deleted");
    EXPECT_EQ(done.Json()["results"][1]["result"], "absent");
    EXPECT_FALSE(Exists("f1"));

    Write("ro");
    ReadOnly("ro");
    const ToolRun ro = RunTool({"fs", "delete", "-y", H("ro")});
    EXPECT_EQ(ro.exit, 1);
    EXPECT_NE(ro.err.find("read-only"), std::string::npos) << ro.err;
    EXPECT_TRUE(Exists("ro"));
}

TEST_F(FilesTest, ConfirmationOnATerminal)
{
    Write("keep");
    const ToolRun no = RunToolOnTerminal({"fs", "delete", H("keep")}, "n");
    EXPECT_EQ(no.exit, 1);
    EXPECT_NE(no.out.find("Delete 1 file? [y/N]"), std::string::npos) << no.out;
    EXPECT_NE(no.out.find("not confirmed"), std::string::npos) << no.out;
    EXPECT_TRUE(Exists("keep"));

    const ToolRun yes = RunToolOnTerminal({"fs", "delete", H("keep")}, "y");
    EXPECT_EQ(yes.exit, 0) << yes.out;
    EXPECT_FALSE(Exists("keep"));
}

TEST_F(FilesTest, RmdirAndDeltree)
{
    Write("t/a.txt");
    Write("t/sub/b.txt");
    Write("t/sub/deeper/c.txt");
    Write("t/other/d.txt");
    Write("t/sub/ro.txt");
    ReadOnly("t/sub/ro.txt");

    const ToolRun notEmpty = RunTool({"fs", "rmdir", "--yes", H("t/other")});
    EXPECT_EQ(notEmpty.exit, 1);
    EXPECT_NE(notEmpty.err.find("not empty"), std::string::npos) << notEmpty.err;

    // What a tree deletion would do, in its order, without doing it.
    const ToolRun dry = RunTool({"--json", "fs", "deltree", "--dry-run", H("t")});
    EXPECT_EQ(dry.exit, 0);
    const auto doc = dry.Json();
    EXPECT_EQ(Paths(doc["would_delete"]),
              (std::set<std::string>{H("t/a.txt"), H("t/sub/b.txt"), H("t/sub/deeper/c.txt"),
                                     H("t/sub/deeper"), H("t/other/d.txt"), H("t/other")}));
    EXPECT_EQ(Paths(doc["would_keep"]),
              (std::set<std::string>{H("t/sub/ro.txt"), H("t/sub"), H("t")}));
    // Depth first: a directory's content before the directory.
    std::vector<std::string> order;
    for (const auto &e : doc["would_delete"])
        order.push_back(e["path"]);
    const auto at = [&order](const std::string &p) {
        return std::find(order.begin(), order.end(), p) - order.begin();
    };
    EXPECT_LT(at(H("t/sub/deeper/c.txt")), at(H("t/sub/deeper")));
    EXPECT_LT(at(H("t/other/d.txt")), at(H("t/other")));
    EXPECT_TRUE(Exists("t/a.txt"));

    EXPECT_EQ(RunTool({"fs", "deltree", H("t")}).exit, 2);
    EXPECT_TRUE(Exists("t/a.txt"));

    const ToolRun partial = RunTool({"fs", "deltree", "--yes", H("t")});
    EXPECT_EQ(partial.exit, 1);
    EXPECT_TRUE(partial.OneErrorLine()) << partial.err;
    EXPECT_TRUE(Exists("t/sub/ro.txt"));
    EXPECT_FALSE(Exists("t/a.txt"));
    EXPECT_FALSE(Exists("t/other"));
    EXPECT_FALSE(Exists("t/sub/deeper"));

    ASSERT_EQ(::chmod(H("t/sub/ro.txt").c_str(), 0644), 0);
    EXPECT_EQ(RunTool({"fs", "deltree", "--yes", H("t")}).exit, 0);
    EXPECT_FALSE(Exists("t"));
    EXPECT_EQ(RunTool({"fs", "deltree", "--yes", H("t")}).out, "absent   " + H("t") + "\n");

    test::MakeHostDirs(H("empty"));
    EXPECT_EQ(RunTool({"fs", "rmdir", "--yes", H("empty")}).exit, 0);
    EXPECT_FALSE(Exists("empty"));
}

TEST_F(FilesTest, DeleteMatching)
{
    for (const char *f : {"d/a.tmp", "d/b.TMP", "d/c.txt", "d/sub/e.tmp"})
        Write(f);
    const ToolRun dry = RunTool({"--json", "fs", "delsub", "--dry-run", H("d"), "*.tmp"});
    EXPECT_EQ(dry.exit, 0);
    EXPECT_EQ(Paths(dry.Json()["would_delete"]),
              (std::set<std::string>{H("d/a.tmp"), H("d/b.TMP")}));

    EXPECT_EQ(RunTool({"fs", "delsub", H("d"), "*.tmp"}).exit, 2);
    EXPECT_TRUE(Exists("d/a.tmp"));
    EXPECT_EQ(RunTool({"fs", "delsub", "--yes", H("d"), "*.tmp"}).exit, 0);
    EXPECT_FALSE(Exists("d/a.tmp"));
    EXPECT_FALSE(Exists("d/b.TMP"));
    EXPECT_TRUE(Exists("d/c.txt"));
    EXPECT_TRUE(Exists("d/sub/e.tmp"));
}

TEST_F(FilesTest, Probe)
{
    test::MakeHostDirs(H("w"));
    const ToolRun ok = RunTool({"--json", "fs", "probe", H("w")});
    EXPECT_EQ(ok.exit, 0);
    EXPECT_EQ(ok.Json()["writable"], true);
    EXPECT_FALSE(Exists("w/tmp$d123.tmp"));

    EXPECT_EQ(RunTool({"fs", "probe", H("missing")}).exit, 1);
    EXPECT_FALSE(Exists("missing"));
    EXPECT_EQ(RunTool({"fs", "probe", "--create", H("made/here")}).exit, 0);
    EXPECT_TRUE(Exists("made/here"));
}

}  // namespace
}  // namespace tooltest
}  // namespace brenvik
