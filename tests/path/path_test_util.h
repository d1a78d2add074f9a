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

// A 260-byte output buffer preset to a marker, so that "left untouched" can
// be told from "emptied", and a guard zone after it that str() checks.
class OutBuf {
public:
    explicit OutBuf(const char *preset = "<untouched>")
    {
        std::memset(bytes_, 0x5A, sizeof bytes_);
        std::strcpy(bytes_, preset);
    }
    char *get() { return bytes_; }
    std::string str() const
    {
        for (std::size_t i = BRENVIK_MAX_PATH; i < sizeof bytes_; ++i)
            if (bytes_[i] != 0x5A)
                return "<written past 260 bytes>";
        return std::memchr(bytes_, 0, BRENVIK_MAX_PATH) ? bytes_ : "<no NUL within 260 bytes>";
    }

private:
    char bytes_[BRENVIK_MAX_PATH + 64];
};

// Every text field holds "old", so tests see which fields a call touched.
inline SPLITFPATH_tag MarkedRecord()
{
    SPLITFPATH_tag r{};
    r.unc.nReserved = 0xC0FFEEu;
    r.drv.nReserved = 0xBEEFu;
    for (char *f : {r.unc.strOrgPath, r.unc.strComputer_name, r.unc.strShare_name, r.unc.strDir,
                    r.unc.strFilename, r.unc.strFileTitle, r.unc.strFileExt, r.drv.strOrgPath,
                    r.drv.strDrv, r.drv.strDir, r.drv.strFilename, r.drv.strFileTitle,
                    r.drv.strFileExt})
        std::strcpy(f, "old");
    return r;
}

// p[0..4]: computer, share, dir, title, ext (UNC) or drive, dir, title, ext.
inline int Compose(bool unc, char *out, const char *const p[5])
{
    return unc ? CDriveEx::ComposeUNC(out, p[0], p[1], p[2], p[3], p[4])
               : CDriveEx::ComposeDrvPath(out, p[0], p[1], p[2], p[3]);
}

// n characters: prefix, then 'a'..'z' repeated, then suffix.
inline std::string PathOfLength(const std::string &prefix, std::size_t n,
                                const std::string &suffix = "")
{
    std::string s = prefix;
    while (s.size() + suffix.size() < n)
        s.push_back(static_cast<char>('a' + s.size() % 26));
    return (s + suffix).substr(0, n);
}

// A heap block of exactly size() + 1 bytes, so that AddressSanitizer sees a
// read past the terminator.
inline std::vector<char> Exact(const std::string &s)
{
    return std::vector<char>(s.c_str(), s.c_str() + s.size() + 1);
}

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_PATH_PATH_TEST_UTIL_H
