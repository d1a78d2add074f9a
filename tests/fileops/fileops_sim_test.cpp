// The file-system operations on the simulated machine, where any attribute,
// size, failure or mid-run change can be set up.
#include <brenvik/brenvik.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "platform/afx/afx.h"
#include "platform/crt/crt.h"
#include "support/scoped_machine.h"

namespace brenvik {
namespace test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Strings = std::vector<std::string>;
using Snap = std::map<std::string, std::string>;

class FileOps : public MachineTest {
protected:
    // The paths of one service's calls, or every call as "Service path".
    Strings Log(const std::string &service = "") const
    {
        Strings out;
        for (const sim::Call &c : m.CallLog())
            if (service.empty() || c.service == service)
                out.push_back(service.empty() ? c.service + " " + c.path : c.path);
        return out;
    }
    Snap Tree(const std::string &under)
    {
        Snap out;
        for (const std::string &rel : m.ListTree(under)) {
            const std::string p = under + rel;
            out[rel] = !m.IsLink(p) && m.FileExists(p) ? m.ReadFileBytes(p) : "<dir>";
        }
        return out;
    }
    void Entries()
    {
        m.MakeFile("C:\\plain.txt", "x", FILE_ATTRIBUTE_ARCHIVE);
        m.MakeFile("C:\\ro.txt", "x", FILE_ATTRIBUTE_READONLY);
        m.MakeFile("C:\\hidden.txt", "x", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        m.MakeFile("C:\\zip.bin", "x", FILE_ATTRIBUTE_COMPRESSED);
        m.MakeDir("C:\\hdir", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    }
    sim::Machine &m = machine;
};

TEST_F(FileOps, StatusTestsFollowTheirMasksAndSetTheExistFlag)
{
    Entries();
    // IsDir, IsDirHidden, IsFile, IsFileWritable, IsFileHidden
    int (*const tests[5])(const char *, int *) = {&CDriveEx::IsDir, &CDriveEx::IsDirHidden,
        &CDriveEx::IsFile, &CDriveEx::IsFileWritable, &CDriveEx::IsFileHidden};
    struct Case {
        const char *path;
        int expected[5], exist;
    } cases[] = {
        {"C:\\plain.txt", {0, 0, 1, 1, 0}, 1}, {"C:\\ro.txt", {0, 0, 1, 0, 0}, 1},
        {"C:\\hidden.txt", {0, 0, 1, 1, 1}, 1}, {"C:\\hdir\\", {1, 1, 0, 0, 0}, 1},
        {"C:\\missing", {0, 0, 0, 0, 0}, 0},
    };
    for (const Case &c : cases) {
        for (int t = 0; t < 5; ++t) {
            int exist = -7;
            EXPECT_EQ(tests[t](c.path, &exist), c.expected[t]) << c.path << " test " << t;
            EXPECT_EQ(exist, c.exist) << c.path << " test " << t;
        }
        EXPECT_EQ(CDriveEx::IsExist(c.path), c.exist) << c.path;
    }
    // Pairs on the status byte (CFileStatus_s) and on the attribute word (ChkFileAttrEx).
    struct Mask {
        const char *path;
        unsigned long clear, set;
        int status, word;
    } masks[] = {
        {"C:\\zip.bin", 0, 0x800, 0, 1},  // above the status byte
        {"C:\\zip.bin", 0x800, 0, 1, 0},  // a clear bit above 0xFF always passes the byte
        {"C:\\hidden.txt", 0x01, 0x06, 1, 1}, {"C:\\hidden.txt", 0x04, 0x02, 0, 0},
        {"C:\\missing", 0, 0, 0, 0},
    };
    for (const Mask &c : masks) {
        int e1 = -1, e2 = -1;
        const int clear = static_cast<int>(c.clear), set = static_cast<int>(c.set);
        EXPECT_EQ(CDriveEx::CFileStatus_s(c.path, clear, set, &e1), c.status) << c.path << clear;
        EXPECT_EQ(CDriveEx::ChkFileAttrEx(c.path, c.clear, c.set, &e2), c.word) << c.path << clear;
        EXPECT_EQ(e1, std::strcmp(c.path, "C:\\missing") != 0) << c.path;
        EXPECT_EQ(e2, e1) << c.path;
    }
    // file, writable, fhidden, dir, dhidden, system, volume, archive, exist; null flags skipped
    int f[9] = {9, 9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_EQ(CDriveEx::CFileStatus_s("C:\\hidden.txt", &f[0], &f[1], &f[2], &f[3], &f[4], &f[5],
                                      nullptr, &f[7], nullptr), 1);
    EXPECT_THAT(f, ElementsAre(1, 1, 1, 0, 0, 1, 9, 0, 9));
    EXPECT_EQ(CDriveEx::CFileStatus_s("C:\\missing", &f[0], &f[1], &f[2], &f[3], &f[4], &f[5],
                                      &f[6], &f[7], &f[8]), 0);
    EXPECT_THAT(f, ElementsAre(0, 0, 0, 0, 0, 0, 0, 0, 0));

    // A null or empty path fails before any call and leaves the flag alone.
    m.ResetCalls();
    int exist = 42;
    EXPECT_EQ(CDriveEx::IsDir("", &exist) + CDriveEx::IsFile(nullptr, &exist) +
                  CDriveEx::CFileStatus_s("", 0, 0, &exist) +
                  CDriveEx::ChkFileAttrEx(nullptr, 0, 0, &exist), 0);
    EXPECT_EQ(exist, 42);
    EXPECT_EQ(m.CallCount(), 0u);
}

TEST_F(FileOps, OneTrailingBackslashIsRemovedButNeverATrailByte)
{
    m.MakeFile("C:\\f");
    EXPECT_EQ(CDriveEx::IsFile("C:\\f\\", nullptr), 1);
    EXPECT_EQ(CDriveEx::IsFile("C:\\f\\\\", nullptr), 0);
    EXPECT_THAT(Log(), ElementsAre("GetFileAttributesExA C:\\f", "GetFileAttributesExA C:\\f\\"));
    // In code page 932, 0x95 0x5C is one character.
    const UINT acp = m.GetACP();
    m.SetACP(932);
    platform::CodePageMayHaveMoved();
    m.MakeDir("C:\\\x95\x5C");
    EXPECT_EQ(CDriveEx::IsDir("C:\\\x95\x5C", nullptr), 1);
    m.SetACP(acp);
    platform::CodePageMayHaveMoved();
}

class ThrowingFile : public CFile {
public:
    DWORD GetLength() const override { throw CFileException(CFileException::invalidFile, 6); }
};

TEST_F(FileOps, AttributesAndSize)
{
    m.MakeFile("C:\\f.bin", "12345", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_COMPRESSED);
    m.SetTimes("C:\\f.bin", FILETIME{1, 2}, FILETIME{3, 4}, FILETIME{5, 6});
    WIN32_FILE_ATTRIBUTE_DATA data;
    std::memset(&data, 0xAB, sizeof data);
    ASSERT_EQ(CDriveEx::GetFileAttrEx("C:\\f.bin", &data), 1);
    const WIN32_FILE_ATTRIBUTE_DATA want = {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_COMPRESSED,
                                            {1, 2}, {3, 4}, {5, 6}, 0, 5};
    EXPECT_EQ(std::memcmp(&data, &want, sizeof want), 0);
    unsigned long attr = 0;
    EXPECT_EQ(CDriveEx::GetFileAttrEx("C:\\f.bin", &attr), 1);
    EXPECT_EQ(attr, want.dwFileAttributes);

    m.SetFileSize("C:\\big", 0x100000005ull);
    m.SetFileSize("C:\\ones", 0x1FFFFFFFFull);  // low word all ones: reads as failure
    m.MakeDir("C:\\dir");
    struct Case {
        const char *path;
        int result;
        unsigned long size;
    } cases[] = {{"C:\\f.bin", 1, 5}, {"C:\\big", 1, 5}, {"C:\\ones", 0, 77}, {"C:\\dir", 0, 77}};
    for (const Case &c : cases) {
        unsigned long size = 77;
        EXPECT_EQ(CDriveEx::GetFileSizeInByte(c.path, &size), c.result) << c.path;
        EXPECT_EQ(size, c.size) << c.path;
    }
    ThrowingFile broken;
    unsigned long size = 77;
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(broken, &size), 0);
    EXPECT_EQ(size, 77u);
    CFile real;
    ASSERT_TRUE(real.Open("C:\\f.bin", CFile::modeRead | CFile::shareDenyNone));
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(real, &size), 1);
    EXPECT_EQ(size, 5u);
    real.Close();
}

TEST_F(FileOps, CreateDirectories)
{
    m.MakeDir("C:\\dir");
    m.MakeFile("C:\\file");
    m.AddShare("srv", "share");
    struct Case {
        const char *path;
        int okIfExist, result, recursive;  // MyCreateDirectory, CreateDir_Recursively
    } cases[] = {
        {"C:\\dir", 0, 0, 1}, {"C:\\dir", 1, 1, 1}, {"C:\\file", 1, 0, 0}, {"rel\\sub", 1, 0, 0},
        {"D:\\ro", 1, 0, 0}, {"C:\\no\\such", 1, 0, 1}, {"\\\\srv\\share\\a\\b", 0, 0, 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CDriveEx::MyCreateDirectory(c.path, c.okIfExist), c.result) << c.path;
    m.ResetCalls();
    for (const Case &c : cases)
        EXPECT_EQ(CDriveEx::CreateDir_Recursively(c.path), c.recursive) << c.path;
    EXPECT_TRUE(m.DirExists("C:\\no\\such") && m.DirExists("\\\\srv\\share\\a\\b"));
    // The share itself is never asked about, let alone made.
    EXPECT_THAT(Log(), ::testing::Not(::testing::Contains(::testing::EndsWith(" \\\\srv\\share"))));
    EXPECT_FALSE(m.Exists("C:\\rel"));

    m.ResetCalls();
    ASSERT_EQ(CDriveEx::CreateDir_Recursively("C:\\dir\\b\\c\\"), 1);
    EXPECT_THAT(Log("CreateDirectoryA"), ElementsAre("C:\\dir\\b", "C:\\dir\\b\\c"));
    // 260 characters are refused before any call; 259 reach the platform.
    const std::string longest = "C:\\" + std::string(200, 'n') + "\\" + std::string(55, 'm');
    m.ResetCalls();
    EXPECT_EQ(CDriveEx::CreateDir_Recursively((longest + "x").c_str()), 0);
    EXPECT_EQ(m.CallCount(), 0u);
    CDriveEx::CreateDir_Recursively(longest.c_str());
    EXPECT_THAT(Log("CreateDirectoryA"), ::testing::Contains(longest));
}

TEST_F(FileOps, MyRenameReplacesOrRefuses)
{
    m.MakeFile("C:\\src", "source");
    m.MakeFile("C:\\dst", "old target");
    m.MakeDir("C:\\dir");
    m.MakeFile("C:\\ro", "read-only", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(CDriveEx::MyRename("", "C:\\x") + CDriveEx::MyRename("C:\\src", nullptr) +
                  CDriveEx::MyRename("C:\\src", "C:\\dir") + CDriveEx::MyRename("C:\\src", "C:\\ro") +
                  CDriveEx::MyRename("C:\\missing", "C:\\dst"), 0);
    EXPECT_EQ(Tree("C:\\"), (Snap{{"dir\\", "<dir>"}, {"dst", "old target"}, {"ro", "read-only"},
                                  {"src", "source"}}));
    EXPECT_EQ(CDriveEx::MyRename("C:\\src", "C:\\dst"), 1);
    EXPECT_EQ(CDriveEx::MyRename("C:\\dst", "C:\\dir\\moved"), 1);
    EXPECT_EQ(Tree("C:\\"), (Snap{{"dir\\", "<dir>"}, {"dir\\moved", "source"}, {"ro", "read-only"}}));

    // Onto the same entry, however it is spelt, the source stays.
    m.SetCurrentDir("C:\\dir");
    struct Case {
        const char *to, *endsAs;
    } cases[] = {
        {"C:/dir//./moved", "C:\\dir\\moved"}, {"C:\\x\\..\\dir\\moved", "C:\\dir\\moved"},
        {"moved", "C:\\dir\\moved"}, {"c:\\DIR\\MOVED", "C:\\dir\\MOVED"},  // the case change goes through
    };
    for (const Case &c : cases) {
        m.ResetCalls();
        CDriveEx::MyRename("C:\\dir\\moved", c.to);
        ASSERT_TRUE(m.FileExists(c.endsAs)) << c.to;
        EXPECT_EQ(m.ReadFileBytes(c.endsAs), "source") << c.to;
        EXPECT_EQ(m.CallCount("DeleteFileA"), 0u) << c.to;
    }
    m.MakeDir("C:\\Tree");
    EXPECT_EQ(CDriveEx::MyRename("C:\\Tree", "C:\\tree"), 1);
    EXPECT_THAT(m.ListDir("C:\\"), ::testing::Contains("tree"));
}

TEST_F(FileOps, DeletionsAndTheirErrorCodes)
{
    m.MakeFile("C:\\d\\full\\x");
    m.MakeDir("C:\\d\\empty");
    m.MakeFile("C:\\d\\f");
    m.MakeFile("C:\\d\\ro", "", FILE_ATTRIBUTE_READONLY);
    struct Case {
        int (*fn)(const char *);
        const char *path;
        int result;
    } cases[] = {
        {&CDriveEx::MyDelFile, "", 0},
        {&CDriveEx::MyDelFile, "C:\\d\\f", 1},
        {&CDriveEx::MyDelFile, "C:\\d\\f", 1},       // gone: error 2
        {&CDriveEx::MyDelFile, "C:\\nodir\\f", 0},   // error 3
        {&CDriveEx::MyDelFile, "C:\\d\\ro", 0},
        {&CDriveEx::MyDelFile, "C:\\d\\empty", 0},
        {&CDriveEx::MyRemoveDirectory, nullptr, 0},
        {&CDriveEx::MyRemoveDirectory, "C:\\d\\empty", 1},
        {&CDriveEx::MyRemoveDirectory, "C:\\d\\empty", 0},    // gone: error 2
        {&CDriveEx::MyRemoveDirectory, "C:\\nodir\\sub", 1},  // error 3
        {&CDriveEx::MyRemoveDirectory, "C:\\d\\full", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.fn(c.path), c.result) << (c.path ? c.path : "(null)");
    EXPECT_EQ(m.ListTree("C:\\d"), (Strings{"full\\", "full\\x", "ro"}));

    m.MakeFile("C:\\t\\a.tmp");
    m.MakeFile("C:\\t\\b.txt");
    m.MakeFile("C:\\t\\sys.tmp", "", FILE_ATTRIBUTE_SYSTEM);
    m.MakeFile("C:\\t\\sub\\c.tmp");
    m.MakeFile("C:\\t\\ro.tmp", "", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(CDriveEx::DelSubFile("C:\\", "", 0) + CDriveEx::DelSubFile(nullptr, "*.*", 0), 0);
    m.ResetCalls();
    EXPECT_EQ(CDriveEx::DelSubFile("C:\\t\\", "*.tmp", 0), 0);  // ro.tmp stays
    EXPECT_EQ(m.ListTree("C:\\t"), (Strings{"b.txt", "ro.tmp", "sub\\", "sub\\c.tmp", "sys.tmp"}));
    EXPECT_EQ(Log().front(), "FindFirstFileA C:\\t\\*.tmp");
    m.SetAttributes("C:\\t\\ro.tmp", FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(CDriveEx::DelSubFile("C:\\t", "*.*", 1), 1);
    EXPECT_EQ(m.ListTree("C:\\t"), (Strings{"sub\\", "sub\\c.tmp"}));
}

TEST_F(FileOps, DelTreeResults)
{
    m.MakeFile("C:\\file", "keep");
    EXPECT_EQ(CDriveEx::DelTree("", 1), 0);
    EXPECT_EQ(CDriveEx::DelTree("C:\\file", 1) + CDriveEx::DelTree("C:\\missing", 1), 2);
    EXPECT_TRUE(m.FileExists("C:\\file"));

    // System files go only at the top, and only when asked.
    m.MakeFile("C:\\t\\top.sys", "", FILE_ATTRIBUTE_SYSTEM);
    m.MakeFile("C:\\t\\sub\\low.sys", "", FILE_ATTRIBUTE_SYSTEM);
    m.MakeFile("C:\\t\\sub\\deep\\plain");
    EXPECT_EQ(CDriveEx::DelTree("C:\\t\\", 0), 0);
    EXPECT_EQ(m.ListTree("C:\\t"), (Strings{"sub\\", "sub\\low.sys", "top.sys"}));
    EXPECT_EQ(CDriveEx::DelTree("C:\\t", 1), 0);
    EXPECT_EQ(m.ListTree("C:\\t"), (Strings{"sub\\", "sub\\low.sys"}));
    m.SetAttributes("C:\\t\\sub\\low.sys", FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(CDriveEx::DelTree("C:\\t", 0), 1);
    EXPECT_FALSE(m.Exists("C:\\t"));

    // A read-only file keeps only the path to it.
    m.MakeFile("C:\\t\\a\\b\\ro", "", FILE_ATTRIBUTE_READONLY);
    m.MakeFile("C:\\t\\a\\b\\x");
    m.MakeFile("C:\\t\\a\\y");
    m.MakeFile("C:\\t\\c\\z");
    EXPECT_EQ(CDriveEx::DelTree("C:\\t", 1), 0);
    EXPECT_EQ(m.ListTree("C:\\t"), (Strings{"a\\", "a\\b\\", "a\\b\\ro"}));
}

TEST_F(FileOps, DelTreeRemovesLinksAsLinks)
{
    m.MakeFile("C:\\outside\\keep.txt", "precious");
    m.MakeFile("C:\\outside\\deep\\more.txt", "more");
    const Snap outside = Tree("C:\\outside\\");
    m.MakeFile("C:\\t\\a.txt");
    m.MakeLink("C:\\t\\dirlink", "C:\\outside", true);
    m.MakeLink("C:\\t\\sub\\filelink", "C:\\outside\\keep.txt", false);
    m.MakeLink("C:\\t\\dangling", "C:\\nowhere", true);
    m.MakeLink("C:\\tl", "C:\\outside", true);
    EXPECT_EQ(CDriveEx::DelTree("C:\\t", 0), 1);
    EXPECT_EQ(CDriveEx::DelTree("C:\\tl\\", 0), 1);  // the tree itself is a link
    EXPECT_FALSE(m.Exists("C:\\t") || m.Exists("C:\\tl"));
    EXPECT_EQ(Tree("C:\\outside\\"), outside);

    // A directory replaced by a link at each step of the run; a link to a
    // file is seen by the status query as no directory.
    struct SwapPoint {
        const char *service, *path;
        int occurrence;
        bool toFile;
        int result;
    } points[] = {
        {"FindFirstFileA", "C:\\t\\sub\\*.*", 1, false, 1},
        {"GetFileAttributesExA", "C:\\t\\sub", 1, true, 0},
        {"GetFileAttributesA", "C:\\t\\sub", 2, true, 1},
    };
    for (const SwapPoint &p : points) {
        SCOPED_TRACE(std::string(p.service) + " #" + std::to_string(p.occurrence) + (p.toFile ? " file" : ""));
        m.Remove("C:\\t");
        m.MakeFile("C:\\t\\before.txt");
        m.MakeFile("C:\\t\\sub\\inner.txt");
        m.MakeFile("C:\\t\\zafter.txt");
        int seen = 0;
        m.SetHook([&](const sim::Call &call) {
            if (call.service == p.service && call.path == p.path && ++seen == p.occurrence) {
                m.Remove("C:\\t\\sub");
                m.MakeLink("C:\\t\\sub", p.toFile ? "C:\\outside\\keep.txt" : "C:\\outside", !p.toFile);
            }
        });
        EXPECT_EQ(CDriveEx::DelTree("C:\\t", 0), p.result);
        m.SetHook(nullptr);
        EXPECT_GE(seen, p.occurrence);
        EXPECT_EQ(m.Exists("C:\\t"), p.result == 0);
        EXPECT_EQ(Tree("C:\\outside\\"), outside);
    }
}

TEST_F(FileOps, WriteProbesNeverDestroyAnything)
{
    m.MakeDir("C:\\dir");
    EXPECT_EQ(CDriveEx::CanWeWriteDir("C:\\dir\\"), 1);
    EXPECT_THAT(Log("WriteFile"), ElementsAre("C:\\dir\\tmp$d123.tmp"));
    EXPECT_THAT(m.ListDir("C:\\dir"), IsEmpty());
    m.MakeDir("D:\\ro");  // on the write-protected CD
    for (const char *dir : {"", "C:\\missing", "D:\\ro", "Q:\\"})
        EXPECT_EQ(CDriveEx::CanWeWriteDir(dir), 0) << dir;
    EXPECT_FALSE(m.Exists("C:\\missing"));

    // Files under its names stay as they were; so does a link's target.
    m.MakeFile("C:\\dir\\tmp$d123.tmp", "somebody's data");
    m.MakeFile("C:\\dir\\tmp$d124.tmp", "and more");
    m.ResetCalls();
    EXPECT_EQ(CDriveEx::CanWeWriteDir("C:\\dir"), 1);
    EXPECT_THAT(Log("CreateFileA"), ElementsAre("C:\\dir\\tmp$d125.tmp"));
    EXPECT_EQ(Tree("C:\\dir\\"), (Snap{{"tmp$d123.tmp", "somebody's data"}, {"tmp$d124.tmp", "and more"}}));
    m.Remove("C:\\dir");
    m.MakeFile("C:\\elsewhere.txt", "target");
    m.MakeLink("C:\\dir\\tmp$d123.tmp", "C:\\elsewhere.txt", false);
    EXPECT_EQ(CDriveEx::CanWeWriteDir("C:\\dir"), 1);
    EXPECT_EQ(m.ReadFileBytes("C:\\elsewhere.txt"), "target");
    EXPECT_TRUE(m.IsLink("C:\\dir\\tmp$d123.tmp"));

    // IsDirWriteable names its probe by the signed tick count.
    struct Case {
        DWORD tick;
        const char *dir, *probe;
    } cases[] = {
        {1234, "C:\\w\\new", "C:\\w\\new\\temp1234.tmp"},  // the directory is made
        {0x7FFFFFFF, "C:\\w", "C:\\w\\temp2147483647.tmp"},
        {0x80000000, "C:\\w\\", "C:\\w\\\\temp-2147483648.tmp"},
    };
    for (const Case &c : cases) {
        m.SetTickCount(c.tick);
        m.ResetCalls();
        EXPECT_EQ(CDriveEx::IsDirWriteable(c.dir), 1) << c.tick;
        EXPECT_THAT(Log("CreateFileA"), ElementsAre(c.probe)) << c.tick;
    }
    EXPECT_EQ(m.ListTree("C:\\w"), (Strings{"new\\"}));
    m.MakeFile("C:\\w\\temp-5.tmp", "mine");
    m.SetTickCount(0xFFFFFFFB);
    EXPECT_EQ(CDriveEx::IsDirWriteable("C:\\w"), 0);
    EXPECT_EQ(m.ReadFileBytes("C:\\w\\temp-5.tmp"), "mine");
    for (const char *dir : {"", "dir\\sub", "C:", "C:\\a*b", "D:\\x"})
        EXPECT_EQ(CDriveEx::IsDirWriteable(dir), 0) << dir;
    EXPECT_EQ(m.ListDir("C:\\"), (Strings{"dir", "elsewhere.txt", "w"}));
}

TEST_F(FileOps, CanWeWriteFileShowsItsBoxAndSaysNo)
{
    EXPECT_EQ(CDriveEx::CanWeWriteFile(nullptr) + CDriveEx::CanWeWriteFile(""), 0);
    EXPECT_THAT(m.MessageBoxes(), IsEmpty());
    EXPECT_EQ(CDriveEx::CanWeWriteFile("C:\\whatever.txt"), 0);
    const std::vector<sim::MessageBoxCall> boxes = m.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "SORRY: NA now!\nDO NOT INVOKE ME!\n\nBOOL CDriveEx::CanWeWriteFile(CString csFilePath)");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK));
}

}  // namespace
}  // namespace test
}  // namespace brenvik
