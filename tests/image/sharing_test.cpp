// Asking about an image someone else holds open: the type query shares
// reading and writing, the description query denies others writing.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <string>

#include "image_test_support.h"
#include "platform/afx/afx.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace brenvik::test;

mk::ImageSpec Video()
{
    mk::ImageSpec spec = Spec(0, mk::kKindVideo, 0, 4096);
    spec.desc = "Being written";
    return spec;
}

// The answers of both queries: the type code and the description's result.
void ExpectAnswers(const std::string &path, bool type, bool desc)
{
    EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(path.c_str()), type ? CDTYPE_VIDEO : CDTYPE_INVALID);
    char text[BRENVIK_MAX_PATH] = "";
    EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), text, nullptr), desc ? 1 : 0);
}

using Sharing = ImageFilesTest;

TEST_P(Sharing, InThisProcess)
{
    const std::string path = Put("Busy.vcd", Video());
    struct Row {
        DWORD access, share;
        bool type, desc;
    };
    const DWORD rw = GENERIC_READ | GENERIC_WRITE, all = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const Row rows[] = {
        {GENERIC_WRITE, all, true, false},           {rw, all, true, false},
        {GENERIC_WRITE, FILE_SHARE_READ, true, false}, {GENERIC_READ, FILE_SHARE_READ, true, true},
        {GENERIC_READ, all, true, true},             {GENERIC_READ, 0, false, false},
        {GENERIC_WRITE, FILE_SHARE_WRITE, false, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(::testing::Message() << "access " << row.access << " share " << row.share);
        HANDLE held = S().CreateFileA(path.c_str(), row.access, row.share, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE) << S().GetLastError();
        ExpectAnswers(path, row.type, row.desc);
        S().CloseHandle(held);
    }
    ExpectAnswers(path, true, true);
}

IMAGE_BACKENDS(Sharing);

#if !defined(_WIN32)

// Another process opens the image through the library's file layer and
// keeps it open until the pipe to it closes.
class OtherProcess {
public:
    OtherProcess(const std::string &path, UINT flags)
    {
        int ready[2], release[2];
        if (pipe(ready) != 0 || pipe(release) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            close(release[1]);
            CFile file;
            const char answer = file.Open(path.c_str(), flags) ? 'R' : 'F';
            char c;
            if (write(ready[1], &answer, 1) == 1)
                while (read(release[0], &c, 1) > 0) {
                }
            if (answer == 'R')
                file.Close();
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        release_ = release[1];
        char answer = 0;
        opened_ = read(ready[0], &answer, 1) == 1 && answer == 'R';
        close(ready[0]);
    }
    ~OtherProcess()
    {
        close(release_);
        int status = 0;
        EXPECT_EQ(waitpid(pid_, &status, 0), pid_);
    }
    bool opened_ = false;

private:
    pid_t pid_ = -1;
    int release_ = -1;
};

TEST(SharingAcrossProcesses, TypeQueryAnswersWhileAnotherProcessWrites)
{
    ScopedRegistryFile registry(RegText({}));
    TempDir dir;
    const std::string host = dir / "Busy.vcd";
    ASSERT_TRUE(mk::WriteImage(host, Video()));
    const std::string path = "C:" + Backslashed(host);
    struct Row {
        UINT flags;
        bool type, desc;
    };
    const Row rows[] = {
        {CFile::modeReadWrite | CFile::shareDenyNone, true, false},
        {CFile::modeWrite | CFile::shareDenyNone, true, false},
        {CFile::modeRead | CFile::shareDenyWrite, true, true},
        {CFile::modeRead | CFile::shareExclusive, false, false},
        {CFile::modeReadWrite | CFile::shareDenyRead, false, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.flags);
        {
            OtherProcess other(path, row.flags);
            ASSERT_TRUE(other.opened_);
            ExpectAnswers(path, row.type, row.desc);
        }
        ExpectAnswers(path, true, true);  // let go
    }
}

#endif  // !_WIN32

}  // namespace
