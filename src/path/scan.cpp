// Character searches of the path model. A double-byte character is one
// character: its second byte, which may equal '\\' in some code pages, is
// never taken for a separator.
#include "path/path_internal.h"

#include <cstdint>
#include <cstring>

namespace brenvik {
namespace pathmodel {

namespace {

struct CharTable {
    unsigned char bits[256] = {};
    constexpr CharTable()
    {
        for (const char *c = "/*?\"<>|"; *c != '\0'; ++c)
            bits[static_cast<unsigned char>(*c)] = kFileNameSet | kPathSet;
        bits[static_cast<unsigned char>('\\')] = kFileNameSet;
        bits[static_cast<unsigned char>(':')] = kFileNameSet;
    }
};
constexpr CharTable kTable;

// Paths are mostly ASCII, where every byte is a character and the runtime's
// byte searches serve. Eight bytes at a time, never past s[n - 1].
bool AllAscii(const char *s, std::size_t n)
{
    std::uint64_t bits = 0;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s + i, 8);
        bits |= word;
    }
    for (; i < n; ++i)
        bits |= static_cast<unsigned char>(s[i]);
    return (bits & 0x8080808080808080ull) == 0;
}

}  // namespace

std::size_t FindFirst(const char *s, std::size_t n, char c, std::size_t from)
{
    if (AllAscii(s, n)) {
        if (from >= n)
            return npos;
        const void *hit = std::memchr(s + from, c, n - from);
        return hit ? static_cast<std::size_t>(static_cast<const char *>(hit) - s) : npos;
    }
    for (std::size_t i = 0; i < n;) {
        if (static_cast<unsigned char>(s[i]) >= 0x80) {
            i += CharWidth(s, i, n);
            continue;
        }
        if (s[i] == c && i >= from)
            return i;
        ++i;
    }
    return npos;
}

std::size_t FindLast(const char *s, std::size_t n, char c)
{
    if (AllAscii(s, n)) {
        for (std::size_t i = n; i > 0; --i)
            if (s[i - 1] == c)
                return i - 1;
        return npos;
    }
    std::size_t found = npos;
    for (std::size_t i = 0; i < n;) {
        if (static_cast<unsigned char>(s[i]) >= 0x80) {
            i += CharWidth(s, i, n);
            continue;
        }
        if (s[i] == c)
            found = i;
        ++i;
    }
    return found;
}

bool ContainsPair(const char *s, std::size_t n, char c)
{
    if (AllAscii(s, n)) {
        const char *end = s + n;
        for (const char *p = s; p < end;) {
            const char *hit = static_cast<const char *>(std::memchr(p, c, end - p));
            if (hit == nullptr || hit + 1 >= end)
                return false;
            if (hit[1] == c)
                return true;
            p = hit + 1;
        }
        return false;
    }
    bool previous = false;
    for (std::size_t i = 0; i < n;) {
        if (static_cast<unsigned char>(s[i]) >= 0x80) {
            i += CharWidth(s, i, n);
            previous = false;
            continue;
        }
        const bool hit = s[i] == c;
        if (hit && previous)
            return true;
        previous = hit;
        ++i;
    }
    return false;
}

bool EndsWithChar(const char *s, std::size_t n, char c)
{
    if (n == 0 || s[n - 1] != c)
        return false;
    if (AllAscii(s, n))
        return true;
    std::size_t lastStart = npos;
    for (std::size_t i = 0; i < n; i += CharWidth(s, i, n))
        lastStart = i;
    return lastStart == n - 1;
}

bool HasCharOf(const char *s, std::size_t n, CharSet set)
{
    for (std::size_t i = 0; i < n;) {
        const unsigned char u = static_cast<unsigned char>(s[i]);
        if (u >= 0x80) {
            i += CharWidth(s, i, n);
            continue;
        }
        if (kTable.bits[u] & set)
            return true;
        ++i;
    }
    return false;
}

bool LevelsValid(const char *s, std::size_t n)
{
    // Levels are cut at backslashes; each must be a non-empty name without a
    // character of the file-name set. An empty level before a backslash (a
    // leading one, or two in a row) fails; a trailing backslash leaves an
    // empty remainder, which passes.
    std::size_t levelLength = 0;
    for (std::size_t i = 0; i < n;) {
        const unsigned char u = static_cast<unsigned char>(s[i]);
        if (u >= 0x80) {
            const std::size_t w = CharWidth(s, i, n);
            i += w;
            levelLength += w;
            continue;
        }
        if (u == '\\') {
            if (levelLength == 0)
                return false;
            levelLength = 0;
        } else if (kTable.bits[u] & kFileNameSet) {
            return false;
        } else {
            ++levelLength;
        }
        ++i;
    }
    return n > 0;
}

}  // namespace pathmodel
}  // namespace brenvik
