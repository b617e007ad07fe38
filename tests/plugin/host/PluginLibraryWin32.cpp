#include "PluginLibrary.h"

#include <windows.h>

using namespace kestrava::plugin;

namespace kestrava::test {

PluginLibrary::PluginLibrary(const std::string& path)
{
    handle_ = LoadLibraryA(path.c_str());
    if (handle_ == nullptr)
        error_ = "LoadLibraryA failed with error " + std::to_string(GetLastError());
}

PluginLibrary::~PluginLibrary()
{
    if (handle_ != nullptr)
        FreeLibrary(static_cast<HMODULE>(handle_));
}

vst2::VstPluginMainProc PluginLibrary::entry(const char* name) const
{
    return reinterpret_cast<vst2::VstPluginMainProc>(
        reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name)));
}

}  // namespace kestrava::test
