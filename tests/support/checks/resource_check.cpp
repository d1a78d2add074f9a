// Linked into every test executable (as an object, so that nothing can drop
// it): a test that leaves a descriptor (Linux: files, directories, sockets)
// or a file, search or registry-key handle of the POSIX backend open fails,
// with what was left named.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <filesystem>
#include <map>
#include <string>

#include "platform/posix/handles.h"

namespace brenvik {
namespace test {
namespace {

using platform::posix::HandleKind;
using platform::posix::LiveHandles;

namespace fs = std::filesystem;

// Descriptor number -> what it refers to, but for the listing's own; empty
// when there is no /proc/self/fd to read.
std::map<std::string, std::string> OpenDescriptors()
{
    std::map<std::string, std::string> out;
    std::error_code ec;
    const fs::path own = fs::canonical("/proc/self/fd", ec);
    for (const fs::directory_entry &e : fs::directory_iterator("/proc/self/fd", ec))
        out[e.path().filename().string()] = fs::read_symlink(e.path(), ec).string();
    for (auto it = out.begin(); it != out.end();)
        it = it->second == own.string() ? out.erase(it) : std::next(it);
    return out;
}

class ResourceCheck : public ::testing::EmptyTestEventListener {
    static constexpr HandleKind kKinds[] = {HandleKind::kFile, HandleKind::kFind, HandleKind::kKey};
    static constexpr const char *kNames[] = {"file handles", "find handles", "registry keys"};

public:
    void OnTestStart(const ::testing::TestInfo &) override
    {
        before_ = OpenDescriptors();
        for (int i = 0; i < 3; ++i)
            handles_[i] = LiveHandles(kKinds[i]);
    }

    // Runs before the result printer's OnTestEnd (end events go to the
    // listeners in reverse order), so a failure added here shows with the test.
    void OnTestEnd(const ::testing::TestInfo &) override
    {
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(LiveHandles(kKinds[i]), handles_[i])
                << kNames[i] << " of the POSIX backend left open";
        std::string leaked;
        for (const auto &entry : OpenDescriptors()) {
            auto it = before_.find(entry.first);
            if (it == before_.end() || it->second != entry.second)
                leaked += "\n  fd " + entry.first + " -> " + entry.second;
        }
        EXPECT_TRUE(leaked.empty()) << "descriptors left open by the test:" << leaked;
    }

private:
    std::map<std::string, std::string> before_;
    std::size_t handles_[3] = {};
};

const bool g_registered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new ResourceCheck);
    return true;
}();

}  // namespace
}  // namespace test
}  // namespace brenvik

#endif  // !_WIN32
