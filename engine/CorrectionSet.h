// One complete correction: the section count, the output gain and the three
// per-section parameters. Plain data with fixed capacity; safe to copy on
// any thread, never allocates.
#pragma once

#include <array>
#include <cstdint>

namespace kestrava::engine {

inline constexpr int kMaxSections = 200;

struct CorrectionSet {
    std::int32_t sectionCount = 0;
    double outputGain = 1.0;
    std::array<double, kMaxSections> centreHz{};
    std::array<double, kMaxSections> quality{};
    std::array<double, kMaxSections> peakGain{};

    bool operator==(const CorrectionSet&) const = default;
};

}  // namespace kestrava::engine
