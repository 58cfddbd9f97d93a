// When a road found no device to open: names each present device with the
// IDs that cannot be opened, with the reason its open gave, and the udev
// rule only when access was denied.
// Discovery leaves such devices out, so the road's own text ("No HID device
// detect") cannot tell them from no device at all.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "hid/hid_platform.h"
#include "protocol/device_ids.h"

namespace zentrel::cli {

// What to do about them: the udev rule where access was denied (Windows:
// close the program that holds them); empty when neither would help.
std::string UnopenableAdvice(const std::vector<UnopenableDevice>& found);

// Names each of found on err, with the advice that fits.
void TellUnopenable(const std::vector<UnopenableDevice>& found, const DeviceIds& ids,
                    std::FILE* err);

}  // namespace zentrel::cli
