// On Windows the toolkit's message window is the system's message box, as
// the desktop services show it.
#include "gui/MessageWindows.h"
#include "platform/Desktop.h"

namespace kestrava::gui {

platform::Messages& nativeMessageWindows()
{
    return platform::desktopServices().messages;
}

}  // namespace kestrava::gui
