// The file-system operations on real directories through the POSIX backend.
#include <brenvik/brenvik.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "fileops/posix_fixture.h"
#include "platform/services.h"

namespace fs = std::filesystem;

namespace brenvik {
namespace test {
namespace {

using FileOpsPosixTest = PosixTest;

TEST_F(FileOpsPosixTest, StatusOfRealEntries)
{
    File("plain.txt");
    File("ro.txt");
    ASSERT_EQ(::chmod(H("ro.txt").c_str(), 0444), 0);
    Dir(".hidden");
    Dir("dir");
    Link("link", drive_ + "/dir");
    struct Case {
        std::string path;
        int isDir, isFile, isWritable, isDirHidden, exist;
    };
    const Case cases[] = {
        {W("plain.txt"), 0, 1, 1, 0, 1}, {W("ro.txt"), 0, 1, 0, 0, 1},
        {W("dir\\"), 1, 0, 0, 0, 1},      {W(".hidden"), 1, 0, 0, 1, 1},
        {W("DIR"), 1, 0, 0, 0, 1},        {W("nothing"), 0, 0, 0, 0, 0},
    };
    for (const Case &c : cases) {
        int exist = -1;
        EXPECT_EQ(CDriveEx::IsDir(c.path.c_str(), &exist), c.isDir) << c.path;
        EXPECT_EQ(exist, c.exist) << c.path;
        EXPECT_EQ(CDriveEx::IsFile(c.path.c_str(), nullptr), c.isFile) << c.path;
        EXPECT_EQ(CDriveEx::IsFileWritable(c.path.c_str(), nullptr), c.isWritable) << c.path;
        EXPECT_EQ(CDriveEx::IsDirHidden(c.path.c_str(), nullptr), c.isDirHidden) << c.path;
    }
    // A link shows the reparse bit in the attribute word, which the status
    // byte cannot hold.
    EXPECT_EQ(CDriveEx::ChkFileAttrEx(W("link").c_str(), 0, FILE_ATTRIBUTE_REPARSE_POINT, nullptr), 1);
    EXPECT_EQ(CDriveEx::CFileStatus_s(W("link").c_str(), 0, FILE_ATTRIBUTE_REPARSE_POINT, nullptr), 0);
    EXPECT_EQ(CDriveEx::ChkFileAttrEx(W("dir").c_str(), 0, FILE_ATTRIBUTE_REPARSE_POINT, nullptr), 0);
}

TEST_F(FileOpsPosixTest, SizeOfRealFiles)
{
    File("small", std::string(1234, 's'));
    File("big");
    ASSERT_EQ(::truncate(H("big").c_str(), 0x100000005LL), 0);  // sparse
    unsigned long size = 0;
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(W("small").c_str(), &size), 1);
    EXPECT_EQ(size, 1234u);
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(W("big").c_str(), &size), 1);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(W("").c_str(), &size), 0);

    HANDLE writer = platform::sys().CreateFileA(W("small").c_str(), GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(W("small").c_str(), &size), 0);
    platform::sys().CloseHandle(writer);
}

TEST_F(FileOpsPosixTest, CreateAndDeleteRealEntries)
{
    EXPECT_EQ(CDriveEx::CreateDir_Recursively(W("a\\b\\c\\").c_str()), 1);
    EXPECT_TRUE(fs::is_directory(H("a/b/c")));
    EXPECT_EQ(CDriveEx::MyCreateDirectory(W("a").c_str(), 0), 0);
    EXPECT_EQ(CDriveEx::MyCreateDirectory(W("a").c_str(), 1), 1);

    File("a\\ro", "stays");
    ASSERT_EQ(::chmod(H("a/ro").c_str(), 0444), 0);
    File("a\\f");
    EXPECT_EQ(CDriveEx::MyDelFile(W("a\\f").c_str()), 1);
    EXPECT_EQ(CDriveEx::MyDelFile(W("a\\f").c_str()), 1);
    EXPECT_EQ(CDriveEx::MyDelFile(W("none\\f").c_str()), 0);
    EXPECT_EQ(CDriveEx::MyDelFile(W("a\\ro").c_str()), 0);
    EXPECT_EQ(CDriveEx::MyRemoveDirectory(W("a\\b").c_str()), 0);
    EXPECT_EQ(CDriveEx::MyRemoveDirectory(W("a\\b\\c").c_str()), 1);
    EXPECT_EQ(CDriveEx::MyRemoveDirectory(W("none\\c").c_str()), 1);
    EXPECT_EQ(ReadHostFile(H("a/ro")), "stays");

    File("t\\x\\y\\z.txt");
    File("t\\top");
    EXPECT_EQ(CDriveEx::DelTree(W("t").c_str(), 0), 1);
    EXPECT_FALSE(HostExists(H("t")));
    EXPECT_EQ(CDriveEx::DelTree(W("a\\ro").c_str(), 0), 1);
    EXPECT_TRUE(HostExists(H("a/ro")));
}

TEST_F(FileOpsPosixTest, MyRenameReplacesTheTarget)
{
    File("src", "source");
    File("dst", "target");
    Dir("dir");
    EXPECT_EQ(CDriveEx::MyRename(W("src").c_str(), W("dir").c_str()), 0);
    EXPECT_EQ(CDriveEx::MyRename(W("src").c_str(), W("dst").c_str()), 1);
    EXPECT_FALSE(HostExists(H("src")));
    EXPECT_EQ(ReadHostFile(H("dst")), "source");
}

TEST_F(FileOpsPosixTest, MyRenameOntoTheSameFileKeepsIt)
{
    Dir("d");
    Link("alias", drive_ + "/d");
    const std::string spellings[] = {
        W("d\\f.txt"),       // the same path
        W("d\\.\\f.txt"),    // another spelling
        W("D\\F.TXT"),       // another case
        "U:\\d\\f.txt",      // another drive onto the same directory
        W("alias\\f.txt"),   // through a link to the directory
    };
    for (const std::string &to : spellings) {
        fs::remove_all(H("d"));
        File("d\\f.txt", "precious");
        CDriveEx::MyRename(W("d\\f.txt").c_str(), to.c_str());
        int files = 0;
        for (const auto &entry : fs::directory_iterator(H("d"))) {
            ++files;
            EXPECT_EQ(ReadHostFile(entry.path().string()), "precious") << to;
        }
        EXPECT_EQ(files, 1) << to;
    }
}

TEST_F(FileOpsPosixTest, DelTreeRemovesLinksAsLinks)
{
    WriteHostFile(Out("keep.txt"), "precious");
    MakeHostDirs(Out("deep"));
    WriteHostFile(Out("deep/more.txt"), "more");
    const auto outside = Snapshot(outside_);

    File("t\\a.txt");
    Link("t\\dirlink", outside_);
    Link("t\\sub\\filelink", Out("keep.txt"));
    Link("t\\dangling", Out("nowhere"));
    Link("tl", outside_);
    EXPECT_EQ(CDriveEx::DelTree(W("t").c_str(), 0), 1);
    EXPECT_FALSE(HostExists(H("t")));
    EXPECT_EQ(CDriveEx::DelTree(W("tl\\").c_str(), 0), 1);
    EXPECT_FALSE(fs::is_symlink(fs::symlink_status(H("tl"))));
    EXPECT_EQ(Snapshot(outside_), outside);
}

TEST_F(FileOpsPosixTest, DelTreeWhenADirectoryTurnsIntoALinkMidway)
{
    MakeHostDirs(Out("target"));
    WriteHostFile(Out("target/keep.txt"), "precious");
    struct SwapPoint {
        const char *service;
        std::string path;
        int occurrence;
    };
    const SwapPoint points[] = {
        {"GetFileAttributesExA", W("t\\sub"), 1},
        {"GetFileAttributesA", W("t\\sub"), 1},
        {"FindFirstFileA", W("t\\sub\\*.*"), 1},
        {"GetFileAttributesA", W("t\\sub"), 2},
    };
    int n = 0;
    for (const SwapPoint &p : points) {
        SCOPED_TRACE(std::string(p.service) + " " + p.path);
        File("t\\before.txt");
        File("t\\sub\\inner.txt", "in the tree");
        File("t\\zafter.txt");
        const auto outside = Snapshot(Out("target"));
        const std::string movedTo = Out("moved" + std::to_string(++n));
        int seen = 0;
        bool swapped = false;
        Hook().before = [&](const HookedCall &call) -> DWORD {
            if (call.name == p.service && call.path == p.path && ++seen == p.occurrence) {
                fs::rename(H("t/sub"), movedTo);
                fs::create_symlink(Out("target"), H("t/sub"));
                swapped = true;
            }
            return 0;
        };
        EXPECT_EQ(CDriveEx::DelTree(W("t").c_str(), 0), 1);
        Hook().before = nullptr;
        EXPECT_TRUE(swapped);
        EXPECT_FALSE(HostExists(H("t")));
        EXPECT_EQ(Snapshot(Out("target")), outside);
        // The directory moved away is no longer in the tree and stays whole.
        EXPECT_EQ(ReadHostFile(movedTo + "/inner.txt"), "in the tree");
    }
}

TEST_F(FileOpsPosixTest, CanWeWriteDirOnRealDirectories)
{
    Dir("w");
    EXPECT_EQ(CDriveEx::CanWeWriteDir(W("w").c_str()), 1);
    EXPECT_TRUE(fs::is_empty(H("w")));
    File("w\\tmp$d123.tmp", "somebody's data");
    EXPECT_EQ(CDriveEx::CanWeWriteDir(W("w\\").c_str()), 1);
    EXPECT_EQ(Snapshot(H("w")), (std::map<std::string, std::string>{
                                    {"tmp$d123.tmp", "somebody's data"}}));
    EXPECT_EQ(CDriveEx::CanWeWriteDir(W("missing").c_str()), 0);
    EXPECT_FALSE(HostExists(H("missing")));
}

TEST_F(FileOpsPosixTest, IsDirWriteableProbeAndMessageBox)
{
    HookServices &hook = Hook();
    hook.tickCount = [] { return DWORD{0xFFFFFFFBu}; };
    EXPECT_EQ(CDriveEx::IsDirWriteable(W("p\\q").c_str()), 1);
    EXPECT_TRUE(fs::is_directory(H("p/q")));
    EXPECT_TRUE(fs::is_empty(H("p/q")));
    EXPECT_EQ(hook.CountCalls("CreateFileA", W("p\\q\\temp-5.tmp")), 1);

    File("p\\q\\temp-5.tmp", "mine");
    EXPECT_EQ(CDriveEx::IsDirWriteable(W("p\\q").c_str()), 0);
    EXPECT_EQ(ReadHostFile(H("p/q/temp-5.tmp")), "mine");
    EXPECT_EQ(CDriveEx::IsDirWriteable("p\\q"), 0);

    EXPECT_EQ(CDriveEx::CanWeWriteFile(W("p").c_str()), 0);
    ASSERT_EQ(hook.boxes.size(), 1u);
    EXPECT_EQ(hook.boxes[0].text,
              "SORRY: NA now!\nDO NOT INVOKE ME!\n\nBOOL CDriveEx::CanWeWriteFile(CString csFilePath)");
    EXPECT_EQ(hook.boxes[0].type, static_cast<UINT>(MB_OK));
}

}  // namespace
}  // namespace test
}  // namespace brenvik
