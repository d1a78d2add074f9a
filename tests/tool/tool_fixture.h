// A test of the tool: a temporary directory, a registry file of the test's
// own (the default machine: C: is the host root, unless a test names
// drives), and the Windows names of host paths.
#ifndef BRENVIK_TESTS_TOOL_TOOL_FIXTURE_H
#define BRENVIK_TESTS_TOOL_TOOL_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "tool_runner.h"

namespace brenvik {
namespace tooltest {

class ToolTest : public ::testing::Test {
protected:
    ToolTest() : registry_(std::make_unique<test::ScopedRegistryFile>(test::RegText({}))) {}

    // The host path below the test's directory.
    std::string H(const std::string &relative) const { return dir_ / relative; }
    // Its Windows name on the default machine.
    static std::string W(const std::string &host) { return "C:" + test::Backslashed(host); }
    void SetRegistry(const std::vector<std::string> &keys)
    {
        registry_->Rewrite(test::RegText(keys));
    }
    void Write(const std::string &relative, const std::string &bytes = "x")
    {
        const std::string path = H(relative);
        test::MakeHostDirs(path.substr(0, path.rfind('/')));
        test::WriteHostFile(path, bytes);
    }
    bool Exists(const std::string &relative) const { return test::HostExists(H(relative)); }

    test::TempDir dir_;
    std::unique_ptr<test::ScopedRegistryFile> registry_;
};

}  // namespace tooltest
}  // namespace brenvik

#endif  // BRENVIK_TESTS_TOOL_TOOL_FIXTURE_H
