#include "plugin/ADelay.h"

#include "plugin/BoundedText.h"

#include <span>

namespace kestrava::plugin {

using namespace vst2;

namespace {

constexpr char kEffectName[] = "Sonalve";
constexpr char kVendor[] = "Kestrava";
constexpr VstInt32 kVendorVersion = 1380;

void copyName(const std::string& name, char* text)
{
    copyBoundedText(text, kProgramNameSize + 1, name.c_str(), name.size() + 1);
}

}  // namespace

ADelay::ADelay(audioMasterCallback host, platform::DesktopServices services)
    : AudioEffectX(host, kNumPrograms, kNumParams), core_(services)
{
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharacters("Kstv"));
    setVersion(1);
    programsAreChunks();
    canProcessReplacing();
    canDoubleReplacing();
    resume();
}

ADelay::~ADelay() = default;

void ADelay::setSampleRate(float sampleRate)
{
    core_.setSampleRate(static_cast<double>(sampleRate));
}

void ADelay::setParameter(VstInt32 index, float value)
{
    switch (index) {
    case kInputParameter:
        core_.setInput(value);
        value = core_.input();
        break;
    case kAirParameter:
        core_.setAir(value);
        value = core_.air();
        break;
    case kLoadParameter:
        core_.chooseCorrectionFile();
        break;
    default:
        break;
    }
    if (editor_ != nullptr)
        editor_->setParameter(index, value);
}

float ADelay::getParameter(VstInt32 index)
{
    switch (index) {
    case kInputParameter:
        return core_.input();
    case kAirParameter:
        return core_.air();
    default:
        return 0.0f;
    }
}

void ADelay::setProgram(VstInt32 program)
{
    if (core_.selectProgram(program))
        curProgram_ = program;
}

void ADelay::setProgramName(const char* name)
{
    core_.renameProgram(name);
}

void ADelay::getProgramName(char* name)
{
    copyName(core_.programName(core_.currentProgram()), name);
}

bool ADelay::getProgramNameIndexed(VstInt32, VstInt32 index, char* text)
{
    if (static_cast<std::uint32_t>(index) >= static_cast<std::uint32_t>(kNumPrograms))
        return false;
    copyName(core_.programName(index), text);
    return true;
}

VstInt32 ADelay::getChunk(void** data, bool isPreset)
{
    const std::span<std::byte> records = isPreset ? core_.presetRecord() : core_.bankRecords();
    *data = records.data();
    return static_cast<VstInt32>(records.size());
}

VstInt32 ADelay::setChunk(const void* data, VstInt32 byteSize, bool isPreset)
{
    if (data == nullptr || byteSize < 0)
        return 0;
    const std::span<const std::byte> bytes(static_cast<const std::byte*>(data), static_cast<std::size_t>(byteSize));
    return core_.restoreRecords(bytes, isPreset) ? 1 : 0;
}

bool ADelay::getEffectName(char* name)
{
    copyBoundedText(name, kVstMaxEffectNameLen, kEffectName, sizeof kEffectName);
    return true;
}

bool ADelay::getVendorString(char* text)
{
    copyBoundedText(text, kVstMaxVendorStrLen, kVendor, sizeof kVendor);
    return true;
}

bool ADelay::getProductString(char* text)
{
    copyBoundedText(text, kVstMaxProductStrLen, kEffectName, sizeof kEffectName);
    return true;
}

VstInt32 ADelay::getVendorVersion()
{
    return kVendorVersion;
}

VstInt32 ADelay::getPlugCategory()
{
    return kPlugCategEffect;
}

void ADelay::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    core_.process(inputs, outputs, sampleFrames);
}

void ADelay::processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames)
{
    core_.process(inputs, outputs, sampleFrames);
}

}  // namespace kestrava::plugin
