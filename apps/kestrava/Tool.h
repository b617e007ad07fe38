// The frame of the kestrava command-line tool: the context every
// subcommand runs in, the table of subcommands and the small argument
// parser they share. Each subcommand lives in its own file and is listed
// once in Commands.cpp. Everything runs on the tool's one thread.
#pragma once

#include "platform/Messages.h"

#include <initializer_list>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrava::tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct ToolContext {
    std::ostream& out;
    std::ostream& err;
    // Whether err is a terminal, where a progress line may rewrite itself.
    bool terminal = false;
};

// Shows the product's messages on the tool's error stream.
class StreamMessages : public platform::Messages {
public:
    explicit StreamMessages(std::ostream& err) : err_(err) {}
    void show(const std::string& text, const std::string& caption, platform::MessageIcon icon) override;

private:
    std::ostream& err_;
};

using CommandRun = int (*)(const std::vector<std::string>& args, ToolContext& context);

struct Command {
    std::string_view name;
    std::string_view summary;
    CommandRun run;
};

// Every subcommand, in the order `kestrava --help` lists them.
std::span<const Command> commands();

// Runs `kestrava ARGS...` (the program name not included).
int runTool(const std::vector<std::string>& args, ToolContext& context);

// Options of the form --name VALUE, flags of the form --name, and
// positional arguments in order.
class Arguments {
public:
    bool parse(const std::vector<std::string>& args, const std::vector<std::string_view>& valueOptions,
               const std::vector<std::string_view>& flags, std::string& error);

    std::optional<std::string> value(std::string_view name) const;
    bool flag(std::string_view name) const;
    const std::vector<std::string>& positional() const { return positional_; }

private:
    std::vector<std::pair<std::string, std::string>> values_;
    std::vector<std::string> flags_;
    std::vector<std::string> positional_;
};

// Parses a subcommand's arguments; --help and -h are always flags. Returns
// the exit status when the command is already done (its usage printed for
// --help, or a usage error reported), nothing when it should go on.
std::optional<int> parseCommand(const std::vector<std::string>& args, std::string_view command,
                                std::string_view usage, const std::vector<std::string_view>& valueOptions,
                                std::vector<std::string_view> flags, Arguments& parsed,
                                ToolContext& context);

// Prints "kestrava NAME: MESSAGE" and the usage hint; returns kExitUsage.
int usageError(ToolContext& context, std::string_view command, const std::string& message);

// A channel number as the user gives it (from 1 on) as a 0-based index;
// `fallback` (0-based) when the option is absent. False for anything else.
bool parseChannel(const std::optional<std::string>& text, int fallback, int& channel);

// A whole decimal number, or a decimal number with a fraction, and nothing
// after it.
bool parseInteger(const std::string& text, int& value);
bool parseNumber(const std::string& text, double& value);

// Rewrites the progress line on a terminal; prints nothing elsewhere, so
// logs and pipes get only the results.
void progressLine(ToolContext& context, const std::string& text);

}  // namespace kestrava::tool
