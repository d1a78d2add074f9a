// The user32 formatter, as our own code so that every build formats alike.
//
//   %[flags][width][.precision][size]type
//   flags      '-' left-align, '0' pad numbers with zeros, '#' 0x / 0X before
//              hexadecimal (also before 0); any order, repeats allowed
//   width      decimal digits; '*' is not accepted (neither does user32)
//   precision  decimal digits: the most bytes of a string, the fewest digits
//              of a number (then '0' is ignored, and 0 with precision 0
//              prints no digits, as C's printf)
//   size       h (short; for c/s/C/S: narrow), l or w (32-bit long, as on
//              Windows, taken from a native long; for c/s/C/S: wide),
//              I64 or ll (64 bits)
//   type       c C d i u x X s S p %
//
// Wide characters (%C, %S, %lc, %ls) are wchar_t; the ASCII ones are copied
// and every other becomes '?'. A null string prints "(null)". %p prints the
// pointer as upper-case hexadecimal, two digits a byte. Anything else after a
// '%' (an unknown type such as 'f', '*', a '%' at the very end) is copied to
// the output as written, and no argument is taken for it.
// Nothing here allocates.
#include <cstdint>
#include <cstring>

#include "platform/crt/crt.h"

namespace brenvik {
namespace crt {

namespace {

constexpr std::size_t kUser32Limit = 1024;
// Widths and precisions beyond this are taken as this: no real format asks
// for more, and the sums below stay far from overflow.
constexpr std::size_t kMaxField = 1u << 20;

class Sink {
public:
    Sink(char *out, std::size_t outSize)
        : out_(outSize > 0 ? out : nullptr), room_(out_ ? outSize - 1 : 0)
    {
    }

    void Put(char c)
    {
        if (length_ < room_)
            out_[length_] = c;
        ++length_;
    }
    void Repeat(char c, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i)
            Put(c);
    }
    void Write(const char *s, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i)
            Put(s[i]);
    }
    std::size_t Finish()
    {
        if (out_)
            out_[length_ < room_ ? length_ : room_] = '\0';
        return length_;
    }

private:
    char *out_;
    std::size_t room_;
    std::size_t length_ = 0;
};

struct Field {
    bool left = false;
    bool zero = false;
    bool alternate = false;
    std::size_t width = 0;
    bool hasPrecision = false;
    std::size_t precision = 0;
    enum Size { kDefault, kShort, kLong, kLongLong } size = kDefault;
};

std::size_t ReadNumber(const char **p)
{
    std::size_t v = 0;
    while (**p >= '0' && **p <= '9') {
        if (v < kMaxField)
            v = v * 10 + static_cast<std::size_t>(**p - '0');
        ++*p;
    }
    return v < kMaxField ? v : kMaxField;
}

void Pad(Sink &sink, const Field &field, std::size_t length, bool before)
{
    if (field.width > length && field.left != before)
        sink.Repeat(' ', field.width - length);
}

// A wide character in the 8-bit output.
char Narrow(unsigned long w)
{
    return w < 0x80 ? static_cast<char>(w) : '?';
}

void EmitNumber(Sink &sink, const Field &field, char type, uint64_t magnitude, bool negative)
{
    char digits[24];
    std::size_t n = 0;
    const bool hex = (type == 'x' || type == 'X' || type == 'p');
    const char *alphabet = (type == 'x') ? "0123456789abcdef" : "0123456789ABCDEF";
    const unsigned base = hex ? 16 : 10;
    while (magnitude != 0) {
        digits[n++] = alphabet[magnitude % base];
        magnitude /= base;
    }
    std::size_t minDigits = field.hasPrecision ? field.precision : 1;
    std::size_t zeros = minDigits > n ? minDigits - n : 0;

    char prefix[2];
    std::size_t prefixLength = 0;
    if (negative)
        prefix[prefixLength++] = '-';
    if (field.alternate && (type == 'x' || type == 'X')) {
        prefix[prefixLength++] = '0';
        prefix[prefixLength++] = type;
    }
    std::size_t length = prefixLength + zeros + n;
    if (field.zero && !field.left && !field.hasPrecision && field.width > length) {
        zeros += field.width - length;
        length = field.width;
    }
    Pad(sink, field, length, true);
    sink.Write(prefix, prefixLength);
    sink.Repeat('0', zeros);
    while (n > 0)
        sink.Put(digits[--n]);
    Pad(sink, field, length, false);
}

void EmitInteger(Sink &sink, const Field &field, char type, std::va_list &args)
{
    if (type == 'd' || type == 'i') {
        int64_t v;
        switch (field.size) {
        case Field::kShort:
            v = static_cast<short>(va_arg(args, int));
            break;
        case Field::kLong:
            v = static_cast<int32_t>(va_arg(args, long));
            break;
        case Field::kLongLong:
            v = va_arg(args, long long);
            break;
        default:
            v = va_arg(args, int);
            break;
        }
        uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        EmitNumber(sink, field, type, magnitude, v < 0);
        return;
    }
    uint64_t v;
    switch (field.size) {
    case Field::kShort:
        v = static_cast<unsigned short>(va_arg(args, int));
        break;
    case Field::kLong:
        v = static_cast<uint32_t>(va_arg(args, unsigned long));
        break;
    case Field::kLongLong:
        v = va_arg(args, unsigned long long);
        break;
    default:
        v = va_arg(args, unsigned int);
        break;
    }
    EmitNumber(sink, field, type, v, false);
}

void EmitNarrowString(Sink &sink, const Field &field, const char *s)
{
    if (!s)
        s = "(null)";
    std::size_t n = 0;
    std::size_t limit = field.hasPrecision ? field.precision : static_cast<std::size_t>(-1);
    while (n < limit && s[n] != '\0')
        ++n;
    Pad(sink, field, n, true);
    sink.Write(s, n);
    Pad(sink, field, n, false);
}

void EmitWideString(Sink &sink, const Field &field, const wchar_t *s)
{
    if (!s) {
        EmitNarrowString(sink, field, nullptr);
        return;
    }
    std::size_t n = 0;
    std::size_t limit = field.hasPrecision ? field.precision : static_cast<std::size_t>(-1);
    while (n < limit && s[n] != L'\0')
        ++n;
    Pad(sink, field, n, true);
    for (std::size_t i = 0; i < n; ++i)
        sink.Put(Narrow(static_cast<unsigned long>(s[i])));
    Pad(sink, field, n, false);
}

// Formats one conversion starting after its '%'; false when it is not one
// we know (nothing taken from args then).
bool Convert(Sink &sink, const char **pp, std::va_list &args)
{
    const char *p = *pp;
    Field field;
    for (;; ++p) {
        if (*p == '-')
            field.left = true;
        else if (*p == '0')
            field.zero = true;
        else if (*p == '#')
            field.alternate = true;
        else
            break;
    }
    field.width = ReadNumber(&p);
    if (*p == '.') {
        ++p;
        field.hasPrecision = true;
        field.precision = ReadNumber(&p);
    }
    bool wide = false, narrow = false;
    if (*p == 'h') {
        field.size = Field::kShort;
        narrow = true;
        ++p;
    } else if (*p == 'l' && p[1] == 'l') {
        field.size = Field::kLongLong;
        p += 2;
    } else if (*p == 'l' || *p == 'w') {
        field.size = Field::kLong;
        wide = true;
        ++p;
    } else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
        field.size = Field::kLongLong;
        p += 3;
    }
    const char type = *p;
    switch (type) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
        EmitInteger(sink, field, type, args);
        break;
    case 'p': {
        Field pointer = field;
        pointer.hasPrecision = true;
        pointer.precision = 2 * sizeof(void *);
        EmitNumber(sink, pointer, 'p', reinterpret_cast<uintptr_t>(va_arg(args, void *)), false);
        break;
    }
    case 'c':
    case 'C': {
        // Both are promoted to int on the way through "...".
        int c = va_arg(args, int);
        bool isWide = (type == 'C') ? !narrow : wide;
        char out = isWide ? Narrow(static_cast<unsigned>(c)) : static_cast<char>(c);
        Pad(sink, field, 1, true);
        sink.Put(out);
        Pad(sink, field, 1, false);
        break;
    }
    case 's':
    case 'S': {
        bool isWide = (type == 'S') ? !narrow : wide;
        if (isWide)
            EmitWideString(sink, field, va_arg(args, const wchar_t *));
        else
            EmitNarrowString(sink, field, va_arg(args, const char *));
        break;
    }
    default:
        return false;
    }
    *pp = p + 1;
    return true;
}

}  // namespace

std::size_t FormatV(char *out, std::size_t outSize, const char *format, std::va_list args)
{
    Sink sink(out, outSize);
    if (!format)
        return sink.Finish();
    std::va_list ap;
    va_copy(ap, args);
    const char *p = format;
    while (*p) {
        if (*p != '%') {
            sink.Put(*p++);
            continue;
        }
        if (p[1] == '%') {
            sink.Put('%');
            p += 2;
            continue;
        }
        const char *start = p;
        const char *after = p + 1;
        if (Convert(sink, &after, ap)) {
            p = after;
            continue;
        }
        // Unknown: copy up to and including the character that stopped us.
        const char *stop = start + 1;
        while (*stop && (std::strchr("-0#.123456789hlwI", *stop) != nullptr))
            ++stop;
        if (*stop)
            ++stop;
        sink.Write(start, static_cast<std::size_t>(stop - start));
        p = stop;
    }
    va_end(ap);
    return sink.Finish();
}

std::size_t Format(char *out, std::size_t outSize, const char *format, ...)
{
    std::va_list args;
    va_start(args, format);
    std::size_t n = FormatV(out, outSize, format, args);
    va_end(args);
    return n;
}

int wvsprintfA(char *out, const char *format, std::va_list args)
{
    if (!out)
        return 0;
    std::size_t n = FormatV(out, kUser32Limit + 1, format, args);
    return static_cast<int>(n < kUser32Limit ? n : kUser32Limit);
}

int wsprintfA(char *out, const char *format, ...)
{
    std::va_list args;
    va_start(args, format);
    int n = wvsprintfA(out, format, args);
    va_end(args);
    return n;
}

}  // namespace crt
}  // namespace brenvik
