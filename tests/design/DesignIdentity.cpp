// The design's part of the cross-target identity check: analyses and designs
// the demonstration take and writes OUT.alg (the correction) and OUT (the
// band curves and the predicted corrected pickup as raw doubles). The Linux
// and Windows builds must write the same bytes.
#include "apps/kestrava/DemoTake.h"
#include "apps/kestrava/Take.h"
#include "corrfile/CorrectionFile.h"
#include "design/CorrectionDesign.h"
#include "tests/support/StderrMessages.h"

#include <algorithm>
#include <fstream>
#include <iostream>

using namespace kestrava::audio;
using namespace kestrava::corrfile;
using namespace kestrava::design;
using namespace kestrava::engine;

int main(int argc, char** argv)
{
    using namespace kestrava::test;
    using namespace kestrava;
    if (argc != 2) {
        std::cerr << "usage: kestrava_design_identity OUT\n";
        return 2;
    }
    const std::string out = argv[1];
    const tool::DemoTake take = tool::makeDemoTake();
    CaptureBuffer microphone;
    CaptureBuffer pickup;
    if (!microphone.allocated() || !pickup.allocated())
        return 1;
    const std::vector<double> mic = tool::captureValues(take.microphone, kTransformSize, ASIOSTFloat32LSB);
    const std::vector<double> pick = tool::captureValues(take.pickup, kTransformSize, ASIOSTFloat32LSB);
    std::copy(mic.begin(), mic.end(), microphone.re());
    std::copy(pick.begin(), pick.end(), pickup.re());
    const BandLayout layout = BandLayout::standard();
    MeasurementAnalysis analysis;
    if (analyseMeasurement(microphone, pickup, layout, analysis) != AnalysisStatus::Ok)
        return 1;
    CorrectionSet correction;
    const DesignResult result = designCorrection(analysis, layout, correction);
    StderrMessages messages;
    if (!writeCorrectionFile(out + ".alg", correction, messages))
        return 1;
    std::ofstream curves(out, std::ios::binary | std::ios::trunc);
    const BandSpectrum* written[] = {&analysis.microphone, &analysis.pickup, &result.target, &result.predicted};
    for (const BandSpectrum* s : written)
        curves.write(reinterpret_cast<const char*>(s->data()), sizeof(double) * s->size());
    std::cout << result.passes << " passes\n";
    return curves ? 0 : 1;
}
