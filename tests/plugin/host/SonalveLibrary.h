// The built Sonalve library, loaded once per test program the way a host
// loads it; KESTRAVA_SONALVE_LIBRARY names another copy (an installed one). On Linux the effect's data folder goes to a scratch home and no
// desktop is visible, as on a build server, so no dialog can start.
// Test-host code; one thread.
#pragma once

#include "PluginLibrary.h"
#include "TestSupport.h"

#include <cstdlib>

namespace kestrava::test {

#if !defined(_WIN32)
inline ScratchFolder& scratchHome()
{
    static ScratchFolder home;
    setenv("HOME", home.path().c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    return home;
}
#endif

inline PluginLibrary& library()
{
#if !defined(_WIN32)
    scratchHome();
#endif
    static PluginLibrary instance(std::getenv("KESTRAVA_SONALVE_LIBRARY") ? std::getenv("KESTRAVA_SONALVE_LIBRARY")
                                                                           : SONALVE_LIBRARY);
    return instance;
}

}  // namespace kestrava::test
