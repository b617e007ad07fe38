#include "gui/CView.h"

#include "gui/CBitmap.h"

namespace kestrava::gui {

CControl::CControl(const CRect& size, CControlListener* listener, int tag, CBitmap* background)
    : CView(size), listener_(listener), tag_(tag), background_(background)
{
    if (background_ != nullptr)
        background_->remember();
}

CControl::~CControl()
{
    if (background_ != nullptr)
        background_->forget();
}

}  // namespace kestrava::gui
