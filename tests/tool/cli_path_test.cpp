// brenvik path: known results, exit codes and the naming of host paths.
#include "tool_fixture.h"

namespace brenvik {
namespace tooltest {
namespace {

using Args = std::vector<std::string>;
using Fields = std::vector<std::pair<std::string, std::string>>;

struct Case {
    Args args;
    int exit;
    Fields fields;  // expected string members of the JSON document
};

std::string Joined(const Args &args)
{
    std::string text = "brenvik";
    for (const std::string &a : args)
        text += " " + a;
    return text;
}

class PathTest : public ToolTest {
protected:
    void Check(const std::vector<Case> &cases)
    {
        for (const Case &c : cases) {
            Args args{"--json"};
            args.insert(args.end(), c.args.begin(), c.args.end());
            const ToolRun run = RunTool(args);
            EXPECT_EQ(run.exit, c.exit) << Joined(c.args) << "\n" << run.out << run.err;
            const auto doc = run.Json();
            for (const auto &f : c.fields) {
                ASSERT_TRUE(doc.contains(f.first)) << Joined(c.args) << ": no " << f.first;
                EXPECT_EQ(doc[f.first], f.second) << Joined(c.args) << ": " << f.first;
            }
            if (c.exit != 0 && !doc.contains("valid")) {
                EXPECT_TRUE(run.OneErrorLine()) << Joined(c.args) << "\n" << run.err;
            }
        }
    }
};

TEST_F(PathTest, Split)
{
    Check({
        {{"path", "split", "C:\\dir\\file.ext"},
         0,
         {{"form", "drive"}, {"drive", "C:\\"}, {"dir", "dir"}, {"filename", "file.ext"},
          {"title", "file"}, {"ext", ".ext"}, {"root", "C:\\"}}},
        {{"path", "split", "c:\\dir1\\dir2\\file.tar.gz"},
         0,
         {{"drive", "c:\\"}, {"dir", "dir1\\dir2"}, {"title", "file.tar"}, {"ext", ".gz"}}},
        {{"path", "split", "C:\\dir\\"}, 0, {{"dir", "dir"}, {"filename", ""}}},
        {{"path", "split", "\\\\computer\\share\\dir\\file.ext"},
         0,
         {{"form", "unc"}, {"computer", "computer"}, {"share", "share"}, {"dir", "dir"},
          {"filename", "file.ext"}, {"root", "\\\\computer\\share\\"}}},
        {{"path", "split", "\\\\c\\s\\d\\a.b.c"}, 0, {{"title", "a.b"}, {"ext", ".c"}}},
        {{"path", "split", "C:\\..\\f.txt"}, 1, {}},
        {{"path", "split", "C:\\d\\\\f"}, 1, {}},
        {{"path", "split", "\\\\computer\\"}, 1, {}},
        {{"path", "split", "C:"}, 1, {}},
        // A relative Windows path (it holds a backslash) is not split.
        {{"path", "split", "dir\\f.txt"}, 1, {}},
        // Host paths are named by the drive that holds them.
        {{"path", "split", "/home/u/x.txt"},
         0,
         {{"path", "/home/u/x.txt"}, {"windows", "C:\\home\\u\\x.txt"}, {"dir", "home\\u"}}},
        // --win takes it as it is: then it is no drive path.
        {{"--win", "path", "split", "/home/u/x.txt"}, 1, {}},
    });
}

TEST_F(PathTest, SplitFailureNamesTheCause)
{
    const ToolRun run = RunTool({"path", "split", "C:\\..\\x"});
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.OneErrorLine()) << run.err;
    EXPECT_NE(run.err.find("cannot split 'C:\\..\\x'"), std::string::npos) << run.err;
    EXPECT_NE(RunTool({"path", "split", "x\\y"}).err.find("not a drive path"), std::string::npos);
}

TEST_F(PathTest, Compose)
{
    auto compose = [](Args pieces) {
        Args args{"path", "compose"};
        args.insert(args.end(), pieces.begin(), pieces.end());
        return args;
    };
    Check({
        {compose({"--drive", "C:\\", "--dir", "dir", "--title", "file", "--ext", "ext"}),
         0,
         {{"result", "C:\\dir\\file.ext"}}},
        {compose({"--drive", "c:", "--dir", "d1\\d2", "--title", "file", "--ext", ".ext"}),
         0,
         {{"result", "c:\\d1\\d2\\file.ext"}}},
        {compose({"--server", "computer", "--share", "share", "--dir", "d1\\d2\\", "--title",
                  "file.", "--ext", "ext"}),
         0,
         {{"result", "\\\\computer\\share\\d1\\d2\\file.ext"}, {"form", "unc"}}},
        {compose({"--server", "c", "--share", "s", "--dir", "..", "--title", "f", "--ext", "e"}),
         0,
         {{"result", "\\\\c\\s\\..\\f.e"}}},
        {compose({"--drive", "C:", "--dir", "..", "--title", "file", "--ext", "ext"}), 1, {}},
        {compose({"--server", "c", "--share", "s", "--dir", "\\d", "--title", "f", "--ext", "e"}),
         1,
         {}},
        {compose({"--drive", "C:", "--dir", "a", "--title", "file", "--ext", "e*t"}), 1, {}},
        {compose({"--drive", "C:", "--dir", "", "--title", "file", "--ext", "ext"}), 1, {}},
    });
}

TEST_F(PathTest, ValidateAndCheck)
{
    Check({
        {{"path", "validate", "C:\\"}, 0, {}},
        {{"path", "validate", "C:"}, 1, {}},
        {{"path", "validate", "\\\\sv\\"}, 0, {}},
        {{"path", "validate", "C:\\\\x"}, 1, {}},
        {{"path", "validate-name", "file.txt", "a b"}, 0, {}},
        {{"path", "validate-name", "a:b"}, 1, {}},
        {{"path", "validate-name", "--allow-bs-colon", "C:\\dir\\a.txt"}, 0, {}},
        {{"path", "check", "C:\\dir\\Movie.VCD"},
         0,
         {{"dir", "C:\\dir"}, {"filename", "Movie.VCD"}, {"ext", "vcd"}}},
        {{"path", "check", "\\\\srv\\share\\f"}, 0, {{"dir", "\\\\srv\\share"}, {"ext", ""}}},
        {{"path", "check", "A:\\f", "--floppy"}, 0, {{"dir", "A:"}}},
        {{"path", "check", "C:\\a?b"}, 1, {}},
        {{"path", "check", "C:\\dir\\"}, 1, {}},
    });
    // The code says why.
    const struct {
        Args args;
        int code;
    } codes[] = {{{"C:\\a?b"}, 2},
                 {{"A:\\f"}, 3},
                 {{"C:\\a:b"}, 3},
                 {{"\\\\s\\d\\f", "--no-unc"}, 4},
                 {{"C:\\d\\f", "--no-drive"}, 5}};
    for (const auto &c : codes) {
        Args args{"--json", "path", "check"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.exit, 1) << Joined(args);
        EXPECT_EQ(run.Json()["code"], c.code) << Joined(args);
        EXPECT_EQ(run.Json()["valid"], false) << Joined(args);
    }
    // Several paths: one document, exit 1 when any is invalid.
    const ToolRun mixed = RunTool({"--json", "path", "validate", "C:\\ok", "C:"});
    EXPECT_EQ(mixed.exit, 1);
    const auto doc = mixed.Json();
    ASSERT_EQ(doc["results"].size(), 2u);
    EXPECT_EQ(doc["results"][0]["valid"], true);
    EXPECT_EQ(doc["results"][1]["valid"], false);
}

TEST_F(PathTest, Rewrites)
{
    Check({
        {{"path", "join", "C:\\", "a.vcd"}, 0, {{"result", "C:\\a.vcd"}}},
        {{"path", "join", "C:\\dir", "a.VCD"}, 0, {{"result", "C:\\dir\\a.VCD"}}},
        {{"path", "join", "C:\\dir", "a"}, 0, {{"result", "C:\\dir\\a"}}},
        {{"path", "join", "C:\\dir", "a.txt"}, 1, {}},
        {{"path", "join", "A:\\dir", "a.vcd"}, 1, {}},
        {{"path", "chext", "C:\\dir\\file.txt", "bak"}, 0, {{"result", "C:\\dir\\file.bak"}}},
        {{"path", "chext", "C:\\dir\\README", ".bak"}, 0, {{"result", "C:\\dir\\README.bak"}}},
        {{"path", "chext", "\\\\srv\\share\\d\\f.txt", "bak"},
         0,
         {{"result", "\\\\srv\\share\\d\\f.bak"}}},
        {{"path", "chext", "C:\\file.txt", "bak"}, 1, {}},
        {{"path", "chext", "C:\\dir\\", "bak"}, 1, {}},
        {{"path", "chext", "--loose", "C:\\dir\\file.txt", "bak"},
         0,
         {{"result", "C:\\dir\\file.bak"}, {"old_ext", ".txt"}}},
        {{"path", "chext", "--loose", "C:/d/f.txt", "x"}, 0, {{"result", "C:/d/f.x"}}},
        {{"path", "affix", "C:\\dir\\file.txt", "--prefix", " new_", "--postfix", "_1 "},
         0,
         {{"result", "C:\\dir\\new_file_1.txt"}}},
        {{"path", "affix", "C:\\dir\\a.txt", "--postfix", "_x"},
         0,
         {{"result", "C:\\dir\\a_x.txt"}}},
        {{"path", "affix", "C:\\dir\\README", "--prefix", "a"}, 1, {}},
        {{"path", "affix", "C:\\dir\\a.txt", "--prefix", "b|"}, 1, {}},
        {{"path", "dirof", "C:\\dir\\file.txt"}, 0, {{"result", "C:\\dir\\"}}},
        {{"path", "dirof", "C:\\"}, 0, {{"result", "C:\\"}}},
        {{"path", "dirof", "\\\\srv\\share\\f.txt"}, 0, {{"result", "\\\\srv\\share\\"}}},
        {{"path", "dirof", "C:f.txt"}, 1, {}},
        {{"path", "ext", "C:\\dir.d\\file"}, 0, {{"ext", "d\\file"}}},
        {{"path", "ext", "C:\\dir\\README"}, 0, {{"ext", ""}}},
    });
}

TEST_F(PathTest, HostArgumentsComeBackInHostForm)
{
    const std::string file = H("sub/file.txt");
    const ToolRun run = RunTool({"path", "chext", file, "bak"});
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(run.out, H("sub/file.bak") + "\n");

    const auto doc = RunTool({"--json", "path", "chext", file, "bak"}).Json();
    EXPECT_EQ(doc["result"], W(H("sub/file.bak")));
    EXPECT_EQ(doc["host"], H("sub/file.bak"));
    EXPECT_EQ(doc["windows"], W(file));

    // Relative to the working directory, and shown as typed.
    RunOptions inDir;
    inDir.cwd = dir_.path();
    const ToolRun rel = RunTool({"path", "dirof", "sub/file.txt"}, inDir);
    // Results beside or above the argument are shown from the same place.
    EXPECT_EQ(rel.out, "sub\n");
    EXPECT_EQ(RunTool({"image", "dvd-names", "--json", "sub/a.vcd"}, inDir).Json()["master"],
              W(H("sub/a.DVD/a.DVD.D00")));
    EXPECT_EQ(RunTool({"path", "chext", "sub/../x/a.vcd", "iso"}, inDir).out, "sub/../x/a.iso\n");
    EXPECT_EQ(RunTool({"path", "dirof", "sub/../x/a.vcd"}, inDir).out, "sub/../x\n");
    EXPECT_EQ(RunTool({"path", "dirof", "../y/a.vcd"}, inDir).out, "../y\n");
    EXPECT_EQ(RunTool({"path", "dirof", "./a.vcd"}, inDir).out, ".\n");
    const auto relDoc = RunTool({"--json", "path", "split", "sub/file.txt"}, inDir).Json();
    EXPECT_EQ(relDoc["windows"], W(file));
    EXPECT_EQ(relDoc["path"], "sub/file.txt");
}

TEST_F(PathTest, ConfiguredDrivesNameHostPaths)
{
    test::MakeHostDirs(H("disc"));
    SetRegistry({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\D]\r\n\"Path\"=\"" +
                     H("disc") + "\"\r\n\"Type\"=\"cdrom\"\r\n",
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C]\r\n\"Path\"=\"/\"\r\n"});
    const auto doc = RunTool({"--json", "path", "split", H("disc/films/a.vcd")}).Json();
    EXPECT_EQ(doc["windows"], "D:\\films\\a.vcd");
    EXPECT_EQ(doc["drive"], "D:\\");
    EXPECT_EQ(RunTool({"--json", "path", "split", "/etc/x"}).Json()["windows"], "C:\\etc\\x");
}

}  // namespace
}  // namespace tooltest
}  // namespace brenvik
