// Attribute and status queries on the simulated machine, where any attribute
// bit and any file size can be set up.
#include <brenvik/brenvik.h>

#include <algorithm>
#include <cstring>

#include "fileops/sim_fixture.h"
#include "platform/afx/afx.h"

namespace brenvik {
namespace test {
namespace {

using StatusTest = SimTest;

struct Entry {
    const char *path;
    bool dir;
    DWORD attributes;
};

const Entry kEntries[] = {
    {"C:\\plain.txt", false, FILE_ATTRIBUTE_ARCHIVE},
    {"C:\\ro.txt", false, FILE_ATTRIBUTE_READONLY},
    {"C:\\hidden.txt", false, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
    {"C:\\zip.bin", false, FILE_ATTRIBUTE_COMPRESSED},
    {"C:\\dir", true, FILE_ATTRIBUTE_DIRECTORY},
    {"C:\\hdir", true, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN},
};

void Build(sim::Machine &m)
{
    for (const Entry &e : kEntries) {
        if (e.dir)
            m.MakeDir(e.path, e.attributes);
        else
            m.MakeFile(e.path, "x", e.attributes);
    }
}

struct NamedCase {
    const char *path;
    // IsDir, IsDirHidden, IsFile, IsFileWritable, IsFileHidden
    int expected[5];
    int exist;
};

TEST_F(StatusTest, NamedTestsFollowTheirMasks)
{
    Build(m);
    const NamedCase cases[] = {
        {"C:\\plain.txt", {0, 0, 1, 1, 0}, 1},  {"C:\\ro.txt", {0, 0, 1, 0, 0}, 1},
        {"C:\\hidden.txt", {0, 0, 1, 1, 1}, 1}, {"C:\\dir", {1, 0, 0, 0, 0}, 1},
        {"C:\\hdir", {1, 1, 0, 0, 0}, 1},       {"C:\\hdir\\", {1, 1, 0, 0, 0}, 1},
        {"C:\\missing", {0, 0, 0, 0, 0}, 0},
    };
    int (*const tests[5])(const char *, int *) = {&CDriveEx::IsDir, &CDriveEx::IsDirHidden,
                                                  &CDriveEx::IsFile, &CDriveEx::IsFileWritable,
                                                  &CDriveEx::IsFileHidden};
    for (const NamedCase &c : cases) {
        for (int t = 0; t < 5; ++t) {
            int exist = -7;
            EXPECT_EQ(tests[t](c.path, &exist), c.expected[t]) << c.path << " test " << t;
            EXPECT_EQ(exist, c.exist) << c.path << " test " << t;
            EXPECT_EQ(tests[t](c.path, nullptr), c.expected[t]) << c.path << " test " << t;
        }
        EXPECT_EQ(CDriveEx::IsExist(c.path), c.exist) << c.path;
    }
}

TEST_F(StatusTest, EmptyOrNullPathLeavesTheFlagAlone)
{
    int exist = 42;
    EXPECT_EQ(CDriveEx::IsDir("", &exist), 0);
    EXPECT_EQ(CDriveEx::IsFile(nullptr, &exist), 0);
    EXPECT_EQ(CDriveEx::CFileStatus_s("", 0, 0, &exist), 0);
    EXPECT_EQ(CDriveEx::ChkFileAttrEx(nullptr, 0, 0, &exist), 0);
    EXPECT_EQ(exist, 42);
    EXPECT_EQ(m.CallCount(), 0u);
}

TEST_F(StatusTest, OnlyOneTrailingBackslashIsRemoved)
{
    // A file named with a trailing backslash is not found; with the one
    // backslash removed it is.
    m.MakeFile("C:\\f");
    EXPECT_EQ(CDriveEx::IsFile("C:\\f\\", nullptr), 1);
    EXPECT_EQ(CDriveEx::IsFile("C:\\f\\\\", nullptr), 0);
    EXPECT_THAT(Log(), ::testing::ElementsAre("GetFileAttributesExA C:\\f",
                                              "GetFileAttributesExA C:\\f\\"));
}

TEST_F(StatusTest, TrailByteThatLooksLikeABackslashIsKept)
{
    // In code page 932, 0x95 0x5C is one character; its second byte is not
    // a separator and must not be cut off.
    m.SetACP(932);
    crt::RefreshCodePage();
    m.MakeDir("C:\\\x95\x5C");
    EXPECT_EQ(CDriveEx::IsDir("C:\\\x95\x5C", nullptr), 1);
    EXPECT_EQ(Log().back(), "GetFileAttributesExA C:\\\x95\x5C");
}

TEST_F(StatusTest, MaskPairsOnTheStatusByteAndOnTheAttributeWord)
{
    Build(m);
    struct Case {
        const char *path;
        unsigned long clear, set;
        int status;  // CFileStatus_s
        int word;    // ChkFileAttrEx
    };
    const Case cases[] = {
        {"C:\\plain.txt", 0, 0, 1, 1},
        {"C:\\dir", 0, 0, 1, 1},
        {"C:\\zip.bin", 0, 0x800, 0, 1},    // above the status byte
        {"C:\\plain.txt", 0, 0x800, 0, 0},
        {"C:\\zip.bin", 0x800, 0, 1, 0},    // a clear bit above 0xFF always passes
        {"C:\\hidden.txt", 0x01, 0x06, 1, 1},
        {"C:\\hidden.txt", 0x04, 0x02, 0, 0},
        {"C:\\missing", 0, 0, 0, 0},
    };
    for (const Case &c : cases) {
        int e1 = -1, e2 = -1;
        EXPECT_EQ(CDriveEx::CFileStatus_s(c.path, static_cast<int>(c.clear),
                                          static_cast<int>(c.set), &e1),
                  c.status)
            << c.path << " " << c.clear << "/" << c.set;
        EXPECT_EQ(CDriveEx::ChkFileAttrEx(c.path, c.clear, c.set, &e2), c.word)
            << c.path << " " << c.clear << "/" << c.set;
        EXPECT_EQ(e1, e2) << c.path;
    }
}

TEST_F(StatusTest, TenFlagFormFillsEveryGivenFlag)
{
    Build(m);
    struct Case {
        const char *path;
        int result;
        int flags[9];  // file, writable, fhidden, dir, dhidden, system, volume, archive, exist
    };
    const Case cases[] = {
        {"C:\\hdir", 1, {0, 0, 0, 1, 1, 0, 0, 0, 1}},
        {"C:\\hidden.txt", 1, {1, 1, 1, 0, 0, 1, 0, 0, 1}},
        {"C:\\ro.txt", 1, {1, 0, 0, 0, 0, 0, 0, 0, 1}},
        {"C:\\plain.txt", 1, {1, 1, 0, 0, 0, 0, 0, 1, 1}},
        {"C:\\missing", 0, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case &c : cases) {
        int f[9];
        std::fill(std::begin(f), std::end(f), 9);
        EXPECT_EQ(CDriveEx::CFileStatus_s(c.path, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5],
                                          &f[6], &f[7], &f[8]),
                  c.result)
            << c.path;
        EXPECT_THAT(f, ::testing::ElementsAreArray(c.flags)) << c.path;
    }
    // Null flags are skipped.
    int dir = 9;
    EXPECT_EQ(CDriveEx::CFileStatus_s("C:\\hdir", nullptr, nullptr, nullptr, &dir, nullptr,
                                      nullptr, nullptr, nullptr, nullptr),
              1);
    EXPECT_EQ(dir, 1);
}

TEST_F(StatusTest, AttributeRecordIsCopiedWhole)
{
    m.MakeFile("C:\\f.bin", "12345", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_COMPRESSED);
    m.SetTimes("C:\\f.bin", FILETIME{1, 2}, FILETIME{3, 4}, FILETIME{5, 6});
    WIN32_FILE_ATTRIBUTE_DATA data;
    std::memset(&data, 0xAB, sizeof data);
    ASSERT_EQ(CDriveEx::GetFileAttrEx("C:\\f.bin", &data), 1);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_COMPRESSED);
    EXPECT_EQ(data.ftCreationTime.dwLowDateTime, 1u);
    EXPECT_EQ(data.ftCreationTime.dwHighDateTime, 2u);
    EXPECT_EQ(data.ftLastAccessTime.dwLowDateTime, 3u);
    EXPECT_EQ(data.ftLastWriteTime.dwHighDateTime, 6u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_EQ(data.nFileSizeLow, 5u);

    unsigned long attr = 0;
    EXPECT_EQ(CDriveEx::GetFileAttrEx("C:\\f.bin", &attr), 1);
    EXPECT_EQ(attr, static_cast<unsigned long>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_COMPRESSED));
    EXPECT_EQ(CDriveEx::GetFileAttrEx("C:\\f.bin", static_cast<WIN32_FILE_ATTRIBUTE_DATA *>(nullptr)), 1);
    EXPECT_EQ(CDriveEx::GetFileAttrEx("C:\\nope", static_cast<WIN32_FILE_ATTRIBUTE_DATA *>(nullptr)), 0);
    EXPECT_EQ(CDriveEx::GetFileAttrEx("C:\\f.bin", static_cast<unsigned long *>(nullptr)), 0);
    // The path goes to the platform unchanged, trailing backslash and all.
    m.ResetCalls();
    CDriveEx::GetFileAttrEx("C:\\f.bin\\", &attr);
    EXPECT_EQ(Log().front(), "GetFileAttributesExA C:\\f.bin\\");
}

TEST_F(StatusTest, SizeByPath)
{
    m.MakeFile("C:\\small", std::string(1234, 'z'));
    m.SetFileSize("C:\\big", 0x100000005ull);     // 4 GiB + 5
    m.SetFileSize("C:\\ones", 0x1FFFFFFFFull);    // low word all ones
    m.MakeDir("C:\\dir");
    struct Case {
        const char *path;
        int result;
        unsigned long size;
    };
    const Case cases[] = {{"C:\\small", 1, 1234}, {"C:\\big", 1, 5},  {"C:\\ones", 0, 77},
                          {"C:\\dir", 0, 77},     {"C:\\none", 0, 77}, {"", 0, 77}};
    for (const Case &c : cases) {
        unsigned long size = 77;
        EXPECT_EQ(CDriveEx::GetFileSizeInByte(c.path, &size), c.result) << c.path;
        EXPECT_EQ(size, c.size) << c.path;
    }
    EXPECT_EQ(CDriveEx::GetFileSizeInByte("C:\\small", static_cast<unsigned long *>(nullptr)), 0);
}

TEST_F(StatusTest, SizeByPathFailsWhileSomeoneWrites)
{
    m.MakeFile("C:\\busy", "abc");
    HANDLE writer = m.CreateFileA("C:\\busy", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    unsigned long size = 0;
    EXPECT_EQ(CDriveEx::GetFileSizeInByte("C:\\busy", &size), 0);
    EXPECT_EQ(m.GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    m.CloseHandle(writer);
    EXPECT_EQ(CDriveEx::GetFileSizeInByte("C:\\busy", &size), 1);
    EXPECT_EQ(size, 3u);
}

// A file object whose length query throws, as a closed or broken file does.
class ThrowingFile : public CFile {
public:
    DWORD GetLength() const override { throw CFileException(CFileException::invalidFile, 6); }
};

class FixedFile : public CFile {
public:
    DWORD GetLength() const override { return 0xFFFFFFF0u; }
};

TEST_F(StatusTest, SizeOfAnOpenFileObject)
{
    ThrowingFile broken;
    unsigned long size = 5;
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(broken, &size), 0);
    EXPECT_EQ(size, 5u);

    FixedFile fixed;
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(fixed, &size), 1);
    EXPECT_EQ(size, 0xFFFFFFF0u);
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(fixed, nullptr), 1);

    m.MakeFile("C:\\real", "0123456789");
    CFile real;
    ASSERT_TRUE(real.Open("C:\\real", CFile::modeRead | CFile::shareDenyNone));
    EXPECT_EQ(CDriveEx::GetFileSizeInByte(real, &size), 1);
    EXPECT_EQ(size, 10u);
    real.Close();
}

}  // namespace
}  // namespace test
}  // namespace brenvik
