// How fast the command line lets ticks follow each other.
#pragma once

#include "sequencer/boot_sequencer.h"

namespace zentrel::cli {

// Whether the sequencer is in a stage that only transfers reports, which may
// run as fast as the device answers. The delays and the search keep the
// window's 10 ms tick: the device needs that real time to re-enumerate.
bool InTransferStage(const BootSequencer& sequencer);

}  // namespace zentrel::cli
