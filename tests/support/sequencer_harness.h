// A whole engine on an emulated bus with virtual time: what the window owns,
// built fresh for each test.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "hid/device_access.h"
#include "hid/emulated/emulated_bus.h"
#include "image/image_store.h"
#include "sequencer/boot_sequencer.h"
#include "protocol/clock.h"
#include "protocol/device_ids.h"
#include "tests/support/recording_view.h"
#include "tests/support/tick_until.h"

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
  // Ticks until the sequencer is Idle again (at least once).
  void RunUntilIdle() {
    TickOnce();
    TickUntil(sequencer, SequencerStage::Idle, [this] { TickOnce(); }, 1'000'000);
  }
};

// Puts an image of the given length with random bytes into the store, as a
// load would (zeros beyond its end).
inline void LoadRandomImage(ImageStore& store, std::uint32_t length, char kind = 'h') {
  std::mt19937 random(length);
  std::fill(store.ImageBuffer.begin(), store.ImageBuffer.end(), std::uint8_t{0});
  for (std::uint32_t i = 0; i < length; ++i) {
    store.ImageBuffer[i] = static_cast<std::uint8_t>(random());
  }
  store.ImageLength = length;
  store.ImageKind = kind;
  store.ImageLoaded = 1;
}

// A 43-byte memory image header naming a platform at 15 and a version at 33.
inline void PutMemoryImageHeader(ImageStore& store, const char* platform,
                                 const char* version) {
  std::string header(43, ' ');
  header.replace(0, 9, "ZENTREL  ");
  header.replace(15, std::strlen(platform), platform);
  header.replace(33, std::strlen(version), version);
  header[41] = '\r';
  header[42] = '\n';
  std::memcpy(store.FileBuffer.data(), header.data(), header.size());
  store.FileLength = static_cast<std::uint32_t>(header.size());
}

}  // namespace zentrel::testing
