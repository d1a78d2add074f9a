// Windows path rules on the simulated machine: forms, normalisation, case,
// double-byte characters and wildcards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_state.h"
#include "support/scoped_machine.h"

namespace brenvik {
namespace {

using test::MachineTest;

class SimPaths : public MachineTest {
protected:
    void SetUp() override
    {
        machine.MakeFile("C:\\Data\\Report.TXT", "r");
        machine.MakeDir("C:\\Data\\Sub");
        machine.AddShare("Server", "Share");
        machine.MakeFile("\\\\Server\\Share\\docs\\n.txt", "n");
    }
};

// Each spelling must reach C:\Data\Report.TXT (or fail with the code).
TEST_F(SimPaths, SpellingsOfOnePath)
{
    machine.SetCurrentDir("C:\\Data\\Sub");
    struct Row {
        const char *path;
        DWORD error;  // 0: found
    } rows[] = {
        {"C:\\Data\\Report.TXT", 0},
        {"c:\\data\\report.txt", 0},
        {"C:/Data/Report.TXT", 0},
        {"C:\\\\Data\\\\\\Report.TXT", 0},
        {"C:\\Data\\.\\Sub\\..\\Report.TXT", 0},
        {"C:\\..\\..\\Data\\Report.TXT", 0},  // ".." stops at the root
        {"C:\\Data\\Report.TXT.", 0},         // trailing dots and spaces go
        {"C:\\Data\\Report.TXT . .", 0},
        {"C:\\Data.\\Report.TXT", 0},         // an inner component loses one dot
        {"..\\Report.TXT", 0},                // relative to C:\Data\Sub
        {"\\Data\\Report.TXT", 0},            // rooted on the current drive
        {"C:..\\Report.TXT", 0},              // relative on the current drive
        {"\\\\?\\C:\\Data\\Report.TXT", 0},
        {"\\\\?\\C:\\Data\\Report.TXT.", ERROR_FILE_NOT_FOUND},  // no trimming there
        {"C:\\Data\\Report.TXT\\", ERROR_INVALID_NAME},
        {"C:\\Data\\Rep<rt.TXT", ERROR_INVALID_NAME},
        {"C:\\Data\\Rep\x01rt.TXT", ERROR_INVALID_NAME},
        {"C:\\Da:ta\\Report.TXT", ERROR_INVALID_NAME},
        {"C:\\Data\\Rep?rt.TXT", ERROR_INVALID_NAME},
        {"C:\\Data\\Report.TX", ERROR_FILE_NOT_FOUND},
        {"C:\\Dat\\Report.TXT", ERROR_PATH_NOT_FOUND},
        {"\\\\.\\C:", ERROR_FILE_NOT_FOUND},
        {"\\\\Server", ERROR_BAD_PATHNAME},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.path);
        machine.SetLastError(0xDEADBEEF);
        DWORD attrs = machine.GetFileAttributesA(r.path);
        if (r.error == 0) {
            EXPECT_EQ(attrs, static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
        } else {
            EXPECT_EQ(attrs, INVALID_FILE_ATTRIBUTES);
            EXPECT_EQ(machine.GetLastError(), r.error);
        }
    }
}

TEST_F(SimPaths, NamesKeepTheirCase)
{
    HANDLE h = machine.CreateFileA("c:\\DATA\\New File.Txt", GENERIC_WRITE, 0, nullptr,
                                   CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    machine.CloseHandle(h);
    EXPECT_EQ(machine.ListDir("C:\\Data"),
              (std::vector<std::string>{"New File.Txt", "Report.TXT", "Sub"}));
    // A second name differing only in case is the same file.
    h = machine.CreateFileA("C:\\data\\NEW FILE.TXT", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
}

TEST_F(SimPaths, UncPathsAndMappedDrives)
{
    EXPECT_EQ(machine.GetFileAttributesA("\\\\server\\SHARE\\Docs\\N.TXT"),
              static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(machine.GetFileAttributesA("//Server/Share/docs"),
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    machine.RememberConnection('N', "\\\\Server\\Share", true);
    EXPECT_EQ(machine.ReadFileBytes("N:\\docs\\n.txt"), "n");
    EXPECT_TRUE(machine.CreateDirectoryA("N:\\made", nullptr));
    EXPECT_TRUE(machine.DirExists("\\\\Server\\Share\\made"));

    machine.RememberConnection('O', "\\\\Server\\Share", false);
    EXPECT_EQ(machine.GetFileAttributesA("O:\\docs"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(machine.GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    // A relative path works from a current directory on a share.
    machine.SetCurrentDir("\\\\Server\\Share\\docs");
    EXPECT_EQ(machine.GetFileAttributesA("n.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(machine.GetFileAttributesA("\\made"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    machine.SetCurrentDir("C:\\");
}

TEST_F(SimPaths, DoubleByteCharacters)
{
    // 0x95 0x5C is one character in code page 932; its second byte is not a
    // separator there.
    const std::string dbcs = "\x95\x5C";
    machine.SetACP(932);
    machine.MakeFile("C:\\Data\\" + dbcs + ".txt", "j");
    EXPECT_EQ(machine.ListDir("C:\\Data"),
              (std::vector<std::string>{"Report.TXT", "Sub", dbcs + ".txt"}));
    EXPECT_NE(machine.GetFileAttributesA(("C:\\Data\\" + dbcs + ".txt").c_str()),
              INVALID_FILE_ATTRIBUTES);
    // The second byte of a double-byte character is not a letter to fold:
    // 0x82 0x61 and 0x82 0x41 are different characters.
    machine.MakeFile("C:\\\x82\x61", "a");
    EXPECT_TRUE(machine.FileExists("C:\\\x82\x61"));
    EXPECT_FALSE(machine.FileExists("C:\\\x82\x41"));

    machine.SetACP(1252);
    EXPECT_EQ(sim::Fold("\x82\x61", 1252), "\x82\x41");
    EXPECT_EQ(sim::Fold("\x82\x61", 932), "\x82\x61");
    EXPECT_EQ(sim::Fold("a\x82\x61z", 936), "A\x82\x61Z");
}

TEST(SimWildcards, MatchAsFindFirstFileDoes)
{
    struct Row {
        const char *pattern, *name;
        bool match;
    } rows[] = {
        {"*", "abc", true},
        {"*", ".", true},
        {"*.*", "abc", true},  // also names without a dot
        {"*.*", "a.b.c", true},
        {"*.txt", "a.txt", true},
        {"*.txt", "A.TXT", true},
        {"*.txt", "a.b.txt", true},
        {"*.txt", "a.txt.bak", false},
        {"*.txt", "atxt", false},
        {"*.", "abc", true},  // names without an extension
        {"*.", "a.b", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a?", "a", true},  // '?' may match nothing at the end
        {"??.txt", "a.txt", true},  // ... or before a dot
        {"?.txt", "ab.txt", false},
        {"file.*", "file", true},
        {"file.*", "file.txt", true},
        {"file.*", "files.txt", false},
        {"*.t?t", "x.txt", true},
        {"a*b", "aXYb", true},
        {"a*b", "aXYc", false},
        {"*a", "bca", true},
        {"Report.TXT", "report.txt", true},
        {"Report.TXT", "report.tx", false},
        {"*1*2*3*4*5*6*7*8*9*z", "11223344556677889900", false},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string(r.pattern) + " ~ " + r.name);
        EXPECT_EQ(sim::WildcardMatch(r.pattern, r.name, 1252), r.match);
    }
}

TEST(SimParse, FullPaths)
{
    struct Row {
        const char *raw, *cwd, *full;
    } rows[] = {
        {"x", "C:\\a", "C:\\a\\x"},
        {"D:x", "C:\\a", "D:\\x"},
        {"c:x", "C:\\a", "C:\\a\\x"},
        {"\\x", "D:\\a\\b", "D:\\x"},
        {"\\x", "\\\\s\\h\\a", "\\\\s\\h\\x"},
        {"..\\..\\..", "C:\\a", "C:\\"},
        {"\\\\s\\h", "C:\\", "\\\\s\\h\\"},
        {"\\\\s\\h\\", "C:\\", "\\\\s\\h\\"},
        {"\\\\s\\\\h\\a/b", "C:\\", "\\\\s\\h\\a\\b"},
        {"\\\\?\\UNC\\s\\h\\x.", "C:\\", "\\\\s\\h\\x."},
        {"C:\\a\\...", "C:\\", "C:\\a"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.raw);
        sim::PathForm form;
        ASSERT_EQ(sim::ParsePath(r.raw, r.cwd, 1252, false, &form), 0u);
        EXPECT_EQ(form.Full(), r.full);
    }
    sim::PathForm form;
    EXPECT_EQ(sim::ParsePath("", "C:\\", 1252, false, &form), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(sim::ParsePath("C:\\" + std::string(256, 'n'), "C:\\", 1252, false, &form),
              static_cast<DWORD>(ERROR_INVALID_NAME));  // a component over 255
    EXPECT_EQ(sim::ParsePath("C:\\a\\*.txt", "C:\\", 1252, true, &form), 0u);
    EXPECT_EQ(form.parts.back(), "*.txt");
}

}  // namespace
}  // namespace brenvik
