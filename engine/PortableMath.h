// Cosine and exponential that give the same bits on every target: the C
// libraries of Linux and Windows may round their last bit differently, and
// coefficients derived from them must not. Plain double arithmetic only.
#pragma once

namespace kestrava::engine {

double portableCos(double x);
double portableExp(double x);

}  // namespace kestrava::engine
