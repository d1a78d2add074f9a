// The shared library's load and unload steps, seen from a child process
// that dlopen()s it (module_child.cpp): the trace settings are read once at
// load and again only when a CVcdImageEx is constructed, and unloading ends
// the extension-module registration before the static object goes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using brenvik::test::ScopedRegistryFile;
using brenvik::test::RegText;

std::vector<std::string> RunChild()
{
    std::vector<std::string> lines;
    const std::string command =
        std::string("'") + BRENVIK_MODULE_CHILD + "' '" + BRENVIK_SHARED_LIB + "' 2>&1";
    std::FILE *pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return lines;
    }
    char buffer[4096];
    std::string line;
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        line += buffer;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            lines.push_back(line);
            line.clear();
        }
    }
    const int status = ::pclose(pipe);
    EXPECT_EQ(status, 0) << "the child failed";
    return lines;
}

// The lines after "step <from>" and before the next step line.
std::vector<std::string> Section(const std::vector<std::string> &lines, const std::string &from)
{
    std::vector<std::string> out;
    bool in = false;
    for (const auto &l : lines) {
        if (l.rfind("step ", 0) == 0) {
            if (in)
                break;
            in = l == "step " + from;
            continue;
        }
        if (in)
            out.push_back(l);
    }
    return out;
}

std::vector<std::string> Only(const std::vector<std::string> &lines, const std::string &prefix)
{
    std::vector<std::string> out;
    for (const auto &l : lines)
        if (l.rfind(prefix, 0) == 0)
            out.push_back(l);
    return out;
}

std::string Join(const std::vector<std::string> &lines)
{
    std::string s;
    for (const auto &l : lines)
        s += l + "\n";
    return s;
}

TEST(ModuleFrame, LoadReadsTheSettingsOnceAndUnloadTermsBeforeDestroying)
{
    ScopedRegistryFile reg(RegText({}));  // the child writes it
    const auto lines = RunChild();
    const std::string all = Join(lines);
    ASSERT_TRUE(Only(lines, "error").empty()) << all;

    // Load: one read of the settings (level 3 from the file), then the
    // module is in the chain.
    EXPECT_EQ(Section(lines, "dlopen"),
              (std::vector<std::string>{"event load-level 1 3", "event attached 1 0"}))
        << all;

    // Nothing reads the settings again until a CVcdImageEx is constructed.
    for (const char *step : {"opened", "first-call", "after-rewrite", "drive", "after-drive"})
        EXPECT_TRUE(Only(Section(lines, step), "event").empty()) << step << "\n" << all;
    EXPECT_EQ(Only(Section(lines, "image"), "event"),
              (std::vector<std::string>{"event load-level 0 0"}))
        << all;

    // Unload: the registration ends first (no entry of ours left in the
    // chain), then the static object is destroyed.
    EXPECT_EQ(Section(lines, "dlclose"),
              (std::vector<std::string>{"event term-ext 0 0", "event destroy-static 0 0"}))
        << all;
}

TEST(ModuleFrame, TraceLevelFollowsTheLastImageConstruction)
{
    ScopedRegistryFile reg(RegText({}));
    const auto lines = RunChild();
    const std::string all = Join(lines);
    ASSERT_TRUE(Only(lines, "error").empty()) << all;
    if (!Only(lines, "note no tracing export").empty())
        GTEST_SKIP() << "the library has no tracing export yet";

    const std::string prefix =
        "debug Orlo DbgMessage:CDriveEx::SplitUNC_p BAD NULL ...pSplitFPath \\n FILE:";
    auto traced = [&](const char *step) {
        const auto debug = Only(Section(lines, step), "debug");
        return debug.size() == 1 && debug[0].rfind(prefix, 0) == 0;
    };
    EXPECT_TRUE(traced("first-call")) << all;
    // The registry file no longer has the key, but the level read at load
    // stays until a CVcdImageEx reads it again; a CDriveEx changes nothing.
    EXPECT_TRUE(traced("after-rewrite")) << all;
    EXPECT_TRUE(traced("after-drive")) << all;
    EXPECT_TRUE(Only(Section(lines, "after-image"), "debug").empty()) << all;
}

}  // namespace
