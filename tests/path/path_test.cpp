#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "support/code_page.h"

int Flag(const char *flags, int i) { return flags[i] - '0'; }

struct BrenvikTestAccess {
    static int Levels(const char *s, int ifEmpty)
    {
        return CDriveEx::ValidateMultiDirLevel_p(s, ifEmpty);
    }
};

namespace {

// 260 bytes preset to a marker ("untouched" vs "emptied"), then a guard zone str() checks.
struct OutBuf {
    explicit OutBuf(const char *preset = "<untouched>")
    {
        std::memset(b, 0x5A, sizeof b);
        std::strcpy(b, preset);
    }
    char *get() { return b; }
    std::string str() const
    {
        return std::any_of(b + BRENVIK_MAX_PATH, std::end(b), [](char c) { return c != 0x5A; })
                   ? "<written past 260 bytes>"
               : std::memchr(b, 0, BRENVIK_MAX_PATH) ? b : "<no NUL within 260 bytes>";
    }
    char b[BRENVIK_MAX_PATH + 64];
};

SPLITFPATH_tag MarkedRecord()
{
    SPLITFPATH_tag r{};
    for (char *f :
         {r.unc.strOrgPath, r.unc.strComputer_name, r.unc.strShare_name, r.unc.strDir,
          r.unc.strFilename, r.unc.strFileTitle, r.unc.strFileExt, r.drv.strOrgPath, r.drv.strDrv,
          r.drv.strDir, r.drv.strFilename, r.drv.strFileTitle, r.drv.strFileExt})
        std::strcpy(f, "old");
    return r;
}

int Compose(bool unc, char *out, const char *const p[5])
{
    return unc ? CDriveEx::ComposeUNC(out, p[0], p[1], p[2], p[3], p[4])
               : CDriveEx::ComposeDrvPath(out, p[0], p[1], p[2], p[3]);
}

std::string Pieces(const SPLITFPATH_tag &r, bool unc)
{
    std::string s = unc ? r.unc.strComputer_name : r.drv.strDrv;
    for (const char *f :
         {unc ? r.unc.strShare_name : r.drv.strDir, unc ? r.unc.strDir : r.drv.strFilename,
          unc ? r.unc.strFilename : r.drv.strFileTitle, unc ? r.unc.strFileTitle : r.drv.strFileExt,
          unc ? r.unc.strFileExt : nullptr})
        s += f ? std::string("|") + f : "";
    return s;
}

TEST(Split, WorkedExamplesAndQueries)
{
    // Pieces: drive: drv|dir|filename|title|ext; UNC: computer|share|dir|filename|title|ext.
    const struct { const char *path; int result; const char *pieces; } rows[] = {
        {R"(C:\dir\file.ext)", 1, R"(C:\|dir|file.ext|file|.ext)"}, {R"(C:\)", 1, R"(C:\||||)"},
        {R"(C:\file)", 1, R"(C:\||file|file|)"}, {R"(C:\dir\file.)", 1, R"(C:\|dir|file.|file|.)"},
        {R"(C:\dir\)", 1, R"(C:\|dir|||)"}, {R"(C:\dir\.)", 1, R"(C:\|dir|||)"},
        {R"(C:\dir\.cfg)", 0, R"(C:\|dir|||)"}, {R"(\\c\s\d1\d2\)", 1, R"(c|s|d1\d2|||)"},
        {R"(C:\..\f.txt)", 0, "||||"}, {R"(C:\d\\f)", 0, "||||"}, {"C:/dir/f.txt", 0, "||||"},
        {R"(C:\d/x\f.txt)", 0, R"(C:\|d/x|||)"}, {"C:", 0, "||||"}, {R"(dir\f.txt)", 0, "||||"},
        {R"(@:\x)", 0, "||||"}, {R"([:\x)", 0, "||||"}, {R"(C:\dir\a..b)", 0, "||||"},
        {R"(\\computer\share\dir\file.ext)", 1, "computer|share|dir|file.ext|file|.ext"},
        {R"(\\computer)", 1, "computer|||||"}, {R"(\\computer\)", 0, "computer|||||"},
        {R"(\\computer\share)", 1, "computer|share||||"},
        {R"(\\computer\share\file.ext)", 1, "computer|share||file.ext|file|.ext"},
        {R"(\\c\s\d\file.)", 1, "c|s|d|file|file|."}, {R"(\\c\s\d\.cfg)", 0, "c|s|d|||"},
        {R"(\\c\s\d\README)", 1, "c|s|d|README|README|"}, {R"(\\c\s\d\f*x)", 0, "c|s|d|||"},
        {R"(\\\c)", 0, "|||||"}, {R"(\\)", 0, "|||||"}, {R"(\\c\s\\f)", 0, "c|s||||"},
        {R"(\\c\s\d:x\f)", 0, "c|s|d:x|||"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path);
        const bool unc = std::strncmp(row.path, R"(\\)", 2) == 0;
        SPLITFPATH_tag rec = MarkedRecord();
        int isUnc = -1;
        EXPECT_EQ(CDriveEx::MySplitPath(row.path, &rec, &isUnc), row.result);
        EXPECT_EQ(isUnc, unc ? 1 : 0);
        EXPECT_EQ(Pieces(rec, unc), row.pieces);
        // A UNC failure keeps the path unless it fails early; the other group loses strOrgPath.
        const bool stored = unc ? std::strcmp(row.path, R"(\\)") != 0 : row.result == 1;
        EXPECT_STREQ(unc ? rec.unc.strOrgPath : rec.drv.strOrgPath, stored ? row.path : "");
        EXPECT_STREQ(unc ? rec.drv.strOrgPath : rec.unc.strOrgPath, "");
        EXPECT_EQ(Pieces(rec, !unc), unc ? "old|old|old|old|old" : "old|old|old|old|old|old");
        OutBuf name, title, ext, root;
        std::string tail = row.pieces, computer = tail.substr(0, tail.find('|'));
        for (int k = unc ? 3 : 2; k > 0; --k)
            tail.erase(0, tail.find('|') + 1);
        EXPECT_EQ(CDriveEx::GetTitleExt(row.path, name.get(), title.get(), ext.get()), row.result);
        EXPECT_EQ(name.str() + "|" + title.str() + "|" + ext.str(),
                  row.result ? tail : "<untouched>|<untouched>|<untouched>");
        isUnc = -1;
        EXPECT_EQ(CDriveEx::Get_RootDirOfFilePath(row.path, root.get(), &isUnc), row.result);
        EXPECT_EQ(isUnc, row.result ? int(unc) : -1);
        // A computer without a share: the root ends after the computer.
        const std::string share =
            *rec.unc.strShare_name ? rec.unc.strShare_name + std::string("\\") : "";
        EXPECT_EQ(root.str(), !row.result ? "<untouched>"
                              : unc       ? R"(\\)" + computer + "\\" + share
                                          : computer);
    }
}

TEST(PathTest, SplitMissingArgumentsAndAliasing)
{
    SPLITFPATH_tag rec = MarkedRecord();
    const SPLITFPATH_tag before = rec;
    OutBuf a;
    int isUnc = 7;
    for (const char *path : {static_cast<const char *>(nullptr), "", R"(C:\a)", R"(\\c\s)"}) {
        SPLITFPATH_tag *r = path && *path ? nullptr : &rec;
        char *out = r ? a.get() : nullptr;
        EXPECT_EQ(0, CDriveEx::MySplitPath(path, r, &isUnc) + CDriveEx::SplitUNC_p(path, r) +
                         CDriveEx::SplitDrvpath_p(path, r) +
                         CDriveEx::GetTitleExt(path, a.get(), out, a.get()) +
                         CDriveEx::Get_RootDirOfFilePath(path, out, &isUnc));
    }
    EXPECT_EQ(std::memcmp(&rec, &before, sizeof rec), 0);
    EXPECT_EQ(std::to_string(isUnc) + a.str(), "7<untouched>");
    EXPECT_EQ(CDriveEx::MySplitPath(R"(C:\d\f.e)", &rec, nullptr), 1);  // the form is optional
    // The path may be a field of the same record or an output; so may a composed path.
    for (const char *path : {R"(\\c\s\d\f.e)", R"(c:\d1\d2\a.b.e)"}) {
        const bool unc = path[0] == '\\';
        char *org = unc ? rec.unc.strOrgPath : rec.drv.strOrgPath;
        std::strcpy(org, path);
        EXPECT_EQ((unc ? CDriveEx::SplitUNC_p : CDriveEx::SplitDrvpath_p)(org, &rec), 1);
        EXPECT_EQ(org + ("|" + Pieces(rec, unc)), unc ? R"(\\c\s\d\f.e|c|s|d|f.e|f|.e)"
                                                      : R"(c:\d1\d2\a.b.e|c:\|d1\d2|a.b.e|a.b|.e)");
        char *field = unc ? rec.unc.strComputer_name : rec.drv.strFileTitle;
        EXPECT_EQ(unc ? CDriveEx::ComposeUNC(field, &rec) : CDriveEx::ComposeDrvPath(field, &rec),
                  1);
        EXPECT_STREQ(field, path);
    }
    EXPECT_EQ(CDriveEx::ComposeUNC(nullptr, &rec) + CDriveEx::ComposeDrvPath(nullptr, &rec), 0);
}

TEST(PathTest, ComposeWorkedExamples)
{
    const std::pair<std::string, const char *> rows[] = {
        // '|'-joined pieces (five: UNC); null: refused
        {"computer|share|dir|file|ext", R"(\\computer\share\dir\file.ext)"},
        {R"(c|s|d1\d2\|file.|ext)", R"(\\c\s\d1\d2\file.ext)"},
        {"c|s|d|a..b|..", R"(\\c\s\d\a..b..)"}, {R"(c|s\x|d|f|e)", nullptr},
        {R"(c\x|s|d|f|e)", nullptr}, {R"(c|s|d\\e|f|e)", nullptr}, {"c|s|d|f*|e", nullptr},
        {"c|s|d|f|e<", nullptr}, {R"(C:\|dir|file|ext)", R"(C:\dir\file.ext)"},
        {R"(C:foo|d1\|file|ext)", R"(C:\d1\file.ext)"}, {R"(C:|d|f|e\)", R"(C:\d\f.e\)"},
        {"D|d|f|e", nullptr}, {"C:|..|f|e", nullptr}, {"C:|a|file..x|e", nullptr},
        {"C:|a|file|e*t", nullptr}, {"[:|d|f|e", nullptr}, {"C:|a:b|f|e", nullptr},
        {"C:|" + std::string(200, 'd') + "|" + std::string(100, 't') + "|e", nullptr},  // too long
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.first);
        std::vector<std::string> v;
        for (std::size_t at = 0, bar; at <= row.first.size(); at = bar + 1)
            v.push_back(row.first.substr(
                at, (bar = std::min(row.first.find('|', at), row.first.size())) - at));
        v.resize(5);
        const char *p[5] = {v[0].c_str(), v[1].c_str(), v[2].c_str(), v[3].c_str(), v[4].c_str()};
        OutBuf out;
        EXPECT_EQ(Compose(!v[4].empty(), out.get(), p), row.second ? 1 : 0);
        EXPECT_EQ(out.str(), row.second ? row.second : "<untouched>");
    }
    for (int i = 0; i < 18; ++i) {  // UNC pieces, then drive pieces; each null, then empty
        const bool unc = i < 10;
        const char *p[5] = {unc ? "c" : "C:", unc ? "s" : "d", unc ? "d" : "t", unc ? "t" : "e",
                            "e"};
        p[(unc ? i : i - 10) / 2] = i % 2 ? "" : nullptr;
        OutBuf out;
        EXPECT_EQ(Compose(unc, out.get(), p) + Compose(unc, nullptr, p), 0) << i;
        EXPECT_EQ(out.str(), "<untouched>") << i;
    }
    const SPLITFPATH_tag *none = nullptr;
    OutBuf out;
    EXPECT_EQ(CDriveEx::ComposeUNC(out.get(), none) + CDriveEx::ComposeDrvPath(out.get(), none), 0);
    // A record without its path is not composed: splitting the other form empties it.
    SPLITFPATH_tag r{};
    EXPECT_EQ(CDriveEx::MySplitPath(R"(\\c\s\d\t.e)", &r, nullptr) +
                  CDriveEx::MySplitPath(R"(C:\d\t.e)", &r, nullptr), 2);
    EXPECT_EQ(CDriveEx::ComposeUNC(out.get(), &r), 0);
    *r.drv.strOrgPath = '\0';
    EXPECT_EQ(CDriveEx::ComposeDrvPath(out.get(), &r), 0);
    EXPECT_EQ(out.str(), "<untouched>");
}

struct Row { const char *path, *a, *b = nullptr, *out = nullptr; };

TEST(PathTest, ChgPathExtAndAddPrefix2FileTitle)
{
    const Row rows[] = {  // b null: ChgPathExt(path, a); otherwise AddPrefix2FileTitle
        {R"(C:\dir\file.txt)", ".bak", nullptr, R"(C:\dir\file.bak)"},
        {R"(C:\dir\README)", "bak", nullptr, R"(C:\dir\README.bak)"},
        
        {R"(\\srv\share\d\f.)", "x", nullptr, R"(\\srv\share\d\f.x)"}, {R"(C:\dir\)", "bak"},
        {R"(\\s\t\)", "bak"}, {R"(C:\file.txt)", "bak"}, {R"(\\s\t\f.txt)", "bak"},
        {R"(C:\d\f.txt)", "b*k"}, {R"(C:\..\f.txt)", "bak"}, {R"(C:\d\f.e)", ""},
        {R"(C:\dir\file.txt)", " new_", "_1 ", R"(C:\dir\new_file_1.txt)"},
        {R"(C:\dir\a.txt)", "   ", "_x", R"(C:\dir\a_x.txt)"},
        {R"(C:\dir\a.txt)", "p_", "\t\r\n\v\f ", R"(C:\dir\p_a.txt)"},
        {R"(C:\dir\a.txt)", "\t x y ", " z\t", R"(C:\dir\x y a z.txt)"},
        {R"(\\s\t\d\a..b)", "p", "q", R"(\\s\t\d\pa.q.b)"},
        // ".." in the title: refused in the drive form only.
        {R"(C:\dir\a.txt)", "p..", "q"}, {R"(\\s\t\d\a.e)", "p..", "q", R"(\\s\t\d\p..aq.e)"},
        {R"(C:\dir\a.txt)", "p", ".", R"(C:\dir\pa..txt)"}, {R"(C:\dir\README)", "p", "q"},
        {R"(C:\d\)", "p", "q"}, {R"(C:\a.txt)", "p", "q"}, {R"(C:\dir\a.txt)", "p*", "q"},
        {"", "p", "q"}, {R"(C:\d\a.b)", "", "q"}, {R"(C:\d\a.b)", " ", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.path) + " [" + row.a + "] [" + (row.b ? row.b : "") + "]");
        OutBuf out;
        EXPECT_EQ(row.b ? CDriveEx::AddPrefix2FileTitle(row.path, row.a, row.b, out.get())
                        : CDriveEx::ChgPathExt(row.path, row.a, out.get()),
                  row.out ? 1 : 0);
        EXPECT_EQ(out.str(), row.out ? row.out : "<untouched>");
    }
    EXPECT_EQ(0, CDriveEx::ChgPathExt(nullptr, "x", nullptr) +
                     CDriveEx::ChgPathExt(R"(C:\d\f.e)", "x", nullptr) +
                     CDriveEx::AddPrefix2FileTitle("C:", "p", "q", nullptr));
}

TEST(PathTest, ValidateNamesLevelsAndPathForms)
{
    const std::pair<const char *, const char *> rows[] = {
        {"a:b", "0100"}, {R"(C:\dir\a.txt)", "0101"}, {"a/b", "0000"}, {"a*b", "0000"},
        {R"(a\b\c)", "0110"}, {"plain name.txt", "1110"}, {" .. ", "1110"}, {R"(\a)", "0100"},
        {"C:", "0100"}, {R"(a\b*\c)", "0000"}, {R"(C:\)", "0101"}, {R"(C:\\x)", "0100"},
        {R"(C:\a:b)", "0100"}, {R"(\\s\)", "0100"}, {R"(\\sv\)", "0101"}, {R"(\\\x\y)", "0100"},
        {R"(\\srv)", "0100"}, {R"(1:\x)", "0100"}, {R"(C;\x)", "0110"}, {R"(\\s:v\x)", "0100"},
        {R"(\\srv\sh)", "0101"}, {R"(C:\d\\e)", "0101"}, {R"(\x\yy)", "0100"}, {"", "0010"},
    };
    for (const auto &[s, f] : rows) {
        SCOPED_TRACE(s);
        EXPECT_EQ(CDriveEx::IsFilenameValid(s), Flag(f, 0));
        EXPECT_EQ(CDriveEx::IsFilenameValid_ignore_bs_colon(s), Flag(f, 1));
        EXPECT_EQ(BrenvikTestAccess::Levels(s, 1), Flag(f, 2));
        EXPECT_EQ(BrenvikTestAccess::Levels(s, 0), *s && Flag(f, 2));
        EXPECT_EQ(CDriveEx::Is_FilePath_DirPath_Valid(s), Flag(f, 3));
    }
    EXPECT_EQ(0, CDriveEx::IsFilenameValid(nullptr) + CDriveEx::Is_FilePath_DirPath_Valid(nullptr) +
                     CDriveEx::IsFilenameValid_ignore_bs_colon(nullptr));
    EXPECT_EQ(BrenvikTestAccess::Levels(nullptr, 7), 7);
    EXPECT_EQ(CDriveEx::IsFilenameValid(std::string(5000, 'n').c_str()), 1);  // no length limit
}

TEST(ChkFullPath, CodesAndPieces)
{
    // Flags: bUNC, bDrvPath, bFloppy; out: dir|name|ext, the extension buffer held "old".
    const struct { const char *path, *flags; int code; const char *out = "||old"; } rows[] = {
        {R"(C:\dir\Movie.VCD)", "111", 0, R"(C:\dir|Movie.VCD|vcd)"},
        {R"(C:\dir\file.)", "111", 0, R"(C:\dir|file.|)"}, {R"(A:\f)", "111", 0, "A:|f|old"},
        {R"(\\s\f)", "111", 0, R"(\\s|f|old)"}, {R"(C:\a?b)", "111", 2}, {R"(C:\d\f)", "101", 5},
        {R"(\\s\d\f)", "011", 4}, {R"(b:\f)", "110", 3}, {R"(C:\a:b)", "111", 3},
        {R"(C:\)", "111", 3}, {R"(1:\ab)", "111", 3}, {R"(C:ab\c)", "111", 3},
        {R"(\x\ab)", "111", 3}, {R"(\\srv\)", "111", 3},
        // Code order: the path set, then colons, then length, then the form.
        {R"(\\s:\a|b)", "000", 2}, {R"(\\s\a:b)", "000", 3}, {R"(\\s)", "000", 3},
        {R"(C:\f)", "000", 5},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.path) + " flags " + row.flags);
        for (const bool withCode : {true, false}) {
            OutBuf dir("old"), name("old"), ext("old");
            int code = -1;
            EXPECT_EQ(CDriveEx::ChkFullPath_s(row.path, Flag(row.flags, 0), Flag(row.flags, 1),
                                              Flag(row.flags, 2), dir.get(), name.get(), ext.get(),
                                              withCode ? &code : nullptr),
                      row.code == 0);
            EXPECT_EQ(code, withCode ? row.code : -1);
            EXPECT_EQ(dir.str() + "|" + name.str() + "|" + ext.str(), row.out);
        }
    }
    OutBuf a("a");
    int code = -1;
    for (int k = 0; k < 5; ++k)  // each argument missing in turn
        EXPECT_EQ(0, CDriveEx::ChkFullPath_s(k == 0 ? nullptr : k == 1 ? "" : R"(C:\a\b)", 1, 1, 1,
                                             k == 2 ? nullptr : a.get(), k == 3 ? nullptr : a.get(),
                                             k == 4 ? nullptr : a.get(), &code));
    EXPECT_EQ(std::to_string(code) + a.str(), "-1a");
}

TEST(MkFullPath, JoinsCheckedPieces)
{
    // path "": refused, the result emptied
    const struct { const char *dir, *name, *flags, *path = ""; } rows[] = {
        {R"(C:\)", "a.vcd", "111", R"(C:\a.vcd)"}, {R"(C:\dir)", "a", "111", R"(C:\dir\a)"},
        {R"(\\srv\)", "a", "111", R"(\\srv\a)"}, {R"(A:\d)", "a", "111", R"(A:\d\a)"},
        {R"(C:\d*?\\)", "a", "111", R"(C:\d*?\\a)"},  // the rest of the directory is not examined
        {R"(C:\dir)", "a.txt", "111"}, {R"(C:\dir)", R"(s\a)", "111"}, {R"(\\srv)", "a", "111"},
        {R"(\\srv\share)", "a", "011"}, {R"(\x\y)", "a", "111"}, {R"(C:\dir)", "a.vcdx", "111"},
        {R"(C:\dir)", "a.v.vcd", "111"}, {R"(C:\d)", "a", "101"}, {R"(A:\d)", "a", "110"},
        {"C:", "a", "111"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.dir) + " + " + row.name + " flags " + row.flags);
        OutBuf out;
        EXPECT_EQ(CDriveEx::MkFullPath_s(row.dir, row.name, out.get(), Flag(row.flags, 0),
                                         Flag(row.flags, 1), Flag(row.flags, 2)),
                  *row.path ? 1 : 0);
        EXPECT_EQ(out.str(), row.path);
    }
    OutBuf out;
    EXPECT_EQ(0, CDriveEx::MkFullPath_s(nullptr, "a", out.get(), 1, 1, 1) +
                     CDriveEx::MkFullPath_s(R"(C:\)", "", out.get(), 1, 1, 1) +
                     CDriveEx::MkFullPath_s(R"(C:\)", "a", nullptr, 1, 1, 1));
    EXPECT_EQ(out.str(), "<untouched>");
}

// n characters in a heap block of their own, so that a read past them shows under AddressSanitizer.
std::vector<char> Exact(const std::string &prefix, std::size_t n, const std::string &suffix = "")
{
    std::string s = prefix;
    while (s.size() + suffix.size() < n)
        s.push_back(static_cast<char>('a' + s.size() % 26));
    s = (s + suffix).substr(0, n);
    return std::vector<char>(s.c_str(), s.c_str() + s.size() + 1);
}

template <bool unc, int pos>
int ComposeAt(const char *in, char *out)
{
    const char *p[5] = {unc ? "c" : "C:", unc ? "s" : "d", unc ? "d" : "t", unc ? "t" : "e", "e"};
    p[pos] = in;
    return Compose(unc, out, p);
}

char g_x[BRENVIK_MAX_PATH], g_y[BRENVIK_MAX_PATH];
#define FN(...) [](const char *in, char *out) { return CDriveEx::__VA_ARGS__; }

TEST(Bounds, EveryFunctionRefusesWhatWouldNotFit)
{
    // Inputs `added` short of the length under test; a result that fits has `size` (0: length).
    const struct {
        const char *what, *prefix, *suffix;
        std::size_t added, size;
        int (*call)(const char *, char *);
    } cases[] = {
        {"split", R"(\\c\s\d\)", ".e", 0, 0,
         [](const char *in, char *out) {
             SPLITFPATH_tag a = MarkedRecord(), before = a;
             const int r = CDriveEx::MySplitPath(in, &a, nullptr);
             std::strcpy(r ? out : g_x, a.unc.strOrgPath);
             return !r && std::memcmp(&a, &before, sizeof a) ? -1 : r;  // -1: a refusal wrote
         }},
        {"root", R"(\\c\)", "", 1, 0, FN(Get_RootDirOfFilePath(in, out, nullptr))},
        {"form", R"(C:\d\)", "", 0, 2,
         FN(Is_FilePath_DirPath_Valid(in) ? (std::strcpy(out, "ok"), 1) : 0)},
        {"ChkFullPath_s", R"(C:\d\)", ".E", 0, 4,
         FN(ChkFullPath_s(in, 1, 1, 1, out, g_x, g_y, nullptr))},
        {"MkFullPath_s name", "n", "", 5, 0, FN(MkFullPath_s(R"(C:\d)", in, out, 0, 1, 0))},
        {"MkFullPath_s dir", R"(C:\)", "", 2, 0, FN(MkFullPath_s(in, "n", out, 0, 1, 0))},
        {"GetFileExt", R"(C:\d\)", ".e", 0, 1, FN(GetFileExt(in, out))},
        {"GetDirOf", R"(C:\d\)", ".e", 0, 5, FN(GetDirOf(in, out))},
        {"ChgPathExt", R"(C:\d\)", ".e", 1, 0, FN(ChgPathExt(in, "xx", out))},
        {"ChgExtname", R"(C:\d\)", ".e", 1, 0, FN(ChgExtname(in, "xx", out, g_x))},
        {"AddPrefix2FileTitle", R"(C:\d\)", "t.e", 2, 0,
         FN(AddPrefix2FileTitle(in, "p", "q", out))},
        {"postfix", "q", "", 9, 0, FN(AddPrefix2FileTitle(R"(C:\d\t.e)", "p", in, out))},
        {"ComposeUNC computer", "c", "", 10, 0, ComposeAt<true, 0>},
        {"ComposeUNC ext", "e", "", 10, 0, ComposeAt<true, 4>},
        {"ComposeDrvPath dir", "d", "", 7, 0, ComposeAt<false, 1>},
        {"ComposeDrvPath ext", "e", "", 7, 0, ComposeAt<false, 3>},
    };
    for (const auto &c : cases)
        for (const std::size_t len : {259, 260, 5000}) {
            SCOPED_TRACE(std::string(c.what) + ", length " + std::to_string(len));
            const bool fits = len < BRENVIK_MAX_PATH;
            OutBuf out;
            EXPECT_EQ(c.call(Exact(c.prefix, len - c.added, c.suffix).data(), out.get()), fits);
            EXPECT_EQ(fits ? std::to_string(out.str().size()) : out.str(),
                      fits ? std::to_string(c.size ? c.size : len) : "<untouched>");
        }
    // Blanks trimmed off the affixes, and a drive prefix after its colon, do not count.
    OutBuf out, out2;
    const std::vector<char> prefix = Exact(std::string(5000, ' '), 5001, "p"),
                            postfix = Exact("q" + std::string(5000, '\t'), 5001);
    const char *title = R"(C:\d\t.e)";
    EXPECT_EQ(CDriveEx::AddPrefix2FileTitle(title, prefix.data(), postfix.data(), out.get()), 1);
    EXPECT_EQ((ComposeAt<false, 0>(Exact("C:", 5000).data(), out2.get())), 1);
    EXPECT_EQ(out.str() + "|" + out2.str(), R"(C:\d\ptq.e|C:\d\t.e)");
}

// Shift-JIS: 0x95 0x5C is one character (second byte '\'), 0x82 0x41 another.
#define KANJI_BS "\x95\x5c"
#define KANJI_A "\x82\x41"

TEST(CodePage, DoubleByteCharactersAreOneCharacter)
{
    for (const unsigned codePage : {932u, 1252u}) {
        SCOPED_TRACE(codePage);
        brenvik::test::ScopedCodePage scoped(codePage);
        const bool dbcs = codePage == 932;
        SPLITFPATH_tag r = MarkedRecord();
        EXPECT_EQ(CDriveEx::MySplitPath("C:\\dir\\" KANJI_BS ".txt", &r, nullptr), dbcs);
        EXPECT_STREQ(r.drv.strFileTitle, dbcs ? KANJI_BS : "");
        // A separator right after the character is not a doubled backslash.
        EXPECT_EQ(CDriveEx::MySplitPath("C:\\d" KANJI_BS "\\f.e", &r, nullptr), dbcs);
        EXPECT_EQ(CDriveEx::IsFilenameValid(KANJI_BS) +
                      BrenvikTestAccess::Levels(KANJI_BS "\\x", 1),
                  2 * dbcs);
        OutBuf dir, name, ext, out;
        // Lower-casing leaves the second byte of a character alone.
        EXPECT_EQ(CDriveEx::ChkFullPath_s("C:\\d\\" KANJI_BS ".TXT", 1, 1, 1, dir.get(), name.get(),
                                          ext.get(), nullptr) +
                      CDriveEx::ChkFullPath_s("C:\\d\\f.X" KANJI_A "B", 1, 1, 1, name.get(),
                                              name.get(), ext.get(), nullptr),
                  2);
        EXPECT_EQ(dir.str() + "|" + ext.str(), dbcs ? "C:\\d|x" KANJI_A "b"
                                                    : "C:\\d\\\x95|x\x82"
                                                      "ab");
        EXPECT_EQ(CDriveEx::ComposeDrvPath(out.get(), "C:", KANJI_BS, "t", "e"), 1);
        EXPECT_EQ(out.str(), dbcs ? "C:\\" KANJI_BS "\\t.e" : "C:\\" KANJI_BS "t.e");
        EXPECT_EQ(CDriveEx::GetDirOf("C:\\d\\" KANJI_BS, out.get()), 1);
        EXPECT_EQ(out.str(), dbcs ? "C:\\d\\" : "C:\\d\\\x95\\");
    }
}

}  // namespace
