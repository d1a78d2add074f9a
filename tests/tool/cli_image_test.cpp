// brenvik image, bundle, drives and net, on the demo image library and on
// machines described by the tests' own registry files.
#include "platform/posix_fixture.h"
#include "tool_fixture.h"

namespace brenvik {
namespace tooltest {
namespace {

class ImageTest : public ToolTest {};

TEST_F(ImageTest, Images)
{
    MakeDemo();
    Check({
        {{"--json", "image", "type", "library/Holiday.vcd"}, 0, {{"/images/0/type", "video"}, {"/images/0/cluster", false}}},
        {{"--json", "image", "type", "@/library/Concert.DVD/Concert.DVD.D00"}, 0,
         {{"/images/0/type", "dvd"}, {"/images/0/cluster", true}}},
        {{"--json", "image", "type", "library/Broken.vcd"}, 1, {{"/images/0/type", nullptr}}},
        {{"image", "type", "library/notes.txt"}, 1, {}},
        {{"image", "type", "library/Holiday.vcd", "library/Album.VCD.D00"}, 0,
         {{"out=", "video CD       library/Holiday.vcd\nmixed-mode CD  library/Album.VCD.D00\n"}}},
        {{"--json", "image", "desc", "library/Holiday.vcd"}, 0,
         {{"/description", "Holiday by the sea"}, {"/desc_info", 1}}},
        {{"image", "desc", "library/Single.VCD.D00"}, 0, {{"out=", "Single, CD-Extra\n"}}},
        {{"image", "desc", "library/Broken.vcd"}, 1, {}},
        {{"--json", "image", "ext", "C:\\img\\Movie.dvd.d07", "C:\\img\\Movie.DVD"}, 0,
         {{"/names/0/class", "dvd"}, {"/names/0/bundle_member", true}, {"/names/1/class", "none"}}},
        {{"--json", "image", "master", "C:\\img\\Movie.DVD\\Movie.DVD.D00"}, 0,
         {{"/dir", "C:\\img\\Movie.DVD\\"}, {"/prefix", "C:\\img\\Movie.DVD\\Movie.DVD.D"}}},
        {{"image", "master", "C:\\img\\Movie.DVD.D01"}, 1, {}},
        {{"--json", "image", "dvd-names", "C:\\img\\My.Movie.iso"}, 0,
         {{"/master", "C:\\img\\My.Movie.DVD\\My.Movie.DVD.D00"}}},
        {{"--json", "image", "dvd-names", "sub/a.vcd"}, 0, {{"/master", "%\\sub\\a.DVD\\a.DVD.D00"}}},
        {{"image", "dvd-names", "C:\\img\\.vcd"}, 1, {}},
    });
}

TEST_F(ImageTest, Bundles)
{
    MakeDemo();
    const std::string concert = "@/library/Concert.DVD/Concert.DVD.D0", lecture = "@/library/Lecture.DVD/Lecture.DVD.D0";
    Check({
        {{"--json", "bundle", "list", concert + "0"}, 0,
         {{"/count", 4}, {"/members/3/path", concert + "3"}, {"/members/3/present", true}}},
        {{"--json", "bundle", "list", lecture + "0"}, 0, {{"/members/2/present", false}, {"/members/3/present", true}}},
        {{"bundle", "list", "--dvd", "library/Album.VCD.D00"}, 1, {}},
        {{"bundle", "list", "library/Holiday.vcd"}, 1, {}},
        {{"bundle", "check", "library/notes.txt"}, 2, {}},
        // Any member names its bundle.
        {{"--json", "bundle", "check", concert + "2"}, 0,
         {{"/master", concert + "0"}, {"/slaves", 3}, {"/complete", true}, {"/missing", nlohmann::json::array()}}},
        {{"--json", "bundle", "check", lecture + "1"}, 1, {{"/complete", false}, {"/missing", {lecture + "2"}}}},
        {{"bundle", "check", lecture + "3"}, 1,
         {{"out=", "incomplete  " + lecture + "0\n  missing  " + lecture + "2\n"}}},
        {{"--json", "bundle", "delete", "--dry-run", concert + "0"}, 0,
         {{"/would_delete/0/path", concert + "0"}, {"/would_delete/3/path", concert + "3"},
          {"/would_remove_dir", "@/library/Concert.DVD"}, {"?library/Concert.DVD/Concert.DVD.D03", true}}},
        {{"bundle", "delete", concert + "0"}, 2, {{"?library/Concert.DVD/Concert.DVD.D00", true}}},
        {{"bundle", "delete", "--yes", concert + "0"}, 0, {{"?library/Concert.DVD", false}}},
        // A pair in a folder with other files: the members go, the folder stays.
        {{"bundle", "delete", "--yes", "library/Album.VCD.D00"}, 1,
         {{"err", "code 8"}, {"?library/Album.VCD.D01", false}, {"?library/notes.txt", true}}},
        // Not a bundle by its header: nothing goes.
        {{"bundle", "delete", "--yes", "library/Holiday.vcd"}, 1, {{"?library/Holiday.vcd", true}}},
        {{"--json", "bundle", "delete-by-name", "-n", lecture + "0"}, 0,
         {{"/would_delete/0/path", lecture + "0"}, {"/would_delete/1/path", lecture + "1"},
          {"/would_delete/2/path", lecture + "3"}, {"?library/Lecture.DVD/Lecture.DVD.D00", true}}},
        {{"bundle", "delete-by-name", "--yes", lecture + "0"}, 0, {{"?library/Lecture.DVD", false}}},
        {{"bundle", "delete-by-name", "--yes", "--keep-dir", "library/Single.VCD.D00"}, 0,
         {{"?library/Single.VCD.D01", false}, {"?library/Holiday.vcd", true}}},
        {{"bundle", "delete-by-name", "--yes", "C:\\Movie.DVD.D00"}, 1, {}},
    });
}

TEST_F(ImageTest, DrivesAndNetwork)
{
    Check({{{"--json", "drives"}, 0,
            {{"/drives/0/letter", "C"}, {"/drives/0/type", "fixed"}, {"/drives/0/present", true},
             {"/drives/1", "(absent)"}, {"/masks/fixed", 4}, {"/masks/cdrom", 0}}}});
    test::MakeHostDirs(H("disc/MPEGAV"));
    test::MakeHostDirs(H("srv"));
    using namespace posixtest;
    SetRegistry({DriveKey('D', H("disc"), "cdrom", {"\"Label\"=\"emz3_dvd\""}),
                 DriveKey('E', H("nothing"), "removable"), ShareKey("nas", "images", H("srv")),
                 ConnectionKey('N', "\\\\nas\\images")});
    Check({
        {{"--json", "drives"}, 0,
         {{"/drives/0/letter", "D"}, {"/drives/0/type", "cdrom"}, {"/drives/0/label", "emz3_dvd"},
          {"/drives/0/content", {"video", "audio"}}, {"/drives/1/present", false}, {"/drives/1/label", nullptr},
          {"/drives/1/total_bytes", nullptr}, {"/drives/2/type", "remote"}, {"/masks/cdrom", 1 << 3},
          {"/masks/remote", 1 << 13}}},
        {{"drives", "e"}, 0,
         {{"out=", "DRIVE  TYPE       LABEL  TOTAL  FREE  NOTES\nE:     removable  -      -      -     no medium\n"}}},
        {{"--json", "drives", "--all"}, 0, {{"/drives/25/letter", "Z"}}},
        {{"--json", "net", "classify", "C:\\x", "\\\\srv\\s\\x", "n:\\x", "@/srv/x"}, 0,
         {{"/results/0/class", "local"}, {"/results/1/class", "unc"}, {"/results/2/class", "network-drive"},
          {"/results/3/class", "unc"}}},
        // A drive that is no network drive has no computer behind it.
        {{"--json", "net", "ping", "C:\\x", "-c", "1", "-t", "100"}, 1,
         {{"/network_drive", true}, {"/reachable", false}}},
    });
    // Whether the host may send ICMP decides the answer; exit code and document agree.
    const ToolRun ping = RunTool({"--json", "net", "ping", "127.0.0.1", "-c", "1", "-t", "500"});
    ASSERT_TRUE(ping.exit == 0 || ping.exit == 1) << ping.err;
    EXPECT_EQ(ping.Json()["reachable"], ping.exit == 0);
    EXPECT_EQ(ping.Json()["windows"], "\\\\127.0.0.1");
}

}  // namespace
}  // namespace tooltest
}  // namespace brenvik
