// Splitting drive and UNC paths into the split-path record.
//
// Every splitter copies the path first: it may be a field of the very record
// being filled. A path of 260 characters or more cannot be stored in the
// record and is refused with 0 at the start, before any field is cleared.
// Fields are emptied by their first byte; nothing else of them is read.
#include <brenvik/brenvik.h>

#include <cstring>

#include "frame/trace.h"
#include "path/path_internal.h"

using namespace brenvik::pathmodel;

namespace brenvik {
namespace pathmodel {

namespace {

// Computer, share, directory and file name of a UNC path after its two
// leading backslashes; 1 on success. Pieces are stored as they are found,
// so a failure leaves those of the earlier steps in place.
int SplitUncPieces(const char *r, std::size_t rn, SPLITUNC_tag &u)
{
    std::size_t i = FindFirst(r, rn, '\\');
    if (i == 0)
        return 0;
    if (i == npos) {
        Store(u.strComputer_name, r, rn);
        return 1;
    }
    Store(u.strComputer_name, r, i);
    r += i + 1;
    rn -= i + 1;
    if (rn == 0)
        return 0;

    i = FindFirst(r, rn, '\\');
    if (i == 0)
        return 0;
    if (i == npos) {
        Store(u.strShare_name, r, rn);
        return 1;
    }
    Store(u.strShare_name, r, i);
    r += i + 1;
    rn -= i + 1;
    if (rn == 0)
        return 1;

    i = FindLast(r, rn, '\\');
    if (i == 0)
        return 0;
    if (i != npos) {
        Store(u.strDir, r, i);
        if (!LevelsValid(r, i))
            return 0;
        r += i + 1;
        rn -= i + 1;
        if (rn == 0)
            return 1;
    }

    if (!NameValid(r, rn))
        return 0;
    const std::size_t dot = FindLast(r, rn, '.');
    if (dot == 0)
        return 0;
    if (dot == npos) {
        Store(u.strFilename, r, rn);
        Store(u.strFileTitle, r, rn);
        return 1;
    }
    Store(u.strFileTitle, r, dot);
    Store(u.strFileExt, r + dot, rn - dot);
    // A name that ends in its dot is kept without that dot.
    Store(u.strFilename, r, dot + 1 == rn ? rn - 1 : rn);
    return 1;
}

// Directory and file name of a drive path after its three-character
// prefix; 1 on success.
int SplitDrvPieces(const char *r, std::size_t rn, SPLITDRV_tag &d)
{
    if (rn == 0)
        return 1;
    const std::size_t i = FindLast(r, rn, '\\');
    if (i == 0)  // cannot happen once doubled backslashes are refused
        return 0;
    if (i != npos) {
        Store(d.strDir, r, i);
        if (!LevelsValid(r, i))
            return 0;
        r += i + 1;
        rn -= i + 1;
        if (rn == 0)
            return 1;
    }
    if (r[0] == '.')
        return rn == 1 ? 1 : 0;  // "." alone names nothing; ".cfg" is refused
    const std::size_t dot = FindLast(r, rn, '.');
    Store(d.strFilename, r, rn);
    if (dot == npos) {
        Store(d.strFileTitle, r, rn);
        return 1;
    }
    Store(d.strFileTitle, r, dot);
    Store(d.strFileExt, r + dot, rn - dot);
    return 1;
}

}  // namespace

int SplitUncCopied(const char *p, std::size_t n, SPLITFPATH_tag *rec)
{
    SPLITUNC_tag &u = rec->unc;
    u.strOrgPath[0] = '\0';
    u.strComputer_name[0] = '\0';
    u.strShare_name[0] = '\0';
    u.strDir[0] = '\0';
    u.strFilename[0] = '\0';
    u.strFileTitle[0] = '\0';
    u.strFileExt[0] = '\0';
    rec->drv.strOrgPath[0] = '\0';
    if (n < 3 || p[0] != '\\' || p[1] != '\\')
        return 0;
    const int ok = SplitUncPieces(p + 2, n - 2, u);
    // The whole path is kept on failure too, to tell which group was tried.
    Store(u.strOrgPath, p, n);
    return ok;
}

int SplitDrvCopied(const char *p, std::size_t n, SPLITFPATH_tag *rec)
{
    SPLITDRV_tag &d = rec->drv;
    rec->unc.strOrgPath[0] = '\0';
    d.strOrgPath[0] = '\0';
    d.strDrv[0] = '\0';
    d.strDir[0] = '\0';
    d.strFilename[0] = '\0';
    d.strFileTitle[0] = '\0';
    d.strFileExt[0] = '\0';
    if (n < 3 || !IsAsciiLetter(p[0]) || p[1] != ':' || p[2] != '\\' ||
        ContainsPair(p, n, '\\'))
        return 0;
    if (ContainsPair(p, n, '.'))
        return 0;
    Store(d.strDrv, p, 3);
    if (!SplitDrvPieces(p + 3, n - 3, d))
        return 0;  // strOrgPath stays empty
    Store(d.strOrgPath, p, n);
    return 1;
}

}  // namespace pathmodel
}  // namespace brenvik

int CDriveEx::SplitUNC_p(const char *strOrgPath, SPLITFPATH_tag *pSplitFPath)
{
    if (IsEmpty(strOrgPath))
        return 0;
    if (pSplitFPath == nullptr) {
        DBG_TRACE("CDriveEx::SplitUNC_p BAD NULL ...pSplitFPath \n");
        return 0;
    }
    const std::size_t n = BoundedLen(strOrgPath);
    if (n >= kMax)
        return 0;
    char p[kMax];
    CopyIn(p, strOrgPath, n);
    return SplitUncCopied(p, n, pSplitFPath);
}

int CDriveEx::SplitDrvpath_p(const char *strOrgPath, SPLITFPATH_tag *pSplitFPath)
{
    if (IsEmpty(strOrgPath) || pSplitFPath == nullptr)
        return 0;
    const std::size_t n = BoundedLen(strOrgPath);
    if (n >= kMax)
        return 0;
    char p[kMax];
    CopyIn(p, strOrgPath, n);
    return SplitDrvCopied(p, n, pSplitFPath);
}

int CDriveEx::MySplitPath(const char *strOrgPath, SPLITFPATH_tag *pSplitFPath, int *pIsUNC)
{
    if (IsEmpty(strOrgPath) || pSplitFPath == nullptr)
        return 0;
    // Too long to store: refused before the form is reported.
    const std::size_t n = BoundedLen(strOrgPath);
    if (n >= kMax)
        return 0;
    char p[kMax];
    CopyIn(p, strOrgPath, n);
    pSplitFPath->unc.strOrgPath[0] = '\0';
    pSplitFPath->drv.strOrgPath[0] = '\0';
    if (n >= 2 && p[0] == '\\' && p[1] == '\\') {
        if (pIsUNC != nullptr)
            *pIsUNC = 1;
        return SplitUncCopied(p, n, pSplitFPath);
    }
    if (pIsUNC != nullptr)
        *pIsUNC = 0;
    return SplitDrvCopied(p, n, pSplitFPath);
}

int CDriveEx::GetTitleExt(const char *strOrgPath, char *pFilename_MAXPATH, char *pTitle_MAXPATH,
                          char *pExt_MAXPATH)
{
    if (IsEmpty(strOrgPath) || pFilename_MAXPATH == nullptr || pTitle_MAXPATH == nullptr ||
        pExt_MAXPATH == nullptr)
        return 0;
    SPLITFPATH_tag rec;
    int isUnc = 0;
    if (!MySplitPath(strOrgPath, &rec, &isUnc))
        return 0;
    const char *filename = isUnc ? rec.unc.strFilename : rec.drv.strFilename;
    const char *title = isUnc ? rec.unc.strFileTitle : rec.drv.strFileTitle;
    const char *ext = isUnc ? rec.unc.strFileExt : rec.drv.strFileExt;
    Store(pFilename_MAXPATH, filename, std::strlen(filename));
    Store(pTitle_MAXPATH, title, std::strlen(title));
    Store(pExt_MAXPATH, ext, std::strlen(ext));
    return 1;
}

int CDriveEx::Get_RootDirOfFilePath(const char *strOrgPath, char *pRootDir_MAXPATH, int *pIsUNC)
{
    if (IsEmpty(strOrgPath) || pRootDir_MAXPATH == nullptr)
        return 0;
    SPLITFPATH_tag rec;
    int isUnc = 0;
    if (!MySplitPath(strOrgPath, &rec, &isUnc))
        return 0;
    PathBuilder root;
    if (isUnc) {
        // \\computer alone has no share: its root is \\computer\ (the
        // share's place left empty rather than doubling the backslash).
        const std::size_t nc = std::strlen(rec.unc.strComputer_name);
        const std::size_t ns = std::strlen(rec.unc.strShare_name);
        bool fits = root.Append("\\\\", 2) && root.Append(rec.unc.strComputer_name, nc) &&
                    root.Append('\\');
        if (fits && ns != 0)
            fits = root.Append(rec.unc.strShare_name, ns) && root.Append('\\');
        // \\computer\share of 259 characters has a 260-character root.
        if (!fits)
            return 0;
    } else {
        root.Append(rec.drv.strDrv, std::strlen(rec.drv.strDrv));
    }
    root.CopyTo(pRootDir_MAXPATH);
    if (pIsUNC != nullptr)
        *pIsUNC = isUnc;
    return 1;
}
