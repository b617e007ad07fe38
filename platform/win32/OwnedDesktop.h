// Messages and file dialogs owned by a program's own window, for a program
// whose core reports through the desktop seams while its dialog is open.
// User-interface thread only.
#pragma once

#include "platform/FileDialog.h"
#include "platform/Messages.h"

#include <windows.h>

#include <memory>

namespace kestrava::platform {

std::unique_ptr<Messages> messagesOwnedBy(HWND owner);
std::unique_ptr<FileDialog> fileDialogOwnedBy(HWND owner);

}  // namespace kestrava::platform
