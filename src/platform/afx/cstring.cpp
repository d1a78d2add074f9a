// CString over the runtime subset, with only what the library builds paths
// with. The text lives in inline_ until it needs more than kInline - 1 bytes;
// then on the heap, never moving back except on Empty(). Negative counts are
// clamped rather than asserted. A null string pointer reads as "".
#include <cstring>
#include <utility>

#include "platform/afx/afx.h"

namespace {


constexpr int kInlineCapacity = CString::kInline - 1;

int Length(const char *psz)
{
    return psz ? static_cast<int>(std::strlen(psz)) : 0;
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

// inline_ is storage that data_ may point at, not a value of its own.
// cppcheck-suppress operatorEqVarError
CString &CString::operator=(const CString &other)
{
    if (this != &other)
        Assign(other.data_, other.length_);
    return *this;
}

// cppcheck-suppress operatorEqVarError
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

CString operator+(const CString &a, const char *b)
{
    CString s(a);
    s += b;
    return s;
}
