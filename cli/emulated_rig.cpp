#include "cli/emulated_rig.h"

#include "cli/flash_dump.h"
#include "cli/machine_platform.h"
#include "cli/traced_platform.h"

namespace zentrel::cli {

namespace {

emulated::EmulatedLineConfig LineOf(const DeviceOptions& o) {
  emulated::EmulatedLineConfig line;
  if (!o.EmuPlatform.empty()) line.Board.Platform = o.EmuPlatform;
  if (!o.EmuHwVersion.empty()) line.Board.HwVersion = o.EmuHwVersion;
  if (o.EmuFlashKiB >= 0) line.Board.FlashSizeKiB = static_cast<std::uint16_t>(o.EmuFlashKiB);
  line.Board.Latency = o.EmuFullSpeed ? emulated::LatencyProfile::FullSpeed()
                                      : emulated::LatencyProfile::Instant();
  emulated::CheckFaultRequests(o.EmuFaults, &line.Faults);  // checked before
  line.Boards = o.EmuDevices;
  line.OneAfterAnother = o.Repeat && !o.All;
  return line;
}

}  // namespace

Rig::Rig(const DeviceOptions& o, Clock& clock) : options_(o) {
  if (o.Emulate) {
    auto bus = std::make_unique<emulated::EmulatedBus>(clock);
    line_ = std::make_unique<emulated::EmulatedLine>(*bus, LineOf(o));
    platform_ = std::move(bus);
  } else {
    platform_ = MachinePlatform();
  }
  platform_ = TracedAsAsked(std::move(platform_), o, clock, traceFailed_);
}

bool Rig::TakeOffAndPlugNext(const std::string& path) {
  return line_ == nullptr || line_->TakeOffAndPlugNext(path);
}

std::string Rig::AfterRoad(const DeviceIdentity& board) {
  return SaveFlashDump(options_, board, line_ ? line_->FlashOf(board.Path) : nullptr);
}

}  // namespace zentrel::cli
