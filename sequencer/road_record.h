// The one record of a road that the front ends get: what the sequencer
// reported, what the road read on the way, which board it ran on and how the
// line ended it. Its failure is the one the exit code, the advice and every
// summary read.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "hid/device_identity.h"
#include "hid/hid_platform.h"
#include "sequencer/road_outcome.h"

namespace zentrel {

struct RoadRecord {
  RoadOutcome Outcome;                // as the sequencer reported it
  std::array<std::string, 6> Fields;  // as the road set them, without the indent
  std::uint16_t FlashSizeKiB = 0;     // as the boot status gave it
  double Seconds = 0;
  double WritingSeconds = 0;  // from the first page on
  // The board the road ran on: the chosen one or, when none was, the device
  // it opened first (its node and port then, the rest as that port has it
  // now); empty when it opened none.
  DeviceIdentity Board;
  // After a failed conversation: no device with the IDs is where the road
  // looked for its board.
  bool LeftBus = false;

  int Number = 1;  // the n-th board on its line
  std::chrono::system_clock::time_point Start;
  // What the line did after a completed road (saving a dump, say) failed;
  // Message says why.
  bool AfterRoadFailed = false;
  std::string Message;        // the box, the status, or where it was stopped
  bool MessageIsBox = false;  // Message is the box the road showed: no need to say it twice
  std::string Advice;         // after a failure: what failed and what to do
  // After a search that found nothing to open: the devices with the IDs
  // that are there but cannot be opened. (A device that failed midway was
  // open, and its advice says where it stopped.)
  std::vector<UnopenableDevice> Unopenable;

  // How the board ended: the road's failure; DeviceFailed for a road that
  // never ended, or one that completed but what followed it failed.
  FailureKind Failure() const {
    if (Outcome.Failure != FailureKind::None) return Outcome.Failure;
    return !Outcome.Ended || AfterRoadFailed ? FailureKind::DeviceFailed : FailureKind::None;
  }
  bool Passed() const { return Failure() == FailureKind::None; }
};

}  // namespace zentrel
