#include "gui/x11/X11Errors.h"

namespace kestrava::gui {
namespace {

Display* trappedDisplay = nullptr;
bool trappedError = false;
int (*outerHandler)(Display*, XErrorEvent*) = nullptr;

int recordError(Display* display, XErrorEvent* error)
{
    if (display == trappedDisplay) {
        trappedError = true;
        return 0;
    }
    return outerHandler != nullptr ? outerHandler(display, error) : 0;
}

}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* display) : display_(display)
{
    XSync(display_, False);
    trappedDisplay = display_;
    trappedError = false;
    previous_ = XSetErrorHandler(recordError);
    outerHandler = previous_;
}

X11ErrorTrap::~X11ErrorTrap()
{
    XSync(display_, False);
    XSetErrorHandler(previous_);
    trappedDisplay = nullptr;
}

bool X11ErrorTrap::failed()
{
    XSync(display_, False);
    return trappedError;
}

}  // namespace kestrava::gui
