// The platform conformance suite: one set of cases, written against the
// Services interface, that every backend must pass with Windows' exact
// results and error codes. A backend provides a ConformanceBackend and
// instantiates PlatformConformance with it. No host headers here, so that
// the cases build for Windows too.
#ifndef BRENVIK_TESTS_PLATFORM_CONFORMANCE_H
#define BRENVIK_TESTS_PLATFORM_CONFORMANCE_H

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/services.h"

namespace brenvik {
namespace conformance {

class OpenHolder {
public:
    virtual ~OpenHolder() = default;
};

// One fresh machine for one test case.
class ConformanceBackend {
public:
    virtual ~ConformanceBackend() = default;

    // The services under test; valid while the backend lives. The machine
    // holds a fresh, empty directory for the case, and its registry holds
    // ConformanceRegistryLines().
    virtual platform::Services &services() = 0;

    // The Windows path of relative (backslash-separated) inside the case's
    // directory; Path("") is the directory itself with a closing backslash.
    virtual std::string Path(const std::string &relative) const = 0;
    // The root of the drive that holds the case's directory, as "C:\".
    virtual std::string DriveRoot() const = 0;
    // A drive letter that has no root on this machine.
    virtual char UnusedDriveLetter() const = 0;

    // Changes made beside the services (as another program would), so that
    // what the services report is checked against an independent source.
    // False where the machine cannot (the case is then skipped).
    virtual bool SetReadOnly(const std::string &relative, bool on) = 0;
    virtual bool SetHidden(const std::string &relative, bool on) = 0;
    virtual bool SetSystem(const std::string &relative, bool on) = 0;
    // Whether SetFileAttributesA keeps the hidden and system bits here.
    virtual bool KeepsDosAttributes() const = 0;

    // Whether the services are Wine's. Wine answers a few calls unlike
    // Windows; the cases that meet such a call say so, assert Windows' answer
    // for every other machine and Wine's under Wine.
    virtual bool UnderWine() const { return false; }

    // Opens relative (an existing file) with CreateFileA's access and share
    // mode from another process, or where the machine has none from another
    // thread, and holds it open until the result is destroyed. Null when
    // that open failed; *error then holds its last error.
    virtual std::unique_ptr<OpenHolder> HoldOpen(const std::string &relative, DWORD access,
                                                 DWORD share, DWORD *error) = 0;
};

using BackendFactory = std::unique_ptr<ConformanceBackend> (*)();

struct BackendParam {
    const char *name;
    BackendFactory make;
};

std::string BackendParamName(const ::testing::TestParamInfo<BackendParam> &info);

inline void PrintTo(const BackendParam &param, std::ostream *os)
{
    *os << param.name;
}

// The registry every conformance machine holds, as .reg lines without the
// header line.
const std::vector<std::string> &ConformanceRegistryLines();

// The key those lines make, below HKEY_LOCAL_MACHINE.
constexpr const char *kConformanceKey = "SOFTWARE\\BrenvikConformance";

class PlatformConformance : public ::testing::TestWithParam<BackendParam> {
protected:
    static constexpr DWORD kMarker = 0xdeadbeef;

    void SetUp() override;

    platform::Services &s() { return backend_->services(); }
    ConformanceBackend &backend() { return *backend_; }
    std::string P(const std::string &relative) const { return backend_->Path(relative); }

    // A call that fails without setting the last error, or sets the wrong
    // code, is seen.
    void Mark() { s().SetLastError(kMarker); }
    DWORD Err() { return s().GetLastError(); }

    // Through the services; ReadAll is empty when the file cannot be read.
    void MakeFile(const std::string &relative, const std::string &content = "");
    void MakeDir(const std::string &relative);
    std::string ReadAll(const std::string &relative);
    bool Exists(const std::string &relative);

    HANDLE Open(const std::string &relative, DWORD access, DWORD share,
                DWORD disposition = OPEN_EXISTING, DWORD flags = FILE_ATTRIBUTE_NORMAL);
    // Whether h is a handle; closes it.
    bool Opened(HANDLE h);

    // Runs each call after Mark(): it must succeed where error is 0, else
    // fail with exactly that last error.
    struct Call {
        const char *what;
        std::function<bool()> call;
        DWORD error;
    };
    void ExpectCalls(const std::vector<Call> &calls);

private:
    std::unique_ptr<ConformanceBackend> backend_;
};

}  // namespace conformance
}  // namespace brenvik

#endif  // BRENVIK_TESTS_PLATFORM_CONFORMANCE_H
