#include "design/SegmentTransform.h"

#include "design/PortableTrig.h"

#include <utility>

namespace kestrava::design::detail {

SegmentTables::SegmentTables()
{
    constexpr double kTwoPi = 6.283185307179586;
    cos[0] = 1.0;
    sin[0] = 0.0;
    for (int half = 1; half < kSegmentSize; half *= 2) {
        for (int j = 0; j < half; ++j) {
            const double angle = kTwoPi * j / (2 * half);
            cos[half + j] = engine::portableCos(angle);
            sin[half + j] = portableSin(angle);
        }
    }
    for (int k = 0; k < kSegmentSize; ++k) {
        int r = 0;
        for (int bit = 0; bit < kSegmentLog2; ++bit)
            r |= ((k >> bit) & 1) << (kSegmentLog2 - 1 - bit);
        bitReversed[k] = r;
    }
}

void segmentTransform(double* re, double* im, const SegmentTables& t)
{
    for (int k = 0; k < kSegmentSize; ++k) {
        const int r = t.bitReversed[k];
        if (k < r) {
            std::swap(re[k], re[r]);
            std::swap(im[k], im[r]);
        }
    }
    // Two-point butterflies need no twiddle.
    for (int b = 0; b < kSegmentSize; b += 2) {
        const double ar = re[b], ai = im[b];
        re[b] = ar + re[b + 1];
        im[b] = ai + im[b + 1];
        re[b + 1] = ar - re[b + 1];
        im[b + 1] = ai - im[b + 1];
    }
    for (int half = 2; half < kSegmentSize; half *= 2) {
        const double* twiddleCos = t.cos + half;
        const double* twiddleSin = t.sin + half;
        for (int b = 0; b < kSegmentSize; b += 2 * half) {
            double* lowRe = re + b;
            double* lowIm = im + b;
            double* highRe = lowRe + half;
            double* highIm = lowIm + half;
            for (int j = 0; j < half; ++j) {
                const double c = twiddleCos[j];
                const double s = twiddleSin[j];
                const double pr = highRe[j] * c + highIm[j] * s;
                const double pi = highIm[j] * c - highRe[j] * s;
                highRe[j] = lowRe[j] - pr;
                highIm[j] = lowIm[j] - pi;
                lowRe[j] += pr;
                lowIm[j] += pi;
            }
        }
    }
}

}  // namespace kestrava::design::detail
