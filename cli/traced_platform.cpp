#include "cli/traced_platform.h"

#include <cstdio>
#include <string>

#include "cli/terminal.h"
#include "hid/trace/trace_files.h"

namespace zentrel::cli {

std::unique_ptr<HidPlatform> TracedAsAsked(std::unique_ptr<HidPlatform> platform,
                                           const DeviceOptions& o, Clock& clock,
                                           std::atomic<bool>& failed) {
  const char* clear = IsTerminal(stderr) ? kClearLine : "";
  return trace::TracePlatform(
      std::move(platform),
      {o.TraceFile, o.CaptureFile, o.All || o.Repeat, clear,
       [&failed, clear](const std::string& path, const std::string& reason) {
         std::fprintf(stderr, "%szentrel-flash: cannot write %s: %s\n", clear, path.c_str(),
                      reason.c_str());
         failed = true;
       }},
      clock);
}

}  // namespace zentrel::cli
