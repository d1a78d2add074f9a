// One failure at each platform call in turn, on real directories: the POSIX
// backend wrapped so that the k-th file or directory call fails.
#include <brenvik/brenvik.h>

#include <filesystem>
#include <functional>

#include "fileops/fault_rules.h"
#include "fileops/posix_fixture.h"

namespace fs = std::filesystem;

namespace brenvik {
namespace test {

namespace {

class FaultSweepPosixTest : public PosixTest {
protected:
    // Runs `run` on a fresh `build` with the k-th call failing, k = 1, 2, ...
    // until a run completes with no failure; `check` sees each failing run.
    int Sweep(const std::function<void()> &build, const std::function<int()> &run,
              const std::function<void(int, const FailedCall &)> &check)
    {
        HookServices &hook = Hook();
        for (int k = 1;; ++k) {
            build();
            hook.ClearCalls();
            hook.FailCall(k);
            const int result = run();
            hook.FailCall(0);
            EXPECT_EQ(hook.OpenHandles(), 0) << "call " << k;
            const HookedCall *failed = hook.Injected();
            if (failed == nullptr) {
                EXPECT_EQ(result, 1) << "clean run";
                return k - 1;
            }
            FailedCall call{failed->name, failed->path, failed->lostNothing};
            SCOPED_TRACE("call " + std::to_string(k) + ": " + call.service + " " + call.path);
            check(result, call);
        }
    }
};

TEST_F(FaultSweepPosixTest, DelTree)
{
    WriteHostFile(Out("keep.txt"), "outside");
    File("sibling\\y", "next door");
    const auto outside = Snapshot(outside_);
    const auto sibling = Snapshot(H("sibling"));
    std::map<std::string, std::string> tree;
    auto build = [&] {
        fs::remove_all(H("t"));
        File("t\\f1", "1");
        File("t\\s\\f2", "2");
        File("t\\s\\s2\\f3", "3");
        Link("t\\dlink", outside_);
        Link("t\\flink", Out("keep.txt"));
    };
    build();
    tree = Snapshot(H("t"));
    int calls = Sweep(build, [&] { return CDriveEx::DelTree(W("t").c_str(), 0); },
                      [&](int result, const FailedCall &call) {
                          switch (ExpectedDelTree(call, W("t"))) {
                          case TreeOutcome::untouched:
                              EXPECT_EQ(result, 1);
                              EXPECT_EQ(Snapshot(H("t")), tree);
                              break;
                          case TreeOutcome::gone:
                              EXPECT_EQ(result, 1);
                              EXPECT_FALSE(HostExists(H("t")));
                              break;
                          case TreeOutcome::failed:
                              EXPECT_EQ(result, 0);
                              EXPECT_TRUE(fs::is_directory(H("t")));
                              break;
                          }
                          EXPECT_EQ(Snapshot(outside_), outside);
                          EXPECT_EQ(Snapshot(H("sibling")), sibling);
                      });
    EXPECT_GT(calls, 20);
}

TEST_F(FaultSweepPosixTest, CreateDirRecursively)
{
    for (bool leafExists : {false, true}) {
        SCOPED_TRACE(leafExists ? "leaf exists" : "leaf missing");
        const std::string leaf = W("a\\b\\c\\d");
        auto build = [&] {
            fs::remove_all(H("a"));
            Dir(leafExists ? "a\\b\\c\\d" : "a");
        };
        Sweep(build, [&] { return CDriveEx::CreateDir_Recursively(leaf.c_str()); },
              [&](int result, const FailedCall &call) {
                  EXPECT_EQ(result, ExpectedCreateDir(call, leaf, leafExists));
                  EXPECT_EQ(fs::is_directory(H("a/b/c/d")), result == 1 || leafExists);
                  // Nothing but the chain.
                  for (const auto &e : fs::directory_iterator(drive_))
                      EXPECT_EQ(e.path().filename(), "a");
              });
    }
}

TEST_F(FaultSweepPosixTest, MyRename)
{
    auto build = [&] {
        fs::remove_all(H("r"));
        File("r\\src", "source");
        File("r\\dst", "target");
    };
    Sweep(build, [&] { return CDriveEx::MyRename(W("r\\src").c_str(), W("r\\dst").c_str()); },
          [&](int result, const FailedCall &call) {
              EXPECT_EQ(result, ExpectedRename(call));
              std::map<std::string, std::string> expected;
              if (result == 1)
                  expected = {{"dst", "source"}};
              else if (call.service == "MoveFileA")
                  expected = {{"src", "source"}};
              else
                  expected = {{"src", "source"}, {"dst", "target"}};
              EXPECT_EQ(Snapshot(H("r")), expected);
          });
}

TEST_F(FaultSweepPosixTest, IsDirWriteable)
{
    struct Scenario {
        std::string dir;
        bool existed;
    };
    for (const Scenario &s : {Scenario{W("w\\new\\sub"), false}, Scenario{W("w"), true}}) {
        SCOPED_TRACE(s.dir);
        auto build = [&] {
            fs::remove_all(H("w"));
            File("w\\present.txt", "p");
        };
        Sweep(build, [&] { return CDriveEx::IsDirWriteable(s.dir.c_str()); },
              [&](int result, const FailedCall &call) {
                  EXPECT_EQ(result, ExpectedWriteable(call, s.dir, s.existed));
                  for (const auto &e : Snapshot(H("w")))
                      EXPECT_EQ(e.first.find("temp"), std::string::npos) << e.first;
                  EXPECT_EQ(ReadHostFile(H("w/present.txt")), "p");
              });
    }
}

}  // namespace
}  // namespace test
}  // namespace brenvik
