#include "fileops/posix_fixture.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace brenvik {
namespace test {

PosixTest::PosixTest() : drive_(temp_ / "drive"), outside_(temp_ / "outside")
{
    MakeHostDirs(drive_);
    MakeHostDirs(outside_);
    auto driveKey = [&](const char *letter) {
        return std::vector<std::string>{
            std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\") + letter + "]",
            "\"Path\"=\"" + drive_ + "\"", "\"Type\"=\"fixed\""};
    };
    std::vector<std::string> lines = driveKey("T");
    for (const std::string &line : driveKey("U"))
        lines.push_back(line);
    registry_ = std::make_unique<ScopedRegistryFile>(RegText(lines));
}

PosixTest::~PosixTest()
{
    if (hook_) {
        EXPECT_EQ(hook_->OpenHandles(), 0) << "handles left open";
    }
    hookScope_.reset();
}

std::string PosixTest::H(const std::string &rel) const
{
    std::string out = drive_ + "/" + rel;
    for (char &c : out) {
        if (c == '\\')
            c = '/';
    }
    return out;
}

void PosixTest::File(const std::string &rel, const std::string &bytes)
{
    std::string host = H(rel);
    MakeHostDirs(fs::path(host).parent_path().string());
    WriteHostFile(host, bytes);
}

void PosixTest::Dir(const std::string &rel)
{
    MakeHostDirs(H(rel));
}

void PosixTest::Link(const std::string &rel, const std::string &hostTarget)
{
    std::string host = H(rel);
    MakeHostDirs(fs::path(host).parent_path().string());
    std::error_code ec;
    fs::create_symlink(hostTarget, host, ec);
    ASSERT_FALSE(ec) << "symlink " << host << ": " << ec.message();
}

std::map<std::string, std::string> PosixTest::Snapshot(const std::string &hostDir)
{
    std::map<std::string, std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(hostDir, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::string rel = fs::relative(it->path(), hostDir).generic_string();
        if (it->is_symlink())
            out[rel] = "-> " + fs::read_symlink(it->path()).string();
        else if (it->is_directory())
            out[rel] = "<dir>";
        else
            out[rel] = ReadHostFile(it->path().string());
    }
    return out;
}

HookServices &PosixTest::Hook()
{
    if (!hook_) {
        hook_ = std::make_unique<HookServices>(platform::DefaultServices());
        hookScope_ = std::make_unique<platform::ScopedServices>(*hook_);
    }
    return *hook_;
}

}  // namespace test
}  // namespace brenvik
