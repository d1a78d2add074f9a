// CString over the runtime subset. The text lives in inline_ until it needs
// more than kInline - 1 bytes; then on the heap, never moving back except
// on Empty(). Lengths and indexes are bytes, as in the class library (Left,
// Mid and Right may cut a double-byte character; the searches do not).
// Out-of-range indexes and negative counts are clamped rather than asserted:
// GetAt gives '\0', SetAt does nothing. A null string pointer reads as "".
#include <cstring>
#include <utility>

#include "platform/afx/afx.h"
#include "platform/crt/crt.h"
#include "platform/crt/mbcs.h"

namespace {

namespace crt = brenvik::crt;

constexpr int kInlineCapacity = CString::kInline - 1;

int Clamp(int v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

int Length(const char *psz)
{
    return psz ? static_cast<int>(std::strlen(psz)) : 0;
}

bool IsWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

CString::CString() : data_(inline_), length_(0), capacity_(kInlineCapacity)
{
    inline_[0] = '\0';
}

CString::CString(const char *psz) : CString()
{
    Assign(psz, Length(psz));
}

CString::CString(const char *pch, int nLength) : CString()
{
    if (pch && nLength > 0)
        Assign(pch, nLength);
}

CString::CString(char ch, int nRepeat) : CString()
{
    if (nRepeat <= 0)
        return;
    Reserve(nRepeat);
    std::memset(data_, ch, static_cast<std::size_t>(nRepeat));
    length_ = nRepeat;
    data_[length_] = '\0';
}

CString::CString(const CString &other) : CString()
{
    Assign(other.data_, other.length_);
}

CString::CString(CString &&other) noexcept : CString()
{
    *this = std::move(other);
}

CString::~CString()
{
    if (data_ != inline_)
        delete[] data_;
}

CString &CString::operator=(const CString &other)
{
    if (this != &other)
        Assign(other.data_, other.length_);
    return *this;
}

CString &CString::operator=(CString &&other) noexcept
{
    if (this == &other)
        return *this;
    if (other.data_ != other.inline_) {
        if (data_ != inline_)
            delete[] data_;
        data_ = other.data_;
        capacity_ = other.capacity_;
        length_ = other.length_;
    } else {
        // Fits our own inline buffer or whatever larger one we already hold.
        std::memcpy(data_, other.data_, static_cast<std::size_t>(other.length_) + 1);
        length_ = other.length_;
    }
    other.data_ = other.inline_;
    other.capacity_ = kInlineCapacity;
    other.length_ = 0;
    other.inline_[0] = '\0';
    return *this;
}

CString &CString::operator=(const char *psz)
{
    Assign(psz, Length(psz));
    return *this;
}

CString &CString::operator=(char ch)
{
    Assign(&ch, 1);
    return *this;
}

void CString::Empty()
{
    if (data_ != inline_) {
        delete[] data_;
        data_ = inline_;
        capacity_ = kInlineCapacity;
    }
    length_ = 0;
    data_[0] = '\0';
}

char CString::GetAt(int nIndex) const
{
    return (nIndex >= 0 && nIndex < length_) ? data_[nIndex] : '\0';
}

void CString::SetAt(int nIndex, char ch)
{
    if (nIndex >= 0 && nIndex < length_)
        data_[nIndex] = ch;
}

// Grows to hold capacity bytes and a NUL, keeping the text.
void CString::Reserve(int capacity)
{
    if (capacity <= capacity_)
        return;
    int grown = capacity_ * 2 > capacity ? capacity_ * 2 : capacity;
    char *fresh = new char[static_cast<std::size_t>(grown) + 1];
    std::memcpy(fresh, data_, static_cast<std::size_t>(length_) + 1);
    if (data_ != inline_)
        delete[] data_;
    data_ = fresh;
    capacity_ = grown;
}

// pch may point into this string's own text.
void CString::Assign(const char *pch, int nLength)
{
    if (!pch || nLength <= 0) {
        length_ = 0;
        data_[0] = '\0';
        return;
    }
    if (nLength > capacity_) {
        char *fresh = new char[static_cast<std::size_t>(nLength) + 1];
        std::memcpy(fresh, pch, static_cast<std::size_t>(nLength));
        if (data_ != inline_)
            delete[] data_;
        data_ = fresh;
        capacity_ = nLength;
    } else {
        std::memmove(data_, pch, static_cast<std::size_t>(nLength));
    }
    length_ = nLength;
    data_[length_] = '\0';
}

// pch may point into this string's own text (s += s).
void CString::Append(const char *pch, int nLength)
{
    if (!pch || nLength <= 0)
        return;
    int total = length_ + nLength;
    if (total > capacity_) {
        int grown = capacity_ * 2 > total ? capacity_ * 2 : total;
        char *fresh = new char[static_cast<std::size_t>(grown) + 1];
        std::memcpy(fresh, data_, static_cast<std::size_t>(length_));
        std::memcpy(fresh + length_, pch, static_cast<std::size_t>(nLength));
        if (data_ != inline_)
            delete[] data_;
        data_ = fresh;
        capacity_ = grown;
    } else {
        std::memmove(data_ + length_, pch, static_cast<std::size_t>(nLength));
    }
    length_ = total;
    data_[length_] = '\0';
}

CString &CString::operator+=(const char *psz)
{
    Append(psz, Length(psz));
    return *this;
}

CString &CString::operator+=(const CString &other)
{
    Append(other.data_, other.length_);
    return *this;
}

CString &CString::operator+=(char ch)
{
    Append(&ch, 1);
    return *this;
}

CString operator+(const CString &a, const CString &b)
{
    CString s(a);
    s += b;
    return s;
}

CString operator+(const CString &a, const char *b)
{
    CString s(a);
    s += b;
    return s;
}

CString operator+(const char *a, const CString &b)
{
    CString s(a);
    s += b;
    return s;
}

CString operator+(const CString &a, char b)
{
    CString s(a);
    s += b;
    return s;
}

int CString::Compare(const char *psz) const
{
    return crt::_mbscmp(reinterpret_cast<const unsigned char *>(data_),
                        reinterpret_cast<const unsigned char *>(psz ? psz : ""));
}

int CString::CompareNoCase(const char *psz) const
{
    return crt::_mbsicmp(reinterpret_cast<const unsigned char *>(data_),
                         reinterpret_cast<const unsigned char *>(psz ? psz : ""));
}

CString CString::Left(int nCount) const
{
    return CString(data_, Clamp(nCount, 0, length_));
}

CString CString::Right(int nCount) const
{
    int n = Clamp(nCount, 0, length_);
    return CString(data_ + length_ - n, n);
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, length_);
}

CString CString::Mid(int nFirst, int nCount) const
{
    int first = Clamp(nFirst, 0, length_);
    int n = Clamp(nCount, 0, length_ - first);
    return CString(data_ + first, n);
}

void CString::MakeUpper()
{
    for (int i = 0; i < length_;) {
        int n = static_cast<int>(crt::CharLength(data_ + i));
        if (n == 1 && data_[i] >= 'a' && data_[i] <= 'z')
            data_[i] = static_cast<char>(data_[i] - 'a' + 'A');
        i += n;
    }
}

void CString::MakeLower()
{
    for (int i = 0; i < length_;) {
        int n = static_cast<int>(crt::CharLength(data_ + i));
        if (n == 1 && data_[i] >= 'A' && data_[i] <= 'Z')
            data_[i] = static_cast<char>(data_[i] - 'A' + 'a');
        i += n;
    }
}

void CString::TrimLeft()
{
    int i = 0;
    while (i < length_ && IsWhiteSpace(data_[i]))
        ++i;
    if (i > 0)
        Assign(data_ + i, length_ - i);
}

void CString::TrimRight()
{
    // Forward, a character at a time: no trail byte is white space in the
    // double-byte code pages, but the walk keeps it so by construction.
    int end = 0;
    for (int i = 0; i < length_;) {
        int n = static_cast<int>(crt::CharLength(data_ + i));
        if (n != 1 || !IsWhiteSpace(data_[i]))
            end = i + n;
        i += n;
    }
    length_ = end;
    data_[length_] = '\0';
}

// '\0' is not a character of the text: -1.
int CString::Find(char ch) const
{
    if (ch == '\0')
        return -1;
    const char *p = crt::MbsChr(data_, static_cast<unsigned char>(ch));
    return p ? static_cast<int>(p - data_) : -1;
}

// Matches start on character boundaries only; "" is found at 0.
int CString::Find(const char *pszSub) const
{
    if (!pszSub)
        return -1;
    std::size_t n = std::strlen(pszSub);
    for (int i = 0; i + static_cast<int>(n) <= length_;) {
        if (std::memcmp(data_ + i, pszSub, n) == 0)
            return i;
        i += static_cast<int>(crt::CharLength(data_ + i));
    }
    return -1;
}

int CString::ReverseFind(char ch) const
{
    if (ch == '\0')
        return -1;
    const char *p = crt::MbsRChr(data_, static_cast<unsigned char>(ch));
    return p ? static_cast<int>(p - data_) : -1;
}

void CString::Format(const char *pszFormat, ...)
{
    std::va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

// Formats into fresh storage and only then replaces the text, so that an
// argument may be this string itself.
void CString::FormatV(const char *pszFormat, std::va_list args)
{
    std::va_list measure;
    va_copy(measure, args);
    std::size_t n = crt::FormatV(nullptr, 0, pszFormat, measure);
    va_end(measure);
    if (n > static_cast<std::size_t>(kInlineCapacity)) {
        char *fresh = new char[n + 1];
        crt::FormatV(fresh, n + 1, pszFormat, args);
        if (data_ != inline_)
            delete[] data_;
        data_ = fresh;
        capacity_ = static_cast<int>(n);
        length_ = static_cast<int>(n);
        return;
    }
    char text[CString::kInline];
    crt::FormatV(text, sizeof text, pszFormat, args);
    Assign(text, static_cast<int>(n));
}

char *CString::GetBuffer(int nMinBufLength)
{
    Reserve(nMinBufLength > length_ ? nMinBufLength : length_);
    return data_;
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0) {
        const void *nul = std::memchr(data_, '\0', static_cast<std::size_t>(capacity_));
        nNewLength = nul ? static_cast<int>(static_cast<const char *>(nul) - data_) : capacity_;
    }
    length_ = Clamp(nNewLength, 0, capacity_);
    data_[length_] = '\0';
}

bool operator==(const CString &a, const CString &b)
{
    return a.Compare(b) == 0;
}

bool operator==(const CString &a, const char *b)
{
    return a.Compare(b) == 0;
}

bool operator==(const char *a, const CString &b)
{
    return b.Compare(a) == 0;
}

bool operator!=(const CString &a, const CString &b)
{
    return !(a == b);
}

bool operator!=(const CString &a, const char *b)
{
    return !(a == b);
}

bool operator!=(const char *a, const CString &b)
{
    return !(a == b);
}
