// zentrel-flash app-info: the application road (Application FW).
#include <memory>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/field_summary.h"

namespace zentrel::cli {

void AddAppInfoCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<DeviceOptions>();
  CLI::App* cmd = app.add_subcommand(
      "app-info",
      "Ask the application firmware running on the device (no reset) for its "
      "information and firmware version");
  AddDeviceOptions(*cmd, *options, false);
  cmd->callback([options, &exitCode] {
    auto image = std::make_unique<ImageStore>();
    ConsoleView view;
    SteadyClock clock;
    exitCode = RunRoad(*options, *image, view, clock,
                       [](BootSequencer& sequencer) { sequencer.StartAppInfo(); });
    if (exitCode == 0) {
      PrintFields(view, {ValueField::AppInfoField, ValueField::FwVersionField,
                         ValueField::DeviceIdField});
    }
  });
}

}  // namespace zentrel::cli
