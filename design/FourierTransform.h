// The forward Fourier transform of one CaptureBuffer, in place:
// X[k] = sum of x[n] * e^(-2 pi i n k / F) for F = 1,048,576, unnormalised,
// in natural order, in double precision.
//
// Runs on the thread that analyses a measurement and may borrow a second
// core for the duration of the call. It allocates its small tables and
// working rows per call; when that fails it reports so and leaves the data
// untouched. Never call it from an audio thread.
#pragma once

namespace kestrava::design {

inline constexpr const char* kTransformAllocationFailedText =
    "Error: Can't allocate fft data storage - exit.";

// Transforms re[0..F-1] + i * im[0..F-1] in place. Returns false, with the
// data unchanged, when the working storage cannot be allocated.
bool forwardTransform(double* re, double* im);

}  // namespace kestrava::design
