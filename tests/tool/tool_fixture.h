// The built tool run as a shell runs it, in a temporary directory with a registry
// file of the test's own (by default C: is the host root).
#ifndef BRENVIK_TESTS_TOOL_TOOL_FIXTURE_H
#define BRENVIK_TESTS_TOOL_TOOL_FIXTURE_H

#include <fcntl.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "image_writer.h"
#include "support/test_support.h"

extern char **environ;

namespace brenvik {
namespace tooltest {

using Args = std::vector<std::string>;
using Json = nlohmann::json;

struct ToolRun {
    int exit = -1;  // 128 + N for a child killed by signal N
    std::string out, err;
    Json Doc() const { return Json::parse(out); }  // throws, failing the test, unless JSON
    bool OneErrorLine() const
    {
        return err.rfind("brenvik: ", 0) == 0 && err.find('\n') == err.size() - 1;
    }
};

inline const std::string kTool = BRENVIK_TOOL_PATH;

// Standard input is empty and no terminal, as in a script (tty >= 0: all three
// on that terminal instead); cwd empty: the test's own.
inline ToolRun RunProgram(const std::string &program, Args args, const std::string &cwd = "",
                          int tty = -1)
{
    test::TempDir io;  // files, not pipes: nothing to drain while the child runs
    const std::string paths[] = {"/dev/null", io / "out", io / "err"};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {0, 1, 2}) {
        if (tty >= 0)
            posix_spawn_file_actions_adddup2(&actions, tty, fd);
        else
            posix_spawn_file_actions_addopen(&actions, fd, paths[fd].c_str(),
                                             fd ? O_WRONLY | O_CREAT : O_RDONLY, 0600);
    }
    if (!cwd.empty())
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    args.insert(args.begin(), program);
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(rc, 0) << "cannot start " << program;
    int status = 0;
    if (rc == 0)
        ::waitpid(pid, &status, 0);
    ToolRun run;
    run.exit = rc != 0 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (tty < 0) {
        run.out = test::ReadHostFile(paths[1]);
        run.err = test::ReadHostFile(paths[2]);
    }
    // Tables are padded between columns, never after the last.
    EXPECT_EQ(run.out.find(" \n"), std::string::npos) << run.out;
    return run;
}

// On a pseudo terminal, answering the first "[y/N]" (typed ahead; the prompt is
// short, so the terminal holds all output until the tool ends); out is all it showed.
inline ToolRun RunToolOnTerminal(const Args &args, const std::string &answer)
{
    int master = -1, slave = -1;  // without a terminal the tool refuses: the test fails
    EXPECT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    EXPECT_GT(::write(master, (answer + "\n").c_str(), answer.size() + 1), 0);
    ToolRun run = RunProgram(kTool, args, "", slave);
    ::close(slave);
    char buf[4096];
    for (ssize_t got; (got = ::read(master, buf, sizeof buf)) > 0;)  // EIO once all is read
        run.out.append(buf, static_cast<std::size_t>(got));
    ::close(master);
    return run;
}

// One run (a command line split at blanks, or its arguments) and what it must show,
// by key: "/a/0/b" a member of the JSON document ("~/a/0/b": its text contains),
// "out" / "out=" standard output contains / is, "err" standard error contains,
// "?rel" whether that file exists afterwards. "@" stands for the test's directory
// and "%" for its Windows name.
struct Row {
    using Checks = std::vector<std::pair<std::string, Json>>;
    Row(Args args, int exit, Checks checks = {}) : args(args), exit(exit), checks(checks) {}
    Row(const char *line, int exit, Checks checks = {}) : Row(Args(), exit, checks)
    {
        std::istringstream words(line ? line : "");
        for (std::string word; words >> word;)
            args.push_back(word);
    }
    Args args;
    int exit;
    Checks checks;
};

// Canaries beside the test's directory: no command names them, so each must survive.
class ToolTest : public ::testing::Test {
protected:
    ToolTest()
    {
        test::MakeHostDirs(outside_ / "sub");
        for (const std::string &c : canaries_)
            test::WriteHostFile(c, "canary");
    }
    void TearDown() override
    {
        for (const std::string &c : canaries_)
            EXPECT_TRUE(test::HostExists(c)) << "deleted without being named: " << c;
    }

    std::string H(const std::string &relative) const { return dir_ / relative; }
    void SetRegistry(const Args &keys) { registry_.Rewrite(test::RegText(keys)); }
    std::string Made(const std::string &relative) const  // its directory made
    {
        test::MakeHostDirs(H(relative).substr(0, H(relative).rfind('/')));
        return H(relative);
    }
    void Write(const std::string &relative, const std::string &bytes = "x")
    {
        test::WriteHostFile(Made(relative), bytes);
    }
    bool Exists(const std::string &relative) const { return test::HostExists(H(relative)); }
    // An image file with a header of these fields (the description is its name).
    void Image(const std::string &relative, std::uint32_t format, std::uint32_t kind,
               std::uint32_t slaves, std::uint64_t length = 4096)
    {
        const mkimage::HeaderFields header{format, kind, relative, 0, slaves, length};
        EXPECT_TRUE(mkimage::WriteImage(Made(relative), header)) << relative;
    }
    Json Expand(Json value) const
    {
        if (value.is_array())
            for (auto &e : value)
                e = Expand(e);
        if (!value.is_string())
            return value;
        std::string s = value;
        for (const auto &[mark, to] : {std::pair('@', dir_.path()),
                                       std::pair('%', "C:" + test::Backslashed(dir_.path()))})
            for (std::size_t at = 0; (at = s.find(mark, at)) != std::string::npos; at += to.size())
                s.replace(at, 1, to);
        return s;
    }
    std::vector<ToolRun> Check(const std::vector<Row> &rows)
    {
        std::vector<ToolRun> runs;
        for (const Row &row : rows) {
            const Args args = Expand(row.args).get<Args>();
            SCOPED_TRACE(::testing::PrintToString(args));
            const ToolRun &run = runs.emplace_back(RunProgram(kTool, args, dir_.path()));
            EXPECT_EQ(run.exit, row.exit) << run.out << run.err;
            // Errors are one line on standard error; bad usage prints nothing else.
            const bool json = std::count(args.begin(), args.end(), "--json") > 0;
            const bool quiet = run.err.empty() && row.exit != 2;
            EXPECT_TRUE(row.exit == 0 ? run.err.empty() : quiet || run.OneErrorLine()) << run.err;
            EXPECT_TRUE(row.exit != 2 || json || run.out.empty()) << run.out;
            const Json doc = json ? run.Doc() : Json();
            for (const auto &[key, raw] : row.checks) {
                const Json want = Expand(raw);
                const bool pointer = key[0] == '/' || key[0] == '~';
                const Json::json_pointer at(pointer ? key.substr(key[0] == '~') : "");
                Json got = key == "err" ? run.err : run.out;
                if (key[0] == '?')
                    got = Exists(key.substr(1));
                else if (pointer)
                    got = doc.contains(at) ? doc[at] : Json("(absent)");
                const std::string text = got.is_string() ? got.get<std::string>() : got.dump();
                if (key == "out" || key == "err" || key[0] == '~')
                    EXPECT_NE(text.find(want.get<std::string>()), std::string::npos)
                        << key << " lacks " << want << " in " << text;
                else
                    EXPECT_EQ(got, want) << key;
            }
        }
        return runs;
    }

    test::TempDir outside_;  // created first: a sibling outside the test's directory
    test::TempDir dir_;
    test::ScopedRegistryFile registry_{test::RegText({})};
    const std::vector<std::string> canaries_{outside_ / "keep", outside_ / "sub/keep"};
};

}  // namespace tooltest
}  // namespace brenvik

#endif  // BRENVIK_TESTS_TOOL_TOOL_FIXTURE_H
