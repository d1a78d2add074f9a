// Fault sweep of the image type queries, the description and the split
// image bundles.
#include <gtest/gtest.h>

#include <brenvik/brenvik.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "reliability/sweep.h"

namespace brenvik::sweep {
namespace {

const char kImage[] = "C:\\img\\Holiday.VCD";
const char kDvdMaster[] = "C:\\img\\Movie.DVD\\Movie.DVD.D00";
const char kDvdDir[] = "C:\\img\\Movie.DVD\\";

// A header with the two kind words and the slave count, described
// "Holiday 2003", then a second block as real images have.
std::string Image(uint32_t mediaFormat, uint32_t discKind, uint32_t slaves = 0)
{
    std::string bytes(10522, '\0');
    const auto put = [&bytes](std::size_t offset, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put(16, 0x1234);
    put(44, mediaFormat);
    put(368, slaves);
    put(376, discKind);
    std::memcpy(&bytes[48], "Holiday 2003", 12);
    return bytes;
}

Setup ImageOf(uint32_t mediaFormat, uint32_t discKind)
{
    return [=](sim::Machine &m) { m.MakeFile(kImage, Image(mediaFormat, discKind)); };
}

TEST(Sweep, ImageTypeAndDescription)
{
    std::vector<Case> cases = {
        Make(SWEEP_INT(CVcdImageEx::GetVCD_cdtype(kImage)), {"4294967295"}, ImageOf(0, 4)),
        Make("CVcdImageEx::GetDesc", [] {
            char text[BRENVIK_MAX_PATH] = "untouched";
            int info = -1;
            const int r = CVcdImageEx::GetDesc(kImage, text, &info);
            return Text("%d '%s' %d", r, text, info);
        }, {"0 'untouched' 0"}, ImageOf(0, 4)),
    };
    // Each predicate on an image of its own kind, so that a failure shows.
    const struct {
        const char *name;
        int (*is)(const char *);
        uint32_t mediaFormat, discKind;
    } kinds[] = {
        {"Is_CDROM", CVcdImageEx::Is_CDROM, 0, 0}, {"Is_AUDIO", CVcdImageEx::Is_AUDIO, 0x100, 0},
        {"Is_MIXED", CVcdImageEx::Is_MIXED, 0, 1}, {"Is_DVD", CVcdImageEx::Is_DVD, 0x1000, 0},
        {"Is_CDEXTRA", CVcdImageEx::Is_CDEXTRA, 0, 2}, {"Is_PHOTO", CVcdImageEx::Is_PHOTO, 0, 3},
        {"Is_VIDEO", CVcdImageEx::Is_VIDEO, 0, 4}, {"Is_ISOGEN", CVcdImageEx::Is_ISOGEN, 0, 6},
        {"Is_Cluster", CVcdImageEx::Is_Cluster, 0, 5},
    };
    for (const auto &k : kinds) {
        auto is = k.is;
        cases.push_back(Make(k.name, [is] { return Text("%d", is(kImage)); }, {"0"},
                             ImageOf(k.mediaFormat, k.discKind)));
    }
    RunTable("image type queries and description", cases);
}

// A complete DVD bundle of four members in its own directory, and a
// mixed-mode pair.
void Bundles(sim::Machine &m)
{
    m.MakeFile(kDvdMaster, Image(0x1000, 0, 3));
    for (int k = 1; k <= 3; ++k)
        m.MakeFile(std::string(kDvdDir) + "Movie.DVD.D0" + std::to_string(k), "slave");
    m.MakeFile("C:\\img\\Song.VCD.D00", Image(0, 1));
    m.MakeFile("C:\\img\\Song.VCD.D01", "slave");
}

// "<result> <count> <dir>|<entry 0>|<entries 1 to 99 written>"; unwritten: "~".
std::string NameList(const char *master, bool dvdOnly)
{
    std::unique_ptr<char[][260]> list(new char[100][260]);
    for (int i = 0; i < 100; ++i)
        std::strcpy(list[i], "~");
    char dir[BRENVIK_MAX_PATH] = "~";
    int count = -1;
    const int r = dvdOnly ? CVcdImageEx::Get_DVD_AllNamelist(master, list.get(), dir, &count)
                          : CVcdImageEx::Get_Cluster_AllNamelist(master, list.get(), dir, &count);
    std::string text = Text("%d %d %s|%s|", r, count, dir, list[0]);
    for (int i = 1; i < 100; ++i)
        text += std::strcmp(list[i], "~") != 0 ? list[i] : "";
    return text;
}

TEST(Sweep, SplitImageBundles)
{
    // 0 after a failure, with the directory and entry 0 written or not, and nothing else.
    const Accept partial = [](const std::string &clean, const std::string &got, const FaultRun &) {
        const std::size_t bar = clean.find('|'), space = clean.rfind(' ', bar);
        const std::string dir = clean.substr(space + 1, bar - space - 1);
        const std::string first = clean.substr(bar + 1, clean.find('|', bar + 1) - bar - 1);
        for (const std::string &d : {std::string("~"), dir})
            for (const std::string &e : {std::string("~"), first})
                if (got == "0 -1 " + d + "|" + e + "|")
                    return true;
        return false;
    };
    Case dvdList =
        Make("Get_DVD_AllNamelist", [] { return NameList(kDvdMaster, true); }, {}, Bundles);
    Case mixedList = Make("Get_Cluster_AllNamelist",
                          [] { return NameList("C:\\img\\Song.VCD.D00", false); }, {}, Bundles);
    dvdList.accept = mixedList.accept = partial;

    Case valid = Make("IsValidDvdBundle", [] {
        char master[BRENVIK_MAX_PATH] = "untouched";
        const int r = CVcdImageEx::IsValidDvdBundle("C:\\img\\Movie.DVD\\Movie.DVD.D02", master);
        return Text("%d %s", r, master);
    }, {"0 untouched"}, Bundles);

    // The code says how far it got: a refusal deletes nothing, a member that
    // stays is 6 and keeps the directory, 8 comes only with every member gone.
    Case del = Make("DelClusterBundle", nullptr, {}, Bundles);
    del.call = [](sim::Machine &m) {
        const unsigned long r = CVcdImageEx::DelClusterBundle(kDvdMaster);
        int left = 0;
        for (int k = 0; k <= 3; ++k)
            left += m.Exists(std::string(kDvdDir) + "Movie.DVD.D0" + std::to_string(k)) ? 1 : 0;
        return Text("%lu left %d dir %d", r, left, m.DirExists(kDvdDir) ? 1 : 0);
    };
    del.accept = [](const std::string &, const std::string &got, const FaultRun &run) {
        unsigned long code = 0;
        int left = -1, dir = -1;
        if (std::sscanf(got.c_str(), "%lu left %d dir %d", &code, &left, &dir) != 3 || dir != 1)
            return false;
        switch (code) {
        case DELBUNDLE_NOT_CLUSTER:
        case DELBUNDLE_NO_NAMELIST:
            return left == 4;
        case DELBUNDLE_MEMBER_FAILED:
            return left >= 1;
        case DELBUNDLE_DIR_FAILED:
            // The list reads the kind once more; when that read fails, slaves
            // 02 and 03 stay as "other files".
            return left == 0 || (left == 2 && (run.Failed("CreateFileA", "Movie.DVD.D00") ||
                                               run.Failed("SetFilePointer", "Movie.DVD.D00") ||
                                               run.Failed("ReadFile", "Movie.DVD.D00")));
        default:
            return false;
        }
    };
    del.errors = {ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND, ERROR_SHARING_VIOLATION};

    // 1 for an accepted name whatever the deletions met.
    Case blind = Make(SWEEP_INT(CVcdImageEx::Del_ClusterBundle_Without_Verify(kDvdMaster, 1)), {},
                      Bundles);
    blind.keepsLastError = false;
    blind.errors = {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION};

    RunTable("split image bundles", {dvdList, mixedList, valid, del, blind});
}

}  // namespace
}  // namespace brenvik::sweep
