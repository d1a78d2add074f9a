// Drive C: is a temporary host directory.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/afx/afx.h"
#include "platform/crt/crt.h"
#include "support/test_support.h"

namespace {

namespace crt = brenvik::crt;
using namespace brenvik::test;

class AfxPosix : public ::testing::Test {
protected:
    TempDir root;
    ScopedRegistryFile reg{RegText({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C]",
                                    "\"Path\"=\"" + root.path() + "\"", "\"Type\"=\"fixed\""})};
};

TEST_F(AfxPosix, FilesShareStatusAndFind)
{
    MakeHostDirs(root / "dir/sub");
    {
        CFile out("C:\\dir\\f.bin", CFile::modeWrite | CFile::modeCreate | CFile::shareDenyWrite);
        out.Write("abcdef", 6);
        CFile other;
        CFileException error;
        EXPECT_FALSE(other.Open("C:\\dir\\f.bin", CFile::modeWrite | CFile::shareDenyNone, &error));
        EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
        // A reader must share the writing we hold.
        EXPECT_FALSE(other.Open("C:\\dir\\f.bin", CFile::modeRead | CFile::shareDenyWrite));
        EXPECT_TRUE(other.Open("C:\\dir\\f.bin", CFile::modeRead | CFile::shareDenyNone));
    }
    EXPECT_EQ(ReadHostFile(root / "dir/f.bin"), "abcdef");

    CFileStatus st;
    ASSERT_TRUE(CFile::GetStatus("C:\\dir\\f.bin", st));
    EXPECT_EQ(st.m_size, 6);
    EXPECT_EQ(st.m_attribute & CFile::directory, 0);
    EXPECT_GT(st.m_mtime, 1000000000);
    for (const char *dir : {"C:\\dir", "C:"}) {
        ASSERT_TRUE(CFile::GetStatus(dir, st)) << dir;
        EXPECT_EQ(st.m_attribute & CFile::directory, CFile::directory) << dir;
    }
    EXPECT_FALSE(CFile::GetStatus("C:\\dir\\*.bin", st));

    std::set<std::string> paths;
    CFileFind find;
    for (BOOL working = find.FindFile("C:\\dir\\*.*"); working;) {
        working = find.FindNextFile();
        if (!find.IsDots())
            paths.insert(std::string(find.GetFilePath()) + (find.IsDirectory() ? "/" : ""));
    }
    EXPECT_EQ(paths, (std::set<std::string>{"C:\\dir\\f.bin", "C:\\dir\\sub/"}));

    CFile::Rename("C:\\dir\\f.bin", "C:\\dir\\g.bin");
    CFile::Remove("C:\\dir\\g.bin");
    EXPECT_FALSE(HostExists(root / "dir/f.bin") || HostExists(root / "dir/g.bin"));
    try {
        CFile::Remove("C:\\dir\\g.bin");
        ADD_FAILURE() << "no exception";
    } catch (const CFileException &e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    }
}

TEST_F(AfxPosix, StreamsWriteAppendAndUnlink)
{
    for (const char *mode : {"w", "a"}) {
        crt::CrtFile *f = crt::fopen("C:\\s.txt", mode);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(crt::fwrite(mode, 1, 1, f), 1u);
        EXPECT_EQ(crt::fclose(f), 0);
    }
    EXPECT_EQ(ReadHostFile(root / "s.txt"), "wa");
    EXPECT_EQ(crt::_unlink("C:\\s.txt"), 0);
    EXPECT_EQ(crt::fopen("C:\\nodir\\s.txt", "w"), nullptr);
}

}  // namespace
