// brenvik image, bundle, scan, drives and net, on the demo image library, odd
// trees and machines described by the tests' own registry files.
#include <unistd.h>


#include "platform/posix_fixture.h"
#include "tool_fixture.h"

namespace brenvik {
namespace tooltest {
namespace {

namespace mk = brenvik::mkimage;

TEST_F(ToolTest, ImagesAndBundles)
{
    ASSERT_EQ(RunProgram(BRENVIK_MKDEMO_PATH, {dir_.path()}).exit, 0);
    std::string concert = "library/Concert.DVD/Concert.DVD.D0";
    Check({
        // A slave has no header: it is named as what it is, with its master.
        {{"--json", "image", "type", "library/Holiday.vcd", "@/" + concert + "0", concert + "2",
             "library/Broken.vcd"}, 1,
            {{"/images/0/type", "video"}, {"/images/1/type", "dvd"}, {"/images/1/cluster", true},
             {"/images/2/master", concert + "0"}, {"/images/3/type", nullptr}}},
        {"image type library/Holiday.vcd library/Album.VCD.D01", 0, {{"out", "video CD        "},
            {"out", "slave of library/Album.VCD.D00  library/Album.VCD.D01\n"}}},
        {"--json image desc library/Holiday.vcd", 0,
            {{"/description", "Holiday by the sea"}, {"/desc_info", 1}}},
        {"image desc library/Broken.vcd", 1}, {"image master C:\\img\\Movie.DVD.D01", 1},
        {"--json image ext C:\\img\\Movie.dvd.d07 C:\\img\\Movie.DVD", 0,
            {{"/names/0/bundle_member", true}, {"/names/1/class", "none"}}},
        {"--json image master C:\\i\\M.DVD\\M.DVD.D00", 0, {{"/prefix", "C:\\i\\M.DVD\\M.DVD.D"}}},
        {"--json image dvd-names sub/a.vcd", 0, {{"/master", "%\\sub\\a.DVD\\a.DVD.D00"}}},
        {"image dvd-names C:\\img\\.vcd", 1},
    });
    concert = "@/" + concert;
    const std::string lecture = "@/library/Lecture.DVD/Lecture.DVD.D0";
    Image("z/Song.VCD.D00", 0, mk::kKindMixedMode, 1);  // a pair alone in its folder
    Write("z/Song.VCD.D01");
    Image("w/Data.DVD.D00", 0, mk::kKindDataCd, 0);  // DVD member names, a data CD header
    Write("w/Data.DVD.D01");
    Check({
        {{"--json", "bundle", "list", concert + "0"}, 0,
            {{"/count", 4}, {"/members/3/path", concert + "3"}}},
        {"bundle list --dvd library/Album.VCD.D00", 1}, {"bundle check library/notes.txt", 2},
        {{"bundle", "list", concert + "2"}, 2,
            {{"err", "slave member of a bundle; its master is '" + concert + "0'"}}},
        {{"--json", "bundle", "check", concert + "2"}, 0, {{"/master", concert + "0"},
            {"/slaves", 3}, {"/complete", true}, {"/missing", Json::array()}}},
        {{"bundle", "check", lecture + "3"}, 1,
            {{"out=", "incomplete  " + lecture + "0\n  missing  " + lecture + "2\n"}}},
        {"--json bundle check w/Data.DVD.D01", 1, {{"/complete", false}, {"/master_type", "cdrom"},
            {"/note", "the master is a data CD image, not a DVD image"}}},
        {{"--json", "bundle", "delete", "--dry-run", concert + "0"}, 0,
            {{"/would_delete/3/path", concert + "3"}, {"/would_delete/4/kind", "directory"},
             {"/directory", "@/library/Concert.DVD"},
             {"?library/Concert.DVD/Concert.DVD.D03", true}}},
        {{"bundle", "delete", "--yes", concert + "0"}, 0, {{"?library/Concert.DVD", false}}},
        // Members of a pair among other files go; the folder stays, as the dry run says.
        {"bundle delete -n library/Album.VCD.D00", 0,
            {{"out", "would keep    library/  (it is not empty)"},
             {"out", "removed only when deleting the members leaves it empty"}}},
        {"--json bundle delete --yes library/Album.VCD.D00", 0,
            {{"/deleted", {"library/Album.VCD.D00", "library/Album.VCD.D01"}},
             {"/directory_removed", false}, {"?library/notes.txt", true}}},
        {"bundle delete --yes library/Holiday.vcd", 1, {{"?library/Holiday.vcd", true}}},
        {{"--json", "bundle", "delete-by-name", "-n", lecture + "0"}, 0,
            {{"/would_delete/2/path", lecture + "3"}, {"/would_delete/4", "(absent)"},
             {"?library/Lecture.DVD/Lecture.DVD.D00", true}}},
        {{"bundle", "delete-by-name", "--yes", lecture + "0"}, 0,
            {{"?library/Lecture.DVD", false}}},
        {"bundle delete-by-name --yes --keep-dir library/Single.VCD.D00", 0,
            {{"?library/Single.VCD.D01", false}, {"?library/Holiday.vcd", true}}},
    });
    // A pair alone in its folder takes the folder along: the question says so.
    const ToolRun no = RunToolOnTerminal({"bundle", "delete", H("z/Song.VCD.D00")}, "n");
    EXPECT_NE(no.out.find("then its directory '" + H("z") + "' if that leaves it empty"),
              std::string::npos) << no.out;
    Check({{"bundle delete --yes z/Song.VCD.D00", 0,
        {{"out=", "deleted 2 members and the directory z\n"}, {"?z", false}}}});
}

// A tree where the walk's order shows: bundles whose members differ only in
// case, orphans, unreadable and unnameable images, links, nested directories.
TEST_F(ToolTest, ScanSameReportForAnyNumberOfThreads)
{
    Image("z/Song.VCD.D00", 0, mk::kKindMixedMode, 1);  // a pair without its second member
    Image("z/Odd.VCD.D00", 0, mk::kKindDataCd, 0);      // a pair whose header is no pair's
    Write("z/Odd.VCD.D01");
    Image("w/Data.DVD.D00", 0, mk::kKindDataCd, 0);  // a DVD bundle whose header is no DVD's
    ASSERT_EQ(::symlink(H("z/Odd.VCD.D01").c_str(), H("link.vcd").c_str()), 0);  // not followed
    // Members without a header: a DVD bundle's (D02 missing), a pair's second, an orphan.
    const Args members[] = {{}, {".DVD.D01", ".dvd.d01", ".Dvd.D03"}, {".VCD.D01"}, {".DVD.D01"}};
    for (int d = 0; d < 120; ++d) {
        const std::string dir = "g" + std::to_string(d % 6) + "/d" + std::to_string(d) +
                                (d % 10 == 0 ? "/deep/er" : "");
        const std::string t = dir + "/T" + std::to_string(d);
        if (d % 6 == 0)
            Image(t + ".vcd", 0, mk::kKindVideo, 0);
        else if (d % 6 == 1)
            Image(t + ".DVD.D00", mk::kFormatDvd, 0, 2);
        else if (d % 6 == 2)
            Image(t + ".VCD.D00", 0, mk::kKindMixedMode, 1);
        else if (d % 6 == 4)
            Image(t + ".vcd", 0, 0, 0, 100);  // too short to read
        else if (d % 6 == 5)
            Image(dir + "/bad./T.vcd", 0, mk::kKindPhoto, 0);
        for (const std::string &member : d % 6 < 4 ? members[d % 6] : Args())
            Write(t + member, "s");
        for (int k = 0; k < 24; ++k)
            Write(dir + "/f" + std::to_string(k) + (k % 2 ? ".txt" : ".D0x"), "x");
        if (d % 7 == 0) {
            ASSERT_EQ(::symlink(H(dir).c_str(), H(dir + "/link").c_str()), 0);
        }
    }
    const int files = 120 * 24 + 204;  // links not followed
    // Items by kind (images, DVD bundles, pairs, orphans, unreadable), then by path.
    const std::vector<ToolRun> serial = Check({
        {"--json scan -j 1 @", 0,
            {{"/root", "@"}, {"/windows", "%"},
             {"/summary", {{"files", files}, {"directories", 173}, {"image_files", 204},
                 {"single_images", 20}, {"dvd_bundles", 21}, {"incomplete_dvd_bundles", 21},
                 {"pairs", 22}, {"incomplete_pairs", 1}, {"orphan_groups", 20},
                 {"unreadable", 40}, {"links_skipped", 19}}},
             {"/items/0/windows", "%\\g0\\d0\\deep\\er\\T0.vcd"},
             {"/items/20/relative", "g1/d1/T1.DVD.D00"}, {"/items/20/slaves", 2},
             {"/items/20/missing", {"@/g1/d1/T1.DVD.D02"}}, {"/items/41/complete", true},
             {"/items/20/extra", {"@/g1/d1/T1.Dvd.D03"}}, {"/items/40/kind", "dvd-bundle"},
             {"/items/41/members", {"@/g2/d104/T104.VCD.D00", "@/g2/d104/T104.VCD.D01"}},
             {"/items/61/type", "cdrom"}, {"~/items/61/note", "not mixed-mode or CD-Extra"},
             {"/items/62/missing", {"@/z/Song.VCD.D01"}}, {"/items/63/kind", "orphan-slaves"},
             {"/items/63/missing", {"@/g3/d105/T105.DVD.D00"}}, {"/items/83/kind", "unreadable"},
             {"~/items/122/note", "cannot be named"}, {"/items/123", "(absent)"}}},
        {"scan -j 1 @", 0,
            {{"out", "data CD, not DVD  1 of ? "}, {"out", "  2 of 3 +1  "},
             {"out", "g1/d1/T1.DVD.D00:\n  missing  g1/d1/T1.DVD.D02\n"},
             {"out", " unreadable; 204 image files among " + std::to_string(files) + " files\n"}}},
    });
    for (const char *jobs : {"2", "16", "256"})
        EXPECT_EQ(Check({{{"--json", "scan", "--jobs", jobs, "@"}, 0}})[0].out, serial[0].out);
    Check({
        {"scan --strict @", 1, {{"err", "scan --strict: 20 incomplete DVD bundles, 1 DVD bundle "
            "whose master is no DVD image, 1 incomplete mixed-mode/CD-Extra pair, 20 groups"}}},
        {"--json scan %\\g1\\d1", 0, {{"/items/0/path", "@/g1/d1/T1.DVD.D00"}}},
        {"scan z/Odd.VCD.D01", 1, {{"err", "not a directory"}}},
        {"fs mkdir none", 0}, {"scan none", 0, {{"out", "no image files"}}},
    });
    // Progress on standard error, lines cleared only where the terminal can; w holds one image.
    for (const char *term : {"xterm", "dumb", ""}) {
        test::ScopedEnv env("TERM", term);
        const ToolRun run = RunProgram(kTool, {"scan", "--progress", H("w")});
        EXPECT_TRUE(run.exit == 0 && run.err.find("scanning: 1 files, 1 image files, ") !=
                                         std::string::npos) << run.exit << run.err;
        EXPECT_EQ(run.err.find('\033') != std::string::npos, term[0] == 'x') << term;
    }
}

// In a mount namespace of its own: another file system and /proc inside the tree.
TEST_F(ToolTest, ScanFileSystemsEntered)
{
    if (RunProgram("/usr/bin/unshare", {"-rm", "true"}).exit != 0)
        GTEST_SKIP() << "no mount namespaces here";
    Image("a/Here.vcd", 0, mk::kKindVideo, 0);
    test::MakeHostDirs(H("other"));
    test::MakeHostDirs(H("proc"));
    const std::pair<const char *, int> cases[] = {{"", 2}, {"-x", 1}};
    for (const auto &[options, files] : cases) {
        const std::string script = "mount -t tmpfs none '@/other' && mount --rbind /proc '@/proc'"
                                   " && printf x > '@/other/There.vcd' && exec '" + kTool +
                                   "' --json scan " + options + " '@'";
        const ToolRun run = RunProgram("/usr/bin/unshare",
                                       {"-rm", "sh", "-c", Expand(script).get<std::string>()});
        ASSERT_EQ(run.exit, 0) << options << run.err;
        const Json doc = run.Doc();
        EXPECT_EQ(doc["summary"]["files"], files) << options;
        EXPECT_EQ(doc["summary"]["directories"], 4);  // the mount points too, not entered
        EXPECT_EQ(doc["errors"], Json::array());
    }
}

TEST_F(ToolTest, DrivesAndNetwork)
{
    Check({{"--json drives", 0, {{"/drives/0/letter", "C"}, {"/drives/0/type", "fixed"},
                                 {"/drives/1", "(absent)"}, {"/masks/fixed", 4}}}});
    test::MakeHostDirs(H("disc/MPEGAV"));
    test::MakeHostDirs(H("srv"));
    using namespace posixtest;
    SetRegistry({DriveKey('D', H("disc"), "cdrom", {"\"Label\"=\"emz3_dvd\""}),
                 DriveKey('E', H("no"), "removable"), ShareKey("127.0.0.1", "images", H("srv")),
                 ConnectionKey('N', "\\\\127.0.0.1\\images")});
    Check({
        {"--json drives", 0, {{"/drives/0/type", "cdrom"}, {"/drives/0/label", "emz3_dvd"},
            {"/drives/0/content", {"video", "audio"}}, {"/drives/1/present", false},
            {"/drives/1/total_bytes", nullptr}, {"/drives/2/type", "remote"},
            {"/masks/cdrom", 1 << 3}, {"/masks/remote", 1 << 13}}},
        {"drives e", 0, {{"out=", "DRIVE  TYPE       LABEL  TOTAL  FREE  NOTES\n"
                                  "E:     removable  -      -      -     no medium\n"}}},
        {"--json drives --all", 0, {{"/drives/25/letter", "Z"}}},
        {"--json net classify C:\\x n:\\x @/srv/x", 0, {{"/results/0/class", "local"},
            {"/results/1/class", "network-drive"}, {"/results/2/class", "unc"}}},
        // A local drive has no computer behind it.
        {"--json net ping C:\\x -c 1 -t 100", 2, {{"/exit", 2}, {"~/error", "local drive"}}},
    });
    // An address stands for its UNC root; a network drive names its own computer (loopback
    // both: nothing is looked up). Whether the host may send ICMP decides the answer.
    for (const std::string target : {"127.0.0.1", "n:\\x"}) {
        const Args args = {"--json", "net", "ping", target, "-c", "1", "-t", "500"};
        const ToolRun ping = RunProgram(kTool, args);
        ASSERT_TRUE(ping.exit == 0 || ping.exit == 1) << ping.err;
        const Json doc = ping.Doc();
        EXPECT_EQ(doc["reachable"], ping.exit == 0);
        EXPECT_EQ(doc["windows"], target[0] == 'n' ? target : "\\\\" + target);
        EXPECT_EQ(doc["host"], "127.0.0.1");
    }
    // An unknown host, looked up in a network namespace of its own (root only): no traffic out.
    if (::geteuid() == 0) {
        const Args ping = {"--net", kTool, "net", "ping", "no.invalid"};
        const ToolRun run = RunProgram("/usr/bin/unshare", ping);
        EXPECT_TRUE(run.exit == 1 && run.OneErrorLine()) << run.exit << run.err;
        EXPECT_NE(run.err.find("no such host is known"), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace tooltest
}  // namespace brenvik
