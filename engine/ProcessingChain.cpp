#include "engine/ProcessingChain.h"

#include <algorithm>
#include <cmath>

namespace kestrava::engine {

namespace {

bool allFinite(const double* samples, int n)
{
    bool finite = true;
    for (int i = 0; i < n; ++i) {
        finite &= std::isfinite(samples[i]);
    }
    return finite;
}

}  // namespace

bool isRunnableSampleRate(double sampleRate)
{
    return std::isfinite(sampleRate) && sampleRate > 0.0;
}

template <FilterVariant Variant>
AirTuning ProcessingChain<Variant>::defaultTuning()
{
    if constexpr (Variant == FilterVariant::Plugin) {
        return AirTuning::forSampleRate(Filter::kDefaultPluginRate);
    } else {
        return AirTuning::measurement();
    }
}

template <FilterVariant Variant>
ProcessingChain<Variant>::ProcessingChain() : handover_(Prepared{}), running_(&handover_.current())
{
}

template <FilterVariant Variant>
void ProcessingChain<Variant>::prepare(const CorrectionSet& set, double sampleRate)
    requires(Variant == FilterVariant::Plugin)
{
    // The constraint already says so; the test keeps compilers that
    // instantiate constrained members anyway (clang 14) from compiling the
    // other variant's body.
    if constexpr (Variant == FilterVariant::Plugin) {
        if (isRunnableSampleRate(sampleRate)) {
            sampleRate_ = sampleRate;
        }
        Prepared& next = handover_.staging();
        next.filter.setCorrection(set, sampleRate_);
        next.tuning = AirTuning::forSampleRate(sampleRate_);
        handover_.publish();
    }
}

template <FilterVariant Variant>
void ProcessingChain<Variant>::prepare(const CorrectionSet& set)
    requires(Variant == FilterVariant::Measurement)
{
    handover_.staging().filter.setCorrection(set);
    handover_.publish();
}

template <FilterVariant Variant>
typename ProcessingChain<Variant>::Filter& ProcessingChain<Variant>::beginBlock()
{
    running_ = &handover_.acquire();
    if (!(running_->tuning == air_.tuning())) {
        air_.setTuning(running_->tuning);
    }
    return running_->filter;
}

template <FilterVariant Variant>
void ProcessingChain<Variant>::process(const double* in, double* left, double* right, int n, AirSetting air)
{
    if (n <= 0) {
        return;
    }
    for (int i = 0; i < n; ++i) {
        left[i] = std::isfinite(in[i]) ? in[i] : 0.0;
    }
    running_->filter.processBlock(left, left, n);
    if (air == AirSetting::On) {
        for (int i = 0; i < n; ++i) {
            const StereoSample s = air_.processSample(left[i]);
            left[i] = s.left;
            right[i] = s.right;
        }
    } else {
        std::copy(left, left + n, right);
    }
    if (!allFinite(left, n) || !allFinite(right, n)) {
        std::fill(left, left + n, 0.0);
        std::fill(right, right + n, 0.0);
        running_->filter.clearState();
        air_.clear();
    }
}

template class ProcessingChain<FilterVariant::Plugin>;
template class ProcessingChain<FilterVariant::Measurement>;

}  // namespace kestrava::engine
