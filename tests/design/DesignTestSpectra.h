// Band curves for design tests: a smooth pickup curve and microphone curves
// derived from it.
#pragma once

#include "design/BandAnalysis.h"

#include <algorithm>
#include <cmath>

namespace kestrava::test {

inline void normalise(design::BandSpectrum& s)
{
    const double largest = *std::max_element(s.begin(), s.end());
    for (double& level : s)
        level /= largest;
}

// A pickup that falls off towards both ends of the range.
inline design::BandSpectrum pickupCurve()
{
    design::BandSpectrum s{};
    for (int j = 0; j < design::kBandCount; ++j) {
        const double x = (j - 110.0) / 60.0;
        s[j] = std::exp(-x * x) + 0.05;
    }
    normalise(s);
    return s;
}

// The microphone hears exactly what the pickup hears: nothing to correct.
inline design::MeasurementAnalysis identicalMeasurement()
{
    design::MeasurementAnalysis a;
    a.pickup = pickupCurve();
    a.microphone = a.pickup;
    a.outputGain = 1.0;
    return a;
}

// The pickup with a gentle ripple of about +-1.5 dB: a quick design.
inline design::MeasurementAnalysis gentleMeasurement()
{
    design::MeasurementAnalysis a;
    a.pickup = pickupCurve();
    for (int j = 0; j < design::kBandCount; ++j)
        a.microphone[j] = a.pickup[j] * (1.0 + 0.18 * std::sin(6.283185307179586 * j / 50.0));
    normalise(a.microphone);
    a.outputGain = 1.25;
    return a;
}

}  // namespace kestrava::test
