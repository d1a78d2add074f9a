// CFileFind on the simulated machine: the read-ahead turn, the paths it
// builds from the search text, the attribute tests, and its handle.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/afx/afx.h"
#include "support/scoped_machine.h"

namespace {

using brenvik::test::MachineTest;

class AfxFind : public MachineTest {
protected:
    // Every entry of a listing, in the usual turn, dots included.
    std::vector<std::string> Listing(const char *search)
    {
        std::vector<std::string> names;
        CFileFind find;
        BOOL working = find.FindFile(search);
        while (working) {
            working = find.FindNextFile();
            names.push_back(std::string(find.GetFileName()));
        }
        return names;
    }
};

TEST_F(AfxFind, TheTurnVisitsEveryEntryOnce)
{
    machine.MakeFile("C:\\dir\\a.txt", "1");
    machine.MakeFile("C:\\dir\\b.txt", "22");
    machine.MakeDir("C:\\dir\\sub");
    machine.MakeFile("C:\\dir\\sub\\deep.txt", "x");

    std::multiset<std::string> seen;
    CFileFind find;
    BOOL working = find.FindFile("C:\\dir\\*.*");
    ASSERT_TRUE(working);
    while (working) {
        working = find.FindNextFile();
        if (find.IsDots()) {
            EXPECT_TRUE(find.GetFileName() == "." || find.GetFileName() == "..");
            continue;
        }
        seen.insert(std::string(find.GetFileName()));
        EXPECT_EQ(find.IsDirectory() != FALSE, find.GetFileName() == "sub");
    }
    EXPECT_EQ(seen, (std::multiset<std::string>{"a.txt", "b.txt", "sub"}));
}

TEST_F(AfxFind, FindNextFileSaysWhetherAnotherEntryFollows)
{
    machine.MakeFile("C:\\one\\only.txt", "x");
    machine.MakeFile("C:\\two\\first.txt", "x");
    machine.MakeFile("C:\\two\\second.txt", "x");

    CFileFind find;
    ASSERT_TRUE(find.FindFile("C:\\one\\only.txt"));
    EXPECT_EQ(find.GetFileName(), "");  // nothing is current before the first turn
    EXPECT_FALSE(find.FindNextFile());
    EXPECT_EQ(find.GetFileName(), "only.txt");  // the last entry is still there to see
    EXPECT_FALSE(find.FindNextFile());
    EXPECT_EQ(find.GetFileName(), "");

    ASSERT_TRUE(find.FindFile("C:\\two\\*.txt"));
    EXPECT_TRUE(find.FindNextFile());
    const std::string first(find.GetFileName());
    EXPECT_FALSE(find.FindNextFile());
    const std::string second(find.GetFileName());
    EXPECT_EQ((std::set<std::string>{first, second}),
              (std::set<std::string>{"first.txt", "second.txt"}));
}

TEST_F(AfxFind, ReadsExactlyOneEntryAhead)
{
    for (int i = 0; i < 10; ++i)
        machine.MakeFile("C:\\many\\f" + std::to_string(i) + ".txt", "x");
    machine.ResetCalls();
    CFileFind find;
    ASSERT_TRUE(find.FindFile("C:\\many\\*.txt"));
    EXPECT_EQ(machine.CallCount("FindFirstFileA"), 1u);
    EXPECT_EQ(machine.CallCount("FindNextFileA"), 0u);
    for (uint64_t turn = 1; turn <= 4; ++turn) {
        EXPECT_TRUE(find.FindNextFile());
        EXPECT_EQ(machine.CallCount("FindNextFileA"), turn);
    }
    find.Close();
    EXPECT_EQ(machine.CallCount("FindClose"), 1u);
    EXPECT_FALSE(find.FindNextFile());
    find.Close();  // a second close releases nothing more
    EXPECT_EQ(machine.CallCount("FindClose"), 1u);
}

TEST_F(AfxFind, FilePathIsTheSearchDirectoryAndTheName)
{
    machine.MakeFile("C:\\dir\\a.txt", "x");
    machine.MakeFile("C:\\top.txt", "x");
    machine.AddShare("srv", "share");
    machine.MakeFile("\\\\srv\\share\\s.txt", "x");
    machine.SetCurrentDir("C:\\dir");

    struct Row {
        const char *search;
        const char *path;
        const char *root;
    } rows[] = {
        {"C:\\dir\\a.txt", "C:\\dir\\a.txt", "C:\\dir"},
        {"C:\\dir\\*.txt", "C:\\dir\\a.txt", "C:\\dir"},
        {"C:/dir/*.txt", "C:/dir\\a.txt", "C:/dir"},
        {"C:\\dir/*.txt", "C:\\dir\\a.txt", "C:\\dir"},
        {"C:\\*.txt", "C:\\top.txt", "C:"},
        {"\\\\srv\\share\\*.txt", "\\\\srv\\share\\s.txt", "\\\\srv\\share"},
        // Relative searches give relative paths.
        {"*.txt", "a.txt", ""},
        {"..\\dir\\*.txt", "..\\dir\\a.txt", "..\\dir"},
        {"C:*.txt", "C:a.txt", "C:"},
    };
    for (const Row &r : rows) {
        CFileFind find;
        ASSERT_TRUE(find.FindFile(r.search)) << r.search;
        find.FindNextFile();
        EXPECT_EQ(std::string(find.GetFilePath()), r.path) << r.search;
        EXPECT_EQ(std::string(find.GetRoot()), r.root) << r.search;
    }
}

TEST_F(AfxFind, NullSearchListsTheCurrentDirectory)
{
    machine.MakeFile("C:\\here\\h.txt", "x");
    machine.SetCurrentDir("C:\\here");
    std::set<std::string> names;
    for (const auto &n : Listing(nullptr))
        if (n != "." && n != "..")
            names.insert(n);
    EXPECT_EQ(names, (std::set<std::string>{"h.txt"}));
}

TEST_F(AfxFind, NoMatchFailsWithThePlatformsError)
{
    machine.MakeDir("C:\\empty");
    CFileFind find;
    EXPECT_FALSE(find.FindFile("C:\\empty\\*.txt"));
    EXPECT_EQ(brenvik::platform::sys().GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(find.FindFile("C:\\nodir\\*.txt"));
    EXPECT_EQ(brenvik::platform::sys().GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(find.FindNextFile());
    EXPECT_EQ(find.GetFilePath(), "");
}

TEST_F(AfxFind, AttributeTestsAndLength)
{
    machine.MakeFile("C:\\attr\\f.bin", "x",
                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    machine.SetFileSize("C:\\big\\huge.bin", 5ULL << 30);

    CFileFind find;
    ASSERT_TRUE(find.FindFile("C:\\attr\\f.bin"));
    find.FindNextFile();
    EXPECT_TRUE(find.IsReadOnly());
    EXPECT_TRUE(find.IsHidden());
    EXPECT_TRUE(find.IsSystem());
    EXPECT_FALSE(find.IsArchived());
    EXPECT_FALSE(find.IsDirectory());
    EXPECT_FALSE(find.IsDots());
    EXPECT_TRUE(find.MatchesMask(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_FALSE(find.MatchesMask(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(find.GetAttributes(),
              FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(find.GetLength(), 1u);

    ASSERT_TRUE(find.FindFile("C:\\big\\huge.bin"));
    find.FindNextFile();
    EXPECT_EQ(find.GetLength(), 5ULL << 30);
}

TEST_F(AfxFind, DotsAreDirectoriesNamedDotOrDotDot)
{
    machine.MakeDir("C:\\d\\..x");
    machine.MakeDir("C:\\d\\.x");
    machine.MakeFile("C:\\d\\..f", "x");
    CFileFind find;
    BOOL working = find.FindFile("C:\\d\\*");
    int dots = 0;
    while (working) {
        working = find.FindNextFile();
        const std::string name(find.GetFileName());
        const bool expected = name == "." || name == "..";
        EXPECT_EQ(find.IsDots() != FALSE, expected) << name;
        dots += find.IsDots() ? 1 : 0;
    }
    EXPECT_LE(dots, 2);
}

TEST_F(AfxFind, RestartingAndFailuresReleaseTheHandle)
{
    machine.MakeFile("C:\\r\\a.txt", "x");
    machine.MakeFile("C:\\r\\b.txt", "x");
    {
        CFileFind find;
        ASSERT_TRUE(find.FindFile("C:\\r\\*.txt"));
        ASSERT_TRUE(find.FindFile("C:\\r\\*.txt"));  // the first search is closed
        EXPECT_EQ(machine.CallCount("FindClose"), 1u);
        // A failing read-ahead ends the listing; the current entry stays.
        machine.FailNthCallOf("FindNextFileA", 1, ERROR_GEN_FAILURE);
        EXPECT_FALSE(find.FindNextFile());
        EXPECT_NE(find.GetFileName(), "");
    }  // the destructor closes; ScopedMachine reports a leak otherwise
    EXPECT_EQ(machine.CallCount("FindClose"), 2u);
}

TEST_F(AfxFind, LongSearchTextsAreHandled)
{
    const std::string search = "C:\\" + std::string(5000, 'q') + "\\*.*";
    CFileFind find;
    EXPECT_FALSE(find.FindFile(search.c_str()));
    EXPECT_EQ(find.GetFilePath(), "");
}

}  // namespace
