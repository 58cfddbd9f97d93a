// The IDs that pick the device among the candidates. Defaults are compiled in
// (CMake cache variables ZENTREL_VENDOR_ID / ZENTREL_PRODUCT_ID); only the
// settings dialog changes them, and nothing saves them.
#pragma once

#include <cstdint>

#include "zentrel_config.h"

namespace zentrel {

struct DeviceIds {
  std::uint32_t VendorId = ZENTREL_VENDOR_ID;
  std::uint32_t ProductId = ZENTREL_PRODUCT_ID;
};

}  // namespace zentrel
