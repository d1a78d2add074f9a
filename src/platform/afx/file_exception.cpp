// CFileException: a file failure with its class-library cause and the
// Win32 code behind it. Always thrown by value.
#include <brenvik/brenvik.h>

#include <cstring>

#include "platform/win32_types.h"

namespace {

void CopyName(char (&dst)[BRENVIK_MAX_PATH], const char *src)
{
    dst[0] = '\0';
    if (src == nullptr)
        return;
    std::size_t n = std::strlen(src);
    if (n >= sizeof dst)
        n = sizeof dst - 1;  // informational only: a longer name is cut
    std::memcpy(dst, src, n);
    dst[n] = '\0';
}

}  // namespace

CFileException::CFileException(int cause, LONG lOsError, const char *pstrFileName)
    : m_cause(cause), m_lOsError(lOsError)
{
    CopyName(m_strFileName, pstrFileName);
}

CFileException::CFileException(const CFileException &other)
    : CObject(), m_cause(other.m_cause), m_lOsError(other.m_lOsError)
{
    std::memcpy(m_strFileName, other.m_strFileName, sizeof m_strFileName);
}

CFileException &CFileException::operator=(const CFileException &other)
{
    if (this != &other) {
        m_cause = other.m_cause;
        m_lOsError = other.m_lOsError;
        std::memcpy(m_strFileName, other.m_strFileName, sizeof m_strFileName);
    }
    return *this;
}

CFileException::~CFileException() = default;

int CFileException::OsErrorToException(LONG lOsError)
{
    switch (lOsError) {
    case NO_ERROR:
        return none;
    case ERROR_FILE_NOT_FOUND:
        return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
        return badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
        return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
        return accessDenied;
    case ERROR_INVALID_HANDLE:
        return invalidFile;
    case ERROR_CURRENT_DIRECTORY:
        return removeCurrentDir;
    case ERROR_NO_MORE_FILES:
        return directoryFull;
    case ERROR_SEEK:
        return badSeek;
    case ERROR_GEN_FAILURE:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
        return hardIO;
    case ERROR_SHARING_VIOLATION:
        return sharingViolation;
    case ERROR_LOCK_VIOLATION:
        return lockViolation;
    case ERROR_HANDLE_EOF:
        return endOfFile;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return diskFull;
    default:
        return generic;
    }
}

void CFileException::ThrowOsError(LONG lOsError, const char *pstrFileName)
{
    int cause = OsErrorToException(lOsError);
    // Something failed even if the platform left no code: never throw "none".
    if (cause == none)
        cause = generic;
    throw CFileException(cause, lOsError, pstrFileName);
}
