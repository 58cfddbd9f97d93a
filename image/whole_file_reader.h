// Reads a whole file into a fixed buffer.
#pragma once

#include <cstdint>

#include "image/image_store.h"

namespace zentrel {

// The number of bytes read into buffer from offset 0; 0 when the file cannot
// be opened or read, is empty, or is longer than the buffer (nothing is
// written past the buffer either way).
std::uint32_t ReadWholeFile(const char* path, ImageBytes& buffer);

}  // namespace zentrel
