#include "tests/ui/qt/loader_rig.h"

namespace zentrel::qt::test {

LoaderRig::LoaderRig(const emulated::BootLoaderConfig& config)
    : device(bus.AddBootLoader(config)),
      window(std::make_unique<MainWindow>(access, *image, ids, clock)) {
  window->show();
}

void LoaderRig::Tick() {
  window->OnTimer();
  clock.AdvanceUs(kTickUs);
}

int LoaderRig::TickUntilIdle(int limit) {
  for (int ticks = 0; ticks < limit; ++ticks) {
    if (Sequencer().SequencerState() == Idle) return ticks;
    Tick();
  }
  return Sequencer().SequencerState() == Idle ? limit : -1;
}

bool LoaderRig::TickUntilState(std::uint8_t state, int limit) {
  for (int ticks = 0; ticks < limit; ++ticks) {
    if (Sequencer().SequencerState() == state) return true;
    Tick();
  }
  return Sequencer().SequencerState() == state;
}

}  // namespace zentrel::qt::test
