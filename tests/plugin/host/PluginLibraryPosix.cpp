#include "PluginLibrary.h"

#include <dlfcn.h>

using namespace kestrava::plugin;

namespace kestrava::test {

PluginLibrary::PluginLibrary(const std::string& path)
{
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr)
        error_ = dlerror();
}

PluginLibrary::~PluginLibrary()
{
    if (handle_ != nullptr)
        dlclose(handle_);
}

vst2::VstPluginMainProc PluginLibrary::entry(const char* name) const
{
    return reinterpret_cast<vst2::VstPluginMainProc>(dlsym(handle_, name));
}

}  // namespace kestrava::test
