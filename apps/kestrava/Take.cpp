#include "apps/kestrava/Take.h"

#include <algorithm>
#include <cmath>

namespace kestrava::tool {

namespace {

constexpr double kIntegerScale = 2147483648.0;
constexpr double kFullScaleInteger = 2147418112.0;  // 0x7FFF0000

// Truncated toward zero and held inside the 32-bit range, as a device
// sample beyond it is clamped.
double toInt32(double v)
{
    return std::clamp(std::trunc(v), -2147483648.0, 2147483647.0);
}

}  // namespace

double captureValue(double sample, SampleKind kind)
{
    switch (kind) {
    case SampleKind::Integer:
        return toInt32(sample * kIntegerScale);
    case SampleKind::Float32:
        return toInt32(static_cast<float>(sample) * 32766.0f);
    case SampleKind::Float64:
        return toInt32(sample * 32766.0);
    }
    return 0.0;
}

bool atFullScale(double sample, SampleKind kind)
{
    if (kind == SampleKind::Integer)
        return std::fabs(sample * kIntegerScale) >= kFullScaleInteger;
    return std::fabs(sample) >= 1.0;
}

bool clips(const std::vector<double>& samples, std::int64_t frames, SampleKind kind)
{
    const std::int64_t n = std::min<std::int64_t>(frames, static_cast<std::int64_t>(samples.size()));
    for (std::int64_t i = 0; i < n; ++i) {
        if (atFullScale(samples[static_cast<std::size_t>(i)], kind))
            return true;
    }
    return false;
}

}  // namespace kestrava::tool
