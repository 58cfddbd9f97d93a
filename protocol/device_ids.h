// The IDs that pick the device among the candidates. Defaults are compiled in
// (CMake cache variables ZENTREL_VENDOR_ID / ZENTREL_PRODUCT_ID); only the
// settings dialog changes them, and nothing saves them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "zentrel_config.h"

namespace zentrel {

struct DeviceIds {
  std::uint32_t VendorId = ZENTREL_VENDOR_ID;
  std::uint32_t ProductId = ZENTREL_PRODUCT_ID;
};

// "1D50:61A7", as messages name the IDs.
inline std::string IdsText(const DeviceIds& ids) {
  char text[24];
  std::snprintf(text, sizeof text, "%04X:%04X", static_cast<unsigned>(ids.VendorId),
                static_cast<unsigned>(ids.ProductId));
  return text;
}

}  // namespace zentrel
