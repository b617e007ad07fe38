// The measurement window on Windows: the workflow's view over the controls
// of the dialog made from the resource template, and the progress bar that
// exists only while a recording runs.
//
// Dialog thread only.
#pragma once

#include "measure/MeasurementView.h"

#include <windows.h>

namespace kestrava::calibrix {

class DialogView final : public measure::MeasurementView {
public:
    // Remembers the client area and the scroll-bar arrow height the
    // progress bar is laid out with.
    explicit DialogView(HWND dialog);

    void setText(int control, const std::string& text) override;
    void setEnabled(int control, bool enabled) override;
    void clearList(int list) override;
    void addListItem(int list, const std::string& text) override;
    void selectListItem(int list, int index) override;
    int selectedListItem(int list) const override;
    std::string listItemText(int list, int index) const override;
    void setChecked(int control, bool checked) override;
    bool isChecked(int control) const override;
    void setSliderPosition(int slider, int position) override;
    void showProgressBar() override;
    void setProgress(int percent) override;
    void hideProgressBar() override;
    void startTimer(int timer, int periodMs) override;
    void stopTimer(int timer) override;
    bool askYesNo(const std::string& text, const std::string& caption) override;

private:
    HWND item(int control) const { return GetDlgItem(dialog_, control); }

    HWND dialog_;
    RECT client_{};
    int arrowHeight_ = 0;
    HWND progressBar_ = nullptr;
};

}  // namespace kestrava::calibrix
