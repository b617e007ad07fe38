// A one-line text label: a filled rectangle with a one-pixel frame and its
// text centred on it. It keeps its own copy of the text.
//
// User-interface thread only.
#pragma once

#include "gui/CColor.h"
#include "gui/CView.h"

#include <string>

namespace kestrava::gui {

class CTextLabel : public CView {
public:
    CTextLabel(const CRect& size, std::string text);

    void draw(CDrawContext& context) override;

    void setText(const std::string& text) { text_ = text; }
    const std::string& getText() const { return text_; }
    void setFont(CFontId font) { font_ = font; }
    void setFontColor(CColor color) { fontColor_ = color; }
    void setBackColor(CColor color) { backColor_ = color; }
    void setFrameColor(CColor color) { frameColor_ = color; }

private:
    std::string text_;
    CFontId font_ = CFontId::kNormalFontSmall;
    CColor fontColor_ = kWhiteCColor;
    CColor backColor_ = kBlackCColor;
    CColor frameColor_ = kBlackCColor;
};

}  // namespace kestrava::gui
