// Loads a plug-in library the way a host does (dlopen or LoadLibrary) and
// finds its exported entry points. Test-host code; one thread.
#pragma once

#include "plugin/Vst2.h"

#include <string>

namespace kestrava::test {

class PluginLibrary {
public:
    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();

    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    // The exported function of that name, or null.
    plugin::vst2::VstPluginMainProc entry(const char* name) const;
    // Why loading failed, as the system put it.
    const std::string& error() const { return error_; }

private:
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace kestrava::test
