#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "frame/trace.h"
#include "image/image_header.h"
#include "image_writer.h"
#include "platform/afx/afx.h"
#include "support/fault_services.h"
#include "support/test_support.h"

namespace {

using namespace brenvik::test;
using X = CVcdImageEx;
namespace mk = brenvik::mkimage;
using Strings = std::vector<std::string>;

std::string M(std::string p, unsigned k) { return p + char('0' + k / 10) + char('0' + k % 10); }

mk::HeaderFields Fields(std::uint32_t format, std::uint32_t kind, std::uint32_t slaves = 0,
                        std::uint64_t length = mk::kHeaderBytes)
{
    return {format, kind, "", 0, slaves, length, 0};
}

class Image : public ::testing::Test {
protected:
    void SetUp() override { g_bDbgEnabled = 1, g_dwDbgLevel = 1; }
    void TearDown() override { g_bDbgEnabled = traceWas_, g_dwDbgLevel = levelWas_; }
    brenvik::platform::Services &S() { return faults_; }
    std::string Path(const std::string &n) const { return n.rfind(dir_, 0) == 0 ? n : dir_ + n; }
    std::string PutText(const std::string &name, const std::string &text = "member")
    {
        HANDLE h = S().CreateFileA(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD n = 0;
        EXPECT_TRUE(S().WriteFile(h, text.data(), DWORD(text.size()), &n, nullptr)) << name;
        S().CloseHandle(h);
        return Path(name);
    }
    std::string Put(const std::string &name, const mk::HeaderFields &f)
    {
        std::vector<unsigned char> b = mk::HeaderBytes(f);
        b.resize(static_cast<std::size_t>(f.totalLength), f.fill);
        return PutText(name, std::string(b.begin(), b.end()));
    }
    std::string MakeDir(const std::string &name)
    {
        EXPECT_TRUE(S().CreateDirectoryA(Path(name).c_str(), nullptr)) << name;
        return Path(name) + "\\";
    }
    bool Exists(const std::string &n) { return S().GetFileAttributesA(Path(n).c_str()) != ~0u; }
    // TitleN.DVD\TitleN.DVD.D00 counting `slaves`, 01 to `present` on disk; its members' prefix.
    std::string Dvd(std::uint32_t slaves, unsigned present, const std::string &title = "T")
    {
        const std::string t = title + std::to_string(++bundles_),
                          prefix = MakeDir(t + ".DVD") + t + ".DVD.D";
        Put(M(prefix, 0), Fields(mk::kFormatDvd, 0, slaves));
        for (unsigned k = 1; k <= present; ++k)
            PutText(M(prefix, k));
        faults_.ClearCalls();
        return prefix;
    }
    static std::string Dir(const std::string &p) { return p.substr(0, p.rfind('\\') + 1); }
    bool Untouched(const char *p) { return static_cast<unsigned char>(*p) == 0xEE; }
    void Clear() { std::memset(list_, 0xEE, sizeof list_), std::memset(buf_, 0xEE, sizeof buf_); }
    std::string Present(const std::string &prefix, unsigned n, std::string s = "")  // "0110..."
    {
        for (unsigned k = 0; k < n; ++k)
            s += Exists(M(prefix, k)) ? '1' : '0';
        return s;
    }

    const int traceWas_ = g_bDbgEnabled;
    const unsigned long levelWas_ = g_dwDbgLevel;
    TempDir tmp_;
#ifdef _WIN32
    const std::string dir_ = Backslashed(tmp_.path()) + "\\";
#else
    ScopedRegistryFile registry_{RegText({R"([HKEY_LOCAL_MACHINE\SOFTWARE\Brenvik\Drives\C])",
        "\"Path\"=\"" + tmp_.path() + "\"", "\"Type\"=\"fixed\""})};
    const std::string dir_ = "C:\\";
#endif
    ScopedFaults faults_;
    int bundles_ = 0;
    char list_[101][260];  // one entry more than any bundle has
    char buf_[260];
};

int Full(const std::string &path, void *record)
{
    return ReadImageHeader(CString(path.c_str()), static_cast<VCDHEADER_tag *>(record));
}

TEST_F(Image, HeaderReaders)
{
    MakeDir("Folder.vcd");
    // -1: no such file; -2: a directory.
    for (long long length : {-1LL, -2LL, 0LL, 2933LL, 2934LL, 2941LL, 2942LL, 10522LL}) {
        SCOPED_TRACE(length);
        mk::HeaderFields fields = Fields(mk::kFormatDvd, mk::kKindVideo, 7, std::max(length, 0LL));
        fields.desc = "Sample", fields.fill = 0x42;
        const std::string path = length == -1 ? Path("Missing.vcd")
                                 : length == -2 ? Path("Folder.vcd") : Put("Len.vcd", fields);
        std::vector<unsigned char> file = mk::HeaderBytes(fields);
        const std::size_t have = length < 0 ? 0 : file.size();
        file.resize(mk::kHeaderBytes, 0);
        // Only the type reader clears the record (its 2934 bytes) before the open.
        std::vector<unsigned char> rec(mk::kHeaderBytes, 0xEE);
        EXPECT_EQ(Full(path, rec.data()), length >= 2942);
        for (std::size_t i = 0; i < rec.size(); ++i)
            ASSERT_EQ(rec[i], i < have ? file[i] : 0xEE) << "full reader, byte " << i;
        rec.assign(mk::kHeaderBytes, 0xEE);
        EXPECT_EQ(ImgHdr_Read(path.c_str(), rec.data()), length >= 2934);
        for (std::size_t i = 0; i < rec.size(); ++i)
            ASSERT_EQ(rec[i], i >= 2934 ? 0xEE : i < have ? file[i] : 0) << "type, byte " << i;
    }
    EXPECT_FALSE(Exists("Missing.vcd"));
    std::vector<unsigned char> rec(mk::kHeaderBytes);
    const std::string path = Put("Sample.vcd", Fields(0, mk::kKindVideo));
    EXPECT_EQ(0, Full(path, nullptr) + Full("", rec.data()) + ImgHdr_Read(nullptr, rec.data()) +
                     ImgHdr_Read(path.c_str(), nullptr));
}

std::vector<int> Predicates(const char *n)  // codes 1 to 8, then Is_Cluster
{
    return {X::Is_CDROM(n), X::Is_AUDIO(n), X::Is_MIXED(n),  X::Is_DVD(n),    X::Is_CDEXTRA(n),
            X::Is_PHOTO(n), X::Is_VIDEO(n), X::Is_ISOGEN(n), X::Is_Cluster(n)};
}

TEST_F(Image, TypeQueries)
{
    const unsigned long rows[][3] = {  // media format, disc kind, code
        {0x100, 5, CDTYPE_AUDIO}, {0x1000, 1, CDTYPE_DVD}, {0, 1, CDTYPE_MIXED},
        {0, 2, CDTYPE_CDEXTRA}, {0, 3, CDTYPE_PHOTO}, {0, 4, CDTYPE_VIDEO}, {0, 5, CDTYPE_DVD},
        {0, 6, CDTYPE_ISOGEN}, {0, 0, CDTYPE_CDROM},
    };
    for (const auto &[format, kind, code] : rows) {
        SCOPED_TRACE(::testing::Message() << "format " << format << " kind " << kind);
        // One file name throughout: a remembered answer would show.
        const std::string f = Put("Kind.vcd", Fields(format, kind, 0, 4096));
        faults_.ClearCalls();
        EXPECT_EQ(X::GetVCD_cdtype(f.c_str()), code);
        std::vector<int> expected(9, 0);
        expected[code - 1] = 1;
        expected[8] = code == CDTYPE_MIXED || code == CDTYPE_DVD || code == CDTYPE_CDEXTRA;
        EXPECT_EQ(Predicates(f.c_str()), expected);
        unsigned long got = 0;
        EXPECT_EQ(ImgHdr_GetCdType(f.c_str(), &got) + ImgHdr_GetCdType(f.c_str(), nullptr), 1);
        EXPECT_EQ(got, code);
        EXPECT_EQ(faults_.CountCalls("CreateFileA"), 11);
    }
    const std::string missing = Path("Missing.vcd");
    const std::string cut = Put("Short.vcd", Fields(0, 3, 0, 2941));  // too short to describe
    for (const char *bad : {static_cast<const char *>(nullptr), "", missing.c_str()}) {
        EXPECT_EQ(X::GetVCD_cdtype(bad), CDTYPE_INVALID);
        EXPECT_EQ(Predicates(bad), std::vector<int>(9, 0));
        unsigned long code = 77;
        EXPECT_EQ(ImgHdr_GetCdType(bad, &code), 0);
        EXPECT_EQ(code, 77u);
        for (const char *name : {bad, cut.c_str()}) {
            char text[BRENVIK_MAX_PATH] = "untouched";
            int info = 55;
            EXPECT_EQ(X::GetDesc(name, text, &info), 0);
            EXPECT_EQ(info, 0);
            EXPECT_STREQ(text, "untouched");
        }
        int info = 55;  // without a buffer left alone, whatever the name
        EXPECT_EQ(X::GetDesc(bad, nullptr, &info), 0);
        EXPECT_EQ(info, 55);
    }
    EXPECT_EQ(X::GetVCD_cdtype(cut.c_str()), CDTYPE_PHOTO);
}

TEST_F(Image, DescriptionAndOtherOpeners)
{
    const std::tuple<std::string, std::uint32_t, std::string, int> rows[] = {
        {"Caf\xE9 \x81\x40", 0x1234, "Caf\xE9 \x81\x40", 0x1234}, {"", 0, "", 0},
        {std::string(256, 'z'), 0xFFFFFFFFu, std::string(256, 'z'), -1},  // no NUL in the field
        {std::string("cut\0here", 8), 0x80000000u, "cut", static_cast<int>(0x80000000u)},
    };
    for (const auto &[text, descInfo, expected, expectedInfo] : rows) {
        SCOPED_TRACE(expected.size());
        // Filled after the text's NUL: the text must stop there.
        const std::string path = Put("Desc.vcd", {0, 0, text, descInfo, 0, mk::kHeaderBytes, 'a'});
        char buffer[BRENVIK_MAX_PATH + 16];
        std::memset(buffer, 0xEE, sizeof buffer);
        int info = 12345;
        ASSERT_EQ(X::GetDesc(path.c_str(), buffer, &info), 1);
        EXPECT_EQ(std::string(buffer), expected);
        EXPECT_EQ(info, expectedInfo);
        for (std::size_t i = expected.size() + 1; i < sizeof buffer; ++i)
            ASSERT_EQ(static_cast<unsigned char>(buffer[i]), 0xEE) << "past the text: " << i;
        EXPECT_EQ(X::GetDesc(path.c_str(), buffer, nullptr), 1);
    }
    // The type query shares reading and writing with others.
    const std::string path = Put("Busy.vcd", Fields(0, mk::kKindVideo));
    CFile held;
    ASSERT_TRUE(held.Open(path.c_str(), CFile::modeReadWrite | CFile::shareDenyNone));
    EXPECT_EQ(X::GetVCD_cdtype(path.c_str()), CDTYPE_VIDEO);
}

TEST_F(Image, NameClassesAndMissingArguments)
{
    const std::pair<const char *, int> rows[] = {
        {"C:\\img\\movie.vcd", EXTTYPE_VCD},      {"C:\\img\\M.DVD\\M.DVD.D00", EXTTYPE_DVD},
        {"C:/img/m.dvd.d07", EXTTYPE_DVD},        {"C:\\img\\Song.VCD.D01", EXTTYPE_MIXEDMODE},
        {"C:\\img\\Movie.DVD", EXTTYPE_NONE},     {"C:\\img\\Movie.ISO.D00", EXTTYPE_NONE},
        {"C:\\img\\.DVD.D00", EXTTYPE_NONE},      {"C:\\img\\M.DVD.VCD.D00", EXTTYPE_MIXEDMODE},
    };
    for (const auto &[name, t] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(X::GetPathExtType(name), t);
        EXPECT_EQ(X::IsVCDext(name), t == EXTTYPE_VCD);
        EXPECT_EQ(X::IsDVDext(name), t == EXTTYPE_DVD);
        EXPECT_EQ(X::Is_MixedModeCD_ext(name), t == EXTTYPE_MIXEDMODE);
        EXPECT_EQ(X::Is_Cluster_ext(name), t > EXTTYPE_VCD);
    }
    const std::pair<const char *, int> exts[] = {  // 1: a member number, 2: kind and number
        {".D00", 1}, {".D000", 0}, {"M.D00", 0}, {".D0/", 0}, {".D:0", 0}, {".d9\x80", 0},
        {".VCD.D00", 2}, {".dvd.d42", 2}, {".ISO.D00", 0}, {".VCD.D000", 0}, {".VCD-D00", 0},
        {".DVD.X00", 0}, {".DVD.DA0", 0},
    };
    for (const auto &[ext, kind] : exts) {
        SCOPED_TRACE(ext);
        EXPECT_EQ(X::IsExt_dot_D_09_09(ext), kind == 1);
        EXPECT_EQ(X::IsMyExt_VCD_dot_D_09_09(ext), kind == 2);
    }
    char a[BRENVIK_MAX_PATH], b[BRENVIK_MAX_PATH], c[BRENVIK_MAX_PATH];
    const char *m = "C:\\img\\Movie.DVD\\Movie.DVD.D00";
    EXPECT_EQ(X::GetPathExtType(nullptr) + X::IsDVDext("") + X::Is_Cluster_ext(nullptr) +
                  X::IsExt_dot_D_09_09(nullptr) + X::IsMyExt_VCD_dot_D_09_09(nullptr) +
                  X::ParseMaster(nullptr, a, b) + X::ParseMaster(m, nullptr, b) +
                  X::ParseMaster(m, a, nullptr) + X::Vcd2Dvd_ext("", nullptr, b, c) +
                  X::Vcd2Dvd_ext(m, nullptr, b, c) + X::Vcd2Dvd_ext(m, a, nullptr, c) +
                  X::Vcd2Dvd_ext(m, a, b, nullptr), 0);
}

struct Buffer {
    char data[BRENVIK_MAX_PATH];
    unsigned char guard[32];
    Buffer() { std::memset(this, 0xEE, sizeof *this); }
    bool GuardIntact() const { return guard[0] == 0xEE && guard[31] == 0xEE; }
    std::string Text() const { return std::string(data, std::find(data, data + sizeof data, 0)); }
};

int Parse(const char *n, Buffer *o) { return X::ParseMaster(n, o[0].data, o[1].data); }
int Vcd2Dvd(const char *n, Buffer *o) { return X::Vcd2Dvd_ext(n, o[0].data, o[1].data, o[2].data); }

void ExpectOutputs(int (*call)(const char *, Buffer *), const std::string &name,
                   const Strings &expected, std::size_t written)
{
    SCOPED_TRACE(name.substr(0, 60));
    Buffer out[3];
    EXPECT_EQ(call(name.c_str(), out), written == expected.size() && written > 0 ? 1 : 0);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_TRUE(out[k].GuardIntact()) << k;
        const std::size_t end = k < written ? expected[k].size() + 1 : 0;
        EXPECT_EQ(k < written ? out[k].Text() : "", k < written ? expected[k] : "") << k;
        const unsigned char past = end < sizeof out[k].data ? out[k].data[end] : 0xEE;
        EXPECT_EQ(past, 0xEE) << k;  // past one NUL, or all if not written
    }
}

TEST(Naming, MasterAndDvdBundleNames)
{
    const std::vector<Strings> rows = {
        {"C:\\img\\M.DVD\\M.DVD.D00", "C:\\img\\M.DVD\\", "C:\\img\\M.DVD\\M.DVD.D"},
        {"D:\\x\\Song.vcd.d00", "D:\\x\\", "D:\\x\\Song.vcd.d"},
        {"C:\\Movie.DVD.D00"}, {"C:\\img\\Movie.DVD.D01"}, {"C:\\img\\Movie.ISO.D00"},
        {"C:\\img\\.DVD.D00"}, {"C:\\img\\Movie.DVD.D00\\"},
        // Pieces that each fit the runtime's splitter, a prefix of exactly 260.
        {"C:\\" + std::string(190, 'd') + "\\" + std::string(60, 't') + ".DVD.D00"},
    };
    for (const Strings &row : rows)
        ExpectOutputs(Parse, row[0], {row.begin() + 1, row.end()}, row.size() - 1);
    // {name, directory, title}: derived parts keep their case, composed ones are upper case.
    const std::vector<Strings> dvd = {
        {"C:\\img\\Movie.vcd", "C:\\img\\Movie.DVD\\"},
        {"C:\\img\\Movie.VCD.D03", "C:\\img\\Movie.DVD\\"},
        {"C:\\img\\My.Movie.vcd", "C:\\img\\My.DVD\\", "My.DVD"},
        {"C:\\img\\My.Movie.iso", "C:\\img\\My.Movie.DVD\\", "My.Movie.DVD"},
        {"c:\\Img\\movie.Dvd", "c:\\Img\\movie.DVD\\", "movie.DVD"},
        {"C:\\img\\.vcd"}, {"C:\\img\\.hidden.vcd"},
    };
    for (const Strings &row : dvd) {
        const std::string dir = row.size() > 1 ? row[1] : "",
                          title = row.size() > 2 ? row[2] : "Movie.DVD";
        ExpectOutputs(Vcd2Dvd, row[0], {dir, dir + title + ".D", dir + title + ".D00"},
                      row.size() > 1 ? 3 : 0);
    }
    // Too long: refused once an output would not fit, those before it written.
    const std::pair<std::size_t, std::size_t> limits[] = {  // drive + dir + title, written
        {255, 0}, {254, 1}, {244, 1}, {243, 2}, {242, 2}, {241, 3}};
    for (const auto &[length, written] : limits) {
        const std::string name = "C:\\" + std::string(length - 9, 'd') + "\\Movie.vcd";
        const std::string dir = name.substr(0, name.size() - 4) + ".DVD\\";
        ExpectOutputs(Vcd2Dvd, name, {dir, dir + "Movie.DVD.D", dir + "Movie.DVD.D00"}, written);
    }
}

TEST_F(Image, ListsTakeTheCountFromMember00AndRefuseBadArguments)
{
    const unsigned rows[][5] = {  // kind, slaves, DVD-only result, cluster result, members
        {5, 0, 1, 1, 1}, {5, 3, 1, 1, 4}, {5, 99, 1, 1, 100}, {5, 0xFFFFFFFF, 1, 1, 1},  // signed
        {5, 100, 0, 0, 1},  // more than 99: entry 00 only
        {1, 150, 0, 1, 2}, {2, 0xFFFFFFFF, 0, 1, 2},  // mixed mode, CD-Extra
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(::testing::Message() << "kind " << row[0] << ", " << row[1] << " slaves");
        const std::string prefix = Dvd(0, 0);
        Put(M(prefix, 0), Fields(row[0] == 5 ? mk::kFormatDvd : 0, row[0], row[1]));
        Put(M(prefix, 2), Fields(mk::kFormatDvd, 0, 7));  // a slave's own count is not read
        const std::string given = M(prefix, row[0] == 5 ? 2 : 0);
        for (int dvdOnly : {1, 0}) {
            Clear();
            int count = -7;
            const auto list = dvdOnly ? X::Get_DVD_AllNamelist : X::Get_Cluster_AllNamelist;
            const int ok = list(given.c_str(), list_, buf_, &count);
            ASSERT_EQ(ok, int(row[dvdOnly ? 2 : 3]));
            EXPECT_EQ(count, ok ? int(row[4]) : -7);
            const unsigned written = !ok && row[0] != 5 ? 0 : row[4];
            for (unsigned k = 0; k < 101; ++k)
                ASSERT_EQ(k < written ? std::string(list_[k]) : std::string(1, list_[k][0]),
                          k < written ? M(prefix, k) : "\xEE") << "entry " << k;
        }
    }
    MakeDir("Dir.DVD.D00");
    const std::string name = Put("Song.VCD.D00", Fields(0, 1, 1)), folder = Path("Dir.DVD.D00"),
                      data = Put("Data.VCD.D00", Fields(0, 0, 1)),
                      noTitle = Put(".D00", Fields(mk::kFormatDvd, 0));
    const std::tuple<const char *, bool, bool> bads[] = {
        {nullptr, true, true},        {"", false, false},          {name.c_str(), false, true},
        {name.c_str(), true, false},  {data.c_str(), true, true},  {folder.c_str(), true, true},
        {noTitle.c_str(), true, true},
    };
    for (const auto &[given, list, dir] : bads) {
        Clear();
        EXPECT_EQ(X::Get_Cluster_AllNamelist(given, list ? list_ : nullptr, dir ? buf_ : nullptr,
                                             nullptr), 0);
        EXPECT_TRUE(Untouched(buf_) && Untouched(list_[0]));
    }
    EXPECT_EQ(X::IsValidDvdBundle(folder.c_str(), buf_), 0);
    // Without member 00: the directory and entry 0 written, then refused.
    const std::string slave = Put("S.DVD.D05", Fields(mk::kFormatDvd, 0, 1));
    Clear();
    EXPECT_EQ(X::Get_DVD_AllNamelist(slave.c_str(), list_, buf_, nullptr), 0);
    EXPECT_EQ(std::string(buf_) + "|" + list_[0], Path("") + "|" + Path("S.DVD.D00"));
    EXPECT_TRUE(Untouched(list_[1]));
}

TEST_F(Image, ValidityAndDeletionReadOnlyWhatTheyMust)
{
    const unsigned long dvd = mk::kFormatDvd, h = mk::kHeaderBytes, ok = DELBUNDLE_OK,
                        none = DELBUNDLE_NO_NAMELIST, rows[][10] = {
        // format, kind, slaves, length, present; validity: result, status queries;
        // deletion: result, reads, deletes
        {dvd, 0, 0, h, 0, 1, 1, ok, 4, 1},  {dvd, 0, 99, h, 99, 1, 100, ok, 4, 100},
        {dvd, 0, 5, h, 2, 0, 4, ok, 4, 6},  {dvd, 0, 100, h, 99, 0, 1, none, 4, 0},
        {dvd, 0, 1, h - 1, 1, 0, 1, none, 4, 0},
        {0, 1, 7, h, 0, 0, 2, ok, 3, 2}, {0, 0, 3, h, 3, 1, 4, DELBUNDLE_NOT_CLUSTER, 1, 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(::testing::Message() << row[1] << " " << row[2] << " " << row[4]);
        const std::string prefix = Dvd(0, unsigned(row[4]));
        Put(M(prefix, 0), Fields(row[0], row[1], row[2], row[3]));
        faults_.ClearCalls();
        std::memset(buf_, 0xEE, sizeof buf_);
        EXPECT_EQ(X::IsValidDvdBundle(M(prefix, 1).c_str(), buf_), int(row[5]));
        EXPECT_EQ(row[5] ? std::string(buf_) : std::string(1, buf_[0]),
                  row[5] ? M(prefix, 0) : "\xEE");
        EXPECT_EQ(faults_.CountCalls("ReadFile"), 1);
        EXPECT_EQ(faults_.CountCalls("GetFileAttributesExA"), int(row[6]));
        faults_.ClearCalls();
        EXPECT_EQ(X::DelClusterBundle(M(prefix, 0).c_str()), row[7]);
        EXPECT_EQ(faults_.CountCalls("ReadFile"), int(row[8]));
        EXPECT_EQ(faults_.CountCalls("DeleteFileA"), int(row[9]));
        EXPECT_EQ(faults_.CountCalls("RemoveDirectoryA"), row[7] == DELBUNDLE_OK);
        EXPECT_EQ(Exists(Dir(prefix)), row[7] != DELBUNDLE_OK);
    }
    faults_.ClearCalls();
    EXPECT_EQ(X::IsValidDvdBundle(Path("Movie.VCD.D00").c_str(), buf_), 0);
    const std::string longTitle = Path(std::string(250, 'T') + ".DVD.D00");  // no master fits
    EXPECT_EQ(X::IsValidDvdBundle(longTitle.c_str(), buf_), 0);
    EXPECT_TRUE(faults_.Calls().empty());
    EXPECT_EQ(X::IsValidDvdBundle(nullptr, buf_) +
                  X::IsValidDvdBundle(Path("T.DVD\\T.DVD.D00").c_str(), nullptr) +
                  X::DelClusterBundle(nullptr) + X::DelClusterBundle(""), DELBUNDLE_OK);
}

TEST_F(Image, DeletionTriesEveryMemberWhateverFails)
{
    // A member already gone counts as deleted; it only keeps the directory.
    for (const DWORD error : {DWORD(ERROR_ACCESS_DENIED), DWORD(ERROR_FILE_NOT_FOUND)}) {
        const std::string prefix = Dvd(3, 3);
        faults_.Fail("DeleteFileA", M(prefix, 1), error, Times::Once);
        EXPECT_EQ(X::DelClusterBundle(M(prefix, 0).c_str()),
                  error == ERROR_ACCESS_DENIED ? DELBUNDLE_MEMBER_FAILED : DELBUNDLE_DIR_FAILED);
        EXPECT_EQ(faults_.CountCalls("DeleteFileA"), 4);
        EXPECT_EQ(Present(prefix, 4), "0100");
    }
}

TEST_F(Image, DeletionByNameReadsNoHeaderAndTakesOnlyMasterNames)
{
    const std::string prefix = Dvd(2, 2);
    PutText(M(prefix, 99));
    // A removal failing for want of the directory fails too.
    faults_.Fail("RemoveDirectoryA", Dir(prefix), ERROR_PATH_NOT_FOUND);
    faults_.ClearCalls();
    EXPECT_EQ(X::Del_ClusterBundle_Without_Verify(M(prefix, 0).c_str(), 1), 1);
    EXPECT_EQ(faults_.PathsOf("RemoveDirectoryA"), Strings{Dir(prefix)});
    EXPECT_EQ(faults_.CountCalls("CreateFileA") + faults_.CountCalls("ReadFile"), 0);
    EXPECT_EQ(faults_.PathsOf("DeleteFileA").size(), 100u);
    EXPECT_EQ(Present(prefix, 3) + (Exists(M(prefix, 99)) ? "1" : "0"), "0000");
    const std::string slave = PutText(MakeDir("M.DVD") + "M.DVD.D01");
    for (const std::string &name :
         {std::string("C:\\M.DVD.D00"), slave, Path(std::string(250, 'T') + ".DVD.D00")}) {
        EXPECT_EQ(X::Del_ClusterBundle_Without_Verify(name.c_str(), 1), 0) << name;
    }
    EXPECT_EQ(0, X::Del_ClusterBundle_Without_Verify(nullptr, 1) +
                     X::Del_ClusterBundle_Without_Verify("", 0));
    EXPECT_TRUE(Exists(slave));
}

TEST_F(Image, DeletionsTakeTheMembersOnly)
{
    const std::string prefix = Dvd(3, 1, "Movie"), d = Dir(prefix);  // Movie1.DVD
    // Names that differ in case only are one file; 04 is beyond the header's count.
    PutText(d + "movie1.dvd.d02"), PutText(M(prefix, 4));
    MakeDir(d + "MOVIE1.DVD.D03");  // a member must be a file
    EXPECT_EQ(X::IsValidDvdBundle(M(prefix, 3).c_str(), buf_), 0);
    S().RemoveDirectoryA((d + "MOVIE1.DVD.D03").c_str());
    PutText(d + "MOVIE1.DVD.D03");
    EXPECT_EQ(X::IsValidDvdBundle((d + "movie1.dvd.d03").c_str(), buf_), 1);
    EXPECT_EQ(std::string(buf_), d + "movie1.dvd.D00");
    EXPECT_EQ(X::DelClusterBundle(M(prefix, 0).c_str()), DELBUNDLE_DIR_FAILED);
    EXPECT_EQ(Present(prefix, 5), "00001");
    // Names that would not fit are refused, not cut; a name ending in ".x" has longer members.
    const std::string base = MakeDir(std::string(100, 'd'));
    const std::size_t room = 260 - base.size();
    const std::string fits = Put(base + std::string(room - 9, 'T') + ".DVD.x", Fields(0, 1, 1));
    ASSERT_EQ(X::Get_Cluster_AllNamelist(fits.c_str(), list_, buf_, nullptr), 1);
    EXPECT_EQ(std::strlen(list_[1]), 259u);
    const std::string over = Put(base + std::string(room - 8, 'U') + ".DVD.x", Fields(0, 1, 1));
    const std::string cut = PutText(over.substr(0, over.size() - 1) + "D0");  // a cut member
    EXPECT_EQ(X::DelClusterBundle(over.c_str()), DELBUNDLE_NO_NAMELIST);
    // 259 characters: every member fits and goes; 260: refused.
    const std::string master = PutText(base + std::string(room - 9, 'V') + ".DVD.D00");
    EXPECT_EQ(X::Del_ClusterBundle_Without_Verify(master.c_str(), 0), 1);
    EXPECT_FALSE(Exists(master));
    const std::string longer = base + std::string(room - 8, 'W') + ".DVD.D00";
    PutText(longer.substr(0, 259));
    EXPECT_EQ(X::Del_ClusterBundle_Without_Verify(longer.c_str(), 0), 0);
    EXPECT_TRUE(Exists(over) && Exists(cut) && Exists(longer.substr(0, 259)));
}

}  // namespace
