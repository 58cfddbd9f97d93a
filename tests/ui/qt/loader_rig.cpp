#include "tests/ui/qt/loader_rig.h"

namespace zentrel::qt::test {

LoaderRig::LoaderRig(const emulated::BootLoaderConfig& config)
    : device(bus.AddBootLoader(config)),
      window(std::make_unique<MainWindow>(platform, clock)) {
  window->show();
}

void LoaderRig::Tick() {
  Controller().OnTimer();
  clock.AdvanceUs(10'000);
}

bool LoaderRig::TickUntilState(std::uint8_t state, int limit) {
  for (int ticks = 0; ticks < limit && Sequencer().SequencerState() != state; ++ticks) Tick();
  return Sequencer().SequencerState() == state;
}

}  // namespace zentrel::qt::test
