#include "apps/calibrix/qt/MeasurementWindow.h"

#include "apps/calibrix/qt/CurvesView.h"
#include "apps/calibrix/qt/LevelMeter.h"
#include "apps/calibrix/qt/WindowLayout.h"
#include "audio/file/WavFile.h"
#include "design/ImpulseExport.h"
#include "platform/Desktop.h"
#include "platform/FileAccess.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace kestrava::calibrix {

namespace {

constexpr int kMeterPeriodMs = 50;
constexpr const char* kJackSettingsText =
    "JACK's own settings apply: set the server's sample rate to 48000 Hz and its buffer size "
    "(4096 samples or less) in your JACK control program.";

QString qt(const std::string& text) { return QString::fromStdString(text); }

QWidget* makeControl(const ControlPlace& place, QWidget* parent)
{
    const QString text = QString::fromUtf8(place.text);
    QWidget* widget = nullptr;
    switch (place.kind) {
    case ControlKind::Label:
    case ControlKind::RightLabel:
    case ControlKind::CentredLabel: {
        auto* label = new QLabel(text, parent);
        label->setAlignment((place.kind == ControlKind::RightLabel    ? Qt::AlignRight
                             : place.kind == ControlKind::CentredLabel ? Qt::AlignHCenter
                                                                       : Qt::AlignLeft)
                            | Qt::AlignTop);
        widget = label;
        break;
    }
    case ControlKind::List:
        widget = new QComboBox(parent);
        break;
    case ControlKind::Button: {
        auto* button = new QPushButton(text, parent);
        button->setAutoDefault(false);
        widget = button;
        break;
    }
    case ControlKind::Radio:
        widget = new QRadioButton(text, parent);
        break;
    case ControlKind::Check:
        widget = new QCheckBox(text, parent);
        break;
    case ControlKind::Slider: {
        auto* slider = new QSlider(Qt::Vertical, parent);
        slider->setRange(0, 100);
        // Position 0 at the top, as the workflow counts.
        slider->setInvertedAppearance(true);
        slider->setInvertedControls(true);
        widget = slider;
        break;
    }
    case ControlKind::Group:
        widget = new QGroupBox(text, parent);
        break;
    }
    // A list's name is its label's; a slider's its caption's.
    widget->setAccessibleName(text);
    widget->setGeometry(place.x * kPixelsPerUnit, place.y * kPixelsPerUnit, place.width * kPixelsPerUnit,
                        place.height * kPixelsPerUnit);
    return widget;
}

}  // namespace

MeasurementWindow::MeasurementWindow(std::unique_ptr<audio::DriverSource> drivers)
    : windowMessages_(this), desktopMessages_(nullptr), fileDialog_(this), drivers_(std::move(drivers))
{
    setWindowTitle(measure::kWindowCaption);
    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);
    setFixedSize(kWindowWidth, kDialogHeight);
    createControls();
    const platform::DesktopServices desktop = platform::desktopServices();
    workflow_ = std::make_unique<measure::MeasurementDialog>(measure::MeasurementServices{
        *this, windowMessages_, desktopMessages_, desktop.shell, fileDialog_, platform::settingsStore(), *drivers_});
}

MeasurementWindow::~MeasurementWindow()
{
    meterTimer_->stop();
    workflow_.reset();
}

void MeasurementWindow::start()
{
    workflow_->open();
    meterTimer_->start(kMeterPeriodMs);
}

void MeasurementWindow::createControls()
{
    QLabel* label = nullptr;
    for (const ControlPlace& place : kControlPlaces) {
        QWidget* widget = makeControl(place, this);
        // A list is named by the label before it, as screen readers on
        // Linux expect: a list's own name is its current entry.
        if (place.kind == ControlKind::List && label != nullptr && label->text() == widget->accessibleName())
            label->setBuddy(widget);
        label = qobject_cast<QLabel*>(widget);
        if (place.id != 0) {
            controls_[place.id] = widget;
            connectControl(place.id, widget);
        }
    }
    micMeter_ = new LevelMeter("Mic", this);
    micMeter_->setGeometry(kMicMeterLeft, kMeterTop, kMeterWidth, kMeterHeight);
    pickupMeter_ = new LevelMeter("Pickup", this);
    pickupMeter_->setGeometry(kPickupMeterLeft, kMeterTop, kMeterWidth, kMeterHeight);
    curves_ = new CurvesView(this);
    curves_->setGeometry(kCurvesLeft, 10, kCurvesWidth, kCurvesHeight);
    auto* averaged = new QCheckBox(kAveragedAnalysisText, this);
    averaged->setAccessibleName(kAveragedAnalysisText);
    averaged->setGeometry(kCurvesLeft, kCurvesControlsTop, kCurvesWidth - kExportButtonWidth - 10, 22);
    connect(averaged, &QCheckBox::toggled, this, [this](bool on) {
        workflow_->setAnalysisMethod(on ? design::AnalysisMethod::Averaged : design::AnalysisMethod::Long);
    });
    exportButton_ = new QPushButton(kExportImpulseText, this);
    exportButton_->setAccessibleName(kExportImpulseText);
    exportButton_->setGeometry(kCurvesLeft + kCurvesWidth - kExportButtonWidth, kCurvesControlsTop, kExportButtonWidth,
                               24);
    exportButton_->setEnabled(false);
    connect(exportButton_, &QPushButton::clicked, this, [this] { exportImpulseResponse(); });
    meterTimer_ = new QTimer(this);
    connect(meterTimer_, &QTimer::timeout, this, [this] {
        const measure::InputLevels levels = workflow_->takeInputLevels();
        micMeter_->showPeak(levels.microphone);
        pickupMeter_->showPeak(levels.pickup);
    });
}

// Only what the Windows dialog acts on: an accepted list entry, a click,
// a dragged slider thumb.
void MeasurementWindow::connectControl(int id, QWidget* widget)
{
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        connect(combo, &QComboBox::activated, this, [this, id] {
            if (id == control::kDriverList)
                workflow_->driverChosen();
            else
                workflow_->channelChosen(id);
        });
        return;
    }
    if (auto* slider = qobject_cast<QSlider*>(widget)) {
        connect(slider, &QSlider::sliderMoved, this, [this, id](int position) { workflow_->sliderDragged(id, position); });
        return;
    }
    auto* button = qobject_cast<QAbstractButton*>(widget);
    if (button == nullptr)
        return;
    // The sources and "Air" act on being toggled, which a click and an
    // accessibility tool's toggle both do; not when the workflow sets them.
    if (button->isCheckable()) {
        const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
        connect(button, &QAbstractButton::toggled, this, [this, id, radio](bool on) {
            if (!settingChecked_ && (on || !radio))
                buttonClicked(id);
        });
        return;
    }
    connect(button, &QAbstractButton::clicked, this, [this, id] { buttonClicked(id); });
}

void MeasurementWindow::buttonClicked(int id)
{
    switch (id) {
    case control::kApplyButton:
        workflow_->driverChosen();
        break;
    case control::kConfigurationButton:
        configureDriver();
        break;
    case control::kMicSource:
    case control::kPickupSource:
    case control::kProcessedSource:
        workflow_->monitorSourceClicked(id);
        break;
    case control::kAirCheck:
        workflow_->airClicked();
        break;
    case control::kMonitorButton:
        workflow_->monitorClicked();
        break;
    case control::kRecordButton:
        workflow_->recordClicked();
        showCurves();
        break;
    case control::kLoadButton:
        workflow_->loadClicked();
        showCurves();
        break;
    case control::kSaveButton:
        workflow_->saveClicked();
        break;
    case control::kHelpButton:
        workflow_->helpClicked();
        break;
    default:
        break;
    }
}

// The software drivers have no panel of their own; JACK's settings are the
// server's.
void MeasurementWindow::configureDriver()
{
    workflow_->configureDriver();
    const int selected = selectedListItem(control::kDriverList);
    if (selected >= 0 && listItemText(control::kDriverList, selected) == "JACK")
        windowMessages_.show(kJackSettingsText, "Info", platform::MessageIcon::Information);
}

void MeasurementWindow::reject()
{
    if (workflow_->closeRequested())
        QDialog::reject();
}

void MeasurementWindow::showCurves()
{
    curves_->showCurves(workflow_->curves());
    exportButton_->setEnabled(workflow_->currentCorrection() != nullptr && !workflow_->recording());
}

void MeasurementWindow::exportImpulseResponse()
{
    const engine::CorrectionSet* correction = workflow_->currentCorrection();
    if (correction == nullptr)
        return;
    if (correction->outputGain == 0.0) {
        windowMessages_.show("The correction's output gain is 0: its impulse response is silence.", "Info",
                             platform::MessageIcon::Information);
        return;
    }
    QFileDialog dialog(this, kExportImpulseText, QString::fromStdString(workflow_->dataFolder()));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter("WAV file (*.wav)");
    dialog.setDefaultSuffix("wav");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const std::string path = QDir::toNativeSeparators(dialog.selectedFiles().front()).toStdString();

    const design::ImpulseResponse ir = design::exportImpulseResponse(
        *correction, design::kDefaultImpulseRate, design::kDefaultImpulseTaps, design::ImpulseFormat::Int24);
    audio::WavData wav;
    wav.sampleRate = ir.rate;
    wav.channels = {ir.samples};
    const platform::FileResult written =
        platform::replaceFile(path, audio::encodeWav(wav, design::impulseFormatBits(ir.format)));
    if (!written) {
        windowMessages_.show("The impulse response could not be written to " + path + ": " + written.reason, "Error",
                             platform::MessageIcon::Error);
        return;
    }
    char gain[64];
    std::snprintf(gain, sizeof gain, "%+.2f dB", 20.0 * std::log10(ir.gain));
    windowMessages_.show("Wrote " + path + " (24-bit, gain applied " + gain + ").\n" +
                             design::describeImpulseFidelity(ir) + ".",
                         "Info", platform::MessageIcon::Information);
}

QComboBox* MeasurementWindow::list(int id) const
{
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : qobject_cast<QComboBox*>(found->second);
}

void MeasurementWindow::setText(int control, const std::string& text)
{
    const auto found = controls_.find(control);
    if (found == controls_.end())
        return;
    if (auto* label = qobject_cast<QLabel*>(found->second))
        label->setText(qt(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(found->second))
        button->setText(qt(text));
    found->second->setAccessibleName(qt(text));
}

void MeasurementWindow::setEnabled(int control, bool enabled)
{
    if (const auto found = controls_.find(control); found != controls_.end())
        found->second->setEnabled(enabled);
}

void MeasurementWindow::clearList(int id)
{
    if (QComboBox* combo = list(id))
        combo->clear();
}

void MeasurementWindow::addListItem(int id, const std::string& text)
{
    if (QComboBox* combo = list(id))
        combo->addItem(qt(text));
}

void MeasurementWindow::selectListItem(int id, int index)
{
    if (QComboBox* combo = list(id))
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

int MeasurementWindow::selectedListItem(int id) const
{
    const QComboBox* combo = list(id);
    return combo != nullptr ? combo->currentIndex() : -1;
}

std::string MeasurementWindow::listItemText(int id, int index) const
{
    const QComboBox* combo = list(id);
    return combo != nullptr && index >= 0 && index < combo->count() ? combo->itemText(index).toStdString()
                                                                     : std::string();
}

void MeasurementWindow::setChecked(int control, bool checked)
{
    if (const auto found = controls_.find(control); found != controls_.end())
        if (auto* button = qobject_cast<QAbstractButton*>(found->second)) {
            settingChecked_ = true;
            button->setChecked(checked);
            settingChecked_ = false;
        }
}

bool MeasurementWindow::isChecked(int control) const
{
    const auto found = controls_.find(control);
    const auto* button = found != controls_.end() ? qobject_cast<QAbstractButton*>(found->second) : nullptr;
    return button != nullptr && button->isChecked();
}

void MeasurementWindow::setSliderPosition(int slider, int position)
{
    if (const auto found = controls_.find(slider); found != controls_.end())
        if (auto* s = qobject_cast<QSlider*>(found->second))
            s->setValue(position);
}

// Along the bottom of the window, across its whole width.
void MeasurementWindow::showProgressBar()
{
    hideProgressBar();
    progressBar_ = new QProgressBar(this);
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    progressBar_->setAccessibleName("Progress");
    progressBar_->setGeometry(0, height() - kProgressHeight, width(), kProgressHeight);
    progressBar_->show();
}

void MeasurementWindow::setProgress(int percent)
{
    if (progressBar_ != nullptr)
        progressBar_->setValue(percent);
}

void MeasurementWindow::hideProgressBar()
{
    delete progressBar_;
    progressBar_ = nullptr;
}

void MeasurementWindow::startTimer(int timer, int periodMs)
{
    QTimer*& t = timers_[timer];
    if (t == nullptr) {
        t = new QTimer(this);
        connect(t, &QTimer::timeout, this, [this, timer] {
            workflow_->timerTick(timer);
            showCurves();
        });
    }
    t->start(periodMs);
}

void MeasurementWindow::stopTimer(int timer)
{
    if (const auto found = timers_.find(timer); found != timers_.end() && found->second != nullptr)
        found->second->stop();
}

bool MeasurementWindow::askYesNo(const std::string& text, const std::string& caption)
{
    QMessageBox box(QMessageBox::NoIcon, qt(caption), qt(text), QMessageBox::Yes | QMessageBox::No, this);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace kestrava::calibrix
