// zentrel-flash's commands: the command line, and each command once its
// options are parsed. Each returns the program's exit code.
#pragma once

#include <string>

#include "cli/console_view.h"
#include "cli/options.h"
#include "image/image_store.h"
#include "protocol/clock.h"
#include "sequencer/road_outcome.h"

namespace zentrel::cli {

// Parses argv and runs the command it names. Writes --help, --version and
// option errors itself.
int RunCommandLine(int argc, char** argv);

// info, app-info or flash: the road on the boards the options choose.
int RunRoadCommand(RoadKind road, const DeviceOptions& options);
int RunListCommand(const DeviceOptions& options);
int RunImageCommand(const std::string& path, const std::string& outputPath);

// Loads the firmware file: a refused file shows its "File Error" box, and
// one that could not be read a line with the path as given and why.
bool LoadFirmwareFile(ImageStore& image, const std::string& path, ConsoleView& view);

// info, app-info and flash with a loaded image, on the given view and clock
// (a FakeClock in tests: one board, or one after another).
int RunDeviceCommand(RoadKind road, const DeviceOptions& options, ConsoleView& view,
                     const ImageStore& image, Clock& clock);

}  // namespace zentrel::cli
