// Fault sweep of the image type queries and the description.
#include <gtest/gtest.h>

#include <brenvik/brenvik.h>

#include <cstring>

#include "reliability/sweep.h"

namespace brenvik {
namespace sweep {
namespace {

const char kImage[] = "C:\\img\\Holiday.VCD";

// A video CD image: kind word 4, description "Holiday 2003", the word
// beside it 0x1234, then a second block as real images have.
std::string VideoImage()
{
    std::string bytes(10522, '\0');
    const auto put = [&bytes](std::size_t offset, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put(16, 0x1234);
    put(376, 4);
    const char desc[] = "Holiday 2003";
    std::memcpy(&bytes[48], desc, sizeof desc - 1);
    return bytes;
}

Case Make(std::string function, std::function<std::string()> call, std::string failure)
{
    Case c;
    c.function = std::move(function);
    c.setup = [](sim::Machine &m) { m.MakeFile(kImage, VideoImage()); };
    c.call = [call](sim::Machine &) { return call(); };
    c.accept = CleanOr(std::move(failure));
    return c;
}

std::vector<Case> TypeCases()
{
    Case desc = Make("CVcdImageEx::GetDesc",
                     [] {
                         char text[BRENVIK_MAX_PATH] = "untouched";
                         int info = -1;
                         const int r = CVcdImageEx::GetDesc(kImage, text, &info);
                         return Text("%d '%s' %d", r, text, info);
                     },
                     "0 'untouched' 0");
    return {
        Make("CVcdImageEx::GetVCD_cdtype",
             [] { return Text("%lu", CVcdImageEx::GetVCD_cdtype(kImage)); }, "4294967295"),
        Make("CVcdImageEx::Is_VIDEO", [] { return Text("%d", CVcdImageEx::Is_VIDEO(kImage)); },
             "0"),
        Make("CVcdImageEx::Is_CDROM", [] { return Text("%d", CVcdImageEx::Is_CDROM(kImage)); },
             "0"),
        Make("CVcdImageEx::Is_Cluster",
             [] { return Text("%d", CVcdImageEx::Is_Cluster(kImage)); }, "0"),
        desc,
    };
}

TEST(Sweep, ImageTypeAndDescription)
{
    RunTable("image type queries and description", TypeCases());
}

}  // namespace
}  // namespace sweep
}  // namespace brenvik
