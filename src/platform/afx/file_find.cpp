// CFileFind: a streaming directory listing. FindFile reads one entry ahead
// so that FindNextFile can say whether another follows the one it makes
// current; at most two entries are held at any time.
#include <cstring>

#include "platform/afx/afx.h"
#include "platform/crt/crt.h"
#include "platform/services.h"

using brenvik::platform::sys;

namespace {

bool IsRealHandle(HANDLE h)
{
    return h != nullptr && h != INVALID_HANDLE_VALUE;
}

std::size_t BoundedLength(const char *s, std::size_t max)
{
    std::size_t n = 0;
    while (n < max && s[n] != '\0')
        ++n;
    return n;
}

}  // namespace

CFileFind::CFileFind() : hContext_(nullptr), haveCurrent_(false), haveNext_(false)
{
    std::memset(&current_, 0, sizeof current_);
    std::memset(&next_, 0, sizeof next_);
}

CFileFind::~CFileFind()
{
    Close();
}

void CFileFind::Close()
{
    if (IsRealHandle(hContext_))
        sys().FindClose(hContext_);
    hContext_ = nullptr;
    haveCurrent_ = false;
    haveNext_ = false;
    root_.Empty();
}

BOOL CFileFind::FindFile(const char *pstrName, DWORD /*dwUnused: ignored*/)
{
    return Start(nullptr, pstrName == nullptr ? "*.*" : pstrName);
}

BOOL CFileFind::FindFileIn(const CFileFind &parent, const char *pstrName)
{
    if (&parent == this || !IsRealHandle(parent.hContext_) || pstrName == nullptr) {
        Close();
        sys().SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return Start(parent.hContext_, pstrName);
}

BOOL CFileFind::Start(HANDLE parent, const char *pstrName)
{
    Close();
    HANDLE h = parent ? sys().FindFirstFileInA(parent, pstrName, &next_)
                      : sys().FindFirstFileA(pstrName, &next_);
    if (!IsRealHandle(h)) {
        const DWORD error = sys().GetLastError();
        Close();
        sys().SetLastError(error);
        return FALSE;
    }
    hContext_ = h;
    haveNext_ = true;

    // root_ keeps what GetFilePath puts before an entry's name: the search
    // text up to its last '\' or '/', as written, and a backslash. A search
    // without a separator gives its drive prefix ("C:*.txt" gives "C:"), or
    // nothing, so relative searches give relative paths.
    const char *back = brenvik::crt::MbsRChr(pstrName, '\\');
    const char *front = brenvik::crt::MbsRChr(pstrName, '/');
    const char *last = back;
    if (front != nullptr && (last == nullptr || front > last))
        last = front;
    if (last != nullptr) {
        root_ = CString(pstrName, static_cast<int>(last - pstrName));
        root_ += '\\';
    } else if (pstrName[0] != '\0' && pstrName[1] == ':') {
        root_ = CString(pstrName, 2);
    }
    return TRUE;
}

BOOL CFileFind::FindNextFile()
{
    if (!haveNext_) {
        haveCurrent_ = false;
        return FALSE;
    }
    current_ = next_;
    haveCurrent_ = true;
    haveNext_ = sys().FindNextFileA(hContext_, &next_) != FALSE;
    return haveNext_ ? TRUE : FALSE;
}

CString CFileFind::GetFileName() const
{
    if (!haveCurrent_)
        return CString();
    return CString(current_.cFileName,
                   static_cast<int>(BoundedLength(current_.cFileName, sizeof current_.cFileName)));
}

CString CFileFind::GetFilePath() const
{
    if (!haveCurrent_)
        return CString();
    return root_ + GetFileName();
}

DWORD CFileFind::GetAttributes() const
{
    return haveCurrent_ ? current_.dwFileAttributes : 0;
}

unsigned long long CFileFind::GetLength() const
{
    if (!haveCurrent_)
        return 0;
    return (static_cast<unsigned long long>(current_.nFileSizeHigh) << 32) |
           current_.nFileSizeLow;
}

BOOL CFileFind::MatchesMask(DWORD dwMask) const
{
    return haveCurrent_ && (current_.dwFileAttributes & dwMask) != 0;
}

BOOL CFileFind::IsDots() const
{
    if (!IsDirectory())
        return FALSE;
    const char *n = current_.cFileName;
    return n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'));
}
