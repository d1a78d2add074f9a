// The fault sweep: an exported function runs on the simulated machine once
// clean, then with its k-th counted platform call failing, k = 1, 2, ... until
// a run makes fewer than k calls; each error once and from call k on. Every
// run: no exception, a result the case accepts and that agrees with the files
// left, entries as before or as the clean run left them, nothing left open,
// the error mode restored, and the injected error last where promised.
#ifndef BRENVIK_TESTS_RELIABILITY_SWEEP_H
#define BRENVIK_TESTS_RELIABILITY_SWEEP_H

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"

namespace brenvik::sweep {

struct Entry {
    bool directory = false;
    DWORD attributes = 0;
    std::string bytes;  // files only
    bool operator==(const Entry &o) const
    {
        return directory == o.directory && attributes == o.attributes && bytes == o.bytes;
    }
};
using Tree = std::map<std::string, Entry>;  // full path -> entry

struct FaultRun {
    std::vector<sim::Call> calls;
    uint64_t k = 0;        // the first failing call
    bool lasting = false;  // every call from k on failed
    DWORD error = 0;
    // Whether a call of that service on a path containing `part` failed.
    bool Failed(const std::string &service, const std::string &part) const;
};

// Whether `got` may follow an injected failure, the clean run having given `clean`.
using Accept =
    std::function<bool(const std::string &clean, const std::string &got, const FaultRun &run)>;
// Whether an entry may end as `got`; null where the entry is absent.
using EntryRule = std::function<bool(const std::string &path, const Entry *before,
                                     const Entry *clean, const Entry *got, const FaultRun &run)>;
using Setup = std::function<void(sim::Machine &)>;

struct Case {
    std::string function;
    // Makes the call with the machine installed; the result and outputs as text.
    std::function<std::string(sim::Machine &)> call;
    Accept accept;  // null: only the clean result
    Setup setup;    // on top of Machine::Typical()
    std::vector<DWORD> errors{ERROR_ACCESS_DENIED};
    EntryRule entries;  // null: BeforeOrClean
    bool keepsLastError = true;
    // Whether the result agrees with the files a run left (the clean run's
    // FaultRun has no calls).
    std::function<bool(const std::string &got, const Tree &after, const FaultRun &run)> agrees;
};

// A call that needs no machine, accepting `failures` after a fault.
Case Make(std::string function, std::function<std::string()> call,
          std::vector<std::string> failures, Setup setup);
// The label and call of an integer-valued expression.
#define SWEEP_INT(expr) \
    #expr, [] { return ::brenvik::sweep::Text("%lld", static_cast<long long>(expr)); }

bool BeforeOrClean(const Entry *before, const Entry *clean, const Entry *got);
// The result is "1" exactly when `path` exists (exists) or is gone (!exists).
std::function<bool(const std::string &, const Tree &, const FaultRun &)> OneWhen(std::string path,
                                                                               bool exists);

// Sweeps every case, printing the runs of each and of the table.
int RunTable(const char *table, const std::vector<Case> &cases);

std::string Text(const char *format, ...);

}  // namespace brenvik::sweep

#endif  // BRENVIK_TESTS_RELIABILITY_SWEEP_H
