// Comparisons and searches of the runtime, double-byte aware. A null
// argument is refused as the runtime refuses it: comparisons give
// kNlsCmpError, searches give null.
#include "platform/crt/crt.h"
#include "platform/crt/mbcs.h"

namespace brenvik {
namespace crt {

namespace {

unsigned Lower(unsigned c)
{
    return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
}

// The character at *p as one number (lead byte high for a double-byte
// character), the position moved past it.
unsigned NextUnit(const unsigned char **p, bool foldCase)
{
    const unsigned char *s = *p;
    if (IsLeadByte(s[0]) && s[1] != 0) {
        *p = s + 2;
        return (static_cast<unsigned>(s[0]) << 8) | s[1];
    }
    *p = s + (s[0] != 0);
    return foldCase ? Lower(s[0]) : s[0];
}

int CompareUnits(const unsigned char *a, const unsigned char *b, bool foldCase)
{
    while (true) {
        unsigned ca = NextUnit(&a, foldCase);
        unsigned cb = NextUnit(&b, foldCase);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

}  // namespace

int _mbscmp(const unsigned char *a, const unsigned char *b)
{
    if (!a || !b)
        return kNlsCmpError;
    return CompareUnits(a, b, false);
}

int _mbsicmp(const unsigned char *a, const unsigned char *b)
{
    if (!a || !b)
        return kNlsCmpError;
    return CompareUnits(a, b, true);
}

// The C locale's forms: bytes, ASCII letters folded to lower case.
int _stricmp(const char *a, const char *b)
{
    return _strnicmp(a, b, static_cast<std::size_t>(-1));
}

int _strnicmp(const char *a, const char *b, std::size_t count)
{
    if (!a || !b)
        return kNlsCmpError;
    for (std::size_t i = 0; i < count; ++i) {
        unsigned ca = Lower(static_cast<unsigned char>(a[i]));
        unsigned cb = Lower(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            break;
    }
    return 0;
}

// c == 0 finds the terminating NUL, as strchr does.
const char *MbsChr(const char *s, unsigned char c)
{
    if (!s)
        return nullptr;
    for (std::size_t n; *s; s += n) {
        n = CharLength(s);
        if (n == 1 && static_cast<unsigned char>(*s) == c)
            return s;
    }
    return c == 0 ? s : nullptr;
}

const char *MbsRChr(const char *s, unsigned char c)
{
    if (!s)
        return nullptr;
    const char *found = nullptr;
    for (std::size_t n; *s; s += n) {
        n = CharLength(s);
        if (n == 1 && static_cast<unsigned char>(*s) == c)
            found = s;
    }
    return c == 0 ? s : found;
}

}  // namespace crt
}  // namespace brenvik
