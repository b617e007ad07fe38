// A deterministic demonstration take: a plucked-string instrument playing
// for about 22 s at 48,000 Hz, heard through a body resonance (the
// microphone) and through a piezo-like colouring (the pickup). Samples are
// relative to full scale with peaks at 0.5. Pure computation.
#pragma once

#include <vector>

namespace kestrava::tool {

inline constexpr double kDemoRate = 48000.0;
inline constexpr int kDemoFrames = 1'056'000;  // 22 s

struct DemoTake {
    std::vector<double> microphone;
    std::vector<double> pickup;
};

DemoTake makeDemoTake();

}  // namespace kestrava::tool
