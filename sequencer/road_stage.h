// The stages of a road as a person follows them, and which of them move a
// report: what the front ends show and how fast they may tick.
#pragma once

#include <cstdint>

namespace zentrel {

// Where the sequencer stands: the stage that its next tick runs.
enum class SequencerStage : std::uint8_t {
  Idle = 0,
  ResetDevice = 1,
  ResetDelay = 2,
  Connect = 3,
  BootStatus = 4,
  StatusDelay = 5,
  ReadBootStrings = 6,
  AwaitErase = 7,
  SendImageKind = 8,
  WritePacket = 9,
  AwaitPacketAck = 10,
  AppRequest = 11,
  AppDelay = 12,
  ReadAppStrings = 13,
};

enum class RoadPhase : std::uint8_t {
  Idle,
  Resetting,          // ResetDevice, ResetDelay
  Searching,          // Connect
  ReadingBootLoader,  // BootStatus, StatusDelay, ReadBootStrings
  Erasing,            // SendImageKind, AwaitErase
  Writing,            // WritePacket, AwaitPacketAck
  AskingApplication,  // AppRequest, AppDelay, ReadAppStrings
};

RoadPhase PhaseOf(SequencerStage stage);

// Whether a state exchanges a report with the open device (and so waits for
// the device, not for a tick): the delays and the searches do not.
bool IsTransferStage(SequencerStage stage);

}  // namespace zentrel
