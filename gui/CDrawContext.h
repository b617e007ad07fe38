// The drawing interface the toolkit's views draw through. Each platform
// backend implements it on its window (cairo on X11, GDI on Windows); tests
// record the calls. A context is handed to a view only for the length of one
// paint, already clipped to the area being painted.
//
// User-interface thread only.
#pragma once

#include "gui/CColor.h"
#include "gui/Geometry.h"

#include <string>

namespace kestrava::gui {

class CBitmap;

class CDrawContext {
public:
    virtual ~CDrawContext() = default;
    // Copies the part of `bitmap` that starts at `source` into `destination`,
    // unscaled.
    virtual void drawBitmap(const CBitmap& bitmap, const CRect& destination, CPoint source) = 0;
    virtual void fillRect(const CRect& rect, CColor color) = 0;
    // A one-pixel line along the inside of the rectangle's edges.
    virtual void frameRect(const CRect& rect, CColor color) = 0;
    // One line of text centred horizontally and vertically in `rect`, with
    // nothing drawn behind the letters.
    virtual void drawCenteredText(const std::string& text, const CRect& rect, CFontId font, CColor color) = 0;
};

}  // namespace kestrava::gui
