#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace brenvik {
namespace test {

namespace {

void SetEnv(const char *name, const char *value)
{
#if defined(_WIN32)
    _putenv_s(name, value ? value : "");
#else
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
#endif
}

}  // namespace

TempDir::TempDir()
{
    std::random_device random;
    const fs::path dir = fs::temp_directory_path() / ("brenvik-test-" + std::to_string(random()) +
                                                      "-" + std::to_string(random()));
    std::error_code ec;
    if (fs::create_directory(dir, ec))
        path_ = dir.generic_string();
    else
        ADD_FAILURE() << "cannot make " << dir;
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Tests make read-only files; give write permission back before removal.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (!it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string TempDir::operator/(const std::string &relative) const
{
    return path_ + "/" + relative;
}

ScopedEnv::ScopedEnv(const char *name, const char *value)
    : name_(name), old_(std::getenv(name) ? std::getenv(name) : ""), hadOld_(std::getenv(name))
{
    SetEnv(name, value);
}

ScopedEnv::~ScopedEnv()
{
    SetEnv(name_.c_str(), hadOld_ ? old_.c_str() : nullptr);
}

ScopedRegistryFile::ScopedRegistryFile(const std::string &regText)
    : path_(dir_ / "registry.reg"), env_("BRENVIK_REGISTRY", (dir_ / "registry.reg").c_str())
{
    WriteHostFile(path_, regText);
}

void WriteHostFile(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();  // a write that fails only when the file is closed is a failure too
    if (!out)
        ADD_FAILURE() << "cannot write " << path;
}

std::string ReadHostFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        ADD_FAILURE() << "cannot read " << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool HostExists(const std::string &path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

void MakeHostDirs(const std::string &path)
{
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec)
        ADD_FAILURE() << "cannot make " << path << ": " << ec.message();
}

std::string RegText(const std::vector<std::string> &lines)
{
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (const auto &line : lines)
        text += line + "\r\n";
    return text;
}

std::string Backslashed(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

}  // namespace test
}  // namespace brenvik
