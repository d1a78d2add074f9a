// Runs the built brenvik tool the way a user's shell would: a child process
// with arguments, an environment, a working directory and standard input,
// whose output and exit code come back.
#ifndef BRENVIK_TESTS_TOOL_TOOL_RUNNER_H
#define BRENVIK_TESTS_TOOL_TOOL_RUNNER_H

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace brenvik {
namespace tooltest {

struct ToolRun {
    int exit = -1;  // the exit code; 128 + N for a child killed by signal N
    std::string out;
    std::string err;

    // Standard output as JSON; fails the test (and gives null) if it is not.
    nlohmann::json Json() const;
    // Standard error is exactly one line that begins "brenvik: ".
    bool OneErrorLine() const;
};

struct RunOptions {
    std::string cwd;                            // empty: the test's own
    std::map<std::string, std::string> env;     // added to (or replacing) the test's
    std::string input;                          // standard input (a pipe)
};

// Runs `brenvik args...`.
ToolRun RunTool(const std::vector<std::string> &args, const RunOptions &options = {});
// Runs any program.
ToolRun RunProgram(const std::string &program, const std::vector<std::string> &args,
               const RunOptions &options = {});

// Runs `brenvik args...` with standard input, output and error on a pseudo
// terminal, answering its first question with answer. out holds everything
// the terminal showed.
ToolRun RunToolOnTerminal(const std::vector<std::string> &args, const std::string &answer);

// The built tool and the demo writer.
const char *ToolPath();
const char *MkdemoPath();

}  // namespace tooltest
}  // namespace brenvik

#endif  // BRENVIK_TESTS_TOOL_TOOL_RUNNER_H
