// The built brenvik tool run as a user's shell runs it, in a temporary
// directory with a registry file of the test's own (the default machine: C:
// is the host root, unless a test names drives).
#ifndef BRENVIK_TESTS_TOOL_TOOL_FIXTURE_H
#define BRENVIK_TESTS_TOOL_TOOL_FIXTURE_H

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace brenvik {
namespace tooltest {

using Args = std::vector<std::string>;

struct ToolRun {
    int exit = -1;  // 128 + N for a child killed by signal N
    std::string out, err;
    nlohmann::json Json() const;  // fails the test (and gives null) if stdout is no JSON
    bool OneErrorLine() const
    {
        return err.rfind("brenvik: ", 0) == 0 && err.find('\n') == err.size() - 1;
    }
};

// Standard input is empty and no terminal, as in a script (tty >= 0: all three
// on that terminal instead); cwd empty: the test's own.
ToolRun RunProgram(const std::string &program, const Args &args, const std::string &cwd = "",
                   int tty = -1);
// The tool built with the tests, or another build named by BRENVIK_TEST_TOOL.
std::string ToolPath();
inline ToolRun RunTool(const Args &args, const std::string &cwd = "")
{
    return RunProgram(ToolPath(), args, cwd);
}
// On a pseudo terminal, answering the first "[y/N]"; out is all the terminal showed.
ToolRun RunToolOnTerminal(const Args &args, const std::string &answer);

// One run and what it must show, by key: "/a/0/b" a member of the JSON
// document ("~/a/0/b": its text contains), "out" / "out=" standard output
// contains / is, "err" standard error contains, "?rel" whether that file
// exists afterwards. In arguments and strings "@" stands for the test's
// directory and "%" for its Windows name.
//
// Canary files in a directory beside the test's: no command a test runs
// names them, so each must survive every test.
struct Row {
    Args args;
    int exit;
    std::vector<std::pair<std::string, nlohmann::json>> checks;
};

class ToolTest : public ::testing::Test {
protected:
    ToolTest();
    void TearDown() override;

    std::string H(const std::string &relative) const { return dir_ / relative; }
    void SetRegistry(const std::vector<std::string> &keys)
    {
        registry_.Rewrite(test::RegText(keys));
    }
    void Write(const std::string &relative, const std::string &bytes = "x");
    bool Exists(const std::string &relative) const { return test::HostExists(H(relative)); }
    void MakeDemo();  // the demo image library, in library/
    nlohmann::json Expand(const nlohmann::json &value) const;
    static void ExpectAt(const nlohmann::json &doc, const std::string &key,
                         const nlohmann::json &want);
    // Runs the rows in order, in the test's directory.
    std::vector<ToolRun> Check(const std::vector<Row> &rows);

    test::TempDir outside_;  // created first: a sibling outside the test's directory
    test::TempDir dir_;
    test::ScopedRegistryFile registry_;
    std::vector<std::string> canaries_;
};

}  // namespace tooltest
}  // namespace brenvik

#endif  // BRENVIK_TESTS_TOOL_TOOL_FIXTURE_H
