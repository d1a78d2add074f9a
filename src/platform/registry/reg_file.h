// A reader of registry files in the Windows .reg text format
// ("Windows Registry Editor Version 5.00" or "REGEDIT4"), the configuration
// of the POSIX backend and of the simulated machine's registry.
#ifndef BRENVIK_PLATFORM_REGISTRY_REG_FILE_H
#define BRENVIK_PLATFORM_REGISTRY_REG_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brenvik {
namespace registry {

struct RegValue {
    std::string name;  // "" for the key's default value ("@")
    uint32_t type;     // REG_SZ, REG_DWORD, REG_BINARY, or N of hex(N)
    std::vector<uint8_t> data;  // REG_SZ: the bytes and a terminating NUL
};

struct RegKey {
    std::string path;  // e.g. "HKEY_LOCAL_MACHINE\SOFTWARE\OrloDebug", as written
    std::vector<RegValue> values;
};

class RegFile {
public:
    // Parses text. Never fails and never throws on malformed input: what is
    // well-formed is kept, a malformed line is skipped (see the .cpp for the
    // rules), a file without a valid header yields no keys.
    static RegFile Parse(std::string_view text);
    // Reads and parses a host file; false when it cannot be read.
    static bool Load(const std::string &hostPath, RegFile *out);

    // Keys and value names match without regard to ASCII letter case.
    // Hive names may be abbreviated (HKLM, HKCU).
    const RegKey *FindKey(std::string_view keyPath) const;
    const RegValue *FindValue(std::string_view keyPath, std::string_view valueName) const;
    // The names of the keys directly below parent (the last path component
    // of each, as written), in file order, without duplicates.
    std::vector<std::string> SubKeyNames(std::string_view parentPath) const;

    const std::vector<RegKey> &keys() const { return keys_; }
    // One line per skipped malformed line, for diagnostics.
    const std::vector<std::string> &warnings() const { return warnings_; }

private:
    std::vector<RegKey> keys_;
    std::vector<std::string> warnings_;
};

}  // namespace registry
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_REGISTRY_REG_FILE_H
