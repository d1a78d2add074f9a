// Small helpers shared by the file-system operations.
#ifndef BRENVIK_FILEOPS_UTIL_H
#define BRENVIK_FILEOPS_UTIL_H

#include <cstring>

#include "platform/crt/crt.h"

namespace brenvik {
namespace fileops {

inline bool IsNullOrEmpty(const char *s)
{
    return s == nullptr || *s == '\0';
}

// True when the last character of s (length len > 0) is a backslash. The trail
// byte of a double-byte character may be 0x5C; that is not a backslash.
inline bool EndsWithBackslash(const char *s, std::size_t len)
{
    if (len == 0 || s[len - 1] != '\\')
        return false;
    return crt::MbsRChr(s, '\\') == s + len - 1;
}

}  // namespace fileops
}  // namespace brenvik

#endif  // BRENVIK_FILEOPS_UTIL_H
