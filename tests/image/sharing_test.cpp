// Asking about an image that someone else holds open: the type query shares
// reading and writing, the description query denies others writing.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <string>

#include "image_test_support.h"
#include "image_writer.h"
#include "platform/afx/afx.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace mk = brenvik::mkimage;
using brenvik::test::ImageFilesTest;

mk::ImageSpec Video()
{
    mk::ImageSpec spec;
    spec.discKind = mk::kKindVideo;
    spec.desc = "Being written";
    spec.totalLength = 4096;
    return spec;
}

struct Holder {
    const char *what;
    DWORD access;
    DWORD share;
    bool typeAnswers;
    bool descAnswers;
};

const Holder kHolders[] = {
    {"writer sharing all", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, true, false},
    {"reader-writer sharing all", GENERIC_READ | GENERIC_WRITE,
     FILE_SHARE_READ | FILE_SHARE_WRITE, true, false},
    {"writer sharing reading", GENERIC_WRITE, FILE_SHARE_READ, true, false},
    {"reader sharing reading", GENERIC_READ, FILE_SHARE_READ, true, true},
    {"reader sharing all", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, true, true},
    {"reader sharing nothing", GENERIC_READ, 0, false, false},
    {"writer sharing writing", GENERIC_WRITE, FILE_SHARE_WRITE, false, false},
};

class Sharing : public ImageFilesTest {};

TEST_P(Sharing, InThisProcess)
{
    const std::string path = Put("Busy.vcd", Video());
    auto &machine = backend_->Services();
    for (const Holder &holder : kHolders) {
        SCOPED_TRACE(holder.what);
        HANDLE held = machine.CreateFileA(path.c_str(), holder.access, holder.share, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE) << machine.GetLastError();
        EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(path.c_str()),
                  holder.typeAnswers ? CDTYPE_VIDEO : CDTYPE_INVALID);
        char desc[BRENVIK_MAX_PATH] = "";
        int info = 0;
        EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), desc, &info), holder.descAnswers ? 1 : 0);
        machine.CloseHandle(held);
    }
    // Released: both answer again.
    char desc[BRENVIK_MAX_PATH] = "";
    EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), desc, nullptr), 1);
    EXPECT_STREQ(desc, "Being written");
}

TEST_P(Sharing, HeldThroughTheFileClass)
{
    const std::string path = Put("Busy.vcd", Video());
    CFile writer;
    ASSERT_TRUE(writer.Open(path.c_str(), CFile::modeReadWrite | CFile::shareDenyNone));
    EXPECT_EQ(CVcdImageEx::Is_VIDEO(path.c_str()), 1);
    char desc[BRENVIK_MAX_PATH] = "";
    EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), desc, nullptr), 0);
    writer.Close();
    EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), desc, nullptr), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, Sharing, ::testing::ValuesIn(brenvik::test::BackendNames()),
                         [](const auto &info) { return info.param; });

#if !defined(_WIN32)

// Another process opens the image through the library's file layer and
// keeps it open until told to let go.
class OtherProcess {
public:
    OtherProcess(const std::string &path, UINT flags)
    {
        int ready[2], release[2];
        if (pipe(ready) != 0 || pipe(release) != 0) {
            ADD_FAILURE() << "pipe";
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            close(release[1]);
            CFile file;
            const char answer = file.Open(path.c_str(), flags) ? 'R' : 'F';
            if (write(ready[1], &answer, 1) != 1)
                _exit(3);
            char c;
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
        if (release_ >= 0)
            close(release_);
        if (pid_ > 0) {
            int status = 0;
            waitpid(pid_, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
    }
    bool opened() const { return opened_; }

private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool opened_ = false;
};

TEST(SharingAcrossProcesses, TypeQueryAnswersWhileAnotherProcessWrites)
{
    auto backend = brenvik::test::MakeRealBackend();
    const std::string path = backend->Dir() + "Busy.vcd";
    brenvik::test::PutImage(backend->Services(), path, Video());

    struct Row {
        const char *what;
        UINT flags;
        bool typeAnswers;
        bool descAnswers;
    };
    const Row rows[] = {
        {"read-write, deny none", CFile::modeReadWrite | CFile::shareDenyNone, true, false},
        {"write, deny none", CFile::modeWrite | CFile::shareDenyNone, true, false},
        {"read, deny write", CFile::modeRead | CFile::shareDenyWrite, true, true},
        {"read, exclusive", CFile::modeRead | CFile::shareExclusive, false, false},
        {"read-write, deny read", CFile::modeReadWrite | CFile::shareDenyRead, false, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        {
            OtherProcess other(path, row.flags);
            ASSERT_TRUE(other.opened());
            EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(path.c_str()),
                      row.typeAnswers ? CDTYPE_VIDEO : CDTYPE_INVALID);
            char desc[BRENVIK_MAX_PATH] = "";
            EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), desc, nullptr), row.descAnswers ? 1 : 0);
        }
        // The other process has let go.
        char desc[BRENVIK_MAX_PATH] = "";
        EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), desc, nullptr), 1);
    }
}

#endif  // !_WIN32

}  // namespace
