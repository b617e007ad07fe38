// Drives the recorded-take driver's control panel the way a user does: the
// driver comes from its DLL through its class factory, the panel's open and
// save dialogs appear, the take and the output file are typed into them and
// OK is pressed. Then the driver must run with the chosen take.
// The per-user settings go to a private stand-in for HKEY_CURRENT_USER, so
// the user's own settings and other tests are left alone.
//
// Usage: take_panel_check DRIVER.dll WORK_FOLDER
// Writes WORK_FOLDER\ready once the first dialog shows its choice and waits
// for WORK_FOLDER\shot (the screenshot taken) before pressing OK.
// Exit status 0 when everything held, 1 with the reason on stderr.
#include "audio/Asio.h"
#include "platform/win32/RegistryKey.h"
#include "audio/win32/TakeDriver.h"
#include "audio/win32/TakeSettings.h"
#include "platform/Desktop.h"

#include <windows.h>
#include <dlgs.h>
#include <objbase.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace kestrava::audio;
using namespace kestrava::platform;

namespace {

using namespace kestrava;

constexpr auto kPatience = std::chrono::seconds(60);

int fail(const std::string& reason)
{
    std::fprintf(stderr, "take_panel_check: %s\n", reason.c_str());
    return 1;
}

// A short 16-bit stereo take at 48,000 Hz.
void writeTake(const std::string& path)
{
    const std::uint32_t frames = 4800;
    const std::uint32_t dataBytes = frames * 4;
    std::ofstream out(path, std::ios::binary);
    const auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(48000);
    u32(48000 * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(dataBytes);
    for (std::uint32_t i = 0; i < frames * 2; ++i) {
        u16(static_cast<std::uint16_t>((i * 37) % 2000));
    }
}

HWND waitForDialog(const char* title)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
        if (HWND dialog = FindWindowA("#32770", title); dialog != nullptr && IsWindowVisible(dialog)) {
            return dialog;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return nullptr;
}

// The file-name field, an edit control or a combo box with one.
bool typeFileName(HWND dialog, const std::string& path)
{
    for (const int id : {cmb13, edt1}) {
        if (HWND field = GetDlgItem(dialog, id); field != nullptr) {
            return SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str())) != FALSE;
        }
    }
    return false;
}

void pressOk(HWND dialog)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

// The user's side: fills in both dialogs while the panel runs. Empty when
// all went well.
std::string actAsUser(const std::string& take, const std::string& output, const std::filesystem::path& work)
{
    HWND open = waitForDialog("Take the driver plays (microphone left, pickup right)");
    if (open == nullptr || !typeFileName(open, take)) {
        return "the open dialog for the take did not appear";
    }
    std::ofstream(work / "ready") << "ready";
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!std::filesystem::exists(work / "shot") && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    pressOk(open);
    HWND save = waitForDialog("Where the driver writes its outputs (Cancel: not kept)");
    if (save == nullptr || !typeFileName(save, output)) {
        return "the save dialog for the outputs did not appear";
    }
    pressOk(save);
    return {};
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        return fail("usage: take_panel_check DRIVER.dll WORK_FOLDER");
    }
    const std::filesystem::path work = argv[2];
    const std::string take = (work / "take.wav").string();
    const std::string output = (work / "outputs.wav").string();
    writeTake(take);

    const std::string privateUser = "Software\\Kestrava Sonalve Tests\\panel-" + std::to_string(GetCurrentProcessId());
    RegistryKey user = RegistryKey::create(HKEY_CURRENT_USER, privateUser);
    if (!user || RegOverridePredefKey(HKEY_CURRENT_USER, user.handle()) != ERROR_SUCCESS) {
        return fail("no private key for the user's settings");
    }
    CoInitialize(nullptr);
    HMODULE library = LoadLibraryA(argv[1]);
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject =
        library != nullptr ? reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject"))) : nullptr;
    IClassFactory* factory = nullptr;
    void* object = nullptr;
    if (getClassObject == nullptr ||
        FAILED(getClassObject(kTakeDriverClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory))) ||
        FAILED(factory->CreateInstance(nullptr, kTakeDriverClassId, &object))) {
        return fail("the driver could not be created from its DLL");
    }
    auto* driver = static_cast<IASIO*>(object);

    std::string problem;
    std::thread user_([&] { problem = actAsUser(take, output, work); });
    const ASIOError panel = driver->controlPanel();
    user_.join();

    std::string settingsProblem;
    const FileDriverOptions chosen = readTakeSettings(settingsStore(), settingsProblem);
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
    const bool runs = driver->init(nullptr) == ASIOTrue && driver->getChannels(&inputs, &outputs) == ASE_OK;
    driver->Release();
    factory->Release();
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    user = {};
    RegDeleteTreeA(HKEY_CURRENT_USER, privateUser.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Kestrava Sonalve Tests");

    if (!problem.empty()) {
        return fail(problem);
    }
    if (panel != ASE_OK) {
        return fail("the control panel answered " + std::to_string(panel));
    }
    if (chosen.inputPath != take || chosen.outputPath != output) {
        return fail("settings hold \"" + chosen.inputPath + "\" and \"" + chosen.outputPath + "\"");
    }
    if (!runs || inputs != 2) {
        return fail("the driver does not run with the chosen take");
    }
    std::printf("take_panel_check: the take and the output file chosen in the dialogs are the driver's\n");
    return 0;
}
