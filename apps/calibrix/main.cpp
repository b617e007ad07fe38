// Calibrix: the measurement program. One modal dialog from the resource
// template; its procedure hands the user's actions to the measurement
// workflow and lets the workflow's view show the results. The program ends
// when the dialog closes.
#include "apps/calibrix/DialogView.h"
#include "apps/calibrix/Drivers.h"
#include "measure/MeasurementDialog.h"
#include "platform/Desktop.h"
#include "platform/win32/OwnedDesktop.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>

namespace kestrava::calibrix {

using measure::MeasurementDialog;
namespace control = measure::control;

namespace {

constexpr int kDialogTemplate = 101;

// Everything the dialog owns for as long as it is open.
struct Window {
    std::unique_ptr<DialogView> view;
    std::unique_ptr<platform::Messages> messages;
    std::unique_ptr<platform::FileDialog> fileDialog;
    std::unique_ptr<audio::DriverSource> drivers;
    std::unique_ptr<MeasurementDialog> workflow;
};

Window window;

void create(HWND dialog)
{
    const platform::DesktopServices desktop = platform::desktopServices();
    window.view = std::make_unique<DialogView>(dialog);
    window.messages = platform::messagesOwnedBy(dialog);
    window.fileDialog = platform::fileDialogOwnedBy(dialog);
    window.drivers = calibrixDrivers();
    window.workflow = std::make_unique<MeasurementDialog>(
        measure::MeasurementServices{*window.view, *window.messages, desktop.messages, desktop.shell,
                                     *window.fileDialog, platform::settingsStore(), *window.drivers});
    window.workflow->open();
}

// Only the notifications the workflow acts on; anything else is left to
// the default dialog handling.
bool command(HWND dialog, int id, int code)
{
    MeasurementDialog& w = *window.workflow;
    switch (id) {
    case IDOK:
    case IDCANCEL:
        if (w.closeRequested())
            EndDialog(dialog, id);
        return true;
    case control::kDriverList:
        if (code == CBN_SELENDOK)
            w.driverChosen();
        return code == CBN_SELENDOK;
    case control::kLeftOutputList:
    case control::kRightOutputList:
    case control::kMicInputList:
    case control::kPickupInputList:
        if (code == CBN_SELENDOK)
            w.channelChosen(id);
        return code == CBN_SELENDOK;
    default:
        break;
    }
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case control::kApplyButton:
        w.driverChosen();
        return true;
    case control::kConfigurationButton:
        w.configureDriver();
        return true;
    case control::kMicSource:
    case control::kPickupSource:
    case control::kProcessedSource:
        w.monitorSourceClicked(id);
        return true;
    case control::kAirCheck:
        w.airClicked();
        return true;
    case control::kMonitorButton:
        w.monitorClicked();
        return true;
    case control::kRecordButton:
        w.recordClicked();
        return true;
    case control::kLoadButton:
        w.loadClicked();
        return true;
    case control::kSaveButton:
        w.saveClicked();
        return true;
    case control::kHelpButton:
        w.helpClicked();
        return true;
    default:
        return false;
    }
}

INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        create(dialog);
        return TRUE;
    }
    // Nothing reaches the workflow before it exists or after it is gone.
    if (!window.workflow)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        return command(dialog, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_VSCROLL:
        // Only the dragged thumb changes a volume.
        if (LOWORD(wParam) == TB_THUMBTRACK && lParam != 0)
            window.workflow->sliderDragged(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)), HIWORD(wParam));
        return TRUE;
    case WM_TIMER:
        window.workflow->timerTick(static_cast<int>(wParam));
        return TRUE;
    case WM_DESTROY:
        window.workflow.reset();
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace
}  // namespace kestrava::calibrix

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(kestrava::calibrix::kDialogTemplate), nullptr,
                    &kestrava::calibrix::dialogProcedure, 0);
    return 0;
}
