#include "platform/posix/wildcard.h"

#include <cstring>

namespace brenvik {
namespace platform {
namespace posix {

namespace {

enum Token : unsigned char {
    kLiteral,
    kStar,     // any run of characters
    kDosStar,  // any run of characters up to the name's last dot
    kDosQm,    // one character other than a dot; none before a dot or at the end
    kDosDot,   // a dot, or nothing at the end of the name
};

struct Element {
    Token token;
    char c;
};

constexpr std::size_t kMaxPattern = 260;

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The translation Windows makes before the file system sees the pattern.
std::size_t Translate(const char *pattern, Element *out)
{
    if (std::strcmp(pattern, "*.*") == 0) {
        out[0] = {kStar, 0};
        return 1;
    }
    std::size_t n = 0;
    for (const char *p = pattern; *p && n < kMaxPattern; ++p) {
        if (*p == '?')
            out[n++] = {kDosQm, 0};
        else if (*p == '*')
            out[n++] = {p[1] == '.' ? kDosStar : kStar, 0};
        else if (*p == '.' && (p[1] == '?' || p[1] == '*' || p[1] == '\0'))
            out[n++] = {kDosDot, 0};
        else
            out[n++] = {kLiteral, *p};
    }
    return n;
}

// Adds the pattern positions reachable without consuming a character, at a
// point of the name where the next character is c ('\0' at the end).
void Close(const Element *pat, std::size_t m, bool *set, char c)
{
    for (std::size_t pos = 0; pos < m; ++pos) {
        if (!set[pos])
            continue;
        switch (pat[pos].token) {
        case kStar:
        case kDosStar:
            set[pos + 1] = true;
            break;
        case kDosQm:
            if (c == '\0' || c == '.')
                set[pos + 1] = true;
            break;
        case kDosDot:
            if (c == '\0')
                set[pos + 1] = true;
            break;
        case kLiteral:
            break;
        }
    }
}

}  // namespace

bool MatchesPattern(const char *pattern, const char *name)
{
    Element pat[kMaxPattern] = {};
    const std::size_t m = Translate(pattern, pat);
    const char *lastDot = std::strrchr(name, '.');

    bool current[kMaxPattern + 1] = {};
    bool next[kMaxPattern + 1];
    current[0] = true;
    for (const char *p = name; *p; ++p) {
        Close(pat, m, current, *p);
        std::memset(next, 0, sizeof next);
        bool any = false;
        for (std::size_t pos = 0; pos < m; ++pos) {
            if (!current[pos])
                continue;
            const Element &e = pat[pos];
            bool stay = false, advance = false;
            switch (e.token) {
            case kLiteral:
                advance = Lower(e.c) == Lower(*p);
                break;
            case kStar:
                stay = true;
                break;
            case kDosStar:
                stay = p != lastDot;
                break;
            case kDosQm:
                advance = *p != '.';
                break;
            case kDosDot:
                advance = *p == '.';
                break;
            }
            if (stay)
                next[pos] = true;
            if (advance)
                next[pos + 1] = true;
            any = any || stay || advance;
        }
        if (!any)
            return false;
        std::memcpy(current, next, sizeof current);
    }
    Close(pat, m, current, '\0');
    return current[m];
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik
