// The test host's own windows on the real window system: a top-level window
// that parents a plug-in's editor, screenshots of it, real mouse presses
// (XTest on X11, SendInput on Windows), and a look at the About boxes the
// plug-in opened. Test-host code; the thread that made the window uses it.
#pragma once

#include "PngWriter.h"

#include <functional>
#include <memory>

namespace kestrava::test {

class HostWindow {
public:
    // A visible top-level window whose client area is width by height.
    static std::unique_ptr<HostWindow> create(int width, int height);
    virtual ~HostWindow() = default;

    // What effEditOpen expects: an HWND, or an X11 Window id as a pointer.
    virtual void* handle() = 0;
    // Serves the host's own events for `milliseconds`, calling `idle` (the
    // host's effEditIdle) about every 20 ms.
    virtual void run(int milliseconds, const std::function<void()>& idle) = 0;
    // The client area as it is on screen, the editor included.
    virtual RgbImage screenshot() = 0;
    // A left press and release at a point of the client area, as the user's
    // mouse would make it.
    virtual void click(int x, int y) = 0;
    // About boxes on screen, and a click on the "OK" of one of them.
    virtual int aboutBoxes() = 0;
    virtual void clickOkOfAnAboutBox() = 0;
    // The first About box as it is on screen (empty when there is none).
    virtual RgbImage aboutBoxScreenshot() = 0;
};

}  // namespace kestrava::test
