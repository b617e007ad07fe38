// The running platform's services for Sonalve's editor: its window system,
// its About boxes and the help lookup.
//
// User-interface thread only.
#pragma once

#include "editor/EditorServices.h"

namespace kestrava::editor {

EditorServices nativeEditorServices();

}  // namespace kestrava::editor
