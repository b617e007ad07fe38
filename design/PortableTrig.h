// Sine and powers for the design's tables, built from the engine's portable
// functions and plain double arithmetic, so that Linux and Windows builds
// derive the same bits from the same take. Internal to the design library.
#pragma once

#include "engine/PortableMath.h"

#include <cmath>

namespace kestrava::design::detail {

inline double portableSin(double x)
{
    // Near zero the Taylor series to x^17 (exact at 0, error far below one
    // unit in the last place up to pi/4); elsewhere the cosine a quarter
    // turn back, where the sine is large enough for that to be accurate.
    if (std::fabs(x) <= 0.7853981633974483) {
        const double z = x * x;
        double r = 1.0 / 355687428096000.0;  // 1/17!
        r = -1.0 / 1307674368000.0 + z * r;  // 1/15!
        r = 1.0 / 6227020800.0 + z * r;      // 1/13!
        r = -1.0 / 39916800.0 + z * r;       // 1/11!
        r = 1.0 / 362880.0 + z * r;
        r = -1.0 / 5040.0 + z * r;
        r = 1.0 / 120.0 + z * r;
        r = -1.0 / 6.0 + z * r;
        return x + x * z * r;
    }
    return engine::portableCos(x - 1.5707963267948966);
}

// 1000^x, the spacing of the bands.
inline double portableThousandTo(double x)
{
    return engine::portableExp(x * 6.907755278982137);
}

}  // namespace kestrava::design::detail
