// About boxes on X11: each box is a top-level window served by a thread of
// its own on a display connection of its own, so that it stays alive and
// answers its "OK" button and close box whether or not the host still idles
// an editor. The layout follows the Windows dialog (140 by 113 dialog units
// at 1.5 by 1.625 pixels per unit).
#include "gui/AboutBoxes.h"
#include "gui/x11/CairoDrawContext.h"

#include "ProductVersion.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace kestrava::gui {
namespace {

constexpr CPoint kBoxSize{210, 184};
constexpr CRect kLine{0, 16, 210, 29};
constexpr CRect kVersionLine{0, 34, 210, 47};
constexpr CRect kButton{30, 146, 105, 169};
constexpr CColor kDialogFace{240, 240, 240, 255};
constexpr CColor kButtonFace{225, 225, 225, 255};
constexpr CColor kButtonEdge{0, 120, 215, 255};

void paintBox(Display* display, Window window)
{
    cairo_surface_t* surface = cairo_xlib_surface_create(display, window, DefaultVisual(display, DefaultScreen(display)),
                                                         kBoxSize.x, kBoxSize.y);
    cairo_t* cr = cairo_create(surface);
    {
        CairoDrawContext context(cr, {0, 0, kBoxSize.x, kBoxSize.y});
        context.fillRect({0, 0, kBoxSize.x, kBoxSize.y}, kDialogFace);
        context.drawCenteredText("Kestrava Sonalve", kLine, CFontId::kNormalFontSmall, kBlackCColor);
        context.drawCenteredText(std::string("Version ") + kProductVersion, kVersionLine, CFontId::kNormalFontSmall,
                                 kBlackCColor);
        context.fillRect(kButton, kButtonFace);
        context.frameRect(kButton, kButtonEdge);
        context.drawCenteredText("OK", kButton, CFontId::kNormalFontSmall, kBlackCColor);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    XFlush(display);
}

Window createBox(Display* display, Atom deleteWindow)
{
    const int screen = DefaultScreen(display);
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 20, 20, kBoxSize.x, kBoxSize.y, 0,
                                              BlackPixel(display, screen), WhitePixel(display, screen));
    XStoreName(display, window, "About");
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize | PPosition;
    hints.x = 20;
    hints.y = 20;
    hints.min_width = hints.max_width = kBoxSize.x;
    hints.min_height = hints.max_height = kBoxSize.y;
    XSetWMNormalHints(display, window, &hints);
    const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const Atom dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    XChangeProperty(display, window, type, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&dialog), 1);
    XSelectInput(display, window, ExposureMask | ButtonPressMask | KeyPressMask);
    XMapRaised(display, window);
    XFlush(display);
    return window;
}

class Box {
public:
    Box() : thread_([this] { run(); }) {}
    ~Box()
    {
        closeRequested_ = true;
        thread_.join();
    }
    bool finished() const { return finished_; }

private:
    void run()
    {
        Display* display = XOpenDisplay(nullptr);
        if (display != nullptr) {
            serve(display);
            XCloseDisplay(display);
        }
        finished_ = true;
    }

    void serve(Display* display)
    {
        const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
        const Window window = createBox(display, deleteWindow);
        bool open = true;
        while (open && !closeRequested_) {
            if (XPending(display) == 0) {
                pollfd connection{ConnectionNumber(display), POLLIN, 0};
                poll(&connection, 1, 50);
                continue;
            }
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == Expose && event.xexpose.count == 0)
                paintBox(display, window);
            else if (event.type == ButtonPress && event.xbutton.button == Button1)
                open = !kButton.contains({event.xbutton.x, event.xbutton.y});
            else if (event.type == KeyPress)
                open = XLookupKeysym(&event.xkey, 0) != XK_Return && XLookupKeysym(&event.xkey, 0) != XK_Escape;
            else if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow)
                open = false;
        }
        XDestroyWindow(display, window);
        XFlush(display);
    }

    std::atomic<bool> closeRequested_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

class X11AboutBoxes final : public AboutBoxes {
public:
    ~X11AboutBoxes() override { closeAll(); }

    void open() override
    {
        forgetClosedBoxes();
        boxes_.push_back(std::make_unique<Box>());
    }

    void closeAll() override { boxes_.clear(); }

    std::size_t openCount() override
    {
        forgetClosedBoxes();
        return boxes_.size();
    }

private:
    void forgetClosedBoxes()
    {
        std::erase_if(boxes_, [](const std::unique_ptr<Box>& box) { return box->finished(); });
    }

    std::vector<std::unique_ptr<Box>> boxes_;
};

}  // namespace

AboutBoxes& nativeAboutBoxes()
{
    static X11AboutBoxes boxes;
    return boxes;
}

}  // namespace kestrava::gui
