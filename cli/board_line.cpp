#include "cli/board_line.h"

#include "cli/exit_codes.h"
#include "cli/failure_advice.h"
#include "cli/interrupt.h"
#include "sequencer/road_stage.h"

namespace zentrel::cli {

namespace {

constexpr std::uint64_t kWaitPollUs = 100'000;

// Keeps the fields a road fills and passes every call on, if there is
// anywhere to pass it; the texts of the pages only where nothing else shows
// them.
class FieldKeeper final : public SequencerView {
 public:
  FieldKeeper(SequencerView* shown, bool hidePageTexts)
      : shown_(shown), hidePageTexts_(hidePageTexts) {}
  void Watch(const BootSequencer& sequencer) { sequencer_ = &sequencer; }
  void SetStatusText(const char* text) override {
    if (hidePageTexts_ && sequencer_ != nullptr &&
        PhaseOf(sequencer_->SequencerState()) == RoadPhase::Writing) {
      return;
    }
    if (shown_ != nullptr) shown_->SetStatusText(text);
  }
  void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) override {
    if (shown_ != nullptr) shown_->ShowMessageBox(text, caption, icon);
  }
  void SetFieldText(ValueField field, const char* text) override {
    // Shown indented by two blanks in the window; not in a record.
    std::string value = text;
    value.erase(0, value.find_first_not_of(' '));
    fields[static_cast<std::size_t>(field)] = value;
    if (shown_ != nullptr) shown_->SetFieldText(field, text);
  }
  void EnableCommandButtons(bool enabled) override {
    if (shown_ != nullptr) shown_->EnableCommandButtons(enabled);
  }
  std::array<std::string, 6> fields;

 private:
  SequencerView* shown_;
  bool hidePageTexts_;
  const BootSequencer* sequencer_ = nullptr;
};

void Start(BootSequencer& sequencer, RoadKind road) {
  if (road == RoadKind::Info) sequencer.StartInfo();
  if (road == RoadKind::Download) sequencer.StartDownload();
  if (road == RoadKind::AppInfo) sequencer.StartAppInfo();
}

double Seconds(std::uint64_t us) { return static_cast<double>(us) / 1e6; }

// A chosen board is followed across its reset; without one, the road takes
// whatever the user's filter lets through.
BoardRecord RunBoard(const LineSetup& s, const DeviceIdentity& board, const DeviceFilter& filter,
                     int number, LineObserver& observer) {
  BoardRecord record;
  record.Board = board;
  record.Number = number;
  record.Start = std::chrono::system_clock::now();
  DeviceAccess device(s.Devices.Platform(), board.Path.empty() ? filter : FollowFilter(board));
  FieldKeeper view(observer.RoadView(), observer.ShowsPages());
  BootSequencer sequencer(view, device, s.Image, s.Ids, s.Time);
  view.Watch(sequencer);
  const std::uint64_t startUs = s.Time.NowUs();
  std::uint64_t writingFromUs = 0;
  auto show = [&] {
    const RoadProgress p = sequencer.Progress();
    const RoadPhase phase = PhaseOf(p.Stage);
    // A download that completed shows its last page as written.
    const bool writing =
        phase == RoadPhase::Writing || (sequencer.RoadCompleted() && p.Pages > 0);
    const std::uint64_t now = s.Time.NowUs();
    if (writing && writingFromUs == 0) writingFromUs = now;
    ProgressSnapshot snapshot;
    snapshot.Stage = writing ? "writing" : PhaseWord(phase);
    snapshot.Writing = writing;
    snapshot.PagesDone = p.PagesDone;
    snapshot.Pages = p.Pages;
    snapshot.ElapsedUs = now - startUs;
    snapshot.WritingUs = writing ? now - writingFromUs : 0;
    observer.Progress(snapshot);
  };
  Start(sequencer, s.Road);
  // A start that was refused (no image, say) leaves the sequencer Idle.
  if (sequencer.SequencerState() != Idle) {
    TickUntilIdle(sequencer, s.Time, s.Options.Pacing, show);
  }
  const std::uint64_t endUs = s.Time.NowUs();
  record.Outcome = sequencer.Outcome();
  record.ExitCode = ExitCodeOf(record.Outcome);
  const RoadOutcome& o = record.Outcome;
  if (o.Failure == FailureKind::Stopped) {
    record.Message = StoppedText(o);
  } else {
    record.Message = o.Box != nullptr ? o.Box : o.Status;
  }
  record.Seconds = Seconds(endUs - startUs);
  record.WritingSeconds = writingFromUs != 0 ? Seconds(endUs - writingFromUs) : 0;
  record.Fields = view.fields;
  record.FlashSizeKiB = sequencer.FlashSizeKiB();
  if (o.Failure == FailureKind::DeviceFailed) {
    const DeviceFilter where = board.Path.empty() ? filter : FollowFilter(board);
    record.LeftBus = FindDevices(s.Devices.Platform(), s.Ids, where).empty();
  }
  return record;
}

}  // namespace

void TickUntilIdle(BootSequencer& sequencer, Clock& clock, Pace pace,
                   const std::function<void()>& afterTick) {
  do {
    if (InterruptRequested()) {
      sequencer.Stop();
      return;
    }
    const std::uint8_t before = sequencer.SequencerState();
    sequencer.Tick();
    if (afterTick) afterTick();
    if (pace == Pace::Window || !IsTransferStage(sequencer.SequencerState())) {
      clock.SleepUs(kTickUs);
    } else if (sequencer.SequencerState() == before) {
      clock.SleepUs(kFastPollPauseUs);
    }
  } while (sequencer.SequencerState() != Idle);
}

DeviceFilter FollowFilter(const DeviceIdentity& board) {
  if (!board.Port.empty()) return {"", board.Port};
  return {board.Serial, ""};
}

WaitEnd WaitForDevice(HidPlatform& platform, const DeviceIds& ids, const DeviceFilter& filter,
                      bool want, std::uint64_t limitUs, Clock& clock, LineObserver& observer,
                      std::vector<DeviceIdentity>* present) {
  const std::uint64_t start = clock.NowUs();
  ProgressSnapshot p;
  p.Stage = want ? "waiting for a device" : "waiting for the device to leave";
  std::vector<DeviceIdentity> found;
  while ((found = FindDevices(platform, ids, filter)).empty() == want) {
    if (InterruptRequested()) return WaitEnd::Interrupted;
    p.ElapsedUs = clock.NowUs() - start;
    if (limitUs > 0 && p.ElapsedUs >= limitUs) return WaitEnd::TimedOut;
    observer.Progress(p);
    clock.SleepUs(kWaitPollUs);
  }
  if (present != nullptr) *present = std::move(found);
  return WaitEnd::Ready;
}

std::string DumpPath(const DeviceOptions& o, const DeviceIdentity& board, bool perBoard) {
  if (o.EmuDump.empty() || !perBoard) return o.EmuDump;
  return o.EmuDump + "." + (board.Port.empty() ? board.Serial : board.Port);
}

void RunLine(const LineSetup& s, DeviceIdentity board, const DeviceFilter& waitFilter,
             LineObserver& observer) {
  HidPlatform& platform = s.Devices.Platform();
  for (int number = 1;; ++number) {
    BoardRecord record = RunBoard(s, board, waitFilter, number, observer);
    std::string error;
    if (const std::string file = DumpPath(s.Options, board, s.DumpPerBoard);
        !file.empty() && !s.Devices.DumpFlash(board.Path, file, error) &&
        record.ExitCode == kExitOk) {
      record.ExitCode = kExitDeviceFailed;
      record.Message = "cannot write " + file + ": " + error;
    }
    record.Advice = FailureAdvice(record, s.Image, s.Ids, platform);
    observer.Finished(record);
    if (!s.Options.Repeat || record.Outcome.Failure == FailureKind::Stopped) return;
    // The operator takes the board off, and the next one comes.
    if (!s.Devices.TakeOffAndPlugNext(board.Path)) return;
    const DeviceFilter leaving = board.Path.empty() ? waitFilter : FollowFilter(board);
    std::vector<DeviceIdentity> next;
    if (WaitForDevice(platform, s.Ids, leaving, false, 0, s.Time, observer) != WaitEnd::Ready ||
        WaitForDevice(platform, s.Ids, waitFilter, true, 0, s.Time, observer, &next) !=
            WaitEnd::Ready) {
      return;
    }
    board = next.front();
  }
}

}  // namespace zentrel::cli
