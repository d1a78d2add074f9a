// One failure at each platform call in turn, on the simulated machine: every
// run ends with the result the failed call calls for, nothing outside the
// operation's reach changes, and no handle is left open.
#include <brenvik/brenvik.h>

#include <functional>
#include <map>

#include "fileops/fault_rules.h"
#include "fileops/sim_fixture.h"

namespace brenvik {
namespace test {
namespace {

using ::testing::IsEmpty;

class FaultSweepTest : public SimTest {
protected:
    // Everything on C: and its file contents, for before/after comparison.
    std::map<std::string, std::string> Snapshot(const std::string &under = "C:\\")
    {
        std::map<std::string, std::string> out;
        for (const std::string &rel : m.ListTree(under)) {
            std::string full = under + rel;
            out[rel] = (rel.back() != '\\' && !m.IsLink(full) && m.FileExists(full))
                           ? m.ReadFileBytes(full)
                           : std::string("<entry>");
        }
        return out;
    }

    // Runs `run` on a fresh `build` with the k-th call failing, for k = 1, 2,
    // ... until a run makes fewer than k calls; `check` sees each failing
    // run. Returns the number of calls of the clean run.
    uint64_t Sweep(const std::function<void()> &build, const std::function<int()> &run,
                   const std::function<void(int, const FailedCall &)> &check)
    {
        // A clean run first: its log tells which listing calls came last.
        build();
        m.ResetCalls();
        m.MarkInstalled();
        EXPECT_EQ(run(), 1) << "clean run";
        const std::vector<sim::Call> reference = m.CallLog();
        EXPECT_THAT(m.Leaks(), IsEmpty()) << "clean run";

        for (uint64_t k = 1;; ++k) {
            build();
            m.ResetCalls();
            m.ClearFaults();
            m.FailNthCall(k, ERROR_ACCESS_DENIED);
            const int result = run();
            const std::vector<sim::Call> log = m.CallLog();
            m.ClearFaults();
            EXPECT_THAT(m.Leaks(), IsEmpty()) << "call " << k;
            if (log.size() < k) {
                EXPECT_EQ(result, 1) << "no failure left to inject at call " << k;
                EXPECT_EQ(k - 1, reference.size());
                return reference.size();
            }
            const sim::Call &failed = log[k - 1];
            FailedCall call{failed.service, failed.path, false};
            if (call.service == "FindNextFileA") {
                // Over when, in the clean run, the listing's next step was
                // its close.
                for (std::size_t i = k; i < reference.size(); ++i) {
                    if (reference[i].path != failed.path)
                        continue;
                    if (reference[i].service == "FindClose") {
                        call.listingWasOver = true;
                        break;
                    }
                    if (reference[i].service == "FindNextFileA")
                        break;
                }
            }
            SCOPED_TRACE("call " + std::to_string(k) + ": " + call.service + " " + call.path);
            check(result, call);
        }
    }
};

TEST_F(FaultSweepTest, DelTree)
{
    m.MakeFile("C:\\out\\keep.txt", "outside");
    m.MakeFile("C:\\out\\inner\\x", "outside too");
    m.MakeFile("C:\\sibling\\y", "next door");
    const auto outside = Snapshot();
    auto build = [&] {
        m.Remove("C:\\t");
        m.MakeFile("C:\\t\\f1", "1");
        m.MakeFile("C:\\t\\s\\f2", "2");
        m.MakeFile("C:\\t\\s\\s2\\f3", "3");
        m.MakeLink("C:\\t\\dlink", "C:\\out", true);
        m.MakeLink("C:\\t\\flink", "C:\\out\\keep.txt", false);
    };
    build();
    const auto tree = Snapshot("C:\\t\\");
    uint64_t calls = Sweep(
        build, [] { return CDriveEx::DelTree("C:\\t", 0); },
        [&](int result, const FailedCall &call) {
            switch (ExpectedDelTree(call, "C:\\t")) {
            case TreeOutcome::untouched:
                EXPECT_EQ(result, 1);
                EXPECT_EQ(Snapshot("C:\\t\\"), tree);
                break;
            case TreeOutcome::gone:
                EXPECT_EQ(result, 1);
                EXPECT_FALSE(m.Exists("C:\\t"));
                break;
            case TreeOutcome::failed:
                EXPECT_EQ(result, 0);
                EXPECT_TRUE(m.DirExists("C:\\t"));
                break;
            }
            m.Remove("C:\\t");
            EXPECT_EQ(Snapshot(), outside);
        });
    EXPECT_GT(calls, 20u);
}

TEST_F(FaultSweepTest, CreateDirRecursively)
{
    m.MakeFile("C:\\other\\z", "z");
    for (bool leafExists : {false, true}) {
        SCOPED_TRACE(leafExists ? "leaf exists" : "leaf missing");
        auto build = [&] {
            m.Remove("C:\\a");
            m.MakeDir(leafExists ? "C:\\a\\b\\c\\d" : "C:\\a");
        };
        m.Remove("C:\\a");
        const auto outside = Snapshot();
        Sweep(
            build, [] { return CDriveEx::CreateDir_Recursively("C:\\a\\b\\c\\d"); },
            [&](int result, const FailedCall &call) {
                EXPECT_EQ(result, ExpectedCreateDir(call, "C:\\a\\b\\c\\d", leafExists));
                EXPECT_EQ(m.DirExists("C:\\a\\b\\c\\d"), result == 1 || leafExists);
                // Only the chain itself may have grown.
                m.Remove("C:\\a");
                EXPECT_EQ(Snapshot(), outside);
            });
    }
}

TEST_F(FaultSweepTest, MyRename)
{
    m.MakeFile("C:\\other\\z", "z");
    auto build = [&] {
        m.Remove("C:\\r");
        m.MakeFile("C:\\r\\src", "source");
        m.MakeFile("C:\\r\\dst", "target");
    };
    build();
    m.Remove("C:\\r");
    const auto outside = Snapshot();
    Sweep(
        build, [] { return CDriveEx::MyRename("C:\\r\\src", "C:\\r\\dst"); },
        [&](int result, const FailedCall &call) {
            EXPECT_EQ(result, ExpectedRename(call));
            if (result == 1) {
                EXPECT_FALSE(m.Exists("C:\\r\\src"));
                EXPECT_EQ(m.ReadFileBytes("C:\\r\\dst"), "source");
            } else {
                EXPECT_EQ(m.ReadFileBytes("C:\\r\\src"), "source");
                // The target is deleted first; only a failed rename loses it.
                if (call.service == "MoveFileA") {
                    EXPECT_FALSE(m.Exists("C:\\r\\dst"));
                } else {
                    EXPECT_EQ(m.ReadFileBytes("C:\\r\\dst"), "target");
                }
            }
            m.Remove("C:\\r");
            EXPECT_EQ(Snapshot(), outside);
        });
}

TEST_F(FaultSweepTest, IsDirWriteable)
{
    m.MakeFile("C:\\other\\z", "z");
    struct Scenario {
        const char *dir;
        bool existed;
    };
    for (const Scenario &s : {Scenario{"C:\\w\\new\\sub", false}, Scenario{"C:\\w", true}}) {
        SCOPED_TRACE(s.dir);
        auto build = [&] {
            m.Remove("C:\\w");
            m.MakeFile("C:\\w\\present.txt", "p");
        };
        build();
        Sweep(
            build, [&] { return CDriveEx::IsDirWriteable(s.dir); },
            [&](int result, const FailedCall &call) {
                EXPECT_EQ(result, ExpectedWriteable(call, s.dir, s.existed));
                if (result == 1) {
                    EXPECT_TRUE(m.DirExists(s.dir));
                }
                // No probe is left behind, whatever happened.
                for (const std::string &rel : m.ListTree("C:\\w"))
                    EXPECT_EQ(rel.find("temp"), std::string::npos) << rel;
                EXPECT_EQ(m.ReadFileBytes("C:\\w\\present.txt"), "p");
                EXPECT_EQ(m.ReadFileBytes("C:\\other\\z"), "z");
            });
    }
}

}  // namespace
}  // namespace test
}  // namespace brenvik
