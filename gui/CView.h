// The toolkit's views: CView (a rectangle that draws itself and can be
// marked for redrawing), CControl (a view with a value, a tag, a bitmap and
// a listener) and CControlListener (told when the user changed a control).
// A control's click runs inside an EditHost, the editor that owns the frame:
// it paces the host's idle and brackets the change with begin and end edit.
//
// User-interface thread only.
#pragma once

#include "gui/CDrawContext.h"
#include "gui/Geometry.h"
#include "gui/Input.h"

namespace kestrava::gui {

class CBitmap;
class CControl;

class CControlListener {
public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(CControl* control) = 0;
};

class EditHost {
public:
    virtual ~EditHost() = default;
    // The idle pacing step a click runs before it reports its change.
    virtual void doIdleStuff() = 0;
    virtual void beginEdit(int tag) = 0;
    virtual void endEdit(int tag) = 0;
};

class CView {
public:
    explicit CView(const CRect& size) : size_(size) {}
    virtual ~CView() = default;

    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;

    virtual void draw(CDrawContext& context) = 0;
    // True when the view handled the press.
    virtual bool onMouseDown(CPoint, unsigned /*buttons*/, EditHost&) { return false; }
    virtual bool onKeyDown(const KeyEvent&) { return false; }
    virtual bool onKeyUp(const KeyEvent&) { return false; }
    virtual bool onWheel(CPoint, float /*distance*/) { return false; }
    // Views that take dropped files say so; none of the toolkit's do.
    virtual bool acceptsDrop() const { return false; }

    const CRect& getViewSize() const { return size_; }
    void setDirty(bool dirty = true) { dirty_ = dirty; }
    bool isDirty() const { return dirty_; }

private:
    CRect size_;
    bool dirty_ = false;
};

class CControl : public CView {
public:
    // Keeps a reference to `background` (which may be null) while it lives.
    CControl(const CRect& size, CControlListener* listener, int tag, CBitmap* background);
    ~CControl() override;

    virtual void setValue(float value) { value_ = value; }
    float getValue() const { return value_; }
    int getTag() const { return tag_; }

protected:
    CControlListener* listener_;
    int tag_;
    CBitmap* background_;
    float value_ = 0.0f;
};

}  // namespace kestrava::gui
