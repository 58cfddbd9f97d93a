// zentrel-flash's exit codes: what a production script can tell apart.
#pragma once

namespace zentrel::cli {

enum ExitCode : int {
  kExitOk = 0,             // the road reached its goal
  kExitDeviceFailed = 1,   // the device conversation failed, or output could not be written
  kExitUsage = 2,          // bad command line
  kExitFileRefused = 3,    // the firmware file was refused or unreadable
  kExitDoesNotFit = 4,     // the image does not fit the device
  kExitNoDevice = 5,       // no device with the IDs was found
  kExitInterrupted = 130,  // stopped by a signal (Ctrl-C, SIGTERM, SIGHUP, SIGQUIT)
};

// For --help.
inline constexpr const char* kExitCodesHelp =
    "Exit codes: 0 done; 1 the device conversation failed or the output could not be "
    "written; 2 bad command line; 3 the firmware file was refused; 4 the image does not "
    "fit the device; 5 no device found; 130 interrupted.";

}  // namespace zentrel::cli
