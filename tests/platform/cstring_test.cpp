#include "platform/afx/afx.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "platform/crt/mbcs.h"

// Counts every allocation of the program, to see which operations of
// CString reach the heap.
namespace {
std::atomic<long> g_allocations{0};
}  // namespace

void *operator new(std::size_t size)
{
    ++g_allocations;
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void *operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void *p) noexcept
{
    std::free(p);
}
void operator delete[](void *p) noexcept
{
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void *p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

namespace crt = brenvik::crt;

class CodePageEnvironment : public ::testing::Environment {
public:
    void SetUp() override { crt::testing::ForceCodePage(1252); }
};
const auto *const g_environment = ::testing::AddGlobalTestEnvironment(new CodePageEnvironment);

class ScopedCodePage {
public:
    explicit ScopedCodePage(unsigned codePage) { crt::testing::ForceCodePage(codePage); }
    ~ScopedCodePage() { crt::testing::ForceCodePage(1252); }
};

// Allocations made while a callable runs.
template <typename F>
long AllocationsDuring(F &&f)
{
    long before = g_allocations.load();
    f();
    return g_allocations.load() - before;
}

std::string Str(const CString &s)
{
    return std::string(s.GetString(), static_cast<std::size_t>(s.GetLength()));
}

TEST(CString, Construction)
{
    struct Row {
        const char *what;
        CString s;
        std::string expected;
    };
    const CString copied("copy me");
    const Row rows[] = {
        {"default", CString(), ""},
        {"text", CString("abc"), "abc"},
        {"null text", CString(static_cast<const char *>(nullptr)), ""},
        {"counted", CString("abcdef", 3), "abc"},
        {"counted zero", CString("abc", 0), ""},
        {"counted negative", CString("abc", -4), ""},
        {"counted null", CString(nullptr, 5), ""},
        {"repeated", CString('x', 4), "xxxx"},
        {"repeated once", CString('y'), "y"},
        {"repeated never", CString('z', 0), ""},
        {"repeated negatively", CString('z', -3), ""},
        {"copy", CString(copied), "copy me"},
        {"long", CString(std::string(1000, 'L').c_str()), std::string(1000, 'L')},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(Str(r.s), r.expected);
        EXPECT_EQ(r.s.GetLength(), static_cast<int>(r.expected.size()));
        EXPECT_EQ(r.s.IsEmpty(), r.expected.empty());
        EXPECT_EQ(r.s.GetString()[r.s.GetLength()], '\0');
        EXPECT_EQ(static_cast<const char *>(r.s), r.s.GetString());
    }
}

TEST(CString, AssignmentAndMoves)
{
    const std::string longText(500, 'h');
    CString a("short");
    CString b(longText.c_str());

    CString movedShort(std::move(a));
    EXPECT_EQ(Str(movedShort), "short");
    EXPECT_EQ(Str(a), "");  // NOLINT: a moved-from string is empty
    CString movedLong(std::move(b));
    EXPECT_EQ(Str(movedLong), longText);
    EXPECT_EQ(Str(b), "");  // NOLINT

    // Moving a heap string steals its block.
    long allocations = AllocationsDuring([&] {
        CString target;
        target = std::move(movedLong);
    });
    EXPECT_EQ(allocations, 0);

    CString s;
    s = "text";
    EXPECT_EQ(Str(s), "text");
    s = 'c';
    EXPECT_EQ(Str(s), "c");
    s = static_cast<const char *>(nullptr);
    EXPECT_EQ(Str(s), "");
    s = longText.c_str();
    CString t;
    t = s;
    EXPECT_EQ(Str(t), longText);
    t = t;  // self-assignment keeps the text
    EXPECT_EQ(Str(t), longText);
    t = std::move(t);
    EXPECT_EQ(Str(t), longText);
    t = t.GetString() + 10;  // assigning a part of itself
    EXPECT_EQ(Str(t), std::string(490, 'h'));
    CString heapToInline(longText.c_str());
    heapToInline = CString("tiny");
    EXPECT_EQ(Str(heapToInline), "tiny");
}

TEST(CString, StringsUnder272BytesStayOffTheHeap)
{
    const std::string text271(271, 'p');
    const std::string part(200, 'q');
    const std::string rest(71, 'q');
    long allocations = AllocationsDuring([&] {
        CString s(text271.c_str());
        CString copy(s);
        CString assigned;
        assigned = copy;
        CString moved(std::move(copy));
        CString built(part.c_str());
        built += rest.c_str();
        built += CString("");
        CString formatted;
        formatted.Format("%s%s", part.c_str(), rest.c_str());
        CString joined = s.Left(100) + s.Mid(100, 171);
        CString repeated('r', 271);
        char *buffer = repeated.GetBuffer(271);
        buffer[0] = 'R';
        repeated.ReleaseBuffer();
        EXPECT_EQ(s.GetLength(), 271);
        EXPECT_EQ(built.GetLength(), 271);
        EXPECT_EQ(formatted.GetLength(), 271);
        EXPECT_EQ(joined.GetLength(), 271);
        EXPECT_TRUE(s == joined);
        EXPECT_EQ(repeated.GetAt(0), 'R');
    });
    EXPECT_EQ(allocations, 0);

    // One byte more needs the heap.
    const std::string text272(272, 'p');
    EXPECT_GT(AllocationsDuring([&] { CString s(text272.c_str()); }), 0);
    EXPECT_GT(AllocationsDuring([&] {
                  CString s(text271.c_str());
                  s += 'x';
              }),
              0);
    EXPECT_GT(AllocationsDuring([&] {
                  CString s;
                  s.Format("%s!", text271.c_str());
              }),
              0);

    // Empty() returns to the inline buffer.
    CString s(text272.c_str());
    s.Empty();
    EXPECT_EQ(AllocationsDuring([&] { s = text271.c_str(); }), 0);
}

TEST(CString, GrowsOnTheHeap)
{
    CString s;
    std::string expected;
    for (int i = 0; i < 2000; ++i) {
        char c = static_cast<char>('a' + i % 26);
        s += c;
        expected.push_back(c);
    }
    EXPECT_EQ(Str(s), expected);
    s += s;  // appending itself, on the heap
    EXPECT_EQ(Str(s), expected + expected);

    CString small("ab");
    small += small;  // and inline
    EXPECT_EQ(Str(small), "abab");
    small += small.GetString() + 1;
    EXPECT_EQ(Str(small), "ababbab");

    CString edge(std::string(200, 'e').c_str());
    edge += edge;  // crossing from inline to heap while reading itself
    EXPECT_EQ(Str(edge), std::string(400, 'e'));
}

TEST(CString, Concatenation)
{
    CString a("ab"), b("cd");
    EXPECT_EQ(Str(a + b), "abcd");
    EXPECT_EQ(Str(a + "xy"), "abxy");
    EXPECT_EQ(Str("xy" + a), "xyab");
    EXPECT_EQ(Str(a + '!'), "ab!");
    EXPECT_EQ(Str(a + static_cast<const char *>(nullptr)), "ab");
    CString c;
    c += static_cast<const char *>(nullptr);
    c += "";
    EXPECT_EQ(Str(c), "");
}

TEST(CString, Comparisons)
{
    struct Row {
        unsigned codePage;
        const char *a, *b;
        int compare;      // sign of Compare
        int compareNoCase;
    };
    const Row rows[] = {
        {1252, "abc", "abc", 0, 0},
        {1252, "abc", "ABC", 1, 0},
        {1252, "abc", "abd", -1, -1},
        {1252, "", "a", -1, -1},
        {1252, "Movie.VCD", "movie.vcd", -1, 0},
        {1252, "\x81\x41", "\x81\x61", -1, 0},
        {932, "\x81\x41", "\x81\x61", -1, -1},
        {932, "X\x82\x60", "x\x82\x60", -1, 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string(r.a) + " / " + r.b);
        ScopedCodePage cp(r.codePage);
        CString a(r.a);
        int c = a.Compare(r.b);
        int n = a.CompareNoCase(r.b);
        EXPECT_EQ((c > 0) - (c < 0), r.compare);
        EXPECT_EQ((n > 0) - (n < 0), r.compareNoCase);
        EXPECT_EQ(a == r.b, r.compare == 0);
        EXPECT_EQ(r.b == a, r.compare == 0);
        EXPECT_EQ(a == CString(r.b), r.compare == 0);
        EXPECT_EQ(a != r.b, r.compare != 0);
        EXPECT_EQ(r.b != a, r.compare != 0);
        EXPECT_EQ(a != CString(r.b), r.compare != 0);
    }
    CString empty;
    EXPECT_EQ(empty.Compare(nullptr), 0);
    EXPECT_GT(CString("a").CompareNoCase(nullptr), 0);
}

TEST(CString, Substrings)
{
    const CString s("abcdef");
    struct Row {
        CString got;
        const char *expected;
    };
    const Row rows[] = {
        {s.Left(2), "ab"},      {s.Left(0), ""},         {s.Left(-1), ""},
        {s.Left(99), "abcdef"}, {s.Right(2), "ef"},      {s.Right(0), ""},
        {s.Right(-3), ""},      {s.Right(99), "abcdef"}, {s.Mid(2), "cdef"},
        {s.Mid(0), "abcdef"},   {s.Mid(-5), "abcdef"},   {s.Mid(6), ""},
        {s.Mid(99), ""},        {s.Mid(1, 3), "bcd"},    {s.Mid(4, 99), "ef"},
        {s.Mid(2, 0), ""},      {s.Mid(2, -1), ""},      {s.Mid(-2, 3), "abc"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(Str(r.got), r.expected);
}

TEST(CString, CaseChangesLeaveDoubleByteCharactersAlone)
{
    CString upper("a\x82\x61z.vcd");
    CString lower("A\x82\x41Z.VCD");
    {
        ScopedCodePage cp(932);
        CString u(upper), l(lower);
        u.MakeUpper();
        l.MakeLower();
        EXPECT_EQ(Str(u), "A\x82\x61Z.VCD");
        EXPECT_EQ(Str(l), "a\x82\x41z.vcd");
    }
    upper.MakeUpper();
    lower.MakeLower();
    EXPECT_EQ(Str(upper), "A\x82\x41Z.VCD");
    EXPECT_EQ(Str(lower), "a\x82\x61z.vcd");
}

TEST(CString, Trimming)
{
    struct Row {
        const char *text;
        const char *left;
        const char *right;
    };
    const Row rows[] = {
        {"  abc  ", "abc  ", "  abc"},
        {" \t\r\n\v\fx y\f\v\n\r\t ", "x y\f\v\n\r\t ", " \t\r\n\v\fx y"},
        {"plain", "plain", "plain"},
        {"   ", "", ""},
        {"", "", ""},
        {"\xA0x\xA0", "\xA0x\xA0", "\xA0x\xA0"},  // only the six ASCII spaces
        {"_x_ ", "_x_ ", "_x_"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.text);
        CString l(r.text), rt(r.text);
        l.TrimLeft();
        rt.TrimRight();
        EXPECT_EQ(Str(l), r.left);
        EXPECT_EQ(Str(rt), r.right);
    }
    CString longText((std::string(300, ' ') + "x" + std::string(300, ' ')).c_str());
    longText.TrimLeft();
    longText.TrimRight();
    EXPECT_EQ(Str(longText), "x");
}

TEST(CString, Searches)
{
    struct Row {
        unsigned codePage;
        const char *text;
        char ch;
        int find;
        int reverseFind;
    };
    const Row rows[] = {
        {1252, "C:\\dir\\file.txt", '\\', 2, 6},
        {1252, "C:\\dir\\file.txt", '.', 11, 11},
        {1252, "abc", 'x', -1, -1},
        {1252, "", 'a', -1, -1},
        {1252, "abc", '\0', -1, -1},
        {1252, "\x95\\x\\y", '\\', 1, 3},
        {932, "\x95\\x\\y", '\\', 3, 3},
        {932, "\x95\\\x95\\", '\\', -1, -1},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::to_string(r.codePage) + " " + r.text);
        ScopedCodePage cp(r.codePage);
        CString s(r.text);
        EXPECT_EQ(s.Find(r.ch), r.find);
        EXPECT_EQ(s.ReverseFind(r.ch), r.reverseFind);
    }

    CString s("\x95\\xab\\xab");
    EXPECT_EQ(s.Find("\\x"), 1);
    EXPECT_EQ(s.Find("ab"), 3);
    EXPECT_EQ(s.Find(""), 0);
    EXPECT_EQ(s.Find(static_cast<const char *>(nullptr)), -1);
    EXPECT_EQ(s.Find("abc"), -1);
    EXPECT_EQ(s.Find("\x95\\xab\\xab!"), -1);
    {
        ScopedCodePage cp(932);
        // A match must start on a character: byte 1 is the trail of 0x95.
        EXPECT_EQ(s.Find("\\x"), 5);
        EXPECT_EQ(s.Find("\x95\\"), 0);
    }
}

TEST(CString, ElementAccess)
{
    CString s("abc");
    EXPECT_EQ(s.GetAt(0), 'a');
    EXPECT_EQ(s[2], 'c');
    EXPECT_EQ(s.GetAt(3), '\0');
    EXPECT_EQ(s.GetAt(-1), '\0');
    EXPECT_EQ(s.GetAt(1000), '\0');
    s.SetAt(1, 'B');
    s.SetAt(3, 'X');
    s.SetAt(-1, 'Y');
    EXPECT_EQ(Str(s), "aBc");
}

TEST(CString, FormatHasNoLimit)
{
    CString s;
    s.Format("%s\\%s.%s", "C:\\img", "Movie", "VCD");
    EXPECT_EQ(Str(s), "C:\\img\\Movie.VCD");
    s.Format("%d-%05u-%x", -3, 42u, 255);
    EXPECT_EQ(Str(s), "-3-00042-ff");

    const std::string big(5000, 'b');
    s.Format("<%s>", big.c_str());
    EXPECT_EQ(Str(s), "<" + big + ">");
    s.Format(nullptr);
    EXPECT_EQ(Str(s), "");

    // The string itself as an argument, inline and on the heap.
    CString self("self");
    self.Format("%s+%s", self.GetString(), self.GetString());
    EXPECT_EQ(Str(self), "self+self");
    CString bigSelf(big.c_str());
    bigSelf.Format("%s%s", bigSelf.GetString(), "!");
    EXPECT_EQ(Str(bigSelf), big + "!");
    CString shrink(big.c_str());
    shrink.Format("%.3s", shrink.GetString());
    EXPECT_EQ(Str(shrink), "bbb");
}

TEST(CString, Buffers)
{
    CString s("keep");
    char *p = s.GetBuffer(10);
    EXPECT_STREQ(p, "keep");
    std::strcpy(p, "hello");
    s.ReleaseBuffer();
    EXPECT_EQ(Str(s), "hello");

    p = s.GetBuffer(0);
    p[3] = '\0';
    s.ReleaseBuffer();
    EXPECT_EQ(Str(s), "hel");

    p = s.GetBuffer(20);
    std::memcpy(p, "abcdefgh", 8);
    s.ReleaseBuffer(6);
    EXPECT_EQ(Str(s), "abcdef");

    p = s.GetBuffer(1000);
    std::memset(p, 'z', 1000);
    p[1000] = '\0';
    s.ReleaseBuffer(-1);
    EXPECT_EQ(s.GetLength(), 1000);
    EXPECT_EQ(Str(s), std::string(1000, 'z'));

    p = s.GetBuffer(-5);  // never less than the text
    EXPECT_EQ(std::string(p), std::string(1000, 'z'));
    s.ReleaseBuffer(5000);  // clamped to the buffer
    EXPECT_GE(s.GetLength(), 1000);
    EXPECT_EQ(s.GetString()[s.GetLength()], '\0');
}

TEST(CString, RuntimeCallsDoNotAllocate)
{
    char drive[brenvik::crt::kMaxDrive], dir[brenvik::crt::kMaxDir];
    char fname[brenvik::crt::kMaxFname], ext[brenvik::crt::kMaxExt];
    char path[brenvik::crt::kMaxPath], text[1025];
    int results = 0;
    long allocations = AllocationsDuring([&] {
        results += crt::_splitpath_s("C:\\dir\\file.txt", drive, sizeof drive, dir, sizeof dir,
                                     fname, sizeof fname, ext, sizeof ext);
        results += crt::_makepath_s(path, sizeof path, drive, dir, fname, ".bak");
        results += crt::_mbsicmp(reinterpret_cast<const unsigned char *>(path),
                                 reinterpret_cast<const unsigned char *>("c:\\DIR\\file.BAK"));
        results += crt::wsprintfA(text, "%s|%5d|%-3c|%#x", path, 42, 'x', 255) != 0 ? 0 : 1;
    });
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(results, 0);
    EXPECT_STREQ(text, "C:\\dir\\file.bak|   42|x  |0xff");
}

}  // namespace
