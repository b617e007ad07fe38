// The plug-in's messages and its Load action on a Linux desktop without
// zenity, as a user meets them: the toolkit's own message window appears on
// the (Xvfb) display with the text and "OK", is kept as a screenshot in the
// build folder, and is closed with a real click or key.
#include "gui/MessageWindows.h"
#include "platform/Desktop.h"
#include "support/PngWriter.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using namespace kestrava::platform;

namespace kestrava::test {
namespace {

struct MessageCase {
    const char* name;
    // What the user did; true when it ended as it should (Load chose nothing).
    std::function<bool(DesktopServices)> action;
    const char* title;
    KeySym closingKey;  // NoSymbol: a click on "OK"
};

void PrintTo(const MessageCase& c, std::ostream* os)
{
    *os << c.name;
}

const MessageCase kCases[] = {
    {"LoadSaysWhatIsMissing",
     [](DesktopServices d) { return !d.fileDialog.chooseFileToOpen({"DOV file", "*.alg", "", "/tmp/", "alg"}); },
     "Error", NoSymbol},
    {"ErrorMessage", [](DesktopServices d) { return showError(d.messages, "ALG file is damaged."), true; }, "Error",
     XK_Return},
    {"TwoLineInformation",
     [](DesktopServices d) {
         d.messages.show("Error: Clipping in the left channel.\nCheck the left input.;", "Info",
                         MessageIcon::Information);
         return true;
     },
     "Info", XK_Escape},
};

// The viewable top-level window with this title, once it shows; 0 if none.
Window waitForWindow(Display* display, const std::string& title)
{
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
        Window root = 0, parent = 0, *children = nullptr, found = 0;
        unsigned count = 0;
        XSync(display, False);
        XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
        for (unsigned i = 0; i < count; ++i) {
            char* name = nullptr;
            XWindowAttributes a;
            if (XFetchName(display, children[i], &name) && name != nullptr) {
                if (title == name && XGetWindowAttributes(display, children[i], &a) && a.map_state == IsViewable)
                    found = children[i];
                XFree(name);
            }
        }
        XFree(children);
        if (found != 0)
            return found;
    }
    return 0;
}

RgbImage capture(Display* display, Window window)
{
    XWindowAttributes a;
    XGetWindowAttributes(display, window, &a);
    XImage* image = XGetImage(display, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    RgbImage result{a.width, a.height, {}};
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            for (const unsigned long mask : {image->red_mask, image->green_mask, image->blue_mask})
                result.rgb.push_back(static_cast<std::uint8_t>((pixel & mask) / (mask & ~(mask << 1))));
        }
    }
    XDestroyImage(image);
    return result;
}

class MessageWindowTest : public ::testing::TestWithParam<MessageCase> {
protected:
    void SetUp() override
    {
        ASSERT_NE(display_, nullptr) << "no X display (run under xvfb-run)";
        // An empty folder is all the PATH there is: no zenity.
        setenv("PATH", nowhere_.path().c_str(), 1);
    }
    void TearDown() override
    {
        setenv("PATH", savedPath_.c_str(), 1);
        if (display_ != nullptr)
            XCloseDisplay(display_);
    }

    Display* display_ = XOpenDisplay(nullptr);
    ScratchFolder nowhere_;
    std::string savedPath_ = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
};

TEST_P(MessageWindowTest, ShowsInTheToolkitsWindowUntilTheUserClosesIt)
{
    const MessageCase& c = GetParam();
    std::atomic<bool> finished{false};
    bool endedWell = false;
    std::thread user([&] {
        endedWell = c.action(desktopServices(gui::nativeMessageWindows()));
        finished = true;
    });
    const Window window = waitForWindow(display_, c.title);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const RgbImage shot = window != 0 ? capture(display_, window) : RgbImage{};
    EXPECT_TRUE(writePng(std::string(SCREENSHOT_FOLDER) + "/message-" + c.name + ".png", shot));

    // The button is where its blue edge is; the text is dark, above it.
    int left = shot.width, right = -1, top = shot.height, bottom = -1, dark = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const RgbImage::Pixel p = shot.at(x, y);
            if (p.r == 0 && p.g == 120 && p.b == 215)
                left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = y;
            dark += p.r < 80 && p.g < 80 && p.b < 80 && y < top;
        }
    }
    EXPECT_GT(right - left, 40) << "no OK button in a window titled " << c.title;
    EXPECT_GT(dark, 60) << "no text above the button";
    EXPECT_FALSE(finished.load()) << "the call returned while its window was open";

    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), (left + right) / 2, (top + bottom) / 2,
                          &rootX, &rootY, &child);
    XTestFakeMotionEvent(display_, DefaultScreen(display_), rootX, rootY, CurrentTime);
    const KeyCode key = c.closingKey == NoSymbol ? 0 : XKeysymToKeycode(display_, c.closingKey);
    key == 0 ? XTestFakeButtonEvent(display_, 1, True, CurrentTime) : XTestFakeKeyEvent(display_, key, True, CurrentTime);
    key == 0 ? XTestFakeButtonEvent(display_, 1, False, CurrentTime) : XTestFakeKeyEvent(display_, key, False, CurrentTime);
    XSync(display_, False);
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
         !finished && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const bool closed = finished.load();
    if (!closed && window != 0) {
        XDestroyWindow(display_, window);  // lets the call return, so the case fails rather than hangs
        XSync(display_, False);
    }
    user.join();
    EXPECT_TRUE(closed);
    EXPECT_TRUE(endedWell);
}

INSTANTIATE_TEST_SUITE_P(WithoutZenity, MessageWindowTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestrava::test
