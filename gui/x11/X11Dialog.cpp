#include "gui/x11/X11Dialog.h"

#include "gui/x11/CairoDrawContext.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <poll.h>

namespace kestrava::gui {
namespace {

constexpr CColor kDialogFace{240, 240, 240, 255};
constexpr CColor kButtonFace{225, 225, 225, 255};
constexpr CColor kButtonEdge{0, 120, 215, 255};

void paintDialog(Display* display, Window window, const X11DialogLayout& layout,
                 const std::function<void(CDrawContext&)>& paint)
{
    cairo_surface_t* surface = cairo_xlib_surface_create(
        display, window, DefaultVisual(display, DefaultScreen(display)), layout.size.x, layout.size.y);
    cairo_t* cr = cairo_create(surface);
    {
        CairoDrawContext context(cr, {0, 0, layout.size.x, layout.size.y});
        context.fillRect({0, 0, layout.size.x, layout.size.y}, kDialogFace);
        paint(context);
        context.fillRect(layout.okButton, kButtonFace);
        context.frameRect(layout.okButton, kButtonEdge);
        context.drawCenteredText("OK", layout.okButton, CFontId::kNormalFontSmall, kBlackCColor);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    XFlush(display);
}

Window createDialog(Display* display, const X11DialogLayout& layout, Atom deleteWindow)
{
    const int screen = DefaultScreen(display);
    const CPoint at = layout.position.value_or(CPoint{(DisplayWidth(display, screen) - layout.size.x) / 2,
                                                      (DisplayHeight(display, screen) - layout.size.y) / 2});
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), at.x, at.y, layout.size.x,
                                              layout.size.y, 0, BlackPixel(display, screen),
                                              WhitePixel(display, screen));
    XStoreName(display, window, layout.title.c_str());
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize | PPosition;
    hints.x = at.x;
    hints.y = at.y;
    hints.min_width = hints.max_width = layout.size.x;
    hints.min_height = hints.max_height = layout.size.y;
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

}  // namespace

bool runX11Dialog(const X11DialogLayout& layout, const std::function<void(CDrawContext&)>& paint,
                  const std::atomic<bool>& stop)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    const Window window = createDialog(display, layout, deleteWindow);
    bool open = true;
    while (open && !stop) {
        if (XPending(display) == 0) {
            pollfd connection{ConnectionNumber(display), POLLIN, 0};
            poll(&connection, 1, 50);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == Expose && event.xexpose.count == 0)
            paintDialog(display, window, layout, paint);
        else if (event.type == ButtonPress && event.xbutton.button == Button1)
            open = !layout.okButton.contains({event.xbutton.x, event.xbutton.y});
        else if (event.type == KeyPress)
            open = XLookupKeysym(&event.xkey, 0) != XK_Return && XLookupKeysym(&event.xkey, 0) != XK_Escape;
        else if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow)
            open = false;
    }
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return true;
}

}  // namespace kestrava::gui
