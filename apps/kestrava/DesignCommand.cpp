// kestrava design: a correction file (and optionally a report) from a
// microphone and a pickup recording, or from one two-channel take.
#include "apps/kestrava/Commands.h"
#include "apps/kestrava/DesignFlow.h"
#include "apps/kestrava/ToolFiles.h"

namespace kestrava::tool {

namespace {

const std::string kUsage = std::string(
    "Usage: kestrava design --mic MIC.wav --pickup PICKUP.wav -o OUT.alg [--report OUT.svg]\n"
    "                       [--analysis long|averaged]\n"
    "       kestrava design TAKE.wav -o OUT.alg [--report OUT.svg] [--analysis long|averaged]\n"
    "\n"
    "Designs a correction that makes the pickup sound like the microphone and writes it\n"
    "as a correction file. A single take holds the microphone on its first and the\n"
    "pickup on its second channel.\n"
    "\n"
    "  --mic FILE            the microphone recording\n"
    "  --pickup FILE         the pickup recording\n"
    "  --mic-channel N       channel of the microphone (default 1 in its own file, 1 in a take)\n"
    "  --pickup-channel N    channel of the pickup (default 1 in its own file, 2 in a take)\n"
    "  -o, --output FILE     the correction file to write (.alg)\n"
    "  --report FILE         also write an SVG picture of the band curves\n")
    + kAnalysisOptionUsage +
    "\n"
    "WAV files are read on every system, FLAC and the other formats libsndfile reads where\n"
    "it is available. Recordings at other rates than 48000 Hz are converted first.\n";

}  // namespace

int runDesignCommand(const std::vector<std::string>& args, ToolContext& context)
{
    Arguments a;
    const std::optional<int> done =
        parseCommand(args, "design", kUsage,
                     {"--mic", "--pickup", "--mic-channel", "--pickup-channel", "-o", "--output", "--report",
                      "--analysis"},
                     {}, a, context);
    if (done)
        return *done;
    const std::optional<std::string> output = a.value("-o") ? a.value("-o") : a.value("--output");
    if (!output)
        return usageError(context, "design", "no output file (-o OUT.alg)");

    TakeSource mic;
    TakeSource pickup;
    const bool separate = a.value("--mic") || a.value("--pickup");
    if (separate) {
        if (!a.value("--mic") || !a.value("--pickup") || !a.positional().empty())
            return usageError(context, "design", "give both --mic and --pickup, or one take");
        mic.path = *a.value("--mic");
        pickup.path = *a.value("--pickup");
    } else {
        if (a.positional().size() != 1)
            return usageError(context, "design", "give one take, or --mic and --pickup");
        mic.path = a.positional()[0];
        pickup.path = a.positional()[0];
    }
    design::AnalysisMethod analysis;
    if (!parseAnalysisOption(a, analysis))
        return usageError(context, "design", "--analysis is long or averaged");
    if (!parseChannel(a.value("--mic-channel"), 0, mic.channel)
        || !parseChannel(a.value("--pickup-channel"), separate ? 0 : 1, pickup.channel))
        return usageError(context, "design", "a channel is a number from 1 on");
    std::vector<std::string> outputs = {*output};
    if (const std::optional<std::string> report = a.value("--report"))
        outputs.push_back(*report);
    if (const std::optional<int> refused =
            refuseOverlappingFiles("design", {mic.path, pickup.path}, outputs, context))
        return *refused;

    measure::DesignOutcome outcome;
    if (const int status = designFromTakes(mic, pickup, context, outcome, analysis); status != kExitOk)
        return status;
    return saveDesign(outcome, *output, a.value("--report"), context);
}

}  // namespace kestrava::tool
