// One recording of 1,048,576 samples held as the real and imaginary halves of
// an in-place Fourier transform (16 MiB), zero-filled when it is allocated.
//
// Allocation may fail: allocated() says so and the owner reports it instead
// of touching the storage. Never allocate or release one on an audio thread;
// the audio thread only writes samples into a buffer prepared beforehand.
#pragma once

#include <cstddef>
#include <memory>

namespace kestrava::design {

// Transform length and the one rate the analysis assumes.
inline constexpr int kTransformLog2 = 20;
inline constexpr int kTransformSize = 1 << kTransformLog2;
inline constexpr double kAnalysisRate = 48000.0;

inline constexpr const char* kCaptureAllocationFailedText =
    "Error: Can't allocate capture storage.";

class CaptureBuffer {
public:
    // Allocates and zero-fills 2 * kTransformSize doubles; check allocated().
    CaptureBuffer();

    bool allocated() const { return data_ != nullptr; }
    double* re() { return data_.get(); }
    double* im() { return data_.get() + kTransformSize; }
    const double* re() const { return data_.get(); }
    const double* im() const { return data_.get() + kTransformSize; }

    void release() { data_.reset(); }

private:
    std::unique_ptr<double[]> data_;
};

}  // namespace kestrava::design
