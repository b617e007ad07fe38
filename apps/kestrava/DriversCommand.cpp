// kestrava drivers: the audio drivers the measurement can use and the names
// of their input and output channels.
#include "apps/kestrava/Commands.h"
#include "apps/kestrava/Measurement.h"

namespace kestrava::tool {

namespace {

constexpr const char* kUsage =
    "Usage: kestrava drivers [--input-file TAKE.wav] [--sample-type TYPE] [--buffer-size N]\n"
    "\n"
    "Lists the drivers the measurement can use, one per line, each followed by its\n"
    "input and output channels with the numbers that record and monitor take.\n"
    "\n"
    "  --input-file FILE     the WAV file whose channels are the Recorded File driver's inputs\n"
    "  --sample-type TYPE    the Recorded File driver's sample type (default Int32LSB)\n"
    "  --buffer-size N       the Recorded File driver's buffer size (default 512)\n";

void listChannels(const char* kind, const std::vector<std::string>& names, ToolContext& context)
{
    for (std::size_t i = 0; i < names.size(); ++i)
        context.out << "  " << kind << ' ' << i + 1 << ": " << names[i] << '\n';
}

}  // namespace

int runDriversCommand(const std::vector<std::string>& args, ToolContext& context)
{
    Arguments a;
    const std::optional<int> done =
        parseCommand(args, "drivers", kUsage,
                     {"--input-file", "--sample-type", "--buffer-size"},
                     {}, a, context);
    if (done)
        return *done;
    std::string error;
    if (!a.positional().empty())
        return usageError(context, "drivers", "takes no file names (the take goes with --input-file)");
    audio::FileDriverOptions file;
    if (!parseFileDriverOptions(a, file, error))
        return usageError(context, "drivers", error);

    const std::unique_ptr<audio::DriverSource> source = toolDriverSource(file);
    audio::DriverCatalog catalog(*source);
    for (const std::string& name : catalog.listDriverNames(audio::kDriverListSlots)) {
        context.out << name << '\n';
        if (name == audio::kFileDriverName && file.inputPath.empty()) {
            context.out << "  inputs: the channels of the WAV file given with --input-file\n";
            continue;
        }
        audio::DriverChannels channels;
        if (!readDriverChannels(catalog, name, channels, error)) {
            context.out << "  " << error << '\n';
            continue;
        }
        listChannels("input", channels.inputs, context);
        listChannels("output", channels.outputs, context);
    }
    return kExitOk;
}

}  // namespace kestrava::tool
