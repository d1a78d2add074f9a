// Split image bundles on real files: member lists, the completeness check,
// and both deletions, with the neighbours a careless deletion would take.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bundle_test_util.h"
#include "image_test_support.h"
#include "image_writer.h"

struct BrenvikTestAccess {
    static int List(const char *name, int bDvdOnly, char (*const list)[260], char *dir,
                    int *count)
    {
        return CVcdImageEx::Get_VCDCluster_AllNamelist_internal(name, bDvdOnly, list, dir, count);
    }
};

namespace {

namespace mk = brenvik::mkimage;
using namespace bundletest;
using brenvik::test::ImageFilesTest;
using brenvik::test::ScopedTraceOn;

constexpr unsigned char kUntouched = 0xEE;
constexpr int kListRoom = 101;  // one entry more than any bundle has

class Bundle : public ImageFilesTest {
protected:
    void SetUp() override
    {
        ImageFilesTest::SetUp();
        std::memset(list_, kUntouched, sizeof list_);
        std::memset(dir_, kUntouched, sizeof dir_);
    }

    brenvik::platform::Services &Host() { return backend_->Services(); }
    bool Exists(const std::string &path)
    {
        return Host().GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // A directory of the test, Windows form, ending in a backslash.
    std::string MakeDir(const std::string &name)
    {
        if (!Host().CreateDirectoryA(Path(name).c_str(), nullptr)) {
            EXPECT_EQ(Host().GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << name;
        }
        return Path(name) + "\\";
    }
    void PutText(const std::string &path, const std::string &text = "member")
    {
        brenvik::test::PutFile(Host(), path, std::vector<unsigned char>(text.begin(), text.end()));
    }
    // A DVD bundle Title.DVD\Title.DVD.Dnn whose master counts `slaves`,
    // with the slaves 01 to `present` on disk. Returns the member prefix.
    std::string DvdBundle(const std::string &title, std::uint32_t slaves, int present)
    {
        const std::string prefix = MakeDir(title + ".DVD") + title + ".DVD.D";
        brenvik::test::PutImage(Host(), Member(prefix, 0), Dvd(slaves));
        for (int k = 1; k <= present; ++k)
            PutText(Member(prefix, k));
        return prefix;
    }
    // A name in the test's directory of exactly `total` characters: a long
    // title, then `suffix`. (The title carries the length because Windows
    // refuses directory names of 248 characters or more.)
    std::string LongName(const std::string &suffix, std::size_t total)
    {
        const std::size_t base = Path("").size() + suffix.size();
        EXPECT_GT(total, base);
        return Path(std::string(total - base, 'T') + suffix);
    }
    bool Untouched(const char *buffer) { return static_cast<unsigned char>(buffer[0]) == kUntouched; }

    ScopedTraceOn trace_;
    char list_[kListRoom][260];
    char dir_[260];
};

// ---- Member lists ---------------------------------------------------------------

TEST_P(Bundle, DvdListHoldsTheMasterAndEverySlaveTheHeaderCounts)
{
    for (std::uint32_t slaves : {0u, 1u, 3u, 42u, 99u}) {
        SCOPED_TRACE(slaves);
        const std::string prefix = DvdBundle("Movie", slaves, 0);  // slaves need not exist
        const std::string master = Member(prefix, 0);
        const int total = static_cast<int>(slaves) + 1;
        for (int dvdOnly : {1, 0}) {
            std::memset(list_, kUntouched, sizeof list_);
            tap_->debugOutput.clear();
            int count = -7;
            const int ok = dvdOnly
                               ? CVcdImageEx::Get_DVD_AllNamelist(master.c_str(), list_, dir_, &count)
                               : CVcdImageEx::Get_Cluster_AllNamelist(master.c_str(), list_, dir_,
                                                                      &count);
            ASSERT_EQ(ok, 1);
            EXPECT_EQ(count, total);
            EXPECT_EQ(std::string(dir_), Path("Movie.DVD\\"));
            for (int k = 0; k < total; ++k)
                EXPECT_EQ(std::string(list_[k]), Member(prefix, k));
            EXPECT_TRUE(Untouched(list_[total]));
            EXPECT_EQ(Lines(), ListLines(master, Path("Movie.DVD\\"), prefix, total));
        }
    }
    // The worked example: three slaves end in D03.
    EXPECT_EQ(std::string(list_[3]).substr(Path("").size()), "Movie.DVD\\Movie.DVD.D03");
}

TEST_P(Bundle, MixedModeAndCdExtraListTwoMembersWhateverTheHeaderCounts)
{
    for (std::uint32_t kind : {mk::kKindMixedMode, mk::kKindCdExtra}) {
        for (std::uint32_t slaves : {0u, 5u, 150u, 0xFFFFFFFFu}) {
            SCOPED_TRACE(::testing::Message() << "kind " << kind << " slaves " << slaves);
            const std::string master = Put("Song.VCD.D00", Kind(kind, slaves));
            std::memset(list_, kUntouched, sizeof list_);
            std::memset(dir_, kUntouched, sizeof dir_);
            tap_->debugOutput.clear();
            // The DVD list refuses it silently, after its first line.
            EXPECT_EQ(CVcdImageEx::Get_DVD_AllNamelist(master.c_str(), list_, dir_, nullptr), 0);
            EXPECT_EQ(Lines(), std::vector<std::string>{ListFirst(master)});
            EXPECT_TRUE(Untouched(dir_));
            EXPECT_TRUE(Untouched(list_[0]));

            tap_->debugOutput.clear();
            int count = 0;
            ASSERT_EQ(CVcdImageEx::Get_Cluster_AllNamelist(master.c_str(), list_, dir_, &count), 1);
            EXPECT_EQ(count, 2);
            EXPECT_EQ(std::string(dir_), Path(""));
            EXPECT_EQ(std::string(list_[0]), Path("Song.VCD.D00"));
            EXPECT_EQ(std::string(list_[1]), Path("Song.VCD.D01"));
            EXPECT_TRUE(Untouched(list_[2]));
            EXPECT_EQ(Lines(), ListLines(master, Path(""), Path("Song.VCD.D"), 2));
        }
    }
}

TEST_P(Bundle, DvdListReadsTheCountFromMember00NotFromTheNameGiven)
{
    const std::string prefix = DvdBundle("Movie", 2, 0);
    // A slave carrying a DVD header of its own that counts seven.
    brenvik::test::PutImage(Host(), Member(prefix, 2), Dvd(7));
    int count = 0;
    ASSERT_EQ(CVcdImageEx::Get_DVD_AllNamelist(Member(prefix, 2).c_str(), list_, dir_, &count), 1);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(std::string(list_[0]), Member(prefix, 0));

    // Without member 00 the list fails after writing the directory and entry 0.
    const std::string other = MakeDir("Other") + "Show.DVD.D05";
    brenvik::test::PutImage(Host(), other, Dvd(7));
    std::memset(list_, kUntouched, sizeof list_);
    tap_->debugOutput.clear();
    count = -7;
    EXPECT_EQ(CVcdImageEx::Get_DVD_AllNamelist(other.c_str(), list_, dir_, &count), 0);
    EXPECT_EQ(std::string(dir_), Path("Other\\"));
    EXPECT_EQ(std::string(list_[0]), Path("Other\\Show.DVD.D00"));
    EXPECT_TRUE(Untouched(list_[1]));
    EXPECT_EQ(count, -7);
    EXPECT_EQ(Lines(), (std::vector<std::string>{ListFirst(other), ListDir(Path("Other\\"))}));
}

TEST_P(Bundle, DvdListTakesTheCountAsSignedAndRefusesMoreThan99)
{
    struct Row {
        std::uint32_t slaves;
        int result;
        int total;
    };
    const Row rows[] = {
        {0x80000000u, 1, 1}, {0xFFFFFFFFu, 1, 1}, {99, 1, 100},
        {100, 0, 0},         {150, 0, 0},         {0x7FFFFFFFu, 0, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.slaves);
        const std::string prefix = DvdBundle("Movie", row.slaves, 0);
        std::memset(list_, kUntouched, sizeof list_);
        int count = -7;
        EXPECT_EQ(CVcdImageEx::Get_Cluster_AllNamelist(Member(prefix, 0).c_str(), list_, dir_,
                                                       &count),
                  row.result);
        EXPECT_EQ(count, row.result ? row.total : -7);
        // Entry 0 is written either way; nothing past the members ever is.
        EXPECT_EQ(std::string(list_[0]), Member(prefix, 0));
        const int written = row.result ? row.total : 1;
        for (int k = written; k < kListRoom; ++k)
            ASSERT_TRUE(Untouched(list_[k])) << "entry " << k;
    }
}

TEST_P(Bundle, ListChecksItsArgumentsInOrderAfterTracingTheName)
{
    const std::string master = Put("Song.VCD.D00", Kind(mk::kKindMixedMode, 1));
    const char *name = master.c_str();
    struct Row {
        const char *name;
        bool list, dir;
        std::string shown, missing;
    };
    const Row rows[] = {
        {nullptr, true, true, "(null)", "strClusterMaterFile"},
        {"", true, true, "", "strClusterMaterFile"},
        {nullptr, false, false, "(null)", "strClusterMaterFile"},
        {name, false, true, master, "pNamelist"},
        {name, false, false, master, "pNamelist"},
        {name, true, false, master, "strDvdDir"},
    };
    for (int dvdOnly : {0, 1}) {
        for (const Row &row : rows) {
            SCOPED_TRACE(::testing::Message() << row.missing << " " << row.shown);
            tap_->debugOutput.clear();
            tap_->creates.clear();
            int count = -7;
            EXPECT_EQ(BrenvikTestAccess::List(row.name, dvdOnly, row.list ? list_ : nullptr,
                                              row.dir ? dir_ : nullptr, &count),
                      0);
            EXPECT_EQ(Lines(),
                      (std::vector<std::string>{ListFirst(row.shown), ListBadNull(row.missing)}));
            EXPECT_TRUE(tap_->creates.empty()) << "no header read before the checks";
            EXPECT_EQ(count, -7);
            EXPECT_TRUE(Untouched(dir_));
            EXPECT_TRUE(Untouched(list_[0]));
        }
    }
    // The count is optional.
    EXPECT_EQ(BrenvikTestAccess::List(name, 0, list_, dir_, nullptr), 1);
}

TEST_P(Bundle, ListRefusesWhatIsNoClusterOrNoMemberName)
{
    mk::ImageSpec shortDvd = Dvd(2);
    shortDvd.totalLength = 2941;  // enough for the type, too short for the list
    const std::vector<std::string> names = {
        Put("Data.VCD.D00", Kind(mk::kKindDataCd, 1)),
        Put("Audio.VCD.D00", [] {
            mk::ImageSpec s;
            s.mediaFormat = mk::kFormatAudio;
            return s;
        }()),
        Path("Missing.DVD.D00"),
        (MakeDir("Dir.DVD.D00"), Path("Dir.DVD.D00")),
        Put("NoExtension", Dvd(1)),  // a cluster header, but no extension
        Put(".D00", Dvd(1)),         // no title
    };
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        tap_->debugOutput.clear();
        EXPECT_EQ(CVcdImageEx::Get_Cluster_AllNamelist(name.c_str(), list_, dir_, nullptr), 0);
        EXPECT_EQ(Lines(), std::vector<std::string>{ListFirst(name)});
        EXPECT_TRUE(Untouched(dir_));
        EXPECT_TRUE(Untouched(list_[0]));
    }
    // A header the type query can read but the list cannot.
    const std::string master = MakeDir("Cut.DVD") + "Cut.DVD.D00";
    brenvik::test::PutImage(Host(), master, shortDvd);
    tap_->debugOutput.clear();
    EXPECT_EQ(CVcdImageEx::Get_DVD_AllNamelist(master.c_str(), list_, dir_, nullptr), 0);
    EXPECT_EQ(std::string(dir_), Path("Cut.DVD\\"));
    EXPECT_EQ(std::string(list_[0]), master);
    EXPECT_TRUE(Untouched(list_[1]));
    EXPECT_EQ(Lines(), (std::vector<std::string>{ListFirst(master), ListDir(Path("Cut.DVD\\"))}));
}

TEST_P(Bundle, MemberNamesThatWouldNotFitAreRefusedNotCut)
{
    // The given name ends in ".x": its members are two characters longer.
    for (std::size_t length : {257u, 258u}) {
        SCOPED_TRACE(length);
        const std::string name = LongName(".DVD.x", length);
        brenvik::test::PutImage(Host(), name, Kind(mk::kKindMixedMode, 1));
        const std::string prefix = name.substr(0, name.size() - 2) + ".D";
        std::memset(list_, kUntouched, sizeof list_);
        const int ok = CVcdImageEx::Get_Cluster_AllNamelist(name.c_str(), list_, dir_, nullptr);
        if (length == 257) {
            ASSERT_EQ(ok, 1);
            EXPECT_EQ(std::string(list_[1]), Member(prefix, 1));
            EXPECT_EQ(std::strlen(list_[1]), 259u);
        } else {
            EXPECT_EQ(ok, 0);
            EXPECT_TRUE(Untouched(list_[0]));
            // What a cut member name would be: another file, which stays.
            PutText(prefix + "0");
            EXPECT_EQ(CVcdImageEx::DelClusterBundle(name.c_str()), DELBUNDLE_NO_NAMELIST);
            EXPECT_TRUE(Exists(prefix + "0"));
            EXPECT_TRUE(Exists(name));
        }
    }
}

// ---- Completeness ----------------------------------------------------------------

TEST_P(Bundle, CompleteBundleFromAnyMemberNameGivesTheMaster)
{
    for (std::uint32_t slaves : {0u, 1u, 3u}) {
        SCOPED_TRACE(slaves);
        const std::string prefix = DvdBundle("Movie", slaves, static_cast<int>(slaves));
        for (std::uint32_t k = 0; k <= slaves; ++k) {
            std::memset(dir_, kUntouched, sizeof dir_);
            EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(Member(prefix, k).c_str(), dir_), 1);
            EXPECT_EQ(std::string(dir_), Member(prefix, 0));
        }
    }
    // Any case: the files are found, and the master is written with ".D00".
    const std::string lower = MakeDir("movie.dvd") + "movie.dvd.d";
    brenvik::test::PutImage(Host(), lower + "00", Dvd(2));
    PutText(lower + "01");
    PutText(lower + "02");
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle((lower + "02").c_str(), dir_), 1);
    EXPECT_EQ(std::string(dir_), Path("movie.dvd\\movie.dvd.D00"));
}

TEST_P(Bundle, IncompleteOrForeignBundlesAreNotValid)
{
    const std::string gap = DvdBundle("Gap", 3, 3);
    Host().DeleteFileA(Member(gap, 2).c_str());
    const std::string noMaster = MakeDir("NoMaster.DVD") + "NoMaster.DVD.D";
    PutText(Member(noMaster, 1));
    const std::string dirMaster = MakeDir("DirMaster.DVD") + "DirMaster.DVD.D";
    MakeDir("DirMaster.DVD\\DirMaster.DVD.D00");
    const std::string dirSlave = DvdBundle("DirSlave", 1, 0);
    MakeDir("DirSlave.DVD\\DirSlave.DVD.D01");
    const std::string shortMaster = MakeDir("Short.DVD") + "Short.DVD.D";
    mk::ImageSpec cut = Dvd(0);
    cut.totalLength = 2941;
    brenvik::test::PutImage(Host(), Member(shortMaster, 0), cut);
    const std::string mixed = Put("Song.VCD.D00", Kind(mk::kKindMixedMode, 1));
    PutText(Path("Song.VCD.D01"));
    const std::string bareDvd = Put("Movie.DVD", Dvd(0));

    const std::vector<std::string> names = {
        Member(gap, 3),          Member(noMaster, 1),  Member(dirMaster, 0),
        Member(dirSlave, 0),     Member(shortMaster, 0), mixed,
        bareDvd,                 Path("Gap.DVD\\Gap.DVD.D1"),
    };
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        std::memset(dir_, kUntouched, sizeof dir_);
        EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(name.c_str(), dir_), 0);
        EXPECT_TRUE(Untouched(dir_));
    }
}

TEST_P(Bundle, ValidityFollowsTheCountNotTheKindAndRefusesMoreThan99)
{
    // The kind words are not consulted: a data-CD header counting one slave.
    const std::string data = MakeDir("Data.DVD") + "Data.DVD.D";
    brenvik::test::PutImage(Host(), Member(data, 0), Kind(mk::kKindDataCd, 1));
    PutText(Member(data, 1));
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(Member(data, 1).c_str(), dir_), 1);

    // 99 slaves on disk: complete at a count of 99, refused above it.
    const std::string prefix = DvdBundle("Big", 99, 99);
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(Member(prefix, 0).c_str(), dir_), 1);
    for (std::uint32_t slaves : {100u, 0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(slaves);
        brenvik::test::PutImage(Host(), Member(prefix, 0), Dvd(slaves));
        std::memset(dir_, kUntouched, sizeof dir_);
        EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(Member(prefix, 0).c_str(), dir_), 0);
        EXPECT_TRUE(Untouched(dir_));
    }
}

TEST_P(Bundle, ValidityReportsMissingArguments)
{
    const std::string prefix = DvdBundle("Movie", 0, 0);
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(nullptr, dir_), 0);
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle("", dir_), 0);
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(nullptr, nullptr), 0);
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(Member(prefix, 0).c_str(), nullptr), 0);
    const std::string path = "CVcdImageEx::IsValidDvdBundle BAD NULL ...strPath \n";
    const std::string out = "CVcdImageEx::IsValidDvdBundle BAD NULL ...strDVDMasterFile_MAXPATH \n";
    EXPECT_EQ(Lines(), (std::vector<std::string>{path, path, path, out}));
    EXPECT_TRUE(Untouched(dir_));
}

// ---- Deletion after reading the header -----------------------------------------

TEST_P(Bundle, DeletionTakesTheMembersAndLeavesEveryNeighbour)
{
    const std::string prefix = DvdBundle("Movie", 3, 3);
    const std::vector<std::string> neighbours = {
        Member(prefix, 4),  // beyond the header's count
        prefix + "100",           Path("Movie.DVD\\Movie.DVD.Dx1"),
        Path("Movie.DVD\\Movie.DVD.D1"), Path("Movie.DVD\\Movie.DVD.D01.bak"),
        Path("Movie.DVD\\Movie2.DVD.D01"), Path("Movie.DVD\\xMovie.DVD.D01"),
        Path("Movie.DVD\\Movie.DVD"),     Path("Movie.DVD\\Movie.DVD2.D01"),
        Path("Movie.DVD\\Movie.VCD.D01"),
    };
    for (const std::string &n : neighbours)
        PutText(n);
    // Another bundle whose title only starts like this one's.
    const std::string other = DvdBundle("Movie2", 1, 1);

    EXPECT_EQ(CVcdImageEx::DelClusterBundle(Member(prefix, 0).c_str()), DELBUNDLE_DIR_FAILED);
    for (int k = 0; k <= 3; ++k)
        EXPECT_FALSE(Exists(Member(prefix, k))) << k;
    for (const std::string &n : neighbours)
        EXPECT_TRUE(Exists(n)) << n;
    EXPECT_TRUE(Exists(Member(other, 0)));
    EXPECT_TRUE(Exists(Member(other, 1)));
}

TEST_P(Bundle, DeletionRemovesTheEmptiedDirectory)
{
    struct Row {
        const char *title;
        int present;  // slaves on disk, of three
        bool lowerCase;
    };
    const Row rows[] = {{"Full", 3, false}, {"Gap", 1, false}, {"Lower", 3, true}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.title);
        const std::string title = row.title;
        const std::string prefix = MakeDir(title + ".DVD") + title + ".DVD.D";
        brenvik::test::PutImage(Host(), Member(prefix, 0), Dvd(3));
        // Names that differ only in case are the same file.
        const std::string stored =
            row.lowerCase ? Path(title + ".DVD\\") + "lower.dvd.d" : prefix;
        for (int k = 1; k <= row.present; ++k)
            PutText(Member(stored, k));
        EXPECT_EQ(CVcdImageEx::DelClusterBundle(Member(prefix, 0).c_str()), DELBUNDLE_OK);
        EXPECT_FALSE(Exists(Path(title + ".DVD")));
        EXPECT_TRUE(Exists(Path("")));
    }
}

TEST_P(Bundle, DeletionTriesEveryMemberWhenOneCannotGo)
{
    for (bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only" : "held open");
        const std::string prefix = DvdBundle(readOnly ? "ReadOnly" : "Open", 3, 3);
        const std::string stuck = Member(prefix, 2);
        HANDLE held = INVALID_HANDLE_VALUE;
        if (readOnly) {
            ASSERT_TRUE(Host().SetFileAttributesA(stuck.c_str(), FILE_ATTRIBUTE_READONLY));
        } else {
            held = Host().CreateFileA(stuck.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(held, INVALID_HANDLE_VALUE);
        }
        EXPECT_EQ(CVcdImageEx::DelClusterBundle(Member(prefix, 0).c_str()),
                  DELBUNDLE_MEMBER_FAILED);
        if (held != INVALID_HANDLE_VALUE)
            Host().CloseHandle(held);
        EXPECT_FALSE(Exists(Member(prefix, 0)));
        EXPECT_FALSE(Exists(Member(prefix, 1)));
        EXPECT_TRUE(Exists(stuck));
        EXPECT_FALSE(Exists(Member(prefix, 3)));
        EXPECT_TRUE(Exists(Member(prefix, 0).substr(0, prefix.rfind('\\'))));
        if (readOnly)
            Host().SetFileAttributesA(stuck.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_P(Bundle, DeletionRefusesWhatItCannotListAndDeletesNothing)
{
    const std::string data = Put("Data.VCD.D00", Kind(mk::kKindDataCd, 1));
    PutText(Path("Data.VCD.D01"));
    const std::string big = DvdBundle("Big", 100, 2);
    const std::string shortMaster = MakeDir("Short.DVD") + "Short.DVD.D";
    mk::ImageSpec cut = Dvd(1);
    cut.totalLength = 2940;
    brenvik::test::PutImage(Host(), Member(shortMaster, 0), cut);
    PutText(Member(shortMaster, 1));

    EXPECT_EQ(CVcdImageEx::DelClusterBundle(data.c_str()), DELBUNDLE_NOT_CLUSTER);
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(Path("Missing.DVD.D00").c_str()),
              DELBUNDLE_NOT_CLUSTER);
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(Member(big, 0).c_str()), DELBUNDLE_NO_NAMELIST);
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(Member(shortMaster, 0).c_str()),
              DELBUNDLE_NO_NAMELIST);
    for (const std::string &kept : {data, Path("Data.VCD.D01"), Member(big, 0), Member(big, 2),
                                    Member(shortMaster, 0), Member(shortMaster, 1)})
        EXPECT_TRUE(Exists(kept)) << kept;
}

TEST_P(Bundle, MixedModeDeletionAmongOtherFilesLeavesTheFolder)
{
    const std::string master = Put("Song.VCD.D00", Kind(mk::kKindMixedMode, 5));
    PutText(Path("Song.VCD.D01"));
    PutText(Path("Song.VCD.D02"));  // not a member: the kind has two
    PutText(Path("notes.txt"));
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(master.c_str()), DELBUNDLE_DIR_FAILED);
    EXPECT_FALSE(Exists(master));
    EXPECT_FALSE(Exists(Path("Song.VCD.D01")));
    EXPECT_TRUE(Exists(Path("Song.VCD.D02")));
    EXPECT_TRUE(Exists(Path("notes.txt")));
}

TEST_P(Bundle, DeletionOfNoNameIsTracedAndSucceeds)
{
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(nullptr), DELBUNDLE_OK);
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(""), DELBUNDLE_OK);
    const std::string line = "CVcdImageEx::DelClusterBundle BAD NULL ...strDvdMaster \n";
    EXPECT_EQ(Lines(), (std::vector<std::string>{line, line}));
}

// ---- Deletion by name alone ----------------------------------------------------

TEST_P(Bundle, DeletionByNameTriesAllHundredNamesAndNothingElse)
{
    const std::string prefix = MakeDir("Movie.DVD") + "Movie.DVD.D";
    PutText(Member(prefix, 0), "no header at all");
    for (int k : {1, 7, 42, 99})
        PutText(Member(prefix, k));
    PutText(Path("Movie.DVD\\movie.dvd.d55"));  // a member in another case
    const std::vector<std::string> neighbours = {
        prefix + "100", Path("Movie.DVD\\Movie.DVD.Dx1"), Path("Movie.DVD\\Movie.DVD.D1"),
        Path("Movie.DVD\\Movie2.DVD.D01"), Path("Movie.DVD\\Movie.DVD.D01.bak"),
        Path("Movie.DVD\\notes.txt"),
    };
    for (const std::string &n : neighbours)
        PutText(n);
    const std::string master = Member(prefix, 0);

    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(master.c_str(), 0), 1);
    EXPECT_EQ(Lines(), BlindLines(master, prefix));
    for (int k : {0, 1, 7, 42, 55, 99})
        EXPECT_FALSE(Exists(Member(prefix, k))) << k;
    for (const std::string &n : neighbours)
        EXPECT_TRUE(Exists(n)) << n;

    // Asked to, it removes the directory, and traces the failure when the
    // directory is not empty.
    tap_->debugOutput.clear();
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(master.c_str(), 1), 1);
    std::vector<std::string> expected = BlindLines(master, prefix);
    expected.push_back(BlindDirFailed(Path("Movie.DVD\\"), ERROR_DIR_NOT_EMPTY));
    EXPECT_EQ(Lines(), expected);
    EXPECT_TRUE(Exists(Path("Movie.DVD")));

    for (const std::string &n : neighbours)
        Host().DeleteFileA(n.c_str());
    tap_->debugOutput.clear();
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(master.c_str(), 1), 1);
    EXPECT_EQ(Lines(), BlindLines(master, prefix));
    EXPECT_FALSE(Exists(Path("Movie.DVD")));
}

TEST_P(Bundle, DeletionByNameGoesOnPastAReadOnlyMember)
{
    const std::string prefix = MakeDir("Song") + "Song.vcd.d";
    for (int k : {0, 1, 2})
        PutText(Member(prefix, k));
    ASSERT_TRUE(Host().SetFileAttributesA(Member(prefix, 1).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(Member(prefix, 0).c_str(), 0), 1);
    EXPECT_FALSE(Exists(Member(prefix, 0)));
    EXPECT_TRUE(Exists(Member(prefix, 1)));
    EXPECT_FALSE(Exists(Member(prefix, 2)));
    Host().SetFileAttributesA(Member(prefix, 1).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_P(Bundle, DeletionByNameRefusesWhatIsNoMasterName)
{
    MakeDir("Movie.DVD");
    const std::vector<std::string> kept = {Path("Movie.DVD\\Movie.DVD.D01"),
                                           Path("Movie.DVD\\Movie.ISO.D00"),
                                           Path("Movie.DVD\\.DVD.D00")};
    for (const std::string &k : kept)
        PutText(k);
    std::vector<std::string> names = kept;
    names.push_back("C:\\Movie.DVD.D00");  // straight in a root directory
    names.push_back("Movie.DVD.D00");      // no directory
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        tap_->debugOutput.clear();
        EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(name.c_str(), 1), 0);
        EXPECT_EQ(Lines(), (std::vector<std::string>{BlindFirst(name), BlindBadName(name)}));
    }
    for (const std::string &k : kept)
        EXPECT_TRUE(Exists(k)) << k;

    tap_->debugOutput.clear();
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(nullptr, 1), 0);
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify("", 0), 0);
    const std::string line =
        "CVcdImageEx::Del_ClusterBundle_Without_Verify BAD NULL ...strClusterMasterFile \n";
    EXPECT_EQ(Lines(), (std::vector<std::string>{line, line}));
}

TEST_P(Bundle, DeletionByNameRefusesANameWhoseMembersWouldNotFit)
{
    // 259 characters: every member fits and goes.
    const std::string fits = LongName(".DVD.D00", 259);
    const std::string fitsPrefix = fits.substr(0, fits.size() - 2);
    PutText(Member(fitsPrefix, 0));
    PutText(Member(fitsPrefix, 1));
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(fits.c_str(), 0), 1);
    EXPECT_FALSE(Exists(Member(fitsPrefix, 0)));
    EXPECT_FALSE(Exists(Member(fitsPrefix, 1)));

    // 260 characters: refused. Cut to 259, its names would all be "...D0".
    const std::string master = LongName(".DVD.D00", 260);
    const std::string cut = master.substr(0, 259);
    PutText(cut);
    tap_->debugOutput.clear();
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(master.c_str(), 1), 0);
    EXPECT_EQ(Lines(), (std::vector<std::string>{BlindFirst(master), BlindBadName(master)}));
    EXPECT_TRUE(Exists(cut));
}

INSTANTIATE_TEST_SUITE_P(Backends, Bundle, ::testing::ValuesIn(brenvik::test::BackendNames()),
                         [](const auto &info) { return info.param; });

}  // namespace
