// Registry files of arbitrary bytes, read three ways: the .reg parser with
// checks that its lookups find what it kept; the POSIX backend's registry,
// queried through the services with buffers of every size; and its
// configuration (drives, shares, connections), asked for every drive letter.
#include <sys/time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "frame/trace.h"
#include "platform/backends.h"
#include "platform/posix/handles.h"
#include "platform/registry/reg_file.h"
#include "platform/services.h"
#include "scratch_dir.h"

namespace {

using brenvik::registry::RegFile;
using brenvik::registry::RegKey;
using brenvik::registry::RegValue;

[[noreturn]] void Fail(const char *what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

void CheckParse(const RegFile &reg)
{
    const int version = reg.version();
    if (version != 0 && version != 4 && version != 5)
        Fail("version out of range");
    if (version == 0 && !reg.keys().empty())
        Fail("keys without a valid header");
    for (const RegKey &key : reg.keys()) {
        const RegKey *found = reg.FindKey(key.path);
        if (found == nullptr || !SameIgnoringCase(found->path, key.path))
            Fail("a kept key is not found by its own path");
        if (!reg.KeyExists(key.path))
            Fail("a kept key does not exist");
        for (const RegValue &value : key.values) {
            const RegValue *v = reg.FindValue(key.path, value.name);
            if (v == nullptr || !SameIgnoringCase(v->name, value.name))
                Fail("a kept value is not found by its own name");
        }
        // The parent lists the key by its last component.
        const std::size_t cut = key.path.rfind('\\');
        if (cut != std::string::npos && cut > 0) {
            bool listed = false;
            const std::string last = key.path.substr(cut + 1);
            for (const std::string &name : reg.SubKeyNames(key.path.substr(0, cut)))
                listed = listed || SameIgnoringCase(name, last);
            if (!listed && !last.empty())
                Fail("a kept key is not among its parent's subkeys");
            if (!reg.KeyExists(key.path.substr(0, cut)))
                Fail("the parent of a kept key does not exist");
        }
    }
}

// The hive handle and the rest of a key path as written in a file.
HKEY HiveOf(const std::string &path, std::string *rest)
{
    static const struct {
        const char *name;
        HKEY hive;
    } kHives[] = {{"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {"HKLM", HKEY_LOCAL_MACHINE},
                  {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},   {"HKCU", HKEY_CURRENT_USER}};
    const std::size_t cut = path.find('\\');
    const std::string head = path.substr(0, cut);
    for (const auto &h : kHives) {
        if (SameIgnoringCase(head, h.name)) {
            *rest = cut == std::string::npos ? std::string() : path.substr(cut + 1);
            return h.hive;
        }
    }
    return nullptr;
}

// The backend reads the file BRENVIK_REGISTRY names, in a temporary
// directory made once; the same file is rewritten for every input.
void WriteRegistry(const std::string &text)
{
    static const std::string path = [] {
        const std::string &dir = ScratchDir();
        std::string p = std::string(dir) + "/registry.reg";
        ::setenv("BRENVIK_REGISTRY", p.c_str(), 1);
        return p;
    }();
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        Fail("cannot write the registry file");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    // A file changed just now is read again on every call; one dated in the
    // past is read once. Each input gets its own date, so that none is
    // taken for the one before.
    static long stamp = 1000000000;
    const struct timeval times[2] = {{++stamp, 0}, {stamp, 0}};
    ::utimes(path.c_str(), times);
}

void QueryValues(const RegFile &reg)
{
    auto &s = brenvik::platform::PosixServices();
    for (const RegKey &key : reg.keys()) {
        std::string rest;
        HKEY hive = HiveOf(key.path, &rest);
        if (hive == nullptr)
            continue;
        HKEY h = nullptr;
        if (s.RegOpenKeyA(hive, rest.c_str(), &h) != ERROR_SUCCESS)
            continue;
        for (const RegValue &value : key.values) {
            // Every size from none to one past the data, into a heap block
            // of exactly that size.
            const std::size_t sizes[] = {0, 1, value.data.size() ? value.data.size() - 1 : 0,
                                         value.data.size(), value.data.size() + 1};
            for (const std::size_t size : sizes) {
                std::unique_ptr<BYTE[]> data(new BYTE[size ? size : 1]);
                DWORD type = 0;
                DWORD cb = static_cast<DWORD>(size);
                const LONG r = s.RegQueryValueExA(h, value.name.c_str(), nullptr, &type,
                                                  data.get(), &cb);
                if (r == ERROR_SUCCESS && cb > size)
                    Fail("the registry reported more bytes than the buffer holds");
            }
        }
        s.RegCloseKey(h);
    }
    // The trace level is read from whatever the file says.
    DbgLoadLevel();
    if (brenvik::platform::posix::LiveHandles(brenvik::platform::posix::HandleKind::kKey) != 0)
        Fail("the registry was left with open keys");
}

void QueryDrives()
{
    auto &s = brenvik::platform::PosixServices();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const char root[4] = {letter, ':', '\\', '\0'};
        const UINT type = s.GetDriveTypeA(root);
        if (type > DRIVE_RAMDISK)
            Fail("a drive type out of range");
        const char local[3] = {letter, ':', '\0'};
        char remote[BRENVIK_MAX_PATH];
        DWORD length = sizeof remote;
        if (s.WNetGetConnectionA(local, remote, &length) == NO_ERROR &&
            std::memchr(remote, 0, sizeof remote) == nullptr)
            Fail("a remote name without its NUL");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    const RegFile reg = RegFile::Parse(text);
    CheckParse(reg);
    WriteRegistry(text);
    QueryValues(reg);
    // The configuration has only these keys; other texts cost 52 queries for
    // nothing.
    if (reg.KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik") ||
        reg.KeyExists("HKEY_CURRENT_USER\\Network"))
        QueryDrives();
    return 0;
}
