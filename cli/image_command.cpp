// Placeholder until the command lands.
#include "cli/commands.h"

namespace zentrel::cli {

void AddImageCommand(CLI::App&, int&) {}

}  // namespace zentrel::cli
