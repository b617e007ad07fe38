// Narrowing a processed double sample to a 32-bit float for a host, a
// driver or a file. Any thread; pure arithmetic, safe on the audio thread.
//
// A finite double beyond the float range would become an infinity on a plain
// cast; it is held at the largest float of its sign instead, and a sample
// that is not a number becomes silence, so a float output is always finite.
#pragma once

#include <limits>

namespace kestrava::engine {

inline float toFloatSample(double value)
{
    constexpr double kMax = std::numeric_limits<float>::max();
    if (!(value == value))
        return 0.0f;
    return static_cast<float>(value > kMax ? kMax : (value < -kMax ? -kMax : value));
}

}  // namespace kestrava::engine
