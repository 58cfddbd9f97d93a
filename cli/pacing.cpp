#include "cli/pacing.h"

namespace zentrel::cli {

bool InTransferStage(const BootSequencer& sequencer) {
  switch (sequencer.SequencerState) {
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

}  // namespace zentrel::cli
