#include "design/FourierTransform.h"

#include "design/CaptureBuffer.h"
#include "design/DesignKernels.h"
#include "design/Parallel.h"
#include "design/PortableTrig.h"

#include <memory>
#include <new>
#include <utility>

namespace kestrava::design {

namespace {

// The 2^20 points are seen as a 1024 x 1024 matrix, row-major. With
// n = 1024 n1 + n2 and k = k1 + 1024 k2 the transform splits into 1024-point
// transforms down the columns, a twiddle W_F^(n2 k1), 1024-point transforms
// along the rows and a final transpose. Each 1024-point transform runs on a
// batch of 16 columns or rows at once, copied into a small cache-resident
// block where the 16 lanes vectorise.
constexpr int kSideLog2 = kTransformLog2 / 2;
constexpr int kSide = detail::kTransformSide;
constexpr int kLanes = detail::kTransformLanes;
static_assert(kSide * kSide == kTransformSize);
constexpr int kBatches = kSide / kLanes;
constexpr int kTile = 32;
constexpr double kTwoPi = 6.283185307179586;

struct Tables {
    // e^(-2 pi i k / 1024) = cosSide[k] - i sinSide[k]
    double cosSide[kSide];
    double sinSide[kSide];
    // e^(-2 pi i k / F) for k < 1024, the fine step of the twiddle W_F^p
    double cosFine[kSide];
    double sinFine[kSide];
    int bitReversed[kSide];
};

struct Scratch {
    double re[kSide * kLanes];
    double im[kSide * kLanes];
};

void fillTables(Tables& t)
{
    for (int k = 0; k < kSide; ++k) {
        const double side = kTwoPi * k / kSide;
        t.cosSide[k] = engine::portableCos(side);
        t.sinSide[k] = detail::portableSin(side);
        const double fine = kTwoPi * k / kTransformSize;
        t.cosFine[k] = engine::portableCos(fine);
        t.sinFine[k] = detail::portableSin(fine);
        int r = 0;
        for (int bit = 0; bit < kSideLog2; ++bit)
            r |= ((k >> bit) & 1) << (kSideLog2 - 1 - bit);
        t.bitReversed[k] = r;
    }
}

// 1024-point transforms down columns c0..c0+15, then the twiddle W_F^(n2 k1).
void transformColumns(double* re, double* im, int c0, Scratch& s, const Tables& t,
                      const detail::DesignKernels& kernels)
{
    for (int n1 = 0; n1 < kSide; ++n1) {
        const double* rowRe = re + n1 * kSide + c0;
        const double* rowIm = im + n1 * kSide + c0;
        for (int v = 0; v < kLanes; ++v) {
            s.re[n1 * kLanes + v] = rowRe[v];
            s.im[n1 * kLanes + v] = rowIm[v];
        }
    }
    kernels.batchTransform(s.re, s.im, t.cosSide, t.sinSide);
    for (int k1 = 0; k1 < kSide; ++k1) {
        const int from = t.bitReversed[k1] * kLanes;
        double* rowRe = re + k1 * kSide + c0;
        double* rowIm = im + k1 * kSide + c0;
        for (int v = 0; v < kLanes; ++v) {
            const unsigned p = static_cast<unsigned>((c0 + v) * k1) & (kTransformSize - 1);
            const double cc = t.cosSide[p >> kSideLog2];
            const double sc = t.sinSide[p >> kSideLog2];
            const double cf = t.cosFine[p & (kSide - 1)];
            const double sf = t.sinFine[p & (kSide - 1)];
            const double wr = cc * cf - sc * sf;
            const double wi = sc * cf + cc * sf;
            const double xr = s.re[from + v];
            const double xi = s.im[from + v];
            rowRe[v] = xr * wr + xi * wi;
            rowIm[v] = xi * wr - xr * wi;
        }
    }
}

// 1024-point transforms along rows r0..r0+15.
void transformRows(double* re, double* im, int r0, Scratch& s, const Tables& t,
                   const detail::DesignKernels& kernels)
{
    for (int v = 0; v < kLanes; ++v) {
        const double* rowRe = re + (r0 + v) * kSide;
        const double* rowIm = im + (r0 + v) * kSide;
        for (int n2 = 0; n2 < kSide; ++n2) {
            s.re[n2 * kLanes + v] = rowRe[n2];
            s.im[n2 * kLanes + v] = rowIm[n2];
        }
    }
    kernels.batchTransform(s.re, s.im, t.cosSide, t.sinSide);
    for (int v = 0; v < kLanes; ++v) {
        double* rowRe = re + (r0 + v) * kSide;
        double* rowIm = im + (r0 + v) * kSide;
        for (int k2 = 0; k2 < kSide; ++k2) {
            rowRe[k2] = s.re[t.bitReversed[k2] * kLanes + v];
            rowIm[k2] = s.im[t.bitReversed[k2] * kLanes + v];
        }
    }
}

// Transposes the tiles of tile row ti with their mirror images.
void transposeTileRow(double* m, int ti)
{
    const int i0 = ti * kTile;
    for (int tj = ti; tj < kSide / kTile; ++tj) {
        const int j0 = tj * kTile;
        for (int i = 0; i < kTile; ++i) {
            for (int j = (ti == tj ? i + 1 : 0); j < kTile; ++j)
                std::swap(m[(i0 + i) * kSide + j0 + j], m[(j0 + j) * kSide + i0 + i]);
        }
    }
}

}  // namespace

bool forwardTransform(double* re, double* im)
{
    const std::unique_ptr<Tables> tables(new (std::nothrow) Tables);
    const std::unique_ptr<Scratch[]> scratch(new (std::nothrow) Scratch[2]);
    if (!tables || !scratch)
        return false;
    fillTables(*tables);
    const Tables& t = *tables;
    const detail::DesignKernels kernels = detail::designKernels();
    const int cores = detail::availableCores();

    detail::splitAcrossCores(kBatches, cores, [&](int begin, int end, int worker) {
        for (int b = begin; b < end; ++b)
            transformColumns(re, im, b * kLanes, scratch[worker], t, kernels);
    });
    detail::splitAcrossCores(kBatches, cores, [&](int begin, int end, int worker) {
        for (int b = begin; b < end; ++b)
            transformRows(re, im, b * kLanes, scratch[worker], t, kernels);
    });
    // The upper tile rows hold fewer tiles, so interleave them between the
    // two sides to share the work evenly.
    detail::splitAcrossCores(2, cores, [&](int begin, int end, int) {
        for (int side = begin; side < end; ++side) {
            for (int ti = side; ti < kSide / kTile; ti += 2) {
                transposeTileRow(re, ti);
                transposeTileRow(im, ti);
            }
        }
    });
    return true;
}

}  // namespace kestrava::design
