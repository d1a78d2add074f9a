// The rows of the conformance table. Each call under test is preceded by
// Mark(), and its exact result and Win32 error code are asserted.
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/conformance.h"

namespace brenvik {
namespace conformance {

HANDLE PlatformConformance::Open(const std::string &relative, DWORD access, DWORD share,
                                 DWORD disposition, DWORD flags)
{
    return s().CreateFileA(P(relative).c_str(), access, share, nullptr, disposition, flags,
                           nullptr);
}

void PlatformConformance::MakeFile(const std::string &relative, const std::string &content)
{
    HANDLE h = Open(relative, GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << relative << " error " << Err();
    DWORD written = 0;
    ASSERT_TRUE(s().WriteFile(h, content.data(), DWORD(content.size()), &written, nullptr));
    ASSERT_TRUE(s().CloseHandle(h));
}

void PlatformConformance::MakeDir(const std::string &relative)
{
    ASSERT_TRUE(Do('m', relative)) << relative << " error " << Err();
}

std::string PlatformConformance::ReadAll(const std::string &relative)
{
    HANDLE h = Open(relative, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    char buf[512];
    DWORD got = 0;
    const bool read = h != INVALID_HANDLE_VALUE && s().ReadFile(h, buf, sizeof buf, &got, nullptr);
    Opened(h);
    return read ? std::string(buf, got) : "";
}

bool PlatformConformance::Opened(HANDLE h)
{
    if (h == INVALID_HANDLE_VALUE)
        return false;
    EXPECT_TRUE(s().CloseHandle(h));
    return true;
}

bool CallByLetter(platform::Services &s, char op, const char *p, const char *to,
                  const HANDLE *entries, std::string *found)
{
    WIN32_FIND_DATAA data;
    HANDLE h;
    switch (op) {
    case 'd': return (entries ? s.DeleteFileInA(*entries, p) : s.DeleteFileA(p)) != 0;
    case 'm': return s.CreateDirectoryA(p, nullptr) != 0;
    case 'r': return (entries ? s.RemoveDirectoryInA(*entries, p) : s.RemoveDirectoryA(p)) != 0;
    case 'a': return s.GetFileAttributesA(p) != INVALID_FILE_ATTRIBUTES;
    case 's': return s.SetFileAttributesA(p, 0) != 0;
    case 'v': return s.MoveFileA(p, to) != 0;
    case 'f':
        h = entries ? s.FindFirstFileInA(*entries, p, &data) : s.FindFirstFileA(p, &data);
        if (found != nullptr)
            *found = h != INVALID_HANDLE_VALUE ? data.cFileName : "";
        return h != INVALID_HANDLE_VALUE && s.FindClose(h);
    }
    const DWORD R = GENERIC_READ, W = GENERIC_WRITE, backup = FILE_FLAG_BACKUP_SEMANTICS,
                normal = FILE_ATTRIBUTE_NORMAL;
    const struct { char op; DWORD access, disposition, flags; } opens[] = {
        {'o', R, OPEN_EXISTING, 0}, {'n', R, CREATE_NEW, 0}, {'O', R, OPEN_EXISTING, backup},
        {'N', R, CREATE_NEW, backup}, {'w', W, CREATE_ALWAYS, normal},
        {'x', W, OPEN_EXISTING, normal}, {'t', W, TRUNCATE_EXISTING, normal},
    };
    for (const auto &o : opens) {
        if (o.op != op)
            continue;
        h = s.CreateFileA(p, o.access, o.access == R ? FILE_SHARE_READ : 0, nullptr,
                          o.disposition, o.flags, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        EXPECT_TRUE(s.CloseHandle(h));
        return true;
    }
    ADD_FAILURE() << "no call " << op;
    return false;
}

bool PlatformConformance::Do(char op, const std::string &path, const std::string &to)
{
    return CallByLetter(s(), op, P(path).c_str(), P(to).c_str(), in_ ? &in_ : nullptr, &found_);
}

void PlatformConformance::Check(bool ok, DWORD error)
{
    EXPECT_EQ(std::make_pair(ok, ok ? 0 : Err()), std::make_pair(error == 0, error));
}

void PlatformConformance::ExpectRows(const std::vector<Row> &rows)
{
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string(1, r.op) + " " + r.path + " " + r.to);
        Mark();
        Check(Do(r.op, r.path, r.to), r.error);
    }
}

void PlatformConformance::ExpectCalls(const std::vector<Call> &calls)
{
    for (const Call &c : calls) {
        SCOPED_TRACE(c.what);
        Mark();
        Check(c.call(), c.error);
    }
}

// The calls on a search's entries answer as the path calls they stand for.
TEST_P(PlatformConformance, PathCallsAndCallsOnListedEntriesGiveWindowsCodes)
{
    MakeFile("f.txt", "x");
    MakeFile("ro.txt", "r");
    MakeFile("held.txt", "h");
    MakeDir("full");
    MakeFile("full\\in.txt", "in");
    MakeDir("empty");
    ASSERT_TRUE(s().SetFileAttributesA(P("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    const DWORD AD = ERROR_ACCESS_DENIED, AE = ERROR_ALREADY_EXISTS, FNF = ERROR_FILE_NOT_FOUND,
                PNF = ERROR_PATH_NOT_FOUND, DIR = ERROR_DIRECTORY;
    std::vector<Row> rows = {
        {'d', "none.txt", FNF}, {'d', "nodir\\none.txt", PNF}, {'d', "full", AD},
        {'d', "ro.txt", AD}, {'m', "FULL", AE}, {'m', "a\\b", PNF}, {'m', "trailing\\", 0},
        {'r', "full", ERROR_DIR_NOT_EMPTY}, {'r', "none", FNF}, {'r', "full\\in.txt", DIR},
        {'r', "EMPTY", 0}, {'a', "f.txt\\x", PNF}, {'a', "wild*.txt", ERROR_INVALID_NAME},
        {'s', "none", FNF}, {'v', "f.txt", AE, "ro.txt"}, {'v', "f.txt", PNF, "nodir\\d.txt"},
        {'v', "none.txt", FNF, "d.txt"},
        // A name of MAX_PATH characters or more is refused before any lookup.
        {'o', std::string(MAX_PATH, 'a'), ERROR_FILENAME_EXCED_RANGE},
        {'o', "full", AD}, {'O', "full", 0}, {'N', "full", ERROR_FILE_EXISTS},
        {'f', "full\\*.exe", FNF}, {'f', "missing\\*", PNF}, {'f', "full\\", FNF},
    };
    for (const char *bad : {"a<b.txt", "a>b.txt", "a|b.txt", "a\"b.txt", "a*b.txt", "a?b.txt"})
        rows.push_back({'w', bad, ERROR_INVALID_NAME});
    if (!Wine())  // Wine run as root opens a read-only file for writing
        rows.push_back({'t', "ro.txt", AD});
    ExpectRows(rows);
    WIN32_FILE_ATTRIBUTE_DATA attrs;
    ExpectCalls({
        {"mkdir the drive root",
         [&] { return s().CreateDirectoryA(backend().DriveRoot().c_str(), nullptr) != 0; }, AE},
        {"open the empty name",
         [&] { return Opened(s().CreateFileA("", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                             nullptr)); },
         PNF},
        {"attributes at a level there is none of",
         [&] { return s().GetFileAttributesExA(P("full").c_str(), GetFileExMaxInfoLevel, &attrs); },
         ERROR_INVALID_PARAMETER},
    });
    // The refused calls changed nothing.
    EXPECT_EQ(ReadAll("f.txt") + ReadAll("ro.txt") + ReadAll("full\\in.txt"), "xrin");
    EXPECT_TRUE(Exists("trailing"));
    EXPECT_FALSE(Exists("empty"));

    WIN32_FIND_DATAA data;
    in_ = s().FindFirstFileA(P("*").c_str(), &data);
    ASSERT_NE(in_, INVALID_HANDLE_VALUE) << Err();
    HANDLE held = Open("held.txt", GENERIC_READ, FILE_SHARE_READ);
    ExpectRows({
        {'d', "none.txt", FNF}, {'d', "full", AD}, {'d', "ro.txt", AD}, {'r', "f.txt", DIR},
        {'d', "held.txt", ERROR_SHARING_VIOLATION}, {'r', "full", ERROR_DIR_NOT_EMPTY},
        {'f', "full\\*.exe", FNF}, {'f', "full\\*.txt", 0}, {'d', "f.txt", 0}, {'r', "trailing", 0},
    });
    EXPECT_EQ(found_, "in.txt");
    EXPECT_TRUE(Opened(held));
    EXPECT_TRUE(s().FindClose(in_));
    EXPECT_FALSE(Exists("f.txt") || Exists("trailing"));
    EXPECT_EQ(ReadAll("ro.txt") + ReadAll("held.txt") + ReadAll("full\\in.txt"), "rhin");
}

TEST_P(PlatformConformance, CreateFileDispositionsGiveWindowsResults)
{
    const DWORD AE = ERROR_ALREADY_EXISTS, FNF = ERROR_FILE_NOT_FOUND, IP = ERROR_INVALID_PARAMETER;
    const struct {
        DWORD disposition;
        bool fileExists, succeeds;
        DWORD error;     // the last error after the call
        bool truncated;  // an existing file's content is gone
    } cases[] = {
        {CREATE_NEW, false, true, 0, false}, {CREATE_NEW, true, false, ERROR_FILE_EXISTS, false},
        {CREATE_ALWAYS, false, true, 0, false}, {CREATE_ALWAYS, true, true, AE, true},
        {OPEN_EXISTING, false, false, FNF, false}, {OPEN_EXISTING, true, true, 0, false},
        {OPEN_ALWAYS, false, true, 0, false}, {OPEN_ALWAYS, true, true, AE, false},
        {TRUNCATE_EXISTING, false, false, FNF, false}, {TRUNCATE_EXISTING, true, true, 0, true},
        {0, true, false, IP, false}, {6, true, false, IP, false},
    };
    int n = 0;
    for (const auto &c : cases) {
        const std::string name = "disp" + std::to_string(n++) + ".txt";
        SCOPED_TRACE(name);
        if (c.fileExists)
            MakeFile(name, "content");
        Mark();
        EXPECT_EQ(Opened(Open(name, GENERIC_READ | GENERIC_WRITE, 0, c.disposition)), c.succeeds);
        EXPECT_EQ(Err(), c.error);
        if (c.fileExists) {
            EXPECT_EQ(ReadAll(name), c.truncated ? "" : "content");
        } else {
            EXPECT_EQ(Exists(name), c.succeeds);
        }
    }
    if (Wine())  // it ignores unknown share bits and truncates through a reader
        return;
    MakeFile("f.txt", "x");
    ExpectCalls({
        {"unknown share bits", [&] { return Opened(Open("f.txt", GENERIC_READ, 0x10)); }, IP},
        {"truncate a reader",
         [&] { return Opened(Open("f.txt", GENERIC_READ, FILE_SHARE_READ, TRUNCATE_EXISTING)); },
         IP},
    });
    EXPECT_EQ(ReadAll("f.txt"), "x");
}

TEST_P(PlatformConformance, ReadWriteAndSeekThroughAHandle)
{
    HANDLE h = Open("rw.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(s().WriteFile(h, "0123456789", 10, &n, nullptr));
    EXPECT_EQ(n, 10u);
    EXPECT_EQ(s().SetFilePointer(h, 2, nullptr, FILE_BEGIN), 2u);
    char buf[16] = {};
    ASSERT_TRUE(s().ReadFile(h, buf, 3, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "234");
    EXPECT_EQ(s().SetFilePointer(h, -2, nullptr, FILE_END), 8u);
    ASSERT_TRUE(s().ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "89");
    Mark();  // before the start: refused, the position stays
    EXPECT_EQ(s().SetFilePointer(h, -11, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(Err(), 131u);  // ERROR_NEGATIVE_SEEK
    EXPECT_EQ(s().SetFilePointer(h, 0, nullptr, FILE_CURRENT), 10u);
    LONG high = 1;  // with a high part: a 64-bit position, written back
    EXPECT_EQ(s().SetFilePointer(h, 5, &high, FILE_BEGIN), 5u);
    EXPECT_EQ(high, 1);
    Mark();
    EXPECT_EQ(s().SetFilePointer(h, 0, nullptr, 3), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(s().CloseHandle(h));
}

TEST_P(PlatformConformance, HandlesRefuseWhatTheyWereNotOpenedFor)
{
    MakeFile("acc.txt", "abc");
    const DWORD shareRW = FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE reader = Open("acc.txt", GENERIC_READ, shareRW);
    HANDLE writer = Open("acc.txt", GENERIC_WRITE, shareRW);
    ASSERT_TRUE(reader != INVALID_HANDLE_VALUE && writer != INVALID_HANDLE_VALUE);
    WIN32_FIND_DATAA data;
    HANDLE find = s().FindFirstFileA(P("*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    HANDLE closed = Open("h.txt", GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_TRUE(s().CloseHandle(closed));
    char buf[4];
    DWORD n;
    const DWORD IH = ERROR_INVALID_HANDLE;
    ExpectCalls({
        {"write a reader", [&] { return s().WriteFile(reader, "x", 1, &n, nullptr) != 0; },
         ERROR_ACCESS_DENIED},
        {"read a writer", [&] { return s().ReadFile(writer, buf, 1, &n, nullptr) != 0; },
         ERROR_ACCESS_DENIED},
        {"find close of a file", [&] { return s().FindClose(reader) != 0; }, IH},
    });
    for (HANDLE bad : {HANDLE(nullptr), INVALID_HANDLE_VALUE, closed}) {
        const bool pseudo = bad == INVALID_HANDLE_VALUE;
        std::vector<Call> calls = {
            {"read", [&] { return s().ReadFile(bad, buf, 1, &n, nullptr) != 0; }, IH},
            {"size", [&] { return s().GetFileSize(bad, nullptr) != INVALID_FILE_SIZE; }, IH},
        };
        // A find handle is a pointer on Windows: a null or stale one is
        // undefined there (Wine follows it and faults).
        if (pseudo || !Wine()) {
            calls.push_back({"find close", [&] { return s().FindClose(bad) != 0; }, IH});
            calls.push_back({"find next", [&] { return s().FindNextFileA(bad, &data) != 0; }, IH});
        }
        // INVALID_HANDLE_VALUE is also the process's pseudo-handle, and
        // closing a pseudo-handle succeeds without doing anything.
        calls.push_back({"close", [&] { return s().CloseHandle(bad) != 0; }, pseudo ? 0 : IH});
        ExpectCalls(calls);
        EXPECT_EQ(Err(), pseudo ? kMarker : IH);
    }
    EXPECT_TRUE(Opened(reader) && Opened(writer));
    EXPECT_TRUE(s().FindClose(find));
    if (!Wine()) {  // freed memory on Windows, and a live handle to Wine
        Mark();
        Check(s().FindClose(find), IH);
    }
}

// Opens without read, write or delete access conflict with nothing; delete
// access needs delete sharing, and GENERIC_ALL includes delete.
TEST_P(PlatformConformance, ShareModesDecideWhetherTwoOpensMeet)
{
    const DWORD R = GENERIC_READ, W = GENERIC_WRITE, SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE,
                SD = FILE_SHARE_DELETE, RA = FILE_READ_ATTRIBUTES, D = DELETE, ALL = GENERIC_ALL;
    const struct {
        DWORD firstAccess, firstShare, secondAccess, secondShare;
        bool compatible;
    } cases[] = {
        {R, SR, R, SR, true}, {R, SR, W, SR, false}, {W, SR, R, SR, false},
        {W, SR, R, SR | SW, true}, {R, 0, R, SR | SW, false}, {R, 0, RA, 0, true},
        {RA, 0, R | W, 0, true}, {D, SR, R, SR | SD, true}, {ALL, SR | SW, R, SR | SW, false},
    };
    MakeFile("share.txt", "data");
    // Share modes belong to each open, so an open of this process is as much
    // another opener as one of another process.
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(n++);
        HANDLE first = Open("share.txt", c.firstAccess, c.firstShare);
        ASSERT_NE(first, INVALID_HANDLE_VALUE) << Err();
        Mark();
        const bool opened = Opened(Open("share.txt", c.secondAccess, c.secondShare));
        EXPECT_EQ(opened, c.compatible);
        if (!opened) {
            EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        }
        EXPECT_TRUE(s().CloseHandle(first));
    }
    // Truncation waits for the share check.
    HANDLE reader = Open("share.txt", GENERIC_READ, FILE_SHARE_READ);
    Mark();
    EXPECT_FALSE(Opened(Open("share.txt", GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS)));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(s().CloseHandle(reader));
    EXPECT_EQ(ReadAll("share.txt"), "data");
}

// A move or a deletion needs delete sharing from every opener.
TEST_P(PlatformConformance, DeleteAndMoveFilesAndDirectories)
{
    MakeFile("open.txt", "x");
    MakeDir("held");
    HANDLE held = Open("open.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    HANDLE dir = Open("held", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS);
    const DWORD SV = ERROR_SHARING_VIOLATION;
    ExpectRows({{'d', "open.txt", SV}, {'v', "open.txt", SV, "d.txt"}, {'r', "held", SV}});
    EXPECT_TRUE(Opened(dir) && Opened(held));
    EXPECT_TRUE(Exists("open.txt") && Exists("held"));
    EXPECT_FALSE(Exists("d.txt"));
    HANDLE h = Open("open.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Do('d', "open.txt"));
    s().CloseHandle(h);
    EXPECT_FALSE(Exists("open.txt"));
    h = Open("temp.tmp", GENERIC_WRITE, 0, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << Err();
    DWORD n;
    EXPECT_TRUE(s().WriteFile(h, "abc", 3, &n, nullptr));
    EXPECT_TRUE(Exists("temp.tmp"));
    EXPECT_TRUE(s().CloseHandle(h));
    EXPECT_FALSE(Exists("temp.tmp"));
    MakeFile("held\\in.txt", "in");
    EXPECT_TRUE(Do('v', "held", "dir2"));
    EXPECT_EQ(ReadAll("dir2\\in.txt"), "in");
    MakeFile("c.txt", "c");
    EXPECT_TRUE(Do('v', "c.txt", "C.TXT")) << Err();  // only the case of a name
    // Wine finds the target to be the source itself and keeps the old name.
    EXPECT_TRUE(Do('f', "c.txt"));
    EXPECT_EQ(found_, Wine() ? "c.txt" : "C.TXT");
}

// Windows' own reading of a name before any lookup: letter case, trailing
// periods and blanks, closing separators, streams and DOS devices. Every row
// is Windows' answer; where Wine answers otherwise the row says so.
TEST_P(PlatformConformance, WindowsNameRulesDecideWhichEntryACallReaches)
{
    MakeDir("a");
    MakeFile("a\\b.txt", "b");
    MakeFile("f.txt", "f");
    const DWORD A = FILE_ATTRIBUTE_ARCHIVE, D = FILE_ATTRIBUTE_DIRECTORY;
    const struct { const char *name; DWORD attrs; } spellings[] = {
        {"a\\", D}, {"F.TXT", A}, {"a.", D}, {"f.txt. ", A}, {"a\\..\\f.txt", A},
    };
    for (const auto &c : spellings) {
        Mark();
        EXPECT_EQ(s().GetFileAttributesA(P(c.name).c_str()), c.attrs) << c.name;
        EXPECT_EQ(Err(), kMarker) << c.name;
    }
    const DWORD AD = ERROR_ACCESS_DENIED, FNF = ERROR_FILE_NOT_FOUND, PNF = ERROR_PATH_NOT_FOUND;
    std::vector<Row> rows = {
        // One period off a directory's name, every period and blank off the
        // final name only, and nothing off a name a separator closes.
        {'a', "a.\\b.txt", 0}, {'a', "a..\\b.txt", PNF}, {'a', "a \\b.txt", PNF},
        {'a', "A\\B.TXT. .", 0}, {'r', "a \\", FNF}, {'m', "a \\c", PNF},
        {'v', "f.txt", ERROR_DIRECTORY, "f2.txt\\"},
        // Streams: the unnamed one is the file; no other one exists.
        {'a', "f.txt:s", FNF}, {'d', "none\\f.txt:s", PNF}, {'v', "f.txt:s", FNF, "g.txt"},
        // DOS devices, with or without an extension, in any directory.
        {'a', "a\\nul.txt", 0}, {'o', "a\\NUL", 0},
    };
    if (!Wine()) {
        // Wine refuses a device's deletion with 87, its rename with 66 and its
        // removal with 6, makes a directory named like a device, knows no
        // unnamed stream, and keeps a stream as a host name with a colon.
        rows.insert(rows.end(), {{'d', "a\\con", AD}, {'m', "aux.txt", ERROR_ALREADY_EXISTS},
                                 {'v', "f.txt", AD, "a\\com1"}, {'r', "lpt1", ERROR_DIRECTORY},
                                 {'a', "f.txt::$DATA", 0}, {'n', "g.txt:s", ERROR_INVALID_NAME},
                                 {'m', "d:s", ERROR_INVALID_NAME}});
    }
    ExpectRows(rows);
    EXPECT_EQ(ReadAll("f.txt") + ReadAll("a\\b.txt"), "fb");
}

TEST_P(PlatformConformance, FindFilesMatchesWindowsPatterns)
{
    MakeDir("dir");
    MakeDir("dir\\sub");
    MakeDir("empty");
    using Names = std::set<std::string>;
    const Names files = {"a.txt", "B.TXT", "noext", "ab.txt", "a.b.c", "long.html", "a.txt.bak"};
    for (const std::string &name : files)
        MakeFile("dir\\" + name);
    Names all = files;
    all.insert({".", "..", "sub"});
    // Wine matches '?' as exactly one character and "*." as "*"; Windows lets
    // '?' match nothing before a dot or at the end, and "*." match only names
    // without a dot.
    const struct { const char *pattern; Names names; } cases[] = {
        {"dir\\*", all}, {"dir\\*.*", all}, {"dir\\*.TXT", {"a.txt", "B.TXT", "ab.txt"}},
        {"dir\\?.txt", {"a.txt", "B.TXT"}},
        {"dir\\a?.txt", Wine() ? Names{"ab.txt"} : Names{"a.txt", "ab.txt"}},
        {"dir\\*.", Wine() ? all : Names{".", "..", "noext", "sub"}},
        {"dir\\a*", {"a.txt", "ab.txt", "a.b.c", "a.txt.bak"}}, {"dir\\NOEXT", {"noext"}},
        {"empty\\*", {".", ".."}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pattern);
        Names names;
        WIN32_FIND_DATAA data;
        HANDLE h = s().FindFirstFileA(P(c.pattern).c_str(), &data);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << Err();
        do
            names.insert(data.cFileName);
        while (s().FindNextFileA(h, &data));
        EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
        s().FindClose(h);
        EXPECT_EQ(names, c.names);
    }
}

TEST_P(PlatformConformance, DrivesAndVolumes)
{
    const std::string root = backend().DriveRoot();
    const std::string unused = std::string(1, backend().UnusedDriveLetter()) + ":\\";
    MakeDir("dir");
    // Wine looks at the drive letter alone; Windows wants the root itself.
    const struct { std::string root; UINT type; } types[] = {
        {root, DRIVE_FIXED}, {root.substr(0, 2), DRIVE_FIXED}, {unused, DRIVE_NO_ROOT_DIR},
        {P("dir\\"), Wine() ? UINT(DRIVE_FIXED) : UINT(DRIVE_NO_ROOT_DIR)}};
    for (const auto &t : types)
        EXPECT_EQ(s().GetDriveTypeA(t.root.c_str()), t.type) << t.root;
    char remote[MAX_PATH];
    DWORD length = sizeof remote;
    // Wine calls a letter without a drive a bad device; Windows, not connected.
    EXPECT_EQ(s().WNetGetConnectionA(unused.substr(0, 2).c_str(), remote, &length),
              static_cast<DWORD>(Wine() ? ERROR_BAD_DEVICE : ERROR_NOT_CONNECTED));
    HMODULE kernel = s().GetModuleHandleA("KERNEL32.DLL");
    auto query = reinterpret_cast<PFN_GetDiskFreeSpaceExA>(
        reinterpret_cast<void (*)()>(s().GetProcAddress(kernel, "GetDiskFreeSpaceExA")));
    ASSERT_NE(query, nullptr);
    ULARGE_INTEGER bytes, again;
    ASSERT_TRUE(query(root.c_str(), nullptr, &bytes, nullptr));
    // A directory answers for its volume.
    EXPECT_TRUE(query(P("").c_str(), nullptr, &again, nullptr));
    EXPECT_EQ(again.QuadPart, bytes.QuadPart);
    char label[100], fsName[32];
    DWORD maxComponent = 0, flags = 0;
    ASSERT_TRUE(s().GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr,
                                          &maxComponent, &flags, fsName, sizeof fsName))
        << Err();
    EXPECT_EQ(maxComponent, 255u);
    EXPECT_NE(fsName[0], '\0');
    EXPECT_TRUE(flags & FS_CASE_IS_PRESERVED);
    ExpectCalls({
        {"free space, no drive",
         [&] { return s().GetDiskFreeSpaceA(unused.c_str(), nullptr, nullptr, nullptr, nullptr); },
         ERROR_PATH_NOT_FOUND},
        {"no such function", [&] { return s().GetProcAddress(kernel, "NoSuch") != nullptr; },
         ERROR_PROC_NOT_FOUND},
        {"no such module", [&] { return s().GetModuleHandleA("nosuch.dll") != nullptr; },
         ERROR_MOD_NOT_FOUND},
        {"volume, no room for the file system name",
         [&] {
             return s().GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr,
                                              fsName, 1) != 0;
         },
         24},  // ERROR_BAD_LENGTH
    });
}

}  // namespace conformance
}  // namespace brenvik
