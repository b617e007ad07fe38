// kestrava render: a recording through a correction file, as the plug-in
// would process it, into a 32-bit float WAV.
#include "apps/kestrava/AudioFile.h"
#include "apps/kestrava/Commands.h"
#include "apps/kestrava/Render.h"
#include "apps/kestrava/ToolFiles.h"

namespace kestrava::tool {

namespace {

constexpr const char* kUsage =
    "Usage: kestrava render --alg FILE.alg [--input left|right] [--air on|off] IN.wav OUT.wav\n"
    "\n"
    "Runs the selected input channel of IN.wav through the correction at the file's own\n"
    "sample rate and, when on, through the Air ambience, to both channels of OUT.wav\n"
    "(32-bit float), as the plug-in does.\n"
    "\n"
    "  --alg FILE            the correction file\n"
    "  --input left|right    the channel that carries the pickup (default left)\n"
    "  --air on|off          the Air ambience (default on, as in the plug-in)\n";

}  // namespace

int runRenderCommand(const std::vector<std::string>& args, ToolContext& context)
{
    Arguments a;
    const std::optional<int> done =
        parseCommand(args, "render", kUsage,
                     {"--alg", "--input", "--air"},
                     {}, a, context);
    if (done)
        return *done;
    std::string error;
    if (!a.value("--alg"))
        return usageError(context, "render", "no correction file (--alg FILE.alg)");
    if (a.positional().size() != 2)
        return usageError(context, "render", "give the input and the output file");
    const std::string input = a.value("--input").value_or("left");
    const std::string air = a.value("--air").value_or("on");
    if (input != "left" && input != "right")
        return usageError(context, "render", "--input is left or right");
    if (air != "on" && air != "off")
        return usageError(context, "render", "--air is on or off");

    const std::string& inPath = a.positional()[0];
    const std::string& outPath = a.positional()[1];
    if (const std::optional<int> refused = refuseOverlappingFiles("render", {*a.value("--alg"), inPath}, {outPath}, context))
        return *refused;

    engine::CorrectionSet correction;
    if (!readCorrection("render", *a.value("--alg"), correction, context))
        return kExitFailure;
    audio::WavData audio;
    if (!readAudioFile(inPath, audio, error)) {
        context.err << "kestrava render: " << error << '\n';
        return kExitFailure;
    }
    const std::size_t channel = input == "right" && audio.channels.size() > 1 ? 1 : 0;
    const RenderedStereo out =
        renderThroughCorrection(correction, audio.sampleRate, audio.channels[channel], air == "on");
    OutputFiles files("render", context);
    files.add(outPath, audio::encodeWav({audio.sampleRate, 32, true, {out.left, out.right}}));
    if (!files.commit())
        return kExitFailure;
    context.out << "Rendered " << out.left.size() << " frames at " << audio.sampleRate << " Hz to " << outPath
                << '\n';
    return kExitOk;
}

}  // namespace kestrava::tool
