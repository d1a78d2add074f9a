#include "image_writer.h"

#include <algorithm>
#include <fstream>

namespace brenvik {
namespace mkimage {

namespace {

void PutWord(std::vector<unsigned char> &block, std::size_t offset, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        block[offset + i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFFu);
}

bool WriteFill(std::ofstream &out, std::uint64_t count, std::uint8_t fill)
{
    const std::vector<char> chunk(4096, static_cast<char>(fill));
    while (count > 0 && out) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, chunk.size()));
        out.write(chunk.data(), static_cast<std::streamsize>(n));
        count -= n;
    }
    return static_cast<bool>(out);
}

}  // namespace

std::vector<unsigned char> HeaderBytes(const HeaderFields &fields)
{
    std::vector<unsigned char> block(kHeaderBytes, fields.fill);
    PutWord(block, kDescInfoOffset, fields.descInfo);
    PutWord(block, kMediaFormatOffset, fields.mediaFormat);
    PutWord(block, kSlaveCountOffset, fields.slaveCount);
    PutWord(block, kDiscKindOffset, fields.discKind);
    const std::size_t n = std::min(fields.desc.size(), kDescBytes);
    std::copy(fields.desc.begin(), fields.desc.begin() + static_cast<std::ptrdiff_t>(n),
              block.begin() + static_cast<std::ptrdiff_t>(kDescOffset));
    if (n < kDescBytes)
        block[kDescOffset + n] = 0;
    if (fields.totalLength < kHeaderBytes)
        block.resize(static_cast<std::size_t>(fields.totalLength));
    return block;
}

bool WriteImage(const std::string &hostPath, const HeaderFields &fields)
{
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    const std::vector<unsigned char> header = HeaderBytes(fields);
    out.write(reinterpret_cast<const char *>(header.data()),
              static_cast<std::streamsize>(header.size()));
    if (fields.totalLength > header.size())
        WriteFill(out, fields.totalLength - header.size(), fields.fill);
    out.close();
    return static_cast<bool>(out);
}

bool WriteFiller(const std::string &hostPath, std::uint64_t length, std::uint8_t fill)
{
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    WriteFill(out, length, fill);
    out.close();
    return static_cast<bool>(out);
}

bool WriteBytes(const std::string &hostPath, const std::string &bytes)
{
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace mkimage
}  // namespace brenvik
