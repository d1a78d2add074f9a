#include "platform/registry/reg_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/test_support.h"

using brenvik::registry::RegFile;
using brenvik::registry::RegValue;
using brenvik::test::RegText;

namespace {

constexpr uint32_t kSz = 1, kExpandSz = 2, kBinary = 3, kDword = 4, kMultiSz = 7;
using Bytes = std::vector<uint8_t>;

Bytes Sz(const std::string &s)
{
    Bytes v(s.begin(), s.end());
    v.push_back(0);
    return v;
}

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
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; a comment line\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug]\r\n"
    "\"DebugLevel\"=dword:00000001\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C]\r\n"
    "@=\"default text\"\r\n"
    "\"Path\"=\"C:\\\\host\\\\root\"\r\n"
    "\"Expand\"=hex(2):25,00,50,00,41,00,54,00,48,00,25,00,00,00\r\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,63,00,00,00,00,00\r\n"
    "\"Quad\"=hex(b):08,07,06,05,04,03,02,01\r\n"
    "\"Long\"=hex:00,01,02,03,\\\r\n"
    "  04,05,06,\\\r\n"
    "  07\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Network\\Z]\r\n"
    "\"RemotePath\"=\"\\\\\\\\server\\\\share\"\r\n";

TEST(RegistryFile, ReadsTheSampleFile)
{
    RegFile f = RegFile::Parse(kSample);
    EXPECT_EQ(f.version(), 5);
    EXPECT_TRUE(f.warnings().empty());
    ASSERT_EQ(f.keys().size(), 3u);
    const std::string c = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C";
    EXPECT_EQ(f.keys()[1].path, c);
    const struct { std::string key; const char *name; uint32_t type; Bytes data; } rows[] = {
        {"HKLM\\SOFTWARE\\OrloDebug", "DebugLevel", kDword, {1, 0, 0, 0}},
        {c, "", kSz, Sz("default text")},
        {c, "Expand", kExpandSz, Sz("%PATH%")},
        {c, "Long", kBinary, {0, 1, 2, 3, 4, 5, 6, 7}},
        {"HKCU\\Network\\Z", "RemotePath", kSz, Sz("\\\\server\\share")},
    };
    for (const auto &r : rows) {
        const RegValue *v = f.FindValue(r.key, r.name);
        ASSERT_NE(v, nullptr) << r.name;
        EXPECT_EQ(v->type, r.type) << r.name;
        EXPECT_EQ(v->data, r.data) << r.name;
    }
}

TEST(RegistryFile, ValueForms)
{
    const struct { const char *data; uint32_t type; Bytes bytes; } rows[] = {
        {R"("C:\\dir\\file")", kSz, Sz("C:\\dir\\file")},
        {R"("say \"hi\"")", kSz, Sz("say \"hi\"")},
        {R"("C:\dir\new")", kSz, Sz("C:\\dir\\new")},  // other escapes stand for themselves
        {R"("a;b=c")", kSz, Sz("a;b=c")}, {" \"spaced\" ", kSz, Sz("spaced")},
        {"dword:ffffffff", kDword, {0xff, 0xff, 0xff, 0xff}}, {"dword:7", kDword, {7, 0, 0, 0}},
        {"DWORD:0000ABcd", kDword, {0xcd, 0xab, 0, 0}},
        {"dword:12345678  ", kDword, {0x78, 0x56, 0x34, 0x12}},
        {"hex:", kBinary, {}},    {"hex:0,a,Ff", kBinary, {0, 0x0a, 0xff}},  {"HEX(0):", 0, {}},
        {"hex: 01 , 02 ,03,", kBinary, {1, 2, 3}},
        {"hex(4):01,00,00,00", kDword, {1, 0, 0, 0}}, {"hex(ffff0010):01", 0xffff0010u, {1}},
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

TEST(RegistryFile, EncodingsAndHeaders)
{
    std::string lf;
    std::copy_if(kSample, kSample + sizeof kSample - 1, std::back_inserter(lf),
                 [](char c) { return c != '\r'; });
    const std::string reference = Dump(RegFile::Parse(kSample));
    for (const std::string &form : {lf, "\xEF\xBB\xBF" + std::string(kSample),
                                    Utf16le(kSample, true), Utf16le(kSample, false)}) {
        RegFile f = RegFile::Parse(form);
        EXPECT_TRUE(f.warnings().empty());
        EXPECT_EQ(Dump(f), reference);
    }
    // UTF-16 text, including a surrogate pair, becomes UTF-8.
    RegFile wide = RegFile::Parse(
        Utf16le("Windows Registry Editor Version 5.00\r\n[HKLM\\K]\r\n\"L\"=\"", true) +
        std::string("\xC4\x00\xAC\x20\x3D\xD8\x00\xDE", 8) + Utf16le("\"\r\n", false));
    ASSERT_NE(wide.FindValue("HKLM\\K", "L"), nullptr);
    EXPECT_EQ(wide.FindValue("HKLM\\K", "L")->data, Sz("\xC3\x84\xE2\x82\xAC\xF0\x9F\x98\x80"));
    // REGEDIT4 keeps the bytes of hex string types as written.
    RegFile v4 = RegFile::Parse("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n\"E\"=hex(2):25,54,25,00\n");
    EXPECT_EQ(v4.version(), 4);
    ASSERT_NE(v4.FindValue("HKLM\\A", "E"), nullptr);
    EXPECT_EQ(v4.FindValue("HKLM\\A", "E")->data, (Bytes{'%', 'T', '%', 0}));
}

TEST(RegistryFile, LookupIgnoresCaseAndAcceptsHiveNames)
{
    RegFile f = RegFile::Parse(kSample);
    for (const char *path : {"HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug", "hklm\\Software\\ORLODEBUG",
                             "hkey_local_machine\\software\\orlodebug\\\\"}) {
        EXPECT_EQ(f.FindKey(path), &f.keys()[0]) << path;
        EXPECT_NE(f.FindValue(path, "DEBUGlevel"), nullptr) << path;
    }
    for (const char *path : {"HKCU\\SOFTWARE\\OrloDebug", "HKLM\\SOFTWARE\\\\OrloDebug",
                             "\\HKLM\\SOFTWARE\\OrloDebug", "HKLM\\SOFTWARE\\OrloDebu",
                             "HKLM\\SOFTWARE\\OrloDebugX", ""})
        EXPECT_EQ(f.FindKey(path), nullptr) << path;
    EXPECT_EQ(f.FindValue("HKLM\\SOFTWARE\\OrloDebug", "DebugLeve"), nullptr);
    RegFile other = RegFile::Parse(RegText({"[HKCR\\.vcd]", "@=\"img\"", "[HKEY_USERS\\S-1]"}));
    EXPECT_NE(other.FindValue("HKEY_CLASSES_ROOT\\.VCD", ""), nullptr);
    EXPECT_NE(other.FindKey("HKU\\s-1"), nullptr);
}

TEST(RegistryFile, SubKeysAndImplicitParents)
{
    RegFile f = RegFile::Parse(RegText({"[HKLM\\SOFTWARE\\Brenvik\\Drives\\C]",
                                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\d]",
                                        "[HKLM\\software\\brenvik\\drives\\c\\deeper]",
                                        "[HKLM\\SOFTWARE\\Brenvik\\Shares\\srv\\share]",
                                        "[HKLM\\SOFTWARE\\Brenvik\\Drives\\E]"}));
    using Names = std::vector<std::string>;
    EXPECT_EQ(f.SubKeyNames("HKLM\\SOFTWARE\\Brenvik\\Drives"), (Names{"C", "d", "E"}));
    EXPECT_EQ(f.SubKeyNames("hklm\\software\\BRENVIK\\"), (Names{"Drives", "Shares"}));
    EXPECT_EQ(f.SubKeyNames("HKLM"), (Names{"SOFTWARE"}));
    EXPECT_EQ(f.SubKeyNames("HKLM\\SOFTWARE\\Brenvik\\Drives\\C"), (Names{"deeper"}));
    EXPECT_TRUE(f.SubKeyNames("HKCU").empty());
    EXPECT_TRUE(f.KeyExists("HKLM\\SOFTWARE\\Brenvik\\Shares\\SRV"));  // implicit parent
    EXPECT_FALSE(f.KeyExists("HKLM\\SOFTWARE\\Bren"));
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
    using namespace std::string_literals;
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
    const std::string key = "[HKLM\\K]\r\n\"good\"=\"1\"\r\n";
    const std::string k = hdr + key;
    const struct { const char *what; std::string text; std::size_t keys, warnings; } rows[] = {
        {"empty file", "", 0, 1}, {"only a header", hdr, 0, 0}, {"no line end", "REGEDIT4", 0, 0},
        {"blank lines before the header", "\r\n\r\n" + k, 1, 0},
        {"no header", key, 0, 1},
        {"wrong version", "Windows Registry Editor Version 4.00\r\n" + key, 0, 1},
        {"header in lower case", "regedit4\r\n" + key, 0, 1},
        {"missing ']'", hdr + "[HKLM\\Bad\r\n\"v\"=\"x\"\r\n" + key, 1, 2},
        {"unknown hive", hdr + "[HKEY_NOWHERE\\X]\r\n\"v\"=\"x\"\r\n" + key, 1, 2},
        {"empty component", hdr + "[HKLM\\A\\\\B]\r\n" + key, 1, 1},
        {"value before any key", hdr + "\"v\"=\"x\"\r\n" + key, 1, 1},
        {"unterminated name", k + "\"v=\"x\"\r\n", 1, 1},
        {"missing '='", k + "\"v\" \"x\"\r\n", 1, 1},
        {"unterminated string", k + "\"v\"=\"x\r\n", 1, 1},
        {"text after string", k + "\"v\"=\"x\" y\r\n", 1, 1},
        {"unknown data", k + "\"v\"=qword:1\r\n", 1, 1},
        {"bad dword digit", k + "\"v\"=dword:0000000g\r\n", 1, 1},
        {"dword too long", k + "\"v\"=dword:000000001\r\n", 1, 1},
        {"bad hex byte", k + "\"v\"=hex:01,zz\r\n", 1, 1},
        {"three hex digits", k + "\"v\"=hex:001\r\n", 1, 1},
        {"bad hex type", k + "\"v\"=hex(q):01\r\n", 1, 1},
        {"hex type too long", k + "\"v\"=hex(123456789):01\r\n", 1, 1},
        {"continuation cut off", k + "\"v\"=hex:01,\\\r\n", 1, 1},
        {"continuation of a bad value", k + "\"v\"=hex:zz,\\\r\n  01,02\r\n", 1, 1},
        {"nul inside a line", k + std::string("\"v\"=\"a\0b\"\r\n", 11), 1, 0},
        {"bad value over a good one", k + "\"good\"=dword:xyz\r\n", 1, 1},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.what);
        RegFile f = RegFile::Parse(r.text);
        EXPECT_EQ(f.keys().size(), r.keys);
        EXPECT_EQ(f.warnings().size(), r.warnings);
        if (r.keys != 0) {
            ASSERT_NE(f.FindValue("HKLM\\K", "good"), nullptr);
            EXPECT_EQ(f.FindValue("HKLM\\K", "good")->data, Sz("1"));
        }
    }
    RegFile f = RegFile::Parse(RegText({"[HKLM\\K]", "\"ok\"=\"1\"", "\"v\"=hex:zz"}));
    EXPECT_EQ(f.warnings(), std::vector<std::string>{"line 5: bad hex byte: \"v\"=hex:zz"});
}

TEST(RegistryFile, WarningsStopGrowingAndCutFilesKeepWhatIsWhole)
{
    std::string many = "REGEDIT4\n";
    for (int i = 0; i < 5000; ++i)
        many += "junk\n";
    RegFile g = RegFile::Parse(many);
    EXPECT_EQ(g.warnings().size(), 1001u);  // the list stops growing
    EXPECT_EQ(g.warnings().back(), "further warnings left out");

    // A file cut anywhere (a write in progress) holds the keys whose line was
    // complete, in order.
    auto paths = [](const RegFile &r) {
        std::vector<std::string> v;
        for (const auto &k : r.keys())
            v.push_back(k.path);
        return v;
    };
    const std::vector<std::string> all = paths(RegFile::Parse(kSample));
    for (const std::string &full : {std::string(kSample), Utf16le(kSample, true)})
        for (std::size_t n = 0; n <= full.size(); ++n) {
            auto some = paths(RegFile::Parse(std::string_view(full).substr(0, n)));
            ASSERT_LE(some.size(), all.size()) << n;
            ASSERT_TRUE(std::equal(some.begin(), some.end(), all.begin())) << n;
        }
}

TEST(RegistryFile, LoadsHostFiles)
{
    brenvik::test::TempDir dir;
    brenvik::test::WriteHostFile(dir / "r.reg", Utf16le(kSample, true));
    RegFile f;
    ASSERT_TRUE(RegFile::Load(dir / "r.reg", &f));
    EXPECT_FALSE(RegFile::Load(dir / "missing.reg", &f));
    EXPECT_EQ(Dump(f), Dump(RegFile::Parse(kSample)));  // untouched by a failed load
    EXPECT_FALSE(RegFile::Load(dir / "r.reg", nullptr));
}

}  // namespace
