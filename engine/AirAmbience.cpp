#include "engine/AirAmbience.h"

#include "engine/PortableMath.h"

#include <algorithm>

namespace kestrava::engine {
namespace {

// Limited first: a rate far beyond any line's capacity must not overflow
// the conversion. Every length is clamped to its line afterwards.
std::int32_t truncated(double value)
{
    return static_cast<std::int32_t>(std::clamp(value, 0.0, 1e9));
}

std::int32_t capacityOf(int line)
{
    return line < 7 ? BasicAirAmbience<AirVariant::Plugin>::kAllpassCapacity
                    : BasicAirAmbience<AirVariant::Plugin>::kDelayCapacity;
}

}  // namespace

AirTuning AirTuning::forSampleRate(double fs)
{
    AirTuning tuning;
    auto& len = tuning.lineLength;
    len[0] = truncated(fs * 0.01264583);
    // The factor is the double 0.333333333, not an exact third.
    for (int k = 1; k <= 4; ++k) {
        len[k] = truncated(len[k - 1] * 0.333333333);
    }
    len[5] = truncated(fs * 0.0104375);
    len[6] = truncated(fs * 0.02291);
    len[7] = truncated(fs * 0.039583);
    // Rates above 192,000 Hz would need more memory than the lines have.
    for (int k = 0; k < 8; ++k) {
        len[k] = std::clamp(len[k], 0, capacityOf(k));
    }
    tuning.smoothCoef = 1.0 - portableExp(-12566.370614359172 / fs);
    return tuning;
}

AirTuning AirTuning::measurement()
{
    AirTuning tuning;
    tuning.lineLength = {607, 202, 67, 22, 7, 501, 1100, 1900};
    tuning.smoothCoef = 1.0 - portableExp(-0.2617993877991494);
    return tuning;
}

template <AirVariant Variant>
BasicAirAmbience<Variant>::BasicAirAmbience()
{
    if constexpr (Variant == AirVariant::Measurement) {
        tuning_ = AirTuning::measurement();
    }
}

template <AirVariant Variant>
void BasicAirAmbience<Variant>::setTuning(const AirTuning& tuning)
{
    tuning_ = tuning;
}

template <AirVariant Variant>
void BasicAirAmbience<Variant>::clear()
{
    for (auto& line : allpass_) {
        line.fill(0.0);
    }
    delay_.fill(0.0);
    smoothed_ = 0.0;
}

template <AirVariant Variant>
StereoSample BasicAirAmbience<Variant>::processSample(double t)
{
    double d[8];
    for (int k = 0; k < 7; ++k) {
        d[k] = allpass_[k][lineIndex_[k]];
    }
    d[7] = delay_[lineIndex_[7]];

    const double s = smoothed_;
    double w[7];
    w[0] = (t + 0.7 * d[0]) - 0.6 * s;
    for (int k = 1; k < 7; ++k) {
        w[k] = (d[k - 1] + 0.7 * d[k]) - 0.7 * w[k - 1];
    }
    double y = d[6] - 0.7 * w[6];
    if constexpr (kFlushesSmallValues) {
        if (y < 1e-100 && y > -1e-100) {
            y = 0.0;
        }
    }
    const double nextSmoothed = s + (d[7] - s) * tuning_.smoothCoef;
    const double left = t + 0.05 * d[7];
    const double right = left - 0.025 * d[6];

    for (int k = 0; k < 7; ++k) {
        allpass_[k][lineIndex_[k]] = w[k];
    }
    delay_[lineIndex_[7]] = y;
    smoothed_ = nextSmoothed;

    // A position at or beyond a shortened line is used once more and then
    // wraps, so it never leaves the line's memory.
    for (int k = 0; k < 8; ++k) {
        const std::int32_t next = lineIndex_[k] + 1;
        lineIndex_[k] = next < tuning_.lineLength[k] ? next : 0;
    }
    return {left, right};
}

template class BasicAirAmbience<AirVariant::Plugin>;
template class BasicAirAmbience<AirVariant::Measurement>;

}  // namespace kestrava::engine
