// The tracer that a front end asks for around its platform: a text trace on
// standard error or into a file, and a USB capture into a pcapng file.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "hid/hid_platform.h"
#include "protocol/clock.h"

namespace zentrel::trace {

struct TraceFiles {
  std::string Text;     // "-": standard error; empty: no text trace
  std::string Capture;  // empty: no capture
  bool SeveralBoards = false;  // each line names its board
  // Written before each line on standard error: clears a live progress line.
  std::string StderrPrefix;
  // Told once of each file that cannot be opened or written, and why; that
  // file's trace ends there.
  std::function<void(const std::string& path, const std::string& reason)> CannotWrite;
};

// The platform itself when neither is asked for; else a tracer around it
// that writes each call as it happens, every line or packet flushed.
std::unique_ptr<HidPlatform> TracePlatform(std::unique_ptr<HidPlatform> platform,
                                           const TraceFiles& files, Clock& clock);

}  // namespace zentrel::trace
