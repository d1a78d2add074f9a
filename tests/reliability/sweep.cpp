#include "reliability/sweep.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <exception>
#include <set>
#include <utility>

#include "frame/trace.h"
#include "support/scoped_machine.h"

namespace brenvik {
namespace sweep {

namespace {

// A run stops being worth sweeping long before this; a function that keeps
// making calls under a lasting fault is looping.
constexpr uint64_t kMaxCalls = 20000;

struct RunResult {
    std::string observed;
    Tree tree;
    uint64_t calls = 0;
    std::vector<sim::Call> log;
    DWORD lastError = 0;
};

std::string Describe(const Entry *e)
{
    if (e == nullptr)
        return "(absent)";
    if (e->directory)
        return Text("directory attributes 0x%lx", static_cast<unsigned long>(e->attributes));
    return Text("file attributes 0x%lx, %zu bytes", static_cast<unsigned long>(e->attributes),
                e->bytes.size());
}

const Entry *Find(const Tree &tree, const std::string &path)
{
    auto it = tree.find(path);
    return it == tree.end() ? nullptr : &it->second;
}

// Trace lines are formatted and sent in every run, so that the trace's own
// paths meet every fault too; the level is put back for the other tests.
class TraceOn {
public:
    TraceOn() : enabled_(g_bDbgEnabled), level_(g_dwDbgLevel) {}
    ~TraceOn()
    {
        g_bDbgEnabled = enabled_;
        g_dwDbgLevel = level_;
    }
    void Reset()
    {
        g_bDbgEnabled = 1;
        g_dwDbgLevel = 1;
    }

private:
    int enabled_;
    unsigned long level_;
};

// One call on a fresh machine; `fault` adds the fault (or nothing).
RunResult RunOnce(const Case &c, const std::function<void(sim::Machine &)> &fault, Tree *before)
{
    sim::Machine machine = sim::Machine::Typical();
    if (c.setup)
        c.setup(machine);
    if (before != nullptr)
        *before = Snapshot(machine, c.roots);
    machine.ResetCalls();
    fault(machine);

    RunResult r;
    {
        test::ScopedMachine scope(machine);  // reports what is left open
        try {
            r.observed = c.call(machine);
        } catch (const std::exception &e) {
            ADD_FAILURE() << "an exception left the call: " << e.what();
            r.observed = "(exception)";
        } catch (...) {
            ADD_FAILURE() << "an exception left the call";
            r.observed = "(exception)";
        }
        r.lastError = machine.GetLastError();
    }
    r.calls = machine.CallCount();
    r.log = machine.CallLog();
    r.tree = Snapshot(machine, c.roots);
    return r;
}

int FailureParts()
{
    return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
}

// The checks of one run with a fault injected at call k.
void CheckRun(const Case &c, const RunResult &clean, const Tree &before, const RunResult &got,
              uint64_t k, DWORD error, bool lasting)
{
    FaultRun run;
    run.calls = got.log;
    run.k = k;
    run.lasting = lasting;
    run.error = error;

    const bool injected = got.calls >= k;
    if (!injected) {
        EXPECT_EQ(got.observed, clean.observed)
            << "a run without a fault differs from the clean run";
        EXPECT_EQ(got.calls, clean.calls) << "a run without a fault made another number of calls";
    } else if (got.observed != clean.observed) {
        const bool ok = c.accept && c.accept(clean.observed, got.observed, run);
        EXPECT_TRUE(ok) << "result after the failure: " << got.observed
                        << "\n  clean run gave: " << clean.observed;
        // A lasting fault fails every call from k on, so whatever call the
        // function gave up on set the injected error; a transient one is
        // only sure to be last when it hit the last call.
        if (c.keepsLastError && (lasting || got.calls == k)) {
            EXPECT_EQ(got.lastError, error) << "the last error is not the failing call's";
        }
    }

    std::set<std::string> paths;
    for (const Tree *t : {&before, &clean.tree, &got.tree})
        for (const auto &entry : *t)
            paths.insert(entry.first);
    for (const std::string &path : paths) {
        const Entry *b = Find(before, path);
        const Entry *cl = Find(clean.tree, path);
        const Entry *g = Find(got.tree, path);
        const bool ok = c.entries ? c.entries(path, b, cl, g, run) : BeforeOrClean(b, cl, g);
        EXPECT_TRUE(ok) << path << " ends as " << Describe(g) << "; before: " << Describe(b)
                        << ", after the clean run: " << Describe(cl);
    }
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

std::string Text(const char *format, ...)
{
    char buffer[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

Tree Snapshot(const sim::Machine &machine, const std::vector<std::string> &roots)
{
    Tree tree;
    for (const std::string &root : roots) {
        if (!machine.Exists(root))
            continue;
        std::string base = root;
        if (base.back() != '\\')
            base += '\\';
        for (std::string relative : machine.ListTree(root)) {
            Entry e;
            e.directory = !relative.empty() && relative.back() == '\\';
            if (e.directory)
                relative.pop_back();
            const std::string path = base + relative;
            e.attributes = machine.GetAttributes(path);
            if (!e.directory && !machine.IsLink(path))
                e.bytes = machine.ReadFileBytes(path);
            tree[path] = e;
        }
    }
    return tree;
}

int Run(const Case &c)
{
    SCOPED_TRACE(c.function);
    TraceOn trace;
    const int partsAtStart = FailureParts();

    trace.Reset();
    Tree before;
    const RunResult clean = RunOnce(c, [](sim::Machine &) {}, &before);
    int runs = 1;
    EXPECT_GT(clean.calls, 0u) << "the call reaches no counted platform service";
    if (FailureParts() != partsAtStart)
        return runs;

    for (const bool lasting : {false, true}) {
        for (const DWORD error : c.errors) {
            for (uint64_t k = 1;; ++k) {
                SCOPED_TRACE(Text("call %llu failing %s with error %lu",
                                  static_cast<unsigned long long>(k),
                                  lasting ? "from then on" : "once",
                                  static_cast<unsigned long>(error)));
                trace.Reset();
                const RunResult got = RunOnce(
                    c,
                    [&](sim::Machine &m) {
                        m.FailNthCall(k, error, lasting ? sim::Times::Always : sim::Times::Once);
                    },
                    nullptr);
                ++runs;
                CheckRun(c, clean, before, got, k, error, lasting);
                if (FailureParts() != partsAtStart)
                    return runs;
                if (got.calls < k)
                    break;
                if (k > kMaxCalls) {
                    ADD_FAILURE() << "still making calls after " << kMaxCalls << " injected faults";
                    return runs;
                }
            }
        }
    }
    return runs;
}

namespace {

// The runs of every table run by this process, printed at its end.
int g_allRuns = 0;
int g_tables = 0;

class PrintTotal : public ::testing::Environment {
public:
    void TearDown() override
    {
        if (g_tables > 1)
            std::printf("[ sweep    ] %-52s %6d runs\n", "every table", g_allRuns);
    }
};

const auto *g_printTotal = ::testing::AddGlobalTestEnvironment(new PrintTotal);

}  // namespace

int RunTable(const char *table, const std::vector<Case> &cases)
{
    int total = 0;
    for (const Case &c : cases) {
        const int runs = Run(c);
        std::printf("[ sweep    ] %-52s %6d runs\n", c.function.c_str(), runs);
        total += runs;
    }
    std::printf("[ sweep    ] %-52s %6d runs\n", (std::string(table) + ", in all").c_str(), total);
    std::fflush(stdout);
    g_allRuns += total;
    ++g_tables;
    return total;
}

Accept CleanOr(std::string failure)
{
    return [failure](const std::string &, const std::string &got, const FaultRun &) {
        return got == failure;
    };
}

Accept CleanOrAny(std::vector<std::string> failures)
{
    return [failures](const std::string &, const std::string &got, const FaultRun &) {
        for (const std::string &f : failures)
            if (got == f)
                return true;
        return false;
    };
}

}  // namespace sweep
}  // namespace brenvik
