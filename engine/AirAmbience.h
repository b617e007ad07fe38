// The "Air" ambience: seven Schroeder allpass stages feeding a plain delay
// line whose low-passed output is fed back into the chain. Turns one
// corrected sample into a left and right pair.
//
// processSample runs on the audio thread and never allocates or locks. The
// tuning (line lengths and smoother coefficient) is plain data that another
// thread may compute and hand over; setTuning itself belongs to the thread
// that runs processSample.
#pragma once

#include <array>
#include <cstdint>

namespace kestrava::engine {

struct AirTuning {
    std::array<std::int32_t, 8> lineLength{};
    double smoothCoef = 0.0;

    // Lengths derived from a sample rate, limited to the line capacities.
    static AirTuning forSampleRate(double sampleRate);
    // The measurement program's fixed lengths and coefficient (48,000 Hz).
    static AirTuning measurement();

    bool operator==(const AirTuning&) const = default;
};

struct StereoSample {
    double left;
    double right;
};

enum class AirVariant { Plugin, Measurement };

template <AirVariant Variant>
class BasicAirAmbience {
public:
    static constexpr int kAllpassCapacity = 5003;
    static constexpr int kDelayCapacity = 7600;
    static constexpr bool kFlushesSmallValues = Variant == AirVariant::Plugin;

    // Zero memory, positions and smoother. The plug-in's lengths are all 0
    // until the first prepare; the measurement variant starts with its fixed
    // tuning.
    BasicAirAmbience();

    // Derives the lengths and the smoother from a sample rate; the memory,
    // positions and smoother state are kept.
    void prepare(double sampleRate) { setTuning(AirTuning::forSampleRate(sampleRate)); }
    void setTuning(const AirTuning& tuning);

    // Silences the memory and the smoother; the positions and the tuning
    // stay. Audio thread; touches a few hundred kilobytes.
    void clear();

    StereoSample processSample(double t);

    const AirTuning& tuning() const { return tuning_; }
    std::int32_t lineIndex(int line) const { return lineIndex_[line]; }

private:
    std::array<std::array<double, kAllpassCapacity>, 7> allpass_{};
    std::array<double, kDelayCapacity> delay_{};
    std::array<std::int32_t, 8> lineIndex_{};
    double smoothed_ = 0.0;
    AirTuning tuning_;
};

using AirAmbience = BasicAirAmbience<AirVariant::Plugin>;
using MeasurementAirAmbience = BasicAirAmbience<AirVariant::Measurement>;

extern template class BasicAirAmbience<AirVariant::Plugin>;
extern template class BasicAirAmbience<AirVariant::Measurement>;

}  // namespace kestrava::engine
