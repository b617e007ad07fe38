// The X11 window system: each frame is a child window of the host's window
// on a display connection of its own, so the plug-in never shares Xlib state
// with the host. The host's user-interface thread handles the window's
// events in the editor's idle step and paints with cairo.
#include "gui/PlatformWindow.h"
#include "gui/x11/CairoDrawContext.h"
#include "gui/x11/X11Errors.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo-xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace kestrava::gui {
namespace {

class X11Window;
std::vector<X11Window*> openWindows;

class X11Window final : public PlatformWindow {
public:
    X11Window(Display* display, Window window, CPoint size, WindowClient& client)
        : display_(display), window_(window), size_(size), client_(client)
    {
        openWindows.push_back(this);
    }

    ~X11Window() override
    {
        std::erase(openWindows, this);
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }

    void redraw(const CRect& area) override
    {
        const int screen = DefaultScreen(display_);
        cairo_surface_t* surface =
            cairo_xlib_surface_create(display_, window_, DefaultVisual(display_, screen), size_.x, size_.y);
        cairo_t* cr = cairo_create(surface);
        {
            CairoDrawContext context(cr, area);
            client_.paint(context, area);
        }
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        cairo_surface_destroy(surface);
        XFlush(display_);
    }

    void* nativeHandle() const override { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window_)); }

    void handleEvents() override
    {
        if (handling_)
            return;
        handling_ = true;
        CRect exposed;
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == Expose) {
                const XExposeEvent& e = event.xexpose;
                exposed = exposed.united({e.x, e.y, e.x + e.width, e.y + e.height});
            } else if (event.type == ButtonPress && event.xbutton.button >= Button1
                       && event.xbutton.button <= Button3) {
                client_.mouseDown({event.xbutton.x, event.xbutton.y}, buttonsOf(event.xbutton));
            } else if (event.type == ButtonPress && (event.xbutton.button == Button4 || event.xbutton.button == Button5)) {
                client_.wheel({event.xbutton.x, event.xbutton.y}, event.xbutton.button == Button4 ? 1.0f : -1.0f);
            }
        }
        if (!exposed.isEmpty())
            redraw(exposed);
        handling_ = false;
    }

    // Serves one waiting Expose event, if there is one.
    void paintPending()
    {
        XEvent event;
        if (XCheckTypedWindowEvent(display_, window_, Expose, &event)) {
            const XExposeEvent& e = event.xexpose;
            redraw({e.x, e.y, e.x + e.width, e.y + e.height});
        }
    }

private:
    static unsigned buttonsOf(const XButtonEvent& e)
    {
        unsigned buttons = e.button == Button1 ? kLButton : e.button == Button2 ? kMButton : kRButton;
        if (e.state & ShiftMask)
            buttons |= kShift;
        if (e.state & ControlMask)
            buttons |= kControl;
        if (e.state & Mod1Mask)
            buttons |= kAlt;
        return buttons;
    }

    Display* display_;
    Window window_;
    CPoint size_;
    WindowClient& client_;
    bool handling_ = false;
};

// A mapped child window of `parent`, or 0 when `parent` is not a window:
// a host's bad window id must fail the open, not the host.
Window makeChild(Display* display, Window parent, CPoint size)
{
    if (parent == 0)
        return 0;
    X11ErrorTrap trap(display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, parent, &attributes) || trap.failed())
        return 0;
    const int screen = DefaultScreen(display);
    XSetWindowAttributes settings{};
    settings.colormap = DefaultColormap(display, screen);
    settings.border_pixel = 0;
    settings.background_pixmap = None;
    settings.event_mask = ExposureMask | ButtonPressMask;
    const Window window = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(size.x),
                                        static_cast<unsigned>(size.y), 0, DefaultDepth(display, screen), InputOutput,
                                        DefaultVisual(display, screen),
                                        CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask, &settings);
    XMapWindow(display, window);
    if (trap.failed())
        return 0;
    return window;
}

class X11WindowSystem final : public WindowSystem {
public:
    std::unique_ptr<PlatformWindow> createChildWindow(void* parent, CPoint size, WindowClient& client) override
    {
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr)
            return nullptr;
        const Window window = makeChild(display, static_cast<Window>(reinterpret_cast<std::uintptr_t>(parent)), size);
        if (window == 0) {
            XCloseDisplay(display);
            return nullptr;
        }
        return std::make_unique<X11Window>(display, window, size, client);
    }

    void dispatchPendingPaint() override
    {
        for (X11Window* window : openWindows)
            window->paintPending();
    }

    std::uint32_t milliseconds() override
    {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }

    void wait(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

}  // namespace

WindowSystem& nativeWindowSystem()
{
    static X11WindowSystem system;
    return system;
}

}  // namespace kestrava::gui
