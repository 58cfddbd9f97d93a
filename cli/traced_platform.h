// --trace and --capture: the platform wrapped so that every call is written
// where the options say, or the platform as it was when they say nothing.
#pragma once

#include <atomic>
#include <memory>

#include "cli/options.h"
#include "hid/hid_platform.h"
#include "protocol/clock.h"

namespace zentrel::cli {

// A file that cannot be opened or written is named on stderr when it
// happens, and failed is set (from whichever thread wrote): it must outlive
// the platform returned.
std::unique_ptr<HidPlatform> TracedAsAsked(std::unique_ptr<HidPlatform> platform,
                                           const DeviceOptions& options, Clock& clock,
                                           std::atomic<bool>& failed);

}  // namespace zentrel::cli
