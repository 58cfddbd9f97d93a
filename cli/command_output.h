// How a command reports: what --json and --quiet ask for, the console mode
// they give, and the final record of a device command.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/console_view.h"
#include "cli/device_session.h"
#include "image/image_store.h"

namespace zentrel::cli {

struct OutputOptions {
  bool Json = false;
  bool Quiet = false;
};

// JSON or quiet as asked; otherwise a live line on a terminal, lines in a log.
OutputMode ModeFor(const OutputOptions& options);
// Whether the stream is a terminal (a live line may be shown on it).
bool IsTerminal(std::FILE* stream);

// The end of a device command: the fields (lines, or the final JSON object
// with the file and the record), and the exit code after a failed output.
int FinishDeviceCommand(ConsoleView& view, const char* command, int code,
                        const std::vector<ValueField>& fields, const ImageStore* image,
                        const std::string& path, const RoadRecord& record);

}  // namespace zentrel::cli
