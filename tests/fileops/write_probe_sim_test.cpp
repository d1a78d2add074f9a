// Write-access probes on the simulated machine.
#include <brenvik/brenvik.h>

#include "fileops/sim_fixture.h"

namespace brenvik {
namespace test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using WriteProbeTest = SimTest;

std::vector<std::string> PathsOf(const sim::Machine &m, const std::string &service)
{
    std::vector<std::string> out;
    for (const sim::Call &call : m.CallLog()) {
        if (call.service == service)
            out.push_back(call.path);
    }
    return out;
}

TEST_F(WriteProbeTest, CanWeWriteDirProbesTheFixedName)
{
    m.MakeDir("C:\\dir");
    for (const char *dir : {"C:\\dir", "C:\\dir\\"}) {
        m.ResetCalls();
        EXPECT_EQ(CDriveEx::CanWeWriteDir(dir), 1) << dir;
        EXPECT_THAT(PathsOf(m, "CreateFileA"), ElementsAre("C:\\dir\\tmp$d123.tmp")) << dir;
        EXPECT_THAT(PathsOf(m, "WriteFile"), ElementsAre("C:\\dir\\tmp$d123.tmp")) << dir;
        EXPECT_THAT(m.ListDir("C:\\dir"), IsEmpty()) << dir;
    }
}

TEST_F(WriteProbeTest, CanWeWriteDirRefusals)
{
    m.MakeDir("D:\\ro");  // the CD's medium is write-protected
    for (const char *dir : {"X", "C:\\missing", "D:\\ro", "Q:\\"})
        EXPECT_EQ(CDriveEx::CanWeWriteDir(dir), 0) << dir;
    EXPECT_FALSE(m.Exists("C:\\missing"));
}

TEST_F(WriteProbeTest, CanWeWriteDirLeavesAFileOfItsNameAlone)
{
    m.MakeFile("C:\\dir\\tmp$d123.tmp", "somebody's data");
    m.MakeFile("C:\\dir\\tmp$d124.tmp", "and more");
    EXPECT_EQ(CDriveEx::CanWeWriteDir("C:\\dir"), 1);
    EXPECT_EQ(m.ReadFileBytes("C:\\dir\\tmp$d123.tmp"), "somebody's data");
    EXPECT_EQ(m.ReadFileBytes("C:\\dir\\tmp$d124.tmp"), "and more");
    EXPECT_THAT(PathsOf(m, "CreateFileA"), ElementsAre("C:\\dir\\tmp$d125.tmp"));
    EXPECT_EQ(m.ListDir("C:\\dir").size(), 2u);

    // A link of that name is taken too; its target is not written.
    m.Remove("C:\\dir");
    m.MakeFile("C:\\elsewhere.txt", "target");
    m.MakeLink("C:\\dir\\tmp$d123.tmp", "C:\\elsewhere.txt", false);
    EXPECT_EQ(CDriveEx::CanWeWriteDir("C:\\dir"), 1);
    EXPECT_EQ(m.ReadFileBytes("C:\\elsewhere.txt"), "target");
    EXPECT_TRUE(m.IsLink("C:\\dir\\tmp$d123.tmp"));
}

TEST_F(WriteProbeTest, CanWeWriteDirWritesTheWholeContentOrFails)
{
    m.MakeDir("C:\\dir");
    m.FailNthCallOf("WriteFile", 1, ERROR_DISK_FULL);
    EXPECT_EQ(CDriveEx::CanWeWriteDir("C:\\dir"), 0);
    EXPECT_THAT(m.ListDir("C:\\dir"), IsEmpty());
}

TEST_F(WriteProbeTest, IsDirWriteableNamesItsProbeByTheSignedTickCount)
{
    struct Case {
        DWORD tick;
        const char *dir;
        const char *probe;
    };
    const Case cases[] = {
        {1234, "C:\\w", "C:\\w\\temp1234.tmp"},
        {0x7FFFFFFF, "C:\\w", "C:\\w\\temp2147483647.tmp"},
        {0xFFFFFFFB, "C:\\w", "C:\\w\\temp-5.tmp"},
        {0x80000000, "C:\\w\\", "C:\\w\\\\temp-2147483648.tmp"},
    };
    m.MakeDir("C:\\w");
    for (const Case &c : cases) {
        m.SetTickCount(c.tick);
        m.ResetCalls();
        EXPECT_EQ(CDriveEx::IsDirWriteable(c.dir), 1) << c.tick;
        EXPECT_THAT(PathsOf(m, "CreateFileA"), ElementsAre(c.probe)) << c.tick;
        EXPECT_THAT(m.ListDir("C:\\w"), IsEmpty()) << c.tick;
    }
}

TEST_F(WriteProbeTest, IsDirWriteableCreatesTheDirectoryAndNeverTouchesAnExistingFile)
{
    m.SetTickCount(77);
    EXPECT_EQ(CDriveEx::IsDirWriteable("C:\\new\\deeper"), 1);
    EXPECT_TRUE(m.DirExists("C:\\new\\deeper"));
    EXPECT_THAT(m.ListDir("C:\\new\\deeper"), IsEmpty());

    m.MakeFile("C:\\new\\temp77.tmp", "mine");
    EXPECT_EQ(CDriveEx::IsDirWriteable("C:\\new"), 0);
    EXPECT_EQ(m.ReadFileBytes("C:\\new\\temp77.tmp"), "mine");
}

TEST_F(WriteProbeTest, IsDirWriteableRefusals)
{
    for (const char *dir : {"", "dir\\sub", "C:", "nobackslash", "C:\\a*b", "D:\\x"})
        EXPECT_EQ(CDriveEx::IsDirWriteable(dir), 0) << dir;
    EXPECT_FALSE(m.Exists("C:\\dir"));
    EXPECT_THAT(m.ListDir("C:\\"), IsEmpty());
    EXPECT_EQ(CDriveEx::IsDirWriteable(nullptr), 0);
}

TEST_F(WriteProbeTest, CanWeWriteFileShowsItsBoxAndSaysNo)
{
    EXPECT_EQ(CDriveEx::CanWeWriteFile(nullptr), 0);
    EXPECT_EQ(CDriveEx::CanWeWriteFile(""), 0);
    EXPECT_THAT(m.MessageBoxes(), IsEmpty());

    EXPECT_EQ(CDriveEx::CanWeWriteFile("C:\\whatever.txt"), 0);
    EXPECT_EQ(CDriveEx::CanWeWriteFile("x"), 0);
    const std::vector<sim::MessageBoxCall> boxes = m.MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const sim::MessageBoxCall &box : boxes) {
        EXPECT_EQ(box.text,
                  "SORRY: NA now!\nDO NOT INVOKE ME!\n\nBOOL CDriveEx::CanWeWriteFile(CString "
                  "csFilePath)");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
    }
}

}  // namespace
}  // namespace test
}  // namespace brenvik
