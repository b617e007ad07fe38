// A host callback that records every call the effect makes (opcode, index,
// value) and answers the version question, for tests that check what the
// effect tells its host. Test thread only.
#pragma once

#include "plugin/Vst2.h"

#include <vector>

namespace kestrava::test {

struct HostCall {
    vst2::VstInt32 opcode;
    vst2::VstInt32 index;
    float opt;
};

inline std::vector<HostCall> hostCalls;

inline vst2::VstIntPtr recordingHost(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr,
                                     void*, float opt)
{
    hostCalls.push_back({opcode, index, opt});
    return opcode == vst2::audioMasterVersion ? vst2::kVstVersion : 0;
}

}  // namespace kestrava::test
