// Flashes one image into the emulated boot loader with the full-speed USB
// latency profile, once at the window's pace (a tick every 10 ms) and once
// with --pace fast, on virtual time, and prints both times, their ratio and
// the floor: the modelled transfer, erase and write times alone.
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "cli/console_view.h"
#include "hid/device_access.h"
#include "hid/emulated/emulated_bus.h"
#include "image/image_loader.h"
#include "sequencer/boot_sequencer.h"
#include "sequencer/road_run.h"

namespace {

using namespace zentrel;

struct Outcome {
  double Seconds = 0;
  bool Flashed = false;
};

Outcome FlashOnce(ImageStore& image, Pace pace) {
  FakeClock clock;
  emulated::EmulatedBus bus(clock);
  emulated::BootLoaderConfig config;
  config.Latency = emulated::LatencyProfile::FullSpeed();
  config.ReenumerateUs = 0;  // only the transfer part differs between pacings
  config.StartInBootLoader = true;
  auto& device = bus.AddBootLoader(config);
  DeviceAccess link(bus);
  DeviceIds ids;
  std::FILE* sink = std::tmpfile();
  cli::ConsoleView view(sink, sink);
  BootSequencer sequencer(view, link, image, ids, clock);
  sequencer.StartDownload();
  // Time the road from the moment the device answers the search.
  while (sequencer.SequencerState() != SequencerStage::Connect) {
    sequencer.Tick();
    clock.SleepUs(kTickUs);
  }
  const std::uint64_t start = clock.NowUs();
  TickUntilIdle(sequencer, clock, pace);
  std::fclose(sink);
  Outcome outcome;
  outcome.Seconds = static_cast<double>(clock.NowUs() - start) / 1e6;
  outcome.Flashed = sequencer.RoadCompleted() &&
                    std::equal(image.ImageBuffer.begin() + kBootAreaSize,
                               image.ImageBuffer.begin() + image.ImageLength,
                               device.Flash().begin() + kBootAreaSize);
  return outcome;
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint32_t kib = argc > 1 ? static_cast<std::uint32_t>(std::atoi(argv[1])) : 128;
  auto image = std::make_unique<ImageStore>();
  image->ImageLength = std::min<std::uint32_t>(kib * 1024, kImageBufferSize);
  for (std::uint32_t i = 0; i < image->ImageLength; ++i) {
    image->ImageBuffer[i] = static_cast<std::uint8_t>(i * 131 + 7);
  }
  image->ImageKind = 'h';
  image->ImageLoaded = 1;

  const Outcome window = FlashOnce(*image, Pace::Window);
  const Outcome fast = FlashOnce(*image, Pace::Fast);

  const auto profile = emulated::LatencyProfile::FullSpeed();
  const std::uint64_t pages = PagesToSend(image->ImageLength);
  const std::uint64_t packets = pages * kPacketsPerPage;
  // Start boot, status, one strings read, image kind, one erase poll, the
  // erase; then per packet one output report and the status poll that brings
  // its ack, which the device's write overlaps: the longer of the two counts.
  const std::uint64_t pageWrite = std::max(profile.FeatureUs, profile.PageWriteUs);
  const std::uint64_t packetWrite = std::max(profile.FeatureUs, profile.PacketWriteUs);
  const std::uint64_t floorUs = 4 * profile.FeatureUs + profile.InputUs + profile.EraseUs +
                                packets * profile.OutputUs + pages * pageWrite +
                                (packets - pages) * packetWrite;

  std::printf("image: %u bytes, %llu pages, %llu packets, full-speed USB profile\n",
              image->ImageLength, static_cast<unsigned long long>(pages),
              static_cast<unsigned long long>(packets));
  std::printf("pace window (10 ms tick): %8.2f s%s\n", window.Seconds,
              window.Flashed ? "" : "  FAILED");
  std::printf("pace fast:                %8.2f s%s\n", fast.Seconds,
              fast.Flashed ? "" : "  FAILED");
  std::printf("ratio window / fast:      %8.2f\n", window.Seconds / fast.Seconds);
  std::printf("floor (modelled times):   %8.2f s\n", static_cast<double>(floorUs) / 1e6);
  return window.Flashed && fast.Flashed ? 0 : 1;
}
