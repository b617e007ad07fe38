// The cascade runner for 8-lane vector registers (compiled with the
// matching target flags; only called where the processor has them).
#define KESTRAVA_LANES 8
#define KESTRAVA_RUNNER runCascadeAvx512
#include "engine/CascadeKernelVector.inl"
