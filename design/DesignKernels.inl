// The design kernels for one vector width, compiled once per instruction
// set by kestrava_vector_variants (KESTRAVA_VECTOR_LANES doubles per vector,
// code in namespace detail::KESTRAVA_VECTOR_VARIANT).

#include "design/DesignKernels.h"
#include "engine/VectorLanes.h"

namespace kestrava::design::detail::KESTRAVA_VECTOR_VARIANT {
namespace {

using namespace engine::simd;

// Rows are taken kRows at a time so that eight multiplication chains (four
// numerators, four denominators) run side by side whatever the vector width;
// a single row's chains would wait on each other's latency. Each operand is
// loaded once and kept in a register for all its uses: loads, not
// multiplications, would otherwise set the pace. Every row still sees
// exactly the operations it would see alone.
constexpr int kVectors = kProductLanes / kLanes;
constexpr int kRows = kVectors >= 4 ? 1 : 4 / kVectors;

template <int Rows>
void rowProducts(const double* table, int stride, const double* c1, const double* c2, double* h, int j)
{
    Vec num[Rows][kVectors];
    Vec den[Rows][kVectors];
    for (int r = 0; r < Rows; ++r) {
        for (int k = 0; k < kVectors; ++k) {
            num[r][k] = broadcast(1.0);
            den[r][k] = broadcast(1.0);
        }
    }
    for (int m0 = 0; m0 < stride; m0 += kProductLanes) {
        for (int k = 0; k < kVectors; ++k) {
            const int m = m0 + k * kLanes;
            const Vec a = inRegister(load(c1 + m));
            const Vec b = inRegister(load(c2 + m));
            for (int r = 0; r < Rows; ++r) {
                const Vec tv = inRegister(load(table + (j + r) * stride + m));
                num[r][k] *= tv + a;
                den[r][k] *= tv + b;
            }
        }
    }
    for (int r = 0; r < Rows; ++r) {
        double product = 1.0;
        for (int k = 0; k < kVectors; ++k) {
            const Vec ratio = num[r][k] / den[r][k];
            for (int v = 0; v < kLanes; ++v)
                product *= ratio[v];
        }
        h[j + r] = __builtin_sqrt(product);
    }
}

void bandResponses(const double* table, int stride, const double* c1, const double* c2, double* h,
                   int begin, int end)
{
    int j = begin;
    for (; j + kRows <= end; j += kRows)
        rowProducts<kRows>(table, stride, c1, c2, h, j);
    for (; j < end; ++j)
        rowProducts<1>(table, stride, c1, c2, h, j);
}

void batchTransform(double* re, double* im, const double* cosSide, const double* sinSide)
{
    constexpr int kBatchVectors = kTransformLanes / kLanes;
    for (int half = kTransformSide / 2, step = 1; half >= 1; half /= 2, step *= 2) {
        for (int start = 0; start < kTransformSide; start += 2 * half) {
            for (int j = 0; j < half; ++j) {
                const Vec wr = broadcast(cosSide[j * step]);
                const Vec wi = broadcast(sinSide[j * step]);
                double* ar = re + (start + j) * kTransformLanes;
                double* ai = im + (start + j) * kTransformLanes;
                double* br = ar + half * kTransformLanes;
                double* bi = ai + half * kTransformLanes;
                for (int k = 0; k < kBatchVectors; ++k) {
                    const int o = k * kLanes;
                    const Vec xr = load(ar + o);
                    const Vec xi = load(ai + o);
                    const Vec yr = load(br + o);
                    const Vec yi = load(bi + o);
                    const Vec dr = xr - yr;
                    const Vec di = xi - yi;
                    store(ar + o, xr + yr);
                    store(ai + o, xi + yi);
                    store(br + o, dr * wr + di * wi);
                    store(bi + o, di * wr - dr * wi);
                }
            }
        }
    }
}

}  // namespace

DesignKernels designKernels()
{
    return {&bandResponses, &batchTransform};
}

}  // namespace kestrava::design::detail::KESTRAVA_VECTOR_VARIANT
