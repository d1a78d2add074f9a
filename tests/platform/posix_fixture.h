// A POSIX machine for one test: a temporary directory and a registry file
// that names drives, shares and connections in it.
#ifndef BRENVIK_TESTS_PLATFORM_POSIX_FIXTURE_H
#define BRENVIK_TESTS_PLATFORM_POSIX_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/conformance.h"
#include "platform/backends.h"
#include "support/test_support.h"

namespace brenvik {
namespace posixtest {

// A .reg string value.
inline std::string RegString(const std::string &text)
{
    std::string out = "\"";
    for (char c : text)
        out += (c == '\\' || c == '"') ? std::string("\\") + c : std::string(1, c);
    return out + "\"";
}

// A drive's key, with any further value lines (a label, say).
inline std::string DriveKey(char letter, const std::string &path, const std::string &type,
                            const std::vector<std::string> &more = {})
{
    std::string text = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\" +
                       std::string(1, letter) + "]\r\n\"Path\"=" + RegString(path) +
                       "\r\n\"Type\"=" + RegString(type) + "\r\n";
    for (const auto &line : more)
        text += line + "\r\n";
    return text;
}

inline std::string ShareKey(const std::string &server, const std::string &share,
                            const std::string &path)
{
    return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Shares\\" + server + "\\" + share +
           "]\r\n\"Path\"=" + RegString(path) + "\r\n";
}

inline std::string ConnectionKey(char letter, const std::string &remote)
{
    return "[HKEY_CURRENT_USER\\Network\\" + std::string(1, letter) + "]\r\n\"RemotePath\"=" +
           RegString(remote) + "\r\n";
}

class PosixTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::MakeHostDirs(dir_ / "c");
        registry_ = std::make_unique<test::ScopedRegistryFile>(
            test::RegText({DriveKey('C', dir_ / "c", "fixed")}));
    }

    void SetRegistry(const std::vector<std::string> &keys)
    {
        registry_->Rewrite(test::RegText(keys));
    }

    platform::Services &s() { return platform::PosixServices(); }
    void Mark() { s().SetLastError(0xdeadbeef); }
    DWORD Err() { return s().GetLastError(); }
    // 0 when one call (see CallByLetter) on a Windows path succeeds, else its
    // last error.
    long Call(char op, const std::string &path, const HANDLE *entries = nullptr)
    {
        Mark();
        const bool ok = conformance::CallByLetter(s(), op, path.c_str(), "", entries);
        return ok ? 0 : static_cast<long>(Err());
    }
    HANDLE Create(const char *path, DWORD access, DWORD disposition, DWORD flags = 0)
    {
        return s().CreateFileA(path, access, 0, nullptr, disposition, flags, nullptr);
    }
    bool Closed(HANDLE h) { return h != INVALID_HANDLE_VALUE && s().CloseHandle(h); }
    std::string H(const std::string &relative) const { return dir_ / relative; }

    test::TempDir dir_;
    std::unique_ptr<test::ScopedRegistryFile> registry_;
};

}  // namespace posixtest
}  // namespace brenvik

#endif  // BRENVIK_TESTS_PLATFORM_POSIX_FIXTURE_H
