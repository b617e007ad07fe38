// One stored program of the effect, byte for byte as hosts keep it in their
// projects: one record is the preset chunk, sixteen back to back the bank
// chunk. Little-endian floats, no header.
//
// Plain data; the effect writes its records on the host's user-interface
// thread (and the two switch values on whatever thread sets a parameter).
#pragma once

#include <cstddef>

namespace kestrava::plugin {

inline constexpr int kProgramNameSize = 24;
inline constexpr int kProgramPathSize = 1024;

struct ProgramRecord {
    char name[kProgramNameSize];
    char path[kProgramPathSize];
    float input;
    float air;
};

static_assert(offsetof(ProgramRecord, name) == 0);
static_assert(offsetof(ProgramRecord, path) == 24);
static_assert(offsetof(ProgramRecord, input) == 1048);
static_assert(offsetof(ProgramRecord, air) == 1052);
static_assert(sizeof(ProgramRecord) == 1056);

}  // namespace kestrava::plugin
