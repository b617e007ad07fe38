#include "measure/BlockProcessor.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kestrava::measure {

using engine::AirSetting;

namespace {

constexpr std::int32_t kSaturation = std::numeric_limits<std::int32_t>::max();

}  // namespace

std::int32_t saturateToInt32(double v)
{
    if (v > 2147483647.0) {
        return kSaturation;
    }
    if (v < -2147483647.0) {
        return -kSaturation;
    }
    // A diverging correction could produce NaN; converting it is undefined.
    if (std::isnan(v)) {
        return 0;
    }
    return static_cast<std::int32_t>(v);
}

BlockProcessor::BlockProcessor() : fullScale_(kSaturation) {}

void BlockProcessor::setFullScale(std::int32_t fullScale)
{
    fullScale_.store(fullScale > 0 ? fullScale : kSaturation, std::memory_order_relaxed);
}

void BlockProcessor::prepareRecording(double* micCapture, double* pickupCapture, std::int32_t length)
{
    record_.micCapture = micCapture;
    record_.pickupCapture = pickupCapture;
    record_.clipLeft.store(false);
    record_.clipRight.store(false);
    record_.recordDone.store(false);
    record_.recordPosition.store(0);
    record_.recordLength.store(length);
    monitorMode.store(MonitorMode::Record);
}

void BlockProcessor::setCorrection(const engine::CorrectionSet& correction)
{
    chain_.prepare(correction);
}

double BlockProcessor::volumeForSliderPosition(int position)
{
    const double dB = (50 - position) * 20.0 / 50.0;
    return std::pow(10.0, dB / 20.0);
}

void BlockProcessor::processBlock()
{
    // The stream never exceeds the blocks; a caller that did would make every
    // mode write past them.
    const std::int32_t n = std::clamp(blocks_.blockLength, 0, audio::kMaxBlockLength);
    const MonitorMode mode = monitorMode.load(std::memory_order_relaxed);
    if (mode != MonitorMode::Idle) {
        micPeak.offer(blockPeak(blocks_.micIn.data(), n));
        pickupPeak.offer(blockPeak(blocks_.pickupIn.data(), n));
    }
    switch (mode) {
    case MonitorMode::Mic:
        monitor(blocks_.micIn.data(), mainVolume.load(std::memory_order_relaxed), n);
        break;
    case MonitorMode::Pickup:
        monitor(blocks_.pickupIn.data(), pickupVolume.load(std::memory_order_relaxed), n);
        break;
    case MonitorMode::Processed:
        processed(n);
        break;
    case MonitorMode::Record:
        record(n);
        break;
    case MonitorMode::Idle:
        break;
    }
}

void BlockProcessor::monitor(const std::int32_t* in, double volume, std::int32_t n)
{
    for (std::int32_t i = 0; i < n; ++i) {
        blocks_.leftOut[i] = saturateToInt32(static_cast<double>(in[i]) * volume);
    }
    for (std::int32_t i = 0; i < n; ++i) {
        blocks_.rightOut[i] = blocks_.leftOut[i];
    }
}

void BlockProcessor::processed(std::int32_t n)
{
    chain_.beginBlock().setVolume(mainVolume.load(std::memory_order_relaxed));
    for (std::int32_t i = 0; i < n; ++i) {
        left_[i] = static_cast<double>(blocks_.pickupIn[i]);
    }
    const AirSetting air = airEnabled.load(std::memory_order_relaxed) ? AirSetting::On : AirSetting::Off;
    chain_.process(left_.data(), left_.data(), right_.data(), n, air);
    for (std::int32_t i = 0; i < n; ++i) {
        blocks_.leftOut[i] = saturateToInt32(left_[i]);
        blocks_.rightOut[i] = saturateToInt32(right_[i]);
    }
}

void BlockProcessor::record(std::int32_t n)
{
    if (!record_.recordDone.load(std::memory_order_relaxed)) {
        const std::int32_t position = record_.recordPosition.load(std::memory_order_relaxed);
        const std::int32_t length = record_.recordLength.load(std::memory_order_relaxed);
        const std::int32_t m = std::max(0, std::min(n, length - position));
        const std::int32_t fullScale = fullScale_.load(std::memory_order_relaxed);
        bool clipped = false;
        for (std::int32_t i = 0; i < m; ++i) {
            const std::int32_t a = blocks_.micIn[i];
            const std::int32_t b = blocks_.pickupIn[i];
            if (a >= fullScale || a <= -fullScale) {
                record_.clipLeft.store(true, std::memory_order_relaxed);
                clipped = true;
            }
            if (b >= fullScale || b <= -fullScale) {
                record_.clipRight.store(true, std::memory_order_relaxed);
                clipped = true;
            }
            record_.micCapture[position + i] = static_cast<double>(a);
            record_.pickupCapture[position + i] = static_cast<double>(b);
        }
        record_.recordPosition.store(position + m, std::memory_order_relaxed);
        if (position + m == length || clipped) {
            // Release: whoever sees recordDone also sees the flags and samples.
            record_.recordDone.store(true, std::memory_order_release);
        }
    }
    for (std::int32_t i = 0; i < n; ++i) {
        blocks_.leftOut[i] = 0;
        blocks_.rightOut[i] = 0;
    }
}

}  // namespace kestrava::measure
