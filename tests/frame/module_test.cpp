// The shared library as a host loads it: in a child process that dlopen()s
// it (module_child.cpp), the trace settings are read once at load and again
// only when a CVcdImageEx is constructed, and unloading ends the
// extension-module registration before the static object goes. Also the
// library's export list.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using Strings = std::vector<std::string>;

// The lines a command prints; fails the test when it does not end with 0.
Strings Lines(const std::string &command)
{
    Strings lines;
    std::FILE *pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return lines;
    }
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        lines.push_back(std::regex_replace(buffer, std::regex("\n$"), ""));
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return lines;
}

TEST(ModuleFrame, SettingsReadAtLoadAndByImagesOnlyDetachInOrder)
{
    const brenvik::test::ScopedRegistryFile reg(brenvik::test::RegText({}));  // the child writes it
    Strings lines =
        Lines(std::string("'") + BRENVIK_MODULE_CHILD + "' '" + BRENVIK_SHARED_LIB + "' 2>&1");
    for (std::string &l : lines)
        l = std::regex_replace(l, std::regex(" LINE:[0-9]+ $"), " LINE:* ");
    const std::string traced = "debug Orlo DbgMessage:CDriveEx::SplitUNC_p BAD NULL ...pSplitFPath "
                               "\\n FILE:split.cpp LINE:* ";
    EXPECT_EQ(lines, (Strings{
                         // Level 3 read once from the file at load.
                         "step dlopen", "step opened", traced,
                         // The level read at load stays; a CDriveEx changes nothing.
                         "step rewritten", traced, "step drive", traced,
                         // A host's own CVcdImageEx reads the settings again: none now.
                         "step image", "step dlclose", "step closed"}));
}

// The two classes and what their signatures need, and nothing else.
TEST(SharedLibrary, ExportsOnlyTheAllowedSymbols)
{
    if (std::system("nm --version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "nm is not installed";
    const std::regex allowed(
        "brenvik_set_debug_output|((vtable|typeinfo|typeinfo name) for )?"
        "(CDriveEx|CVcdImageEx|CObject|CFile|CFileException|CRuntimeClass)(::.*)?");
    std::set<std::string> symbols;
    const std::string nm = std::string("nm -D --defined-only -C '") + BRENVIK_SHARED_LIB + "'";
    for (const std::string &line : Lines(nm)) {
        // "<address> <type> <name>"
        const std::string name = std::regex_replace(line, std::regex("^\\S+ \\S "), "");
        symbols.insert(name);
        EXPECT_TRUE(std::regex_match(name, allowed)) << "exported: " << name;
    }
    for (const char *needed :
         {"CDriveEx::CDriveEx()", "CDriveEx::~CDriveEx()", "CVcdImageEx::CVcdImageEx()",
          "CVcdImageEx::~CVcdImageEx()", "vtable for CDriveEx", "vtable for CVcdImageEx",
          "typeinfo for CDriveEx", "CDriveEx::IsCdDrive(int)",
          "CDriveEx::GetDriveType_Ex(char const*)", "CObject::classCObject",
          "CObject::GetRuntimeClass() const", "CFile::GetLength() const",
          "brenvik_set_debug_output"})
        EXPECT_EQ(symbols.count(needed), 1u) << "not exported: " << needed;
}

}  // namespace
