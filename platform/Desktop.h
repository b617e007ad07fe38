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

// The same services for a program that draws windows of its own: where the
// desktop has no dialog program to show a message with (Linux without
// zenity), the message shows in `windowMessages`, the toolkit's window.
DesktopServices desktopServices(Messages& windowMessages);

SettingsStore& settingsStore();

}  // namespace kestrava::platform
