// Writes synthetic image files for tests and demo data. Host-side only: the
// library reads images and never writes one, so this lives apart from it and
// does not depend on it.
#ifndef BRENVIK_TOOLS_MKIMAGE_IMAGE_WRITER_H
#define BRENVIK_TOOLS_MKIMAGE_IMAGE_WRITER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brenvik {
namespace mkimage {

// The header block at the start of an image file and where its fields lie.
// Kept here on purpose rather than taken from the library's header, so that
// tests which read these files back check the library's layout against an
// independent one.
constexpr std::size_t kHeaderBytes = 2942;
constexpr std::size_t kDescInfoOffset = 16;
constexpr std::size_t kMediaFormatOffset = 44;
constexpr std::size_t kDescOffset = 48;
constexpr std::size_t kDescBytes = 256;
constexpr std::size_t kSlaveCountOffset = 368;
constexpr std::size_t kDiscKindOffset = 376;

// Values of the two kind words.
constexpr std::uint32_t kFormatAudio = 0x100;
constexpr std::uint32_t kFormatDvd = 0x1000;
enum DiscKind : std::uint32_t {
    kKindDataCd = 0,
    kKindMixedMode = 1,
    kKindCdExtra = 2,
    kKindPhoto = 3,
    kKindVideo = 4,
    kKindDvd = 5,
    kKindIsogen = 6
};

struct HeaderFields {
    std::uint32_t mediaFormat = 0;
    std::uint32_t discKind = kKindDataCd;
    // Up to 256 bytes are stored; a shorter text is followed by one NUL, a
    // text of 256 bytes or more fills the field with no NUL.
    std::string desc;
    std::uint32_t descInfo = 0;
    std::uint32_t slaveCount = 0;
    // Bytes in the file. Below kHeaderBytes the header is cut short there.
    std::uint64_t totalLength = kHeaderBytes;
    // Every byte that no field above sets, in the header and after it.
    std::uint8_t fill = 0;
};

// The first min(totalLength, kHeaderBytes) bytes of the file for fields, with
// every word little-endian whatever the host.
std::vector<unsigned char> HeaderBytes(const HeaderFields &fields);

// Writes the image file (replacing any file of that name). False on error.
bool WriteImage(const std::string &hostPath, const HeaderFields &fields);

// Writes a file of length bytes, all of them fill: slave members, data.
bool WriteFiller(const std::string &hostPath, std::uint64_t length, std::uint8_t fill);

// Writes bytes as they are.
bool WriteBytes(const std::string &hostPath, const std::string &bytes);

// ---- The demo library ---------------------------------------------------------
// Relative paths ('/'-separated) under the directory given to
// WriteDemoLibrary. The layout is listed in demo_library.cpp.
struct DemoFile {
    enum Content {
        kImage,   // an image file as the HeaderFields member describes it
        kFiller,  // fields.totalLength bytes of fields.fill (a slave member)
        kBytes    // bytes as they are
    };
    std::string path;
    Content content;
    HeaderFields fields;
    std::string bytes;
};

// Every file of the demo library, in writing order.
std::vector<DemoFile> DemoLibraryFiles();
// Files that must not exist, so that a rewrite restores the intended state
// (the gap of the incomplete bundle).
std::vector<std::string> DemoLibraryAbsentFiles();

// Writes the demo library into dir (created as needed); running it again
// gives the same tree. On failure returns false with a message in *error.
bool WriteDemoLibrary(const std::string &dir, std::string *error);

}  // namespace mkimage
}  // namespace brenvik

#endif  // BRENVIK_TOOLS_MKIMAGE_IMAGE_WRITER_H
