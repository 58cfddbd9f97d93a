// What every reader result must satisfy, whatever the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_check.h"
#include "image/image_placement.h"
#include "image/image_store.h"
#include "image/read_result.h"

namespace zentrel::fuzz {

inline std::uint32_t LineCount(const std::uint8_t* data, std::size_t size) {
  std::uint32_t lines = 1;
  for (std::size_t i = 0; i < size; ++i) lines += data[i] == '\n' ? 1 : 0;
  return lines;
}

// Nothing is written above the image's length; image was all zero before.
inline void CheckImageEndsAt(const ImageBytes& image, std::uint32_t length) {
  FUZZ_CHECK(length <= kImageBufferSize);
  static const ImageBytes zeros{};
  FUZZ_CHECK(std::memcmp(image.data() + length, zeros.data(), kImageBufferSize - length) == 0);
}

// The listed ranges of a file placed by address lie within the image.
inline void CheckLayout(const ImageLayout& layout, std::uint32_t length) {
  FUZZ_CHECK(layout.RangeCount <= kListedRanges);
  FUZZ_CHECK(layout.BootAreaBytes <= kBootAreaSize);
  for (std::uint32_t i = 0; i < layout.RangeCount; ++i) {
    const PlacedRange& r = layout.Ranges[i];
    FUZZ_CHECK(r.Length > 0 && r.Address >= layout.Origin);
    FUZZ_CHECK(r.Address - layout.Origin + r.Length <= length);
  }
}

// image was all zero before the read.
inline void CheckReadResult(const ReadResult& result, const std::uint8_t* data, std::size_t size,
                            const ImageBytes& image) {
  if (result.Ok) {
    FUZZ_CHECK(result.Cause == nullptr);
    CheckImageEndsAt(image, result.Length);
  } else {
    FUZZ_CHECK(result.Cause != nullptr && result.Cause[0] != '\0');
    FUZZ_CHECK(result.Line <= LineCount(data, size));
  }
}

}  // namespace zentrel::fuzz
