// Image files of arbitrary content on the POSIX backend (drive C: a
// temporary directory), read by the exported image and bundle operations. What they answer is checked against
// the header layout read here independently: the type code from the two
// kind words (when at least 2934 bytes can be read), the description and
// the word beside it (when all 2942 can), the members of a bundle from its
// kind and slave count, and what a deletion leaves.
//
// Input: byte 0 is the shape (bits 0-1 the name, bit 2 which deletion, bit
// 4 another party holding the file open for writing, bit 5 the trace, bits
// 6-7 how many slave files lie beside the master); the rest is the file's
// content.
#include <strings.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include <brenvik/brenvik.h>

#include "frame/trace.h"
#include "platform/posix/handles.h"
#include "platform/services.h"
#include "scratch_dir.h"

namespace {

constexpr std::size_t kTypeRead = 2934;
constexpr std::size_t kHeader = 2942;
constexpr unsigned char kMarker = 0xA5;

[[noreturn]] void Fail(const char *what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

uint32_t Word(const std::string &bytes, std::size_t offset)
{
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset])) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 1])) << 8) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 2])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 3])) << 24);
}

unsigned long ExpectedType(const std::string &bytes)
{
    if (bytes.size() < kTypeRead)
        return CDTYPE_INVALID;
    const uint32_t format = Word(bytes, 44);
    if (format == 0x100)
        return CDTYPE_AUDIO;
    if (format == 0x1000)
        return CDTYPE_DVD;
    switch (Word(bytes, 376)) {
    case 1:
        return CDTYPE_MIXED;
    case 2:
        return CDTYPE_CDEXTRA;
    case 3:
        return CDTYPE_PHOTO;
    case 4:
        return CDTYPE_VIDEO;
    case 5:
        return CDTYPE_DVD;
    case 6:
        return CDTYPE_ISOGEN;
    default:
        return CDTYPE_CDROM;
    }
}

struct Name {
    const char *path;
    const char *memberPrefix;  // member k is this and k in two digits
    const char *dir;           // the bundle directory
    bool dvdExt;
};

const Name kNames[] = {
    {"C:\\img\\Movie.VCD", "C:\\img\\Movie.D", "C:\\img\\", false},
    {"C:\\img\\Movie.DVD\\Movie.DVD.D00", "C:\\img\\Movie.DVD\\Movie.DVD.D",
     "C:\\img\\Movie.DVD\\", true},
    {"C:\\img\\Movie.VCD.D00", "C:\\img\\Movie.VCD.D", "C:\\img\\", false},
    {"c:\\IMG\\movie.dvd\\MOVIE.DVD.d00", "c:\\IMG\\movie.dvd\\MOVIE.DVD.D",
     "c:\\IMG\\movie.dvd\\", true},
};

std::string Member(const Name &n, int k)
{
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02d", k);
    return std::string(n.memberPrefix) + digits;
}

bool EndsWith(const char *s, const std::string &tail)
{
    const std::size_t n = std::strlen(s);
    return n >= tail.size() && std::memcmp(s + n - tail.size(), tail.data(), tail.size()) == 0;
}

void CheckType(const char *name, unsigned long expected)
{
    const unsigned long type = CVcdImageEx::GetVCD_cdtype(name);
    if (type != expected)
        Fail("the type code is not the header's");
    const struct {
        int (*predicate)(const char *);
        unsigned long code;
    } kPredicates[] = {
        {CVcdImageEx::Is_CDROM, CDTYPE_CDROM},     {CVcdImageEx::Is_AUDIO, CDTYPE_AUDIO},
        {CVcdImageEx::Is_MIXED, CDTYPE_MIXED},     {CVcdImageEx::Is_DVD, CDTYPE_DVD},
        {CVcdImageEx::Is_CDEXTRA, CDTYPE_CDEXTRA}, {CVcdImageEx::Is_PHOTO, CDTYPE_PHOTO},
        {CVcdImageEx::Is_VIDEO, CDTYPE_VIDEO},     {CVcdImageEx::Is_ISOGEN, CDTYPE_ISOGEN},
    };
    for (const auto &p : kPredicates)
        if (p.predicate(name) != (type == p.code ? 1 : 0))
            Fail("a predicate disagrees with the type code");
    const bool cluster = type == CDTYPE_MIXED || type == CDTYPE_DVD || type == CDTYPE_CDEXTRA;
    if (CVcdImageEx::Is_Cluster(name) != (cluster ? 1 : 0))
        Fail("Is_Cluster disagrees with the type code");
}

void CheckDesc(const char *name, const std::string &bytes, bool readable)
{
    std::unique_ptr<char[]> desc(new char[BRENVIK_MAX_PATH]);
    std::memset(desc.get(), kMarker, BRENVIK_MAX_PATH);
    int info = 0x5A5A5A5A;
    const int r = CVcdImageEx::GetDesc(name, desc.get(), &info);
    if (r != (readable ? 1 : 0))
        Fail("GetDesc's result is not whether the header can be read");
    if (!readable) {
        if (info != 0)
            Fail("a refused description leaves the word other than 0");
        for (std::size_t i = 0; i < BRENVIK_MAX_PATH; ++i)
            if (static_cast<unsigned char>(desc[i]) != kMarker)
                Fail("a refused description wrote into the buffer");
        return;
    }
    const std::size_t n = strnlen(bytes.data() + 48, 256);
    if (std::memcmp(desc.get(), bytes.data() + 48, n) != 0 || desc[n] != '\0')
        Fail("the description is not the header's");
    if (static_cast<uint32_t>(info) != Word(bytes, 16))
        Fail("the word beside the description is not the header's");
}

bool IsCluster(unsigned long type)
{
    return type == CDTYPE_MIXED || type == CDTYPE_DVD || type == CDTYPE_CDEXTRA;
}

// What the header says about the bundle: -1 when the name list must be
// refused, else the number of members.
bool IsMember00(const Name &n)
{
    return strcasecmp(n.path, Member(n, 0).c_str()) == 0;
}

int ExpectedMembers(const Name &n, unsigned long type, const std::string &bytes, bool readable)
{
    if (!IsCluster(type))
        return -1;
    if (type != CDTYPE_DVD)
        return 2;
    // The slave count comes from member 00's header, which is the given file
    // only when the name is member 00's (names fold case).
    if (!readable || !IsMember00(n))
        return -1;
    const int32_t slaves = static_cast<int32_t>(Word(bytes, 368));
    if (slaves > 99)
        return -1;
    return slaves > 0 ? slaves + 1 : 1;
}

void CheckNameList(const Name &n, int expected, bool dvdOnly, bool dvd)
{
    // Exactly the 100 entries the deletion uses, on the heap so that a
    // write past them shows.
    std::unique_ptr<char[][260]> list(new char[100][260]);
    std::memset(list.get(), kMarker, 100 * 260);
    std::unique_ptr<char[]> dir(new char[BRENVIK_MAX_PATH]);
    int count = -7;
    const int r = dvdOnly
                      ? CVcdImageEx::Get_DVD_AllNamelist(n.path, list.get(), dir.get(), &count)
                      : CVcdImageEx::Get_Cluster_AllNamelist(n.path, list.get(), dir.get(), &count);
    const int want = (dvdOnly && !dvd) ? -1 : expected;
    if (r != (want > 0 ? 1 : 0))
        Fail("the name list's result does not follow the header");
    if (r == 0) {
        if (count != -7)
            Fail("a refused name list wrote the count");
        return;
    }
    if (count != want)
        Fail("the name list's count is not the header's");
    if (std::strcmp(dir.get(), n.dir) != 0)
        Fail("the bundle directory is not the name's");
    for (int k = 0; k < count; ++k) {
        if (std::memchr(list[k], 0, 260) == nullptr || !EndsWith(list[k], Member(n, k).substr(
                                                                              std::strlen(n.dir))))
            Fail("a member name is not the bundle's");
    }
    for (int k = count; k < 100; ++k)
        if (static_cast<unsigned char>(list[k][0]) != kMarker)
            Fail("the name list wrote past its members");
}

void CheckBundle(const Name &n, const std::string &bytes, bool readable, int slavesMade)
{
    std::unique_ptr<char[]> master(new char[BRENVIK_MAX_PATH]);
    std::memset(master.get(), kMarker, BRENVIK_MAX_PATH);
    const int r = CVcdImageEx::IsValidDvdBundle(n.path, master.get());
    bool want = n.dvdExt && readable;
    if (want) {
        const uint32_t slaves = Word(bytes, 368);
        want = slaves <= static_cast<uint32_t>(slavesMade);
    }
    if (r != (want ? 1 : 0))
        Fail("the bundle check does not follow the header and the files");
    if (r == 1 && std::strcmp(master.get(), Member(n, 0).c_str()) != 0)
        Fail("the bundle check names another master");
    if (r == 0 && static_cast<unsigned char>(master[0]) != kMarker)
        Fail("a failed bundle check wrote the master's name");
}

// Drive C: of a registry file in a temporary directory made once; the
// drive's tree is emptied before each input.
std::string FreshDrive()
{
    static const std::string root = [] {
        const std::string &dir = ScratchDir();
        const std::string reg = std::string(dir) + "/registry.reg";
        std::FILE *f = std::fopen(reg.c_str(), "wb");
        if (f == nullptr)
            Fail("cannot write the registry file");
        std::fprintf(f, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\C]\r\n"
                        "\"Path\"=\"%s/c\"\r\n\"Type\"=\"fixed\"\r\n", dir.c_str());
        std::fclose(f);
        ::setenv("BRENVIK_REGISTRY", reg.c_str(), 1);
        return std::string(dir) + "/c";
    }();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    std::filesystem::create_directory(root, ec);
    return root;
}

// Through the services, so that names fold case as the library's do.
void Write(const std::string &name, const std::string &bytes)
{
    auto &s = brenvik::platform::sys();
    for (std::size_t cut = name.find('\\', 3); cut != std::string::npos; cut = name.find('\\', cut + 1))
        s.CreateDirectoryA(name.substr(0, cut).c_str(), nullptr);
    HANDLE h = s.CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    if (h == INVALID_HANDLE_VALUE ||
        !s.WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) ||
        !s.CloseHandle(h))
        Fail("cannot write a file of the bundle");
}

std::string Read(const std::string &name)
{
    auto &s = brenvik::platform::sys();
    HANDLE h = s.CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string out;
    char buf[4096];
    DWORD got = 0;
    while (h != INVALID_HANDLE_VALUE && s.ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        out.append(buf, got);
    if (h != INVALID_HANDLE_VALUE)
        s.CloseHandle(h);
    return out;
}

bool Exists(const std::string &name)
{
    return brenvik::platform::sys().GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Leaks()
{
    using brenvik::platform::posix::HandleKind;
    using brenvik::platform::posix::LiveHandles;
    return LiveHandles(HandleKind::kFile) + LiveHandles(HandleKind::kFind) != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const unsigned shape = data[0];
    const std::string bytes(reinterpret_cast<const char *>(data + 1), size - 1);
    const Name &n = kNames[shape % 4];
    const char *name = n.path;
    const bool writer = (shape & 0x10) != 0;
    const int slavesMade = static_cast<int>(shape >> 6);
    g_bDbgEnabled = (shape & 0x20) != 0;
    g_dwDbgLevel = 1;

    FreshDrive();
    Write(name, bytes);
    for (int k = 1; k <= slavesMade; ++k)
        Write(Member(n, k), "slave");
    {
        auto &s = brenvik::platform::sys();
        HANDLE held = INVALID_HANDLE_VALUE;
        if (writer) {
            // Another party writing: the type query shares writing, the
            // description query does not.
            held = s.CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (held == INVALID_HANDLE_VALUE)
                Fail("cannot open the image for writing");
        }
        const unsigned long type = ExpectedType(bytes);
        const bool readable = !writer && bytes.size() >= kHeader;
        CheckType(name, type);
        CheckDesc(name, bytes, readable);
        const int members = ExpectedMembers(n, type, bytes, readable);
        const bool givenIsMember00 = IsMember00(n);
        CheckNameList(n, members, false, type == CDTYPE_DVD);
        CheckNameList(n, members, true, type == CDTYPE_DVD);
        CheckBundle(n, bytes, readable, slavesMade);
        if (Read(name) != bytes)
            Fail("a query changed the image file");

        if ((shape & 0x04) == 0) {
            const unsigned long r = CVcdImageEx::DelClusterBundle(name);
            unsigned long want;
            if (!IsCluster(type))
                want = DELBUNDLE_NOT_CLUSTER;
            else if (members < 0)
                want = DELBUNDLE_NO_NAMELIST;
            else if (!givenIsMember00)
                want = DELBUNDLE_DIR_FAILED;  // the given file is no member and stays
            else if (writer)
                want = DELBUNDLE_MEMBER_FAILED;  // the open master cannot go
            else if (slavesMade > members - 1)
                want = DELBUNDLE_DIR_FAILED;  // slaves beyond the count stay
            else
                want = DELBUNDLE_OK;
            if (r != want)
                Fail("the bundle deletion's result does not follow the header and the files");
            if (want == DELBUNDLE_OK && (Exists(name) || Exists(n.dir)))
                Fail("a deleted bundle left its master or directory");
            if ((want == DELBUNDLE_NOT_CLUSTER || want == DELBUNDLE_NO_NAMELIST) &&
                Read(name) != bytes)
                Fail("a refused deletion touched the master");
        } else {
            char dir[BRENVIK_MAX_PATH], prefix[BRENVIK_MAX_PATH];
            const int accepted = CVcdImageEx::ParseMaster(name, dir, prefix);
            const int r = CVcdImageEx::Del_ClusterBundle_Without_Verify(name, 1);
            if (r != accepted)
                Fail("the blind deletion's result is not whether the name parses");
            if (r == 1 && !writer && Exists(name))
                Fail("the blind deletion left the master");
        }
        if (held != INVALID_HANDLE_VALUE)
            s.CloseHandle(held);
        if (Leaks())
            Fail("the image operations left something open");
    }
    g_bDbgEnabled = 0;
    return 0;
}
