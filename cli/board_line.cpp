#include "cli/board_line.h"

#include <set>

#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/unopenable_hint.h"
#include "sequencer/failure_advice.h"
#include "sequencer/outcome_text.h"

namespace zentrel::cli {

namespace {

constexpr std::uint64_t kWaitPollUs = 100'000;

BoardRecord RunBoard(const LineSetup& s, const DeviceIdentity& board, const DeviceFilter& filter,
                     int number, LineObserver& observer) {
  BoardRecord record;
  record.Number = number;
  record.Start = std::chrono::system_clock::now();
  RoadWatch watch{observer.RoadView(), observer.ShowsPages(),
                  [&observer](const ProgressSnapshot& p) { observer.Progress(p); },
                  InterruptRequested};
  static_cast<RoadResult&>(record) =
      RunRoad({s.Road, s.Devices.Platform(), filter, s.Image, s.Options.Ids, s.Time,
               s.Options.Pacing, board},
              watch);
  record.ExitCode = ExitCodeOf(record.Outcome);
  const RoadOutcome& o = record.Outcome;
  record.Message = o.Failure == FailureKind::Stopped ? StoppedText(o)
                   : o.Box != nullptr                ? o.Box
                                                     : o.Status;
  return record;
}

}  // namespace

WaitEnd WaitForDevice(HidPlatform& platform, const DeviceIds& ids, const DeviceFilter& filter,
                      bool want, std::uint64_t limitUs, Clock& clock, LineObserver& observer,
                      std::vector<DeviceIdentity>* present) {
  const std::uint64_t start = clock.NowUs();
  ProgressSnapshot p;
  p.Stage = want ? "waiting for a device" : "waiting for the device to leave";
  std::vector<DeviceIdentity> found;
  std::set<std::string> told;  // unopenable paths named already
  while ((found = FindDevices(platform, ids, filter)).empty() == want) {
    if (InterruptRequested()) return WaitEnd::Interrupted;
    // A board that cannot be opened would be waited for in silence.
    if (want) {
      const std::vector<UnopenableDevice> now = FindUnopenableWithIds(platform, ids);
      bool news = false;
      for (const UnopenableDevice& u : now) news = told.insert(u.Path).second || news;
      if (news) observer.CannotOpen(now, ids);
    }
    p.ElapsedUs = clock.NowUs() - start;
    if (limitUs > 0 && p.ElapsedUs >= limitUs) return WaitEnd::TimedOut;
    observer.Progress(p);
    clock.SleepUs(kWaitPollUs);
  }
  if (present != nullptr) *present = std::move(found);
  return WaitEnd::Ready;
}

std::string DumpPath(const DeviceOptions& o, const DeviceIdentity& board) {
  if (o.EmuDump.empty() || !o.All) return o.EmuDump;
  return o.EmuDump + "." + (board.Port.empty() ? board.Serial : board.Port);
}

void RunLine(const LineSetup& s, DeviceIdentity board, const DeviceFilter& waitFilter,
             LineObserver& observer) {
  HidPlatform& platform = s.Devices.Platform();
  for (int number = 1;; ++number) {
    BoardRecord record = RunBoard(s, board, waitFilter, number, observer);
    std::string error;
    if (const std::string file = DumpPath(s.Options, board);
        !file.empty() && !s.Devices.DumpFlash(board.Path, file, error) &&
        record.ExitCode == kExitOk) {
      record.ExitCode = kExitDeviceFailed;
      record.Message = "cannot write " + file + ": " + error;
    }
    record.Advice = FailureAdvice(record, s.Image, s.Options.Ids, platform);
    observer.Finished(record);
    if (!s.Options.Repeat || record.Outcome.Failure == FailureKind::Stopped) return;
    // The operator takes the board off, and the next one comes.
    if (!s.Devices.TakeOffAndPlugNext(board.Path)) return;
    const DeviceFilter leaving = board.Path.empty() ? waitFilter : FollowFilter(board);
    std::vector<DeviceIdentity> next;
    // Ctrl-C between two boards ends the line: the next one is never touched.
    const DeviceIds& ids = s.Options.Ids;
    if (WaitForDevice(platform, ids, leaving, false, 0, s.Time, observer) != WaitEnd::Ready ||
        WaitForDevice(platform, ids, waitFilter, true, 0, s.Time, observer, &next) !=
            WaitEnd::Ready ||
        InterruptRequested()) {
      return;
    }
    board = next.front();
  }
}

}  // namespace zentrel::cli
