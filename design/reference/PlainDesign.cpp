#include "design/reference/PlainDesign.h"

#include "design/CaptureBuffer.h"
#include "design/ResponseTable.h"

#include <cmath>
#include <utility>
#include <vector>

namespace kestrava::design::reference {

namespace {

int bitReverse20(int v)
{
    int r = 0;
    for (int bit = 0; bit < kTransformLog2; ++bit)
        r |= ((v >> bit) & 1) << (kTransformLog2 - 1 - bit);
    return r;
}

}  // namespace

void plainTransform(double* re, double* im)
{
    constexpr int f = kTransformSize;
    constexpr double pi = 3.141592653589793;
    std::vector<double> sinTable(f);
    std::vector<double> cosTable(f);
    for (int k = 0; k < f; ++k) {
        const double a = 2.0 * pi * k / f;
        sinTable[k] = std::sin(a);
        cosTable[k] = std::sin(a + pi / 2.0);
    }
    for (int h = f / 2; h >= 1; h /= 2) {
        for (int b0 = 0; b0 < f; b0 += 2 * h) {
            const int t = bitReverse20(b0 / h);
            const double c = cosTable[t];
            const double s = sinTable[t];
            for (int j = b0; j < b0 + h; ++j) {
                const double pr = re[j + h] * c + im[j + h] * s;
                const double pi2 = im[j + h] * c - re[j + h] * s;
                re[j + h] = re[j] - pr;
                im[j + h] = im[j] - pi2;
                re[j] = re[j] + pr;
                im[j] = im[j] + pi2;
            }
        }
    }
    for (int j = 0; j < f; ++j) {
        const int r = bitReverse20(j);
        if (j < r) {
            std::swap(re[j], re[r]);
            std::swap(im[j], im[r]);
        }
    }
}

PlainDesign plainDesign(const BandSpectrum& microphone, const BandSpectrum& pickup, int passLimit)
{
    constexpr int n = kBandCount;
    constexpr double a = 0.1;
    const ResponseTable& table = ResponseTable::instance();
    PlainDesign d;
    std::array<double, n> target{};
    std::array<double, n> err{};
    std::array<double, n> x{};
    std::array<double, n> q2{};
    for (int j = 0; j < n; ++j)
        target[j] = microphone[j] > pickup[j] / a ? pickup[j] / a : microphone[j];
    for (int m = 0; m < n; ++m) {
        d.gain[m] = 0.0;
        d.quality[m] = n * a;
    }
    d.predicted = pickup;
    for (;;) {
        bool done = true;
        for (int j = 0; j < n; ++j) {
            err[j] = target[j] / d.predicted[j] - 1.0;
            if (!(std::fabs(err[j]) <= 0.01))
                done = false;
        }
        if (done)
            break;
        for (int m = 0; m < n; ++m) {
            d.gain[m] = d.gain[m] + 0.01 * err[m];
            if (d.gain[m] < -0.999)
                d.gain[m] = -0.999;
            x[m] = (d.gain[m] + 2.0) * d.gain[m];
        }
        for (int m = 0; m < n; ++m) {
            d.quality[m] = (d.gain[m] * 0.5 + 1.0) * (n * a);
            q2[m] = d.quality[m] * d.quality[m];
        }
        for (int j = 0; j < n; ++j) {
            double product = 1.0;
            for (int m = 0; m < n; ++m)
                product *= 1.0 + x[m] / (q2[m] * table.at(j, m) + 1.0);
            d.predicted[j] = std::sqrt(product) * pickup[j];
        }
        ++d.passes;
        if (d.passes >= passLimit)
            break;
    }
    return d;
}

}  // namespace kestrava::design::reference
