// Every command and option of zentrel-flash in one place. CLI11 is
// header-only and costs seconds in each file that includes it, so no other
// file does; the commands get their options as plain structs.
#include "cli/command_line.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/fault_option.h"
#include "hid/emulated/emulated_boot_loader.h"
#include "zentrel_config.h"

namespace zentrel::cli {

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

enum class DeviceCommand { Reading, Flash, List };

void AddDeviceOptions(CLI::App& cmd, DeviceOptions& o, DeviceCommand kind) {
  auto usbId = [](const std::string& text) {
    std::uint32_t v = 0;
    return ParseUsbId(text, v) ? std::string()
                               : "'" + text + "' is not a USB ID: hexadecimal, 0x1 to 0xFFFF";
  };
  cmd.add_option("--vid", o.VendorId,
                 "USB vendor ID of the device, hexadecimal (default " +
                     std::string(ZENTREL_VENDOR_ID_TEXT) + ")")
      ->check(usbId);
  cmd.add_option("--pid", o.ProductId,
                 "USB product ID of the device, hexadecimal (default " +
                     std::string(ZENTREL_PRODUCT_ID_TEXT) + ")")
      ->check(usbId);
  if (kind != DeviceCommand::List) {
    cmd.add_option_function<std::string>(
           "--pace",
           [&o](const std::string& v) { o.Pacing = v == "fast" ? Pace::Fast : Pace::Window; },
           "window: one step every 10 ms, as the desktop program (default); fast: the "
           "transfer stages back to back, delays and search still at 10 ms")
        ->check(CLI::IsMember({"window", "fast"}));
    cmd.add_option("--wait", o.WaitSeconds,
                   "Wait up to SECONDS (0: for ever) for a device with the IDs to appear "
                   "before starting")
        ->check(CLI::Range(0.0, 1e6));
  }
  CLI::Option* serial = cmd.add_option(
      "--serial", o.Serial,
      "Only the device with this USB serial number (as `list` shows it)");
  CLI::Option* port = cmd.add_option(
      "--port", o.Port,
      "Only the device on this USB port (as `list` shows it, e.g. 1-1.4 on Linux); it is "
      "found again on that port after its reset");
  if (kind == DeviceCommand::Flash) {
    cmd.add_flag("--all", o.All,
                 "Flash every device with the IDs that is attached at the start, side by "
                 "side, one road each; exit 0 only if every device passed")
        ->excludes(serial)
        ->excludes(port);
  }
  CLI::Option* emulate = cmd.add_flag(
      "--emulate", o.Emulate, "Talk to the built-in emulated boot loader instead of real hardware");
  const emulated::BootLoaderConfig defaults;
  cmd.add_option("--emulate-platform", o.EmuPlatform,
                 "Emulated device: hardware platform name (default " + defaults.Platform + ")")
      ->needs(emulate);
  cmd.add_option("--emulate-hw-version", o.EmuHwVersion,
                 "Emulated device: hardware version (default " + defaults.HwVersion + ")")
      ->needs(emulate);
  cmd.add_option("--emulate-flash-kib", o.EmuFlashKiB,
                 "Emulated device: flash size in KiB (default " +
                     std::to_string(defaults.FlashSizeKiB) + ")")
      ->check(CLI::Range(0, 65535))
      ->needs(emulate);
  cmd.add_option_function<std::string>(
         "--emulate-latency", [&o](const std::string& v) { o.EmuFullSpeed = v != "instant"; },
         "Emulated device timing: full-speed (a full-speed USB device, default) or instant")
      ->check(CLI::IsMember({"full-speed", "instant"}))
      ->needs(emulate);
  cmd.add_option("--emulate-fault", o.EmuFaults,
                 "Emulated device: show a fault, NAME or NAME:N (N a whole number, default "
                 "1), on every board or, as K:NAME[:N], on board K only; repeatable, each "
                 "fault once per board:" + FaultHelp())
      ->check([](const std::string& text) {
        FaultRequest fault{emulated::FaultKind::FailSetFeature, 1};
        return ParseFaultOption(text, fault);
      })
      ->needs(emulate);
  if (kind == DeviceCommand::Flash) {
    cmd.add_option("--emulate-dump", o.EmuDump,
                   "Emulated device: save its whole flash to this file afterwards (with --all: "
                   "FILE.PORT for each board)")
        ->needs(emulate);
    cmd.add_flag("--repeat", o.Repeat,
                 "Flash one device after another: after each, wait for it to leave and for "
                 "the next to arrive; Ctrl-C ends with a summary");
  }
  cmd.add_flag("--trace{-}", o.Trace.TraceFile,
               "Every call to the device, decoded, one line each as it happens: on stderr, "
               "or with --trace=FILE into FILE")
      ->option_text("[=FILE]");
  cmd.add_option("--capture", o.Trace.CaptureFile,
                 "The same calls as USB transfers in a pcapng file for Wireshark (usbmon "
                 "format)")
      ->type_name("FILE");
  cmd.add_option("--emulate-devices", o.EmuDevices,
                 "Emulated boards, each on its own port (emu-1, emu-2, ...) with its own "
                 "serial number (ZB-000001, ...): attached side by side, or with --repeat "
                 "(without --all) plugged in one after another")
      ->check(CLI::Range(1, 10000))
      ->needs(emulate);
}

void AddOutputOptions(CLI::App& cmd, OutputOptions& options) {
  CLI::Option* json = cmd.add_flag(
      "--json", options.Json,
      "One JSON object per line on stdout: each status text, the progress, and a final "
      "result with the device's fields and the file");
  cmd.add_flag("--quiet", options.Quiet, "Print only errors")->excludes(json);
}

// A device command: its options, and what runs once they are parsed.
using DeviceRun = int (*)(const DeviceOptions&, const OutputOptions&);

void AddDeviceCommand(CLI::App& app, int& exitCode, const char* name,
                      const std::string& description, DeviceCommand kind, DeviceRun run) {
  auto options = std::make_shared<DeviceOptions>();
  auto output = std::make_shared<OutputOptions>();
  CLI::App* cmd = app.add_subcommand(name, description);
  if (kind == DeviceCommand::Flash) {
    cmd->add_option("FILE", options->InputPath,
                    "Firmware image: the kind is taken from the first letter of its "
                    "three-letter extension (h or m)")
        ->required();
  }
  AddDeviceOptions(*cmd, *options, kind);
  AddOutputOptions(*cmd, *output);
  cmd->callback([options, output, &exitCode, run] {
    if (const std::string error = CheckTraceOptions(options->Trace, options->InputPath);
        !error.empty()) {
      std::fprintf(stderr, "zentrel-flash: %s\n", error.c_str());
      exitCode = kExitUsage;
      return;
    }
    exitCode = run(*options, *output);
  });
}

void AddImageCommand(CLI::App& app, int& exitCode) {
  CLI::App* command = app.add_subcommand(
      "image",
      "Load a firmware file as the desktop program does and show the image a "
      "download would send. The extension's first letter gives the format: "
      "'h' Intel HEX (.hex), 'm' memory image (.mvx)");
  auto path = std::make_shared<std::string>();
  auto output = std::make_shared<std::string>();
  command->add_option("FILE", *path, "The firmware file")->required();
  command->add_option("--output", *output,
                      "Write the image by device address, bytes 0 to length - 1, to this file");
  command->callback([path, output, &exitCode] { exitCode = RunImageCommand(*path, *output); });
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
  CLI::App app{
      "zentrel-flash: reads a device's boot loader identification, checks and "
      "flashes firmware images (Intel HEX, .mvx) over USB HID.\n"
      "Add --emulate to a device command to run it against the built-in "
      "emulated boot loader instead of real hardware.\n" +
      std::string(kExitCodesHelp)};
  app.require_subcommand(1);
  // File paths may begin with '/': never read them as Windows-style options.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", std::string("zentrel-flash ") + ZENTREL_VERSION_TEXT +
                                        "\ndefault device IDs: vendor " +
                                        ZENTREL_VENDOR_ID_TEXT + ", product " +
                                        ZENTREL_PRODUCT_ID_TEXT);
  int exitCode = 0;
  AddDeviceCommand(app, exitCode, "info",
                   "Reset the device into its boot loader and read its identification: "
                   "platform, hardware version, boot loader version and device id",
                   DeviceCommand::Reading, RunInfoCommand);
  AddImageCommand(app, exitCode);
  AddDeviceCommand(
      app, exitCode, "flash",
      "Check FILE (Intel HEX .hex or memory image .mvx) against the device and "
      "write it into the device's flash; exit 0 only after the device "
      "acknowledged the last page",
      DeviceCommand::Flash, RunFlashCommand);
  AddDeviceCommand(app, exitCode, "app-info",
                   "Ask the application firmware running on the device (no reset) for "
                   "its information and firmware version",
                   DeviceCommand::Reading, RunAppInfoCommand);
  AddDeviceCommand(
      app, exitCode, "list",
      "List every present HID top-level collection: path, USB port, vendor:product ID, "
      "usage page:usage, product string and serial number (--serial and --port narrow the "
      "list); mark the boot loader candidates and "
      "those with the IDs, and say why a device with the IDs cannot be opened",
      DeviceCommand::List, RunListCommand);

  if (RefuseUnknownCommand(argc, argv)) return kExitUsage;
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }
  return exitCode;
}

}  // namespace zentrel::cli
