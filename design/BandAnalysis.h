// Turns two transformed recordings into band levels: per band the RMS
// magnitude of its bins, normalised so the loudest band is 1, and the
// output gain as the ratio of the two loudest levels before normalising.
//
// Runs on the thread that analyses a measurement, never on an audio thread.
// A recording with no level in any band is reported, never divided by.
#pragma once

#include "design/BandLayout.h"
#include "design/CaptureBuffer.h"

#include <cmath>

namespace kestrava::design {

inline constexpr const char* kSilentMicrophoneText =
    "Error: No signal in the left channel.\nCheck the left input.;";
inline constexpr const char* kSilentPickupText =
    "Error: No signal in the right channel.\nCheck the right input.;";
inline constexpr const char* kPickupTooQuietText =
    "the pickup is more than 60 dB below the microphone: check the pickup's level";

// Fills `spectrum` with each band's level, the root mean square over its
// bins of `binPower(k)`, normalised to the largest, and returns that
// largest level. A largest level of 0 (silence) leaves the levels at 0
// instead of dividing by it.
template <class BinPower>
double normalisedBandLevels(const BandLayout& layout, BandSpectrum& spectrum, BinPower binPower)
{
    double largest = 0.0;
    for (int l = 0; l < layout.bandCount; ++l) {
        double sum = 0.0;
        for (int k = layout.edge[l]; k < layout.edge[l + 1]; ++k)
            sum += binPower(k);
        spectrum[l] = std::sqrt(sum / (layout.edge[l + 1] - layout.edge[l]));
        if (spectrum[l] > largest)
            largest = spectrum[l];
    }
    if (largest > 0.0) {
        for (int l = 0; l < layout.bandCount; ++l)
            spectrum[l] /= largest;
    }
    return largest;
}

// The band levels of a transformed buffer, as above.
double bandLevels(const double* re, const double* im, const BandLayout& layout,
                  BandSpectrum& spectrum);

struct MeasurementAnalysis {
    BandSpectrum microphone{};
    BandSpectrum pickup{};
    // Largest microphone level over largest pickup level; set only when
    // both recordings have a level.
    double outputGain = 0.0;
    bool silentMicrophone = false;
    bool silentPickup = false;
};

enum class AnalysisStatus { Ok, Silent, PickupTooQuiet, OutOfMemory };

// Transforms both buffers in place, fills `result` and releases both
// buffers whatever the outcome. Silent: at least one recording has no level
// (see the flags); there is nothing to design from. PickupTooQuiet: the
// output gain would exceed engine::kMaxOutputGain, which no correction file
// may hold (outputGain is still set, for the report). OutOfMemory: the
// transform could not get its working storage.
AnalysisStatus analyseMeasurement(CaptureBuffer& microphone, CaptureBuffer& pickup,
                                  const BandLayout& layout, MeasurementAnalysis& result);

}  // namespace kestrava::design
