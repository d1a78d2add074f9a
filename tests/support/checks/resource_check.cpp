// Linked into every test executable (as an object, so that nothing can drop
// it): each test must end with what it opened closed again. On Linux the
// process's descriptors are compared before and after each test (files,
// directories, sockets); on every POSIX host the backend's table of live
// file, search and registry-key handles is compared too. A test that leaves
// one open fails, with what was left named.
//
// The simulated machine keeps its own account, which ScopedMachine checks.
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

// Descriptor number -> what it refers to. Empty and false when the host has
// no /proc/self/fd to read.
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

struct HandleCounts {
    std::size_t files = 0, finds = 0, keys = 0;
};

HandleCounts LiveBackendHandles()
{
    return {LiveHandles(HandleKind::kFile), LiveHandles(HandleKind::kFind),
            LiveHandles(HandleKind::kKey)};
}

class ResourceCheck : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo &) override
    {
        haveDescriptors_ = OpenDescriptors(&before_);
        handles_ = LiveBackendHandles();
    }

    // Runs before the result printer's OnTestEnd (end events go to the
    // listeners in reverse order), so a failure added here is reported with
    // the test.
    void OnTestEnd(const ::testing::TestInfo &) override
    {
        const HandleCounts now = LiveBackendHandles();
        EXPECT_EQ(now.files, handles_.files) << "file handles of the POSIX backend left open";
        EXPECT_EQ(now.finds, handles_.finds) << "find handles of the POSIX backend left open";
        EXPECT_EQ(now.keys, handles_.keys) << "registry keys of the POSIX backend left open";

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
    HandleCounts handles_;
};

const bool g_registered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new ResourceCheck);
    return true;
}();

}  // namespace
}  // namespace test
}  // namespace brenvik

#endif  // !_WIN32
