// One input's level meter: the peak of the last look as a bar from -60 to
// 0 dBFS, a peak-hold line that stays for a while, and a clip light that
// lights when the input reached full scale and stays lit for a while.
//
// User-interface thread only; fed by the window's meter timer.
#pragma once

#include <QWidget>

namespace kestrava::calibrix {

class LevelMeter final : public QWidget {
public:
    LevelMeter(const QString& name, QWidget* parent);

    // The peak since the last call, as a fraction of full scale.
    void showPeak(double fraction);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    double levelDb_ = kFloorDb;
    double holdDb_ = kFloorDb;
    int holdTicks_ = 0;
    int clipTicks_ = 0;

    static constexpr double kFloorDb = -60.0;
};

}  // namespace kestrava::calibrix
