// Placeholder until the command lands.
#include "cli/commands.h"

namespace zentrel::cli {

void AddAppInfoCommand(CLI::App&, int&) {}

}  // namespace zentrel::cli
