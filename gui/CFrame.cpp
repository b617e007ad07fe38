#include "gui/CFrame.h"

#include "gui/CBitmap.h"

namespace kestrava::gui {

CFrame::CFrame(WindowSystem& windows, void* parent, CPoint size, CBitmap* background, EditHost& host)
    : size_(size), background_(background), host_(host)
{
    if (background_ != nullptr)
        background_->remember();
    window_ = windows.createChildWindow(parent, size, *this);
}

CFrame::~CFrame()
{
    window_.reset();
    views_.clear();
    if (background_ != nullptr)
        background_->forget();
}

void CFrame::idle()
{
    if (window_ == nullptr)
        return;
    window_->handleEvents();
    CRect dirty;
    for (const auto& view : views_)
        if (view->isDirty())
            dirty = dirty.united(view->getViewSize());
    if (!dirty.isEmpty())
        window_->redraw(dirty);
}

void CFrame::draw()
{
    if (window_ != nullptr)
        window_->redraw({0, 0, size_.x, size_.y});
}

void CFrame::paint(CDrawContext& context, const CRect& area)
{
    if (background_ != nullptr)
        context.drawBitmap(*background_, area, area.topLeft());
    for (const auto& view : views_)
        if (view->getViewSize().intersects(area))
            view->draw(context);
}

void CFrame::mouseDown(CPoint where, unsigned buttons)
{
    for (auto view = views_.rbegin(); view != views_.rend(); ++view) {
        if ((*view)->getViewSize().contains(where)) {
            (*view)->onMouseDown(where, buttons, host_);
            return;
        }
    }
}

bool CFrame::onKeyDown(const KeyEvent& key)
{
    for (const auto& view : views_)
        if (view->onKeyDown(key))
            return true;
    return false;
}

bool CFrame::onKeyUp(const KeyEvent& key)
{
    for (const auto& view : views_)
        if (view->onKeyUp(key))
            return true;
    return false;
}

void CFrame::wheel(CPoint where, float distance)
{
    for (auto view = views_.rbegin(); view != views_.rend(); ++view) {
        if ((*view)->getViewSize().contains(where)) {
            (*view)->onWheel(where, distance);
            return;
        }
    }
}

bool CFrame::acceptsDrop() const
{
    for (const auto& view : views_)
        if (view->acceptsDrop())
            return true;
    return false;
}

}  // namespace kestrava::gui
