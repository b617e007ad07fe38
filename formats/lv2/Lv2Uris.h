// The names the LV2 plug-in and its UI share: the plug-in's URI, its port
// indexes and the URIs of its own properties. Plain constants, any thread.
#pragma once

#include <cstdint>

namespace kestrava::formats::lv2 {

#define SONALVE_LV2_URI "urn:kestrava:sonalve"
inline constexpr const char* kPluginUri = SONALVE_LV2_URI;
inline constexpr const char* kUiUri = SONALVE_LV2_URI "#ui";
// The correction file: a writable parameter whose value is an atom:Path.
inline constexpr const char* kCorrectionUri = SONALVE_LV2_URI "#correction";
// The sixteen program records and the current program, kept in the state.
inline constexpr const char* kProgramsUri = SONALVE_LV2_URI "#programs";
inline constexpr const char* kProgramUri = SONALVE_LV2_URI "#program";

enum Port : std::uint32_t {
    kInput1 = 0,
    kInput2 = 1,
    kOutput1 = 2,
    kOutput2 = 3,
    // 0 = the first input, 1 = the second.
    kInputSelect = 4,
    // 1 = Air on.
    kAir = 5,
    kControl = 6,
    kNotify = 7,
};

// The panel's Air switch reads 0 for on; the port reads 1 for on.
inline float airPortFromSwitch(float switchValue)
{
    return switchValue == 0.0f ? 1.0f : 0.0f;
}

inline float airSwitchFromPort(float portValue)
{
    return portValue >= 0.5f ? 0.0f : 1.0f;
}

}  // namespace kestrava::formats::lv2
