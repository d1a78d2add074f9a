// Split image bundles: member lists, the completeness check, and both
// deletions, with the neighbours a careless deletion would take.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "image_test_support.h"

struct BrenvikTestAccess {
    static int List(const char *name, int dvdOnly, char (*list)[260], char *dir, int *count)
    {
        return CVcdImageEx::Get_VCDCluster_AllNamelist_internal(name, dvdOnly, list, dir, count);
    }
};

namespace {

using namespace brenvik::test;
namespace sim = brenvik::sim;
using Lines_ = std::vector<std::string>;

std::string M(const std::string &prefix, unsigned k)  // member k
{
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02u", k);
    return prefix + digits;
}

const std::string kList = "CVcdImageEx::Get_VCDCluster_AllNamelist_internal ";
const std::string kDel = "CVcdImageEx::Del_ClusterBundle_Without_Verify ";

std::string ListFirst(const std::string &name)
{
    return kList + "(DEL) strClusterMaterFile<" + name + "> \n";
}
std::string ListDir(const std::string &dir) { return "CVcdImageEx:: (DEL) DVD cluster dir<" + dir + "> \n"; }

// The trace of a list of members 00 to total - 1.
Lines_ ListLines(const std::string &prefix, const std::string &dir, unsigned total)
{
    Lines_ lines = {ListFirst(M(prefix, 0)), ListDir(dir)};
    for (unsigned k = 1; k < total; ++k)
        lines.push_back("CVcdImageEx:: (DEL) Slave<" + M(prefix, k) + ">\n");
    lines.push_back("CVcdImageEx:: (DEL) total<" + std::to_string(total) + "> OK ] \n");
    return lines;
}

// The trace of a deletion by name that gets past the checks.
Lines_ DelLines(const std::string &prefix)
{
    Lines_ lines = {kDel + "strClusterMasterFile<" + M(prefix, 0) + "> [ \n",
                    kDel + "strDvdPathPrefix<" + prefix + "> \n"};
    for (unsigned k = 0; k < 100; ++k)
        lines.push_back(kDel + "(DERLDEL) csNext<" + M(prefix, k) + "> \n");
    return lines;
}

class Bundles : public ImageFiles {
protected:
    // Title.DVD\Title.DVD.D00 counting `slaves`, slaves 01 to `present` on
    // disk. Returns the members' prefix, a whole path.
    std::string Dvd(const std::string &title, std::uint32_t slaves, unsigned present)
    {
        const std::string prefix = MakeDir(title + ".DVD") + title + ".DVD.D";
        Put(M(prefix, 0), Spec(mk::kFormatDvd, 0, slaves));
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

TEST_F(Bundles, MemberListsTakeTheCountFromMember00)
{
    struct Row {
        std::uint32_t kind, slaves;
        int dvd, cluster;  // results of the DVD-only list and the cluster list
        unsigned total;    // members listed (refused: entries written)
    };
    const Row rows[] = {
        {5, 0, 1, 1, 1},   {5, 3, 1, 1, 4},   {5, 99, 1, 1, 100},
        {5, 0x80000000u, 1, 1, 1}, {5, 0xFFFFFFFFu, 1, 1, 1},  // a signed count
        {5, 100, 0, 0, 1}, {5, 0x7FFFFFFFu, 0, 0, 1},         // more than 99: refused
        {1, 150, 0, 1, 2}, {2, 0xFFFFFFFFu, 0, 1, 2},         // mixed mode, CD-Extra
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(::testing::Message() << "kind " << row.kind << ", " << row.slaves << " slaves");
        machine_->Remove(Path("T.DVD"));
        const std::string prefix = MakeDir("T.DVD") + "T.DVD.D";
        Put(M(prefix, 0), Spec(row.kind == 5 ? mk::kFormatDvd : 0, row.kind, row.slaves));
        Put(M(prefix, 2), Spec(mk::kFormatDvd, 0, 7));  // a slave's own count is not read
        const std::string given = M(prefix, row.kind == 5 ? 2 : 0);
        for (int dvdOnly : {1, 0}) {
            Clear();
            int count = -7;
            const int ok = (dvdOnly ? CVcdImageEx::Get_DVD_AllNamelist
                                    : CVcdImageEx::Get_Cluster_AllNamelist)(given.c_str(), list_, dir_, &count);
            const int expected = dvdOnly ? row.dvd : row.cluster;
            ASSERT_EQ(ok, expected);
            EXPECT_EQ(count, ok ? int(row.total) : -7);
            const unsigned written = !ok && dvdOnly && row.kind != 5 ? 0 : row.total;
            for (unsigned k = 0; k < 101; ++k) {
                if (k < written) {
                    ASSERT_EQ(std::string(list_[k]), M(prefix, k));
                } else {
                    ASSERT_TRUE(Untouched(list_[k])) << "entry " << k;
                }
            }
            Lines_ lines = ListLines(prefix, Path("T.DVD\\"), row.total);
            lines[0] = ListFirst(given);
            if (!ok)
                lines.resize(written ? 2 : 1);
            EXPECT_EQ(Lines(), lines);
        }
    }
    // Without member 00 the list fails after writing the directory and entry 0.
    Clear();
    EXPECT_EQ(CVcdImageEx::Get_DVD_AllNamelist(Put("S.DVD.D05", Spec(mk::kFormatDvd, 0, 1)).c_str(), list_, dir_, nullptr), 0);
    EXPECT_EQ(std::string(dir_) + "|" + list_[0], Path("") + "|" + Path("S.DVD.D00"));
    EXPECT_TRUE(Untouched(list_[1]));
}

TEST_F(Bundles, ListRefusesBadArgumentsAndNamesOfNoCluster)
{
    const std::string master = Put("Song.VCD.D00", Spec(0, 1, 1));
    const char *name = master.c_str();
    struct Row {
        const char *name;
        bool list, dir;
        std::string shown, missing;
    };
    const Row rows[] = {
        {nullptr, true, true, "(null)", "strClusterMaterFile"}, {"", true, true, "", "strClusterMaterFile"},
        {nullptr, false, false, "(null)", "strClusterMaterFile"}, {name, false, true, master, "pNamelist"},
        {name, false, false, master, "pNamelist"},               {name, true, false, master, "strDvdDir"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.missing + " " + row.shown);
        Clear();
        EXPECT_EQ(BrenvikTestAccess::List(row.name, 0, row.list ? list_ : nullptr, row.dir ? dir_ : nullptr, nullptr), 0);
        EXPECT_EQ(Lines(), (Lines_{ListFirst(row.shown), kList + "BAD NULL ..." + row.missing + " \n"}));
        EXPECT_TRUE(Untouched(dir_) && Untouched(list_[0]));
    }
    EXPECT_TRUE(machine_->opens.empty()) << "no header read before the checks";
    MakeDir("Dir.DVD.D00");
    const std::string names[] = {Put("Data.VCD.D00", Spec(0, 0, 1)), Put("Audio.VCD.D00", Spec(0x100, 1, 1)),
                                 Path("Missing.DVD.D00"), Path("Dir.DVD.D00"),
                                 Put("NoExtension", Spec(mk::kFormatDvd, 0)), Put(".D00", Spec(mk::kFormatDvd, 0))};
    for (const std::string &bad : names) {
        SCOPED_TRACE(bad);
        Clear();
        EXPECT_EQ(CVcdImageEx::Get_Cluster_AllNamelist(bad.c_str(), list_, dir_, nullptr), 0);
        EXPECT_EQ(Lines(), Lines_{ListFirst(bad)});
        EXPECT_TRUE(Untouched(dir_) && Untouched(list_[0]));
    }
    // A header the type query can read but the list cannot.
    Clear();
    EXPECT_EQ(CVcdImageEx::Get_DVD_AllNamelist(Put("Cut.DVD.D00", Spec(mk::kFormatDvd, 0, 2, 2941)).c_str(), list_, dir_, nullptr), 0);
    EXPECT_EQ(Lines(), (Lines_{ListFirst(Path("Cut.DVD.D00")), ListDir(Path(""))}));
    EXPECT_TRUE(Untouched(list_[1]));
}

TEST_F(Bundles, ValidityReadsOneHeaderAndAtMostOneStatusPerMember)
{
    struct Row {
        std::uint32_t slaves;
        unsigned present;
        int result, statusCalls;
    };
    const Row rows[] = {
        {0, 0, 1, 1}, {1, 1, 1, 2}, {5, 5, 1, 6}, {99, 99, 1, 100},
        {5, 2, 0, 4},  // stops at the first gap, 03
        {5, 0, 0, 2}, {100, 99, 0, 1}, {0x80000000u, 99, 0, 1}, {0xFFFFFFFFu, 0, 0, 1},  // refused at once
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(::testing::Message() << row.slaves << " slaves, " << row.present << " present");
        machine_->Remove(Path("T.DVD"));
        const std::string prefix = Dvd("T", row.slaves, row.present);
        char master[260];
        std::memset(master, 0xEE, sizeof master);
        EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(M(prefix, 1).c_str(), master), row.result);
        EXPECT_EQ(row.result ? std::string(master) : "", row.result ? M(prefix, 0) : "");
        EXPECT_TRUE(row.result || Untouched(master));
        EXPECT_EQ(machine_->CallCount("ReadFile"), 1u);
        EXPECT_EQ(machine_->CallCount("GetFileAttributesExA"), std::uint64_t(row.statusCalls));
    }
    // A name of no DVD member costs nothing; missing arguments are traced.
    char master[260];
    machine_->ResetCalls();
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(Path("Movie.VCD.D00").c_str(), master), 0);
    EXPECT_EQ(machine_->CallCount(), 0u);
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(nullptr, master) + CVcdImageEx::IsValidDvdBundle("", nullptr) +
                  CVcdImageEx::IsValidDvdBundle(Path("T.DVD\\T.DVD.D00").c_str(), nullptr), 0);
    const std::string bad = "CVcdImageEx::IsValidDvdBundle BAD NULL ...";
    EXPECT_EQ(Lines(), (Lines_{bad + "strPath \n", bad + "strPath \n", bad + "strDVDMasterFile_MAXPATH \n"}));
}

TEST_F(Bundles, DeletionCostResultAndOrder)
{
    const std::string prefix = Path("T.DVD\\T.DVD.D");
    struct Row {
        mk::ImageSpec spec;
        unsigned long result;
        std::uint64_t opens;  // three reads for the kind, one for the count of a DVD
        std::uint64_t deletes, removes;
    };
    const Row rows[] = {
        {Spec(mk::kFormatDvd, 0, 3), DELBUNDLE_OK, 4, 4, 1},
        {Spec(mk::kFormatDvd, 0, 0), DELBUNDLE_OK, 4, 1, 1},
        {Spec(mk::kFormatDvd, 0, 100), DELBUNDLE_NO_NAMELIST, 4, 0, 0},
        {Spec(mk::kFormatDvd, 0, 1, 2941), DELBUNDLE_NO_NAMELIST, 4, 0, 0},
        {Spec(0, 1, 7), DELBUNDLE_OK, 3, 2, 1},
        {Spec(0, 2, 0), DELBUNDLE_OK, 3, 2, 1},
        {Spec(0, 0, 3), DELBUNDLE_NOT_CLUSTER, 1, 0, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(::testing::Message() << row.spec.discKind << " " << row.spec.slaveCount);
        machine_->Remove(Path("T.DVD"));
        MakeDir("T.DVD");
        Put(M(prefix, 0), row.spec);
        machine_->ResetCalls();
        machine_->ClearDebugOutput();
        EXPECT_EQ(CVcdImageEx::DelClusterBundle(M(prefix, 0).c_str()), row.result);
        EXPECT_EQ(machine_->CallCount("ReadFile"), row.opens);
        EXPECT_EQ(machine_->CallCount("DeleteFileA"), row.deletes);
        EXPECT_EQ(machine_->CallCount("RemoveDirectoryA"), row.removes);
        EXPECT_EQ(machine_->DirExists(Path("T.DVD")), row.result != DELBUNDLE_OK);
    }
    // In list order; only the list traces.
    machine_->Remove(Path("T.DVD"));
    Dvd("T", 3, 3);
    machine_->ClearDebugOutput();
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(M(prefix, 0).c_str()), DELBUNDLE_OK);
    Lines_ deleted;
    for (const sim::Call &call : machine_->CallLog())
        if (call.service == "DeleteFileA")
            deleted.push_back(call.path);
    EXPECT_EQ(deleted, (Lines_{M(prefix, 0), M(prefix, 1), M(prefix, 2), M(prefix, 3)}));
    EXPECT_EQ(Lines(), ListLines(prefix, Path("T.DVD\\"), 4));
    EXPECT_TRUE(machine_->DirExists("C:\\img"));
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(nullptr) + CVcdImageEx::DelClusterBundle(""), DELBUNDLE_OK);
    EXPECT_EQ(Lines(), Lines_(2, "CVcdImageEx::DelClusterBundle BAD NULL ...strDvdMaster \n"));
}

TEST_F(Bundles, DeletionTriesEveryMemberWhateverFails)
{
    struct Row {
        DWORD error;  // of member 01's deletion; 0: held open by another
        unsigned long result;
    };
    const Row rows[] = {
        {ERROR_ACCESS_DENIED, DELBUNDLE_MEMBER_FAILED}, {ERROR_SHARING_VIOLATION, DELBUNDLE_MEMBER_FAILED},
        {0, DELBUNDLE_MEMBER_FAILED},
        {ERROR_FILE_NOT_FOUND, DELBUNDLE_DIR_FAILED},  // counted as gone; 01 keeps the directory
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.error);
        machine_->Remove(Path("T.DVD"));
        const std::string prefix = Dvd("T", 3, 3);
        HANDLE held = INVALID_HANDLE_VALUE;
        if (row.error)
            machine_->FailPath(M(prefix, 1), row.error, sim::PathMatch::IgnoreCase, sim::Times::Once, "DeleteFileA");
        else
            held = machine_->CreateFileA(M(prefix, 1).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr);
        machine_->ResetCalls();
        EXPECT_EQ(CVcdImageEx::DelClusterBundle(M(prefix, 0).c_str()), row.result);
        EXPECT_EQ(machine_->CallCount("DeleteFileA"), 4u);
        EXPECT_EQ(machine_->ListDir(Path("T.DVD")), Lines_{"T.DVD.D01"});
        if (held != INVALID_HANDLE_VALUE) {
            // The deletion by name goes on past it too.
            PutText(M(prefix, 0));
            PutText(M(prefix, 2));
            EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(M(prefix, 0).c_str(), 0), 1);
            EXPECT_EQ(machine_->ListDir(Path("T.DVD")), Lines_{"T.DVD.D01"});
            machine_->CloseHandle(held);
        }
    }
}

TEST_F(Bundles, DeletionByNameReadsNoHeaderAndTracesADirectoryThatStays)
{
    const DWORD errors[] = {0, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_PATH_NOT_FOUND};
    for (DWORD error : errors) {
        SCOPED_TRACE(error);
        machine_->Remove(Path("T.DVD"));
        const std::string prefix = Dvd("T", 2, 2);
        if (error) {
            // A removal failing for want of the directory fails too.
            machine_->FailPath(Path("T.DVD"), error, sim::PathMatch::IgnoreCase, sim::Times::Always, "RemoveDirectoryA");
            EXPECT_EQ(CVcdImageEx::DelClusterBundle(M(prefix, 0).c_str()), DELBUNDLE_DIR_FAILED);
            EXPECT_TRUE(machine_->ListDir(Path("T.DVD")).empty());
            machine_->MakeFile(M(prefix, 99));
        }
        machine_->ResetCalls();
        machine_->ClearDebugOutput();
        EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(M(prefix, 0).c_str(), 1), 1);
        Lines_ lines = DelLines(prefix);
        if (error)
            lines.push_back(kDel + "(DERLDEL) failed to del strDvdDir<" + Path("T.DVD\\") + "> err:" + std::to_string(error) + " \n");
        EXPECT_EQ(Lines(), lines);
        EXPECT_EQ(machine_->CallCount("CreateFileA"), 0u);
        EXPECT_EQ(machine_->CallCount("DeleteFileA"), 100u);
        EXPECT_EQ(machine_->DirExists(Path("T.DVD")), error != 0);
        machine_->ClearFaults();
    }
}

TEST_F(Bundles, DeletionByNameRefusesWhatIsNoMasterName)
{
    MakeDir("M.DVD");
    const std::string kept[] = {PutText("M.DVD\\M.DVD.D01"), PutText("M.DVD\\M.ISO.D00"), PutText("M.DVD\\.DVD.D00")};
    for (const std::string &name : {kept[0], kept[1], kept[2], std::string("C:\\M.DVD.D00"), std::string("M.DVD.D00"),
                                    Path(std::string(250, 'T') + ".DVD.D00")}) {  // members would not fit
        SCOPED_TRACE(name);
        EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(name.c_str(), 1), 0);
        EXPECT_EQ(Lines(), (Lines_{kDel + "strClusterMasterFile<" + name + "> [ \n",
                                   kDel + "BAD mater name strClusterMasterFile<" + name + "> ] \n"}));
    }
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(nullptr, 1) + CVcdImageEx::Del_ClusterBundle_Without_Verify("", 0), 0);
    EXPECT_EQ(Lines(), Lines_(2, kDel + "BAD NULL ...strClusterMasterFile \n"));
    EXPECT_EQ(machine_->ListDir(Path("M.DVD")).size(), 3u);
    // Overlong names delete nothing anywhere.
    for (const std::string &name : {Path(std::string(5000, 'T') + ".DVD.D00"), "C:\\" + std::string(300, 'd') + "\\M.DVD.D00",
                                    kept[0] + std::string(5000, ' ')}) {
        machine_->ResetCalls();
        EXPECT_EQ(CVcdImageEx::Get_Cluster_AllNamelist(name.c_str(), list_, dir_, nullptr), 0);
        EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(name.c_str(), dir_), 0);
        EXPECT_EQ(CVcdImageEx::DelClusterBundle(name.c_str()), DELBUNDLE_NOT_CLUSTER);
        EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(name.c_str(), 1), 0);
        EXPECT_EQ(machine_->CallCount("DeleteFileA") + machine_->CallCount("RemoveDirectoryA"), 0u);
    }
}

// ---- On each backend: what the file system decides ----------------------------

class BundleFiles : public Bundles, public ::testing::WithParamInterface<std::string> {
protected:
    std::string Backend() const override { return GetParam(); }
};

TEST_P(BundleFiles, DeletionsTakeTheMembersAndLeaveEveryNeighbour)
{
    const std::string prefix = Dvd("Movie", 3, 1);
    PutText(Path("Movie.DVD\\movie.dvd.d02"));  // names that differ in case only are one file
    PutText(Path("Movie.DVD\\MOVIE.DVD.D03"));
    PutText(M(prefix, 4));  // beyond the header's count
    const std::string neighbours[] = {
        prefix + "100", prefix + "x1", prefix + "1", prefix + "01.bak", Path("Movie.DVD\\Movie2.DVD.D01"),
        Path("Movie.DVD\\xMovie.DVD.D01"), Path("Movie.DVD\\Movie.DVD"), Path("Movie.DVD\\Movie.VCD.D01"),
        MakeDir("Movie2.DVD") + "Movie2.DVD.D00",  // a bundle whose title starts alike
    };
    for (const std::string &n : neighbours)
        PutText(n);
    const std::string song = Put("Song.VCD.D00", Spec(0, 1, 5));
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
    for (const std::string &n : neighbours)
        EXPECT_TRUE(Exists(n)) << n;

    // By name: 00 to 99, in any case, and nothing else; the directory only once empty.
    for (unsigned k : {0u, 7u, 42u, 99u})
        PutText(M(prefix, k));
    PutText(Path("Movie.DVD\\MOVIE.dvd.d55"));
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(M(prefix, 0).c_str(), 1), 1);
    for (unsigned k : {0u, 4u, 7u, 42u, 55u, 99u})
        EXPECT_FALSE(Exists(M(prefix, k))) << k;
    for (const std::string &n : neighbours) {
        EXPECT_TRUE(Exists(n)) << n;
        S().DeleteFileA(n.c_str());
    }
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(M(prefix, 0).c_str(), 1), 1);
    EXPECT_FALSE(Exists("Movie.DVD"));
}

TEST_P(BundleFiles, ValidityNeedsEveryMemberAsAFile)
{
    const std::string gap = Dvd("Gap", 3, 3);
    S().DeleteFileA(M(gap, 2).c_str());
    MakeDir("NoMaster.DVD");
    MakeDir("DirMaster.DVD");
    MakeDir("DirMaster.DVD\\DirMaster.DVD.D00");
    const std::string dirSlave = Dvd("DirSlave", 1, 0);
    MakeDir("DirSlave.DVD\\DirSlave.DVD.D01");
    PutText("NoMaster.DVD\\NoMaster.DVD.D01");
    const std::string names[] = {M(gap, 3),           Path("NoMaster.DVD\\NoMaster.DVD.D01"),
                                 M(dirSlave, 0),      Path("DirMaster.DVD\\DirMaster.DVD.D00"),
                                 Put("Movie.DVD", Spec(mk::kFormatDvd, 0)), Path("Gap.DVD\\Gap.DVD.D1")};
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        Clear();
        EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(name.c_str(), dir_), 0);
        EXPECT_TRUE(Untouched(dir_));
    }
    // Any case: the files are found, and the master is written with ".D00".
    const std::string lower = MakeDir("low.dvd") + "low.dvd.d";
    Put(lower + "00", Spec(0, 0, 1));  // the kind is not consulted
    PutText(lower + "01");
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle((lower + "01").c_str(), dir_), 1);
    EXPECT_EQ(std::string(dir_), Path("low.dvd\\low.dvd.D00"));
}

TEST_P(BundleFiles, MembersThatCannotGoAreTriedAndKept)
{
    const std::string prefix = Dvd("RO", 3, 3);
    ASSERT_TRUE(S().SetFileAttributesA(M(prefix, 2).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(M(prefix, 0).c_str()), DELBUNDLE_MEMBER_FAILED);
    PutText(M(prefix, 1));
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(M(prefix, 0).c_str(), 0), 1);
    EXPECT_FALSE(Exists(M(prefix, 0)) || Exists(M(prefix, 1)) || Exists(M(prefix, 3)));
    EXPECT_TRUE(Exists(M(prefix, 2)));
    S().SetFileAttributesA(M(prefix, 2).c_str(), FILE_ATTRIBUTE_NORMAL);
    // A member that is missing counts as gone.
    S().DeleteFileA(M(prefix, 2).c_str());
    Put(M(prefix, 0), Spec(mk::kFormatDvd, 0, 3));
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(M(prefix, 0).c_str()), DELBUNDLE_OK);
    EXPECT_FALSE(Exists("RO.DVD"));
}

TEST_P(BundleFiles, MemberNamesThatWouldNotFitAreRefusedNotCut)
{
    const std::size_t room = 260 - Path("").size();
    // The given name ends in ".x": its members are two characters longer.
    const std::string fits = Put(std::string(room - 3 - 6, 'T') + ".DVD.x", Spec(0, 1, 1));  // 257
    ASSERT_EQ(CVcdImageEx::Get_Cluster_AllNamelist(fits.c_str(), list_, dir_, nullptr), 1);
    EXPECT_EQ(std::strlen(list_[1]), 259u);
    const std::string over = Put(std::string(room - 2 - 6, 'U') + ".DVD.x", Spec(0, 1, 1));  // 258
    const std::string cut = PutText(over.substr(0, over.size() - 1) + "D0");  // a cut member name
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(over.c_str()), DELBUNDLE_NO_NAMELIST);
    // 259 characters: every member fits and goes; 260: refused.
    const std::string master = PutText(std::string(room - 1 - 8, 'V') + ".DVD.D00");
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(master.c_str(), 0), 1);
    EXPECT_FALSE(Exists(master));
    const std::string longer = std::string(room - 8, 'W') + ".DVD.D00";
    PutText(Path(longer).substr(0, 259));
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(Path(longer).c_str(), 0), 0);
    EXPECT_TRUE(Exists(over) && Exists(cut) && Exists(Path(longer).substr(0, 259)));
}

INSTANTIATE_TEST_SUITE_P(Backends, BundleFiles, ::testing::Values("real", "sim"),
                         [](const auto &info) { return info.param; });

}  // namespace
