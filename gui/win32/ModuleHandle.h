// The module (DLL or program) the toolkit's code and resources live in,
// recorded when the library is attached to the process.
//
// Any thread; the handle is written once, at attach.
#pragma once

#include <windows.h>

namespace kestrava::gui {

HINSTANCE moduleHandle();

}  // namespace kestrava::gui
