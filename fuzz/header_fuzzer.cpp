// Image files of arbitrary content on the simulated machine, read by the
// exported image queries. What they answer is checked against the header
// layout read here independently: the type code from the two kind words
// (when at least 2934 bytes can be read), the description and the word
// beside it (when all 2942 can), and nothing written on a refusal.
//
// Input: byte 0 picks the name and whether another party holds the file
// open for writing; the rest is the file's content.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <brenvik/brenvik.h>

#include "frame/trace.h"
#include "platform/services.h"
#include "platform/sim/sim_machine.h"

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

const char *const kNames[] = {
    "C:\\img\\Movie.VCD",
    "C:\\img\\Movie.DVD\\Movie.DVD.D00",
    "C:\\img\\Movie.VCD.D00",
    "c:\\IMG\\movie.dvd\\MOVIE.DVD.d00",
};

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const unsigned shape = data[0];
    const std::string bytes(reinterpret_cast<const char *>(data + 1), size - 1);
    const char *name = kNames[shape % 4];
    const bool writer = (shape & 0x10) != 0;
    g_bDbgEnabled = (shape & 0x20) != 0;
    g_dwDbgLevel = 1;

    brenvik::sim::Machine machine = brenvik::sim::Machine::Typical();
    machine.MakeFile(kNames[shape % 4], bytes);
    {
        brenvik::platform::ScopedServices install(machine);
        machine.MarkInstalled();
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
        CheckType(name, ExpectedType(bytes));
        CheckDesc(name, bytes, !writer && bytes.size() >= kHeader);
        if (held != INVALID_HANDLE_VALUE)
            s.CloseHandle(held);
        if (!machine.Leaks().empty())
            Fail("the image queries left something open");
    }
    if (machine.ReadFileBytes(name) != bytes)
        Fail("a query changed the image file");
    g_bDbgEnabled = 0;
    return 0;
}
