// A main window wired to an emulated boot loader on a virtual bus, with
// virtual time: each timer event the test runs moves the clock by 10 ms.
#pragma once

#include <memory>

#include "hid/emulated/emulated_bus.h"
#include "protocol/clock.h"
#include "tests/support/tick_until.h"
#include "tests/ui/counting_platform.h"
#include "ui/qt/main_window.h"

namespace zentrel::qt::test {

class LoaderRig {
 public:
  explicit LoaderRig(const emulated::BootLoaderConfig& config = {})
      : device(bus.AddBootLoader(config)),
        window(std::make_unique<MainWindow>(platform, clock)) {
    window->show();
  }

  // One timer event, then 10 ms pass.
  void Tick() {
    Controller().OnTimer();
    clock.AdvanceUs(10'000);
  }
  // Ticks until the state is the given one; false at the limit.
  bool TickUntilState(std::uint8_t state) {
    return zentrel::testing::TickUntil(Sequencer(), state, [this] { Tick(); });
  }
  // Stops the window's own timer, so that only the test's ticks run.
  void OwnTime() { window->TickTimer().stop(); }

  LoaderController& Controller() { return window->Controller(); }
  const BootSequencer& Sequencer() { return Controller().Sequencer(); }

  FakeClock clock;
  emulated::EmulatedBus bus{clock};
  emulated::EmulatedBootLoader& device;
  // Every call that reaches the device side, counted.
  zentrel::testing::CountingPlatform platform{bus};
  std::unique_ptr<MainWindow> window;
};

}  // namespace zentrel::qt::test
