// Boards on a production line: the road on one board and, when boards come
// one after another, on each next one that comes to the same place; or a
// line per board, side by side. Each board's record carries who it was and
// how it ended, so a front end only shows it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "hid/device_identity.h"
#include "hid/hid_platform.h"
#include "image/image_store.h"
#include "protocol/clock.h"
#include "protocol/device_ids.h"
#include "sequencer/road_run.h"

namespace zentrel {

// What a line tells whoever shows it, from the line's own thread.
class LineObserver {
 public:
  virtual ~LineObserver() = default;
  // Where the roads show their texts; nullptr: nowhere (fields are kept).
  virtual SequencerView* RoadView() { return nullptr; }
  // Whether Progress shows the pages, so that the road's page texts would
  // only repeat it.
  virtual bool ShowsPages() const { return false; }
  // After every tick of a road, and while the line waits for a board.
  virtual void Progress(const ProgressSnapshot& progress) = 0;
  // A board's road has ended.
  virtual void Finished(const RoadRecord& record) = 0;
  // While the line waits for a board: devices with the IDs that cannot be
  // opened, each time one comes that was not there before.
  virtual void CannotOpen(const std::vector<UnopenableDevice>&, const DeviceIds&) {}
};

// What the people at a line do around a board's road; an emulated line does
// it itself, on real hardware a person does.
class LineHands {
 public:
  virtual ~LineHands() = default;
  // After a board's road: empty, or why what followed it failed.
  virtual std::string AfterRoad(const DeviceIdentity& board) = 0;
  // Takes the board off and plugs the next one in; false when none is left.
  virtual bool TakeOffAndPlugNext(const std::string& path) = 0;
};

struct LineSetup {
  RoadKind Road;
  HidPlatform& Platform;
  const ImageStore& Image;  // read-only: lines side by side share it
  const DeviceIds& Ids;
  Clock& Time;  // safe to share between threads when lines run side by side
  Pace Pacing = Pace::Fast;
  bool Repeat = false;  // the next boards that come, one after another
  std::function<bool()> StopRequested;  // ends a road as stopped, and a wait
  LineHands* Hands = nullptr;
};

enum class WaitEnd { Ready, TimedOut, Stopped };
// Waits until a device with the IDs is where filter looks (want; present
// then holds them) or gone from there; limitUs 0 waits for ever.
WaitEnd WaitForDevice(const LineSetup& setup, const DeviceFilter& filter, bool want,
                      std::uint64_t limitUs, LineObserver& observer,
                      std::vector<DeviceIdentity>* present = nullptr);

// Runs the road on board (an empty identity: whichever the search finds)
// and, with Repeat, on each next board that comes where waitFilter looks,
// until no more come, a stop, or a stopped road.
void RunLine(const LineSetup& setup, DeviceIdentity board, const DeviceFilter& waitFilter,
             LineObserver& observer);

// Where a line side by side stands, as the thread that shows it sees it.
struct LineState {
  DeviceIdentity Board;       // as chosen; its serial as its last road read it
  ProgressSnapshot Progress;  // "starting" before its first road, "done" or
                              // "failed" when a road has just ended
  std::optional<RoadRecord> Last;  // the last road's, until the next one runs
};

// Gets where each line stands and the records finished since it was called
// last, in the order they finished.
using ShowLines =
    std::function<void(const std::vector<LineState>& lines, std::vector<RoadRecord>& finished)>;

// A line per board at once, each on a thread of its own and each board
// followed by its port; each device with the IDs that cannot be opened is a
// line that failed at once (below the others), never one silently left out.
// Calls show on this thread every everyUs while they run and once after: no
// state is shared with a front end.
void RunSideBySide(const LineSetup& setup, const std::vector<DeviceIdentity>& boards,
                   const std::vector<UnopenableDevice>& unopenable, const ShowLines& show,
                   std::uint64_t everyUs);

// How a run of many boards ended: Stopped when a board's road was stopped,
// None when every board passed; else the one failure they share, or
// DeviceFailed. A stop while the line waits for the next board stops no
// road: it only ends the run.
FailureKind RunFailure(const std::vector<RoadRecord>& records);

}  // namespace zentrel
