// The 199 x 199 table that gives the squared magnitude of every section at
// every band centre at 48,000 Hz:
//   T[j][m] = ((cos wj - cos wm) / (wm sin wj))^2,  wl = 2 pi centre[l] / 48,000.
// Computed once, on first use, and held for the program's lifetime in static
// storage, so obtaining it can neither fail nor allocate. Rows are padded to
// kResponseStride columns; the padding column holds 0.
#pragma once

#include "design/BandLayout.h"

#include <array>

namespace kestrava::design {

inline constexpr int kResponseStride = 200;

class ResponseTable {
public:
    static const ResponseTable& instance();

    double at(int j, int m) const { return values_[j * kResponseStride + m]; }
    const double* row(int j) const { return values_.data() + j * kResponseStride; }

private:
    ResponseTable();
    alignas(64) std::array<double, kBandCount * kResponseStride> values_{};
};

}  // namespace kestrava::design
