// Internal helpers of the runtime subset: stepping over double-byte
// characters.
#ifndef BRENVIK_PLATFORM_CRT_MBCS_H
#define BRENVIK_PLATFORM_CRT_MBCS_H

#include <cstddef>

#include "platform/crt/crt.h"

namespace brenvik {
namespace crt {

// Bytes of the character at p (1 or 2; 1 at the terminating NUL). A lead
// byte right before the NUL has no trail and counts as a single byte.
inline std::size_t CharLength(const char *p)
{
    // No code page has a lead byte below 0x80; ASCII text skips the table.
    const unsigned char c = static_cast<unsigned char>(p[0]);
    if (c < 0x80)
        return 1;
    return (IsLeadByte(c) && p[1] != '\0') ? 2 : 1;
}

}  // namespace crt
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_CRT_MBCS_H
