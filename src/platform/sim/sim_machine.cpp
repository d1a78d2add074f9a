// The machine as a whole: construction, the builder and queries, counting,
// faults, the hook, the end-of-test report, and the small services.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "platform/sim/sim_state.h"

namespace brenvik {
namespace sim {

namespace {

thread_local DWORD t_lastError = 0;
thread_local int t_hookDepth = 0;

[[noreturn]] void Refuse(const std::string &what, const std::string &path)
{
    throw std::runtime_error("sim::Machine: " + what + ": " + path);
}

std::string Hex(unsigned long v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%lX", v);
    return buf;
}

}  // namespace

std::string Str(const char *s)
{
    return s ? std::string(s) : std::string();
}

void SetErr(DWORD code)
{
    t_lastError = code;
}

DWORD Err()
{
    return t_lastError;
}

// ---- Volume -------------------------------------------------------------------

Volume &Volume::Type(UINT driveType)
{
    type_ = driveType;
    return *this;
}

Volume &Volume::Label(const std::string &label)
{
    label_ = label;
    return *this;
}

Volume &Volume::Serial(DWORD serial)
{
    serial_ = serial;
    return *this;
}

Volume &Volume::FileSystem(const std::string &name)
{
    fileSystem_ = name;
    return *this;
}

Volume &Volume::Flags(DWORD fileSystemFlags)
{
    flags_ = fileSystemFlags;
    return *this;
}

Volume &Volume::MaxComponentLength(DWORD length)
{
    maxComponent_ = length;
    return *this;
}

Volume &Volume::Clusters(DWORD sectorsPerCluster, DWORD bytesPerSector, DWORD freeClusters,
                         DWORD totalClusters)
{
    sectorsPerCluster_ = sectorsPerCluster;
    bytesPerSector_ = bytesPerSector;
    freeClusters_ = freeClusters;
    totalClusters_ = totalClusters;
    return *this;
}

Volume &Volume::Bytes(uint64_t totalBytes, uint64_t totalFreeBytes, uint64_t freeBytesToCaller)
{
    bytesSet_ = true;
    totalBytes_ = totalBytes;
    freeBytes_ = totalFreeBytes;
    callerFreeBytes_ = freeBytesToCaller;
    return *this;
}

Volume &Volume::Medium(bool present)
{
    medium_ = present;
    return *this;
}

Volume &Volume::WriteProtect(DWORD error)
{
    writeProtect_ = error;
    return *this;
}

// ---- Reply ------------------------------------------------------------------------

Reply Reply::Echo()
{
    return Reply(Kind::Echo);
}

Reply Reply::Datagram(const std::string &bytes)
{
    Reply r(Kind::Datagram);
    r.bytes_ = bytes;
    return r;
}

Reply Reply::Error(int wsaError)
{
    Reply r(Kind::Error);
    r.error_ = wsaError;
    return r;
}

Reply Reply::TimeOut()
{
    return Error(WSAETIMEDOUT);
}

Reply Reply::Silence()
{
    return Reply(Kind::Silence);
}

Reply &Reply::Type(uint8_t byte0)
{
    type_ = byte0;
    return *this;
}

Reply &Reply::Patch(std::size_t offset, const std::string &bytes)
{
    patches_.emplace_back(offset, bytes);
    return *this;
}

Reply &Reply::Truncate(std::size_t length)
{
    truncate_ = length;
    return *this;
}

Reply &Reply::From(const std::string &dottedAddress)
{
    from_ = dottedAddress;
    return *this;
}

Reply &Reply::Delay(DWORD milliseconds)
{
    delay_ = milliseconds;
    return *this;
}

// ---- Construction ---------------------------------------------------------------

Machine::Machine() : state_(new MachineState) {}
Machine::~Machine() = default;
Machine::Machine(Machine &&) noexcept = default;
Machine &Machine::operator=(Machine &&) noexcept = default;

Machine Machine::Typical()
{
    Machine m;
    m.AddDrive('C', DRIVE_FIXED)
        .Label("SYSTEM")
        .Serial(0x1C2B3A49)
        .Clusters(8, 512, 1000000, 5000000);
    m.AddDrive('D', DRIVE_CDROM).Label("DISC").Serial(0x0D15C001).Clusters(1, 2048, 0, 333000);
    return m;
}

VolumeEntry *MachineState::NewVolume(UINT type)
{
    auto *v = new VolumeEntry;
    v->config.reset(new Volume);
    Volume &c = *v->config;
    c.type_ = type;
    switch (type) {
    case DRIVE_CDROM:
        c.fileSystem_ = "CDFS";
        c.flags_ = 0x00080004;  // read-only volume, Unicode on disk
        c.maxComponent_ = 110;
        c.sectorsPerCluster_ = 1;
        c.bytesPerSector_ = 2048;
        c.freeClusters_ = 0;
        c.totalClusters_ = 333000;
        c.writeProtect_ = ERROR_ACCESS_DENIED;
        break;
    case DRIVE_REMOVABLE:
        c.fileSystem_ = "FAT";
        c.flags_ = FS_CASE_IS_PRESERVED | 0x4;
        c.sectorsPerCluster_ = 1;
        c.bytesPerSector_ = 512;
        c.freeClusters_ = 2847;
        c.totalClusters_ = 2847;
        break;
    default:
        c.fileSystem_ = "NTFS";
        c.flags_ = FS_CASE_SENSITIVE | FS_CASE_IS_PRESERVED | 0x4 | 0x8 | 0x10;
        c.sectorsPerCluster_ = 8;
        c.bytesPerSector_ = 512;
        c.freeClusters_ = 1310720;
        c.totalClusters_ = 2621440;
        break;
    }
    v->root = NewNode(Node::Dir, std::string(), v);
    if (type == DRIVE_FIXED || type == DRIVE_RAMDISK)
        v->root->attrs = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return v;
}

// ---- Drives, shares, connections, hosts -----------------------------------------

namespace {

char DriveLetter(char letter)
{
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z')
        throw std::invalid_argument(std::string("sim::Machine: not a drive letter: ") + letter);
    return letter;
}

}  // namespace

Volume &Machine::AddDrive(char letter, UINT driveType)
{
    Lock lock(state_->mu);
    letter = DriveLetter(letter);
    VolumeEntry *v = state_->NewVolume(driveType);
    v->config->serial_ = 0x5A5A0000u | static_cast<unsigned char>(letter);
    state_->drives[letter].reset(v);
    return *v->config;
}

Volume &Machine::Drive(char letter)
{
    Lock lock(state_->mu);
    auto it = state_->drives.find(DriveLetter(letter));
    if (it == state_->drives.end())
        Refuse("no drive", std::string(1, letter) + ":");
    return *it->second->config;
}

void Machine::RemoveDrive(char letter)
{
    Lock lock(state_->mu);
    state_->drives.erase(DriveLetter(letter));
}

Volume &Machine::AddShare(const std::string &server, const std::string &share)
{
    Lock lock(state_->mu);
    if (server.empty() || share.empty() || server.find_first_of("\\/") != std::string::npos ||
        share.find_first_of("\\/") != std::string::npos)
        Refuse("bad share name", server + "\\" + share);
    std::string key = Fold(server + "\\" + share, state_->acp);
    auto &slot = state_->shares[key];
    if (!slot) {
        slot.reset(state_->NewVolume(DRIVE_REMOTE));
        slot->server = server;
        slot->share = share;
        slot->config->serial_ = 0x5E000000u | static_cast<DWORD>(state_->shares.size());
    }
    return *slot->config;
}

Volume &Machine::Share(const std::string &server, const std::string &share)
{
    Lock lock(state_->mu);
    auto it = state_->shares.find(Fold(server + "\\" + share, state_->acp));
    if (it == state_->shares.end())
        Refuse("no share", "\\\\" + server + "\\" + share);
    return *it->second->config;
}

void Machine::RememberConnection(char letter, const std::string &remote, bool connected)
{
    Lock lock(state_->mu);
    letter = DriveLetter(letter);
    PathForm form;
    if (ParsePath(remote, "C:\\", state_->acp, false, &form) || !form.unc || !form.parts.empty())
        Refuse("not a \\\\server\\share name", remote);
    if (connected)
        AddShare(form.server, form.share);
    state_->connections[letter] = Connection{remote, connected};
}

void Machine::ForgetConnection(char letter)
{
    Lock lock(state_->mu);
    state_->connections.erase(DriveLetter(letter));
}

void Machine::AddHost(const std::string &name, const std::string &dottedAddress)
{
    Lock lock(state_->mu);
    uint32_t addr;
    if (!ParseStrictDotted(dottedAddress, &addr))
        Refuse("not a dotted IPv4 address", dottedAddress);
    state_->hosts[Fold(name, 1252)].push_back(addr);
}

// ---- Files and directories: builder ------------------------------------------------

namespace {

// The directory at path, made with its ancestors where missing.
NodePtr EnsureDir(MachineState &s, const std::string &path)
{
    PathForm form;
    if (ParsePath(path, s.cwd, s.acp, false, &form))
        Refuse("bad path", path);
    DWORD e = 0;
    VolumeEntry *vol = s.FindVolume(form, MachineState::Use::Builder, &e);
    if (!vol)
        Refuse("no such drive or share", path);
    NodePtr cur = vol->root;
    PathForm partial = form;
    for (std::size_t i = 0; i < form.parts.size(); ++i) {
        partial.parts.assign(form.parts.begin(), form.parts.begin() + static_cast<long>(i) + 1);
        Resolved r = s.Resolve(partial.Full(), true, MachineState::Use::Builder);
        if (r.error || !r.dir)
            Refuse("cannot reach", partial.Full());
        if (!r.node) {
            NodePtr d = s.NewNode(Node::Dir, r.name, r.dir->volume);
            MachineState::Link(r.dir, d, s.acp);
            cur = d;
        } else if (r.node->kind == Node::Dir) {
            cur = r.node;
        } else {
            Refuse("not a directory", partial.Full());
        }
    }
    return cur;
}

// The parent directory of path (made as needed) and the final name.
NodePtr EnsureParent(MachineState &s, const std::string &path, std::string *name)
{
    PathForm form;
    if (ParsePath(path, s.cwd, s.acp, false, &form) || form.parts.empty())
        Refuse("bad path for an entry", path);
    *name = form.parts.back();
    form.parts.pop_back();
    return EnsureDir(s, form.Full());
}

Resolved Need(const MachineState &s, const std::string &path, bool follow)
{
    Resolved r = s.Resolve(path, follow, MachineState::Use::Builder);
    if (r.error || !r.node)
        Refuse("no such entry", path);
    return r;
}

}  // namespace

void Machine::SetCurrentDir(const std::string &path)
{
    Lock lock(state_->mu);
    Resolved r = state_->Resolve(path, true, MachineState::Use::Builder);
    if (r.error || !r.node || r.node->kind != Node::Dir)
        Refuse("not a directory", path);
    state_->cwd = r.full;
}

std::string Machine::CurrentDir() const
{
    Lock lock(state_->mu);
    return state_->cwd;
}

void Machine::MakeDir(const std::string &path, DWORD attributes)
{
    Lock lock(state_->mu);
    NodePtr d = EnsureDir(*state_, path);
    // The default leaves an existing directory (a root, say) as it is.
    if (attributes != FILE_ATTRIBUTE_DIRECTORY)
        d->attrs = attributes & ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
}

void Machine::MakeFile(const std::string &path, const std::string &bytes, DWORD attributes)
{
    Lock lock(state_->mu);
    std::string name;
    NodePtr dir = EnsureParent(*state_, path, &name);
    auto it = dir->children.find(Fold(name, state_->acp));
    if (it != dir->children.end()) {
        if (it->second->kind == Node::Dir)
            Refuse("a directory is in the way", path);
        MachineState::Unlink(it->second.get(), state_->acp);
    }
    NodePtr f = state_->NewNode(Node::File, name, dir->volume);
    f->data = bytes;
    f->size = bytes.size();
    f->attrs = attributes & ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    MachineState::Link(dir, f, state_->acp);
}

void Machine::SetFileSize(const std::string &path, uint64_t size)
{
    Lock lock(state_->mu);
    Resolved r = state_->Resolve(path, true, MachineState::Use::Builder);
    if (r.error == 0 && !r.node && r.dir) {
        NodePtr f = state_->NewNode(Node::File, r.name, r.dir->volume);
        MachineState::Link(r.dir, f, state_->acp);
        r.node = f;
    } else if (r.error || !r.node) {
        MakeFile(path);
        r = Need(*state_, path, true);
    }
    if (r.node->kind != Node::File)
        Refuse("not a file", path);
    r.node->size = size;
    if (r.node->data.size() > size)
        r.node->data.resize(static_cast<std::size_t>(size));
}

void Machine::MakeLink(const std::string &path, const std::string &target, bool directory)
{
    Lock lock(state_->mu);
    std::string name;
    NodePtr dir = EnsureParent(*state_, path, &name);
    if (dir->children.count(Fold(name, state_->acp)))
        Refuse("already exists", path);
    NodePtr l = state_->NewNode(Node::Link, name, dir->volume);
    l->target = target;
    l->linkIsDir = directory;
    MachineState::Link(dir, l, state_->acp);
}

void Machine::SetAttributes(const std::string &path, DWORD attributes)
{
    Lock lock(state_->mu);
    Resolved r = Need(*state_, path, false);
    r.node->attrs = attributes & ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
}

void Machine::SetTimes(const std::string &path, FILETIME created, FILETIME accessed,
                       FILETIME written)
{
    Lock lock(state_->mu);
    Resolved r = Need(*state_, path, false);
    r.node->created = created;
    r.node->accessed = accessed;
    r.node->written = written;
}

void Machine::Remove(const std::string &path)
{
    Lock lock(state_->mu);
    Resolved r = state_->Resolve(path, false, MachineState::Use::Builder);
    if (r.error || !r.node)
        return;
    if (r.root)
        Refuse("cannot remove a root", path);
    MachineState::Unlink(r.node.get(), state_->acp);
}

void Machine::SetClock(FILETIME now)
{
    Lock lock(state_->mu);
    state_->clock = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// ---- Files and directories: queries -------------------------------------------------

bool Machine::Exists(const std::string &path) const
{
    Lock lock(state_->mu);
    Resolved r = state_->Resolve(path, false, MachineState::Use::Builder);
    return r.error == 0 && r.node;
}

bool Machine::FileExists(const std::string &path) const
{
    Lock lock(state_->mu);
    Resolved r = state_->Resolve(path, false, MachineState::Use::Builder);
    return r.error == 0 && r.node && !r.node->IsDirLike();
}

bool Machine::DirExists(const std::string &path) const
{
    Lock lock(state_->mu);
    Resolved r = state_->Resolve(path, false, MachineState::Use::Builder);
    return r.error == 0 && r.node && r.node->kind == Node::Dir;
}

bool Machine::IsLink(const std::string &path) const
{
    Lock lock(state_->mu);
    Resolved r = state_->Resolve(path, false, MachineState::Use::Builder);
    return r.error == 0 && r.node && r.node->kind == Node::Link;
}

std::string Machine::ReadFileBytes(const std::string &path) const
{
    Lock lock(state_->mu);
    Resolved r = Need(*state_, path, true);
    if (r.node->kind != Node::File)
        Refuse("not a file", path);
    if (r.node->size > (64u << 20))
        Refuse("too large to read whole", path);
    std::string out = r.node->data;
    out.resize(static_cast<std::size_t>(r.node->size), '\0');
    return out;
}

uint64_t Machine::FileSize(const std::string &path) const
{
    Lock lock(state_->mu);
    Resolved r = Need(*state_, path, true);
    if (r.node->kind != Node::File)
        Refuse("not a file", path);
    return r.node->size;
}

DWORD Machine::GetAttributes(const std::string &path) const
{
    Lock lock(state_->mu);
    Resolved r = state_->Resolve(path, false, MachineState::Use::Builder);
    if (r.error || !r.node)
        return INVALID_FILE_ATTRIBUTES;
    return r.node->Attributes();
}

std::vector<std::string> Machine::ListDir(const std::string &path) const
{
    Lock lock(state_->mu);
    Resolved r = Need(*state_, path, true);
    if (r.node->kind != Node::Dir)
        Refuse("not a directory", path);
    std::vector<std::string> names;
    for (const auto &c : r.node->children)  // keyed by folded name: already sorted
        names.push_back(c.second->name);
    return names;
}

namespace {

void Walk(const Node &dir, const std::string &prefix, std::vector<std::string> *out)
{
    for (const auto &c : dir.children) {
        const Node &n = *c.second;
        if (n.kind == Node::Dir) {
            out->push_back(prefix + n.name + "\\");
            Walk(n, prefix + n.name + "\\", out);
        } else {
            out->push_back(prefix + n.name);
        }
    }
}

}  // namespace

std::vector<std::string> Machine::ListTree(const std::string &path) const
{
    Lock lock(state_->mu);
    Resolved r = Need(*state_, path, true);
    if (r.node->kind != Node::Dir)
        Refuse("not a directory", path);
    std::vector<std::string> out;
    Walk(*r.node, std::string(), &out);
    return out;
}

// ---- Process, clock, code page, modules -------------------------------------------

void Machine::SetTickCount(DWORD start, DWORD stepPerCall)
{
    Lock lock(state_->mu);
    state_->tick = start;
    state_->tickStep = stepPerCall;
}

void Machine::SetProcessId(DWORD pid)
{
    Lock lock(state_->mu);
    state_->pid = pid;
}

void Machine::SetACP(UINT codePage)
{
    Lock lock(state_->mu);
    state_->acp = codePage;
}

void Machine::SetGetDiskFreeSpaceExAvailable(bool available)
{
    Lock lock(state_->mu);
    state_->freeSpaceEx = available;
}

// ---- Captured output ---------------------------------------------------------------

std::vector<std::string> Machine::DebugOutput() const
{
    Lock lock(state_->mu);
    return state_->debug;
}

void Machine::ClearDebugOutput()
{
    Lock lock(state_->mu);
    state_->debug.clear();
}

std::vector<MessageBoxCall> Machine::MessageBoxes() const
{
    Lock lock(state_->mu);
    return state_->boxes;
}

void Machine::SetMessageBoxResult(int result)
{
    Lock lock(state_->mu);
    state_->boxResult = result;
}

std::vector<int> Machine::QuitMessages() const
{
    Lock lock(state_->mu);
    return state_->quits;
}

UINT Machine::ErrorMode() const
{
    Lock lock(state_->mu);
    return state_->errorMode;
}

std::vector<UINT> Machine::ErrorModeHistory() const
{
    Lock lock(state_->mu);
    return state_->errorModes;
}

// ---- Counting, faults, hook ----------------------------------------------------------

std::uintptr_t MachineState::NewHandle()
{
    nextHandle += 4;
    return nextHandle;
}

std::string MachineState::MatchKey(const std::string &raw) const
{
    PathForm form;
    if (ParsePath(raw, cwd, acp, false, &form) == 0 ||
        ParsePath(raw, cwd, acp, true, &form) == 0)
        return form.Full();
    return raw;
}

namespace {

bool PathMatches(const FaultState &f, const std::string &key, UINT acp)
{
    switch (f.fault.match) {
    case PathMatch::Exact:
        return key == f.full;
    case PathMatch::IgnoreCase:
        return NameEquals(key, f.full, acp);
    case PathMatch::Under: {
        std::string k = Fold(key, acp), p = Fold(f.full, acp);
        if (k == p)
            return true;
        if (!p.empty() && p.back() != '\\')
            p += '\\';
        return k.compare(0, p.size(), p) == 0;
    }
    }
    return false;
}

}  // namespace

bool MachineState::Enter(const char *service, const std::string &path, const std::string *full,
                         DWORD *error)
{
    if (t_hookDepth > 0)
        return false;
    Call call{service, path, ++total};
    ++perService[service];
    log.push_back(call);
    if (hook) {
        ++t_hookDepth;
        try {
            hook(call);
        } catch (...) {
            --t_hookDepth;
            throw;
        }
        --t_hookDepth;
    }
    std::string key;
    bool haveKey = false;
    std::size_t fired = faults.size();
    for (std::size_t i = 0; i < faults.size(); ++i) {
        FaultState &f = faults[i];
        if (!f.fault.service.empty() && f.fault.service != service)
            continue;
        if (!f.fault.path.empty()) {
            if (!haveKey) {
                key = full ? *full : MatchKey(path);
                haveKey = true;
            }
            if (!PathMatches(f, key, acp))
                continue;
        }
        ++f.seen;
        bool fires = f.fault.nth == 0 || f.seen == f.fault.nth ||
                     (f.fault.times == Times::Always && f.seen > f.fault.nth);
        if (fires && fired == faults.size())
            fired = i;
    }
    if (fired == faults.size())
        return false;
    *error = faults[fired].fault.error;
    if (faults[fired].fault.times == Times::Once)
        faults.erase(faults.begin() + static_cast<long>(fired));
    return true;
}

uint64_t Machine::CallCount() const
{
    Lock lock(state_->mu);
    return state_->total;
}

uint64_t Machine::CallCount(const std::string &service) const
{
    Lock lock(state_->mu);
    auto it = state_->perService.find(service);
    return it == state_->perService.end() ? 0 : it->second;
}

std::vector<Call> Machine::CallLog() const
{
    Lock lock(state_->mu);
    return state_->log;
}

void Machine::ResetCalls()
{
    Lock lock(state_->mu);
    state_->total = 0;
    state_->perService.clear();
    state_->log.clear();
}

int Machine::AddFault(const Fault &fault)
{
    Lock lock(state_->mu);
    FaultState f{state_->nextFaultId++, fault, std::string(), 0};
    if (!fault.path.empty())
        f.full = state_->MatchKey(fault.path);
    state_->faults.push_back(f);
    return f.id;
}

void Machine::RemoveFault(int id)
{
    Lock lock(state_->mu);
    auto &v = state_->faults;
    v.erase(std::remove_if(v.begin(), v.end(), [id](const FaultState &f) { return f.id == id; }),
            v.end());
}

void Machine::ClearFaults()
{
    Lock lock(state_->mu);
    state_->faults.clear();
}

int Machine::FailNthCall(uint64_t k, DWORD error, Times times)
{
    Fault f;
    f.nth = k;
    f.error = error;
    f.times = times;
    return AddFault(f);
}

int Machine::FailNthCallOf(const std::string &service, uint64_t k, DWORD error, Times times)
{
    Fault f;
    f.service = service;
    f.nth = k;
    f.error = error;
    f.times = times;
    return AddFault(f);
}

int Machine::FailPath(const std::string &path, DWORD error, PathMatch match, Times times,
                      const std::string &service)
{
    Fault f;
    f.service = service;
    f.path = path;
    f.match = match;
    f.error = error;
    f.times = times;
    return AddFault(f);
}

void Machine::SetHook(std::function<void(const Call &)> hook)
{
    Lock lock(state_->mu);
    state_->hook = std::move(hook);
}

// ---- End-of-test checks ------------------------------------------------------------

void Machine::MarkInstalled()
{
    Lock lock(state_->mu);
    MachineState &s = *state_;
    s.baseline.clear();
    for (const auto &h : s.files)
        s.baseline.insert(h.first);
    for (const auto &h : s.finds)
        s.baseline.insert(h.first);
    for (const auto &h : s.regHandles)
        s.baseline.insert(h.first);
    for (const auto &so : s.sockets)
        if (so.info.open)
            s.baseline.insert(static_cast<std::uintptr_t>(so.info.handle));
    s.errorModeBaseline = s.errorMode;
    s.wsaBaseline = s.wsaBalance;
    s.hangs = 0;
}

std::vector<std::string> Machine::Leaks() const
{
    Lock lock(state_->mu);
    const MachineState &s = *state_;
    std::vector<std::string> out;
    for (const auto &h : s.files)
        if (!s.baseline.count(h.first))
            out.push_back("file handle left open: " + h.second.path);
    for (const auto &h : s.finds)
        if (!s.baseline.count(h.first))
            out.push_back("find handle left open: " + h.second.path);
    for (const auto &h : s.regHandles)
        if (!s.baseline.count(h.first))
            out.push_back("registry key left open: " + h.second.path);
    for (std::size_t i = 0; i < s.sockets.size(); ++i) {
        const SocketInfo &so = s.sockets[i].info;
        if (so.open && !s.baseline.count(static_cast<std::uintptr_t>(so.handle)))
            out.push_back("socket left open: #" + std::to_string(i + 1));
    }
    if (s.wsaBalance != s.wsaBaseline)
        out.push_back("WSAStartup not balanced by WSACleanup: " +
                      std::to_string(s.wsaBalance - s.wsaBaseline) +
                      " more start-ups than clean-ups");
    if (s.errorMode != s.errorModeBaseline)
        out.push_back("error mode not restored: " + Hex(s.errorMode) + ", was " +
                      Hex(s.errorModeBaseline));
    if (s.hangs)
        out.push_back("recvfrom would have blocked forever (no receive time-out, nothing "
                      "arrives): " +
                      std::to_string(s.hangs) + " time(s)");
    return out;
}

// ---- Small services ------------------------------------------------------------------

const char *Machine::Name() const
{
    return "sim";
}

DWORD Machine::GetLastError()
{
    return Err();
}

void Machine::SetLastError(DWORD dwErrCode)
{
    SetErr(dwErrCode);
}

UINT Machine::SetErrorMode(UINT uMode)
{
    Lock lock(state_->mu);
    UINT previous = state_->errorMode;
    state_->errorMode = uMode;
    state_->errorModes.push_back(uMode);
    return previous;
}

DWORD Machine::GetTickCount()
{
    Lock lock(state_->mu);
    DWORD now = state_->tick;
    state_->tick += state_->tickStep;
    return now;
}

DWORD Machine::GetCurrentProcessId()
{
    Lock lock(state_->mu);
    return state_->pid;
}

UINT Machine::GetACP()
{
    Lock lock(state_->mu);
    return state_->acp;
}

void Machine::OutputDebugStringA(LPCSTR lpOutputString)
{
    Lock lock(state_->mu);
    if (lpOutputString)
        state_->debug.emplace_back(lpOutputString);
}

int Machine::MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    Lock lock(state_->mu);
    DWORD e;
    if (state_->Enter("MessageBoxA", Str(lpText), nullptr, &e))
        return Fail(e, 0);
    // A null caption shows as "Error", as on Windows.
    state_->boxes.push_back(MessageBoxCall{Str(lpText), lpCaption ? lpCaption : "Error", uType});
    return state_->boxResult;
}

void Machine::PostQuitMessage(int nExitCode)
{
    Lock lock(state_->mu);
    state_->quits.push_back(nExitCode);
}

}  // namespace sim
}  // namespace brenvik
