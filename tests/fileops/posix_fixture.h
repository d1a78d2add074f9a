// Real directories through the POSIX backend: drive T: (and U:, the same
// directory under another letter) mapped onto a fresh host directory, with a
// second host directory outside the drive for links to point at.
#ifndef BRENVIK_TESTS_FILEOPS_POSIX_FIXTURE_H
#define BRENVIK_TESTS_FILEOPS_POSIX_FIXTURE_H

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "platform/services.h"
#include "support/hook_services.h"
#include "support/test_support.h"

namespace brenvik {
namespace test {

class PosixTest : public ::testing::Test {
protected:
    PosixTest();
    ~PosixTest() override;

    // "T:\" + rel (rel in Windows form).
    static std::string W(const std::string &rel) { return "T:\\" + rel; }
    // The host path of T:\rel ('\' in rel read as '/').
    std::string H(const std::string &rel) const;
    // The host path of something outside the drive.
    std::string Out(const std::string &rel) const { return outside_ + "/" + rel; }

    void File(const std::string &rel, const std::string &bytes = "x");
    void Dir(const std::string &rel);
    void Link(const std::string &rel, const std::string &hostTarget);

    // Every entry below a host directory (not following links): relative
    // path -> file content, "<dir>", or "-> target" for a link.
    static std::map<std::string, std::string> Snapshot(const std::string &hostDir);

    // Installs `hook` (wrapping the POSIX backend) until the end of the test.
    HookServices &Hook();

    TempDir temp_;
    std::string drive_;
    std::string outside_;

private:
    std::unique_ptr<ScopedRegistryFile> registry_;
    std::unique_ptr<HookServices> hook_;
    std::unique_ptr<platform::ScopedServices> hookScope_;
};

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_FILEOPS_POSIX_FIXTURE_H
