// What every reader result must satisfy, whatever the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_check.h"
#include "image/image_store.h"
#include "image/read_result.h"

namespace zentrel::fuzz {

inline std::uint32_t LineCount(const std::uint8_t* data, std::size_t size) {
  std::uint32_t lines = 1;
  for (std::size_t i = 0; i < size; ++i) lines += data[i] == '\n' ? 1 : 0;
  return lines;
}

// image was all zero before the read.
inline void CheckReadResult(const ReadResult& result, const std::uint8_t* data, std::size_t size,
                            const ImageBytes& image) {
  if (result.Ok) {
    FUZZ_CHECK(result.Cause == nullptr);
    FUZZ_CHECK(result.Length <= kImageBufferSize);
    // Nothing is written above the image's length.
    static const ImageBytes zeros{};
    FUZZ_CHECK(std::memcmp(image.data() + result.Length, zeros.data(),
                           kImageBufferSize - result.Length) == 0);
  } else {
    FUZZ_CHECK(result.Cause != nullptr && result.Cause[0] != '\0');
    FUZZ_CHECK(result.Line <= LineCount(data, size));
  }
}

}  // namespace zentrel::fuzz
