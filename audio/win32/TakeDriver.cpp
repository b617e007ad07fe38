#include "audio/win32/TakeDriver.h"

#include "audio/win32/TakeSettings.h"
#include "platform/Desktop.h"
#include "platform/ProductSettings.h"

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <optional>

namespace kestrava::audio {

using platform::settingsStore;

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

// Until an init has opened the chosen take every device operation answers
// ASE_NotPresent.
TakeDriver::TakeDriver() : FileDriver(kTakeDriverDescription, FileDriverOptions{})
{
    ++serverReferences();
}

TakeDriver::~TakeDriver()
{
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

// A new init drops the take in use, as a driver made afresh would.
bool TakeDriver::open()
{
    releaseBuffers();
    options() = readTakeSettings(settingsStore(), error_);
    if (!error_.empty()) {
        return false;
    }
    if (options().inputPath.empty()) {
        error_ = "No take chosen: choose one in the driver's control panel";
        return false;
    }
    return FileDriver::open();
}

// The take first; the output file next, where Cancel means the outputs are
// not kept. Cancelling the take leaves every setting as it was.
ASIOError TakeDriver::controlPanel()
{
    std::string problem;
    const FileDriverOptions current = readTakeSettings(settingsStore(), problem);
    const std::optional<std::string> take =
        chooseFile(false, "Take the driver plays (microphone left, pickup right)", current.inputPath);
    if (!take) {
        return ASE_OK;
    }
    const std::optional<std::string> output =
        chooseFile(true, "Where the driver writes its outputs (Cancel: not kept)", current.outputPath);
    if (!writeTakePaths(settingsStore(), *take, output.value_or(""))) {
        MessageBoxA(nullptr, platform::kSettingsCreateFailedText, "Error", MB_OK | MB_ICONERROR);
        return ASE_HWMalfunction;
    }
    return ASE_OK;
}

}  // namespace kestrava::audio
