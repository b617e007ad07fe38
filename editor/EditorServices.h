// What Sonalve's editor needs of the platform: the window system its panel
// lives in, the About boxes, and the help file. The library's entry wires
// the running platform's; tests hand fakes.
//
// User-interface thread only.
#pragma once

#include "gui/AboutBoxes.h"
#include "gui/PlatformWindow.h"

#include <functional>

namespace kestrava::editor {

struct EditorServices {
    gui::WindowSystem& windows;
    gui::AboutBoxes& aboutBoxes;
    // Opens the help file, reporting its own failures.
    std::function<void()> openHelp;
};

}  // namespace kestrava::editor
