// kestrava: the command-line tool. Wires the process's streams to the
// tool's subcommands. A command that runs out of memory (a recording too
// large for this machine) ends with a message, not an abort; one that is
// interrupted while it saves leaves no half-written file behind.
#include "apps/kestrava/Tool.h"
#include "platform/FileAccess.h"

#include <cstdio>
#include <iostream>
#include <new>
#include <unistd.h>

int main(int argc, char** argv)
{
    kestrava::platform::removeStagedFilesOnInterrupt();
    const std::vector<std::string> args(argv + 1, argv + argc);
    kestrava::tool::ToolContext context{std::cout, std::cerr, isatty(fileno(stderr)) != 0};
    try {
        return kestrava::tool::runTool(args, context);
    } catch (const std::bad_alloc&) {
        std::cerr << "kestrava: not enough memory for this command; no file was changed\n";
    } catch (const std::exception& e) {
        std::cerr << "kestrava: " << e.what() << '\n';
    }
    return kestrava::tool::kExitFailure;
}
