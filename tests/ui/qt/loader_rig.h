// A main window wired to an emulated boot loader on a virtual bus, with
// virtual time: each timer event the test runs moves the clock by 10 ms. A
// modal driver plays the user for the window's boxes and dialogs.
#pragma once

#include <memory>

#include "protocol/clock.h"
#include "tests/support/tick_until.h"
#include "tests/ui/counting_platform.h"
#include "tests/ui/qt/modal_driver.h"
#include "ui/qt/main_window.h"

namespace zentrel::qt::test {

// Whose ticks run: the window's own timer's, or only the test's.
enum class Ticks { OfTheWindow, OfTheTest };

class LoaderRig {
 public:
  explicit LoaderRig(Ticks ticks = Ticks::OfTheWindow)
      : device(bus.AddBootLoader({})), window(std::make_unique<MainWindow>(platform.Seam(), clock)) {
    window->show();
    if (ticks == Ticks::OfTheTest) window->TickTimer().stop();
  }

  // One timer event, then 10 ms pass.
  void Tick() {
    Controller().OnTimer();
    clock.AdvanceUs(10'000);
  }
  // Ticks until the state is the given one; false at the limit.
  bool TickUntilState(SequencerStage state) {
    return zentrel::testing::TickUntil(Sequencer(), state, [this] { Tick(); });
  }
  LoaderController& Controller() { return window->Controller(); }
  const BootSequencer& Sequencer() { return Controller().Sequencer(); }

  FakeClock clock;
  // Every call that reaches the device side, counted.
  zentrel::testing::CountingPlatform platform{clock};
  emulated::EmulatedBus& bus = platform.Bus();
  emulated::EmulatedBootLoader& device;
  std::unique_ptr<MainWindow> window;
  ModalDriver driver;
};

}  // namespace zentrel::qt::test
