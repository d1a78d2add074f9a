// Creating directories, renaming, and deleting files, directories and trees.
#include <brenvik/brenvik.h>

#include <cstring>
#include <string>

#include "fileops/util.h"
#include "platform/afx/afx.h"
#include "platform/crt/crt.h"
#include "platform/services.h"

using brenvik::fileops::EndsWithBackslash;
using brenvik::fileops::IsNullOrEmpty;
using brenvik::platform::sys;

namespace {

// ---- Same-entry detection for MyRename --------------------------------------

// A lexical normal form of a path: '/' read as '\', runs of separators as one
// (the leading pair of a UNC path kept), "." dropped, ".." taking back the
// component before it, no trailing separator.
std::string NormalForm(const char *path)
{
    std::string out;
    const char *p = path;
    auto isSep = [](char c) { return c == '\\' || c == '/'; };
    if (isSep(p[0]) && isSep(p[1])) {
        out = "\\\\";
        p += 2;
    } else if (p[0] != '\0' && p[1] == ':') {
        out.assign(p, 2);
        p += 2;
        if (isSep(*p)) {
            out += '\\';
            ++p;
        }
    } else if (isSep(p[0])) {
        out = "\\";
        ++p;
    }
    const std::size_t rootLen = out.size();
    while (*p) {
        while (isSep(*p))
            ++p;
        const char *start = p;
        // Walk one component, stepping over double-byte characters whole so
        // that a trail byte of 0x5C does not end it.
        while (*p && !isSep(*p)) {
            if (brenvik::crt::IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0')
                ++p;
            ++p;
        }
        std::size_t n = static_cast<std::size_t>(p - start);
        if (n == 0 || (n == 1 && start[0] == '.'))
            continue;
        if (n == 2 && start[0] == '.' && start[1] == '.') {
            std::size_t cut = out.size();
            while (cut > rootLen && out[cut - 1] != '\\')
                --cut;
            if (cut > rootLen)
                --cut;  // the separator before the component
            out.resize(cut);
            continue;
        }
        if (out.size() > rootLen)
            out += '\\';
        out.append(start, n);
    }
    return out;
}

enum class Sameness { distinct, sameSpelling, sameEntry };

// Whether two names of existing files reach one file, found out the way the
// platform itself decides: while strOld is open with no sharing at all, an
// open of strNew fails with a sharing violation exactly when it is the same
// file, whatever path, letter case, link or drive mapping leads to it.
// Anything inconclusive counts as the same entry: the caller then only
// renames, which never destroys anything.
bool SameOpenedFile(const char *strOld, const char *strNew)
{
    HANDLE held = sys().CreateFileA(strOld, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE)
        return true;
    HANDLE other = sys().CreateFileA(strNew, GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool same = true;
    if (other != INVALID_HANDLE_VALUE) {
        same = false;
        sys().CloseHandle(other);
    }
    sys().CloseHandle(held);
    return same;
}

// strOld and strNew both exist, with these status records.
Sameness CompareEntries(const char *strOld, const CFileStatus &oldStatus, const char *strNew,
                        const CFileStatus &newStatus)
{
    std::string a = NormalForm(strOld);
    std::string b = NormalForm(strNew);
    if (a == b)
        return Sameness::sameSpelling;
    // Names fold case on this platform's file systems (the POSIX backend
    // folds where the exact name is missing). Where a case-sensitive host
    // holds both spellings as two files, they are taken for one entry here;
    // the plain rename that follows then fails on the existing target: a
    // refusal, never a loss.
    if (brenvik::crt::_mbsicmp(reinterpret_cast<const unsigned char *>(a.c_str()),
                               reinterpret_cast<const unsigned char *>(b.c_str())) == 0)
        return Sameness::sameEntry;
    // A directory is never one entry with a file, and a directory target is
    // never deleted here (file deletion refuses it): only two files need the
    // identity test.
    if ((oldStatus.m_attribute | newStatus.m_attribute) & CFile::directory)
        return Sameness::distinct;
    return SameOpenedFile(strOld, strNew) ? Sameness::sameEntry : Sameness::distinct;
}

// ---- Tree deletion --------------------------------------------------------------

// strDir without one trailing backslash, unless that backslash is the root of
// a drive ("C:\" stays; "C:" would mean the drive's current directory) or
// keeps a final period or blank ("dir \" is "dir ", "dir " would be "dir").
CString WithoutTrailingBackslash(const char *strDir)
{
    std::size_t len = std::strlen(strDir);
    if (!EndsWithBackslash(strDir, len) || len == 1 || (len == 3 && strDir[1] == ':') ||
        strDir[len - 2] == '.' || strDir[len - 2] == ' ')
        return CString(strDir);
    return CString(strDir, static_cast<int>(len - 1));
}

int RemoveTree(const char *strDir, int bDelSystem, const CFileFind *parent);

// The results of a deletion and of a directory's removal: what is already
// gone counts as done (a file not found; a directory whose path is not).
int FileDeleted(BOOL deleted)
{
    return deleted || sys().GetLastError() == ERROR_FILE_NOT_FOUND;
}

int DirectoryRemoved(BOOL removed)
{
    return removed || sys().GetLastError() == ERROR_PATH_NOT_FOUND;
}

}  // namespace

int CDriveEx::MyCreateDirectory(const char *strPath, int bOkIfExist)
{
    if (IsNullOrEmpty(strPath))
        return 0;
    if (sys().CreateDirectoryA(strPath, nullptr))
        return 1;
    if (bOkIfExist && sys().GetLastError() == ERROR_ALREADY_EXISTS && IsDir(strPath, nullptr))
        return 1;
    return 0;
}

int CDriveEx::CreateDir_Recursively(const char *strPath)
{
    // Also refuses null, empty, relative and 260-character paths, so every
    // prefix below fits the local buffer.
    if (!Is_FilePath_DirPath_Valid(strPath))
        return 0;

    // Where the root ends: the backslash after "C:", or the one that closes
    // the share name of a UNC path. A UNC path without one has no root end,
    // and all of it lies beyond.
    const char *rootEnd = nullptr;
    if (strPath[0] == '\\') {
        const char *serverEnd = brenvik::crt::MbsChr(strPath + 2, '\\');
        if (serverEnd)
            rootEnd = brenvik::crt::MbsChr(serverEnd + 1, '\\');
    } else {
        rootEnd = strPath + 2;
    }

    const char *last = brenvik::crt::MbsRChr(strPath, '\\');
    if (last && last != strPath && (rootEnd == nullptr || last > rootEnd)) {
        char parent[BRENVIK_MAX_PATH];
        std::size_t n = static_cast<std::size_t>(last - strPath);
        std::memcpy(parent, strPath, n);
        parent[n] = '\0';
        // An ancestor that cannot be made shows in the final creation.
        CreateDir_Recursively(parent);
    }

    DWORD attributes = sys().GetFileAttributesA(strPath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 1;
    return sys().CreateDirectoryA(strPath, nullptr) ? 1 : 0;
}

int CDriveEx::MyRename(const char *strOldPath, const char *strNewPath)
{
    if (IsNullOrEmpty(strOldPath) || IsNullOrEmpty(strNewPath))
        return 0;
    CFileStatus status;
    if (!CFile::GetStatus(strOldPath, status))
        return 0;
    try {
        CFileStatus target;
        if (CFile::GetStatus(strNewPath, target)) {
            // Deleting a target that is the source itself would lose it. Such
            // a call acts as a plain rename instead (a change of letter case
            // goes through), and a spelling of the very same path is already
            // done.
            switch (CompareEntries(strOldPath, status, strNewPath, target)) {
            case Sameness::sameSpelling:
                return 1;
            case Sameness::sameEntry:
                break;
            case Sameness::distinct:
                CFile::Remove(strNewPath);
                break;
            }
        }
        CFile::Rename(strOldPath, strNewPath);
        return 1;
    } catch (const CFileException &) {
        return 0;
    }
}

int CDriveEx::MyDelFile(const char *strPath)
{
    if (IsNullOrEmpty(strPath))
        return 0;
    return FileDeleted(sys().DeleteFileA(strPath));
}

int CDriveEx::MyRemoveDirectory(const char *strPath)
{
    if (IsNullOrEmpty(strPath))
        return 0;
    return DirectoryRemoved(sys().RemoveDirectoryA(strPath));
}

int CDriveEx::DelSubFile(const char *strDir, const char *strPattern, int bDelSystem)
{
    if (IsNullOrEmpty(strDir) || IsNullOrEmpty(strPattern))
        return 0;
    CString search(strDir);
    if (!EndsWithBackslash(strDir, std::strlen(strDir)))
        search += '\\';
    search += strPattern;

    int result = 1;
    CFileFind finder;
    BOOL more = finder.FindFile(search, 0);
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots() || finder.IsDirectory())
            continue;
        if (finder.IsSystem() && !bDelSystem)
            continue;
        // Deleted as listed, through the search: its name read again as a
        // path could name another entry ("k.tmp." is "k.tmp" to the path
        // rules).
        if (!FileDeleted(sys().DeleteFileInA(finder.GetSearchHandle(), finder.GetFilePath())))
            result = 0;
    }
    finder.Close();
    return result;
}

int CDriveEx::DelTree(const char *strDir, int bDelSystem)
{
    if (IsNullOrEmpty(strDir))
        return 0;
    // A missing path, or one that names a file, is a tree already gone.
    if (!IsDir(strDir, nullptr))
        return 1;
    return RemoveTree(strDir, bDelSystem, nullptr);
}

namespace {

// Deletes what lies in strDir, depth first, then strDir itself; the result is
// that of the final removal, which fails whenever a child had to stay.
//
// A symbolic link (a reparse point) is removed as a link and never followed:
// the deletion must not reach outside the tree it was given. Below the top,
// every entry is removed, and every subdirectory listed, through the search
// that listed it (the services' "In" calls): where the platform keeps a
// search's directory open, those act relative to it and never follow a link,
// so a directory swapped for a link at any point of the walk cannot lead it
// elsewhere. Where the platform goes by path, the listing is what guards:
// a directory listed as a plain one may have been replaced by a link since,
// so its own attributes are read (without following a link) right before
// its listing is opened and again right after; unless both say "a plain
// directory", nothing in the listing is touched, and a link is removed as a
// link.
enum class Kind { gone, link, directory, other };

Kind KindOf(const CString &path, DWORD *attributes)
{
    DWORD a = sys().GetFileAttributesA(path);
    *attributes = a;
    if (a == INVALID_FILE_ATTRIBUTES)
        return Kind::gone;
    if (a & FILE_ATTRIBUTE_REPARSE_POINT)
        return Kind::link;
    return (a & FILE_ATTRIBUTE_DIRECTORY) ? Kind::directory : Kind::other;
}

// MyDelFile or MyRemoveDirectory of path, an entry that parent lists (the
// top of the tree when parent is null), with their results.
int RemoveEntry(const CFileFind *parent, const char *path, bool directory)
{
    if (parent == nullptr)
        return directory ? CDriveEx::MyRemoveDirectory(path) : CDriveEx::MyDelFile(path);
    const HANDLE search = parent->GetSearchHandle();
    return directory ? DirectoryRemoved(sys().RemoveDirectoryInA(search, path))
                     : FileDeleted(sys().DeleteFileInA(search, path));
}

int RemoveTree(const char *strDir, int bDelSystem, const CFileFind *parent)
{
    CString dir = WithoutTrailingBackslash(strDir);
    DWORD attributes = 0;
    Kind kind = KindOf(dir, &attributes);
    if (kind == Kind::link)
        return RemoveEntry(parent, dir, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);

    // Unreadable attributes, or no longer a directory: nothing is listed, and
    // the removal decides.
    if (kind == Kind::directory) {
        CString search(strDir);
        if (!EndsWithBackslash(strDir, std::strlen(strDir)))
            search += '\\';
        search += "*.*";

        // The listing streams: one entry ahead, whatever the directory holds.
        CFileFind finder;
        BOOL more = parent ? finder.FindFileIn(*parent, search) : finder.FindFile(search, 0);
        if (more) {
            kind = KindOf(dir, &attributes);
            if (kind != Kind::directory) {
                finder.Close();
                if (kind == Kind::link)
                    return RemoveEntry(parent, dir, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
                more = FALSE;
            }
        }
        while (more) {
            more = finder.FindNextFile();
            if (finder.IsDots())
                continue;
            CString child = finder.GetFilePath();
            if (finder.IsReparsePoint() && finder.IsDirectory()) {
                RemoveEntry(&finder, child, true);
            } else if (finder.IsDirectory()) {
                // Below the top level system files always stay. A directory
                // gone meanwhile is a tree already deleted.
                if (CDriveEx::IsDir(child, nullptr))
                    RemoveTree(child, 0, &finder);
            } else if (!finder.IsSystem() || bDelSystem) {
                RemoveEntry(&finder, child, false);
            }
            // A child that stays is noted by the final removal failing.
        }
        finder.Close();
    }
    return RemoveEntry(parent, parent ? dir : CString(strDir), true);
}

}  // namespace
