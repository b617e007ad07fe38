#include "HostWindow.h"

#include <windows.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace kestrava::test {
namespace {

LRESULT CALLBACK hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

BOOL CALLBACK collectAboutBox(HWND window, LPARAM list)
{
    char title[16] = {};
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && GetWindowTextA(window, title, sizeof title) > 0
        && std::strcmp(title, "About") == 0)
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

class Win32HostWindow final : public HostWindow {
public:
    Win32HostWindow(int width, int height) : width_(width), height_(height)
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = hostProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = "SonalveTestHost";
        RegisterClassA(&windowClass);
        RECT frame{0, 0, width, height};
        AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
        window_ = CreateWindowExA(0, "SonalveTestHost", "Sonalve test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        if (window_ == nullptr)
            throw std::runtime_error("CreateWindowExA failed");
        SetForegroundWindow(window_);
        run(200, {});
    }

    ~Win32HostWindow() override { DestroyWindow(window_); }

    void* handle() override { return window_; }

    void run(int milliseconds, const std::function<void()>& idle) override
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        do {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            if (idle)
                idle();
            Sleep(20);
        } while (std::chrono::steady_clock::now() < end);
    }

    RgbImage screenshot() override
    {
        POINT origin{0, 0};
        ClientToScreen(window_, &origin);
        return capture(origin, width_, height_);
    }

    RgbImage aboutBoxScreenshot() override
    {
        const std::vector<HWND> boxes = findAboutBoxes();
        RECT r{};
        if (boxes.empty() || !GetWindowRect(boxes.front(), &r))
            return {};
        return capture({r.left, r.top}, r.right - r.left, r.bottom - r.top);
    }

    static RgbImage capture(POINT origin, int width, int height)
    {
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ previous = SelectObject(memory, section);
        BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
        GdiFlush();
        RgbImage result{width, height, {}};
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        for (int i = 0; i < width * height; ++i) {
            result.rgb.push_back(static_cast<std::uint8_t>(pixels[i] >> 16));
            result.rgb.push_back(static_cast<std::uint8_t>(pixels[i] >> 8));
            result.rgb.push_back(static_cast<std::uint8_t>(pixels[i]));
        }
        SelectObject(memory, previous);
        DeleteObject(section);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        return result;
    }

    void click(int x, int y) override
    {
        POINT point{x, y};
        ClientToScreen(window_, &point);
        clickOnScreen(point);
    }

    int aboutBoxes() override { return static_cast<int>(findAboutBoxes().size()); }

    void clickOkOfAnAboutBox() override
    {
        const std::vector<HWND> boxes = findAboutBoxes();
        if (boxes.empty())
            return;
        RECT ok{};
        GetWindowRect(GetDlgItem(boxes.front(), IDCANCEL), &ok);
        clickOnScreen({(ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2});
    }

private:
    // SendInput takes absolute positions in 65,536ths of the primary screen.
    static void clickOnScreen(POINT point)
    {
        const int width = GetSystemMetrics(SM_CXSCREEN);
        const int height = GetSystemMetrics(SM_CYSCREEN);
        INPUT inputs[3] = {};
        for (INPUT& input : inputs) {
            input.type = INPUT_MOUSE;
            input.mi.dx = static_cast<LONG>((point.x * 65536 + width / 2) / width);
            input.mi.dy = static_cast<LONG>((point.y * 65536 + height / 2) / height);
        }
        inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
        inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
        SendInput(3, inputs, sizeof(INPUT));
    }

    std::vector<HWND> findAboutBoxes()
    {
        std::vector<HWND> boxes;
        EnumWindows(collectAboutBox, reinterpret_cast<LPARAM>(&boxes));
        return boxes;
    }

    HWND window_ = nullptr;
    int width_;
    int height_;
};

}  // namespace

std::unique_ptr<HostWindow> HostWindow::create(int width, int height)
{
    return std::make_unique<Win32HostWindow>(width, height);
}

}  // namespace kestrava::test
