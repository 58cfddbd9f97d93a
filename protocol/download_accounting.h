// How a download divides the image: 128-byte pages of four 32-byte packets,
// sent from the end of the boot area on.
#pragma once

#include <cstdint>

namespace zentrel {

// Device addresses below this hold the boot loader and are never sent.
inline constexpr std::uint32_t kBootAreaSize = 4096;
inline constexpr std::uint32_t kPageSize = 128;
inline constexpr std::uint32_t kPacketSize = 32;
inline constexpr std::uint8_t kPacketsPerPage = kPageSize / kPacketSize;

// Pages of 128 bytes that a download sends for an image of this length: the
// page that holds the image's last byte counts whole, and one more when the
// length above the boot area is a multiple of 128. 0 when nothing lies above
// the boot area (the count would wrap).
inline std::uint32_t PagesToSend(std::uint32_t imageLength) {
  return imageLength <= kBootAreaSize ? 0 : ((imageLength - kBootAreaSize) >> 7) + 1;
}

// The rate of pages written in seconds, in KiB a second; 0 before any time.
inline double KiBPerSecond(std::uint32_t pages, double seconds) {
  return seconds > 0 ? pages * kPageSize / 1024.0 / seconds : 0.0;
}

}  // namespace zentrel
