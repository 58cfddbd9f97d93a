// This machine's HID devices, through the platform the build chose for it:
// hidapi on Linux (posix/), SetupAPI and HID.dll on Windows (win32/).
#pragma once

#include <memory>

#include "hid/hid_platform.h"

namespace zentrel::cli {

std::unique_ptr<HidPlatform> MachinePlatform();

}  // namespace zentrel::cli
