// The running cascade of band sections for one CorrectionSet.
//
// prepare/setCorrection/setSampleRate run off the audio thread (or on a copy
// that is handed over whole, see Handover.h). processSample and processBlock
// run on the audio thread: they never allocate, lock or call the system.
//
// Two variants, chosen at compile time so the sample loop carries no branch:
//  - Plugin: coefficients at the host's rate, y flushed to 0 below 1e-100,
//    output scaled by outputGain.
//  - Measurement: fixed 48,000 Hz with the measurement program's cosine
//    constant, no flush, output scaled by outputGain * volume (formed once).
#pragma once

#include "engine/CorrectionSet.h"

#include <array>

namespace kestrava::engine {

enum class FilterVariant { Plugin, Measurement };

// Coefficient and state arrays are padded so that the vector kernels can run
// whole groups of sections without bounds checks; the padding stays zero.
inline constexpr int kPaddedSections = 224;

// Room for the short-block runner's coefficient layout: three coefficients
// for up to 8 lanes along kPaddedSections + 64 diagonals.
inline constexpr int kDiagonalDoubles = (kPaddedSections + 64) * 3 * 8;

struct CascadeArrays {
    int sectionCount = 0;
    alignas(64) std::array<double, kPaddedSections> feedForward{};
    alignas(64) std::array<double, kPaddedSections> feedback1{};
    alignas(64) std::array<double, kPaddedSections> feedback2{};
    alignas(64) std::array<double, kPaddedSections> z1{};
    alignas(64) std::array<double, kPaddedSections> z2{};
    // The coefficients as the short-block runner reads them, kept from block
    // to block: built by the runner on the audio thread for the layout that
    // diagonalLayout names, and built anew while it is 0. Whoever changes
    // the coefficients or the count sets it to 0 (prepare does).
    int diagonalLayout = 0;
    alignas(64) std::array<double, kDiagonalDoubles> diagonals{};
};

template <FilterVariant Variant>
class BasicCorrectionFilter {
public:
    static constexpr bool kFlushesSmallValues = Variant == FilterVariant::Plugin;
    static constexpr double kMeasurementRate = 48000.0;
    // 2 pi / 48,000 as the measurement program writes it.
    static constexpr double kMeasurementOmegaPerHz = 0.0001308996938995747;
    static constexpr double kDefaultPluginRate = 44100.0;

    // Plugin: no sections, outputGain 1 at 44,100 Hz.
    // Measurement: "no correction yet", 199 sections with zero coefficients
    // and outputGain 0, so the processed sound is silent.
    BasicCorrectionFilter();

    // Takes a new correction and prepares it (coefficients derived, state
    // cleared). The caller guarantees 0 <= sectionCount <= kMaxSections.
    void setCorrection(const CorrectionSet& set);

    // Plugin only: re-derives the current correction for a new rate and
    // clears the section state.
    void setSampleRate(double sampleRate)
        requires(Variant == FilterVariant::Plugin);

    // Plugin only: a new correction at a new rate, derived once.
    void setCorrection(const CorrectionSet& set, double sampleRate)
        requires(Variant == FilterVariant::Plugin);

    // Measurement only: the output factor becomes outputGain * volume.
    void setVolume(double volume)
        requires(Variant == FilterVariant::Measurement);

    // Derives the coefficients of sections 0..N-1 and zeroes their state.
    void prepare();

    // Zeroes every section's state, keeping the coefficients. Audio thread.
    void clearState();

    double processSample(double x);

    // Same results, bit for bit, as processSample over in[0..n-1]; in and
    // out may be the same buffer.
    void processBlock(const double* in, double* out, int n);

    const CorrectionSet& correction() const { return set_; }
    double sampleRate() const { return sampleRate_; }
    double outputScale() const { return outputScale_; }
    const CascadeArrays& arrays() const { return cascade_; }

private:
    CorrectionSet set_;
    double sampleRate_;
    double volume_ = 1.0;
    double outputScale_ = 1.0;
    CascadeArrays cascade_;
};

using CorrectionFilter = BasicCorrectionFilter<FilterVariant::Plugin>;
using MeasurementFilter = BasicCorrectionFilter<FilterVariant::Measurement>;

extern template class BasicCorrectionFilter<FilterVariant::Plugin>;
extern template class BasicCorrectionFilter<FilterVariant::Measurement>;

}  // namespace kestrava::engine
