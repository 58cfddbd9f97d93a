// One download road on a shared emulated bus: its own DeviceAccess (with a
// filter), image, view and BootSequencer, as each road of a multi-device run
// has them. The image is 4096 bytes of boot area and the 40 literal bytes of
// kImageHead, so one page reaches the device.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "hid/device_access.h"
#include "hid/emulated/emulated_bus.h"
#include "image/image_store.h"
#include "sequencer/boot_sequencer.h"
#include "protocol/clock.h"
#include "protocol/device_ids.h"
#include "tests/support/recording_view.h"

namespace zentrel::testing {

inline constexpr std::uint8_t kImageHead[40] = {
    0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB,
    0xCD, 0xEF, 0xA5, 0x5A, 0xC3, 0x3C, 0x0F, 0xF0, 0x99, 0x66, 0x11, 0x22, 0x33, 0x44,
    0x55, 0x66, 0x77, 0x88, 0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};

struct DownloadRoad {
  DownloadRoad(emulated::EmulatedBus& bus, const Clock& clock, DeviceFilter filter)
      : device(bus, std::move(filter)), sequencer(view, device, *image, ids, clock) {
    view.Watch(sequencer, device);
    image->ImageBuffer.fill(0);
    std::copy(std::begin(kImageHead), std::end(kImageHead),
              image->ImageBuffer.begin() + 4096);
    image->ImageLength = 4096 + sizeof kImageHead;
    image->ImageKind = 'h';
    image->ImageLoaded = 1;
  }
  // Ticks until the road ends; onTick runs after each tick (a fake clock's
  // 10 ms, or nothing on a real one).
  template <typename OnTick>
  void Run(OnTick onTick) {
    sequencer.StartDownload();
    for (int ticks = 0; ticks < 1'000'000 && sequencer.SequencerState() != Idle; ++ticks) {
      sequencer.Tick();
      onTick();
    }
  }

  DeviceAccess device;
  std::unique_ptr<ImageStore> image = std::make_unique<ImageStore>();
  DeviceIds ids;
  RecordingView view;
  BootSequencer sequencer;
};

// What a road must have left in a board's flash: the literal head at 4096,
// zeros to the end of its page, erased flash everywhere else.
inline ::testing::AssertionResult FlashedWithImageHead(
    const std::vector<std::uint8_t>& flash) {
  if (flash.size() != 256u * 1024u) return ::testing::AssertionFailure() << flash.size();
  for (std::size_t i = 0; i < flash.size(); ++i) {
    std::uint8_t want = 0xFF;
    if (i >= 4096 && i < 4096 + 40) {
      want = kImageHead[i - 4096];
    } else if (i >= 4096 + 40 && i < 4096 + 128) {
      want = 0x00;
    }
    if (flash[i] != want) {
      return ::testing::AssertionFailure()
             << "byte " << i << " is " << int{flash[i]} << ", not " << int{want};
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace zentrel::testing
