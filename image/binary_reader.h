// A raw binary to a flash image: the file's bytes from a given address.
#pragma once

#include <cstdint>

#include "image/image_placement.h"
#include "image/image_store.h"
#include "image/read_result.h"

namespace zentrel {

// Places count bytes of data from `address` into `image`, a cleared one, as
// ImagePlacement says (address 0x08001000 lands at 0x1000). Length on
// success: where the bytes end in the image. Refused (Line 0) when they
// reach beyond the image buffer.
ReadResult ReadBinary(const std::uint8_t* data, std::uint32_t count, std::uint64_t address,
                      ImageBytes& image, ImageLayout& layout);

}  // namespace zentrel
