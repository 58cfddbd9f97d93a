// --emulate-dump: an emulated board's whole flash, saved after its road.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/options.h"
#include "hid/device_identity.h"

namespace zentrel::cli {

// Saves flash (nullptr: no emulated board, nothing to save) where the
// options say for this board, whole or not at all. Empty, or why it could
// not be written.
std::string SaveFlashDump(const DeviceOptions& options, const DeviceIdentity& board,
                          const std::vector<std::uint8_t>* flash);

}  // namespace zentrel::cli
