// Starts an installed Calibrix.exe as a player would, presses "Help" and
// checks that the help opens with no message: nothing titled "Error" (the
// installation entry or Help.chm missing) appears. The message a machine
// without an audio driver shows at start is answered first.
//
// Usage: help_from_install CALIBRIX.exe   (a Windows path)
// Exit status 0 when the help opened without a message.
#include "tests/support/WindowsProcess.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace kestrava::test {
namespace {

constexpr int kHelpButton = 1010;

// The first top-level dialog of the process with that caption.
HWND dialogOf(DWORD process, const char* caption)
{
    for (HWND w = FindWindowA("#32770", caption); w != nullptr; w = FindWindowExA(nullptr, w, "#32770", caption)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == process)
            return w;
    }
    return nullptr;
}

std::string staticText(HWND box)
{
    char text[512] = {};
    for (HWND child = FindWindowExA(box, nullptr, "Static", nullptr); child != nullptr;
         child = FindWindowExA(box, child, "Static", nullptr)) {
        if (GetWindowTextA(child, text, sizeof text) > 0)
            return text;
    }
    return "";
}

int run(const std::string& calibrix)
{
    PROCESS_INFORMATION process{};
    if (!startProgram(quoted(calibrix), process)) {
        std::fprintf(stderr, "FAILED: cannot start %s\n", calibrix.c_str());
        return 1;
    }
    HWND dialog = nullptr;
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
        if (HWND noDriver = dialogOf(process.dwProcessId, "Driver is not available!"))
            PostMessageA(noDriver, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        dialog = dialogOf(process.dwProcessId, "Kestrava Sonalve");
        if (dialog != nullptr && IsWindowEnabled(dialog))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    int status = 0;
    if (dialog == nullptr || !IsWindowEnabled(dialog)) {
        std::fprintf(stderr, "FAILED: Calibrix's window did not open\n");
        status = 1;
    } else {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(kHelpButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, kHelpButton)));
        const auto pressed = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - pressed < std::chrono::seconds(8)) {
            if (HWND error = dialogOf(process.dwProcessId, "Error")) {
                std::fprintf(stderr, "FAILED: Help showed \"%s\"\n", staticText(error).c_str());
                status = 1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (status == 0)
        std::printf("Help opened from %s with no message\n", calibrix.c_str());
    return status;
}

}  // namespace
}  // namespace kestrava::test

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: help_from_install CALIBRIX.exe\n");
        return 2;
    }
    return kestrava::test::run(argv[1]);
}
