// One road run to its end on one board: its device and sequencer, the ticks
// at the chosen pace, its progress as it goes, and what it left. Every front
// end that runs a road without a window's timer runs it through here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "hid/device_access.h"
#include "hid/device_identity.h"
#include "hid/hid_platform.h"
#include "image/image_store.h"
#include "protocol/clock.h"
#include "protocol/device_ids.h"
#include "sequencer/boot_sequencer.h"
#include "sequencer/road_record.h"

namespace zentrel {

// Window: one step every 10 ms, as the desktop program ticks. Fast: the
// transfers as fast as the device answers; the delays and searches still
// tick every 10 ms, as the device needs that time to re-enumerate.
enum class Pace { Window, Fast };

inline constexpr std::uint64_t kTickUs = 10'000;
// Between two polls of a transfer stage that is not ready yet, at fast pace:
// short against a USB frame, long enough that a poll loop never spins a core.
inline constexpr std::uint64_t kFastPollPauseUs = 20;

// Where a running road stands, for a progress line or a table row.
struct ProgressSnapshot {
  const char* Stage = "";  // "resetting", "writing", ...
  bool Writing = false;    // pages are being sent (or all were)
  std::uint32_t PagesDone = 0;
  std::uint32_t Pages = 0;
  std::uint64_t ElapsedUs = 0;  // since the road started
  std::uint64_t WritingUs = 0;  // since the first page went out
};

struct RoadRunSetup {
  RoadKind Road;
  HidPlatform& Platform;
  DeviceFilter Filter;  // where the road looks for its board when none is chosen
  const ImageStore& Image;
  const DeviceIds& Ids;
  Clock& Time;
  Pace Pacing = Pace::Fast;
  DeviceIdentity Board;  // the chosen board, followed across its reset; empty: none
};

struct RoadWatch {
  SequencerView* Shown = nullptr;  // where the road's texts go; nullptr: nowhere
  bool HidePageTexts = false;      // the progress shows the pages already
  std::function<void(const ProgressSnapshot&)> Progress;  // after every tick
  std::function<bool()> StopRequested;  // true: the road is stopped through the engine
};

// Ticks a started road until it is Idle again, at the pace. stopRequested is
// asked before every tick and, when it says so, ends the road through
// Stop(); afterTick runs after every tick.
void TickUntilIdle(BootSequencer& sequencer, Clock& clock, Pace pace,
                   const std::function<bool()>& stopRequested = {},
                   const std::function<void()>& afterTick = {});

// Starts the road and runs it to its end: the road's part of its record
// (the line adds the rest).
RoadRecord RunRoad(const RoadRunSetup& setup, const RoadWatch& watch);

}  // namespace zentrel
