// The platform conformance table: one set of cases, written against the
// Services interface, that every real backend must pass with Windows' exact
// results and error codes. No host headers here, so that the cases build for
// Windows too.
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

// One fresh machine for one case: an empty directory, and a registry that
// holds ConformanceRegistryLines().
class ConformanceBackend {
public:
    virtual ~ConformanceBackend() = default;
    virtual platform::Services &services() = 0;
    // The Windows path of relative inside the case's directory; Path("") is
    // the directory with a closing backslash.
    virtual std::string Path(const std::string &relative) const = 0;
    virtual std::string DriveRoot() const = 0;  // as "C:\"
    virtual char UnusedDriveLetter() const = 0;
    // Changes made beside the services, as another program would, so that
    // what the services report is checked against an independent source.
    virtual bool SetReadOnly(const std::string &relative, bool on) = 0;
    virtual bool SetHidden(const std::string &relative, bool on) = 0;
    virtual bool SetSystem(const std::string &relative, bool on) = 0;
    virtual bool KeepsDosAttributes() const = 0;
    // Wine answers a few calls unlike Windows; the rows that meet one say so.
    virtual bool UnderWine() const { return false; }
    // Opens relative as CreateFileA would, from another process where the
    // machine can, and holds it until the result is destroyed; null (and
    // *error) when that open failed.
    virtual std::unique_ptr<OpenHolder> HoldOpen(const std::string &relative, DWORD access,
                                                 DWORD share, DWORD *error) = 0;
};

struct BackendParam {
    const char *name;
    std::unique_ptr<ConformanceBackend> (*make)();
};

inline void PrintTo(const BackendParam &param, std::ostream *os) { *os << param.name; }
inline std::string BackendParamName(const ::testing::TestParamInfo<BackendParam> &info)
{
    return info.param.name;
}

const std::vector<std::string> &ConformanceRegistryLines();
constexpr const char *kConformanceKey = "SOFTWARE\\BrenvikConformance";

class PlatformConformance : public ::testing::TestWithParam<BackendParam> {
protected:
    static constexpr DWORD kMarker = 0xdeadbeef;

    void SetUp() override { backend_ = GetParam().make(); }
    platform::Services &s() { return backend_->services(); }
    ConformanceBackend &backend() { return *backend_; }
    bool Wine() const { return backend_->UnderWine(); }
    std::string P(const std::string &relative) const { return backend_->Path(relative); }
    // A call that fails without setting the last error, or sets the wrong
    // code, is seen.
    void Mark() { s().SetLastError(kMarker); }
    DWORD Err() { return s().GetLastError(); }

    void MakeFile(const std::string &relative, const std::string &content = "");
    void MakeDir(const std::string &relative);
    std::string ReadAll(const std::string &relative);  // empty when unreadable
    HANDLE Open(const std::string &relative, DWORD access, DWORD share,
                DWORD disposition = OPEN_EXISTING, DWORD flags = FILE_ATTRIBUTE_NORMAL);
    bool Opened(HANDLE h);  // whether h is a handle; closes it

    // Whether each call succeeds.
    bool Exists(const std::string &r) { return Attrs(r); }
    bool Attrs(const std::string &r) { return s().GetFileAttributesA(P(r).c_str()) != INVALID_FILE_ATTRIBUTES; }
    bool Del(const std::string &r) { return s().DeleteFileA(P(r).c_str()) != 0; }
    bool Mkdir(const std::string &r) { return s().CreateDirectoryA(P(r).c_str(), nullptr) != 0; }
    bool Rmdir(const std::string &r) { return s().RemoveDirectoryA(P(r).c_str()) != 0; }
    bool Move(const std::string &a, const std::string &b) { return s().MoveFileA(P(a).c_str(), P(b).c_str()) != 0; }
    bool OpenAs(const std::string &r, DWORD disposition, DWORD flags = 0)
    {
        return Opened(Open(r, GENERIC_READ, FILE_SHARE_READ, disposition, flags));
    }

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
