#include "design/CaptureBuffer.h"

#include <new>

namespace kestrava::design {

CaptureBuffer::CaptureBuffer()
    : data_(new (std::nothrow) double[2 * static_cast<std::size_t>(kTransformSize)]())
{
}

}  // namespace kestrava::design
