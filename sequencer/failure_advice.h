// The line a front end may add after a failed road's own texts: what failed,
// where, what the device holds now and what to do.
#pragma once

#include <string>
#include <vector>

#include "hid/hid_platform.h"
#include "image/image_store.h"
#include "protocol/device_ids.h"
#include "sequencer/road_record.h"

namespace zentrel {

// Empty when there is nothing to add (a completed road, a stopped one,
// whose text says it all already).
std::string FailureAdvice(const RoadRecord& result, const ImageStore& image, const DeviceIds& ids,
                          HidPlatform& platform);

// Discovery leaves out the devices with the IDs that cannot be opened, so a
// road's own text ("No HID device detect") cannot tell them from none.
// "PATH is a device with IDs 1D50:61A7, but it cannot be opened: REASON".
std::string UnopenableText(const UnopenableDevice& device, const DeviceIds& ids);
// What to do about them: the udev rule where access was denied (Windows:
// close the program that holds them); empty when neither would help. The
// platform's file (posix/, win32/) says it.
std::string UnopenableAdvice(const std::vector<UnopenableDevice>& found);

}  // namespace zentrel
