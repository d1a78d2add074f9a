// brenvik image, bundle, net and drives, on the demo image library and on
// registry files of the tests' own.
#include <cstdio>
#include <set>

#include "tool_fixture.h"

namespace brenvik {
namespace tooltest {
namespace {

// The demo library, written by the project's own generator.
class DemoTest : public ToolTest {
protected:
    void SetUp() override
    {
        const ToolRun made = RunProgram(MkdemoPath(), {dir_.path()});
        ASSERT_EQ(made.exit, 0) << made.err;
    }
    std::string L(const std::string &relative) const { return H("library/" + relative); }
};

TEST_F(DemoTest, ImageTypes)
{
    const struct {
        const char *file;
        const char *type;  // null: unreadable
        bool cluster;
    } cases[] = {
        {"Holiday.vcd", "video", false},
        {"Concert.DVD/Concert.DVD.D00", "dvd", true},  // by the format word
        {"Lecture.DVD/Lecture.DVD.D00", "dvd", true},  // by the kind word
        {"Album.VCD.D00", "mixed", true},
        {"Single.VCD.D00", "cdextra", true},
        {"Broken.vcd", nullptr, false},
        {"notes.txt", nullptr, false},
        {"Concert.DVD/Concert.DVD.D01", nullptr, false},  // a slave has no header
    };
    for (const auto &c : cases) {
        const ToolRun run = RunTool({"--json", "image", "type", L(c.file)});
        const auto image = run.Json()["images"][0];
        if (c.type == nullptr) {
            EXPECT_EQ(run.exit, 1) << c.file;
            EXPECT_TRUE(image["type"].is_null()) << c.file;
            EXPECT_TRUE(run.OneErrorLine()) << c.file << run.err;
        } else {
            EXPECT_EQ(run.exit, 0) << c.file;
            EXPECT_EQ(image["type"], c.type) << c.file;
            EXPECT_EQ(image["cluster"], c.cluster) << c.file;
        }
    }
    const ToolRun both = RunTool({"image", "type", L("Holiday.vcd"), L("Album.VCD.D00")});
    EXPECT_EQ(both.exit, 0);
    EXPECT_EQ(both.out, "video CD       " + L("Holiday.vcd") + "\nmixed-mode CD  " +
                            L("Album.VCD.D00") + "\n");
}

TEST_F(DemoTest, Descriptions)
{
    const auto doc = RunTool({"--json", "image", "desc", L("Holiday.vcd")}).Json();
    EXPECT_EQ(doc["description"], "Holiday by the sea");
    EXPECT_EQ(doc["desc_info"], 1);
    EXPECT_EQ(RunTool({"image", "desc", L("Single.VCD.D00")}).out, "Single, CD-Extra\n");
    const ToolRun broken = RunTool({"image", "desc", L("Broken.vcd")});
    EXPECT_EQ(broken.exit, 1);
    EXPECT_TRUE(broken.OneErrorLine()) << broken.err;
}

TEST_F(DemoTest, NamesOfImagesAndBundles)
{
    const struct {
        const char *name;
        const char *cls;
        bool member;
    } ext[] = {{"C:\\img\\movie.vcd", "vcd", false},
               {"C:\\img\\Movie.DVD\\Movie.DVD.D00", "dvd", true},
               {"C:\\img\\Movie.dvd.d07", "dvd", true},
               {"C:\\img\\Song.VCD.D01", "mixed-mode", true},
               {"C:\\img\\Movie.DVD", "none", false},
               {"C:\\img\\Movie.ISO.D00", "none", false},
               {"C:\\img\\.VCD", "none", false},
               {"C:\\img\\Movie.DVD.D1", "none", false}};
    for (const auto &c : ext) {
        const ToolRun run = RunTool({"--json", "image", "ext", c.name});
        EXPECT_EQ(run.exit, 0) << c.name;
        EXPECT_EQ(run.Json()["names"][0]["class"], c.cls) << c.name;
        EXPECT_EQ(run.Json()["names"][0]["bundle_member"], c.member) << c.name;
    }

    const auto master =
        RunTool({"--json", "image", "master", "C:\\img\\Movie.DVD\\Movie.DVD.D00"}).Json();
    EXPECT_EQ(master["dir"], "C:\\img\\Movie.DVD\\");
    EXPECT_EQ(master["prefix"], "C:\\img\\Movie.DVD\\Movie.DVD.D");
    EXPECT_EQ(RunTool({"--json", "image", "master", "D:\\x\\Song.vcd.d00"}).Json()["prefix"],
              "D:\\x\\Song.vcd.d");
    for (const char *refused : {"C:\\Movie.DVD.D00", "C:\\img\\Movie.DVD.D01", "C:\\img\\.DVD.D00"}) {
        const ToolRun run = RunTool({"image", "master", refused});
        EXPECT_EQ(run.exit, 1) << refused;
        EXPECT_TRUE(run.OneErrorLine()) << refused;
    }

    const struct {
        const char *name;
        const char *master;
    } dvd[] = {{"C:\\img\\Movie.vcd", "C:\\img\\Movie.DVD\\Movie.DVD.D00"},
               {"C:\\img\\Movie.VCD.D03", "C:\\img\\Movie.DVD\\Movie.DVD.D00"},
               {"C:\\img\\My.Movie.iso", "C:\\img\\My.Movie.DVD\\My.Movie.DVD.D00"}};
    for (const auto &c : dvd)
        EXPECT_EQ(RunTool({"--json", "image", "dvd-names", c.name}).Json()["master"], c.master)
            << c.name;
    EXPECT_EQ(RunTool({"image", "dvd-names", "C:\\img\\.vcd"}).exit, 1);

    // A host name is named before it is judged.
    const auto host = RunTool({"--json", "image", "dvd-names", L("Holiday.vcd")}).Json();
    EXPECT_EQ(host["master"], W(L("Holiday.DVD/Holiday.DVD.D00")));
}

TEST_F(DemoTest, BundleListsAndChecks)
{
    const auto concert = RunTool({"--json", "bundle", "list", L("Concert.DVD/Concert.DVD.D00")});
    EXPECT_EQ(concert.exit, 0);
    const auto doc = concert.Json();
    EXPECT_EQ(doc["count"], 4);
    ASSERT_EQ(doc["members"].size(), 4u);
    EXPECT_EQ(doc["members"][3]["path"], L("Concert.DVD/Concert.DVD.D03"));
    for (const auto &m : doc["members"])
        EXPECT_EQ(m["present"], true);

    const auto lecture = RunTool({"--json", "bundle", "list", L("Lecture.DVD/Lecture.DVD.D00")}).Json();
    ASSERT_EQ(lecture["members"].size(), 4u);
    EXPECT_EQ(lecture["members"][2]["present"], false);
    EXPECT_EQ(RunTool({"--json", "bundle", "list", L("Album.VCD.D00")}).Json()["count"], 2);
    EXPECT_EQ(RunTool({"bundle", "list", "--dvd", L("Album.VCD.D00")}).exit, 1);
    EXPECT_EQ(RunTool({"bundle", "list", L("Holiday.vcd")}).exit, 1);

    // Any member names its bundle.
    const ToolRun complete = RunTool({"--json", "bundle", "check", L("Concert.DVD/Concert.DVD.D02")});
    EXPECT_EQ(complete.exit, 0);
    EXPECT_EQ(complete.Json()["master"], L("Concert.DVD/Concert.DVD.D00"));
    EXPECT_EQ(complete.Json()["slaves"], 3);
    EXPECT_TRUE(complete.Json()["missing"].empty());

    const ToolRun gap = RunTool({"--json", "bundle", "check", L("Lecture.DVD/Lecture.DVD.D01")});
    EXPECT_EQ(gap.exit, 1);
    EXPECT_EQ(gap.Json()["complete"], false);
    EXPECT_EQ(gap.Json()["missing"], nlohmann::json::array({L("Lecture.DVD/Lecture.DVD.D02")}));
    const ToolRun gapHuman = RunTool({"bundle", "check", L("Lecture.DVD/Lecture.DVD.D03")});
    EXPECT_EQ(gapHuman.out, "incomplete  " + L("Lecture.DVD/Lecture.DVD.D00") +
                                "\n  missing  " + L("Lecture.DVD/Lecture.DVD.D02") + "\n");

    ASSERT_EQ(std::remove(L("Concert.DVD/Concert.DVD.D00").c_str()), 0);
    const ToolRun noMaster = RunTool({"--json", "bundle", "check", L("Concert.DVD/Concert.DVD.D01")});
    EXPECT_EQ(noMaster.exit, 1);
    EXPECT_EQ(noMaster.Json()["missing"],
              nlohmann::json::array({L("Concert.DVD/Concert.DVD.D00")}));
}

TEST_F(DemoTest, BundleDeletion)
{
    const std::string master = L("Concert.DVD/Concert.DVD.D00");
    const ToolRun dry = RunTool({"--json", "bundle", "delete", "--dry-run", master});
    EXPECT_EQ(dry.exit, 0);
    const auto plan = dry.Json();
    ASSERT_EQ(plan["would_delete"].size(), 4u);
    EXPECT_EQ(plan["would_delete"][0]["path"], master);
    EXPECT_EQ(plan["would_remove_dir"], L("Concert.DVD"));
    EXPECT_TRUE(Exists("library/Concert.DVD/Concert.DVD.D03"));

    EXPECT_EQ(RunTool({"bundle", "delete", master}).exit, 2);
    EXPECT_TRUE(Exists("library/Concert.DVD/Concert.DVD.D00"));
    EXPECT_EQ(RunTool({"bundle", "delete", "--yes", master}).exit, 0);
    EXPECT_FALSE(Exists("library/Concert.DVD"));

    // A pair in a folder with other files: members gone, folder stays.
    const ToolRun pair = RunTool({"bundle", "delete", "--yes", L("Album.VCD.D00")});
    EXPECT_EQ(pair.exit, 1);
    EXPECT_TRUE(pair.OneErrorLine()) << pair.err;
    EXPECT_NE(pair.err.find("code 8"), std::string::npos) << pair.err;
    EXPECT_FALSE(Exists("library/Album.VCD.D00"));
    EXPECT_FALSE(Exists("library/Album.VCD.D01"));
    EXPECT_TRUE(Exists("library/notes.txt"));

    // Not a bundle by its header: nothing deleted.
    EXPECT_EQ(RunTool({"bundle", "delete", "--yes", L("Holiday.vcd")}).exit, 1);
    EXPECT_TRUE(Exists("library/Holiday.vcd"));
}

TEST_F(DemoTest, BundleDeletionByName)
{
    const std::string master = L("Lecture.DVD/Lecture.DVD.D00");
    const auto plan = RunTool({"--json", "bundle", "delete-by-name", "-n", master}).Json();
    std::set<std::string> listed;
    for (const auto &f : plan["would_delete"])
        listed.insert(f["path"].get<std::string>());
    EXPECT_EQ(listed, (std::set<std::string>{master, L("Lecture.DVD/Lecture.DVD.D01"),
                                             L("Lecture.DVD/Lecture.DVD.D03")}));
    EXPECT_TRUE(Exists("library/Lecture.DVD/Lecture.DVD.D00"));

    EXPECT_EQ(RunTool({"bundle", "delete-by-name", "--yes", master}).exit, 0);
    EXPECT_FALSE(Exists("library/Lecture.DVD"));

    EXPECT_EQ(RunTool({"bundle", "delete-by-name", "--yes", "--keep-dir", L("Single.VCD.D00")}).exit,
              0);
    EXPECT_FALSE(Exists("library/Single.VCD.D01"));
    EXPECT_TRUE(Exists("library/Holiday.vcd"));

    // A master straight in a root is no master name.
    EXPECT_EQ(RunTool({"bundle", "delete-by-name", "--yes", "C:\\Movie.DVD.D00"}).exit, 1);
}

// Drives and network paths on a machine the registry describes.
class MachineTest : public ToolTest {};

TEST_F(MachineTest, DrivesOfTheDefaultMachine)
{
    const ToolRun run = RunTool({"--json", "drives"});
    EXPECT_EQ(run.exit, 0);
    const auto doc = run.Json();
    ASSERT_EQ(doc["drives"].size(), 1u);
    EXPECT_EQ(doc["drives"][0]["letter"], "C");
    EXPECT_EQ(doc["drives"][0]["type"], "fixed");
    EXPECT_EQ(doc["drives"][0]["present"], true);
    EXPECT_GT(doc["drives"][0]["total_bytes"].get<unsigned long long>(), 0u);
    EXPECT_EQ(doc["masks"]["fixed"], 4);
    EXPECT_EQ(doc["masks"]["cdrom"], 0);
}

TEST_F(MachineTest, ConfiguredDrives)
{
    test::MakeHostDirs(H("disc/MPEGAV"));
    test::MakeHostDirs(H("srv"));
    SetRegistry({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\D]\r\n\"Path\"=\"" +
                     H("disc") + "\"\r\n\"Type\"=\"cdrom\"\r\n\"Label\"=\"emz3_dvd\"\r\n",
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\E]\r\n\"Path\"=\"" +
                     H("nothing") + "\"\r\n\"Type\"=\"removable\"\r\n",
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Shares\\nas\\images]\r\n\"Path\"=\"" +
                     H("srv") + "\"\r\n",
                 "[HKEY_CURRENT_USER\\Network\\N]\r\n\"RemotePath\"=\"\\\\\\\\nas\\\\images\"\r\n"});
    const auto doc = RunTool({"--json", "drives"}).Json();
    ASSERT_EQ(doc["drives"].size(), 3u);
    const auto &d = doc["drives"][0];
    EXPECT_EQ(d["letter"], "D");
    EXPECT_EQ(d["type"], "cdrom");
    EXPECT_EQ(d["label"], "emz3_dvd");
    EXPECT_EQ(d["content"], nlohmann::json::array({"video", "audio"}));
    const auto &e = doc["drives"][1];
    EXPECT_EQ(e["type"], "removable");
    EXPECT_EQ(e["present"], false);
    EXPECT_TRUE(e["label"].is_null());
    EXPECT_TRUE(e["total_bytes"].is_null());
    EXPECT_EQ(doc["drives"][2]["type"], "remote");
    EXPECT_EQ(doc["masks"]["cdrom"], 1 << 3);
    EXPECT_EQ(doc["masks"]["remote"], 1 << 13);

    const ToolRun human = RunTool({"drives", "e"});
    EXPECT_EQ(human.out, "DRIVE  TYPE       LABEL  TOTAL  FREE  NOTES\n"
                         "E:     removable  -      -      -     no medium\n");
    EXPECT_EQ(RunTool({"--json", "drives", "--all"}).Json()["drives"].size(), 26u);

    const struct {
        std::string path;
        const char *cls;
    } classes[] = {{"C:\\x", "local"},
                   {"\\\\srv\\s\\x", "unc"},
                   {"n:\\x", "network-drive"},
                   {"N:\\x", "network-drive"},
                   {H("srv/x"), "unc"}};  // a host path below the share
    for (const auto &c : classes) {
        const ToolRun run = RunTool({"--json", "net", "classify", c.path});
        EXPECT_EQ(run.exit, 0) << c.path;
        EXPECT_EQ(run.Json()["results"][0]["class"], c.cls) << c.path;
    }
}

TEST_F(MachineTest, PingOnlyTheLoopback)
{
    for (const char *target : {"127.0.0.1", "\\\\localhost\\share"}) {
        const ToolRun run = RunTool({"--json", "net", "ping", target, "-c", "1", "-t", "500"});
        ASSERT_TRUE(run.exit == 0 || run.exit == 1) << target << run.err;
        // Whether the host may send ICMP decides the answer; the exit code
        // and the document must agree.
        EXPECT_EQ(run.Json()["reachable"], run.exit == 0) << target;
        EXPECT_EQ(run.Json()["network_drive"], false);
    }
    EXPECT_EQ(RunTool({"--json", "net", "ping", "127.0.0.1", "-c", "1"}).Json()["windows"],
              "\\\\127.0.0.1");
    // A drive that is no network drive has no computer behind it.
    const ToolRun local = RunTool({"--json", "net", "ping", "C:\\x", "-c", "1", "-t", "100"});
    EXPECT_EQ(local.exit, 1);
    EXPECT_EQ(local.Json()["network_drive"], true);
    EXPECT_EQ(local.Json()["reachable"], false);
}

}  // namespace
}  // namespace tooltest
}  // namespace brenvik
