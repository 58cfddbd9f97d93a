// A main window wired to an emulated boot loader on a virtual bus, with
// virtual time: each timer event the test runs moves the clock by 10 ms.
#pragma once

#include <memory>

#include "hid/device_access.h"
#include "hid/emulated/emulated_bus.h"
#include "image/image_store.h"
#include "protocol/clock.h"
#include "protocol/device_ids.h"
#include "tests/ui/counting_platform.h"
#include "ui/qt/main_window.h"

namespace zentrel::qt::test {

inline constexpr std::uint64_t kTickUs = 10'000;

class LoaderRig {
 public:
  explicit LoaderRig(const emulated::BootLoaderConfig& config = {});

  // One timer event, then 10 ms pass.
  void Tick();
  // Ticks until the sequencer is Idle; the number of ticks, or -1 when it
  // was still busy after limit ticks.
  int TickUntilIdle(int limit = 20000);
  // Ticks until the state is the given one; false at the limit.
  bool TickUntilState(std::uint8_t state, int limit = 20000);
  // Stops the window's own timer, so that only the test's ticks run.
  void OwnTime() { window->TickTimer().stop(); }

  BootSequencer& Sequencer() { return window->Sequencer(); }

  FakeClock clock;
  emulated::EmulatedBus bus{clock};
  emulated::EmulatedBootLoader& device;
  // Every call that reaches the device side, counted.
  zentrel::testing::CountingPlatform platform{bus};
  DeviceAccess access{platform};
  std::unique_ptr<ImageStore> image = std::make_unique<ImageStore>();
  DeviceIds ids;
  std::unique_ptr<MainWindow> window;
};

}  // namespace zentrel::qt::test
