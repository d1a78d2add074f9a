// The image header's internal readers and the accessors for its words.
#ifndef BRENVIK_IMAGE_IMAGE_HEADER_H
#define BRENVIK_IMAGE_IMAGE_HEADER_H

#include <brenvik/brenvik.h>

#include <cstddef>
#include <cstdint>

class CString;

namespace brenvik {
namespace image {

// Bytes read by ReadImageHeader (the whole record) and by ImgHdr_Read.
constexpr std::size_t kHeaderSize = sizeof(VCDHEADER_tag);
constexpr std::size_t kTypeReadSize = 2934;
static_assert(kHeaderSize == 2942, "the header record is 2942 bytes");
static_assert(kTypeReadSize <= kHeaderSize, "the type read stays inside the record");

constexpr std::size_t kOffsetDescInfo = offsetof(VCDHEADER_tag, dwDescInfo);
constexpr std::size_t kOffsetMediaFormat = offsetof(VCDHEADER_tag, dwMediaFormat);
constexpr std::size_t kOffsetDesc = offsetof(VCDHEADER_tag, szDesc);
constexpr std::size_t kOffsetSlaveCount = offsetof(VCDHEADER_tag, dwSlaveCount);
constexpr std::size_t kOffsetDiscKind = offsetof(VCDHEADER_tag, dwDiscKind);
constexpr std::size_t kDescSize = sizeof(VCDHEADER_tag::szDesc);
static_assert(kDescSize == 256, "the description field is 256 bytes");
static_assert(kOffsetDiscKind + 4 <= kTypeReadSize, "the type read covers the kind words");

// The little-endian word at a byte offset of a header image in memory. The
// record's uint32_t members hold the file's bytes as they are, which is the
// value only on a little-endian host; these accessors are right on any host.
inline std::uint32_t HeaderWord(const void *header, std::size_t offset)
{
    const unsigned char *p = static_cast<const unsigned char *>(header) + offset;
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint32_t DescInfo(const VCDHEADER_tag &h) { return HeaderWord(&h, kOffsetDescInfo); }
inline std::uint32_t MediaFormat(const VCDHEADER_tag &h)
{
    return HeaderWord(&h, kOffsetMediaFormat);
}
inline std::uint32_t SlaveCount(const VCDHEADER_tag &h)
{
    return HeaderWord(&h, kOffsetSlaveCount);
}
inline std::uint32_t DiscKind(const VCDHEADER_tag &h) { return HeaderWord(&h, kOffsetDiscKind); }

// Values of the kind words.
constexpr std::uint32_t kMediaFormatAudio = 0x100;
constexpr std::uint32_t kMediaFormatDvd = 0x1000;

}  // namespace image
}  // namespace brenvik

// Reads the whole header (2942 bytes) through CFile, denying others write
// access while it reads. 1 when all of it was read; the record is not cleared
// first, so after a 0 it holds whatever was read.
int ReadImageHeader(const CString &strPath, VCDHEADER_tag *pHeader);

// Reads the first 2934 bytes of the header through the platform's file API,
// sharing read and write access, into pHeader (at least 2934 bytes), which is
// zeroed first. 1 when all 2934 bytes were read.
int ImgHdr_Read(const char *strPath, void *pHeader);

// The image type code of the file's header into *pType; 1 when it was read,
// 0 (nothing stored) for a null pType or an unreadable header.
int ImgHdr_GetCdType(const char *strPath, unsigned long *pType);

#endif  // BRENVIK_IMAGE_IMAGE_HEADER_H
