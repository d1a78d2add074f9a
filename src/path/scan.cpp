// Character searches of the path model. A double-byte character is one
// character: its second byte, which may equal '\\' in some code pages, is
// never taken for a separator.
#include "path/path_internal.h"

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

}  // namespace

std::size_t FindFirst(const char *s, std::size_t n, char c, std::size_t from)
{
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
