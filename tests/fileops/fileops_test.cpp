// The file-system operations on real directories: on POSIX under drive T:
// (and U:, the same directory under another letter) of a registry file, on
// Windows under the directory's own path; a second directory outside it for
// links to reach. Failures and mid-run changes come from the fault decorator.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "platform/afx/afx.h"
#include "platform/crt/crt.h"
#include "platform/services.h"
#include "support/fault_services.h"
#include "support/test_support.h"
#ifndef _WIN32
#include "platform/posix_fixture.h"
#endif

namespace fs = std::filesystem;

namespace brenvik {
namespace test {
namespace {

using platform::sys;
using Snap = std::map<std::string, std::string>;
using Strings = std::vector<std::string>;

class FileOps : public ::testing::Test {
protected:
    FileOps()
    {
        MakeHostDirs(drive_);
        MakeHostDirs(outside_);
#ifndef _WIN32
        registry_ = std::make_unique<ScopedRegistryFile>(RegText(
            {posixtest::DriveKey('T', drive_, "fixed"), posixtest::DriveKey('U', drive_, "fixed")}));
#endif
    }
    ~FileOps() override { EXPECT_EQ(f.Leaks(), Strings{}); }

    std::string W(const std::string &rel) const { return root_ + rel; }
    std::string H(std::string rel) const
    {
        std::replace(rel.begin(), rel.end(), '\\', '/');
        return drive_ + "/" + rel;
    }
    std::string Out(const std::string &rel) const { return outside_ + "/" + rel; }
    void Attr(const std::string &rel, DWORD attributes)
    {
        EXPECT_TRUE(sys().SetFileAttributesA(W(rel).c_str(), attributes)) << rel;
    }
    void File(const std::string &rel, const std::string &bytes = "x", DWORD attributes = 0)
    {
        MakeHostDirs(fs::path(H(rel)).parent_path().string());
        WriteHostFile(H(rel), bytes);
        if (attributes)
            Attr(rel, attributes);
    }
    bool Link(const std::string &rel, const std::string &target)
    {
        MakeHostDirs(fs::path(H(rel)).parent_path().string());
        std::error_code ec;
        fs::create_symlink(target, H(rel), ec);
        return !ec;
    }
    // Every entry below a host directory, links not followed: content, "<dir>" or "-> target".
    static Snap Snapshot(const std::string &dir)
    {
        Snap out;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            const std::string rel = fs::relative(it->path(), dir).generic_string();
            out[rel] = it->is_symlink()     ? "-> " + fs::read_symlink(it->path()).string()
                       : it->is_directory() ? "<dir>"
                                            : ReadHostFile(it->path().string());
        }
        return out;
    }

    TempDir temp_;
    std::string drive_ = temp_ / "drive";
    std::string outside_ = temp_ / "outside";
#ifdef _WIN32
    std::string root_ = Backslashed(drive_) + "\\";
#else
    std::string root_ = "T:\\";
    std::unique_ptr<ScopedRegistryFile> registry_;
#endif
    ScopedFaults f;
};

TEST_F(FileOps, StatusTestsFollowTheirMasksAndSetTheExistFlag)
{
    File("plain.txt");
    File("ro.txt", "x", FILE_ATTRIBUTE_READONLY);
    File("hidden.txt", "x", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    MakeHostDirs(H("hdir"));
    Attr("hdir", FILE_ATTRIBUTE_HIDDEN);
    // IsDir, IsDirHidden, IsFile, IsFileWritable, IsFileHidden
    int (*const tests[5])(const char *, int *) = {&CDriveEx::IsDir, &CDriveEx::IsDirHidden, &CDriveEx::IsFile,
                                                  &CDriveEx::IsFileWritable, &CDriveEx::IsFileHidden};
    struct Case {
        std::string path;
        int expected[5], exist;
    } cases[] = {
        {W("plain.txt"), {0, 0, 1, 1, 0}, 1}, {W("ro.txt"), {0, 0, 1, 0, 0}, 1},
        {W("hidden.txt"), {0, 0, 1, 1, 1}, 1}, {W("hdir\\"), {1, 1, 0, 0, 0}, 1},
        {W("HDIR"), {1, 1, 0, 0, 0}, 1},       {W("missing"), {0, 0, 0, 0, 0}, 0},
    };
    for (const Case &c : cases) {
        for (int t = 0; t < 5; ++t) {
            int exist = -7;
            EXPECT_EQ(tests[t](c.path.c_str(), &exist), c.expected[t]) << c.path << " test " << t;
            EXPECT_EQ(exist, c.exist) << c.path << " test " << t;
        }
        EXPECT_EQ(CDriveEx::IsExist(c.path.c_str()), c.exist) << c.path;
    }
    // Pairs on the status byte (CFileStatus_s) and on the attribute word
    // (ChkFileAttrEx); a link's reparse bit lies above the byte.
    const unsigned long reparse = FILE_ATTRIBUTE_REPARSE_POINT;
    struct Mask {
        std::string path;
        unsigned long clear, set;
        int status, word;
    } masks[] = {
        {W("link"), 0, reparse, 0, 1},  // above the status byte
        {W("link"), reparse, 0, 1, 0},  // a clear bit above 0xFF always passes the byte
        {W("hidden.txt"), 0x01, 0x06, 1, 1}, {W("hidden.txt"), 0x04, 0x02, 0, 0}, {W("missing"), 0, 0, 0, 0},
    };
    const bool links = Link("link", H("hdir"));
    for (const Mask &c : masks) {
        if (!links && c.path == W("link"))
            continue;
        int e1 = -1, e2 = -1;
        const int clear = static_cast<int>(c.clear), set = static_cast<int>(c.set);
        EXPECT_EQ(CDriveEx::CFileStatus_s(c.path.c_str(), clear, set, &e1), c.status) << c.path << clear;
        EXPECT_EQ(CDriveEx::ChkFileAttrEx(c.path.c_str(), c.clear, c.set, &e2), c.word) << c.path << clear;
        EXPECT_EQ(e1, c.path != W("missing")) << c.path;
        EXPECT_EQ(e2, e1) << c.path;
    }
    // file, writable, fhidden, dir, dhidden, system, volume, archive, exist; null flags skipped
    int v[9] = {9, 9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_EQ(CDriveEx::CFileStatus_s(W("hidden.txt").c_str(), &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], nullptr,
                                      &v[7], nullptr), 1);
    EXPECT_EQ(std::vector<int>(v, v + 9), (std::vector<int>{1, 1, 1, 0, 0, 1, 9, 0, 9}));
    EXPECT_EQ(CDriveEx::CFileStatus_s(W("missing").c_str(), &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                                      &v[7], &v[8]), 0);
    EXPECT_EQ(std::vector<int>(v, v + 9), std::vector<int>(9, 0));

    // A null or empty path fails before any call and leaves the flag alone.
    f.ClearCalls();
    int exist = 42;
    EXPECT_EQ(CDriveEx::IsDir("", &exist) + CDriveEx::IsFile(nullptr, &exist) + CDriveEx::CFileStatus_s("", 0, 0, &exist) +
                  CDriveEx::ChkFileAttrEx(nullptr, 0, 0, &exist), 0);
    EXPECT_EQ(exist, 42);
    EXPECT_TRUE(f.Calls().empty());
}

TEST_F(FileOps, OneTrailingBackslashIsRemovedButNeverATrailByte)
{
    File("f");
    f.ClearCalls();
    EXPECT_EQ(CDriveEx::IsFile(W("f\\").c_str(), nullptr), 1);
    EXPECT_EQ(CDriveEx::IsFile(W("f\\\\").c_str(), nullptr), 0);
    EXPECT_EQ(f.PathsOf("GetFileAttributesExA"), (Strings{W("f"), W("f\\")}));
#ifndef _WIN32
    // In code page 932, 0x95 0x5C is one character (to the backend too).
    registry_->Rewrite(RegText({posixtest::DriveKey('T', drive_, "fixed"),
                                "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage]\r\n\"ACP\"=\"932\""}));
    EXPECT_TRUE(sys().CreateDirectoryA(W("\x95\x5C").c_str(), nullptr));
    EXPECT_EQ(CDriveEx::IsDir(W("\x95\x5C").c_str(), nullptr), 1);
    EXPECT_EQ(CDriveEx::IsDir(W("\x95").c_str(), nullptr), 0);
#endif
}

class ThrowingFile : public CFile {
public:
    DWORD GetLength() const override { throw CFileException(CFileException::invalidFile, 6); }
};

TEST_F(FileOps, AttributesAndSize)
{
    File("f.bin", "12345");
    WIN32_FILE_ATTRIBUTE_DATA data, want;
    std::memset(&data, 0xAB, sizeof data);
    ASSERT_TRUE(sys().GetFileAttributesExA(W("f.bin").c_str(), GetFileExInfoStandard, &want));
    ASSERT_EQ(CDriveEx::GetFileAttrEx(W("f.bin").c_str(), &data), 1);
    EXPECT_EQ(std::memcmp(&data, &want, sizeof want), 0);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    unsigned long attr = 0;
    EXPECT_EQ(CDriveEx::GetFileAttrEx(W("f.bin").c_str(), &attr), 1);
    EXPECT_EQ(attr, want.dwFileAttributes);
    EXPECT_EQ(CDriveEx::GetFileAttrEx("", &data) + CDriveEx::GetFileAttrEx(W("f.bin").c_str(), static_cast<unsigned long *>(nullptr)), 0);

    File("big");
    fs::resize_file(H("big"), 0x100000005ull);   // sparse
    File("ones");
    fs::resize_file(H("ones"), 0x1FFFFFFFFull);  // low word all ones: reads as failure
    MakeHostDirs(H("dir"));
    struct Case {
        const char *rel;
        int result;
        unsigned long size;
    } cases[] = {{"f.bin", 1, 5}, {"big", 1, 5}, {"ones", 0, 77}, {"dir", 0, 77}};
    for (const Case &c : cases) {
        unsigned long size = 77;
        EXPECT_EQ(CDriveEx::GetFileSizeInByte(W(c.rel).c_str(), &size), c.result) << c.rel;
        EXPECT_EQ(size, c.size) << c.rel;
    }
    // Read with others reading only: a writer in the way is a failure.
    HANDLE writer = sys().CreateFileA(W("big").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    unsigned long size = 77;
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(W("big").c_str(), &size), 0);
    sys().CloseHandle(writer);
    ThrowingFile broken;
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(broken, &size), 0);
    EXPECT_EQ(size, 77u);
    CFile real;
    ASSERT_TRUE(real.Open(W("f.bin").c_str(), CFile::modeRead | CFile::shareDenyNone));
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(real, &size), 1);
    EXPECT_EQ(size, 5u);
    real.Close();
}

TEST_F(FileOps, CreateDirectories)
{
    MakeHostDirs(H("dir"));
    File("file");
    struct Case {
        std::string path;
        int okIfExist, result, recursive;  // MyCreateDirectory, CreateDir_Recursively
    } cases[] = {
        {W("dir"), 0, 0, 1}, {W("dir"), 1, 1, 1}, {W("file"), 1, 0, 0}, {"rel\\sub", 1, 0, 0},
        {W("no\\such"), 1, 0, 1},
#ifndef _WIN32
        {"\\\\srv\\share\\a\\b", 0, 0, 1},
#endif
    };
#ifndef _WIN32
    registry_->Rewrite(RegText({posixtest::DriveKey('T', drive_, "fixed"), posixtest::ShareKey("srv", "share", H("s"))}));
    MakeHostDirs(H("s"));
#endif
    for (const Case &c : cases)
        EXPECT_EQ(CDriveEx::MyCreateDirectory(c.path.c_str(), c.okIfExist), c.result) << c.path;
    f.ClearCalls();
    for (const Case &c : cases)
        EXPECT_EQ(CDriveEx::CreateDir_Recursively(c.path.c_str()), c.recursive) << c.path;
    EXPECT_TRUE(fs::is_directory(H("no/such")));
    for (const HookedCall &c : f.Calls()) {  // the share itself is never asked about, let alone made
        EXPECT_NE(c.path, "\\\\srv\\share");
        EXPECT_NE(c.path.substr(0, 3), "rel");
    }
#ifndef _WIN32
    EXPECT_TRUE(fs::is_directory(H("s/a/b")));
#endif
    // Only "already there" lets an existing directory pass.
    f.Fail("CreateDirectoryA", W("dir"), ERROR_ACCESS_DENIED, Times::Once);
    EXPECT_EQ(CDriveEx::MyCreateDirectory(W("dir").c_str(), 1), 0);

    f.ClearCalls();
    ASSERT_EQ(CDriveEx::CreateDir_Recursively(W("dir\\b\\c\\").c_str()), 1);
    EXPECT_EQ(f.PathsOf("CreateDirectoryA"), (Strings{W("dir\\b"), W("dir\\b\\c")}));
    // 260 characters are refused before any call; 259 reach the platform
    // (which fails them all here).
    const std::string longest = "Q:\\" + std::string(200, 'n') + "\\" + std::string(55, 'm');
    f.before = [](const HookedCall &) -> DWORD { return ERROR_ACCESS_DENIED; };
    f.ClearCalls();
    EXPECT_EQ(CDriveEx::CreateDir_Recursively((longest + "x").c_str()), 0);
    EXPECT_TRUE(f.Calls().empty());
    EXPECT_EQ(CDriveEx::CreateDir_Recursively(longest.c_str()), 0);
    EXPECT_EQ(f.CountCalls("CreateDirectoryA", longest), 1);
    f.before = nullptr;
}

TEST_F(FileOps, MyRenameReplacesOrRefuses)
{
    File("src", "source");
    File("dst", "old target");
    MakeHostDirs(H("dir"));
    File("ro", "read-only", FILE_ATTRIBUTE_READONLY);
    const Snap start = Snapshot(drive_);
    EXPECT_EQ(CDriveEx::MyRename("", W("x").c_str()) + CDriveEx::MyRename(W("src").c_str(), nullptr) +
                  CDriveEx::MyRename(W("src").c_str(), W("dir").c_str()) +
                  CDriveEx::MyRename(W("src").c_str(), W("ro").c_str()) +
                  CDriveEx::MyRename(W("missing").c_str(), W("dst").c_str()), 0);
    EXPECT_EQ(Snapshot(drive_), start);
    EXPECT_EQ(CDriveEx::MyRename(W("src").c_str(), W("dst").c_str()), 1);
    EXPECT_EQ(CDriveEx::MyRename(W("dst").c_str(), W("dir\\f.txt").c_str()), 1);
    EXPECT_EQ(Snapshot(drive_), (Snap{{"dir", "<dir>"}, {"dir/f.txt", "source"}, {"ro", "read-only"}}));

    // Onto the same entry, however it is spelt or reached, the source stays.
    Strings same = {W("dir/.//f.txt"), W("x\\..\\dir\\f.txt"), W("DIR\\F.TXT")};
    if (Link("alias", H("dir")))
        same.push_back(W("alias\\f.txt"));
#ifndef _WIN32
    same.push_back("U:\\dir\\f.txt");
#endif
    for (const std::string &to : same) {
        f.ClearCalls();
        CDriveEx::MyRename(W("dir\\f.txt").c_str(), to.c_str());
        const Snap left = Snapshot(H("dir"));
        ASSERT_EQ(left.size(), 1u) << to;
        EXPECT_EQ(left.begin()->second, "source") << to;
        EXPECT_EQ(f.CountCalls("DeleteFileA"), 0) << to;
        fs::rename(H("dir/") + left.begin()->first, H("dir/f.txt"));
    }
}

TEST_F(FileOps, DeletionsAndTheirErrorCodes)
{
    File("d\\full\\x");
    MakeHostDirs(H("d/empty"));
    File("d\\f");
    File("d\\ro", "", FILE_ATTRIBUTE_READONLY);
    struct Case {
        int (*fn)(const char *);
        const char *rel;
        int result;
    } cases[] = {
        {&CDriveEx::MyDelFile, "d\\f", 1},
        {&CDriveEx::MyDelFile, "d\\f", 1},       // gone: error 2
        {&CDriveEx::MyDelFile, "nodir\\f", 0},   // error 3
        {&CDriveEx::MyDelFile, "d\\ro", 0},
        {&CDriveEx::MyDelFile, "d\\empty", 0},
        {&CDriveEx::MyRemoveDirectory, "d\\empty", 1},
        {&CDriveEx::MyRemoveDirectory, "d\\empty", 0},    // gone: error 2
        {&CDriveEx::MyRemoveDirectory, "nodir\\sub", 1},  // error 3
        {&CDriveEx::MyRemoveDirectory, "d\\full", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.fn(W(c.rel).c_str()), c.result) << c.rel;
    EXPECT_EQ(CDriveEx::MyDelFile("") + CDriveEx::MyRemoveDirectory(nullptr), 0);
    EXPECT_EQ(Snapshot(H("d")), (Snap{{"full", "<dir>"}, {"full/x", "x"}, {"ro", ""}}));

    File("t\\a.tmp");
    File("t\\b.txt");
    File("t\\sys.tmp", "", FILE_ATTRIBUTE_SYSTEM);
    File("t\\sub\\c.tmp");
    File("t\\ro.tmp", "", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(CDriveEx::DelSubFile(W("").c_str(), "", 0) + CDriveEx::DelSubFile(nullptr, "*.*", 0), 0);
    f.ClearCalls();
    EXPECT_EQ(CDriveEx::DelSubFile(W("t\\").c_str(), "*.tmp", 0), 0);  // ro.tmp stays
    const Snap kept = {{"b.txt", "x"}, {"ro.tmp", ""}, {"sub", "<dir>"}, {"sub/c.tmp", "x"}, {"sys.tmp", ""}};
    EXPECT_EQ(Snapshot(H("t")), kept);
    EXPECT_EQ(f.PathsOf("FindFirstFileA"), Strings{W("t\\*.tmp")});
    Attr("t\\ro.tmp", FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(CDriveEx::DelSubFile(W("t").c_str(), "*.*", 1), 1);
    EXPECT_EQ(Snapshot(H("t")), (Snap{{"sub", "<dir>"}, {"sub/c.tmp", "x"}}));
}

// Each deleting call reaches only the entry its path names under Windows'
// rules: a directory keeps all but one trailing period and its blanks, only
// the final name loses them, and a listed entry goes as it was listed.
TEST_F(FileOps, DeletionsReachOnlyWhatWindowsReadsInThePath)
{
    const struct {
        const char *what;
        std::function<int()> call;
        int result;
        Strings gone;  // host entries the call removes
    } cases[] = {
        {"DelTree through a dotted directory", [this] { return CDriveEx::DelTree(W("a..\\b").c_str(), 0); }, 1, {}},
        {"DelTree of a blank-ended name", [this] { return CDriveEx::DelTree(W("rnd ").c_str(), 1); }, 0, {}},
        // The status query drops the closing separator and finds rnd; the
        // listing and the removal look for "rnd " and find nothing.
        {"DelTree of a closed blank-ended name", [this] { return CDriveEx::DelTree(W("rnd \\").c_str(), 1); }, 0, {}},
        {"DelSubFile lists and deletes k.tmp.", [this] { return CDriveEx::DelSubFile(W("ks").c_str(), "*.", 0); },
         1, {"ks/k.tmp.", "ks/noext"}},
        {"MyDelFile through a dotted directory", [this] { return CDriveEx::MyDelFile(W("a..\\b\\x.txt").c_str()); }, 0, {}},
        {"MyDelFile of a final dotted name", [this] { return CDriveEx::MyDelFile(W("ks\\k.tmp.").c_str()); }, 1, {"ks/k.tmp"}},
        {"write probe below a blank-ended name", [this] { return CDriveEx::CanWeWriteDir(W("rnd \\sub").c_str()); }, 0, {}},
        {"bundle below a dotted directory",
         [this] { return CVcdImageEx::Del_ClusterBundle_Without_Verify(W("a..\\M.DVD\\M.DVD.D00").c_str(), 1); }, 1, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(drive_);
        for (const char *file : {"a/b/x.txt", "a/M.DVD/M.DVD.D00", "a/M.DVD/M.DVD.D01", "rnd/s.txt", "rnd/sub/y.txt",
                                 "ks/k.tmp", "ks/k.tmp.", "ks/noext"})
            File(file);
        Snap expected = Snapshot(drive_);
        for (const std::string &g : c.gone)
            expected.erase(g);
        EXPECT_EQ(c.call(), c.result);
        EXPECT_EQ(Snapshot(drive_), expected);
    }
}

TEST_F(FileOps, DelTreeResults)
{
    File("file", "keep");
    EXPECT_EQ(CDriveEx::DelTree("", 1), 0);
    EXPECT_EQ(CDriveEx::DelTree(W("file").c_str(), 1) + CDriveEx::DelTree(W("missing").c_str(), 1), 2);
    EXPECT_TRUE(HostExists(H("file")));

    // System files go only at the top, and only when asked.
    File("t\\top.sys", "", FILE_ATTRIBUTE_SYSTEM);
    File("t\\sub\\low.sys", "", FILE_ATTRIBUTE_SYSTEM);
    File("t\\sub\\deep\\plain");
    EXPECT_EQ(CDriveEx::DelTree(W("t\\").c_str(), 0), 0);
    EXPECT_EQ(Snapshot(H("t")), (Snap{{"sub", "<dir>"}, {"sub/low.sys", ""}, {"top.sys", ""}}));
    EXPECT_EQ(CDriveEx::DelTree(W("t").c_str(), 1), 0);
    EXPECT_EQ(Snapshot(H("t")), (Snap{{"sub", "<dir>"}, {"sub/low.sys", ""}}));
    Attr("t\\sub\\low.sys", FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(CDriveEx::DelTree(W("t").c_str(), 0), 1);
    EXPECT_FALSE(HostExists(H("t")));

    // A read-only file keeps only the path to it.
    File("t\\a\\b\\ro", "", FILE_ATTRIBUTE_READONLY);
    File("t\\a\\b\\x");
    File("t\\a\\y");
    File("t\\c\\z");
    EXPECT_EQ(CDriveEx::DelTree(W("t").c_str(), 1), 0);
    EXPECT_EQ(Snapshot(H("t")), (Snap{{"a", "<dir>"}, {"a/b", "<dir>"}, {"a/b/ro", ""}}));
}

TEST_F(FileOps, DelTreeRemovesLinksAsLinksAlsoWhenTheyAppearMidway)
{
    WriteHostFile(Out("keep.txt"), "precious");
    MakeHostDirs(Out("deep"));
    WriteHostFile(Out("deep/more.txt"), "more");
    File("t\\a.txt");
    if (!Link("t\\dirlink", outside_))
        GTEST_SKIP() << "no symbolic links on this host";
    Link("t\\sub\\filelink", Out("keep.txt"));
    Link("t\\dangling", Out("nowhere"));
    Link("tl", outside_);
    const Snap outside = Snapshot(outside_);
    EXPECT_EQ(CDriveEx::DelTree(W("t").c_str(), 0), 1);
    EXPECT_EQ(CDriveEx::DelTree(W("tl\\").c_str(), 0), 1);  // the tree itself is a link
    EXPECT_EQ(Snapshot(drive_), Snap{});
    EXPECT_EQ(Snapshot(outside_), outside);

    // The directory swapped for a link at each step of the run. The last
    // point swaps it while its own entries are being deleted: same-named
    // files behind the link must survive. A link to a file is no directory
    // to the status query, and stays.
    WriteHostFile(Out("inner.txt"), "outside");
    WriteHostFile(Out("inner2.txt"), "outside");
    const Snap outsideNow = Snapshot(outside_);
    const struct {
        const char *call, *path;  // a path ending in '\\' matches what it begins
        int occurrence;
        bool toFile;
        int result;
    } points[] = {{"GetFileAttributesExA", "t\\sub", 1, false, 1}, {"GetFileAttributesExA", "t\\sub", 1, true, 0},
                  {"GetFileAttributesA", "t\\sub", 1, false, 1},   {"FindFirstFileInA", "t\\sub\\*.*", 1, false, 1},
                  {"GetFileAttributesA", "t\\sub", 2, false, 1},   {"GetFileAttributesA", "t\\sub", 2, true, 1},
                  {"DeleteFileInA", "t\\sub\\", 1, false, 1}};
    int n = 0;
    for (const auto &p : points) {
        SCOPED_TRACE(std::string(p.call) + " #" + std::to_string(p.occurrence) + (p.toFile ? " to a file" : ""));
        fs::remove_all(H("t"));
        File("t\\before.txt");
        File("t\\sub\\inner.txt", "in the tree");
        File("t\\sub\\inner2.txt", "in the tree");
        File("t\\zafter.txt");
        const std::string movedTo = Out("moved" + std::to_string(++n)), path = W(p.path);
        int seen = 0;
        f.before = [&](const HookedCall &call) -> DWORD {
            const bool at = path.back() == '\\' ? call.path.rfind(path, 0) == 0 : call.path == path;
            if (call.name == p.call && at && ++seen == p.occurrence) {
                fs::rename(H("t/sub"), movedTo);
                fs::create_symlink(p.toFile ? Out("keep.txt") : outside_, H("t/sub"));
            }
            return 0;
        };
        EXPECT_EQ(CDriveEx::DelTree(W("t").c_str(), 0), p.result);
        f.before = nullptr;
        EXPECT_GE(seen, p.occurrence);
        EXPECT_EQ(HostExists(H("t")), p.result == 0);
        // A directory moved away before its listing is no longer in the tree
        // and stays whole; one moved away during its listing loses the
        // entries listed, as it would have in place.
        const Snap whole = {{"inner.txt", "in the tree"}, {"inner2.txt", "in the tree"}};
        EXPECT_EQ(Snapshot(movedTo), std::strcmp(p.call, "DeleteFileInA") == 0 ? Snap{} : whole);
        fs::remove_all(movedTo);
        EXPECT_EQ(Snapshot(outside_), outsideNow);
    }
}

// Each operation run with its k-th platform call failing (error 5), k = 1,
// 2, ... until a run completes unharmed: the result the failed call calls
// for, nothing outside the operation's tree touched, no handle open.
TEST_F(FileOps, OneFailureAtEachPlatformCall)
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
            f.ClearCalls();
            f.FailCall(k);
            const int result = c.run();
            f.FailCall(0);
            EXPECT_EQ(f.OpenHandles(), 0) << c.name << " call " << k;
            const HookedCall *failed = f.Injected();
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

TEST_F(FileOps, WriteProbesNeverDestroyAnything)
{
    MakeHostDirs(H("dir"));
    EXPECT_EQ(CDriveEx::CanWeWriteDir(W("dir\\").c_str()), 1);
    EXPECT_EQ(f.PathsOf("CreateFileA"), Strings{W("dir\\tmp$d123.tmp")});
    EXPECT_EQ(Snapshot(H("dir")), Snap{});
    for (const std::string &dir : {std::string(), W("missing"), std::string("Q:\\")})
        EXPECT_EQ(CDriveEx::CanWeWriteDir(dir.c_str()), 0) << dir;
    f.Fail("CreateFileA", W("dir\\tmp$d123.tmp"), ERROR_WRITE_PROTECT, Times::Once);
    EXPECT_EQ(CDriveEx::CanWeWriteDir(W("dir").c_str()), 0);
    EXPECT_FALSE(HostExists(H("missing")));

    // Files under its names stay as they were; so does a link's target.
    File("dir\\tmp$d123.tmp", "somebody's data");
    File("dir\\tmp$d124.tmp", "and more");
    const Snap taken = Snapshot(H("dir"));
    f.ClearCalls();
    EXPECT_EQ(CDriveEx::CanWeWriteDir(W("dir").c_str()), 1);
    EXPECT_EQ(f.PathsOf("CreateFileA"), Strings{W("dir\\tmp$d125.tmp")});
    EXPECT_EQ(Snapshot(H("dir")), taken);
    fs::remove_all(H("dir"));
    WriteHostFile(Out("target.txt"), "target");
    if (Link("dir\\tmp$d123.tmp", Out("target.txt"))) {
        EXPECT_EQ(CDriveEx::CanWeWriteDir(W("dir").c_str()), 1);
        EXPECT_EQ(Snapshot(outside_), (Snap{{"target.txt", "target"}}));
        EXPECT_TRUE(fs::is_symlink(H("dir/tmp$d123.tmp")));
    }

    // IsDirWriteable names its probe by the signed tick count.
    struct Case {
        DWORD tick;
        const char *dir, *probe;
    } cases[] = {
        {1234, "w\\new", "w\\new\\temp1234.tmp"},  // the directory is made
        {0x7FFFFFFF, "w", "w\\temp2147483647.tmp"},
        {0x80000000, "w\\", "w\\\\temp-2147483648.tmp"},
    };
    for (const Case &c : cases) {
        f.SetClock(c.tick);
        f.ClearCalls();
        EXPECT_EQ(CDriveEx::IsDirWriteable(W(c.dir).c_str()), 1) << c.tick;
        EXPECT_EQ(f.PathsOf("CreateFileA"), Strings{W(c.probe)}) << c.tick;
    }
    EXPECT_EQ(Snapshot(H("w")), (Snap{{"new", "<dir>"}}));
    File("w\\temp-5.tmp", "mine");
    f.SetClock(0xFFFFFFFB);
    EXPECT_EQ(CDriveEx::IsDirWriteable(W("w").c_str()), 0);
    EXPECT_EQ(ReadHostFile(H("w/temp-5.tmp")), "mine");
    f.ClearCalls();
    for (const char *dir : {"", "dir\\sub", "Q:", "Q:\\a*b"})
        EXPECT_EQ(CDriveEx::IsDirWriteable(dir), 0) << dir;
    EXPECT_TRUE(f.Calls().empty());

    EXPECT_EQ(CDriveEx::CanWeWriteFile(nullptr) + CDriveEx::CanWeWriteFile(""), 0);
    EXPECT_TRUE(f.boxes.empty());
    EXPECT_EQ(CDriveEx::CanWeWriteFile(W("whatever.txt").c_str()), 0);
    ASSERT_EQ(f.boxes.size(), 1u);
    EXPECT_EQ(f.boxes[0].text, "SORRY: NA now!\nDO NOT INVOKE ME!\n\nBOOL CDriveEx::CanWeWriteFile(CString csFilePath)");
    EXPECT_EQ(f.boxes[0].type, static_cast<UINT>(MB_OK));
}

}  // namespace
}  // namespace test
}  // namespace brenvik
