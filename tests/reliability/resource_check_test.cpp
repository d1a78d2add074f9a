// The check that every test closes what it opened, tried on an executable
// whose tests each leave one kind of resource open (or none): exactly those
// fail, with what was left named.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

TEST(ResourceCheck, FailsTheTestsThatLeaveSomethingOpen)
{
    const struct {
        std::string test;
        std::vector<const char *> reports;  // none: the test passes
    } kCases[] = {
        {"Descriptor", {"descriptors left open by the test:\n  fd ", "/dev/null"}},
        // A file handle holds a descriptor too: both are named.
        {"File", {"file handles of the POSIX backend left open", "f.txt"}},
        {"Key", {"registry keys of the POSIX backend left open"}},
        {"Find", {"find handles of the POSIX backend left open"}},
        {"Nothing", {}},
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.test);
        std::FILE *pipe = ::popen(
            (BRENVIK_RESOURCE_LEAKER " --gtest_filter=Leaker." + c.test + " 2>&1").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output(1 << 16, '\0');
        output.resize(std::fread(&output[0], 1, output.size(), pipe));
        const int status = ::pclose(pipe);
        ASSERT_TRUE(WIFEXITED(status)) << output;
        EXPECT_EQ(WEXITSTATUS(status), c.reports.empty() ? 0 : 1) << output;
        EXPECT_EQ(output.find("[  FAILED  ] Leaker." + c.test) != std::string::npos,
                  !c.reports.empty()) << output;
        EXPECT_EQ(output.find("left open") != std::string::npos, !c.reports.empty()) << output;
        for (const char *report : c.reports)
            EXPECT_NE(output.find(report), std::string::npos) << output;
    }
}

}  // namespace
