// The cascade runner for 2-lane vector registers (compiled with the
// matching target flags; only called where the processor has them).
#define KESTRAVA_LANES 2
#define KESTRAVA_RUNNER runCascadeSse2
#include "engine/CascadeKernelVector.inl"
