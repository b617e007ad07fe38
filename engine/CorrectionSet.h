// One complete correction: the section count, the output gain and the three
// per-section parameters. Plain data with fixed capacity; safe to copy on
// any thread, never allocates.
#pragma once

#include <array>
#include <cstdint>

namespace kestrava::engine {

inline constexpr int kMaxSections = 200;

// The gains a measurement can give. The design refuses an output gain above
// +60 dB (a pickup that quiet is a wiring fault, not an instrument) and
// never cuts a section below -0.999 (-60 dB); its +20 dB band limit keeps
// boosts far below 999 (+60 dB at the centre). A file outside these would
// only blast the player's ears, so it is damaged.
inline constexpr double kMaxOutputGain = 1000.0;
inline constexpr double kMinPeakGain = -0.999;
inline constexpr double kMaxPeakGain = 999.0;

struct CorrectionSet {
    std::int32_t sectionCount = 0;
    double outputGain = 1.0;
    std::array<double, kMaxSections> centreHz{};
    std::array<double, kMaxSections> quality{};
    std::array<double, kMaxSections> peakGain{};

    bool operator==(const CorrectionSet&) const = default;
};

}  // namespace kestrava::engine
