// A two-state switch drawn from a bitmap whose upper half shows value 0 and
// lower half any other value. A left press flips it (0 when the whole-number
// part of the value is not 0, else 1), runs the editor's idle pacing step,
// then reports begin-edit, the listener's valueChanged and end-edit.
//
// User-interface thread only.
#pragma once

#include "gui/CView.h"

namespace kestrava::gui {

class COnOffButton : public CControl {
public:
    COnOffButton(const CRect& size, CControlListener* listener, int tag, CBitmap* background);

    void draw(CDrawContext& context) override;
    bool onMouseDown(CPoint where, unsigned buttons, EditHost& host) override;
};

}  // namespace kestrava::gui
