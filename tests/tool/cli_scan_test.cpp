// brenvik scan: every image and bundle of a tree, as a table and as JSON.
#include <unistd.h>

#include <map>

#include "image_writer.h"
#include "tool_fixture.h"

namespace brenvik {
namespace tooltest {
namespace {

namespace mk = brenvik::mkimage;

class ScanTest : public ToolTest {
protected:
    void Image(const std::string &relative, std::uint32_t format, std::uint32_t kind, std::uint32_t slaves,
               const std::string &desc = "d", std::uint64_t length = 4096)
    {
        test::MakeHostDirs(H(relative).substr(0, H(relative).rfind('/')));
        mk::ImageSpec spec;
        spec.mediaFormat = format;
        spec.discKind = kind;
        spec.slaveCount = slaves;
        spec.desc = desc;
        spec.totalLength = length;
        ASSERT_TRUE(mk::WriteImage(H(relative), spec)) << relative;
    }
    void Slave(const std::string &relative) { Write(relative, std::string(2048, 's')); }
};

TEST_F(ScanTest, DemoLibrary)
{
    MakeDemo();
    const std::string lecture = "@/library/Lecture.DVD/Lecture.DVD.D0";
    Check({
        // Kinds in a fixed order: images, DVD bundles, pairs, orphans, unreadable.
        {{"--json", "scan", "@"}, 0,
         {{"/root", "@"}, {"/windows", "%"}, {"/summary/files", 15}, {"/summary/directories", 4},
          {"/summary/image_files", 13}, {"/summary/single_images", 1}, {"/summary/dvd_bundles", 2},
          {"/summary/incomplete_dvd_bundles", 1}, {"/summary/pairs", 2}, {"/summary/incomplete_pairs", 0},
          {"/summary/orphan_groups", 0}, {"/summary/unreadable", 1}, {"/items/6", "(absent)"},
          {"/items/0/relative", "library/Holiday.vcd"}, {"/items/0/kind", "image"}, {"/items/0/type", "video"},
          {"/items/0/description", "Holiday by the sea"}, {"/items/0/path", "@/library/Holiday.vcd"},
          {"/items/0/windows", "%\\library\\Holiday.vcd"},
          {"/items/1/relative", "library/Concert.DVD/Concert.DVD.D00"}, {"/items/1/kind", "dvd-bundle"},
          {"/items/1/complete", true}, {"/items/1/slaves", 3}, {"/items/1/members/3", "@/library/Concert.DVD/Concert.DVD.D03"},
          {"/items/1/description", "Concert, four parts"},
          {"/items/2/kind", "dvd-bundle"}, {"/items/2/complete", false}, {"/items/2/type", "dvd"},
          {"/items/2/missing", {lecture + "2"}}, {"/items/2/members", {lecture + "0", lecture + "1", lecture + "3"}},
          {"/items/3/relative", "library/Album.VCD.D00"}, {"/items/3/kind", "pair"}, {"/items/3/type", "mixed"},
          {"/items/3/complete", true}, {"/items/4/type", "cdextra"}, {"/items/5/relative", "library/Broken.vcd"},
          {"/items/5/kind", "unreadable"}, {"/items/5/type", nullptr}, {"~/items/5/note", "cannot read"}}},
        {{"scan", "@"}, 0,
         {{"out", "dvd-bundle  incomplete  3 of 4   DVD"},
          {"out", "library/Lecture.DVD/Lecture.DVD.D00:\n  missing  library/Lecture.DVD/Lecture.DVD.D02\n"},
          {"out", "\n1 single image, 2 DVD bundles (1 incomplete), 2 mixed-mode/CD-Extra pairs, 0 groups of "
                  "orphan slaves, 1 unreadable; 13 image files among 15 files\n"}}},
        // --strict turns what the scan found into the exit code.
        {{"scan", "--strict", "@"}, 1, {}},
        {{"scan", "--strict", "library/Concert.DVD"}, 0, {}},
        // Relative to the working directory, or a Windows name: paths as given, or the host's.
        {{"--json", "scan", "library/Concert.DVD"}, 0,
         {{"/items/0/path", "library/Concert.DVD/Concert.DVD.D00"}, {"/windows", "%\\library\\Concert.DVD"}}},
        {{"--json", "scan", "%\\library\\Concert.DVD"}, 0, {{"/items/0/path", "@/library/Concert.DVD/Concert.DVD.D00"}}},
        {{"scan", "nothing"}, 1, {}},
        {{"scan", "library/Holiday.vcd"}, 1, {{"err", "not a directory"}}},
        {{"fs", "mkdir", "none"}, 0, {}},
        {{"scan", "none"}, 0, {{"out", "no image files"}}},
    });
    // No terminal: no progress line.
    EXPECT_EQ(RunTool({"scan", H("library")}).err, "");
}

TEST_F(ScanTest, OddTrees)
{
    Slave("x/Lost.DVD.D01");  // slaves without a master
    Slave("x/Lost.DVD.D02");
    Image("e/Extra.DVD.D00", mk::kFormatDvd, 0, 1);  // a member beyond the header's count
    Slave("e/Extra.DVD.D01");
    Slave("e/Extra.DVD.D02");
    Image("y/Mix.dvd.d00", mk::kFormatDvd, 0, 1);  // members spelled in other cases
    Slave("y/MIX.DVD.D01");
    Image("z/Song.VCD.D00", 0, mk::kKindMixedMode, 1);  // a pair without its second member
    Image("z/Odd.VCD.D00", 0, mk::kKindDataCd, 0);      // a pair whose header is no pair's
    Slave("z/Odd.VCD.D01");
    Image("w/Data.DVD.D00", 0, mk::kKindDataCd, 0);  // a DVD member name, a data CD header
    Image("u/Short.DVD.D00", mk::kFormatDvd, 0, 1, "d", 100);  // too short to read
    Slave("u/Short.DVD.D01");
    Image("a/b/c/d/Deep.vcd", 0, mk::kKindPhoto, 0, "deep down");
    Image("weird\\name.vcd", 0, 0, 0);  // no Windows names
    Image("bad./In.vcd", 0, 0, 0);
    ASSERT_EQ(::symlink(H("a/b/c/d/Deep.vcd").c_str(), H("link.vcd").c_str()), 0);  // not followed
    ASSERT_EQ(::symlink(H("a").c_str(), H("linkdir").c_str()), 0);
    test::MakeHostDirs(H("empty"));

    const ToolRun run = RunTool({"--json", "scan", dir_.path()});
    EXPECT_EQ(run.exit, 0) << run.err;
    const nlohmann::json doc = run.Json();
    ExpectAt(doc, "/summary/links_skipped", 2);
    ExpectAt(doc, "/summary/files", 16);
    ExpectAt(doc, "/items/9", "(absent)");
    std::map<std::string, nlohmann::json> items;
    for (const auto &item : doc["items"])
        items[item["relative"].get<std::string>()] = item;
    const struct {
        const char *item, *key;
        nlohmann::json want;
    } cases[] = {
        {"x/Lost.DVD.D00", "/kind", "orphan-slaves"},
        {"x/Lost.DVD.D00", "/members", {"@/x/Lost.DVD.D01", "@/x/Lost.DVD.D02"}},
        {"x/Lost.DVD.D00", "/missing", {"@/x/Lost.DVD.D00"}},
        {"e/Extra.DVD.D00", "/complete", true},
        {"e/Extra.DVD.D00", "/slaves", 1},
        {"e/Extra.DVD.D00", "/extra", {"@/e/Extra.DVD.D02"}},
        {"y/Mix.dvd.d00", "/kind", "dvd-bundle"},
        {"y/Mix.dvd.d00", "/members", {"@/y/Mix.dvd.d00", "@/y/MIX.DVD.D01"}},
        {"z/Song.VCD.D00", "/kind", "pair"},
        {"z/Song.VCD.D00", "/missing", {"@/z/Song.VCD.D01"}},
        {"z/Odd.VCD.D00", "/type", "cdrom"},
        {"z/Odd.VCD.D00", "/complete", true},
        {"z/Odd.VCD.D00", "~/note", "not mixed-mode or CD-Extra"},
        {"w/Data.DVD.D00", "/kind", "dvd-bundle"},
        {"w/Data.DVD.D00", "/slaves", nullptr},
        {"w/Data.DVD.D00", "~/note", "not DVD"},
        {"u/Short.DVD.D00", "/kind", "unreadable"},
        {"u/Short.DVD.D00", "/members", {"@/u/Short.DVD.D00", "@/u/Short.DVD.D01"}},
        {"a/b/c/d/Deep.vcd", "/type", "photo"},
        {"a/b/c/d/Deep.vcd", "/description", "deep down"},
        {"bad./In.vcd", "/kind", "unreadable"},
        {"bad./In.vcd", "~/note", "cannot be named"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.item);
        ExpectAt(items[c.item], c.key, Expand(c.want));
    }
}

}  // namespace
}  // namespace tooltest
}  // namespace brenvik
