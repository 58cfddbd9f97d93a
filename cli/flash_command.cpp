// zentrel-flash flash FILE: load the image as the desktop program does and
// run the download road.
#include <memory>

#include "cli/command_output.h"
#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/exit_codes.h"
#include "cli/flash_all.h"
#include "image/image_loader.h"

namespace zentrel::cli {

int RunFlashCommand(const DeviceOptions& options, const OutputOptions& output) {
  const std::vector<ValueField> fields = {ValueField::PlatformField, ValueField::HwVersionField,
                                          ValueField::BootVersionField,
                                          ValueField::DeviceIdField};
  auto image = std::make_unique<ImageStore>();
  ConsoleView view(stdout, stderr, ModeFor(output));
  RoadRecord record;
  record.Start = std::chrono::system_clock::now();
  if (LoadImageFromPath(*image, options.InputPath.c_str(), view) == 0) {
    return FinishDeviceCommand(view, "flash", kExitFileRefused, fields, nullptr,
                               options.InputPath, record);
  }
  SteadyClock clock;
  if (options.All) return FlashAllDevices(options, *image, view, clock);
  const int code = RunRoad(options, *image, view, clock,
                           [](BootSequencer& sequencer) { sequencer.StartDownload(); }, &record);
  return FinishDeviceCommand(view, "flash", code, fields, image.get(), options.InputPath,
                             record);
}

}  // namespace zentrel::cli
