// The whole correction as the products run it: one mono input through the
// correction filter and, when "Air" is on, the Air network, to a left and a
// right output. The plug-in, the measurement program's block processor and
// the tool's render all run this one chain.
//
// Threads: prepare() runs on one writer thread at a time (a user-interface
// or tool thread); it derives the filter's coefficients and the Air tuning
// once and hands them to the audio thread whole. beginBlock() and process()
// run on the audio thread and never allocate, lock or call the system.
//
// The object holds the Air lines (a few hundred kilobytes): keep it on the
// heap or inside an object that is.
#pragma once

#include "engine/AirAmbience.h"
#include "engine/CorrectionFilter.h"
#include "engine/CorrectionSet.h"
#include "engine/Handover.h"

namespace kestrava::engine {

enum class AirSetting { Off, On };

// A rate a filter can be derived for: finite and above zero.
bool isRunnableSampleRate(double sampleRate);

template <FilterVariant Variant>
class ProcessingChain {
public:
    using Filter = BasicCorrectionFilter<Variant>;
    using Ambience = BasicAirAmbience<Variant == FilterVariant::Plugin ? AirVariant::Plugin
                                                                       : AirVariant::Measurement>;

    // What one block runs: the filter and the Air tuning of the same
    // prepare step.
    struct Prepared {
        Filter filter;
        AirTuning tuning = defaultTuning();
    };

    // Plugin: no correction at 44,100 Hz. Measurement: silent until the
    // first correction, Air at its fixed tuning.
    ProcessingChain();

    // Writer thread. Derives the correction for the rate (the plug-in's
    // variant) or for the measurement program's fixed rate, clears the
    // sections' state and publishes the result; the Air memory runs on.
    // A rate that cannot be run keeps the previous one.
    void prepare(const CorrectionSet& set, double sampleRate)
        requires(Variant == FilterVariant::Plugin);
    void prepare(const CorrectionSet& set)
        requires(Variant == FilterVariant::Measurement);

    // Audio thread, once at the start of every block: picks up the newest
    // prepared correction and returns its filter (the measurement program
    // sets its volume there).
    Filter& beginBlock();

    // Audio thread: n samples of `in` through the filter and, when `air` is
    // On, the Air network into `left` and `right`. `in` may be `left`.
    //
    // A sample that is not finite (an upstream fault) counts as silence, so
    // that it never enters the sections' or the Air memory, where it would
    // stay for good. Should finite input still drive the memory beyond the
    // range of doubles, the block comes out silent and the memory is
    // cleared, so the next block is finite again. Finite results are not
    // touched.
    void process(const double* in, double* left, double* right, int n, AirSetting air);

    const Prepared& current() { return handover_.current(); }

private:
    static AirTuning defaultTuning();

    double sampleRate_ = Filter::kDefaultPluginRate;
    Handover<Prepared> handover_;
    Prepared* running_;
    Ambience air_;
};

extern template class ProcessingChain<FilterVariant::Plugin>;
extern template class ProcessingChain<FilterVariant::Measurement>;

using PluginChain = ProcessingChain<FilterVariant::Plugin>;
using MeasurementChain = ProcessingChain<FilterVariant::Measurement>;

}  // namespace kestrava::engine
