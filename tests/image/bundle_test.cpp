// Split image bundles: member lists, the completeness check, both deletions.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image_test_support.h"

struct BrenvikTestAccess {
    static int List(const char *name, char (*list)[260], char *dir)
    {
        return CVcdImageEx::Get_VCDCluster_AllNamelist_internal(name, 0, list, dir, nullptr);
    }
};

namespace {

using namespace brenvik::test;
namespace sim = brenvik::sim;
using Strings = std::vector<std::string>;

std::string M(const std::string &prefix, unsigned k)  // member k
{
    return prefix + char('0' + k / 10) + char('0' + k % 10);
}

const std::string kList = "CVcdImageEx::Get_VCDCluster_AllNamelist_internal ";
const std::string kDel = "CVcdImageEx::Del_ClusterBundle_Without_Verify ";
std::string ListFirst(const std::string &name)
{
    return kList + "(DEL) strClusterMaterFile<" + name + "> \n";
}

// The trace of a list of members 00 to total - 1 asked for by `name`; cut
// to `lines` lines when refused.
Strings ListLines(const std::string &name, const std::string &prefix, unsigned total,
                  std::size_t lines = 1000)
{
    Strings out = {ListFirst(name), "CVcdImageEx:: (DEL) DVD cluster dir<" +
                                        prefix.substr(0, prefix.rfind('\\') + 1) + "> \n"};
    for (unsigned k = 1; k < total; ++k)
        out.push_back("CVcdImageEx:: (DEL) Slave<" + M(prefix, k) + ">\n");
    out.push_back("CVcdImageEx:: (DEL) total<" + std::to_string(total) + "> OK ] \n");
    out.resize(std::min(lines, out.size()));
    return out;
}

class Bundles : public ImageFiles {
protected:
    // Title.DVD\Title.DVD.D00 counting `slaves`, slaves 01 to `present` on
    // disk. Returns the members' prefix, a whole path.
    std::string Dvd(const std::string &title, std::uint32_t slaves, unsigned present)
    {
        if (Sim())
            machine_->Remove(Path(title + ".DVD"));
        const std::string prefix = MakeDir(title + ".DVD") + title + ".DVD.D";
        Put(M(prefix, 0), Fields(mk::kFormatDvd, 0, slaves));
        for (unsigned k = 1; k <= present; ++k)
            PutText(M(prefix, k));
        if (Sim())
            machine_->ResetCalls();
        return prefix;
    }
    bool Untouched(const char *p) { return static_cast<unsigned char>(*p) == 0xEE; }
    void Clear() { std::memset(list_, 0xEE, sizeof list_), std::memset(dir_, 0xEE, sizeof dir_); }

    char list_[101][260];  // one entry more than any bundle has
    char dir_[260];
};

TEST_F(Bundles, ListsTakeTheCountFromMember00AndStayInTheList)
{
    const unsigned rows[][5] = {  // kind, slaves, DVD-only result, cluster result, members
        {5, 0, 1, 1, 1},          {5, 3, 1, 1, 4},          {5, 99, 1, 1, 100},
        {5, 0xFFFFFFFF, 1, 1, 1},  // a signed count
        {5, 100, 0, 0, 1},        {5, 0x7FFFFFFF, 0, 0, 1},  // more than 99: entry 00 only
        {1, 150, 0, 1, 2},        {2, 0xFFFFFFFF, 0, 1, 2},  // mixed mode, CD-Extra
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(::testing::Message() << "kind " << row[0] << ", " << row[1] << " slaves");
        const std::string prefix = Dvd("T", 0, 0);
        Put(M(prefix, 0), Fields(row[0] == 5 ? mk::kFormatDvd : 0, row[0], row[1]));
        Put(M(prefix, 2), Fields(mk::kFormatDvd, 0, 7));  // a slave's own count is not read
        const std::string given = M(prefix, row[0] == 5 ? 2 : 0);
        for (int dvdOnly : {1, 0}) {
            Clear();
            int count = -7;
            const int ok = (dvdOnly ? CVcdImageEx::Get_DVD_AllNamelist
                                    : CVcdImageEx::Get_Cluster_AllNamelist)(given.c_str(), list_,
                                                                            dir_, &count);
            ASSERT_EQ(ok, int(row[dvdOnly ? 2 : 3]));
            EXPECT_EQ(count, ok ? int(row[4]) : -7);
            const unsigned written = !ok && row[0] != 5 ? 0 : row[4];
            for (unsigned k = 0; k < 101; ++k)
                ASSERT_EQ(k < written ? std::string(list_[k]) : std::string(1, list_[k][0]),
                          k < written ? M(prefix, k) : "\xEE")
                    << "entry " << k;
            EXPECT_EQ(Lines(), ListLines(given, prefix, row[4], ok ? 1000 : written ? 2 : 1));
        }
    }
    // Without member 00 the list fails after writing the directory and entry 0.
    const std::string slave = Put("S.DVD.D05", Fields(mk::kFormatDvd, 0, 1));
    Clear();
    EXPECT_EQ(CVcdImageEx::Get_DVD_AllNamelist(slave.c_str(), list_, dir_, nullptr), 0);
    EXPECT_EQ(std::string(dir_) + "|" + list_[0], Path("") + "|" + Path("S.DVD.D00"));
    EXPECT_TRUE(Untouched(list_[1]));
}

TEST_F(Bundles, ListRefusesBadArgumentsAndNamesOfNoCluster)
{
    MakeDir("Dir.DVD.D00");
    const std::string name = Put("Song.VCD.D00", Fields(0, 1, 1)), folder = Path("Dir.DVD.D00"),
                      data = Put("Data.VCD.D00", Fields(0, 0, 1)),
                      noTitle = Put(".D00", Fields(mk::kFormatDvd, 0));
    const std::string bad = kList + "BAD NULL ...";
    const std::tuple<const char *, bool, bool, Strings> rows[] = {
        {nullptr, true, true, {ListFirst("(null)"), bad + "strClusterMaterFile \n"}},
        {"", false, false, {ListFirst(""), bad + "strClusterMaterFile \n"}},
        {name.c_str(), false, false, {ListFirst(name), bad + "pNamelist \n"}},
        {name.c_str(), true, false, {ListFirst(name), bad + "strDvdDir \n"}},
        {data.c_str(), true, true, {ListFirst(data)}},
        {folder.c_str(), true, true, {ListFirst(folder)}},
        {noTitle.c_str(), true, true, {ListFirst(noTitle)}},
    };
    for (const auto &[given, list, dir, lines] : rows) {
        Clear();
        EXPECT_EQ(BrenvikTestAccess::List(given, list ? list_ : nullptr, dir ? dir_ : nullptr), 0);
        EXPECT_EQ(Lines(), lines);
        EXPECT_TRUE(Untouched(dir_) && Untouched(list_[0]));
    }
}

TEST_F(Bundles, ValidityReadsOneHeaderAndAtMostOneStatusPerMember)
{
    const unsigned rows[][4] = {  // slaves, present, result, status queries
        {0, 0, 1, 1}, {5, 5, 1, 6}, {99, 99, 1, 100}, {5, 2, 0, 4}, {100, 99, 0, 1},
    };
    char master[260];
    for (const auto &row : rows) {
        SCOPED_TRACE(::testing::Message() << row[0] << " slaves, " << row[1] << " present");
        const std::string prefix = Dvd("T", row[0], row[1]);
        std::memset(master, 0xEE, sizeof master);
        EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(M(prefix, 1).c_str(), master), int(row[2]));
        EXPECT_EQ(row[2] ? std::string(master) : std::string(1, master[0]),
                  row[2] ? M(prefix, 0) : "\xEE");
        EXPECT_EQ(machine_->CallCount("ReadFile"), 1u);
        EXPECT_EQ(machine_->CallCount("GetFileAttributesExA"), row[3]);
    }
    // A name of no DVD member costs nothing; missing arguments are traced.
    machine_->ResetCalls();
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(Path("Movie.VCD.D00").c_str(), master), 0);
    EXPECT_EQ(machine_->CallCount(), 0u);
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(nullptr, master) +
                  CVcdImageEx::IsValidDvdBundle(Path("T.DVD\\T.DVD.D00").c_str(), nullptr),
              0);
    const std::string bad = "CVcdImageEx::IsValidDvdBundle BAD NULL ...";
    EXPECT_EQ(Lines(), (Strings{bad + "strPath \n", bad + "strDVDMasterFile_MAXPATH \n"}));
}

TEST_F(Bundles, DeletionReadsHeadersOnlyAsOftenAsItMust)
{
    struct Row {
        mk::HeaderFields fields;
        unsigned long result;
        std::uint64_t reads, deletes;  // three reads for the kind, one for a DVD's count
    };
    const Row rows[] = {
        {Fields(mk::kFormatDvd, 0, 3), DELBUNDLE_OK, 4, 4},
        {Fields(mk::kFormatDvd, 0, 0), DELBUNDLE_OK, 4, 1},
        {Fields(mk::kFormatDvd, 0, 100), DELBUNDLE_NO_NAMELIST, 4, 0},
        {Fields(mk::kFormatDvd, 0, 1, 2941), DELBUNDLE_NO_NAMELIST, 4, 0},
        {Fields(0, 1, 7), DELBUNDLE_OK, 3, 2},
        {Fields(0, 0, 3), DELBUNDLE_NOT_CLUSTER, 1, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(::testing::Message() << row.fields.discKind << " " << row.fields.slaveCount);
        const std::string prefix = Dvd("T", 0, 0);
        Put(M(prefix, 0), row.fields);
        machine_->ResetCalls();
        EXPECT_EQ(CVcdImageEx::DelClusterBundle(M(prefix, 0).c_str()), row.result);
        EXPECT_EQ(machine_->CallCount("ReadFile"), row.reads);
        EXPECT_EQ(machine_->CallCount("DeleteFileA"), row.deletes);
        EXPECT_EQ(machine_->CallCount("RemoveDirectoryA"), row.result == DELBUNDLE_OK);
        EXPECT_EQ(machine_->DirExists(Path("T.DVD")), row.result != DELBUNDLE_OK);
    }
    Lines();
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(nullptr) + CVcdImageEx::DelClusterBundle(""),
              DELBUNDLE_OK);
    EXPECT_EQ(Lines(), Strings(2, "CVcdImageEx::DelClusterBundle BAD NULL ...strDvdMaster \n"));
}

TEST_F(Bundles, DeletionTriesEveryMemberWhateverFails)
{
    // How member 01's deletion fails (0: another holds it open), and the result.
    const std::pair<DWORD, unsigned long> rows[] = {
        {ERROR_ACCESS_DENIED, DELBUNDLE_MEMBER_FAILED}, {0, DELBUNDLE_MEMBER_FAILED},
        {ERROR_FILE_NOT_FOUND, DELBUNDLE_DIR_FAILED},  // counted as gone; 01 keeps the dir
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.first);
        const std::string prefix = Dvd("T", 3, 3);
        HANDLE held = row.first ? nullptr
                                : S().CreateFileA(M(prefix, 1).c_str(), GENERIC_READ,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                  OPEN_EXISTING, 0, nullptr);
        if (row.first)
            machine_->FailPath(M(prefix, 1), row.first, sim::PathMatch::IgnoreCase,
                               sim::Times::Once, "DeleteFileA");
        EXPECT_EQ(CVcdImageEx::DelClusterBundle(M(prefix, 0).c_str()), row.second);
        EXPECT_EQ(machine_->CallCount("DeleteFileA"), 4u);
        EXPECT_EQ(machine_->ListDir(Path("T.DVD")), Strings{"T.DVD.D01"});
        if (held) {  // the deletion by name goes on past it too
            PutText(M(prefix, 2));
            EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(M(prefix, 0).c_str(), 0), 1);
            EXPECT_EQ(machine_->ListDir(Path("T.DVD")), Strings{"T.DVD.D01"});
            S().CloseHandle(held);
        }
    }
}

TEST_F(Bundles, DeletionByNameReadsNoHeaderAndTracesADirectoryThatStays)
{
    const std::string prefix = Dvd("T", 2, 2);
    machine_->MakeFile(M(prefix, 99));
    machine_->ResetCalls();
    // A removal failing for want of the directory fails too.
    machine_->FailPath(Path("T.DVD"), ERROR_PATH_NOT_FOUND, sim::PathMatch::IgnoreCase,
                       sim::Times::Always, "RemoveDirectoryA");
    Lines();
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(M(prefix, 0).c_str(), 1), 1);
    Strings lines = {kDel + "strClusterMasterFile<" + M(prefix, 0) + "> [ \n",
                     kDel + "strDvdPathPrefix<" + prefix + "> \n"};
    for (unsigned k = 0; k < 100; ++k)
        lines.push_back(kDel + "(DERLDEL) csNext<" + M(prefix, k) + "> \n");
    lines.push_back(kDel + "(DERLDEL) failed to del strDvdDir<" + Path("T.DVD\\") + "> err:" +
                    std::to_string(ERROR_PATH_NOT_FOUND) + " \n");
    EXPECT_EQ(Lines(), lines);
    EXPECT_EQ(machine_->CallCount("CreateFileA") + machine_->CallCount("DeleteFileA"), 100u);
    EXPECT_EQ(machine_->ListDir(Path("T.DVD")), Strings{});
}

TEST_F(Bundles, DeletionByNameRefusesWhatIsNoMasterName)
{
    MakeDir("M.DVD");
    const Strings kept = {PutText("M.DVD\\M.DVD.D01"), PutText("M.DVD\\M.ISO.D00"),
                          PutText("M.DVD\\.DVD.D00")};
    Strings names = kept;
    names.insert(names.end(),
                 {"C:\\M.DVD.D00", "M.DVD.D00", Path(std::string(250, 'T') + ".DVD.D00")});
    for (const std::string &name : names) {
        EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(name.c_str(), 1), 0);
        EXPECT_EQ(Lines(), (Strings{kDel + "strClusterMasterFile<" + name + "> [ \n", kDel +
                                    "BAD mater name strClusterMasterFile<" + name + "> ] \n"}));
    }
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(nullptr, 1) +
                  CVcdImageEx::Del_ClusterBundle_Without_Verify("", 0),
              0);
    EXPECT_EQ(Lines(), Strings(2, kDel + "BAD NULL ...strClusterMasterFile \n"));
    // Overlong names delete nothing anywhere.
    for (const std::string &name : {Path(std::string(5000, 'T') + ".DVD.D00"),
                                    "C:\\" + std::string(300, 'd') + "\\M.DVD.D00"}) {
        EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(name.c_str(), dir_) +
                      CVcdImageEx::Del_ClusterBundle_Without_Verify(name.c_str(), 1),
                  0);
        EXPECT_EQ(CVcdImageEx::DelClusterBundle(name.c_str()), DELBUNDLE_NOT_CLUSTER);
    }
    EXPECT_EQ(machine_->ListDir(Path("M.DVD")).size(), 3u);
}

class BundleFiles : public Bundles, public ::testing::WithParamInterface<std::string> {
    std::string Backend() const override { return GetParam(); }
};

TEST_P(BundleFiles, DeletionsTakeTheMembersAndLeaveEveryNeighbour)
{
    const std::string prefix = Dvd("Movie", 3, 1);
    PutText(Path("Movie.DVD\\movie.dvd.d02"));  // names that differ in case only are one file
    PutText(Path("Movie.DVD\\MOVIE.DVD.D03"));
    PutText(M(prefix, 4));  // beyond the header's count
    const Strings neighbours = {
        prefix + "100", prefix + "x1", prefix + "1", prefix + "01.bak",
        Path("Movie.DVD\\xMovie.DVD.D01"), Path("Movie.DVD\\Movie.VCD.D01"),
        MakeDir("Movie2.DVD") + "Movie2.DVD.D00",  // a bundle whose title starts alike
    };
    for (const std::string &n : neighbours)
        PutText(n);
    const std::string song = Put("Song.VCD.D00", Fields(0, 1, 5));
    PutText("Song.VCD.D01");
    PutText("Song.VCD.D02");  // not a member: a mixed-mode bundle has two

    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(M(prefix, 3).c_str(), dir_), 1);
    EXPECT_EQ(std::string(dir_), M(prefix, 0));
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(M(prefix, 0).c_str()), DELBUNDLE_DIR_FAILED);
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(song.c_str()), DELBUNDLE_DIR_FAILED);
    for (unsigned k = 0; k < 4; ++k)
        EXPECT_FALSE(Exists(M(prefix, k))) << k;
    EXPECT_FALSE(Exists("Song.VCD.D00") || Exists("Song.VCD.D01"));
    EXPECT_TRUE(Exists("Song.VCD.D02") && Exists(M(prefix, 4)));

    // By name: 00 to 99 in any case, nothing else; the directory once empty.
    for (unsigned k : {0u, 42u, 99u})
        PutText(M(prefix, k));
    PutText(Path("Movie.DVD\\MOVIE.dvd.d55"));
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(M(prefix, 0).c_str(), 1), 1);
    for (unsigned k : {0u, 4u, 42u, 55u, 99u})
        EXPECT_FALSE(Exists(M(prefix, k))) << k;
    for (const std::string &n : neighbours) {
        EXPECT_TRUE(Exists(n)) << n;
        S().DeleteFileA(n.c_str());
    }
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(M(prefix, 0).c_str(), 1), 1);
    EXPECT_FALSE(Exists("Movie.DVD"));
}

TEST_P(BundleFiles, ValidityNeedsEveryMemberAsAFileInAnyCase)
{
    const std::string prefix = MakeDir("low.dvd") + "low.dvd.d";
    Put(prefix + "00", Fields(0, 0, 2));  // the kind is not consulted
    PutText(prefix + "01");
    MakeDir("low.dvd\\low.dvd.d02");
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle((prefix + "01").c_str(), dir_), 0);
    S().RemoveDirectoryA((prefix + "02").c_str());
    PutText(Path("low.dvd\\LOW.DVD.D02"));
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle((prefix + "01").c_str(), dir_), 1);
    EXPECT_EQ(std::string(dir_), Path("low.dvd\\low.dvd.D00"));
    S().DeleteFileA((prefix + "00").c_str());
    MakeDir("low.dvd\\low.dvd.d00");
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle((prefix + "01").c_str(), dir_), 0);
}

TEST_P(BundleFiles, MemberNamesThatWouldNotFitAreRefusedNotCut)
{
    const std::size_t room = 260 - Path("").size();
    // The given name ends in ".x": its members are two characters longer.
    const std::string fits = Put(std::string(room - 9, 'T') + ".DVD.x", Fields(0, 1, 1));  // 257
    ASSERT_EQ(CVcdImageEx::Get_Cluster_AllNamelist(fits.c_str(), list_, dir_, nullptr), 1);
    EXPECT_EQ(std::strlen(list_[1]), 259u);
    const std::string over = Put(std::string(room - 8, 'U') + ".DVD.x", Fields(0, 1, 1));  // 258
    const std::string cut = PutText(over.substr(0, over.size() - 1) + "D0");  // a cut member
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(over.c_str()), DELBUNDLE_NO_NAMELIST);
    // 259 characters: every member fits and goes; 260: refused.
    const std::string master = PutText(std::string(room - 9, 'V') + ".DVD.D00");
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(master.c_str(), 0), 1);
    EXPECT_FALSE(Exists(master));
    const std::string longer = Path(std::string(room - 8, 'W') + ".DVD.D00");
    PutText(longer.substr(0, 259));
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(longer.c_str(), 0), 0);
    EXPECT_TRUE(Exists(over) && Exists(cut) && Exists(longer.substr(0, 259)));
}

IMAGE_BACKENDS(BundleFiles);

}  // namespace
