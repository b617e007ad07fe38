#include "plugin/ADelay.h"

#include "corrfile/CorrectionFile.h"
#include "editor/NativeEditorServices.h"
#include "editor/SDEditor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kestrava {

using namespace vst2;

namespace {

constexpr char kNone[] = "None";
constexpr char kProductFolder[] = "Kestrava Sonalve";
constexpr char kEffectName[] = "Sonalve";
constexpr char kVendor[] = "Kestrava";
constexpr VstInt32 kVendorVersion = 1380;

static_assert(std::atomic<float>::is_always_lock_free);

// Copies text that may lack a terminator within `sourceSize` bytes into a
// destination of `destinationSize` bytes, always terminating it. The two
// may overlap (a host may hand our own chunk back to us).
void copyBoundedText(char* destination, std::size_t destinationSize, const char* source, std::size_t sourceSize)
{
    const std::size_t length = std::min(strnlen(source, sourceSize), destinationSize - 1);
    std::memmove(destination, source, length);
    destination[length] = '\0';
}

template <std::size_t N>
void setText(std::array<char, N>& destination, const std::string& text)
{
    copyBoundedText(destination.data(), N, text.c_str(), text.size() + 1);
}

bool isNone(const char* path)
{
    return std::strcmp(path, kNone) == 0;
}

// The switch values of a record may be written by a parameter change on
// another thread while a chunk or program change reads them.
float loadShared(float& value)
{
    return std::atomic_ref<float>(value).load(std::memory_order_relaxed);
}

void storeShared(float& value, float newValue)
{
    std::atomic_ref<float>(value).store(newValue, std::memory_order_relaxed);
}

void copyRecord(ProgramRecord& destination, const ProgramRecord& source)
{
    std::memmove(destination.name, source.name, sizeof destination.name);
    std::memmove(destination.path, source.path, sizeof destination.path);
    float input = 0.0f;
    float air = 0.0f;
    std::memcpy(&input, &source.input, sizeof input);
    std::memcpy(&air, &source.air, sizeof air);
    storeShared(destination.input, input);
    storeShared(destination.air, air);
}

}  // namespace

ADelay::ADelay(audioMasterCallback host, DesktopServices services)
    : AudioEffectX(host, kNumPrograms, kNumParams), services_(services)
{
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharacters("Kstv"));
    setVersion(1);
    programsAreChunks();
    canProcessReplacing();
    canDoubleReplacing();

    for (int p = 0; p < kNumPrograms; ++p) {
        ProgramRecord& record = programs_[p];
        std::snprintf(record.name, sizeof record.name, "%s %i", "program", p);
        std::strcpy(record.path, kNone);
        record.input = 1.0f;
        record.air = 0.0f;
    }
    std::strcpy(correctionPath_.data(), kNone);

    // The filter and the Air network get defined values before any host
    // call, so that a program naming a damaged file cannot run them on
    // undefined lengths or coefficients.
    publishPrepared();
    air_.prepare(sampleRate_);

    prepareDataFolder();
    setEditor(std::make_unique<SDEditor>(this, nativeEditorServices()));
    resume();
}

ADelay::~ADelay() = default;

void ADelay::prepareDataFolder()
{
    std::string folder;
    if (std::optional<std::string> documents = services_.shell.documentsFolder())
        folder = *documents;
    else
        showError(services_.messages, "SHGetFolderPath Error.");
    const char separator = services_.shell.separator();
    folder += separator;
    folder += kProductFolder;
    folder += separator;
    setText(correctionFolder_, folder);
    if (!services_.shell.exists(correctionFolder_.data()))
        services_.shell.createDirectory(correctionFolder_.data());
}

void ADelay::publishPrepared()
{
    Prepared& next = prepared_.staging();
    next.filter.setSampleRate(sampleRate_);
    next.filter.setCorrection(correction_);
    next.tuning = AirTuning::forSampleRate(sampleRate_);
    prepared_.publish();
}

bool ADelay::loadCorrection(const std::string& path)
{
    CorrectionSet fresh = correction_;
    if (kestrava::readCorrectionFile(path, fresh, services_.messages) != 0)
        return false;
    correction_ = fresh;
    publishPrepared();
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
    std::lock_guard lock(uiMutex_);
    sampleRate_ = static_cast<double>(sampleRate);
    publishPrepared();
}

void ADelay::setParameter(VstInt32 index, float value)
{
    switch (index) {
    case kInputParameter:
        storeShared(programs_[curProgram_].input, value);
        inputSelect_.store(value, std::memory_order_relaxed);
        break;
    case kAirParameter:
        storeShared(programs_[curProgram_].air, value);
        airSwitch_.store(value, std::memory_order_relaxed);
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
        return inputSelect_.load(std::memory_order_relaxed);
    case kAirParameter:
        return airSwitch_.load(std::memory_order_relaxed);
    default:
        return 0.0f;
    }
}

void ADelay::chooseCorrectionFile()
{
    OpenFileRequest request{"DOV file", "*.alg", {}, {}, "alg"};
    {
        std::lock_guard lock(uiMutex_);
        request.initialName = correctionPath_.data();
        request.initialFolder = correctionFolder_.data();
    }
    const std::optional<std::string> chosen = services_.fileDialog.chooseFileToOpen(request);
    if (!chosen)
        return;

    std::lock_guard lock(uiMutex_);
    if (!loadCorrection(*chosen))
        return;
    setText(correctionPath_, *chosen);
    copyBoundedText(programs_[curProgram_].path, kProgramPathSize, correctionPath_.data(), kProgramPathSize);
    correctionActive_.store(true, std::memory_order_release);
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
    ProgramRecord& record = programs_[program];
    copyBoundedText(correctionPath_.data(), correctionPath_.size(), record.path, sizeof record.path);
    inputSelect_.store(loadShared(record.input), std::memory_order_relaxed);
    airSwitch_.store(loadShared(record.air), std::memory_order_relaxed);

    if (!isNone(correctionPath_.data())) {
        if (!services_.shell.exists(correctionPath_.data())) {
            std::strcpy(correctionPath_.data(), kNone);
            std::strcpy(record.path, kNone);
        } else {
            // A failed read keeps the program's path and the correction
            // loaded before; the reader has told the user why.
            loadCorrection(correctionPath_.data());
        }
    }
    // Published after any new filter, so that a block which sees the flag
    // also sees the filter that belongs to it.
    correctionActive_.store(!isNone(correctionPath_.data()), std::memory_order_release);
    editorRefreshPending_.store(true);
}

void ADelay::setProgramName(const char* name)
{
    std::lock_guard lock(uiMutex_);
    copyBoundedText(programs_[curProgram_].name, kProgramNameSize, name, kProgramNameSize - 1);
}

void ADelay::getProgramName(char* name)
{
    std::lock_guard lock(uiMutex_);
    copyBoundedText(name, kProgramNameSize + 1, programs_[curProgram_].name, kProgramNameSize);
}

bool ADelay::getProgramNameIndexed(VstInt32, VstInt32 index, char* text)
{
    if (static_cast<std::uint32_t>(index) >= static_cast<std::uint32_t>(kNumPrograms))
        return false;
    std::lock_guard lock(uiMutex_);
    copyBoundedText(text, kProgramNameSize + 1, programs_[index].name, kProgramNameSize);
    return true;
}

VstInt32 ADelay::getChunk(void** data, bool isPreset)
{
    if (isPreset) {
        *data = &programs_[curProgram_];
        return static_cast<VstInt32>(sizeof(ProgramRecord));
    }
    *data = programs_.data();
    return static_cast<VstInt32>(sizeof programs_);
}

VstInt32 ADelay::setChunk(const void* data, VstInt32 byteSize, bool isPreset)
{
    const VstInt32 expected = static_cast<VstInt32>(isPreset ? sizeof(ProgramRecord) : sizeof programs_);
    if (byteSize != expected)
        return 0;
    std::lock_guard lock(uiMutex_);
    const auto* records = static_cast<const ProgramRecord*>(data);
    if (isPreset) {
        copyRecord(programs_[curProgram_], records[0]);
    } else {
        for (int p = 0; p < kNumPrograms; ++p)
            copyRecord(programs_[p], records[p]);
    }
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
    processBlock(inputs, outputs, sampleFrames);
}

void ADelay::processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames)
{
    processBlock(inputs, outputs, sampleFrames);
}

template <class Sample>
void ADelay::processBlock(Sample** inputs, Sample** outputs, VstInt32 sampleFrames)
{
    if (sampleFrames <= 0)
        return;
    const bool active = correctionActive_.load(std::memory_order_acquire);
    Prepared& prepared = prepared_.acquire();
    if (!(prepared.tuning == air_.tuning()))
        air_.setTuning(prepared.tuning);

    const Sample* in1 = inputs[0];
    const Sample* in2 = inputs[1];
    Sample* out1 = outputs[0];
    Sample* out2 = outputs[1];

    if (!active) {
        for (VstInt32 i = 0; i < sampleFrames; ++i) {
            out1[i] = in1[i];
            out2[i] = in2[i];
        }
        return;
    }

    for (VstInt32 start = 0; start < sampleFrames; start += kChunkFrames) {
        const int frames = std::min<int>(kChunkFrames, sampleFrames - start);
        for (int i = 0; i < frames; ++i) {
            const Sample x = inputSelect_.load(std::memory_order_relaxed) == 0.0f ? in1[start + i] : in2[start + i];
            scratch_[i] = static_cast<double>(x);
        }
        prepared.filter.processBlock(scratch_.data(), scratch_.data(), frames);
        for (int i = 0; i < frames; ++i) {
            const double t = scratch_[i];
            if (airSwitch_.load(std::memory_order_relaxed) == 0.0f) {
                const StereoSample s = air_.processSample(t);
                out1[start + i] = static_cast<Sample>(s.left);
                out2[start + i] = static_cast<Sample>(s.right);
            } else {
                out1[start + i] = static_cast<Sample>(t);
                out2[start + i] = static_cast<Sample>(t);
            }
        }
    }
}

}  // namespace kestrava
