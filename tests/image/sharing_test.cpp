// Asking about an image someone else holds open: the type query shares
// reading and writing, the description query denies others writing.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <string>

#include "image_test_support.h"
#include "platform/afx/afx.h"

#if !defined(_WIN32)  // fork() holds the image in another process
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace brenvik::test;

void ExpectAnswers(const std::string &path, bool type, bool desc)
{
    EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(path.c_str()), type ? CDTYPE_VIDEO : CDTYPE_INVALID);
    char text[BRENVIK_MAX_PATH] = "";
    EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), text, nullptr), desc);
}

class Sharing : public ImageFiles {
    std::string Backend() const override { return "real"; }
};

// Another process holds the image open through the library's file layer
// while the queries are asked.
TEST_F(Sharing, WhileAnotherProcessHoldsIt)
{
    const std::string path = Put("Busy.vcd", Fields(0, mk::kKindVideo));
    const UINT rows[][3] = {  // flags, type answers, description answers
        {CFile::modeReadWrite | CFile::shareDenyNone, 1, 0},
        {CFile::modeRead | CFile::shareDenyWrite, 1, 1},
        {CFile::modeRead | CFile::shareExclusive, 0, 0},
        {CFile::modeReadWrite | CFile::shareDenyRead, 0, 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row[0]);
        int ready[2], release[2];
        ASSERT_TRUE(pipe(ready) == 0 && pipe(release) == 0);
        const pid_t pid = fork();
        if (pid == 0) {
            CFile file;
            const char opened = file.Open(path.c_str(), row[0]) ? 'R' : 'F';
            char c;
            const bool ok = write(ready[1], &opened, 1) == 1 && read(release[0], &c, 1) == 1;
            if (opened == 'R')
                file.Close();
            _exit(ok ? 0 : 1);
        }
        char opened = 0;
        EXPECT_TRUE(read(ready[0], &opened, 1) == 1 && opened == 'R');
        ExpectAnswers(path, row[1], row[2]);
        EXPECT_EQ(write(release[1], "x", 1), 1);
        int status = 0;
        EXPECT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_EQ(status, 0);
        for (int fd : {ready[0], ready[1], release[0], release[1]})
            close(fd);
        ExpectAnswers(path, true, true);  // let go
    }
}

}  // namespace

#endif  // !_WIN32
