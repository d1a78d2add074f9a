// The conformance suite on the POSIX backend: drive C: is a fresh temporary
// directory named by a fresh registry file, and another opener is a forked
// child process.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/conformance.h"
#include "platform/posix_fixture.h"

namespace brenvik {
namespace conformance {
namespace {

// The child that holds a file open until its release pipe closes.
class ChildHolder : public OpenHolder {
public:
    ChildHolder(pid_t pid, int release) : pid_(pid), release_(release) {}
    ~ChildHolder() override
    {
        ::close(release_);
        ::waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_;
    int release_;
};

std::string MakeRegistry(const std::string &driveRoot)
{
    std::vector<std::string> lines = ConformanceRegistryLines();
    lines.insert(lines.begin(), posixtest::DriveKey('C', driveRoot, "fixed"));
    return test::RegText(lines);
}

class PosixConformanceBackend : public ConformanceBackend {
public:
    PosixConformanceBackend() : driveRoot_(root_ / "c"), registry_(MakeRegistry(driveRoot_))
    {
        test::MakeHostDirs(driveRoot_);
        const std::string probe = root_ / "probe";
        test::WriteHostFile(probe, "");
        keepsXattrs_ = ::setxattr(probe.c_str(), "user.DOSATTRIB", "0x20", 4, 0) == 0;
    }

    platform::Services &services() override { return platform::PosixServices(); }
    std::string Path(const std::string &relative) const override { return "C:\\" + relative; }
    std::string DriveRoot() const override { return "C:\\"; }
    char UnusedDriveLetter() const override { return 'Q'; }

    bool SetReadOnly(const std::string &relative, bool on) override
    {
        struct stat st;
        const std::string host = Host(relative);
        return ::stat(host.c_str(), &st) == 0 &&
               ::chmod(host.c_str(), (st.st_mode & (on ? 07555 : 07777)) | (on ? 0 : S_IWUSR)) == 0;
    }
    bool SetHidden(const std::string &r, bool on) override { return SetBit(r, 0x2, on); }
    bool SetSystem(const std::string &r, bool on) override { return SetBit(r, 0x4, on); }
    bool KeepsDosAttributes() const override { return keepsXattrs_; }

    std::unique_ptr<OpenHolder> HoldOpen(const std::string &relative, DWORD access, DWORD share,
                                         DWORD *error) override
    {
        // The child answers its open's last error (0: open) on one pipe and
        // holds the handle until the other is closed.
        int answer[2], release[2];
        if (::pipe2(answer, O_CLOEXEC) != 0 || ::pipe2(release, O_CLOEXEC) != 0) {
            *error = static_cast<DWORD>(-1);
            return nullptr;
        }
        std::fflush(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            auto &s = platform::PosixServices();
            HANDLE h = s.CreateFileA(Path(relative).c_str(), access, share, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            const DWORD result = h == INVALID_HANDLE_VALUE ? s.GetLastError() : 0;
            char c;
            ::close(release[1]);
            if (::write(answer[1], &result, sizeof result) == sizeof result)
                while (::read(release[0], &c, 1) > 0) {
                }
            ::_exit(0);
        }
        ::close(answer[1]);
        ::close(release[0]);
        DWORD result = static_cast<DWORD>(-1);
        ssize_t n;
        do {
            n = ::read(answer[0], &result, sizeof result);
        } while (n < 0 && errno == EINTR);
        ::close(answer[0]);
        auto holder = std::make_unique<ChildHolder>(pid, release[1]);
        if (n != sizeof result || result != 0) {
            *error = result;
            return nullptr;  // the holder's end lets the child go
        }
        return holder;
    }

private:
    std::string Host(std::string relative) const
    {
        for (char &c : relative)
            c = c == '\\' ? '/' : c;
        return driveRoot_ + "/" + relative;
    }

    // Beside the services, as Samba would for an entry with no other bits.
    bool SetBit(const std::string &relative, unsigned bit, bool on)
    {
        const std::string host = Host(relative);
        struct stat st;
        char text[16];
        const bool dir = ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        const int n = std::snprintf(text, sizeof text, "0x%x", bit | (dir ? 0 : 0x20));
        return on ? ::setxattr(host.c_str(), "user.DOSATTRIB", text, std::size_t(n), 0) == 0
                  : ::removexattr(host.c_str(), "user.DOSATTRIB") == 0;
    }

    test::TempDir root_;
    std::string driveRoot_;
    test::ScopedRegistryFile registry_;
    bool keepsXattrs_ = false;
};

INSTANTIATE_TEST_SUITE_P(Posix, PlatformConformance,
                         ::testing::Values(BackendParam{"posix", [] {
                             return std::unique_ptr<ConformanceBackend>(
                                 new PosixConformanceBackend);
                         }}),
                         BackendParamName);

}  // namespace
}  // namespace conformance
}  // namespace brenvik
