// The runtime's stream functions on the simulated machine: how each mode
// opens the file, and that writing, appending, reading, closing and
// unlinking do what the runtime does.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "afx_recording.h"
#include "platform/crt/crt.h"
#include "support/scoped_machine.h"

namespace {

namespace crt = brenvik::crt;
using brenvik::test::RecordingMachine;
using brenvik::test::ScopedMachine;

class CrtStdio : public ::testing::Test {
protected:
    RecordingMachine machine;
    ScopedMachine scope{machine};
};

TEST_F(CrtStdio, ModesMapOntoCreateFile)
{
    struct Row {
        const char *mode;
        DWORD access;
        DWORD disposition;
    } rows[] = {
        {"r", GENERIC_READ, OPEN_EXISTING},
        {"rb", GENERIC_READ, OPEN_EXISTING},
        {"rt", GENERIC_READ, OPEN_EXISTING},
        {"r+", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING},
        {"w", GENERIC_WRITE, CREATE_ALWAYS},
        {"wb+", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS},
        {"w+b", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS},
        {"a", GENERIC_WRITE, OPEN_ALWAYS},
        {"a+", GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS},
    };
    for (const Row &r : rows) {
        machine.MakeFile("C:\\m.txt", "x");
        machine.opens.clear();
        crt::CrtFile *f = crt::fopen("C:\\m.txt", r.mode);
        ASSERT_NE(f, nullptr) << r.mode;
        ASSERT_EQ(machine.opens.size(), 1u);
        EXPECT_EQ(machine.opens[0].access, r.access) << r.mode;
        EXPECT_EQ(machine.opens[0].disposition, r.disposition) << r.mode;
        EXPECT_EQ(machine.opens[0].share, FILE_SHARE_READ | FILE_SHARE_WRITE) << r.mode;
        EXPECT_EQ(machine.opens[0].flags, FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(crt::fclose(f), 0);
    }
}

TEST_F(CrtStdio, BadModesOpenNothing)
{
    machine.MakeFile("C:\\m.txt", "x");
    for (const char *mode : {"", "x", "rw", "r++", "wbb", "a+x", "+r"}) {
        machine.opens.clear();
        EXPECT_EQ(crt::fopen("C:\\m.txt", mode), nullptr) << '"' << mode << '"';
        EXPECT_TRUE(machine.opens.empty()) << mode;
    }
    EXPECT_EQ(crt::fopen(nullptr, "r"), nullptr);
    EXPECT_EQ(crt::fopen("C:\\m.txt", nullptr), nullptr);
}

TEST_F(CrtStdio, WriteTruncatesAndCountsItems)
{
    machine.MakeFile("C:\\w.txt", "a much longer old content");
    crt::CrtFile *f = crt::fopen("C:\\w.txt", "w");
    ASSERT_NE(f, nullptr);
    const char text[] = "Kavrin Disk: test access right";
    EXPECT_EQ(crt::fwrite(text, 1, sizeof text - 1, f), sizeof text - 1);
    EXPECT_EQ(crt::fwrite("abcdef", 3, 2, f), 2u);
    EXPECT_EQ(crt::fwrite("abc", 0, 2, f), 0u);
    EXPECT_EQ(crt::fwrite("abc", SIZE_MAX, 2, f), 0u);  // the size would overflow
    EXPECT_EQ(crt::fclose(f), 0);
    EXPECT_EQ(machine.ReadFileBytes("C:\\w.txt"), std::string(text) + "abcdef");
}

TEST_F(CrtStdio, AppendWritesAtTheEnd)
{
    machine.MakeFile("C:\\log.txt", "one;");
    crt::CrtFile *f = crt::fopen("C:\\log.txt", "a+");
    ASSERT_NE(f, nullptr);
    char buf[4] = {};
    EXPECT_EQ(crt::fread(buf, 1, 3, f), 3u);  // reading starts at the beginning
    EXPECT_EQ(std::string(buf, 3), "one");
    EXPECT_EQ(crt::fwrite("two;", 1, 4, f), 4u);
    EXPECT_EQ(crt::fclose(f), 0);
    f = crt::fopen("C:\\log.txt", "a");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(crt::fwrite("three;", 1, 6, f), 6u);
    EXPECT_EQ(crt::fclose(f), 0);
    EXPECT_EQ(machine.ReadFileBytes("C:\\log.txt"), "one;two;three;");

    f = crt::fopen("C:\\new.txt", "a");  // created when missing
    ASSERT_NE(f, nullptr);
    crt::fclose(f);
    EXPECT_TRUE(machine.FileExists("C:\\new.txt"));
}

TEST_F(CrtStdio, ReadCountsWholeItems)
{
    machine.MakeFile("C:\\r.bin", "0123456789");
    crt::CrtFile *f = crt::fopen("C:\\r.bin", "rb");
    ASSERT_NE(f, nullptr);
    char buf[16] = {};
    EXPECT_EQ(crt::fread(buf, 4, 3, f), 2u);  // 10 bytes: two whole items of 4
    EXPECT_EQ(std::string(buf, 10), "0123456789");
    EXPECT_EQ(crt::fread(buf, 1, 1, f), 0u);
    EXPECT_EQ(crt::fwrite("x", 1, 1, f), 0u);  // not open for writing
    EXPECT_EQ(crt::fclose(f), 0);

    EXPECT_EQ(crt::fopen("C:\\missing.bin", "r"), nullptr);
    EXPECT_EQ(crt::fopen("C:\\nodir\\x.bin", "w"), nullptr);
}

TEST_F(CrtStdio, NullStreamsAndFailedCloses)
{
    char buf[2];
    EXPECT_EQ(crt::fread(buf, 1, 1, nullptr), 0u);
    EXPECT_EQ(crt::fwrite(buf, 1, 1, nullptr), 0u);
    EXPECT_EQ(crt::fclose(nullptr), -1);

    crt::CrtFile *f = crt::fopen("C:\\c.txt", "w");
    ASSERT_NE(f, nullptr);
    machine.FailNthCallOf("CloseHandle", 1, ERROR_INVALID_HANDLE);
    EXPECT_EQ(crt::fclose(f), -1);  // and the stream is gone all the same
}

TEST_F(CrtStdio, UnlinkDeletesOrReportsMinusOne)
{
    machine.MakeFile("C:\\u.txt", "x");
    machine.MakeFile("C:\\ro.txt", "x", FILE_ATTRIBUTE_READONLY);
    machine.ResetCalls();
    EXPECT_EQ(crt::_unlink("C:\\u.txt"), 0);
    EXPECT_FALSE(machine.Exists("C:\\u.txt"));
    EXPECT_EQ(machine.CallCount("DeleteFileA"), 1u);
    EXPECT_EQ(crt::_unlink("C:\\u.txt"), -1);
    EXPECT_EQ(crt::_unlink("C:\\ro.txt"), -1);
    EXPECT_TRUE(machine.Exists("C:\\ro.txt"));
    EXPECT_EQ(crt::_unlink(nullptr), -1);
}

}  // namespace
