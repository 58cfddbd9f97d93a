// zentrel-flash info (HW info) and app-info (Application FW): a road that
// reads the device's identification, and the fields it fills.
#include <memory>
#include <vector>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/field_summary.h"

namespace zentrel::cli {

namespace {

void AddReadingCommand(CLI::App& app, int& exitCode, const char* name,
                       const char* description, void (BootSequencer::*start)(),
                       std::vector<ValueField> fields) {
  auto options = std::make_shared<DeviceOptions>();
  CLI::App* cmd = app.add_subcommand(name, description);
  AddDeviceOptions(*cmd, *options, false);
  cmd->callback([options, &exitCode, start, fields] {
    auto image = std::make_unique<ImageStore>();
    ConsoleView view;
    SteadyClock clock;
    exitCode = RunRoad(*options, *image, view, clock,
                       [start](BootSequencer& sequencer) { (sequencer.*start)(); });
    if (exitCode == 0) PrintFields(view, fields);
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
