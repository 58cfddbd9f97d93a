// The two fields of a memory image header as a person reads them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "image/image_store.h"

namespace zentrel {

struct HeaderField {
  std::string_view Text;  // up to the terminator, within the header
  std::uint8_t Terminator = 0;  // 0 when the header ended first

  // The text as a person reads it: a version ended by 'x' keeps the 'x',
  // which stands for any rest of the device's version.
  std::string Shown() const { return std::string(Text) + (Terminator == 'x' ? "x" : ""); }
};

// Platform name (ended by a blank or a line end) and hardware version (ended
// by 'x' or a line end) of the memory image in store.FileBuffer, read within
// the header and within the file.
HeaderField HeaderPlatformName(const ImageStore& store);
HeaderField HeaderHwVersion(const ImageStore& store);

}  // namespace zentrel
