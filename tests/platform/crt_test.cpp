#include "platform/crt/crt.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/crt/mbcs.h"
#include "platform/services.h"

namespace crt = brenvik::crt;
using brenvik::platform::ScopedServices;
using brenvik::platform::Services;

namespace {

constexpr unsigned kDefaultCodePage = 1252;

// Every test starts in a single-byte code page, whatever the host reports.
class CodePageEnvironment : public ::testing::Environment {
public:
    void SetUp() override { crt::testing::ForceCodePage(kDefaultCodePage); }
};
const auto *const g_environment = ::testing::AddGlobalTestEnvironment(new CodePageEnvironment);

class ScopedCodePage {
public:
    explicit ScopedCodePage(unsigned codePage) { crt::testing::ForceCodePage(codePage); }
    ~ScopedCodePage() { crt::testing::ForceCodePage(kDefaultCodePage); }
};

// Services that report a code page and refuse everything else.
class CodePageServices : public Services {
public:
    explicit CodePageServices(UINT acp) : acp_(acp) {}
    int acpQueries = 0;

    const char *Name() const override { return "codepage"; }
    UINT GetACP() override
    {
        ++acpQueries;
        return acp_;
    }
    DWORD GetLastError() override { return ERROR_CALL_NOT_IMPLEMENTED; }
    void SetLastError(DWORD) override {}
    HANDLE CreateFileA(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) override
    {
        return INVALID_HANDLE_VALUE;
    }
    BOOL CloseHandle(HANDLE) override { return FALSE; }
    BOOL ReadFile(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) override { return FALSE; }
    BOOL WriteFile(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) override { return FALSE; }
    DWORD SetFilePointer(HANDLE, LONG, PLONG, DWORD) override { return INVALID_SET_FILE_POINTER; }
    DWORD GetFileSize(HANDLE, LPDWORD) override { return INVALID_FILE_SIZE; }
    BOOL DeleteFileA(LPCSTR) override { return FALSE; }
    BOOL MoveFileA(LPCSTR, LPCSTR) override { return FALSE; }
    DWORD GetFileAttributesA(LPCSTR) override { return INVALID_FILE_ATTRIBUTES; }
    BOOL GetFileAttributesExA(LPCSTR, GET_FILEEX_INFO_LEVELS, LPVOID) override { return FALSE; }
    BOOL SetFileAttributesA(LPCSTR, DWORD) override { return FALSE; }
    BOOL CreateDirectoryA(LPCSTR, LPSECURITY_ATTRIBUTES) override { return FALSE; }
    BOOL RemoveDirectoryA(LPCSTR) override { return FALSE; }
    HANDLE FindFirstFileA(LPCSTR, LPWIN32_FIND_DATAA) override { return INVALID_HANDLE_VALUE; }
    BOOL FindNextFileA(HANDLE, LPWIN32_FIND_DATAA) override { return FALSE; }
    BOOL FindClose(HANDLE) override { return FALSE; }
    UINT GetDriveTypeA(LPCSTR) override { return DRIVE_NO_ROOT_DIR; }
    BOOL GetDiskFreeSpaceA(LPCSTR, LPDWORD, LPDWORD, LPDWORD, LPDWORD) override { return FALSE; }
    BOOL GetVolumeInformationA(LPCSTR, LPSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPSTR,
                               DWORD) override
    {
        return FALSE;
    }
    UINT SetErrorMode(UINT) override { return 0; }
    HMODULE GetModuleHandleA(LPCSTR) override { return nullptr; }
    FARPROC GetProcAddress(HMODULE, LPCSTR) override { return nullptr; }
    DWORD GetTickCount() override { return 0; }
    DWORD GetCurrentProcessId() override { return 1; }
    void OutputDebugStringA(LPCSTR) override {}
    DWORD WNetGetConnectionA(LPCSTR, LPSTR, LPDWORD) override { return ERROR_NOT_CONNECTED; }
    LONG RegOpenKeyA(HKEY, LPCSTR, PHKEY) override { return ERROR_FILE_NOT_FOUND; }
    LONG RegQueryValueExA(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD) override
    {
        return ERROR_FILE_NOT_FOUND;
    }
    LONG RegCloseKey(HKEY) override { return ERROR_INVALID_HANDLE; }
    int MessageBoxA(HWND, LPCSTR, LPCSTR, UINT) override { return IDOK; }
    void PostQuitMessage(int) override {}
    int WSAStartup(WORD, LPWSADATA) override { return WSASYSNOTREADY; }
    int WSACleanup() override { return SOCKET_ERROR; }
    int WSAGetLastError() override { return WSANOTINITIALISED; }
    struct hostent *gethostbyname(const char *) override { return nullptr; }
    unsigned long inet_addr(const char *) override { return 0xFFFFFFFFul; }
    char *inet_ntoa(struct in_addr) override { return nullptr; }
    SOCKET socket(int, int, int) override { return INVALID_SOCKET; }
    int setsockopt(SOCKET, int, int, const char *, int) override { return SOCKET_ERROR; }
    int sendto(SOCKET, const char *, int, int, const struct sockaddr *, int) override
    {
        return SOCKET_ERROR;
    }
    int recvfrom(SOCKET, char *, int, int, struct sockaddr *, int *) override
    {
        return SOCKET_ERROR;
    }
    int closesocket(SOCKET) override { return SOCKET_ERROR; }

private:
    UINT acp_;
};

// ---- Code pages -----------------------------------------------------------------

TEST(CodePage, LeadBytesOfEachCodePage)
{
    struct Row {
        unsigned codePage;
        bool (*lead)(unsigned c);
    };
    const Row rows[] = {
        {932, [](unsigned c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }},
        {936, [](unsigned c) { return c >= 0x81 && c <= 0xFE; }},
        {949, [](unsigned c) { return c >= 0x81 && c <= 0xFE; }},
        {950, [](unsigned c) { return c >= 0x81 && c <= 0xFE; }},
        {1252, [](unsigned) { return false; }},
        {65001, [](unsigned) { return false; }},
        {437, [](unsigned) { return false; }},
        {1251, [](unsigned) { return false; }},
    };
    for (const Row &r : rows) {
        ScopedCodePage cp(r.codePage);
        for (unsigned c = 0; c < 256; ++c)
            ASSERT_EQ(crt::IsLeadByte(static_cast<unsigned char>(c)), r.lead(c))
                << "code page " << r.codePage << " byte " << c;
    }
}

TEST(CodePage, FollowsTheInstalledServices)
{
    CodePageServices outer(1252), japanese(932), chinese(936);
    {
        ScopedServices installOuter(outer);
        crt::testing::ForceCodePage(0);  // from here on the services decide
        EXPECT_FALSE(crt::IsLeadByte(0x81));
        {
            ScopedServices installJapanese(japanese);
            EXPECT_TRUE(crt::IsLeadByte(0x81));
            EXPECT_FALSE(crt::IsLeadByte(0xFD));
            {
                ScopedServices installChinese(chinese);
                EXPECT_TRUE(crt::IsLeadByte(0xFD));
            }
            EXPECT_FALSE(crt::IsLeadByte(0xFD));
            EXPECT_TRUE(crt::IsLeadByte(0x81));
            // The table is cached: looking bytes up asks the services nothing.
            int before = japanese.acpQueries;
            for (unsigned c = 0; c < 256; ++c)
                crt::IsLeadByte(static_cast<unsigned char>(c));
            EXPECT_EQ(japanese.acpQueries, before);
        }
        EXPECT_FALSE(crt::IsLeadByte(0x81));
        EXPECT_GE(outer.acpQueries, 1);
        crt::testing::ForceCodePage(kDefaultCodePage);
    }
}

// ---- Split ----------------------------------------------------------------------

struct SplitRow {
    const char *path;
    const char *drive;
    const char *dir;
    const char *fname;
    const char *ext;
};

const SplitRow kSplitRows[] = {
    {"C:\\dir\\file.txt", "C:", "\\dir\\", "file", ".txt"},
    {"C:/d/f.txt", "C:", "/d/", "f", ".txt"},
    {"dir\\f.txt", "", "dir\\", "f", ".txt"},
    {"file.txt", "", "", "file", ".txt"},
    {"file", "", "", "file", ""},
    {"\\\\srv\\share\\f.txt", "", "\\\\srv\\share\\", "f", ".txt"},
    {"C:\\dir\\README", "C:", "\\dir\\", "README", ""},
    {"C:\\dir.d\\file", "C:", "\\dir.d\\", "file", ""},
    {"C:\\dir\\sub", "C:", "\\dir\\", "sub", ""},
    {"C:\\dir\\", "C:", "\\dir\\", "", ""},
    {"C:\\dir/", "C:", "\\dir/", "", ""},
    {"C:\\dir\\file.", "C:", "\\dir\\", "file", "."},
    {"archive.tar.gz", "", "", "archive.tar", ".gz"},
    {".bashrc", "", "", "", ".bashrc"},
    {"..", "", "", ".", "."},
    {"..\\up", "", "..\\", "up", ""},
    {"C:", "C:", "", "", ""},
    {"C:\\", "C:", "\\", "", ""},
    {"C:file.txt", "C:", "", "file", ".txt"},
    {"\\", "", "\\", "", ""},
    {"", "", "", "", ""},
    {"ab", "", "", "ab", ""},
    {"x:y:z", "x:", "", "y:z", ""},
    {"a/b\\c/d.e", "", "a/b\\c/", "d", ".e"},
    {"C:\\img\\Movie.DVD\\Movie.DVD.D00", "C:", "\\img\\Movie.DVD\\", "Movie.DVD", ".D00"},
    {"Movie.DVD", "", "", "Movie", ".DVD"},
    {"C:\\img\\.DVD.D00", "C:", "\\img\\", ".DVD", ".D00"},
    {"C:\\img\\.vcd", "C:", "\\img\\", "", ".vcd"},
    {"D:\\x\\Song.vcd.d00", "D:", "\\x\\", "Song.vcd", ".d00"},
};

TEST(SplitPath, Table)
{
    for (const SplitRow &r : kSplitRows) {
        SCOPED_TRACE(r.path);
        char drive[crt::kMaxDrive], dir[crt::kMaxDir], fname[crt::kMaxFname], ext[crt::kMaxExt];
        ASSERT_EQ(crt::_splitpath_s(r.path, drive, sizeof drive, dir, sizeof dir, fname,
                                    sizeof fname, ext, sizeof ext),
                  0);
        EXPECT_STREQ(drive, r.drive);
        EXPECT_STREQ(dir, r.dir);
        EXPECT_STREQ(fname, r.fname);
        EXPECT_STREQ(ext, r.ext);

        char d2[crt::kMaxDrive] = "?", p2[crt::kMaxDir] = "?", f2[crt::kMaxFname] = "?",
             e2[crt::kMaxExt] = "?";
        crt::_splitpath(r.path, d2, p2, f2, e2);
        EXPECT_STREQ(d2, r.drive);
        EXPECT_STREQ(p2, r.dir);
        EXPECT_STREQ(f2, r.fname);
        EXPECT_STREQ(e2, r.ext);

        // Joining the pieces gives the path back.
        char joined[crt::kMaxPath];
        ASSERT_EQ(crt::_makepath_s(joined, sizeof joined, drive, dir, fname, ext), 0);
        EXPECT_STREQ(joined, r.path);
    }
}

TEST(SplitPath, OutputsMayBeLeftOut)
{
    char ext[crt::kMaxExt];
    EXPECT_EQ(crt::_splitpath_s("C:\\a\\b.c", nullptr, 0, nullptr, 0, nullptr, 0, ext, sizeof ext),
              0);
    EXPECT_STREQ(ext, ".c");
    char dir[crt::kMaxDir];
    crt::_splitpath("C:\\a\\b.c", nullptr, dir, nullptr, nullptr);
    EXPECT_STREQ(dir, "\\a\\");
}

// A buffer with guard bytes behind it, to see that nothing is written past
// the size the callee was given.
class Guarded {
public:
    explicit Guarded(std::size_t size) : bytes_(size + kGuard, 'Z'), size_(size) {}
    char *data() { return bytes_.data(); }
    std::size_t size() const { return size_; }
    std::string str() const { return std::string(bytes_.data()); }
    bool Intact() const
    {
        for (std::size_t i = size_; i < bytes_.size(); ++i)
            if (bytes_[i] != 'Z')
                return false;
        return true;
    }

private:
    static constexpr std::size_t kGuard = 16;
    std::vector<char> bytes_;
    std::size_t size_;
};

TEST(SplitPath, PiecesThatDoNotFitEmptyEverything)
{
    struct Row {
        const char *what;
        std::string path;
        int result;
    };
    const std::string d255 = "\\" + std::string(253, 'd') + "\\";  // 255 characters
    const std::string d256 = "\\" + std::string(254, 'd') + "\\";
    const std::string d300 = "\\" + std::string(298, 'd') + "\\";
    const Row rows[] = {
        {"dir of 255", "C:" + d255 + "f.x", 0},
        {"dir of 256", "C:" + d256 + "f.x", ERANGE},
        {"dir of 300", "C:" + d300 + "f.x", ERANGE},
        {"name of 255", "C:\\" + std::string(255, 'n') + ".x", 0},
        {"name of 256", "C:\\" + std::string(256, 'n') + ".x", ERANGE},
        {"name of 300", std::string(300, 'n'), ERANGE},
        {"ext of 255", "C:\\f." + std::string(254, 'e'), 0},
        {"ext of 256", "C:\\f." + std::string(255, 'e'), ERANGE},
        {"5000 characters", "C:\\" + std::string(5000, 'a') + "\\b.c", ERANGE},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        Guarded drive(crt::kMaxDrive), dir(crt::kMaxDir), fname(crt::kMaxFname),
            ext(crt::kMaxExt);
        for (Guarded *g : {&drive, &dir, &fname, &ext})
            g->data()[0] = 'Q';
        int rc = crt::_splitpath_s(r.path.c_str(), drive.data(), drive.size(), dir.data(),
                                   dir.size(), fname.data(), fname.size(), ext.data(), ext.size());
        EXPECT_EQ(rc, r.result);
        for (Guarded *g : {&drive, &dir, &fname, &ext}) {
            EXPECT_TRUE(g->Intact());
            if (rc != 0) {
                EXPECT_EQ(g->str(), "");
            }
        }
        if (rc == 0) {
            EXPECT_EQ(drive.str() + dir.str() + fname.str() + ext.str(), r.path);
        }
    }

    // A drive needs three bytes.
    Guarded small(2);
    EXPECT_EQ(crt::_splitpath_s("C:\\x", small.data(), small.size(), nullptr, 0, nullptr, 0,
                                nullptr, 0),
              ERANGE);
    EXPECT_EQ(small.str(), "");
    EXPECT_TRUE(small.Intact());
}

TEST(SplitPath, RefusedArguments)
{
    char drive[crt::kMaxDrive] = "Q", dir[crt::kMaxDir] = "Q";
    EXPECT_EQ(crt::_splitpath_s(nullptr, drive, sizeof drive, dir, sizeof dir, nullptr, 0,
                                nullptr, 0),
              EINVAL);
    EXPECT_STREQ(drive, "");
    EXPECT_STREQ(dir, "");

    // A buffer without a size, or a size without a buffer.
    std::strcpy(dir, "Q");
    EXPECT_EQ(crt::_splitpath_s("C:\\a", drive, 0, dir, sizeof dir, nullptr, 0, nullptr, 0),
              EINVAL);
    EXPECT_STREQ(dir, "");
    EXPECT_EQ(crt::_splitpath_s("C:\\a", nullptr, 3, nullptr, 0, nullptr, 0, nullptr, 0), EINVAL);

    // The unbounded form refuses paths of kMaxPath characters and more.
    const std::string fits = "C:\\" + std::string(250, 'a') + "\\b.txt";  // 259
    const std::string tooLong = fits + "t";
    char d[crt::kMaxDrive], p[crt::kMaxDir], f[crt::kMaxFname], e[crt::kMaxExt];
    crt::_splitpath(fits.c_str(), d, p, f, e);
    EXPECT_EQ(std::string(d) + p + f + e, fits);
    crt::_splitpath(tooLong.c_str(), d, p, f, e);
    EXPECT_EQ(std::string(d) + p + f + e, "");
    crt::_splitpath(nullptr, d, p, f, e);
    EXPECT_STREQ(f, "");
}

// ---- Join -----------------------------------------------------------------------

TEST(MakePath, Table)
{
    struct Row {
        const char *drive, *dir, *fname, *ext;
        const char *expected;
    };
    const Row rows[] = {
        {"C", "\\dir", "file", "txt", "C:\\dir\\file.txt"},
        {"C:", "\\dir\\", "file", ".txt", "C:\\dir\\file.txt"},
        {"C:\\ignored", "\\d\\", "f", "x", "C:\\d\\f.x"},
        {nullptr, "dir", "f", nullptr, "dir\\f"},
        {"", "", "file", "", "file"},
        {"C:", "/d/", "f", "x", "C:/d/f.x"},
        {"C:", "\\dir\\", "", "bak", "C:\\dir\\.bak"},
        {"C:", "\\dir\\", nullptr, ".bak", "C:\\dir\\.bak"},
        {nullptr, nullptr, nullptr, nullptr, ""},
        {"C:", nullptr, "f", ".", "C:f."},
        {nullptr, "\\\\srv\\share", "f", "txt", "\\\\srv\\share\\f.txt"},
        {nullptr, nullptr, "file", "bak", "file.bak"},
        {nullptr, nullptr, "file", ".bak", "file.bak"},
        {"C:", "\\img\\", "Movie.DVD", ".D00", "C:\\img\\Movie.DVD.D00"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.expected);
        Guarded out(crt::kMaxPath);
        ASSERT_EQ(crt::_makepath_s(out.data(), out.size(), r.drive, r.dir, r.fname, r.ext), 0);
        EXPECT_EQ(out.str(), r.expected);
    }
}

TEST(MakePath, Bounds)
{
    // 2 + 255 + 1 + 1 = 259 characters fit 260 bytes; one more does not.
    const std::string dir255 = "\\" + std::string(253, 'd') + "\\";
    Guarded out(crt::kMaxPath);
    EXPECT_EQ(crt::_makepath_s(out.data(), out.size(), "C:", dir255.c_str(), "f", "."), 0);
    EXPECT_EQ(out.str().size(), 259u);
    EXPECT_TRUE(out.Intact());
    EXPECT_EQ(crt::_makepath_s(out.data(), out.size(), "C:", dir255.c_str(), "fg", "."), ERANGE);
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(out.Intact());

    struct Row {
        std::size_t size;
        int result;
    };
    // "C:\d\f.x" is 8 characters.
    const Row rows[] = {{9, 0}, {8, ERANGE}, {3, ERANGE}, {1, ERANGE}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.size);
        Guarded b(r.size);
        EXPECT_EQ(crt::_makepath_s(b.data(), b.size(), "C", "\\d", "f", "x"), r.result);
        EXPECT_EQ(b.str(), r.result == 0 ? "C:\\d\\f.x" : "");
        EXPECT_TRUE(b.Intact());
    }
    // The separator or the dot that the join adds counts too.
    Guarded tight(5);
    EXPECT_EQ(crt::_makepath_s(tight.data(), tight.size(), nullptr, "abc", "d", nullptr), ERANGE);
    EXPECT_TRUE(tight.Intact());
    Guarded dotted(5);
    EXPECT_EQ(crt::_makepath_s(dotted.data(), dotted.size(), nullptr, nullptr, "ab", "cd"), ERANGE);
    EXPECT_TRUE(dotted.Intact());

    const std::string huge(5000, 'h');
    Guarded h(crt::kMaxPath);
    EXPECT_EQ(crt::_makepath_s(h.data(), h.size(), "C", huge.c_str(), huge.c_str(), huge.c_str()),
              ERANGE);
    EXPECT_TRUE(h.Intact());

    char unused[4] = "Q";
    EXPECT_EQ(crt::_makepath_s(nullptr, 10, "C", "d", "f", "x"), EINVAL);
    EXPECT_EQ(crt::_makepath_s(unused, 0, "C", "d", "f", "x"), EINVAL);
    EXPECT_STREQ(unused, "Q");
}

// ---- Double-byte characters ---------------------------------------------------------

TEST(DoubleByte, SplitAndJoinStepOverDoubleByteCharacters)
{
    // 0x95 0x5C is one character in code page 932 whose second byte is '\'.
    struct Row {
        unsigned codePage;
        const char *path;
        const char *dir;
        const char *fname;
        const char *ext;
    };
    const Row rows[] = {
        {932, "C:\\dir\x95\\file.txt", "\\", "dir\x95\\file", ".txt"},
        {1252, "C:\\dir\x95\\file.txt", "\\dir\x95\\", "file", ".txt"},
        {932, "a\x81.b", "", "a\x81.b", ""},
        {1252, "a\x81.b", "", "a\x81", ".b"},
        {936, "x\\\xFE/y", "x\\", "\xFE/y", ""},
        {932, "x\\\xFE/y", "x\\\xFE/", "y", ""},
        // A lead byte at the very end has no trail: it is a character alone.
        {932, "C:\\d\\x\x81", "\\d\\", "x\x81", ""},
        {932, "C:\\d\\.\x81", "\\d\\", "", ".\x81"},
        {932, "\x81\\\x82\\f", "", "\x81\\\x82\\f", ""},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::to_string(r.codePage) + " " + r.path);
        ScopedCodePage cp(r.codePage);
        char drive[crt::kMaxDrive], dir[crt::kMaxDir], fname[crt::kMaxFname], ext[crt::kMaxExt];
        ASSERT_EQ(crt::_splitpath_s(r.path, drive, sizeof drive, dir, sizeof dir, fname,
                                    sizeof fname, ext, sizeof ext),
                  0);
        EXPECT_STREQ(dir, r.dir);
        EXPECT_STREQ(fname, r.fname);
        EXPECT_STREQ(ext, r.ext);
    }

    // A directory ending in the trail byte 0x5C gets its own separator in 932.
    char out[crt::kMaxPath];
    {
        ScopedCodePage cp(932);
        ASSERT_EQ(crt::_makepath_s(out, sizeof out, nullptr, "d\x95\\", "f", nullptr), 0);
        EXPECT_STREQ(out, "d\x95\\\\f");
        ASSERT_EQ(crt::_makepath_s(out, sizeof out, nullptr, "d\x95\\\\", "f", nullptr), 0);
        EXPECT_STREQ(out, "d\x95\\\\f");
    }
    ASSERT_EQ(crt::_makepath_s(out, sizeof out, nullptr, "d\x95\\", "f", nullptr), 0);
    EXPECT_STREQ(out, "d\x95\\f");
}

TEST(DoubleByte, Searches)
{
    const char *s = "a\x95\\b\\c\x95\\";
    {
        ScopedCodePage cp(932);
        EXPECT_EQ(crt::MbsChr(s, '\\'), s + 4);
        EXPECT_EQ(crt::MbsRChr(s, '\\'), s + 4);
        EXPECT_EQ(crt::MbsChr("\x95\\", '\\'), nullptr);
        EXPECT_EQ(crt::MbsRChr("\x95\\", '\\'), nullptr);
        // The lone lead byte at the end is found as a character.
        const char *tail = "ab\x95";
        EXPECT_EQ(crt::MbsRChr(tail, 0x95), tail + 2);
        EXPECT_EQ(crt::MbsChr(tail, 0x95), tail + 2);
    }
    EXPECT_EQ(crt::MbsChr(s, '\\'), s + 2);
    EXPECT_EQ(crt::MbsRChr(s, '\\'), s + 7);
    EXPECT_EQ(crt::MbsChr("abc", 'x'), nullptr);
    EXPECT_EQ(crt::MbsRChr("", 'x'), nullptr);
    const char *t = "a.b.c";
    EXPECT_EQ(crt::MbsChr(t, '.'), t + 1);
    EXPECT_EQ(crt::MbsRChr(t, '.'), t + 3);
    EXPECT_EQ(crt::MbsChr(t, '\0'), t + 5);
    EXPECT_EQ(crt::MbsRChr(t, '\0'), t + 5);
    EXPECT_EQ(crt::MbsChr(nullptr, 'a'), nullptr);
    EXPECT_EQ(crt::MbsRChr(nullptr, 'a'), nullptr);
}

// ---- Comparisons ------------------------------------------------------------------

int Sign(int v)
{
    return (v > 0) - (v < 0);
}

const unsigned char *U(const char *s)
{
    return reinterpret_cast<const unsigned char *>(s);
}

TEST(Compare, CaseInsensitiveByteForms)
{
    struct Row {
        const char *a, *b;
        int sign;
    };
    const Row rows[] = {
        {"abc", "ABC", 0},   {"a", "b", -1},         {"B", "a", 1},
        {"a_", "aB", -1},  // folded to lower case, '_' sorts before 'b'
        {"", "", 0},         {"a", "", 1},           {"", "a", -1},
        {"abc", "abd", -1},  {"\xE4", "\xC4", 1},  // only ASCII letters fold
        {".VCD", ".vcd", 0}, {"[", "{", -1},         {"Z", "z", 0},
        {"@", "`", -1},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string(r.a) + " / " + r.b);
        EXPECT_EQ(Sign(crt::_stricmp(r.a, r.b)), r.sign);
        EXPECT_EQ(Sign(crt::_strnicmp(r.a, r.b, 100)), r.sign);
        EXPECT_EQ(Sign(crt::_mbsicmp(U(r.a), U(r.b))), r.sign);
        EXPECT_EQ(Sign(crt::_stricmp(r.b, r.a)), -r.sign);
    }
    EXPECT_EQ(crt::_strnicmp("abcX", "ABCy", 3), 0);
    EXPECT_LT(crt::_strnicmp("abcX", "ABCy", 4), 0);
    EXPECT_EQ(crt::_strnicmp("x", "y", 0), 0);
    EXPECT_LT(crt::_strnicmp("ab", "abc", 5), 0);
    EXPECT_EQ(crt::_strnicmp("ab\0x", "AB\0y", 4), 0);  // stops at the NUL

    EXPECT_EQ(crt::_stricmp(nullptr, "a"), crt::kNlsCmpError);
    EXPECT_EQ(crt::_strnicmp("a", nullptr, 1), crt::kNlsCmpError);
    EXPECT_EQ(crt::_mbsicmp(nullptr, U("a")), crt::kNlsCmpError);
    EXPECT_EQ(crt::_mbscmp(U("a"), nullptr), crt::kNlsCmpError);
}

TEST(Compare, MultibyteForms)
{
    struct Row {
        unsigned codePage;
        const char *a, *b;
        int cmp;   // _mbscmp
        int icmp;  // _mbsicmp
    };
    const Row rows[] = {
        {1252, "abc", "abc", 0, 0},
        {1252, "abc", "ABC", 1, 0},
        {1252, "\x81\x41", "\x81\x61", -1, 0},
        // In 932 those are double-byte characters, compared by their bytes.
        {932, "\x81\x41", "\x81\x61", -1, -1},
        {932, "\x82\x60", "\x82\x81", -1, -1},  // full-width A and a do not fold
        {932, "x\x82\x60", "X\x82\x60", 1, 0},
        {932, "\x81", "\x81\x40", -1, -1},  // a lone lead byte at the end
        {932, "\x81\x40", "A", 1, 1},
        {932, "\xE0\x41z", "\xE0\x41Z", 1, 0},
        {936, "\xFE\x41", "\xFE\x61", -1, -1},
        {932, "\xFE\x41", "\xFE\x61", -1, 0},  // 0xFE leads nothing in 932
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::to_string(r.codePage) + " " + r.a + " / " + r.b);
        ScopedCodePage cp(r.codePage);
        EXPECT_EQ(Sign(crt::_mbscmp(U(r.a), U(r.b))), r.cmp);
        EXPECT_EQ(Sign(crt::_mbsicmp(U(r.a), U(r.b))), r.icmp);
        EXPECT_EQ(Sign(crt::_mbscmp(U(r.b), U(r.a))), -r.cmp);
        EXPECT_EQ(Sign(crt::_mbsicmp(U(r.b), U(r.a))), -r.icmp);
    }
}

// ---- Formatting -----------------------------------------------------------------

std::string F(const char *format, ...)
{
    char buffer[2048];
    std::va_list args;
    va_start(args, format);
    std::size_t n = crt::FormatV(buffer, sizeof buffer, format, args);
    va_end(args);
    std::string s(buffer);
    EXPECT_EQ(n, s.size()) << format;
    return s;
}

TEST(Format, Conversions)
{
    const std::string pointerZeros(2 * sizeof(void *) - 4, '0');
    struct Row {
        const char *expected;
        std::string got;
    };
    const Row rows[] = {
        {"42", F("%d", 42)},
        {"-42", F("%i", -42)},
        {"-2147483648", F("%d", INT_MIN)},
        {"4294967295", F("%u", 4294967295u)},
        {"4294967295", F("%u", -1)},
        {"ff FF 0xff 0XFF 0x0", F("%x %X %#x %#X %#x", 255, 255, 255, 255, 0)},
        {"   42|42   |00042|-0042|42   ", F("%5d|%-5d|%05d|%05d|%-05d", 42, 42, 42, -42, 42)},
        {"007|   007|   007|", F("%.3d|%6.3d|%06.3d|%.0d", 7, 7, 7, 0)},
        {"00|07|123", F("%02d|%02d|%02d", 0, 7, 123)},
        {"-1 5 2345", F("%hd %hu %hx", 65535, 65541, 0x12345)},
        {"-5 4294967295 deadbeef", F("%ld %lu %lx", -5L, 0xFFFFFFFFul, 0xDEADBEEFul)},
        {"-1234567890123 18446744073709551615 FFFFFFFFFF",
         F("%I64d %I64u %I64X", -1234567890123LL, ULLONG_MAX, 0xFFFFFFFFFFULL)},
        {"-9 1099511627775", F("%lld %llu", -9LL, 0xFFFFFFFFFFULL)},
        {"A|  A|A  |B|?|z|q", F("%c|%3c|%-3c|%C|%C|%hC|%lc", 'A', 'A', 'A', L'B', 0x263A, 'z', L'q')},
        {"abc|(null)|ab|  abc|abc  |    a",
         F("%s|%s|%.2s|%5s|%-5s|%5.1s", "abc", static_cast<const char *>(nullptr), "abc", "abc",
           "abc", "abc")},
        {"wide|?t?|ls|narrow|(null)|wi",
         F("%S|%S|%ls|%hs|%S|%.2S", L"wide", L"\u00e9t\u00e9", L"ls", "narrow",
           static_cast<const wchar_t *>(nullptr), L"wide")},
        {"% 100%", F("%% 100%%")},
        {"C:\\img\\Movie.DVD\\Movie.DVD.D", F("%s%s.DVD.D", "C:\\img\\Movie.DVD\\", "Movie")},
        {"x.D00", F("%s%02d", "x.D", 0)},
        {"C:\\", F("%c:\\", 'A' + 2)},
        {"CDriveEx::ComposeUNC BAD NULL ...strDir \n",
         F("CDriveEx::ComposeUNC BAD NULL ...%s \n", "strDir")},
        {"", F("")},
    };
    for (const Row &r : rows)
        EXPECT_EQ(r.got, r.expected);

    EXPECT_EQ(F("%p", reinterpret_cast<void *>(0x12ab)), pointerZeros + "12AB");
    EXPECT_EQ(F("[%20p]", static_cast<void *>(nullptr)),
              "[" + std::string(20 - 2 * sizeof(void *), ' ') + std::string(2 * sizeof(void *), '0') +
                  "]");
}

TEST(Format, UnknownConversionsAreCopied)
{
    struct Row {
        const char *expected;
        std::string got;
    };
    // No argument is taken for an unknown conversion: the %d after one still
    // gets the first argument.
    const Row rows[] = {
        {"%f", F("%f")},
        {"%5.2f|7", F("%5.2f|%d", 7)},
        {"%*d", F("%*d")},
        {"%y7", F("%y%d", 7)},
        {"abc%", F("abc%")},
        {"%l", F("%l")},
        {"%-5", F("%-5")},
        {"%+d 3", F("%+d %d", 3)},
        {"%hhd", F("%hhd")},
        {"%I32d", F("%I32d")},
    };
    for (const Row &r : rows)
        EXPECT_EQ(r.got, r.expected);
}

TEST(Format, BoundedOutput)
{
    Guarded five(5);
    EXPECT_EQ(crt::Format(five.data(), five.size(), "%s", "abcdefgh"), 8u);
    EXPECT_EQ(five.str(), "abcd");
    EXPECT_TRUE(five.Intact());

    Guarded one(1);
    EXPECT_EQ(crt::Format(one.data(), one.size(), "x%dy", 123), 5u);
    EXPECT_EQ(one.str(), "");
    EXPECT_TRUE(one.Intact());

    Guarded padded(8);
    EXPECT_EQ(crt::Format(padded.data(), padded.size(), "%20d", 5), 20u);
    EXPECT_EQ(padded.str(), std::string(7, ' '));
    EXPECT_TRUE(padded.Intact());

    Guarded untouched(4);
    untouched.data()[0] = 'Q';
    EXPECT_EQ(crt::Format(untouched.data(), 0, "%d", 12345), 5u);
    EXPECT_EQ(untouched.data()[0], 'Q');
    EXPECT_EQ(crt::Format(nullptr, 0, "%s-%d", "ab", -7), 5u);
    EXPECT_EQ(crt::Format(nullptr, 100, "%s", "abc"), 3u);

    char empty[4] = "Q";
    EXPECT_EQ(crt::Format(empty, sizeof empty, nullptr), 0u);
    EXPECT_STREQ(empty, "");

    // Absurd widths are cut to a sane field instead of overflowing the count.
    EXPECT_EQ(crt::Format(nullptr, 0, "%99999999999999999999d", 1), std::size_t{1} << 20);
}

TEST(Format, User32LimitOf1024)
{
    struct Row {
        std::size_t length;
        int written;
    };
    const Row rows[] = {{1023, 1023}, {1024, 1024}, {1025, 1024}, {5000, 1024}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.length);
        const std::string text(r.length, 'a');
        Guarded out(1025);
        EXPECT_EQ(crt::wsprintfA(out.data(), "%s", text.c_str()), r.written);
        EXPECT_EQ(out.str(), text.substr(0, static_cast<std::size_t>(r.written)));
        EXPECT_TRUE(out.Intact());
    }
    char small[32];
    EXPECT_EQ(crt::wsprintfA(small, "%s=%u", "level", 3u), 7);
    EXPECT_STREQ(small, "level=3");
    EXPECT_EQ(crt::wsprintfA(nullptr, "%d", 1), 0);
}

}  // namespace
