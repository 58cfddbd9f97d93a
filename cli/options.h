// What the device commands (info, app-info, flash, list) are told: the
// options that pick the devices and the platform, and how to report.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "hid/device_access.h"
#include "hid/device_identity.h"
#include "image/firmware_loader.h"
#include "protocol/device_ids.h"
#include "sequencer/road_run.h"

namespace zentrel::cli {

struct DeviceOptions {
  DeviceIds Ids;  // --vid and --pid, else the compiled-in defaults
  Pace Pacing = Pace::Fast;
  double WaitSeconds = -1;  // < 0: do not wait; 0: for ever
  bool Repeat = false;      // flash one board after another
  bool All = false;         // flash every attached board at once
  DeviceFilter Filter;      // --serial, --port: only the device with them
  std::string InputPath;    // the firmware file, never to be overwritten
  FirmwareChoice Firmware;  // --format and --address
  bool Emulate = false;
  // The emulated boards, only with --emulate.
  std::string EmuPlatform;
  std::string EmuHwVersion;
  int EmuFlashKiB = -1;
  bool EmuFullSpeed = true;
  std::vector<std::string> EmuFaults;  // [K:]NAME[:N]
  std::string EmuDump;                 // save the flash here afterwards
  int EmuDevices = 1;  // side by side, or one after another with --repeat
  // --trace and --capture: every call to the device, written as it happens.
  std::string TraceFile;    // "-": standard error; empty: no text trace
  std::string CaptureFile;  // empty: no capture
  bool Json = false;        // --json
  bool Quiet = false;       // --quiet
};

// A USB ID, "0x1D50" or "1d50": hexadecimal, up to 8 digits, 1 to 0xFFFF.
// False if not.
bool ParseUsbId(const std::string& text, std::uint32_t& value);

// A flash address, "0x1000" (hexadecimal) or "4096" (decimal), 0 to
// 0xFFFFFFFFFFFFFFFF. False if not.
bool ParseAddress(const std::string& text, std::uint64_t& value);

// --trace, --capture and a board's --emulate-dump file (empty: none),
// checked before anything else runs: empty when no two name the same file
// and each can be written and is not the firmware file; else why not.
std::string CheckOutputFiles(const DeviceOptions& options, const std::string& dump = "");

// Where a command's output goes: stdout, or stderr when file (a capture, an
// image) is written to stdout (/dev/stdout, or the file stdout goes to),
// which it then has alone: a line of text in its bytes would spoil them.
std::FILE* ConsoleOut(const std::string& file);

// The checks made before any device is touched: the faults, the dump path.
// Empty when all pass; else the line that says why not.
std::string CheckDeviceOptions(const DeviceOptions& options);

// Where --emulate-dump saves a board's flash: FILE, or with --all FILE.PORT
// (FILE.SERIAL when the port is not known); empty without --emulate-dump.
std::string DumpPath(const DeviceOptions& o, const DeviceIdentity& board);

// The --serial and --port choice as the user typed it.
std::string FilterText(const DeviceFilter& filter);

}  // namespace zentrel::cli
