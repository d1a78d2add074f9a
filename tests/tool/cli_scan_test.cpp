// brenvik scan: the same report whatever the number of threads, the file
// systems it enters, the progress line and the reasons --strict gives.
#include <unistd.h>

#include <map>

#include "tool_fixture.h"

namespace brenvik {
namespace tooltest {
namespace {

namespace mk = brenvik::mkimage;

// A tree where the walk's order shows: bundles whose members differ only in
// case (their order in a bundle is the listing's), orphans, unreadable and
// unnameable images, links, spread over nested directories; what each kind
// of item says, and the same report for any number of threads.
TEST_F(ToolTest, ScanSameReportForAnyNumberOfThreads)
{
    int files = 4;
    Image("z/Song.VCD.D00", 0, mk::kKindMixedMode, 1);  // a pair without its second member
    Image("z/Odd.VCD.D00", 0, mk::kKindDataCd, 0);      // a pair whose header is no pair's
    Write("z/Odd.VCD.D01");
    Image("w/Data.DVD.D00", 0, mk::kKindDataCd, 0);  // a DVD bundle whose header is no DVD's
    ASSERT_EQ(::symlink(H("z/Odd.VCD.D01").c_str(), H("link.vcd").c_str()), 0);  // not followed
    for (int d = 0; d < 120; ++d) {
        const std::string dir = "g" + std::to_string(d % 6) + "/d" + std::to_string(d) +
                                (d % 10 == 0 ? "/deep/er" : "");
        const std::string t = dir + "/T" + std::to_string(d);
        switch (d % 6) {
        case 0: Image(t + ".vcd", 0, mk::kKindVideo, 0); break;
        case 1:
            Image(t + ".DVD.D00", mk::kFormatDvd, 0, 2);
            Write(t + ".DVD.D01", "s");
            Write(t + ".dvd.d01", "s");
            Write(t + ".Dvd.D03", "s");  // beyond the count, D02 missing
            files += 3;
            break;
        case 2:
            Image(t + ".VCD.D00", 0, mk::kKindMixedMode, 1);
            Write(t + ".VCD.D01", "s");
            ++files;
            break;
        case 3: Write(t + ".DVD.D01", "s"); break;       // no master
        case 4: Image(t + ".vcd", 0, 0, 0, 100); break;  // too short to read
        case 5: Image(dir + "/bad./T.vcd", 0, mk::kKindPhoto, 0); break;
        }
        ++files;
        for (int k = 0; k < 24; ++k, ++files)
            Write(dir + "/f" + std::to_string(k) + (k % 2 ? ".txt" : ".D0x"), "x");
        if (d % 7 == 0) {
            ASSERT_EQ(::symlink(H(dir).c_str(), H(dir + "/link").c_str()), 0);
        }
    }
    // Kinds in a fixed order: images, DVD bundles, pairs, orphans, unreadable.
    const std::vector<ToolRun> serial = Check({
        {"--json scan -j 1 @", 0,
            {{"/root", "@"}, {"/windows", "%"}, {"/summary/files", files},
             {"/summary/directories", 173}, {"/summary/image_files", 204},
             {"/summary/single_images", 20}, {"/summary/dvd_bundles", 21},
             {"/summary/incomplete_dvd_bundles", 21}, {"/summary/pairs", 22},
             {"/summary/incomplete_pairs", 1}, {"/summary/orphan_groups", 20},
             {"/summary/unreadable", 40}, {"/summary/links_skipped", 19},
             {"/items/0/kind", "image"}, {"/items/20/kind", "dvd-bundle"},
             {"/items/41/kind", "pair"}, {"/items/63/kind", "orphan-slaves"},
             {"/items/83/kind", "unreadable"}, {"/items/123", "(absent)"}}},
        {"scan -j 1 @", 0,
            {{"out", "data CD, not DVD  1 of ? "}, {"out", "  2 of 3 +1  "},
             {"out", "g1/d1/T1.DVD.D00:\n  missing  g1/d1/T1.DVD.D02\n"},
             {"out", "\n20 single images, 21 DVD bundles (21 incomplete), 22 mixed-mode/CD-Extra "
                     "pairs (1 incomplete), 20 groups of orphan slaves, 40 unreadable; 204 image "
                     "files among " + std::to_string(files) + " files\n"}}},
    });
    std::map<std::string, Json> items;
    const Json doc = serial[0].Doc();
    for (const auto &item : doc["items"])
        items[item["relative"].get<std::string>()] = item;
    const struct {
        const char *item, *key;
        Json want;
    } cases[] = {
        {"g0/d0/deep/er/T0.vcd", "/description", "g0/d0/deep/er/T0.vcd"},
        {"g1/d1/T1.DVD.D00", "/missing", {"@/g1/d1/T1.DVD.D02"}},
        {"g1/d1/T1.DVD.D00", "/extra", {"@/g1/d1/T1.Dvd.D03"}},
        {"g3/d3/T3.DVD.D00", "/kind", "orphan-slaves"},
        {"g3/d3/T3.DVD.D00", "/missing", {"@/g3/d3/T3.DVD.D00"}},
        {"g4/d4/T4.vcd", "/kind", "unreadable"},
        {"g5/d5/bad./T.vcd", "~/note", "cannot be named"},
        {"z/Song.VCD.D00", "/missing", {"@/z/Song.VCD.D01"}},
        {"z/Odd.VCD.D00", "/type", "cdrom"},
        {"z/Odd.VCD.D00", "~/note", "not mixed-mode or CD-Extra"},
        {"w/Data.DVD.D00", "/type", "cdrom"}, {"w/Data.DVD.D00", "/complete", false},
        {"g1/d1/T1.DVD.D00", "/slaves", 2}, {"g2/d2/T2.VCD.D00", "/complete", true},
        {"g2/d2/T2.VCD.D00", "/members", {"@/g2/d2/T2.VCD.D00", "@/g2/d2/T2.VCD.D01"}},
        {"g0/d0/deep/er/T0.vcd", "/path", "@/g0/d0/deep/er/T0.vcd"},
        {"g0/d0/deep/er/T0.vcd", "/windows", "%\\g0\\d0\\deep\\er\\T0.vcd"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.item);
        ExpectAt(items[c.item], c.key, Expand(c.want));
    }
    for (const char *jobs : {"2", "16", "256"}) {
        const std::vector<ToolRun> concurrent = Check({
            {{"--json", "scan", "-j", jobs, "@"}, 0},
            {{"scan", "--jobs", jobs, "@"}, 0},
        });
        for (std::size_t i = 0; i < serial.size(); ++i)
            EXPECT_EQ(concurrent[i].out, serial[i].out) << "-j " << jobs;
    }
    EXPECT_EQ(RunTool({"--json", "scan", dir_.path()}).out, serial[0].out);
    Check({
        {"scan --strict @", 1,
            {{"err", "brenvik: scan --strict: 20 incomplete DVD bundles, 1 DVD bundle whose "
                     "master is no DVD image, 1 incomplete mixed-mode/CD-Extra pair, 20 groups "
                     "of slaves without a master, 40 unreadable images\n"}}},
        {"scan --strict g0", 0},
        // Relative to the working directory, or a Windows name: paths as given, or the host's.
        {"--json scan g1/d1", 0,
            {{"/items/0/path", "g1/d1/T1.DVD.D00"}, {"/windows", "%\\g1\\d1"}}},
        {"--json scan %\\g1\\d1", 0, {{"/items/0/path", "@/g1/d1/T1.DVD.D00"}}},
        {"scan nothing", 1}, {"scan z/Odd.VCD.D01", 1, {{"err", "not a directory"}}},
        {"fs mkdir none", 0}, {"scan none", 0, {{"out", "no image files"}}},
    });
}

TEST_F(ToolTest, ScanProgressLine)
{
    Image("a/T.vcd", 0, mk::kKindVideo, 0);
    for (const char *term : {"xterm", "dumb", ""}) {
        test::ScopedEnv env("TERM", term);
        const ToolRun run = RunTool({"scan", "--progress", dir_.path()});
        EXPECT_EQ(run.exit, 0);
        for (const char *part : {"scanning: 1 files, 1 image files, ", " files/s, ", " images/s"})
            EXPECT_NE(run.err.find(part), std::string::npos) << term << ": " << run.err;
        EXPECT_EQ(run.err.find('\033') != std::string::npos, term[0] == 'x') << term;
    }
}

// Mounts in a mount namespace of the scan's own: another file system, and
// the kernel's process file system, inside the tree.
TEST_F(ToolTest, ScanFileSystemsEntered)
{
    if (RunProgram("/usr/bin/unshare", {"-rm", "true"}).exit != 0)
        GTEST_SKIP() << "no mount namespaces here";
    Image("a/Here.vcd", 0, mk::kKindVideo, 0);
    test::MakeHostDirs(H("other"));
    test::MakeHostDirs(H("proc"));
    const std::pair<const char *, int> cases[] = {{"", 2}, {"-x", 1}, {"--one-file-system -j 1", 1}};
    for (const auto &[options, files] : cases) {
        const std::string script = "mount -t tmpfs none '@/other' && mount --rbind /proc '@/proc'"
                                   " && printf x > '@/other/There.vcd' && exec '" + ToolPath() +
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

}  // namespace
}  // namespace tooltest
}  // namespace brenvik
