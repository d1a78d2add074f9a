#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/afx/afx.h"
#include "support/scoped_machine.h"

namespace {

class AfxFind : public brenvik::test::MachineTest {};

TEST_F(AfxFind, ReadsOneEntryAheadAndClosesOnce)
{
    machine.MakeFile("C:\\dir\\a.txt", "1");
    machine.MakeDir("C:\\dir\\sub");
    machine.MakeDir("C:\\dir\\..x");
    machine.MakeFile("C:\\dir\\sub\\deep.txt", "x");
    machine.ResetCalls();
    std::multiset<std::string> seen;
    CFileFind find;
    BOOL working = find.FindFile("C:\\dir\\*.*");
    ASSERT_TRUE(working);
    EXPECT_EQ(find.GetFileName(), "");  // nothing is current before the first turn
    uint64_t turns = 0;
    std::string name;
    while (working) {
        working = find.FindNextFile();
        EXPECT_EQ(machine.CallCount("FindNextFileA"), ++turns);  // exactly one ahead
        name = find.GetFileName();
        EXPECT_EQ(find.IsDots() != FALSE, name == "." || name == "..") << name;
        seen.insert(name + (find.IsDirectory() ? "/" : ""));
    }
    EXPECT_EQ(seen, (std::multiset<std::string>{"./", "../", "a.txt", "sub/", "..x/"}));
    EXPECT_EQ(std::string(find.GetFileName()), name);  // the last entry stays to be seen
    EXPECT_FALSE(find.FindNextFile());
    EXPECT_EQ(find.GetFileName(), "");
    find.Close();
    find.Close();
    EXPECT_EQ(machine.CallCount("FindClose"), 1u);
}

TEST_F(AfxFind, FilePathIsTheSearchDirectoryAndTheName)
{
    machine.MakeFile("C:\\dir\\a.txt", "x");
    machine.MakeFile("C:\\top.txt", "x");
    machine.AddShare("srv", "share");
    machine.MakeFile("\\\\srv\\share\\s.txt", "x");
    machine.SetCurrentDir("C:\\dir");
    const struct { const char *search, *path, *root; } rows[] = {
        {"C:\\dir\\a.txt", "C:\\dir\\a.txt", "C:\\dir"},
        {"C:/dir/*.txt", "C:/dir\\a.txt", "C:/dir"},
        {"C:\\*.txt", "C:\\top.txt", "C:"},
        {"\\\\srv\\share\\*.txt", "\\\\srv\\share\\s.txt", "\\\\srv\\share"},
        {"*.txt", "a.txt", ""},  // relative searches give relative paths
        {"C:*.txt", "C:a.txt", "C:"},
        {nullptr, "a.txt", ""},  // the current directory, dots first
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.search ? r.search : "null");
        CFileFind find;
        ASSERT_TRUE(find.FindFile(r.search));
        do
            find.FindNextFile();
        while (find.IsDots());
        EXPECT_EQ(std::string(find.GetFilePath()), r.path);
        EXPECT_EQ(std::string(find.GetRoot()), r.root);
    }
}

TEST_F(AfxFind, FailuresAndRestartsReleaseTheHandle)
{
    machine.MakeDir("C:\\empty");
    machine.MakeFile("C:\\r\\a.txt", "x");
    machine.MakeFile("C:\\r\\b.txt", "x");
    const std::string tooLong = "C:\\" + std::string(5000, 'q') + "\\*.*";
    const struct { const char *search; DWORD error; } misses[] = {
        {"C:\\empty\\*.txt", ERROR_FILE_NOT_FOUND},
        {"C:\\nodir\\*.txt", ERROR_PATH_NOT_FOUND},
        {tooLong.c_str(), 0},
    };
    CFileFind find;
    for (const auto &m : misses) {
        EXPECT_FALSE(find.FindFile(m.search));
        if (m.error != 0) {
            EXPECT_EQ(brenvik::platform::sys().GetLastError(), m.error);
        }
        EXPECT_FALSE(find.FindNextFile());
        EXPECT_EQ(find.GetFilePath(), "");
    }
    machine.ResetCalls();
    ASSERT_TRUE(find.FindFile("C:\\r\\*.txt"));
    ASSERT_TRUE(find.FindFile("C:\\r\\*.txt"));  // the first search is closed
    EXPECT_EQ(machine.CallCount("FindClose"), 1u);
    // A failing read-ahead ends the listing; the current entry stays.
    machine.FailNthCallOf("FindNextFileA", 1, ERROR_GEN_FAILURE);
    EXPECT_FALSE(find.FindNextFile());
    EXPECT_NE(find.GetFileName(), "");
}  // the destructor closes the second search, or the machine reports a leak

TEST_F(AfxFind, AttributeTestsAndLength)
{
    const DWORD attributes =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    machine.MakeFile("C:\\attr\\f.bin", "x", attributes);
    machine.SetFileSize("C:\\big\\huge.bin", 5ULL << 30);
    CFileFind find;
    ASSERT_TRUE(find.FindFile("C:\\attr\\f.bin"));
    EXPECT_FALSE(find.FindNextFile());
    EXPECT_TRUE(find.IsReadOnly() && find.IsHidden() && find.IsSystem());
    EXPECT_FALSE(find.IsArchived() || find.IsDirectory() || find.IsDots());
    EXPECT_TRUE(find.MatchesMask(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_FALSE(find.MatchesMask(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(find.GetAttributes(), attributes);
    EXPECT_EQ(find.GetLength(), 1u);
    ASSERT_TRUE(find.FindFile("C:\\big\\huge.bin"));
    find.FindNextFile();
    EXPECT_EQ(find.GetLength(), 5ULL << 30);
}

}  // namespace
