#include "engine/CorrectionFilter.h"

#include "engine/CascadeKernel.h"
#include "engine/PortableMath.h"

#include <algorithm>

namespace kestrava::engine {
namespace {

constexpr double kTwoPi = 6.283185307179586;

CorrectionSet silentMeasurementSet()
{
    CorrectionSet set;
    set.sectionCount = 199;
    set.outputGain = 0.0;
    return set;
}

}  // namespace

template <FilterVariant Variant>
BasicCorrectionFilter<Variant>::BasicCorrectionFilter()
    : sampleRate_(Variant == FilterVariant::Plugin ? kDefaultPluginRate : kMeasurementRate)
{
    if constexpr (Variant == FilterVariant::Measurement) {
        // Before any correction exists the processed sound is silent: all
        // coefficients zero and no gain.
        set_ = silentMeasurementSet();
        cascade_.sectionCount = set_.sectionCount;
        outputScale_ = 0.0;
    } else {
        prepare();
    }
}

template <FilterVariant Variant>
void BasicCorrectionFilter<Variant>::setCorrection(const CorrectionSet& set)
{
    set_ = set;
    prepare();
}

template <FilterVariant Variant>
void BasicCorrectionFilter<Variant>::setSampleRate(double sampleRate)
    requires(Variant == FilterVariant::Plugin)
{
    sampleRate_ = sampleRate;
    prepare();
}

template <FilterVariant Variant>
void BasicCorrectionFilter<Variant>::setCorrection(const CorrectionSet& set, double sampleRate)
    requires(Variant == FilterVariant::Plugin)
{
    set_ = set;
    sampleRate_ = sampleRate;
    prepare();
}

template <FilterVariant Variant>
void BasicCorrectionFilter<Variant>::setVolume(double volume)
    requires(Variant == FilterVariant::Measurement)
{
    volume_ = volume;
    outputScale_ = set_.outputGain * volume_;
}

template <FilterVariant Variant>
void BasicCorrectionFilter<Variant>::prepare()
{
    const int n = std::clamp(set_.sectionCount, 0, kMaxSections);
    const double fs = sampleRate_;
    for (int i = 0; i < n; ++i) {
        const double fc = set_.centreHz[i];
        const double q = set_.quality[i];
        const double g = set_.peakGain[i];
        const double d = 1.0 / ((q * fs) / (fc * kTwoPi) + 1.0);
        cascade_.feedback2[i] = 1.0 - 2.0 * d;
        if constexpr (Variant == FilterVariant::Plugin) {
            cascade_.feedback1[i] = portableCos((kTwoPi / fs) * fc) * (2.0 * d - 2.0);
        } else {
            cascade_.feedback1[i] = portableCos(fc * kMeasurementOmegaPerHz) * (2.0 * d - 2.0);
        }
        cascade_.feedForward[i] = d * g;
        cascade_.z1[i] = 0.0;
        cascade_.z2[i] = 0.0;
    }
    cascade_.sectionCount = n;
    cascade_.diagonalLayout = 0;
    if constexpr (Variant == FilterVariant::Plugin) {
        outputScale_ = set_.outputGain;
    } else {
        outputScale_ = set_.outputGain * volume_;
    }
}

template <FilterVariant Variant>
void BasicCorrectionFilter<Variant>::clearState()
{
    cascade_.z1.fill(0.0);
    cascade_.z2.fill(0.0);
}

template <FilterVariant Variant>
double BasicCorrectionFilter<Variant>::processSample(double x)
{
    for (int i = 0; i < cascade_.sectionCount; ++i) {
        const double v = -(cascade_.feedForward[i] * x);
        double y = cascade_.z1[i] - v;
        if constexpr (kFlushesSmallValues) {
            if (y < 1e-100 && y > -1e-100) {
                y = 0.0;
            }
        }
        cascade_.z1[i] = cascade_.z2[i] - cascade_.feedback1[i] * y;
        cascade_.z2[i] = v - cascade_.feedback2[i] * y;
        x = y + x;
    }
    return x * outputScale_;
}

template <FilterVariant Variant>
void BasicCorrectionFilter<Variant>::processBlock(const double* in, double* out, int n)
{
    if (n <= 0) {
        return;
    }
    if (in != out) {
        std::copy(in, in + n, out);
    }
    detail::cascadeRunner<kFlushesSmallValues>()(cascade_, out, n);
    const double scale = outputScale_;
    for (int t = 0; t < n; ++t) {
        out[t] *= scale;
    }
}

template class BasicCorrectionFilter<FilterVariant::Plugin>;
template class BasicCorrectionFilter<FilterVariant::Measurement>;

}  // namespace kestrava::engine
