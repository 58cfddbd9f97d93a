// zentrel-flash flash FILE: load the image as the desktop program does and
// run the download road.
#include <memory>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/field_summary.h"
#include "image/image_loader.h"

namespace zentrel::cli {

void AddFlashCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<DeviceOptions>();
  auto file = std::make_shared<std::string>();
  CLI::App* cmd = app.add_subcommand(
      "flash",
      "Check FILE (Intel HEX .hex or memory image .mvx) against the device and "
      "write it into the device's flash; exit 0 only after the device "
      "acknowledged the last page");
  cmd->add_option("FILE", *file, "Firmware image: the kind is taken from the first "
                                 "letter of its three-letter extension (h or m)")
      ->required();
  AddDeviceOptions(*cmd, *options, true);
  cmd->callback([options, file, &exitCode] {
    auto image = std::make_unique<ImageStore>();
    ConsoleView view;
    if (LoadImageFromPath(*image, file->c_str(), view) == 0) {
      exitCode = 1;
      return;
    }
    SteadyClock clock;
    exitCode = RunRoad(*options, *image, view, clock,
                       [](BootSequencer& sequencer) { sequencer.StartDownload(); });
    PrintFields(view, {ValueField::PlatformField, ValueField::HwVersionField,
                       ValueField::BootVersionField, ValueField::DeviceIdField});
  });
}

}  // namespace zentrel::cli
