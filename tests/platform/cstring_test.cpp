#include "platform/afx/afx.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "platform/crt/mbcs.h"
#include "support/code_page.h"

// Counts every allocation. Out of line, so that the compiler never pairs an
// inlined free() with an operator new.
namespace {
std::atomic<long> g_allocations{0};
[[gnu::noinline]] void *Allocate(std::size_t size)
{
    ++g_allocations;
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void Release(void *p) noexcept { std::free(p); }
}  // namespace

void *operator new(std::size_t size) { return Allocate(size); }
void *operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void *p) noexcept { Release(p); }
void operator delete[](void *p) noexcept { Release(p); }
void operator delete(void *p, std::size_t) noexcept { Release(p); }
void operator delete[](void *p, std::size_t) noexcept { Release(p); }

namespace {

namespace crt = brenvik::crt;

using brenvik::test::ScopedCodePage;

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

// Counts, positions and sizes out of range are clamped, never trusted.
TEST(CString, ClampsEveryCountAndPosition)
{
    const CString s("abcdef");
    const struct { CString got; const char *expected; } rows[] = {
        {CString("abcdef", 3), "abc"}, {CString("abc", -4), ""},  {CString(nullptr, 5), ""},
        {CString('x', 4), "xxxx"},     {CString('z', -3), ""},    {CString(nullptr), ""},
        {s.Left(2), "ab"},             {s.Left(-1), ""},          {s.Left(99), "abcdef"},
        {s.Right(2), "ef"},            {s.Right(-3), ""},         {s.Right(99), "abcdef"},
        {s.Mid(2), "cdef"},            {s.Mid(-5), "abcdef"},     {s.Mid(99), ""},
        {s.Mid(1, 3), "bcd"},          {s.Mid(4, 99), "ef"},      {s.Mid(2, -1), ""},
        {s.Mid(-2, 3), "abc"},         {s + static_cast<const char *>(nullptr), "abcdef"},
    };
    for (const auto &r : rows)
        EXPECT_EQ(Str(r.got), r.expected);

    CString t("abc");
    EXPECT_EQ(t.GetAt(-1) | t.GetAt(3), '\0');
    t.SetAt(3, 'X'), t.SetAt(-1, 'Y'), t.SetAt(1, 'B');
    EXPECT_EQ(Str(t), "aBc");
    char *p = t.GetBuffer(20);
    std::memcpy(p, "abcdefgh", 8);
    t.ReleaseBuffer(6);
    EXPECT_EQ(Str(t), "abcdef");
    p = t.GetBuffer(-5);  // never less than the text
    EXPECT_STREQ(p, "abcdef");
    p[3] = '\0';
    t.ReleaseBuffer();
    EXPECT_EQ(Str(t), "abc");
    t.GetBuffer(0);
    t.ReleaseBuffer(5000);  // clamped to the buffer
    EXPECT_GE(t.GetLength(), 3);
    EXPECT_EQ(std::string(t.GetString()).substr(0, 3), "abc");
}

TEST(CString, AssignsAndAppendsItsOwnText)
{
    const std::string longText(500, 'h');
    CString t(longText.c_str());
    t = t;
    EXPECT_EQ(Str(t), longText);
    t = t.GetString() + 10;  // a part of itself
    EXPECT_EQ(Str(t), std::string(490, 'h'));
    CString moved(std::move(t));
    EXPECT_EQ(Str(t), "");  // NOLINT: a moved-from string is empty
    EXPECT_EQ(AllocationsDuring([&] { t = std::move(moved); }), 0);  // steals the block
    EXPECT_EQ(Str(t), std::string(490, 'h'));

    CString small("ab");
    small += small;
    small += small.GetString() + 1;
    EXPECT_EQ(Str(small), "ababbab");
    CString edge(std::string(200, 'e').c_str());
    edge += edge;  // crossing from inline to heap while reading itself
    edge += 'x';
    edge += edge;
    EXPECT_EQ(Str(edge), std::string(400, 'e') + 'x' + std::string(400, 'e') + 'x');
    EXPECT_EQ(Str("xy" + CString("ab") + '!' + "cd"), "xyab!cd");

    CString self("self");
    self.Format("%s+%s", self.GetString(), self.GetString());
    EXPECT_EQ(Str(self), "self+self");
    CString big(std::string(5000, 'b').c_str());
    big.Format("<%s>", big.GetString());  // no length limit
    EXPECT_EQ(Str(big), "<" + std::string(5000, 'b') + ">");
    big.Format("%.3s", big.GetString());
    EXPECT_EQ(Str(big), "<bb");
}

TEST(CString, StringsUnder272BytesStayOffTheHeap)
{
    const std::string text271(271, 'p'), part(200, 'q'), rest(71, 'q');
    crt::IsLeadByte(0x81);  // the code page is read, once, on first use
    EXPECT_EQ(AllocationsDuring([&] {
                  CString s(text271.c_str()), copy(s), built(part.c_str()), formatted;
                  copy = s;
                  built += rest.c_str();
                  formatted.Format("%s%s", part.c_str(), rest.c_str());
                  EXPECT_TRUE(copy == s.Left(100) + s.Mid(100, 171));
                  EXPECT_EQ(built.GetLength() + formatted.GetLength(), 542);
              }),
              0);
    CString s;
    EXPECT_GT(AllocationsDuring([&] { s.Format("%s!", text271.c_str()); }), 0);
    s.Empty();  // back to the inline buffer
    EXPECT_EQ(AllocationsDuring([&] { s = text271.c_str(); }), 0);
}

TEST(CString, ComparesAndSearchesByCharacter)
{
    const struct { unsigned cp; const char *a, *b; int cmp, icmp; } rows[] = {
        {1252, "abc", "ABC", 1, 0}, {1252, "", "a", -1, -1}, {932, "\x81\x41", "\x81\x61", -1, -1},
        {932, "X\x82\x60", "x\x82\x60", -1, 0}};
    for (const auto &r : rows) {
        SCOPED_TRACE(std::string(r.a) + " / " + r.b);
        ScopedCodePage cp(r.cp);
        const CString a(r.a);
        const int c = a.Compare(r.b), n = a.CompareNoCase(r.b);
        EXPECT_EQ((c > 0) - (c < 0), r.cmp);
        EXPECT_EQ((n > 0) - (n < 0), r.icmp);
        EXPECT_EQ(a == r.b, r.cmp == 0);
        EXPECT_EQ(r.b != a, r.cmp != 0);
    }

    // 0x95 0x5C is one character in code page 932 whose second byte is '\'.
    // A lone lead byte at the end is a character; one before its trail byte is not.
    const struct { unsigned cp; const char *text; char ch; int find, reverseFind; } finds[] = {
        {1252, "C:\\dir\\file.txt", '\\', 2, 6}, {1252, "abc", '\0', -1, -1}, {1252, "\x95\\x\\y", '\\', 1, 3},
        {932, "\x95\\x\\y", '\\', 3, 3}, {932, "\x95\\\x95\\", '\\', -1, -1}, {932, "ab\x95", '\x95', 2, 2},
        {932, "a\x95\\", '\x95', -1, -1}};
    for (const auto &r : finds) {
        ScopedCodePage cp(r.cp);
        EXPECT_EQ(CString(r.text).Find(r.ch), r.find) << r.cp << " " << r.text;
        EXPECT_EQ(CString(r.text).ReverseFind(r.ch), r.reverseFind) << r.cp << " " << r.text;
    }
    const CString s("\x95\\xab\\xab");
    EXPECT_EQ(s.Find("\\x"), 1);
    EXPECT_EQ(s.Find(""), 0);
    EXPECT_EQ(s.Find(static_cast<const char *>(nullptr)), -1);
    ScopedCodePage cp(932);
    EXPECT_EQ(s.Find("\\x"), 5);  // a match starts on a character
}

TEST(CString, CaseAndTrimming)
{
    {
        ScopedCodePage cp(932);
        CString u("a\x82\x61z.vcd");
        u.MakeUpper();
        EXPECT_EQ(Str(u), "A\x82\x61Z.VCD");  // the trail byte is not a letter
    }
    CString l("A\x82\x41Z.VCD");
    l.MakeLower();
    EXPECT_EQ(Str(l), "a\x82\x61z.vcd");

    const struct { const char *text, *left, *right; } rows[] = {  // only the six ASCII spaces
        {" \t\r\n\v\fx y\f\v\n\r\t ", "x y\f\v\n\r\t ", " \t\r\n\v\fx y"}, {"   ", "", ""},
        {"\xA0x\xA0", "\xA0x\xA0", "\xA0x\xA0"}};
    for (const auto &r : rows) {
        CString left(r.text), right(r.text);
        left.TrimLeft(), right.TrimRight();
        EXPECT_EQ(Str(left) + "|" + Str(right), std::string(r.left) + "|" + r.right);
    }
}

}  // namespace
