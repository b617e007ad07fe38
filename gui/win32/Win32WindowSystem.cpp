// The Windows window system: each frame is a child window of the host's
// HWND, of a window class named "Plugin" followed by the module handle, so
// that two copies of the library never share a class. The host's message
// loop delivers its paints and clicks; a drop target on it turns down every
// drop its views do not accept.
#include "gui/PlatformWindow.h"
#include "gui/win32/GdiDrawContext.h"
#include "gui/win32/ModuleHandle.h"

#include <ole2.h>
#include <windowsx.h>

#include <cstdio>

namespace kestrava::gui {
namespace {

// Tells OLE what a drop on the window would do: nothing, unless a view of
// the frame accepts dropped files.
class DropTarget final : public IDropTarget {
public:
    explicit DropTarget(WindowClient& client) : client_(client) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (id == IID_IUnknown || id == IID_IDropTarget) {
            *object = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override
    {
        *effect = answer();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override
    {
        *effect = answer();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override
    {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }

private:
    DWORD answer() const { return client_.acceptsDrop() ? DROPEFFECT_COPY : DROPEFFECT_NONE; }

    WindowClient& client_;
    ULONG references_ = 1;
};

char className[32];
int openWindows = 0;

LRESULT CALLBACK frameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

bool registerClass()
{
    if (openWindows++ > 0)
        return true;
    std::snprintf(className, sizeof className, "Plugin%p", static_cast<void*>(moduleHandle()));
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = frameProcedure;
    windowClass.hInstance = moduleHandle();
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    if (RegisterClassA(&windowClass) != 0)
        return true;
    --openWindows;
    return false;
}

// The class goes with the last window, so that none is left pointing into
// a library that may be unloaded.
void unregisterClass()
{
    if (--openWindows == 0)
        UnregisterClassA(className, moduleHandle());
}

unsigned buttonsOf(UINT message, WPARAM wParam)
{
    unsigned buttons = message == WM_LBUTTONDOWN ? kLButton : message == WM_MBUTTONDOWN ? kMButton : kRButton;
    if (wParam & MK_SHIFT)
        buttons |= kShift;
    if (wParam & MK_CONTROL)
        buttons |= kControl;
    if (GetKeyState(VK_MENU) < 0)
        buttons |= kAlt;
    return buttons;
}

class Win32Window final : public PlatformWindow {
public:
    Win32Window(HWND window, WindowClient& client) : window_(window), client_(client), dropTarget_(new DropTarget(client))
    {
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        dropRegistered_ = RegisterDragDrop(window_, dropTarget_) == S_OK;
    }

    ~Win32Window() override
    {
        if (dropRegistered_)
            RevokeDragDrop(window_);
        dropTarget_->Release();
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
        unregisterClass();
    }

    void redraw(const CRect& area) override
    {
        const RECT r{area.left, area.top, area.right, area.bottom};
        InvalidateRect(window_, &r, FALSE);
        UpdateWindow(window_);
    }

    void handleEvents() override {}

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window_, &paint);
            const CRect area{paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right, paint.rcPaint.bottom};
            {
                GdiDrawContext context(dc, area);
                client_.paint(context, area);
            }
            EndPaint(window_, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_RBUTTONDOWN:
            client_.mouseDown({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, buttonsOf(message, wParam));
            return 0;
        case WM_MOUSEWHEEL: {
            POINT where{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ScreenToClient(window_, &where);
            client_.wheel({where.x, where.y}, static_cast<float>(GET_WHEEL_DELTA_WPARAM(wParam)) / WHEEL_DELTA);
            return 0;
        }
        default:
            return DefWindowProcA(window_, message, wParam, lParam);
        }
    }

private:
    HWND window_;
    WindowClient& client_;
    DropTarget* dropTarget_;
    bool dropRegistered_ = false;
};

LRESULT CALLBACK frameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* frame = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return frame != nullptr ? frame->handle(message, wParam, lParam) : DefWindowProcA(window, message, wParam, lParam);
}

class Win32WindowSystem final : public WindowSystem {
public:
    std::unique_ptr<PlatformWindow> createChildWindow(void* parent, CPoint size, WindowClient& client) override
    {
        HWND parentWindow = static_cast<HWND>(parent);
        if (parentWindow == nullptr || !IsWindow(parentWindow) || !registerClass())
            return nullptr;
        HWND window = CreateWindowExA(0, className, "Window", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                      0, 0, size.x, size.y, parentWindow, nullptr, moduleHandle(), nullptr);
        if (window == nullptr) {
            unregisterClass();
            return nullptr;
        }
        return std::make_unique<Win32Window>(window, client);
    }

    void dispatchPendingPaint() override
    {
        MSG message;
        if (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            DispatchMessageA(&message);
    }

    std::uint32_t milliseconds() override { return GetTickCount(); }
    void wait(std::uint32_t ms) override { Sleep(ms); }
    bool attachThread() override { return SUCCEEDED(OleInitialize(nullptr)); }
    void detachThread() override { OleUninitialize(); }
};

}  // namespace

WindowSystem& nativeWindowSystem()
{
    static Win32WindowSystem system;
    return system;
}

}  // namespace kestrava::gui
