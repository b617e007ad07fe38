// What the toolkit needs of the platform: a child window inside a host's
// parent window that paints through a CDrawContext and reports mouse
// presses, keys and drops to its client (the frame); a millisecond clock and
// a short wait for the idle pacing; the thread set-up the window system asks
// for. Backends: gui/x11 and gui/win32; tests use a fake.
//
// User-interface thread only: the thread that opens the window serves it.
#pragma once

#include "gui/CDrawContext.h"
#include "gui/Geometry.h"
#include "gui/Input.h"

#include <cstdint>
#include <memory>

namespace kestrava::gui {

class WindowClient {
public:
    virtual ~WindowClient() = default;
    virtual void paint(CDrawContext& context, const CRect& area) = 0;
    virtual void mouseDown(CPoint where, unsigned buttons) = 0;
    // Wheel turns, in notches (positive away from the user).
    virtual void wheel(CPoint where, float distance) = 0;
    virtual bool acceptsDrop() const = 0;
};

class PlatformWindow {
public:
    virtual ~PlatformWindow() = default;
    // Paints `area` now, through the client.
    virtual void redraw(const CRect& area) = 0;
    // Handles the events that have arrived for this window, where the
    // platform leaves that to the plug-in (X11); nothing where the host's
    // own message loop delivers them (Windows).
    virtual void handleEvents() = 0;
    // The window as its platform names it (an X11 window id), for hosts
    // that manage the embedded window themselves; null where not needed.
    virtual void* nativeHandle() const { return nullptr; }
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    // Null when no window can be made inside `parent`.
    virtual std::unique_ptr<PlatformWindow> createChildWindow(void* parent, CPoint size, WindowClient& client) = 0;
    // Takes one pending paint request of this thread's windows and serves it.
    virtual void dispatchPendingPaint() = 0;
    virtual std::uint32_t milliseconds() = 0;
    virtual void wait(std::uint32_t milliseconds) = 0;
    // Set-up an editor asks for on its thread (OLE on Windows, for the drop
    // target); each attach that answered true is matched by one detach.
    virtual bool attachThread() { return false; }
    virtual void detachThread() {}
};

// The running platform's window system.
WindowSystem& nativeWindowSystem();

}  // namespace kestrava::gui
