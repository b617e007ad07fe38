// Bitmap resources built into the library as BMP files (the Linux build's
// counterpart of Windows module resources); generated at build time.
// Read-only data, any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kestrava::gui {

struct EmbeddedResource {
    int id;
    const std::uint8_t* data;
    std::size_t size;
};

std::span<const EmbeddedResource> embeddedBitmapResources();

}  // namespace kestrava::gui
