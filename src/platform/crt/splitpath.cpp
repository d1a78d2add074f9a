// The runtime's path splitter and joiner. Only the pieces' rules matter to
// the callers; the sizes and refusals follow the secure runtime forms.
#include <cerrno>
#include <cstring>
#include <initializer_list>

#include "platform/crt/crt.h"
#include "platform/crt/mbcs.h"

namespace brenvik {
namespace crt {

namespace {

struct Piece {
    const char *begin;
    std::size_t length;
    char *out;
    std::size_t size;
};

void EmptyAll(Piece *pieces, int n)
{
    for (int i = 0; i < n; ++i) {
        if (pieces[i].out && pieces[i].size > 0)
            pieces[i].out[0] = '\0';
    }
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

}  // namespace

int _splitpath_s(const char *path, char *drive, std::size_t driveSize, char *dir,
                 std::size_t dirSize, char *fname, std::size_t fnameSize, char *ext,
                 std::size_t extSize)
{
    Piece pieces[4] = {{nullptr, 0, drive, driveSize},
                       {nullptr, 0, dir, dirSize},
                       {nullptr, 0, fname, fnameSize},
                       {nullptr, 0, ext, extSize}};
    if (!path) {
        EmptyAll(pieces, 4);
        return EINVAL;
    }
    // A buffer without a size, or a size without a buffer, is a caller's
    // mistake, as in the secure runtime.
    for (const Piece &p : pieces) {
        if ((p.out == nullptr) != (p.size == 0)) {
            EmptyAll(pieces, 4);
            return EINVAL;
        }
    }

    const char *rest = path;
    if (path[0] != '\0' && path[1] == ':')
        rest = path + 2;
    pieces[0].begin = path;
    pieces[0].length = static_cast<std::size_t>(rest - path);

    // One pass, a double-byte character at a time, so that a trail byte is
    // never taken for a separator or a dot.
    const char *afterSeparator = nullptr;
    const char *lastDot = nullptr;
    const char *q = rest;
    while (*q) {
        std::size_t n = CharLength(q);
        if (n == 1) {
            if (IsSeparator(*q))
                afterSeparator = q + 1;
            else if (*q == '.')
                lastDot = q;
        }
        q += n;
    }
    const char *end = q;
    const char *name = afterSeparator ? afterSeparator : rest;
    pieces[1].begin = rest;
    pieces[1].length = static_cast<std::size_t>(name - rest);
    if (lastDot && lastDot >= name) {
        pieces[2] = {name, static_cast<std::size_t>(lastDot - name), fname, fnameSize};
        pieces[3] = {lastDot, static_cast<std::size_t>(end - lastDot), ext, extSize};
    } else {
        pieces[2] = {name, static_cast<std::size_t>(end - name), fname, fnameSize};
        pieces[3] = {end, 0, ext, extSize};
    }

    for (const Piece &p : pieces) {
        if (p.out && p.length >= p.size) {
            EmptyAll(pieces, 4);
            return ERANGE;
        }
    }
    for (const Piece &p : pieces) {
        if (p.out) {
            std::memmove(p.out, p.begin, p.length);
            p.out[p.length] = '\0';
        }
    }
    return 0;
}

void _splitpath(const char *path, char *drive, char *dir, char *fname, char *ext)
{
    if (!path || std::strlen(path) >= kMaxPath) {
        for (char *out : {drive, dir, fname, ext}) {
            if (out)
                out[0] = '\0';
        }
        return;
    }
    _splitpath_s(path, drive, drive ? kMaxDrive : 0, dir, dir ? kMaxDir : 0, fname,
                 fname ? kMaxFname : 0, ext, ext ? kMaxExt : 0);
}

int _makepath_s(char *path, std::size_t pathSize, const char *drive, const char *dir,
                const char *fname, const char *ext)
{
    if (!path || pathSize == 0)
        return EINVAL;
    std::size_t n = 0;
    bool fits = true;
    auto put = [&](const char *s, std::size_t length) {
        if (!fits || length >= pathSize - n) {
            fits = false;
            return;
        }
        std::memcpy(path + n, s, length);
        n += length;
    };
    // Only the letter of the drive is taken; the colon is always ours.
    if (drive && *drive) {
        const char letter[2] = {drive[0], ':'};
        put(letter, 2);
    }
    if (dir && *dir) {
        std::size_t length = std::strlen(dir);
        put(dir, length);
        const char *last = dir;
        for (const char *p = dir; *p; p += CharLength(p))
            last = p;
        if (CharLength(last) != 1 || !IsSeparator(*last))
            put("\\", 1);
    }
    if (fname && *fname)
        put(fname, std::strlen(fname));
    if (ext && *ext) {
        if (*ext != '.')
            put(".", 1);
        put(ext, std::strlen(ext));
    }
    if (!fits) {
        path[0] = '\0';
        return ERANGE;
    }
    path[n] = '\0';
    return 0;
}

}  // namespace crt
}  // namespace brenvik
