// A whole engine on an emulated bus with virtual time: what the window owns,
// built fresh for each test.
#pragma once

#include <memory>

#include "hid/device_access.h"
#include "hid/emulated/emulated_bus.h"
#include "image/image_store.h"
#include "sequencer/boot_sequencer.h"
#include "sequencer/clock.h"
#include "sequencer/device_ids.h"
#include "tests/support/recording_view.h"

namespace zentrel::testing {

struct SequencerHarness {
  FakeClock clock;
  emulated::EmulatedBus bus{clock};
  DeviceAccess device{bus};
  std::unique_ptr<ImageStore> image = std::make_unique<ImageStore>();
  DeviceIds ids;
  RecordingView view;
  BootSequencer sequencer{view, device, *image, ids, clock};

  SequencerHarness() { view.Watch(sequencer, device); }

  // One timer event: a tick, then 10 ms pass.
  void TickOnce() {
    sequencer.Tick();
    clock.AdvanceUs(10'000);
  }
  // Ticks until Idle; returns the ticks that found the sequencer in state.
  int RunUntilIdleCounting(std::uint8_t state) {
    int ticks = 0;
    while (sequencer.SequencerState != Idle) {
      if (sequencer.SequencerState == state) ++ticks;
      TickOnce();
    }
    return ticks;
  }
  // Ticks until the sequencer is Idle again; returns the ticks run.
  int RunUntilIdle(int limit = 1'000'000) {
    int ticks = 0;
    do {
      TickOnce();
      ++ticks;
    } while (sequencer.SequencerState != Idle && ticks < limit);
    return ticks;
  }
};

}  // namespace zentrel::testing
