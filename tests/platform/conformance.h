// One set of cases every real backend must pass with Windows' exact results
// and error codes. No host headers, so that the cases build for Windows too.
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

// One fresh machine for one case: an empty directory.
class ConformanceBackend {
public:
    virtual ~ConformanceBackend() = default;
    virtual platform::Services &services() = 0;
    // The Windows path of relative inside the case's directory; Path("") is
    // the directory with a closing backslash.
    virtual std::string Path(const std::string &relative) const = 0;
    virtual std::string DriveRoot() const = 0;  // as "C:\"
    virtual char UnusedDriveLetter() const = 0;
    // Wine answers a few calls unlike Windows; the rows that meet one say so.
    virtual bool UnderWine() const { return false; }
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

// Whether one call, named by a letter so that a table of calls keeps a row a
// call, succeeds: d delete, m mkdir, r rmdir, a attributes, s set attributes to
// 0, v move onto `to`, f search (the first name found goes to *found); o, n, O, N
// open to read, existing or new (upper case: with backup semantics); w, x, t open
// to write: always, existing, truncate. An opened handle is closed. With
// `entries`, d, r and f are the calls on the entries of that search, whatever
// handle it holds.
bool CallByLetter(platform::Services &s, char op, const char *path, const char *to = "",
                  const HANDLE *entries = nullptr, std::string *found = nullptr);

class PlatformConformance : public ::testing::TestWithParam<BackendParam> {
protected:
    static constexpr DWORD kMarker = 0xdeadbeef;

    void SetUp() override { backend_ = GetParam().make(); }
    platform::Services &s() { return backend_->services(); }
    ConformanceBackend &backend() { return *backend_; }
    bool Wine() const { return backend_->UnderWine(); }
    std::string P(const std::string &relative) const { return backend_->Path(relative); }
    // So that a call failing without setting the last error is seen.
    void Mark() { s().SetLastError(kMarker); }
    DWORD Err() { return s().GetLastError(); }

    void MakeFile(const std::string &relative, const std::string &content = "");
    void MakeDir(const std::string &relative);
    std::string ReadAll(const std::string &relative);  // empty when unreadable
    HANDLE Open(const std::string &relative, DWORD access, DWORD share,
                DWORD disposition = OPEN_EXISTING, DWORD flags = FILE_ATTRIBUTE_NORMAL);
    bool Opened(HANDLE h);  // whether h is a handle; closes it
    bool Exists(const std::string &r) { return Do('a', r); }

    // CallByLetter on names in the case's directory, on in_'s entries if set.
    bool Do(char op, const std::string &path, const std::string &to = "");
    struct Row {
        char op;
        std::string path;
        DWORD error;  // 0: the call succeeds
        std::string to = "";
    };
    void ExpectRows(const std::vector<Row> &rows);
    // The same, for calls that are no row: each runs after Mark().
    struct Call {
        const char *what;
        std::function<bool()> call;
        DWORD error;
    };
    void ExpectCalls(const std::vector<Call> &calls);
    void Check(bool ok, DWORD error);

    HANDLE in_ = nullptr;
    std::string found_;  // the first name the last search found

private:
    std::unique_ptr<ConformanceBackend> backend_;
};

}  // namespace conformance
}  // namespace brenvik

#endif  // BRENVIK_TESTS_PLATFORM_CONFORMANCE_H
