// What only the POSIX backend has about files: user.DOSATTRIB, names with
// dots, symbolic links, sharing with other processes and threads, searches
// that stream.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "platform/posix/handles.h"
#include "platform/posix_fixture.h"

namespace brenvik {
namespace posixtest {
namespace {

std::string XattrOf(const std::string &file)
{
    char buf[64];
    ssize_t n = ::getxattr(file.c_str(), "user.DOSATTRIB", buf, sizeof buf);
    return n < 0 ? "<none>" : std::string(buf, static_cast<std::size_t>(n));
}

bool SetXattr(const std::string &file, const std::string &value)
{
    return ::setxattr(file.c_str(), "user.DOSATTRIB", value.data(), value.size(), 0) == 0;
}

using PosixFilesTest = PosixTest;

TEST_F(PosixFilesTest, DosAttributesFromXattrsModesAndNames)
{
    test::WriteHostFile(H("c/f.txt"), "");
    if (!SetXattr(H("c/f.txt"), "0x0"))
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    const struct {
        std::string value;
        DWORD attrs;
    } cases[] = {
        {"0x0", FILE_ATTRIBUTE_NORMAL},
        {std::string("0x24\0", 5), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE},
        // Samba's newer form: the text, a NUL, then a binary version block.
        {std::string("0x26\0\x04\0\x04\0\0\0\x11\x22", 13),
         FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE},
        {"0X2", FILE_ATTRIBUTE_HIDDEN},
        {"0x11", FILE_ATTRIBUTE_NORMAL},  // read-only and directory come from the mode
        {"0x", FILE_ATTRIBUTE_ARCHIVE}, {"22", FILE_ATTRIBUTE_ARCHIVE},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        ASSERT_TRUE(SetXattr(H("c/f.txt"), c.value));
        EXPECT_EQ(s().GetFileAttributesA("C:\\f.txt"), c.attrs);
    }
    // Written as Samba's text, without a NUL; read-only as the mode.
    ASSERT_TRUE(s().SetFileAttributesA("C:\\f.txt", FILE_ATTRIBUTE_HIDDEN | 0x20));
    EXPECT_EQ(XattrOf(H("c/f.txt")), "0x22");
    ASSERT_TRUE(s().SetFileAttributesA("C:\\f.txt", FILE_ATTRIBUTE_READONLY | 0x4));
    EXPECT_EQ(XattrOf(H("c/f.txt")), "0x4");
    struct stat st;
    ASSERT_EQ(::stat(H("c/f.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    // A new file asking for hidden gets it with the archive bit; a plain one nothing.
    HANDLE h = s().CreateFileA("C:\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_HIDDEN, nullptr);
    s().CloseHandle(h);
    EXPECT_EQ(XattrOf(H("c/new.txt")), "0x22");
    h = s().CreateFileA("C:\\plain.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    s().CloseHandle(h);
    EXPECT_EQ(XattrOf(H("c/plain.txt")), "<none>");
    // Overwriting a hidden file without saying so is refused, as on Windows.
    Mark();
    EXPECT_EQ(s().CreateFileA("C:\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    // A dot name is hidden; a directory without write permission is read-only.
    test::MakeHostDirs(H("c/.cache"));
    ::chmod(H("c/.cache").c_str(), 0555);
    EXPECT_EQ(s().GetFileAttributesA("C:\\.cache"),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY |
                                 FILE_ATTRIBUTE_READONLY));
    Mark();
    EXPECT_FALSE(s().RemoveDirectoryA("C:\\.cache"));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    // The handle that creates a read-only file may still write it.
    h = s().CreateFileA("C:\\ro.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_READONLY, nullptr);
    DWORD n = 0;
    EXPECT_TRUE(s().WriteFile(h, "abc", 3, &n, nullptr));
    s().CloseHandle(h);
    EXPECT_EQ(test::ReadHostFile(H("c/ro.txt")), "abc");
}

// A search reads an entry relative to its open directory; a status query
// goes by the whole path. Both must tell the same story of every kind of
// entry, "." and ".." included.
TEST_F(PosixFilesTest, SearchesAndLinksReportWhatGetFileAttributesExReports)
{
    test::MakeHostDirs(H("c/d/sub"));
    test::WriteHostFile(H("c/d/plain.txt"), std::string(1234, 'p'));
    test::WriteHostFile(H("c/d/system.sys"), "s");
    test::WriteHostFile(H("c/d/.dotted"), "");
    ASSERT_EQ(::symlink(H("c/d/sub").c_str(), H("c/d/dirlink").c_str()), 0);
    ASSERT_EQ(::symlink(H("c/d/plain.txt").c_str(), H("c/d/filelink").c_str()), 0);
    ASSERT_EQ(::mkfifo(H("c/d/fifo").c_str(), 0644), 0);
    const bool xattrs = SetXattr(H("c/d/system.sys"), "0x6");
    // Distinct times with a fraction, so that a field taken from the wrong
    // stamp shows.
    struct timespec times[2] = {{1500000000, 123456700}, {1600000000, 765432100}};
    ASSERT_EQ(::utimensat(AT_FDCWD, H("c/d/plain.txt").c_str(), times, 0), 0);
    const auto ticks = [](const FILETIME &t) {
        return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
    };
    constexpr uint64_t k1601 = 11644473600ull;  // seconds from 1601 to 1970
    // The name, the status query's path, the attributes (0: host-dependent).
    const std::map<std::string, std::pair<const char *, DWORD>> cases = {
        {"plain.txt", {"C:\\d\\plain.txt", FILE_ATTRIBUTE_ARCHIVE}},
        {"system.sys", {"C:\\d\\system.sys", xattrs ? 0x6u : 0x20u}},
        {".dotted", {"C:\\d\\.dotted", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE}},
        {"sub", {"C:\\d\\sub", FILE_ATTRIBUTE_DIRECTORY}},
        {"dirlink", {"C:\\d\\dirlink", FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY}},
        {"filelink", {"C:\\d\\filelink", FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE}},
        {"fifo", {"C:\\d\\fifo", FILE_ATTRIBUTE_ARCHIVE}},
        {".", {"C:\\d", FILE_ATTRIBUTE_DIRECTORY}},
        {"..", {"C:\\", 0}},
    };
    std::size_t seen = 0;
    WIN32_FIND_DATAA found;
    HANDLE h = s().FindFirstFileA("C:\\d\\*", &found);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do {
        SCOPED_TRACE(found.cFileName);
        const auto c = cases.find(found.cFileName);
        ASSERT_NE(c, cases.end());
        ++seen;
        const DWORD attrs = found.dwFileAttributes;
        const bool link = attrs & FILE_ATTRIBUTE_REPARSE_POINT;
        WIN32_FILE_ATTRIBUTE_DATA queried;
        ASSERT_TRUE(s().GetFileAttributesExA(c->second.first, GetFileExInfoStandard, &queried));
        if (c->second.second) {
            EXPECT_EQ(attrs, c->second.second);
        }
        EXPECT_EQ(attrs, queried.dwFileAttributes);
        EXPECT_EQ(found.nFileSizeLow, queried.nFileSizeLow);
        EXPECT_EQ(found.nFileSizeHigh, queried.nFileSizeHigh);
        EXPECT_EQ(ticks(found.ftLastWriteTime), ticks(queried.ftLastWriteTime));
        EXPECT_EQ(ticks(found.ftCreationTime), ticks(queried.ftCreationTime));
        // Following a link may stamp its access time in between.
        if (!link) {
            EXPECT_EQ(ticks(found.ftLastAccessTime), ticks(queried.ftLastAccessTime));
        }
        EXPECT_EQ(found.dwReserved0, link ? 0xA000000Cu : 0u);
        if (c->first != "plain.txt")
            continue;
        EXPECT_EQ(found.nFileSizeLow, 1234u);
        EXPECT_EQ(ticks(found.ftLastWriteTime), (1600000000ull + k1601) * 10000000ull + 7654321);
        EXPECT_EQ(ticks(found.ftLastAccessTime), (1500000000ull + k1601) * 10000000ull + 1234567);
    } while (s().FindNextFileA(h, &found));
    EXPECT_TRUE(s().FindClose(h));
    EXPECT_EQ(seen, cases.size());

    // Links: a search does not go through one to a directory; opening follows
    // one to a file; deleting removes the link itself, each by its own call.
    test::WriteHostFile(H("c/d/sub/keep.txt"), "keep");
    ASSERT_EQ(::symlink(H("c/none").c_str(), H("c/d/dangling").c_str()), 0);
    EXPECT_EQ(s().GetFileAttributesA("C:\\d\\dangling"),
              static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE));
    h = s().CreateFileA("C:\\d\\filelink", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(s().GetFileSize(h, nullptr), 1234u);
    s().CloseHandle(h);
    Mark();
    EXPECT_EQ(s().FindFirstFileA("C:\\d\\dirlink\\*", &found), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    Mark();
    EXPECT_FALSE(s().DeleteFileA("C:\\d\\dirlink"));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    Mark();
    EXPECT_FALSE(s().RemoveDirectoryA("C:\\d\\filelink"));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_DIRECTORY));
    EXPECT_TRUE(s().DeleteFileA("C:\\d\\filelink"));
    EXPECT_TRUE(s().DeleteFileA("C:\\d\\dangling"));
    EXPECT_TRUE(s().RemoveDirectoryA("C:\\d\\dirlink"));
    EXPECT_FALSE(test::HostExists(H("c/d/dirlink")));
    EXPECT_EQ(test::ReadHostFile(H("c/d/plain.txt")).size(), 1234u);
    EXPECT_EQ(test::ReadHostFile(H("c/d/sub/keep.txt")), "keep");
}

// The calls on a search's entries act in the directory the search holds
// open: after that directory is swapped for a link, they still act in it,
// and a link they are given is removed, never followed.
TEST_F(PosixFilesTest, CallsOnListedEntriesStayInTheListedDirectory)
{
    test::MakeHostDirs(H("c/d/sub"));
    test::WriteHostFile(H("c/d/a.txt"), "in d");
    test::WriteHostFile(H("c/d/sub/s.txt"), "in sub");
    test::MakeHostDirs(H("out/sub"));
    test::WriteHostFile(H("out/a.txt"), "outside");
    test::WriteHostFile(H("out/sub/s.txt"), "outside");
    test::WriteHostFile(H("out/f.txt"), "outside");
    WIN32_FIND_DATAA data;
    HANDLE search = s().FindFirstFileA("C:\\d\\*", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    ASSERT_EQ(::rename(H("c/d").c_str(), H("c/moved").c_str()), 0);
    ASSERT_EQ(::symlink(H("out").c_str(), H("c/d").c_str()), 0);
    ASSERT_EQ(::symlink(H("out/f.txt").c_str(), H("c/moved/filelink").c_str()), 0);
    ASSERT_EQ(::symlink(H("out/sub").c_str(), H("c/moved/dirlink").c_str()), 0);

    HANDLE inner = s().FindFirstFileInA(search, "C:\\d\\sub\\*.txt", &data);
    ASSERT_NE(inner, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "s.txt");
    EXPECT_TRUE(s().DeleteFileInA(inner, "C:\\d\\sub\\s.txt"));
    EXPECT_TRUE(s().FindClose(inner));
    EXPECT_TRUE(s().RemoveDirectoryInA(search, "C:\\d\\sub"));
    EXPECT_TRUE(s().DeleteFileInA(search, "C:\\d\\a.txt"));
    // A link takes the call of what it leads to.
    Mark();
    EXPECT_FALSE(s().RemoveDirectoryInA(search, "C:\\d\\filelink"));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_DIRECTORY));
    Mark();
    EXPECT_FALSE(s().DeleteFileInA(search, "C:\\d\\dirlink"));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(s().DeleteFileInA(search, "C:\\d\\filelink"));
    Mark();
    EXPECT_EQ(s().FindFirstFileInA(search, "C:\\d\\dirlink\\*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(s().RemoveDirectoryInA(search, "C:\\d\\dirlink"));
    EXPECT_TRUE(std::filesystem::is_empty(H("c/moved")));
    EXPECT_EQ(test::ReadHostFile(H("out/a.txt")), "outside");
    EXPECT_EQ(test::ReadHostFile(H("out/sub/s.txt")), "outside");
    EXPECT_EQ(test::ReadHostFile(H("out/f.txt")), "outside");

    // What is no entry name, and what is no search.
    for (const char *bad : {"C:\\d\\", "C:\\d\\.", "C:\\d\\..", "C:\\d\\a*"}) {
        SCOPED_TRACE(bad);
        Mark();
        EXPECT_FALSE(s().DeleteFileInA(search, bad));
        EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_INVALID_NAME));
        Mark();
        const std::string in = std::string(bad) + "\\*";
        EXPECT_EQ(s().FindFirstFileInA(search, in.c_str(), &data), INVALID_HANDLE_VALUE);
        EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_INVALID_NAME));
    }
    EXPECT_TRUE(s().FindClose(search));
    for (HANDLE h : {search, static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        Mark();
        EXPECT_FALSE(s().RemoveDirectoryInA(h, "C:\\d\\x"));
        EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        Mark();
        EXPECT_EQ(s().FindFirstFileInA(h, "C:\\d\\x\\*", &data), INVALID_HANDLE_VALUE);
        EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
}

TEST_F(PosixFilesTest, SearchesSkipUnusableNamesAndWalkLargeDirectories)
{
    test::MakeHostDirs(H("c/d"));
    for (const char *name : {"ok.txt", "back\\slash.txt", "colon:.txt", "star*.txt"})
        test::WriteHostFile(H("c/d/") + name, "");
    test::WriteHostFile(H("c/d/") + std::string(255, 'n'), "");
    WIN32_FIND_DATAA data;
    HANDLE h = s().FindFirstFileA("C:\\d\\*.txt", &data);
    EXPECT_STREQ(h != INVALID_HANDLE_VALUE ? data.cFileName : "", "ok.txt");
    Mark();
    EXPECT_FALSE(s().FindNextFileA(h, &data));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    s().FindClose(h);
    h = s().FindFirstFileA("C:\\d\\nnn*", &data);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE ? std::strlen(data.cFileName) : 0, 255u);
    s().FindClose(h);
    // The root of a drive lists no "." and "..".
    h = s().FindFirstFileA("C:\\*", &data);
    EXPECT_STREQ(h != INVALID_HANDLE_VALUE ? data.cFileName : "", "d");
    s().FindClose(h);

    // More entries than one read of the directory returns.
    test::MakeHostDirs(H("c/many"));
    for (int i = 0; i < 2000; ++i)
        test::WriteHostFile(H("c/many/f") + std::to_string(i), "");
    h = s().FindFirstFileA("C:\\many\\*", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    int count = 1;
    test::MakeHostDirs(H("c/many/late"));  // may or may not be seen
    while (s().FindNextFileA(h, &data))
        ++count;
    EXPECT_GE(count, 2002);  // the files, "." and ".."
    EXPECT_LE(count, 2003);
    EXPECT_TRUE(s().FindClose(h));
    EXPECT_EQ(platform::posix::LiveHandles(platform::posix::HandleKind::kFind), 0u);
}

// Our exclusive open as another thread and a child process see it; the
// child's exit code says what it saw.
TEST_F(PosixFilesTest, ShareModesOfOursSeenByThreadsAndChildren)
{
    test::WriteHostFile(H("c/p.txt"), "x");
    HANDLE mine = s().CreateFileA("C:\\p.txt", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(mine, INVALID_HANDLE_VALUE);
    auto tryIt = [this] {
        HANDLE h = s().CreateFileA("C:\\p.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
        const DWORD openError = h == INVALID_HANDLE_VALUE ? s().GetLastError() : 0;
        if (h != INVALID_HANDLE_VALUE)
            s().CloseHandle(h);
        const DWORD deleteError = s().DeleteFileA("C:\\p.txt") ? 0 : s().GetLastError();
        return openError == ERROR_SHARING_VIOLATION && deleteError == ERROR_SHARING_VIOLATION;
    };
    bool threadSaw = false;
    std::thread other([&] { threadSaw = tryIt(); });
    other.join();
    EXPECT_TRUE(threadSaw);
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(tryIt() ? 0 : 1);
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    s().CloseHandle(mine);
    EXPECT_TRUE(test::HostExists(H("c/p.txt")));
    // A directory held without delete sharing stays.
    test::MakeHostDirs(H("c/held"));
    HANDLE h = s().CreateFileA("C:\\held", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    Mark();
    EXPECT_FALSE(s().RemoveDirectoryA("C:\\held"));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    s().CloseHandle(h);
    EXPECT_TRUE(s().RemoveDirectoryA("C:\\held"));
}

TEST_F(PosixFilesTest, HandlesGarbageSizesBeyondFourGigabytesAndMovesAcrossFileSystems)
{
    char junk[64];
    std::memset(junk, 0x5a, sizeof junk);
    DWORD n;
    Mark();
    EXPECT_FALSE(s().ReadFile(junk, junk, 1, &n, nullptr));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(s().CloseHandle(reinterpret_cast<HANDLE>(0x1234)));

    // A sparse file whose low 32 bits of size are all ones.
    test::WriteHostFile(H("c/big.bin"), "");
    if (::truncate(H("c/big.bin").c_str(), 0x1FFFFFFFFLL) == 0) {
        HANDLE h = s().CreateFileA("C:\\big.bin", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                   nullptr);
        DWORD high = 0;
        Mark();
        EXPECT_EQ(s().GetFileSize(h, &high), INVALID_FILE_SIZE);
        EXPECT_EQ(high, 1u);
        EXPECT_EQ(Err(), static_cast<DWORD>(NO_ERROR));  // a size, not a failure
        LONG moveHigh = 1;
        EXPECT_EQ(s().SetFilePointer(h, -1, &moveHigh, FILE_BEGIN), INVALID_SET_FILE_POINTER);
        EXPECT_EQ(moveHigh, 1);
        EXPECT_EQ(Err(), static_cast<DWORD>(NO_ERROR));
        // Without a high part the position must fit 32 bits.
        EXPECT_EQ(s().SetFilePointer(h, 0x10, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
        EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        s().CloseHandle(h);
    }

    // /dev/shm is a tmpfs apart from the temporary directory's file system
    // on most hosts; where it is the same, the move is a rename.
    test::WriteHostFile(H("c/moving.txt"), "payload");
    char shm[] = "/dev/shm/brenvik-XXXXXX";
    if (::mkdtemp(shm) == nullptr)
        return;
    SetRegistry({DriveKey('C', H("c"), "fixed"), DriveKey('R', shm, "ramdisk")});
    EXPECT_TRUE(s().MoveFileA("C:\\moving.txt", "R:\\moved.txt")) << Err();
    EXPECT_FALSE(test::HostExists(H("c/moving.txt")));
    EXPECT_EQ(test::ReadHostFile(std::string(shm) + "/moved.txt"), "payload");
    ::unlink((std::string(shm) + "/moved.txt").c_str());
    ::rmdir(shm);
}

}  // namespace
}  // namespace posixtest
}  // namespace brenvik
