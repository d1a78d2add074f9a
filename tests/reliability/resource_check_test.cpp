// The check that every test closes what it opened can fail: tried on a test
// that leaves a file open, it fails that test and names both what is left.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

TEST(ResourceCheck, FailsATestThatLeavesAFileOpen)
{
    std::FILE *pipe = ::popen(BRENVIK_RESOURCE_LEAKER " 2>&1", "r");
    ASSERT_NE(pipe, nullptr);
    std::string output(1 << 16, '\0');
    output.resize(std::fread(&output[0], 1, output.size(), pipe));
    const int status = ::pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status)) << output;
    EXPECT_EQ(WEXITSTATUS(status), 1) << output;
    for (const char *report : {"[  FAILED  ] Leaker.File", "file handles of the POSIX backend",
                               "descriptors left open by the test:\n  fd ", "/f.txt"})
        EXPECT_NE(output.find(report), std::string::npos) << report << "\n" << output;
}

}  // namespace
