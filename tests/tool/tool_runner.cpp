#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tool_fixture.h"

extern char **environ;

namespace brenvik {
namespace tooltest {
namespace {

std::vector<char *> Argv(Args &args)
{
    std::vector<char *> ptrs;
    for (std::string &s : args)
        ptrs.push_back(&s[0]);
    ptrs.push_back(nullptr);
    return ptrs;
}

int Wait(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

nlohmann::json ToolRun::Json() const
{
    try {
        return nlohmann::json::parse(out);
    } catch (const std::exception &e) {
        ADD_FAILURE() << "standard output is not JSON (" << e.what() << "):\n" << out;
        return nullptr;
    }
}

bool ToolRun::OneErrorLine() const
{
    return err.rfind("brenvik: ", 0) == 0 && err.find('\n') == err.size() - 1;
}

ToolRun RunProgram(const std::string &program, const Args &args, const std::string &cwd)
{
    // Files, not pipes: nothing to drain while the child runs.
    test::TempDir io;
    const std::string out = io / "out", err = io / "err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT, 0600);
    if (!cwd.empty())
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    Args argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, Argv(argv).data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ToolRun run;
    if (rc != 0) {
        ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(rc);
        return run;
    }
    run.exit = Wait(pid);
    run.out = test::ReadHostFile(out);
    run.err = test::ReadHostFile(err);
    return run;
}

ToolRun RunTool(const Args &args, const std::string &cwd)
{
    return RunProgram(BRENVIK_TOOL_PATH, args, cwd);
}

ToolRun RunToolOnTerminal(const Args &args, const std::string &answer)
{
    Args argv{BRENVIK_TOOL_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char *> ptrs = Argv(argv);
    ToolRun run;
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        ::execv(ptrs[0], ptrs.data());
        ::_exit(127);
    }
    if (pid < 0) {
        ADD_FAILURE() << "forkpty: " << std::strerror(errno);
        return run;
    }
    bool answered = false;
    char buf[4096];
    // The read fails (EIO) once the child has gone.
    for (ssize_t got; (got = ::read(master, buf, sizeof buf)) > 0 || (got < 0 && errno == EINTR);) {
        run.out.append(buf, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        if (!answered && run.out.find("[y/N]") != std::string::npos)
            answered = ::write(master, (answer + "\n").c_str(), answer.size() + 1) > 0;
    }
    ::close(master);
    run.exit = Wait(pid);
    return run;
}

void ToolTest::Write(const std::string &relative, const std::string &bytes)
{
    test::MakeHostDirs(H(relative).substr(0, H(relative).rfind('/')));
    test::WriteHostFile(H(relative), bytes);
}

void ToolTest::MakeDemo()
{
    ASSERT_EQ(RunProgram(BRENVIK_MKDEMO_PATH, {dir_.path()}).exit, 0);
}

nlohmann::json ToolTest::Expand(const nlohmann::json &value) const
{
    nlohmann::json copy = value;
    if (value.is_array())
        for (auto &e : copy)
            e = Expand(e);
    if (!value.is_string())
        return copy;
    std::string s = value.get<std::string>();
    for (const auto &mark : {std::make_pair('@', dir_.path()),
                             std::make_pair('%', "C:" + test::Backslashed(dir_.path()))})
        for (std::size_t at = 0; (at = s.find(mark.first, at)) != std::string::npos; at += mark.second.size())
            s.replace(at, 1, mark.second);
    return s;
}

void ToolTest::ExpectAt(const nlohmann::json &doc, const std::string &key, const nlohmann::json &want)
{
    const bool part = key[0] == '~';
    const nlohmann::json::json_pointer at(key.substr(part));
    const nlohmann::json got = doc.contains(at) ? doc[at] : nlohmann::json("(absent)");
    if (!part) {
        EXPECT_EQ(got, want) << key;
        return;
    }
    const std::string text = got.is_string() ? got.get<std::string>() : got.dump();
    EXPECT_NE(text.find(want.get<std::string>()), std::string::npos) << key << ": " << text;
}

void ToolTest::Check(const std::vector<Row> &rows)
{
    for (const Row &row : rows) {
        Args args;
        std::string line = "brenvik";
        for (const std::string &a : row.args)
            line += " " + args.emplace_back(Expand(a).get<std::string>());
        SCOPED_TRACE(line);
        const ToolRun run = RunTool(args, dir_.path());
        EXPECT_EQ(run.exit, row.exit) << run.out << run.err;
        // Errors are one line on standard error; bad usage prints nothing else.
        const bool json = std::count(args.begin(), args.end(), "--json") > 0;
        const bool quiet = run.err.empty() && row.exit != 2;
        EXPECT_TRUE(row.exit == 0 ? run.err.empty() : quiet || run.OneErrorLine()) << run.err;
        EXPECT_TRUE(row.exit != 2 || json || run.out.empty()) << run.out;
        const nlohmann::json doc = json ? run.Json() : nlohmann::json();
        for (const auto &check : row.checks) {
            const std::string &key = check.first;
            const nlohmann::json want = Expand(check.second);
            const std::string text = want.is_string() ? want.get<std::string>() : "";
            if (key[0] == '/' || key[0] == '~') {
                ExpectAt(doc, key, want);
            } else if (key[0] == '?') {
                EXPECT_EQ(Exists(key.substr(1)), want) << key;
            } else if (key == "out=") {
                EXPECT_EQ(run.out, text);
            } else {
                EXPECT_NE((key == "out" ? run.out : run.err).find(text), std::string::npos)
                    << key << " lacks " << text;
            }
        }
    }
}

}  // namespace tooltest
}  // namespace brenvik
