// RegOpenKeyA, RegQueryValueExA and RegCloseKey over the registry file. A
// key handle keeps the key's path; every query reads the file named at the
// time of the query, so edits are seen by handles opened before them.
#include <cstring>
#include <memory>
#include <string>

#include "platform/posix/errors.h"
#include "platform/posix/handles.h"
#include "platform/posix/posix_backend.h"
#include "platform/posix/registry_store.h"

namespace brenvik {
namespace platform {
namespace posix {

namespace {

constexpr uintptr_t kHkeyCurrentConfig = 0x80000005u;

class KeyObject : public HandleObject {
public:
    explicit KeyObject(std::string p) : HandleObject(HandleKind::kKey), path(std::move(p)) {}
    std::string path;
};

// The path of a predefined key, or null.
const char *PredefinedPath(HKEY key)
{
    switch (reinterpret_cast<uintptr_t>(key)) {
    case 0x80000000u:
        return "HKEY_CLASSES_ROOT";
    case 0x80000001u:
        return "HKEY_CURRENT_USER";
    case 0x80000002u:
        return "HKEY_LOCAL_MACHINE";
    case 0x80000003u:
        return "HKEY_USERS";
    case kHkeyCurrentConfig:
        return "HKEY_CURRENT_CONFIG";
    default:
        return nullptr;
    }
}

// The path behind an open or predefined key; false for a bad handle.
bool KeyPath(HKEY key, std::string *path)
{
    if (const char *p = PredefinedPath(key)) {
        *path = p;
        return true;
    }
    auto object = LookupAs<KeyObject>(key, HandleKind::kKey);
    if (!object)
        return false;
    *path = object->path;
    return true;
}

// A key exists when the file has it or any key below it; hives always do.
bool KeyExists(const registry::RegFile &reg, const std::string &path)
{
    if (path.find('\\') == std::string::npos)
        return true;
    if (reg.FindKey(path) != nullptr)
        return true;
    const std::size_t slash = path.rfind('\\');
    const std::string parent = path.substr(0, slash);
    const std::string leaf = path.substr(slash + 1);
    for (const std::string &name : reg.SubKeyNames(parent))
        if (EqualsIgnoreCase(name, leaf))
            return true;
    return false;
}

}  // namespace

LONG PosixBackend::RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    std::string path;
    if (!KeyPath(hKey, &path))
        return ERROR_INVALID_HANDLE;
    // No sub-key: the same key again, as Windows answers.
    if (lpSubKey == nullptr || lpSubKey[0] == '\0') {
        *phkResult = hKey;
        return ERROR_SUCCESS;
    }
    if (lpSubKey[0] == '\\')
        return ERROR_BAD_PATHNAME;
    std::string sub = lpSubKey;
    while (!sub.empty() && sub.back() == '\\')
        sub.pop_back();
    path += "\\";
    path += sub;
    auto config = CurrentRegistry();
    if (!KeyExists(config->reg, path))
        return ERROR_FILE_NOT_FOUND;
    *phkResult = static_cast<HKEY>(RegisterHandle(std::make_shared<KeyObject>(path)));
    return ERROR_SUCCESS;
}

LONG PosixBackend::RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved,
                                    LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    std::string path;
    if (!KeyPath(hKey, &path))
        return ERROR_INVALID_HANDLE;
    auto config = CurrentRegistry();
    const registry::RegValue *value =
        config->reg.FindValue(path, lpValueName != nullptr ? lpValueName : "");
    if (value == nullptr)
        return ERROR_FILE_NOT_FOUND;
    if (lpType)
        *lpType = value->type;
    const DWORD size = static_cast<DWORD>(value->data.size());
    if (lpcbData == nullptr)
        return ERROR_SUCCESS;
    if (lpData == nullptr) {
        *lpcbData = size;
        return ERROR_SUCCESS;
    }
    if (*lpcbData < size) {
        *lpcbData = size;
        return ERROR_MORE_DATA;
    }
    if (size > 0)
        std::memcpy(lpData, value->data.data(), size);
    *lpcbData = size;
    return ERROR_SUCCESS;
}

LONG PosixBackend::RegCloseKey(HKEY hKey)
{
    if (PredefinedPath(hKey) != nullptr)
        return ERROR_SUCCESS;
    if (!UnregisterHandle(hKey, HandleKind::kKey))
        return ERROR_INVALID_HANDLE;
    return ERROR_SUCCESS;
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik
