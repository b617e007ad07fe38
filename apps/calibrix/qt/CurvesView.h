// The curves beside the controls: after a design the microphone's, the
// pickup's and the target band curves and the corrected pickup; after
// "Load corr. file" the loaded correction's response; in dB over a
// logarithmic frequency axis from 20 Hz to 20 kHz.
//
// User-interface thread only.
#pragma once

#include "design/CorrectionCurves.h"

#include <QWidget>

#include <optional>

namespace kestrava::calibrix {

class CurvesView final : public QWidget {
public:
    explicit CurvesView(QWidget* parent);

    // Nothing: the empty axes until the next design or load.
    void showCurves(const std::optional<design::CorrectionCurves>& curves);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<design::CorrectionCurves> curves_;
};

}  // namespace kestrava::calibrix
