// The toolkit's own message window: the text, the caption as its title and
// an "OK" button, for a program whose desktop has no dialog program of its
// own to show messages with (the plug-in on a Linux desktop without zenity).
// On Windows it is the system's message box.
//
// User-interface thread only: show() blocks until the user closes the window.
#pragma once

#include "platform/Messages.h"

namespace kestrava::gui {

platform::Messages& nativeMessageWindows();

}  // namespace kestrava::gui
