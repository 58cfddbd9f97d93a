#include "cli/device_session.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "cli/exit_codes.h"
#include "cli/fault_option.h"
#include "cli/interrupt.h"
#include "cli/output_path.h"
#include "cli/pacing.h"
#include "cli/road_outcome.h"
#include "cli/unopenable_hint.h"
#include "hid/device_access.h"
#include "hid/utf8_text.h"
#include "sequencer/clock.h"
#include "sequencer/download_accounting.h"
#ifdef _WIN32
#include "hid/win32/win32_hid_platform.h"
#else
#include "hid/hidapi/hidapi_platform.h"
#endif

namespace zentrel::cli {

namespace {

constexpr std::uint64_t kWaitPollUs = 100'000;

emulated::BootLoaderConfig EmulatedConfig(const DeviceOptions& o) {
  emulated::BootLoaderConfig config;
  if (!o.EmuPlatform.empty()) config.Platform = o.EmuPlatform;
  if (!o.EmuHwVersion.empty()) config.HwVersion = o.EmuHwVersion;
  if (o.EmuFlashKiB >= 0) config.FlashSizeKiB = static_cast<std::uint16_t>(o.EmuFlashKiB);
  config.Latency = o.EmuFullSpeed ? emulated::LatencyProfile::FullSpeed()
                                  : emulated::LatencyProfile::Instant();
  return config;
}

// Waits for the device to be there (want true) or gone (want false).
// kExitOk, kExitNoDevice when the time ran out, kExitInterrupted.
int WaitForDevice(HidPlatform& platform, const DeviceIds& ids, const DeviceFilter& filter,
                  bool want, double seconds, ConsoleView& view, Clock& clock) {
  const std::uint64_t start = clock.NowUs();
  const std::uint64_t limit = static_cast<std::uint64_t>(seconds * 1e6);
  const char* stage = want ? "waiting for a device" : "waiting for the device to leave";
  while (DevicePresent(platform, ids, filter) != want) {
    if (InterruptRequested()) return kExitInterrupted;
    const std::uint64_t waited = clock.NowUs() - start;
    if (seconds > 0 && waited >= limit) return kExitNoDevice;
    ProgressSnapshot p;
    p.Stage = stage;
    p.ElapsedUs = waited;
    view.Progress(p);
    clock.SleepUs(kWaitPollUs);
  }
  view.EndLiveLine();
  return kExitOk;
}

int ClassifyFailure(const ConsoleView& view) {
  return ExitCodeForFailure(view.HasBox(), view.HasBox() ? view.LastBox().Text : std::string());
}

// One road on an open platform.
int RunOneRoad(HidPlatform& platform, const DeviceIds& ids, const DeviceFilter& filter,
               ImageStore& image, ConsoleView& view, Clock& clock, Pace pace,
               const std::function<void(BootSequencer&)>& start, RoadRecord* record) {
  const std::uint64_t startUs = clock.NowUs();
  if (record != nullptr) record->Start = std::chrono::system_clock::now();
  DeviceAccess device(platform, filter);
  BootSequencer sequencer(view, device, image, ids, clock);
  const std::uint32_t pages = PagesToSend(image.ImageLength);
  std::uint32_t pagesDone = 0;
  std::uint64_t writingFromUs = 0;
  auto pagesNow = [&] {
    if (sequencer.SequencerState == WritePacket || sequencer.SequencerState == AwaitPacketAck) {
      return pages - sequencer.PageCounter;
    }
    return sequencer.RoadCompleted() && sequencer.RunMode == Download ? pages : pagesDone;
  };
  auto report = [&] {
    const std::uint8_t state = sequencer.SequencerState;
    pagesDone = pagesNow();
    const bool writing = state == WritePacket || state == AwaitPacketAck ||
                         (sequencer.RoadCompleted() && sequencer.RunMode == Download);
    if (writing && writingFromUs == 0) writingFromUs = clock.NowUs();
    ProgressSnapshot p;
    p.Stage = writing ? "writing" : StageName(state);
    p.Writing = writing;
    p.PagesDone = pagesDone;
    p.Pages = pages;
    p.ElapsedUs = clock.NowUs() - startUs;
    p.WritingUs = writing ? clock.NowUs() - writingFromUs : 0;
    view.Progress(p);
  };

  start(sequencer);
  int code = kExitOk;
  // A start that was refused (no image, say) leaves the sequencer Idle.
  if (sequencer.SequencerState != Idle && !TickUntilIdle(sequencer, clock, pace, report)) {
    const std::string text = InterruptedText(sequencer, pagesDone, pages);
    sequencer.SequencerState = Idle;
    device.CloseDevice();
    view.Error("zentrel-flash: " + text);
    code = kExitInterrupted;
  } else if (!sequencer.RoadCompleted()) {
    code = ClassifyFailure(view);
    // A road that ends without a box has said why only in its status text.
    if (!view.HasBox()) view.Error("zentrel-flash: " + view.LastStatus());
    if (code == kExitDeviceFailed && view.LastBox().Text == "Application ID request fail" &&
        !DevicePresent(platform, ids, filter)) {
      code = kExitNoDevice;
    }
    if (code == kExitNoDevice && !filter.Empty()) {
      char line[120];
      std::snprintf(line, sizeof line, "zentrel-flash: no device with IDs %04X:%04X matches",
                    static_cast<unsigned>(ids.VendorId), static_cast<unsigned>(ids.ProductId));
      view.Error(line + FilterText(filter));
    }
    ReportUnopenableDevices(platform, ids, stderr);
  }
  view.EndLiveLine();
  const double seconds = static_cast<double>(clock.NowUs() - startUs) / 1e6;
  if (record != nullptr) {
    record->Seconds = seconds;
    record->Pages = pagesDone;
  }
  if (code == kExitOk && sequencer.RunMode == Download && view.Mode() != OutputMode::Json) {
    const double writing = static_cast<double>(clock.NowUs() - writingFromUs) / 1e6;
    char line[160];
    std::snprintf(line, sizeof line, "Flashed %u pages (%u bytes) in %.1f s, %.1f KiB/s",
                  static_cast<unsigned>(pagesDone), static_cast<unsigned>(pagesDone * kPageSize),
                  seconds, writing > 0 ? pagesDone * kPageSize / 1024.0 / writing : 0.0);
    view.Note(line);
  }
  return code;
}

}  // namespace

bool SaveFlash(const std::string& path, const std::vector<std::uint8_t>& flash) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(flash.data()),
            static_cast<std::streamsize>(flash.size()));
  return static_cast<bool>(out);
}

DeviceFilter FilterOf(const DeviceOptions& o) { return DeviceFilter{o.Serial, o.Port}; }

std::string FilterText(const DeviceFilter& filter) {
  std::string text;
  if (!filter.Serial.empty()) text += " --serial " + filter.Serial;
  if (!filter.Port.empty()) text += " --port " + filter.Port;
  return text;
}

bool DevicePresent(HidPlatform& platform, const DeviceIds& ids, const DeviceFilter& filter) {
  DeviceAccess probe(platform, filter);
  const std::int32_t n = probe.RefreshDeviceList();
  const bool found = n > 0 && probe.OpenDeviceByIds(ids.VendorId, ids.ProductId, n) == 1;
  probe.CloseDevice();
  return found;
}

emulated::EmulatedBootLoader& PlugBoard(emulated::EmulatedBus& bus, const DeviceOptions& o,
                                        int index) {
  emulated::BootLoaderConfig config = EmulatedConfig(o);
  char serial[16];
  std::snprintf(serial, sizeof serial, "ZB-%06d", index % 1000000);
  config.Serial.assign(serial, serial + std::strlen(serial));
  emulated::EmulatedBootLoader& board = bus.AddBootLoader(config);
  for (const std::string& option : o.EmuFaults) {
    FaultRequest fault{emulated::FaultKind::FailSetFeature, 1};
    if (ParseFaultOption(option, fault).empty() && (fault.Device == 0 || fault.Device == index)) {
      board.InjectFault(fault.Kind, fault.N);
    }
  }
  return board;
}

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

bool ParseUsbId(const std::string& text, std::uint32_t& value) {
  std::uint32_t v = 0;
  if (!ParseHexOption(text, v) || v == 0 || v > 0xFFFF) return false;
  value = v;
  return true;
}

bool TickUntilIdle(BootSequencer& sequencer, Clock& clock, Pace pace,
                   const std::function<void()>& afterTick) {
  do {
    if (InterruptRequested()) return false;
    const std::uint8_t before = sequencer.SequencerState;
    sequencer.Tick();
    if (afterTick) afterTick();
    // The delays and the search count ticks: the device needs that real time
    // to re-enumerate. Transfers may go as fast as the device answers, with
    // a short pause when a poll found the device not ready yet.
    if (pace == Pace::Window || !InTransferStage(sequencer)) {
      clock.SleepUs(kTickUs);
    } else if (sequencer.SequencerState == before) {
      clock.SleepUs(kFastPollPauseUs);
    }
  } while (sequencer.SequencerState != Idle);
  return true;
}

namespace {

std::unique_ptr<HidPlatform> MakeUntracedPlatform(
    const DeviceOptions& o, Clock& clock, emulated::EmulatedBus** bus,
    emulated::EmulatedBootLoader** board, std::vector<emulated::EmulatedBootLoader*>* boards) {
  if (o.Emulate) {
    auto emulatedBus = std::make_unique<emulated::EmulatedBus>(clock);
    emulated::EmulatedBootLoader& first = PlugBoard(*emulatedBus, o, 1);
    if (boards != nullptr) boards->assign(1, &first);
    // Side by side, unless the line plugs them in one by one.
    const bool oneByOne = o.Repeat && !o.All;
    for (int i = 2; !oneByOne && i <= o.EmuDevices; ++i) {
      emulated::EmulatedBootLoader& next = PlugBoard(*emulatedBus, o, i);
      if (boards != nullptr) boards->push_back(&next);
    }
    if (bus != nullptr) *bus = emulatedBus.get();
    if (board != nullptr) *board = &first;
    return emulatedBus;
  }
  if (bus != nullptr) *bus = nullptr;
  if (board != nullptr) *board = nullptr;
#ifdef _WIN32
  return std::make_unique<Win32HidPlatform>();
#else
  return std::make_unique<HidapiPlatform>();
#endif
}

}  // namespace

std::unique_ptr<HidPlatform> MakePlatform(const DeviceOptions& o, Clock& clock,
                                          emulated::EmulatedBus** bus,
                                          emulated::EmulatedBootLoader** board,
                                          std::vector<emulated::EmulatedBootLoader*>* boards) {
  return WrapPlatformForTrace(MakeUntracedPlatform(o, clock, bus, board, boards), o.Trace, clock,
                              o.All);
}

bool ResolveIds(const DeviceOptions& o, DeviceIds& ids, ConsoleView& view) {
  if ((!o.VendorId.empty() && !ParseUsbId(o.VendorId, ids.VendorId)) ||
      (!o.ProductId.empty() && !ParseUsbId(o.ProductId, ids.ProductId))) {
    view.Error("zentrel-flash: --vid and --pid take a USB ID, hexadecimal 0x1 to 0xFFFF");
    return false;
  }
  return true;
}

bool CheckRoadOptions(const DeviceOptions& o, DeviceIds& ids, ConsoleView& view) {
  if (!ResolveIds(o, ids, view)) return false;
  if (const std::string error = CheckFaultOptions(o.EmuFaults); !error.empty()) {
    view.Error("zentrel-flash: --emulate-fault: " + error);
    return false;
  }
  if (!o.EmuDump.empty()) {
    if (const std::string error = CheckOutputPath(o.EmuDump, o.InputPath); !error.empty()) {
      view.Error("zentrel-flash: --emulate-dump: " + error);
      return false;
    }
  }
  return true;
}

int RunRoad(const DeviceOptions& o, ImageStore& image, ConsoleView& view, Clock& clock,
            const std::function<void(BootSequencer&)>& start, RoadRecord* record) {
  DeviceIds ids;
  if (!CheckRoadOptions(o, ids, view)) return kExitUsage;

  emulated::EmulatedBus* bus = nullptr;
  emulated::EmulatedBootLoader* board = nullptr;
  std::vector<emulated::EmulatedBootLoader*> boards;
  std::unique_ptr<HidPlatform> platform = MakePlatform(o, clock, &bus, &board, &boards);
  const DeviceFilter filter = FilterOf(o);
  // Of boards side by side, the one the filter picks is the one to dump.
  for (emulated::EmulatedBootLoader* b : boards) {
    if ((filter.Port.empty() || bus->GetLocation(b->Path()) == filter.Port) &&
        (filter.Serial.empty() || Utf8FromUtf16(b->Config().Serial.c_str()) == filter.Serial)) {
      board = b;
      break;
    }
  }
  int boardsLeft = o.EmuDevices - 1;
  int passed = 0, failed = 0, code = kExitOk;
  for (;;) {
    if (o.WaitSeconds >= 0 || o.Repeat) {
      const int waited =
          WaitForDevice(*platform, ids, filter, true, o.Repeat ? 0 : o.WaitSeconds, view, clock);
      if (waited == kExitNoDevice) {
        char line[120];
        std::snprintf(line, sizeof line,
                      "zentrel-flash: no device with IDs %04X:%04X appeared within %g s",
                      static_cast<unsigned>(ids.VendorId), static_cast<unsigned>(ids.ProductId),
                      o.WaitSeconds);
        view.Error(line);
        return kExitNoDevice;
      }
      if (waited == kExitInterrupted) {
        code = o.Repeat ? kExitOk : kExitInterrupted;
        if (!o.Repeat) view.Error("zentrel-flash: interrupted while waiting for a device");
        break;
      }
    }
    code = RunOneRoad(*platform, ids, filter, image, view, clock, o.Pacing, start, record);
    if (!o.Repeat) break;
    (code == kExitOk ? passed : failed) += 1;
    char line[80];
    std::snprintf(line, sizeof line, "device %d: %s", passed + failed,
                  code == kExitOk ? "passed" : "FAILED");
    view.Note(line);
    if (code == kExitInterrupted) break;
    // The operator takes the board off; the emulated line plugs in the next.
    if (board != nullptr) board->InjectFault(emulated::FaultKind::Vanish, 0);
    if (WaitForDevice(*platform, ids, filter, false, 0, view, clock) != kExitOk) break;
    if (bus != nullptr) {
      if (boardsLeft-- <= 0) break;
      board = &PlugBoard(*bus, o, o.EmuDevices - boardsLeft);
    }
  }
  if (o.Repeat) {
    char line[80];
    std::snprintf(line, sizeof line, "%d passed, %d failed", passed, failed);
    view.Note(line);
    code = failed == 0 && passed > 0 ? kExitOk : (code == kExitOk ? kExitDeviceFailed : code);
  }
  if (board != nullptr && !o.EmuDump.empty() && !SaveFlash(o.EmuDump, board->Flash())) {
    view.Error("zentrel-flash: cannot write " + o.EmuDump);
    if (code == kExitOk) code = kExitDeviceFailed;
  }
  return code;
}

}  // namespace zentrel::cli
