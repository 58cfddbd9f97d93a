#include "sequencer/road_stage.h"

#include "sequencer/boot_sequencer.h"

namespace zentrel {

using enum SequencerStage;

RoadPhase PhaseOf(SequencerStage stage) {
  switch (stage) {
    case ResetDevice:
    case ResetDelay: return RoadPhase::Resetting;
    case Connect: return RoadPhase::Searching;
    case BootStatus:
    case StatusDelay:
    case ReadBootStrings: return RoadPhase::ReadingBootLoader;
    case SendImageKind:
    case AwaitErase: return RoadPhase::Erasing;
    case WritePacket:
    case AwaitPacketAck: return RoadPhase::Writing;
    case AppRequest:
    case AppDelay:
    case ReadAppStrings: return RoadPhase::AskingApplication;
    default: return RoadPhase::Idle;
  }
}

bool IsTransferStage(SequencerStage stage) {
  switch (stage) {
    case BootStatus:
    case ReadBootStrings:
    case SendImageKind:
    case AwaitErase:
    case WritePacket:
    case AwaitPacketAck:
    case ReadAppStrings:
      return true;
    default:
      return false;
  }
}

}  // namespace zentrel
