// The registry: an in-memory tree under the predefined keys.
#include <cstring>
#include <stdexcept>

#include "platform/registry/reg_file.h"
#include "platform/sim/sim_state.h"

namespace brenvik {
namespace sim {

namespace {

struct RootName {
    const char *longName;
    const char *shortName;
    HKEY key;
};

const RootName kRoots[] = {
    {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", "HKU", HKEY_USERS},
};

std::uintptr_t RootId(HKEY key)
{
    return reinterpret_cast<std::uintptr_t>(key);
}

const RootName *FindRoot(HKEY key)
{
    for (const RootName &r : kRoots)
        if (r.key == key)
            return &r;
    return nullptr;
}

std::vector<std::string> SplitKey(const std::string &path)
{
    std::vector<std::string> parts;
    std::string cur;
    for (char c : path) {
        if (c == '\\') {
            if (!cur.empty())
                parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty())
        parts.push_back(cur);
    return parts;
}

std::string Key(const std::string &name)
{
    return Fold(name, 1252);
}

// "HKLM\SOFTWARE\X" -> root id and the parts below it.
std::uintptr_t ParseKeyPath(const std::string &path, std::vector<std::string> *parts)
{
    *parts = SplitKey(path);
    if (parts->empty())
        throw std::runtime_error("sim::Machine: empty registry key");
    std::string first = Key(parts->front());
    for (const RootName &r : kRoots) {
        if (first == r.longName || first == r.shortName) {
            parts->erase(parts->begin());
            return RootId(r.key);
        }
    }
    throw std::runtime_error("sim::Machine: no such root key: " + path);
}

RegKey *Walk(RegKey *key, const std::vector<std::string> &parts, bool create)
{
    for (const std::string &p : parts) {
        auto it = key->subkeys.find(Key(p));
        if (it == key->subkeys.end()) {
            if (!create)
                return nullptr;
            RegKey &k = key->subkeys[Key(p)];
            k.name = p;
            key = &k;
        } else {
            key = &it->second;
        }
    }
    return key;
}

std::string Joined(const std::vector<std::string> &parts)
{
    std::string s;
    for (const std::string &p : parts)
        s += "\\" + p;
    return s;
}

// What an HKEY stands for.
struct KeyRef {
    RegHandle where;
    RegKey *key = nullptr;
};

// The key an HKEY stands for: 0 and the key, or a registry error code.
LONG Lookup(MachineState &s, HKEY hKey, KeyRef *out)
{
    RegHandle &w = out->where;
    if (const RootName *r = FindRoot(hKey)) {
        w.root = RootId(hKey);
        w.parts.clear();
        w.path = r->longName;
    } else {
        auto it = s.regHandles.find(reinterpret_cast<std::uintptr_t>(hKey));
        if (it == s.regHandles.end())
            return ERROR_INVALID_HANDLE;
        w = it->second;
    }
    out->key = Walk(&s.registry[w.root], w.parts, false);
    return out->key ? ERROR_SUCCESS : static_cast<LONG>(kErrorKeyDeleted);
}

}  // namespace

void Machine::AddRegKey(const std::string &key)
{
    Lock lock(state_->mu);
    std::vector<std::string> parts;
    std::uintptr_t root = ParseKeyPath(key, &parts);
    Walk(&state_->registry[root], parts, true);
}

void Machine::SetRegValue(const std::string &key, const std::string &name, DWORD type,
                          const std::string &bytes)
{
    Lock lock(state_->mu);
    std::vector<std::string> parts;
    std::uintptr_t root = ParseKeyPath(key, &parts);
    RegKey *k = Walk(&state_->registry[root], parts, true);
    k->values[Key(name)] = RegValue{name, type, bytes};
}

void Machine::SetRegDword(const std::string &key, const std::string &name, DWORD value)
{
    unsigned char b[4] = {static_cast<unsigned char>(value & 0xFF),
                          static_cast<unsigned char>((value >> 8) & 0xFF),
                          static_cast<unsigned char>((value >> 16) & 0xFF),
                          static_cast<unsigned char>((value >> 24) & 0xFF)};
    SetRegValue(key, name, REG_DWORD, std::string(reinterpret_cast<char *>(b), 4));
}

void Machine::SetRegString(const std::string &key, const std::string &name,
                           const std::string &text)
{
    SetRegValue(key, name, REG_SZ, text + std::string(1, '\0'));
}

void Machine::RemoveRegKey(const std::string &key)
{
    Lock lock(state_->mu);
    std::vector<std::string> parts;
    std::uintptr_t root = ParseKeyPath(key, &parts);
    if (parts.empty()) {
        state_->registry[root] = RegKey();
        return;
    }
    std::string last = parts.back();
    parts.pop_back();
    if (RegKey *parent = Walk(&state_->registry[root], parts, false))
        parent->subkeys.erase(Key(last));
}

void Machine::AddRegText(const std::string &regText)
{
    registry::RegFile file = registry::RegFile::Parse(regText);
    for (const registry::RegKey &key : file.keys()) {
        AddRegKey(key.path);
        for (const registry::RegValue &v : key.values)
            SetRegValue(key.path, v.name, v.type,
                        std::string(v.data.begin(), v.data.end()));
    }
}

LONG Machine::RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    if (s.Enter("RegOpenKeyA", lpSubKey ? lpSubKey : "", nullptr, &e))
        return static_cast<LONG>(e);
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    KeyRef at;
    if (LONG rc = Lookup(s, hKey, &at))
        return rc;
    // No subkey: the same handle back, as RegOpenKey does.
    if (!lpSubKey || !*lpSubKey) {
        *phkResult = hKey;
        return ERROR_SUCCESS;
    }
    if (lpSubKey[0] == '\\')
        return ERROR_BAD_PATHNAME;
    std::vector<std::string> sub = SplitKey(lpSubKey);
    RegKey *target = Walk(at.key, sub, false);
    if (!target)
        return ERROR_FILE_NOT_FOUND;
    RegHandle h = at.where;
    for (const std::string &p : sub)
        h.parts.push_back(p);
    h.path += Joined(sub);
    std::uintptr_t id = s.NewHandle();
    s.regHandles[id] = h;
    *phkResult = reinterpret_cast<HKEY>(id);
    return ERROR_SUCCESS;
}

LONG Machine::RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                               LPBYTE lpData, LPDWORD lpcbData)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    DWORD e;
    if (s.Enter("RegQueryValueExA", lpValueName ? lpValueName : "", nullptr, &e))
        return static_cast<LONG>(e);
    KeyRef at;
    if (LONG rc = Lookup(s, hKey, &at))
        return rc;
    if (lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    auto it = at.key->values.find(Key(lpValueName ? lpValueName : ""));
    if (it == at.key->values.end())
        return ERROR_FILE_NOT_FOUND;
    const RegValue &v = it->second;
    if (lpType)
        *lpType = v.type;
    if (lpcbData) {
        DWORD size = static_cast<DWORD>(v.bytes.size());
        if (lpData && *lpcbData < size) {
            *lpcbData = size;
            return ERROR_MORE_DATA;
        }
        if (lpData && size)
            std::memcpy(lpData, v.bytes.data(), size);
        *lpcbData = size;
    }
    return ERROR_SUCCESS;
}

LONG Machine::RegCloseKey(HKEY hKey)
{
    MachineState &s = *state_;
    Lock lock(s.mu);
    auto it = s.regHandles.find(reinterpret_cast<std::uintptr_t>(hKey));
    std::string path = it != s.regHandles.end() ? it->second.path : std::string();
    DWORD e;
    bool fault = s.Enter("RegCloseKey", path, &path, &e);
    if (FindRoot(hKey))
        return fault ? static_cast<LONG>(e) : ERROR_SUCCESS;
    it = s.regHandles.find(reinterpret_cast<std::uintptr_t>(hKey));
    if (it == s.regHandles.end())
        return fault ? static_cast<LONG>(e) : ERROR_INVALID_HANDLE;
    s.regHandles.erase(it);
    return fault ? static_cast<LONG>(e) : ERROR_SUCCESS;
}

}  // namespace sim
}  // namespace brenvik
