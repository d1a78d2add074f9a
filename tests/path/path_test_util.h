// Helpers of the path-model tests.
#ifndef BRENVIK_TESTS_PATH_PATH_TEST_UTIL_H
#define BRENVIK_TESTS_PATH_PATH_TEST_UTIL_H

#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

struct BrenvikTestAccess {
    static int ValidateMultiDirLevel_p(const char *s, int bResultIfEmpty)
    {
        return CDriveEx::ValidateMultiDirLevel_p(s, bResultIfEmpty);
    }
};

namespace brenvik {
namespace test {

// A 260-byte output buffer with a canary zone after it, preset to a marker
// string so that "left untouched" can be told from "emptied".
class OutBuf {
public:
    static constexpr std::size_t kGuard = 64;
    explicit OutBuf(const char *preset = "<untouched>")
    {
        std::memset(bytes_, 0x5A, sizeof bytes_);
        std::strcpy(bytes_, preset);
    }
    char *get() { return bytes_; }
    std::string str() const
    {
        const void *nul = std::memchr(bytes_, 0, BRENVIK_MAX_PATH);
        return nul ? std::string(bytes_) : std::string("<no NUL within 260 bytes>");
    }
    bool GuardIntact() const
    {
        for (std::size_t i = BRENVIK_MAX_PATH; i < sizeof bytes_; ++i)
            if (static_cast<unsigned char>(bytes_[i]) != 0x5A)
                return false;
        return true;
    }

private:
    char bytes_[BRENVIK_MAX_PATH + kGuard];
};

// A record whose every text field holds a marker naming the field, so that
// tests see which fields a call touched.
inline SPLITFPATH_tag MarkedRecord()
{
    SPLITFPATH_tag r;
    std::memset(&r, 0, sizeof r);
    r.unc.nReserved = 0xC0FFEEu;
    r.drv.nReserved = 0xBEEFu;
    std::strcpy(r.unc.strOrgPath, "u.org");
    std::strcpy(r.unc.strComputer_name, "u.computer");
    std::strcpy(r.unc.strShare_name, "u.share");
    std::strcpy(r.unc.strDir, "u.dir");
    std::strcpy(r.unc.strFilename, "u.filename");
    std::strcpy(r.unc.strFileTitle, "u.title");
    std::strcpy(r.unc.strFileExt, "u.ext");
    std::strcpy(r.drv.strOrgPath, "d.org");
    std::strcpy(r.drv.strDrv, "d.drv");
    std::strcpy(r.drv.strDir, "d.dir");
    std::strcpy(r.drv.strFilename, "d.filename");
    std::strcpy(r.drv.strFileTitle, "d.title");
    std::strcpy(r.drv.strFileExt, "d.ext");
    return r;
}

// A string of n characters: prefix, then 'a'..'z' repeated, then suffix
// (which ends the string).
inline std::string PathOfLength(const std::string &prefix, std::size_t n,
                                const std::string &suffix = "")
{
    std::string s = prefix;
    while (s.size() + suffix.size() < n)
        s.push_back(static_cast<char>('a' + s.size() % 26));
    s += suffix;
    s.resize(n);
    return s;
}

// A heap copy of exactly s.size() + 1 bytes, so that AddressSanitizer sees
// any read past the terminator.
class ExactString {
public:
    explicit ExactString(const std::string &s) : bytes_(new char[s.size() + 1])
    {
        std::memcpy(bytes_, s.c_str(), s.size() + 1);
    }
    ~ExactString() { delete[] bytes_; }
    ExactString(const ExactString &) = delete;
    ExactString &operator=(const ExactString &) = delete;
    const char *c_str() const { return bytes_; }

private:
    char *bytes_;
};

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_PATH_PATH_TEST_UTIL_H
