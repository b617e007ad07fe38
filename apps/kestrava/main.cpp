// kestrava: the command-line tool. Wires the process's streams to the
// tool's subcommands.
#include "apps/kestrava/Tool.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    kestrava::tool::ToolContext context{std::cout, std::cerr, isatty(fileno(stderr)) != 0};
    return kestrava::tool::runTool(args, context);
}
