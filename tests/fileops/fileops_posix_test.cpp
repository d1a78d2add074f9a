// The file-system operations on real directories through the POSIX backend:
// drive T: (and U:, the same directory under another letter) over a fresh
// host directory, with a second one outside the drive for links to reach.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "platform/services.h"
#include "support/fault_services.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace brenvik {
namespace test {
namespace {

using Snap = std::map<std::string, std::string>;

class FileOpsPosix : public ::testing::Test {
protected:
    FileOpsPosix()
    {
        MakeHostDirs(drive_);
        MakeHostDirs(outside_);
        std::vector<std::string> lines;
        for (const char *letter : {"T", "U"}) {
            lines.push_back(std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\") + letter + "]");
            lines.push_back("\"Path\"=\"" + drive_ + "\"");
            lines.push_back("\"Type\"=\"fixed\"");
        }
        registry_ = std::make_unique<ScopedRegistryFile>(RegText(lines));
    }
    ~FileOpsPosix() override { EXPECT_EQ(hook_.OpenHandles(), 0) << "handles left open"; }

    static std::string W(const std::string &rel) { return "T:\\" + rel; }
    std::string H(std::string rel) const
    {
        std::replace(rel.begin(), rel.end(), '\\', '/');
        return drive_ + "/" + rel;
    }
    std::string Out(const std::string &rel) const { return outside_ + "/" + rel; }
    void File(const std::string &rel, const std::string &bytes = "x")
    {
        MakeHostDirs(fs::path(H(rel)).parent_path().string());
        WriteHostFile(H(rel), bytes);
    }
    void Link(const std::string &rel, const std::string &target)
    {
        MakeHostDirs(fs::path(H(rel)).parent_path().string());
        fs::create_symlink(target, H(rel));
    }
    // Every entry below a host directory, links not followed: content, "<dir>" or "-> target".
    static Snap Snapshot(const std::string &dir)
    {
        Snap out;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(dir, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            const std::string rel = fs::relative(it->path(), dir).generic_string();
            out[rel] = it->is_symlink() ? "-> " + fs::read_symlink(it->path()).string()
                       : it->is_directory() ? "<dir>" : ReadHostFile(it->path().string());
        }
        return out;
    }

    TempDir temp_;
    std::string drive_ = temp_ / "drive";
    std::string outside_ = temp_ / "outside";
    std::unique_ptr<ScopedRegistryFile> registry_;
    FaultServices hook_{platform::DefaultServices()};
    platform::ScopedServices hookScope_{hook_};
};

TEST_F(FileOpsPosix, StatusSizeAndErrorCodesOfRealEntries)
{
    File("ro.txt");
    ASSERT_EQ(::chmod(H("ro.txt").c_str(), 0444), 0);
    MakeHostDirs(H(".hidden"));
    MakeHostDirs(H("dir"));
    Link("link", H("dir"));
    struct Case {
        std::string path;
        int isDir, isFile, isWritable, isDirHidden, exist;
    } cases[] = {
        {W("ro.txt"), 0, 1, 0, 0, 1}, {W("dir\\"), 1, 0, 0, 0, 1}, {W(".hidden"), 1, 0, 0, 1, 1},
        {W("DIR"), 1, 0, 0, 0, 1},    {W("nothing"), 0, 0, 0, 0, 0},
    };
    for (const Case &c : cases) {
        int exist = -1;
        EXPECT_EQ(CDriveEx::IsDir(c.path.c_str(), &exist), c.isDir) << c.path;
        EXPECT_EQ(exist, c.exist) << c.path;
        EXPECT_EQ(CDriveEx::IsFile(c.path.c_str(), nullptr), c.isFile) << c.path;
        EXPECT_EQ(CDriveEx::IsFileWritable(c.path.c_str(), nullptr), c.isWritable) << c.path;
        EXPECT_EQ(CDriveEx::IsDirHidden(c.path.c_str(), nullptr), c.isDirHidden) << c.path;
    }
    // A link shows the reparse bit in the attribute word, which the status byte cannot hold.
    const unsigned long reparse = FILE_ATTRIBUTE_REPARSE_POINT;
    EXPECT_EQ(CDriveEx::ChkFileAttrEx(W("link").c_str(), 0, reparse, nullptr), 1);
    EXPECT_EQ(CDriveEx::CFileStatus_s(W("link").c_str(), 0, static_cast<int>(reparse), nullptr), 0);
    EXPECT_EQ(CDriveEx::ChkFileAttrEx(W("dir").c_str(), 0, reparse, nullptr), 0);

    File("big");
    ASSERT_EQ(::truncate(H("big").c_str(), 0x100000005LL), 0);  // sparse
    unsigned long size = 0;
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(W("big").c_str(), &size), 1);
    EXPECT_EQ(size, 5u);
    HANDLE writer = platform::sys().CreateFileA(W("big").c_str(), GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(W("big").c_str(), &size), 0);
    platform::sys().CloseHandle(writer);

    // The host's errors map onto 2, 3 and 183 as the callers expect.
    EXPECT_EQ(CDriveEx::MyCreateDirectory(W("dir").c_str(), 0), 0);
    EXPECT_EQ(CDriveEx::MyCreateDirectory(W("dir").c_str(), 1), 1);
    File("dir\\f");
    struct Del {
        int (*fn)(const char *);
        const char *rel;
        int result;
    } dels[] = {
        {&CDriveEx::MyDelFile, "dir\\f", 1},         {&CDriveEx::MyDelFile, "dir\\f", 1},
        {&CDriveEx::MyDelFile, "none\\f", 0},        {&CDriveEx::MyDelFile, "ro.txt", 0},
        {&CDriveEx::MyRemoveDirectory, "none\\c", 1}, {&CDriveEx::MyRemoveDirectory, "dir", 1},
    };
    for (const Del &c : dels)
        EXPECT_EQ(c.fn(W(c.rel).c_str()), c.result) << c.rel;
    EXPECT_TRUE(HostExists(H("ro.txt")));
}

TEST_F(FileOpsPosix, MyRenameOntoTheSameEntryKeepsTheSource)
{
    MakeHostDirs(H("dir"));
    Link("alias", H("dir"));
    for (const std::string &to : {W("dir\\.\\f.txt"), W("DIR\\F.TXT"), std::string("U:\\dir\\f.txt"),
                                  W("alias\\f.txt")}) {
        fs::remove_all(H("dir"));
        File("dir\\f.txt", "precious");
        CDriveEx::MyRename(W("dir\\f.txt").c_str(), to.c_str());
        const Snap left = Snapshot(H("dir"));
        ASSERT_EQ(left.size(), 1u) << to;
        EXPECT_EQ(left.begin()->second, "precious") << to;
    }
}

// Each deleting call reaches only the entry its path names under Windows'
// rules: a directory keeps all but one trailing period and its blanks, only
// the final name loses them, and a listed entry goes as it was listed.
TEST_F(FileOpsPosix, DeletionsReachOnlyWhatWindowsReadsInThePath)
{
    const struct {
        const char *what;
        std::function<int()> call;
        int result;
        std::vector<std::string> gone;  // host entries the call removes
    } cases[] = {
        {"DelTree through a dotted directory", [] { return CDriveEx::DelTree("T:\\a..\\b", 0); }, 1,
         {}},
        {"DelTree of a blank-ended name", [] { return CDriveEx::DelTree("T:\\rnd ", 1); }, 0, {}},
        // The status query drops the closing separator and finds rnd; the
        // listing and the removal look for "rnd " and find nothing.
        {"DelTree of a closed blank-ended name",
         [] { return CDriveEx::DelTree("T:\\rnd \\", 1); }, 0, {}},
        {"DelSubFile lists and deletes k.tmp.",
         [] { return CDriveEx::DelSubFile("T:\\ks", "*.", 0); }, 1, {"ks/k.tmp.", "ks/noext"}},
        {"MyDelFile through a dotted directory",
         [] { return CDriveEx::MyDelFile("T:\\a..\\b\\x.txt"); }, 0, {}},
        {"MyDelFile of a final dotted name", [] { return CDriveEx::MyDelFile("T:\\ks\\k.tmp."); },
         1, {"ks/k.tmp"}},
        {"write probe below a blank-ended name",
         [] { return CDriveEx::CanWeWriteDir("T:\\rnd \\sub"); }, 0, {}},
        {"bundle below a dotted directory",
         [] { return CVcdImageEx::Del_ClusterBundle_Without_Verify("T:\\a..\\M.DVD\\M.DVD.D00", 1); },
         1, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(drive_);
        MakeHostDirs(drive_);
        for (const char *f : {"a/b/x.txt", "a/M.DVD/M.DVD.D00", "a/M.DVD/M.DVD.D01", "rnd/s.txt",
                              "rnd/sub/y.txt", "ks/k.tmp", "ks/k.tmp.", "ks/noext"})
            File(f);
        Snap expected = Snapshot(drive_);
        for (const std::string &g : c.gone)
            expected.erase(g);
        EXPECT_EQ(c.call(), c.result);
        EXPECT_EQ(Snapshot(drive_), expected);
    }
}

TEST_F(FileOpsPosix, DelTreeRemovesLinksAsLinksAlsoWhenTheyAppearMidway)
{
    WriteHostFile(Out("keep.txt"), "precious");
    MakeHostDirs(Out("deep"));
    WriteHostFile(Out("deep/more.txt"), "more");
    const Snap outside = Snapshot(outside_);
    File("t\\a.txt");
    Link("t\\dirlink", outside_);
    Link("t\\sub\\filelink", Out("keep.txt"));
    Link("t\\dangling", Out("nowhere"));
    Link("tl", outside_);
    EXPECT_EQ(CDriveEx::DelTree(W("t").c_str(), 0), 1);
    EXPECT_EQ(CDriveEx::DelTree(W("tl\\").c_str(), 0), 1);
    EXPECT_EQ(Snapshot(H("")), Snap{});
    EXPECT_EQ(Snapshot(outside_), outside);

    // The last point swaps the directory while its own entries are being
    // deleted (at the first of them): same-named files behind the link must
    // survive.
    WriteHostFile(outside_ + "/inner.txt", "outside");
    WriteHostFile(outside_ + "/inner2.txt", "outside");
    const Snap outsideNow = Snapshot(outside_);
    const struct {
        const char *call, *path;  // a path ending in '\\' matches what it begins
        int occurrence;
    } points[] = {{"GetFileAttributesExA", "t\\sub", 1},
                  {"GetFileAttributesA", "t\\sub", 1},
                  {"FindFirstFileInA", "t\\sub\\*.*", 1},
                  {"GetFileAttributesA", "t\\sub", 2},
                  {"DeleteFileInA", "t\\sub\\", 1}};
    int n = 0;
    for (const auto &p : points) {
        SCOPED_TRACE(std::string(p.call) + " #" + std::to_string(p.occurrence));
        File("t\\before.txt");
        File("t\\sub\\inner.txt", "in the tree");
        File("t\\sub\\inner2.txt", "in the tree");
        File("t\\zafter.txt");
        const std::string movedTo = Out("moved" + std::to_string(++n));
        const std::string path = W(p.path);
        int seen = 0;
        hook_.before = [&](const HookedCall &call) -> DWORD {
            const bool at = path.back() == '\\' ? call.path.rfind(path, 0) == 0 : call.path == path;
            if (call.name == p.call && at && ++seen == p.occurrence) {
                fs::rename(H("t/sub"), movedTo);
                fs::create_symlink(outside_, H("t/sub"));
            }
            return 0;
        };
        EXPECT_EQ(CDriveEx::DelTree(W("t").c_str(), 0), 1);
        hook_.before = nullptr;
        EXPECT_GE(seen, p.occurrence);
        EXPECT_FALSE(HostExists(H("t")));
        // A directory moved away before its listing is no longer in the tree
        // and stays whole; one moved away during its listing loses the
        // entries listed, as it would have in place.
        const Snap whole = {{"inner.txt", "in the tree"}, {"inner2.txt", "in the tree"}};
        const bool listed = std::strcmp(p.call, "DeleteFileInA") == 0;
        EXPECT_EQ(Snapshot(movedTo), listed ? Snap{} : whole);
        fs::remove_all(movedTo);
        EXPECT_EQ(Snapshot(outside_), outsideNow);
    }
}

// Each operation run with its k-th file or directory call failing (error 5),
// k = 1, 2, ... until a run completes unharmed: the result the failed call
// calls for, nothing outside the operation's tree touched, no handle open.
TEST_F(FileOpsPosix, OneFailureAtEachPlatformCall)
{
    WriteHostFile(Out("keep.txt"), "outside");
    File("sibling\\y", "next door");
    auto closing = [](const HookedCall &c) { return c.name == "CloseHandle" || c.name == "FindClose"; };
    // A failed attribute read of an existing final level makes the creation
    // fail (183); a failed creation fails.
    auto createRule = [](const HookedCall &c, const std::string &leaf) {
        return c.name == "CreateDirectoryA" || (c.name == "GetFileAttributesA" && c.path == leaf) ? 0 : 1;
    };
    struct Case {
        std::string name, tree;  // the operation, the top entry it may change
        std::function<void()> build;
        std::function<int()> run;
        std::function<void(int, const HookedCall &)> check;
    };
    Snap tree;
    const std::vector<Case> cases = {
        {"DelTree", "t",
         [&] {
             File("t\\f1", "1");
             File("t\\s\\s2\\f3", "3");
             Link("t\\dlink", outside_);
             Link("t\\flink", Out("keep.txt"));
             tree = Snapshot(H("t"));
         },
         [&] { return CDriveEx::DelTree(W("t").c_str(), 0); },
         [&](int result, const HookedCall &c) {
             // A failed status query of the top reads as no directory.
             if (c.name == "GetFileAttributesExA" && c.path == W("t")) {
                 EXPECT_EQ(result, 1);
                 EXPECT_EQ(Snapshot(H("t")), tree);
             } else {
                 const bool harmless = closing(c) || (c.name == "FindNextFileA" && c.lostNothing);
                 EXPECT_EQ(result, harmless ? 1 : 0);
                 EXPECT_EQ(HostExists(H("t")), !harmless);
             }
         }},
        {"CreateDir_Recursively", "a", [&] { MakeHostDirs(H("a/b/c")); },
         [&] { return CDriveEx::CreateDir_Recursively(W("a\\b\\c").c_str()); },
         [&](int result, const HookedCall &c) {
             EXPECT_EQ(result, createRule(c, W("a\\b\\c")));
             EXPECT_TRUE(fs::is_directory(H("a/b/c")));
         }},
        {"MyRename", "r",
         [&] {
             File("r\\src", "source");
             File("r\\dst", "target");
         },
         [&] { return CDriveEx::MyRename(W("r\\src").c_str(), W("r\\dst").c_str()); },
         [&](int result, const HookedCall &c) {
             // Only a failed close leaves the rename intact; the target is
             // deleted first, so only a failed move loses it.
             EXPECT_EQ(result, closing(c) ? 1 : 0);
             const Snap left = result == 1 ? Snap{{"dst", "source"}}
                               : c.name == "MoveFileA" ? Snap{{"src", "source"}}
                                                       : Snap{{"src", "source"}, {"dst", "target"}};
             EXPECT_EQ(Snapshot(H("r")), left);
         }},
        {"IsDirWriteable", "w", [&] { File("w\\present.txt", "p"); },
         [&] { return CDriveEx::IsDirWriteable(W("w").c_str()); },
         [&](int result, const HookedCall &c) {
             EXPECT_EQ(result, c.name == "CreateFileA" ? 0 : createRule(c, W("w")));
             EXPECT_EQ(Snapshot(H("w")), (Snap{{"present.txt", "p"}}));
         }},
    };
    for (const Case &c : cases) {
        const Snap before = Snapshot(drive_), outside = Snapshot(outside_);
        int k = 1;
        for (;; ++k) {
            c.build();
            hook_.ClearCalls();
            hook_.FailCall(k);
            const int result = c.run();
            hook_.FailCall(0);
            EXPECT_EQ(hook_.OpenHandles(), 0) << c.name << " call " << k;
            const HookedCall *failed = hook_.Injected();
            if (failed == nullptr) {
                EXPECT_EQ(result, 1) << c.name << " clean run";
                fs::remove_all(H(c.tree));
                break;
            }
            SCOPED_TRACE(c.name + " call " + std::to_string(k) + ": " + failed->name + " " + failed->path);
            c.check(result, *failed);
            fs::remove_all(H(c.tree));
            EXPECT_EQ(Snapshot(drive_), before);
            EXPECT_EQ(Snapshot(outside_), outside);
        }
        EXPECT_GT(k, 3) << c.name;
    }
}

}  // namespace
}  // namespace test
}  // namespace brenvik
