// A recorded take turned into capture buffers exactly as the measurement
// program would have stored the same device samples: integer samples
// left-aligned into 32 bits, floating-point samples times 32,766 truncated,
// and the measurement's full-scale test for clipping. Tool thread only.
#pragma once

#include "apps/kestrava/AudioFile.h"

#include <cstdint>
#include <vector>

namespace kestrava::tool {

// The value the measurement program stores for one sample of this kind.
double captureValue(double sample, SampleKind kind);

// At or beyond +-0x7FFF0000 once left-aligned, or +-1.0 for float samples.
bool atFullScale(double sample, SampleKind kind);

// Whether any of the first `frames` samples is at full scale.
bool clips(const std::vector<double>& samples, std::int64_t frames, SampleKind kind);

}  // namespace kestrava::tool
