// CFile over the platform services, with the class library's mapping of
// open flags onto CreateFileA. Failures throw CFileException by value;
// Open reports through an optional exception object instead.
#include <brenvik/brenvik.h>

#include <cstring>

#include "platform/services.h"
#include "platform/win32_types.h"

using brenvik::platform::sys;

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

namespace {

void CopyName(char (&dst)[BRENVIK_MAX_PATH], const char *src)
{
    dst[0] = '\0';
    if (src == nullptr)
        return;
    std::size_t n = std::strlen(src);
    if (n >= sizeof dst)
        n = sizeof dst - 1;
    std::memcpy(dst, src, n);
    dst[n] = '\0';
}

bool IsOpenHandle(HANDLE h)
{
    return h != CFile::hFileNull && h != nullptr;
}

// An operation on a file that is not open fails as the platform would
// fail it with an invalid handle, without asking the platform.
void RequireOpen(HANDLE h, const char *name)
{
    if (!IsOpenHandle(h))
        throw CFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, name);
}

// 100-nanosecond intervals since 1601 to seconds since 1970; an unset time
// stays 0.
int64_t FileTimeToUnix(const FILETIME &ft)
{
    const uint64_t ticks =
        (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    if (ticks == 0)
        return 0;
    constexpr int64_t kEpochDifference = 11644473600LL;  // 1601-01-01 to 1970-01-01
    return static_cast<int64_t>(ticks / 10000000ULL) - kEpochDifference;
}

void FillFromAttributeData(CFileStatus &rStatus, const WIN32_FILE_ATTRIBUTE_DATA &data)
{
    rStatus.m_ctime = FileTimeToUnix(data.ftCreationTime);
    rStatus.m_atime = FileTimeToUnix(data.ftLastAccessTime);
    rStatus.m_mtime = FileTimeToUnix(data.ftLastWriteTime);
    rStatus.m_size = static_cast<LONG>(data.nFileSizeLow);
    rStatus.m_attribute = static_cast<BYTE>(data.dwFileAttributes & 0xFF);
}

}  // namespace

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE)
{
    m_strFileName[0] = '\0';
}

CFile::CFile(const char *lpszFileName, UINT nOpenFlags)
    : m_hFile(hFileNull), m_bCloseOnDelete(FALSE)
{
    m_strFileName[0] = '\0';
    CFileException e;
    if (!Open(lpszFileName, nOpenFlags, &e))
        throw e;
}

CFile::~CFile()
{
    if (IsOpenHandle(m_hFile) && m_bCloseOnDelete)
        Abort();
}

BOOL CFile::Open(const char *lpszFileName, UINT nOpenFlags, CFileException *pError)
{
    // Reopening an open object would lose its handle: close it first.
    if (IsOpenHandle(m_hFile))
        Abort();

    auto fail = [&](LONG osError) -> BOOL {
        if (pError != nullptr) {
            pError->m_cause = CFileException::OsErrorToException(osError);
            if (pError->m_cause == CFileException::none)
                pError->m_cause = CFileException::generic;
            pError->m_lOsError = osError;
            CopyName(pError->m_strFileName, lpszFileName);
        }
        return FALSE;
    };

    // A missing name is a path that cannot be found, as CreateFileA reports it.
    if (lpszFileName == nullptr)
        return fail(ERROR_PATH_NOT_FOUND);

    DWORD access;
    switch (nOpenFlags & 3) {
    case modeRead:
        access = GENERIC_READ;
        break;
    case modeWrite:
        access = GENERIC_WRITE;
        break;
    case modeReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
    default:
        return fail(ERROR_INVALID_PARAMETER);
    }

    DWORD share;
    switch (nOpenFlags & 0x70) {
    case shareCompat:  // no sharing, as with shareExclusive
    case shareExclusive:
        share = 0;
        break;
    case shareDenyWrite:
        share = FILE_SHARE_READ;
        break;
    case shareDenyRead:
        share = FILE_SHARE_WRITE;
        break;
    case shareDenyNone:
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        break;
    default:
        return fail(ERROR_INVALID_PARAMETER);
    }

    DWORD disposition;
    if (nOpenFlags & modeCreate)
        disposition = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    else
        disposition = OPEN_EXISTING;

    SECURITY_ATTRIBUTES sa;
    sa.nLength = sizeof sa;
    sa.lpSecurityDescriptor = nullptr;
    sa.bInheritHandle = (nOpenFlags & modeNoInherit) == 0;

    HANDLE h = sys().CreateFileA(lpszFileName, access, share, &sa, disposition,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE || h == nullptr)
        return fail(static_cast<LONG>(sys().GetLastError()));

    m_hFile = h;
    m_bCloseOnDelete = TRUE;
    CopyName(m_strFileName, lpszFileName);
    return TRUE;
}

void CFile::Close()
{
    char name[BRENVIK_MAX_PATH];
    std::memcpy(name, m_strFileName, sizeof name);
    bool failed = false;
    DWORD error = 0;
    if (IsOpenHandle(m_hFile)) {
        if (!sys().CloseHandle(m_hFile)) {
            failed = true;
            error = sys().GetLastError();
        }
    }
    // The handle is gone either way: a failed close is not retried.
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName[0] = '\0';
    if (failed)
        CFileException::ThrowOsError(static_cast<LONG>(error), name);
}

void CFile::Abort()
{
    if (IsOpenHandle(m_hFile))
        sys().CloseHandle(m_hFile);
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName[0] = '\0';
}

LONG CFile::Seek(LONG lOff, UINT nFrom)
{
    RequireOpen(m_hFile, m_strFileName);
    const DWORD pos = sys().SetFilePointer(m_hFile, lOff, nullptr, nFrom);
    if (pos == INVALID_SET_FILE_POINTER)
        CFileException::ThrowOsError(static_cast<LONG>(sys().GetLastError()), m_strFileName);
    return static_cast<LONG>(pos);
}

DWORD CFile::GetLength() const
{
    // Seek to the end and back, through the object's own Seek.
    CFile *self = const_cast<CFile *>(this);
    const DWORD current = static_cast<DWORD>(self->Seek(0, CFile::current));
    const DWORD length = static_cast<DWORD>(self->Seek(0, CFile::end));
    self->Seek(static_cast<LONG>(current), CFile::begin);
    return length;
}

DWORD CFile::GetPosition() const
{
    RequireOpen(m_hFile, m_strFileName);
    const DWORD pos = sys().SetFilePointer(m_hFile, 0, nullptr, FILE_CURRENT);
    if (pos == INVALID_SET_FILE_POINTER)
        CFileException::ThrowOsError(static_cast<LONG>(sys().GetLastError()), m_strFileName);
    return pos;
}

UINT CFile::Read(void *lpBuf, UINT nCount)
{
    RequireOpen(m_hFile, m_strFileName);
    if (nCount == 0)
        return 0;
    if (lpBuf == nullptr)
        CFileException::ThrowOsError(ERROR_INVALID_PARAMETER, m_strFileName);
    DWORD read = 0;
    if (!sys().ReadFile(m_hFile, lpBuf, nCount, &read, nullptr))
        CFileException::ThrowOsError(static_cast<LONG>(sys().GetLastError()), m_strFileName);
    return read;
}

void CFile::Write(const void *lpBuf, UINT nCount)
{
    RequireOpen(m_hFile, m_strFileName);
    if (nCount == 0)
        return;
    if (lpBuf == nullptr)
        CFileException::ThrowOsError(ERROR_INVALID_PARAMETER, m_strFileName);
    DWORD written = 0;
    if (!sys().WriteFile(m_hFile, lpBuf, nCount, &written, nullptr))
        CFileException::ThrowOsError(static_cast<LONG>(sys().GetLastError()), m_strFileName);
    // A short write without an error means the medium is full.
    if (written != nCount)
        throw CFileException(CFileException::diskFull, -1, m_strFileName);
}

DWORD CFile::SeekToEnd()
{
    return static_cast<DWORD>(Seek(0, CFile::end));
}

void CFile::SeekToBegin()
{
    Seek(0, CFile::begin);
}

BOOL CFile::GetStatus(CFileStatus &rStatus) const
{
    std::memset(&rStatus, 0, sizeof rStatus);
    CopyName(rStatus.m_szFullName, m_strFileName);
    if (!IsOpenHandle(m_hFile))
        return FALSE;
    const DWORD size = sys().GetFileSize(m_hFile, nullptr);
    if (size == INVALID_FILE_SIZE)
        return FALSE;
    // Times and attributes come from the name the file was opened with; a
    // name that can no longer be queried leaves them 0.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (m_strFileName[0] != '\0' &&
        sys().GetFileAttributesExA(m_strFileName, GetFileExInfoStandard, &data))
        FillFromAttributeData(rStatus, data);
    rStatus.m_size = static_cast<LONG>(size);
    return TRUE;
}

BOOL CFile::GetStatus(const char *lpszFileName, CFileStatus &rStatus)
{
    std::memset(&rStatus, 0, sizeof rStatus);
    if (lpszFileName == nullptr || lpszFileName[0] == '\0')
        return FALSE;
    const std::size_t length = std::strlen(lpszFileName);
    // The platform's ANSI calls refuse such names; so do we, without asking.
    if (length >= BRENVIK_MAX_PATH)
        return FALSE;
    // A wildcard names no entry: it must not report whatever it matches.
    if (std::strpbrk(lpszFileName, "*?") != nullptr)
        return FALSE;

    // "X:" is what a drive root becomes once its trailing backslash is cut.
    // It is taken as that root, not as the drive's current directory, so
    // that a root answers as the directory it is.
    char query[BRENVIK_MAX_PATH + 1];
    std::memcpy(query, lpszFileName, length + 1);
    if (length == 2 && query[1] == ':' &&
        ((query[0] >= 'A' && query[0] <= 'Z') || (query[0] >= 'a' && query[0] <= 'z'))) {
        query[2] = '\\';
        query[3] = '\0';
    }

    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!sys().GetFileAttributesExA(query, GetFileExInfoStandard, &data))
        return FALSE;
    FillFromAttributeData(rStatus, data);
    // The name as given: there is no full-path service to widen it with.
    CopyName(rStatus.m_szFullName, query);
    return TRUE;
}

void CFile::Rename(const char *lpszOldName, const char *lpszNewName)
{
    if (lpszOldName == nullptr || lpszNewName == nullptr)
        CFileException::ThrowOsError(ERROR_PATH_NOT_FOUND, lpszOldName);
    if (!sys().MoveFileA(lpszOldName, lpszNewName))
        CFileException::ThrowOsError(static_cast<LONG>(sys().GetLastError()), lpszOldName);
}

void CFile::Remove(const char *lpszFileName)
{
    if (lpszFileName == nullptr)
        CFileException::ThrowOsError(ERROR_PATH_NOT_FOUND, nullptr);
    if (!sys().DeleteFileA(lpszFileName))
        CFileException::ThrowOsError(static_cast<LONG>(sys().GetLastError()), lpszFileName);
}
