#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "tool_fixture.h"

extern char **environ;

namespace brenvik {
namespace tooltest {

nlohmann::json ToolRun::Json() const
{
    const nlohmann::json doc = nlohmann::json::parse(out, nullptr, false);
    EXPECT_FALSE(doc.is_discarded()) << "standard output is not JSON:\n" << out;
    return doc.is_discarded() ? nullptr : doc;
}

std::string ToolPath()
{
    const char *other = std::getenv("BRENVIK_TEST_TOOL");
    return other && *other ? other : BRENVIK_TOOL_PATH;
}

ToolRun RunProgram(const std::string &program, const Args &args, const std::string &cwd, int tty)
{
    // Files, not pipes: nothing to drain while the child runs.
    test::TempDir io;
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
    Args argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char *> ptrs;
    for (std::string &a : argv)
        ptrs.push_back(&a[0]);
    ptrs.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, ptrs.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ToolRun run;
    EXPECT_EQ(rc, 0) << "cannot start " << program << ": " << std::strerror(rc);
    int status = 0;
    if (rc == 0)
        ::waitpid(pid, &status, 0);
    run.exit = rc != 0 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (tty < 0) {
        run.out = test::ReadHostFile(paths[1]);
        run.err = test::ReadHostFile(paths[2]);
    }
    return run;
}

ToolRun RunToolOnTerminal(const Args &args, const std::string &answer)
{
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        ADD_FAILURE() << "openpty: " << std::strerror(errno);
        return {};
    }
    // Typed ahead: the tool reads it when it asks. The prompt is short, so
    // the terminal's buffer holds all output until the tool has finished.
    EXPECT_GT(::write(master, (answer + "\n").c_str(), answer.size() + 1), 0);
    ToolRun run = RunProgram(ToolPath(), args, "", slave);
    ::close(slave);
    char buf[4096];
    for (ssize_t got; (got = ::read(master, buf, sizeof buf)) > 0;)  // EIO once all is read
        run.out.append(buf, static_cast<std::size_t>(got));
    ::close(master);
    return run;
}

ToolTest::ToolTest() : registry_(test::RegText({}))
{
    for (const std::string &c : {outside_ / "keep", outside_ / "sub/keep"}) {
        test::MakeHostDirs(c.substr(0, c.rfind('/')));
        test::WriteHostFile(c, "canary");
        canaries_.push_back(c);
    }
}

void ToolTest::TearDown()
{
    for (const std::string &c : canaries_)
        EXPECT_TRUE(test::HostExists(c)) << "deleted without being named: " << c;
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
        for (std::size_t at = 0; (at = s.find(mark.first, at)) != std::string::npos;
             at += mark.second.size())
            s.replace(at, 1, mark.second);
    return s;
}

void ToolTest::ExpectAt(const nlohmann::json &doc, const std::string &key,
                        const nlohmann::json &want)
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

std::vector<ToolRun> ToolTest::Check(const std::vector<Row> &rows)
{
    std::vector<ToolRun> runs;
    for (const Row &row : rows) {
        Args args;
        std::string line = "brenvik";
        for (const std::string &a : row.args)
            line += " " + args.emplace_back(Expand(a).get<std::string>());
        SCOPED_TRACE(line);
        const ToolRun &run = runs.emplace_back(RunTool(args, dir_.path()));
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
    return runs;
}

}  // namespace tooltest
}  // namespace brenvik
