#include "editor/NativeEditorServices.h"

#include "platform/Desktop.h"
#include "platform/ProductSettings.h"

namespace kestrava::editor {

EditorServices nativeEditorServices()
{
    return {gui::nativeWindowSystem(), gui::nativeAboutBoxes(), [] {
                const DesktopServices desktop = desktopServices();
                openHelp(settingsStore(), desktop.shell, desktop.messages);
            }};
}

}  // namespace kestrava::editor
