// CDrawContext on a GDI device context: the Windows backend's drawing.
// Lives for one paint.
//
// User-interface thread only.
#pragma once

#include "gui/CDrawContext.h"

#include <windows.h>

namespace kestrava::gui {

class GdiDrawContext final : public CDrawContext {
public:
    // Draws on `dc`, clipped to `clip`.
    GdiDrawContext(HDC dc, const CRect& clip);
    ~GdiDrawContext() override;

    void drawBitmap(const CBitmap& bitmap, const CRect& destination, CPoint source) override;
    void fillRect(const CRect& rect, CColor color) override;
    void frameRect(const CRect& rect, CColor color) override;
    void drawCenteredText(const std::string& text, const CRect& rect, CFontId font, CColor color) override;

private:
    HDC dc_;
    int savedState_;
};

}  // namespace kestrava::gui
