// brenvik file and fs: status, sizes, creation, renames, and deletions with
// their confirmation and dry runs.
#include <sys/stat.h>

#include <filesystem>

#include "tool_fixture.h"

namespace brenvik {
namespace tooltest {
namespace {

class FilesTest : public ToolTest {
protected:
    void ReadOnly(const std::string &relative) { ASSERT_EQ(::chmod(H(relative).c_str(), 0444), 0); }
};

TEST_F(FilesTest, StatusSizeAndAttributes)
{
    Write("f.txt", std::string(1234, 'z'));
    Write(".hidden");
    Write("ro.txt");
    ReadOnly("ro.txt");
    test::MakeHostDirs(H("d"));
    Check({
        {{"--json", "file", "status", "f.txt", "@/d", "@/ro.txt", "@/.hidden", "@/missing"}, 1,
         {{"/entries/0/windows", "%\\f.txt"}, {"/entries/0/file", true}, {"/entries/0/writable", true},
          {"/entries/0/hidden", false}, {"/entries/1/directory", true}, {"/entries/1/file", false},
          {"/entries/2/writable", false}, {"/entries/3/hidden", true}, {"/entries/4/exists", false}}},
        // Kind, flags (the archive bit depends on the file system), path.
        {{"file", "status", "d", "ro.txt"}, 0, {{"out", "directory  - "}, {"out", "  d\nfile       readonly"},
                                                {"out", "  ro.txt\n"}}},
        {{"--json", "file", "size", "@/f.txt"}, 0, {{"/files/0/size", 1234}}},
        {{"file", "size", "d"}, 1, {{"err", "it is a directory"}}},
        {{"file", "size", "none"}, 1, {{"err", "does not exist"}}},
        {{"--json", "file", "attr", "f.txt"}, 0, {{"/size", 1234}}},
        {{"--json", "file", "attr", "d"}, 0, {{"/names/0", "directory"}}},
        // The mask test decides the exit code.
        {{"file", "attr", "d", "--set", "0x10"}, 0, {}},
        {{"file", "attr", "f.txt", "--set", "0x10"}, 1, {}},
        {{"file", "attr", "f.txt", "--clear", "16"}, 0, {}},
        {{"file", "attr", "none"}, 1, {}},
    });
}

TEST_F(FilesTest, MkdirRenameProbe)
{
    Write("file");
    Write("a1", "new");
    Write("b1", "old");
    Check({
        {{"--json", "fs", "mkdir", "-p", "@/a/b/c"}, 0, {{"/results/0/result", "created"}, {"?a/b/c", true}}},
        {{"--json", "fs", "mkdir", "-p", "a/b/c"}, 0, {{"/results/0/result", "exists"}}},
        {{"fs", "mkdir", "x/y"}, 1, {{"err", "give -p"}, {"?x", false}}},
        {{"fs", "mkdir", "a"}, 1, {}},
        {{"fs", "mkdir", "--exist-ok", "a"}, 0, {}},
        {{"fs", "mkdir", "--exist-ok", "file"}, 1, {{"err", "a file of that name"}}},
        // Replacing asks first, like deleting.
        {{"fs", "rename", "a1", "b1"}, 2, {{"?a1", true}}},
        {{"--json", "fs", "rename", "--dry-run", "a1", "b1"}, 0, {{"/replaces", true}, {"?a1", true}}},
        {{"fs", "rename", "--yes", "a1", "b1"}, 0, {{"?a1", false}}},
        {{"fs", "rename", "b1", "c1"}, 0, {{"?c1", true}}},
        {{"fs", "rename", "gone", "d1"}, 1, {}},
        {{"fs", "mkdir", "p"}, 0, {}},
        {{"--json", "fs", "probe", "p"}, 0, {{"/writable", true}}},
        {{"fs", "probe", "missing"}, 1, {{"?missing", false}}},
        {{"fs", "probe", "--create", "made/here"}, 0, {{"?made/here", true}}},
    });
    EXPECT_EQ(test::ReadHostFile(H("c1")), "new");
    EXPECT_TRUE(std::filesystem::is_empty(H("p")));  // the probe leaves nothing behind
}

TEST_F(FilesTest, Deletions)
{
    for (const char *f : {"f1", "f2", "t/d/c.txt", "t/ro.txt", "u/x/y.txt", "m/a.tmp", "m/B.TMP", "m/c.txt",
                          "m/sub/e.tmp"})
        Write(f);
    ReadOnly("t/ro.txt");
    test::MakeHostDirs(H("empty"));
    Check({
        {{"fs", "delete", "f1"}, 2, {{"err", "--yes"}, {"?f1", true}}},
        {{"--json", "fs", "delete", "-n", "@/f1", "@/f2", "@/gone"}, 0,
         {{"/would_delete/0/path", "@/f1"}, {"/would_delete/1/path", "@/f2"}, {"?f1", true}, {"?f2", true}}},
        {{"fs", "delete", "--dry-run", "f1"}, 0, {{"out=", "would delete  f1\n"}, {"?f1", true}}},
        {{"--json", "fs", "delete", "--yes", "f1", "gone"}, 0,
         {{"/results/0/result", "deleted"}, {"/results/1/result", "absent"}, {"?f1", false}}},
        {{"fs", "delete", "-y", "t/ro.txt"}, 1, {{"err", "read-only"}, {"?t/ro.txt", true}}},
        {{"fs", "rmdir", "--yes", "t/d"}, 1, {{"err", "not empty"}}},
        {{"fs", "rmdir", "--yes", "empty"}, 0, {{"?empty", false}}},
        // Depth first: a directory's content before the directory.
        {{"--json", "fs", "deltree", "--dry-run", "@/t"}, 0,
         {{"/would_delete/0/path", "@/t/d/c.txt"}, {"/would_delete/1/path", "@/t/d"},
          {"/would_keep/0/path", "@/t/ro.txt"}, {"/would_keep/1/path", "@/t"}, {"?t/d/c.txt", true}}},
        {{"fs", "deltree", "t"}, 2, {{"?t/d/c.txt", true}}},
        {{"fs", "deltree", "--yes", "t"}, 1, {{"?t/ro.txt", true}, {"?t/d", false}}},
        {{"fs", "deltree", "--yes", "u"}, 0, {{"?u", false}}},
        {{"fs", "deltree", "--yes", "u"}, 0, {{"out=", "absent   u\n"}}},
        {{"--json", "fs", "delsub", "--dry-run", "m", "*.tmp"}, 0, {{"?m/a.tmp", true}}},
        {{"fs", "delsub", "--dry-run", "m", "*.tmp"}, 0,
         {{"out", "would delete  m/a.tmp\n"}, {"out", "would delete  m/B.TMP\n"}}},
        {{"fs", "delsub", "m", "*.tmp"}, 2, {{"?m/a.tmp", true}}},
        {{"fs", "delsub", "--yes", "m", "*.tmp"}, 0,
         {{"?m/a.tmp", false}, {"?m/B.TMP", false}, {"?m/c.txt", true}, {"?m/sub/e.tmp", true}}},
    });
}

TEST_F(FilesTest, ConfirmationOnATerminal)
{
    Write("keep");
    const ToolRun no = RunToolOnTerminal({"fs", "delete", H("keep")}, "n");
    EXPECT_EQ(no.exit, 1);
    EXPECT_NE(no.out.find("Delete 1 file? [y/N]"), std::string::npos) << no.out;
    EXPECT_NE(no.out.find("not confirmed"), std::string::npos) << no.out;
    EXPECT_TRUE(Exists("keep"));
    EXPECT_EQ(RunToolOnTerminal({"fs", "delete", H("keep")}, "y").exit, 0);
    EXPECT_FALSE(Exists("keep"));
}

}  // namespace
}  // namespace tooltest
}  // namespace brenvik
