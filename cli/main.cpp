// zentrel-flash: the boot loader roads from the command line.
#include <CLI/CLI.hpp>

#include "cli/commands.h"

int main(int argc, char** argv) {
  CLI::App app{
      "zentrel-flash: reads a device's boot loader identification, checks and "
      "flashes firmware images (Intel HEX, .mvx) over USB HID.\n"
      "Add --emulate to a device command to run it against the built-in "
      "emulated boot loader instead of real hardware."};
  app.require_subcommand(1);
  // File paths may begin with '/': never read them as Windows-style options.
  app.allow_windows_style_options(false);
  int exitCode = 0;
  zentrel::cli::AddInfoCommand(app, exitCode);
  zentrel::cli::AddImageCommand(app, exitCode);
  zentrel::cli::AddFlashCommand(app, exitCode);
  zentrel::cli::AddAppInfoCommand(app, exitCode);
  CLI11_PARSE(app, argc, argv);
  return exitCode;
}
