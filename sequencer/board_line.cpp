#include "sequencer/board_line.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "protocol/download_accounting.h"
#include "sequencer/failure_advice.h"
#include "sequencer/outcome_text.h"

namespace zentrel {

namespace {

constexpr std::uint64_t kWaitPollUs = 100'000;

bool Stop(const LineSetup& s) { return s.StopRequested && s.StopRequested(); }

RoadRecord RunBoard(const LineSetup& s, const DeviceIdentity& board, const DeviceFilter& filter,
                    int number, LineObserver& observer) {
  const auto start = std::chrono::system_clock::now();
  RoadWatch watch{observer.RoadView(), observer.ShowsPages(),
                  [&observer](const ProgressSnapshot& p) { observer.Progress(p); },
                  s.StopRequested};
  RoadRecord record =
      RunRoad({s.Road, s.Platform, filter, s.Image, s.Ids, s.Time, s.Pacing, board}, watch);
  record.Number = number;
  record.Start = start;
  const RoadOutcome& o = record.Outcome;
  record.Message = o.Failure == FailureKind::Stopped ? StoppedText(o)
                   : o.Box != nullptr                ? o.Box
                                                     : o.Status;
  record.MessageIsBox = o.Failure != FailureKind::Stopped && o.Box != nullptr;
  return record;
}

// What the lines side by side share with the thread that shows them.
struct SharedLines {
  std::mutex Lock;
  std::vector<LineState> States;
  std::vector<RoadRecord> Finished;  // not yet shown
};

// Keeps a line's state from the line's own thread.
class LineKeeper final : public LineObserver {
 public:
  LineKeeper(SharedLines& shared, std::size_t line) : shared_(shared), line_(line) {}
  void Progress(const ProgressSnapshot& p) override {
    std::lock_guard<std::mutex> hold(shared_.Lock);
    LineState& state = shared_.States[line_];
    state.Progress = p;
    // The next board's road has begun: the last one's record goes.
    if (p.Writing || p.Pages > 0) state.Last.reset();
  }
  void Finished(const RoadRecord& r) override {
    std::lock_guard<std::mutex> hold(shared_.Lock);
    LineState& state = shared_.States[line_];
    state.Board.Serial = r.Board.Serial;
    state.Progress.Stage = r.Passed() ? "done" : "failed";
    state.Last = r;
    shared_.Finished.push_back(r);
  }

 private:
  SharedLines& shared_;
  std::size_t line_;
};

// A device with the IDs that cannot be opened, as a board that failed.
RoadRecord UnopenableRecord(const LineSetup& s, const UnopenableDevice& device) {
  RoadRecord r;
  r.Board = ReadDeviceIdentity(s.Platform, device.Path);
  r.Start = std::chrono::system_clock::now();
  r.Outcome.Road = s.Road;
  r.Outcome.Ended = true;
  r.Outcome.Failure = FailureKind::NoDevice;
  r.Outcome.Stage = SequencerStage::Connect;  // its road would have found none
  r.Outcome.Pages = s.Road == RoadKind::Download ? PagesToSend(s.Image.ImageLength) : 0;
  r.Message = "cannot be opened: " + device.Reason;
  r.Advice = UnopenableAdvice({device});
  return r;
}

}  // namespace

WaitEnd WaitForDevice(const LineSetup& s, const DeviceFilter& filter, bool want,
                      std::uint64_t limitUs, LineObserver& observer,
                      std::vector<DeviceIdentity>* present) {
  const std::uint64_t start = s.Time.NowUs();
  ProgressSnapshot p;
  p.Stage = want ? "waiting for a device" : "waiting for the device to leave";
  std::vector<DeviceIdentity> found;
  std::set<std::string> told;  // unopenable paths named already
  while ((found = FindDevices(s.Platform, s.Ids, filter)).empty() == want) {
    if (Stop(s)) return WaitEnd::Stopped;
    // A board that cannot be opened would be waited for in silence.
    if (want) {
      const std::vector<UnopenableDevice> now = FindUnopenableWithIds(s.Platform, s.Ids);
      bool news = false;
      for (const UnopenableDevice& u : now) news = told.insert(u.Path).second || news;
      if (news) observer.CannotOpen(now, s.Ids);
    }
    p.ElapsedUs = s.Time.NowUs() - start;
    if (limitUs > 0 && p.ElapsedUs >= limitUs) return WaitEnd::TimedOut;
    observer.Progress(p);
    s.Time.SleepUs(kWaitPollUs);
  }
  if (present != nullptr) *present = std::move(found);
  return WaitEnd::Ready;
}

void RunLine(const LineSetup& s, DeviceIdentity board, const DeviceFilter& waitFilter,
             LineObserver& observer) {
  for (int number = 1;; ++number) {
    RoadRecord record = RunBoard(s, board, waitFilter, number, observer);
    if (s.Hands != nullptr) {
      const std::string error = s.Hands->AfterRoad(board);
      if (!error.empty() && record.Passed()) {
        record.AfterRoadFailed = true;
        record.Message = error;
        record.MessageIsBox = false;
      }
    }
    record.Advice = FailureAdvice(record, s.Image, s.Ids, s.Platform);
    if (record.Failure() == FailureKind::NoDevice) {
      record.Unopenable = FindUnopenableWithIds(s.Platform, s.Ids);
    }
    observer.Finished(record);
    if (!s.Repeat || record.Failure() == FailureKind::Stopped) return;
    // The operator takes the board off, and the next one comes.
    if (s.Hands != nullptr && !s.Hands->TakeOffAndPlugNext(board.Path)) return;
    const DeviceFilter leaving = board.Path.empty() ? waitFilter : FollowFilter(board);
    std::vector<DeviceIdentity> next;
    // A stop between two boards ends the line: the next one is never touched.
    if (WaitForDevice(s, leaving, false, 0, observer) != WaitEnd::Ready ||
        WaitForDevice(s, waitFilter, true, 0, observer, &next) != WaitEnd::Ready || Stop(s)) {
      return;
    }
    board = next.front();
  }
}

void RunSideBySide(const LineSetup& s, const std::vector<DeviceIdentity>& boards,
                   const std::vector<UnopenableDevice>& unopenable, const ShowLines& show,
                   std::uint64_t everyUs) {
  SharedLines shared;
  std::vector<std::unique_ptr<LineKeeper>> keepers;
  for (const DeviceIdentity& board : boards) {
    shared.States.push_back({board, {}, {}});
    shared.States.back().Progress.Stage = "starting";
    keepers.push_back(std::make_unique<LineKeeper>(shared, keepers.size()));
  }
  for (const UnopenableDevice& device : unopenable) {
    const RoadRecord r = UnopenableRecord(s, device);
    shared.States.push_back({r.Board, {}, r});
    shared.States.back().Progress.Stage = "failed";
    shared.Finished.push_back(r);
  }
  std::atomic<std::size_t> running{boards.size()};
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < boards.size(); ++i) {
    threads.emplace_back([&, i] {
      RunLine(s, boards[i], FollowFilter(boards[i]), *keepers[i]);
      --running;
    });
  }
  const auto showNow = [&] {
    std::vector<RoadRecord> finished;
    std::vector<LineState> states;
    {
      std::lock_guard<std::mutex> hold(shared.Lock);
      finished.swap(shared.Finished);
      states = shared.States;
    }
    show(states, finished);
  };
  while (running > 0) {
    showNow();
    s.Time.SleepUs(everyUs);
  }
  for (std::thread& t : threads) t.join();
  showNow();
}

FailureKind RunFailure(const std::vector<RoadRecord>& records) {
  FailureKind run = FailureKind::None;
  for (const RoadRecord& r : records) {
    const FailureKind failure = r.Failure();
    if (failure == FailureKind::Stopped) return FailureKind::Stopped;
    if (failure == FailureKind::None) continue;
    run = run == FailureKind::None || run == failure ? failure : FailureKind::DeviceFailed;
  }
  return run;
}

}  // namespace zentrel
