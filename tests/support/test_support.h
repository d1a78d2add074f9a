#ifndef BRENVIK_TESTS_SUPPORT_TEST_SUPPORT_H
#define BRENVIK_TESTS_SUPPORT_TEST_SUPPORT_H

#include <sstream>
#include <string>
#include <vector>

namespace brenvik {
namespace test {

// A fresh host directory, removed with everything in it at the end of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return path_; }
    std::string operator/(const std::string &relative) const;

private:
    std::string path_;
};

// Sets (or, with a null value, unsets) an environment variable for a scope.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    std::string name_, old_;
    bool hadOld_;
};

void WriteHostFile(const std::string &path, const std::string &bytes);

// Writes a registry file with the given text into its own temporary
// directory and points BRENVIK_REGISTRY at it for the scope.
class ScopedRegistryFile {
public:
    explicit ScopedRegistryFile(const std::string &regText);
    void Rewrite(const std::string &regText) { WriteHostFile(path_, regText); }
    const std::string &path() const { return path_; }

private:
    TempDir dir_;
    std::string path_;
    ScopedEnv env_;
};

// These fail the current test on error.
std::string ReadHostFile(const std::string &path);
bool HostExists(const std::string &path);
void MakeHostDirs(const std::string &path);

std::string RegText(const std::vector<std::string> &lines);

std::string Backslashed(std::string path);

// The values, space-separated; taken by reference, so read only after every
// argument, a call under test among them, has been evaluated.
template <typename... T>
std::string Joined(const T &...v)
{
    std::ostringstream o;
    int n = 0;
    ((o << (n++ ? " " : "") << v), ...);
    return o.str();
}

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_SUPPORT_TEST_SUPPORT_H
