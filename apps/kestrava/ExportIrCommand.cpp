// kestrava export-ir: a correction file as a mono impulse-response WAV for
// convolvers, pedals and modellers, at a chosen rate, length and format.
#include "apps/kestrava/Commands.h"
#include "apps/kestrava/ToolFiles.h"
#include "audio/file/WavFile.h"
#include "design/ImpulseExport.h"

#include <cmath>
#include <cstdio>

namespace kestrava::tool {

namespace {

constexpr const char* kUsage =
    "Usage: kestrava export-ir --alg IN.alg [--rate HZ] [--taps N] [--bits 16|24|32f] OUT.wav\n"
    "\n"
    "Writes the correction as a mono impulse response: its cascade of band sections at\n"
    "that rate, times its output gain, run on a unit impulse and faded out at the end.\n"
    "Integer formats are scaled so the largest sample lies just below full scale; the\n"
    "gain applied is printed, so levels can be matched.\n"
    "\n"
    "  --alg FILE            the correction file\n"
    "  --rate HZ             44100, 48000, 88200 or 96000 (default 48000)\n"
    "  --taps N              length in samples, 64 to 1048576 (default 2048)\n"
    "  --bits 16|24|32f      16- or 24-bit integer, or 32-bit float (default 24)\n";

}  // namespace

int runExportIrCommand(const std::vector<std::string>& args, ToolContext& context)
{
    Arguments a;
    if (const std::optional<int> done =
            parseCommand(args, "export-ir", kUsage, {"--alg", "--rate", "--taps", "--bits"}, {}, a, context))
        return *done;
    if (!a.value("--alg"))
        return usageError(context, "export-ir", "no correction file (--alg IN.alg)");
    if (a.positional().size() != 1)
        return usageError(context, "export-ir", "give one output file");
    double rate = design::kDefaultImpulseRate;
    if (a.value("--rate") && (!parseNumber(*a.value("--rate"), rate) || !design::impulseRateSupported(rate)))
        return usageError(context, "export-ir", "--rate is 44100, 48000, 88200 or 96000");
    int taps = design::kDefaultImpulseTaps;
    if (a.value("--taps") && (!parseInteger(*a.value("--taps"), taps) || !design::impulseTapsSupported(taps)))
        return usageError(context, "export-ir", "--taps is a whole number from 64 to 1048576");
    design::ImpulseFormat format = design::ImpulseFormat::Int24;
    if (a.value("--bits") && !design::parseImpulseFormat(*a.value("--bits"), format))
        return usageError(context, "export-ir", "--bits is 16, 24 or 32f");
    const std::string algPath = *a.value("--alg");
    const std::string outPath = a.positional()[0];
    if (const std::optional<int> refused = refuseOverlappingFiles("export-ir", {algPath}, {outPath}, context))
        return *refused;

    engine::CorrectionSet correction;
    if (!readCorrection("export-ir", algPath, correction, context))
        return kExitFailure;
    if (correction.outputGain == 0.0) {
        context.err << "kestrava export-ir: " << algPath
                    << ": the output gain is 0, so the response is silence; nothing written\n";
        return kExitFailure;
    }
    const design::ImpulseResponse ir = design::exportImpulseResponse(correction, rate, taps, format);
    audio::WavData wav;
    wav.sampleRate = rate;
    wav.floatingPoint = format == design::ImpulseFormat::Float32;
    wav.channels = {ir.samples};
    OutputFiles files("export-ir", context);
    files.add(outPath, audio::encodeWav(wav, design::impulseFormatBits(format)));
    if (!files.commit())
        return kExitFailure;

    char text[160];
    if (wav.floatingPoint)
        std::snprintf(text, sizeof text, "Wrote %s: %d taps at %.0f Hz, 32-bit float, no gain applied.\n",
                      outPath.c_str(), taps, rate);
    else
        std::snprintf(text, sizeof text, "Wrote %s: %d taps at %.0f Hz, %d-bit, gain applied %+.2f dB.\n",
                      outPath.c_str(), taps, rate, design::impulseFormatBits(format), 20.0 * std::log10(ir.gain));
    context.out << text;
    const std::string fidelity = design::describeImpulseFidelity(ir);
    if (ir.suggestedTaps >= 0)
        context.err << "Warning: " << fidelity << ".\n";
    else
        context.out << fidelity << ".\n";
    return kExitOk;
}

}  // namespace kestrava::tool
