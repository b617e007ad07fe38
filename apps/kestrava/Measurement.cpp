#include "apps/kestrava/Measurement.h"
#include "audio/SampleTypeNames.h"

#include <csignal>
#include <filesystem>

namespace kestrava::tool {

using audio::DriverChannelsStatus;

namespace {

volatile std::sig_atomic_t interruptSeen = 0;

void onInterrupt(int)
{
    interruptSeen = 1;
}

bool checkChannel(const Arguments& a, const char* option, int fallback, std::size_t available, const char* kind,
                  std::int32_t& channel, std::string& error)
{
    int index = 0;
    if (!parseChannel(a.value(option), fallback, index)) {
        error = std::string(option) + " is a channel number from 1 on";
        return false;
    }
    if (static_cast<std::size_t>(index) >= available) {
        error = std::string(option) + " " + std::to_string(index + 1) + ": the driver has " +
                std::to_string(available) + " " + kind + " channel(s)";
        return false;
    }
    channel = index;
    return true;
}

}  // namespace

std::optional<PendingOutput> driverOutputs(const audio::FileDriverOptions& options)
{
    if (!options.keptOutputs || options.keptOutputs->channels.empty())
        return std::nullopt;
    return PendingOutput{options.outputPath, audio::encodeWav(*options.keptOutputs)};
}

bool parseFileDriverOptions(const Arguments& a, audio::FileDriverOptions& options, std::string& error)
{
    options.inputPath = a.value("--input-file").value_or("");
    options.outputPath = a.value("--output-file").value_or("");
    if (!options.outputPath.empty())
        options.keptOutputs = std::make_shared<audio::WavData>();
    // The driver reads its take each time it is loaded (once to list its
    // channels, once to run), which only a file allows.
    std::error_code kind;
    if (!options.inputPath.empty() && std::filesystem::exists(options.inputPath, kind)
        && !std::filesystem::is_regular_file(options.inputPath, kind)) {
        error = "--input-file " + options.inputPath + " is not a file (the driver reads it more than once)";
        return false;
    }
    if (const std::optional<std::string> size = a.value("--buffer-size")) {
        if (!parseInteger(*size, options.bufferSize) || options.bufferSize < 1) {
            error = "--buffer-size is a number of samples from 1 on";
            return false;
        }
    }
    if (const std::optional<std::string> type = a.value("--sample-type")) {
        const std::optional<audio::ASIOSampleType> known = audio::sampleTypeNamed(*type);
        if (!known) {
            error = "--sample-type is one of";
            for (const audio::SampleTypeName& t : audio::sampleTypeNames())
                error += std::string(" ") + t.name;
            return false;
        }
        options.sampleType = *known;
    }
    return true;
}

bool readDriverChannels(audio::DriverCatalog& catalog, const std::string& name, audio::DriverChannels& channels,
                        std::string& error)
{
    std::string driverError;
    switch (audio::loadDriverChannels(catalog, name, channels, driverError)) {
    case DriverChannelsStatus::Read:
        return true;
    case DriverChannelsStatus::NotLoaded:
        error = "no driver named \"" + name + "\" can be opened ('kestrava drivers' lists them)";
        return false;
    case DriverChannelsStatus::NotInitialised:
        error = name + " is not available: " + driverError;
        return false;
    }
    return false;
}

int chooseDriver(const Arguments& a, std::string_view command, audio::DriverCatalog& catalog,
                 audio::StreamConfiguration& chosen, ToolContext& context)
{
    const std::optional<std::string> name = a.value("--driver");
    if (!name)
        return usageError(context, command, "no driver (--driver NAME; 'kestrava drivers' lists them)");
    if (*name == audio::kFileDriverName && !a.value("--input-file"))
        return usageError(context, command,
                          std::string("the ") + audio::kFileDriverName + " driver needs --input-file TAKE.wav");
    audio::DriverChannels channels;
    std::string error;
    if (!readDriverChannels(catalog, *name, channels, error)) {
        context.err << "kestrava " << command << ": " << error << '\n';
        return kExitFailure;
    }
    audio::StreamChannels picked;
    if (!checkChannel(a, "--mic-input", 0, channels.inputs.size(), "input", picked.micInput, error)
        || !checkChannel(a, "--pickup-input", 1, channels.inputs.size(), "input", picked.pickupInput, error)
        || !checkChannel(a, "--left-output", 0, channels.outputs.size(), "output", picked.leftOutput, error)
        || !checkChannel(a, "--right-output", 1, channels.outputs.size(), "output", picked.rightOutput, error))
        return usageError(context, command, error);
    // The measurement program never lets the two of a pair name one channel.
    if (picked.micInput == picked.pickupInput)
        return usageError(context, command, "the microphone and the pickup need two different inputs");
    if (picked.leftOutput == picked.rightOutput)
        return usageError(context, command, "the left and the right output need two different channels");
    chosen = {*name, picked};
    return kExitOk;
}

std::string streamLostReason(const audio::StreamSetup& stream, const std::string& driverName)
{
    std::string text = stream.driverErrorText();
    // The caller goes on after it.
    while (!text.empty() && (text.back() == '.' || text.back() == ' '))
        text.pop_back();
    return driverName + " stopped the stream" + (text.empty() ? " and asked to be reset" : ": " + text);
}

InterruptWatch::InterruptWatch() : previous_(std::signal(SIGINT, &onInterrupt))
{
    interruptSeen = 0;
}

InterruptWatch::~InterruptWatch()
{
    std::signal(SIGINT, previous_);
}

bool InterruptWatch::interrupted() const
{
    return interruptSeen != 0;
}

}  // namespace kestrava::tool
