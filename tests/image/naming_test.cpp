// Image file names: extension classes, masters, DVD bundle names, bounds.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "image_test_support.h"

namespace {

using namespace brenvik::test;

// A path buffer with guard bytes after it, pre-filled so that a test can
// tell written from untouched.
struct PathBuffer {
    char data[BRENVIK_MAX_PATH];
    unsigned char guard[32];
    PathBuffer() { std::memset(this, 0xEE, sizeof *this); }
    bool Untouched() const { return static_cast<unsigned char>(data[0]) == 0xEE; }
    bool GuardIntact() const { return guard[0] == 0xEE && guard[31] == 0xEE; }
    std::string Text() const { return std::string(data, std::find(data, data + sizeof data, 0)); }
};

TEST(Naming, ExtensionClasses)
{
    const std::pair<const char *, int> rows[] = {
        {"C:\\img\\movie.vcd", EXTTYPE_VCD},         {"C:\\img\\Movie.DVD\\Movie.DVD.D00", EXTTYPE_DVD},
        {"C:\\img\\Movie.dvd.d07", EXTTYPE_DVD},     {"C:\\img\\Song.VCD.D01", EXTTYPE_MIXEDMODE},
        {"C:\\img\\Movie.DVD", EXTTYPE_NONE},        {"C:\\img\\Movie.D00", EXTTYPE_NONE},
        {"C:\\img\\Movie.ISO.D00", EXTTYPE_NONE},    {"C:\\img\\.VCD", EXTTYPE_NONE},
        {"C:\\img\\.DVD.D00", EXTTYPE_NONE},         {"C:\\img\\Movie.DVD.D1", EXTTYPE_NONE},
        {"C:\\img\\Movie.DVD.DA1", EXTTYPE_NONE},    {"Movie.VcD", EXTTYPE_VCD},
        {"\\\\srv\\share\\Song.vcd.d99", EXTTYPE_MIXEDMODE}, {"C:/img/Movie.DVD.D00", EXTTYPE_DVD},
        {"C:\\a.b\\My.Movie.DVD.D05", EXTTYPE_DVD},  {"C:\\img.vcd\\Movie", EXTTYPE_NONE},
        {"C:\\img\\Movie.vcd\\", EXTTYPE_NONE},      {"C:\\img\\Movie.DVD.D000", EXTTYPE_NONE},
        {"C:\\img\\Movie.DVD.D00 ", EXTTYPE_NONE},   {"C:\\img\\Movie.vcdx", EXTTYPE_NONE},
        {"C:\\img\\Movie.VCD.DVD.D00", EXTTYPE_DVD}, {"C:\\img\\Movie.DVD.VCD.D00", EXTTYPE_MIXEDMODE},
        {"C:\\img\\Movie.DVD.VCD", EXTTYPE_VCD},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.first);
        const int t = row.second;
        EXPECT_EQ(CVcdImageEx::GetPathExtType(row.first), t);
        EXPECT_EQ(CVcdImageEx::IsVCDext(row.first), t == EXTTYPE_VCD);
        EXPECT_EQ(CVcdImageEx::IsDVDext(row.first), t == EXTTYPE_DVD);
        EXPECT_EQ(CVcdImageEx::Is_MixedModeCD_ext(row.first), t == EXTTYPE_MIXEDMODE);
        EXPECT_EQ(CVcdImageEx::Is_Cluster_ext(row.first), t == EXTTYPE_DVD || t == EXTTYPE_MIXEDMODE);
    }
    struct Ext {
        const char *ext;
        int member, doubleExt;  // IsExt_dot_D_09_09, IsMyExt_VCD_dot_D_09_09
    };
    const Ext exts[] = {
        {".D00", 1, 0},  {".d99", 1, 0},       {".D9", 0, 0},       {".DA0", 0, 0},
        {".D000", 0, 0}, {"Movie.D00", 0, 0},  {"", 0, 0},          {".", 0, 0},
        {".X00", 0, 0},  {"D00.", 0, 0},       {".D0/", 0, 0},      {".D:0", 0, 0},
        {".D 0", 0, 0},  {".E00", 0, 0},       {".d9\x80", 0, 0},   {".VCD.D00", 0, 1},
        {".dvd.d42", 0, 1}, {".vCd.D55", 0, 1}, {".DVD.D4", 0, 0},  {".ISO.D00", 0, 0},
        {"Movie.DVD.D00", 0, 0}, {".VCD.D000", 0, 0}, {".VCD-D00", 0, 0}, {".DVD.X00", 0, 0},
        {".DVD.DA0", 0, 0}, {".DV", 0, 0},      {"xVCD.D00", 0, 0},
    };
    for (const Ext &row : exts) {
        SCOPED_TRACE(row.ext);
        EXPECT_EQ(CVcdImageEx::IsExt_dot_D_09_09(row.ext), row.member);
        EXPECT_EQ(CVcdImageEx::IsMyExt_VCD_dot_D_09_09(row.ext), row.doubleExt);
    }
}

// Runs f with the name given as itself and, when the call succeeds, placed in
// each output buffer in turn: a caller may pass the name in a buffer that
// receives a result. Each run's outputs must be `expected` (empty: refused,
// the outputs untouched), within their buffers.
void ExpectOutputs(const std::string &name, const std::vector<std::string> &expected,
                   const std::function<int(const char *, PathBuffer *)> &f)
{
    for (std::size_t in = 0; in <= expected.size(); ++in) {
        SCOPED_TRACE(name + (in == 0 ? "" : " in output " + std::to_string(in)));
        PathBuffer out[3];
        if (in > 0)
            std::memcpy(out[in - 1].data, name.c_str(), name.size() + 1);
        EXPECT_EQ(f(in > 0 ? out[in - 1].data : name.c_str(), out), expected.empty() ? 0 : 1);
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_TRUE(out[k].GuardIntact()) << k;
            if (k < expected.size()) {
                EXPECT_EQ(out[k].Text(), expected[k]);
            } else if (in == 0) {
                EXPECT_TRUE(out[k].Untouched()) << k;
            }
        }
    }
}

TEST(Naming, MasterGivesDirectoryAndPrefix)
{
    const std::vector<std::vector<std::string>> rows = {
        {"C:\\img\\Movie.DVD\\Movie.DVD.D00", "C:\\img\\Movie.DVD\\", "C:\\img\\Movie.DVD\\Movie.DVD.D"},
        {"D:\\x\\Song.vcd.d00", "D:\\x\\", "D:\\x\\Song.vcd.d"},
        {"C:\\Movie.DVD.D00"}, {"Movie.DVD.D00"}, {"C:\\img\\Movie.DVD.D01"},
        {"C:\\img\\Movie.ISO.D00"}, {"C:\\img\\.DVD.D00"},
        {"\\\\srv\\s\\M.DVD\\M.DVD.D00", "\\\\srv\\s\\M.DVD\\", "\\\\srv\\s\\M.DVD\\M.DVD.D"},
        {"C:/img/Movie.dVd.D00", "C:/img/", "C:/img/Movie.dVd.D"},
        {"C:x\\Movie.VCD.D00", "C:x\\", "C:x\\Movie.VCD.D"},
        {"\\Movie.DVD.D00"}, {"C:\\img\\Movie.DVD.D00\\"}, {"C:\\img\\Movie.DVD.D0"},
        {"C:\\img\\Movie.DVD.D000"}, {"C:\\img\\Movie.DVD.E00"},
        // Pieces that each fit the runtime's splitter, a prefix of 270.
        {"C:\\" + std::string(200, 'd') + "\\" + std::string(60, 't') + ".DVD.D00"},
    };
    for (const auto &row : rows)
        ExpectOutputs(row[0], {row.begin() + 1, row.end()}, [](const char *name, PathBuffer *o) {
            return CVcdImageEx::ParseMaster(name, o[0].data, o[1].data);
        });
}

int Vcd2Dvd(const char *name, PathBuffer *o)
{
    return CVcdImageEx::Vcd2Dvd_ext(name, o[0].data, o[1].data, o[2].data);
}

TEST(Naming, DvdBundleNames)
{
    // Derived parts keep their case, composed ones are upper case.
    const std::vector<std::vector<std::string>> rows = {
        {"C:\\img\\Movie.vcd", "C:\\img\\Movie.DVD\\"},
        {"C:\\img\\Movie.VCD.D03", "C:\\img\\Movie.DVD\\"},
        {"C:\\img\\Movie.iso", "C:\\img\\Movie.DVD\\"},
        {"C:\\img\\My.Movie.vcd", "C:\\img\\My.DVD\\", "My.DVD"},
        {"C:\\img\\My.Movie.iso", "C:\\img\\My.Movie.DVD\\", "My.Movie.DVD"},
        {"Movie.vcd", "Movie.DVD\\"},
        {"C:\\img\\Movie.DVD\\Movie.DVD.D00", "C:\\img\\Movie.DVD\\Movie.DVD\\"},
        {"C:\\img\\.vcd"},
        {"c:\\Img\\movie.Dvd", "c:\\Img\\movie.DVD\\", "movie.DVD"},
        {"C:\\img\\Movie", "C:\\img\\Movie.DVD\\"},
        {"C:\\img\\Movie.vcd.iso", "C:\\img\\Movie.vcd.DVD\\", "Movie.vcd.DVD"},
        {"C:\\img\\.hidden.vcd"}, {"C:\\img\\Movie.vcd\\"},
        {"C:Movie.d42", "C:Movie.DVD\\"},
    };
    for (const auto &row : rows) {
        std::vector<std::string> out;
        if (row.size() > 1) {
            const std::string title = row.size() > 2 ? row[2] : "Movie.DVD";
            out = {row[1], row[1] + title + ".D", row[1] + title + ".D00"};
        }
        ExpectOutputs(row[0], out, Vcd2Dvd);
    }
}

TEST(Naming, DvdBundleNamesLongerThanAPathAreRefusedOneOutputAtATime)
{
    struct Row {
        std::size_t pieces;  // drive + directory + title of "C:\ddd...\Movie.vcd"
        int written;         // outputs written, in order: directory, prefix, master
    };
    const Row rows[] = {{255, 0}, {254, 1}, {244, 1}, {243, 2}, {242, 2}, {241, 3}, {200, 3}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.pieces);
        const std::string name = "C:\\" + std::string(row.pieces - 9, 'd') + "\\Movie.vcd";
        const std::string dir = name.substr(0, name.size() - 4) + ".DVD\\";
        const std::string expected[] = {dir, dir + "Movie.DVD.D", dir + "Movie.DVD.D00"};
        PathBuffer o[3];
        EXPECT_EQ(Vcd2Dvd(name.c_str(), o), row.written == 3);
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(o[k].GuardIntact());
            if (k < row.written) {
                EXPECT_EQ(o[k].Text(), expected[k]);
            } else {
                EXPECT_TRUE(o[k].Untouched()) << k;
            }
        }
    }
}

TEST(Naming, StrangeNamesWriteNothingPastAPathBuffer)
{
    std::vector<std::string> names = {
        std::string(5000, 'a'), std::string(5000, '\\'), std::string(5000, '.'),
        "C:\\" + std::string(4990, 'x') + ".vcd", "C:\\" + std::string(300, 'd') + "\\Movie.DVD.D00",
        "C:\\img\\" + std::string(300, 't') + ".DVD.D00", "C:\\img\\Movie.DVD." + std::string(300, 'D'),
        "C:\\" + std::string(250, 'd') + "\\" + std::string(250, 't') + ".vcd",
        std::string(259, 'z'), std::string(260, 'z'), std::string(261, 'z'),
        "\xE3\x81\x82.vcd", "C:\\\x81\\\x81.DVD.D00", ":", "\\\\", "C:", ".", "..",
    };
    for (std::size_t n : {259u, 260u, 261u}) {
        names.push_back("C:\\img\\" + std::string(n - 15, 't') + ".DVD.D00");
        names.push_back("C:\\" + std::string(n - 13, 'd') + "\\Movie.vcd");
    }
    for (const std::string &name : names) {
        SCOPED_TRACE(name.substr(0, 40) + "... (" + std::to_string(name.size()) + ")");
        const char *p = name.c_str();
        CVcdImageEx::GetPathExtType(p);
        CVcdImageEx::IsExt_dot_D_09_09(p);
        CVcdImageEx::IsMyExt_VCD_dot_D_09_09(p);
        PathBuffer o[3];
        if (CVcdImageEx::ParseMaster(p, o[0].data, o[1].data)) {
            EXPECT_LT(o[1].Text().size(), std::size_t{BRENVIK_MAX_PATH});
        } else {
            EXPECT_TRUE(o[0].Untouched() && o[1].Untouched());
        }
        PathBuffer d[3];
        if (Vcd2Dvd(p, d)) {
            EXPECT_LT(d[2].Text().size(), std::size_t{BRENVIK_MAX_PATH});
        }
        for (int k = 0; k < 3; ++k)
            EXPECT_TRUE(o[k].GuardIntact() && d[k].GuardIntact());
    }
}

using NamingTrace = ImageFiles;

TEST_F(NamingTrace, MissingArgumentsAreNamedAndRefusedNamesAreSilent)
{
    char a[BRENVIK_MAX_PATH], b[BRENVIK_MAX_PATH], c[BRENVIK_MAX_PATH];
    const char *m = "C:\\img\\Movie.DVD\\Movie.DVD.D00";
    const std::string ext = "CVcdImageEx::GetPathExtType BAD NULL ...strPath \n";
    const std::string pm = "CVcdImageEx::ParseMaster BAD NULL ...";
    const std::string vd = "CVcdImageEx::Vcd2Dvd_ext BAD NULL ...";
    const std::vector<std::pair<std::function<int()>, std::vector<std::string>>> rows = {
        {[] { return CVcdImageEx::GetPathExtType(nullptr); }, {ext}},
        {[] { return CVcdImageEx::GetPathExtType(""); }, {ext}},
        {[] { return CVcdImageEx::IsVCDext(nullptr); }, {ext}},
        {[] { return CVcdImageEx::IsDVDext(""); }, {ext}},
        {[] { return CVcdImageEx::Is_MixedModeCD_ext(nullptr); }, {ext}},
        {[] { return CVcdImageEx::Is_Cluster_ext(nullptr); }, {ext, ext}},
        {[] { return CVcdImageEx::IsExt_dot_D_09_09(nullptr); }, {}},
        {[] { return CVcdImageEx::IsMyExt_VCD_dot_D_09_09(nullptr); }, {}},
        {[&] { return CVcdImageEx::ParseMaster(nullptr, a, b); }, {pm + "strMaster \n"}},
        {[&] { return CVcdImageEx::ParseMaster("", nullptr, nullptr); }, {pm + "strMaster \n"}},
        {[&] { return CVcdImageEx::ParseMaster(m, nullptr, nullptr); }, {pm + "strDvdDir_MAXPATH \n"}},
        {[&] { return CVcdImageEx::ParseMaster(m, a, nullptr); }, {pm + "strDvdPathPre_MAXPATH \n"}},
        {[&] { return CVcdImageEx::Vcd2Dvd_ext(nullptr, a, b, c); }, {vd + "strMaster \n"}},
        {[&] { return CVcdImageEx::Vcd2Dvd_ext("", nullptr, nullptr, nullptr); }, {vd + "strMaster \n"}},
        {[&] { return CVcdImageEx::Vcd2Dvd_ext(m, nullptr, b, c); }, {vd + "strDvdDir_MAXPATH \n"}},
        {[&] { return CVcdImageEx::Vcd2Dvd_ext(m, a, nullptr, nullptr); }, {vd + "strDvdPathPre_MAXPATH \n"}},
        {[&] { return CVcdImageEx::Vcd2Dvd_ext(m, a, b, nullptr); }, {vd + "strDvdMaster_MAXPATH \n"}},
        {[] { return CVcdImageEx::GetPathExtType("C:\\img\\Movie.ISO.D00"); }, {}},
        {[] { return CVcdImageEx::Is_Cluster_ext("C:\\img\\Movie.vcd"); }, {}},
        {[&] { return CVcdImageEx::ParseMaster("C:\\Movie.DVD.D00", a, b); }, {}},
        {[&] { return CVcdImageEx::Vcd2Dvd_ext("C:\\img\\.vcd", a, b, c); }, {}},
    };
    for (std::size_t k = 0; k < rows.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(rows[k].first(), 0);
        EXPECT_EQ(Lines(), rows[k].second);
    }
}

}  // namespace
