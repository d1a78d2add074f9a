// brenvik scan: every image and bundle of a tree, as a table and as JSON.
#include <unistd.h>

#include <map>

#include "image_writer.h"
#include "tool_fixture.h"

namespace brenvik {
namespace tooltest {
namespace {

namespace mk = brenvik::mkimage;

// Items of a scan document by their relative path.
std::map<std::string, nlohmann::json> ByPath(const nlohmann::json &doc)
{
    std::map<std::string, nlohmann::json> items;
    for (const auto &item : doc["items"])
        items[item["relative"].get<std::string>()] = item;
    return items;
}

nlohmann::json Strings(std::initializer_list<std::string> list)
{
    return nlohmann::json(std::vector<std::string>(list));
}

class ScanTest : public ToolTest {
protected:
    void Image(const std::string &relative, std::uint32_t format, std::uint32_t kind,
               std::uint32_t slaves, const std::string &desc = "d", std::uint64_t length = 4096)
    {
        const std::string path = H(relative);
        test::MakeHostDirs(path.substr(0, path.rfind('/')));
        mk::ImageSpec spec;
        spec.mediaFormat = format;
        spec.discKind = kind;
        spec.slaveCount = slaves;
        spec.desc = desc;
        spec.totalLength = length;
        ASSERT_TRUE(mk::WriteImage(path, spec)) << path;
    }
    void Slave(const std::string &relative) { Write(relative, std::string(2048, 's')); }
};

TEST_F(ScanTest, DemoLibrary)
{
    ASSERT_EQ(RunProgram(MkdemoPath(), {H("demo")}).exit, 0);
    const ToolRun run = RunTool({"--json", "scan", H("demo")});
    EXPECT_EQ(run.exit, 0);
    EXPECT_EQ(run.err, "");  // no terminal: no progress line
    const auto doc = run.Json();
    EXPECT_EQ(doc["root"], H("demo"));
    EXPECT_EQ(doc["windows"], W(H("demo")));
    const auto &s = doc["summary"];
    EXPECT_EQ(s["files"], 15);
    EXPECT_EQ(s["directories"], 4);
    EXPECT_EQ(s["image_files"], 13);
    EXPECT_EQ(s["single_images"], 1);
    EXPECT_EQ(s["dvd_bundles"], 2);
    EXPECT_EQ(s["incomplete_dvd_bundles"], 1);
    EXPECT_EQ(s["pairs"], 2);
    EXPECT_EQ(s["incomplete_pairs"], 0);
    EXPECT_EQ(s["orphan_groups"], 0);
    EXPECT_EQ(s["unreadable"], 1);

    auto items = ByPath(doc);
    ASSERT_EQ(items.size(), 6u);
    const auto &holiday = items["library/Holiday.vcd"];
    EXPECT_EQ(holiday["kind"], "image");
    EXPECT_EQ(holiday["type"], "video");
    EXPECT_EQ(holiday["description"], "Holiday by the sea");
    EXPECT_EQ(holiday["path"], H("demo/library/Holiday.vcd"));
    EXPECT_EQ(holiday["windows"], W(H("demo/library/Holiday.vcd")));

    const auto &concert = items["library/Concert.DVD/Concert.DVD.D00"];
    EXPECT_EQ(concert["kind"], "dvd-bundle");
    EXPECT_EQ(concert["complete"], true);
    EXPECT_EQ(concert["slaves"], 3);
    EXPECT_EQ(concert["members"].size(), 4u);
    EXPECT_EQ(concert["description"], "Concert, four parts");

    const auto &lecture = items["library/Lecture.DVD/Lecture.DVD.D00"];
    EXPECT_EQ(lecture["kind"], "dvd-bundle");
    EXPECT_EQ(lecture["complete"], false);
    EXPECT_EQ(lecture["type"], "dvd");
    EXPECT_EQ(lecture["missing"], Strings({H("demo/library/Lecture.DVD/Lecture.DVD.D02")}));
    EXPECT_EQ(lecture["members"].size(), 3u);

    const auto &album = items["library/Album.VCD.D00"];
    EXPECT_EQ(album["kind"], "pair");
    EXPECT_EQ(album["type"], "mixed");
    EXPECT_EQ(album["complete"], true);
    EXPECT_EQ(items["library/Single.VCD.D00"]["type"], "cdextra");

    const auto &broken = items["library/Broken.vcd"];
    EXPECT_EQ(broken["kind"], "unreadable");
    EXPECT_TRUE(broken["type"].is_null());
    EXPECT_NE(broken["note"].get<std::string>().find("cannot read"), std::string::npos);

    // Kinds in a fixed order: images, DVD bundles, pairs, orphans, unreadable.
    std::vector<std::string> kinds;
    for (const auto &item : doc["items"])
        kinds.push_back(item["kind"]);
    EXPECT_EQ(kinds, (std::vector<std::string>{"image", "dvd-bundle", "dvd-bundle", "pair", "pair",
                                               "unreadable"}));
}

TEST_F(ScanTest, DemoLibraryAsATable)
{
    ASSERT_EQ(RunProgram(MkdemoPath(), {H("demo")}).exit, 0);
    const ToolRun run = RunTool({"scan", H("demo")});
    EXPECT_EQ(run.exit, 0);
    EXPECT_NE(run.out.find("dvd-bundle  incomplete  3 of 4   DVD"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("library/Lecture.DVD/Lecture.DVD.D00:\n  missing  "
                           "library/Lecture.DVD/Lecture.DVD.D02\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\n1 single image, 2 DVD bundles (1 incomplete), 2 mixed-mode/CD-Extra "
                           "pairs, 0 groups of orphan slaves, 1 unreadable; 13 image files among "
                           "15 files\n"),
              std::string::npos)
        << run.out;
    // --strict turns what the scan found into the exit code.
    EXPECT_EQ(RunTool({"scan", "--strict", H("demo")}).exit, 1);
}

TEST_F(ScanTest, OddTrees)
{
    // Slaves without a master.
    Slave("t/x/Lost.DVD.D01");
    Slave("t/x/Lost.DVD.D02");
    // A member beyond the header's count.
    Image("t/e/Extra.DVD.D00", mk::kFormatDvd, 0, 1);
    Slave("t/e/Extra.DVD.D01");
    Slave("t/e/Extra.DVD.D02");
    // Members spelled in other cases are one bundle.
    Image("t/y/Mix.dvd.d00", mk::kFormatDvd, 0, 1);
    Slave("t/y/MIX.DVD.D01");
    // A pair without its second member, and one whose header is no pair's.
    Image("t/z/Song.VCD.D00", 0, mk::kKindMixedMode, 1);
    Image("t/z/Odd.VCD.D00", 0, mk::kKindDataCd, 0);
    Slave("t/z/Odd.VCD.D01");
    // A DVD member name whose header says data CD.
    Image("t/w/Data.DVD.D00", 0, mk::kKindDataCd, 0);
    // A master too short to read, with a slave.
    Image("t/u/Short.DVD.D00", mk::kFormatDvd, 0, 1, "d", 100);
    Slave("t/u/Short.DVD.D01");
    Image("t/a/b/c/d/Deep.vcd", 0, mk::kKindPhoto, 0, "deep down");
    // No Windows name: a backslash in a name, a directory ending in a dot.
    Image("t/weird\\name.vcd", 0, 0, 0);
    Image("t/bad./In.vcd", 0, 0, 0);
    // Links are not followed.
    ASSERT_EQ(::symlink(H("t/a/b/c/d/Deep.vcd").c_str(), H("t/link.vcd").c_str()), 0);
    ASSERT_EQ(::symlink(H("t/a").c_str(), H("t/linkdir").c_str()), 0);
    test::MakeHostDirs(H("t/empty"));

    const ToolRun run = RunTool({"--json", "scan", H("t")});
    EXPECT_EQ(run.exit, 0) << run.err;
    const auto doc = run.Json();
    EXPECT_EQ(doc["summary"]["links_skipped"], 2);
    EXPECT_EQ(doc["summary"]["files"], 16);
    auto items = ByPath(doc);

    const auto &lost = items["x/Lost.DVD.D00"];
    EXPECT_EQ(lost["kind"], "orphan-slaves");
    EXPECT_EQ(lost["members"], Strings({H("t/x/Lost.DVD.D01"), H("t/x/Lost.DVD.D02")}));
    EXPECT_EQ(lost["missing"], Strings({H("t/x/Lost.DVD.D00")}));

    const auto &extra = items["e/Extra.DVD.D00"];
    EXPECT_EQ(extra["complete"], true);
    EXPECT_EQ(extra["slaves"], 1);
    EXPECT_EQ(extra["extra"], Strings({H("t/e/Extra.DVD.D02")}));

    const auto &mix = items["y/Mix.dvd.d00"];
    EXPECT_EQ(mix["kind"], "dvd-bundle");
    EXPECT_EQ(mix["complete"], true);
    EXPECT_EQ(mix["members"].size(), 2u);

    const auto &song = items["z/Song.VCD.D00"];
    EXPECT_EQ(song["kind"], "pair");
    EXPECT_EQ(song["complete"], false);
    EXPECT_EQ(song["missing"], Strings({H("t/z/Song.VCD.D01")}));

    const auto &odd = items["z/Odd.VCD.D00"];
    EXPECT_EQ(odd["type"], "cdrom");
    EXPECT_EQ(odd["complete"], true);
    EXPECT_NE(odd["note"].get<std::string>().find("not mixed-mode or CD-Extra"), std::string::npos);

    const auto &data = items["w/Data.DVD.D00"];
    EXPECT_EQ(data["kind"], "dvd-bundle");
    EXPECT_TRUE(data["slaves"].is_null());
    EXPECT_NE(data["note"].get<std::string>().find("not DVD"), std::string::npos);

    const auto &shortOne = items["u/Short.DVD.D00"];
    EXPECT_EQ(shortOne["kind"], "unreadable");
    EXPECT_EQ(shortOne["members"].size(), 2u);

    EXPECT_EQ(items["a/b/c/d/Deep.vcd"]["type"], "photo");
    EXPECT_EQ(items["a/b/c/d/Deep.vcd"]["description"], "deep down");
    EXPECT_EQ(items.count("weird\\name.vcd"), 0u);
    EXPECT_EQ(items.count("link.vcd"), 0u);
    EXPECT_EQ(items.count("linkdir/b/c/d/Deep.vcd"), 0u);
    const auto &bad = items["bad./In.vcd"];
    EXPECT_EQ(bad["kind"], "unreadable");
    EXPECT_NE(bad["note"].get<std::string>().find("cannot be named"), std::string::npos);
    EXPECT_EQ(items.size(), 9u);
}

TEST_F(ScanTest, RootsAsGivenAndFailures)
{
    Image("r/One.vcd", 0, mk::kKindVideo, 0);
    // Relative to the working directory: paths come back as given.
    RunOptions inDir;
    inDir.cwd = dir_.path();
    const auto rel = RunTool({"--json", "scan", "r"}, inDir).Json();
    EXPECT_EQ(rel["items"][0]["path"], "r/One.vcd");
    EXPECT_EQ(rel["windows"], W(H("r")));

    // A Windows name for the root: the host paths of its files.
    const auto win = RunTool({"--json", "scan", W(H("r"))}).Json();
    EXPECT_EQ(win["items"][0]["path"], H("r/One.vcd"));
    EXPECT_EQ(win["items"][0]["type"], "video");

    const ToolRun missing = RunTool({"scan", H("nothing")});
    EXPECT_EQ(missing.exit, 1);
    EXPECT_TRUE(missing.OneErrorLine()) << missing.err;
    const ToolRun file = RunTool({"scan", H("r/One.vcd")});
    EXPECT_EQ(file.exit, 1);
    EXPECT_NE(file.err.find("not a directory"), std::string::npos) << file.err;
    EXPECT_EQ(RunTool({"scan", "--strict", H("r")}).exit, 0);

    test::MakeHostDirs(H("none"));
    const ToolRun empty = RunTool({"scan", H("none")});
    EXPECT_EQ(empty.exit, 0);
    EXPECT_NE(empty.out.find("no image files"), std::string::npos);
}

}  // namespace
}  // namespace tooltest
}  // namespace brenvik
