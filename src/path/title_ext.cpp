// Deriving paths by changing a file's title or extension, and the
// directory that holds a file.
//
// ChgPathExt and AddPrefix2FileTitle split strictly and compose again, so
// they inherit the bounds of the splitter and the composers. ChgExtname and
// GetDirOf cut with the runtime's splitter on a local copy and refuse a
// path or a result of 260 characters or more before writing anything.
#include <brenvik/brenvik.h>

#include <cstring>

#include "frame/trace.h"
#include "path/path_internal.h"
#include "platform/crt/crt.h"

using namespace brenvik::pathmodel;
namespace crt = brenvik::crt;

namespace {

// CString::TrimLeft / TrimRight white space.
bool IsTrimSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int CDriveEx::GetFileExt(const char *strPath, char *pExt_MAXPATH)
{
    if (IsEmpty(strPath) || pExt_MAXPATH == nullptr)
        return 0;
    const std::size_t n = BoundedLen(strPath);
    if (n >= kMax)
        return 0;
    // The last dot of the whole path, not only of its file name.
    const std::size_t dot = FindLast(strPath, n, '.');
    if (dot == npos)
        return 1;
    Store(pExt_MAXPATH, strPath + dot + 1, n - dot - 1);
    return 1;
}

int CDriveEx::ChgPathExt(const char *strOrgPath, const char *strNewExt, char *pResult_MAXPATH)
{
    if (IsEmpty(strOrgPath)) {
        DBG_TRACE("CDriveEx::ChgPathExt BAD NULL ...strOrgPath \n");
        return 0;
    }
    if (IsEmpty(strNewExt)) {
        DBG_TRACE("CDriveEx::ChgPathExt BAD NULL ...strNewExt \n");
        return 0;
    }
    if (pResult_MAXPATH == nullptr) {
        DBG_TRACE("CDriveEx::ChgPathExt BAD NULL ...pResult_MAXPATH \n");
        return 0;
    }
    SPLITFPATH_tag rec;
    int isUnc = 0;
    if (!MySplitPath(strOrgPath, &rec, &isUnc))
        return 0;
    if (isUnc) {
        const SPLITUNC_tag &u = rec.unc;
        if (u.strFilename[0] == '\0') {
            DBG_TRACE("CDriveEx::ChgPathExt BAD NULL ...strFilename \n");
            return 0;
        }
        return ComposeUNC(pResult_MAXPATH, u.strComputer_name, u.strShare_name, u.strDir,
                          u.strFileTitle, strNewExt);
    }
    const SPLITDRV_tag &d = rec.drv;
    if (d.strFilename[0] == '\0') {
        DBG_TRACE("CDriveEx::ChgPathExt BAD NULL ...strFilename \n");
        return 0;
    }
    return ComposeDrvPath(pResult_MAXPATH, d.strDrv, d.strDir, d.strFileTitle, strNewExt);
}

int CDriveEx::AddPrefix2FileTitle(const char *strOrgPath, const char *strPrefix,
                                  const char *strPostfix, char *pResult_MAXPATH)
{
    if (IsEmpty(strOrgPath)) {
        DBG_TRACE("CDriveEx::AddPrefix2FileTitle BAD NULL ...strOrgPath \n");
        return 0;
    }
    if (IsEmpty(strPrefix)) {
        DBG_TRACE("CDriveEx::AddPrefix2FileTitle BAD NULL ...strPrefix \n");
        return 0;
    }
    if (IsEmpty(strPostfix)) {
        DBG_TRACE("CDriveEx::AddPrefix2FileTitle BAD NULL ...strPostfix \n");
        return 0;
    }

    // The prefix loses its leading and the postfix its trailing white space.
    // Both are read up to their NULs at most, and a trimmed piece that
    // could not fit a path is refused below.
    const char *prefix = strPrefix;
    while (IsTrimSpace(*prefix))
        ++prefix;
    const std::size_t prefixLen = BoundedLen(prefix);
    std::size_t postfixLen = 0;  // up to and including the last non-blank
    for (std::size_t i = 0; strPostfix[i] != '\0'; ++i) {
        if (!IsTrimSpace(strPostfix[i])) {
            postfixLen = i + 1;
            if (postfixLen >= kMax)
                break;
        }
    }
    const bool piecesFit = prefixLen < kMax && postfixLen < kMax;

    if (pResult_MAXPATH == nullptr) {
        DBG_TRACE("CDriveEx::AddPrefix2FileTitle BAD NULL ...pResult_MAXPATH \n");
        return 0;
    }
    if (!piecesFit)
        return 0;
    SPLITFPATH_tag rec;
    int isUnc = 0;
    if (!MySplitPath(strOrgPath, &rec, &isUnc))
        return 0;
    const char *filename = isUnc ? rec.unc.strFilename : rec.drv.strFilename;
    if (filename[0] == '\0') {
        DBG_TRACE("CDriveEx::AddPrefix2FileTitle BAD NULL ...strFilename \n");
        return 0;
    }
    const char *oldTitle = isUnc ? rec.unc.strFileTitle : rec.drv.strFileTitle;
    PathBuilder title;
    if (!title.Append(prefix, prefixLen) || !title.Append(oldTitle, std::strlen(oldTitle)) ||
        !title.Append(strPostfix, postfixLen))
        return 0;
    char newTitle[kMax];
    title.CopyTo(newTitle);
    if (isUnc)
        return ComposeUNC(pResult_MAXPATH, rec.unc.strComputer_name, rec.unc.strShare_name,
                          rec.unc.strDir, newTitle, rec.unc.strFileExt);
    return ComposeDrvPath(pResult_MAXPATH, rec.drv.strDrv, rec.drv.strDir, newTitle,
                          rec.drv.strFileExt);
}

int CDriveEx::ChgExtname(const char *strPath, const char *strNewExt, char *pNewPath_MAXPATH,
                         char *pOldExt_MAXPATH)
{
    if (IsEmpty(strNewExt)) {
        DBG_TRACE("CDriveEx::ChgExtname BAD NULL ...strNewExt \n");
        return 0;
    }
    if (pNewPath_MAXPATH == nullptr) {
        DBG_TRACE("CDriveEx::ChgExtname BAD NULL ...pNewPath_MAXPATH \n");
        return 0;
    }
    if (pOldExt_MAXPATH == nullptr) {
        DBG_TRACE("CDriveEx::ChgExtname BAD NULL ...pOldExt_MAXPATH \n");
        return 0;
    }

    // The whole result is made before the buffers are emptied: either may be
    // one of the inputs, and a path or result too long for them is refused
    // with both buffers untouched.
    char newPath[kMax];
    char drive[crt::kMaxDrive];
    char dir[kMax];
    char name[kMax];
    char oldExt[kMax];
    const bool havePath = !IsEmpty(strPath);
    if (havePath) {
        const std::size_t n = BoundedLen(strPath);
        const std::size_t ne = BoundedLen(strNewExt);
        if (n >= kMax || ne >= kMax)
            return 0;
        char path[kMax];
        char ext[kMax];
        CopyIn(path, strPath, n);
        CopyIn(ext, strNewExt, ne);
        if (crt::_splitpath_s(path, drive, sizeof drive, dir, sizeof dir, name, sizeof name,
                              oldExt, sizeof oldExt) != 0)
            return 0;
        if (crt::_makepath_s(newPath, sizeof newPath, drive, dir, name, ext) != 0)
            return 0;
    }

    pNewPath_MAXPATH[0] = '\0';
    pOldExt_MAXPATH[0] = '\0';
    if (!havePath) {
        DBG_TRACE("CDriveEx::ChgExtname BAD NULL ...strPath \n");
        return 0;
    }
    Store(pNewPath_MAXPATH, newPath, std::strlen(newPath));
    Store(pOldExt_MAXPATH, oldExt, std::strlen(oldExt));
    return 1;
}

int CDriveEx::GetDirOf(const char *strPath, char *pDir_MAXPATH)
{
    if (IsEmpty(strPath) || pDir_MAXPATH == nullptr)
        return 0;
    const std::size_t n = BoundedLen(strPath);
    if (n <= 2 || n >= kMax)
        return 0;
    // The pieces go to local buffers, so the output may be the path itself.
    char drive[crt::kMaxDrive];
    char dir[kMax];
    if (crt::_splitpath_s(strPath, drive, sizeof drive, dir, sizeof dir, nullptr, 0, nullptr,
                          0) != 0)
        return 0;
    if (dir[0] == '\0')
        return 0;
    PathBuilder result;
    // Both pieces come from a path shorter than a buffer, so they fit.
    result.Append(drive, std::strlen(drive));
    result.Append(dir, std::strlen(dir));
    result.CopyTo(pDir_MAXPATH);
    return 1;
}
