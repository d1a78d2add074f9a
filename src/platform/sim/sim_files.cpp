// File and directory services: handles, share modes, attributes, listings.
#include <algorithm>
#include <cstring>

#include "platform/sim/sim_state.h"

namespace brenvik {
namespace sim {

namespace {

constexpr DWORD kFileReadData = 0x0001;
constexpr DWORD kFileWriteData = 0x0002;
constexpr DWORD kFileAppendData = 0x0004;
constexpr DWORD kFileExecute = 0x0020;
constexpr DWORD kMaximumAllowed = 0x02000000;
constexpr uint64_t kMaxStoredBytes = 256u << 20;  // beyond this a write reports a full disk

HANDLE ToHandle(std::uintptr_t h)
{
    return reinterpret_cast<HANDLE>(h);
}

std::uintptr_t FromHandle(HANDLE h)
{
    return reinterpret_cast<std::uintptr_t>(h);
}

FILETIME ToFiletime(uint64_t t)
{
    FILETIME f;
    f.dwLowDateTime = static_cast<DWORD>(t & 0xFFFFFFFFu);
    f.dwHighDateTime = static_cast<DWORD>(t >> 32);
    return f;
}

void SetAccessClasses(DWORD access, FileHandle *h)
{
    DWORD a = access;
    if (a & (GENERIC_ALL | kMaximumAllowed))
        a |= kFileReadData | kFileWriteData | kFileAppendData | kFileExecute | DELETE;
    if (a & GENERIC_READ)
        a |= kFileReadData;
    if (a & GENERIC_WRITE)
        a |= kFileWriteData | kFileAppendData;
    if (a & GENERIC_EXECUTE)
        a |= kFileExecute;
    h->read = (a & (kFileReadData | kFileExecute)) != 0;
    h->write = (a & (kFileWriteData | kFileAppendData)) != 0;
    h->del = (a & DELETE) != 0;
    h->readData = (a & kFileReadData) != 0;
    h->writeData = h->write;
    h->appendOnly = (a & kFileAppendData) && !(a & kFileWriteData);
}

void FillFindData(const Node &n, const std::string &name, WIN32_FIND_DATAA *d)
{
    std::memset(d, 0, sizeof *d);
    d->dwFileAttributes = n.Attributes();
    d->ftCreationTime = n.created;
    d->ftLastAccessTime = n.accessed;
    d->ftLastWriteTime = n.written;
    uint64_t size = n.kind == Node::File ? n.size : 0;
    d->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    d->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    d->dwReserved0 = n.kind == Node::Link ? kReparseTagSymlink : 0;
    std::size_t len = std::min<std::size_t>(name.size(), MAX_PATH - 1);
    std::memcpy(d->cFileName, name.data(), len);
    d->cFileName[len] = '\0';
}

bool IsAncestor(const Node *dir, const Node *n)
{
    for (const Node *p = n; p; p = p->parent)
        if (p == dir)
            return true;
    return false;
}

void SetVolume(Node *n, VolumeEntry *vol)
{
    n->volume = vol;
    for (auto &c : n->children)
        SetVolume(c.second.get(), vol);
}

// Counts a call on a handle under the path it was opened with, so that path
// faults reach it; true (the error in *e) when a fault fires.
template <typename Entry>
bool EnterHandle(MachineState &s, const std::map<std::uintptr_t, Entry> &table,
                 const char *service, HANDLE handle, DWORD *e)
{
    auto it = table.find(FromHandle(handle));
    std::string path = it != table.end() ? it->second.path : std::string();
    std::string full = it != table.end() ? it->second.full : std::string();
    return s.Enter(service, path, &full, e);
}

// The open entry a handle call works on; null, the error set, when a fault
// fires or the handle is not open. Looked up after the hook, which may close it.
template <typename Entry>
Entry *HandleCall(MachineState &s, std::map<std::uintptr_t, Entry> &table, const char *service,
                  HANDLE handle)
{
    DWORD e;
    if (EnterHandle(s, table, service, handle, &e))
        return Fail(e, static_cast<Entry *>(nullptr));
    auto it = table.find(FromHandle(handle));
    if (it == table.end())
        return Fail(ERROR_INVALID_HANDLE, static_cast<Entry *>(nullptr));
    return &it->second;
}

// A read or write: the handle call, then the checks the two share, the
// count zeroed before the handle's own checks; null, the error set, on failure.
FileHandle *TransferCall(MachineState &s, const char *service, HANDLE handle,
                         bool FileHandle::*access, const void *buffer, DWORD bytes, LPDWORD done)
{
    FileHandle *h = HandleCall(s, s.files, service, handle);
    if (!h)
        return nullptr;
    if (!done)
        return Fail<FileHandle *>(ERROR_INVALID_PARAMETER, nullptr);
    *done = 0;
    if (h->node->kind != Node::File)
        return Fail<FileHandle *>(ERROR_INVALID_FUNCTION, nullptr);
    if (!(h->*access))
        return Fail<FileHandle *>(ERROR_ACCESS_DENIED, nullptr);
    if (bytes && !buffer)
        return Fail<FileHandle *>(kErrorNoAccess, nullptr);
    return h;
}

// Counts a call on a path and looks the path up, its final link not
// followed; false, the error set, when a fault fires or the lookup fails.
bool PathCall(MachineState &s, const char *service, LPCSTR path, Resolved *r)
{
    DWORD e;
    if (s.Enter(service, Str(path), nullptr, &e))
        return Fail(e, false);
    *r = s.Resolve(Str(path), false, MachineState::Use::Service);
    if (r->error)
        return Fail(r->error, false);
    return true;
}

// Why a looked-up path names no entry, or 0: a separator may end only a
// directory's name.
DWORD MissingEntry(const Resolved &r)
{
    if (!r.node)
        return ERROR_FILE_NOT_FOUND;
    if (r.trailingSep && !r.node->IsDirLike())
        return ERROR_INVALID_NAME;
    return 0;
}

// Takes a looked-up entry out of its directory, as an open for delete that
// shares everything would; false, the error set, when another open refuses it.
bool TakeOut(MachineState &s, const Resolved &r)
{
    if (s.SharingConflict(r.node, false, false, true,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
        return Fail(ERROR_SHARING_VIOLATION, false);
    s.Touch(r.dir.get());
    MachineState::Unlink(r.node.get(), s.acp);
    return true;
}

}  // namespace

// ---- The tree -------------------------------------------------------------------

DWORD Node::Attributes() const
{
    DWORD a = attrs;
    if (kind == Dir)
        a |= FILE_ATTRIBUTE_DIRECTORY;
    if (kind == Link) {
        a |= FILE_ATTRIBUTE_REPARSE_POINT;
        if (linkIsDir)
            a |= FILE_ATTRIBUTE_DIRECTORY;
    }
    return a ? a : FILE_ATTRIBUTE_NORMAL;
}

FILETIME MachineState::Now() const
{
    return ToFiletime(clock);
}

NodePtr MachineState::NewNode(Node::Kind kind, const std::string &name, VolumeEntry *vol) const
{
    auto n = std::make_shared<Node>();
    n->kind = kind;
    n->name = name;
    n->volume = vol;
    n->created = n->accessed = n->written = Now();
    return n;
}

void MachineState::Link(const NodePtr &dir, const NodePtr &node, UINT acp)
{
    node->parent = dir.get();
    if (node->volume != dir->volume)
        SetVolume(node.get(), dir->volume);
    dir->children[Fold(node->name, acp)] = node;
}

void MachineState::Unlink(Node *node, UINT acp)
{
    Node *parent = node->parent;
    if (!parent)
        return;
    auto it = parent->children.find(Fold(node->name, acp));
    if (it == parent->children.end())
        return;
    NodePtr keep = it->second;  // the entry may be its own last owner
    parent->children.erase(it);
    keep->parent = nullptr;
}

void MachineState::Touch(Node *node) const
{
    node->written = Now();
    if (node->kind == Node::File)
        node->attrs |= FILE_ATTRIBUTE_ARCHIVE;
}

bool MachineState::SharingConflict(const NodePtr &node, bool read, bool write, bool del,
                                   DWORD share) const
{
    // An open that neither reads, writes nor deletes takes no part.
    if (!read && !write && !del)
        return false;
    for (const auto &entry : files) {
        const FileHandle &o = entry.second;
        if (o.node != node || (!o.read && !o.write && !o.del))
            continue;
        if ((read && !(o.share & FILE_SHARE_READ)) || (write && !(o.share & FILE_SHARE_WRITE)) ||
            (del && !(o.share & FILE_SHARE_DELETE)))
            return true;
        if ((o.read && !(share & FILE_SHARE_READ)) || (o.write && !(share & FILE_SHARE_WRITE)) ||
            (o.del && !(share & FILE_SHARE_DELETE)))
            return true;
    }
    return false;
}

bool MachineState::HasOpenHandleBelow(const Node *dir) const
{
    for (const auto &entry : files)
        if (entry.second.node.get() != dir && IsAncestor(dir, entry.second.node.get()))
            return true;
    Resolved cur = Resolve(cwd, true, Use::Builder);
    return cur.node && IsAncestor(dir, cur.node.get());
}

// ---- Opening, reading, writing ------------------------------------------------------

HANDLE Machine::CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                            LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition,
                            DWORD dwFlagsAndAttributes, HANDLE)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    if (s.Enter("CreateFileA", Str(lpFileName), nullptr, &e))
        return Fail(e, INVALID_HANDLE_VALUE);
    const DWORD disp = dwCreationDisposition;
    if (disp < CREATE_NEW || disp > TRUNCATE_EXISTING ||
        (dwShareMode & ~(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)))
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    DWORD access = dwDesiredAccess;
    if (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE)
        access |= DELETE;  // kernel32 adds it
    FileHandle h;
    SetAccessClasses(access, &h);
    h.share = dwShareMode;
    h.deleteOnClose = (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0;
    h.path = Str(lpFileName);

    const bool follow = !(dwFlagsAndAttributes & FILE_FLAG_OPEN_REPARSE_POINT);
    Resolved r = s.Resolve(h.path, follow, MachineState::Use::Service);
    if (r.error)
        return Fail(r.error, INVALID_HANDLE_VALUE);
    h.full = r.full;
    const DWORD protect = r.vol->config->writeProtect_;
    const DWORD newAttrs =
        (dwFlagsAndAttributes & kAttributesSettable & ~FILE_ATTRIBUTE_NORMAL) |
        FILE_ATTRIBUTE_ARCHIVE;
    bool existed = r.node != nullptr;

    if (r.node) {
        Node &n = *r.node;
        if (disp == CREATE_NEW)
            return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
        if (n.IsDirLike()) {
            if (!(dwFlagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS))
                return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
            if (disp == CREATE_ALWAYS || disp == TRUNCATE_EXISTING)
                return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
            if (protect && (h.write || h.del))
                return Fail(protect, INVALID_HANDLE_VALUE);
        } else {
            if (r.trailingSep)
                return Fail(ERROR_INVALID_NAME, INVALID_HANDLE_VALUE);
            if (disp == TRUNCATE_EXISTING && !h.writeData)
                return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
            const bool truncates = disp == CREATE_ALWAYS || disp == TRUNCATE_EXISTING;
            if (protect && (h.write || h.del || truncates))
                return Fail(protect, INVALID_HANDLE_VALUE);
            if ((n.attrs & FILE_ATTRIBUTE_READONLY) && (h.write || truncates || h.deleteOnClose))
                return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
            // Overwriting a hidden or system file must name those attributes.
            const DWORD hs = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
            if (disp == CREATE_ALWAYS && (n.attrs & hs & ~newAttrs))
                return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        }
        if (s.SharingConflict(r.node, h.read, h.write, h.del, h.share))
            return Fail(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
        if (n.kind == Node::File && (disp == CREATE_ALWAYS || disp == TRUNCATE_EXISTING)) {
            n.data.clear();
            n.size = 0;
            if (disp == CREATE_ALWAYS)
                n.attrs = (n.attrs & ~kAttributesSettable) | newAttrs;
            s.Touch(&n);
        }
    } else {
        if (disp == OPEN_EXISTING || disp == TRUNCATE_EXISTING)
            return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
        if (r.trailingSep || !r.dir)
            return Fail(ERROR_INVALID_NAME, INVALID_HANDLE_VALUE);
        if (protect)
            return Fail(protect, INVALID_HANDLE_VALUE);
        NodePtr n = s.NewNode(Node::File, r.name, r.dir->volume);
        n->attrs = newAttrs;
        MachineState::Link(r.dir, n, s.acp);
        s.Touch(r.dir.get());
        r.node = n;
    }
    h.node = r.node;
    std::uintptr_t id = s.NewHandle();
    s.files[id] = h;
    // A successful open clears the last error, or says the file was there.
    const bool always = disp == CREATE_ALWAYS || disp == OPEN_ALWAYS;
    SetErr(always && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return ToHandle(id);
}

BOOL Machine::CloseHandle(HANDLE hObject)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    bool fault = EnterHandle(s, s.files, "CloseHandle", hObject, &e);
    // The same value is the current process's pseudo-handle, and closing a
    // pseudo-handle succeeds without doing anything.
    if (hObject == INVALID_HANDLE_VALUE)
        return fault ? Fail(e, FALSE) : TRUE;
    auto it = s.files.find(FromHandle(hObject));  // the hook may have closed it
    if (it == s.files.end())
        return Fail(fault ? e : static_cast<DWORD>(ERROR_INVALID_HANDLE), FALSE);
    if (it->second.deleteOnClose)
        MachineState::Unlink(it->second.node.get(), s.acp);
    s.files.erase(it);
    if (fault)
        return Fail(e, FALSE);
    return TRUE;
}

BOOL Machine::ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                       LPDWORD lpNumberOfBytesRead, LPOVERLAPPED)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    FileHandle *entry = TransferCall(s, "ReadFile", hFile, &FileHandle::readData, lpBuffer,
                                     nNumberOfBytesToRead, lpNumberOfBytesRead);
    if (!entry)
        return FALSE;
    FileHandle &h = *entry;
    const Node &n = *h.node;
    if (h.pos >= n.size)
        return TRUE;
    uint64_t count = std::min<uint64_t>(nNumberOfBytesToRead, n.size - h.pos);
    auto *out = static_cast<char *>(lpBuffer);
    uint64_t stored = h.pos < n.data.size() ? std::min<uint64_t>(count, n.data.size() - h.pos) : 0;
    if (stored)
        std::memcpy(out, n.data.data() + h.pos, static_cast<std::size_t>(stored));
    std::memset(out + stored, 0, static_cast<std::size_t>(count - stored));
    h.pos += count;
    *lpNumberOfBytesRead = static_cast<DWORD>(count);
    return TRUE;
}

BOOL Machine::WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                        LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    FileHandle *entry = TransferCall(s, "WriteFile", hFile, &FileHandle::writeData, lpBuffer,
                                     nNumberOfBytesToWrite, lpNumberOfBytesWritten);
    if (!entry)
        return FALSE;
    FileHandle &h = *entry;
    Node &n = *h.node;
    uint64_t offset = h.appendOnly ? n.size : h.pos;
    if (nNumberOfBytesToWrite == 0)
        return TRUE;
    uint64_t end = offset + nNumberOfBytesToWrite;
    if (end > kMaxStoredBytes)
        return Fail(ERROR_DISK_FULL, FALSE);
    if (n.data.size() < end)
        n.data.resize(static_cast<std::size_t>(end), '\0');
    std::memcpy(&n.data[static_cast<std::size_t>(offset)], lpBuffer, nNumberOfBytesToWrite);
    n.size = std::max(n.size, end);
    h.pos = end;
    s.Touch(&n);
    *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
    return TRUE;
}

DWORD Machine::SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                              DWORD dwMoveMethod)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    FileHandle *entry = HandleCall(s, s.files, "SetFilePointer", hFile);
    if (!entry)
        return INVALID_SET_FILE_POINTER;
    FileHandle &h = *entry;
    int64_t distance;
    if (lpDistanceToMoveHigh)
        distance = static_cast<int64_t>(
            (static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
            static_cast<uint32_t>(lDistanceToMove));
    else
        distance = static_cast<int32_t>(lDistanceToMove);
    int64_t base;
    switch (dwMoveMethod) {
    case FILE_BEGIN:
        base = 0;
        break;
    case FILE_CURRENT:
        base = static_cast<int64_t>(h.pos);
        break;
    case FILE_END:
        base = h.node->kind == Node::File ? static_cast<int64_t>(h.node->size) : 0;
        break;
    default:
        return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    }
    int64_t pos = base + distance;
    if (pos < 0)
        return Fail(kErrorNegativeSeek, INVALID_SET_FILE_POINTER);
    if (!lpDistanceToMoveHigh && pos > static_cast<int64_t>(0xFFFFFFFFu))
        return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    h.pos = static_cast<uint64_t>(pos);
    if (lpDistanceToMoveHigh)
        *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint32_t>(h.pos >> 32));
    DWORD low = static_cast<DWORD>(h.pos & 0xFFFFFFFFu);
    if (low == INVALID_SET_FILE_POINTER)
        SetErr(NO_ERROR);  // so that the caller can tell it from a failure
    return low;
}

DWORD Machine::GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    FileHandle *entry = HandleCall(s, s.files, "GetFileSize", hFile);
    if (!entry)
        return INVALID_FILE_SIZE;
    const Node &n = *entry->node;
    uint64_t size = n.kind == Node::File ? n.size : 0;
    if (lpFileSizeHigh)
        *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    DWORD low = static_cast<DWORD>(size & 0xFFFFFFFFu);
    if (low == INVALID_FILE_SIZE)
        SetErr(NO_ERROR);
    return low;
}

// ---- Names: delete, move, attributes ------------------------------------------------

BOOL Machine::DeleteFileA(LPCSTR lpFileName)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    Resolved r;
    if (!PathCall(s, "DeleteFileA", lpFileName, &r))
        return FALSE;
    if (!r.node)
        return Fail(ERROR_FILE_NOT_FOUND, FALSE);
    if (r.root || r.node->IsDirLike())
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (r.trailingSep)
        return Fail(ERROR_INVALID_NAME, FALSE);
    if (DWORD protect = r.vol->config->writeProtect_)
        return Fail(protect, FALSE);
    if (r.node->attrs & FILE_ATTRIBUTE_READONLY)
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    return TakeOut(s, r) ? TRUE : FALSE;
}

BOOL Machine::MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    Resolved src;
    if (!PathCall(s, "MoveFileA", lpExistingFileName, &src))
        return FALSE;
    Resolved dst = s.Resolve(Str(lpNewFileName), false, MachineState::Use::Service);
    if (dst.error)
        return Fail(dst.error, FALSE);
    if (!src.node)
        return Fail(ERROR_FILE_NOT_FOUND, FALSE);
    if (src.root)
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    const bool sameEntry = dst.node == src.node;  // a change of letter case only
    if (dst.node && !sameEntry)
        return Fail(ERROR_ALREADY_EXISTS, FALSE);
    if (!dst.dir)
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (DWORD protect = src.vol->config->writeProtect_)
        return Fail(protect, FALSE);
    if (DWORD protect = dst.vol->config->writeProtect_)
        return Fail(protect, FALSE);
    NodePtr node = src.node;
    if (node->kind == Node::Dir) {
        if (src.vol != dst.vol)
            return Fail(ERROR_NOT_SAME_DEVICE, FALSE);
        // Left to us: moving a directory below itself is refused as a
        // sharing violation, the directory being in use by the move.
        if (IsAncestor(node.get(), dst.dir.get()))
            return Fail(ERROR_SHARING_VIOLATION, FALSE);
        if (s.HasOpenHandleBelow(node.get()))
            return Fail(ERROR_ACCESS_DENIED, FALSE);
    }
    if (!TakeOut(s, src))
        return FALSE;
    node->name = dst.name;
    MachineState::Link(dst.dir, node, s.acp);
    s.Touch(dst.dir.get());
    return TRUE;
}

DWORD Machine::GetFileAttributesA(LPCSTR lpFileName)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    Resolved r;
    if (!PathCall(s, "GetFileAttributesA", lpFileName, &r))
        return INVALID_FILE_ATTRIBUTES;
    if (DWORD missing = MissingEntry(r))
        return Fail(missing, INVALID_FILE_ATTRIBUTES);
    return r.node->Attributes();
}

BOOL Machine::GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId,
                                   LPVOID lpFileInformation)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    if (s.Enter("GetFileAttributesExA", Str(lpFileName), nullptr, &e))
        return Fail(e, FALSE);
    if (fInfoLevelId != GetFileExInfoStandard)
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    if (!lpFileInformation)
        return Fail(kErrorNoAccess, FALSE);
    Resolved r = s.Resolve(Str(lpFileName), false, MachineState::Use::Service);
    if (r.error)
        return Fail(r.error, FALSE);
    if (DWORD missing = MissingEntry(r))
        return Fail(missing, FALSE);
    const Node &n = *r.node;
    WIN32_FILE_ATTRIBUTE_DATA d;
    std::memset(&d, 0, sizeof d);
    d.dwFileAttributes = n.Attributes();
    d.ftCreationTime = n.created;
    d.ftLastAccessTime = n.accessed;
    d.ftLastWriteTime = n.written;
    uint64_t size = n.kind == Node::File ? n.size : 0;
    d.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    d.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    std::memcpy(lpFileInformation, &d, sizeof d);
    return TRUE;
}

BOOL Machine::SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    Resolved r;
    if (!PathCall(s, "SetFileAttributesA", lpFileName, &r))
        return FALSE;
    if (DWORD missing = MissingEntry(r))
        return Fail(missing, FALSE);
    if (DWORD protect = r.vol->config->writeProtect_)
        return Fail(protect, FALSE);
    // Bits that cannot be set (compressed, directory...) stay as they are.
    const DWORD settable = kAttributesSettable & ~FILE_ATTRIBUTE_NORMAL;
    r.node->attrs = (r.node->attrs & ~settable) | (dwFileAttributes & settable);
    return TRUE;
}

// ---- Directories -----------------------------------------------------------------------

BOOL Machine::CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    Resolved r;
    if (!PathCall(s, "CreateDirectoryA", lpPathName, &r))
        return FALSE;
    // The ANSI call leaves room for an 8.3 name below the new directory.
    if (r.full.size() > MAX_PATH - 12)
        return Fail(ERROR_FILENAME_EXCED_RANGE, FALSE);
    if (r.node)
        return Fail(ERROR_ALREADY_EXISTS, FALSE);
    if (DWORD protect = r.vol->config->writeProtect_)
        return Fail(protect, FALSE);
    NodePtr d = s.NewNode(Node::Dir, r.name, r.dir->volume);
    MachineState::Link(r.dir, d, s.acp);
    s.Touch(r.dir.get());
    return TRUE;
}

BOOL Machine::RemoveDirectoryA(LPCSTR lpPathName)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    Resolved r;
    if (!PathCall(s, "RemoveDirectoryA", lpPathName, &r))
        return FALSE;
    if (!r.node)
        return Fail(ERROR_FILE_NOT_FOUND, FALSE);
    if (r.root)
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (!r.node->IsDirLike())
        return Fail(ERROR_DIRECTORY, FALSE);
    if (DWORD protect = r.vol->config->writeProtect_)
        return Fail(protect, FALSE);
    if (r.node->kind == Node::Dir) {
        if (r.node->attrs & FILE_ATTRIBUTE_READONLY)
            return Fail(ERROR_ACCESS_DENIED, FALSE);
        if (!r.node->children.empty())
            return Fail(ERROR_DIR_NOT_EMPTY, FALSE);
        // The process keeps its current directory open without delete sharing.
        Resolved cur = s.Resolve(s.cwd, true, MachineState::Use::Builder);
        if (cur.node == r.node)
            return Fail(ERROR_SHARING_VIOLATION, FALSE);
    }
    return TakeOut(s, r) ? TRUE : FALSE;
}

HANDLE Machine::FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    if (s.Enter("FindFirstFileA", Str(lpFileName), nullptr, &e))
        return Fail(e, INVALID_HANDLE_VALUE);
    if (!lpFindFileData)
        return Fail(kErrorNoAccess, INVALID_HANDLE_VALUE);
    const std::string pattern = Str(lpFileName);
    Resolved r = s.Resolve(pattern, false, MachineState::Use::Service, true);
    if (r.error == ERROR_PATH_NOT_FOUND) {
        // A file where the directory to list should be.
        PathForm form;
        if (ParsePath(pattern, s.cwd, s.acp, true, &form) == 0 && !form.parts.empty()) {
            form.parts.pop_back();
            Resolved d = s.Resolve(form.Full(), true, MachineState::Use::Service);
            if (d.error == 0 && d.node && d.node->kind == Node::File)
                return Fail(ERROR_DIRECTORY, INVALID_HANDLE_VALUE);
        }
    }
    if (r.error)
        return Fail(r.error, INVALID_HANDLE_VALUE);
    if (r.root || r.trailingSep || r.name.empty())
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);

    FindHandle f;
    f.path = pattern;
    f.full = r.full;
    const Node &dir = *r.dir;
    // Volume roots have no "." and "..", as on NTFS.
    if (dir.parent) {
        const Node &up = *dir.parent;
        WIN32_FIND_DATAA d;
        if (WildcardMatch(r.name, ".", s.acp)) {
            FillFindData(dir, ".", &d);
            f.entries.push_back(d);
        }
        if (WildcardMatch(r.name, "..", s.acp)) {
            FillFindData(up, "..", &d);
            f.entries.push_back(d);
        }
    }
    for (const auto &c : dir.children) {
        if (!WildcardMatch(r.name, c.second->name, s.acp))
            continue;
        WIN32_FIND_DATAA d;
        FillFindData(*c.second, c.second->name, &d);
        f.entries.push_back(d);
    }
    if (f.entries.empty())
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    *lpFindFileData = f.entries[0];
    f.next = 1;
    std::uintptr_t id = s.NewHandle();
    s.finds[id] = f;
    return ToHandle(id);
}

BOOL Machine::FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    FindHandle *entry = HandleCall(s, s.finds, "FindNextFileA", hFindFile);
    if (!entry)
        return FALSE;
    if (!lpFindFileData)
        return Fail(kErrorNoAccess, FALSE);
    FindHandle &f = *entry;
    if (f.next >= f.entries.size())
        return Fail(ERROR_NO_MORE_FILES, FALSE);
    *lpFindFileData = f.entries[f.next++];
    return TRUE;
}

BOOL Machine::FindClose(HANDLE hFindFile)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    bool fault = EnterHandle(s, s.finds, "FindClose", hFindFile, &e);
    auto it = s.finds.find(FromHandle(hFindFile));
    if (it == s.finds.end())
        return Fail(fault ? e : static_cast<DWORD>(ERROR_INVALID_HANDLE), FALSE);
    s.finds.erase(it);
    if (fault)
        return Fail(e, FALSE);
    return TRUE;
}

}  // namespace sim
}  // namespace brenvik
