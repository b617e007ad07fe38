// The 199 logarithmically spaced bands between 20 Hz and 20 kHz: their centre
// frequencies (the sections' centreHz) and the transform bins each covers.
// Plain data computed off the audio thread; nothing here allocates.
#pragma once

#include <array>

namespace kestrava::design {

inline constexpr int kBandCount = 199;

struct BandLayout {
    int bandCount = kBandCount;
    std::array<double, kBandCount> centre{};
    // Band l covers the bins edge[l] <= k < edge[l + 1].
    std::array<int, kBandCount + 1> edge{};

    static BandLayout standard();
};

// One recording's band levels, normalised so the loudest band is exactly 1.
using BandSpectrum = std::array<double, kBandCount>;

}  // namespace kestrava::design
