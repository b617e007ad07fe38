#include "audio/win32/TakeDriver.h"

#include "audio/file/FileDriver.h"
#include "audio/win32/TakeSettings.h"

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <optional>

namespace kestrava {

namespace {

constexpr char kWavFilter[] = "WAV file (*.wav)\0*.wav\0All files (*.*)\0*.*\0";

// The file the user picks in the system's open or save dialog, starting
// from `current`; nothing when the dialog is cancelled.
std::optional<std::string> chooseFile(bool forSaving, const char* title, const std::string& current)
{
    char path[MAX_PATH * 4] = {};
    std::snprintf(path, sizeof path, "%s", current.c_str());
    // Without an earlier choice the dialog starts in the product's data folder.
    char folder[MAX_PATH] = {};
    if (current.empty() && SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, folder))) {
        std::snprintf(folder + std::strlen(folder), sizeof folder - std::strlen(folder), "\\Kestrava Sonalve");
    }
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = GetActiveWindow();
    dialog.lpstrFilter = kWavFilter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrInitialDir = folder[0] != '\0' ? folder : nullptr;
    dialog.lpstrTitle = title;
    dialog.lpstrDefExt = "wav";
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                   (forSaving ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = forSaving ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (!chosen) {
        return std::nullopt;
    }
    return std::string(path);
}

}  // namespace

std::atomic<long>& serverReferences()
{
    static std::atomic<long> references{0};
    return references;
}

TakeDriver::TakeDriver()
{
    ++serverReferences();
}

TakeDriver::~TakeDriver()
{
    if (inner_ != nullptr) {
        inner_->Release();
    }
    --serverReferences();
}

std::int32_t TakeDriver::QueryInterface(const AsioGuid& iid, void** object)
{
    const auto& asked = reinterpret_cast<const GUID&>(iid);
    if (!IsEqualGUID(asked, IID_IUnknown) && !IsEqualGUID(asked, kTakeDriverClassId)) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *object = this;
    return S_OK;
}

std::uint32_t TakeDriver::AddRef()
{
    return ++references_;
}

std::uint32_t TakeDriver::Release()
{
    const std::uint32_t left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

ASIOBool TakeDriver::init(void* sysHandle)
{
    if (inner_ != nullptr) {
        inner_->Release();
        inner_ = nullptr;
    }
    FileDriverOptions options = readTakeSettings(error_);
    if (!error_.empty()) {
        return ASIOFalse;
    }
    if (options.inputPath.empty()) {
        error_ = "No take chosen: choose one in the driver's control panel";
        return ASIOFalse;
    }
    inner_ = fileDriverEntry(options).create();
    if (inner_->init(sysHandle) == ASIOFalse) {
        char message[124] = {};
        inner_->getErrorMessage(message);
        message[sizeof message - 1] = '\0';
        error_ = message;
        inner_->Release();
        inner_ = nullptr;
        return ASIOFalse;
    }
    return ASIOTrue;
}

void TakeDriver::getDriverName(char* name)
{
    std::snprintf(name, 32, "%s", kTakeDriverDescription);
}

std::int32_t TakeDriver::getDriverVersion()
{
    return 1;
}

void TakeDriver::getErrorMessage(char* string)
{
    std::snprintf(string, 124, "%s", error_.c_str());
}

ASIOError TakeDriver::start()
{
    return inner_ != nullptr ? inner_->start() : ASE_NotPresent;
}

ASIOError TakeDriver::stop()
{
    return inner_ != nullptr ? inner_->stop() : ASE_NotPresent;
}

ASIOError TakeDriver::getChannels(std::int32_t* numInputChannels, std::int32_t* numOutputChannels)
{
    return inner_ != nullptr ? inner_->getChannels(numInputChannels, numOutputChannels) : ASE_NotPresent;
}

ASIOError TakeDriver::getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency)
{
    return inner_ != nullptr ? inner_->getLatencies(inputLatency, outputLatency) : ASE_NotPresent;
}

ASIOError TakeDriver::getBufferSize(std::int32_t* minSize, std::int32_t* maxSize, std::int32_t* preferredSize,
                                    std::int32_t* granularity)
{
    return inner_ != nullptr ? inner_->getBufferSize(minSize, maxSize, preferredSize, granularity)
                             : ASE_NotPresent;
}

ASIOError TakeDriver::canSampleRate(ASIOSampleRate rate)
{
    return inner_ != nullptr ? inner_->canSampleRate(rate) : ASE_NotPresent;
}

ASIOError TakeDriver::getSampleRate(ASIOSampleRate* rate)
{
    return inner_ != nullptr ? inner_->getSampleRate(rate) : ASE_NotPresent;
}

ASIOError TakeDriver::setSampleRate(ASIOSampleRate rate)
{
    return inner_ != nullptr ? inner_->setSampleRate(rate) : ASE_NotPresent;
}

ASIOError TakeDriver::getClockSources(ASIOClockSource* clocks, std::int32_t* numSources)
{
    return inner_ != nullptr ? inner_->getClockSources(clocks, numSources) : ASE_NotPresent;
}

ASIOError TakeDriver::setClockSource(std::int32_t reference)
{
    return inner_ != nullptr ? inner_->setClockSource(reference) : ASE_NotPresent;
}

ASIOError TakeDriver::getSamplePosition(ASIOSamples* position, ASIOTimeStamp* timeStamp)
{
    return inner_ != nullptr ? inner_->getSamplePosition(position, timeStamp) : ASE_NotPresent;
}

ASIOError TakeDriver::getChannelInfo(ASIOChannelInfo* info)
{
    return inner_ != nullptr ? inner_->getChannelInfo(info) : ASE_NotPresent;
}

ASIOError TakeDriver::createBuffers(ASIOBufferInfo* infos, std::int32_t numChannels, std::int32_t bufferSize,
                                    ASIOCallbacks* callbacks)
{
    return inner_ != nullptr ? inner_->createBuffers(infos, numChannels, bufferSize, callbacks) : ASE_NotPresent;
}

ASIOError TakeDriver::disposeBuffers()
{
    return inner_ != nullptr ? inner_->disposeBuffers() : ASE_NotPresent;
}

// The take first; the output file next, where Cancel means the outputs are
// not kept. Cancelling the take leaves every setting as it was.
ASIOError TakeDriver::controlPanel()
{
    std::string problem;
    const FileDriverOptions current = readTakeSettings(problem);
    const std::optional<std::string> take =
        chooseFile(false, "Take the driver plays (microphone left, pickup right)", current.inputPath);
    if (!take) {
        return ASE_OK;
    }
    const std::optional<std::string> output =
        chooseFile(true, "Where the driver writes its outputs (Cancel: not kept)", current.outputPath);
    if (!writeTakePaths(*take, output.value_or(""))) {
        MessageBoxA(nullptr, "RegCreateKeyEx Error1.", "Error", MB_OK | MB_ICONERROR);
        return ASE_HWMalfunction;
    }
    return ASE_OK;
}

ASIOError TakeDriver::future(std::int32_t, void*)
{
    return ASE_InvalidParameter;
}

ASIOError TakeDriver::outputReady()
{
    return inner_ != nullptr ? inner_->outputReady() : ASE_NotPresent;
}

}  // namespace kestrava
