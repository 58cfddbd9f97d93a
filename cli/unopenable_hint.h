// When a road could not reach the device: names each present device with the
// IDs that cannot be opened, with the platform's reason and what to do.
// Discovery leaves such devices out, so the road's own text ("No HID device
// detect") cannot tell them from no device at all.
#pragma once

#include <cstdio>

#include "hid/hid_platform.h"
#include "protocol/device_ids.h"

namespace zentrel::cli {

// Writes the lines to err; returns how many devices it named.
int ReportUnopenableDevices(HidPlatform& platform, const DeviceIds& ids, std::FILE* err);

}  // namespace zentrel::cli
