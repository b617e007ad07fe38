// About boxes on Windows: modeless dialogs from the module's dialog resource
// 105, owned by no window and served by the host's message loop.
#include "gui/AboutBoxes.h"
#include "gui/win32/ModuleHandle.h"

#include <algorithm>
#include <vector>

namespace kestrava::gui {
namespace {

constexpr int kAboutDialog = 105;

std::vector<HWND> openBoxes;

INT_PTR CALLBACK aboutProcedure(HWND box, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        // "OK" and the close box both send command 2.
        if (LOWORD(wParam) == IDCANCEL) {
            DestroyWindow(box);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        std::erase(openBoxes, box);
        return FALSE;
    default:
        return FALSE;
    }
}

class Win32AboutBoxes final : public AboutBoxes {
public:
    void open() override
    {
        HWND box = CreateDialogParamA(moduleHandle(), MAKEINTRESOURCEA(kAboutDialog), nullptr, aboutProcedure, 0);
        if (box != nullptr)
            openBoxes.push_back(box);
    }

    void closeAll() override
    {
        const std::vector<HWND> boxes = openBoxes;
        for (HWND box : boxes)
            DestroyWindow(box);
        openBoxes.clear();
    }

    std::size_t openCount() override { return openBoxes.size(); }
};

}  // namespace

AboutBoxes& nativeAboutBoxes()
{
    static Win32AboutBoxes boxes;
    return boxes;
}

}  // namespace kestrava::gui
