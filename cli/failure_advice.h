// The line the command line adds after a failed road's own text: what
// failed, where, what the device holds now and what to do. The windows show
// only their boxes.
#pragma once

#include <string>

#include "cli/board_record.h"
#include "hid/hid_platform.h"
#include "image/image_store.h"
#include "protocol/device_ids.h"

namespace zentrel::cli {

// Empty when there is nothing to add (a completed road, a stopped one,
// whose text says it all already).
std::string FailureAdvice(const BoardRecord& record, const ImageStore& image,
                          const DeviceIds& ids, HidPlatform& platform);

}  // namespace zentrel::cli
