// The runtime subset, the string class over it and the .reg file reader:
// string work that every backend shares.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/afx/afx.h"
#include "platform/crt/crt.h"
#include "platform/crt/mbcs.h"
#include "platform/registry/reg_file.h"
#include "support/code_page.h"
#include "support/test_support.h"

// Counts every allocation. Out of line, so that the compiler never pairs an
// inlined free() with an operator new.
static std::atomic<long> g_allocations{0};
[[gnu::noinline]] static void *Allocate(std::size_t size)
{
    ++g_allocations;
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] static void Release(void *p) noexcept { std::free(p); }

void *operator new(std::size_t size) { return Allocate(size); }
void *operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void *p) noexcept { Release(p); }
void operator delete[](void *p) noexcept { Release(p); }
void operator delete(void *p, std::size_t) noexcept { Release(p); }
void operator delete[](void *p, std::size_t) noexcept { Release(p); }

namespace crt = brenvik::crt;
using brenvik::registry::RegFile;
using brenvik::registry::RegValue;
using brenvik::test::RegText;
using brenvik::test::ScopedCodePage;
using namespace std::string_literals;

namespace {

// A buffer with guard bytes behind the size the callee is given.
struct Guarded {
    explicit Guarded(std::size_t n) : bytes(n + 16, 'Z'), size(n) { bytes[0] = 'Q'; }
    char *data() { return &bytes[0]; }
    std::string str() const { return bytes.c_str(); }
    bool Intact() const { return bytes.substr(size) == std::string(16, 'Z'); }
    std::string bytes;
    std::size_t size;
};

int Sign(int v) { return (v > 0) - (v < 0); }
const unsigned char *U(const char *s) { return reinterpret_cast<const unsigned char *>(s); }

TEST(CodePage, LeadBytesFollowTheInstalledServices)
{
    const struct { unsigned cp; unsigned lo1, hi1, lo2, hi2; } rows[] = {
        {932, 0x81, 0x9F, 0xE0, 0xFC}, {949, 0x81, 0xFE, 0x81, 0xFE}, {1252, 1, 0, 1, 0}};
    for (const auto &r : rows) {
        ScopedCodePage cp(r.cp);
        for (unsigned c = 0; c < 256; ++c)
            ASSERT_EQ(crt::IsLeadByte(static_cast<unsigned char>(c)),
                      (c >= r.lo1 && c <= r.hi1) || (c >= r.lo2 && c <= r.hi2))
                << r.cp << " " << c;
    }
}

// The pieces as "drive|dir|fname|ext", from the bounded or the unbounded form,
// into buffers of the largest sizes; after an error, what the buffers hold.
std::string Split(const char *path, bool bounded)
{
    Guarded d(crt::kMaxDrive), p(crt::kMaxDir), f(crt::kMaxFname), e(crt::kMaxExt);
    int rc = 0;
    if (bounded)
        rc = crt::_splitpath_s(path, d.data(), d.size, p.data(), p.size, f.data(), f.size,
                               e.data(), e.size);
    else
        crt::_splitpath(path, d.data(), p.data(), f.data(), e.data());
    EXPECT_TRUE(d.Intact() && p.Intact() && f.Intact() && e.Intact());
    return (rc ? "error " + std::to_string(rc) + " " : "") + d.str() + "|" + p.str() + "|" +
           f.str() + "|" + e.str();
}

// 0x95 0x5C is one character in code page 932 whose second byte is '\'. A
// piece that does not fit empties every piece.
TEST(SplitPath, SplitsAndRefuses)
{
    const std::string d253(253, 'd'), n255(255, 'n'), e254(254, 'e');
    const std::string range = "error " + std::to_string(ERANGE) + " |||";
    const struct { unsigned cp; std::string path, pieces; } rows[] = {
        {1252, "C:\\dir\\file.txt", "C:|\\dir\\|file|.txt"}, {1252, "C:/d/f.txt", "C:|/d/|f|.txt"},
        {1252, "C:\\dir/", "C:|\\dir/||"}, {1252, ".bashrc", "|||.bashrc"},
        {1252, "C:\\dir.d\\file", "C:|\\dir.d\\|file|"},
        {1252, "C:file.txt", "C:||file|.txt"}, {932, "a\x81.b", "||a\x81.b|"},
        {932, "C:\\dir\x95\\file.txt", "C:|\\|dir\x95\\file|.txt"},
        {1252, "C:\\dir\x95\\file.txt", "C:|\\dir\x95\\|file|.txt"},
        {932, "C:\\d\\.\x81", "C:|\\d\\||.\x81"},  // a lead byte alone at the end
        {1252, "C:\\" + d253 + "\\f.x", "C:|\\" + d253 + "\\|f|.x"},
        {1252, "C:\\" + d253 + "d\\f.x", range}, {1252, "C:\\" + n255 + "n.x", range},
        {1252, "C:\\" + n255 + ".x", "C:|\\|" + n255 + "|.x"}, {1252, "C:\\f." + e254 + "e", range},
        {1252, "C:\\f." + e254, "C:|\\|f|." + e254},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(std::to_string(r.cp) + " " + r.path);
        ScopedCodePage cp(r.cp);
        const bool fits = r.path.size() < crt::kMaxPath;  // all that the unbounded form takes
        EXPECT_EQ(Split(r.path.c_str(), true), r.pieces);
        EXPECT_EQ(Split(r.path.c_str(), false), fits ? r.pieces : "|||");
    }
    // A drive needs three bytes; a buffer needs a size.
    const struct { const char *path; std::size_t driveSize; int result; } bad[] = {
        {"C:\\x", 2, ERANGE}, {nullptr, 3, EINVAL}, {"C:\\a", 0, EINVAL}};
    for (const auto &b : bad) {
        Guarded d(3), p(crt::kMaxDir);
        EXPECT_EQ(crt::_splitpath_s(b.path, d.data(), b.driveSize, p.data(), p.size, nullptr, 0,
                                    nullptr, 0),
                  b.result);
        EXPECT_EQ(p.str(), "");
        EXPECT_TRUE(d.Intact() && p.Intact());
    }
}

TEST(MakePath, JoinsWithinTheBuffer)
{
    // A null out: ERANGE and an empty result.
    const struct { unsigned cp; std::size_t size; const char *drive, *dir, *fname, *ext, *out; }
        rows[] = {
        {1252, 260, "C", "\\dir", "file", "txt", "C:\\dir\\file.txt"},
        {1252, 260, "C:\\ignored", "\\d\\", "f", "x", "C:\\d\\f.x"},
        {1252, 260, nullptr, "dir", "f", nullptr, "dir\\f"},
        {1252, 260, "C:", "\\dir\\", nullptr, ".bak", "C:\\dir\\.bak"},
        {932, 260, nullptr, "d\x95\\", "f", nullptr, "d\x95\\\\f"},  // the 0x5C is a trail byte
        {1252, 260, nullptr, "d\x95\\", "f", nullptr, "d\x95\\f"},
        {1252, 9, "C", "\\d", "f", "x", "C:\\d\\f.x"}, {1252, 8, "C", "\\d", "f", "x", nullptr},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(std::to_string(r.size) + " " + (r.out ? r.out : "ERANGE"));
        ScopedCodePage cp(r.cp);
        Guarded out(r.size);
        EXPECT_EQ(crt::_makepath_s(out.data(), r.size, r.drive, r.dir, r.fname, r.ext),
                  r.out ? 0 : ERANGE);
        EXPECT_EQ(out.str(), r.out ? r.out : "");
        EXPECT_TRUE(out.Intact());
    }
}

TEST(Compare, Table)
{
    const struct { unsigned cp; const char *a, *b; int cmp, icmp; } rows[] = {
        {1252, "abc", "ABC", 1, 0}, {1252, "a_", "aB", 1, -1},  // folds to lower case
        {1252, "\xE4", "\xC4", 1, 1}, {1252, "@", "`", -1, -1},  // ASCII letters only
        {1252, "\x81\x41", "\x81\x61", -1, 0}, {932, "\x81", "\x81\x40", -1, -1},
        {932, "\x81\x41", "\x81\x61", -1, -1},  // one character each: no folding
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(std::to_string(r.cp) + " " + r.a + " / " + r.b);
        ScopedCodePage cp(r.cp);
        EXPECT_EQ(Sign(crt::_mbscmp(U(r.a), U(r.b))), r.cmp);
        EXPECT_EQ(Sign(crt::_mbsicmp(U(r.a), U(r.b))), r.icmp);
        EXPECT_EQ(Sign(crt::_mbsicmp(U(r.b), U(r.a))), -r.icmp);
    }
    EXPECT_EQ(crt::_mbsicmp(nullptr, U("a")), crt::kNlsCmpError);
    EXPECT_EQ(crt::_mbscmp(U("a"), nullptr), crt::kNlsCmpError);
}

std::string F(const char *format, ...)
{
    char buffer[2048];
    std::va_list args;
    va_start(args, format);
    std::size_t n = crt::FormatV(buffer, sizeof buffer, format, args);
    va_end(args);
    EXPECT_EQ(n, std::string(buffer).size()) << format;
    return buffer;
}

TEST(Format, Conversions)
{
    const struct { std::string expected, got; } rows[] = {
        {"42 -2147483648 4294967295", F("%d %i %u", 42, INT_MIN, -1)},
        {"ff FF 0xff 0XFF 0x0", F("%x %X %#x %#X %#x", 255, 255, 255, 255, 0)},
        {"   42|42   |00042|-0042|42   ", F("%5d|%-5d|%05d|%05d|%-05d", 42, 42, 42, -42, 42)},
        {"abc|(null)|ab|  abc|abc  |    a",
         F("%s|%s|%.2s|%5s|%-5s|%5.1s", "abc", static_cast<const char *>(nullptr), "abc", "abc",
           "abc", "abc")},
    };
    for (const auto &r : rows)
        EXPECT_EQ(r.got, r.expected);
}

TEST(Format, BoundedOutput)
{
    const struct { std::size_t size; const char *format, *arg; std::size_t n; const char *out; }
        rows[] = {{5, "%s", "abcdefgh", 8, "abcd"}, {1, "x%sy", "123", 5, ""}};
    for (const auto &r : rows) {
        Guarded out(r.size);
        EXPECT_EQ(crt::Format(out.data(), r.size, r.format, r.arg), r.n) << r.format;
        EXPECT_EQ(out.str(), r.out);
        EXPECT_TRUE(out.Intact());
    }
    EXPECT_EQ(crt::Format(nullptr, 0, "%s-%d", "ab", -7), 5u);
    // Absurd widths are cut to a sane field instead of overflowing the count.
    EXPECT_EQ(crt::Format(nullptr, 0, "%99999999999999999999d", 1), std::size_t{1} << 20);

    // The user32 form stops at 1024 characters.
    for (std::size_t length : {1024u, 1025u}) {
        const std::string text(length, 'a');
        Guarded out(1025);
        EXPECT_EQ(crt::wsprintfA(out.data(), "%s", text.c_str()), std::min<int>(length, 1024));
        EXPECT_EQ(out.str(), text.substr(0, 1024));
        EXPECT_TRUE(out.Intact());
    }
}

template <typename F>
long AllocationsDuring(F &&f)
{
    long before = g_allocations.load();
    f();
    return g_allocations.load() - before;
}

std::string Str(const CString &s)
{
    EXPECT_EQ(s.GetString()[s.GetLength()], '\0');
    return std::string(s.GetString(), static_cast<std::size_t>(s.GetLength()));
}

// Counts out of range are clamped, never trusted.
TEST(CString, ClampsCounts)
{
    const CString s("abcdef");
    const struct { CString got; const char *expected; } rows[] = {
        {CString("abcdef", 3), "abc"}, {CString("abc", -4), ""}, {CString(nullptr, 5), ""},
        {CString(nullptr), ""}, {s + static_cast<const char *>(nullptr), "abcdef"},
    };
    for (const auto &r : rows)
        EXPECT_EQ(Str(r.got), r.expected);
}

TEST(CString, StringsUnder272BytesStayOffTheHeap)
{
    const std::string text271(271, 'p'), part(200, 'q'), rest(71, 'q'), big(2000, 'b');
    crt::IsLeadByte(0x81);  // the code page is read, once, on first use
    EXPECT_EQ(AllocationsDuring([&] {
                  CString s(text271.c_str()), copy(s), built(part.c_str());
                  copy = s;
                  built += rest.c_str();
                  EXPECT_TRUE(std::strcmp(copy, s) == 0 && built.GetLength() == 271);
              }),
              0);
    CString s(part.c_str());
    EXPECT_GT(AllocationsDuring([&] { (s += s) += s; }), 0);  // onto the heap, then a bigger one
    EXPECT_EQ(Str(s), part + part + part + part);
    s = big.c_str();  // more than the heap block holds
    EXPECT_EQ(Str(s), big);
    s.Empty();  // back to the inline buffer
    EXPECT_EQ(AllocationsDuring([&] { s = text271.c_str(); }), 0);
    EXPECT_EQ(Str(s += "!"), text271 + "!");  // onto the heap again: the destructor frees it
}

constexpr uint32_t kSz = 1, kExpandSz = 2, kBinary = 3, kDword = 4, kMultiSz = 7;
using Bytes = std::vector<uint8_t>;

Bytes Sz(const std::string &s) { return Bytes(s.c_str(), s.c_str() + s.size() + 1); }

// ASCII to UTF-16LE bytes, optionally with a byte order mark.
std::string Utf16le(const std::string &ascii, bool bom)
{
    std::string out = bom ? "\xFF\xFE" : "";
    for (char c : ascii)
        out += std::string{c, '\0'};
    return out;
}

// Every key, value, type and byte, for comparing whole parses.
std::string Dump(const RegFile &f)
{
    std::string out;
    for (const auto &k : f.keys()) {
        out += "[" + k.path + "]";
        for (const RegValue &v : k.values)
            out += v.name + "=" + std::to_string(v.type) + ":" +
                   std::string(v.data.begin(), v.data.end()) + ";";
    }
    return out;
}

const char kSample[] =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "; a comment line\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]\r\n"
    "\"DebugLevel\"=dword:00000001\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C]\r\n"
    "@=\"default text\"\r\n"
    "\"Path\"=\"C:\\\\host\\\\root\"\r\n"
    "\"Expand\"=hex(2):25,00,50,00,41,00,54,00,48,00,25,00,00,00\r\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,63,00,00,00,00,00\r\n"
    "\"Quad\"=hex(b):08,07,06,05,04,03,02,01\r\n"
    "\"Long\"=hex:00,01,02,03,\\\r\n"
    "  04,05,06,\\\r\n"
    "  07\r\n\r\n"
    "[HKEY_CURRENT_USER\\Network\\Z]\r\n"
    "\"RemotePath\"=\"\\\\\\\\server\\\\share\"\r\n";

TEST(RegistryFile, ReadsTheSampleInEveryEncodingAndLooksUpInAnyCase)
{
    std::string lf = kSample;
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    for (const std::string &form : {std::string(kSample), lf, "\xEF\xBB\xBF" + std::string(kSample),
                                    Utf16le(kSample, true), Utf16le(kSample, false)}) {
        RegFile f = RegFile::Parse(form);
        EXPECT_EQ(f.version(), 5);
        EXPECT_TRUE(f.warnings().empty());
        EXPECT_EQ(Dump(f), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]DebugLevel=4:\1\0\0\0;"
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C]=1:default text\0;"
                           "Path=1:C:\\host\\root\0;Expand=2:%PATH%\0;Multi=7:a\0bc\0\0;"
                           "Quad=11:\10\7\6\5\4\3\2\1;Long=3:\0\1\2\3\4\5\6\7;"
                           "[HKEY_CURRENT_USER\\Network\\Z]RemotePath=1:\\\\server\\share\0;"s);
    }
    RegFile f = RegFile::Parse(kSample);
    EXPECT_EQ(f.FindValue("hkey_local_machine\\software\\orlodebug\\\\", "DEBUGlevel"),
              &f.keys()[0].values[0]);
    for (const char *path : {"HKCU\\SOFTWARE\\OrloDebug", "HKLM\\SOFTWARE\\\\OrloDebug",
                             "\\HKLM\\SOFTWARE\\OrloDebug", "HKLM\\SOFTWARE\\OrloDebugX", ""})
        EXPECT_EQ(f.FindKey(path), nullptr) << path;
    EXPECT_EQ(f.FindValue("HKLM\\SOFTWARE\\OrloDebug", "DebugLeve"), nullptr);
    // UTF-16 text, including a surrogate pair, becomes UTF-8.
    const std::string head = "Windows Registry Editor Version 5.00\r\n[HKLM\\K]\r\n\"L\"=\"";
    RegFile wide = RegFile::Parse(Utf16le(head, true) +
                                  std::string("\xC4\x00\xAC\x20\x3D\xD8\x00\xDE", 8) +
                                  Utf16le("\"\r\n", false));
    EXPECT_EQ(Dump(wide), "[HKLM\\K]L=1:\xC3\x84\xE2\x82\xAC\xF0\x9F\x98\x80\0;"s);
    // REGEDIT4 keeps the bytes of hex string types as written.
    RegFile v4 = RegFile::Parse("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n\"E\"=hex(2):25,54,25,00\n");
    EXPECT_EQ(v4.version(), 4);
    EXPECT_EQ(Dump(v4), "[HKEY_LOCAL_MACHINE\\A]E=2:%T%\0;"s);
    RegFile tree = RegFile::Parse(RegText({"[HKLM\\SOFTWARE\\Brenvik\\Drives\\C]",
                                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\d]",
                                           "[HKLM\\software\\brenvik\\drives\\c\\deeper]",
                                           "[HKLM\\SOFTWARE\\Brenvik\\Shares\\srv\\share]",
                                           "[HKLM\\SOFTWARE\\Brenvik\\Drives\\E]", "[HKCR\\.vcd]",
                                           "@=\"img\""}));
    using Names = std::vector<std::string>;
    EXPECT_EQ(tree.SubKeyNames("HKLM\\SOFTWARE\\Brenvik\\Drives"), (Names{"C", "d", "E"}));
    EXPECT_EQ(tree.SubKeyNames("hklm\\software\\BRENVIK\\"), (Names{"Drives", "Shares"}));
    EXPECT_EQ(tree.SubKeyNames("HKLM\\SOFTWARE\\Brenvik\\Drives\\C"), (Names{"deeper"}));
    EXPECT_TRUE(tree.KeyExists("HKLM\\SOFTWARE\\Brenvik\\Shares\\SRV"));  // implicit parent
    EXPECT_FALSE(tree.KeyExists("HKLM\\SOFTWARE\\Bren"));
    EXPECT_NE(tree.FindValue("HKEY_CLASSES_ROOT\\.VCD", ""), nullptr);
}

TEST(RegistryFile, ValueForms)
{
    const struct { const char *data; uint32_t type; Bytes bytes; } rows[] = {
        {R"("say \"hi\"")", kSz, Sz("say \"hi\"")}, {" \"spaced\" ", kSz, Sz("spaced")},
        {R"("C:\dir\new")", kSz, Sz("C:\\dir\\new")},  // other escapes stand for themselves
        {"DWORD:0000ABcd", kDword, {0xcd, 0xab, 0, 0}}, {"dword:7", kDword, {7, 0, 0, 0}},
        {"dword:12345678  ", kDword, {0x78, 0x56, 0x34, 0x12}},
        {"hex:", kBinary, {}}, {"hex:0,a,Ff", kBinary, {0, 0x0a, 0xff}}, {"HEX(0):", 0, {}},
        {"hex: 01 , 02 ,03,", kBinary, {1, 2, 3}}, {"hex(ffff0010):01", 0xffff0010u, {1}},
        {"hex(1):41,00,00,00", kSz, {'A', 0}},
        {"hex(2):41,00,00", kExpandSz, {0x41, 0, 0}},  // odd count: not UTF-16, kept
        {"hex:01,\\\r\n  02,\\\r\n\t03  \\  \r\n  ,04", kBinary, {1, 2, 3, 4}},
        {"hex(7):61,00,\\\r\n  00,00,00,00\r\n\"after\"=\"x\"", kMultiSz, {'a', 0, 0}},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.data);
        RegFile f = RegFile::Parse(RegText({"[HKLM\\K]", std::string("\"v\"=") + r.data}));
        const RegValue *v = f.FindValue("HKLM\\K", "v");
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->type, r.type);
        EXPECT_EQ(v->data, r.bytes);
    }
    RegFile names = RegFile::Parse(RegText({"[HKLM\\K]", R"("a \"q\" \\ n"="1")", "@=\"first\"",
                                            "\"\"=\"second\"", " @ = dword:2"}));
    EXPECT_NE(names.FindValue("HKLM\\K", "a \"q\" \\ n"), nullptr);
    ASSERT_EQ(names.keys()[0].values.size(), 2u);  // the three defaults are one value
    EXPECT_EQ(names.FindValue("HKLM\\K", "")->data, (Bytes{2, 0, 0, 0}));
}

TEST(RegistryFile, MergesReplacesAndDeletes)
{
    RegFile f = RegFile::Parse(RegText({
        "[HKLM\\A]", "\"one\"=\"1\"", "\"two\"=\"2\"", "\"gone\"=dword:00000003",
        "[HKLM\\A\\Sub]", "[HKLM\\B]", "\"b\"=\"b\"",
        "[hklm\\a]", "\"ONE\"=\"uno\"", "\"three\"=\"3\"", "\"Gone\"=-", "\"never-set\"=-",
        "[-HKLM\\B]", "\"lost\"=\"after a deletion\"",
        "[-HKLM\\A\\Sub]", "[HKLM\\A\\Sub\\Later]", "[-HKLM\\Missing]",
        "[HKLM\\T]", "[HKLM\\T\\x]", "[HKLM\\Tx]", "[-HKLM\\T]",
    }));
    EXPECT_EQ(Dump(f),
              "[HKLM\\A]one=1:uno\0;two=1:2\0;three=1:3\0;[HKLM\\A\\Sub\\Later][HKLM\\Tx]"s);
    ASSERT_EQ(f.warnings().size(), 1u);  // the value after [-HKLM\B]
    EXPECT_NE(f.warnings()[0].find("line 16"), std::string::npos) << f.warnings()[0];
}

// A malformed line is skipped and reported; the well-formed lines around it
// stay. Without a valid header nothing is read.
TEST(RegistryFile, MalformedInputsYieldWhatIsWellFormed)
{
    const std::string hdr = "Windows Registry Editor Version 5.00\r\n";
    const std::string key = "[HKLM\\K]\r\n\"good\"=\"1\"\r\n", k = hdr + key;
    const struct { std::string text; std::size_t keys, warnings; } rows[] = {
        {hdr, 0, 0}, {"\r\n\r\n" + k, 1, 0}, {"regedit4\r\n" + key, 0, 1},
        {hdr + "[HKLM\\Bad\r\n\"v\"=\"x\"\r\n" + key, 1, 2},
        {hdr + "[HKEY_NOWHERE\\X]\r\n\"v\"=\"x\"\r\n" + key, 1, 2},
        {hdr + "[HKLM\\A\\\\B]\r\n" + key, 1, 1}, {hdr + "\"v\"=\"x\"\r\n" + key, 1, 1},
        {k + "\"v\" \"x\"\r\n", 1, 1}, {k + "\"v\"=\"x\r\n", 1, 1}, {k + "\"v\"=\"x\" y\r\n", 1, 1},
        {k + "\"v\"=qword:1\r\n", 1, 1}, {k + "\"v\"=dword:0000000g\r\n", 1, 1},
        {k + "\"v\"=hex:001\r\n", 1, 1}, {k + "\"v\"=hex(123456789):01\r\n", 1, 1},
        {k + "\"v\"=hex:01,\\", 1, 1},  // a file cut inside a continuation, a name, a form
        {k + "\"v", 1, 1}, {k + "\"v\"=hex", 1, 1}, {Utf16le(k, true) + "x", 1, 1},
        {k + "\"v\"=hex:zz,\\\r\n  01,02\r\n", 1, 1},  // one warning for all its lines
        {k + std::string("\"v\"=\"a\0b\"\r\n", 11), 1, 0},  // a NUL inside a line is no error
        {k + "\"good\"=dword:xyz\r\n", 1, 1},  // the earlier good value stays
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.text);
        RegFile f = RegFile::Parse(r.text);
        EXPECT_EQ(f.keys().size(), r.keys);
        EXPECT_EQ(f.warnings().size(), r.warnings);
        const RegValue *good = f.FindValue("HKLM\\K", "good");
        EXPECT_EQ(good ? good->data : Bytes{}, r.keys ? Sz("1") : Bytes{});
    }
    RegFile f = RegFile::Parse(RegText({"[HKLM\\K]", "\"ok\"=\"1\"", "\"v\"=hex:zz"}));
    EXPECT_EQ(f.warnings(), std::vector<std::string>{"line 5: bad hex byte: \"v\"=hex:zz"});
}

TEST(RegistryFile, WarningsStopGrowing)
{
    std::string many = "REGEDIT4\n";
    for (int i = 0; i < 5000; ++i)
        many += "junk\n";
    RegFile g = RegFile::Parse(many);
    EXPECT_EQ(g.warnings().size(), 1001u);  // the list stops growing
    EXPECT_EQ(g.warnings().back(), "further warnings left out");
}

}  // namespace
