// A host callback that records every call the effect makes (opcode, index,
// value) and answers the version question, for tests that check what the
// effect tells its host. Test thread only.
#pragma once

#include "plugin/Vst2.h"

#include <vector>

namespace kestrava::test {

struct HostCall {
    plugin::vst2::VstInt32 opcode;
    plugin::vst2::VstInt32 index;
    float opt;
};

inline std::vector<HostCall> hostCalls;

inline plugin::vst2::VstIntPtr recordingHost(plugin::vst2::AEffect*, plugin::vst2::VstInt32 opcode,
                                             plugin::vst2::VstInt32 index, plugin::vst2::VstIntPtr, void*, float opt)
{
    hostCalls.push_back({opcode, index, opt});
    return opcode == plugin::vst2::audioMasterVersion ? plugin::vst2::kVstVersion : 0;
}

}  // namespace kestrava::test
