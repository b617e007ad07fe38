#include "apps/kestrava/Tool.h"

#include "ProductVersion.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kestrava::tool {

// The generic captions add nothing to the text; the others (the sample-rate
// and buffer-size notices) say what the text is about, so they lead.
void StreamMessages::show(const std::string& text, const std::string& caption, platform::MessageIcon)
{
    if (caption != "Error" && caption != "Info") {
        err_ << caption << '\n';
    }
    err_ << text << '\n';
}

bool Arguments::parse(const std::vector<std::string>& args, const std::vector<std::string_view>& valueOptions,
                      const std::vector<std::string_view>& flags, std::string& error)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 1 && a[0] == '-') {
            if (std::find(flags.begin(), flags.end(), a) != flags.end()) {
                flags_.push_back(a);
            } else if (std::find(valueOptions.begin(), valueOptions.end(), a) != valueOptions.end()) {
                if (i + 1 >= args.size()) {
                    error = a + " needs a value";
                    return false;
                }
                values_.emplace_back(a, args[++i]);
            } else {
                error = "unknown option " + a;
                return false;
            }
        } else {
            positional_.push_back(a);
        }
    }
    return true;
}

std::optional<std::string> Arguments::value(std::string_view name) const
{
    for (auto it = values_.rbegin(); it != values_.rend(); ++it) {
        if (it->first == name)
            return it->second;
    }
    return std::nullopt;
}

bool Arguments::flag(std::string_view name) const
{
    return std::find(flags_.begin(), flags_.end(), name) != flags_.end();
}

std::optional<int> parseCommand(const std::vector<std::string>& args, std::string_view command,
                                std::string_view usage, const std::vector<std::string_view>& valueOptions,
                                std::vector<std::string_view> flags, Arguments& parsed,
                                ToolContext& context)
{
    flags.push_back("--help");
    flags.push_back("-h");
    std::string error;
    if (!parsed.parse(args, valueOptions, flags, error))
        return usageError(context, command, error);
    if (parsed.flag("--help") || parsed.flag("-h")) {
        context.out << usage;
        return kExitOk;
    }
    return std::nullopt;
}

int usageError(ToolContext& context, std::string_view command, const std::string& message)
{
    context.err << "kestrava " << command << ": " << message << "\n"
                << "Try 'kestrava " << command << " --help'.\n";
    return kExitUsage;
}

bool parseChannel(const std::optional<std::string>& text, int fallback, int& channel)
{
    if (!text) {
        channel = fallback;
        return true;
    }
    int n = 0;
    if (!parseInteger(*text, n) || n < 1)
        return false;
    channel = n - 1;
    return true;
}

bool parseInteger(const std::string& text, int& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, problem] = std::from_chars(text.data(), end, value);
    return problem == std::errc() && stop == end;
}

bool parseNumber(const std::string& text, double& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, problem] = std::from_chars(text.data(), end, value);
    return problem == std::errc() && stop == end && std::isfinite(value);
}

void progressLine(ToolContext& context, const std::string& text)
{
    if (context.terminal)
        context.err << '\r' << text << "\x1b[K" << std::flush;
}

int runTool(const std::vector<std::string>& args, ToolContext& context)
{
    const auto list = [&](std::ostream& to) {
        to << "Usage: kestrava COMMAND [OPTIONS]\n       kestrava --version\n\nCommands:\n";
        for (const Command& c : commands())
            to << "  " << c.name << std::string(10 - std::min<std::size_t>(c.name.size(), 9), ' ') << c.summary << '\n';
        to << "\nRun 'kestrava COMMAND --help' for the options of a command.\n";
    };
    if (args.empty()) {
        list(context.err);
        return kExitUsage;
    }
    if (args[0] == "--version") {
        context.out << "kestrava " << kProductVersion << '\n';
        return kExitOk;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        list(context.out);
        return kExitOk;
    }
    for (const Command& c : commands()) {
        if (c.name == args[0])
            return c.run(std::vector<std::string>(args.begin() + 1, args.end()), context);
    }
    context.err << "kestrava: unknown command '" << args[0] << "'\n";
    list(context.err);
    return kExitUsage;
}

}  // namespace kestrava::tool
