// What the measurement window's workflow needs of a window: texts, enabled
// states, list contents and selections, check marks, slider positions, the
// progress bar, the one-second timer and the Yes/No question. The Windows
// dialog implements it over its controls; the tests implement it with
// plain fields. Controls are named by their dialog ids.
//
// User-interface thread only.
#pragma once

#include <string>

namespace kestrava::measure {

namespace control {
inline constexpr int kMonitorButton = 1000;
inline constexpr int kDriverList = 1001;
inline constexpr int kLeftOutputList = 1002;
inline constexpr int kRightOutputList = 1003;
inline constexpr int kMicInputList = 1004;
inline constexpr int kPickupInputList = 1005;
inline constexpr int kRecordButton = 1006;
inline constexpr int kPickupVolumeSlider = 1007;
inline constexpr int kPickupVolumeText = 1008;
inline constexpr int kLoadButton = 1009;
inline constexpr int kHelpButton = 1010;
inline constexpr int kAirCheck = 1011;
inline constexpr int kMicSource = 1012;
inline constexpr int kPickupSource = 1013;
inline constexpr int kProcessedSource = 1014;
inline constexpr int kSaveButton = 1015;
inline constexpr int kStatusText = 1016;
inline constexpr int kMainVolumeCaption = 1017;
inline constexpr int kMainVolumeText = 1018;
inline constexpr int kPickupVolumeCaption = 1019;
inline constexpr int kConfigurationButton = 1020;
inline constexpr int kApplyButton = 1021;
inline constexpr int kMainVolumeSlider = 1022;
}  // namespace control

inline constexpr int kRecordTimer = 1;
inline constexpr int kRecordTimerPeriodMs = 1000;

class MeasurementView {
public:
    virtual ~MeasurementView() = default;

    virtual void setText(int control, const std::string& text) = 0;
    virtual void setEnabled(int control, bool enabled) = 0;

    virtual void clearList(int list) = 0;
    virtual void addListItem(int list, const std::string& text) = 0;
    // Selecting an entry that does not exist leaves the list without one.
    virtual void selectListItem(int list, int index) = 0;
    // -1 when nothing is selected.
    virtual int selectedListItem(int list) const = 0;
    virtual std::string listItemText(int list, int index) const = 0;

    virtual void setChecked(int control, bool checked) = 0;
    virtual bool isChecked(int control) const = 0;
    virtual void setSliderPosition(int slider, int position) = 0;

    // The bar along the bottom of the window, range 0 to 100; it exists
    // only between show and hide.
    virtual void showProgressBar() = 0;
    virtual void setProgress(int percent) = 0;
    virtual void hideProgressBar() = 0;

    virtual void startTimer(int timer, int periodMs) = 0;
    virtual void stopTimer(int timer) = 0;

    // A modal question owned by the window; true for Yes.
    virtual bool askYesNo(const std::string& text, const std::string& caption) = 0;
};

}  // namespace kestrava::measure
