// Attribute and status queries: is an entry there, is it a directory, a
// file, hidden, read-only, and how large is a file.
#include <brenvik/brenvik.h>

#include <cstring>

#include "fileops/util.h"
#include "platform/afx/afx.h"
#include "platform/services.h"

using brenvik::platform::sys;

namespace {

// The status record of strPath, asked without one trailing backslash, so that
// "C:\dir\" names the directory. False when the path is null or empty (pExist
// untouched) or when there is no such entry.
bool QueryStatus(const char *strPath, CFileStatus &status)
{
    std::size_t len = std::strlen(strPath);
    if (brenvik::fileops::EndsWithBackslash(strPath, len)) {
        CString trimmed(strPath, static_cast<int>(len - 1));
        return CFile::GetStatus(trimmed, status) != FALSE;
    }
    return CFile::GetStatus(strPath, status) != FALSE;
}

bool PassesMasks(unsigned long attributes, unsigned long mustBeClear, unsigned long mustBeSet)
{
    return (attributes & mustBeSet) == mustBeSet && (~attributes & mustBeClear) == mustBeClear;
}

void Put(int *p, int value)
{
    if (p)
        *p = value;
}

}  // namespace

int CDriveEx::CFileStatus_s(const char *strPath, int nMustBeClear, int nMustBeSet, int *pExist)
{
    if (brenvik::fileops::IsNullOrEmpty(strPath))
        return 0;
    Put(pExist, 0);
    CFileStatus status;
    if (!QueryStatus(strPath, status))
        return 0;
    Put(pExist, 1);
    // The status byte widened with zero upper bits: a set-mask bit above 0xFF
    // can never be met, a clear-mask bit above 0xFF always is.
    return PassesMasks(status.m_attribute, static_cast<unsigned int>(nMustBeClear),
                       static_cast<unsigned int>(nMustBeSet))
               ? 1
               : 0;
}

int CDriveEx::IsDir(const char *strPath, int *pExist)
{
    if (brenvik::fileops::IsNullOrEmpty(strPath))
        return 0;
    return CFileStatus_s(strPath, 0, CFile::directory, pExist);
}

int CDriveEx::IsDirHidden(const char *strPath, int *pExist)
{
    if (brenvik::fileops::IsNullOrEmpty(strPath))
        return 0;
    return CFileStatus_s(strPath, 0, CFile::directory | CFile::hidden, pExist);
}

int CDriveEx::IsFile(const char *strPath, int *pExist)
{
    if (brenvik::fileops::IsNullOrEmpty(strPath))
        return 0;
    return CFileStatus_s(strPath, CFile::directory, 0, pExist);
}

int CDriveEx::IsFileWritable(const char *strPath, int *pExist)
{
    if (brenvik::fileops::IsNullOrEmpty(strPath))
        return 0;
    return CFileStatus_s(strPath, CFile::directory | CFile::readOnly, 0, pExist);
}

int CDriveEx::IsFileHidden(const char *strPath, int *pExist)
{
    if (brenvik::fileops::IsNullOrEmpty(strPath))
        return 0;
    return CFileStatus_s(strPath, CFile::directory, CFile::hidden, pExist);
}

int CDriveEx::CFileStatus_s(const char *strPath, int *pIsFile, int *pIsFileWritable,
                            int *pIsFileHidden, int *pIsDir, int *pIsDirHidden, int *pIsSystem,
                            int *pIsVolume, int *pIsArchive, int *pExist)
{
    if (brenvik::fileops::IsNullOrEmpty(strPath))
        return 0;
    int *const flags[] = {pIsFile,      pIsFileWritable, pIsFileHidden, pIsDir,  pIsDirHidden,
                          pIsSystem,    pIsVolume,       pIsArchive,    pExist};
    for (int *flag : flags)
        Put(flag, 0);

    CFileStatus status;
    if (!QueryStatus(strPath, status))
        return 0;

    const unsigned a = status.m_attribute;
    const bool dir = (a & CFile::directory) != 0;
    const bool hidden = (a & CFile::hidden) != 0;
    Put(pIsFile, !dir);
    Put(pIsFileWritable, !dir && !(a & CFile::readOnly));
    Put(pIsFileHidden, !dir && hidden);
    Put(pIsDir, dir);
    Put(pIsDirHidden, dir && hidden);
    Put(pIsSystem, (a & CFile::system) != 0);
    Put(pIsVolume, (a & CFile::volume) != 0);
    Put(pIsArchive, (a & CFile::archive) != 0);
    Put(pExist, 1);
    return 1;
}

int CDriveEx::IsExist(const char *strPath)
{
    if (brenvik::fileops::IsNullOrEmpty(strPath))
        return 0;
    CFileStatus status;
    return QueryStatus(strPath, status) ? 1 : 0;
}

int CDriveEx::GetFileAttrEx(const char *strPath, struct _WIN32_FILE_ATTRIBUTE_DATA *pData)
{
    if (brenvik::fileops::IsNullOrEmpty(strPath))
        return 0;
    WIN32_FILE_ATTRIBUTE_DATA data;
    std::memset(&data, 0, sizeof data);
    if (!sys().GetFileAttributesExA(strPath, GetFileExInfoStandard, &data))
        return 0;
    if (pData)
        std::memcpy(pData, &data, sizeof data);
    return 1;
}

int CDriveEx::GetFileAttrEx(const char *strPath, unsigned long *pAttr)
{
    if (brenvik::fileops::IsNullOrEmpty(strPath) || pAttr == nullptr)
        return 0;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttrEx(strPath, &data))
        return 0;
    *pAttr = data.dwFileAttributes;
    return 1;
}

int CDriveEx::ChkFileAttrEx(const char *strPath, unsigned long dwMustBeClear,
                            unsigned long dwMustBeSet, int *pExist)
{
    if (brenvik::fileops::IsNullOrEmpty(strPath))
        return 0;
    Put(pExist, 0);
    unsigned long attributes = 0;
    if (!GetFileAttrEx(strPath, &attributes))
        return 0;
    Put(pExist, 1);
    return PassesMasks(attributes, dwMustBeClear, dwMustBeSet) ? 1 : 0;
}

int CDriveEx::GetFileSizeInByte(const char *strPath, unsigned long *pSize)
{
    if (brenvik::fileops::IsNullOrEmpty(strPath) || pSize == nullptr)
        return 0;
    HANDLE file = sys().CreateFileA(strPath, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    // Only the low word is asked for, so a size whose low 32 bits are all ones
    // cannot be told from a failure and counts as one.
    DWORD size = sys().GetFileSize(file, nullptr);
    sys().CloseHandle(file);
    if (size == INVALID_FILE_SIZE)
        return 0;
    *pSize = size;
    return 1;
}

int CDriveEx::GetFileSizeInByte(CFile &file, unsigned long *pSize)
{
    DWORD length = 0;
    try {
        length = file.GetLength();
    } catch (const CFileException &) {
        return 0;
    }
    if (pSize)
        *pSize = length;
    return 1;
}
