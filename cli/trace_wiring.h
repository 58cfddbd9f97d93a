// --trace and --capture: the platform wrapped in a tracer that writes what
// was asked for. Nothing else in the commands knows about the trace.
#pragma once

#include <memory>
#include <string>

#include "cli/options.h"
#include "hid/hid_platform.h"
#include "protocol/clock.h"

namespace zentrel::cli {

// Empty when the files can be written and none of them is the firmware file
// or the other; else why not, for a line on stderr.
std::string CheckTraceOptions(const TraceOptions& options, const std::string& inputPath);

// The platform itself when no trace is asked for; else a tracer around it
// that writes each call as it happens. With several boards each line names
// its board.
std::unique_ptr<HidPlatform> WrapPlatformForTrace(std::unique_ptr<HidPlatform> platform,
                                                  const TraceOptions& options, Clock& clock,
                                                  bool severalBoards);

}  // namespace zentrel::cli
