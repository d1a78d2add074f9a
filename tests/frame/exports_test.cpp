// The shared library exports the two classes and what their signatures
// need, and nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

bool Allowed(const std::string &symbol)
{
    static const char *const kClasses[] = {"CDriveEx",       "CVcdImageEx", "CObject",
                                           "CFile",          "CFileException",
                                           "CRuntimeClass"};
    if (symbol == "brenvik_set_debug_output")
        return true;
    for (const char *c : kClasses) {
        const std::string cls = c;
        if (symbol.rfind(cls + "::", 0) == 0)
            return true;
        for (const char *what : {"vtable for ", "typeinfo for ", "typeinfo name for "})
            if (symbol == what + cls)
                return true;
    }
    return false;
}

TEST(SharedLibraryExports, OnlyTheAllowedSymbols)
{
    if (std::system("nm --version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "nm is not installed";
    const std::string command =
        std::string("nm -D --defined-only -C '") + BRENVIK_SHARED_LIB + "'";
    std::FILE *pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> symbols;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        // "<address> <type> <name>"
        const auto first = line.find(' ');
        const auto second = first == std::string::npos ? first : line.find(' ', first + 1);
        if (second == std::string::npos)
            continue;
        symbols.insert(line.substr(second + 1));
    }
    ASSERT_EQ(::pclose(pipe), 0);

    for (const auto &s : symbols)
        EXPECT_TRUE(Allowed(s)) << "exported: " << s;
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
