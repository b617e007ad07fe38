// A deterministic demonstration take: a plucked-string instrument playing
// for about 22 s at 48,000 Hz, heard through a body resonance (the
// microphone) and through a piezo-like colouring (the pickup), in a studio
// or on a stage. Samples are relative to full scale with peaks at 0.5. Pure
// computation.
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

// Studio: the demonstration take's setting, both channels with a faint hiss.
// Stage: the microphone also hears a room (about 0.4 s of reverberation) and
// its own noise; the pickup carries 50 Hz mains hum with its harmonics and
// hiss.
enum class DemoScene { Studio, Stage };

DemoTake makeSceneTake(DemoScene scene, int frames);

}  // namespace kestrava::tool
