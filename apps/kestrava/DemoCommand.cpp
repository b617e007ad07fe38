// kestrava demo: the whole road on a generated take. Writes the take, designs
// the correction from it, writes the correction file and its report, renders
// the corrected pickup and tells how far the pickup's band curve lay from
// the microphone's before and after.
#include "apps/kestrava/AnalysisComparison.h"
#include "apps/kestrava/AudioFile.h"
#include "apps/kestrava/Commands.h"
#include "apps/kestrava/DemoTake.h"
#include "apps/kestrava/DesignFlow.h"
#include "apps/kestrava/Render.h"
#include "apps/kestrava/Report.h"
#include "apps/kestrava/Take.h"
#include "apps/kestrava/ToolFiles.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace kestrava::tool {

using audio::ASIOSTFloat32LSB;
using design::kBandCount;
using design::kTransformSize;

namespace {

constexpr const char* kUsage =
    "Usage: kestrava demo [--out DIR]\n"
    "       kestrava demo --compare-analyses\n"
    "\n"
    "Generates a demonstration take (a plucked-string instrument heard through a\n"
    "microphone and through a pickup), designs the correction, and writes into DIR\n"
    "(default kestrava-demo): demo-take.wav, demo.alg, demo-report.svg and\n"
    "demo-corrected.wav, the pickup through the correction.\n"
    "\n"
    "--compare-analyses writes nothing: it designs from a studio take and from a stage\n"
    "take (room, microphone noise, hum and hiss on the pickup) with the long and the\n"
    "averaged analysis, and prints how far the corrected pickup lies from the\n"
    "microphone on a further 21.8 s of each take that the design did not see.\n";

// The held-out band errors of both analyses on both scenes.
int compareAnalyses(ToolContext& context)
{
    context.out << "Band error between the microphone and the corrected pickup on 21.8 s the design did not see\n"
                   "(RMS over the bands from 40 Hz, largest in brackets):\n";
    const std::pair<DemoScene, const char*> scenes[] = {{DemoScene::Studio, "studio take"},
                                                        {DemoScene::Stage, "stage take "}};
    for (const auto& [scene, name] : scenes) {
        HeldOutError errors[2];
        const design::AnalysisMethod methods[2] = {design::AnalysisMethod::Long, design::AnalysisMethod::Averaged};
        for (int m = 0; m < 2; ++m) {
            if (!heldOutError(scene, methods[m], context, errors[m]))
                return kExitFailure;
        }
        char text[200];
        std::snprintf(text, sizeof text, "  %s  long %.2f dB (%.2f dB), averaged %.2f dB (%.2f dB)\n", name,
                      errors[0].rmsDb, errors[0].largestDb, errors[1].rmsDb, errors[1].largestDb);
        context.out << text;
    }
    return kExitOk;
}

struct BandError {
    double rmsDb = 0.0;
    double largestDb = 0.0;
};

BandError bandError(const design::BandSpectrum& a, const design::BandSpectrum& b)
{
    BandError e;
    double sum = 0.0;
    for (int j = 0; j < kBandCount; ++j) {
        const double db = std::fabs(20.0 * std::log10(a[j] / b[j]));
        sum += db * db;
        e.largestDb = std::max(e.largestDb, db);
    }
    e.rmsDb = std::sqrt(sum / kBandCount);
    return e;
}

}  // namespace

int runDemoCommand(const std::vector<std::string>& args, ToolContext& context)
{
    Arguments a;
    if (const std::optional<int> done = parseCommand(args, "demo", kUsage, {"--out"}, {"--compare-analyses"}, a, context))
        return *done;
    if (a.flag("--compare-analyses")) {
        if (a.value("--out") || !a.positional().empty())
            return usageError(context, "demo", "--compare-analyses takes nothing else");
        return compareAnalyses(context);
    }
    std::string error;
    if (!a.positional().empty())
        return usageError(context, "demo", "unexpected argument " + a.positional()[0]);
    const std::filesystem::path dir = a.value("--out").value_or("kestrava-demo");
    std::error_code made;
    std::filesystem::create_directories(dir, made);
    if (made) {
        context.err << "kestrava demo: cannot create " << dir.string() << ": " << made.message() << '\n';
        return kExitFailure;
    }
    const std::string takePath = (dir / "demo-take.wav").string();
    const std::string algPath = (dir / "demo.alg").string();
    const std::string reportPath = (dir / "demo-report.svg").string();
    const std::string correctedPath = (dir / "demo-corrected.wav").string();

    context.out << "Generating the demonstration take (" << kDemoFrames / kDemoRate << " s at 48000 Hz)...\n";
    {
        DemoTake take = makeDemoTake();
        OutputFiles files("demo", context);
        files.add(takePath,
                  audio::encodeWav({kDemoRate, 32, true, {std::move(take.microphone), std::move(take.pickup)}}));
        if (!files.commit())
            return kExitFailure;
    }
    context.out << "Wrote " << takePath << " (microphone left, pickup right)\n";

    measure::DesignOutcome outcome;
    if (const int status = designFromTakes({takePath, 0}, {takePath, 1}, context, outcome); status != kExitOk)
        return status;
    OutputFiles designFiles("demo", context);
    designFiles.addCorrection(algPath, outcome.correction);
    const std::string svg = designReportSvg(outcome);
    designFiles.add(reportPath, {svg.begin(), svg.end()});
    if (!designFiles.commit())
        return kExitFailure;
    printDesignSummary(outcome, context);
    context.out << "Wrote " << algPath << " and " << reportPath << '\n';

    audio::WavData take;
    if (!readAudioFile(takePath, take, error)) {
        context.err << "kestrava demo: " << error << '\n';
        return kExitFailure;
    }
    const RenderedStereo corrected = renderThroughCorrection(outcome.correction, kDemoRate, take.channels[1], false);
    OutputFiles correctedFile("demo", context);
    correctedFile.add(correctedPath, audio::encodeWav({kDemoRate, 32, true, {corrected.left, corrected.right}}));
    if (!correctedFile.commit())
        return kExitFailure;
    context.out << "Wrote " << correctedPath << " (the pickup through the correction)\n";

    // The corrected pickup as a float device would deliver it.
    const std::vector<double> micValues = captureValues(take.channels[0], kTransformSize, ASIOSTFloat32LSB);
    const std::vector<double> correctedValues = captureValues(corrected.left, kTransformSize, ASIOSTFloat32LSB);
    design::MeasurementAnalysis after;
    if (!analyseSignals(micValues, correctedValues, context, after))
        return kExitFailure;
    const BandError before = bandError(outcome.analysis.microphone, outcome.analysis.pickup);
    const BandError now = bandError(after.microphone, after.pickup);
    int limited = 0;
    for (int j = 0; j < kBandCount; ++j) {
        if (outcome.result.target[j] != outcome.analysis.microphone[j])
            ++limited;
    }
    char text[300];
    std::snprintf(text, sizeof text,
                  "Band error between microphone and pickup: before %.2f dB RMS (largest %.2f dB), "
                  "after the correction %.2f dB RMS (largest %.2f dB); %d bands asked for more than the "
                  "+20 dB the correction may add.\n",
                  before.rmsDb, before.largestDb, now.rmsDb, now.largestDb, limited);
    context.out << text;
    return kExitOk;
}

}  // namespace kestrava::tool
