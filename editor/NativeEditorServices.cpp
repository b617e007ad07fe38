#include "editor/NativeEditorServices.h"

#include "platform/Desktop.h"
#include "platform/ProductSettings.h"

namespace kestrava {

EditorServices nativeEditorServices()
{
    return {nativeWindowSystem(), nativeAboutBoxes(), [] {
                const DesktopServices desktop = desktopServices();
                openHelp(settingsStore(), desktop.shell, desktop.messages);
            }};
}

}  // namespace kestrava
