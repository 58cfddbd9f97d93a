// The line a front end may add after a failed road's own texts: what failed,
// where, what the device holds now and what to do.
#pragma once

#include <string>

#include "hid/hid_platform.h"
#include "image/image_store.h"
#include "protocol/device_ids.h"
#include "sequencer/road_run.h"

namespace zentrel {

// Empty when there is nothing to add (a completed road, a stopped one,
// whose text says it all already).
std::string FailureAdvice(const RoadResult& result, const ImageStore& image, const DeviceIds& ids,
                          HidPlatform& platform);

}  // namespace zentrel
