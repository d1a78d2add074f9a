#include <atomic>
#include <cstdint>

#include "platform/crt/crt.h"
#include "platform/crt/mbcs.h"
#include "platform/services.h"

namespace brenvik {
namespace crt {

namespace {

struct LeadTable {
    bool lead[256];
};

constexpr LeadTable MakeTable(unsigned first1, unsigned last1, unsigned first2, unsigned last2)
{
    LeadTable t{};
    for (unsigned c = 0; c < 256; ++c)
        t.lead[c] = (c >= first1 && c <= last1) || (c >= first2 && c <= last2);
    return t;
}

// Shift-JIS; the Chinese and Korean double-byte code pages share one range.
constexpr LeadTable kJapanese = MakeTable(0x81, 0x9F, 0xE0, 0xFC);
constexpr LeadTable kOtherDbcs = MakeTable(0x81, 0xFE, 1, 0);
constexpr LeadTable kSingleByte = MakeTable(1, 0, 1, 0);

std::atomic<const LeadTable *> g_table{nullptr};
std::atomic<unsigned> g_tableEpoch{0};  // 0: never read

const LeadTable *TableFor(unsigned codePage)
{
    switch (codePage) {
    case 932:
        return &kJapanese;
    case 936:
    case 949:
    case 950:
        return &kOtherDbcs;
    default:
        return &kSingleByte;
    }
}

}  // namespace

bool IsLeadByteOf(unsigned int codePage, unsigned char c)
{
    return TableFor(codePage)->lead[c];
}

bool IsLeadByte(unsigned char c)
{
    const unsigned epoch = platform::CodePageEpoch();
    if (g_tableEpoch.load(std::memory_order_acquire) != epoch) {
        g_table.store(TableFor(platform::sys().GetACP()), std::memory_order_release);
        g_tableEpoch.store(epoch, std::memory_order_release);
    }
    return g_table.load(std::memory_order_acquire)->lead[c];
}

}  // namespace crt
}  // namespace brenvik
