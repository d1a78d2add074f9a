// brenvik: help and usage, path, file and fs, run as a user runs them.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/posix_fixture.h"
#include "platform/services.h"
#include "tool_fixture.h"

namespace brenvik {
namespace tooltest {
namespace {

// reference_test.sh runs every command's help.
TEST_F(ToolTest, HelpVersionAndBadUsage)
{
    const std::string version = "brenvik " BRENVIK_TOOL_VERSION_TEXT "\n";
    Check({
        {"--help", 0, {{"out", "Usage:"}, {"out", "Subcommands:\n  drives "}}},
        {"--version", 0, {{"out=", version}}}, {"net ping --version", 0, {{"out=", version}}},
        {{}, 2}, {"path", 2}, {"drives 1", 2},
        {"bogus", 2, {{"err", "unknown command 'bogus'; did you mean"}}},
        {"fs deltre x", 2, {{"err", "did you mean 'fs deltree'?"}}},
        {"--json pth split x", 2, {{"/exit", 2}, {"~/error", "did you mean 'path'?"}}},
        {"net ping localhost --count 0", 2}, {"scan -j 0 @", 2}, {"path affix C:\\d\\f.txt", 2},
        {"file attr / --set zz", 2}, {"path compose --drive C: --server s --dir d --title t", 2},
        // Host names Windows would read differently, or too long for it, have no Windows name.
        {"path split /tmp/dir./f.vcd", 2, {{"err", "cannot name"}}},
        {{"file", "status", "/" + std::string(300, 'a')}, 2},
    });
    // The demo writer takes an option as an option, never as a directory to create.
    const ToolRun demo = RunProgram(BRENVIK_MKDEMO_PATH, {"--version"}, dir_.path());
    EXPECT_TRUE(demo.exit == 2 && demo.err.rfind("usage: brenvik-mkdemo DIR", 0) == 0) << demo.err;
    EXPECT_FALSE(Exists("--version"));
    // Output that cannot be written is a failure, said once.
    const ToolRun full = RunProgram("/bin/sh", {"-c", "\"$0\" drives >/dev/full", kTool});
    EXPECT_TRUE(full.exit == 1 && full.OneErrorLine()) << full.exit << full.err;
    EXPECT_NE(full.err.find("cannot write standard output"), std::string::npos) << full.err;
}

TEST_F(ToolTest, Path)
{
    Check({
        {"--json path split C:\\dir\\f.tar.gz", 0, {{"/form", "drive"}, {"/drive", "C:\\"},
            {"/dir", "dir"}, {"/title", "f.tar"}, {"/ext", ".gz"}, {"/root", "C:\\"}}},
        {"--json path split \\\\pc\\s\\f.e", 0, {{"/form", "unc"}, {"/share", "s"}}},
        {"path split z:\\..\\x", 1, {{"err", "cannot split 'z:\\..\\x': not a valid drive path"}}},
        {"path split x\\y", 1, {{"err", "'x\\y': not a drive path"}}},
        {"--win path split /home/u/x.txt", 1}, {"path validate-name a:b", 1},
        {"path compose --drive c: --dir d --title f --ext .e", 0, {{"out=", "c:\\d\\f.e\n"}}},
        {"--json path compose --server pc --share s --dir d\\ --title f. --ext e", 0,
            {{"/result", "\\\\pc\\s\\d\\f.e"}, {"/form", "unc"}}},
        {"path compose --drive C: --dir a --title f --ext e*t", 1},
        {"--json path validate C:\\ok C:", 1,
            {{"/results/0/valid", true}, {"/results/1/valid", false}}},
        {"--json path check C:\\dir\\Movie.VCD", 0, {{"/dir", "C:\\dir"}, {"/ext", "vcd"}}},
        {"--json path check A:\\f", 1, {{"/valid", false}, {"/code", 3}}},
        {"--json path check \\\\s\\d\\f --no-unc", 1, {{"/code", 4}}},
        {"--json path check C:\\d\\f --no-drive", 1, {{"/code", 5}}},
        {"--json path join C:\\dir a.VCD", 0, {{"/result", "C:\\dir\\a.VCD"}}},
        {"path join C:\\dir a.txt", 1}, {"path dirof C:f.txt", 1},
        {"path chext C:\\file.txt bak", 1}, {"--json path chext --loose C:/d/f.txt x", 0,
            {{"/result", "C:/d/f.x"}, {"/old_ext", ".txt"}}},
        {{"--json", "path", "affix", "C:\\d\\f.txt", "--prefix", " new_", "--postfix", "_1 "}, 0,
            {{"/result", "C:\\d\\new_f_1.txt"}}},
        {"path affix C:\\dir\\a.txt --prefix b|", 1},
        {"path dirof \\\\srv\\share\\f.txt", 0, {{"out=", "\\\\srv\\share\\\n"}}},
        {"--json path ext C:\\dir.d\\file", 0, {{"/ext", "d\\file"}}},
        // Host paths are named by their drive and come back as given.
        {"path chext @/s/f.txt bak", 0, {{"out=", "@/s/f.bak\n"}}},
        {"--json path chext @/s/f.txt bak", 0,
            {{"/result", "%\\s\\f.bak"}, {"/host", "@/s/f.bak"}, {"/windows", "%\\s\\f.txt"}}},
    });
}

TEST_F(ToolTest, FileAndFs)
{
    for (const char *f : {"f.txt", ".hidden", "ro.txt", "d/x", "bad\xff.txt"})
        Write(f, std::string(1234, 'z'));
    for (const char *f : {"file", "a1", "b1"})
        Write(f, f);
    ASSERT_EQ(::chmod(H("ro.txt").c_str(), 0444), 0);
    Write("big");
    ASSERT_EQ(::truncate(H("big").c_str(), 5LL << 30), 0);  // sparse: 5 GiB, all 64 bits count
    Check({
        {"file size big", 0, {{"out=", "5368709120  big\n"}}},
        {"--json file status f.txt @/d @/ro.txt @/.hidden @/missing", 1,
            {{"/entries/0/windows", "%\\f.txt"}, {"/entries/0/file", true},
             {"/entries/0/writable", true}, {"/entries/1/directory", true},
             {"/entries/2/writable", false}, {"/entries/3/hidden", true},
             {"/entries/4/exists", false}}},
        // Kind, flags (the archive bit depends on the file system), path.
        {"file status d ro.txt", 0,
            {{"out", "directory  - "}, {"out", "  d\nfile       readonly"}, {"out", "  ro.txt\n"}}},
        {"file size d", 1, {{"err", "it is a directory"}}},
        {"file size none", 1, {{"err", "does not exist"}}},
        {"--json file attr d", 0, {{"/attributes", 16}, {"/names", {"directory"}}}},
        // The mask test decides the exit code.
        {"file attr d --set 0x10", 0}, {"file attr f.txt --set 0x10", 1},
        {"file attr f.txt --clear 16", 0}, {"file attr none", 1},
        // A name that is not UTF-8 keeps its bytes (backslashes doubled); a valid one no copy.
        {"--json file size bad\xff.txt @/f.txt", 0,
            {{"/files/0/path_bytes", "bad\\xff.txt"}, {"/files/1/path_bytes", "(absent)"},
             {"/files/1/size", 1234}, {"~/files/0/windows_bytes", "\\\\bad\\xff.txt"}}},
        {"--json fs mkdir -p @/a/b/c", 0, {{"/results/0/result", "created"}, {"?a/b/c", true}}},
        {"--json fs mkdir -p a/b/c", 0, {{"/results/0/result", "exists"}}},
        {"fs mkdir x/y", 1, {{"err", "give -p"}, {"?x", false}}},
        {"fs mkdir a", 1}, {"fs mkdir --exist-ok a", 0},
        {"fs mkdir --exist-ok file", 1, {{"err", "a file of that name"}}},
        {"fs rename a1 b1", 2, {{"?a1", true}}},
        {"--json fs rename --dry-run a1 b1", 0, {{"/replaces", true}, {"?a1", true}}},
        {"fs rename --yes a1 b1", 0, {{"?a1", false}}},
        {"fs rename b1 c1", 0, {{"?c1", true}}}, {"fs rename gone d1", 1},
        {"fs mkdir p", 0}, {"--json fs probe p", 0, {{"/writable", true}}},
        {"fs probe --create made/here", 0, {{"?made/here", true}}},
    });
    EXPECT_EQ(test::ReadHostFile(H("c1")), "a1");
    EXPECT_TRUE(std::filesystem::is_empty(H("p")));  // the probe leaves nothing behind
}

// A deletion asks first and reaches only what is named: patterns stay in their directory,
// roots need an option, a name Windows reads as another entry is refused with both.
TEST_F(ToolTest, Deletions)
{
    for (const char *f : {"f1", "f2", "t/d/c.txt", "t/ro.txt", "u/x/y.txt", "m/a.tmp", "m/B.TMP",
                          "m/c.txt", "m/sub/e.tmp", "empty/x", "top.keep", "r/a.tmp", "r/d/x",
                          "dot", "dot.", "solo", "x/y/important.txt", "x\\y", "a1", "ro", "d/x",
                          "r/k", "r/k.", "sub./f", "sub/f"})
        Write(f);
    for (const char *ro : {"t/ro.txt", "ro"})
        ASSERT_EQ(::chmod(H(ro).c_str(), 0444), 0);
    ASSERT_EQ(std::remove(H("empty/x").c_str()), 0);
    using posixtest::DriveKey;
    SetRegistry({DriveKey('C', "/", "fixed"), DriveKey('R', H("r"), "fixed"),
                 posixtest::ShareKey("nas", "share", H("r"))});
    const std::string root = " (give --no-preserve-root if you mean it)";
    Check({
        {"fs delete f1", 2, {{"err", "--yes"}, {"?f1", true}}},
        {"--json fs delete --yes f1 gone", 0,
            {{"/results/0/result", "deleted"}, {"/results/1/result", "absent"}, {"?f1", false}}},
        {"fs rmdir --yes empty", 0, {{"?empty", false}}},
        // Depth first: a directory's content before the directory.
        {"--json fs deltree --dry-run @/t", 0,
            {{"/would_delete/0/path", "@/t/d/c.txt"}, {"/would_delete/1/path", "@/t/d"},
             {"/would_keep/0/path", "@/t/ro.txt"}, {"/would_keep/1/path", "@/t"},
             {"?t/d/c.txt", true}}},
        {"fs deltree t", 2, {{"err", "'t' and everything in it (1 file, 1 directory) without"}}},
        {"fs deltree --yes u", 0, {{"?u", false}}},
        {"fs delsub --yes m ..\\*.keep", 2, {{"err", "pattern"}, {"?top.keep", true}}},
        {"fs delsub --yes m *.tmp", 0,
            {{"?m/a.tmp", false}, {"?m/B.TMP", false}, {"?m/c.txt", true}, {"?m/sub/e.tmp", true}}},
        {"fs deltree --yes R:", 2, {{"err", "it is the root of R:" + root}}},
        {"fs deltree --yes r", 2, {{"err", "'r': it is the root of R:\\" + root}}},
        {"fs deltree --yes \\\\nas\\share\\", 2, {{"?r/d/x", true}}},
        {"fs delsub -n /proc *.none", 2, {{"err", "it is a mount point"}}},
        {"fs delsub --yes --no-preserve-root R:\\ *.tmp", 0,
            {{"?r/a.tmp", false}, {"?r/d/x", true}}},
        // Windows reads "dot." as "dot" and "x\y" as x/y: both exist beside the literal names.
        {"fs delete --yes %\\dot.", 2,
            {{"err", "'@/dot.'"}, {"err", "'@/dot'"}, {"?dot", true}, {"?dot.", true}}},
        {"fs delete --yes \\\\nas\\share\\k.", 2, {{"?r/k", true}, {"?r/k.", true}}},
        {"fs deltree --yes x\\y", 2,
            {{"err", "'x\\y'"}, {"?x/y/important.txt", true}, {"?x\\y", true}}},
        {"fs delete --yes %\\solo.", 0, {{"?solo", false}}},
        // A directory's final dot stays where the name is not the last: never the other entry.
        {"fs delete --yes %\\sub.\\f", 2, {{"?sub/f", true}, {"?sub./f", true}}},
        {"--json fs rename -n a1 ro", 0,
            {{"/ok", false}, {"/would_fail/0/why", "it is read-only"}}},
        {"fs rename --yes a1 ro", 1, {{"err", "read-only"}}},
        {"fs rename -n a1 d", 0, {{"out", "would fail"}, {"out", "a directory"}}},
        {"fs rename -n a1 no/b1", 0, {{"out", "directory does not exist"}}},
        {"fs delsub --yes nodir *.tmp", 1, {{"err", "does not exist"}}},
        {"fs deltree --yes a1", 1, {{"err", "is a file"}, {"?a1", true}}},
    });
    const ToolRun no = RunToolOnTerminal({"fs", "delete", H("f2")}, "n");
    EXPECT_TRUE(no.exit == 1 && Exists("f2")) << no.exit;
    EXPECT_NE(no.out.find("Delete 1 file? [y/N]"), std::string::npos) << no.out;
    EXPECT_NE(no.out.find("not confirmed"), std::string::npos) << no.out;
    EXPECT_EQ(RunToolOnTerminal({"fs", "delete", H("f2")}, "y").exit, 0);
    EXPECT_FALSE(Exists("f2"));
}

// A dry run says what the real run then does, failures and their causes included.
TEST_F(ToolTest, DryRunPredictsTheRun)
{
    for (const char *f : {"t/d/c.txt", "t/ro.txt", "m/a.tmp", "m/ro.tmp", "m/sub/x.tmp", "f1",
                          "ro", "e/x", "u/a", "u/hidden/x", "m/held.tmp"})
        Write(f);
    for (const char *ro : {"t/ro.txt", "m/ro.tmp", "ro"})
        ASSERT_EQ(::chmod(H(ro).c_str(), 0444), 0);
    ASSERT_EQ(::chmod(H("u/hidden").c_str(), 0300), 0);  // cannot be listed
    // Root reads every directory: run the tool without that privilege.
    Args tool = {kTool};
    if (::geteuid() == 0)
        tool = {"/usr/bin/setpriv", "--bounding-set=-dac_override,-dac_read_search",
                "--inh-caps=-dac_override,-dac_read_search", kTool};
    const auto run = [&](Args args, const char *option) {  // JSON unless -n
        args.insert(args.begin(), tool.begin() + 1, tool.end());
        args.push_back(option);
        if (option != std::string("-n"))
            args.push_back("--json");
        return RunProgram(tool[0], args, dir_.path());
    };
    // Held open through the library without delete sharing, as another program would.
    const HANDLE held = platform::sys().CreateFileA(
        ("C:" + test::Backslashed(H("m/held.tmp"))).c_str(), GENERIC_READ, FILE_SHARE_READ,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::pair<Args, std::string> cases[] = {
        {{"fs", "delete", "f1", "ro", "e", "gone"}, "ro  (it is read-only)"},
        {{"fs", "rmdir", "e", "t"}, "e/  (it is not empty)"},
        {{"fs", "delsub", "m", "*.tmp"}, "m/held.tmp  (it is in use)"},
        {{"fs", "deltree", "u"}, "u/hidden/  (it is not empty)"},
    };
    for (const auto &[args, kept] : cases) {
        EXPECT_NE(run(args, "-n").out.find("would keep    " + kept), std::string::npos) << kept;
        const Json plan = run(args, "--dry-run").Doc();
        const ToolRun real = run(args, "--yes");
        EXPECT_EQ(real.exit, 1) << real.err;
        Json predicted = Json::array();
        for (const auto &e : plan["would_delete"])
            predicted.push_back(e["path"]);
        EXPECT_EQ(predicted, real.Doc()["deleted"]) << real.out;
        EXPECT_EQ(plan["would_keep"], real.Doc()["kept"]) << real.out;  // with the causes
    }
    platform::sys().CloseHandle(held);
    ASSERT_EQ(::chmod(H("u/hidden").c_str(), 0700), 0);
}

// The registry file's problems are told, naming file and line, once per run;
// config lists them, and --strict-config makes them bad usage.
TEST_F(ToolTest, RegistryProblems)
{
    test::MakeHostDirs(H("d"));
    registry_.Rewrite(test::RegText({posixtest::DriveKey('D', H("d"), "floppy-ish"), "garbage",
                                     posixtest::DriveKey('E', H("d\xe9"), "cdrom")}));
    const std::string problem = registry_.path() + ": line 3: drive D: unknown Type 'floppy-ish'";
    const ToolRun strict = RunProgram(kTool, {"--strict-config", "path", "split", "D:\\a"});
    EXPECT_TRUE(strict.exit == 2 && strict.out.empty()) << strict.exit << strict.out;
    const ToolRun warned = RunProgram(kTool, {"path", "split", "D:\\a"});
    const std::string told = "brenvik: warning: " + problem;
    EXPECT_TRUE(warned.exit == 0 && warned.err.find(told) != std::string::npos) << warned.err;
    EXPECT_EQ(warned.err.find(told), warned.err.rfind(told)) << warned.err;
    EXPECT_NE(warned.err.find("not a key or value line: garbage"), std::string::npos);
    Check({
        {"--json config", 0, {{"/file", registry_.path()}, {"/source", "BRENVIK_REGISTRY"},
            {"/drives/0/letter", "D"}, {"/drives/0/type", "unknown"},
            {"/drives/0/path", "@/d"}, {"~/problems", problem}, {"~/problems", "neither UTF-8"}}},
        {"--json --strict-config config", 2,
            {{"/exit", 2}, {"~/error", "--strict-config"}, {"/drives/0/letter", "D"}}},
    });
    ASSERT_EQ(std::remove(registry_.path().c_str()), 0);
    Check({{"--json config", 0, {{"~/problems", "No such file"}}}});
}

}  // namespace
}  // namespace tooltest
}  // namespace brenvik
