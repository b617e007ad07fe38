// The VST 2.4 library's exported entry: VSTPluginMain, also exported as
// `main` for hosts that look for the older name. Wires the platform's
// desktop backends (with the toolkit's message window where the desktop has
// no dialog program) into the effect and gives it its editor, the panel over
// the effect.
#include "editor/NativeEditorServices.h"
#include "formats/vst2/Vst2Editor.h"
#include "gui/MessageWindows.h"
#include "plugin/ADelay.h"

#include <memory>
#include <new>

#if defined(_WIN32)
#define SONALVE_EXPORT __declspec(dllexport)
#else
#define SONALVE_EXPORT __attribute__((visibility("default")))
#endif

namespace vst2 = kestrava::plugin::vst2;

namespace {

vst2::AEffect* createEffect(vst2::audioMasterCallback host)
{
    if (host == nullptr || host(nullptr, vst2::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    auto* effect = new (std::nothrow)
        kestrava::plugin::ADelay(host, kestrava::platform::desktopServices(kestrava::gui::nativeMessageWindows()));
    if (effect == nullptr)
        return nullptr;
    effect->setEditor(std::make_unique<kestrava::formats::Vst2Editor>(effect, kestrava::editor::nativeEditorServices()));
    return effect->getAeffect();
}

}  // namespace

extern "C" {

SONALVE_EXPORT vst2::AEffect* VSTPluginMain(vst2::audioMasterCallback host)
{
    return createEffect(host);
}

// C++ reserves the name main for the program's own; the assembler name gives
// the library an exported symbol of that name all the same.
SONALVE_EXPORT vst2::AEffect* sonalveMainAlias(vst2::audioMasterCallback host) asm("main");
vst2::AEffect* sonalveMainAlias(vst2::audioMasterCallback host)
{
    return createEffect(host);
}
}
