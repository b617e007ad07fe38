// The recorded-take driver's settings, kept per user beside the measurement
// program's own values under HKEY_CURRENT_USER\Software\Kestrava Sonalve:
// "take_path" (the WAV take it plays into its inputs), "take_output_path"
// (where it writes its outputs; empty: not kept), "take_buffer_size" and
// "take_sample_type" (a name such as "Int24LSB" or "Float32LSB").
//
// Controlling thread only (registry calls); read when a driver is
// initialised, written by its control panel.
#pragma once

#include "audio/file/FileDriver.h"

#include <string>

namespace kestrava {

inline constexpr const char* kSettingsKey = "Software\\Kestrava Sonalve";
inline constexpr const char* kTakePathValue = "take_path";
inline constexpr const char* kTakeOutputPathValue = "take_output_path";
inline constexpr const char* kTakeBufferSizeValue = "take_buffer_size";
inline constexpr const char* kTakeSampleTypeValue = "take_sample_type";

// The options the driver runs with; values that are missing or do not
// parse keep the recorded-file driver's defaults, and `problem` says which
// were refused.
FileDriverOptions readTakeSettings(std::string& problem);

// Stores the two paths; false when the key cannot be written.
bool writeTakePaths(const std::string& takePath, const std::string& outputPath);

}  // namespace kestrava
