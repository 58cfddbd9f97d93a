#include "cli/emulated_rig.h"

#include <cstdio>

#include "cli/terminal.h"
#include "hid/trace/trace_files.h"
#include "image/whole_file_writer.h"
#ifdef _WIN32
#include "hid/win32/win32_hid_platform.h"
#else
#include "hid/hidapi/hidapi_platform.h"
#endif

namespace zentrel::cli {

Rig::Rig(const DeviceOptions& o, Clock& clock) : options_(o) {
  if (o.Emulate) {
    emulated::EmulatedLineConfig line;
    if (!o.EmuPlatform.empty()) line.Board.Platform = o.EmuPlatform;
    if (!o.EmuHwVersion.empty()) line.Board.HwVersion = o.EmuHwVersion;
    if (o.EmuFlashKiB >= 0) line.Board.FlashSizeKiB = static_cast<std::uint16_t>(o.EmuFlashKiB);
    line.Board.Latency = o.EmuFullSpeed ? emulated::LatencyProfile::FullSpeed()
                                        : emulated::LatencyProfile::Instant();
    emulated::CheckFaultRequests(o.EmuFaults, &line.Faults);  // checked before
    line.Boards = o.EmuDevices;
    line.OneAfterAnother = o.Repeat && !o.All;
    auto bus = std::make_unique<emulated::EmulatedBus>(clock);
    line_ = std::make_unique<emulated::EmulatedLine>(*bus, std::move(line));
    platform_ = std::move(bus);
  } else {
#ifdef _WIN32
    platform_ = std::make_unique<Win32HidPlatform>();
#else
    platform_ = std::make_unique<HidapiPlatform>();
#endif
  }
  const char* clear = IsTerminal(stderr) ? kClearLine : "";
  platform_ = trace::TracePlatform(
      std::move(platform_),
      {o.TraceFile, o.CaptureFile, o.All || o.Repeat, clear,
       [this, clear](const std::string& path, const std::string& reason) {
         std::fprintf(stderr, "%szentrel-flash: cannot write %s: %s\n", clear, path.c_str(),
                      reason.c_str());
         traceFailed_ = true;
       }},
      clock);
}

bool Rig::TakeOffAndPlugNext(const std::string& path) {
  return line_ == nullptr || line_->TakeOffAndPlugNext(path);
}

std::string Rig::AfterRoad(const DeviceIdentity& board) {
  const std::string file = DumpPath(options_, board);
  const std::vector<std::uint8_t>* flash = line_ ? line_->FlashOf(board.Path) : nullptr;
  std::string error;
  if (file.empty() || flash == nullptr ||
      WriteOutputFile(file, flash->data(), flash->size(), error)) {
    return "";
  }
  return "cannot write " + file + ": " + error;
}

}  // namespace zentrel::cli
