// A forward Fourier transform of one 65,536-point segment, in place, split
// into real and imaginary arrays: X[k] = sum of x[n] * e^(-2 pi i n k / S),
// unnormalised, in natural order. The tables are built once per owner with
// the portable sine and cosine, so every target gets the same bits.
//
// Used by the averaged analysis on the analysing thread; the tables are
// allocated by the caller, the transform itself allocates nothing.
#pragma once

#include "design/AveragedAnalysis.h"

namespace kestrava::design::detail {

struct SegmentTables {
    // The twiddles of the stage with half-size h at [h, 2h), so each stage
    // reads them in order: e^(-2 pi i j / 2h) = cos[h + j] - i sin[h + j].
    double cos[kSegmentSize];
    double sin[kSegmentSize];
    int bitReversed[kSegmentSize];

    SegmentTables();
};

void segmentTransform(double* re, double* im, const SegmentTables& tables);

}  // namespace kestrava::design::detail
