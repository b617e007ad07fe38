#include "HostWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kestrava::test {
namespace {

// Top-level windows of the plug-in may vanish between listing them and
// reading their names; that is no error of the host's.
int ignoreVanishedWindows(Display*, XErrorEvent* error)
{
    if (error->error_code != BadWindow)
        std::abort();
    return 0;
}

class X11HostWindow final : public HostWindow {
public:
    X11HostWindow(int width, int height) : width_(width), height_(height)
    {
        XSetErrorHandler(ignoreVanishedWindows);
        display_ = XOpenDisplay(nullptr);
        if (display_ == nullptr)
            throw std::runtime_error("no X display");
        const int screen = DefaultScreen(display_);
        window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 40, 40, width, height, 0,
                                      BlackPixel(display_, screen), WhitePixel(display_, screen));
        XStoreName(display_, window_, "Sonalve test host");
        XSelectInput(display_, window_, StructureNotifyMask);
        XMapWindow(display_, window_);
        for (XEvent event;;) {
            XNextEvent(display_, &event);
            if (event.type == MapNotify)
                break;
        }
    }

    ~X11HostWindow() override
    {
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }

    void* handle() override { return reinterpret_cast<void*>(window_); }

    void run(int milliseconds, const std::function<void()>& idle) override
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        do {
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
            }
            if (idle)
                idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } while (std::chrono::steady_clock::now() < end);
    }

    RgbImage screenshot() override { return capture(window_, width_, height_); }

    RgbImage aboutBoxScreenshot() override
    {
        const std::vector<Window> boxes = findAboutBoxes();
        XWindowAttributes attributes;
        if (boxes.empty() || !XGetWindowAttributes(display_, boxes.front(), &attributes))
            return {};
        return capture(boxes.front(), attributes.width, attributes.height);
    }

    void click(int x, int y) override { clickIn(window_, x, y); }

    int aboutBoxes() override { return static_cast<int>(findAboutBoxes().size()); }

    void clickOkOfAnAboutBox() override
    {
        const std::vector<Window> boxes = findAboutBoxes();
        if (!boxes.empty())
            clickIn(boxes.front(), 30 + 37, 146 + 11);
    }

private:
    RgbImage capture(Window window, int width, int height)
    {
        XSync(display_, False);
        XImage* image = XGetImage(display_, window, 0, 0, width, height, AllPlanes, ZPixmap);
        RgbImage result{width, height, {}};
        if (image == nullptr)
            return result;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                result.rgb.push_back(static_cast<std::uint8_t>((pixel & image->red_mask) >> 16));
                result.rgb.push_back(static_cast<std::uint8_t>((pixel & image->green_mask) >> 8));
                result.rgb.push_back(static_cast<std::uint8_t>(pixel & image->blue_mask));
            }
        }
        XDestroyImage(image);
        return result;
    }

    void clickIn(Window window, int x, int y)
    {
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display_, window, DefaultRootWindow(display_), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(display_, DefaultScreen(display_), rootX, rootY, CurrentTime);
        XTestFakeButtonEvent(display_, 1, True, CurrentTime);
        XTestFakeButtonEvent(display_, 1, False, CurrentTime);
        XSync(display_, False);
    }

    std::vector<Window> findAboutBoxes()
    {
        std::vector<Window> boxes;
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        XSync(display_, False);
        if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count))
            return boxes;
        for (unsigned i = 0; i < count; ++i) {
            char* name = nullptr;
            XWindowAttributes attributes;
            if (XFetchName(display_, children[i], &name) && name != nullptr) {
                if (std::strcmp(name, "About") == 0 && XGetWindowAttributes(display_, children[i], &attributes)
                    && attributes.map_state == IsViewable)
                    boxes.push_back(children[i]);
                XFree(name);
            }
        }
        if (children != nullptr)
            XFree(children);
        return boxes;
    }

    Display* display_ = nullptr;
    Window window_ = 0;
    int width_;
    int height_;
};

}  // namespace

std::unique_ptr<HostWindow> HostWindow::create(int width, int height)
{
    return std::make_unique<X11HostWindow>(width, height);
}

}  // namespace kestrava::test
