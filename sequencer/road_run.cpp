#include "sequencer/road_run.h"

#include <vector>

#include "sequencer/outcome_text.h"
#include "sequencer/road_stage.h"

namespace zentrel {

namespace {

// Keeps the fields a road fills and passes every call on, if there is
// anywhere to pass it; the texts of the pages only where nothing else shows
// them.
class FieldKeeper final : public SequencerView {
 public:
  explicit FieldKeeper(const RoadWatch& watch) : watch_(watch) {}
  void Watch(const BootSequencer& sequencer) { sequencer_ = &sequencer; }
  void SetStatusText(const char* text) override {
    if (watch_.HidePageTexts && sequencer_ != nullptr &&
        PhaseOf(sequencer_->SequencerState()) == RoadPhase::Writing) {
      return;
    }
    if (watch_.Shown != nullptr) watch_.Shown->SetStatusText(text);
  }
  void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) override {
    // The box ends the road: where it ended is told first.
    if (BeforeBox) BeforeBox();
    if (watch_.Shown != nullptr) watch_.Shown->ShowMessageBox(text, caption, icon);
  }
  void SetFieldText(ValueField field, const char* text) override {
    // Shown indented by two blanks in the window; not in a result.
    std::string value = text;
    value.erase(0, value.find_first_not_of(' '));
    Fields[static_cast<std::size_t>(field)] = value;
    if (watch_.Shown != nullptr) watch_.Shown->SetFieldText(field, text);
  }
  void EnableCommandButtons(bool enabled) override {
    if (watch_.Shown != nullptr) watch_.Shown->EnableCommandButtons(enabled);
  }
  std::array<std::string, 6> Fields;
  std::function<void()> BeforeBox;

 private:
  const RoadWatch& watch_;
  const BootSequencer* sequencer_ = nullptr;
};

void Start(BootSequencer& sequencer, RoadKind road) {
  if (road == RoadKind::Info) sequencer.StartInfo();
  if (road == RoadKind::Download) sequencer.StartDownload();
  if (road == RoadKind::AppInfo) sequencer.StartAppInfo();
}

double Seconds(std::uint64_t us) { return static_cast<double>(us) / 1e6; }

// Names a board that no one chose (plugged in after the start) by the node
// and port the road found it on and what is on that port now, and tells
// after a failed conversation whether a device is still where it looked.
void NameBoard(const RoadRunSetup& s, const DeviceFilter& where, const DeviceAccess& device,
               RoadRecord& result) {
  const bool found = s.Board.Path.empty() && !device.FirstPath().empty();
  const bool onAPort = found && !device.FirstPort().empty();
  std::vector<DeviceIdentity> there;
  if (onAPort || result.Outcome.Failure == FailureKind::DeviceFailed) {
    there = FindDevices(s.Platform, s.Ids, onAPort ? DeviceFilter{"", device.FirstPort()} : where);
    result.LeftBus = there.empty();
  }
  if (!found) return;
  result.Board = onAPort && !there.empty() ? there.front() : DeviceIdentity{};
  result.Board.Path = device.FirstPath();
  result.Board.Port = device.FirstPort();
}

}  // namespace

void TickUntilIdle(BootSequencer& sequencer, Clock& clock, Pace pace,
                   const std::function<bool()>& stopRequested,
                   const std::function<void()>& afterTick) {
  do {
    if (stopRequested && stopRequested()) {
      sequencer.Stop();
      return;
    }
    const SequencerStage before = sequencer.SequencerState();
    sequencer.Tick();
    if (afterTick) afterTick();
    if (pace == Pace::Window || !IsTransferStage(sequencer.SequencerState())) {
      clock.SleepUs(kTickUs);
    } else if (sequencer.SequencerState() == before) {
      clock.SleepUs(kFastPollPauseUs);
    }
  } while (sequencer.SequencerState() != SequencerStage::Idle);
}

RoadRecord RunRoad(const RoadRunSetup& s, const RoadWatch& watch) {
  const DeviceFilter where = s.Board.Path.empty() ? s.Filter : FollowFilter(s.Board);
  DeviceAccess device(s.Platform, where);
  FieldKeeper view(watch);
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
    if (!watch.Progress) return;
    ProgressSnapshot snapshot;
    snapshot.Stage = writing ? "writing" : PhaseWord(phase);
    snapshot.Writing = writing;
    snapshot.PagesDone = p.PagesDone;
    snapshot.Pages = p.Pages;
    snapshot.ElapsedUs = now - startUs;
    snapshot.WritingUs = writing ? now - writingFromUs : 0;
    watch.Progress(snapshot);
  };
  view.BeforeBox = show;
  Start(sequencer, s.Road);
  // A start that was refused (no image, say) leaves the sequencer Idle.
  if (sequencer.SequencerState() != SequencerStage::Idle) {
    TickUntilIdle(sequencer, s.Time, s.Pacing, watch.StopRequested, show);
  }
  const std::uint64_t endUs = s.Time.NowUs();
  RoadRecord result;
  result.Outcome = sequencer.Outcome();
  result.Fields = view.Fields;
  result.FlashSizeKiB = sequencer.FlashSizeKiB();
  result.Seconds = Seconds(endUs - startUs);
  result.WritingSeconds = writingFromUs != 0 ? Seconds(endUs - writingFromUs) : 0;
  result.Board = s.Board;
  NameBoard(s, where, device, result);
  return result;
}

}  // namespace zentrel
