// The plug-in's messages and its Load action on a Linux desktop without
// zenity, as a user meets them: the toolkit's own message window appears on
// the (Xvfb) display with the text and "OK", is looked at, kept as a
// screenshot in the build folder, and closed with a real click or key.
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
#include <optional>
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

enum class Closing { ClickOk, Return, Escape };

struct MessageCase {
    const char* name;
    // What the user did; true when it ended as it should (Load chose nothing).
    std::function<bool(DesktopServices)> action;
    const char* title;
    Closing closing;
};

void PrintTo(const MessageCase& c, std::ostream* os)
{
    *os << c.name;
}

const MessageCase kCases[] = {
    {"LoadSaysWhatIsMissing",
     [](DesktopServices desktop) {
         return !desktop.fileDialog.chooseFileToOpen({"DOV file", "*.alg", "None", "/tmp/", "alg"}).has_value();
     },
     "Error", Closing::ClickOk},
    {"ErrorMessage",
     [](DesktopServices desktop) {
         showError(desktop.messages, "ALG file is damaged.");
         return true;
     },
     "Error", Closing::Return},
    {"TwoLineInformation",
     [](DesktopServices desktop) {
         desktop.messages.show("Error: Clipping in the left channel.\nCheck the left input.;", "Info",
                               MessageIcon::Information);
         return true;
     },
     "Info", Closing::Escape},
};

class MessageWindowTest : public ::testing::TestWithParam<MessageCase> {
protected:
    void SetUp() override
    {
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr) << "no X display (run under xvfb-run)";
        // An empty folder is all the PATH there is: no zenity.
        const char* path = std::getenv("PATH");
        savedPath_ = path != nullptr ? path : "";
        setenv("PATH", nowhere_.path().c_str(), 1);
    }

    void TearDown() override
    {
        setenv("PATH", savedPath_.c_str(), 1);
        if (display_ != nullptr)
            XCloseDisplay(display_);
    }

    // The viewable top-level window with this title, once it shows.
    Window waitForWindow(const std::string& title)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            Window root = 0, parent = 0, *children = nullptr;
            unsigned count = 0;
            XSync(display_, False);
            Window found = 0;
            if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) {
                for (unsigned i = 0; i < count && found == 0; ++i) {
                    char* name = nullptr;
                    XWindowAttributes attributes;
                    if (XFetchName(display_, children[i], &name) && name != nullptr) {
                        if (title == name && XGetWindowAttributes(display_, children[i], &attributes) &&
                            attributes.map_state == IsViewable)
                            found = children[i];
                        XFree(name);
                    }
                }
                XFree(children);
            }
            if (found != 0)
                return found;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return 0;
    }

    RgbImage capture(Window window)
    {
        XWindowAttributes attributes;
        XGetWindowAttributes(display_, window, &attributes);
        XImage* image = XGetImage(display_, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
        RgbImage result{attributes.width, attributes.height, {}};
        for (int y = 0; y < result.height && image != nullptr; ++y) {
            for (int x = 0; x < result.width; ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                result.rgb.push_back(static_cast<std::uint8_t>((pixel & image->red_mask) >> 16));
                result.rgb.push_back(static_cast<std::uint8_t>((pixel & image->green_mask) >> 8));
                result.rgb.push_back(static_cast<std::uint8_t>(pixel & image->blue_mask));
            }
        }
        if (image != nullptr)
            XDestroyImage(image);
        return result;
    }

    void pointAt(Window window, int x, int y)
    {
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display_, window, DefaultRootWindow(display_), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(display_, DefaultScreen(display_), rootX, rootY, CurrentTime);
        XSync(display_, False);
    }

    void close(Window window, Closing how, int buttonX, int buttonY)
    {
        pointAt(window, buttonX, buttonY);
        if (how == Closing::ClickOk) {
            XTestFakeButtonEvent(display_, 1, True, CurrentTime);
            XTestFakeButtonEvent(display_, 1, False, CurrentTime);
        } else {
            const KeyCode key = XKeysymToKeycode(display_, how == Closing::Return ? XK_Return : XK_Escape);
            XTestFakeKeyEvent(display_, key, True, CurrentTime);
            XTestFakeKeyEvent(display_, key, False, CurrentTime);
        }
        XSync(display_, False);
    }

    Display* display_ = nullptr;
    ScratchFolder nowhere_;
    std::string savedPath_;
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
    const Window window = waitForWindow(c.title);
    ASSERT_NE(window, 0u) << "no window titled " << c.title;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const RgbImage shot = capture(window);
    EXPECT_TRUE(writePng(std::string(SCREENSHOT_FOLDER) + "/message-" + c.name + ".png", shot));

    // The button is where its blue edge is; the text is dark, above it.
    int left = shot.width, right = -1, top = shot.height, bottom = -1, dark = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const RgbImage::Pixel p = shot.at(x, y);
            if (p.r == 0 && p.g == 120 && p.b == 215) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            } else if (p.r < 80 && p.g < 80 && p.b < 80 && y < top) {
                ++dark;
            }
        }
    }
    ASSERT_GT(right - left, 40) << "no OK button drawn";
    EXPECT_GT(dark, 60) << "no text drawn above the button";
    EXPECT_FALSE(finished.load()) << "the call returned while its window was open";

    close(window, c.closing, (left + right) / 2, (top + bottom) / 2);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!finished.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const bool closed = finished.load();
    if (!closed) {
        // Let the thread go so the case can fail rather than hang.
        XDestroyWindow(display_, window);
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
