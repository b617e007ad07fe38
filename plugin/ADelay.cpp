#include "plugin/ADelay.h"

#include "plugin/BoundedText.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kestrava::plugin {

using namespace vst2;

namespace {

constexpr char kNone[] = "None";
constexpr char kEffectName[] = "Sonalve";
constexpr char kVendor[] = "Kestrava";
constexpr VstInt32 kVendorVersion = 1380;

bool isNone(const char* path)
{
    return std::strcmp(path, kNone) == 0;
}

// A switch takes the host's value held to 0..1; a value that is not a
// number leaves the switch as it was.
float switchValue(float current, float requested)
{
    if (std::isnan(requested))
        return current;
    return requested > 0.0f ? std::min(requested, 1.0f) : 0.0f;
}

}  // namespace

ADelay::ADelay(audioMasterCallback host, platform::DesktopServices services)
    : AudioEffectX(host, kNumPrograms, kNumParams), files_(services)
{
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharacters("Kstv"));
    setVersion(1);
    programsAreChunks();
    canProcessReplacing();
    canDoubleReplacing();

    std::strcpy(correctionPath_.data(), kNone);
    // The processor gets defined values before any host call, so that a
    // program naming a damaged file cannot run it on undefined coefficients.
    publishCorrection();
    resume();
}

ADelay::~ADelay() = default;

void ADelay::publishCorrection()
{
    processor_.prepare(correction_, sampleRate_);
}

bool ADelay::loadCorrection(const std::string& path)
{
    engine::CorrectionSet fresh = correction_;
    if (!files_.read(path, fresh))
        return false;
    correction_ = fresh;
    publishCorrection();
    return true;
}

bool ADelay::readCorrectionFile(const std::string& path)
{
    std::lock_guard lock(uiMutex_);
    return loadCorrection(path);
}

std::string ADelay::correctionPath() const
{
    std::lock_guard lock(uiMutex_);
    return correctionPath_.data();
}

void ADelay::setSampleRate(float sampleRate)
{
    if (!engine::isRunnableSampleRate(sampleRate))
        return;
    std::lock_guard lock(uiMutex_);
    sampleRate_ = static_cast<double>(sampleRate);
    publishCorrection();
}

void ADelay::setParameter(VstInt32 index, float value)
{
    switch (index) {
    case kInputParameter:
        value = switchValue(processor_.inputSelect(), value);
        bank_.storeInput(curProgram_, value);
        processor_.setInputSelect(value);
        break;
    case kAirParameter:
        value = switchValue(processor_.airSwitch(), value);
        bank_.storeAir(curProgram_, value);
        processor_.setAirSwitch(value);
        break;
    case kLoadParameter:
        chooseCorrectionFile();
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
        return processor_.inputSelect();
    case kAirParameter:
        return processor_.airSwitch();
    default:
        return 0.0f;
    }
}

void ADelay::chooseCorrectionFile()
{
    std::string current;
    {
        std::lock_guard lock(uiMutex_);
        current = correctionPath_.data();
    }
    const std::optional<std::string> chosen = files_.choose(current);
    if (!chosen)
        return;

    std::lock_guard lock(uiMutex_);
    if (!loadCorrection(*chosen))
        return;
    setText(correctionPath_, *chosen);
    bank_.setPath(curProgram_, correctionPath_.data());
    processor_.setActive(true);
    editorRefreshPending_.store(true);
}

void ADelay::setProgram(VstInt32 program)
{
    if (static_cast<std::uint32_t>(program) >= static_cast<std::uint32_t>(kNumPrograms))
        return;
    std::lock_guard lock(uiMutex_);
    selectProgram(program);
}

void ADelay::selectProgram(VstInt32 program)
{
    curProgram_ = program;
    copyBoundedText(correctionPath_.data(), correctionPath_.size(), bank_.path(program), kProgramPathSize);
    processor_.setInputSelect(bank_.input(program));
    processor_.setAirSwitch(bank_.air(program));

    if (!isNone(correctionPath_.data())) {
        if (!files_.exists(correctionPath_.data())) {
            std::strcpy(correctionPath_.data(), kNone);
            bank_.setPath(program, kNone);
        } else {
            // A failed read keeps the program's path and the correction
            // loaded before; the reader has told the user why.
            loadCorrection(correctionPath_.data());
        }
    }
    // Set after any new correction, so that a block which sees the flag
    // also sees the correction that belongs to it.
    processor_.setActive(!isNone(correctionPath_.data()));
    editorRefreshPending_.store(true);
}

void ADelay::setProgramName(const char* name)
{
    std::lock_guard lock(uiMutex_);
    bank_.setName(curProgram_, name);
}

void ADelay::getProgramName(char* name)
{
    std::lock_guard lock(uiMutex_);
    bank_.copyName(curProgram_, name);
}

bool ADelay::getProgramNameIndexed(VstInt32, VstInt32 index, char* text)
{
    if (static_cast<std::uint32_t>(index) >= static_cast<std::uint32_t>(kNumPrograms))
        return false;
    std::lock_guard lock(uiMutex_);
    bank_.copyName(index, text);
    return true;
}

VstInt32 ADelay::getChunk(void** data, bool isPreset)
{
    if (isPreset) {
        *data = bank_.presetChunk(curProgram_);
        return static_cast<VstInt32>(ProgramBank::kPresetChunkSize);
    }
    *data = bank_.bankChunk();
    return static_cast<VstInt32>(ProgramBank::kBankChunkSize);
}

VstInt32 ADelay::setChunk(const void* data, VstInt32 byteSize, bool isPreset)
{
    if (data == nullptr || byteSize < 0)
        return 0;
    std::lock_guard lock(uiMutex_);
    if (!bank_.restore(data, static_cast<std::size_t>(byteSize), isPreset, curProgram_))
        return 0;
    selectProgram(curProgram_);
    return 1;
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
    processor_.process(inputs, outputs, sampleFrames);
}

void ADelay::processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames)
{
    processor_.process(inputs, outputs, sampleFrames);
}

}  // namespace kestrava::plugin
