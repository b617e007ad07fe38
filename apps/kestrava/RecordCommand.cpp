// kestrava record: the measurement through a driver. Records the
// microphone and the pickup through the stream in record mode, then
// reports clipping or designs the correction and saves it, as the
// measurement program does after a recording.
#include "apps/kestrava/Commands.h"
#include "apps/kestrava/DesignFlow.h"
#include "apps/kestrava/Measurement.h"
#include "apps/kestrava/ToolFiles.h"
#include "measure/BlockProcessor.h"

#include <chrono>
#include <thread>

namespace kestrava::tool {

using measure::RecordingStart;

namespace {

const std::string kUsage = std::string(
    "Usage: kestrava record --driver NAME -o OUT.alg [--report OUT.svg] [OPTIONS]\n"
    "\n"
    "Records 1048576 samples (21.8 s at 48000 Hz) of the microphone and the pickup\n"
    "through the driver, then designs the correction and writes it. A recording in which\n"
    "either input reached full scale is refused.\n"
    "\n"
    "  --driver NAME         the driver, as 'kestrava drivers' lists it\n"
    "  --mic-input N         input channel of the microphone (default 1)\n"
    "  --pickup-input N      input channel of the pickup (default 2)\n"
    "  --left-output N       left output channel (default 1; silent while recording)\n"
    "  --right-output N      right output channel (default 2)\n"
    "  -o, --output FILE     the correction file to write (.alg)\n"
    "  --report FILE         also write an SVG picture of the band curves\n")
    + kAnalysisOptionUsage +
    "\n"
    "The Recorded File driver plays a WAV take into its inputs, as fast as it can:\n"
    "  --input-file FILE     the take (its channels are the driver's inputs)\n"
    "  --output-file FILE    where the driver writes its outputs (WAV); written with the\n"
    "                        correction, never after a refused or stopped recording\n"
    "  --sample-type TYPE    the driver's sample type, for instance Int16LSB, Int24MSB,\n"
    "                        Float32LSB (default Int32LSB)\n"
    "  --buffer-size N       the driver's buffer size (default 512)\n";

// How often the recording's state is looked at; progress is shown once a
// second, as the measurement program's timer does.
constexpr auto kPoll = std::chrono::milliseconds(10);
constexpr auto kProgressPeriod = std::chrono::seconds(1);

}  // namespace

int runRecordCommand(const std::vector<std::string>& args, ToolContext& context)
{
    Arguments a;
    const std::optional<int> done =
        parseCommand(args, "record", kUsage,
                     {"--driver", "--mic-input", "--pickup-input", "--left-output", "--right-output", "-o",
                      "--output", "--report", "--input-file", "--output-file", "--sample-type", "--buffer-size",
                      "--analysis"},
                     {}, a, context);
    if (done)
        return *done;
    std::string error;
    if (!a.positional().empty())
        return usageError(context, "record", "unexpected argument " + a.positional()[0]);
    const std::optional<std::string> output = a.value("-o") ? a.value("-o") : a.value("--output");
    if (!output)
        return usageError(context, "record", "no output file (-o OUT.alg)");
    design::AnalysisMethod analysis;
    if (!parseAnalysisOption(a, analysis))
        return usageError(context, "record", "--analysis is long or averaged");
    audio::FileDriverOptions file;
    if (!parseFileDriverOptions(a, file, error))
        return usageError(context, "record", error);
    std::vector<std::string> outputs = {*output};
    for (const char* option : {"--report", "--output-file"}) {
        if (const std::optional<std::string> path = a.value(option))
            outputs.push_back(*path);
    }
    const std::vector<std::string> inputs = file.inputPath.empty() ? std::vector<std::string>{}
                                                                   : std::vector<std::string>{file.inputPath};
    if (const std::optional<int> refused = refuseOverlappingFiles("record", inputs, outputs, context))
        return *refused;
    if (const std::optional<int> refused = refuseMissingFolders("record", outputs, context))
        return *refused;

    const std::unique_ptr<audio::DriverSource> source = toolDriverSource(file);
    const auto processor = std::make_unique<measure::BlockProcessor>();
    StreamMessages messages(context.err);
    audio::StreamSetup stream(*source, *processor);
    audio::StreamConfiguration configuration;
    if (const int status = chooseDriver(a, "record", stream.catalog(), configuration, context); status != kExitOk)
        return status;

    measure::MeasurementRecorder recorder(*processor, stream, messages);
    std::string lost;
    {
        // Ctrl-C stops the recording; later, it ends the command at once.
        const InterruptWatch interrupt;
        switch (recorder.start(configuration)) {
        case RecordingStart::Started:
            break;
        case RecordingStart::NoStorage:
            return kExitFailure;
        case RecordingStart::StreamFailed:
            audio::reportStreamError(recorder.streamError(), messages);
            context.err << "kestrava record: the stream on " << configuration.driverName << " did not start\n";
            return kExitFailure;
        }
        auto nextProgress = std::chrono::steady_clock::now();
        while (!recorder.done() && !interrupt.interrupted() && !stream.resetRequested()) {
            if (std::chrono::steady_clock::now() >= nextProgress) {
                progressLine(context, "Recording: " + std::to_string(recorder.percent()) + " %");
                nextProgress += kProgressPeriod;
            }
            std::this_thread::sleep_for(kPoll);
        }
        if (stream.resetRequested())
            lost = streamLostReason(stream, configuration.driverName);
        recorder.stopStream();
    }
    progressLine(context, "");
    if (!recorder.done()) {
        context.err << "kestrava record: "
                    << (lost.empty() ? "stopped before the recording was complete" : lost) << "; nothing written\n";
        return kExitFailure;
    }
    progressLine(context, "Analysing both recordings...");
    const std::optional<measure::DesignOutcome> outcome = recorder.finish(designProgressLines(context, analysis));
    progressLine(context, "");
    if (!outcome)
        return kExitFailure;
    // The driver's outputs are written only with the correction.
    return saveDesign(*outcome, *output, a.value("--report"), context, driverOutputs(file));
}

}  // namespace kestrava::tool
