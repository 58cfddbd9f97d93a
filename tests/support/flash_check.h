// What a download leaves in a board's 256 KiB flash: erased below 4096, the
// image's bytes from 4096, zeros to the end of its last page (an image that
// ends on a page boundary is followed by one page of zeros), erased above.
// After a failure, only the pages the record names are checked, and the
// flash must be erased from the page after the next one (that page may hold
// the packets sent before the failure).
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/image_store.h"

namespace zentrel::testing {

inline constexpr std::size_t kAllPages = ~std::size_t{0};

// "" when flash holds image (the bytes sent from 4096 on), else the first
// byte that differs.
inline std::string FlashMismatch(const std::vector<std::uint8_t>& flash,
                                 const std::vector<std::uint8_t>& image,
                                 std::size_t pages = kAllPages) {
  if (flash.size() != 256u * 1024) return "flash of " + std::to_string(flash.size()) + " bytes";
  const bool whole = pages == kAllPages;
  if (whole) pages = image.size() / 128 + 1;
  const std::size_t end = 4096 + pages * 128;
  const std::size_t erasedFrom = whole ? end : end + 128;
  for (std::size_t i = 0; i < flash.size(); ++i) {
    if (i >= end && i < erasedFrom) continue;
    std::uint8_t want = 0xFF;
    if (i >= 4096 && i < end) want = i - 4096 < image.size() ? image[i - 4096] : 0;
    if (flash[i] != want) {
      return "byte " + std::to_string(i) + " is " + std::to_string(flash[i]) + ", not " +
             std::to_string(want);
    }
  }
  return "";
}

// The bytes a download of the loaded image sends, from 4096 on.
inline std::vector<std::uint8_t> SentBytes(const ImageStore& image) {
  return {image.ImageBuffer.begin() + 4096, image.ImageBuffer.begin() + image.ImageLength};
}

inline void ExpectFlashed(const std::vector<std::uint8_t>& flash,
                          const std::vector<std::uint8_t>& image,
                          std::size_t pages = kAllPages) {
  EXPECT_EQ(FlashMismatch(flash, image, pages), "");
}

}  // namespace zentrel::testing
