// Classic argument reduction and minimax kernels (error below one unit in
// the last place), written so that every operation is a plain IEEE double
// operation and thus reproducible.
#include "engine/PortableMath.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace kestrava::engine {
namespace {

double kernelSin(double x, double y)
{
    constexpr double S1 = -1.66666666666666324348e-01;
    constexpr double S2 = 8.33333333332248946124e-03;
    constexpr double S3 = -1.98412698298579493134e-04;
    constexpr double S4 = 2.75573137070700676789e-06;
    constexpr double S5 = -2.50507602534068634195e-08;
    constexpr double S6 = 1.58969099521155010221e-10;
    const double z = x * x;
    const double v = z * x;
    const double r = S2 + z * (S3 + z * (S4 + z * (S5 + z * S6)));
    return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

double kernelCos(double x, double y)
{
    constexpr double C1 = 4.16666666666666019037e-02;
    constexpr double C2 = -1.38888888888741095749e-03;
    constexpr double C3 = 2.48015872894767294178e-05;
    constexpr double C4 = -2.75573143513906633035e-07;
    constexpr double C5 = 2.08757232129817482790e-09;
    constexpr double C6 = -1.13596475577881948265e-11;
    const double z = x * x;
    const double r = z * (C1 + z * (C2 + z * (C3 + z * (C4 + z * (C5 + z * C6)))));
    if (std::fabs(x) < 0.3) {
        return 1.0 - (0.5 * z - (z * r - x * y));
    }
    // qx = x/4 rounded down in its high word keeps 1 - qx exact.
    double qx;
    if (std::fabs(x) > 0.78125) {
        qx = 0.28125;
    } else {
        std::uint64_t bits;
        const double ax = std::fabs(x);
        std::memcpy(&bits, &ax, sizeof bits);
        bits = ((bits >> 32) - 0x00200000ULL) << 32;
        std::memcpy(&qx, &bits, sizeof qx);
    }
    const double hz = 0.5 * z - qx;
    const double a = 1.0 - qx;
    return a - (hz - (z * r - x * y));
}

}  // namespace

double portableCos(double x)
{
    if (!std::isfinite(x)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    x = std::fabs(x);
    if (x < 0.7853981633974483) {
        return kernelCos(x, 0.0);
    }
    // Beyond 2^19 * pi/2 the reduction below loses its exactness; fmod is
    // exact, so such arguments reduce the same way everywhere.
    if (x > 823549.0) {
        x = std::fmod(x, 6.283185307179586);
    }
    constexpr double invPio2 = 6.36619772367581382433e-01;
    constexpr double pio2_1 = 1.57079632673412561417e+00;
    constexpr double pio2_2 = 6.07710050630396597660e-11;
    constexpr double pio2_2t = 2.02226624879595063154e-21;
    const double fn = std::floor(x * invPio2 + 0.5);
    const long long n = static_cast<long long>(fn);
    // Cody-Waite reduction of x - n*pi/2 to about 118 bits; each constant
    // continues the bits of the previous one.
    double r = x - fn * pio2_1;
    double t = r;
    double w = fn * pio2_2;
    r = t - w;
    w = fn * pio2_2t - ((t - r) - w);
    const double hi = r - w;
    const double lo = (r - hi) - w;
    switch (n & 3) {
    case 0: return kernelCos(hi, lo);
    case 1: return -kernelSin(hi, lo);
    case 2: return -kernelCos(hi, lo);
    default: return kernelSin(hi, lo);
    }
}

double portableExp(double x)
{
    if (std::isnan(x)) {
        return x;
    }
    if (x > 7.09782712893383973096e+02) {
        return std::numeric_limits<double>::infinity();
    }
    if (x < -7.45133219101941108420e+02) {
        return 0.0;
    }
    constexpr double ln2Hi = 6.93147180369123816490e-01;
    constexpr double ln2Lo = 1.90821492927058770002e-10;
    constexpr double invLn2 = 1.44269504088896338700e+00;
    constexpr double P1 = 1.66666666666666019037e-01;
    constexpr double P2 = -2.77777777770155933842e-03;
    constexpr double P3 = 6.61375632143793436117e-05;
    constexpr double P4 = -1.65339022054652515390e-06;
    constexpr double P5 = 4.13813679705723846039e-08;

    const double ax = std::fabs(x);
    int k = 0;
    double hi = 0.0;
    double lo = 0.0;
    if (ax > 0.5 * 0.6931471805599453) {
        if (ax < 1.5 * 0.6931471805599453) {
            k = x < 0 ? -1 : 1;
        } else {
            k = static_cast<int>(invLn2 * x + (x < 0 ? -0.5 : 0.5));
        }
        const double kd = k;
        hi = x - kd * ln2Hi;
        lo = kd * ln2Lo;
        x = hi - lo;
    } else if (ax < 3.725290298461914e-09) {
        return 1.0 + x;
    }
    const double t = x * x;
    const double c = x - t * (P1 + t * (P2 + t * (P3 + t * (P4 + t * P5))));
    if (k == 0) {
        return 1.0 - ((x * c) / (c - 2.0) - x);
    }
    const double y = 1.0 - ((lo - (x * c) / (2.0 - c)) - hi);
    return std::ldexp(y, k);
}

}  // namespace kestrava::engine
