// Linked into every test executable (as an object, so that nothing can drop
// it): a test that leaves a descriptor (Linux: files, directories, sockets)
// or a file, search or registry-key handle of the POSIX backend open fails,
// with what was left named.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <string>

#include "platform/posix/handles.h"

namespace brenvik {
namespace test {
namespace {

using platform::posix::HandleKind;
using platform::posix::LiveHandles;

// Descriptor number -> what it refers to; false when there is no
// /proc/self/fd to read.
bool OpenDescriptors(std::map<int, std::string> *out)
{
    out->clear();
    DIR *dir = ::opendir("/proc/self/fd");
    if (dir == nullptr)
        return false;
    const int own = ::dirfd(dir);
    while (const struct dirent *entry = ::readdir(dir)) {
        char *end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == own)
            continue;
        char target[512];
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
        (*out)[static_cast<int>(fd)] = n > 0 ? std::string(target, static_cast<size_t>(n)) : "?";
    }
    ::closedir(dir);
    return true;
}

class ResourceCheck : public ::testing::EmptyTestEventListener {
    static constexpr HandleKind kKinds[] = {HandleKind::kFile, HandleKind::kFind, HandleKind::kKey};
    static constexpr const char *kNames[] = {"file handles", "find handles", "registry keys"};

public:
    void OnTestStart(const ::testing::TestInfo &) override
    {
        haveDescriptors_ = OpenDescriptors(&before_);
        for (int i = 0; i < 3; ++i)
            handles_[i] = LiveHandles(kKinds[i]);
    }

    // Runs before the result printer's OnTestEnd (end events go to the
    // listeners in reverse order), so a failure added here shows with the test.
    void OnTestEnd(const ::testing::TestInfo &) override
    {
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(LiveHandles(kKinds[i]), handles_[i])
                << kNames[i] << " of the POSIX backend left open";
        }
        std::map<int, std::string> after;
        if (!haveDescriptors_ || !OpenDescriptors(&after))
            return;
        std::string leaked;
        for (const auto &entry : after) {
            auto it = before_.find(entry.first);
            if (it == before_.end() || it->second != entry.second)
                leaked += "\n  fd " + std::to_string(entry.first) + " -> " + entry.second;
        }
        EXPECT_TRUE(leaked.empty()) << "descriptors left open by the test:" << leaked;
    }

private:
    bool haveDescriptors_ = false;
    std::map<int, std::string> before_;
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
