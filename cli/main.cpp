// zentrel-flash: the boot loader roads from the command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "zentrel_config.h"

namespace {

constexpr const char* kCommands[] = {"info", "app-info", "flash", "image", "list"};

std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// A first word that is no command: say which one was meant.
bool RefuseUnknownCommand(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') return false;
  const std::string word = argv[1];
  std::string best;
  std::size_t bestDistance = 3;
  for (const char* command : kCommands) {
    if (word == command) return false;
    const std::size_t d = EditDistance(word, command);
    if (d < bestDistance) {
      bestDistance = d;
      best = command;
    }
  }
  std::fprintf(stderr, "zentrel-flash: unknown command '%s'", word.c_str());
  if (!best.empty()) std::fprintf(stderr, "; did you mean '%s'?", best.c_str());
  std::fprintf(stderr, "\nCommands: info, app-info, flash, image, list (zentrel-flash --help)\n");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "zentrel-flash: reads a device's boot loader identification, checks and "
      "flashes firmware images (Intel HEX, .mvx) over USB HID.\n"
      "Add --emulate to a device command to run it against the built-in "
      "emulated boot loader instead of real hardware.\n" +
      std::string(zentrel::cli::kExitCodesHelp)};
  app.require_subcommand(1);
  // File paths may begin with '/': never read them as Windows-style options.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", std::string("zentrel-flash ") + ZENTREL_VERSION_TEXT +
                                        "\ndefault device IDs: vendor " +
                                        ZENTREL_VENDOR_ID_TEXT + ", product " +
                                        ZENTREL_PRODUCT_ID_TEXT);
  int exitCode = 0;
  zentrel::cli::AddInfoCommand(app, exitCode);
  zentrel::cli::AddImageCommand(app, exitCode);
  zentrel::cli::AddFlashCommand(app, exitCode);
  zentrel::cli::AddAppInfoCommand(app, exitCode);
  zentrel::cli::AddListCommand(app, exitCode);

  if (RefuseUnknownCommand(argc, argv)) return zentrel::cli::kExitUsage;
  zentrel::cli::InstallInterruptHandlers();
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return zentrel::cli::kExitUsage;
  }
  return exitCode;
}
