// The check that every test closes what it opened: a test executable with
// that check linked in fails the tests that leave a descriptor, a file
// handle, a registry key or a search open, and only those.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct Outcome {
    int status = -1;
    std::string output;
};

Outcome RunLeaker(const std::string &test)
{
    Outcome o;
    const std::string command =
        std::string(BRENVIK_RESOURCE_LEAKER) + " --gtest_filter=Leaker." + test + " 2>&1";
    std::FILE *pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return o;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        o.output.append(buffer, n);
    const int status = ::pclose(pipe);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
}

TEST(ResourceCheck, FailsTheTestsThatLeaveSomethingOpen)
{
    const struct {
        const char *test;
        const char *report;  // "" when the test must pass
    } kCases[] = {
        {"Descriptor", "descriptors left open by the test:\n  fd "},
        {"File", "file handles of the POSIX backend left open"},
        {"Key", "registry keys of the POSIX backend left open"},
        {"Find", "find handles of the POSIX backend left open"},
        {"Nothing", ""},
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.test);
        const Outcome o = RunLeaker(c.test);
        if (*c.report == '\0') {
            EXPECT_EQ(o.status, 0) << o.output;
            EXPECT_EQ(o.output.find("left open"), std::string::npos) << o.output;
        } else {
            EXPECT_EQ(o.status, 1) << o.output;
            EXPECT_NE(o.output.find(c.report), std::string::npos) << o.output;
            EXPECT_NE(o.output.find("[  FAILED  ] Leaker." + std::string(c.test)),
                      std::string::npos)
                << o.output;
        }
    }
}

// A file handle holds a descriptor too: both are named.
TEST(ResourceCheck, NamesWhatTheDescriptorOpened)
{
    const Outcome o = RunLeaker("File");
    EXPECT_NE(o.output.find("f.txt"), std::string::npos) << o.output;
}

}  // namespace
