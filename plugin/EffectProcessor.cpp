#include "plugin/EffectProcessor.h"

#include "engine/FloatSample.h"

#include <algorithm>
#include <type_traits>

namespace kestrava::plugin {

using engine::AirSetting;

static_assert(std::atomic<float>::is_always_lock_free);

namespace {

// The chain's output is finite; a float host gets it held within the float
// range rather than overflowed to an infinity.
template <class Sample>
Sample toSample(double value)
{
    if constexpr (std::is_same_v<Sample, float>)
        return engine::toFloatSample(value);
    else
        return value;
}

}  // namespace

template <class Sample>
void EffectProcessor::process(Sample** inputs, Sample** outputs, std::int32_t sampleFrames)
{
    if (sampleFrames <= 0)
        return;
    const bool active = active_.load(std::memory_order_acquire);
    chain_.beginBlock();

    const Sample* in1 = inputs[0];
    const Sample* in2 = inputs[1];
    Sample* out1 = outputs[0];
    Sample* out2 = outputs[1];

    if (!active) {
        for (std::int32_t i = 0; i < sampleFrames; ++i) {
            out1[i] = in1[i];
            out2[i] = in2[i];
        }
        return;
    }

    const Sample* selected = inputSelect() == 0.0f ? in1 : in2;
    const AirSetting air = airSwitch() == 0.0f ? AirSetting::On : AirSetting::Off;
    for (std::int32_t start = 0; start < sampleFrames; start += kChunkFrames) {
        const int frames = std::min<int>(kChunkFrames, sampleFrames - start);
        // The whole chunk is read before any output is written: the host may
        // hand the same buffers in and out.
        for (int i = 0; i < frames; ++i)
            left_[i] = static_cast<double>(selected[start + i]);
        chain_.process(left_.data(), left_.data(), right_.data(), frames, air);
        for (int i = 0; i < frames; ++i) {
            out1[start + i] = toSample<Sample>(left_[i]);
            out2[start + i] = toSample<Sample>(right_[i]);
        }
    }
}

template void EffectProcessor::process<float>(float**, float**, std::int32_t);
template void EffectProcessor::process<double>(double**, double**, std::int32_t);

}  // namespace kestrava::plugin
