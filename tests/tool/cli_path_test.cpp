// brenvik path: results, exit codes and the naming of host paths.
#include "platform/posix_fixture.h"
#include "tool_fixture.h"

namespace brenvik {
namespace tooltest {
namespace {

class PathTest : public ToolTest {};

TEST_F(PathTest, Subcommands)
{
    Check({
        {{"--json", "path", "split", "C:\\dir\\file.tar.gz"}, 0,
         {{"/form", "drive"}, {"/drive", "C:\\"}, {"/dir", "dir"}, {"/filename", "file.tar.gz"},
          {"/title", "file.tar"}, {"/ext", ".gz"}, {"/root", "C:\\"}}},
        {{"--json", "path", "split", "\\\\pc\\share\\f.e"}, 0,
         {{"/form", "unc"}, {"/computer", "pc"}, {"/share", "share"}, {"/root", "\\\\pc\\share\\"}}},
        {{"path", "split", "C:\\..\\x"}, 1, {{"err", "cannot split 'C:\\..\\x'"}}},
        {{"path", "split", "x\\y"}, 1, {{"err", "not a drive path"}}},
        {{"--win", "path", "split", "/home/u/x.txt"}, 1, {}},
        {{"--json", "path", "compose", "--drive", "c:", "--dir", "d1\\d2", "--title", "f", "--ext", ".e"},
         0, {{"/result", "c:\\d1\\d2\\f.e"}}},
        {{"--json", "path", "compose", "--server", "pc", "--share", "s", "--dir", "d\\", "--title", "f.",
          "--ext", "e"}, 0, {{"/result", "\\\\pc\\s\\d\\f.e"}, {"/form", "unc"}}},
        {{"path", "compose", "--drive", "C:", "--dir", "a", "--title", "f", "--ext", "e*t"}, 1, {}},
        {{"path", "validate", "C:\\"}, 0, {}},
        {{"--json", "path", "validate", "C:\\ok", "C:"}, 1,
         {{"/results/0/valid", true}, {"/results/1/valid", false}}},
        {{"path", "validate-name", "file.txt", "a b"}, 0, {}},
        {{"path", "validate-name", "a:b"}, 1, {}},
        {{"path", "validate-name", "--allow-bs-colon", "C:\\dir\\a.txt"}, 0, {}},
        {{"--json", "path", "check", "C:\\dir\\Movie.VCD"}, 0,
         {{"/dir", "C:\\dir"}, {"/filename", "Movie.VCD"}, {"/ext", "vcd"}}},
        {{"--json", "path", "check", "A:\\f", "--floppy"}, 0, {{"/dir", "A:"}}},
        {{"--json", "path", "check", "C:\\a?b"}, 1, {{"/valid", false}, {"/code", 2}}},
        {{"--json", "path", "check", "A:\\f"}, 1, {{"/code", 3}}},
        {{"--json", "path", "check", "\\\\s\\d\\f", "--no-unc"}, 1, {{"/code", 4}}},
        {{"--json", "path", "check", "C:\\d\\f", "--no-drive"}, 1, {{"/code", 5}}},
        {{"--json", "path", "join", "C:\\dir", "a.VCD"}, 0, {{"/result", "C:\\dir\\a.VCD"}}},
        {{"path", "join", "C:\\dir", "a.txt"}, 1, {}},
        {{"--json", "path", "chext", "C:\\dir\\README", ".bak"}, 0, {{"/result", "C:\\dir\\README.bak"}}},
        {{"path", "chext", "C:\\file.txt", "bak"}, 1, {}},
        {{"--json", "path", "chext", "--loose", "C:/d/f.txt", "x"}, 0,
         {{"/result", "C:/d/f.x"}, {"/old_ext", ".txt"}}},
        {{"--json", "path", "affix", "C:\\d\\f.txt", "--prefix", " new_", "--postfix", "_1 "}, 0,
         {{"/result", "C:\\d\\new_f_1.txt"}}},
        {{"path", "affix", "C:\\dir\\a.txt", "--prefix", "b|"}, 1, {}},
        {{"path", "dirof", "\\\\srv\\share\\f.txt"}, 0, {{"out=", "\\\\srv\\share\\\n"}}},
        {{"path", "dirof", "C:f.txt"}, 1, {}},
        {{"--json", "path", "ext", "C:\\dir.d\\file"}, 0, {{"/ext", "d\\file"}}},
    });
}

TEST_F(PathTest, HostPathsComeBackAsGiven)
{
    Check({
        {{"--json", "path", "split", "@/sub/x.txt"}, 0,
         {{"/path", "@/sub/x.txt"}, {"/windows", "%\\sub\\x.txt"}}},
        {{"--json", "path", "split", "sub/x.txt"}, 0,
         {{"/path", "sub/x.txt"}, {"/windows", "%\\sub\\x.txt"}}},
        {{"path", "chext", "@/sub/f.txt", "bak"}, 0, {{"out=", "@/sub/f.bak\n"}}},
        {{"--json", "path", "chext", "@/sub/f.txt", "bak"}, 0,
         {{"/result", "%\\sub\\f.bak"}, {"/host", "@/sub/f.bak"}, {"/windows", "%\\sub\\f.txt"}}},
        {{"path", "chext", "sub/../x/a.vcd", "iso"}, 0, {{"out=", "sub/../x/a.iso\n"}}},
        {{"path", "dirof", "sub/f.txt"}, 0, {{"out=", "sub\n"}}},
        {{"path", "dirof", "../y/a.vcd"}, 0, {{"out=", "../y\n"}}},
        {{"path", "dirof", "./a.vcd"}, 0, {{"out=", ".\n"}}},
    });
    // Named by the configured drive that holds them.
    test::MakeHostDirs(H("disc"));
    SetRegistry({posixtest::DriveKey('D', H("disc"), "cdrom"), posixtest::DriveKey('C', "/", "fixed")});
    Check({
        {{"--json", "path", "split", "@/disc/films/a.vcd"}, 0,
         {{"/windows", "D:\\films\\a.vcd"}, {"/drive", "D:\\"}}},
        {{"--json", "path", "split", "/etc/x"}, 0, {{"/windows", "C:\\etc\\x"}}},
    });
}

}  // namespace
}  // namespace tooltest
}  // namespace brenvik
