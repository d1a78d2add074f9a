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

TEST(Naming, ExtensionClasses)
{
    const std::pair<const char *, int> rows[] = {
        {"C:\\img\\movie.vcd", EXTTYPE_VCD},      {"C:\\img\\M.DVD\\M.DVD.D00", EXTTYPE_DVD},
        {"C:\\img\\Movie.dvd.d07", EXTTYPE_DVD},  {"C:\\img\\Song.VCD.D01", EXTTYPE_MIXEDMODE},
        {"C:\\img\\Movie.DVD", EXTTYPE_NONE},     {"C:\\img\\Movie.D00", EXTTYPE_NONE},
        {"C:\\img\\Movie.ISO.D00", EXTTYPE_NONE}, {"C:\\img\\.DVD.D00", EXTTYPE_NONE},
        {"C:\\img\\Movie.DVD.DA1", EXTTYPE_NONE}, {"C:/img/M.DVD.D00", EXTTYPE_DVD},
        {"C:\\img.vcd\\Movie", EXTTYPE_NONE},     {"C:\\img\\M.DVD.D000", EXTTYPE_NONE},
        {"C:\\img\\M.DVD.D00 ", EXTTYPE_NONE},    {"C:\\img\\Movie.vcdx", EXTTYPE_NONE},
        {"C:\\img\\M.VCD.DVD.D00", EXTTYPE_DVD},  {"C:\\img\\M.DVD.VCD.D00", EXTTYPE_MIXEDMODE},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.first);
        const int t = row.second;
        EXPECT_EQ(CVcdImageEx::GetPathExtType(row.first), t);
        EXPECT_EQ(CVcdImageEx::IsVCDext(row.first), t == EXTTYPE_VCD);
        EXPECT_EQ(CVcdImageEx::IsDVDext(row.first), t == EXTTYPE_DVD);
        EXPECT_EQ(CVcdImageEx::Is_MixedModeCD_ext(row.first), t == EXTTYPE_MIXEDMODE);
        EXPECT_EQ(CVcdImageEx::Is_Cluster_ext(row.first), t > EXTTYPE_VCD);
    }
    // Member number (IsExt_dot_D_09_09) and kind plus number (IsMyExt_VCD_dot_D_09_09).
    const std::pair<const char *, int> exts[] = {
        {".D00", 1},  {".d99", 1},      {".D9", 0},       {".DA0", 0},      {".D000", 0},
        {"M.D00", 0}, {"", 0},          {".X00", 0},      {"D00.", 0},      {".D0/", 0},
        {".D:0", 0},  {".d9\x80", 0},   {".VCD.D00", 2},  {".dvd.d42", 2},  {".vCd.D55", 2},
        {".DVD.D4", 0}, {".ISO.D00", 0}, {"M.DVD.D00", 0}, {".VCD.D000", 0}, {".VCD-D00", 0},
        {".DVD.X00", 0}, {".DVD.DA0", 0}, {"xVCD.D00", 0},
    };
    for (const auto &row : exts) {
        SCOPED_TRACE(row.first);
        EXPECT_EQ(CVcdImageEx::IsExt_dot_D_09_09(row.first), row.second == 1);
        EXPECT_EQ(CVcdImageEx::IsMyExt_VCD_dot_D_09_09(row.first), row.second == 2);
    }
}

// A path buffer pre-filled with guard bytes after it.
struct Buffer {
    char data[BRENVIK_MAX_PATH];
    unsigned char guard[32];
    Buffer() { std::memset(this, 0xEE, sizeof *this); }
    bool Untouched() const { return static_cast<unsigned char>(data[0]) == 0xEE; }
    bool GuardIntact() const { return guard[0] == 0xEE && guard[31] == 0xEE; }
    std::string Text() const { return std::string(data, std::find(data, data + sizeof data, 0)); }
};
using Call = std::function<int(const char *, Buffer *)>;

int Parse(const char *name, Buffer *o)
{
    return CVcdImageEx::ParseMaster(name, o[0].data, o[1].data);
}
int Vcd2Dvd(const char *name, Buffer *o)
{
    return CVcdImageEx::Vcd2Dvd_ext(name, o[0].data, o[1].data, o[2].data);
}

// The outputs of call for name: the first `written` of `expected` (all of
// them: success), the others untouched, nothing past any buffer. On success,
// again with the name given in each output buffer, which a caller may do.
void ExpectOutputs(const Call &call, const std::string &name, const Strings &expected,
                   std::size_t written)
{
    const bool ok = written == expected.size() && written > 0;
    for (std::size_t in = 0; in <= (ok ? written : 0); ++in) {
        SCOPED_TRACE(name.substr(0, 60) + " given in output " + std::to_string(in));
        Buffer out[3];
        if (in > 0)
            std::memcpy(out[in - 1].data, name.c_str(), name.size() + 1);
        EXPECT_EQ(call(in > 0 ? out[in - 1].data : name.c_str(), out), ok ? 1 : 0);
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_TRUE(out[k].GuardIntact()) << k;
            if (k < written) {
                EXPECT_EQ(out[k].Text(), expected[k]) << k;
                if (in == 0 && expected[k].size() + 1 < sizeof out[k].data) {  // one NUL copied, no more
                    EXPECT_EQ(static_cast<unsigned char>(out[k].data[expected[k].size() + 1]), 0xEE) << k;
                }
            } else if (in == 0) {
                EXPECT_TRUE(out[k].Untouched()) << k;
            }
        }
    }
}

TEST(Naming, MasterGivesDirectoryAndPrefix)
{
    const std::vector<Strings> rows = {
        {"C:\\img\\M.DVD\\M.DVD.D00", "C:\\img\\M.DVD\\", "C:\\img\\M.DVD\\M.DVD.D"},
        {"D:\\x\\Song.vcd.d00", "D:\\x\\", "D:\\x\\Song.vcd.d"},
        {"C:\\Movie.DVD.D00"}, {"Movie.DVD.D00"}, {"C:\\img\\Movie.DVD.D01"},
        {"C:\\img\\Movie.ISO.D00"}, {"C:\\img\\.DVD.D00"},
        {"\\\\srv\\s\\M.DVD\\M.DVD.D00", "\\\\srv\\s\\M.DVD\\", "\\\\srv\\s\\M.DVD\\M.DVD.D"},
        {"C:/img/Movie.dVd.D00", "C:/img/", "C:/img/Movie.dVd.D"},
        {"C:x\\Movie.VCD.D00", "C:x\\", "C:x\\Movie.VCD.D"},
        {"\\Movie.DVD.D00"}, {"C:\\img\\Movie.DVD.D00\\"}, {"C:\\img\\Movie.DVD.E00"},
        // Pieces that each fit the runtime's splitter, a prefix of exactly 260.
        {"C:\\" + std::string(190, 'd') + "\\" + std::string(60, 't') + ".DVD.D00"},
    };
    for (const Strings &row : rows)
        ExpectOutputs(Parse, row[0], {row.begin() + 1, row.end()}, row.size() - 1);
}

TEST(Naming, DvdBundleNames)
{
    // {name, directory, title}: derived parts keep their case, composed ones
    // are upper case.
    const std::vector<Strings> rows = {
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
        {"C:\\img\\.hidden.vcd"}, {"C:\\img\\Movie.vcd\\"}, {"C:Movie.d42", "C:Movie.DVD\\"},
    };
    for (const Strings &row : rows) {
        const std::string dir = row.size() > 1 ? row[1] : "";
        const std::string title = row.size() > 2 ? row[2] : "Movie.DVD";
        const Strings out = {dir, dir + title + ".D", dir + title + ".D00"};
        ExpectOutputs(Vcd2Dvd, row[0], out, row.size() > 1 ? 3 : 0);
    }
    // Too long: refused once an output would not fit, those before it written.
    const std::pair<std::size_t, std::size_t> limits[] = {
        {255, 0}, {254, 1}, {244, 1}, {243, 2}, {242, 2}, {241, 3}};
    for (const auto &limit : limits) {  // drive + directory + title, outputs written
        const std::string name = "C:\\" + std::string(limit.first - 9, 'd') + "\\Movie.vcd";
        const std::string dir = name.substr(0, name.size() - 4) + ".DVD\\";
        ExpectOutputs(Vcd2Dvd, name, {dir, dir + "Movie.DVD.D", dir + "Movie.DVD.D00"},
                      limit.second);
    }
}

using NamingTrace = ImageFiles;

TEST_F(NamingTrace, MissingArgumentsAreNamedAndRefusedNamesAreSilent)
{
    char a[BRENVIK_MAX_PATH], b[BRENVIK_MAX_PATH], c[BRENVIK_MAX_PATH];
    const char *m = "C:\\img\\Movie.DVD\\Movie.DVD.D00";
    using X = CVcdImageEx;
    EXPECT_EQ(X::GetPathExtType(nullptr) + X::IsDVDext("") + X::Is_Cluster_ext(nullptr) +
                  X::IsExt_dot_D_09_09(nullptr) + X::IsMyExt_VCD_dot_D_09_09(nullptr) +
                  X::ParseMaster(nullptr, a, b) + X::ParseMaster(m, nullptr, b) +
                  X::ParseMaster(m, a, nullptr) + X::Vcd2Dvd_ext("", nullptr, b, c) +
                  X::Vcd2Dvd_ext(m, nullptr, b, c) + X::Vcd2Dvd_ext(m, a, nullptr, c) +
                  X::Vcd2Dvd_ext(m, a, b, nullptr) + X::Is_Cluster_ext("C:\\img\\Movie.vcd") +
                  X::ParseMaster("C:\\Movie.DVD.D00", a, b) + X::Vcd2Dvd_ext("C:\\img\\.vcd", a, b, c),
              0);
    const std::string ext = "CVcdImageEx::GetPathExtType BAD NULL ...strPath \n",
                      pm = "CVcdImageEx::ParseMaster BAD NULL ...",
                      vd = "CVcdImageEx::Vcd2Dvd_ext BAD NULL ...";
    EXPECT_EQ(Lines(), (Strings{ext, ext, ext, ext, pm + "strMaster \n", pm + "strDvdDir_MAXPATH \n",
                                pm + "strDvdPathPre_MAXPATH \n", vd + "strMaster \n",
                                vd + "strDvdDir_MAXPATH \n", vd + "strDvdPathPre_MAXPATH \n",
                                vd + "strDvdMaster_MAXPATH \n"}));
}

}  // namespace
