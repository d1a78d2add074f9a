// The fault sweep: an exported function is called on the simulated machine
// once without faults, then again with the k-th counted platform call made
// to fail, for k = 1, 2, ... until a run makes fewer than k calls (nothing
// was injected). Each error of the case is swept twice: failing once (a
// transient fault) and failing from call k on (a lasting one).
//
// After every run: the call returned (no crash, no exception), its result
// is the clean run's or one the case accepts for a failure, every entry of
// the file system is as it was before or as the clean run left it (unless
// the case allows more), nothing is left open on the machine and the error
// mode is restored, and a failure leaves the injected error as the last
// error where the function promises that.
#ifndef BRENVIK_TESTS_RELIABILITY_SWEEP_H
#define BRENVIK_TESTS_RELIABILITY_SWEEP_H

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"

namespace brenvik {
namespace sweep {

// One entry of the file system as the sweep compares it.
struct Entry {
    bool directory = false;
    DWORD attributes = 0;
    std::string bytes;  // files only
    bool operator==(const Entry &o) const
    {
        return directory == o.directory && attributes == o.attributes && bytes == o.bytes;
    }
    bool operator!=(const Entry &o) const { return !(*this == o); }
};
using Tree = std::map<std::string, Entry>;  // full path -> entry

// The calls of a run with a fault, for rules that depend on which failed.
struct FaultRun {
    std::vector<sim::Call> calls;  // in the order made
    uint64_t k = 0;                // the first failing call
    bool lasting = false;          // every call from k on failed
    DWORD error = 0;               // what the failing calls answered
    // Whether a call of that service on a path containing `part` failed.
    bool Failed(const std::string &service, const std::string &part) const;
};

// Decides whether one entry may end as `got` after an injected failure;
// before/clean/got are null where the entry is absent.
using EntryRule = std::function<bool(const std::string &path, const Entry *before,
                                     const Entry *clean, const Entry *got, const FaultRun &run)>;

using Accept =
    std::function<bool(const std::string &clean, const std::string &got, const FaultRun &run)>;

// The default rule: as before, or as the clean run left it.
bool BeforeOrClean(const Entry *before, const Entry *clean, const Entry *got);

struct Case {
    // The exported function, as "CDriveEx::IsCdDrive"; a case of the same
    // function with other arguments adds a note: "CDriveEx::IsDir (missing)".
    std::string function;
    // Builds the machine on top of Machine::Typical().
    std::function<void(sim::Machine &)> setup;
    // Makes the call with the machine installed and describes what it gave
    // (result and outputs) as text; two runs that agree give equal text.
    std::function<std::string(sim::Machine &)> call;
    // Whether `got` is acceptable after an injected failure, `clean` being
    // what the run without faults gave. Null: only the clean result.
    Accept accept;
    // Errors to inject; the function must not tolerate them.
    std::vector<DWORD> errors{ERROR_ACCESS_DENIED};
    // Roots whose trees are compared (drives as "C:\", shares as "\\s\x").
    std::vector<std::string> roots{"C:\\", "D:\\"};
    // Null: every entry ends as before or as after the clean run.
    EntryRule entries;
    // A failed call leaves the injected error as the last error.
    bool keepsLastError = true;
};

// Runs the sweep of one case, reporting failures through GoogleTest; stops
// at the first run that fails. Returns the number of runs made.
int Run(const Case &c);

// Runs every case, prints the runs of each and of the table, and returns
// the table's total.
int RunTable(const char *table, const std::vector<Case> &cases);

// ---- Accepting results ---------------------------------------------------

// The clean result or exactly `failure`.
Accept CleanOr(std::string failure);
// The clean result or any of `failures`.
Accept CleanOrAny(std::vector<std::string> failures);

// ---- Describing results --------------------------------------------------

// printf-style text for observations.
std::string Text(const char *format, ...);

// The tree below each root, as the sweep compares it.
Tree Snapshot(const sim::Machine &machine, const std::vector<std::string> &roots);

}  // namespace sweep
}  // namespace brenvik

#endif  // BRENVIK_TESTS_RELIABILITY_SWEEP_H
