// kestrava inspect: the contents of a correction file, as a table or JSON.
#include "apps/kestrava/Commands.h"
#include "apps/kestrava/ToolFiles.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace kestrava::tool {

namespace {

// JSON has no NaN or infinity: such a value is written as null.
const char* jsonNumber(double value, char (&text)[32])
{
    if (!std::isfinite(value))
        return "null";
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// A gain and its level, readable whatever its size: "0.5 (-6.02 dB)".
std::string gainText(double gain)
{
    char text[64];
    if (gain == 0.0)
        std::snprintf(text, sizeof text, "0 (silence)");
    else
        std::snprintf(text, sizeof text, "%.6g (%+.2f dB)", gain, 20.0 * std::log10(std::fabs(gain)));
    return text;
}

constexpr const char* kUsage =
    "Usage: kestrava inspect FILE.alg [--json]\n"
    "\n"
    "Shows the section count, the output gain and the centre, quality and gain of\n"
    "every section of a correction file.\n"
    "\n"
    "  --json    print the same as JSON, numbers to full precision\n";

}  // namespace

int runInspectCommand(const std::vector<std::string>& args, ToolContext& context)
{
    Arguments a;
    if (const std::optional<int> done = parseCommand(args, "inspect", kUsage, {}, {"--json"}, a, context))
        return *done;
    if (a.positional().size() != 1)
        return usageError(context, "inspect", "give one correction file");
    engine::CorrectionSet c;
    if (!readCorrection("inspect", a.positional()[0], c, context))
        return kExitFailure;

    char line[160];
    if (a.flag("--json")) {
        char a1[32];
        char a2[32];
        char a3[32];
        std::snprintf(line, sizeof line, "{\n  \"sectionCount\": %d,\n  \"outputGain\": %s,\n  \"sections\": [",
                      c.sectionCount, jsonNumber(c.outputGain, a1));
        context.out << line;
        for (int i = 0; i < c.sectionCount; ++i) {
            std::snprintf(line, sizeof line, "%s\n    {\"centreHz\": %s, \"quality\": %s, \"peakGain\": %s}",
                          i ? "," : "", jsonNumber(c.centreHz[i], a1), jsonNumber(c.quality[i], a2),
                          jsonNumber(c.peakGain[i], a3));
            context.out << line;
        }
        context.out << (c.sectionCount ? "\n  ]\n}\n" : "]\n}\n");
        return kExitOk;
    }
    context.out << "Sections: " << c.sectionCount << "\nOutput gain: " << gainText(c.outputGain) << "\n\n"
                << "section   centre Hz    quality       gain   peak dB\n";
    for (int i = 0; i < c.sectionCount; ++i) {
        std::snprintf(line, sizeof line, "%7d %11.3f %10.4f %10.6f %+9.2f\n", i + 1, c.centreHz[i], c.quality[i],
                      c.peakGain[i], 20.0 * std::log10(std::fabs(1.0 + c.peakGain[i])));
        context.out << line;
    }
    return kExitOk;
}

}  // namespace kestrava::tool
