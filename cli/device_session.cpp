#include "cli/device_session.h"

#include <cstdio>
#include <fstream>
#include <memory>

#include "cli/pacing.h"
#include "cli/unopenable_hint.h"
#include "hid/device_access.h"
#include "hid/emulated/emulated_bus.h"
#include "sequencer/clock.h"
#include "sequencer/device_ids.h"
#ifdef _WIN32
#include "hid/win32/win32_hid_platform.h"
#else
#include "hid/hidapi/hidapi_platform.h"
#endif

namespace zentrel::cli {

namespace {

std::string FaultNames() {
  std::string names;
  for (emulated::FaultKind kind : emulated::kAllFaultKinds) {
    if (!names.empty()) names += ", ";
    names += emulated::FaultKindName(kind);
  }
  return names;
}

// "NAME" or "NAME:N" into the emulated device; false if unknown.
bool InjectFault(emulated::EmulatedBootLoader& device, const std::string& option) {
  std::string name = option;
  int n = -1;
  if (auto colon = option.find(':'); colon != std::string::npos) {
    name = option.substr(0, colon);
    try {
      n = std::stoi(option.substr(colon + 1));
    } catch (...) {
      return false;
    }
  }
  auto kind = emulated::ParseFaultKind(name);
  if (!kind) return false;
  if (n < 0) {
    device.InjectFault(*kind);
  } else {
    device.InjectFault(*kind, n);
  }
  return true;
}

bool SaveFlash(const std::string& path, const std::vector<std::uint8_t>& flash) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(flash.data()),
            static_cast<std::streamsize>(flash.size()));
  return static_cast<bool>(out);
}

}  // namespace

bool ParseHexOption(const std::string& text, std::uint32_t& value) {
  std::size_t i = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) i = 2;
  if (i == text.size() || text.size() - i > 8) return false;
  std::uint32_t v = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    int d = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                   : -1;
    if (d < 0) return false;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  value = v;
  return true;
}

void AddDeviceOptions(CLI::App& cmd, DeviceOptions& o, bool withDump) {
  cmd.add_option("--vid", o.VendorId,
                 "USB vendor ID of the device, hexadecimal (default " +
                     std::string(ZENTREL_VENDOR_ID_TEXT) + ")");
  cmd.add_option("--pid", o.ProductId,
                 "USB product ID of the device, hexadecimal (default " +
                     std::string(ZENTREL_PRODUCT_ID_TEXT) + ")");
  cmd.add_option_function<std::string>(
         "--pace",
         [&o](const std::string& v) { o.Pacing = v == "fast" ? Pace::Fast : Pace::Window; },
         "window: one step every 10 ms, as the desktop program; fast: the "
         "transfer stages back to back, delays and search still at 10 ms")
      ->check(CLI::IsMember({"window", "fast"}));
  cmd.add_flag("--emulate", o.Emulate,
               "Talk to the built-in emulated boot loader instead of real hardware");
  cmd.add_option("--emulate-platform", o.EmuPlatform,
                 "Emulated device: hardware platform name");
  cmd.add_option("--emulate-hw-version", o.EmuHwVersion,
                 "Emulated device: hardware version");
  cmd.add_option("--emulate-flash-kib", o.EmuFlashKiB, "Emulated device: flash size in KiB")
      ->check(CLI::Range(0, 65535));
  cmd.add_option_function<std::string>(
      "--emulate-latency",
      [&o](const std::string& v) { o.EmuFullSpeed = v != "instant"; },
      "Emulated device timing: full-speed (a full-speed USB device, default) or instant")
      ->check(CLI::IsMember({"full-speed", "instant"}));
  cmd.add_option("--emulate-fault", o.EmuFaults,
                 "Emulated device: inject a fault, NAME or NAME:N (the N-th transfer); "
                 "repeatable. Names: " + FaultNames());
  if (withDump) {
    cmd.add_option("--emulate-dump", o.EmuDump,
                   "Emulated device: save its whole flash to this file afterwards");
  }
}

void TickUntilIdle(BootSequencer& sequencer, Clock& clock, Pace pace) {
  do {
    sequencer.Tick();
    // The delays and the search count ticks: the device needs that real time
    // to re-enumerate. Transfers may go as fast as the device answers.
    if (pace == Pace::Window || !InTransferStage(sequencer)) clock.SleepUs(kTickUs);
  } while (sequencer.SequencerState != Idle);
}

int RunRoad(const DeviceOptions& o, ImageStore& image, ConsoleView& view, Clock& clock,
            const std::function<void(BootSequencer&)>& start) {
  DeviceIds ids;
  if ((!o.VendorId.empty() && !ParseHexOption(o.VendorId, ids.VendorId)) ||
      (!o.ProductId.empty() && !ParseHexOption(o.ProductId, ids.ProductId))) {
    std::fprintf(stderr, "--vid and --pid take a hexadecimal number such as 0x1D50\n");
    return 2;
  }

  std::unique_ptr<HidPlatform> platform;
  emulated::EmulatedBootLoader* emulatedDevice = nullptr;
  if (o.Emulate) {
    emulated::BootLoaderConfig config;
    if (!o.EmuPlatform.empty()) config.Platform = o.EmuPlatform;
    if (!o.EmuHwVersion.empty()) config.HwVersion = o.EmuHwVersion;
    if (o.EmuFlashKiB >= 0) config.FlashSizeKiB = static_cast<std::uint16_t>(o.EmuFlashKiB);
    config.Latency = o.EmuFullSpeed ? emulated::LatencyProfile::FullSpeed()
                                    : emulated::LatencyProfile::Instant();
    auto bus = std::make_unique<emulated::EmulatedBus>(clock);
    emulatedDevice = &bus->AddBootLoader(config);
    for (const std::string& fault : o.EmuFaults) {
      if (!InjectFault(*emulatedDevice, fault)) {
        std::fprintf(stderr, "Unknown --emulate-fault '%s'; known: %s\n", fault.c_str(),
                     FaultNames().c_str());
        return 2;
      }
    }
    platform = std::move(bus);
  } else {
#ifdef _WIN32
    platform = std::make_unique<Win32HidPlatform>();
#else
    platform = std::make_unique<HidapiPlatform>();
#endif
  }

  int code = 1;
  {
    DeviceAccess device(*platform);
    BootSequencer sequencer(view, device, image, ids, clock);
    start(sequencer);
    // A start that was refused (no image, say) leaves the sequencer Idle.
    if (sequencer.SequencerState != Idle) TickUntilIdle(sequencer, clock, o.Pacing);
    code = sequencer.RoadCompleted() ? 0 : 1;
  }
  if (code != 0) ReportUnopenableDevices(*platform, ids, stderr);
  if (emulatedDevice != nullptr && !o.EmuDump.empty() &&
      !SaveFlash(o.EmuDump, emulatedDevice->Flash())) {
    std::fprintf(stderr, "Cannot write %s\n", o.EmuDump.c_str());
    code = 1;
  }
  return code;
}

}  // namespace zentrel::cli
