// The subcommands of the kestrava tool, one file each; Commands.cpp lists
// them in the tool's table.
#pragma once

#include "apps/kestrava/Tool.h"

namespace kestrava::tool {

int runDesignCommand(const std::vector<std::string>& args, ToolContext& context);
int runExportIrCommand(const std::vector<std::string>& args, ToolContext& context);
int runRenderCommand(const std::vector<std::string>& args, ToolContext& context);
int runInspectCommand(const std::vector<std::string>& args, ToolContext& context);
int runDemoCommand(const std::vector<std::string>& args, ToolContext& context);
int runDriversCommand(const std::vector<std::string>& args, ToolContext& context);
int runRecordCommand(const std::vector<std::string>& args, ToolContext& context);
int runMonitorCommand(const std::vector<std::string>& args, ToolContext& context);

}  // namespace kestrava::tool
