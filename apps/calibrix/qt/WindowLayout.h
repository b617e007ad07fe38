// Where the Linux measurement window puts its controls: the Windows
// dialog's layout in dialog units, two pixels to a unit, with the level
// meters and the curves view to the right of it. The window and its test
// both read it, so the test clicks where a player would.
//
// Plain data; any thread.
#pragma once

#include "measure/MeasurementView.h"

namespace kestrava::calibrix {

inline constexpr int kPixelsPerUnit = 2;

enum class ControlKind { Label, RightLabel, CentredLabel, List, Button, Radio, Check, Slider, Group };

struct ControlPlace {
    int id;  // 0 for the texts nothing refers to
    ControlKind kind;
    const char* text;
    // In dialog units, as in the Windows template.
    int x, y, width, height;
};

namespace control = measure::control;

inline constexpr ControlPlace kControlPlaces[] = {
    {0, ControlKind::RightLabel, "Audio Hardware", 0, 7, 55, 8},
    {control::kDriverList, ControlKind::List, "Audio Hardware", 60, 5, 120, 12},
    {0, ControlKind::RightLabel, "Left Output", 0, 22, 55, 8},
    {control::kLeftOutputList, ControlKind::List, "Left Output", 60, 20, 120, 12},
    {0, ControlKind::RightLabel, "Right Output", 0, 37, 55, 8},
    {control::kRightOutputList, ControlKind::List, "Right Output", 60, 35, 120, 12},
    {0, ControlKind::RightLabel, "Mic Input", 0, 52, 55, 8},
    {control::kMicInputList, ControlKind::List, "Mic Input", 60, 50, 120, 12},
    {0, ControlKind::RightLabel, "Pickup Input", 0, 67, 55, 8},
    {control::kPickupInputList, ControlKind::List, "Pickup Input", 60, 65, 120, 12},
    {control::kConfigurationButton, ControlKind::Button, "Driver Settings...", 60, 80, 75, 14},
    {0, ControlKind::Label, "->", 139, 83, 8, 8},
    {control::kApplyButton, ControlKind::Button, "Apply", 150, 80, 30, 14},
    {0, ControlKind::Group, "Monitoring", 10, 95, 75, 80},
    {control::kMonitorButton, ControlKind::Button, "Start monitoring", 15, 105, 65, 14},
    {control::kMicSource, ControlKind::Radio, "Mic Input", 15, 125, 45, 8},
    {control::kPickupSource, ControlKind::Radio, "Pickup Input", 15, 135, 55, 8},
    {control::kProcessedSource, ControlKind::Radio, "Processed sound", 15, 145, 71, 8},
    {control::kLoadButton, ControlKind::Button, "Load corr. file", 15, 155, 65, 14},
    {control::kAirCheck, ControlKind::Check, "Air", 95, 110, 24, 8},
    {control::kHelpButton, ControlKind::Button, "Help", 120, 105, 60, 14},
    {control::kMainVolumeCaption, ControlKind::Label, "Main\nVolume\nControl", 115, 125, 25, 24},
    {control::kMainVolumeSlider, ControlKind::Slider, "Main Volume Control", 115, 150, 15, 70},
    {control::kMainVolumeText, ControlKind::CentredLabel, "0 dB", 110, 220, 30, 8},
    {control::kPickupVolumeCaption, ControlKind::Label, "Pickup\nInput\nVolume", 150, 125, 25, 24},
    {control::kPickupVolumeSlider, ControlKind::Slider, "Pickup Input Volume", 150, 150, 20, 70},
    {control::kPickupVolumeText, ControlKind::CentredLabel, "0 dB", 145, 220, 30, 8},
    {0, ControlKind::Group, "Generate corr. file", 10, 180, 75, 50},
    {control::kRecordButton, ControlKind::Button, "Start recording", 15, 190, 65, 15},
    {control::kSaveButton, ControlKind::Button, "Save corr. file", 15, 210, 65, 14},
    {control::kStatusText, ControlKind::Label, "", 95, 230, 55, 8},
};

// The dialog's own client area, and what lies beside it, in pixels.
inline constexpr int kDialogWidth = 190 * kPixelsPerUnit;
inline constexpr int kDialogHeight = 239 * kPixelsPerUnit;
inline constexpr int kMeterTop = 24;
inline constexpr int kMeterWidth = 36;
inline constexpr int kMeterHeight = kDialogHeight - 60;
inline constexpr int kMicMeterLeft = kDialogWidth + 10;
inline constexpr int kPickupMeterLeft = kMicMeterLeft + kMeterWidth + 12;
inline constexpr int kCurvesLeft = kPickupMeterLeft + kMeterWidth + 16;
inline constexpr int kCurvesWidth = 600;
inline constexpr int kWindowWidth = kCurvesLeft + kCurvesWidth + 10;
inline constexpr int kProgressHeight = 16;
// Below the curves: the analysis setting and the impulse-response export.
inline constexpr int kCurvesHeight = kDialogHeight - 20 - kProgressHeight - 30;
inline constexpr int kCurvesControlsTop = 10 + kCurvesHeight + 6;
inline constexpr int kExportButtonWidth = 150;
inline constexpr const char* kAveragedAnalysisText = "Averaged analysis (noisy rooms, hum)";
inline constexpr const char* kExportImpulseText = "Export impulse response...";

// The centre of a control in window pixels.
inline int centreX(const ControlPlace& p) { return (p.x + p.width / 2) * kPixelsPerUnit; }
inline int centreY(const ControlPlace& p) { return (p.y + p.height / 2) * kPixelsPerUnit; }

}  // namespace kestrava::calibrix
