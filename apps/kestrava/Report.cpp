#include "apps/kestrava/Report.h"

#include "design/CorrectionCurves.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace kestrava::tool {

namespace {

constexpr double kWidth = 900.0;
constexpr double kHeight = 520.0;
constexpr double kLeft = 70.0;
constexpr double kRight = 170.0;
constexpr double kTop = 50.0;
constexpr double kBottom = 60.0;
constexpr double kTopDb = 10.0;
constexpr double kBottomDb = -70.0;

double xOf(double hz)
{
    return kLeft + (kWidth - kLeft - kRight) * std::log10(hz / 20.0) / 3.0;
}

double yOf(double db)
{
    db = std::clamp(db, kBottomDb, kTopDb);
    return kTop + (kHeight - kTop - kBottom) * (kTopDb - db) / (kTopDb - kBottomDb);
}

std::string format(const char* pattern, double a, double b = 0.0)
{
    char text[160];
    std::snprintf(text, sizeof text, pattern, a, b);
    return text;
}

void curve(std::ostringstream& svg, const design::CorrectionCurves& curves, const design::BandSpectrum& db,
           const char* colour, const char* dash)
{
    svg << "<polyline fill=\"none\" stroke=\"" << colour << "\" stroke-width=\"1.6\"" << dash << " points=\"";
    for (int j = 0; j < design::kBandCount; ++j)
        svg << format("%.1f,%.1f ", xOf(curves.hz[j]), yOf(db[j]));
    svg << "\"/>\n";
}

}  // namespace

std::string designReportSvg(const measure::DesignOutcome& o)
{
    std::ostringstream svg;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\"" << kHeight
        << "\" viewBox=\"0 0 " << kWidth << ' ' << kHeight << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<text x=\"" << kLeft << "\" y=\"22\" font-size=\"15\">Kestrava Sonalve correction design</text>\n"
        << "<text x=\"" << kLeft << "\" y=\"40\">" << o.result.passes << " passes, largest remaining band error "
        << format("%.2f %%", 100.0 * o.result.largestError)
        << (o.result.withinTolerance ? " (within 1 %)" : " (stopped at the pass limit)") << ", output gain "
        << format("%.2f dB", 20.0 * std::log10(o.correction.outputGain)) << "</text>\n";
    for (double hz : {20.0, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0}) {
        svg << format("<line x1=\"%.1f\" x2=\"%.1f\"", xOf(hz), xOf(hz)) << " y1=\"" << kTop << "\" y2=\""
            << kHeight - kBottom << "\" stroke=\"#ddd\"/>\n"
            << format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">", xOf(hz), kHeight - kBottom + 16)
            << (hz >= 1000.0 ? format("%gk", hz / 1000.0) : format("%g", hz)) << "</text>\n";
    }
    for (double db = kBottomDb; db <= kTopDb; db += 10.0) {
        svg << "<line x1=\"" << kLeft << "\" x2=\"" << kWidth - kRight << format("\" y1=\"%.1f\" y2=\"%.1f\"", yOf(db), yOf(db))
            << " stroke=\"#ddd\"/>\n"
            << format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">", kLeft - 6, yOf(db) + 4)
            << format("%g dB", db) << "</text>\n";
    }
    svg << format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">frequency (Hz)</text>\n",
                  (kLeft + kWidth - kRight) / 2, kHeight - 18);
    const design::CorrectionCurves shown = design::designCurves(o.layout, o.analysis, o.result, o.correction);
    const struct {
        const design::BandSpectrum* levels;
        const char* colour;
        const char* dash;
        const char* name;
    } curves[] = {
        {&shown.microphoneDb, "#1f77b4", "", "microphone"},
        {&shown.pickupDb, "#d62728", "", "pickup"},
        {&shown.targetDb, "#7f7f7f", " stroke-dasharray=\"5,4\"", "target"},
        {&shown.correctedDb, "#2ca02c", "", "corrected pickup"},
    };
    double legendY = kTop + 10;
    for (const auto& c : curves) {
        curve(svg, shown, *c.levels, c.colour, c.dash);
        svg << format("<line x1=\"%.1f\" x2=\"%.1f\"", kWidth - kRight + 12, kWidth - kRight + 36)
            << format(" y1=\"%.1f\" y2=\"%.1f\"", legendY, legendY) << " stroke=\"" << c.colour
            << "\" stroke-width=\"2\"" << c.dash << "/>\n"
            << format("<text x=\"%.1f\" y=\"%.1f\">", kWidth - kRight + 42, legendY + 4) << c.name << "</text>\n";
        legendY += 20;
    }
    svg << "</svg>\n";
    return svg.str();
}

}  // namespace kestrava::tool
