#include "cli/flash_all.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/device_table.h"
#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/pacing.h"
#include "cli/road_outcome.h"
#include "cli/sha256.h"
#include "cli/unopenable_hint.h"
#include "hid/device_access.h"
#include "hid/utf8_text.h"
#include "protocol/download_accounting.h"

namespace zentrel::cli {

namespace {

constexpr std::uint64_t kShowEveryUs = 100'000;
constexpr std::uint64_t kPortPollUs = 100'000;

// A device with the IDs as the start of the run found it.
struct Attached {
  std::string Path;
  std::string Port;
  std::string Serial;
};

std::vector<Attached> FindAttached(HidPlatform& platform, const DeviceIds& ids) {
  std::vector<std::string> paths;
  platform.Enumerate([&](const HidCollection& c) {
    if (c.CapsKnown && c.UsagePage == kBootUsagePage && c.Usage == kBootUsage &&
        std::find(paths.begin(), paths.end(), c.Path) == paths.end()) {
      paths.push_back(c.Path);
    }
    return true;
  });
  std::vector<Attached> found;
  for (const std::string& path : paths) {
    const HidHandle h = platform.Open(path);
    if (h == kNoHidHandle) continue;
    std::uint16_t vid = 0, pid = 0;
    const bool ours = platform.GetAttributes(h, vid, pid) && vid == ids.VendorId &&
                      pid == ids.ProductId;
    char16_t units[kProductStringUnits + 1] = {};
    const bool hasSerial = ours && platform.GetSerialNumber(h, units, kProductStringUnits);
    platform.Close(h);
    if (!ours) continue;
    found.push_back({path, platform.GetLocation(path), hasSerial ? Utf8FromUtf16(units) : ""});
  }
  return found;
}

// How a road finds its device again, also after the reset: by port, else by
// a serial number no other device has. Empty when it cannot be told apart.
bool FilterFor(const std::vector<Attached>& all, const Attached& device, DeviceFilter& filter) {
  if (!device.Port.empty()) {
    filter = {"", device.Port};
    return std::count_if(all.begin(), all.end(),
                         [&](const Attached& d) { return d.Port == device.Port; }) == 1;
  }
  if (!device.Serial.empty()) {
    filter = {device.Serial, ""};
    return std::count_if(all.begin(), all.end(),
                         [&](const Attached& d) { return d.Serial == device.Serial; }) == 1;
  }
  filter = {};
  return all.size() == 1;
}

// The road's own view: it keeps what the road says for the table; nothing
// is printed from a road's thread.
class RecordingView final : public SequencerView {
 public:
  void SetStatusText(const char* text) override { status = text; }
  void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) override {
    hasBox = true;
    boxText = text;
    boxCaption = caption;
    boxIsError = icon != MessageIcon::Information;
  }
  void SetFieldText(ValueField field, const char* text) override {
    fields[static_cast<std::size_t>(field)] = text;
  }
  void EnableCommandButtons(bool) override {}

  std::string status, boxText, boxCaption;
  bool hasBox = false, boxIsError = false;
  std::string fields[6];
};

// One finished road, for the result line and the JSON object.
struct RoadResult {
  std::size_t Row = 0;
  int Board = 1;  // the n-th board on this port (--repeat)
  std::string Port, Serial, Path;
  int Code = kExitOk;
  std::string Message;
  std::uint32_t PagesWritten = 0;
  double Seconds = 0;
  std::string Platform, HwVersion, BootVersion;
};

// What the roads and the main thread share, always under the lock.
struct Board {
  std::mutex Lock;
  std::vector<DeviceRow> Rows;
  std::vector<RoadResult> Finished;  // not yet shown
  std::size_t Running = 0;
};

std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  const auto first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

struct PortLine {
  std::size_t Row;
  Attached Device;
  DeviceFilter Filter;
};

struct RoadContext {
  const DeviceOptions& Options;
  const DeviceIds& Ids;
  const ImageStore& Image;
  HidPlatform& Platform;
  Clock& ClockRef;
  Board& Shared;
  // The emulated boards: the line takes a finished one off its port.
  const std::vector<emulated::EmulatedBootLoader*>& Boards;
};

emulated::EmulatedBootLoader* BoardAt(const std::vector<emulated::EmulatedBootLoader*>& boards,
                                      const std::string& path) {
  for (emulated::EmulatedBootLoader* board : boards) {
    if (board->Path() == path) return board;
  }
  return nullptr;
}

// One board's road on its port, start to end.
RoadResult FlashBoard(const RoadContext& c, const PortLine& line, int boardNumber,
                      ImageStore& image) {
  RecordingView view;
  DeviceAccess device(c.Platform, line.Filter);
  BootSequencer sequencer(view, device, image, c.Ids, c.ClockRef);
  const std::uint32_t pages = PagesToSend(image.ImageLength);
  const std::uint64_t startUs = c.ClockRef.NowUs();
  auto pagesNow = [&] {
    const std::uint8_t s = sequencer.SequencerState();
    if (s == WritePacket || s == AwaitPacketAck) return pages - sequencer.PageCounter();
    return sequencer.RoadCompleted() ? pages : 0u;
  };
  std::uint32_t pagesDone = 0;
  auto show = [&] {
    pagesDone = std::max(pagesDone, pagesNow());
    const std::uint8_t s = sequencer.SequencerState();
    std::lock_guard<std::mutex> hold(c.Shared.Lock);
    DeviceRow& row = c.Shared.Rows[line.Row];
    row.Writing = s == WritePacket || s == AwaitPacketAck;
    row.Stage = row.Writing ? "writing" : StageName(s);
    row.PagesDone = pagesDone;
    row.Pages = pages;
  };
  RoadResult result;
  result.Row = line.Row;
  result.Board = boardNumber;
  result.Port = line.Device.Port;
  result.Serial = line.Device.Serial;
  result.Path = line.Device.Path;
  sequencer.StartDownload();
  if (sequencer.SequencerState() != Idle &&
      !TickUntilIdle(sequencer, c.ClockRef, c.Options.Pacing, show)) {
    result.Code = kExitInterrupted;
    result.Message = InterruptedText(sequencer, pagesDone, pages);
    sequencer.SequencerState() = Idle;
    device.CloseDevice();
  } else if (!sequencer.RoadCompleted()) {
    result.Code = ExitCodeForFailure(view.hasBox, view.boxText);
    result.Message = view.hasBox ? view.boxText : view.status;
  } else {
    result.Message = view.boxText;
  }
  result.PagesWritten = std::max(pagesDone, pagesNow());
  result.Seconds = static_cast<double>(c.ClockRef.NowUs() - startUs) / 1e6;
  result.Platform = Trimmed(view.fields[static_cast<std::size_t>(ValueField::PlatformField)]);
  result.HwVersion = Trimmed(view.fields[static_cast<std::size_t>(ValueField::HwVersionField)]);
  result.BootVersion =
      Trimmed(view.fields[static_cast<std::size_t>(ValueField::BootVersionField)]);
  return result;
}

void SetStage(Board& shared, std::size_t rowIndex, const char* stage) {
  std::lock_guard<std::mutex> hold(shared.Lock);
  DeviceRow& row = shared.Rows[rowIndex];
  row.Stage = stage;
  row.Writing = false;
  row.PagesDone = 0;
}

// Waits until a device with the IDs is on the port (want) or gone from it.
// False when interrupted.
bool WaitOnPort(const RoadContext& c, const PortLine& line, bool want) {
  while (DevicePresent(c.Platform, c.Ids, line.Filter) != want) {
    if (InterruptRequested()) return false;
    c.ClockRef.SleepUs(kPortPollUs);
  }
  return true;
}

// A port's line: a board, and with --repeat the next boards as they come.
void RunPort(const RoadContext& c, PortLine line) {
  auto image = std::make_unique<ImageStore>(c.Image);
  for (int board = 1;; ++board) {
    RoadResult result = FlashBoard(c, line, board, *image);
    const bool stop = !c.Options.Repeat || result.Code == kExitInterrupted;
    {
      std::lock_guard<std::mutex> hold(c.Shared.Lock);
      DeviceRow& row = c.Shared.Rows[line.Row];
      row.Result = result.Code == kExitOk ? "passed" : "FAILED: " + result.Message;
      row.Stage = result.Code == kExitOk ? "done" : "failed";
      c.Shared.Finished.push_back(std::move(result));
    }
    if (stop) break;
    // The operator takes the board off; the emulated line does it itself.
    if (auto* emulatedBoard = BoardAt(c.Boards, line.Device.Path)) {
      emulatedBoard->InjectFault(emulated::FaultKind::Vanish, 0);
    }
    SetStage(c.Shared, line.Row, "waiting for the board to leave");
    if (!WaitOnPort(c, line, false)) break;
    SetStage(c.Shared, line.Row, "waiting for the next board");
    if (!WaitOnPort(c, line, true)) break;
    // The new board on this port has its own serial number.
    for (const Attached& d : FindAttached(c.Platform, c.Ids)) {
      if (d.Port == line.Device.Port) line.Device = d;
    }
    std::lock_guard<std::mutex> hold(c.Shared.Lock);
    c.Shared.Rows[line.Row].Serial = line.Device.Serial;
    c.Shared.Rows[line.Row].Result.clear();
  }
  std::lock_guard<std::mutex> hold(c.Shared.Lock);
  --c.Shared.Running;
}

std::string ResultLine(const RoadResult& r, bool repeat) {
  char head[160];
  std::snprintf(head, sizeof head, "%s %s%s", r.Port.empty() ? "?" : r.Port.c_str(),
                r.Serial.empty() ? "?" : r.Serial.c_str(),
                repeat ? (" board " + std::to_string(r.Board)).c_str() : "");
  char tail[64];
  std::snprintf(tail, sizeof tail, " (%u pages, %.1f s)", static_cast<unsigned>(r.PagesWritten),
                r.Seconds);
  if (r.Code == kExitOk) return std::string(head) + ": passed" + tail;
  return std::string(head) + ": FAILED: " + r.Message + tail;
}

nlohmann::json ResultJson(const RoadResult& r) {
  return {{"event", "device_result"},
          {"port", r.Port},
          {"serial", r.Serial},
          {"path", r.Path},
          {"board", r.Board},
          {"exit_code", r.Code},
          {"passed", r.Code == kExitOk},
          {"message", r.Message},
          {"pages_written", r.PagesWritten},
          {"duration_s", r.Seconds},
          {"fields",
           {{"platform", r.Platform}, {"hw_version", r.HwVersion}, {"boot_version", r.BootVersion}}}};
}

// Shows what the roads left since the last call; the table on a terminal.
void Show(Board& shared, ConsoleView& view, LiveTable& table, bool repeat,
          std::vector<RoadResult>& all) {
  std::vector<RoadResult> finished;
  std::vector<DeviceRow> rows;
  {
    std::lock_guard<std::mutex> hold(shared.Lock);
    finished.swap(shared.Finished);
    rows = shared.Rows;
  }
  for (RoadResult& r : finished) {
    if (view.Mode() == OutputMode::Json) {
      view.Json(ResultJson(r).dump());
    } else if (view.Mode() == OutputMode::Lines) {
      view.Note(ResultLine(r, repeat));
    } else if (view.Mode() == OutputMode::Quiet && r.Code != kExitOk) {
      view.Error("zentrel-flash: " + ResultLine(r, repeat));
    }
    all.push_back(std::move(r));
  }
  // A failed write leaves stdout's error flag set: reported at the end.
  if (view.Mode() == OutputMode::Terminal) table.Draw(rows);
}

int ExitCodeFor(const std::vector<RoadResult>& results, bool repeat) {
  int failedCode = kExitOk;
  bool mixed = false, passedAny = false;
  for (const RoadResult& r : results) {
    if (r.Code == kExitOk) {
      passedAny = true;
      continue;
    }
    if (failedCode != kExitOk && failedCode != r.Code) mixed = true;
    failedCode = r.Code;
  }
  if (failedCode == kExitOk) return repeat && !passedAny ? kExitDeviceFailed : kExitOk;
  if (repeat && failedCode == kExitInterrupted && !mixed) return passedAny ? kExitOk : kExitInterrupted;
  for (const RoadResult& r : results) {
    if (r.Code == kExitInterrupted) return kExitInterrupted;
  }
  return mixed ? kExitDeviceFailed : failedCode;
}

}  // namespace

int FlashAllDevices(const DeviceOptions& o, const ImageStore& image, ConsoleView& view,
                    Clock& clock) {
  DeviceIds ids;
  if (!CheckRoadOptions(o, ids, view)) return kExitUsage;
  const std::uint64_t startUs = clock.NowUs();
  emulated::EmulatedBus* bus = nullptr;
  std::vector<emulated::EmulatedBootLoader*> boards;
  std::unique_ptr<HidPlatform> platform = MakePlatform(o, clock, &bus, nullptr, &boards);

  std::vector<Attached> attached = FindAttached(*platform, ids);
  // Without --wait the seconds are -1, which has no unsigned value.
  const std::uint64_t waitLimitUs =
      o.WaitSeconds > 0 ? static_cast<std::uint64_t>(o.WaitSeconds * 1e6) : 0;
  while (attached.empty() && (o.WaitSeconds >= 0 || o.Repeat) && !InterruptRequested() &&
         (o.WaitSeconds <= 0 || clock.NowUs() - startUs < waitLimitUs)) {
    ProgressSnapshot p;
    p.Stage = "waiting for devices";
    p.ElapsedUs = clock.NowUs() - startUs;
    view.Progress(p);
    clock.SleepUs(kPortPollUs);
    attached = FindAttached(*platform, ids);
  }
  view.EndLiveLine();
  if (attached.empty()) {
    view.ShowMessageBox("No HID device detect", kBootCaption, MessageIcon::Error);
    char line[120];
    std::snprintf(line, sizeof line, "zentrel-flash: no device with IDs %04X:%04X is attached",
                  static_cast<unsigned>(ids.VendorId), static_cast<unsigned>(ids.ProductId));
    view.Error(line);
    ReportUnopenableDevices(*platform, ids, stderr);
    return InterruptRequested() ? kExitInterrupted : kExitNoDevice;
  }

  Board shared;
  std::vector<PortLine> lines;
  std::vector<RoadResult> results;
  for (const Attached& device : attached) {
    DeviceRow row;
    row.Port = device.Port;
    row.Serial = device.Serial;
    row.Stage = "starting";
    PortLine line{shared.Rows.size(), device, {}};
    if (!FilterFor(attached, device, line.Filter)) {
      RoadResult r;
      r.Row = line.Row;
      r.Port = device.Port;
      r.Serial = device.Serial;
      r.Path = device.Path;
      r.Code = kExitDeviceFailed;
      r.Message = "cannot be told from another device: no port and no serial number of its own";
      row.Stage = "failed";
      row.Result = "FAILED: " + r.Message;
      shared.Finished.push_back(r);
    } else {
      lines.push_back(line);
    }
    shared.Rows.push_back(row);
  }
  if (view.Mode() != OutputMode::Json && view.Mode() != OutputMode::Quiet) {
    char line[96];
    std::snprintf(line, sizeof line, "Flashing %zu devices side by side", attached.size());
    view.Note(line);
  }

  const RoadContext context{o, ids, image, *platform, clock, shared, boards};
  shared.Running = lines.size();
  std::vector<std::thread> roads;
  roads.reserve(lines.size());
  for (const PortLine& line : lines) roads.emplace_back(RunPort, std::cref(context), line);

  LiveTable table(stdout);
  for (;;) {
    Show(shared, view, table, o.Repeat, results);
    {
      std::lock_guard<std::mutex> hold(shared.Lock);
      if (shared.Running == 0) break;
    }
    clock.SleepUs(kShowEveryUs);
  }
  for (std::thread& road : roads) road.join();
  Show(shared, view, table, o.Repeat, results);

  if (bus != nullptr && !o.EmuDump.empty()) {
    for (const Attached& device : attached) {
      const emulated::EmulatedBootLoader* board = BoardAt(boards, device.Path);
      const std::string path =
          o.EmuDump + "." + (device.Port.empty() ? device.Serial : device.Port);
      if (board != nullptr && !SaveFlash(path, board->Flash())) {
        view.Error("zentrel-flash: cannot write " + path);
      }
    }
  }

  const int passed = static_cast<int>(
      std::count_if(results.begin(), results.end(), [](const RoadResult& r) { return r.Code == kExitOk; }));
  const int failed = static_cast<int>(results.size()) - passed;
  int code = ExitCodeFor(results, o.Repeat);
  const double seconds = static_cast<double>(clock.NowUs() - startUs) / 1e6;
  if (view.Mode() == OutputMode::Json) {
    view.Json(nlohmann::json{{"event", "result"},
                             {"command", "flash"},
                             {"all", true},
                             {"exit_code", code},
                             {"devices", attached.size()},
                             {"boards", results.size()},
                             {"passed", passed},
                             {"failed", failed},
                             {"duration_s", seconds},
                             {"file",
                              {{"path", o.InputPath},
                               {"kind", std::string(1, image.ImageKind)},
                               {"image_length", image.ImageLength},
                               {"pages", PagesToSend(image.ImageLength)},
                               {"sha256", Sha256Hex(image.FileBuffer.data(), image.FileLength)}}}}
                  .dump());
  } else {
    char line[120];
    std::snprintf(line, sizeof line, "%d passed, %d failed in %.1f s", passed, failed, seconds);
    view.Note(line);
  }
  if (code == kExitOk && (view.OutputFailed() || std::fflush(stdout) != 0)) {
    view.Error("zentrel-flash: every device passed, but writing to standard output failed");
    code = kExitDeviceFailed;
  }
  return code;
}

}  // namespace zentrel::cli
