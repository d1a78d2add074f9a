// A POSIX machine for one test: a temporary directory and a registry file
// that names drives, shares and connections in it.
#ifndef BRENVIK_TESTS_PLATFORM_POSIX_FIXTURE_H
#define BRENVIK_TESTS_PLATFORM_POSIX_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

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
    // 0 when one call on a Windows path succeeds, else its last error: d
    // delete, r rmdir, a attributes, f search, o open to read, w open to
    // write, always; D, R and F are d, r and f on the entries of search in.
    long Call(char op, const std::string &path, HANDLE in = nullptr)
    {
        Mark();
        return Try(op, path.c_str(), in) ? 0 : static_cast<long>(Err());
    }
    bool Try(char op, const char *p, HANDLE in)
    {
        WIN32_FIND_DATAA data;
        HANDLE h;
        switch (op) {
        case 'd': return s().DeleteFileA(p);
        case 'D': return s().DeleteFileInA(in, p);
        case 'r': return s().RemoveDirectoryA(p);
        case 'R': return s().RemoveDirectoryInA(in, p);
        case 'a': return s().GetFileAttributesA(p) != INVALID_FILE_ATTRIBUTES;
        case 'f':
        case 'F':
            h = op == 'F' ? s().FindFirstFileInA(in, p, &data) : s().FindFirstFileA(p, &data);
            return h != INVALID_HANDLE_VALUE && s().FindClose(h);
        case 'o': return Closed(Create(p, GENERIC_READ, OPEN_EXISTING));
        case 'w': return Closed(Create(p, GENERIC_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
        }
        ADD_FAILURE() << "no call " << op;
        return false;
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
