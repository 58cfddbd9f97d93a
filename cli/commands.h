// zentrel-flash's commands: the command line, and each command once its
// options are parsed. Each returns the program's exit code.
#pragma once

#include <string>

#include <nlohmann/json_fwd.hpp>

#include "cli/console_view.h"
#include "cli/options.h"
#include "image/firmware_loader.h"
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

struct ImageOptions {
  std::string Path;
  std::string Output;       // --output; empty: none
  FirmwareChoice Firmware;  // --format, --address
  bool Json = false;
};
int RunImageCommand(const ImageOptions& options);

// Loads the firmware file. kExitOk when loaded; kExitUsage when the choice
// of reader is refused (a raw binary without --address, --address for any
// other format), said on stderr; kExitFileRefused for a refused file, which
// shows its "File Error" box and ends command's JSON record (`result` with
// the path only), and one that could not be read adds a line with the path
// as given and why. A file of the formats that give addresses
// with bytes below the boot area says on stderr how many are not sent.
// layout, when given: where the pieces went.
int LoadFirmwareFile(ImageStore& image, const std::string& path, const FirmwareChoice& choice,
                     ConsoleView& view, const char* command, FirmwareLoad* loaded = nullptr);

// The firmware file's JSON object: path, format, kind, image length, pages,
// the whole file's SHA-256.
nlohmann::json FileJson(const ImageStore& image, const std::string& path);

// info, app-info and flash with a loaded image, on the given view and clock
// (a FakeClock in tests: one board, or one after another).
int RunDeviceCommand(RoadKind road, const DeviceOptions& options, ConsoleView& view,
                     const ImageStore& image, Clock& clock);

}  // namespace zentrel::cli
