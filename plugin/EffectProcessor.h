// The audio side of Sonalve: the only code the host's processing entries
// run. It owns the processing chain and the hand-over that brings it new
// corrections, and the Input and Air switches.
//
// Threads: prepare() and setActive() belong to the user-interface side
// (serialised by the effect); the switches may be set from any thread;
// process() runs on the host's audio thread and never locks, allocates or
// calls the system. The switches are read once per block.
#pragma once

#include "engine/CorrectionSet.h"
#include "engine/ProcessingChain.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace kestrava::plugin {

class EffectProcessor {
public:
    // Derives the correction for the rate and hands it over; the next block
    // runs it from cleared sections while the Air memory runs on.
    void prepare(const engine::CorrectionSet& set, double sampleRate) { chain_.prepare(set, sampleRate); }

    // Off: both inputs pass through unchanged. Set after prepare(), so that
    // a block which sees the flag also sees the correction that goes with it.
    void setActive(bool active) { active_.store(active, std::memory_order_release); }

    // Input 0 selects the first input, any other value the second. Air 0
    // switches the Air network on, any other value off.
    void setInputSelect(float value) { inputSelect_.store(value, std::memory_order_relaxed); }
    void setAirSwitch(float value) { airSwitch_.store(value, std::memory_order_relaxed); }
    float inputSelect() const { return inputSelect_.load(std::memory_order_relaxed); }
    float airSwitch() const { return airSwitch_.load(std::memory_order_relaxed); }

    // Two inputs to two outputs; the outputs may be the inputs.
    template <class Sample>
    void process(Sample** inputs, Sample** outputs, std::int32_t sampleFrames);

private:
    static constexpr int kChunkFrames = 256;

    std::atomic<float> inputSelect_{1.0f};
    std::atomic<float> airSwitch_{0.0f};
    std::atomic<bool> active_{false};
    engine::PluginChain chain_;
    std::array<double, kChunkFrames> left_{};
    std::array<double, kChunkFrames> right_{};
};

extern template void EffectProcessor::process<float>(float**, float**, std::int32_t);
extern template void EffectProcessor::process<double>(double**, double**, std::int32_t);

}  // namespace kestrava::plugin
