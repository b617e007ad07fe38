// The toolkit's frame: a child window of a host-supplied parent that draws
// a background bitmap and, above it, the views added to it in order. Its idle
// step handles pending window events and redraws the views marked for
// redrawing; a left press goes to the topmost view under the pointer.
// Destroying the frame destroys its views and its window.
//
// User-interface thread only.
#pragma once

#include "gui/CView.h"
#include "gui/PlatformWindow.h"

#include <memory>
#include <vector>

namespace kestrava::gui {

class CBitmap;

class CFrame final : public WindowClient {
public:
    // Keeps a reference to `background` while it lives. isOpen() tells
    // whether the window could be made.
    CFrame(WindowSystem& windows, void* parent, CPoint size, CBitmap* background, EditHost& host);
    ~CFrame() override;

    CFrame(const CFrame&) = delete;
    CFrame& operator=(const CFrame&) = delete;

    bool isOpen() const { return window_ != nullptr; }
    void* nativeHandle() const { return window_ != nullptr ? window_->nativeHandle() : nullptr; }
    // The frame owns what it is given and hands back the plain pointer.
    template <class View>
    View* addView(std::unique_ptr<View> view)
    {
        View* added = view.get();
        views_.push_back(std::move(view));
        return added;
    }
    void idle();
    // Paints the whole frame now.
    void draw();

    bool onKeyDown(const KeyEvent& key);
    bool onKeyUp(const KeyEvent& key);

    void paint(CDrawContext& context, const CRect& area) override;
    void mouseDown(CPoint where, unsigned buttons) override;
    void wheel(CPoint where, float distance) override;
    bool acceptsDrop() const override;

private:
    CPoint size_;
    CBitmap* background_;
    EditHost& host_;
    std::vector<std::unique_ptr<CView>> views_;
    // Last, so that the window goes before the views it paints.
    std::unique_ptr<PlatformWindow> window_;
};

}  // namespace kestrava::gui
