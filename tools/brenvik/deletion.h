// What the deleting subcommands share: the guards that keep a deletion to
// what the user named, and the record of what the library removed (or, in a
// dry run, would remove) with the reason for each entry it left.
#ifndef BRENVIK_TOOLS_BRENVIK_DELETION_H
#define BRENVIK_TOOLS_BRENVIK_DELETION_H

#include <functional>
#include <string>
#include <vector>

#include "common.h"

namespace brenvik {
namespace tool {

// One removal or rename the library asked the platform for, in its order.
struct Removal {
    enum Kind { kFile, kDirectory, kRename } kind = kFile;
    std::string windows;  // as the library named it
    std::string target;   // a rename's new name
    bool ok = false;
    bool absent = false;  // already gone: done, but nothing was removed
    unsigned long error = 0;  // the platform's error code when it failed
    std::string why;      // why it failed
};

// Runs fn with every removal and rename of the library recorded. With
// dryRun nothing changes on disk: each removal answers as the real one would,
// and what it "removed" stays gone for the rest of the run, so a directory
// whose content would all go can be removed too.
std::vector<Removal> Recorded(bool dryRun, const std::function<void()> &fn);

// Refuses (bad usage) a Windows-form argument whose literal host name is an
// existing entry other than the one Windows' reading of it reaches (a final
// name ending in a dot or a blank, a backslash inside a host name).
void CheckNamedIsReached(const PathArg &arg);

// Refuses (bad usage) a drive or share root, the host's root or a mount
// point, unless allowed.
void CheckNotRoot(const PathArg &arg, bool allowRoot);

// Refuses (bad usage) a pattern that is not a name pattern inside its
// directory.
void CheckNamePattern(const std::string &pattern);

// How a Windows path the library named is shown to the user.
using Shower = std::function<std::string(const std::string &windows)>;
Shower ShowBelow(const PathArg &arg);                 // Display(arg, ...)
Shower ShowAsGiven(const std::vector<PathArg> &args);  // each argument as typed

// The entries of records removed and those left, for output.
struct RemovalReport {
    std::vector<std::string> removed;  // shown, with "/" after a directory
    Json removedJson = Json::array();  // dry run: objects; real run: paths
    Json keptJson = Json::array();     // {"path", "windows", "kind", "why"}
    std::vector<std::string> keptLines;
    std::string firstFailure;  // "'x' is read-only", or ""
};
RemovalReport Report(const Shower &show, const std::vector<Removal> &records, bool dryRun);

// A dry run's document and lines: would_delete, would_keep.
void EmitDryRun(Context &ctx, Json doc, const RemovalReport &report);

// Runs remove as a dry run first (the list the user is asked about), then,
// after confirmation of what, for real. Returns false under --dry-run, after
// showing the plan with dryDoc's fields; otherwise *records holds what the
// real run did.
bool PlanConfirmRemove(Context &ctx, const DeleteOptions &options, const Shower &show,
                       Json dryDoc, const std::function<std::string(const RemovalReport &)> &what,
                       const std::function<void()> &remove, std::vector<Removal> *records);

}  // namespace tool
}  // namespace brenvik

#endif  // BRENVIK_TOOLS_BRENVIK_DELETION_H
