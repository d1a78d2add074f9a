// Image files in a fresh temporary directory, named as Windows paths (on
// POSIX through a drive that a registry file maps to it), with the trace on
// and the fault decorator in force.
#ifndef BRENVIK_TESTS_IMAGE_IMAGE_TEST_SUPPORT_H
#define BRENVIK_TESTS_IMAGE_IMAGE_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/trace.h"
#include "image_writer.h"
#include "support/fault_services.h"
#include "support/test_support.h"

namespace brenvik {
namespace test {

namespace mk = brenvik::mkimage;
using Strings = std::vector<std::string>;

class ImageFiles : public ::testing::Test {
protected:
    void SetUp() override { g_bDbgEnabled = 1, g_dwDbgLevel = 1; }
    void TearDown() override { g_bDbgEnabled = traceWas_, g_dwDbgLevel = levelWas_; }
    platform::Services &S() { return faults_; }
    // Names are relative to the test's directory, or whole paths within it.
    std::string Path(const std::string &name) const
    {
        return name.compare(0, dir_.size(), dir_) == 0 ? name : dir_ + name;
    }
    std::string PutText(const std::string &name, const std::string &text = "member")
    {
        HANDLE h = S().CreateFileA(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD n = 0;
        EXPECT_TRUE(S().WriteFile(h, text.data(), DWORD(text.size()), &n, nullptr)) << name;
        S().CloseHandle(h);
        return Path(name);
    }
    std::string Put(const std::string &name, const mk::HeaderFields &fields)
    {
        std::vector<unsigned char> bytes = mk::HeaderBytes(fields);
        bytes.resize(static_cast<std::size_t>(fields.totalLength), fields.fill);
        return PutText(name, std::string(bytes.begin(), bytes.end()));
    }
    std::string MakeDir(const std::string &name)  // its path, ending in '\'
    {
        EXPECT_TRUE(S().CreateDirectoryA(Path(name).c_str(), nullptr)) << name;
        return Path(name) + "\\";
    }
    bool Exists(const std::string &name)
    {
        return S().GetFileAttributesA(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // The message of each trace line since the last call; a line of another
    // form fails the test.
    Strings Lines()
    {
        Strings messages;
        for (const std::string &line : faults_.debugOutput) {
            const std::size_t file = line.rfind(" FILE:");
            EXPECT_TRUE(line.compare(0, 16, "Orlo DbgMessage:") == 0 && file != std::string::npos &&
                        line.find(".cpp LINE:", file) != std::string::npos && line.back() == ' ')
                << line;
            messages.push_back(line.substr(16, file - 16));
        }
        faults_.debugOutput.clear();
        return messages;
    }

    const int traceWas_ = g_bDbgEnabled;
    const unsigned long levelWas_ = g_dwDbgLevel;
    TempDir tmp_;
#ifdef _WIN32
    const std::string dir_ = Backslashed(tmp_.path()) + "\\";
#else
    ScopedRegistryFile registry_{RegText({R"([HKEY_LOCAL_MACHINE\SOFTWARE\Brenvik\Drives\C])",
                                          "\"Path\"=\"" + tmp_.path() + "\"", "\"Type\"=\"fixed\""})};
    const std::string dir_ = "C:\\";
#endif
    ScopedFaults faults_;
};

inline mk::HeaderFields Fields(std::uint32_t format, std::uint32_t kind, std::uint32_t slaves = 0,
                               std::uint64_t length = mk::kHeaderBytes)
{
    mk::HeaderFields s;
    s.mediaFormat = format, s.discKind = kind, s.slaveCount = slaves, s.totalLength = length;
    return s;
}

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_IMAGE_IMAGE_TEST_SUPPORT_H
