// What the sequencer tells its front ends about the road it runs or ran last:
// where it stands, and how it ended. Recorded where things happen, so that
// no front end has to work it out from the texts it was shown.
#pragma once

#include <cstdint>

#include "sequencer/road_stage.h"
#include "sequencer/sequencer_view.h"

namespace zentrel {

// The roads the front ends start; NotRun before the first one.
enum class RoadKind : std::uint8_t { NotRun, Info, Download, AppInfo };

// Why a road ended without reaching its goal.
enum class FailureKind : std::uint8_t {
  None,          // completed, or still running
  NoDevice,      // no device with the IDs was found
  DoesNotFit,    // the image does not fit the device
  FileRefused,   // no image to send
  DeviceFailed,  // the conversation with the device failed
  Stopped,       // Stop() ended it
};

struct RoadProgress {
  SequencerStage Stage = SequencerStage::Idle;  // where the sequencer stands now
  std::uint32_t PagesDone = 0;  // pages the device has acknowledged whole
  std::uint32_t Pages = 0;      // pages the download sends; 0 for the other roads
};

inline constexpr std::size_t kStatusTextSize = 48;

struct RoadOutcome {
  RoadKind Road = RoadKind::NotRun;
  bool Ended = false;  // false while the road runs and before the first one
  FailureKind Failure = FailureKind::None;
  SequencerStage Stage = SequencerStage::Idle;  // the stage it ended in
  std::uint32_t PagesWritten = 0;
  std::uint32_t Pages = 0;
  // The reset command reached the node. Without it a device found later
  // (plugged in late, or its reset lost) was never reset.
  bool ResetSent = false;
  // After the reset, the boot loader said its boot sequence started
  // (STATUS_OK). Only then is the reset known to have happened: firmware that
  // takes the command but does not reset is found again by the search.
  bool BootLoaderAnswered = false;
  // The last status text the road set ("" if none) and its box, if it
  // opened one.
  char Status[kStatusTextSize] = "";
  const char* Box = nullptr;

  // The road reached its goal: fields read, image flashed.
  bool Completed() const { return Ended && Failure == FailureKind::None; }
};

}  // namespace zentrel
