#include "editor/NativeEditorServices.h"

namespace kestrava {

EditorServices nativeEditorServices()
{
    return {nativeWindowSystem(), nativeAboutBoxes(), {}};
}

}  // namespace kestrava
