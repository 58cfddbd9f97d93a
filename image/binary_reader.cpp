#include "image/binary_reader.h"

namespace zentrel {

ReadResult ReadBinary(const std::uint8_t* data, std::uint32_t count, std::uint64_t address,
                      ImageBytes& image, ImageLayout& layout) {
  ImagePlacement placement(image, layout, address);
  if (const char* cause = placement.Place({address, count, address, 0}, true, data)) {
    return ReadRefusedAt(0, cause, address);
  }
  return ReadSucceeded(placement.Length());
}

}  // namespace zentrel
