// The mouse buttons, modifier keys and key presses that windows report to
// the toolkit. Plain values, any thread.
#pragma once

namespace kestrava::gui {

enum MouseButtons : unsigned { kLButton = 1u << 0, kMButton = 1u << 1, kRButton = 1u << 2, kShift = 1u << 3,
                               kControl = 1u << 4, kAlt = 1u << 5 };

struct KeyEvent {
    int character = 0;
    long long virtualKey = 0;
    int modifiers = 0;
};

}  // namespace kestrava::gui
