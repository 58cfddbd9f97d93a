// Judges the loaded image against the device before a download lets it erase.
#pragma once

#include <cstdint>

#include "image/image_store.h"
#include "protocol/reports.h"

namespace zentrel {

enum CompatResult : std::uint8_t {
  COMPAT_OK = 1,
  COMPAT_PLATFORM_MISMATCH = 16,
  COMPAT_VERSION_MISMATCH = 32,
  COMPAT_FLASH_TOO_SMALL = 48,  // the image, or a page sent for it, passes the flash's end
};

// report: the boot loader's StringsReport; flashSizeKiB from the boot status.
CompatResult CheckCompatibility(const StringsReport& report,
                                std::uint16_t flashSizeKiB,
                                const ImageStore& store);

}  // namespace zentrel
