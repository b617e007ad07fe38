#include "apps/calibrix/qt/CurvesView.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <span>

namespace kestrava::calibrix {

namespace {

constexpr int kLeft = 52;
constexpr int kRight = 12;
constexpr int kTop = 44;
constexpr int kBottom = 30;

struct Curve {
    const design::BandSpectrum design::CorrectionCurves::*db;
    QColor colour;
    Qt::PenStyle style;
    const char* name;
};

// The report's colours and names.
const Curve kMeasuredCurves[] = {
    {&design::CorrectionCurves::microphoneDb, QColor(0x1f, 0x77, 0xb4), Qt::SolidLine, "microphone"},
    {&design::CorrectionCurves::pickupDb, QColor(0xd6, 0x27, 0x28), Qt::SolidLine, "pickup"},
    {&design::CorrectionCurves::targetDb, QColor(0x7f, 0x7f, 0x7f), Qt::DashLine, "target"},
    {&design::CorrectionCurves::correctedDb, QColor(0x2c, 0xa0, 0x2c), Qt::SolidLine, "corrected pickup"},
};
const Curve kLoadedCurves[] = {
    {&design::CorrectionCurves::correctedDb, QColor(0x2c, 0xa0, 0x2c), Qt::SolidLine, "correction"},
};

}  // namespace

CurvesView::CurvesView(QWidget* parent) : QWidget(parent)
{
    setAccessibleName("Curves");
}

void CurvesView::showCurves(const std::optional<design::CorrectionCurves>& curves)
{
    curves_ = curves;
    setAccessibleDescription(!curves_ ? "no correction" : curves_->measured ? "design" : "loaded correction");
    update();
}

void CurvesView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Qt::white);
    const QRectF plot(kLeft, kTop, width() - kLeft - kRight, height() - kTop - kBottom);
    const bool measured = curves_ && curves_->measured;
    // The report's range for a design; a correction alone is a gain curve.
    const double topDb = measured ? 10.0 : 30.0;
    const double bottomDb = measured ? -70.0 : -30.0;
    const auto xOf = [&](double hz) { return plot.left() + plot.width() * std::log10(hz / 20.0) / 3.0; };
    const auto yOf = [&](double db) {
        return plot.top() + plot.height() * (topDb - std::clamp(db, bottomDb, topDb)) / (topDb - bottomDb);
    };

    painter.setPen(Qt::black);
    painter.drawText(QRectF(kLeft, 4, plot.width(), 18), Qt::AlignLeft | Qt::AlignVCenter,
                     !curves_ ? "No correction yet" : measured ? "Design" : "Loaded correction");
    painter.setPen(QColor(0xdd, 0xdd, 0xdd));
    for (double hz : {20.0, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0}) {
        painter.drawLine(QPointF(xOf(hz), plot.top()), QPointF(xOf(hz), plot.bottom()));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(xOf(hz) - 20, plot.bottom() + 4, 40, 16), Qt::AlignCenter,
                         hz >= 1000.0 ? QString("%1k").arg(hz / 1000.0) : QString::number(hz));
        painter.setPen(QColor(0xdd, 0xdd, 0xdd));
    }
    for (double db = bottomDb; db <= topDb; db += 10.0) {
        painter.drawLine(QPointF(plot.left(), yOf(db)), QPointF(plot.right(), yOf(db)));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, yOf(db) - 8, kLeft - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                         QString("%1 dB").arg(db));
        painter.setPen(QColor(0xdd, 0xdd, 0xdd));
    }
    if (!curves_)
        return;

    double legendX = kLeft;
    for (const Curve& curve : measured ? std::span<const Curve>(kMeasuredCurves) : std::span<const Curve>(kLoadedCurves)) {
        const design::BandSpectrum& db = (*curves_).*(curve.db);
        QPainterPath path;
        for (int j = 0; j < design::kBandCount; ++j) {
            const QPointF point(xOf(curves_->hz[j]), yOf(db[j]));
            if (j == 0)
                path.moveTo(point);
            else
                path.lineTo(point);
        }
        const QPen pen(curve.colour, 1.6, curve.style);
        painter.setPen(pen);
        painter.drawPath(path);
        painter.drawLine(QPointF(legendX, 30), QPointF(legendX + 22, 30));
        painter.setPen(Qt::black);
        const QRectF label(legendX + 26, 22, 120, 16);
        painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, curve.name);
        legendX += 30 + painter.fontMetrics().horizontalAdvance(curve.name) + 16;
    }
}

}  // namespace kestrava::calibrix
