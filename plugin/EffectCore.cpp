#include "plugin/EffectCore.h"

#include "plugin/BoundedText.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace kestrava::plugin {

namespace {

constexpr char kNone[] = "None";

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

bool isProgram(int program)
{
    return static_cast<unsigned>(program) < static_cast<unsigned>(kNumPrograms);
}

}  // namespace

EffectCore::EffectCore(platform::DesktopServices services) : files_(services)
{
    std::strcpy(correctionPath_.data(), kNone);
    // The processor gets defined values before any host call, so that a
    // program naming a damaged file cannot run it on undefined coefficients.
    publishCorrection();
}

void EffectCore::publishCorrection()
{
    processor_.prepare(correction_, sampleRate_);
}

bool EffectCore::loadCorrection(const std::string& path)
{
    engine::CorrectionSet fresh = correction_;
    if (!files_.read(path, fresh))
        return false;
    correction_ = fresh;
    publishCorrection();
    return true;
}

bool EffectCore::readCorrectionFile(const std::string& path)
{
    std::lock_guard lock(uiMutex_);
    return loadCorrection(path);
}

void EffectCore::adoptCorrection(const std::string& path)
{
    setText(correctionPath_, path);
    bank_.setPath(currentProgram_, correctionPath_.data());
    processor_.setActive(true);
    refreshPending_.store(true);
}

bool EffectCore::useCorrectionFile(const std::string& path)
{
    std::lock_guard lock(uiMutex_);
    if (!loadCorrection(path))
        return false;
    adoptCorrection(path);
    return true;
}

void EffectCore::chooseCorrectionFile()
{
    const std::optional<std::string> chosen = files_.choose(correctionPath());
    if (chosen)
        useCorrectionFile(*chosen);
}

std::string EffectCore::correctionPath() const
{
    std::lock_guard lock(uiMutex_);
    return correctionPath_.data();
}

bool EffectCore::setSampleRate(double sampleRate)
{
    if (!engine::isRunnableSampleRate(sampleRate))
        return false;
    std::lock_guard lock(uiMutex_);
    sampleRate_ = sampleRate;
    publishCorrection();
    return true;
}

void EffectCore::setInput(float value)
{
    value = switchValue(processor_.inputSelect(), value);
    bank_.storeInput(currentProgram_, value);
    processor_.setInputSelect(value);
}

void EffectCore::setAir(float value)
{
    value = switchValue(processor_.airSwitch(), value);
    bank_.storeAir(currentProgram_, value);
    processor_.setAirSwitch(value);
}

bool EffectCore::selectProgram(int program)
{
    if (!isProgram(program))
        return false;
    std::lock_guard lock(uiMutex_);
    selectProgramLocked(program);
    return true;
}

void EffectCore::selectProgramLocked(int program)
{
    currentProgram_ = program;
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
    refreshPending_.store(true);
}

void EffectCore::renameProgram(std::string_view name)
{
    const std::string text(name);
    std::lock_guard lock(uiMutex_);
    bank_.setName(currentProgram_, text.c_str());
}

std::string EffectCore::programName(int program) const
{
    if (!isProgram(program))
        return {};
    std::array<char, kProgramNameSize + 1> text{};
    std::lock_guard lock(uiMutex_);
    bank_.copyName(program, text.data());
    return text.data();
}

std::span<std::byte> EffectCore::presetRecord()
{
    return {static_cast<std::byte*>(bank_.presetChunk(currentProgram_)), ProgramBank::kPresetChunkSize};
}

std::span<std::byte> EffectCore::bankRecords()
{
    return {static_cast<std::byte*>(bank_.bankChunk()), ProgramBank::kBankChunkSize};
}

bool EffectCore::restoreRecords(std::span<const std::byte> bytes, bool isPreset)
{
    if (bytes.data() == nullptr)
        return false;
    std::lock_guard lock(uiMutex_);
    if (!bank_.restore(bytes.data(), bytes.size(), isPreset, currentProgram_))
        return false;
    selectProgramLocked(currentProgram_);
    return true;
}

}  // namespace kestrava::plugin
