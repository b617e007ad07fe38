#include "plugin/AudioEffect.h"

namespace kestrava::plugin {

using namespace vst2;

AudioEffect::AudioEffect(audioMasterCallback host, VstInt32 numPrograms, VstInt32 numParams)
    : host_(host), numPrograms_(numPrograms), numParams_(numParams)
{
    cEffect_.magic = kEffectMagic;
    cEffect_.dispatcher = dispatchEffectClass;
    cEffect_.process = processClass;
    cEffect_.setParameter = setParameterClass;
    cEffect_.getParameter = getParameterClass;
    cEffect_.numPrograms = numPrograms;
    cEffect_.numParams = numParams;
    cEffect_.numInputs = 1;
    cEffect_.numOutputs = 2;
    cEffect_.ioRatio = 1.0f;
    cEffect_.object = this;
    cEffect_.uniqueID = fourCharacters("NoEf");
    cEffect_.version = 1;
    cEffect_.processReplacing = processReplacingClass;
    cEffect_.processDoubleReplacing = processDoubleReplacingClass;
}

AudioEffect::~AudioEffect() = default;

void AudioEffect::setEditor(std::unique_ptr<AEffEditor> editor)
{
    editor_ = std::move(editor);
    if (editor_)
        cEffect_.flags |= effFlagsHasEditor;
    else
        cEffect_.flags &= ~effFlagsHasEditor;
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return host_ != nullptr ? host_(&cEffect_, opcode, index, value, ptr, opt) : 0;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value)
{
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effSetProgram:
        if (value < numPrograms_)
            setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (ptr != nullptr)
            setProgramName(static_cast<const char*>(ptr));
        return 0;
    case effGetProgramName:
        if (ptr != nullptr)
            getProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetParamLabel:
        if (ptr != nullptr)
            getParameterLabel(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamDisplay:
        if (ptr != nullptr)
            getParameterDisplay(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamName:
        if (ptr != nullptr)
            getParameterName(index, static_cast<char*>(ptr));
        return 0;
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<VstInt32>(value));
        return 0;
    case effMainsChanged:
        if (value != 0)
            resume();
        else
            suspend();
        return 0;
    case effEditGetRect:
        if (editor_ != nullptr && ptr != nullptr)
            return editor_->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
        return 0;
    case effEditOpen:
        if (editor_ != nullptr)
            return editor_->open(ptr) ? 1 : 0;
        return 0;
    case effEditClose:
        if (editor_ != nullptr)
            editor_->close();
        return 0;
    case effEditIdle:
        if (editor_ != nullptr)
            editor_->idle();
        return 0;
    case effIdentify:
        return fourCharacters("NvEf");
    case effGetChunk:
        if (ptr == nullptr)
            return 0;
        return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
        if (ptr == nullptr)
            return 0;
        return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default:
        return 0;
    }
}

VstIntPtr AudioEffect::dispatchEffectClass(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                           void* ptr, float opt)
{
    auto* self = static_cast<AudioEffect*>(effect->object);
    if (opcode == effClose) {
        self->close();
        delete self;
        return 1;
    }
    return self->dispatcher(opcode, index, value, ptr, opt);
}

void AudioEffect::processClass(AEffect*, float**, float**, VstInt32) {}

void AudioEffect::processReplacingClass(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames)
{
    static_cast<AudioEffect*>(effect->object)->processReplacing(inputs, outputs, sampleFrames);
}

void AudioEffect::processDoubleReplacingClass(AEffect* effect, double** inputs, double** outputs,
                                              VstInt32 sampleFrames)
{
    static_cast<AudioEffect*>(effect->object)->processDoubleReplacing(inputs, outputs, sampleFrames);
}

void AudioEffect::setParameterClass(AEffect* effect, VstInt32 index, float value)
{
    static_cast<AudioEffect*>(effect->object)->setParameter(index, value);
}

float AudioEffect::getParameterClass(AEffect* effect, VstInt32 index)
{
    return static_cast<AudioEffect*>(effect->object)->getParameter(index);
}

}  // namespace kestrava::plugin
