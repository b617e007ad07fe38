// The recorded-take driver's settings, kept in the product's per-user
// settings beside the measurement program's own values: "take_path" (the WAV
// take it plays into its inputs), "take_output_path" (where it writes its
// outputs; empty: not kept), "take_buffer_size" and "take_sample_type" (a
// name such as "Int24LSB" or "Float32LSB").
//
// Controlling thread only (the store touches the registry); read when a
// driver is initialised, written by its control panel.
#pragma once

#include "audio/file/FileDriver.h"
#include "platform/SettingsStore.h"

#include <string>

namespace kestrava::audio {

// The options the driver runs with; values that are missing or do not
// parse keep the recorded-file driver's defaults, and `problem` says which
// were refused.
FileDriverOptions readTakeSettings(platform::SettingsStore& store, std::string& problem);

// Stores the two paths; false when the settings cannot be written.
bool writeTakePaths(platform::SettingsStore& store, const std::string& takePath, const std::string& outputPath);

}  // namespace kestrava::audio
