#include "tool_runner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

extern char **environ;

namespace brenvik {
namespace tooltest {

namespace {

constexpr int kTimeoutMs = 120000;

int ExitCodeOf(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

std::vector<std::string> Environment(const std::map<std::string, std::string> &extra)
{
    std::vector<std::string> env;
    for (char **e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (extra.count(name) == 0)
            env.push_back(entry);
    }
    for (const auto &kv : extra)
        env.push_back(kv.first + "=" + kv.second);
    return env;
}

std::vector<char *> Pointers(std::vector<std::string> &strings)
{
    std::vector<char *> ptrs;
    for (std::string &s : strings)
        ptrs.push_back(&s[0]);
    ptrs.push_back(nullptr);
    return ptrs;
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
    return err.rfind("brenvik: ", 0) == 0 && !err.empty() && err.back() == '\n' &&
           err.find('\n') == err.size() - 1;
}

const char *ToolPath()
{
    return BRENVIK_TOOL_PATH;
}

const char *MkdemoPath()
{
    return BRENVIK_MKDEMO_PATH;
}

ToolRun RunProgram(const std::string &program, const std::vector<std::string> &args,
               const RunOptions &options)
{
    ToolRun run;
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe: " << std::strerror(errno);
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    if (!options.cwd.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.cwd.c_str());

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = Environment(options.env);
    std::vector<char *> argvp = Pointers(argv), envp = Pointers(env);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argvp.data(),
                                 envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (rc != 0) {
        ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(rc);
        ::close(in[1]);
        ::close(out[0]);
        ::close(err[0]);
        return run;
    }
    // Small inputs only: they fit the pipe, so writing first cannot block.
    if (!options.input.empty() &&
        ::write(in[1], options.input.data(), options.input.size()) < 0)
        ADD_FAILURE() << "write: " << std::strerror(errno);
    ::close(in[1]);

    struct pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string *sinks[2] = {&run.out, &run.err};
    int open = 2;
    while (open > 0) {
        const int n = ::poll(fds, 2, kTimeoutMs);
        if (n == 0) {
            ADD_FAILURE() << program << " did not finish in time";
            ::kill(pid, SIGKILL);
            break;
        }
        if (n < 0 && errno == EINTR)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buf[8192];
            const ssize_t got = ::read(fds[i].fd, buf, sizeof buf);
            if (got > 0) {
                sinks[i]->append(buf, static_cast<std::size_t>(got));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (auto &f : fds)
        if (f.fd >= 0)
            ::close(f.fd);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exit = ExitCodeOf(status);
    return run;
}

ToolRun RunTool(const std::vector<std::string> &args, const RunOptions &options)
{
    return RunProgram(ToolPath(), args, options);
}

ToolRun RunToolOnTerminal(const std::vector<std::string> &args, const std::string &answer)
{
    ToolRun run;
    std::vector<std::string> argv{ToolPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char *> argvp = Pointers(argv);

    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0) {
        ADD_FAILURE() << "forkpty: " << std::strerror(errno);
        return run;
    }
    if (pid == 0) {
        ::execv(argvp[0], argvp.data());
        ::_exit(127);
    }
    bool answered = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
    for (;;) {
        struct pollfd fd = {master, POLLIN, 0};
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the tool did not finish on its terminal in time";
            ::kill(pid, SIGKILL);
            break;
        }
        const int n = ::poll(&fd, 1, 1000);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            continue;
        char buf[4096];
        const ssize_t got = ::read(master, buf, sizeof buf);
        if (got <= 0)
            break;  // EIO once the child has gone
        run.out.append(buf, static_cast<std::size_t>(got));
        if (!answered && run.out.find("[y/N]") != std::string::npos) {
            const std::string line = answer + "\n";
            if (::write(master, line.data(), line.size()) < 0)
                ADD_FAILURE() << "write: " << std::strerror(errno);
            answered = true;
        }
    }
    ::close(master);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exit = ExitCodeOf(status);
    return run;
}

}  // namespace tooltest
}  // namespace brenvik
