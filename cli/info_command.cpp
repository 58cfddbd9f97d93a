// zentrel-flash info: the information road (HW info).
#include <memory>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/field_summary.h"

namespace zentrel::cli {

void AddInfoCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<DeviceOptions>();
  CLI::App* cmd = app.add_subcommand(
      "info",
      "Reset the device into its boot loader and read its identification: "
      "platform, hardware version, boot loader version and device id");
  AddDeviceOptions(*cmd, *options, false);
  cmd->callback([options, &exitCode] {
    auto image = std::make_unique<ImageStore>();
    ConsoleView view;
    SteadyClock clock;
    exitCode = RunRoad(*options, *image, view, clock,
                       [](BootSequencer& sequencer) { sequencer.StartInfo(); });
    if (exitCode == 0) {
      PrintFields(view, {ValueField::PlatformField, ValueField::HwVersionField,
                         ValueField::BootVersionField, ValueField::DeviceIdField});
    }
  });
}

}  // namespace zentrel::cli
