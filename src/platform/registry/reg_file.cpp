// The .reg reader. Parse is total: any byte string gives a RegFile, never an
// exception (other than running out of memory) and never a read outside the
// text. What the rules below do not accept is skipped, and each skipped line
// leaves one entry "line N: why: text" in warnings() (at most kMaxWarnings,
// then one closing entry).
//
// Text and encoding
// - A UTF-16LE (FF FE) or UTF-16BE (FE FF) byte order mark: the text is
//   UTF-16 and is converted to UTF-8; unpaired surrogates become U+FFFD and an
//   odd last byte is dropped with a warning. A text whose second byte is NUL
//   and first is not is taken for UTF-16LE without a mark.
// - A UTF-8 mark (EF BB BF) is dropped; anything else is taken byte for byte.
// - Lines end at LF; a CR before the LF is dropped.
//
// Header
// - The first line that is not blank must be "Windows Registry Editor Version
//   5.00" or "REGEDIT4" (blanks around it ignored). Otherwise the file yields
//   no keys, version() is 0 and there is one warning.
//
// Lines after the header (leading blanks and tabs ignored)
// - Blank lines and lines starting with ';' are ignored.
// - "[path]" opens a key; "[-path]" deletes the key and every key below it
//   listed so far. The path is what lies between '[' and the last character,
//   which must be ']'; blanks around it and trailing backslashes are dropped.
//   The first component must name a hive (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER,
//   HKEY_CLASSES_ROOT, HKEY_USERS, HKEY_CURRENT_CONFIG or HKLM, HKCU, HKCR,
//   HKU, HKCC, any letter case) and no component may be empty. A bad key line
//   is a warning and, like a deletion, leaves no current key: the value lines
//   up to the next key line are skipped with a warning each.
//   A key listed twice is one key: the second section adds to the first.
// - A value line is NAME=DATA, NAME being @ (the default value) or a quoted
//   string ("" names the default value too), with optional blanks around '='.
//   DATA is one of
//     "text"          REG_SZ: the text and a NUL
//     -               deletes the value
//     dword:h         REG_DWORD: 1 to 8 hex digits, stored little-endian
//     hex:b,b,...     REG_BINARY
//     hex(N):b,b,...  type N (1 to 8 hex digits), e.g. hex(2), hex(7), hex(b)
//   Only blanks may follow. A byte is 1 or 2 hex digits; blanks may stand
//   around the commas; one trailing comma is allowed. A hex line ending in a
//   backslash continues on the next line (regedit wraps long values so); a
//   continuation cut off by the end of the file makes the value malformed.
//   In a version 5 file hex(1), hex(2) and hex(7) hold UTF-16LE text, which
//   is converted to UTF-8; an odd byte count keeps the bytes as written.
//   A value set twice keeps the later data.
// - In quoted strings \\ stands for a backslash and \" for a quote. A
//   backslash before any other character stands for itself (both characters
//   are kept), so unescaped Windows paths still read as meant.
// - Everything else is malformed: a string without its closing quote, a
//   missing '=', bad or too many hex digits, anything after the data, a
//   value line outside a key, or a line of any other form.
#include "platform/registry/reg_file.h"

#include <fstream>
#include <utility>

#include "platform/crt/crt.h"

namespace brenvik {
namespace registry {

namespace {

constexpr std::size_t kMaxWarnings = 1000;
constexpr std::size_t kSnippet = 60;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return s.substr(i);
}

std::string_view TrimRight(std::string_view s)
{
    std::size_t n = s.size();
    while (n > 0 && IsBlank(s[n - 1]))
        --n;
    return s.substr(0, n);
}

std::string_view Trim(std::string_view s)
{
    return TrimRight(TrimLeft(s));
}

char Fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    }
    return true;
}

bool StartsNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && EqualNoCase(s.substr(0, prefix.size()), prefix);
}

// 1 to 8 hex digits and nothing else.
bool ParseHex32(std::string_view s, uint32_t *value)
{
    if (s.empty() || s.size() > 8)
        return false;
    uint32_t v = 0;
    for (char c : s) {
        int d = crt::HexDigit(c);
        if (d < 0)
            return false;
        v = (v << 4) | static_cast<uint32_t>(d);
    }
    *value = v;
    return true;
}

void AppendUtf8(std::string *out, uint32_t cp)
{
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Converts n / 2 UTF-16 code units; an odd last byte is ignored.
std::string Utf16ToUtf8(const unsigned char *p, std::size_t n, bool bigEndian)
{
    std::string out;
    out.reserve(n / 2);
    std::size_t units = n / 2;
    auto unit = [&](std::size_t i) -> uint32_t {
        uint32_t a = p[2 * i], b = p[2 * i + 1];
        return bigEndian ? (a << 8) | b : (b << 8) | a;
    };
    for (std::size_t i = 0; i < units; ++i) {
        uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            uint32_t low = unit(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(&out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF)
            u = 0xFFFD;
        AppendUtf8(&out, u);
    }
    return out;
}

struct Hive {
    const char *full;
    const char *abbreviation;
};

constexpr Hive kHives[] = {
    {"HKEY_LOCAL_MACHINE", "HKLM"}, {"HKEY_CURRENT_USER", "HKCU"},
    {"HKEY_CLASSES_ROOT", "HKCR"},  {"HKEY_USERS", "HKU"},
    {"HKEY_CURRENT_CONFIG", "HKCC"},
};

// The lookup form of a key path: the hive's full name, then each component
// folded to lower case, joined by backslashes. False for a path that names
// no hive or has an empty component. Trailing backslashes are tolerated.
bool Canonical(std::string_view path, std::string *out)
{
    while (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    if (path.empty())
        return false;
    std::size_t slash = path.find('\\');
    std::string_view hive = path.substr(0, slash);
    const Hive *found = nullptr;
    for (const Hive &h : kHives) {
        if (EqualNoCase(hive, h.full) || EqualNoCase(hive, h.abbreviation)) {
            found = &h;
            break;
        }
    }
    if (!found)
        return false;
    out->assign(found->full);
    if (slash == std::string_view::npos)
        return true;
    std::string_view rest = path.substr(slash + 1);
    while (true) {
        std::size_t next = rest.find('\\');
        std::string_view component = rest.substr(0, next);
        if (component.empty())
            return false;
        out->push_back('\\');
        for (char c : component)
            out->push_back(Fold(c));
        if (next == std::string_view::npos)
            return true;
        rest = rest.substr(next + 1);
    }
}

// The index-th backslash-separated component of path.
std::string_view Component(std::string_view path, std::size_t index)
{
    for (std::size_t i = 0; i < index; ++i) {
        std::size_t slash = path.find('\\');
        if (slash == std::string_view::npos)
            return std::string_view();
        path = path.substr(slash + 1);
    }
    return path.substr(0, path.find('\\'));
}

std::size_t CountComponents(std::string_view canonical)
{
    std::size_t n = 1;
    for (char c : canonical)
        n += (c == '\\');
    return n;
}

// Reads "..." at s[*pos] (which is '"'); on success *pos is just past the
// closing quote.
bool ParseQuoted(std::string_view s, std::size_t *pos, std::string *out)
{
    out->clear();
    std::size_t i = *pos + 1;
    while (i < s.size()) {
        char c = s[i];
        if (c == '"') {
            *pos = i + 1;
            return true;
        }
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            out->push_back(s[i + 1]);
            i += 2;
            continue;
        }
        out->push_back(c);
        ++i;
    }
    return false;
}

}  // namespace

class RegParser {
public:
    explicit RegParser(RegFile *file) : f_(*file) {}

    void Run(std::string_view raw)
    {
        std::string decoded;
        text_ = Decode(raw, &decoded);
        pos_ = 0;
        std::string_view line;
        bool headerSeen = false;
        while (NextLine(&line)) {
            std::string_view t = Trim(line);
            if (t.empty())
                continue;
            if (t == "Windows Registry Editor Version 5.00") {
                f_.version_ = 5;
                headerSeen = true;
            } else if (t == "REGEDIT4") {
                f_.version_ = 4;
                headerSeen = true;
            }
            break;
        }
        if (!headerSeen) {
            Warn(line, "no registry file header");
            return;
        }
        while (NextLine(&line)) {
            std::string_view t = TrimLeft(line);
            if (t.empty() || t[0] == ';')
                continue;
            if (t[0] == '[')
                Section(t);
            else if (t[0] == '"' || t[0] == '@')
                Value(t);
            else
                Warn(line, "not a key or value line");
        }
    }

private:
    std::string_view Decode(std::string_view raw, std::string *storage)
    {
        const auto *b = reinterpret_cast<const unsigned char *>(raw.data());
        std::size_t n = raw.size();
        bool utf16 = false, bigEndian = false;
        std::size_t skip = 0;
        if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
            utf16 = true;
            skip = 2;
        } else if (n >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
            utf16 = bigEndian = true;
            skip = 2;
        } else if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
            return raw.substr(3);
        } else if (n >= 2 && b[0] != 0 && b[1] == 0) {
            utf16 = true;
        }
        if (!utf16)
            return raw;
        if ((n - skip) % 2 != 0)
            Warn(std::string_view(), "odd byte at the end of UTF-16 text dropped");
        *storage = Utf16ToUtf8(b + skip, n - skip, bigEndian);
        return *storage;
    }

    bool NextLine(std::string_view *line)
    {
        if (pos_ >= text_.size())
            return false;
        std::size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos)
            end = text_.size();
        *line = text_.substr(pos_, end - pos_);
        if (!line->empty() && line->back() == '\r')
            line->remove_suffix(1);
        pos_ = end + 1;
        ++lineNo_;
        return true;
    }

    void Warn(std::string_view line, const char *why)
    {
        if (f_.warnings_.size() > kMaxWarnings)
            return;
        if (f_.warnings_.size() == kMaxWarnings) {
            f_.warnings_.push_back("further warnings left out");
            return;
        }
        std::string w = lineNo_ ? "line " + std::to_string(lineNo_) + ": " : std::string("text: ");
        w += why;
        if (!line.empty()) {
            w += ": ";
            std::size_t n = line.size() < kSnippet ? line.size() : kSnippet;
            for (std::size_t i = 0; i < n; ++i) {
                auto c = static_cast<unsigned char>(line[i]);
                w.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
            }
            if (n < line.size())
                w += "...";
        }
        f_.warnings_.push_back(std::move(w));
    }

    void Section(std::string_view line)
    {
        current_ = kNone;
        std::string_view t = TrimRight(line);
        if (t.size() < 2 || t.back() != ']') {
            Warn(line, "key line without ']'");
            return;
        }
        std::string_view inner = t.substr(1, t.size() - 2);
        bool remove = !inner.empty() && inner[0] == '-';
        if (remove)
            inner.remove_prefix(1);
        inner = Trim(inner);
        while (!inner.empty() && inner.back() == '\\')
            inner.remove_suffix(1);
        std::string canon;
        if (!Canonical(inner, &canon)) {
            Warn(line, "bad key path");
            return;
        }
        if (remove) {
            std::size_t kept = 0;
            for (std::size_t i = 0; i < f_.keys_.size(); ++i) {
                const std::string &c = f_.canon_[i];
                bool below = c.size() > canon.size() && c.compare(0, canon.size(), canon) == 0 &&
                             c[canon.size()] == '\\';
                if (c == canon || below)
                    continue;
                if (kept != i) {
                    f_.keys_[kept] = std::move(f_.keys_[i]);
                    f_.canon_[kept] = std::move(f_.canon_[i]);
                }
                ++kept;
            }
            f_.keys_.resize(kept);
            f_.canon_.resize(kept);
            return;
        }
        for (std::size_t i = 0; i < f_.canon_.size(); ++i) {
            if (f_.canon_[i] == canon) {
                current_ = i;
                return;
            }
        }
        f_.keys_.push_back(RegKey{std::string(inner), {}});
        f_.canon_.push_back(std::move(canon));
        current_ = f_.keys_.size() - 1;
    }

    // Joins the continuation lines of a hex value; false when the file ends
    // inside one.
    bool GatherContinuations(std::string_view first, std::string *out)
    {
        std::string_view part = TrimRight(first);
        out->clear();
        while (!part.empty() && part.back() == '\\') {
            part.remove_suffix(1);
            out->append(part.data(), part.size());
            std::string_view next;
            if (!NextLine(&next))
                return false;
            part = TrimRight(TrimLeft(next));
        }
        out->append(part.data(), part.size());
        return true;
    }

    static bool ParseHexBytes(std::string_view s, std::vector<uint8_t> *out)
    {
        out->clear();
        s = Trim(s);
        if (s.empty())
            return true;
        while (true) {
            std::size_t comma = s.find(',');
            std::string_view item = Trim(s.substr(0, comma));
            if (item.empty()) {
                // Only a single trailing comma may leave an empty item.
                return comma == std::string_view::npos && !out->empty();
            }
            uint32_t v;
            if (item.size() > 2 || !ParseHex32(item, &v))
                return false;
            out->push_back(static_cast<uint8_t>(v));
            if (comma == std::string_view::npos)
                return true;
            s = s.substr(comma + 1);
        }
    }

    void Value(std::string_view line)
    {
        std::string_view t = TrimLeft(line);
        std::string name;
        std::size_t pos = 0;
        if (t[0] == '@') {
            pos = 1;
        } else if (!ParseQuoted(t, &pos, &name)) {
            Warn(line, "value name without closing quote");
            return;
        }
        std::string_view rest = TrimLeft(t.substr(pos));
        if (rest.empty() || rest[0] != '=') {
            Warn(line, "value line without '='");
            return;
        }
        std::string_view data = TrimLeft(rest.substr(1));

        uint32_t type = 0;
        std::vector<uint8_t> bytes;
        bool remove = false;
        const char *bad = nullptr;
        if (!data.empty() && data[0] == '"') {
            std::string text;
            std::size_t p = 0;
            if (!ParseQuoted(data, &p, &text))
                bad = "string without closing quote";
            else if (!Trim(data.substr(p)).empty())
                bad = "text after the string";
            type = 1;  // REG_SZ
            bytes.assign(text.begin(), text.end());
            bytes.push_back(0);
        } else if (TrimRight(data) == "-") {
            remove = true;
        } else if (StartsNoCase(data, "dword:")) {
            uint32_t v = 0;
            if (!ParseHex32(TrimRight(data.substr(6)), &v))
                bad = "bad dword";
            type = 4;  // REG_DWORD
            for (int i = 0; i < 4; ++i)
                bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        } else if (StartsNoCase(data, "hex")) {
            std::string_view form = data.substr(3);
            type = 3;  // REG_BINARY
            if (!form.empty() && form[0] == '(') {
                std::size_t close = form.find(')');
                if (close == std::string_view::npos || !ParseHex32(form.substr(1, close - 1), &type))
                    bad = "bad hex type";
                else
                    form = form.substr(close + 1);
            }
            if (!bad && (form.empty() || form[0] != ':'))
                bad = "hex without ':'";
            // Joined even when bad, so that continuation lines are not read
            // as lines of their own.
            std::string joined;
            bool whole = GatherContinuations(bad ? form : form.substr(1), &joined);
            if (!bad && !whole)
                bad = "hex data cut off by the end of the file";
            if (!bad && !ParseHexBytes(joined, &bytes))
                bad = "bad hex byte";
            if (!bad && f_.version_ == 5 && (type == 1 || type == 2 || type == 7)) {
                if (bytes.size() % 2 == 0) {
                    std::string text = Utf16ToUtf8(bytes.data(), bytes.size(), false);
                    bytes.assign(text.begin(), text.end());
                } else {
                    Warn(line, "odd byte count of UTF-16 text kept as written");
                }
            }
        } else {
            bad = "unknown value data";
        }
        if (bad) {
            Warn(line, bad);
            return;
        }
        if (current_ == kNone) {
            Warn(line, "value outside a key");
            return;
        }
        std::vector<RegValue> &values = f_.keys_[current_].values;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (EqualNoCase(values[i].name, name)) {
                if (remove) {
                    values.erase(values.begin() + static_cast<std::ptrdiff_t>(i));
                } else {
                    values[i].type = type;
                    values[i].data = std::move(bytes);
                }
                return;
            }
        }
        if (!remove)
            values.push_back(RegValue{std::move(name), type, std::move(bytes)});
    }

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    RegFile &f_;
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t lineNo_ = 0;
    std::size_t current_ = kNone;
};

RegFile RegFile::Parse(std::string_view text)
{
    RegFile file;
    RegParser parser(&file);
    parser.Run(text);
    return file;
}

bool RegFile::Load(const std::string &hostPath, RegFile *out)
{
    if (!out)
        return false;
    std::ifstream in(hostPath, std::ios::binary);
    if (!in)
        return false;
    std::string text;
    char buffer[8192];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (in.bad())
        return false;
    *out = Parse(text);
    return true;
}

const RegKey *RegFile::FindKey(std::string_view keyPath) const
{
    std::string canon;
    if (!Canonical(keyPath, &canon))
        return nullptr;
    for (std::size_t i = 0; i < canon_.size(); ++i) {
        if (canon_[i] == canon)
            return &keys_[i];
    }
    return nullptr;
}

const RegValue *RegFile::FindValue(std::string_view keyPath, std::string_view valueName) const
{
    const RegKey *key = FindKey(keyPath);
    if (!key)
        return nullptr;
    for (const RegValue &v : key->values) {
        if (EqualNoCase(v.name, valueName))
            return &v;
    }
    return nullptr;
}

std::vector<std::string> RegFile::SubKeyNames(std::string_view parentPath) const
{
    std::vector<std::string> names;
    std::vector<std::string> folded;
    std::string canon;
    if (!Canonical(parentPath, &canon))
        return names;
    std::size_t depth = CountComponents(canon);
    for (std::size_t i = 0; i < canon_.size(); ++i) {
        const std::string &c = canon_[i];
        if (c.size() <= canon.size() + 1 || c.compare(0, canon.size(), canon) != 0 ||
            c[canon.size()] != '\\')
            continue;
        std::string child(Component(c, depth));
        bool seen = false;
        for (const std::string &f : folded)
            seen = seen || f == child;
        if (seen)
            continue;
        folded.push_back(child);
        names.emplace_back(Component(keys_[i].path, depth));
    }
    return names;
}

bool RegFile::KeyExists(std::string_view keyPath) const
{
    std::string canon;
    if (!Canonical(keyPath, &canon))
        return false;
    for (const std::string &c : canon_) {
        if (c.compare(0, canon.size(), canon) == 0 &&
            (c.size() == canon.size() || c[canon.size()] == '\\'))
            return true;
    }
    return false;
}

}  // namespace registry
}  // namespace brenvik
