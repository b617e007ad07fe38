// Catches the X errors of the requests made while it lives, instead of
// Xlib's default handler ending the process (a host's bad window id must
// not take the host down). Installs a process-wide handler for that time
// and puts the previous one back.
//
// User-interface thread only.
#pragma once

#include <X11/Xlib.h>

namespace kestrava::gui {

class X11ErrorTrap {
public:
    explicit X11ErrorTrap(Display* display);
    ~X11ErrorTrap();

    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits for the server to answer what was sent so far; true when any of
    // it failed.
    bool failed();

private:
    Display* display_;
    int (*previous_)(Display*, XErrorEvent*);
};

}  // namespace kestrava::gui
