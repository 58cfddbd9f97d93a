// The one loop that runs a road's timer events until the sequencer is in a
// state: tick is whatever a timer event is for the rig at hand.
#pragma once

#include <cstdint>

#include "sequencer/boot_sequencer.h"

namespace zentrel::testing {

// False if the sequencer was not in state after limit ticks.
template <typename Tick>
bool TickUntil(const BootSequencer& sequencer, SequencerStage state, Tick tick,
               int limit = 100'000) {
  for (int i = 0; i < limit && sequencer.SequencerState() != state; ++i) tick();
  return sequencer.SequencerState() == state;
}

}  // namespace zentrel::testing
