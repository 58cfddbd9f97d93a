// zentrel-flash info (HW info) and app-info (Application FW): a road that
// reads the device's identification, and the fields it fills.
#include <memory>
#include <vector>

#include "cli/command_output.h"
#include "cli/commands.h"
#include "cli/device_session.h"

namespace zentrel::cli {

namespace {

int RunReadingCommand(const DeviceOptions& options, const OutputOptions& output,
                      const char* name, void (BootSequencer::*start)(),
                      const std::vector<ValueField>& fields) {
  auto image = std::make_unique<ImageStore>();
  ConsoleView view(stdout, stderr, ModeFor(output));
  SteadyClock clock;
  RoadRecord record;
  const int code = RunRoad(options, *image, view, clock,
                           [start](BootSequencer& sequencer) { (sequencer.*start)(); }, &record);
  return FinishDeviceCommand(view, name, code, fields, nullptr, "", record);
}

}  // namespace

int RunInfoCommand(const DeviceOptions& options, const OutputOptions& output) {
  return RunReadingCommand(options, output, "info", &BootSequencer::StartInfo,
                           {ValueField::PlatformField, ValueField::HwVersionField,
                            ValueField::BootVersionField, ValueField::DeviceIdField});
}

int RunAppInfoCommand(const DeviceOptions& options, const OutputOptions& output) {
  return RunReadingCommand(options, output, "app-info", &BootSequencer::StartAppInfo,
                           {ValueField::AppInfoField, ValueField::FwVersionField,
                            ValueField::DeviceIdField});
}

}  // namespace zentrel::cli
