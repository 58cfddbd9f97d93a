// What the device commands (info, flash, app-info, list) share: the options
// that pick the device and the platform, and the loop that ticks a road to
// its end, stopping it safely when the user interrupts.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/console_view.h"
#include "cli/trace_wiring.h"
#include "hid/device_access.h"
#include "hid/emulated/emulated_bus.h"
#include "image/image_store.h"
#include "sequencer/boot_sequencer.h"
#include "sequencer/device_ids.h"

namespace zentrel::cli {

inline constexpr std::uint64_t kTickUs = 10'000;
// Between two polls of a transfer stage that is not ready yet, at fast pace:
// short against a USB frame, long enough that a poll loop never spins a core.
inline constexpr std::uint64_t kFastPollPauseUs = 20;

enum class Pace { Window, Fast };

struct DeviceOptions {
  std::string VendorId;   // hexadecimal text; empty: the compiled-in default
  std::string ProductId;
  Pace Pacing = Pace::Window;
  double WaitSeconds = -1;  // < 0: do not wait; 0: for ever
  bool Repeat = false;      // flash one device after another
  bool All = false;         // flash every attached device at once
  std::string Serial;       // only the device with this serial number
  std::string Port;         // only the device on this USB port
  std::string InputPath;    // the firmware file, never to be overwritten
  bool Emulate = false;
  // The emulated device, only with --emulate.
  std::string EmuPlatform;
  std::string EmuHwVersion;
  int EmuFlashKiB = -1;
  bool EmuFullSpeed = true;
  std::vector<std::string> EmuFaults;  // NAME or NAME:N
  std::string EmuDump;                 // save its flash here afterwards
  int EmuDevices = 1;  // boards: at once with --all, else one after another
  TraceOptions Trace;  // --trace, --capture
};

// Parses "0x1D50", "1d50": hexadecimal, up to 8 digits. False if not.
bool ParseHexOption(const std::string& text, std::uint32_t& value);
// A USB ID: hexadecimal, 1 to 0xFFFF.
bool ParseUsbId(const std::string& text, std::uint32_t& value);

// What a road left for the record.
struct RoadRecord {
  std::chrono::system_clock::time_point Start;
  double Seconds = 0;
  std::uint32_t Pages = 0;  // pages acknowledged
};

// Builds the platform, starts the road with start(sequencer) and ticks until
// the sequencer is Idle again. Returns the exit code (see exit_codes.h); for
// every code but 0 one line on stderr has said why. Time passes on clock: a
// SteadyClock for real, a FakeClock in tests.
int RunRoad(const DeviceOptions& options, ImageStore& image, ConsoleView& view, Clock& clock,
            const std::function<void(BootSequencer&)>& start, RoadRecord* record = nullptr);

// Ticks until Idle with the given pacing; shared with tests and the
// benchmark. False when an interrupt stopped the road (the sequencer is then
// left in the stage it was in, the device still open).
bool TickUntilIdle(BootSequencer& sequencer, Clock& clock, Pace pace,
                   const std::function<void()>& afterTick = {});

// The platform the options ask for: the machine's HID devices or the
// emulated bus (then *bus, its first *board and all its *boards are set),
// in a tracer when --trace or --capture asks for one.
std::unique_ptr<HidPlatform> MakePlatform(
    const DeviceOptions& options, Clock& clock, emulated::EmulatedBus** bus = nullptr,
    emulated::EmulatedBootLoader** board = nullptr,
    std::vector<emulated::EmulatedBootLoader*>* boards = nullptr);

// Saves an emulated board's flash; false when the file cannot be written.
bool SaveFlash(const std::string& path, const std::vector<std::uint8_t>& flash);

// What a road checks before it touches a device: the IDs, the faults and
// the dump path. False (and a line on stderr) when one is refused.
bool CheckRoadOptions(const DeviceOptions& options, DeviceIds& ids, ConsoleView& view);

// The --serial and --port choice.
DeviceFilter FilterOf(const DeviceOptions& options);
// " --serial S --port P" as given, for messages; empty when neither is.
std::string FilterText(const DeviceFilter& filter);

// Whether a device with the IDs (and through the filter) is there now.
bool DevicePresent(HidPlatform& platform, const DeviceIds& ids, const DeviceFilter& filter);

// Plugs emulated board number index (1, 2, ...) in, with its own serial
// number and the faults meant for it.
emulated::EmulatedBootLoader& PlugBoard(emulated::EmulatedBus& bus, const DeviceOptions& options,
                                        int index);

// The IDs the options give, or the defaults. False (and a line on stderr)
// when an ID is not a USB ID.
bool ResolveIds(const DeviceOptions& options, DeviceIds& ids, ConsoleView& view);

}  // namespace zentrel::cli
