// Helpers shared by the path-model sources: bounded lengths and copies, and
// searches that treat a double-byte character as one character.
//
// Bounds: every function of the path model works on copies of its inputs in
// 260-byte stack buffers. An input that would not fit one (259 characters
// at most) and a result that would not fit the caller's 260-byte buffer are
// refused with the function's failure result before anything is written.
// Lengths are found with a scan capped at 260 bytes, so an input is never
// read past its terminator, and a record field without a terminator is
// never read past its end.
#ifndef BRENVIK_PATH_PATH_INTERNAL_H
#define BRENVIK_PATH_PATH_INTERNAL_H

#include <brenvik/brenvik.h>

#include <cstddef>
#include <cstring>

#include "platform/crt/crt.h"

namespace brenvik {
namespace pathmodel {

constexpr std::size_t kMax = BRENVIK_MAX_PATH;
constexpr std::size_t npos = static_cast<std::size_t>(-1);

// The length of s, or kMax when none of its first kMax bytes is a NUL (the
// string does not fit a path buffer and must be refused).
inline std::size_t BoundedLen(const char *s)
{
    const void *nul = std::memchr(s, 0, kMax);
    return nul ? static_cast<std::size_t>(static_cast<const char *>(nul) - s) : kMax;
}

inline bool IsEmpty(const char *s) { return s == nullptr || s[0] == '\0'; }

// Stores n bytes and a NUL; callers guarantee n < kMax. memmove, because a
// field may be filled from another part of the same record.
inline void Store(char *dst, const char *src, std::size_t n)
{
    std::memmove(dst, src, n);
    dst[n] = '\0';
}

// Copies an input of length n (< kMax) into a local buffer.
inline void CopyIn(char (&dst)[kMax], const char *src, std::size_t n)
{
    std::memcpy(dst, src, n);
    dst[n] = '\0';
}

// Lead bytes of every double-byte code page lie at 0x81 and above, so the
// code page is asked only about bytes with the high bit set.
inline bool IsLead(unsigned char c) { return c >= 0x80 && crt::IsLeadByte(c); }

// The width (1 or 2) of the character at s[i] within s[0..n).
inline std::size_t CharWidth(const char *s, std::size_t i, std::size_t n)
{
    return (IsLead(static_cast<unsigned char>(s[i])) && i + 1 < n) ? 2 : 1;
}

// The first occurrence of the single-byte character c at a character
// boundary at or after index `from`, or npos.
std::size_t FindFirst(const char *s, std::size_t n, char c, std::size_t from = 0);
// The last occurrence of c at a character boundary, or npos.
std::size_t FindLast(const char *s, std::size_t n, char c);
// Whether c appears twice in a row as two characters.
bool ContainsPair(const char *s, std::size_t n, char c);
// Whether the last character of s[0..n) is c (false when n is 0).
bool EndsWithChar(const char *s, std::size_t n, char c);

// The characters a file name may not hold, and the ones a path may not hold.
enum CharSet : unsigned char { kFileNameSet = 1, kPathSet = 2 };
// Whether s[0..n) holds a character of the set.
bool HasCharOf(const char *s, std::size_t n, CharSet set);

// A file name: non-empty, no character of the file-name set.
inline bool NameValid(const char *s, std::size_t n)
{
    return n > 0 && !HasCharOf(s, n, kFileNameSet);
}
// A relative directory of one or more levels, each a valid file name; a
// trailing backslash is allowed. s[0..n) must not be empty.
bool LevelsValid(const char *s, std::size_t n);

inline bool IsAsciiLetter(char c)
{
    const unsigned char u = static_cast<unsigned char>(c) | 0x20;
    return u >= 'a' && u <= 'z';
}
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Builds a result in a local buffer; Append fails once the text would no
// longer leave room for the NUL in a 260-byte buffer.
class PathBuilder {
public:
    bool Append(const char *s, std::size_t n)
    {
        if (n >= kMax - len_)
            return false;
        std::memcpy(buf_ + len_, s, n);
        len_ += n;
        return true;
    }
    bool Append(char c)
    {
        if (len_ + 1 >= kMax)
            return false;
        buf_[len_++] = c;
        return true;
    }
    std::size_t size() const { return len_; }
    const char *data() const { return buf_; }
    char last() const { return len_ ? buf_[len_ - 1] : '\0'; }
    void CopyTo(char *out) const
    {
        std::memcpy(out, buf_, len_);
        out[len_] = '\0';
    }

private:
    char buf_[kMax];
    std::size_t len_ = 0;
};

// The splitters on a path already copied to a local buffer (p[n] is NUL,
// n < kMax). They clear what their public forms clear and return 1 or 0.
int SplitUncCopied(const char *p, std::size_t n, SPLITFPATH_tag *rec);
int SplitDrvCopied(const char *p, std::size_t n, SPLITFPATH_tag *rec);

}  // namespace pathmodel
}  // namespace brenvik

#endif  // BRENVIK_PATH_PATH_INTERNAL_H
