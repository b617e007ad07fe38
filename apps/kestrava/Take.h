// A recorded take turned into capture values exactly as the measurement
// program would store the same device samples: each sample is handed, as
// the device sample type of its file's format, to the measurement's own
// sample converter, whose full scale is also the clipping test. Tool thread
// only.
#pragma once

#include "audio/Asio.h"

#include <cstddef>
#include <vector>

namespace kestrava::tool {

// The device sample type that carries samples of this format: 16-, 24- and
// 32-bit integers and 32- and 64-bit floats as themselves, 8-bit integers
// left-aligned in 32 bits.
audio::ASIOSampleType deviceSampleType(int bitsPerSample, bool floatingPoint);

// The converter's block values for samples [0, count), given relative to
// full scale; values between the steps of an integer type (as after a rate
// conversion) are rounded to the nearest step.
std::vector<double> captureValues(const std::vector<double>& samples, std::size_t count, audio::ASIOSampleType type);

// Whether any of samples [0, count) reaches the converter's full scale.
bool clips(const std::vector<double>& samples, std::size_t count, audio::ASIOSampleType type);

}  // namespace kestrava::tool
