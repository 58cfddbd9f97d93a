// One line of boards: a board's road and, with --repeat, the next boards that
// come to the same place, one after another. A single board, --repeat and
// each line of flash --all all run through it.
#pragma once

#include <cstdint>
#include <vector>

#include "cli/board_record.h"
#include "cli/console_view.h"
#include "cli/emulated_rig.h"
#include "cli/options.h"
#include "hid/device_identity.h"
#include "image/image_store.h"
#include "protocol/clock.h"
#include "sequencer/road_run.h"

namespace zentrel::cli {

struct LineSetup {
  const DeviceOptions& Options;
  const ImageStore& Image;
  RoadKind Road;
  Rig& Devices;
  Clock& Time;  // safe to share between threads when lines run side by side
};

// What a line tells whoever shows it, from its own thread.
class LineObserver {
 public:
  virtual ~LineObserver() = default;
  // Where the roads show their texts; nullptr: nowhere (fields are kept).
  virtual SequencerView* RoadView() = 0;
  // Whether Progress shows the pages, so that the road's page texts would
  // only repeat it.
  virtual bool ShowsPages() const { return false; }
  // After every tick of a road, and while the line waits for a board.
  virtual void Progress(const ProgressSnapshot& progress) = 0;
  // A board's road has ended.
  virtual void Finished(const BoardRecord& record) = 0;
  // While the line waits for a board: devices with the IDs that cannot be
  // opened, each time one comes that was not there before.
  virtual void CannotOpen(const std::vector<UnopenableDevice>&, const DeviceIds&) {}
};

enum class WaitEnd { Ready, TimedOut, Interrupted };
// Waits until a device with the IDs is where filter looks (want; present
// then holds them) or gone from there; limitUs 0 waits for ever.
WaitEnd WaitForDevice(HidPlatform& platform, const DeviceIds& ids, const DeviceFilter& filter,
                      bool want, std::uint64_t limitUs, Clock& clock, LineObserver& observer,
                      std::vector<DeviceIdentity>* present = nullptr);

// Where --emulate-dump saves a board's flash: FILE, or with --all FILE.PORT
// (FILE.SERIAL when the port is not known); empty without --emulate-dump.
std::string DumpPath(const DeviceOptions& o, const DeviceIdentity& board);

// Runs the road on board (an empty identity: whichever the search finds)
// and, with --repeat, on each next board that comes where waitFilter looks,
// until no more come, an interrupt, or a stopped road.
void RunLine(const LineSetup& setup, DeviceIdentity board, const DeviceFilter& waitFilter,
             LineObserver& observer);

}  // namespace zentrel::cli
