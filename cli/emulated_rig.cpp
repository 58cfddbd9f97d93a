#include "cli/emulated_rig.h"

#include <cstdio>
#include <cstring>

#include "image/whole_file_writer.h"
#include "hid/emulated/fault_kind.h"
#include "cli/terminal.h"
#include "hid/trace/trace_files.h"
#ifdef _WIN32
#include "hid/win32/win32_hid_platform.h"
#else
#include "hid/hidapi/hidapi_platform.h"
#endif

namespace zentrel::cli {

Rig::Rig(const DeviceOptions& o, Clock& clock) : options_(o) {
  if (o.Emulate) {
    auto bus = std::make_unique<emulated::EmulatedBus>(clock);
    bus_ = bus.get();
    platform_ = std::move(bus);
    // Side by side, unless the line plugs them in one by one.
    const int atOnce = o.Repeat && !o.All ? 1 : o.EmuDevices;
    for (int i = 0; i < atOnce; ++i) Plug(plugged_ + 1);
  } else {
#ifdef _WIN32
    platform_ = std::make_unique<Win32HidPlatform>();
#else
    platform_ = std::make_unique<HidapiPlatform>();
#endif
  }
  const bool terminal = IsTerminal(stderr);
  platform_ = trace::TracePlatform(
      std::move(platform_),
      {o.Trace.TraceFile, o.Trace.CaptureFile, o.All, terminal ? kClearLine : ""}, clock);
}

emulated::EmulatedBootLoader& Rig::Plug(int number) {
  emulated::BootLoaderConfig config;
  if (!options_.EmuPlatform.empty()) config.Platform = options_.EmuPlatform;
  if (!options_.EmuHwVersion.empty()) config.HwVersion = options_.EmuHwVersion;
  if (options_.EmuFlashKiB >= 0) {
    config.FlashSizeKiB = static_cast<std::uint16_t>(options_.EmuFlashKiB);
  }
  config.Latency = options_.EmuFullSpeed ? emulated::LatencyProfile::FullSpeed()
                                         : emulated::LatencyProfile::Instant();
  char serial[16];
  std::snprintf(serial, sizeof serial, "ZB-%06d", number % 1000000);
  config.Serial.assign(serial, serial + std::strlen(serial));
  emulated::EmulatedBootLoader& board = bus_->AddBootLoader(config);
  for (const std::string& option : options_.EmuFaults) {
    emulated::FaultRequest fault;
    if (emulated::ParseFaultRequest(option, fault).empty() && (fault.Device == 0 || fault.Device == number)) {
      board.InjectFault(fault.Kind, fault.N);
    }
  }
  boards_.push_back(&board);
  plugged_ = number;
  return board;
}

bool Rig::TakeOffAndPlugNext(const std::string& path) {
  if (bus_ == nullptr) return true;
  for (emulated::EmulatedBootLoader* board : boards_) {
    if (board->Path() == path) board->InjectFault(emulated::FaultKind::Vanish, 0);
  }
  // Side by side the line waits on its port for ever, as a real one does.
  if (options_.All) return true;
  if (plugged_ >= options_.EmuDevices) return false;
  Plug(plugged_ + 1);
  return true;
}

bool Rig::DumpFlash(const std::string& path, const std::string& file, std::string& error) {
  for (const emulated::EmulatedBootLoader* board : boards_) {
    if (board->Path() != path) continue;
    return WriteOutputFile(file, board->Flash().data(), board->Flash().size(), error);
  }
  return true;
}

}  // namespace zentrel::cli
