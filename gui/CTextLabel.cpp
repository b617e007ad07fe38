#include "gui/CTextLabel.h"

namespace kestrava::gui {

CTextLabel::CTextLabel(const CRect& size, std::string text) : CView(size), text_(std::move(text)) {}

void CTextLabel::draw(CDrawContext& context)
{
    context.fillRect(getViewSize(), backColor_);
    context.frameRect(getViewSize(), frameColor_);
    context.drawCenteredText(text_, getViewSize(), font_, fontColor_);
    setDirty(false);
}

}  // namespace kestrava::gui
