// What the device commands (info, flash, app-info) share: the options that
// pick the device and the platform, and the loop that ticks a road to its end.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/console_view.h"
#include "image/image_store.h"
#include "sequencer/boot_sequencer.h"

namespace zentrel::cli {

inline constexpr std::uint64_t kTickUs = 10'000;

enum class Pace { Window, Fast };

struct DeviceOptions {
  std::string VendorId;   // hexadecimal text; empty: the compiled-in default
  std::string ProductId;
  Pace Pacing = Pace::Window;
  bool Emulate = false;
  // The emulated device, only with --emulate.
  std::string EmuPlatform;
  std::string EmuHwVersion;
  int EmuFlashKiB = -1;
  bool EmuFullSpeed = true;
  std::vector<std::string> EmuFaults;  // NAME or NAME:N
  std::string EmuDump;                 // save its flash here afterwards
};

void AddDeviceOptions(CLI::App& cmd, DeviceOptions& options, bool withDump);

// Parses "0x1D50", "1d50": hexadecimal, up to 8 digits. False if not.
bool ParseHexOption(const std::string& text, std::uint32_t& value);

// Builds the platform, starts the road with start(sequencer) and ticks until
// the sequencer is Idle again. Returns the exit code: 0 when the road
// completed, 1 when it failed, 2 for bad options.
// Time passes on clock: a SteadyClock for real, a FakeClock in tests.
int RunRoad(const DeviceOptions& options, ImageStore& image, ConsoleView& view,
            Clock& clock, const std::function<void(BootSequencer&)>& start);

// Ticks until Idle with the given pacing; shared with tests and the benchmark.
void TickUntilIdle(BootSequencer& sequencer, Clock& clock, Pace pace);

}  // namespace zentrel::cli
