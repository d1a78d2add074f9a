// The libFuzzer entry point shared by the targets: decodes the input and
// runs the function that its first byte picks from every registered table.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "frame/trace.h"
#include "fuzz_support.h"

namespace brenvik {
namespace fuzz {

namespace {

std::vector<FuzzFunction> &Registry()
{
    static std::vector<FuzzFunction> functions;
    return functions;
}

// Sorted by name, so that an input picks the same function whatever the
// order in which the tables registered.
const std::vector<FuzzFunction> &Functions()
{
    static const std::vector<FuzzFunction> sorted = [] {
        std::vector<FuzzFunction> v = Registry();
        std::sort(v.begin(), v.end(), [](const FuzzFunction &a, const FuzzFunction &b) {
            return std::strcmp(a.name, b.name) < 0;
        });
        return v;
    }();
    return sorted;
}

constexpr std::size_t kHeader = 3;
constexpr unsigned char kMarker = 0xA5;

}  // namespace

FuzzTableRegistrar::FuzzTableRegistrar(const FuzzFunction *table, std::size_t count)
{
    Registry().insert(Registry().end(), table, table + count);
}

FuzzInput::FuzzInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 0)
        selector_ = data[0];
    if (size > 1)
        flags_ = data[1];
    if (size > 2)
        ints_ = data[2];
    raw_ = data + std::min(size, kHeader);
    rawSize_ = size - std::min(size, kHeader);
    const char *p = reinterpret_cast<const char *>(raw_);
    const char *end = p + rawSize_;
    for (std::size_t i = 0; i < kStrings; ++i) {
        const char *nul = static_cast<const char *>(std::memchr(p, 0, end - p));
        // The last string takes the rest, NULs and all cut at the first.
        const std::size_t len = nul ? static_cast<std::size_t>(nul - p) : end - p;
        strings_[i].reset(new char[len + 1]);
        std::memcpy(strings_[i].get(), p, len);
        strings_[i][len] = '\0';
        p = nul ? nul + 1 : end;
    }
}

const char *FuzzInput::Str(std::size_t i) const
{
    i %= kStrings;
    return (flags_ >> i) & 1 ? nullptr : strings_[i].get();
}

char *FuzzInput::Out()
{
    outputs_.emplace_back(new char[BRENVIK_MAX_PATH]);
    std::memset(outputs_.back().get(), kMarker, BRENVIK_MAX_PATH);
    return outputs_.back().get();
}

void Fail(const char *what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

void CheckTerminated(const char *buffer, const char *what)
{
    if (std::memchr(buffer, 0, BRENVIK_MAX_PATH) == nullptr)
        Fail(what);
}

}  // namespace fuzz
}  // namespace brenvik

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace brenvik::fuzz;
    const std::vector<FuzzFunction> &functions = Functions();
    if (functions.empty() || size == 0)
        return 0;
    FuzzInput in(data, size);
    // The top bit of the integer flags turns the trace on, so that the
    // lines of the refusals are formatted and sent too.
    g_bDbgEnabled = in.Int(7);
    g_dwDbgLevel = 1;
    functions[in.Selector() % functions.size()].run(in);
    g_bDbgEnabled = 0;
    return 0;
}
