// The short names of the eighteen sample types the converter handles
// ("Int16LSB", "Float64MSB", ...), as users type them on the command line
// and as driver settings store them.
//
// Plain lookups over a constant table; any thread.
#pragma once

#include "audio/Asio.h"

#include <optional>
#include <span>
#include <string_view>

namespace kestrava::audio {

struct SampleTypeName {
    const char* name;
    ASIOSampleType type;
};

std::span<const SampleTypeName> sampleTypeNames();

// The type with this name, or nothing when no handled type has it.
std::optional<ASIOSampleType> sampleTypeNamed(std::string_view name);

}  // namespace kestrava::audio
