// The file-system operations on the simulated machine, where any attribute,
// size, failure or mid-run change can be set up.
#include <brenvik/brenvik.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
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

class FileOps : public MachineTest {
protected:
    // The calls made, as "Service path"; or the paths of one service's calls.
    Strings Log(const std::string &service = "") const
    {
        Strings out;
        for (const sim::Call &c : m.CallLog())
            if (service.empty() || c.service == service)
                out.push_back(service.empty() ? c.service + " " + c.path : c.path);
        return out;
    }
    // Every entry below `under` with its content, "<dir>" for others.
    std::map<std::string, std::string> Tree(const std::string &under)
    {
        std::map<std::string, std::string> out;
        for (const std::string &rel : m.ListTree(under))
            out[rel] = !m.IsLink(under + rel) && m.FileExists(under + rel) ? m.ReadFileBytes(under + rel) : "<dir>";
        return out;
    }
    sim::Machine &m = machine;
};

void Entries(sim::Machine &m)
{
    m.MakeFile("C:\\plain.txt", "x", FILE_ATTRIBUTE_ARCHIVE);
    m.MakeFile("C:\\ro.txt", "x", FILE_ATTRIBUTE_READONLY);
    m.MakeFile("C:\\hidden.txt", "x", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    m.MakeFile("C:\\zip.bin", "x", FILE_ATTRIBUTE_COMPRESSED);
    m.MakeDir("C:\\dir");
    m.MakeDir("C:\\hdir", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(FileOps, NamedTestsFollowTheirMasksAndSetTheExistFlag)
{
    Entries(m);
    struct Case {
        const char *path;
        int expected[5], exist;  // IsDir, IsDirHidden, IsFile, IsFileWritable, IsFileHidden
    } cases[] = {
        {"C:\\plain.txt", {0, 0, 1, 1, 0}, 1},  {"C:\\ro.txt", {0, 0, 1, 0, 0}, 1},
        {"C:\\hidden.txt", {0, 0, 1, 1, 1}, 1}, {"C:\\dir", {1, 0, 0, 0, 0}, 1},
        {"C:\\hdir\\", {1, 1, 0, 0, 0}, 1},     {"C:\\missing", {0, 0, 0, 0, 0}, 0},
    };
    int (*const tests[5])(const char *, int *) = {&CDriveEx::IsDir, &CDriveEx::IsDirHidden, &CDriveEx::IsFile,
                                                  &CDriveEx::IsFileWritable, &CDriveEx::IsFileHidden};
    for (const Case &c : cases) {
        for (int t = 0; t < 5; ++t) {
            int exist = -7;
            EXPECT_EQ(tests[t](c.path, &exist), c.expected[t]) << c.path << " test " << t;
            EXPECT_EQ(exist, c.exist) << c.path << " test " << t;
            EXPECT_EQ(tests[t](c.path, nullptr), c.expected[t]) << c.path << " test " << t;
        }
        EXPECT_EQ(CDriveEx::IsExist(c.path), c.exist) << c.path;
    }
    // A null or empty path fails before any call and leaves the flag alone.
    m.ResetCalls();
    int exist = 42;
    EXPECT_EQ(CDriveEx::IsDir("", &exist) + CDriveEx::IsFile(nullptr, &exist) +
                  CDriveEx::CFileStatus_s("", 0, 0, &exist) +
                  CDriveEx::ChkFileAttrEx(nullptr, 0, 0, &exist),
              0);
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
    crt::RefreshCodePage();
    m.MakeDir("C:\\\x95\x5C");
    EXPECT_EQ(CDriveEx::IsDir("C:\\\x95\x5C", nullptr), 1);
    EXPECT_EQ(Log().back(), "GetFileAttributesExA C:\\\x95\x5C");
    m.SetACP(acp);
    crt::RefreshCodePage();
}

TEST_F(FileOps, MaskPairsOnTheStatusByteAndOnTheAttributeWord)
{
    Entries(m);
    struct Case {
        const char *path;
        unsigned long clear, set;
        int status, word;  // CFileStatus_s, ChkFileAttrEx
    } cases[] = {
        {"C:\\dir", 0, 0, 1, 1},
        {"C:\\zip.bin", 0, 0x800, 0, 1},  // above the status byte
        {"C:\\plain.txt", 0, 0x800, 0, 0},
        {"C:\\zip.bin", 0x800, 0, 1, 0},  // a clear bit above 0xFF always passes the byte
        {"C:\\hidden.txt", 0x01, 0x06, 1, 1},
        {"C:\\hidden.txt", 0x04, 0x02, 0, 0},
        {"C:\\missing", 0, 0, 0, 0},
    };
    for (const Case &c : cases) {
        int e1 = -1, e2 = -1;
        const int clear = static_cast<int>(c.clear), set = static_cast<int>(c.set);
        EXPECT_EQ(CDriveEx::CFileStatus_s(c.path, clear, set, &e1), c.status) << c.path << " " << clear << "/" << set;
        EXPECT_EQ(CDriveEx::ChkFileAttrEx(c.path, c.clear, c.set, &e2), c.word) << c.path << " " << clear << "/" << set;
        EXPECT_EQ(e1, std::string(c.path) != "C:\\missing") << c.path;
        EXPECT_EQ(e2, e1) << c.path;
    }
}

TEST_F(FileOps, TenFlagFormFillsEveryGivenFlag)
{
    Entries(m);
    struct Case {
        const char *path;
        int result, flags[9];  // file, writable, fhidden, dir, dhidden, system, volume, archive, exist
    } cases[] = {
        {"C:\\hdir", 1, {0, 0, 0, 1, 1, 0, 0, 0, 1}},
        {"C:\\hidden.txt", 1, {1, 1, 1, 0, 0, 1, 0, 0, 1}},
        {"C:\\ro.txt", 1, {1, 0, 0, 0, 0, 0, 0, 0, 1}},
        {"C:\\plain.txt", 1, {1, 1, 0, 0, 0, 0, 0, 1, 1}},
        {"C:\\missing", 0, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case &c : cases) {
        int f[9];
        std::fill(std::begin(f), std::end(f), 9);
        EXPECT_EQ(CDriveEx::CFileStatus_s(c.path, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7], &f[8]),
                  c.result) << c.path;
        EXPECT_THAT(f, ::testing::ElementsAreArray(c.flags)) << c.path;
    }
    int dir = 9;  // null flags are skipped
    EXPECT_EQ(CDriveEx::CFileStatus_s("C:\\hdir", 0, 0, 0, &dir, 0, 0, 0, 0, nullptr) + dir, 2);
}

TEST_F(FileOps, AttributeRecordAndWord)
{
    m.MakeFile("C:\\f.bin", "12345", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_COMPRESSED);
    m.SetTimes("C:\\f.bin", FILETIME{1, 2}, FILETIME{3, 4}, FILETIME{5, 6});
    WIN32_FILE_ATTRIBUTE_DATA data;
    std::memset(&data, 0xAB, sizeof data);
    ASSERT_EQ(CDriveEx::GetFileAttrEx("C:\\f.bin", &data), 1);
    const WIN32_FILE_ATTRIBUTE_DATA want = {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_COMPRESSED, {1, 2}, {3, 4}, {5, 6}, 0, 5};
    EXPECT_EQ(std::memcmp(&data, &want, sizeof want), 0);
    unsigned long attr = 0;
    EXPECT_EQ(CDriveEx::GetFileAttrEx("C:\\f.bin", &attr), 1);
    EXPECT_EQ(attr, static_cast<unsigned long>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_COMPRESSED));
    using Record = WIN32_FILE_ATTRIBUTE_DATA *;
    EXPECT_EQ(CDriveEx::GetFileAttrEx("C:\\f.bin", Record{}), 1);
    EXPECT_EQ(CDriveEx::GetFileAttrEx("C:\\nope", Record{}), 0);
    EXPECT_EQ(CDriveEx::GetFileAttrEx("C:\\f.bin", static_cast<unsigned long *>(nullptr)), 0);
    // The path goes to the platform unchanged, trailing backslash and all.
    m.ResetCalls();
    CDriveEx::GetFileAttrEx("C:\\f.bin\\", &attr);
    EXPECT_EQ(Log().front(), "GetFileAttributesExA C:\\f.bin\\");
}

class ThrowingFile : public CFile {
public:
    DWORD GetLength() const override { throw CFileException(CFileException::invalidFile, 6); }
};

TEST_F(FileOps, FileSize)
{
    m.MakeFile("C:\\small", std::string(1234, 'z'));
    m.SetFileSize("C:\\big", 0x100000005ull);
    m.SetFileSize("C:\\ones", 0x1FFFFFFFFull);  // low word all ones: reads as failure
    m.MakeDir("C:\\dir");
    struct Case {
        const char *path;
        int result;
        unsigned long size;
    } cases[] = {{"C:\\small", 1, 1234}, {"C:\\big", 1, 5}, {"C:\\ones", 0, 77}, {"C:\\dir", 0, 77}, {"", 0, 77}};
    for (const Case &c : cases) {
        unsigned long size = 77;
        EXPECT_EQ(CDriveEx::GetFileSizeInByte(c.path, &size), c.result) << c.path;
        EXPECT_EQ(size, c.size) << c.path;
    }
    EXPECT_EQ(CDriveEx::GetFileSizeInByte("C:\\small", static_cast<unsigned long *>(nullptr)), 0);

    // An open file object; one whose length query throws.
    ThrowingFile broken;
    unsigned long size = 5;
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(broken, &size), 0);
    EXPECT_EQ(size, 5u);
    CFile real;
    ASSERT_TRUE(real.Open("C:\\small", CFile::modeRead | CFile::shareDenyNone));
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(real, &size), 1);
    EXPECT_EQ(size, 1234u);
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(real, nullptr), 1);
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
        {"C:\\dir", 0, 0, 1},  {"C:\\dir", 1, 1, 1}, {"C:\\file", 1, 0, 0}, {"C:\\file\\sub", 1, 0, 0},
        {"C:\\", 0, 0, 1},     {"rel\\sub", 1, 0, 0}, {"Q:\\x", 1, 0, 0},   {"D:\\ro", 1, 0, 0},
        {"C:\\no\\such", 1, 0, 1}, {"\\\\srv\\share\\a\\b", 0, 0, 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CDriveEx::MyCreateDirectory(c.path, c.okIfExist), c.result) << c.path << " " << c.okIfExist;
    EXPECT_TRUE(m.FileExists("C:\\file"));
    m.ResetCalls();
    for (const Case &c : cases)
        EXPECT_EQ(CDriveEx::CreateDir_Recursively(c.path), c.recursive) << c.path;
    EXPECT_TRUE(m.DirExists("C:\\no\\such"));
    EXPECT_TRUE(m.DirExists("\\\\srv\\share\\a\\b"));
    // The share itself is never asked about, let alone made.
    EXPECT_THAT(Log(), ::testing::Not(::testing::Contains(::testing::EndsWith(" \\\\srv\\share"))));
    EXPECT_FALSE(m.Exists("C:\\file\\sub") || m.Exists("C:\\rel"));

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
    EXPECT_EQ(CDriveEx::MyRename("", "C:\\x") + CDriveEx::MyRename("C:\\src", nullptr), 0);
    EXPECT_EQ(CDriveEx::MyRename("C:\\src", "C:\\dir"), 0);
    EXPECT_EQ(CDriveEx::MyRename("C:\\src", "C:\\ro"), 0);
    EXPECT_EQ(CDriveEx::MyRename("C:\\missing", "C:\\dst"), 0);
    EXPECT_EQ(Tree("C:\\"), (std::map<std::string, std::string>{
                                {"dir\\", "<dir>"}, {"dst", "old target"}, {"ro", "read-only"}, {"src", "source"}}));

    EXPECT_EQ(CDriveEx::MyRename("C:\\src", "C:\\dst"), 1);
    EXPECT_FALSE(m.Exists("C:\\src"));
    EXPECT_EQ(m.ReadFileBytes("C:\\dst"), "source");
    EXPECT_EQ(CDriveEx::MyRename("C:\\dst", "C:\\dir\\moved"), 1);
    EXPECT_EQ(m.ReadFileBytes("C:\\dir\\moved"), "source");
    // A directory replaces a file as well.
    m.MakeFile("C:\\dir\\sub\\inner", "in");
    m.MakeFile("C:\\was-a-file", "replaced");
    EXPECT_EQ(CDriveEx::MyRename("C:\\dir\\sub", "C:\\was-a-file"), 1);
    EXPECT_EQ(m.ReadFileBytes("C:\\was-a-file\\inner"), "in");
}

TEST_F(FileOps, MyRenameOntoTheSameEntryKeepsIt)
{
    m.MakeDir("C:\\d");
    m.MakeDir("C:\\Tree");
    m.SetCurrentDir("C:\\d");
    struct Case {
        const char *to;
        const char *endsAs;
    } cases[] = {
        {"C:\\d\\f.txt", "C:\\d\\f.txt"},       {"C:/d//./f.txt", "C:\\d\\f.txt"},
        {"C:\\x\\..\\d\\f.txt", "C:\\d\\f.txt"}, {"f.txt", "C:\\d\\f.txt"},
        {"c:\\D\\F.TXT", "C:\\d\\F.TXT"},  // a change of case goes through
    };
    for (const Case &c : cases) {
        m.Remove("C:\\d\\f.txt");
        m.MakeFile("C:\\d\\f.txt", "precious");
        m.ResetCalls();
        CDriveEx::MyRename("C:\\d\\f.txt", c.to);
        ASSERT_TRUE(m.FileExists(c.endsAs)) << c.to;
        EXPECT_EQ(m.ReadFileBytes(c.endsAs), "precious") << c.to;
        EXPECT_EQ(m.CallCount("DeleteFileA"), 0u) << c.to;
    }
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
}

TEST_F(FileOps, DelSubFileDeletesMatchingFilesOnly)
{
    m.MakeFile("C:\\t\\a.tmp");
    m.MakeFile("C:\\t\\b.txt");
    m.MakeFile("C:\\t\\sys.tmp", "", FILE_ATTRIBUTE_SYSTEM);
    m.MakeFile("C:\\t\\sub\\c.tmp");
    m.MakeFile("C:\\t\\ro.tmp", "", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(CDriveEx::DelSubFile("C:\\", "", 0) + CDriveEx::DelSubFile(nullptr, "*.*", 0), 0);
    EXPECT_EQ(CDriveEx::DelSubFile("C:\\t\\", "*.tmp", 0), 0);  // ro.tmp stays
    EXPECT_EQ(m.ListTree("C:\\t"), (Strings{"b.txt", "ro.tmp", "sub\\", "sub\\c.tmp", "sys.tmp"}));
    EXPECT_EQ(Log().front(), "FindFirstFileA C:\\t\\*.tmp");
    m.SetAttributes("C:\\t\\ro.tmp", FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(CDriveEx::DelSubFile("C:\\t", "*.*", 1), 1);
    EXPECT_EQ(m.ListTree("C:\\t"), (Strings{"sub\\", "sub\\c.tmp"}));
    EXPECT_EQ(CDriveEx::DelSubFile("C:\\missing", "*.*", 1), 1);
}

TEST_F(FileOps, DelTreeResults)
{
    m.MakeFile("C:\\file", "keep");
    EXPECT_EQ(CDriveEx::DelTree("", 1), 0);
    EXPECT_EQ(CDriveEx::DelTree("C:\\file", 1), 1);
    EXPECT_EQ(CDriveEx::DelTree("C:\\missing", 1), 1);
    EXPECT_TRUE(m.FileExists("C:\\file"));

    m.MakeFile("C:\\t\\a\\b\\deep.txt");
    m.MakeDir("C:\\t\\empty");
    m.MakeFile("C:\\t\\top.txt");
    EXPECT_EQ(CDriveEx::DelTree("C:\\t\\", 0), 1);
    EXPECT_FALSE(m.Exists("C:\\t"));

    // System files go only at the top, and only when asked.
    m.MakeFile("C:\\t\\top.sys", "", FILE_ATTRIBUTE_SYSTEM);
    m.MakeFile("C:\\t\\sub\\low.sys", "", FILE_ATTRIBUTE_SYSTEM);
    m.MakeFile("C:\\t\\sub\\plain");
    EXPECT_EQ(CDriveEx::DelTree("C:\\t", 0), 0);
    EXPECT_EQ(m.ListTree("C:\\t"), (Strings{"sub\\", "sub\\low.sys", "top.sys"}));
    EXPECT_EQ(CDriveEx::DelTree("C:\\t", 1), 0);
    EXPECT_EQ(m.ListTree("C:\\t"), (Strings{"sub\\", "sub\\low.sys"}));

    // A read-only file keeps only the path to it.
    m.Remove("C:\\t");
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
    const auto outside = Tree("C:\\outside\\");
    m.MakeFile("C:\\t\\a.txt");
    m.MakeLink("C:\\t\\dirlink", "C:\\outside", true);
    m.MakeLink("C:\\t\\sub\\filelink", "C:\\outside\\keep.txt", false);
    m.MakeLink("C:\\t\\dangling", "C:\\nowhere", true);
    m.MakeLink("C:\\tl", "C:\\outside", true);
    EXPECT_EQ(CDriveEx::DelTree("C:\\t", 0), 1);
    EXPECT_EQ(CDriveEx::DelTree("C:\\tl\\", 0), 1);  // the tree itself is a link
    EXPECT_FALSE(m.Exists("C:\\t") || m.Exists("C:\\tl"));
    EXPECT_EQ(Tree("C:\\outside\\"), outside);

    // A directory replaced by a link at each step of the run.
    struct SwapPoint {
        const char *service;
        const char *path;
        int occurrence;
        bool toFile;  // a link to a file, which the status query sees as no directory
        int result;
    } points[] = {
        {"GetFileAttributesExA", "C:\\t\\sub", 1, false, 1},
        {"GetFileAttributesA", "C:\\t\\sub", 1, false, 1},
        {"FindFirstFileA", "C:\\t\\sub\\*.*", 1, false, 1},
        {"GetFileAttributesA", "C:\\t\\sub", 2, false, 1},
        {"GetFileAttributesExA", "C:\\t\\sub", 1, true, 0},
        {"GetFileAttributesA", "C:\\t\\sub", 1, true, 1},
        {"GetFileAttributesA", "C:\\t\\sub", 2, true, 1},
    };
    for (const SwapPoint &p : points) {
        SCOPED_TRACE(std::string(p.service) + " #" + std::to_string(p.occurrence) + (p.toFile ? " file" : " dir"));
        m.Remove("C:\\t");
        m.MakeFile("C:\\t\\before.txt");
        m.MakeFile("C:\\t\\sub\\inner.txt");
        m.MakeFile("C:\\t\\zafter.txt");
        int seen = 0;
        bool swapped = false;
        m.SetHook([&](const sim::Call &call) {
            if (call.service == p.service && call.path == p.path && ++seen == p.occurrence) {
                m.Remove("C:\\t\\sub");
                m.MakeLink("C:\\t\\sub", p.toFile ? "C:\\outside\\keep.txt" : "C:\\outside", !p.toFile);
                swapped = true;
            }
        });
        EXPECT_EQ(CDriveEx::DelTree("C:\\t", 0), p.result);
        m.SetHook(nullptr);
        EXPECT_TRUE(swapped);
        EXPECT_EQ(m.Exists("C:\\t"), p.result == 0);
        EXPECT_EQ(Tree("C:\\outside\\"), outside);
    }
}

TEST_F(FileOps, CanWeWriteDirProbesWithoutDestroyingAnything)
{
    m.MakeDir("C:\\dir");
    for (const char *dir : {"C:\\dir", "C:\\dir\\"}) {
        m.ResetCalls();
        EXPECT_EQ(CDriveEx::CanWeWriteDir(dir), 1) << dir;
        EXPECT_THAT(Log("CreateFileA"), ElementsAre("C:\\dir\\tmp$d123.tmp")) << dir;
        EXPECT_THAT(Log("WriteFile"), ElementsAre("C:\\dir\\tmp$d123.tmp")) << dir;
        EXPECT_THAT(m.ListDir("C:\\dir"), IsEmpty()) << dir;
    }
    m.MakeDir("D:\\ro");  // on the write-protected CD
    for (const char *dir : {"", "X", "C:\\missing", "D:\\ro", "Q:\\"})
        EXPECT_EQ(CDriveEx::CanWeWriteDir(dir), 0) << dir;
    EXPECT_FALSE(m.Exists("C:\\missing"));
    m.FailNthCallOf("WriteFile", 1, ERROR_DISK_FULL);
    EXPECT_EQ(CDriveEx::CanWeWriteDir("C:\\dir"), 0);
    EXPECT_THAT(m.ListDir("C:\\dir"), IsEmpty());

    // Files under its names stay as they were; so does a link's target.
    m.MakeFile("C:\\dir\\tmp$d123.tmp", "somebody's data");
    m.MakeFile("C:\\dir\\tmp$d124.tmp", "and more");
    m.ResetCalls();
    EXPECT_EQ(CDriveEx::CanWeWriteDir("C:\\dir"), 1);
    EXPECT_THAT(Log("CreateFileA"), ElementsAre("C:\\dir\\tmp$d125.tmp"));
    EXPECT_EQ(Tree("C:\\dir\\"), (std::map<std::string, std::string>{
                                     {"tmp$d123.tmp", "somebody's data"}, {"tmp$d124.tmp", "and more"}}));
    m.Remove("C:\\dir");
    m.MakeFile("C:\\elsewhere.txt", "target");
    m.MakeLink("C:\\dir\\tmp$d123.tmp", "C:\\elsewhere.txt", false);
    EXPECT_EQ(CDriveEx::CanWeWriteDir("C:\\dir"), 1);
    EXPECT_EQ(m.ReadFileBytes("C:\\elsewhere.txt"), "target");
    EXPECT_TRUE(m.IsLink("C:\\dir\\tmp$d123.tmp"));
}

TEST_F(FileOps, IsDirWriteableNamesItsProbeByTheSignedTickCount)
{
    struct Case {
        DWORD tick;
        const char *dir;
        const char *probe;
    } cases[] = {
        {1234, "C:\\w\\new", "C:\\w\\new\\temp1234.tmp"},  // the directory is made
        {0x7FFFFFFF, "C:\\w", "C:\\w\\temp2147483647.tmp"},
        {0xFFFFFFFB, "C:\\w", "C:\\w\\temp-5.tmp"},
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
    for (const char *dir : {"", "dir\\sub", "C:", "nobackslash", "C:\\a*b", "D:\\x"})
        EXPECT_EQ(CDriveEx::IsDirWriteable(dir), 0) << dir;
    EXPECT_EQ(CDriveEx::IsDirWriteable(nullptr), 0);
    EXPECT_EQ(m.ListDir("C:\\"), (Strings{"w"}));
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
