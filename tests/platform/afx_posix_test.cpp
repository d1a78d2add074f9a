// The class library and the runtime streams on the POSIX backend, over a
// drive C: that is a temporary host directory.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/afx/afx.h"
#include "platform/crt/crt.h"
#include "support/test_support.h"

namespace {

using brenvik::test::HostExists;
using brenvik::test::MakeHostDirs;
using brenvik::test::ReadHostFile;
using brenvik::test::RegText;
using brenvik::test::ScopedRegistryFile;
using brenvik::test::TempDir;
using brenvik::test::WriteHostFile;

class AfxPosix : public ::testing::Test {
protected:
    AfxPosix()
        : reg(RegText({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C]",
                       "\"Path\"=\"" + root.path() + "\"", "\"Type\"=\"fixed\""}))
    {
    }

    TempDir root;
    ScopedRegistryFile reg;
};

TEST_F(AfxPosix, FileRoundTripAndSharing)
{
    {
        CFile out("C:\\data.bin", CFile::modeWrite | CFile::modeCreate | CFile::shareDenyWrite);
        out.Write("abcdef", 6);
        // Another writer is refused while we deny writing; a reader is not.
        CFile writer;
        CFileException error;
        EXPECT_FALSE(writer.Open("C:\\data.bin", CFile::modeWrite | CFile::shareDenyNone, &error));
        EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
        // A reader must share the writing we hold.
        CFile reader;
        EXPECT_FALSE(reader.Open("C:\\data.bin", CFile::modeRead | CFile::shareDenyWrite));
        EXPECT_TRUE(reader.Open("C:\\data.bin", CFile::modeRead | CFile::shareDenyNone));
    }
    EXPECT_EQ(ReadHostFile(root / "data.bin"), "abcdef");
}

TEST_F(AfxPosix, StatusOfEntriesAndTheRoot)
{
    MakeHostDirs(root / "dir");
    WriteHostFile(root / "dir/f.txt", "12345");
    CFileStatus st;
    ASSERT_TRUE(CFile::GetStatus("C:\\dir\\f.txt", st));
    EXPECT_EQ(st.m_size, 5);
    EXPECT_EQ(st.m_attribute & CFile::directory, 0);
    EXPECT_GT(st.m_mtime, 1000000000);
    ASSERT_TRUE(CFile::GetStatus("C:\\dir", st));
    EXPECT_EQ(st.m_attribute & CFile::directory, CFile::directory);
    ASSERT_TRUE(CFile::GetStatus("C:", st));
    EXPECT_EQ(st.m_attribute & CFile::directory, CFile::directory);
    EXPECT_FALSE(CFile::GetStatus("C:\\dir\\*.txt", st));
    EXPECT_FALSE(CFile::GetStatus("C:\\dir\\g.txt", st));

    CFile::Rename("C:\\dir\\f.txt", "C:\\dir\\g.txt");
    EXPECT_TRUE(HostExists(root / "dir/g.txt"));
    CFile::Remove("C:\\dir\\g.txt");
    EXPECT_FALSE(HostExists(root / "dir/g.txt"));
    try {
        CFile::Remove("C:\\dir\\g.txt");
        ADD_FAILURE() << "no exception";
    } catch (const CFileException &e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    }
}

TEST_F(AfxPosix, FindListsARealDirectory)
{
    MakeHostDirs(root / "list/sub");
    WriteHostFile(root / "list/a.txt", "a");
    WriteHostFile(root / "list/b.dat", "bb");
    std::set<std::string> paths;
    CFileFind find;
    BOOL working = find.FindFile("C:\\list\\*.*");
    ASSERT_TRUE(working);
    while (working) {
        working = find.FindNextFile();
        if (!find.IsDots())
            paths.insert(std::string(find.GetFilePath()) + (find.IsDirectory() ? "/" : ""));
    }
    EXPECT_EQ(paths, (std::set<std::string>{"C:\\list\\a.txt", "C:\\list\\b.dat",
                                            "C:\\list\\sub/"}));
}

TEST_F(AfxPosix, StreamsWriteAppendAndUnlink)
{
    brenvik::crt::CrtFile *f = brenvik::crt::fopen("C:\\s.txt", "w");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(brenvik::crt::fwrite("one", 1, 3, f), 3u);
    EXPECT_EQ(brenvik::crt::fclose(f), 0);
    f = brenvik::crt::fopen("C:\\s.txt", "a");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(brenvik::crt::fwrite("two", 1, 3, f), 3u);
    EXPECT_EQ(brenvik::crt::fclose(f), 0);
    EXPECT_EQ(ReadHostFile(root / "s.txt"), "onetwo");
    EXPECT_EQ(brenvik::crt::_unlink("C:\\s.txt"), 0);
    EXPECT_EQ(brenvik::crt::_unlink("C:\\s.txt"), -1);
    EXPECT_EQ(brenvik::crt::fopen("C:\\nodir\\s.txt", "w"), nullptr);
}

}  // namespace
