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

class Bundles : public ImageFiles {
protected:
    // A fresh TitleN.DVD\TitleN.DVD.D00 counting `slaves`, slaves 01 to
    // `present` on disk. Returns the members' prefix, a whole path.
    std::string Dvd(const std::string &title, std::uint32_t slaves, unsigned present)
    {
        const std::string t = title + std::to_string(++bundles_);
        const std::string prefix = MakeDir(t + ".DVD") + t + ".DVD.D";
        Put(M(prefix, 0), Fields(mk::kFormatDvd, 0, slaves));
        for (unsigned k = 1; k <= present; ++k)
            PutText(M(prefix, k));
        faults_.ClearCalls();
        return prefix;
    }
    static std::string Dir(const std::string &prefix) { return prefix.substr(0, prefix.rfind('\\') + 1); }
    bool Untouched(const char *p) { return static_cast<unsigned char>(*p) == 0xEE; }
    void Clear() { std::memset(list_, 0xEE, sizeof list_), std::memset(dir_, 0xEE, sizeof dir_); }
    // Which of the members 00 to n - 1 exist, as "0110...".
    std::string Present(const std::string &prefix, unsigned n)
    {
        std::string s;
        for (unsigned k = 0; k < n; ++k)
            s += Exists(M(prefix, k)) ? '1' : '0';
        return s;
    }

    int bundles_ = 0;
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
            // The trace of the list, cut where it was refused.
            Strings lines = {ListFirst(given), "CVcdImageEx:: (DEL) DVD cluster dir<" + Dir(prefix) + "> \n"};
            for (unsigned k = 1; k < row[4]; ++k)
                lines.push_back("CVcdImageEx:: (DEL) Slave<" + M(prefix, k) + ">\n");
            lines.push_back("CVcdImageEx:: (DEL) total<" + std::to_string(row[4]) + "> OK ] \n");
            lines.resize(ok ? lines.size() : written ? 2 : 1);
            EXPECT_EQ(Lines(), lines);
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
        EXPECT_EQ(faults_.CountCalls("ReadFile"), 1);
        EXPECT_EQ(faults_.CountCalls("GetFileAttributesExA"), int(row[3]));
    }
    // A name of no DVD member costs nothing; missing arguments are traced.
    faults_.ClearCalls();
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(Path("Movie.VCD.D00").c_str(), master), 0);
    EXPECT_TRUE(faults_.Calls().empty());
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(nullptr, master) +
                  CVcdImageEx::IsValidDvdBundle(Path("T.DVD\\T.DVD.D00").c_str(), nullptr),
              0);
    const std::string bad = "CVcdImageEx::IsValidDvdBundle BAD NULL ...";
    EXPECT_EQ(Lines(), (Strings{bad + "strPath \n", bad + "strDVDMasterFile_MAXPATH \n"}));
}

TEST_F(Bundles, DeletionReadsHeadersOnlyAsOftenAsItMust)
{
    const struct {
        mk::HeaderFields fields;
        unsigned long result;
        int reads, deletes;  // three reads for the kind, one for a DVD's count
    } rows[] = {
        {Fields(mk::kFormatDvd, 0, 3), DELBUNDLE_OK, 4, 4},
        {Fields(mk::kFormatDvd, 0, 0), DELBUNDLE_OK, 4, 1},
        {Fields(mk::kFormatDvd, 0, 100), DELBUNDLE_NO_NAMELIST, 4, 0},
        {Fields(mk::kFormatDvd, 0, 1, 2941), DELBUNDLE_NO_NAMELIST, 4, 0},
        {Fields(0, 1, 7), DELBUNDLE_OK, 3, 2},
        {Fields(0, 0, 3), DELBUNDLE_NOT_CLUSTER, 1, 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(::testing::Message() << row.fields.discKind << " " << row.fields.slaveCount);
        const std::string prefix = Dvd("T", 0, 0);
        Put(M(prefix, 0), row.fields);
        faults_.ClearCalls();
        EXPECT_EQ(CVcdImageEx::DelClusterBundle(M(prefix, 0).c_str()), row.result);
        EXPECT_EQ(faults_.CountCalls("ReadFile"), row.reads);
        EXPECT_EQ(faults_.CountCalls("DeleteFileA"), row.deletes);
        EXPECT_EQ(faults_.CountCalls("RemoveDirectoryA"), row.result == DELBUNDLE_OK);
        EXPECT_EQ(Exists(Dir(prefix)), row.result != DELBUNDLE_OK);
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
        HANDLE held = row.first ? INVALID_HANDLE_VALUE
                                : S().CreateFileA(M(prefix, 1).c_str(), GENERIC_READ,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_EQ(held == INVALID_HANDLE_VALUE, row.first != 0);
        if (row.first)
            faults_.Fail("DeleteFileA", M(prefix, 1), row.first, Times::Once);
        faults_.ClearCalls();
        EXPECT_EQ(CVcdImageEx::DelClusterBundle(M(prefix, 0).c_str()), row.second);
        EXPECT_EQ(faults_.CountCalls("DeleteFileA"), 4);
        EXPECT_EQ(Present(prefix, 4), "0100");
        if (row.first == 0) {  // the deletion by name goes on past it too
            PutText(M(prefix, 2));
            EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(M(prefix, 0).c_str(), 0), 1);
            EXPECT_EQ(Present(prefix, 4), "0100");
            S().CloseHandle(held);
        }
    }
}

TEST_F(Bundles, DeletionByNameReadsNoHeaderAndTracesADirectoryThatStays)
{
    const std::string prefix = Dvd("T", 2, 2);
    PutText(M(prefix, 99));
    // A removal failing for want of the directory fails too.
    faults_.Fail("RemoveDirectoryA", Dir(prefix), ERROR_PATH_NOT_FOUND);
    faults_.ClearCalls();
    Lines();
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(M(prefix, 0).c_str(), 1), 1);
    Strings lines = {kDel + "strClusterMasterFile<" + M(prefix, 0) + "> [ \n",
                     kDel + "strDvdPathPrefix<" + prefix + "> \n"};
    for (unsigned k = 0; k < 100; ++k)
        lines.push_back(kDel + "(DERLDEL) csNext<" + M(prefix, k) + "> \n");
    lines.push_back(kDel + "(DERLDEL) failed to del strDvdDir<" + Dir(prefix) + "> err:" +
                    std::to_string(ERROR_PATH_NOT_FOUND) + " \n");
    EXPECT_EQ(Lines(), lines);
    EXPECT_EQ(faults_.CountCalls("CreateFileA") + faults_.CountCalls("ReadFile"), 0);
    EXPECT_EQ(faults_.PathsOf("DeleteFileA").size(), 100u);
    EXPECT_EQ(Present(prefix, 3) + (Exists(M(prefix, 99)) ? "1" : "0"), "0000");
}

TEST_F(Bundles, DeletionByNameRefusesWhatIsNoMasterName)
{
    MakeDir("M.DVD");
    const Strings kept = {PutText("M.DVD\\M.DVD.D01"), PutText("M.DVD\\M.ISO.D00"),
                          PutText("M.DVD\\.DVD.D00")};
    Strings names = kept;
    names.insert(names.end(), {"C:\\M.DVD.D00", "M.DVD.D00", Path(std::string(250, 'T') + ".DVD.D00"),
                               Path(std::string(300, 'T') + ".DVD.D00"),
                               "C:\\" + std::string(300, 'd') + "\\M.DVD.D00"});
    for (const std::string &name : names) {
        EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(name.c_str(), 1), 0);
        EXPECT_EQ(Lines(), (Strings{kDel + "strClusterMasterFile<" + name + "> [ \n", kDel +
                                    "BAD mater name strClusterMasterFile<" + name + "> ] \n"}));
        // Nor do the verifying forms take such a name.
        EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(name.c_str(), dir_), 0);
        EXPECT_EQ(CVcdImageEx::DelClusterBundle(name.c_str()), DELBUNDLE_NOT_CLUSTER);
    }
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(nullptr, 1) +
                  CVcdImageEx::Del_ClusterBundle_Without_Verify("", 0),
              0);
    EXPECT_EQ(Lines(), Strings(2, kDel + "BAD NULL ...strClusterMasterFile \n"));
    for (const std::string &name : kept)
        EXPECT_TRUE(Exists(name)) << name;
}
TEST_F(Bundles, DeletionsTakeTheMembersAndLeaveEveryNeighbour)
{
    const std::string prefix = Dvd("Movie", 3, 1), d = Dir(prefix);  // Movie1.DVD
    PutText(d + "movie1.dvd.d02");  // names that differ in case only are one file
    PutText(d + "MOVIE1.DVD.D03");
    PutText(M(prefix, 4));  // beyond the header's count
    const Strings neighbours = {
        prefix + "100", prefix + "x1", prefix + "1", prefix + "01.bak", d + "xMovie1.DVD.D01",
        d + "Movie1.VCD.D01", MakeDir("Movie12.DVD") + "Movie12.DVD.D00",  // a title that starts alike
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
    EXPECT_EQ(Present(prefix, 5), "00001");
    EXPECT_EQ(Present(Path("Song.VCD.D"), 3), "001");

    // By name: 00 to 99 in any case, nothing else; the directory once empty.
    for (unsigned k : {0u, 42u, 99u})
        PutText(M(prefix, k));
    PutText(d + "MOVIE1.dvd.d55");
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(M(prefix, 0).c_str(), 1), 1);
    for (unsigned k : {0u, 4u, 42u, 55u, 99u})
        EXPECT_FALSE(Exists(M(prefix, k))) << k;
    for (const std::string &n : neighbours) {
        EXPECT_TRUE(Exists(n)) << n;
        S().DeleteFileA(n.c_str());
    }
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(M(prefix, 0).c_str(), 1), 1);
    EXPECT_FALSE(Exists(d));
}

TEST_F(Bundles, ValidityNeedsEveryMemberAsAFileInAnyCase)
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

TEST_F(Bundles, MemberNamesThatWouldNotFitAreRefusedNotCut)
{
    // A deep directory, so that the names stay within what the host allows.
    const std::string base = MakeDir(std::string(100, 'd'));
    const std::size_t room = 260 - base.size();
    // The given name ends in ".x": its members are two characters longer.
    const std::string fits = Put(base + std::string(room - 9, 'T') + ".DVD.x", Fields(0, 1, 1));
    ASSERT_EQ(CVcdImageEx::Get_Cluster_AllNamelist(fits.c_str(), list_, dir_, nullptr), 1);
    EXPECT_EQ(std::strlen(list_[1]), 259u);
    const std::string over = Put(base + std::string(room - 8, 'U') + ".DVD.x", Fields(0, 1, 1));
    const std::string cut = PutText(over.substr(0, over.size() - 1) + "D0");  // a cut member
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(over.c_str()), DELBUNDLE_NO_NAMELIST);
    // 259 characters: every member fits and goes; 260: refused.
    const std::string master = PutText(base + std::string(room - 9, 'V') + ".DVD.D00");
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(master.c_str(), 0), 1);
    EXPECT_FALSE(Exists(master));
    const std::string longer = base + std::string(room - 8, 'W') + ".DVD.D00";
    PutText(longer.substr(0, 259));
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(longer.c_str(), 0), 0);
    EXPECT_TRUE(Exists(over) && Exists(cut) && Exists(longer.substr(0, 259)));
}

}  // namespace
