// CDrawContext on a cairo surface: the X11 backend's drawing, for the frame
// window and the About box alike. Lives for one paint.
//
// User-interface thread only.
#pragma once

#include "gui/CDrawContext.h"

#include <cairo.h>

namespace kestrava::gui {

class CairoDrawContext final : public CDrawContext {
public:
    // Draws on `cr`, clipped to `clip`.
    CairoDrawContext(cairo_t* cr, const CRect& clip);
    ~CairoDrawContext() override;

    void drawBitmap(const CBitmap& bitmap, const CRect& destination, CPoint source) override;
    void fillRect(const CRect& rect, CColor color) override;
    void frameRect(const CRect& rect, CColor color) override;
    void drawCenteredText(const std::string& text, const CRect& rect, CFontId font, CColor color) override;

    // How wide `text` is drawn in `font`, in pixels, rounded up.
    static int textWidth(const std::string& text, CFontId font);

private:
    cairo_t* cr_;
};

}  // namespace kestrava::gui
