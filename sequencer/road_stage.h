// The stages of a road as a person follows them, and which of them move a
// report: what the front ends show and how fast they may tick.
#pragma once

#include <cstdint>

namespace zentrel {

enum class RoadPhase : std::uint8_t {
  Idle,
  Resetting,          // ResetDevice, ResetDelay
  Searching,          // Connect
  ReadingBootLoader,  // BootStatus, StatusDelay, ReadBootStrings
  Erasing,            // SendImageKind, AwaitErase
  Writing,            // WritePacket, AwaitPacketAck
  AskingApplication,  // AppRequest, AppDelay, ReadAppStrings
};

RoadPhase PhaseOf(std::uint8_t state);

// Whether a state exchanges a report with the open device (and so waits for
// the device, not for a tick): the delays and the searches do not.
bool IsTransferStage(std::uint8_t state);

}  // namespace zentrel
