// Composing drive and UNC paths from their pieces.
//
// The path is built in a local buffer and copied out only on success, so the
// output buffer may be one of the pieces (or a field of the record read).
// A piece of 260 characters or more, or a path that would not leave room
// for its NUL in the 260-byte output, is refused with 0 like a malformed
// piece: silently, and with the output untouched. Pieces are measured with a
// capped scan, so a record field without a NUL is never read past its end.
#include <brenvik/brenvik.h>

#include "frame/trace.h"
#include "path/path_internal.h"

using namespace brenvik::pathmodel;

namespace {

struct Piece {
    const char *s;
    std::size_t n;
};

bool Measure(const char *s, Piece &piece)
{
    piece.s = s;
    piece.n = BoundedLen(s);
    return piece.n < kMax;
}

// Directory, a separator unless it has one, title, and the extension with
// a dot between unless one side already brings it.
bool AppendTail(PathBuilder &b, const Piece &dir, const Piece &title, const Piece &ext)
{
    if (!b.Append(dir.s, dir.n))
        return false;
    if (!EndsWithChar(dir.s, dir.n, '\\') && !b.Append('\\'))
        return false;
    if (!b.Append(title.s, title.n))
        return false;
    if (b.last() != '.' && ext.s[0] != '.' && !b.Append('.'))
        return false;
    return b.Append(ext.s, ext.n);
}

bool DrvPieceValid(const Piece &p)
{
    return LevelsValid(p.s, p.n) && !ContainsPair(p.s, p.n, '.');
}

}  // namespace

int CDriveEx::ComposeUNC(char *pResult_MAXPATH, const char *strComputer_name,
                         const char *strShare_name, const char *strDir,
                         const char *strFileTitle, const char *strFileExt)
{
    if (pResult_MAXPATH == nullptr)
        return 0;
    if (IsEmpty(strComputer_name) || IsEmpty(strShare_name) || IsEmpty(strDir) ||
        IsEmpty(strFileTitle) || IsEmpty(strFileExt))
        return 0;
    Piece computer, share, dir, title, ext;
    if (!Measure(strComputer_name, computer) || !Measure(strShare_name, share) ||
        !Measure(strDir, dir) || !Measure(strFileTitle, title) || !Measure(strFileExt, ext))
        return 0;
    if (FindFirst(computer.s, computer.n, '\\') != npos ||
        FindFirst(share.s, share.n, '\\') != npos)
        return 0;
    if (!LevelsValid(dir.s, dir.n) || !LevelsValid(title.s, title.n) ||
        !LevelsValid(ext.s, ext.n))
        return 0;
    PathBuilder b;
    if (!b.Append("\\\\", 2) || !b.Append(computer.s, computer.n) || !b.Append('\\') ||
        !b.Append(share.s, share.n) || !b.Append('\\') || !AppendTail(b, dir, title, ext))
        return 0;
    b.CopyTo(pResult_MAXPATH);
    return 1;
}

int CDriveEx::ComposeUNC(char *pResult_MAXPATH, const SPLITFPATH_tag *pSplitFPath)
{
    if (pResult_MAXPATH == nullptr)
        return 0;
    if (pSplitFPath == nullptr) {
        DBG_TRACE("CDriveEx::ComposeUNC BAD NULL ...pSplitFPath \n");
        return 0;
    }
    const SPLITUNC_tag &u = pSplitFPath->unc;
    if (u.strOrgPath[0] == '\0') {
        DBG_TRACE("CDriveEx::ComposeUNC BAD NULL ...strOrgPath \n");
        return 0;
    }
    if (u.strComputer_name[0] == '\0') {
        DBG_TRACE("CDriveEx::ComposeUNC BAD NULL ...strComputer_name \n");
        return 0;
    }
    if (u.strShare_name[0] == '\0') {
        DBG_TRACE("CDriveEx::ComposeUNC BAD NULL ...strShare_name \n");
        return 0;
    }
    if (u.strDir[0] == '\0') {
        DBG_TRACE("CDriveEx::ComposeUNC BAD NULL ...strDir \n");
        return 0;
    }
    if (u.strFileTitle[0] == '\0') {
        DBG_TRACE("CDriveEx::ComposeUNC BAD NULL ...strFileTitle \n");
        return 0;
    }
    if (u.strFileExt[0] == '\0') {
        DBG_TRACE("CDriveEx::ComposeUNC BAD NULL ...strFileExt \n");
        return 0;
    }
    return ComposeUNC(pResult_MAXPATH, u.strComputer_name, u.strShare_name, u.strDir,
                      u.strFileTitle, u.strFileExt);
}

int CDriveEx::ComposeDrvPath(char *pResult_MAXPATH, const char *strDrv, const char *strDir,
                             const char *strFileTitle, const char *strFileExt)
{
    if (pResult_MAXPATH == nullptr)
        return 0;
    if (IsEmpty(strDrv)) {
        DBG_TRACE("CDriveEx::ComposeDrvPath BAD NULL ...strDrv \n");
        return 0;
    }
    if (IsEmpty(strDir)) {
        DBG_TRACE("CDriveEx::ComposeDrvPath BAD NULL ...strDir \n");
        return 0;
    }
    if (IsEmpty(strFileTitle)) {
        DBG_TRACE("CDriveEx::ComposeDrvPath BAD NULL ...strFileTitle \n");
        return 0;
    }
    if (IsEmpty(strFileExt)) {
        DBG_TRACE("CDriveEx::ComposeDrvPath BAD NULL ...strFileExt \n");
        return 0;
    }
    // Only the letter and the colon of the prefix are used; the rest of it
    // is neither read nor bounded.
    if (strDrv[1] == '\0' || !IsAsciiLetter(strDrv[0]) || strDrv[1] != ':')
        return 0;
    Piece dir, title, ext;
    if (!Measure(strDir, dir) || !Measure(strFileTitle, title) || !Measure(strFileExt, ext))
        return 0;
    if (!DrvPieceValid(dir) || !DrvPieceValid(title) || !DrvPieceValid(ext))
        return 0;
    PathBuilder b;
    b.Append(strDrv, 2);
    b.Append('\\');
    if (!AppendTail(b, dir, title, ext))
        return 0;
    b.CopyTo(pResult_MAXPATH);
    return 1;
}

int CDriveEx::ComposeDrvPath(char *pResult_MAXPATH, const SPLITFPATH_tag *pSplitFPath)
{
    if (pResult_MAXPATH == nullptr)
        return 0;
    if (pSplitFPath == nullptr) {
        DBG_TRACE("CDriveEx::ComposeDrvPath BAD NULL ...pSplitFPath \n");
        return 0;
    }
    const SPLITDRV_tag &d = pSplitFPath->drv;
    if (d.strOrgPath[0] == '\0') {
        DBG_TRACE("CDriveEx::ComposeDrvPath BAD NULL ...strOrgPath \n");
        return 0;
    }
    // The pieces form traces the empty pieces, in the same order.
    return ComposeDrvPath(pResult_MAXPATH, d.strDrv, d.strDir, d.strFileTitle, d.strFileExt);
}
