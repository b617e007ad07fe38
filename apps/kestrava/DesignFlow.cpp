#include "apps/kestrava/DesignFlow.h"

#include "apps/kestrava/AudioFile.h"
#include "apps/kestrava/Report.h"
#include "apps/kestrava/Resample.h"
#include "apps/kestrava/Take.h"
#include "apps/kestrava/ToolFiles.h"
#include "design/FourierTransform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kestrava::tool {

using audio::WavData;
using design::CaptureBuffer;
using design::kAnalysisRate;
using design::kTransformSize;
using measure::DesignOutcome;

namespace {

// Frames to read at a given rate to fill the transform after conversion,
// with room for the converter's filter. Only these are decoded; a rate
// above any device's is refused after the header is read.
std::size_t framesNeeded(double rate)
{
    const double bounded = std::clamp(rate, 0.0, kHighestSampleRate);
    return static_cast<std::size_t>(std::ceil(kTransformSize * bounded / kAnalysisRate)) + 256;
}

// One recorded channel at 48,000 Hz and the device sample type its file's
// format stands for.
struct LoadedTake {
    std::vector<double> samples;
    audio::ASIOSampleType type = audio::ASIOSTInt32LSB;
    bool clipped = false;
};

bool readTake(const std::string& path, ToolContext& context, WavData& audio)
{
    std::string error;
    if (readAudioFile(path, audio, error, &framesNeeded))
        return true;
    context.err << "kestrava design: " << error << '\n';
    return false;
}

bool loadTake(const TakeSource& source, WavData audio, const char* role, ToolContext& context, LoadedTake& take)
{
    std::string error;
    if (source.channel >= static_cast<int>(audio.channels.size())) {
        context.err << "kestrava design: " << source.path << " has " << audio.channels.size()
                    << " channel(s); the " << role << " channel " << source.channel + 1 << " does not exist\n";
        return false;
    }
    const std::size_t fileFrames = audio.frames();
    const std::size_t used = std::min(framesNeeded(audio.sampleRate), fileFrames);
    take.type = deviceSampleType(audio.bitsPerSample, audio.floatingPoint);
    take.clipped = clips(audio.channels[source.channel], used, take.type);
    WavData one = audio;
    one.channels = {std::move(audio.channels[source.channel])};
    one.channels[0].resize(used);
    if (one.sampleRate != kAnalysisRate) {
        const double original = one.sampleRate;
        if (!resampleTo48k(one, error)) {
            context.err << "kestrava design: " << source.path << ": " << error << '\n';
            return false;
        }
        context.err << "Note: the " << role << " recording " << source.path << " is at " << original
                    << " Hz; converted to 48000 Hz with libsamplerate's best converter.\n";
    }
    take.samples = std::move(one.channels[0]);
    const double seconds = fileFrames / audio.sampleRate;
    if (seconds * kAnalysisRate < kTransformSize) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "Note: the %s recording is %.2f s long, shorter than the %d samples (%.2f s) analysed; "
                      "the rest is silence.\n",
                      role, seconds, kTransformSize, kTransformSize / kAnalysisRate);
        context.err << text;
    }
    return true;
}

}  // namespace

bool capturesAllocated(const CaptureBuffer& microphone, const CaptureBuffer& pickup, ToolContext& context)
{
    StreamMessages messages(context.err);
    return kestrava::measure::capturesAllocated(microphone, pickup, messages);
}

bool analyseSignals(const std::vector<double>& microphone, const std::vector<double>& pickup,
                    ToolContext& context, design::MeasurementAnalysis& analysis, design::AnalysisMethod method)
{
    CaptureBuffer micBuffer;
    CaptureBuffer pickupBuffer;
    if (!capturesAllocated(micBuffer, pickupBuffer, context))
        return false;
    std::copy_n(microphone.begin(), std::min<std::size_t>(microphone.size(), kTransformSize), micBuffer.re());
    std::copy_n(pickup.begin(), std::min<std::size_t>(pickup.size(), kTransformSize), pickupBuffer.re());
    StreamMessages messages(context.err);
    return measure::analyseCaptures(micBuffer, pickupBuffer, messages, analysis, method);
}

void reportClipping(bool microphone, bool pickup, ToolContext& context)
{
    StreamMessages messages(context.err);
    kestrava::measure::reportClipping(microphone, pickup, messages);
}

bool parseAnalysisOption(const Arguments& arguments, design::AnalysisMethod& analysis)
{
    analysis = design::AnalysisMethod::Long;
    const std::optional<std::string> text = arguments.value("--analysis");
    return !text || design::parseAnalysisMethod(*text, analysis);
}

int designFromTakes(const TakeSource& microphone, const TakeSource& pickup, ToolContext& context,
                    DesignOutcome& outcome, design::AnalysisMethod analysis)
{
    // A take that holds both is read once: it may be a pipe.
    WavData micAudio;
    WavData pickupAudio;
    const bool oneTake = sameFile(microphone.path, pickup.path);
    if (!readTake(microphone.path, context, micAudio) || (!oneTake && !readTake(pickup.path, context, pickupAudio)))
        return kExitFailure;
    if (oneTake)
        pickupAudio = micAudio;
    LoadedTake mic;
    LoadedTake pick;
    if (!loadTake(microphone, std::move(micAudio), "microphone", context, mic)
        || !loadTake(pickup, std::move(pickupAudio), "pickup", context, pick))
        return kExitFailure;
    if (mic.clipped || pick.clipped) {
        reportClipping(mic.clipped, pick.clipped, context);
        return kExitFailure;
    }
    CaptureBuffer micBuffer;
    CaptureBuffer pickupBuffer;
    if (!capturesAllocated(micBuffer, pickupBuffer, context))
        return kExitFailure;
    const std::vector<double> micValues = captureValues(mic.samples, kTransformSize, mic.type);
    std::copy(micValues.begin(), micValues.end(), micBuffer.re());
    const std::vector<double> pickupValues = captureValues(pick.samples, kTransformSize, pick.type);
    std::copy(pickupValues.begin(), pickupValues.end(), pickupBuffer.re());
    return designFromCaptures(micBuffer, pickupBuffer, context, outcome, analysis);
}

design::DesignOptions designProgressLines(ToolContext& context, design::AnalysisMethod analysis)
{
    design::DesignOptions options;
    options.analysis = analysis;
    options.progress = [&context](const design::DesignProgress& p) {
        char text[120];
        std::snprintf(text, sizeof text, "Designing: pass %d, largest band error %.2f %%", p.passes,
                      100.0 * p.largestError);
        progressLine(context, text);
    };
    return options;
}

int designFromCaptures(CaptureBuffer& microphone, CaptureBuffer& pickup, ToolContext& context,
                       DesignOutcome& outcome, design::AnalysisMethod analysis)
{
    progressLine(context, "Analysing both recordings...");
    StreamMessages messages(context.err);
    const bool designed =
        kestrava::measure::designFromCaptures(microphone, pickup, messages, designProgressLines(context, analysis),
                                              outcome);
    progressLine(context, "");
    return designed ? kExitOk : kExitFailure;
}

int saveDesign(const DesignOutcome& outcome, const std::string& output, const std::optional<std::string>& report,
               ToolContext& context, std::optional<PendingOutput> alsoWritten)
{
    OutputFiles files("design", context);
    files.addCorrection(output, outcome.correction);
    if (report) {
        const std::string svg = designReportSvg(outcome);
        files.add(*report, {svg.begin(), svg.end()});
    }
    if (alsoWritten)
        files.add(std::move(alsoWritten->path), std::move(alsoWritten->bytes));
    if (!files.commit())
        return kExitFailure;
    printDesignSummary(outcome, context);
    for (const std::string& path : files.written())
        context.out << "Wrote " << path << '\n';
    return kExitOk;
}

void printDesignSummary(const DesignOutcome& o, ToolContext& context)
{
    char text[240];
    std::snprintf(text, sizeof text,
                  "Designed %d sections in %d passes; largest remaining band error %.2f %%%s; output gain %.4f "
                  "(%+.2f dB).\n",
                  o.correction.sectionCount, o.result.passes, 100.0 * o.result.largestError,
                  o.result.withinTolerance ? "" : " (stopped at the pass limit)", o.correction.outputGain,
                  20.0 * std::log10(o.correction.outputGain));
    context.out << text;
}

}  // namespace kestrava::tool
