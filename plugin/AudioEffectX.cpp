#include "plugin/AudioEffectX.h"

namespace kestrava::plugin {

using namespace vst2;

bool AudioEffectX::getProgramNameIndexed(VstInt32, VstInt32, char*)
{
    return false;
}

bool AudioEffectX::beginEdit(VstInt32 index)
{
    return callHost(audioMasterBeginEdit, index, 0, nullptr, 0.0f) != 0;
}

bool AudioEffectX::endEdit(VstInt32 index)
{
    return callHost(audioMasterEndEdit, index, 0, nullptr, 0.0f) != 0;
}

bool AudioEffectX::masterIdle()
{
    return callHost(audioMasterIdle, 0, 0, nullptr, 0.0f) != 0;
}

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    switch (opcode) {
    case effCanBeAutomated:
        return canParameterBeAutomated(index) ? 1 : 0;
    case effGetProgramNameIndexed:
        if (ptr == nullptr)
            return 0;
        return getProgramNameIndexed(static_cast<VstInt32>(value), index, static_cast<char*>(ptr)) ? 1 : 0;
    case effGetPlugCategory:
        return getPlugCategory();
    case effGetEffectName:
        return ptr != nullptr && getEffectName(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorString:
        return ptr != nullptr && getVendorString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProductString:
        return ptr != nullptr && getProductString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorVersion:
        return getVendorVersion();
    case effCanDo:
    case effGetTailSize:
        return 0;
    case effGetVstVersion:
        return kVstVersion;
    case effEditKeyDown:
    case effEditKeyUp: {
        if (editor_ == nullptr)
            return 0;
        const EditorKey key{index, value, opt};
        const bool consumed = opcode == effEditKeyDown ? editor_->onKeyDown(key) : editor_->onKeyUp(key);
        return consumed ? 1 : 0;
    }
    case effSetEditKnobMode:
        return editor_ != nullptr && editor_->setKnobMode(value) ? 1 : 0;
    case effGetCurrentMidiProgram:
        return -1;
    case effGetSpeakerArrangement:
        if (value != 0)
            *reinterpret_cast<void**>(value) = nullptr;
        if (ptr != nullptr)
            *static_cast<void**>(ptr) = nullptr;
        return 0;
    case effSetTotalSampleToProcess:
        return value;
    default:
        break;
    }
    if (opcode >= effProcessEvents && opcode <= effGetNumMidiOutputChannels)
        return 0;
    return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
}

}  // namespace kestrava::plugin
