#include "gui/CBitmap.h"

#include <cstring>
#include <limits>

namespace kestrava::gui {

CBitmap::CBitmap(int width, int height, std::vector<std::uint32_t> pixels)
    : width_(width), height_(height), pixels_(std::move(pixels))
{
}

void CBitmap::forget()
{
    if (--references_ == 0)
        delete this;
}

namespace {

std::uint32_t readLittle32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8
           | static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t readLittle16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

CBitmap* decodeDib(const std::uint8_t* data, std::size_t size)
{
    if (data == nullptr || size < 40)
        return nullptr;
    const std::uint32_t headerSize = readLittle32(data);
    const auto width = static_cast<std::int32_t>(readLittle32(data + 4));
    const auto signedHeight = static_cast<std::int32_t>(readLittle32(data + 8));
    const std::uint16_t bitsPerPixel = readLittle16(data + 14);
    const std::uint32_t compression = readLittle32(data + 16);
    if (headerSize < 40 || headerSize > size || width <= 0 || signedHeight == 0
        || signedHeight == std::numeric_limits<std::int32_t>::min() || (bitsPerPixel != 24 && bitsPerPixel != 32)
        || compression != 0)
        return nullptr;

    const bool bottomUp = signedHeight > 0;
    const std::int32_t height = bottomUp ? signedHeight : -signedHeight;
    const std::size_t bytesPerPixel = bitsPerPixel / 8u;
    const std::size_t stride = (static_cast<std::size_t>(width) * bytesPerPixel + 3u) & ~std::size_t{3};
    if (width > 1 << 15 || height > 1 << 15 || (size - headerSize) / stride < static_cast<std::size_t>(height))
        return nullptr;

    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    const std::uint8_t* rows = data + headerSize;
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = rows + stride * static_cast<std::size_t>(bottomUp ? height - 1 - y : y);
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t* p = row + bytesPerPixel * x;
            pixels[static_cast<std::size_t>(y) * width + x] =
                static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
        }
    }
    return new CBitmap(width, height, std::move(pixels));
}

}  // namespace kestrava::gui
