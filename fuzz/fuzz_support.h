// The shared frame of the libFuzzer targets: input decoding, guarded
// buffers, and tables of functions that any source file of a target can
// add with BRENVIK_FUZZ_TABLE.
//
// Input layout: byte 0 picks the function, byte 1 holds flags (which
// string arguments are null, aliasing choices), byte 2 the integer flags
// (its top bit turns the trace on);
// the rest is cut at NUL bytes into up to kStrings strings. Every string
// lives in a heap block of its exact size and every output buffer in one of
// exactly 260 bytes, so AddressSanitizer sees a read or write past either.
#ifndef BRENVIK_FUZZ_FUZZ_SUPPORT_H
#define BRENVIK_FUZZ_FUZZ_SUPPORT_H

#include <brenvik/brenvik.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace brenvik {
namespace fuzz {

class FuzzInput {
public:
    static constexpr std::size_t kStrings = 6;

    FuzzInput(const std::uint8_t *data, std::size_t size);

    // String i; null when its flag bit says so (bits 0..5 of byte 1).
    const char *Str(std::size_t i) const;
    // String i, never null (may be empty).
    const char *Text(std::size_t i) const { return strings_[i % kStrings].get(); }
    // A fresh 260-byte output buffer, filled with a marker byte.
    char *Out();
    // Bits 6 and 7 of byte 1: which aliasing variant to run.
    unsigned Variant() const { return flags_ >> 6; }
    int Int(std::size_t i) const { return (ints_ >> i) & 1; }
    // The raw bytes after the header, for filling records as they come.
    const std::uint8_t *Raw() const { return raw_; }
    std::size_t RawSize() const { return rawSize_; }
    unsigned Selector() const { return selector_; }

private:
    unsigned selector_ = 0;
    unsigned flags_ = 0;
    unsigned ints_ = 0;
    const std::uint8_t *raw_ = nullptr;
    std::size_t rawSize_ = 0;
    std::unique_ptr<char[]> strings_[kStrings];
    std::vector<std::unique_ptr<char[]>> outputs_;
};

// Aborts (so that libFuzzer reports the input) when an output that the
// function says it filled is not a NUL-terminated string within 260 bytes.
void CheckTerminated(const char *buffer, const char *what);
[[noreturn]] void Fail(const char *what);

struct FuzzFunction {
    const char *name;
    void (*run)(FuzzInput &in);
};

struct FuzzTableRegistrar {
    FuzzTableRegistrar(const FuzzFunction *table, std::size_t count);
};

}  // namespace fuzz
}  // namespace brenvik

#define BRENVIK_FUZZ_TABLE(table)                                                     \
    static const ::brenvik::fuzz::FuzzTableRegistrar brenvik_fuzz_registrar_##table( \
        table, sizeof(table) / sizeof((table)[0]))

#endif  // BRENVIK_FUZZ_FUZZ_SUPPORT_H
