// Every command and option of zentrel-flash in one place. CLI11 is
// header-only and costs seconds in each file that includes it, so no other
// file does; the commands get their options as plain structs.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/completion.h"
#include "cli/exit_codes.h"
#include "hid/emulated/fault_kind.h"
#include "hid/emulated/emulated_boot_loader.h"
#include "zentrel_config.h"

namespace zentrel::cli {

namespace {

constexpr const char* kCommands[] = {"info", "app-info", "flash", "image", "list", "completion"};

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
  std::fprintf(stderr, "\nCommands: info, app-info, flash, image, list, completion (zentrel-flash --help)\n");
  return true;
}

constexpr const char* kDeviceGroup = "Choosing the device";
constexpr const char* kRunGroup = "Running";
constexpr const char* kOutputGroup = "Output";
constexpr const char* kEmulatedGroup = "Emulated boards (each needs --emulate)";

constexpr std::size_t kHelpColumns = 80;
constexpr std::size_t kNameColumn = 26;

// Words wrapped into lines of at most width characters; a line that begins
// with blanks (a list) is kept as it is.
std::string Wrap(const std::string& text, std::size_t width) {
  std::istringstream paragraphs(text);
  std::string out;
  for (std::string paragraph; std::getline(paragraphs, paragraph);) {
    if (!out.empty()) out += '\n';
    if (paragraph.rfind(' ', 0) == 0) {
      out += paragraph;
      continue;
    }
    std::istringstream words(paragraph);
    std::size_t column = 0;  // of the line being filled
    for (std::string word; words >> word; out += word) {
      const bool fits = column == 0 || column + 1 + word.size() <= width;
      if (column > 0) out += fits ? ' ' : '\n';
      column = (fits && column > 0 ? column + 1 : 0) + word.size();
    }
  }
  return out;
}

// Help as a person reads it on 80 columns: each value by its name, never
// CLI11's syntax of checks and relations (the descriptions say those).
class Help final : public CLI::Formatter {
 public:
  Help() { column_width(kNameColumn); }
  std::string make_option_name(const CLI::Option* option, bool positional) const override {
    // A flag's default value ("--trace{-}") is CLI11's syntax, not the user's.
    std::string name = CLI::Formatter::make_option_name(option, positional);
    for (std::size_t open; (open = name.find('{')) != std::string::npos;) {
      name.erase(open, name.find('}', open) - open + 1);
    }
    return name;
  }
  std::string make_option_opts(const CLI::Option* option) const override {
    const std::string type = option->get_type_name();
    // An optional value ("[=FILE]") joins its name.
    return option->get_type_size() == 0 ? "" : (type.rfind("[=", 0) == 0 ? "" : " ") + type;
  }
  std::string make_option_desc(const CLI::Option* option) const override {
    return Wrap(option->get_description(), kHelpColumns - kNameColumn);
  }
  std::string make_subcommand(const CLI::App* sub) const override {
    std::stringstream out;
    CLI::detail::format_help(out, sub->get_display_name(true),
                             Wrap(sub->get_description(), kHelpColumns - kNameColumn),
                             kNameColumn);
    return out.str();
  }
  std::string make_description(const CLI::App* app) const override {
    return Wrap(app->get_description(), kHelpColumns) + "\n";
  }
};

// An empty value is refused, never taken for a missing option (a default,
// or any device).
std::function<std::string(const std::string&)> RefuseEmpty(const std::string& why) {
  return [why](const std::string& value) { return value.empty() ? why : std::string(); };
}

// An empty path names no file.
const auto kRefuseEmptyPath = RefuseEmpty("an empty path names no file");

// A number, 0 to 1000000: not "nan", "inf" or trailing text.
std::string CheckSeconds(const std::string& text) {
  double seconds = -1;
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(text.data(), last, seconds);
  const bool ok = error == std::errc() && end == last && seconds >= 0 && seconds <= 1e6;
  return ok ? "" : "SECONDS must be a number, 0 to 1000000";
}

constexpr const char* kFileGroup = "The firmware file";
constexpr const char* kFileHelp =
    "The firmware: Intel HEX, memory image (.mvx), ELF (its loadable segments at their "
    "load addresses, p_paddr), Motorola S-record or raw binary (--format tells how the "
    "reader is chosen). The 64 KiB window of the file's lowest address is device address 0: "
    "0x08001000 lands at 0x1000";

// --format and --address, for flash and image.
void AddFirmwareOptions(CLI::App& cmd, FirmwareChoice& choice) {
  cmd.add_option_function<std::string>(
         "--format", [&choice](const std::string& v) { choice.Format = FormatNamed(v.c_str()); },
         "Read FILE as this format. Without it: ELF when FILE begins with the ELF magic "
         "bytes, whatever its name; else by the extension, in any case (.srec .s19 .s28 "
         ".s37 .mot S-record, .bin raw binary, .elf .axf .out ELF); else the first letter "
         "of a three-letter extension, case-sensitive: h Intel HEX, m memory image")
      ->type_name("hex|mvx|srec|elf|bin")
      ->check(CLI::IsMember({"hex", "mvx", "srec", "elf", "bin"}).description(""))
      ->group(kFileGroup);
  cmd.add_option_function<std::string>(
         "--address",
         [&choice](const std::string& v) {
           choice.HasAddress = ParseAddress(v, choice.Address);
         },
         "The flash address of a raw binary's first byte, 0x... or decimal; required for a "
         "raw binary, refused for every other format: 0 for a whole-flash dump, 0x1000 for "
         "an application built to run above the boot area")
      ->type_name("ADDR")
      ->check([](const std::string& text) {
        std::uint64_t v = 0;
        return ParseAddress(text, v) ? std::string()
                                     : "'" + text + "' is not an address: 0x... (hexadecimal) "
                                                    "or decimal digits";
      })
      ->group(kFileGroup);
}

// The options of the command that runs road; list runs none.
void AddDeviceOptions(CLI::App& cmd, DeviceOptions& o, std::optional<RoadKind> road) {
  auto usbId = [](const std::string& text) {
    std::uint32_t v = 0;
    return ParseUsbId(text, v) ? std::string()
                               : "'" + text + "' is not a USB ID: hexadecimal, 0x1 to 0xFFFF";
  };
  cmd.add_option_function<std::string>(
         "--vid", [&o](const std::string& v) { ParseUsbId(v, o.Ids.VendorId); },
         std::string("USB vendor ID, 0x1-0xFFFF (default ") + ZENTREL_VENDOR_ID_TEXT + ")")
      ->type_name("HEX")->check(usbId)->group(kDeviceGroup);
  cmd.add_option_function<std::string>(
         "--pid", [&o](const std::string& v) { ParseUsbId(v, o.Ids.ProductId); },
         std::string("USB product ID, 0x1-0xFFFF (default ") + ZENTREL_PRODUCT_ID_TEXT + ")")
      ->type_name("HEX")->check(usbId)->group(kDeviceGroup);
  // Only info and flash reset the device.
  const bool resets = road == RoadKind::Info || road == RoadKind::Download;
  CLI::Option* port = cmd.add_option("--port", o.Filter.Port,
                                     std::string("Only the device on this USB port, as `list` "
                                                 "shows it") +
                                         (resets ? " (followed across its reset)" : ""))
                          ->type_name("PORT")
                          ->check(RefuseEmpty("an empty port names no device"))
                          ->group(kDeviceGroup);
  CLI::Option* serial =
      cmd.add_option("--serial", o.Filter.Serial, "Only the device with this USB serial number")
          ->type_name("SERIAL")
          ->check(RefuseEmpty("an empty serial number names no device"))
          ->group(kDeviceGroup);
  if (road == RoadKind::Download) {
    cmd.add_flag("--all", o.All,
                 "Every device with the IDs attached at the start, side by side; not with "
                 "--port or --serial")
        ->excludes(serial)->excludes(port)->group(kDeviceGroup);
    cmd.add_flag("--repeat", o.Repeat,
                 "One device after another: after each, wait for it to leave and the next "
                 "to come; Ctrl-C ends")
        ->group(kRunGroup);
  }
  if (road) {
    cmd.add_option("--wait", o.WaitSeconds,
                   std::string("Wait up to SECONDS (0: for ever) for a device to appear") +
                       (road == RoadKind::Download ? "; with --repeat, for the first" : ""))
        ->type_name("SECONDS")->check(CheckSeconds)->group(kRunGroup);
    cmd.add_option_function<std::string>(
           "--pace",
           [&o](const std::string& v) { o.Pacing = v == "window" ? Pace::Window : Pace::Fast; },
           "fast (default): the transfers as fast as the device answers; window: one step "
           "every 10 ms, as the desktop program")
        ->type_name("fast|window")
        ->check(CLI::IsMember({"window", "fast"}).description(""))
        ->group(kRunGroup);
  }
  CLI::Option* json = cmd.add_flag("--json", o.Json,
                                   "One JSON object per line on stdout (README: \"JSON "
                                   "records\"); not with --quiet")
                          ->group(kOutputGroup);
  cmd.add_flag("-q,--quiet", o.Quiet, "Print only errors")
      ->excludes(json)
      ->group(kOutputGroup);
  cmd.add_flag("--trace{-}", o.TraceFile,
               "Every call to the device, decoded, one line each as it happens: on stderr, "
               "or with --trace=FILE into FILE")
      ->type_name("[=FILE]")
      ->group(kOutputGroup);
  cmd.add_option("--capture", o.CaptureFile,
                 "The same calls as USB transfers in a pcapng file for Wireshark")
      ->type_name("FILE")
      ->check(kRefuseEmptyPath)
      ->group(kOutputGroup);
  CLI::Option* emulate = cmd.add_flag(
      "--emulate", o.Emulate, "The built-in emulated boot loader instead of real hardware");
  emulate->group(kEmulatedGroup);
  auto emulated = [&](CLI::Option* option) { option->needs(emulate)->group(kEmulatedGroup); };
  emulated(cmd.add_option("--emulate-devices", o.EmuDevices,
                          "N boards on ports emu-1... with serials ZB-000001...: side by "
                          "side, or one after another with --repeat but not --all")
               ->type_name("N")->check(CLI::Range(1, 10000).description("")));
  const emulated::BootLoaderConfig defaults;
  emulated(cmd.add_option("--emulate-platform", o.EmuPlatform,
                          "Hardware platform name (default " + defaults.Platform + ")")
               ->type_name("NAME")
               ->check(RefuseEmpty("an empty name is no platform")));
  emulated(cmd.add_option("--emulate-hw-version", o.EmuHwVersion,
                          "Hardware version (default " + defaults.HwVersion + ")")
               ->type_name("VERSION")
               ->check(RefuseEmpty("an empty version is no hardware version")));
  emulated(cmd.add_option("--emulate-flash-kib", o.EmuFlashKiB,
                          "Flash size in KiB, 0-65535 (default " +
                              std::to_string(defaults.FlashSizeKiB) + ")")
               ->type_name("KIB")->check(CLI::Range(0, 65535).description("")));
  emulated(cmd.add_option_function<std::string>(
                  "--emulate-latency",
                  [&o](const std::string& v) { o.EmuFullSpeed = v != "instant"; },
                  "Timing: a full-speed USB device (default) or instant")
               ->type_name("full-speed|instant")
               ->check(CLI::IsMember({"full-speed", "instant"}).description("")));
  emulated(cmd.add_option("--emulate-fault", o.EmuFaults,
                          "Make every board, or board K, show the fault NAME (below); "
                          "repeatable, each fault once per board")
               ->type_name("[K:]NAME[:N]")
               ->check([](const std::string& text) {
                 emulated::FaultRequest fault;
                 return emulated::ParseFaultRequest(text, fault);
               }));
  if (road == RoadKind::Download) {
    emulated(cmd.add_option("--emulate-dump", o.EmuDump,
                            "Save the board's whole flash to FILE afterwards (with --all: "
                            "FILE.PORT for each board; with --repeat: the last board's)")
                 ->type_name("FILE")
                 ->check(kRefuseEmptyPath));
  }
}

// A device command: its options, and what runs once they are parsed.
void AddDeviceCommand(CLI::App& app, int& exitCode, const char* name,
                      const std::string& description, std::optional<RoadKind> road) {
  auto options = std::make_shared<DeviceOptions>();
  CLI::App* cmd = app.add_subcommand(name, description);
  if (road == RoadKind::Download) {
    cmd->add_option("FILE", options->InputPath, kFileHelp)->type_name("")->required();
    AddFirmwareOptions(*cmd, options->Firmware);
  }
  AddDeviceOptions(*cmd, *options, road);
  cmd->footer("Faults for --emulate-fault, and what N (default 1) counts:" + emulated::FaultHelp());
  cmd->callback([options, &exitCode, road] {
    if (const std::string error = CheckOutputFiles(*options); !error.empty()) {
      std::fprintf(stderr, "zentrel-flash: %s\n", error.c_str());
      exitCode = kExitUsage;
      return;
    }
    exitCode = road ? RunRoadCommand(*road, *options) : RunListCommand(*options);
  });
}

void AddImageCommand(CLI::App& app, int& exitCode) {
  CLI::App* command = app.add_subcommand(
      "image", "Show the image that a download of FILE would send (no device): its format "
               "and why, the address ranges it takes");
  auto options = std::make_shared<ImageOptions>();
  command->add_option("FILE", options->Path, kFileHelp)->type_name("")->required();
  AddFirmwareOptions(*command, options->Firmware);
  command->add_option("--output", options->Output,
                      "Write the image, device addresses 0 to its length - 1, to OUT")
      ->type_name("OUT")
      ->check(kRefuseEmptyPath)
      ->group(kOutputGroup);
  command->add_flag("--json", options->Json,
                    "One JSON object on stdout: the file, its format and ranges (README: "
                    "\"JSON records\")")
      ->group(kOutputGroup);
  command->callback([options, &exitCode] { exitCode = RunImageCommand(*options); });
}

// The first clause of a description: a line of a shell's menu.
std::string FirstClause(const std::string& text) {
  const std::string clause = text.substr(0, text.find_first_of(";\n"));
  return clause.size() <= 72 ? clause : clause.substr(0, 69) + "...";
}

// An option as the shells offer it, read from what --help prints.
CompletionOption OptionToComplete(const CLI::Option& option) {
  CompletionOption o;
  for (const std::string& name : option.get_snames()) o.Names.push_back("-" + name);
  for (const std::string& name : option.get_lnames()) o.Names.push_back("--" + name);
  o.Help = FirstClause(option.get_description());
  o.Repeatable = option.get_expected_max() > 1;
  const std::string type = option.get_type_name();
  if (type.rfind("[=", 0) == 0) {
    o.JoinedFile = true;
  } else if (option.get_expected_max() == 0) {
    return o;  // a flag
  } else if (type.find('|') != std::string::npos) {
    o.Value = CompletionValue::Choice;
    std::istringstream words(type);
    for (std::string word; std::getline(words, word, '|');) o.Choices.push_back(word);
  } else if (type == "PORT") {
    o.Value = CompletionValue::Port;
  } else if (type == "SERIAL") {
    o.Value = CompletionValue::Serial;
  } else if (type == "FILE" || type == "OUT") {
    o.Value = CompletionValue::File;
  } else {
    o.Value = CompletionValue::Typed;
  }
  return o;
}

std::vector<CompletionOption> OptionsToComplete(const CLI::App& app) {
  std::vector<CompletionOption> options;
  for (const CLI::Option* option : app.get_options()) {
    if (!option->get_positional()) options.push_back(OptionToComplete(*option));
  }
  return options;
}

std::vector<CompletionCommand> CommandsToComplete(const CLI::App& app) {
  std::vector<CompletionCommand> commands;
  for (const CLI::App* sub : app.get_subcommands({})) {
    CompletionCommand c;
    c.Name = sub->get_name();
    c.Help = FirstClause(sub->get_description());
    c.Options = OptionsToComplete(*sub);
    for (const CLI::Option* option : sub->get_options()) {
      if (!option->get_positional()) continue;
      // A command's operand is a firmware file, or for `completion` a shell.
      c.Operand = c.Name == "completion" ? CompletionValue::Choice : CompletionValue::Firmware;
      if (c.Name == "completion") c.OperandChoices = {"bash", "zsh", "fish"};
    }
    commands.push_back(std::move(c));
  }
  return commands;
}

void AddCompletionCommand(CLI::App& app, int& exitCode) {
  CLI::App* command = app.add_subcommand(
      "completion", "Print the completion script for bash, zsh or fish (the package installs "
                    "them where each shell looks)");
  auto shell = std::make_shared<std::string>();
  command->add_option("SHELL", *shell, "bash, zsh or fish")
      ->type_name("")
      ->required()
      ->check(CLI::IsMember({"bash", "zsh", "fish"}).description(""));
  command->callback([&app, shell, &exitCode] {
    const std::string script = CompletionScript(*shell, CommandsToComplete(app),
                                                OptionsToComplete(app));
    const bool written = std::fputs(script.c_str(), stdout) >= 0 && std::fflush(stdout) == 0;
    if (!written) std::fprintf(stderr, "zentrel-flash: writing to standard output failed\n");
    exitCode = written ? kExitOk : kExitDeviceFailed;
  });
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
  CLI::App app{
      "zentrel-flash: flashes firmware (Intel HEX, .mvx, ELF, S-record, raw binary) into a device through its USB "
      "HID boot loader, and reads the device's identification.\n"
      "Add --emulate to try flash, info, app-info or list on an emulated boot loader.\n" +
      std::string(kExitCodesHelp),
      // Usage names the program, not the path it was started by.
      "zentrel-flash"};
  app.formatter(std::make_shared<Help>());
  app.require_subcommand(1);
  // File paths may begin with '/': never read them as Windows-style options.
  app.allow_windows_style_options(false);
  app.set_version_flag("-V,--version", std::string("zentrel-flash ") + ZENTREL_VERSION_TEXT +
                                           "\ndefault device IDs: vendor " +
                                           ZENTREL_VENDOR_ID_TEXT + ", product " +
                                           ZENTREL_PRODUCT_ID_TEXT);
  int exitCode = 0;
  AddDeviceCommand(app, exitCode, "flash",
                   "Check FILE against the device and write it into the device's flash; "
                   "exit 0 only when the device acknowledged the last page",
                   RoadKind::Download);
  AddDeviceCommand(app, exitCode, "info",
                   "Reset the device into its boot loader and read its platform, hardware "
                   "version, boot loader version and name",
                   RoadKind::Info);
  AddDeviceCommand(app, exitCode, "app-info",
                   "Ask the firmware running on the device (no reset) for its information "
                   "and version",
                   RoadKind::AppInfo);
  AddDeviceCommand(app, exitCode, "list",
                   "List the HID devices, mark the boot loader candidates and those with "
                   "the IDs, and say why one cannot be opened",
                   std::nullopt);
  AddImageCommand(app, exitCode);
  AddCompletionCommand(app, exitCode);

  if (RefuseUnknownCommand(argc, argv)) return kExitUsage;
  // CLI11 reads "--trace=" as the flag alone (trace to stderr); an empty
  // path names no file, as for every other file option.
  for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i) {
    if (std::string(argv[i]) == "--trace=") {
      std::fprintf(stderr, "--trace: an empty path names no file\nRun with --help for more "
                           "information.\n");
      return kExitUsage;
    }
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    // "--trace out.txt" reads as the trace on stderr and a stray word.
    const bool stray = e.get_exit_code() == static_cast<int>(CLI::ExitCodes::ExtrasError);
    for (int i = 1; stray && i + 1 < argc; ++i) {
      if (std::string(argv[i]) == "--trace" &&
          std::string(e.what()).find(argv[i + 1]) != std::string::npos) {
        std::fprintf(stderr, "--trace takes its file joined to it: --trace=%s\n", argv[i + 1]);
      }
    }
    return kExitUsage;
  }
  return exitCode;
}

}  // namespace zentrel::cli
