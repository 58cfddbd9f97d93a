// The subcommands of zentrel-flash. Each adds itself to the application and
// stores its exit code in exitCode when it runs.
#pragma once

#include "cli/cli11_forward.h"

namespace zentrel::cli {

void AddInfoCommand(CLI::App& app, int& exitCode);
void AddImageCommand(CLI::App& app, int& exitCode);
void AddFlashCommand(CLI::App& app, int& exitCode);
void AddAppInfoCommand(CLI::App& app, int& exitCode);
void AddListCommand(CLI::App& app, int& exitCode);

}  // namespace zentrel::cli
