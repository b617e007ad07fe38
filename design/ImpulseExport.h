// A correction as an impulse response for convolvers, pedals and modellers:
// the cascade run on a unit impulse at a chosen rate, times the output
// gain, truncated to a tap count with a short fade-out, put on the grid of
// the sample format (integer formats scaled so the largest sample sits just
// below full scale), and measured against the cascade's exact response at
// the band centres.
//
// Pure computation for the tool and the windows, off the audio thread; it
// allocates the response and runs a private filter.
#pragma once

#include "engine/CorrectionSet.h"

#include <span>
#include <string>
#include <vector>

namespace kestrava::design {

inline constexpr double kImpulseRates[] = {44100.0, 48000.0, 88200.0, 96000.0};
inline constexpr double kDefaultImpulseRate = 48000.0;
inline constexpr int kMinImpulseTaps = 64;
inline constexpr int kMaxImpulseTaps = 1'048'576;
inline constexpr int kDefaultImpulseTaps = 2048;
// The largest sample of an integer format: -0.1 dB below full scale.
inline constexpr double kImpulsePeak = 0.9885530946569389;
// Above this error, above 100 Hz or between 40 and 100 Hz, a longer
// response is suggested.
inline constexpr double kImpulseToleranceDb = 0.5;

enum class ImpulseFormat { Int16, Int24, Float32 };

bool impulseRateSupported(double rate);
bool impulseTapsSupported(int taps);
// "16", "24" or "32f"; false for anything else.
bool parseImpulseFormat(const std::string& text, ImpulseFormat& format);
int impulseFormatBits(ImpulseFormat format);

struct ImpulseFidelity {
    // Largest magnitude error (dB) at the band centres above 100 Hz and
    // between 40 and 100 Hz.
    double aboveDb = 0.0;
    double lowDb = 0.0;
};

struct ImpulseResponse {
    double rate = kDefaultImpulseRate;
    ImpulseFormat format = ImpulseFormat::Int24;
    // Full scale +-1, each value exactly representable in the format.
    std::vector<double> samples;
    // The factor applied to the cascade's response (1 for float).
    double gain = 1.0;
    ImpulseFidelity fidelity;
    // When an error exceeds kImpulseToleranceDb: the smallest power of two
    // tap count that holds both, or 0 when not even kMaxImpulseTaps does.
    // -1 when the response holds the correction.
    int suggestedTaps = -1;
};

// The cascade's response to a unit impulse at `rate`, times outputGain,
// `taps` long with a raised-cosine fade over its last sixteenth.
std::vector<double> cascadeImpulse(const engine::CorrectionSet& set, double rate, int taps);

// Largest |20 log10(|IR(f)| / gain / |cascade(f)|)| over the correction's
// centre frequencies f with lowHz < f <= highHz (and below half the rate);
// 0 when there are none.
double impulseErrorDb(const engine::CorrectionSet& set, double rate, std::span<const double> samples, double gain,
                      double lowHz, double highHz);

// The whole export: response, format grid, gain, fidelity and suggestion.
// The caller checks the rate and tap count first.
ImpulseResponse exportImpulseResponse(const engine::CorrectionSet& set, double rate, int taps, ImpulseFormat format);

// The line that tells how closely the response follows the cascade, e.g.
// "2,048 taps at 48,000 Hz hold the correction within 0.3 dB above 100 Hz,
// 2.1 dB below: use 4,096 taps for the low end".
std::string describeImpulseFidelity(const ImpulseResponse& response);

}  // namespace kestrava::design
