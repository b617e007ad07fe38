// The VST 2.4 extension of the effect base: answers dispatcher opcodes 25 to
// 79 with the defaults an effect without MIDI, speaker arrangements or
// offline processing gives, and carries the host callbacks an editor needs
// around a click (begin edit, end edit, idle).
//
// Threads as for AudioEffect: the dispatcher runs on the host's
// user-interface thread; nothing here locks or allocates.
#pragma once

#include "plugin/AudioEffect.h"

namespace kestrava::plugin {

class AudioEffectX : public AudioEffect {
public:
    using AudioEffect::AudioEffect;

    vst2::VstIntPtr dispatcher(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                               float opt) override;

    virtual bool canParameterBeAutomated(vst2::VstInt32) { return true; }
    virtual bool getProgramNameIndexed(vst2::VstInt32 category, vst2::VstInt32 index, char* text);
    virtual vst2::VstInt32 getPlugCategory() { return 0; }
    virtual bool getEffectName(char*) { return false; }
    virtual bool getVendorString(char*) { return false; }
    virtual bool getProductString(char*) { return false; }
    virtual vst2::VstInt32 getVendorVersion() { return 0; }

    // Tell the host that the user starts or ends changing a parameter, and
    // let it idle while a click holds the user-interface thread.
    bool beginEdit(vst2::VstInt32 index);
    bool endEdit(vst2::VstInt32 index);
    bool masterIdle();
};

}  // namespace kestrava::plugin
