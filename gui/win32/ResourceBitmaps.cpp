// Bitmap resources on Windows: the module's BITMAP resources, which hold a
// device-independent bitmap without the BMP file header.
#include "gui/CBitmap.h"
#include "gui/win32/ModuleHandle.h"

namespace kestrava::gui {

CBitmap* loadBitmapResource(int resourceId)
{
    HINSTANCE module = moduleHandle();
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (found == nullptr)
        return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr)
        return nullptr;
    return decodeDib(static_cast<const std::uint8_t*>(data), SizeofResource(module, found));
}

}  // namespace kestrava::gui
