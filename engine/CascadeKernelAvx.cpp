// The cascade runner for 4-lane vector registers (compiled with the
// matching target flags; only called where the processor has them).
#define KESTRAVA_LANES 4
#define KESTRAVA_RUNNER runCascadeAvx
#include "engine/CascadeKernelVector.inl"
