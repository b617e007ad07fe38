#include "editor/NativeEditorServices.h"

#include "gui/MessageWindows.h"
#include "platform/Desktop.h"
#include "platform/ProductSettings.h"

namespace kestrava::editor {

EditorServices nativeEditorServices()
{
    return {gui::nativeWindowSystem(), gui::nativeAboutBoxes(), [] {
                const platform::DesktopServices desktop = platform::desktopServices(gui::nativeMessageWindows());
                platform::openHelp(platform::settingsStore(), desktop.shell, desktop.messages);
            }};
}

}  // namespace kestrava::editor
