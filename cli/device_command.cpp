// info, app-info and flash: choose the boards once, run a line of roads per
// board (one here, or side by side with --all), and report each board's
// record and the run's result.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/board_record.h"
#include "cli/commands.h"
#include "cli/device_table.h"
#include "cli/emulated_rig.h"
#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/terminal.h"
#include "image/image_loader.h"
#include "sequencer/board_line.h"
#include "sequencer/outcome_text.h"

namespace zentrel::cli {

namespace {

constexpr std::uint64_t kShowEveryUs = 100'000;

const char* CommandName(RoadKind road) {
  return road == RoadKind::Info ? "info" : road == RoadKind::AppInfo ? "app-info" : "flash";
}

// A board's result line, or its device_result record; a table on a terminal
// shows the result in its row instead. file: the firmware a flash sent, so
// that the record names it; null for info and app-info.
void ShowBoardResult(ConsoleView& view, const RoadRecord& r, bool numbered, bool inTable,
                     const nlohmann::json& file) {
  nlohmann::json object = BoardJson(r, file);
  object["event"] = "device_result";
  view.Json(object);  // Json and Note write in their modes only
  if (view.Mode() == OutputMode::Quiet && !r.Passed()) {
    view.Error("zentrel-flash: " + ResultLine(r, numbered));
  }
  if (!inTable) view.Note(ResultLine(r, numbered));
}

// A line on this thread: its roads show on the console as they go.
class ConsoleLine final : public LineObserver {
 public:
  ConsoleLine(ConsoleView& view, bool repeat, const nlohmann::json& file = nullptr)
      : view_(view), repeat_(repeat), file_(file) {}
  SequencerView* RoadView() override { return &view_; }
  bool ShowsPages() const override { return view_.Mode() == OutputMode::Terminal; }
  void Progress(const ProgressSnapshot& progress) override { view_.Progress(progress); }
  void CannotOpen(const std::vector<UnopenableDevice>& found, const DeviceIds& ids) override {
    view_.TellUnopenable(found, ids);
  }
  void Finished(const RoadRecord& record) override {
    view_.EndLiveLine();
    Records.push_back(record);
    if (!repeat_) return;
    ShowBoardResult(view_, record, true, false, file_);
    if (!record.Advice.empty()) view_.Error("zentrel-flash: " + record.Advice);
  }
  std::vector<RoadRecord> Records;

 private:
  ConsoleView& view_;
  bool repeat_;
  nlohmann::json file_;
};

class DeviceCommand {
 public:
  DeviceCommand(RoadKind road, const DeviceOptions& o, ConsoleView& view, const ImageStore& image,
                Clock& clock)
      : road_(road), o_(o), view_(view), image_(image), clock_(clock) {}

  int Run() {
    startUs_ = clock_.NowUs();
    // Hashed once: every board's record names the file it was sent.
    if (road_ == RoadKind::Download && view_.Mode() == OutputMode::Json) {
      file_ = FileJson(image_, o_.InputPath);
    }
    if (const std::string error = CheckDeviceOptions(o_); !error.empty()) {
      view_.Error("zentrel-flash: " + error);
      return kExitUsage;
    }
    rig_ = std::make_unique<Rig>(o_, clock_);
    setup_ = std::make_unique<LineSetup>(LineSetup{road_, rig_->Platform(), image_, o_.Ids, clock_,
                                                   o_.Pacing, o_.Repeat, InterruptRequested,
                                                   rig_.get()});
    std::vector<DeviceIdentity> boards;
    if (const int code = ChooseBoards(boards); code >= 0) return code;
    if (!o_.All) {
      ConsoleLine line(view_, o_.Repeat, file_);
      RunLine(*setup_, boards.front(), o_.Filter, line);
      return o_.Repeat ? Summarise(line.Records, 0) : FinishOne(line.Records.front());
    }
    return FlashSideBySide(boards);
  }

 private:
  // Chooses the boards once, before any is touched. -1 to go on, else the
  // exit code to end with.
  int ChooseBoards(std::vector<DeviceIdentity>& boards) {
    const DeviceFilter& filter = o_.Filter;
    if (o_.WaitSeconds >= 0 || o_.Repeat) {
      ConsoleLine waiting(view_, false);
      // With --repeat, --wait bounds the wait for the first board only.
      const std::uint64_t limitUs =
          o_.WaitSeconds > 0 ? static_cast<std::uint64_t>(o_.WaitSeconds * 1e6) : 0;
      const WaitEnd end = WaitForDevice(*setup_, filter, true, limitUs, waiting);
      view_.EndLiveLine();
      if (end == WaitEnd::TimedOut) {
        char line[40];
        std::snprintf(line, sizeof line, "%g s", o_.WaitSeconds);
        return EndBeforeAnyBoard(FailureKind::NoDevice,
                                 "no device with IDs " + IdsText(o_.Ids) +
                                     (filter.Empty() ? "" : " matching" + FilterText(filter)) +
                                     " appeared within " + line);
      }
      if (end == WaitEnd::Stopped) {
        return EndBeforeAnyBoard(FailureKind::Stopped, "interrupted while waiting for a device");
      }
    }
    boards = FindDevices(rig_->Platform(), o_.Ids, filter);
    if (o_.All) {
      // Each board's dump is checked as a single one is, before any road starts.
      for (const DeviceIdentity& d : boards) {
        const std::string dump = DumpPath(o_, d);
        const std::string error = dump.empty() ? "" : CheckOutputFiles(o_, dump);
        if (!error.empty()) {
          view_.Error("zentrel-flash: " + error);
          return kExitUsage;
        }
      }
      // Attached at the start too: each is a board that fails, never one
      // silently left out, also when no other is there.
      unopenable_ = FindUnopenableWithIds(rig_->Platform(), o_.Ids);
      view_.TellUnopenable(unopenable_, o_.Ids);
      if (boards.empty() && unopenable_.empty()) {
        if (view_.Mode() != OutputMode::Json) {
          view_.ShowMessageBox(kNoDeviceText, kBootCaption, MessageIcon::Error);
        }
        return EndBeforeAnyBoard(FailureKind::NoDevice,
                                 "no device with IDs " + IdsText(o_.Ids) + " is attached");
      }
      return -1;
    }
    if (boards.size() > 1) {
      // Never a guess: the user says which.
      view_.Error("zentrel-flash: " + std::to_string(boards.size()) + " devices with IDs " +
                  IdsText(o_.Ids) + FilterText(filter) +
                  " are attached; choose one with --port or --serial" +
                  (road_ == RoadKind::Download ? " (or flash them all with flash --all):" : ":"));
      for (const DeviceIdentity& d : boards) {
        view_.Error("  --port " + Shown(d.Port) + "  --serial " + Shown(d.Serial) + "  " + d.Path);
      }
      return kExitUsage;
    }
    if (boards.empty()) boards.emplace_back();  // the road searches and says so
    return -1;
  }

  // A run that ends before any board's road: one line on stderr and, with
  // --json, the result record that a log keeps.
  int EndBeforeAnyBoard(FailureKind failure, const std::string& why) {
    view_.Error("zentrel-flash: " + why);
    const int code = ExitCodeOf(failure);
    view_.Json(RunJson(CommandName(road_), file_, code,
                       {{"failure", FailureKindName(failure)}, {"message", why}}));
    return code;
  }

  // The record of a single board: its fields or its JSON object, and one
  // line on stderr for every failure.
  int FinishOne(const RoadRecord& r) {
    const int code = ExitCodeOf(r.Failure());
    if (code != kExitOk) {
      // A box has been shown on stderr already; else the status text, what
      // the device holds when it was stopped, or the dump that failed after
      // the box says why.
      if (!r.MessageIsBox) {
        view_.Error("zentrel-flash: " + r.Message);
      }
      if (code == kExitNoDevice && !o_.Filter.Empty()) {
        view_.Error("zentrel-flash: no device with IDs " + IdsText(o_.Ids) + " matches" +
                    FilterText(o_.Filter));
      }
      if (!r.Advice.empty()) view_.Error("zentrel-flash: " + r.Advice);
      view_.TellUnopenable(r.Unopenable, o_.Ids);
    }
    if (view_.Mode() == OutputMode::Json) {  // the record hashes the file
      view_.Json(RunJson(CommandName(road_), file_, WithTrace(code), BoardJson(r, nullptr)));
    } else if (code == kExitOk) {  // Note and PrintFields write nothing with --quiet
      if (road_ == RoadKind::Download) {
        const std::uint32_t pages = r.Outcome.PagesWritten;
        char line[160];
        std::snprintf(line, sizeof line, "Flashed %u pages (%u bytes) in %.1f s, %.1f KiB/s",
                      static_cast<unsigned>(pages), static_cast<unsigned>(pages * kPageSize),
                      r.Seconds, KiBPerSecond(pages, r.WritingSeconds));
        view_.Note(line);
      }
      view_.PrintFields(FieldsOf(road_), r.Fields);
    }
    return CheckOutput(code, "the command reached its goal");
  }

  // The end of a run of many boards: the counts, the result record, and
  // one line on stderr when the run did not pass.
  int Summarise(const std::vector<RoadRecord>& records, std::size_t devices) {
    const auto passed = static_cast<int>(std::count_if(
        records.begin(), records.end(), [](const RoadRecord& r) { return r.Passed(); }));
    const int failed = static_cast<int>(records.size()) - passed;
    const int code = ExitCodeOf(RunFailure(records));
    const double seconds = static_cast<double>(clock_.NowUs() - startUs_) / 1e6;
    char counts[120];
    std::snprintf(counts, sizeof counts, "%d passed, %d failed in %.1f s", passed, failed,
                  seconds);
    if (view_.Mode() == OutputMode::Json) {  // the record hashes the file
      nlohmann::json counts = {{"all", o_.All},         {"repeat", o_.Repeat},
                               {"boards", records.size()}, {"passed", passed},
                               {"failed", failed},       {"duration_s", seconds}};
      if (o_.All) counts["devices"] = devices;
      view_.Json(RunJson(CommandName(road_), file_, WithTrace(code), std::move(counts)));
    }
    view_.Note(counts);
    if (o_.All) {
      for (const RoadRecord& r : records) {
        if (!r.Advice.empty()) view_.Error("zentrel-flash: " + r.Board.Port + ": " + r.Advice);
      }
    }
    if (code != kExitOk) {
      view_.Error(std::string("zentrel-flash: ") +
                  (code == kExitInterrupted ? "interrupted; " : "") + counts);
    }
    return CheckOutput(code, "every device passed");
  }

  int FlashSideBySide(const std::vector<DeviceIdentity>& boards) {
    const std::size_t devices = boards.size() + unopenable_.size();
    view_.Note("Flashing " + std::to_string(devices) + (devices == 1 ? " device" : " devices") +
               " side by side");
    // A table taller than the terminal could not be drawn over itself: then
    // each board's result is a line of its own.
    const bool drawn =
        view_.Mode() == OutputMode::Terminal && devices + 2 <= TerminalSizeOf(stdout).Rows;
    std::vector<RoadRecord> records;
    std::size_t onScreen = 0;
    const auto show = [&](const std::vector<LineState>& rows, std::vector<RoadRecord>& finished) {
      for (RoadRecord& r : finished) {
        ShowBoardResult(view_, r, o_.Repeat, drawn, file_);
        records.push_back(std::move(r));
      }
      if (drawn) DrawTable(rows, onScreen);
    };
    RunSideBySide(*setup_, boards, unopenable_, show, kShowEveryUs);
    return Summarise(records, devices);
  }

  // A trace or capture that could not be written fails a run that passed;
  // the record says so as the process does.
  int WithTrace(int code) const {
    return code == kExitOk && rig_->TraceFailed() ? kExitDeviceFailed : code;
  }
  int CheckOutput(int code, const char* goal) {
    return view_.ExitCode(code, goal, rig_->TraceFailed());
  }

  RoadKind road_;
  const DeviceOptions& o_;
  ConsoleView& view_;
  const ImageStore& image_;
  Clock& clock_;
  std::uint64_t startUs_ = 0;
  std::unique_ptr<Rig> rig_;
  std::unique_ptr<LineSetup> setup_;
  std::vector<UnopenableDevice> unopenable_;  // with --all: attached with the IDs at the start
  nlohmann::json file_;  // the firmware's JSON object: flash with --json only
};

}  // namespace

nlohmann::json FileJson(const ImageStore& image, const std::string& path) {
  return {{"path", path},
          {"format", FormatName(image.Format)},
          {"kind", std::string(1, image.ImageKind)},
          {"image_length", image.ImageLength},
          {"pages", PagesToSend(image.ImageLength)},
          {"sha256", std::string(image.FileSha256.data())}};
}

int RunDeviceCommand(RoadKind road, const DeviceOptions& options, ConsoleView& view,
                     const ImageStore& image, Clock& clock) {
  return DeviceCommand(road, options, view, image, clock).Run();
}

int RunRoadCommand(RoadKind road, const DeviceOptions& options) {
  ConsoleView view(ConsoleOut(options.CaptureFile), stderr, ModeFor(options));
  SteadyClock clock;
  // Over 4 MiB of fixed buffers: too much for a stack. One store for every
  // board, read-only; info and app-info leave it empty.
  const auto image = std::make_unique<ImageStore>();
  const int loaded = road == RoadKind::Download
                         ? LoadFirmwareFile(*image, options.InputPath, options.Firmware, view, "flash")
                         : kExitOk;
  if (loaded != kExitOk) return loaded;  // a refused command line writes no record
  return RunDeviceCommand(road, options, view, *image, clock);
}

}  // namespace zentrel::cli
