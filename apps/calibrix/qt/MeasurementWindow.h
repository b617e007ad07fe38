// The measurement window on Linux: the measurement workflow's view in Qt 6
// Widgets, laid out as the Windows dialog, with the two input level meters
// and the curves view beside it. Every control carries its text as its
// accessible name. Closing goes through the workflow (the unsaved
// question), also for Escape and the window manager's close box.
//
// User-interface thread only. The meters' timer reads the peaks the audio
// thread hands over without locks.
#pragma once

#include "apps/calibrix/qt/QtDesktop.h"
#include "audio/DriverCatalog.h"
#include "measure/MeasurementDialog.h"
#include "measure/MeasurementView.h"

#include <QDialog>

#include <map>
#include <memory>

class QComboBox;
class QPushButton;
class QProgressBar;
class QTimer;

namespace kestrava::calibrix {

class CurvesView;
class LevelMeter;

class MeasurementWindow final : public QDialog, public measure::MeasurementView {
public:
    explicit MeasurementWindow(std::unique_ptr<audio::DriverSource> drivers);
    ~MeasurementWindow() override;

    // Fills the window as the workflow opens it; shown first, so the
    // no-driver message has its owner on screen.
    void start();
    void reject() override;

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
    void createControls();
    void connectControl(int id, QWidget* widget);
    void buttonClicked(int id);
    QComboBox* list(int id) const;
    // After anything that may have made or dropped a correction.
    void showCurves();
    void configureDriver();
    // Writes the current correction as a 2,048-tap, 48 kHz, 24-bit impulse
    // response where the player chooses, and says how closely it follows.
    void exportImpulseResponse();

    std::map<int, QWidget*> controls_;
    bool settingChecked_ = false;
    QProgressBar* progressBar_ = nullptr;
    std::map<int, QTimer*> timers_;
    QTimer* meterTimer_ = nullptr;
    LevelMeter* micMeter_ = nullptr;
    LevelMeter* pickupMeter_ = nullptr;
    CurvesView* curves_ = nullptr;
    QPushButton* exportButton_ = nullptr;

    QtMessages windowMessages_;
    QtMessages desktopMessages_;
    QtFileDialog fileDialog_;
    std::unique_ptr<audio::DriverSource> drivers_;
    std::unique_ptr<measure::MeasurementDialog> workflow_;
};

}  // namespace kestrava::calibrix
