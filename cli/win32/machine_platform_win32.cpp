#include "cli/machine_platform.h"

#include "hid/win32/win32_hid_platform.h"

namespace zentrel::cli {

std::unique_ptr<HidPlatform> MachinePlatform() { return std::make_unique<Win32HidPlatform>(); }

}  // namespace zentrel::cli
