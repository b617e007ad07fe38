// Works Calibrix.exe as a user would, from outside, with window messages:
// finds the dialog by its caption, checks the template and every control
// (kind, text, place, state), reads the lists, pairs channels, moves a
// slider, runs a whole measurement through the recorded-take ASIO driver
// (registered with regsvr32 for the run, removed again after), answers the
// close question, saves through the real save dialog and compares the saved
// file with `kestrava design` of the same take. Saves a picture of the
// dialog while it records.
//
// Usage: calibrix_window_test CALIBRIX.exe KESTRAVA.exe TAKE_DRIVER.dll WORK_FOLDER
// (Windows paths). Exit status 0 when every check passed.
#include "audio/win32/TakeDriver.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TakeDriverSettings.h"
#include "tests/support/WavBuilder.h"
#include "tests/support/WindowsProcess.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace kestrava::test {
namespace {

int failures = 0;

void check(bool ok, const std::string& what)
{
    if (!ok) {
        ++failures;
        std::fprintf(stderr, "FAILED: %s\n", what.c_str());
    }
}

std::string shown(const std::string& s)
{
    return "\"" + s + "\"";
}

std::string shown(const std::vector<std::string>& items)
{
    std::string all = "{";
    for (const std::string& item : items)
        all += shown(item) + " ";
    return all + "}";
}

template <class T>
std::string shown(const T& value)
{
    if constexpr (std::is_same_v<T, std::vector<int>>) {
        std::string all = "{";
        for (const int v : value)
            all += std::to_string(v) + " ";
        return all + "}";
    } else {
        return std::to_string(value);
    }
}

template <class A, class B>
void checkEqual(const A& actual, const B& expected, const std::string& what)
{
    check(actual == expected, what + ": got " + shown(actual));
}

bool waitFor(const std::function<bool()>& condition, int seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::string textOf(HWND window)
{
    char text[512] = {};
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string classOf(HWND window)
{
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// Each entry as the list shows it when selected: Wine hands only the first
// character of CB_GETLBTEXT to another process. Selecting without the
// notification leaves the program's own choice alone.
std::vector<std::string> listOf(HWND combo)
{
    std::vector<std::string> items;
    const LRESULT selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
        items.push_back(textOf(combo));
    }
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    return items;
}

// Noise at -14 dBFS on the pickup and a lightly smoothed copy on the
// microphone, 16-bit stereo at 48,000 Hz, as long as one recording.
void writeTake(const std::string& path)
{
    const std::uint32_t frames = 1048576;
    std::vector<double> microphone;
    std::vector<double> pickup;
    microphone.reserve(frames);
    pickup.reserve(frames);
    std::uint32_t state = 99;
    double previous = 0.0;
    for (std::uint32_t i = 0; i < frames; ++i) {
        state = state * 1664525u + 1013904223u;
        const double x = static_cast<double>(static_cast<int>((static_cast<double>(state) / 4294967296.0 - 0.5) * 12000.0));
        microphone.push_back(static_cast<std::int16_t>(0.85 * x + 0.15 * previous));
        pickup.push_back(static_cast<std::int16_t>(x));
        previous = x;
    }
    writeFile(path, buildWav({16}, {microphone, pickup}));
}

// The take driver registered and playing the take while it lives; removed
// with its settings at the end, whichever way the test ends.
class TakeDriverRegistration {
public:
    TakeDriverRegistration(const std::string& dll, const std::string& take, const std::string& outputs) : dll_(dll)
    {
        check(runProgram("regsvr32 /s " + quoted(dll_)) == 0, "regsvr32 registers the take driver");
        check(useTake(take, outputs, "Int24LSB", "512"), "the take driver's settings written");
    }
    ~TakeDriverRegistration()
    {
        check(runProgram("regsvr32 /s /u " + quoted(dll_)) == 0, "regsvr32 /u removes it");
        clearTakeSettings();
    }
    TakeDriverRegistration(const TakeDriverRegistration&) = delete;
    TakeDriverRegistration& operator=(const TakeDriverRegistration&) = delete;

private:
    std::string dll_;
};

// The window's pixels as they are on screen, as a 24-bit BMP.
void savePicture(HWND window, const std::string& path)
{
    RECT r{};
    GetWindowRect(window, &r);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = static_cast<DWORD>((w * 3 + 3) & ~3);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + stride * static_cast<DWORD>(h);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride) * h);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

struct ControlRow {
    int id;
    const char* kind;  // window class
    DWORD style;       // style bits that must be set (the low kind bits compared whole)
    const char* text;
    RECT place;        // x, y, width, height in dialog units (right/bottom hold width/height)
    bool enabled;
};

constexpr DWORD kKindMask = 0x1F;

const std::vector<ControlRow> kControls = {
    {1001, "ComboBox", CBS_DROPDOWNLIST, "", {60, 5, 120, 95}, true},
    {1002, "ComboBox", CBS_DROPDOWNLIST, "", {60, 20, 120, 80}, true},
    {1003, "ComboBox", CBS_DROPDOWNLIST, "", {60, 35, 120, 65}, true},
    {1004, "ComboBox", CBS_DROPDOWNLIST, "", {60, 50, 120, 50}, true},
    {1005, "ComboBox", CBS_DROPDOWNLIST, "", {60, 65, 120, 35}, true},
    {1020, "Button", BS_PUSHBUTTON, "ASIO Configuration...", {60, 80, 75, 14}, true},
    {1021, "Button", BS_PUSHBUTTON, "Apply", {150, 80, 30, 14}, true},
    {1000, "Button", BS_PUSHBUTTON, "Start monitoring", {15, 105, 65, 14}, true},
    {1012, "Button", BS_AUTORADIOBUTTON, "Mic Input", {15, 125, 45, 8}, true},
    {1013, "Button", BS_AUTORADIOBUTTON, "Pickup Input", {15, 135, 55, 8}, true},
    {1014, "Button", BS_AUTORADIOBUTTON, "Processed sound", {15, 145, 71, 8}, false},
    {1009, "Button", BS_PUSHBUTTON, "Load corr. file", {15, 155, 65, 14}, true},
    {1011, "Button", BS_AUTOCHECKBOX, "Air", {95, 110, 24, 8}, true},
    {1010, "Button", BS_PUSHBUTTON, "Help", {120, 105, 60, 14}, true},
    {1017, "Static", SS_LEFT, "Main\nVolume\nControl", {115, 125, 25, 24}, true},
    {1022, "msctls_trackbar32", TBS_VERT | TBS_BOTH | TBS_NOTICKS, "", {115, 150, 15, 70}, true},
    {1018, "Static", SS_CENTER, "0 dB", {110, 220, 30, 8}, true},
    {1019, "Static", SS_LEFT, "Pickup\nInput\nVolume", {150, 125, 25, 24}, false},
    {1007, "msctls_trackbar32", TBS_VERT | TBS_BOTH | TBS_NOTICKS, "", {150, 150, 20, 70}, false},
    {1008, "Static", SS_CENTER, "0 dB", {145, 220, 30, 8}, false},
    {1006, "Button", BS_PUSHBUTTON, "Start recording", {15, 190, 65, 15}, true},
    {1015, "Button", BS_PUSHBUTTON, "Save corr. file", {15, 210, 65, 14}, false},
    {1016, "Static", SS_LEFT, "", {95, 230, 55, 8}, true},
};

// The unnamed controls: labels and frames, found by their text.
struct LabelRow {
    const char* kind;
    DWORD style;
    const char* text;
    RECT place;
};

const std::vector<LabelRow> kLabels = {
    {"Static", SS_RIGHT, "Audio Hardware", {0, 7, 55, 8}},   {"Static", SS_RIGHT, "Left Output", {0, 22, 55, 8}},
    {"Static", SS_RIGHT, "Right Output", {0, 37, 55, 8}},    {"Static", SS_RIGHT, "Mic Input", {0, 52, 55, 8}},
    {"Static", SS_RIGHT, "Pickup Input", {0, 67, 55, 8}},    {"Static", SS_LEFT, "->", {139, 83, 8, 8}},
    {"Button", BS_GROUPBOX, "Monitoring", {10, 95, 75, 80}}, {"Button", BS_GROUPBOX, "Generate corr. file", {10, 180, 75, 50}},
};

// The dialog's base units, which MapDialogRect does not give another
// process: the whole pair that turns 190 x 239 units into the client area.
struct BaseUnits {
    int x = 0;
    int y = 0;
};
BaseUnits baseUnits;

bool findBaseUnits(const RECT& client)
{
    for (int x = 1; x < 64; ++x) {
        for (int y = 1; y < 64; ++y) {
            if (MulDiv(190, x, 4) == client.right && MulDiv(239, y, 8) == client.bottom) {
                baseUnits = {x, y};
                return true;
            }
        }
    }
    return false;
}

// The control's rectangle in pixels of the client area against the
// template's dialog units.
bool placedAt(HWND dialog, HWND control, const RECT& units, bool heightFromList)
{
    const auto px = [](LONG u) { return MulDiv(u, baseUnits.x, 4); };
    const auto py = [](LONG u) { return MulDiv(u, baseUnits.y, 8); };
    const RECT expected{px(units.left), py(units.top), px(units.left + units.right), py(units.top + units.bottom)};
    RECT actual{};
    GetWindowRect(control, &actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    const auto within = [](LONG a, LONG b) { return a - b <= 1 && b - a <= 1; };
    // A drop-down list's window is as high as its edit part; the template
    // height is that of the open list.
    if (!(within(actual.left, expected.left) && within(actual.top, expected.top)))
        std::fprintf(stderr, "  at %ld,%ld-%ld,%ld, expected %ld,%ld-%ld,%ld\n", actual.left, actual.top, actual.right,
                     actual.bottom, expected.left, expected.top, expected.right, expected.bottom);
    return within(actual.left, expected.left) && within(actual.top, expected.top) && within(actual.right, expected.right)
           && (heightFromList || within(actual.bottom, expected.bottom));
}

void checkTemplate(const std::string& calibrix)
{
    HMODULE module = LoadLibraryExA(calibrix.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = module != nullptr ? FindResourceA(module, MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(5)) : nullptr;
    check(found != nullptr, "dialog template 101 in Calibrix.exe");
    if (found == nullptr)
        return;
    const auto* words = static_cast<const WORD*>(LockResource(LoadResource(module, found)));
    // DLGTEMPLATEEX: version, signature, helpId, exStyle, style, count, x, y, cx, cy, then menu,
    // class and title as strings, then point size, weight, italic, charset and the face name.
    checkEqual(words[1], 0xFFFF, "an extended dialog template");
    DWORD style = 0;
    std::memcpy(&style, words + 6, sizeof style);
    check((style & (DS_MODALFRAME | DS_CENTER | WS_SYSMENU | WS_CAPTION)) == (DS_MODALFRAME | DS_CENTER | WS_SYSMENU | WS_CAPTION)
              && (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0,
          "modal frame, centred, system menu, no minimise or maximise box");
    checkEqual(words[11], 190, "template width 190");
    checkEqual(words[12], 239, "template height 239");
    const WORD* p = words + 13;
    const auto skipText = [&p]() {
        if (*p == 0xFFFF) {
            p += 2;
            return std::string();
        }
        std::string text;
        while (*p != 0)
            text.push_back(static_cast<char>(*p++));
        ++p;
        return text;
    };
    skipText();  // menu
    skipText();  // class
    checkEqual(skipText(), std::string("Kestrava Sonalve"), "template caption");
    checkEqual(p[0], 8, "font 8 points");
    p += 3;
    checkEqual(skipText(), std::string("Ms Shell Dlg"), "font Ms Shell Dlg");
    FreeLibrary(module);
}

void click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void choose(HWND dialog, int id, int index)
{
    SendMessageA(GetDlgItem(dialog, id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

int selection(HWND dialog, int id)
{
    return static_cast<int>(SendMessageA(GetDlgItem(dialog, id), CB_GETCURSEL, 0, 0));
}

bool enabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

// A window of the calling process's dialog class owned by the measurement
// dialog: a message box or a file dialog.
HWND ownedDialog(HWND owner, const char* caption)
{
    HWND found = nullptr;
    waitFor([&] {
        found = FindWindowA("#32770", caption);
        return found != nullptr && found != owner && GetWindow(found, GW_OWNER) == owner;
    }, 20);
    return found != nullptr && GetWindow(found, GW_OWNER) == owner ? found : nullptr;
}

// Types a name into the save dialog and confirms it.
void saveAs(HWND saveDialog, const std::string& path)
{
    HWND name = nullptr;
    for (const int id : {1148, 1152}) {  // the name box of the newer and the older dialog
        if ((name = GetDlgItem(saveDialog, id)) != nullptr)
            break;
    }
    check(name != nullptr, "the save dialog has a file name box");
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(saveDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(saveDialog, IDOK)));
}

// Calibrix.exe from its start to its end, measuring through the take driver.
void workTheWindow(const std::string& calibrix, const std::string& work, const std::string& designed)
{
    const std::string saved = work + "\\window.alg";
    PROCESS_INFORMATION program{};
    if (!startProgram(quoted(calibrix), program)) {
        check(false, "Calibrix.exe starts");
        return;
    }
    HWND dialog = nullptr;
    waitFor([&] { return (dialog = FindWindowA("#32770", "Kestrava Sonalve")) != nullptr; }, 60);
    if (dialog == nullptr) {
        check(false, "a window with the caption \"Kestrava Sonalve\"");
        TerminateProcess(program.hProcess, 1);
        return;
    }
    checkEqual(textOf(dialog), std::string("Kestrava Sonalve"), "caption");
    RECT client{};
    GetClientRect(dialog, &client);
    check(findBaseUnits(client), "client area of 190 x 239 dialog units");
    std::printf("client area %ld x %ld pixels, base units %d x %d\n", client.right, client.bottom, baseUnits.x,
                baseUnits.y);
    const LONG style = GetWindowLongA(dialog, GWL_STYLE);
    check((style & WS_SYSMENU) != 0 && (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0, "system menu only");

    for (const ControlRow& row : kControls) {
        HWND c = GetDlgItem(dialog, row.id);
        const std::string name = "control " + std::to_string(row.id);
        check(c != nullptr, name + " exists");
        if (c == nullptr)
            continue;
        checkEqual(classOf(c), std::string(row.kind), name + " is a " + row.kind);
        const DWORD s = static_cast<DWORD>(GetWindowLongA(c, GWL_STYLE));
        const bool isButtonOrStatic = std::string(row.kind) == "Button" || std::string(row.kind) == "Static";
        check(isButtonOrStatic ? (s & kKindMask) == row.style : (s & row.style) == row.style, name + " style");
        if (std::string(row.kind) != "ComboBox")
            checkEqual(textOf(c), std::string(row.text), name + " text");
        checkEqual(IsWindowEnabled(c) != FALSE, row.enabled, name + " enabled state");
        check(placedAt(dialog, c, row.place, std::string(row.kind) == "ComboBox"), name + " position");
    }
    std::vector<bool> labelFound(kLabels.size(), false);
    for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(c) != -1 && GetDlgCtrlID(c) != 0xFFFF)
            continue;
        for (std::size_t i = 0; i < kLabels.size(); ++i) {
            const LabelRow& row = kLabels[i];
            const DWORD s = static_cast<DWORD>(GetWindowLongA(c, GWL_STYLE));
            if (textOf(c) == row.text && classOf(c) == row.kind && (s & kKindMask) == row.style
                && placedAt(dialog, c, row.place, false))
                labelFound[i] = true;
        }
    }
    for (std::size_t i = 0; i < kLabels.size(); ++i)
        check(labelFound[i], std::string("label \"") + kLabels[i].text + "\" in its place");
    check(FindWindowExA(dialog, nullptr, "msctls_progress32", nullptr) == nullptr, "no progress bar before a recording");

    // Lists, checks and sliders as the window opens, with the take driver
    // chosen among whatever ASIO drivers this prefix has registered.
    const std::vector<std::string> drivers = listOf(GetDlgItem(dialog, 1001));
    const auto takeDriver = std::find(drivers.begin(), drivers.end(), kestrava::audio::kTakeDriverDescription);
    check(takeDriver != drivers.end(), "the take driver in the list: " + shown(drivers));
    if (takeDriver == drivers.end()) {
        TerminateProcess(program.hProcess, 1);
        return;
    }
    checkEqual(selection(dialog, 1001), 0, "the first driver chosen at the start");
    choose(dialog, 1001, static_cast<int>(takeDriver - drivers.begin()));
    checkEqual(listOf(GetDlgItem(dialog, 1002)), (std::vector<std::string>{"Output 1", "Output 2"}), "left outputs");
    checkEqual(listOf(GetDlgItem(dialog, 1005)), (std::vector<std::string>{"File channel 1", "File channel 2"}),
               "pickup inputs");
    checkEqual((std::vector<int>{selection(dialog, 1002), selection(dialog, 1003), selection(dialog, 1004),
                                 selection(dialog, 1005)}),
               (std::vector<int>{0, 1, 0, 1}), "channel selections");
    check(IsDlgButtonChecked(dialog, 1012) == BST_CHECKED && IsDlgButtonChecked(dialog, 1011) == BST_CHECKED,
          "Mic Input and Air checked");
    checkEqual(SendMessageA(GetDlgItem(dialog, 1022), TBM_GETPOS, 0, 0), 50, "main slider at 50");
    checkEqual(SendMessageA(GetDlgItem(dialog, 1007), TBM_GETPOS, 0, 0), 50, "pickup slider at 50");

    // Pairing, sources and a dragged slider.
    choose(dialog, 1002, 1);
    checkEqual(selection(dialog, 1003), 0, "choosing the right output's channel for the left swaps them");
    choose(dialog, 1002, 0);
    checkEqual(selection(dialog, 1003), 1, "and back");
    click(dialog, 1013);
    check(enabled(dialog, 1007) && enabled(dialog, 1008) && !enabled(dialog, 1022) && !enabled(dialog, 1018),
          "Pickup Input enables its slider only");
    SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(TB_THUMBTRACK, 53), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1007)));
    checkEqual(textOf(GetDlgItem(dialog, 1008)), std::string("-1 dB"), "thumb at 53 shows -1 dB");
    SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(TB_THUMBTRACK, 49), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1007)));
    checkEqual(textOf(GetDlgItem(dialog, 1008)), std::string("0 dB"), "thumb at 49 shows 0 dB");
    click(dialog, 1012);
    check(enabled(dialog, 1022) && !enabled(dialog, 1007), "Mic Input enables the main slider only");

    // A whole measurement.
    click(dialog, 1006);
    for (const int id : {1000, 1006, 1009, 1015, 1001, 1002, 1003, 1004, 1005, 1020, 1021, 1012, 1013, 1014})
        check(!enabled(dialog, id), "control " + std::to_string(id) + " disabled while recording");
    HWND bar = FindWindowExA(dialog, nullptr, "msctls_progress32", nullptr);
    check(bar != nullptr && IsWindowVisible(bar), "a progress bar while recording");
    if (bar != nullptr) {
        RECT barRect{};
        GetWindowRect(bar, &barRect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&barRect), 2);
        check(barRect.left == 0 && barRect.right == client.right && barRect.bottom == client.bottom
                  && barRect.bottom - barRect.top == GetSystemMetrics(SM_CYVSCROLL),
              "the bar spans the bottom of the client area, a scroll arrow high");
    }
    // The take driver hands over the take as fast as it is taken, so the
    // recording ends at the first tick: the picture shows it starting.
    savePicture(dialog, work + "\\calibrix-recording.bmp");
    check(waitFor([&] { return enabled(dialog, 1015); }, 120), "the design ends and Save corr. file is enabled");
    checkEqual(textOf(GetDlgItem(dialog, 1016)), std::string(""), "status cleared after the design");
    check(enabled(dialog, 1014) && enabled(dialog, 1000) && enabled(dialog, 1001), "controls enabled after the design");
    check(FindWindowExA(dialog, nullptr, "msctls_progress32", nullptr) == nullptr, "no progress bar after it");

    // Closing asks about the unsaved design; Yes opens the save dialog
    // and keeps the window.
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    HWND question = ownedDialog(dialog, "Info");
    check(question != nullptr, "the close asks about the unsaved correction");
    if (question != nullptr) {
        HWND text = GetDlgItem(question, 0xFFFF);
        checkEqual(text != nullptr ? textOf(text) : std::string(),
                   std::string("The correction file is not saved. Do you want to save it now?"), "the question");
        PostMessageA(question, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(question, IDYES)));
        check(waitFor([&] { return !IsWindow(question); }, 20), "Yes closes the question");
    }
    // The save dialog: the window's own dialog with a file name box.
    HWND save = nullptr;
    waitFor([&] {
        for (HWND w = FindWindowA("#32770", nullptr); w != nullptr; w = FindWindowExA(nullptr, w, "#32770", nullptr))
            if (w != dialog && GetWindow(w, GW_OWNER) == dialog && IsWindowVisible(w)
                && (GetDlgItem(w, 1148) != nullptr || GetDlgItem(w, 1152) != nullptr))
                save = w;
        return save != nullptr;
    }, 30);
    check(save != nullptr, "the save dialog opens, owned by the window");
    if (save != nullptr) {
        saveAs(save, saved);
        waitFor([&] { return !IsWindow(save); }, 20);
    }
    check(IsWindow(dialog) != FALSE, "the window stays open after Yes");
    check(waitFor([&] { return fileBytes(saved).size() == 4808; }, 10), "the saved file is complete");
    check(fileBytes(saved) == fileBytes(designed), "the window's file is kestrava design's file, byte for byte");

    // Saved now: the close asks nothing.
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    check(WaitForSingleObject(program.hProcess, 20000) == WAIT_OBJECT_0, "the program ends when the window closes");
    TerminateProcess(program.hProcess, 1);
    CloseHandle(program.hProcess);
    CloseHandle(program.hThread);
    // Only the take driver writes there: the measurement went through it.
    check(GetFileAttributesA((work + "\\outputs.wav").c_str()) != INVALID_FILE_ATTRIBUTES,
          "the take driver kept the window's outputs");
}

}  // namespace
}  // namespace kestrava::test

int main(int argc, char** argv)
{
    using namespace kestrava::test;
    if (argc != 5) {
        std::fprintf(stderr, "usage: calibrix_window_test CALIBRIX.exe KESTRAVA.exe TAKE_DRIVER.dll WORK_FOLDER\n");
        return 2;
    }
    const std::string calibrix = argv[1];
    const std::string kestrava = argv[2];
    const std::string driver = argv[3];
    const std::string work = argv[4];
    const std::string take = work + "\\take.wav";
    const std::string designed = work + "\\design.alg";

    writeTake(take);
    check(runProgram(quoted(kestrava) + " design " + quoted(take) + " -o " + quoted(designed)) == 0,
          "kestrava design of the take");
    checkTemplate(calibrix);

    {
        const TakeDriverRegistration registration(driver, take, work + "\\outputs.wav");
        // Only the registered drivers: not the recorded-file driver the variable adds.
        SetEnvironmentVariableA("KESTRAVA_TAKE", nullptr);
        workTheWindow(calibrix, work, designed);
    }

    std::printf("%s: %d failed check(s)\n", failures == 0 ? "passed" : "FAILED", failures);
    return failures == 0 ? 0 : 1;
}
