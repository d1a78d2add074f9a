#include "platform/registry/reg_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "support/test_support.h"

using brenvik::registry::RegFile;
using brenvik::registry::RegKey;
using brenvik::registry::RegValue;
using brenvik::test::RegText;

namespace {

constexpr uint32_t kSz = 1, kExpandSz = 2, kBinary = 3, kDword = 4, kMultiSz = 7, kQword = 11;

std::vector<uint8_t> B(std::initializer_list<int> bytes)
{
    std::vector<uint8_t> v;
    for (int b : bytes)
        v.push_back(static_cast<uint8_t>(b));
    return v;
}

std::vector<uint8_t> Sz(const std::string &s)
{
    std::vector<uint8_t> v(s.begin(), s.end());
    v.push_back(0);
    return v;
}

// UTF-8 (ASCII here) to UTF-16LE bytes, optionally with a byte order mark.
std::string Utf16le(const std::string &ascii, bool bom)
{
    std::string out;
    if (bom)
        out += "\xFF\xFE";
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
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
    "\"Type\"=\"fixed\"\r\n"
    "\"Blob\"=hex:de,ad,be,ef\r\n"
    "\"Expand\"=hex(2):25,00,50,00,41,00,54,00,48,00,25,00,00,00\r\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,63,00,00,00,00,00\r\n"
    "\"Quad\"=hex(b):08,07,06,05,04,03,02,01\r\n"
    "\"Long\"=hex:00,01,02,03,\\\r\n"
    "  04,05,06,\\\r\n"
    "  07\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Network\\Z]\r\n"
    "\"RemotePath\"=\"\\\\\\\\server\\\\share\"\r\n";

TEST(RegistryFile, ReadsEveryValueType)
{
    RegFile f = RegFile::Parse(kSample);
    EXPECT_EQ(f.version(), 5);
    EXPECT_TRUE(f.warnings().empty()) << f.warnings().front();
    ASSERT_EQ(f.keys().size(), 3u);
    EXPECT_EQ(f.keys()[1].path, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C");

    struct Row {
        const char *key;
        const char *name;
        uint32_t type;
        std::vector<uint8_t> data;
    };
    const std::string drive = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C";
    const Row rows[] = {
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug", "DebugLevel", kDword, B({1, 0, 0, 0})},
        {drive.c_str(), "", kSz, Sz("default text")},
        {drive.c_str(), "Path", kSz, Sz("C:\\host\\root")},
        {drive.c_str(), "Type", kSz, Sz("fixed")},
        {drive.c_str(), "Blob", kBinary, B({0xde, 0xad, 0xbe, 0xef})},
        {drive.c_str(), "Expand", kExpandSz, Sz("%PATH%")},
        {drive.c_str(), "Multi", kMultiSz, B({'a', 0, 'b', 'c', 0, 0})},
        {drive.c_str(), "Quad", kQword, B({8, 7, 6, 5, 4, 3, 2, 1})},
        {drive.c_str(), "Long", kBinary, B({0, 1, 2, 3, 4, 5, 6, 7})},
        {"HKEY_CURRENT_USER\\Network\\Z", "RemotePath", kSz, Sz("\\\\server\\share")},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string(r.key) + " / " + r.name);
        const RegValue *v = f.FindValue(r.key, r.name);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->type, r.type);
        EXPECT_EQ(v->data, r.data);
    }
}

TEST(RegistryFile, EncodingsAndLineEndingsGiveTheSameResult)
{
    std::string crlf = kSample;
    std::string lf;
    for (char c : crlf)
        if (c != '\r')
            lf.push_back(c);
    const std::pair<const char *, std::string> forms[] = {
        {"CRLF", crlf},
        {"LF", lf},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + crlf},
        {"UTF-16LE with mark", Utf16le(crlf, true)},
        {"UTF-16LE without mark", Utf16le(crlf, false)},
    };
    RegFile reference = RegFile::Parse(crlf);
    for (const auto &form : forms) {
        SCOPED_TRACE(form.first);
        RegFile f = RegFile::Parse(form.second);
        EXPECT_TRUE(f.warnings().empty());
        ASSERT_EQ(f.keys().size(), reference.keys().size());
        for (std::size_t i = 0; i < f.keys().size(); ++i) {
            EXPECT_EQ(f.keys()[i].path, reference.keys()[i].path);
            ASSERT_EQ(f.keys()[i].values.size(), reference.keys()[i].values.size());
            for (std::size_t j = 0; j < f.keys()[i].values.size(); ++j) {
                EXPECT_EQ(f.keys()[i].values[j].name, reference.keys()[i].values[j].name);
                EXPECT_EQ(f.keys()[i].values[j].data, reference.keys()[i].values[j].data);
            }
        }
    }
}

TEST(RegistryFile, Utf16TextBecomesUtf8)
{
    // "Label"="Ä€" followed by a character outside the basic plane (U+1F600).
    std::string header = Utf16le("Windows Registry Editor Version 5.00\r\n[HKLM\\K]\r\n\"Label\"=\"", true);
    std::string body = header + std::string("\xC4\x00\xAC\x20\x3D\xD8\x00\xDE", 8) +
                       Utf16le("\"\r\n", false);
    RegFile f = RegFile::Parse(body);
    const RegValue *v = f.FindValue("HKLM\\K", "Label");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->data, Sz("\xC3\x84\xE2\x82\xAC\xF0\x9F\x98\x80"));
}

TEST(RegistryFile, Regedit4KeepsHexStringBytes)
{
    RegFile f = RegFile::Parse(
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n\"E\"=hex(2):25,54,25,00\n\"S\"=\"x\"\n");
    EXPECT_EQ(f.version(), 4);
    const RegValue *e = f.FindValue("HKLM\\A", "E");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->type, kExpandSz);
    EXPECT_EQ(e->data, B({'%', 'T', '%', 0}));
    ASSERT_NE(f.FindValue("HKLM\\A", "S"), nullptr);
}

TEST(RegistryFile, StringEscapes)
{
    struct Row {
        const char *line;  // the value's data as written
        std::string text;  // what it holds, without the NUL
    };
    const Row rows[] = {
        {R"("plain")", "plain"},
        {R"("C:\\dir\\file")", "C:\\dir\\file"},
        {R"("say \"hi\"")", "say \"hi\""},
        {R"("\\\\srv\\share")", "\\\\srv\\share"},
        // Other backslash sequences stand for themselves.
        {R"("C:\dir\new")", "C:\\dir\\new"},
        {R"("tab\there")", "tab\\there"},
        {R"("")", ""},
        {R"("a;b=c")", "a;b=c"},
        {"  \"spaced\"  ", "spaced"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.line);
        RegFile f = RegFile::Parse(RegText({"[HKLM\\K]", std::string("\"v\"=") + r.line}));
        EXPECT_TRUE(f.warnings().empty());
        const RegValue *v = f.FindValue("HKLM\\K", "v");
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->data, Sz(r.text));
    }
    RegFile names = RegFile::Parse(RegText({"[HKLM\\K]", R"("a \"q\" \\ name"="1")"}));
    EXPECT_NE(names.FindValue("HKLM\\K", "a \"q\" \\ name"), nullptr);
}

TEST(RegistryFile, LookupIgnoresCaseAndAcceptsHiveNames)
{
    RegFile f = RegFile::Parse(kSample);
    const char *const found[] = {
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\OrloDebug",
        "hkey_local_machine\\software\\orlodebug",
        "HKLM\\SOFTWARE\\OrloDebug",
        "hklm\\Software\\ORLODEBUG",
        "HKLM\\SOFTWARE\\OrloDebug\\",
        "HKLM\\SOFTWARE\\OrloDebug\\\\",
    };
    for (const char *path : found) {
        SCOPED_TRACE(path);
        const RegKey *k = f.FindKey(path);
        ASSERT_NE(k, nullptr);
        EXPECT_EQ(k, &f.keys()[0]);
        EXPECT_NE(f.FindValue(path, "debuglevel"), nullptr);
        EXPECT_NE(f.FindValue(path, "DEBUGLEVEL"), nullptr);
    }
    const char *const missing[] = {
        "HKCU\\SOFTWARE\\OrloDebug",
        "HKLM\\SOFTWARE",  // exists only on the way to listed keys
        "HKLM\\SOFTWARE\\\\OrloDebug",
        "\\HKLM\\SOFTWARE\\OrloDebug",
        "SOFTWARE\\OrloDebug",
        "HKLM\\SOFTWARE\\OrloDebu",
        "HKLM\\SOFTWARE\\OrloDebugX",
        "",
        "HKLM",
    };
    for (const char *path : missing) {
        SCOPED_TRACE(path);
        EXPECT_EQ(f.FindKey(path), nullptr);
    }
    EXPECT_EQ(f.FindValue("HKLM\\SOFTWARE\\OrloDebug", "DebugLeve"), nullptr);
    EXPECT_EQ(f.FindValue("HKLM\\SOFTWARE\\OrloDebug", ""), nullptr);

    for (const char *abbreviation : {"HKCU", "HKEY_CURRENT_USER", "hkcu"})
        EXPECT_NE(f.FindKey(std::string(abbreviation) + "\\Network\\z"), nullptr);
    RegFile other = RegFile::Parse(RegText({"[HKCR\\.vcd]", "@=\"img\"", "[HKEY_USERS\\S-1]",
                                            "\"x\"=\"1\"", "[HKU\\S-2]"}));
    EXPECT_NE(other.FindValue("HKEY_CLASSES_ROOT\\.VCD", ""), nullptr);
    EXPECT_NE(other.FindValue("HKU\\s-1", "X"), nullptr);
    EXPECT_NE(other.FindKey("HKEY_USERS\\S-2"), nullptr);
}

TEST(RegistryFile, SubKeysAndImplicitParents)
{
    RegFile f = RegFile::Parse(RegText({
        "[HKLM\\SOFTWARE\\Brenvik\\Drives\\C]",
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\d]",
        "[HKLM\\software\\brenvik\\drives\\c\\deeper]",
        "[HKLM\\SOFTWARE\\Brenvik\\Shares\\srv\\share]",
        "[HKLM\\SOFTWARE\\Brenvik\\Drives\\E]",
    }));
    EXPECT_EQ(f.SubKeyNames("HKLM\\SOFTWARE\\Brenvik\\Drives"),
              (std::vector<std::string>{"C", "d", "E"}));
    EXPECT_EQ(f.SubKeyNames("hklm\\software\\BRENVIK\\"),
              (std::vector<std::string>{"Drives", "Shares"}));
    EXPECT_EQ(f.SubKeyNames("HKLM"), (std::vector<std::string>{"SOFTWARE"}));
    EXPECT_EQ(f.SubKeyNames("HKLM\\SOFTWARE\\Brenvik\\Drives\\C"),
              (std::vector<std::string>{"deeper"}));
    EXPECT_TRUE(f.SubKeyNames("HKLM\\SOFTWARE\\Brenvik\\Drives\\E").empty());
    EXPECT_TRUE(f.SubKeyNames("HKCU").empty());
    EXPECT_TRUE(f.SubKeyNames("nonsense").empty());

    EXPECT_TRUE(f.KeyExists("HKLM\\SOFTWARE\\Brenvik"));
    EXPECT_TRUE(f.KeyExists("hklm\\software"));
    EXPECT_TRUE(f.KeyExists("HKLM\\SOFTWARE\\Brenvik\\Shares\\SRV"));
    EXPECT_TRUE(f.KeyExists("HKLM\\SOFTWARE\\Brenvik\\Drives\\C\\Deeper\\"));
    EXPECT_FALSE(f.KeyExists("HKLM\\SOFTWARE\\Bren"));
    EXPECT_FALSE(f.KeyExists("HKLM\\SOFTWARE\\Brenvik\\Drives\\F"));
    EXPECT_FALSE(f.KeyExists("HKCU"));
}

TEST(RegistryFile, MergesReplacesAndDeletes)
{
    RegFile f = RegFile::Parse(RegText({
        "[HKLM\\A]",
        "\"one\"=\"1\"",
        "\"two\"=\"2\"",
        "\"gone\"=dword:00000003",
        "[HKLM\\A\\Sub]",
        "\"s\"=\"x\"",
        "[HKLM\\B]",
        "\"b\"=\"b\"",
        "[hklm\\a]",  // the same key again: its values join the first section's
        "\"ONE\"=\"uno\"",
        "\"three\"=\"3\"",
        "\"Gone\"=-",
        "\"never-set\"=-",
        "[-HKLM\\B]",
        "\"lost\"=\"after a deletion\"",
        "[-HKLM\\A\\Sub]",
        "[HKLM\\A\\Sub\\Later]",  // a key listed after the deletion stays
        "[-HKLM\\Missing]",
    }));
    ASSERT_EQ(f.keys().size(), 2u);
    const RegKey *a = f.FindKey("HKLM\\A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->path, "HKLM\\A");
    ASSERT_EQ(a->values.size(), 3u);
    EXPECT_EQ(a->values[0].data, Sz("uno"));
    EXPECT_EQ(a->values[1].name, "two");
    EXPECT_EQ(a->values[2].name, "three");
    EXPECT_EQ(f.FindValue("HKLM\\A", "gone"), nullptr);
    EXPECT_EQ(f.FindKey("HKLM\\B"), nullptr);
    EXPECT_EQ(f.FindKey("HKLM\\A\\Sub"), nullptr);
    EXPECT_NE(f.FindKey("HKLM\\A\\Sub\\Later"), nullptr);
    ASSERT_EQ(f.warnings().size(), 1u);  // the value after [-HKLM\B]
    EXPECT_NE(f.warnings()[0].find("line 17"), std::string::npos) << f.warnings()[0];

    RegFile tree = RegFile::Parse(RegText({"[HKLM\\T]", "[HKLM\\T\\x]", "[HKLM\\T\\x\\y]",
                                           "[HKLM\\Tx]", "[-HKLM\\T]"}));
    ASSERT_EQ(tree.keys().size(), 1u);
    EXPECT_EQ(tree.keys()[0].path, "HKLM\\Tx");
}

TEST(RegistryFile, DefaultValueForms)
{
    RegFile f = RegFile::Parse(RegText({"[HKLM\\K]", "@=\"first\"", "\"\"=\"second\"",
                                        " @ = dword:2"}));
    ASSERT_NE(f.FindKey("HKLM\\K"), nullptr);
    ASSERT_EQ(f.FindKey("HKLM\\K")->values.size(), 1u);
    const RegValue *v = f.FindValue("HKLM\\K", "");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->type, kDword);
    EXPECT_EQ(v->data, B({2, 0, 0, 0}));
}

TEST(RegistryFile, NumbersAndHexForms)
{
    struct Row {
        const char *data;
        uint32_t type;
        std::vector<uint8_t> bytes;
    };
    const Row rows[] = {
        {"dword:ffffffff", kDword, B({0xff, 0xff, 0xff, 0xff})},
        {"DWORD:0000ABcd", kDword, B({0xcd, 0xab, 0, 0})},
        {"dword:7", kDword, B({7, 0, 0, 0})},
        {"dword:12345678  ", kDword, B({0x78, 0x56, 0x34, 0x12})},
        {"hex:", kBinary, B({})},
        {"hex:0,a,Ff", kBinary, B({0, 0x0a, 0xff})},
        {"hex: 01 , 02 ,03", kBinary, B({1, 2, 3})},
        {"hex:01,02,", kBinary, B({1, 2})},
        {"HEX(0):", 0, B({})},
        {"hex(3):aa", kBinary, B({0xaa})},
        {"hex(4):01,00,00,00", kDword, B({1, 0, 0, 0})},
        {"hex(ffff0010):01", 0xffff0010u, B({1})},
        // A version 5 file holds string types as UTF-16LE.
        {"hex(1):41,00,00,00", kSz, B({'A', 0})},
        {"hex(7):", kMultiSz, B({})},
        // An odd byte count cannot be UTF-16: kept as written (and warned).
        {"hex(2):41,00,00", kExpandSz, B({0x41, 0, 0})},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.data);
        RegFile f = RegFile::Parse(RegText({"[HKLM\\K]", std::string("\"v\"=") + r.data}));
        const RegValue *v = f.FindValue("HKLM\\K", "v");
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->type, r.type);
        EXPECT_EQ(v->data, r.bytes);
    }
}

TEST(RegistryFile, ContinuationsJoinLines)
{
    RegFile f = RegFile::Parse(RegText({
        "[HKLM\\K]",
        "\"a\"=hex:01,\\",
        "  02,\\",
        "\t03  \\  ",
        "  ,04",
        "\"b\"=hex(7):61,00,\\",
        "  00,00,00,00",
        "\"c\"=\"after\"",
    }));
    EXPECT_TRUE(f.warnings().empty());
    const RegValue *a = f.FindValue("HKLM\\K", "a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->data, B({1, 2, 3, 4}));
    const RegValue *b = f.FindValue("HKLM\\K", "b");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->data, B({'a', 0, 0}));
    EXPECT_NE(f.FindValue("HKLM\\K", "c"), nullptr);
}

// What a malformed file yields: the well-formed lines around a bad one are
// kept, the bad one is reported.
TEST(RegistryFile, MalformedInputsYieldWhatIsWellFormed)
{
    struct Row {
        const char *what;
        std::string text;
        std::size_t keys;       // keys in the result
        std::size_t warnings;   // warnings reported
        const char *goodValue;  // a value under HKLM\K that must survive, or null
    };
    const std::string hdr = "Windows Registry Editor Version 5.00\r\n";
    const std::string key = "[HKLM\\K]\r\n\"good\"=\"1\"\r\n";
    const Row rows[] = {
        {"empty file", "", 0, 1, nullptr},
        {"only a header", hdr, 0, 0, nullptr},
        {"header without line end", "REGEDIT4", 0, 0, nullptr},
        {"blank lines before the header", "\r\n\r\n" + hdr + key, 1, 0, "good"},
        {"no header", key, 0, 1, nullptr},
        {"wrong version", "Windows Registry Editor Version 4.00\r\n" + key, 0, 1, nullptr},
        {"header in lower case", "regedit4\r\n" + key, 0, 1, nullptr},
        {"missing ']'", hdr + "[HKLM\\Bad\r\n\"v\"=\"x\"\r\n" + key, 1, 2, "good"},
        {"text after ']'", hdr + "[HKLM\\Bad] x\r\n" + key, 1, 1, "good"},
        {"empty key", hdr + "[]\r\n" + key, 1, 1, "good"},
        {"unknown hive", hdr + "[HKEY_NOWHERE\\X]\r\n\"v\"=\"x\"\r\n" + key, 1, 2, "good"},
        {"empty component", hdr + "[HKLM\\A\\\\B]\r\n" + key, 1, 1, "good"},
        {"value before any key", hdr + "\"v\"=\"x\"\r\n" + key, 1, 1, "good"},
        {"unterminated name", hdr + key + "\"v=\"x\"\r\n", 1, 1, "good"},
        {"unterminated string", hdr + key + "\"v\"=\"x\r\n", 1, 1, "good"},
        {"escaped closing quote", hdr + key + "\"v\"=\"x\\\"\r\n", 1, 1, "good"},
        {"missing '='", hdr + key + "\"v\" \"x\"\r\n", 1, 1, "good"},
        {"text after string", hdr + key + "\"v\"=\"x\" y\r\n", 1, 1, "good"},
        {"unknown data", hdr + key + "\"v\"=qword:1\r\n", 1, 1, "good"},
        {"no data", hdr + key + "\"v\"=\r\n", 1, 1, "good"},
        {"bad dword digit", hdr + key + "\"v\"=dword:0000000g\r\n", 1, 1, "good"},
        {"dword too long", hdr + key + "\"v\"=dword:000000001\r\n", 1, 1, "good"},
        {"empty dword", hdr + key + "\"v\"=dword:\r\n", 1, 1, "good"},
        {"bad hex byte", hdr + key + "\"v\"=hex:01,zz\r\n", 1, 1, "good"},
        {"three hex digits", hdr + key + "\"v\"=hex:001\r\n", 1, 1, "good"},
        {"double comma", hdr + key + "\"v\"=hex:01,,02\r\n", 1, 1, "good"},
        {"lone comma", hdr + key + "\"v\"=hex:,\r\n", 1, 1, "good"},
        {"hex without colon", hdr + key + "\"v\"=hex 01\r\n", 1, 1, "good"},
        {"bad hex type", hdr + key + "\"v\"=hex(q):01\r\n", 1, 1, "good"},
        {"unclosed hex type", hdr + key + "\"v\"=hex(2:01\r\n", 1, 1, "good"},
        {"hex type too long", hdr + key + "\"v\"=hex(123456789):01\r\n", 1, 1, "good"},
        {"continuation cut off", hdr + key + "\"v\"=hex:01,\\\r\n", 1, 1, "good"},
        {"continuation of a bad value swallowed",
         hdr + key + "\"v\"=hex:zz,\\\r\n  01,02\r\n", 1, 1, "good"},
        {"garbage line", hdr + key + "garbage\r\n", 1, 1, "good"},
        {"garbage bytes", hdr + key + std::string("\x01\x02\xff\x00\x7f", 5) + "\r\n", 1, 1, "good"},
        {"nul inside a line", hdr + key + std::string("\"v\"=\"a\0b\"\r\n", 11), 1, 0, "good"},
        {"bad value does not clobber a good one",
         hdr + key + "\"good\"=dword:xyz\r\n", 1, 1, "good"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        RegFile f = RegFile::Parse(r.text);
        EXPECT_EQ(f.keys().size(), r.keys);
        EXPECT_EQ(f.warnings().size(), r.warnings);
        if (r.goodValue) {
            const RegValue *v = f.FindValue("HKLM\\K", r.goodValue);
            ASSERT_NE(v, nullptr);
            EXPECT_EQ(v->data, Sz("1"));
        }
    }
}

TEST(RegistryFile, WarningsNameTheLine)
{
    RegFile f = RegFile::Parse(RegText({"[HKLM\\K]", "\"ok\"=\"1\"", "\"v\"=hex:zz"}));
    ASSERT_EQ(f.warnings().size(), 1u);
    EXPECT_EQ(f.warnings()[0], "line 5: bad hex byte: \"v\"=hex:zz");
}

TEST(RegistryFile, HugeAndHostileInputs)
{
    // A line of a million bytes inside a string value.
    std::string big(1000000, 'x');
    RegFile f = RegFile::Parse(RegText({"[HKLM\\K]", "\"big\"=\"" + big + "\""}));
    const RegValue *v = f.FindValue("HKLM\\K", "big");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->data.size(), big.size() + 1);

    // Very many bad lines: the warnings stop growing.
    std::string many = "REGEDIT4\n";
    for (int i = 0; i < 5000; ++i)
        many += "junk\n";
    RegFile g = RegFile::Parse(many);
    EXPECT_EQ(g.warnings().size(), 1001u);
    EXPECT_EQ(g.warnings().back(), "further warnings left out");

    // Binary junk of every kind, with and without a header in front.
    std::mt19937 random(1234);
    for (int round = 0; round < 300; ++round) {
        std::string junk(static_cast<std::size_t>(random() % 400), '\0');
        for (char &c : junk)
            c = static_cast<char>(random());
        RegFile a = RegFile::Parse(junk);
        EXPECT_TRUE(a.keys().empty());
        RegFile b = RegFile::Parse("REGEDIT4\n[HKLM\\K]\n" + junk);
        EXPECT_GE(b.keys().size(), 1u);
    }
}

TEST(RegistryFile, EveryPrefixOfAFileParses)
{
    // Cutting a file anywhere (as a write in progress would) is harmless: the
    // result holds the keys whose key line was complete, in order.
    auto paths = [](const RegFile &f) {
        std::vector<std::string> v;
        for (const RegKey &k : f.keys())
            v.push_back(k.path);
        return v;
    };
    const std::string full = kSample;
    const std::vector<std::string> all = paths(RegFile::Parse(full));
    for (std::size_t n = 0; n <= full.size(); ++n) {
        std::vector<std::string> some = paths(RegFile::Parse(std::string_view(full).substr(0, n)));
        ASSERT_LE(some.size(), all.size()) << n;
        ASSERT_TRUE(std::equal(some.begin(), some.end(), all.begin())) << n;
    }
    const std::string utf16 = Utf16le(full, true);
    for (std::size_t n = 0; n <= utf16.size(); n += 7) {
        std::vector<std::string> some = paths(RegFile::Parse(std::string_view(utf16).substr(0, n)));
        ASSERT_LE(some.size(), all.size()) << n;
        ASSERT_TRUE(std::equal(some.begin(), some.end(), all.begin())) << n;
    }
}

TEST(RegistryFile, LoadsHostFiles)
{
    brenvik::test::TempDir dir;
    const std::string path = dir / "registry.reg";
    brenvik::test::WriteHostFile(path, Utf16le(kSample, true));
    RegFile f;
    ASSERT_TRUE(RegFile::Load(path, &f));
    EXPECT_EQ(f.keys().size(), 3u);
    ASSERT_NE(f.FindValue("HKLM\\SOFTWARE\\OrloDebug", "DebugLevel"), nullptr);

    RegFile untouched = RegFile::Parse(kSample);
    EXPECT_FALSE(RegFile::Load(dir / "missing.reg", &untouched));
    EXPECT_EQ(untouched.keys().size(), 3u);
    EXPECT_FALSE(RegFile::Load(path, nullptr));
}

}  // namespace
