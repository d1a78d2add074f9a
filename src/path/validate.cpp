// Name and path validation: file names, relative directory levels, absolute
// drive and UNC paths, and the checked cut and join of full file paths.
#include <brenvik/brenvik.h>

#include <cstring>

#include "frame/trace.h"
#include "path/path_internal.h"

using namespace brenvik::pathmodel;

int CDriveEx::IsFilenameValid(const char *strFilename)
{
    if (IsEmpty(strFilename))
        return 0;
    // Nothing is stored, so a name of any length is only searched.
    return HasCharOf(strFilename, std::strlen(strFilename), kFileNameSet) ? 0 : 1;
}

int CDriveEx::IsFilenameValid_ignore_bs_colon(const char *strFilename)
{
    if (IsEmpty(strFilename))
        return 0;
    return HasCharOf(strFilename, std::strlen(strFilename), kPathSet) ? 0 : 1;
}

int CDriveEx::ValidateMultiDirLevel_p(const char *strDirPath, int bResultIfEmpty)
{
    if (IsEmpty(strDirPath)) {
        DBG_TRACE("CDriveEx::ValidateMultiDirLevel_p BAD NULL ...strDirPath \n");
        return bResultIfEmpty;
    }
    return LevelsValid(strDirPath, std::strlen(strDirPath)) ? 1 : 0;
}

int CDriveEx::Is_FilePath_DirPath_Valid(const char *strPath)
{
    if (IsEmpty(strPath))
        return 0;
    const std::size_t len = BoundedLen(strPath);
    if (len < 3 || len >= kMax)
        return 0;
    // Bytes, not characters: the form is judged on the raw text.
    for (std::size_t i = 0; i < len; ++i) {
        switch (strPath[i]) {
        case '/': case '*': case '?': case '"': case '<': case '>': case '|':
            return 0;
        default:
            break;
        }
    }
    if (strPath[0] == '\\') {
        if (len < 5 || std::memchr(strPath, ':', len) != nullptr || strPath[1] != '\\')
            return 0;
        const void *slash = std::memchr(strPath + 2, '\\', len - 2);
        if (slash == nullptr || slash == strPath + 2)
            return 0;
        return 1;
    }
    if (std::memchr(strPath + 2, ':', len - 2) != nullptr)
        return 0;
    if (!IsAsciiLetter(strPath[0]) || strPath[1] != ':' || strPath[2] != '\\')
        return 0;
    return strPath[3] == '\\' ? 0 : 1;
}

int CDriveEx::ChkFullPath_s(const char *strFullPath, int bUNC, int bDrvPath, int bFloppy,
                            char *pDir_MAXPATH, char *pFilename_MAXPATH, char *pExt_MAXPATH,
                            int *pErrCode)
{
    if (IsEmpty(strFullPath) || pDir_MAXPATH == nullptr || pFilename_MAXPATH == nullptr ||
        pExt_MAXPATH == nullptr)
        return 0;
    // A path that could not be a path is refused like a missing one, before
    // the buffers are cleared and without a code.
    const std::size_t n = BoundedLen(strFullPath);
    if (n >= kMax)
        return 0;
    char p[kMax];
    CopyIn(p, strFullPath, n);  // a buffer may be the path itself

    pDir_MAXPATH[0] = '\0';
    pFilename_MAXPATH[0] = '\0';
    auto fail = [&](int code) {
        if (pErrCode != nullptr)
            *pErrCode = code;
        pDir_MAXPATH[0] = '\0';
        pFilename_MAXPATH[0] = '\0';
        return 0;
    };

    if (HasCharOf(p, n, kPathSet))
        return fail(2);
    // Colons may stand only in the first two positions.
    const std::size_t firstColon = FindFirst(p, n, ':');
    if (firstColon != npos && firstColon > 1)
        return fail(3);
    const std::size_t lastColon = FindLast(p, n, ':');
    if (lastColon != npos && lastColon > 1)
        return fail(3);
    if (n < 4)
        return fail(3);
    if (p[0] == '\\') {
        if (!bUNC)
            return fail(4);
        if (p[1] != '\\' || p[2] == '\\' || FindFirst(p, n, '\\', 3) == npos)
            return fail(3);
    } else {
        if (!bDrvPath)
            return fail(5);
        const char letter = AsciiLower(p[0]);
        if (letter < 'a' || letter > 'z')
            return fail(3);
        if ((letter == 'a' || letter == 'b') && !bFloppy)
            return fail(3);
        if (p[1] != ':' || p[2] != '\\')
            return fail(3);
    }
    const std::size_t cut = FindLast(p, n, '\\');
    if (cut == npos || cut + 1 == n)
        return fail(3);

    Store(pDir_MAXPATH, p, cut);
    const char *name = p + cut + 1;
    const std::size_t nameLen = n - cut - 1;
    Store(pFilename_MAXPATH, name, nameLen);
    const std::size_t dot = FindLast(name, nameLen, '.');
    if (dot != npos) {
        // Lower-cased character by character, so that the second byte of a
        // double-byte character keeps its value.
        const std::size_t extLen = nameLen - dot - 1;
        for (std::size_t i = 0; i < extLen;) {
            const std::size_t w = CharWidth(name + dot + 1, i, extLen);
            if (w == 1) {
                pExt_MAXPATH[i] = AsciiLower(name[dot + 1 + i]);
            } else {
                pExt_MAXPATH[i] = name[dot + 1 + i];
                pExt_MAXPATH[i + 1] = name[dot + 2 + i];
            }
            i += w;
        }
        pExt_MAXPATH[extLen] = '\0';
    }
    if (pErrCode != nullptr)
        *pErrCode = 0;
    return 1;
}

int CDriveEx::MkFullPath_s(const char *strDir, const char *strFilename, char *pResult_MAXPATH,
                           int bUNC, int bDrvPath, int bFloppy)
{
    if (IsEmpty(strDir) || IsEmpty(strFilename) || pResult_MAXPATH == nullptr)
        return 0;
    // Inputs, or a joined path, too long for a path buffer are refused like
    // missing ones: before anything is written.
    const std::size_t nd = BoundedLen(strDir);
    const std::size_t nf = BoundedLen(strFilename);
    if (nd >= kMax || nf >= kMax)
        return 0;
    char dir[kMax];
    char name[kMax];
    CopyIn(dir, strDir, nd);
    CopyIn(name, strFilename, nf);
    const bool hasSeparator = EndsWithChar(dir, nd, '\\');
    if (nd + (hasSeparator ? 0 : 1) + nf >= kMax)
        return 0;

    auto fail = [&] {
        pResult_MAXPATH[0] = '\0';
        return 0;
    };
    if (HasCharOf(name, nf, kFileNameSet))
        return fail();
    if (nd < 3)
        return fail();
    if (dir[0] == '\\') {
        if (!bUNC || dir[1] != '\\' || dir[2] == '\\' || FindFirst(dir, nd, '\\', 3) == npos)
            return fail();
    } else {
        const char letter = AsciiLower(dir[0]);
        if (!bDrvPath || letter < 'a' || letter > 'z')
            return fail();
        if ((letter == 'a' || letter == 'b') && !bFloppy)
            return fail();
        if (dir[1] != ':' || dir[2] != '\\')
            return fail();
    }
    const std::size_t dot = FindFirst(name, nf, '.');
    if (dot != npos) {
        if (FindFirst(name, nf, '.', dot + 1) != npos)
            return fail();
        const char *ext = name + dot + 1;
        if (nf - dot - 1 != 3 || AsciiLower(ext[0]) != 'v' || AsciiLower(ext[1]) != 'c' ||
            AsciiLower(ext[2]) != 'd')
            return fail();
    }

    PathBuilder out;
    out.Append(dir, nd);
    if (!hasSeparator)
        out.Append('\\');
    out.Append(name, nf);
    out.CopyTo(pResult_MAXPATH);
    return 1;
}
