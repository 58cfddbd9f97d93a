// Flashes one image into one emulated board, then into three side by side
// with `flash --all`, all with the full-speed USB latency profile on the real
// clock (the roads run in threads, so virtual time cannot serve), and prints
// both times and their ratio. Side by side, three boards should take less
// than 1.5 times as long as one: each road waits on its own device.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "cli/console_view.h"
#include "cli/exit_codes.h"
#include "cli/commands.h"
#include "image/image_store.h"

namespace {

using namespace zentrel;

struct Outcome {
  double Seconds = 0;
  bool Passed = false;
};

Outcome FlashAll(const ImageStore& image, int devices) {
  cli::DeviceOptions options;
  options.All = true;
  options.Emulate = true;
  options.EmuDevices = devices;
  options.EmuFullSpeed = true;
  options.Pacing = Pace::Fast;
  std::FILE* sink = std::tmpfile();
  cli::ConsoleView view(sink, sink, cli::OutputMode::Quiet);
  SteadyClock clock;
  const auto start = std::chrono::steady_clock::now();
  const int code = cli::RunDeviceCommand(RoadKind::Download, options, view, image, clock);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::fclose(sink);
  return {took.count(), code == cli::kExitOk};
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint32_t kib = argc > 1 ? static_cast<std::uint32_t>(std::atoi(argv[1])) : 32;
  auto image = std::make_unique<ImageStore>();
  image->ImageLength = std::min<std::uint32_t>(kib * 1024, kImageBufferSize);
  for (std::uint32_t i = 0; i < image->ImageLength; ++i) {
    image->ImageBuffer[i] = static_cast<std::uint8_t>(i * 131 + 7);
  }
  image->ImageKind = 'h';
  image->ImageLoaded = 1;

  const Outcome one = FlashAll(*image, 1);
  const Outcome three = FlashAll(*image, 3);
  const double ratio = three.Seconds / one.Seconds;
  std::printf("image: %u bytes, full-speed USB profile, --pace fast, real time\n",
              image->ImageLength);
  std::printf("one board:                  %6.2f s%s\n", one.Seconds, one.Passed ? "" : "  FAILED");
  std::printf("three boards side by side:  %6.2f s%s\n", three.Seconds,
              three.Passed ? "" : "  FAILED");
  std::printf("ratio three / one:          %6.2f (goal: below 1.50)\n", ratio);
  return one.Passed && three.Passed && ratio < 1.5 ? 0 : 1;
}
