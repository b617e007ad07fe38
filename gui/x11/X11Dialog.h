// The toolkit's own small dialog windows on X11 (the About box, the message
// window): a fixed-size top-level window with a title, a face painted through
// the toolkit's drawing context and one "OK" button. The button, Return,
// Escape and the close box all close it.
//
// runX11Dialog serves the window on the calling thread, on a display
// connection of its own, and returns once it is closed.
#pragma once

#include "gui/CDrawContext.h"
#include "gui/Geometry.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>

namespace kestrava::gui {

struct X11DialogLayout {
    std::string title;
    CPoint size;
    // Where the window's top left corner goes; centred on the screen when
    // not given.
    std::optional<CPoint> position;
    CRect okButton;
};

// Paints the face and whatever `paint` draws on it, then the button; returns
// when the user closed the window or `stop` turned true. False when no X
// display could be opened (nothing was shown).
bool runX11Dialog(const X11DialogLayout& layout, const std::function<void(CDrawContext&)>& paint,
                  const std::atomic<bool>& stop);

}  // namespace kestrava::gui
