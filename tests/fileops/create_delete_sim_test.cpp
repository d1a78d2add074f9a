// Create, rename and delete on the simulated machine.
#include <brenvik/brenvik.h>

#include "fileops/sim_fixture.h"

namespace brenvik {
namespace test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using CreateDeleteTest = SimTest;

TEST_F(CreateDeleteTest, NullOrEmptyPathsFailBeforeAnyCall)
{
    EXPECT_EQ(CDriveEx::MyCreateDirectory(nullptr, 1), 0);
    EXPECT_EQ(CDriveEx::CreateDir_Recursively(""), 0);
    EXPECT_EQ(CDriveEx::MyRename("", "C:\\x"), 0);
    EXPECT_EQ(CDriveEx::MyRename("C:\\x", nullptr), 0);
    EXPECT_EQ(CDriveEx::MyDelFile(""), 0);
    EXPECT_EQ(CDriveEx::MyRemoveDirectory(nullptr), 0);
    EXPECT_EQ(CDriveEx::DelSubFile("C:\\", "", 0), 0);
    EXPECT_EQ(CDriveEx::DelSubFile(nullptr, "*.*", 0), 0);
    EXPECT_EQ(CDriveEx::DelTree("", 1), 0);
    EXPECT_EQ(m.CallCount(), 0u);
}

TEST_F(CreateDeleteTest, MyCreateDirectory)
{
    m.MakeDir("C:\\dir");
    m.MakeFile("C:\\file");
    struct Case {
        const char *path;
        int okIfExist;
        int result;
    };
    const Case cases[] = {
        {"C:\\dir", 0, 0},  {"C:\\dir", 1, 1},        {"C:\\file", 0, 0}, {"C:\\file", 1, 0},
        {"C:\\new", 0, 1},  {"C:\\no\\such", 1, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CDriveEx::MyCreateDirectory(c.path, c.okIfExist), c.result)
            << c.path << " " << c.okIfExist;
    EXPECT_TRUE(m.DirExists("C:\\new"));
    EXPECT_TRUE(m.FileExists("C:\\file"));
    EXPECT_FALSE(m.Exists("C:\\no"));
}

TEST_F(CreateDeleteTest, CreateDirRecursivelyMakesMissingLevelsInOrder)
{
    m.MakeDir("C:\\a");
    ASSERT_EQ(CDriveEx::CreateDir_Recursively("C:\\a\\b\\c\\"), 1);
    EXPECT_TRUE(m.DirExists("C:\\a\\b\\c"));
    std::vector<std::string> made;
    for (const sim::Call &call : m.CallLog()) {
        if (call.service == "CreateDirectoryA")
            made.push_back(call.path);
    }
    EXPECT_THAT(made, ElementsAre("C:\\a\\b", "C:\\a\\b\\c"));
}

TEST_F(CreateDeleteTest, CreateDirRecursivelyRefusals)
{
    m.MakeFile("C:\\f");
    struct Case {
        const char *path;
        int result;
    };
    const Case cases[] = {
        {"C:\\", 1},
        {"C:\\a\\b\\c", 1},
        {"dir\\sub", 0},                          // relative
        {"C:\\f\\sub", 0},                        // a file in the chain
        {"Q:\\x", 0},                             // no such drive
        {"D:\\ro", 0},                            // write-protected CD
    };
    for (const Case &c : cases)
        EXPECT_EQ(CDriveEx::CreateDir_Recursively(c.path), c.result) << c.path;
    EXPECT_FALSE(m.Exists("C:\\dir"));

    m.ResetCalls();
    // 260 characters are refused before any call; 259 pass the check and
    // reach the platform, whose directory names stop short of 248.
    const std::string longest = "C:\\" + std::string(200, 'n') + "\\" + std::string(55, 'm');
    ASSERT_EQ(longest.size(), 259u);
    EXPECT_EQ(CDriveEx::CreateDir_Recursively((longest + "x").c_str()), 0);
    EXPECT_EQ(m.CallCount(), 0u);
    CDriveEx::CreateDir_Recursively(longest.c_str());
    EXPECT_THAT(Log(), ::testing::Contains("CreateDirectoryA " + longest));
    const std::string fits = longest.substr(0, 247);
    EXPECT_EQ(CDriveEx::CreateDir_Recursively(fits.c_str()), 1);
    EXPECT_TRUE(m.DirExists(fits));
}

TEST_F(CreateDeleteTest, CreateDirRecursivelyNeverMakesTheShare)
{
    m.AddShare("srv", "share");
    ASSERT_EQ(CDriveEx::CreateDir_Recursively("\\\\srv\\share\\a\\b"), 1);
    EXPECT_TRUE(m.DirExists("\\\\srv\\share\\a\\b"));
    for (const sim::Call &call : m.CallLog())
        EXPECT_NE(call.path, "\\\\srv\\share") << call.service;
}

TEST_F(CreateDeleteTest, MyRenameReplacesOrRefuses)
{
    m.MakeFile("C:\\src", "source");
    m.MakeFile("C:\\dst", "old target");
    m.MakeDir("C:\\dir");
    m.MakeFile("C:\\ro", "read-only", FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(CDriveEx::MyRename("C:\\src", "C:\\dir"), 0);
    EXPECT_EQ(CDriveEx::MyRename("C:\\src", "C:\\ro"), 0);
    EXPECT_EQ(CDriveEx::MyRename("C:\\missing", "C:\\dst"), 0);
    EXPECT_EQ(m.ReadFileBytes("C:\\dst"), "old target");
    EXPECT_EQ(m.ReadFileBytes("C:\\ro"), "read-only");
    EXPECT_TRUE(m.DirExists("C:\\dir"));

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

TEST_F(CreateDeleteTest, MyRenameOntoTheSameEntryKeepsIt)
{
    m.MakeDir("C:\\d");
    m.MakeDir("C:\\Tree");
    m.SetCurrentDir("C:\\d");
    struct Case {
        const char *from;
        const char *to;
        const char *endsAs;  // where the content is afterwards
    };
    const Case cases[] = {
        {"C:\\d\\f.txt", "C:\\d\\f.txt", "C:\\d\\f.txt"},
        {"C:\\d\\f.txt", "C:/d//./f.txt", "C:\\d\\f.txt"},
        {"C:\\d\\f.txt", "C:\\x\\..\\d\\f.txt", "C:\\d\\f.txt"},
        {"C:\\d\\f.txt", "f.txt", "C:\\d\\f.txt"},             // relative spelling
        {"C:\\d\\f.txt", "c:\\D\\F.TXT", "C:\\d\\F.TXT"},      // a change of case
    };
    for (const Case &c : cases) {
        m.Remove("C:\\d\\f.txt");
        m.MakeFile("C:\\d\\f.txt", "precious");
        CDriveEx::MyRename(c.from, c.to);
        ASSERT_TRUE(m.FileExists(c.endsAs)) << c.from << " -> " << c.to;
        EXPECT_EQ(m.ReadFileBytes(c.endsAs), "precious") << c.from << " -> " << c.to;
        EXPECT_EQ(m.CallCount("DeleteFileA"), 0u) << c.from << " -> " << c.to;
        m.ResetCalls();
    }
    // A directory changes case.
    EXPECT_EQ(CDriveEx::MyRename("C:\\Tree", "C:\\tree"), 1);
    EXPECT_THAT(m.ListDir("C:\\"), ::testing::Contains("tree"));
}

TEST_F(CreateDeleteTest, SingleDeletesCountWhatIsGone)
{
    m.MakeDir("C:\\d\\full");
    m.MakeFile("C:\\d\\full\\x");
    m.MakeDir("C:\\d\\empty");
    m.MakeFile("C:\\d\\f");
    m.MakeFile("C:\\d\\ro", "", FILE_ATTRIBUTE_READONLY);
    struct Case {
        int (*fn)(const char *);
        const char *path;
        int result;
    };
    const Case cases[] = {
        {&CDriveEx::MyDelFile, "C:\\d\\f", 1},
        {&CDriveEx::MyDelFile, "C:\\d\\f", 1},          // gone: error 2
        {&CDriveEx::MyDelFile, "C:\\nodir\\f", 0},      // error 3
        {&CDriveEx::MyDelFile, "C:\\d\\ro", 0},
        {&CDriveEx::MyDelFile, "C:\\d\\empty", 0},      // a directory
        {&CDriveEx::MyRemoveDirectory, "C:\\d\\empty", 1},
        {&CDriveEx::MyRemoveDirectory, "C:\\d\\empty", 0},     // gone: error 2
        {&CDriveEx::MyRemoveDirectory, "C:\\nodir\\sub", 1},   // error 3
        {&CDriveEx::MyRemoveDirectory, "C:\\d\\full", 0},      // not empty
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.fn(c.path), c.result) << c.path;
    EXPECT_TRUE(m.FileExists("C:\\d\\ro"));
    EXPECT_TRUE(m.FileExists("C:\\d\\full\\x"));
}

TEST_F(CreateDeleteTest, DelSubFileDeletesMatchingFilesOnly)
{
    m.MakeFile("C:\\t\\a.tmp");
    m.MakeFile("C:\\t\\b.txt");
    m.MakeFile("C:\\t\\sys.tmp", "", FILE_ATTRIBUTE_SYSTEM);
    m.MakeFile("C:\\t\\sub\\c.tmp");
    m.MakeFile("C:\\t\\ro.tmp", "", FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(CDriveEx::DelSubFile("C:\\t\\", "*.tmp", 0), 0);  // ro.tmp stays
    EXPECT_EQ(m.ListTree("C:\\t"),
              (std::vector<std::string>{"b.txt", "ro.tmp", "sub\\", "sub\\c.tmp", "sys.tmp"}));
    EXPECT_EQ(Log().front(), "FindFirstFileA C:\\t\\*.tmp");

    m.SetAttributes("C:\\t\\ro.tmp", FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(CDriveEx::DelSubFile("C:\\t", "*.*", 1), 1);
    EXPECT_EQ(m.ListTree("C:\\t"), (std::vector<std::string>{"sub\\", "sub\\c.tmp"}));
    EXPECT_EQ(CDriveEx::DelSubFile("C:\\missing", "*.*", 1), 1);
}

TEST_F(CreateDeleteTest, DelTreeResults)
{
    m.MakeFile("C:\\file", "keep");
    EXPECT_EQ(CDriveEx::DelTree("C:\\file", 1), 1);
    EXPECT_EQ(CDriveEx::DelTree("C:\\missing", 1), 1);
    EXPECT_TRUE(m.FileExists("C:\\file"));

    m.MakeFile("C:\\t\\a\\b\\deep.txt");
    m.MakeFile("C:\\t\\a\\x.txt");
    m.MakeDir("C:\\t\\empty");
    m.MakeFile("C:\\t\\top.txt");
    EXPECT_EQ(CDriveEx::DelTree("C:\\t\\", 0), 1);
    EXPECT_FALSE(m.Exists("C:\\t"));
}

TEST_F(CreateDeleteTest, DelTreeSystemFilesOnlyAtTheTop)
{
    m.MakeFile("C:\\t\\top.sys", "", FILE_ATTRIBUTE_SYSTEM);
    m.MakeFile("C:\\t\\sub\\low.sys", "", FILE_ATTRIBUTE_SYSTEM);
    m.MakeFile("C:\\t\\sub\\plain");
    EXPECT_EQ(CDriveEx::DelTree("C:\\t", 1), 0);
    EXPECT_EQ(m.ListTree("C:\\t"), (std::vector<std::string>{"sub\\", "sub\\low.sys"}));

    m.MakeFile("C:\\u\\top.sys", "", FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(CDriveEx::DelTree("C:\\u", 0), 0);
    EXPECT_TRUE(m.FileExists("C:\\u\\top.sys"));
}

TEST_F(CreateDeleteTest, DelTreeLeavesOnlyThePathToAReadOnlyFile)
{
    m.MakeFile("C:\\t\\a\\b\\ro", "", FILE_ATTRIBUTE_READONLY);
    m.MakeFile("C:\\t\\a\\b\\x");
    m.MakeFile("C:\\t\\a\\y");
    m.MakeFile("C:\\t\\c\\z");
    m.MakeFile("C:\\t\\w");
    EXPECT_EQ(CDriveEx::DelTree("C:\\t", 1), 0);
    EXPECT_EQ(m.ListTree("C:\\t"), (std::vector<std::string>{"a\\", "a\\b\\", "a\\b\\ro"}));
}

}  // namespace
}  // namespace test
}  // namespace brenvik
