// Image file names: extension classes, masters, DVD bundle names.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "image_test_support.h"

namespace {

using brenvik::test::ScopedTraceOn;
using brenvik::test::TapServices;
using brenvik::test::TraceMessages;

constexpr unsigned char kUntouched = 0xEE;

// A 260-byte path buffer with guard bytes after it, pre-filled so that a
// test can tell written from untouched.
struct PathBuffer {
    char data[BRENVIK_MAX_PATH];
    unsigned char guard[32];

    PathBuffer()
    {
        std::memset(data, kUntouched, sizeof data);
        std::memset(guard, kUntouched, sizeof guard);
    }
    bool Untouched() const
    {
        for (char c : data)
            if (static_cast<unsigned char>(c) != kUntouched)
                return false;
        return true;
    }
    bool GuardIntact() const
    {
        for (unsigned char c : guard)
            if (c != kUntouched)
                return false;
        return true;
    }
    std::string Text() const
    {
        std::size_t n = 0;
        while (n < sizeof data && data[n] != '\0')
            ++n;
        return std::string(data, n);
    }
};

// ---- Extension classes --------------------------------------------------------

struct ExtTypeRow {
    const char *path;
    int type;
};

const ExtTypeRow kExtTypeRows[] = {
    {"C:\\img\\movie.vcd", EXTTYPE_VCD},
    {"C:\\img\\Movie.DVD\\Movie.DVD.D00", EXTTYPE_DVD},
    {"C:\\img\\Movie.dvd.d07", EXTTYPE_DVD},
    {"C:\\img\\Song.VCD.D01", EXTTYPE_MIXEDMODE},
    {"C:\\img\\Movie.DVD", EXTTYPE_NONE},
    {"C:\\img\\Movie.D00", EXTTYPE_NONE},
    {"C:\\img\\Movie.ISO.D00", EXTTYPE_NONE},
    {"C:\\img\\.VCD", EXTTYPE_NONE},
    {"C:\\img\\.DVD.D00", EXTTYPE_NONE},
    {"C:\\img\\Movie.DVD.D1", EXTTYPE_NONE},
    {"C:\\img\\Movie.DVD.DA1", EXTTYPE_NONE},
    // Beyond the worked cases: forms, case, separators, near misses.
    {"Movie.VcD", EXTTYPE_VCD},
    {"C:Movie.vcd", EXTTYPE_VCD},
    {"\\\\srv\\share\\Song.vcd.d99", EXTTYPE_MIXEDMODE},
    {"C:/img/Movie.DVD.D00", EXTTYPE_DVD},
    {"C:\\a.b\\My.Movie.DVD.D05", EXTTYPE_DVD},
    {"C:\\img.vcd\\Movie", EXTTYPE_NONE},
    {"C:\\img\\Movie.vcd\\", EXTTYPE_NONE},
    {"C:\\img\\Movie.DVD.D000", EXTTYPE_NONE},
    {"C:\\img\\Movie.DVD.D0x", EXTTYPE_NONE},
    {"C:\\img\\Movie.DVD.D00 ", EXTTYPE_NONE},
    {"C:\\img\\Movie..D00", EXTTYPE_NONE},
    {"C:\\img\\Movie.vcdx", EXTTYPE_NONE},
    {"C:\\img\\Movie.vc", EXTTYPE_NONE},
    {"C:\\img\\Movie", EXTTYPE_NONE},
    {"C:\\img\\Movie.VCD.DVD.D00", EXTTYPE_DVD},
    {"C:\\img\\Movie.DVD.VCD.D00", EXTTYPE_MIXEDMODE},
    {"C:\\img\\Movie.DVD.VCD", EXTTYPE_VCD},
};

class ExtType : public ::testing::TestWithParam<ExtTypeRow> {};

TEST_P(ExtType, ClassAndPredicates)
{
    const ExtTypeRow &row = GetParam();
    SCOPED_TRACE(row.path);
    EXPECT_EQ(CVcdImageEx::GetPathExtType(row.path), row.type);
    EXPECT_EQ(CVcdImageEx::IsVCDext(row.path), row.type == EXTTYPE_VCD ? 1 : 0);
    EXPECT_EQ(CVcdImageEx::IsDVDext(row.path), row.type == EXTTYPE_DVD ? 1 : 0);
    EXPECT_EQ(CVcdImageEx::Is_MixedModeCD_ext(row.path), row.type == EXTTYPE_MIXEDMODE ? 1 : 0);
    EXPECT_EQ(CVcdImageEx::Is_Cluster_ext(row.path),
              (row.type == EXTTYPE_DVD || row.type == EXTTYPE_MIXEDMODE) ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Names, ExtType, ::testing::ValuesIn(kExtTypeRows));

struct ExtRow {
    const char *ext;
    int memberNumber;  // IsExt_dot_D_09_09
    int doubleExt;     // IsMyExt_VCD_dot_D_09_09
};

TEST(MemberExtension, Table)
{
    const ExtRow rows[] = {
        {".D00", 1, 0},          {".d99", 1, 0},          {".D9", 0, 0},
        {".DA0", 0, 0},          {".D000", 0, 0},         {"Movie.D00", 0, 0},
        {"", 0, 0},              {".", 0, 0},             {".X00", 0, 0},
        {"D00.", 0, 0},          {".D0/", 0, 0},          {".D:0", 0, 0},
        {".D 0", 0, 0},          {".E00", 0, 0},          {".d9\x80", 0, 0},
        {".VCD.D00", 0, 1},      {".dvd.d42", 0, 1},      {".vCd.D55", 0, 1},
        {".DVD.D4", 0, 0},       {".ISO.D00", 0, 0},      {"Movie.DVD.D00", 0, 0},
        {".VCD.D000", 0, 0},     {".VCD-D00", 0, 0},      {".DVD.X00", 0, 0},
        {".DVD.DA0", 0, 0},      {".DV", 0, 0},           {"xVCD.D00", 0, 0},
    };
    for (const ExtRow &row : rows) {
        SCOPED_TRACE(row.ext);
        EXPECT_EQ(CVcdImageEx::IsExt_dot_D_09_09(row.ext), row.memberNumber);
        EXPECT_EQ(CVcdImageEx::IsMyExt_VCD_dot_D_09_09(row.ext), row.doubleExt);
    }
}

// ---- Masters ------------------------------------------------------------------

struct MasterRow {
    const char *master;
    int result;
    const char *dir;
    const char *prefix;
};

const MasterRow kMasterRows[] = {
    {"C:\\img\\Movie.DVD\\Movie.DVD.D00", 1, "C:\\img\\Movie.DVD\\",
     "C:\\img\\Movie.DVD\\Movie.DVD.D"},
    {"D:\\x\\Song.vcd.d00", 1, "D:\\x\\", "D:\\x\\Song.vcd.d"},
    {"C:\\Movie.DVD.D00", 0, nullptr, nullptr},
    {"Movie.DVD.D00", 0, nullptr, nullptr},
    {"C:\\img\\Movie.DVD.D01", 0, nullptr, nullptr},
    {"C:\\img\\Movie.ISO.D00", 0, nullptr, nullptr},
    {"C:\\img\\.DVD.D00", 0, nullptr, nullptr},
    // Beyond the worked cases.
    {"C:\\img\\Movie.VCD.D00", 1, "C:\\img\\", "C:\\img\\Movie.VCD.D"},
    {"\\\\srv\\share\\Movie.DVD\\Movie.DVD.D00", 1, "\\\\srv\\share\\Movie.DVD\\",
     "\\\\srv\\share\\Movie.DVD\\Movie.DVD.D"},
    {"C:/img/Movie.dVd.D00", 1, "C:/img/", "C:/img/Movie.dVd.D"},
    {"x\\Movie.DVD.D00", 1, "x\\", "x\\Movie.DVD.D"},
    {"\\Movie.DVD.D00", 0, nullptr, nullptr},
    {"C:x\\Movie.DVD.D00", 1, "C:x\\", "C:x\\Movie.DVD.D"},
    {"C:\\img\\Movie.DVD.D00\\", 0, nullptr, nullptr},
    {"C:\\img\\Movie.D00", 0, nullptr, nullptr},
    {"C:\\img\\Movie.DVD.D0", 0, nullptr, nullptr},
    {"C:\\img\\Movie.DVD.D000", 0, nullptr, nullptr},
    {"C:\\img\\Movie.DVD.E00", 0, nullptr, nullptr},
};

class Master : public ::testing::TestWithParam<MasterRow> {};

TEST_P(Master, DirAndPrefix)
{
    const MasterRow &row = GetParam();
    SCOPED_TRACE(row.master);
    PathBuffer dir, prefix;
    EXPECT_EQ(CVcdImageEx::ParseMaster(row.master, dir.data, prefix.data), row.result);
    if (row.result) {
        EXPECT_EQ(dir.Text(), row.dir);
        EXPECT_EQ(prefix.Text(), row.prefix);
    } else {
        EXPECT_TRUE(dir.Untouched());
        EXPECT_TRUE(prefix.Untouched());
    }
    EXPECT_TRUE(dir.GuardIntact());
    EXPECT_TRUE(prefix.GuardIntact());
}

TEST(MasterAliasing, NameGivenInAnOutputBuffer)
{
    // A caller may pass the master in the buffer that receives a result.
    for (const MasterRow &row : kMasterRows) {
        if (!row.result)
            continue;
        for (int which = 0; which < 2; ++which) {
            SCOPED_TRACE(std::string(row.master) + (which == 0 ? " in the directory buffer"
                                                               : " in the prefix buffer"));
            PathBuffer dir, prefix;
            char *in = which == 0 ? dir.data : prefix.data;
            std::memcpy(in, row.master, std::strlen(row.master) + 1);
            EXPECT_EQ(CVcdImageEx::ParseMaster(in, dir.data, prefix.data), 1);
            EXPECT_EQ(dir.Text(), row.dir);
            EXPECT_EQ(prefix.Text(), row.prefix);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Names, Master, ::testing::ValuesIn(kMasterRows));

// ---- DVD bundle names -------------------------------------------------------------

struct DvdRow {
    const char *name;
    const char *dir;  // null: refused
    const char *prefix;
    const char *master;
};

const DvdRow kDvdRows[] = {
    {"C:\\img\\Movie.vcd", "C:\\img\\Movie.DVD\\", "C:\\img\\Movie.DVD\\Movie.DVD.D",
     "C:\\img\\Movie.DVD\\Movie.DVD.D00"},
    {"C:\\img\\Movie.VCD.D03", "C:\\img\\Movie.DVD\\", "C:\\img\\Movie.DVD\\Movie.DVD.D",
     "C:\\img\\Movie.DVD\\Movie.DVD.D00"},
    {"C:\\img\\Movie.iso", "C:\\img\\Movie.DVD\\", "C:\\img\\Movie.DVD\\Movie.DVD.D",
     "C:\\img\\Movie.DVD\\Movie.DVD.D00"},
    {"C:\\img\\My.Movie.vcd", "C:\\img\\My.DVD\\", "C:\\img\\My.DVD\\My.DVD.D",
     "C:\\img\\My.DVD\\My.DVD.D00"},
    {"C:\\img\\My.Movie.iso", "C:\\img\\My.Movie.DVD\\",
     "C:\\img\\My.Movie.DVD\\My.Movie.DVD.D", "C:\\img\\My.Movie.DVD\\My.Movie.DVD.D00"},
    {"Movie.vcd", "Movie.DVD\\", "Movie.DVD\\Movie.DVD.D", "Movie.DVD\\Movie.DVD.D00"},
    {"C:\\img\\Movie.DVD\\Movie.DVD.D00", "C:\\img\\Movie.DVD\\Movie.DVD\\",
     "C:\\img\\Movie.DVD\\Movie.DVD\\Movie.DVD.D",
     "C:\\img\\Movie.DVD\\Movie.DVD\\Movie.DVD.D00"},
    {"C:\\img\\.vcd", nullptr, nullptr, nullptr},
    // Beyond the worked cases: derived parts keep their case, composed ones
    // are upper case; a name without extension; a dot-name left empty.
    {"c:\\Img\\movie.Dvd", "c:\\Img\\movie.DVD\\", "c:\\Img\\movie.DVD\\movie.DVD.D",
     "c:\\Img\\movie.DVD\\movie.DVD.D00"},
    {"C:\\img\\Movie", "C:\\img\\Movie.DVD\\", "C:\\img\\Movie.DVD\\Movie.DVD.D",
     "C:\\img\\Movie.DVD\\Movie.DVD.D00"},
    {"C:\\img\\Movie.vcd.iso", "C:\\img\\Movie.vcd.DVD\\",
     "C:\\img\\Movie.vcd.DVD\\Movie.vcd.DVD.D", "C:\\img\\Movie.vcd.DVD\\Movie.vcd.DVD.D00"},
    {"C:\\img\\.hidden.vcd", nullptr, nullptr, nullptr},
    {"C:\\img\\Movie.vcd\\", nullptr, nullptr, nullptr},
    {"C:Movie.d42", "C:Movie.DVD\\", "C:Movie.DVD\\Movie.DVD.D", "C:Movie.DVD\\Movie.DVD.D00"},
};

class DvdNames : public ::testing::TestWithParam<DvdRow> {};

TEST_P(DvdNames, ThreeOutputs)
{
    const DvdRow &row = GetParam();
    SCOPED_TRACE(row.name);
    PathBuffer dir, prefix, master;
    const int result = CVcdImageEx::Vcd2Dvd_ext(row.name, dir.data, prefix.data, master.data);
    if (row.dir) {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(dir.Text(), row.dir);
        EXPECT_EQ(prefix.Text(), row.prefix);
        EXPECT_EQ(master.Text(), row.master);
    } else {
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(dir.Untouched());
        EXPECT_TRUE(prefix.Untouched());
        EXPECT_TRUE(master.Untouched());
    }
    EXPECT_TRUE(dir.GuardIntact() && prefix.GuardIntact() && master.GuardIntact());
}

TEST(DvdNamesAliasing, NameGivenInAnOutputBuffer)
{
    for (const DvdRow &row : kDvdRows) {
        if (!row.dir)
            continue;
        for (int which = 0; which < 3; ++which) {
            SCOPED_TRACE(std::string(row.name) + " in output " + std::to_string(which));
            PathBuffer out[3];
            std::memcpy(out[which].data, row.name, std::strlen(row.name) + 1);
            EXPECT_EQ(CVcdImageEx::Vcd2Dvd_ext(out[which].data, out[0].data, out[1].data,
                                               out[2].data),
                      1);
            EXPECT_EQ(out[0].Text(), row.dir);
            EXPECT_EQ(out[1].Text(), row.prefix);
            EXPECT_EQ(out[2].Text(), row.master);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Names, DvdNames, ::testing::ValuesIn(kDvdRows));

// "C:\" + a directory level of dirChars characters + "\" + Movie.vcd: drive,
// directory and title together are dirChars + 9 characters.
std::string NameWithDirectory(std::size_t dirChars)
{
    return "C:\\" + std::string(dirChars, 'd') + "\\Movie.vcd";
}

TEST(DvdNamesLength, EachLimitLeavesTheOutputsBeforeIt)
{
    struct Row {
        std::size_t pieces;  // drive + directory + title
        int result;
        bool dirWritten, prefixWritten;
    };
    const Row rows[] = {
        {255, 0, false, false},  // directory of 260 with ".DVD\"
        {254, 0, true, false},   // directory fits, prefix of 260
        {244, 0, true, false},
        {243, 0, true, true},    // prefix fits, master of 261
        {242, 0, true, true},    // master of 260
        {241, 1, true, true},    // master of 259
        {200, 1, true, true},
    };
    for (const Row &row : rows) {
        const std::string name = NameWithDirectory(row.pieces - 9);
        SCOPED_TRACE(row.pieces);
        PathBuffer dir, prefix, master;
        EXPECT_EQ(CVcdImageEx::Vcd2Dvd_ext(name.c_str(), dir.data, prefix.data, master.data),
                  row.result);
        const std::string expectDir = name.substr(0, name.size() - 4) + ".DVD\\";
        if (row.dirWritten) {
            EXPECT_EQ(dir.Text(), expectDir);
        } else {
            EXPECT_TRUE(dir.Untouched());
        }
        if (row.prefixWritten) {
            EXPECT_EQ(prefix.Text(), expectDir + "Movie.DVD.D");
        } else {
            EXPECT_TRUE(prefix.Untouched());
        }
        if (row.result) {
            EXPECT_EQ(master.Text(), expectDir + "Movie.DVD.D00");
            EXPECT_LT(master.Text().size(), std::size_t{BRENVIK_MAX_PATH});
        } else {
            EXPECT_TRUE(master.Untouched());
        }
        EXPECT_TRUE(dir.GuardIntact() && prefix.GuardIntact() && master.GuardIntact());
    }
}

// ---- Long and strange names ------------------------------------------------------

std::vector<std::string> StrangeNames()
{
    std::vector<std::string> names = {
        std::string(5000, 'a'),
        std::string(5000, '\\'),
        std::string(5000, '.'),
        "C:\\" + std::string(4990, 'x') + ".vcd",
        "C:\\" + std::string(300, 'd') + "\\Movie.DVD.D00",
        "C:\\img\\" + std::string(300, 't') + ".DVD.D00",
        "C:\\img\\Movie.DVD." + std::string(300, 'D'),
        "C:\\" + std::string(200, 'd') + "\\" + std::string(60, 't') + ".DVD.D00",
        "C:\\" + std::string(250, 'd') + "\\" + std::string(250, 't') + ".vcd",
        std::string(259, 'z'),
        std::string(260, 'z'),
        "\xE3\x81\x82.vcd",
        "C:\\\x81\\\x81.DVD.D00",
        ":",
        "\\\\",
        "C:",
        ".",
        "..",
    };
    return names;
}

TEST(NamingBounds, NothingWrittenPastAPathBuffer)
{
    for (const std::string &name : StrangeNames()) {
        SCOPED_TRACE(name.substr(0, 40) + "... (" + std::to_string(name.size()) + ")");
        const char *p = name.c_str();
        CVcdImageEx::GetPathExtType(p);
        CVcdImageEx::Is_Cluster_ext(p);
        CVcdImageEx::IsExt_dot_D_09_09(p);
        CVcdImageEx::IsMyExt_VCD_dot_D_09_09(p);
        PathBuffer a, b, c;
        if (CVcdImageEx::ParseMaster(p, a.data, b.data)) {
            EXPECT_LT(std::strlen(a.data), std::size_t{BRENVIK_MAX_PATH});
            EXPECT_LT(std::strlen(b.data), std::size_t{BRENVIK_MAX_PATH});
        } else {
            EXPECT_TRUE(a.Untouched() && b.Untouched());
        }
        EXPECT_TRUE(a.GuardIntact() && b.GuardIntact());
        PathBuffer d, e, f;
        if (CVcdImageEx::Vcd2Dvd_ext(p, d.data, e.data, f.data)) {
            EXPECT_LT(std::strlen(f.data), std::size_t{BRENVIK_MAX_PATH});
        }
        EXPECT_TRUE(d.GuardIntact() && e.GuardIntact() && f.GuardIntact());
    }
}

TEST(NamingBounds, LongMasterWhosePrefixWouldNotFitIsRefused)
{
    // Pieces that each fit the runtime's splitter, a prefix of 270.
    const std::string name = "C:\\" + std::string(200, 'd') + "\\" + std::string(60, 't') +
                             ".DVD.D00";
    PathBuffer dir, prefix;
    EXPECT_EQ(CVcdImageEx::ParseMaster(name.c_str(), dir.data, prefix.data), 0);
    EXPECT_TRUE(dir.Untouched() && prefix.Untouched());
    // The class of such a name is still its extension's.
    EXPECT_EQ(CVcdImageEx::GetPathExtType(name.c_str()), EXTTYPE_DVD);
}

// ---- Trace lines ----------------------------------------------------------------

class NamingTrace : public ::testing::Test {
protected:
    NamingTrace() : tap_(brenvik::platform::sys()), install_(tap_) {}

    std::vector<std::string> Lines() const { return TraceMessages(tap_.debugOutput); }

    TapServices tap_;
    brenvik::platform::ScopedServices install_;
    ScopedTraceOn trace_;
};

TEST_F(NamingTrace, MissingArgumentsAreNamed)
{
    char a[BRENVIK_MAX_PATH], b[BRENVIK_MAX_PATH], c[BRENVIK_MAX_PATH];
    const char *m = "C:\\img\\Movie.DVD\\Movie.DVD.D00";
    struct Row {
        const char *what;
        std::function<int()> call;
        std::vector<std::string> lines;
    };
    const std::string ext = "CVcdImageEx::GetPathExtType BAD NULL ...strPath \n";
    const std::string pm = "CVcdImageEx::ParseMaster BAD NULL ...";
    const std::string vd = "CVcdImageEx::Vcd2Dvd_ext BAD NULL ...";
    const std::vector<Row> rows = {
        {"GetPathExtType null", [] { return CVcdImageEx::GetPathExtType(nullptr); }, {ext}},
        {"GetPathExtType empty", [] { return CVcdImageEx::GetPathExtType(""); }, {ext}},
        {"IsVCDext", [] { return CVcdImageEx::IsVCDext(nullptr); }, {ext}},
        {"IsDVDext", [] { return CVcdImageEx::IsDVDext(""); }, {ext}},
        {"Is_MixedModeCD_ext", [] { return CVcdImageEx::Is_MixedModeCD_ext(nullptr); }, {ext}},
        {"Is_Cluster_ext", [] { return CVcdImageEx::Is_Cluster_ext(nullptr); }, {ext, ext}},
        {"IsExt_dot_D_09_09", [] { return CVcdImageEx::IsExt_dot_D_09_09(nullptr); }, {}},
        {"IsMyExt", [] { return CVcdImageEx::IsMyExt_VCD_dot_D_09_09(nullptr); }, {}},
        {"ParseMaster null", [&] { return CVcdImageEx::ParseMaster(nullptr, a, b); },
         {pm + "strMaster \n"}},
        {"ParseMaster empty", [&] { return CVcdImageEx::ParseMaster("", a, b); },
         {pm + "strMaster \n"}},
        {"ParseMaster all null",
         [&] { return CVcdImageEx::ParseMaster(nullptr, nullptr, nullptr); },
         {pm + "strMaster \n"}},
        {"ParseMaster dir", [&] { return CVcdImageEx::ParseMaster(m, nullptr, nullptr); },
         {pm + "strDvdDir_MAXPATH \n"}},
        {"ParseMaster prefix", [&] { return CVcdImageEx::ParseMaster(m, a, nullptr); },
         {pm + "strDvdPathPre_MAXPATH \n"}},
        {"Vcd2Dvd_ext null", [&] { return CVcdImageEx::Vcd2Dvd_ext(nullptr, a, b, c); },
         {vd + "strMaster \n"}},
        {"Vcd2Dvd_ext empty",
         [&] { return CVcdImageEx::Vcd2Dvd_ext("", nullptr, nullptr, nullptr); },
         {vd + "strMaster \n"}},
        {"Vcd2Dvd_ext dir", [&] { return CVcdImageEx::Vcd2Dvd_ext(m, nullptr, b, c); },
         {vd + "strDvdDir_MAXPATH \n"}},
        {"Vcd2Dvd_ext prefix",
         [&] { return CVcdImageEx::Vcd2Dvd_ext(m, a, nullptr, nullptr); },
         {vd + "strDvdPathPre_MAXPATH \n"}},
        {"Vcd2Dvd_ext master", [&] { return CVcdImageEx::Vcd2Dvd_ext(m, a, b, nullptr); },
         {vd + "strDvdMaster_MAXPATH \n"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        tap_.debugOutput.clear();
        EXPECT_EQ(row.call(), 0);
        EXPECT_EQ(Lines(), row.lines);
    }
}

TEST_F(NamingTrace, RefusedNamesAreSilent)
{
    char a[BRENVIK_MAX_PATH], b[BRENVIK_MAX_PATH], c[BRENVIK_MAX_PATH];
    EXPECT_EQ(CVcdImageEx::GetPathExtType("C:\\img\\Movie.ISO.D00"), 0);
    EXPECT_EQ(CVcdImageEx::Is_Cluster_ext("C:\\img\\Movie.vcd"), 0);
    EXPECT_EQ(CVcdImageEx::ParseMaster("C:\\Movie.DVD.D00", a, b), 0);
    EXPECT_EQ(CVcdImageEx::Vcd2Dvd_ext("C:\\img\\.vcd", a, b, c), 0);
    EXPECT_EQ(CVcdImageEx::Vcd2Dvd_ext(NameWithDirectory(250).c_str(), a, b, c), 0);
    EXPECT_EQ(CVcdImageEx::ParseMaster("C:\\img\\Movie.DVD.D00", a, b), 1);
    EXPECT_TRUE(tap_.debugOutput.empty());
}

}  // namespace
