// zentrel-flash: the boot loader roads from the command line.
#include "cli/commands.h"
#include "cli/interrupt.h"

int main(int argc, char** argv) {
  zentrel::cli::InstallInterruptHandlers();
  return zentrel::cli::RunCommandLine(argc, argv);
}
