// Records the library's module handle at attach, and closes any About box
// still open before the library can be unloaded.
#include "gui/win32/ModuleHandle.h"

#include "gui/AboutBoxes.h"

namespace kestrava::gui {
namespace {

HINSTANCE recordedModule = nullptr;

}  // namespace

HINSTANCE moduleHandle()
{
    if (recordedModule == nullptr) {
        // Linked into a program rather than a library: the program's module.
        HMODULE module = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&moduleHandle), &module);
        recordedModule = module;
    }
    return recordedModule;
}

}  // namespace kestrava::gui

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        kestrava::gui::recordedModule = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Unloaded while the process goes on: no box may outlive the code
        // of its dialog procedure.
        kestrava::gui::nativeAboutBoxes().closeAll();
    }
    return TRUE;
}
