// A bitmap image shared by reference counting: whoever keeps a bitmap takes
// a reference (remember) and gives it up when done (forget); the last forget
// frees it. Pixels are 32-bit words 0x00RRGGBB, row by row from the top,
// the layout both the cairo and the GDI backends draw from directly.
//
// User-interface thread only; the count is not atomic.
#pragma once

#include <cstdint>
#include <vector>

namespace kestrava::gui {

class CBitmap {
public:
    // A new bitmap holds one reference, its creator's.
    CBitmap(int width, int height, std::vector<std::uint32_t> pixels);

    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    void remember() { ++references_; }
    void forget();

    int getWidth() const { return width_; }
    int getHeight() const { return height_; }
    const std::uint32_t* pixels() const { return pixels_.data(); }
    std::uint32_t pixel(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
    int references() const { return references_; }

private:
    ~CBitmap() = default;

    int width_;
    int height_;
    std::vector<std::uint32_t> pixels_;
    int references_ = 1;
};

// Decodes a device-independent bitmap (an information header of 40 bytes
// or more followed by 24- or 32-bit uncompressed rows), as a BMP file holds
// it after its 14-byte file header and as Windows keeps a bitmap resource.
// Null when the data is not such a bitmap.
CBitmap* decodeDib(const std::uint8_t* data, std::size_t size);

// The plug-in's bitmap resource of that number, or null; each platform
// supplies its own (embedded images on Linux, module resources on Windows).
CBitmap* loadBitmapResource(int resourceId);

}  // namespace kestrava::gui
