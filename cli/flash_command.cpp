// zentrel-flash flash FILE: load the image as the desktop program does and
// run the download road.
#include <memory>

#include <CLI/CLI.hpp>

#include "cli/command_output.h"
#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/exit_codes.h"
#include "cli/flash_all.h"
#include "image/image_loader.h"

namespace zentrel::cli {

void AddFlashCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<DeviceOptions>();
  auto output = std::make_shared<OutputOptions>();
  CLI::App* cmd = app.add_subcommand(
      "flash",
      "Check FILE (Intel HEX .hex or memory image .mvx) against the device and "
      "write it into the device's flash; exit 0 only after the device "
      "acknowledged the last page");
  cmd->add_option("FILE", options->InputPath,
                  "Firmware image: the kind is taken from the first letter of its "
                  "three-letter extension (h or m)")
      ->required();
  AddDeviceOptions(*cmd, *options, DeviceCommand::Flash);
  AddOutputOptions(*cmd, *output);
  cmd->callback([options, output, &exitCode] {
    const std::vector<ValueField> fields = {ValueField::PlatformField,
                                            ValueField::HwVersionField,
                                            ValueField::BootVersionField,
                                            ValueField::DeviceIdField};
    auto image = std::make_unique<ImageStore>();
    ConsoleView view(stdout, stderr, ModeFor(*output));
    RoadRecord record;
    record.Start = std::chrono::system_clock::now();
    if (LoadImageFromPath(*image, options->InputPath.c_str(), view) == 0) {
      exitCode = FinishDeviceCommand(view, "flash", kExitFileRefused, fields, nullptr,
                                     options->InputPath, record);
      return;
    }
    SteadyClock clock;
    if (options->All) {
      exitCode = FlashAllDevices(*options, *image, view, clock);
      return;
    }
    const int code = RunRoad(*options, *image, view, clock,
                             [](BootSequencer& sequencer) { sequencer.StartDownload(); },
                             &record);
    exitCode = FinishDeviceCommand(view, "flash", code, fields, image.get(),
                                   options->InputPath, record);
  });
}

}  // namespace zentrel::cli
