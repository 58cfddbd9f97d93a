// zentrel-flash info (HW info) and app-info (Application FW): a road that
// reads the device's identification, and the fields it fills.
#include <memory>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/command_output.h"
#include "cli/commands.h"
#include "cli/device_session.h"

namespace zentrel::cli {

namespace {

void AddReadingCommand(CLI::App& app, int& exitCode, const char* name,
                       const char* description, void (BootSequencer::*start)(),
                       std::vector<ValueField> fields) {
  auto options = std::make_shared<DeviceOptions>();
  auto output = std::make_shared<OutputOptions>();
  CLI::App* cmd = app.add_subcommand(name, description);
  AddDeviceOptions(*cmd, *options, DeviceCommand::Reading);
  AddOutputOptions(*cmd, *output);
  cmd->callback([options, output, &exitCode, name, start, fields] {
    auto image = std::make_unique<ImageStore>();
    ConsoleView view(stdout, stderr, ModeFor(*output));
    SteadyClock clock;
    RoadRecord record;
    const int code = RunRoad(*options, *image, view, clock,
                             [start](BootSequencer& sequencer) { (sequencer.*start)(); },
                             &record);
    exitCode = FinishDeviceCommand(view, name, code, fields, nullptr, "", record);
  });
}

}  // namespace

void AddInfoCommand(CLI::App& app, int& exitCode) {
  AddReadingCommand(app, exitCode, "info",
                    "Reset the device into its boot loader and read its identification: "
                    "platform, hardware version, boot loader version and device id",
                    &BootSequencer::StartInfo,
                    {ValueField::PlatformField, ValueField::HwVersionField,
                     ValueField::BootVersionField, ValueField::DeviceIdField});
}

void AddAppInfoCommand(CLI::App& app, int& exitCode) {
  AddReadingCommand(app, exitCode, "app-info",
                    "Ask the application firmware running on the device (no reset) for "
                    "its information and firmware version",
                    &BootSequencer::StartAppInfo,
                    {ValueField::AppInfoField, ValueField::FwVersionField,
                     ValueField::DeviceIdField});
}

}  // namespace zentrel::cli
