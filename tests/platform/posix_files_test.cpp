// What only the POSIX backend has about files: user.DOSATTRIB, names with
// dots, symbolic links, sharing with other processes and threads, searches
// that stream.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <thread>

#include "platform/posix/dos_attr.h"
#include "platform/posix/handles.h"
#include "platform/posix_fixture.h"

namespace brenvik {
namespace posixtest {
namespace {

using platform::posix::ParseDosAttrib;

bool HostHasUserXattrs(const std::string &file)
{
    return ::setxattr(file.c_str(), "user.brenvik-probe", "1", 1, 0) == 0;
}

std::string XattrOf(const std::string &file)
{
    char buf[64];
    ssize_t n = ::getxattr(file.c_str(), "user.DOSATTRIB", buf, sizeof buf);
    return n < 0 ? "<none>" : std::string(buf, static_cast<std::size_t>(n));
}

TEST(DosAttribValue, ParsesTextWithOrWithoutNulAndSambaBlobs)
{
    const struct {
        std::string value;
        bool ok;
        DWORD bits;
    } cases[] = {
        {"0x22", true, 0x22}, {std::string("0x22\0", 5), true, 0x22}, {"0X4", true, 0x4},
        // Samba's newer form: the text, a NUL, then a binary version block.
        {std::string("0x26\0\x04\0\x04\0\0\0\x11\x22", 13), true, 0x26},
        {"0x", false, 0}, {"22", false, 0}, {"", false, 0}, {"0xzz", false, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        DWORD bits = 0;
        EXPECT_EQ(ParseDosAttrib(c.value.data(), c.value.size(), &bits), c.ok);
        if (c.ok) {
            EXPECT_EQ(bits, c.bits);
        }
    }
}

class PosixFilesTest : public PosixTest {};

TEST_F(PosixFilesTest, AttributesFromXattrsModesAndNames)
{
    test::WriteHostFile(H("c/f.txt"), "");
    if (!HostHasUserXattrs(H("c/f.txt")))
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    const struct {
        std::string value;
        DWORD attrs;
    } cases[] = {
        {"0x2", FILE_ATTRIBUTE_HIDDEN},
        {std::string("0x24\0", 5), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE},
        {"0x0", FILE_ATTRIBUTE_NORMAL},
        // Read-only and directory never come from the attribute.
        {"0x11", FILE_ATTRIBUTE_NORMAL},
        {"garbage", FILE_ATTRIBUTE_ARCHIVE},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        ASSERT_EQ(::setxattr(H("c/f.txt").c_str(), "user.DOSATTRIB", c.value.data(),
                             c.value.size(), 0),
                  0);
        EXPECT_EQ(s().GetFileAttributesA("C:\\f.txt"), c.attrs);
    }
    // A dot name is hidden whatever else it has.
    test::WriteHostFile(H("c/.profile"), "");
    EXPECT_EQ(s().GetFileAttributesA("C:\\.profile"),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    test::MakeHostDirs(H("c/.cache"));
    EXPECT_EQ(s().GetFileAttributesA("C:\\.cache"),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY));
    // A directory without write permission is read-only.
    ::chmod(H("c/.cache").c_str(), 0555);
    EXPECT_EQ(s().GetFileAttributesA("C:\\.cache"),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY |
                                 FILE_ATTRIBUTE_READONLY));
    Mark();
    EXPECT_FALSE(s().RemoveDirectoryA("C:\\.cache"));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(PosixFilesTest, SetFileAttributesWritesSambaTextWithoutNul)
{
    test::WriteHostFile(H("c/f.txt"), "");
    if (!HostHasUserXattrs(H("c/f.txt")))
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    ASSERT_TRUE(s().SetFileAttributesA("C:\\f.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(XattrOf(H("c/f.txt")), "0x22");
    ASSERT_TRUE(s().SetFileAttributesA("C:\\f.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(XattrOf(H("c/f.txt")), "0x4");
    struct stat st;
    ASSERT_EQ(::stat(H("c/f.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    ASSERT_TRUE(s().SetFileAttributesA("C:\\f.txt", FILE_ATTRIBUTE_NORMAL));
    ASSERT_EQ(::stat(H("c/f.txt").c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
    // A new file asking for hidden gets it, with the archive bit.
    HANDLE h = s().CreateFileA("C:\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_HIDDEN, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    s().CloseHandle(h);
    EXPECT_EQ(XattrOf(H("c/new.txt")), "0x22");
    // Overwriting a hidden file without saying so is refused, as on Windows.
    Mark();
    EXPECT_EQ(s().CreateFileA("C:\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    // A plain new file gets no attribute at all.
    h = s().CreateFileA("C:\\plain.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    s().CloseHandle(h);
    EXPECT_EQ(XattrOf(H("c/plain.txt")), "<none>");
}

TEST_F(PosixFilesTest, ReadOnlyCreationAndHandles)
{
    HANDLE h = s().CreateFileA("C:\\ro.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_READONLY, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    // The handle that created it may still write.
    EXPECT_TRUE(s().WriteFile(h, "abc", 3, &n, nullptr));
    s().CloseHandle(h);
    EXPECT_EQ(s().GetFileAttributesA("C:\\ro.txt"),
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    Mark();
    EXPECT_EQ(s().CreateFileA("C:\\ro.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(test::ReadHostFile(H("c/ro.txt")), "abc");
}

TEST_F(PosixFilesTest, SymbolicLinksAreReportedAndRemovedThemselves)
{
    test::MakeHostDirs(H("c/target"));
    test::WriteHostFile(H("c/target/keep.txt"), "keep");
    test::WriteHostFile(H("c/file.txt"), "file");
    ASSERT_EQ(::symlink(H("c/target").c_str(), H("c/dirlink").c_str()), 0);
    ASSERT_EQ(::symlink(H("c/file.txt").c_str(), H("c/filelink").c_str()), 0);
    ASSERT_EQ(::symlink(H("c/none").c_str(), H("c/dangling").c_str()), 0);

    EXPECT_EQ(s().GetFileAttributesA("C:\\dirlink"),
              static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(s().GetFileAttributesA("C:\\filelink"),
              static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(s().GetFileAttributesA("C:\\dangling"),
              static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE));
    // Opening follows the link.
    HANDLE h = s().CreateFileA("C:\\filelink", GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(s().GetFileSize(h, nullptr), 4u);
    s().CloseHandle(h);

    // A search does not go through a link to a directory...
    WIN32_FIND_DATAA data;
    Mark();
    EXPECT_EQ(s().FindFirstFileA("C:\\dirlink\\*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    // ...and lists the link with its tag.
    h = s().FindFirstFileA("C:\\dirlink", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes,
              static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(data.dwReserved0, 0xA000000Cu);
    s().FindClose(h);

    Mark();
    EXPECT_FALSE(s().DeleteFileA("C:\\dirlink"));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    Mark();
    EXPECT_FALSE(s().RemoveDirectoryA("C:\\filelink"));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_DIRECTORY));

    EXPECT_TRUE(s().DeleteFileA("C:\\filelink"));
    EXPECT_TRUE(s().DeleteFileA("C:\\dangling"));
    EXPECT_TRUE(s().RemoveDirectoryA("C:\\dirlink"));
    EXPECT_FALSE(test::HostExists(H("c/filelink")));
    EXPECT_FALSE(test::HostExists(H("c/dirlink")));
    EXPECT_EQ(test::ReadHostFile(H("c/file.txt")), "file");
    EXPECT_EQ(test::ReadHostFile(H("c/target/keep.txt")), "keep");
}

// A search reads an entry relative to its open directory; a status query
// goes by the whole path. Both must tell the same story of every kind of
// entry, "." and ".." included.
TEST_F(PosixFilesTest, SearchesReportWhatStatusQueriesReport)
{
    test::MakeHostDirs(H("c/d/sub"));
    test::MakeHostDirs(H("c/d/marked"));
    test::WriteHostFile(H("c/d/plain.txt"), std::string(1234, 'p'));
    test::WriteHostFile(H("c/d/system.sys"), "s");
    test::WriteHostFile(H("c/d/ro.txt"), "r");
    test::WriteHostFile(H("c/d/.dotted"), "");
    ASSERT_EQ(::chmod(H("c/d/ro.txt").c_str(), 0444), 0);
    ASSERT_EQ(::symlink(H("c/d/sub").c_str(), H("c/d/dirlink").c_str()), 0);
    ASSERT_EQ(::symlink(H("c/d/plain.txt").c_str(), H("c/d/filelink").c_str()), 0);
    ASSERT_EQ(::mkfifo(H("c/d/fifo").c_str(), 0644), 0);
    const bool xattrs = HostHasUserXattrs(H("c/d/system.sys"));
    if (xattrs) {
        ASSERT_EQ(::setxattr(H("c/d/system.sys").c_str(), "user.DOSATTRIB", "0x6", 3, 0), 0);
        ASSERT_EQ(::setxattr(H("c/d/marked").c_str(), "user.DOSATTRIB", "0x4", 3, 0), 0);
    }
    // Distinct times with a fraction, so that a field taken from the wrong
    // stamp shows.
    struct timespec times[2] = {{1500000000, 123456700}, {1600000000, 765432100}};
    ASSERT_EQ(::utimensat(AT_FDCWD, H("c/d/plain.txt").c_str(), times, 0), 0);

    const struct {
        const char *name;
        const char *query;  // what the status query asks for
        DWORD attrs;        // 0: not checked here (it depends on the host)
    } cases[] = {
        {"plain.txt", "C:\\d\\plain.txt", FILE_ATTRIBUTE_ARCHIVE},
        {"system.sys", "C:\\d\\system.sys",
         xattrs ? DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM} : DWORD{FILE_ATTRIBUTE_ARCHIVE}},
        {"ro.txt", "C:\\d\\ro.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE},
        {".dotted", "C:\\d\\.dotted", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
        {"sub", "C:\\d\\sub", FILE_ATTRIBUTE_DIRECTORY},
        {"marked", "C:\\d\\marked",
         xattrs ? DWORD{FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM} : DWORD{FILE_ATTRIBUTE_DIRECTORY}},
        {"dirlink", "C:\\d\\dirlink", FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY},
        {"filelink", "C:\\d\\filelink", FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE},
        {"fifo", "C:\\d\\fifo", FILE_ATTRIBUTE_ARCHIVE},
        {".", "C:\\d", FILE_ATTRIBUTE_DIRECTORY},
        {"..", "C:\\", 0},
    };
    std::set<std::string> seen;
    WIN32_FIND_DATAA found;
    HANDLE h = s().FindFirstFileA("C:\\d\\*", &found);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do {
        SCOPED_TRACE(found.cFileName);
        const auto *c = std::find_if(std::begin(cases), std::end(cases), [&](const auto &k) {
            return std::strcmp(k.name, found.cFileName) == 0;
        });
        ASSERT_NE(c, std::end(cases));
        seen.insert(c->name);
        WIN32_FILE_ATTRIBUTE_DATA queried;
        ASSERT_TRUE(s().GetFileAttributesExA(c->query, GetFileExInfoStandard, &queried));
        if (c->attrs != 0) {
            EXPECT_EQ(found.dwFileAttributes, c->attrs);
        }
        EXPECT_EQ(found.dwFileAttributes, queried.dwFileAttributes);
        EXPECT_EQ(found.nFileSizeLow, queried.nFileSizeLow);
        EXPECT_EQ(found.nFileSizeHigh, queried.nFileSizeHigh);
        const auto same = [](const FILETIME &a, const FILETIME &b) {
            return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
        };
        EXPECT_TRUE(same(found.ftLastWriteTime, queried.ftLastWriteTime));
        // Following a link (each report does, for its directory bit) may
        // stamp the link's access time in between.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            EXPECT_TRUE(same(found.ftLastAccessTime, queried.ftLastAccessTime));
        }
        EXPECT_TRUE(same(found.ftCreationTime, queried.ftCreationTime));
        EXPECT_EQ(found.dwReserved0,
                  (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? 0xA000000Cu : 0u);
        if (std::strcmp(c->name, "plain.txt") == 0) {
            EXPECT_EQ(found.nFileSizeLow, 1234u);
            // 100 ns ticks from 1601: the seconds since 1970 and 11644473600.
            const uint64_t written = (uint64_t{found.ftLastWriteTime.dwHighDateTime} << 32) |
                                     found.ftLastWriteTime.dwLowDateTime;
            const uint64_t accessed = (uint64_t{found.ftLastAccessTime.dwHighDateTime} << 32) |
                                      found.ftLastAccessTime.dwLowDateTime;
            EXPECT_EQ(written, (1600000000ull + 11644473600ull) * 10000000ull + 7654321ull);
            EXPECT_EQ(accessed, (1500000000ull + 11644473600ull) * 10000000ull + 1234567ull);
            // Created: the birth time where the host keeps one.
            const uint64_t created = (uint64_t{found.ftCreationTime.dwHighDateTime} << 32) |
                                     found.ftCreationTime.dwLowDateTime;
            struct statx sx;
            ASSERT_EQ(::statx(AT_FDCWD, H("c/d/plain.txt").c_str(), 0, STATX_BTIME, &sx), 0);
            if (sx.stx_mask & STATX_BTIME) {
                EXPECT_EQ(created, (static_cast<uint64_t>(sx.stx_btime.tv_sec) + 11644473600ull) *
                                           10000000ull +
                                       sx.stx_btime.tv_nsec / 100);
            } else {
                EXPECT_EQ(created, written);
            }
        }
    } while (s().FindNextFileA(h, &found));
    EXPECT_TRUE(s().FindClose(h));
    EXPECT_EQ(seen.size(), std::size(cases));
}

TEST_F(PosixFilesTest, SearchesSkipNamesWindowsCannotUse)
{
    test::MakeHostDirs(H("c/d"));
    for (const char *name : {"ok.txt", "back\\slash.txt", "colon:.txt", "star*.txt"})
        test::WriteHostFile(H("c/d/") + name, "");
    test::WriteHostFile(H("c/d/") + std::string(255, 'n'), "");
    WIN32_FIND_DATAA data;
    HANDLE h = s().FindFirstFileA("C:\\d\\*.txt", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "ok.txt");
    Mark();
    EXPECT_FALSE(s().FindNextFileA(h, &data));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    s().FindClose(h);
    // A name of 255 bytes fits cFileName.
    h = s().FindFirstFileA("C:\\d\\nnn*", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::strlen(data.cFileName), 255u);
    s().FindClose(h);
    // The root of a drive lists no "." and "..".
    h = s().FindFirstFileA("C:\\*", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "d");
    s().FindClose(h);
}

TEST_F(PosixFilesTest, SearchesWalkLargeDirectoriesToTheEnd)
{
    test::MakeHostDirs(H("c/many"));
    for (int i = 0; i < 2000; ++i)
        test::WriteHostFile(H("c/many/f") + std::to_string(i), "");
    WIN32_FIND_DATAA data;
    HANDLE h = s().FindFirstFileA("C:\\many\\*", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    int count = 1;
    // A directory made during the search may or may not be seen.
    test::MakeHostDirs(H("c/many/late"));
    while (s().FindNextFileA(h, &data))
        ++count;
    EXPECT_GE(count, 2002);  // the files, "." and ".."
    EXPECT_LE(count, 2003);  // and maybe the directory made meanwhile
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
}

TEST_F(PosixFilesTest, DirectoriesHeldWithoutDeleteSharingStay)
{
    test::MakeHostDirs(H("c/held"));
    HANDLE h = s().CreateFileA("C:\\held", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    Mark();
    EXPECT_FALSE(s().RemoveDirectoryA("C:\\held"));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    s().CloseHandle(h);
    EXPECT_TRUE(s().RemoveDirectoryA("C:\\held"));
}

TEST_F(PosixFilesTest, GarbageHandlesAreNeverFollowed)
{
    char junk[64];
    std::memset(junk, 0x5a, sizeof junk);
    DWORD n;
    Mark();
    EXPECT_FALSE(s().ReadFile(junk, junk, 1, &n, nullptr));
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(s().CloseHandle(reinterpret_cast<HANDLE>(0x1234)));
    EXPECT_EQ(s().SetFilePointer(junk, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(PosixFilesTest, SizesBeyondFourGigabytes)
{
    const std::string host = H("c/big.bin");
    int fd = ::open(host.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    // A sparse file whose low 32 bits of size are all ones.
    const off_t size = 0x1FFFFFFFFLL;
    if (::ftruncate(fd, size) != 0) {
        ::close(fd);
        GTEST_SKIP() << "no sparse files of that size here";
    }
    ::close(fd);
    HANDLE h = s().CreateFileA("C:\\big.bin", GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD high = 0;
    Mark();
    EXPECT_EQ(s().GetFileSize(h, &high), INVALID_FILE_SIZE);
    EXPECT_EQ(high, 1u);
    EXPECT_EQ(Err(), static_cast<DWORD>(NO_ERROR));  // a size, not a failure
    LONG moveHigh = 1;
    Mark();
    EXPECT_EQ(s().SetFilePointer(h, -1, &moveHigh, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(moveHigh, 1);
    EXPECT_EQ(Err(), static_cast<DWORD>(NO_ERROR));
    // Without a high part the position must fit 32 bits.
    Mark();
    EXPECT_EQ(s().SetFilePointer(h, 0x10, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(Err(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    s().CloseHandle(h);
}

TEST_F(PosixFilesTest, MoveFileAcrossFileSystemsCopies)
{
    // /dev/shm is a tmpfs apart from the temporary directory's file system
    // on most hosts; where it is the same, the move is a rename.
    test::WriteHostFile(H("c/moving.txt"), "payload");
    char shm[] = "/dev/shm/brenvik-XXXXXX";
    if (::mkdtemp(shm) == nullptr)
        GTEST_SKIP() << "no /dev/shm here";
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
