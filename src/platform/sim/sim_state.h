// The simulated machine's state, shared by the files that implement it.
#ifndef BRENVIK_PLATFORM_SIM_SIM_STATE_H
#define BRENVIK_PLATFORM_SIM_SIM_STATE_H

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"

namespace brenvik {
namespace sim {

// A recursive lock. The Windows cross compiler may come without std::mutex
// (its win32 thread model), so there the lock is a critical section.
#if defined(_WIN32)
class RecursiveMutex {
public:
    RecursiveMutex() { InitializeCriticalSection(&cs_); }
    ~RecursiveMutex() { DeleteCriticalSection(&cs_); }
    RecursiveMutex(const RecursiveMutex &) = delete;
    RecursiveMutex &operator=(const RecursiveMutex &) = delete;
    void lock() { EnterCriticalSection(&cs_); }
    void unlock() { LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};
#else
using RecursiveMutex = std::recursive_mutex;
#endif
using Lock = std::lock_guard<RecursiveMutex>;

// Error codes win32_types.h does not name.
constexpr DWORD kErrorBadLength = 24;
constexpr DWORD kErrorNegativeSeek = 131;
constexpr DWORD kErrorDirNotRoot = 144;
constexpr DWORD kErrorNoAccess = 998;
constexpr DWORD kErrorKeyDeleted = 1018;
constexpr DWORD kAttributesSettable = 0x31A7;  // FILE_ATTRIBUTE_VALID_SET_FLAGS
constexpr DWORD kReparseTagSymlink = 0xA000000C;
constexpr int kMaxLinkHops = 63;

// ---- Last error, per thread -------------------------------------------------
void SetErr(DWORD code);
DWORD Err();

std::string Str(const char *s);  // null reads as empty

// ---- Names and paths (sim_paths.cpp) ----------------------------------------
bool IsSep(char c);  // either separator
bool IsLetter(char c);  // ASCII letters only
char Upper(char c);
bool IsLeadByte(UINT acp, unsigned char c);
// The name folded for comparison: ASCII letters upper-cased, the second
// byte of a double-byte character left alone.
std::string Fold(const std::string &name, UINT acp);
bool NameEquals(const std::string &a, const std::string &b, UINT acp);
// Windows wildcard match ('*', '?', "*.*", trailing dots), without regard to case.
bool WildcardMatch(const std::string &pattern, const std::string &name, UINT acp);
bool HasWildcards(const std::string &name);

struct PathForm {
    bool unc = false;
    char letter = 0;  // upper-case drive letter
    std::string server, share;
    std::vector<std::string> parts;  // components below the root
    bool trailingSep = false;        // the text ended in a separator
    // "C:\a\b", "C:\" for the root, "\\srv\share\a", "\\srv\share\" for a share root.
    std::string Full() const;
    std::string Root() const;  // "C:\" or "\\srv\share\"
};

// Parses a Win32 path against the current directory. keepFinal leaves the
// last component exactly as given (find patterns). Returns 0 or the Win32
// error: ERROR_PATH_NOT_FOUND (empty), ERROR_INVALID_NAME (bad characters),
// ERROR_FILENAME_EXCED_RANGE (too long), ERROR_BAD_PATHNAME (bad UNC).
DWORD ParsePath(const std::string &raw, const std::string &cwd, UINT acp, bool keepFinal,
                PathForm *out);

// ---- Addresses (sim_sockets.cpp) ----------------------------------------------
// "a.b.c.d", each part 0 to 255 and nothing after, in network order.
bool ParseStrictDotted(const std::string &text, uint32_t *out);

// ---- The file tree ------------------------------------------------------------
struct VolumeEntry;

struct Node {
    enum Kind { File, Dir, Link };
    Kind kind = File;
    std::string name;
    bool linkIsDir = false;
    std::string target;  // links
    DWORD attrs = 0;     // stored bits; directory and reparse bits come from kind
    FILETIME created{}, accessed{}, written{};
    std::string data;    // stored bytes
    uint64_t size = 0;   // logical size, >= data.size(); the rest reads as zeros
    std::map<std::string, std::shared_ptr<Node>> children;  // by folded name
    Node *parent = nullptr;  // null for a root and for an unlinked entry
    VolumeEntry *volume = nullptr;

    bool IsDirLike() const { return kind == Dir || (kind == Link && linkIsDir); }
    DWORD Attributes() const;  // what Win32 reports (0 becomes NORMAL)
};
using NodePtr = std::shared_ptr<Node>;

struct VolumeEntry {
    std::unique_ptr<Volume> config;
    NodePtr root;
    std::string server, share;  // shares only
};

// The outcome of looking a path up.
struct Resolved {
    DWORD error = 0;
    VolumeEntry *vol = nullptr;
    NodePtr dir;       // the directory holding the final entry (null at a root)
    NodePtr node;      // the final entry itself, null when missing
    std::string name;  // the final component as given
    std::string full;  // the full path asked for
    bool root = false;
    bool trailingSep = false;
};

struct FileHandle {
    NodePtr node;
    std::string path;  // as given
    std::string full;
    bool read = false, write = false, del = false;  // access classes that share
    bool appendOnly = false;
    bool writeData = false;  // write or append access
    bool readData = false;
    DWORD share = 0;
    uint64_t pos = 0;
    bool deleteOnClose = false;
};

struct FindHandle {
    std::string path;  // as given
    std::string full;
    std::vector<WIN32_FIND_DATAA> entries;
    std::size_t next = 0;
};

struct RegValue {
    std::string name;
    DWORD type = REG_NONE;
    std::string bytes;
};

struct RegKey {
    std::string name;
    std::map<std::string, RegKey> subkeys;  // by folded name
    std::map<std::string, RegValue> values;
};

struct RegHandle {
    std::uintptr_t root;
    std::vector<std::string> parts;  // below the root
    std::string path;                // readable, for reports
};

struct SocketState {
    SocketInfo info{};
    std::deque<Reply> script;
};

struct FaultState {
    int id;
    Fault fault;
    std::string full;  // the fault's path, resolved when it was added
    uint64_t seen = 0;
};

struct Connection {
    std::string remote;
    bool connected;
};

struct MachineState {
    mutable RecursiveMutex mu;

    // Volumes and names.
    std::map<char, std::unique_ptr<VolumeEntry>> drives;
    std::map<std::string, std::unique_ptr<VolumeEntry>> shares;  // folded "server\share"
    std::map<char, Connection> connections;
    std::map<std::string, std::vector<uint32_t>> hosts;  // folded name -> addresses (network order)
    std::string cwd = "C:\\";
    uint64_t clock = 127001520000000000ULL;  // 2003-06-15 12:00 UTC

    // Handles.
    std::uintptr_t nextHandle = 0x1000;
    std::map<std::uintptr_t, FileHandle> files;
    std::map<std::uintptr_t, FindHandle> finds;
    std::map<std::uintptr_t, RegHandle> regHandles;
    std::set<std::uintptr_t> baseline;  // open when MarkInstalled ran

    // Registry: one tree per predefined key.
    std::map<std::uintptr_t, RegKey> registry;

    // Process and friends.
    DWORD tick = 1000000, tickStep = 1;
    DWORD pid = 0x1234;
    UINT acp = 1252;
    bool freeSpaceEx = true;
    std::vector<std::string> debug;
    std::vector<MessageBoxCall> boxes;
    int boxResult = IDOK;
    std::vector<int> quits;
    UINT errorMode = 0, errorModeBaseline = 0;
    std::vector<UINT> errorModes;

    // Sockets.
    int wsaBalance = 0, wsaBaseline = 0;
    std::vector<SocketState> sockets;  // index = ordinal - 1
    std::map<int, std::deque<Reply>> pendingScripts;  // sockets not yet made
    std::deque<Reply> script;
    int hangs = 0;

    // Counting and faults.
    uint64_t total = 0;
    std::map<std::string, uint64_t> perService;
    std::vector<Call> log;
    std::vector<FaultState> faults;
    int nextFaultId = 1;
    std::function<void(const Call &)> hook;

    // ---- sim_machine.cpp ----
    // Counts a call and runs the hook; true (with the error set as the last
    // error) when a fault fires. `full` is the resolved path if the caller
    // knows it (handle calls).
    bool Enter(const char *service, const std::string &path, const std::string *full,
               DWORD *error);
    std::string MatchKey(const std::string &raw) const;
    std::uintptr_t NewHandle();

    // ---- sim_paths.cpp ----
    enum class Use { Service, Builder };
    VolumeEntry *FindVolume(const PathForm &form, Use use, DWORD *error) const;
    Resolved Resolve(const std::string &raw, bool followFinal, Use use,
                     bool pattern = false) const;
    std::string FullOf(const std::string &raw) const;  // "" if it does not parse

    // ---- sim_files.cpp ----
    NodePtr NewNode(Node::Kind kind, const std::string &name, VolumeEntry *vol) const;
    static void Link(const NodePtr &dir, const NodePtr &node, UINT acp);
    static void Unlink(Node *node, UINT acp);
    bool SharingConflict(const NodePtr &node, bool read, bool write, bool del,
                         DWORD share) const;
    bool HasOpenHandleBelow(const Node *dir) const;
    void Touch(Node *node) const;
    FILETIME Now() const;
    VolumeEntry *NewVolume(UINT type);
};

// Returns failValue after setting the last error.
template <typename T>
T Fail(DWORD error, T failValue)
{
    SetErr(error);
    return failValue;
}

}  // namespace sim
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_SIM_SIM_STATE_H
