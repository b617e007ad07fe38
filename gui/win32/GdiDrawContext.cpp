#include "gui/win32/GdiDrawContext.h"

#include "gui/CBitmap.h"

#include <cstring>

namespace kestrava::gui {
namespace {

RECT toRect(const CRect& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

COLORREF toColour(CColor c)
{
    return RGB(c.red, c.green, c.blue);
}

}  // namespace

GdiDrawContext::GdiDrawContext(HDC dc, const CRect& clip) : dc_(dc), savedState_(SaveDC(dc))
{
    IntersectClipRect(dc_, clip.left, clip.top, clip.right, clip.bottom);
}

GdiDrawContext::~GdiDrawContext()
{
    RestoreDC(dc_, savedState_);
}

void GdiDrawContext::drawBitmap(const CBitmap& bitmap, const CRect& destination, CPoint source)
{
    // A top-down 32-bit DIB has CBitmap's pixel layout (0x00RRGGBB words).
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bitmap.getWidth();
    info.bmiHeader.biHeight = -bitmap.getHeight();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section == nullptr)
        return;
    std::memcpy(bits, bitmap.pixels(), static_cast<std::size_t>(bitmap.getWidth()) * bitmap.getHeight() * 4);
    HDC memory = CreateCompatibleDC(dc_);
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(dc_, destination.left, destination.top, destination.width(), destination.height(), memory, source.x,
           source.y, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(section);
}

void GdiDrawContext::fillRect(const CRect& rect, CColor color)
{
    const RECT r = toRect(rect);
    HBRUSH brush = CreateSolidBrush(toColour(color));
    FillRect(dc_, &r, brush);
    DeleteObject(brush);
}

void GdiDrawContext::frameRect(const CRect& rect, CColor color)
{
    const RECT r = toRect(rect);
    HBRUSH brush = CreateSolidBrush(toColour(color));
    FrameRect(dc_, &r, brush);
    DeleteObject(brush);
}

void GdiDrawContext::drawCenteredText(const std::string& text, const CRect& rect, CFontId font, CColor color)
{
    const FontDescription description = describeFont(font);
    // A negative height asks for the character height, not the cell's.
    HFONT handle = CreateFontA(-description.characterHeight, 0, 0, 0, description.bold ? FW_BOLD : FW_NORMAL, FALSE,
                               FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH | FF_SWISS, description.face);
    HGDIOBJ previous = SelectObject(dc_, handle);
    SetBkMode(dc_, TRANSPARENT);
    SetTextColor(dc_, toColour(color));
    RECT r = toRect(rect);
    DrawTextA(dc_, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc_, previous);
    DeleteObject(handle);
}

}  // namespace kestrava::gui
