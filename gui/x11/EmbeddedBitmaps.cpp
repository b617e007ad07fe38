// Bitmap resources on Linux: the BMP files the build embeds in the library.
#include "gui/CBitmap.h"
#include "gui/EmbeddedResources.h"

namespace kestrava::gui {

CBitmap* loadBitmapResource(int resourceId)
{
    constexpr std::size_t kFileHeader = 14;
    for (const EmbeddedResource& resource : embeddedBitmapResources())
        if (resource.id == resourceId && resource.size > kFileHeader)
            return decodeDib(resource.data + kFileHeader, resource.size - kFileHeader);
    return nullptr;
}

}  // namespace kestrava::gui
