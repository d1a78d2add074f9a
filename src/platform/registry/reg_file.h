// A reader of registry files in the Windows .reg text format
// ("Windows Registry Editor Version 5.00" or "REGEDIT4"), the configuration
// of the POSIX backend.
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
    // REG_SZ: the bytes and a terminating NUL. Text is UTF-8 (a UTF-16 file
    // is converted); in a version 5 file the UTF-16LE bytes of hex(1),
    // hex(2) and hex(7) are converted too, so every string value holds the
    // 8-bit text that the A functions hand out.
    std::vector<uint8_t> data;
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

    // 5 for "Windows Registry Editor Version 5.00", 4 for "REGEDIT4", 0 when
    // the text has no valid header.
    int version() const { return version_; }

    // Keys and value names match without regard to ASCII letter case.
    // Hive names may be abbreviated (HKLM, HKCU).
    const RegKey *FindKey(std::string_view keyPath) const;
    const RegValue *FindValue(std::string_view keyPath, std::string_view valueName) const;
    // The names of the keys directly below parent (the last path component
    // of each, as written), in file order, without duplicates.
    // Keys below a listed key exist even when the file does not list them.
    std::vector<std::string> SubKeyNames(std::string_view parentPath) const;
    // True for a listed key and for every key above one (a key that the
    // file creates on the way to a listed one).
    bool KeyExists(std::string_view keyPath) const;

    const std::vector<RegKey> &keys() const { return keys_; }
    // One line per skipped malformed line, for diagnostics.
    const std::vector<std::string> &warnings() const { return warnings_; }

private:
    std::vector<RegKey> keys_;
    std::vector<std::string> canon_;  // keys_[i]'s path folded for lookups
    std::vector<std::string> warnings_;
    int version_ = 0;

    friend class RegParser;
};

}  // namespace registry
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_REGISTRY_REG_FILE_H
