// The subcommands of zentrel-flash, once their options are parsed. Each
// returns the program's exit code.
#pragma once

#include <string>

#include "cli/command_output.h"
#include "cli/device_session.h"

namespace zentrel::cli {

int RunInfoCommand(const DeviceOptions& options, const OutputOptions& output);
int RunAppInfoCommand(const DeviceOptions& options, const OutputOptions& output);
int RunFlashCommand(const DeviceOptions& options, const OutputOptions& output);
int RunListCommand(const DeviceOptions& options, const OutputOptions& output);
int RunImageCommand(const std::string& path, const std::string& outputPath);

}  // namespace zentrel::cli
