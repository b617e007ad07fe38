// The running platform's own backends for the desktop seams (messages,
// shell, file dialog, settings store), one set per process. A deliverable's entry point
// hands these to the core; tests hand fakes instead.
//
// Callable from any thread; each service is then used on user-interface
// threads only.
#pragma once

#include "platform/FileDialog.h"
#include "platform/Messages.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"

namespace kestrava::platform {

struct DesktopServices {
    Messages& messages;
    Shell& shell;
    FileDialog& fileDialog;
};

DesktopServices desktopServices();

SettingsStore& settingsStore();

}  // namespace kestrava::platform
