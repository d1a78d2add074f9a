// Split image bundles on the simulated machine: what each operation costs in
// platform calls, members that cannot be deleted, and a bundle directory
// that cannot be removed.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bundle_test_util.h"
#include "image_test_support.h"
#include "image_writer.h"
#include "platform/sim/sim_machine.h"
#include "support/scoped_machine.h"

namespace {

namespace mk = brenvik::mkimage;
namespace sim = brenvik::sim;
using namespace bundletest;

const std::string kDir = "C:\\img\\Movie.DVD\\";
const std::string kPrefix = kDir + "Movie.DVD.D";

class BundleSim : public brenvik::test::MachineTest {
protected:
    void PutImage(const std::string &path, const mk::ImageSpec &spec)
    {
        const std::vector<unsigned char> bytes = mk::HeaderBytes(spec);
        machine.MakeFile(path, std::string(bytes.begin(), bytes.end()));
    }
    // Movie.DVD.D00 counting `slaves`, with slaves 01 to `present`.
    void DvdBundle(std::uint32_t slaves, int present)
    {
        PutImage(Member(kPrefix, 0), Dvd(slaves));
        for (int k = 1; k <= present; ++k)
            machine.MakeFile(Member(kPrefix, k), "slave");
    }
    std::vector<std::string> PathsOf(const std::string &service) const
    {
        std::vector<std::string> paths;
        for (const sim::Call &call : machine.CallLog())
            if (call.service == service)
                paths.push_back(call.path);
        return paths;
    }
    std::vector<std::string> Lines() const
    {
        return brenvik::test::TraceMessages(machine.DebugOutput());
    }

    brenvik::test::ScopedTraceOn trace_;
};

TEST_F(BundleSim, ValidityReadsOneHeaderAndOneStatusPerMember)
{
    struct Row {
        std::uint32_t slaves;
        int present;      // slaves 01 to present exist
        int result;
        int statusCalls;  // never more than slaves + 1
    };
    const Row rows[] = {
        {0, 0, 1, 1},  {1, 1, 1, 2},   {5, 5, 1, 6},  {99, 99, 1, 100},
        {5, 2, 0, 4},  // stops at the first gap, 03
        {5, 0, 0, 2},  {100, 99, 0, 1}, {0xFFFFFFFFu, 0, 0, 1},  // refused at once
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(::testing::Message() << row.slaves << " slaves, " << row.present
                                          << " present");
        machine.Remove("C:\\img");
        DvdBundle(row.slaves, row.present);
        machine.ResetCalls();
        char master[260];
        EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(Member(kPrefix, 1).c_str(), master), row.result);
        EXPECT_EQ(machine.CallCount("CreateFileA"), 1u);
        EXPECT_EQ(machine.CallCount("ReadFile"), 1u);
        EXPECT_EQ(machine.CallCount("GetFileAttributesExA"),
                  static_cast<std::uint64_t>(row.statusCalls));
    }
    // A name of no DVD member costs nothing.
    machine.ResetCalls();
    char master[260];
    EXPECT_EQ(CVcdImageEx::IsValidDvdBundle("C:\\img\\Movie.VCD.D00", master), 0);
    EXPECT_EQ(machine.CallCount(), 0u);
}

TEST_F(BundleSim, DeletionReadsHeadersOnlyAsOftenAsItMust)
{
    struct Row {
        const char *what;
        mk::ImageSpec spec;
        unsigned long result;
        std::uint64_t opens;    // three reads for the kind, one for the count of a DVD
        std::uint64_t deletes;
        std::uint64_t removes;
    };
    const Row rows[] = {
        {"dvd", Dvd(3), DELBUNDLE_OK, 4, 4, 1},
        {"dvd without slaves", Dvd(0), DELBUNDLE_OK, 4, 1, 1},
        {"dvd counting 100", Dvd(100), DELBUNDLE_NO_NAMELIST, 4, 0, 0},
        {"mixed mode", Kind(mk::kKindMixedMode, 7), DELBUNDLE_OK, 3, 2, 1},
        {"cd-extra", Kind(mk::kKindCdExtra, 0), DELBUNDLE_OK, 3, 2, 1},
        {"data cd", Kind(mk::kKindDataCd, 3), DELBUNDLE_NOT_CLUSTER, 1, 0, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        machine.Remove("C:\\img");
        PutImage(Member(kPrefix, 0), row.spec);
        machine.ResetCalls();
        EXPECT_EQ(CVcdImageEx::DelClusterBundle(Member(kPrefix, 0).c_str()), row.result);
        EXPECT_EQ(machine.CallCount("CreateFileA"), row.opens);
        EXPECT_EQ(machine.CallCount("ReadFile"), row.opens);
        EXPECT_EQ(machine.CallCount("DeleteFileA"), row.deletes);
        EXPECT_EQ(machine.CallCount("RemoveDirectoryA"), row.removes);
        for (const std::string &path : PathsOf("CreateFileA"))
            EXPECT_EQ(path, Member(kPrefix, 0));
    }
}

TEST_F(BundleSim, DeletionGoesInListOrderAndTracesOnlyTheList)
{
    DvdBundle(3, 3);
    machine.ResetCalls();
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(Member(kPrefix, 0).c_str()), DELBUNDLE_OK);
    EXPECT_EQ(PathsOf("DeleteFileA"),
              (std::vector<std::string>{Member(kPrefix, 0), Member(kPrefix, 1),
                                        Member(kPrefix, 2), Member(kPrefix, 3)}));
    EXPECT_EQ(PathsOf("RemoveDirectoryA"), std::vector<std::string>{kDir});
    EXPECT_EQ(Lines(), ListLines(Member(kPrefix, 0), kDir, kPrefix, 4));
    EXPECT_FALSE(machine.Exists("C:\\img\\Movie.DVD"));
    EXPECT_TRUE(machine.DirExists("C:\\img"));
}

TEST_F(BundleSim, EveryMemberIsTriedWhateverFailsBefore)
{
    struct Row {
        DWORD error;
        unsigned long result;
        std::uint64_t removes;
    };
    const Row rows[] = {
        {ERROR_ACCESS_DENIED, DELBUNDLE_MEMBER_FAILED, 0},
        {ERROR_SHARING_VIOLATION, DELBUNDLE_MEMBER_FAILED, 0},
        {ERROR_PATH_NOT_FOUND, DELBUNDLE_MEMBER_FAILED, 0},
        // Counted as gone, so the directory is tried, and 01 keeps it.
        {ERROR_FILE_NOT_FOUND, DELBUNDLE_DIR_FAILED, 1},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.error);
        machine.Remove("C:\\img");
        DvdBundle(3, 3);
        const int fault = machine.FailPath(Member(kPrefix, 1), row.error, sim::PathMatch::IgnoreCase,
                                           sim::Times::Always, "DeleteFileA");
        machine.ResetCalls();
        EXPECT_EQ(CVcdImageEx::DelClusterBundle(Member(kPrefix, 0).c_str()), row.result);
        machine.RemoveFault(fault);
        EXPECT_EQ(machine.CallCount("DeleteFileA"), 4u);
        EXPECT_EQ(machine.CallCount("RemoveDirectoryA"), row.removes);
        EXPECT_FALSE(machine.Exists(Member(kPrefix, 0)));
        EXPECT_TRUE(machine.Exists(Member(kPrefix, 1)));
        EXPECT_FALSE(machine.Exists(Member(kPrefix, 2)));
        EXPECT_FALSE(machine.Exists(Member(kPrefix, 3)));
        EXPECT_TRUE(machine.DirExists("C:\\img\\Movie.DVD"));
    }
}

TEST_F(BundleSim, MemberHeldOpenWithoutDeleteSharingStays)
{
    DvdBundle(2, 2);
    HANDLE held = machine.CreateFileA(Member(kPrefix, 1).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    machine.ResetCalls();
    EXPECT_EQ(CVcdImageEx::DelClusterBundle(Member(kPrefix, 0).c_str()),
              DELBUNDLE_MEMBER_FAILED);
    EXPECT_EQ(machine.CallCount("DeleteFileA"), 3u);
    EXPECT_TRUE(machine.FileExists(Member(kPrefix, 1)));
    EXPECT_FALSE(machine.Exists(Member(kPrefix, 2)));
    machine.CloseHandle(held);

    // The deletion by name goes on past it too, and still succeeds.
    DvdBundle(2, 2);
    held = machine.CreateFileA(Member(kPrefix, 1).c_str(), GENERIC_READ, 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(Member(kPrefix, 0).c_str(), 0), 1);
    EXPECT_TRUE(machine.FileExists(Member(kPrefix, 1)));
    EXPECT_FALSE(machine.Exists(Member(kPrefix, 0)));
    EXPECT_FALSE(machine.Exists(Member(kPrefix, 2)));
    machine.CloseHandle(held);
}

TEST_F(BundleSim, DirectoryThatCannotBeRemoved)
{
    // A removal that fails for want of the directory fails too: this is the
    // platform's removal, not one that takes a missing directory as removed.
    for (DWORD error : {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_PATH_NOT_FOUND,
                        ERROR_FILE_NOT_FOUND}) {
        SCOPED_TRACE(error);
        machine.Remove("C:\\img");
        DvdBundle(2, 2);
        const int fault = machine.FailPath("C:\\img\\Movie.DVD", error,
                                           sim::PathMatch::IgnoreCase, sim::Times::Always,
                                           "RemoveDirectoryA");
        EXPECT_EQ(CVcdImageEx::DelClusterBundle(Member(kPrefix, 0).c_str()),
                  DELBUNDLE_DIR_FAILED);
        EXPECT_EQ(machine.ListDir("C:\\img\\Movie.DVD"), std::vector<std::string>{});

        machine.ClearDebugOutput();
        EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(Member(kPrefix, 0).c_str(), 1),
                  1);
        std::vector<std::string> expected = BlindLines(Member(kPrefix, 0), kPrefix);
        expected.push_back(BlindDirFailed(kDir, error));
        EXPECT_EQ(Lines(), expected);
        machine.RemoveFault(fault);
        EXPECT_TRUE(machine.DirExists("C:\\img\\Movie.DVD"));
    }
}

TEST_F(BundleSim, DeletionByNameReadsNoHeaderAndTriesAHundredNames)
{
    for (int removeDir : {0, 1}) {
        SCOPED_TRACE(removeDir);
        machine.MakeFile(Member(kPrefix, 0), "no header");
        machine.MakeFile(Member(kPrefix, 99), "last");
        machine.ResetCalls();
        EXPECT_EQ(
            CVcdImageEx::Del_ClusterBundle_Without_Verify(Member(kPrefix, 0).c_str(), removeDir),
            1);
        EXPECT_EQ(machine.CallCount("CreateFileA"), 0u);
        std::vector<std::string> names;
        for (int k = 0; k < 100; ++k)
            names.push_back(Member(kPrefix, k));
        EXPECT_EQ(PathsOf("DeleteFileA"), names);
        EXPECT_EQ(machine.CallCount("RemoveDirectoryA"), static_cast<std::uint64_t>(removeDir));
        EXPECT_EQ(machine.DirExists("C:\\img\\Movie.DVD"), removeDir == 0);
    }
}

TEST_F(BundleSim, OverlongNamesAreRefusedWithoutDeletingAnything)
{
    DvdBundle(1, 1);
    const std::string names[] = {
        kDir + std::string(5000, 'T') + ".DVD.D00",
        "C:\\" + std::string(300, 'd') + "\\Movie.DVD.D00",
        kPrefix + "00" + std::string(5000, ' '),
    };
    for (const std::string &name : names) {
        SCOPED_TRACE(name.size());
        machine.ResetCalls();
        char list[100][260];
        char dir[260];
        char master[260];
        EXPECT_EQ(CVcdImageEx::Get_Cluster_AllNamelist(name.c_str(), list, dir, nullptr), 0);
        EXPECT_EQ(CVcdImageEx::IsValidDvdBundle(name.c_str(), master), 0);
        EXPECT_EQ(CVcdImageEx::DelClusterBundle(name.c_str()), DELBUNDLE_NOT_CLUSTER);
        EXPECT_EQ(CVcdImageEx::Del_ClusterBundle_Without_Verify(name.c_str(), 1), 0);
        EXPECT_EQ(machine.CallCount("DeleteFileA"), 0u);
        EXPECT_EQ(machine.CallCount("RemoveDirectoryA"), 0u);
    }
    EXPECT_TRUE(machine.FileExists(Member(kPrefix, 0)));
    EXPECT_TRUE(machine.FileExists(Member(kPrefix, 1)));
}

}  // namespace
