#include "reliability/sweep.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <exception>
#include <set>

#include "frame/trace.h"
#include "support/scoped_machine.h"

namespace brenvik::sweep {
namespace {

constexpr uint64_t kMaxCalls = 20000;  // still calling after this many faults: looping

struct RunResult {
    std::string observed;
    Tree tree;
    FaultRun run;
    DWORD lastError = 0;
};

std::string Describe(const Entry *e)
{
    return e == nullptr ? "(absent)"
                        : Text("%s attributes 0x%lx, %zu bytes", e->directory ? "dir" : "file",
                               static_cast<unsigned long>(e->attributes), e->bytes.size());
}

Tree Snapshot(const sim::Machine &machine)
{
    Tree tree;
    for (const std::string root : {"C:\\", "D:\\"}) {
        for (std::string relative : machine.ListTree(root)) {
            Entry e;
            e.directory = !relative.empty() && relative.back() == '\\';
            if (e.directory)
                relative.pop_back();
            const std::string path = root + relative;
            e.attributes = machine.GetAttributes(path);
            if (!e.directory && !machine.IsLink(path))
                e.bytes = machine.ReadFileBytes(path);
            tree[path] = e;
        }
    }
    return tree;
}

// One call on a fresh machine with the trace on, so that the trace's own
// paths meet every fault too; run.k 0 injects nothing.
RunResult RunOnce(const Case &c, const FaultRun &run, Tree *before)
{
    sim::Machine machine = sim::Machine::Typical();
    if (c.setup)
        c.setup(machine);
    if (before != nullptr)
        *before = Snapshot(machine);
    machine.ResetCalls();
    if (run.k != 0)
        machine.FailNthCall(run.k, run.error, run.lasting ? sim::Times::Always : sim::Times::Once);
    g_bDbgEnabled = 1;
    g_dwDbgLevel = 1;
    RunResult r;
    {
        test::ScopedMachine scope(machine);  // fails the test on anything left open
        try {
            r.observed = c.call(machine);
        } catch (const std::exception &e) {
            r.observed = std::string("(exception) ") + e.what();
        } catch (...) {
            r.observed = "(exception)";
        }
        r.lastError = machine.GetLastError();
    }
    EXPECT_EQ(r.observed.find("(exception)"), std::string::npos) << r.observed;
    r.run = run;
    r.run.calls = machine.CallLog();
    r.tree = Snapshot(machine);
    if (c.agrees) {
        EXPECT_TRUE(c.agrees(r.observed, r.tree, r.run))
            << "the result " << r.observed << " does not agree with the files left";
    }
    return r;
}

void Check(const Case &c, const RunResult &clean, const Tree &before, const RunResult &got)
{
    const FaultRun &run = got.run;
    if (run.calls.size() < run.k) {
        EXPECT_EQ(got.observed, clean.observed) << "a run without a fault differs";
        EXPECT_EQ(run.calls.size(), clean.run.calls.size()) << "a run without a fault differs";
    } else if (got.observed != clean.observed) {
        EXPECT_TRUE(c.accept && c.accept(clean.observed, got.observed, run))
            << "result after the failure: " << got.observed << "\n  clean: " << clean.observed;
        // Under a lasting fault every call from k on failed, so whichever the
        // function gave up on set the error; a transient one only when last.
        if (c.keepsLastError && (run.lasting || run.calls.size() == run.k)) {
            EXPECT_EQ(got.lastError, run.error) << "the last error is not the failing call's";
        }
    }
    std::set<std::string> paths;
    for (const Tree *t : {&before, &clean.tree, &got.tree})
        for (const auto &entry : *t)
            paths.insert(entry.first);
    for (const std::string &path : paths) {
        const auto find = [&path](const Tree &t) {
            const auto it = t.find(path);
            return it == t.end() ? nullptr : &it->second;
        };
        const Entry *b = find(before), *cl = find(clean.tree), *g = find(got.tree);
        EXPECT_TRUE(c.entries ? c.entries(path, b, cl, g, run) : BeforeOrClean(b, cl, g))
            << path << " ends as " << Describe(g) << "; before: " << Describe(b)
            << ", after the clean run: " << Describe(cl);
    }
}

int Run(const Case &c)
{
    SCOPED_TRACE(c.function);
    const auto failures = [] {
        const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
        return test->result()->total_part_count();
    };
    const int parts = failures();  // stops at this case's first failing run
    const int savedEnabled = g_bDbgEnabled;
    const unsigned long savedLevel = g_dwDbgLevel;
    Tree before;
    const RunResult clean = RunOnce(c, FaultRun{}, &before);
    EXPECT_GT(clean.run.calls.size(), 0u) << "the call reaches no counted platform service";
    int runs = 1;
    for (const bool lasting : {false, true}) {
        for (const DWORD error : c.errors) {
            for (uint64_t k = 1; failures() == parts; ++k) {
                SCOPED_TRACE(Text("call %llu failing %s with error %lu",
                                  static_cast<unsigned long long>(k),
                                  lasting ? "from then on" : "once",
                                  static_cast<unsigned long>(error)));
                FaultRun fault{{}, k, lasting, error};
                const RunResult got = RunOnce(c, fault, nullptr);
                ++runs;
                Check(c, clean, before, got);
                if (got.run.calls.size() < k)
                    break;
                if (k > kMaxCalls)
                    ADD_FAILURE() << "still making calls after " << kMaxCalls << " faults";
            }
        }
    }
    g_bDbgEnabled = savedEnabled;
    g_dwDbgLevel = savedLevel;
    return runs;
}

}  // namespace

bool FaultRun::Failed(const std::string &service, const std::string &part) const
{
    for (const sim::Call &call : calls) {
        const bool failed = lasting ? call.number >= k : call.number == k;
        if (failed && call.service == service && call.path.find(part) != std::string::npos)
            return true;
    }
    return false;
}

bool BeforeOrClean(const Entry *before, const Entry *clean, const Entry *got)
{
    if (got == nullptr)
        return before == nullptr || clean == nullptr;
    return (before != nullptr && *got == *before) || (clean != nullptr && *got == *clean);
}

std::function<bool(const std::string &, const Tree &, const FaultRun &)> OneWhen(std::string path,
                                                                               bool exists)
{
    return [path, exists](const std::string &got, const Tree &after, const FaultRun &) {
        return (got == "1") == ((after.count(path) != 0) == exists);
    };
}

std::string Text(const char *format, ...)
{
    char buffer[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

Case Make(std::string function, std::function<std::string()> call,
          std::vector<std::string> failures, Setup setup)
{
    Case c;
    c.function = std::move(function);
    c.call = [call](sim::Machine &) { return call(); };
    c.accept = [failures](const std::string &, const std::string &got, const FaultRun &) {
        return std::find(failures.begin(), failures.end(), got) != failures.end();
    };
    c.setup = std::move(setup);
    return c;
}

int RunTable(const char *table, const std::vector<Case> &cases)
{
    int total = 0;
    for (const Case &c : cases) {
        const int runs = Run(c);
        std::printf("[ sweep    ] %-56s %6d runs\n", c.function.c_str(), runs);
        total += runs;
    }
    std::printf("[ sweep    ] %-56s %6d runs\n", (std::string(table) + ", in all").c_str(), total);
    std::fflush(stdout);
    return total;
}

}  // namespace brenvik::sweep
