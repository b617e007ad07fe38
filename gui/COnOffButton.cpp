#include "gui/COnOffButton.h"

#include "gui/CBitmap.h"

#include <cmath>

namespace kestrava::gui {

COnOffButton::COnOffButton(const CRect& size, CControlListener* listener, int tag, CBitmap* background)
    : CControl(size, listener, tag, background)
{
}

void COnOffButton::draw(CDrawContext& context)
{
    if (background_ != nullptr) {
        const int offset = value_ != 0.0f ? background_->getHeight() / 2 : 0;
        context.drawBitmap(*background_, getViewSize(), {0, offset});
    }
    setDirty(false);
}

bool COnOffButton::onMouseDown(CPoint, unsigned buttons, EditHost& host)
{
    if ((buttons & kLButton) == 0)
        return false;
    value_ = std::trunc(value_) != 0.0f ? 0.0f : 1.0f;
    host.doIdleStuff();
    host.beginEdit(tag_);
    if (listener_ != nullptr)
        listener_->valueChanged(this);
    host.endEdit(tag_);
    return true;
}

}  // namespace kestrava::gui
