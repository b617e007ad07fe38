#include "apps/calibrix/qt/LevelMeter.h"

#include "design/CorrectionCurves.h"

#include <QPainter>

#include <algorithm>

namespace kestrava::calibrix {

namespace {

// At the meter timer's 50 ms: the hold stays 1.5 s, the clip light 3 s.
constexpr int kHoldTicks = 30;
constexpr int kClipTicks = 60;
constexpr int kLabelHeight = 16;
constexpr int kClipHeight = 14;

}  // namespace

LevelMeter::LevelMeter(const QString& name, QWidget* parent) : QWidget(parent), name_(name)
{
    setAccessibleName(name + " level");
    setAccessibleDescription("no signal");
}

void LevelMeter::showPeak(double fraction)
{
    levelDb_ = std::max(design::levelDb(fraction), kFloorDb);
    if (levelDb_ >= holdDb_ || --holdTicks_ <= 0) {
        holdDb_ = levelDb_;
        holdTicks_ = kHoldTicks;
    }
    if (fraction >= 1.0)
        clipTicks_ = kClipTicks;
    else if (clipTicks_ > 0)
        --clipTicks_;
    setAccessibleDescription(levelDb_ > kFloorDb ? QString("%1 dBFS%2").arg(qRound(levelDb_)).arg(clipTicks_ > 0 ? ", clipped" : "")
                                                 : QString("no signal"));
    update();
}

void LevelMeter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.drawText(QRect(0, 0, width(), kLabelHeight), Qt::AlignCenter, name_);

    const QRect clip(4, kLabelHeight + 2, width() - 8, kClipHeight);
    painter.fillRect(clip, clipTicks_ > 0 ? QColor(230, 30, 30) : QColor(90, 40, 40));

    const QRect scale(4, clip.bottom() + 6, width() - 8, height() - clip.bottom() - 10);
    painter.fillRect(scale, QColor(30, 30, 30));
    const auto yOf = [&](double db) {
        return scale.bottom() - static_cast<int>((db - kFloorDb) / -kFloorDb * scale.height());
    };
    if (levelDb_ > kFloorDb) {
        const QColor colour = levelDb_ > -6.0 ? QColor(240, 200, 40) : QColor(40, 200, 70);
        painter.fillRect(QRect(QPoint(scale.left(), yOf(levelDb_)), scale.bottomRight()), colour);
    }
    if (holdDb_ > kFloorDb) {
        painter.setPen(QPen(QColor(255, 255, 255), 2));
        painter.drawLine(scale.left(), yOf(holdDb_), scale.right(), yOf(holdDb_));
    }
    // Marks every 10 dB.
    painter.setPen(QColor(120, 120, 120));
    for (double db = -10.0; db > kFloorDb; db -= 10.0)
        painter.drawLine(scale.left(), yOf(db), scale.left() + 5, yOf(db));
}

}  // namespace kestrava::calibrix
