#include "cli/machine_platform.h"

#include "hid/hidapi/hidapi_platform.h"

namespace zentrel::cli {

std::unique_ptr<HidPlatform> MachinePlatform() { return std::make_unique<HidapiPlatform>(); }

}  // namespace zentrel::cli
