// kestrava monitor: plays the microphone, the raw pickup or the pickup
// through a correction (with or without Air) to the driver's outputs, as
// the measurement program's monitor does.
#include "apps/kestrava/Commands.h"
#include "apps/kestrava/Measurement.h"
#include "apps/kestrava/ToolFiles.h"
#include "measure/BlockProcessor.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace kestrava::tool {

using measure::MonitorMode;

namespace {

constexpr const char* kUsage =
    "Usage: kestrava monitor --driver NAME --source mic|pickup|processed [OPTIONS]\n"
    "\n"
    "Plays the chosen source to the driver's left and right outputs until Ctrl-C or for\n"
    "the given time.\n"
    "\n"
    "  --driver NAME         the driver, as 'kestrava drivers' lists it\n"
    "  --source SOURCE       mic, pickup, or processed (the pickup through --alg)\n"
    "  --alg FILE            the correction file the processed sound runs through\n"
    "  --air on|off          the Air ambience on the processed sound (default on)\n"
    "  --volume DB           volume from -20 to 20 dB (default 0)\n"
    "  --seconds S           stop after S seconds\n"
    "  --mic-input N         input channel of the microphone (default 1)\n"
    "  --pickup-input N      input channel of the pickup (default 2)\n"
    "  --left-output N       left output channel (default 1)\n"
    "  --right-output N      right output channel (default 2)\n"
    "\n"
    "The Recorded File driver plays a WAV take into its inputs at its real pace:\n"
    "  --input-file FILE     the take (its channels are the driver's inputs)\n"
    "  --output-file FILE    where the driver writes its outputs (WAV)\n"
    "  --sample-type TYPE    the driver's sample type (default Int32LSB)\n"
    "  --buffer-size N       the driver's buffer size (default 512)\n";

constexpr double kVolumeLimitDb = 20.0;
constexpr auto kPoll = std::chrono::milliseconds(10);

}  // namespace

int runMonitorCommand(const std::vector<std::string>& args, ToolContext& context)
{
    Arguments a;
    const std::optional<int> done =
        parseCommand(args, "monitor", kUsage,
                     {"--driver", "--source", "--alg", "--air", "--volume", "--seconds", "--mic-input",
                      "--pickup-input", "--left-output", "--right-output", "--input-file", "--output-file",
                      "--sample-type", "--buffer-size"},
                     {}, a, context);
    if (done)
        return *done;
    std::string error;
    if (!a.positional().empty())
        return usageError(context, "monitor", "unexpected argument " + a.positional()[0]);
    const std::string source = a.value("--source").value_or("");
    const MonitorMode mode = source == "mic" ? MonitorMode::Mic
                            : source == "pickup" ? MonitorMode::Pickup
                            : source == "processed" ? MonitorMode::Processed
                                                    : MonitorMode::Idle;
    if (mode == MonitorMode::Idle)
        return usageError(context, "monitor", "--source is mic, pickup or processed");
    if (mode == MonitorMode::Processed && !a.value("--alg"))
        return usageError(context, "monitor", "the processed sound needs a correction (--alg FILE.alg)");
    const std::string air = a.value("--air").value_or("on");
    if (air != "on" && air != "off")
        return usageError(context, "monitor", "--air is on or off");
    double volumeDb = 0.0;
    if (const std::optional<std::string> text = a.value("--volume")) {
        if (!parseNumber(*text, volumeDb) || std::fabs(volumeDb) > kVolumeLimitDb)
            return usageError(context, "monitor", "--volume is a number of decibels from -20 to 20");
    }
    double seconds = 0.0;
    const std::optional<std::string> secondsText = a.value("--seconds");
    if (secondsText && (!parseNumber(*secondsText, seconds) || seconds <= 0.0))
        return usageError(context, "monitor", "--seconds is a positive number");
    audio::FileDriverOptions file;
    if (!parseFileDriverOptions(a, file, error))
        return usageError(context, "monitor", error);
    file.realTime = true;

    const std::unique_ptr<audio::DriverSource> drivers = toolDriverSource(file);
    const auto processor = std::make_unique<measure::BlockProcessor>();
    std::vector<std::string> inputs;
    for (const char* option : {"--alg", "--input-file"}) {
        if (const std::optional<std::string> path = a.value(option))
            inputs.push_back(*path);
    }
    if (const std::optional<std::string> played = a.value("--output-file")) {
        if (const std::optional<int> refused = refuseOverlappingFiles("monitor", inputs, {*played}, context))
            return *refused;
    }
    StreamMessages messages(context.err);
    if (const std::optional<std::string> alg = a.value("--alg")) {
        engine::CorrectionSet correction;
        if (!readCorrection("monitor", *alg, correction, context))
            return kExitFailure;
        processor->setCorrection(correction);
    }
    audio::StreamSetup stream(*drivers, *processor);
    audio::StreamConfiguration configuration;
    if (const int status = chooseDriver(a, "monitor", stream.catalog(), configuration, context); status != kExitOk)
        return status;
    // The measurement program's sliders: the main volume scales the
    // microphone and the processed sound, the pickup volume the raw pickup.
    const double volume = std::pow(10.0, volumeDb / 20.0);
    processor->mainVolume = volume;
    processor->pickupVolume = volume;
    processor->airEnabled = air == "on";
    processor->monitorMode = mode;

    const InterruptWatch interrupt;
    if (const audio::StreamStart started = stream.startStream(configuration); !started) {
        audio::reportStreamError(started.error, messages);
        context.err << "kestrava monitor: the stream on " << configuration.driverName << " did not start\n";
        return kExitFailure;
    }
    const char* heard = mode == MonitorMode::Mic ? "microphone" : mode == MonitorMode::Pickup ? "pickup" : "corrected pickup";
    context.err << "Monitoring the " << heard << " on " << configuration.driverName
                << (secondsText ? "" : "; Ctrl-C stops") << ".\n";
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!interrupt.interrupted() && !stream.resetRequested()
           && (!secondsText || std::chrono::steady_clock::now() < end))
        std::this_thread::sleep_for(kPoll);
    if (stream.resetRequested()) {
        context.err << "kestrava monitor: " << streamLostReason(stream, configuration.driverName) << '\n';
        stream.stopStream();
        return kExitFailure;
    }
    stream.stopStream();
    context.out << "Stopped.\n";
    if (std::optional<PendingOutput> played = driverOutputs(file)) {
        OutputFiles files("monitor", context);
        files.add(std::move(played->path), std::move(played->bytes));
        if (!files.commit())
            return kExitFailure;
        context.out << "Wrote " << files.written()[0] << '\n';
    }
    return kExitOk;
}

}  // namespace kestrava::tool
